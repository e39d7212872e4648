// Page windows folder: what a page asks of the user beyond its own area.
// PageWindows (this file, start here) answers the engine's requests with
// the login and certificate dialogs, the downloads window, the popup window
// and full screen; the find bar and the page zoom act on the page shown.
#pragma once

#include "pagewindows/popup_window.h"
#include "platform/web_engine.h"

#include <QObject>
#include <QPointer>

#include <memory>

class DownloadsWindow;
class QWidget;

// What a page on the real web asks of the browser window beyond showing
// itself: logins, certificate warnings, permission questions, full screen,
// popups and downloads. It owns the windows these need.
class PageWindows : public QObject {
    Q_OBJECT
public:
    // `pageArea` is where the engine's view lives when not in full screen.
    PageWindows(QWidget &browser, QWidget &pageArea, WebEngine &engine);
    ~PageWindows() override;

    DownloadsWindow &downloads();

    // Asked before the program closes: running downloads are ended only
    // when the user agrees. True when the close may go on.
    bool mayClose();

    // The window the page fills while in full screen, or nullptr.
    QWidget *fullScreenWindow() const { return m_fullScreen.get(); }
    // Ends full screen as the page's own exit would.
    void leaveFullScreen();

private:
    void installDialogs(WebEngine &engine);
    void fullScreen(bool on);
    void openPopup(std::unique_ptr<WebEngine> popup);

    QWidget &m_browser;
    QWidget &m_pageArea;
    WebEngine &m_engine;
    std::unique_ptr<DownloadsWindow> m_downloads;
    QPointer<PopupWindow> m_popup;
    std::unique_ptr<QWidget> m_fullScreen;
};
