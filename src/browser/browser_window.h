// Browser window folder: the window that shows pages (this file, start
// here), the text pane that takes its place for a page's source, the pane's
// save dialog and printing. What a page asks for lives in pagewindows/, the
// address boxes' suggestions in addressbox/, bookmarks in bookmarks/.
#pragma once

#include "windowset/skin_files.h"
#include "browser/text_pane.h"
#include "windowset/window_set.h"
#include "platform/web_engine.h"

#include <QByteArray>
#include <QWidget>

#include <functional>
#include <memory>

class FindBar;
class QLineEdit;
class MainWindowLink;
class PageWindows;
class PageZoom;
class TPictureButton;
namespace platform {
class SiteZoom;
}

// The toolbar controls come in sets that the interface modes show and hide
// together: the plain buttons with their address box, the banner, the
// skinned buttons, the Refresh picture and the second address box.
enum class ToolbarSet { Plain, Banner, Skinned, Refresh, SecondAddress };

namespace Ui {
class TForm1;
}

// The browser window: hosts the web engine, a text pane in the same place,
// and the two toolbars that the main window's interface mode switches. It
// starts no navigation of its own: its toolbars run the main window's
// commands, and it reports the engine's progress and completed downloads
// back to the main window.
class TForm1 : public QWidget {
    Q_OBJECT
public:
    explicit TForm1(WindowSet &forms);
    ~TForm1() override;

    WebEngine &WebBrowser1() { return *m_engine; }
    // Logins, certificate warnings, popups, downloads and full screen.
    PageWindows &pageWindows() { return *m_pageWindows; }

    // The last completed page's name, in the single-byte code page.
    QByteArray PageTitle;

    // Told the engine's address each time a download completes.
    std::function<void(const QString &address)> OnPageCompleted;

    // The engine's events.
    void WebBrowser1ProgressChange(int Progress, int ProgressMax);
    void WebBrowser1DownloadComplete();

    // Enter (key code 13) in either address box opens its text through Go.
    void ComboBox1KeyDown(int key);
    void ComboBox2KeyDown(int key);

    // Saves the page shown as a bookmark, which the suggestions then offer.
    void saveBookmarkOfPage();

    // The toolbar commands.
    void Button1Click();
    void Button3Click();
    void Button2Click();
    void rewClick();
    void stopClick();
    void forwClick();
    void Image2Click();

    void FormShow();
    void FormResize();
    void FormCloseQuery();

    // Sends the text pane back behind the engine (it keeps its text), so a
    // page being opened is what the user sees.
    void showPageArea();

    void showToolbarSet(ToolbarSet set, bool shown);

    // The text pane, which shows a fetched page source. A new response
    // starts afresh; each chunk adds only what is new; then the pane comes
    // in front of the page, and the window in front of the others with an
    // empty caption.
    void startPaneText();
    void showInPane(const QByteArray &bodySoFar);
    void bringPaneForward();
    // The pane's text as the save dialog writes it, and as its plain bytes.
    QByteArray paneFileBytes() const;
    QByteArray paneTextBytes() const;

    // The find bar, the zoom and the keys of the window.
    FindBar &findBar() { return *m_findBar; }
    // The widget that hosts the engine's view; the engine hands it the keys
    // its page did not take.
    QWidget *pageArea() const;
    // The address box the toolbar shows (the plain toolbar's or the second
    // one), or nullptr when neither shows.
    QLineEdit *shownAddressBox() const;
    // The text fields that get the program's keys before they handle them
    // (Ctrl+D would delete a character there, not keep a bookmark).
    QList<QWidget *> programKeyFields() const;
    PageZoom &pageZoom() { return *m_zoom; }

signals:
    // The program or the user hid the window (not a minimise).
    void hidden();

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void connectToolbar();
    void connectPictureButton(TPictureButton *button, const skin::ButtonLooks &looks, void (TForm1::*click)());
    QList<QWidget *> toolbarSet(ToolbarSet set) const;
    QList<QWidget *> toolbarControls() const;
    void layoutPageArea();
    // The caption shows, after its own text, the page's blocked requests
    // while there are any; nothing else is ever added to it.
    void showBlockedInCaption();
    // A changed zoom level is told in a short note over the page; the
    // caption stays the page's own.
    void showZoomNote();
    MainWindowLink &mainWindow() { return *m_forms.Form2; }

    WindowSet &m_forms;
    std::unique_ptr<WebEngine> m_engine;
    PageWindows *m_pageWindows = nullptr;
    std::unique_ptr<platform::SiteZoom> m_siteZoom;
    std::unique_ptr<PageZoom> m_zoom;
    // What showBlockedInCaption added, so the next count replaces it.
    QString m_blockedSuffix;
    FindBar *m_findBar = nullptr;
    textpane::GrowingText m_paneText;

    // The window's controls: only its own code touches them.
    friend struct WindowParts;
    std::unique_ptr<Ui::TForm1> ui;
};
