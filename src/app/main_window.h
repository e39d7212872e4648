// App folder: the main window TForm2 (main_window.h, start here), which owns
// the program's state, the window set's creation (window_set_owner.h), the
// interface modes, the error handler and the Development window. The files
// of that state are read and written by persistence/.
#pragma once

#include "windowset/main_window_link.h"
#include "windowset/window_set.h"
#include "toolkit/widgets/key_strokes.h"

#include <QByteArray>
#include <QList>
#include <QMainWindow>
#include <QStringList>
#include <memory>

class ApplicationEvents;
namespace lastpage {
class Recorder;
}
namespace persistence {
class HistoryLoad;
}
namespace windowplaces {
class Keeper;
}
class QTimer;

namespace Ui {
class TForm2;
}

// The main window: the address box, Go, Back, Stop and Forward, the progress
// marker and the menus. Owns the history, the counters, the interface mode
// and the running-time clock for the whole run.
class TForm2 : public QMainWindow, public MainWindowLink {
    Q_OBJECT
public:
    explicit TForm2(WindowSet &forms);
    ~TForm2() override;

    // Process-wide state.
    QList<QByteArray> HistoryList;
    qint32 TotalPages = 0;
    qint32 SessionPages = 0;
    bool HistoryCleared = false;
    qint32 InterfaceMode = 0;
    char ShowBrowserAtStart = '\0';
    qint32 RunHours = 0;
    qint32 RunMinutes = 0;
    qint32 RunSeconds = 0;
    QString RunTimeText;
    qint32 IdleCount = 0;
    qint32 MessageCount = 0;

    // The one-second clock and the application-wide event hook.
    QTimer *Timer1 = nullptr;
    ApplicationEvents *ApplicationEvents1 = nullptr;

    // The history file is read behind the first show. Until it is in,
    // HistoryList holds the initial empty entry and this run's visits; the
    // file's entries then go in front of them, as if read first.
    bool isHistoryLoaded() const;

    // Asks the main window to close, as its close button does. Returns
    // whether it closed (an error during the save keeps it open).
    bool requestClose();

    // The log-off, shutdown and termination path: hide, save, then end
    // even when the save failed (the failure is reported first).
    void endSession();
    // The first half of it, for a log-off that may still be cancelled: hide
    // and save, and keep running (with those windows hidden).
    void saveAtSessionEnd();

    // Once every window exists and before any is shown: puts the windows
    // where the user left them, and keeps the page on screen in case this
    // run ends without its close step.
    void keepWindowsAndPage();

    // The window set is going away: the hook stops calling into windows
    // that are being destroyed.
    void releaseApplicationEvents();

    // Whether the menu bar is attached (it answers shortcut keys only then).
    bool mainMenuAttached() const { return m_menuAttached; }
    // Takes the menu bar off the window; the client area keeps its size.
    void detachMenu();

    // Menu commands. The popup items run their main-menu twins.
    void VisaWebbrowsern1Click();
    void ndramenylge1Click();
    void Avsluta1Click();
    void Avsluta2Click();
    void Tillbaka1Click();
    void Frammt1Click();
    void Stop1Click();
    void Nuvarandesurftid1Click();
    void History1Click();
    void Kllkod1Click();
    void rPOPinstllningar1Click();
    void Webbsidorbeskta1Click();
    void Bokmrken1Click();
    void Hjlp1Click();
    void OmNavigator1Click();
    void RaiseExeption1Click();
    // The interface stepping commands: popup pair, then main-menu pair.
    void Minskainterface1Click();
    void kainterface2Click();
    void SnabbInterface2Click();
    void kainterface1Click();

    // Handlers of the controls and the hook.
    void Timer1Timer();
    void Image1MouseMove();
    void ApplicationEvents1Exception(const QString &message, bool nowhereToGo);
    void ApplicationEvents1Idle();
    void ApplicationEvents1Message();

    // MainWindowLink
    QWidget *widget() override { return this; }
    QString addressText() const override;
    void setAddressText(const QString &text) override;
    QLineEdit *addressBox() override;
    void Button1Click() override;
    void Button2Click() override;
    void Button4Click() override;
    void Button3Click() override;
    void Uppdatera1Click() override;
    TGauge &Gauge1() override;
    void gaugechange() override;
    QMenu *PopupMenu1() override;
    QList<QByteArray> history() const override { return HistoryList; }
    void clear() override;
    void showDevelopmentWindow() override;
    AddressSuggestions &suggestions() override { return *m_suggestions; }

signals:
    // The history file's entries are in HistoryList (or its read failed and
    // was reported); the suggestion index builds from them now.
    void historyLoaded();

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void FormCreate();
    void FormShow();
    // Runs the close steps; throws what a step throws.
    void FormCloseQuery();
    // Runs FormCloseQuery through the error handler; true when the close may go on.
    bool runCloseQuery();
    // The close step's own additions: where the windows are is written
    // first, and once the close goes on the page kept for a crash is removed.
    void saveWindowPlaces();
    void closeStepDone();
    // Takes the history read into HistoryList, waiting for it if need be;
    // nothing once taken. `quiet`: a failed read is told on standard error,
    // for when nobody may be there to dismiss a box.
    void takeHistory(bool quiet = false);

    // Brings the browser window forward with the main window still in
    // front of it, as a tool palette floats over what it works on.
    void showBrowserWindow();
    void buildPopupMenu();
    void connectCommands();
    void connectPictureButtons();
    // Logs errors that came before the Development window existed.
    void flushPendingLog();

    WindowSet &m_forms;
    AddressSuggestions *m_suggestions = nullptr;
    QMenu *m_popupMenu = nullptr;
    QStringList m_pendingLog;
    bool m_shownOnce = false;
    bool m_menuAttached = true;
    toolkit::KeyStrokes m_addressKeys;
    windowplaces::Keeper *m_windowPlaces = nullptr;
    lastpage::Recorder *m_lastPage = nullptr;
    persistence::HistoryLoad *m_historyLoad = nullptr;

    // The window's controls: only its own code touches them.
    friend struct WindowParts;
    std::unique_ptr<Ui::TForm2> ui;
};
