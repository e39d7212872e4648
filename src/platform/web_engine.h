#pragma once

// The platform folder: what the program needs of the page engine and the
// desktop. Start here: WebEngine is the page area as the browser window
// drives it, and web_engine.cpp builds it on Qt WebEngine. Beside it:
// the engine's profile and its stores (engine_profile, site_zoom), what a
// page may load (local_pages, request_filter), what a page asks of its user
// (engine_page, page_question, script_questions) and saves (download), the
// guard for a page that stops answering (busy_page), the switches set
// before start-up (engine_environment) and the desktop's "open" (shell,
// external_schemes). Window-system details live in empty_caption and
// palette_stacking.

#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

class QWidget;
namespace platform {
class Download;
}

// The page engine as the browser window uses it: the operations, properties
// and events below and nothing more. Operations that fail throw an
// Exception with the engine's text; Back with no earlier page and Forward
// with no later one throw EEngineNowhereToGo.
class WebEngine : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    ~WebEngine() override = default;

    virtual QWidget *widget() = 0;

    virtual void Navigate(const QString &url) = 0;
    virtual void GoBack() = 0;
    virtual void GoForward() = 0;
    virtual void Stop() = 0;
    virtual void Refresh() = 0;

    virtual QString LocationURL() const = 0;
    virtual QString LocationName() const = 0;

    // Raised repeatedly while a page loads (position, maximum), then once
    // with 0 of 0 when the load has ended.
    std::function<void(int progress, int progressMax)> OnProgressChange;
    // Raised when a download has finished, stopped or failed.
    std::function<void()> OnDownloadComplete;

    // ---- Find in page, zoom and print to PDF ----
    // None of these throws: their results arrive through the callbacks, since
    // the engine answers them asynchronously.

    struct FindResult {
        int activeMatch = 0; // 1-based; 0 when nothing matched
        int numberOfMatches = 0;
    };
    // Highlights every match of `text` and moves to the next one (the
    // previous one when `backward`); a new text starts from the top. An empty
    // text clears the highlight and reports nothing.
    virtual void findText(const QString &text, bool backward, bool caseSensitive,
                          std::function<void(FindResult)> done) = 0;

    // Whether a page is loading (from its start to its finish, stop or failure).
    virtual bool isLoading() const = 0;

    // The page's zoom as a factor (1.0 is 100%); the engine takes 0.25..5.0.
    virtual qreal zoomFactor() const = 0;
    virtual void setZoomFactor(qreal factor) = 0;

    // Writes the page as a PDF file at `path`; `done` says whether the file
    // was written.
    virtual void printToPdf(const QString &path, std::function<void(bool written)> done) = 0;

    // Ctrl + mouse wheel over the page: +1 per notch away from the user,
    // -1 per notch towards. The engine itself does not zoom for it.
    std::function<void(int steps)> OnZoomWheel;
    // The address of the page shown changed (a new page, a link, back).
    std::function<void()> OnUrlChanged;

    // ---- What a page asks of its browser --------------------------------
    // Logins, certificates, permissions, full screen, popups, downloads. Each
    // hook is set by the window that hosts the engine; a hook left unset
    // refuses what it is asked (no login, no certificate override, no
    // permission, no popup, downloads cancelled).

    struct LoginRequest {
        QString host;
        QString realm;
        bool proxy = false;
    };
    struct Login {
        QString user;
        QString password;
    };
    // HTTP or proxy authentication; runs modally. Nothing (cancel) lets the
    // server's own 401 page show.
    std::function<std::optional<Login>(const LoginRequest &)> OnLoginRequired;

    struct CertificateProblem {
        QString host;
        QString description;
        bool overridable = false;
    };
    // A certificate error. Nothing loads until `answer` is called (true:
    // proceed for this run); `pageLeft` tells that nobody needs the answer.
    std::function<void(const CertificateProblem &, std::function<void(bool proceed)> answer)> OnCertificateError;

    // A site asks for a feature (its origin and the feature's name, as in
    // "wants to <feature>"). Asked once per site and feature: the answer is
    // kept in the engine's folder and given again without asking.
    std::function<bool(const QString &origin, const QString &feature)> OnPermissionRequest;

    // The page enters (true) or leaves (false) full screen.
    std::function<void(bool on)> OnFullScreen;
    virtual void ExitFullScreen() = 0;

    // A script opened a popup (a sized window): its own engine, owned by the
    // receiver. Links to new tabs or windows load in this engine instead.
    std::function<void(std::unique_ptr<WebEngine> popup)> OnPopup;

    // The page started a download; the receiver accepts it (with a path) or
    // cancels it before returning. The download object lives until exit.
    std::function<void(platform::Download *download)> OnDownload;

    // Whether the renderer of the page has died (crash or kill) and the
    // page area shows that instead of the page.
    virtual bool pageStoppedWorking() const = 0;

    // ---- The page's questions -------------------------------------------
    // A page waiting for the user's answer (a script's alert, a leave-page
    // question, a login, a file chooser...) cannot answer anything else: it
    // is not stuck, and it is never ended for it. Whoever shows a question
    // of this page counts it open for as long as it is shown.
    void questionOpened();
    void questionClosed();
    int openQuestions() const { return m_openQuestions; }

signals:
    // A new navigation started: dialogs about the previous page close.
    void pageLeft();
    // The page's title changed (popup windows show it as their caption).
    void titleChanged(const QString &title);
    // The page asked to close its window (window.close()).
    void closeRequested();
    // The first question of the page opened, the last open one closed.
    void askingUser();
    void questionsAnswered();

private:
    int m_openQuestions = 0;
};

// Back or Forward with nowhere to go. Its own class, so that the error handler
// can tell it from every other engine failure whatever text it carries.
#include "toolkit/core/exceptions.h"
class EEngineNowhereToGo : public Exception {
public:
    using Exception::Exception;
};

namespace platform {
// A WebEngine built on Qt WebEngine, its view hosted in `parent`.
std::unique_ptr<WebEngine> createWebEngine(QWidget *parent);
} // namespace platform
