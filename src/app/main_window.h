// App folder: the main window TForm2 (main_window.h, start here), which owns
// the program's state, the window set's creation (window_set_owner.h), the
// interface modes, the error handler and the Development window. The files
// of that state are read and written by persistence/.
#pragma once

#include "browser/main_window_link.h"
#include "browser/window_set.h"

#include <QByteArray>
#include <QList>
#include <QMainWindow>

#include "ui_main_window.h"

// The main window: the address box, Go, Back, Stop and Forward, the progress
// marker and the menus. Owns the history, the counters, the interface mode
// and the running-time clock for the whole run.
class TForm2 : public QMainWindow, public MainWindowLink {
    Q_OBJECT
public:
    explicit TForm2(WindowSet &forms);
    ~TForm2() override;

    Ui::TForm2 ui;

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

    // Asks the main window to close, as its close button does. Returns
    // whether it closed (an error during the save keeps it open).
    bool requestClose();

    // The log-off, shutdown and termination path: hide, save, then end
    // even when the save failed (the failure is reported first).
    void endSession();

    // MainWindowLink
    QWidget *widget() override { return this; }
    QString addressText() const override;
    void setAddressText(const QString &text) override;
    void Button1Click() override;
    void Button2Click() override;
    void Button4Click() override;
    void Button3Click() override;
    void Uppdatera1Click() override;
    TGauge &Gauge1() override;
    void gaugechange() override;
    QMenu *PopupMenu1() override;
    void history(QListWidget *listBox) override;
    void clear() override;
    void showDevelopmentWindow() override;

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void FormCreate();
    void FormShow();
    // Runs the close steps; throws what a step throws.
    void FormCloseQuery();
    // Runs FormCloseQuery through the error handler; true when the close may go on.
    bool runCloseQuery();

    WindowSet &m_forms;
    QMenu *m_popupMenu = nullptr;
    bool m_shownOnce = false;
};
