#include "platform/web_engine.h"

#include "platform/download.h"
#include "platform/engine_profile.h"
#include "platform/external_schemes.h"

#include <QAuthenticator>
#include <QChildEvent>
#include <QEvent>
#include <QLabel>
#include <QPageLayout>
#include <QPageSize>
#include <QPointer>
#include <QTimer>
#include <QUrl>
#include <QWebEngineCertificateError>
#include <QWebEngineDownloadRequest>
#include <QWebEngineFindTextResult>
#include <QWebEngineFullScreenRequest>
#include <QWebEngineHistory>
#include <QWebEngineNewWindowRequest>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <QWebEngineSettings>
#include <QWebEngineView>
#include <QWheelEvent>

#include <csignal>
#include <sys/types.h>

namespace platform {
namespace {

// What the engine says when a navigation command has nowhere to go; the
// error handler knows the condition by its type, not by this text.
const QString kUnspecifiedFailure = QStringLiteral("Unspecified error");

// What the page area shows once the page's renderer has died.
const QString kStoppedText = QStringLiteral("The page stopped working.\n\nChoose Refresh to load it again.");

// The longest address the engine opens; it shows a blank page for a longer
// one, so such an address is refused before it is counted or recorded.
constexpr qsizetype kLongestAddress = 2 * 1024 * 1024;

// A command to a renderer that does not answer this soon is taken to be
// stuck in a script: the renderer is ended so the command can go through.
constexpr int kRendererAnswerMs = 2000;

QString featureName(QWebEnginePage::Feature feature)
{
    switch (feature) {
    case QWebEnginePage::Notifications:
        return QStringLiteral("show notifications");
    case QWebEnginePage::Geolocation:
        return QStringLiteral("know your location");
    case QWebEnginePage::MediaAudioCapture:
        return QStringLiteral("use your microphone");
    case QWebEnginePage::MediaVideoCapture:
        return QStringLiteral("use your camera");
    case QWebEnginePage::MediaAudioVideoCapture:
        return QStringLiteral("use your camera and microphone");
    case QWebEnginePage::MouseLock:
        return QStringLiteral("hide and lock the mouse pointer");
    case QWebEnginePage::DesktopVideoCapture:
        return QStringLiteral("see your screen");
    case QWebEnginePage::DesktopAudioVideoCapture:
        return QStringLiteral("see and hear your screen");
    }
    return QStringLiteral("use feature %1").arg(int(feature));
}

// The engine on Qt's web view. Qt reports a load as started, percent
// progress and finished (successfully, stopped or failed alike); the
// browser window expects position-of-maximum reports, a completion, and a
// final report of 0 of 0.
class QtWebEngine : public WebEngine {
public:
    enum class Kind { Main, Popup };

    QtWebEngine(QWidget *parent, Kind kind) : m_kind(kind), m_view(new QWebEngineView(parent))
    {
        // The page belongs to the view and goes with it, before the profile.
        m_view->setPage(new EnginePage(engineProfile(), m_view));
        QWebEnginePage *page = m_view->page();
        // Full screen is off unless asked for; the page then asks the window.
        page->settings()->setAttribute(QWebEngineSettings::FullScreenSupportEnabled, true);

        connect(m_view, &QWebEngineView::loadStarted, this, [this] {
            m_loading = true;
            progress(0, 100);
        });
        connect(m_view, &QWebEngineView::loadProgress, this, [this](int percent) {
            // The 100 of a finished load is followed by the completion; a
            // report of it here would only repeat the last step.
            if (percent < 100)
                progress(percent, 100);
        });
        connect(m_view, &QWebEngineView::loadFinished, this, [this](bool) {
            m_loading = false;
            progress(100, 100);
            if (OnDownloadComplete)
                OnDownloadComplete();
            progress(0, 0);
        });
        connect(m_view, &QWebEngineView::titleChanged, this, &WebEngine::titleChanged);
        connect(page, &QWebEnginePage::windowCloseRequested, this, &WebEngine::closeRequested);

        connect(page, &QWebEnginePage::authenticationRequired, this,
                [this](const QUrl &url, QAuthenticator *authenticator) { login(url.host(), authenticator, false); });
        connect(page, &QWebEnginePage::proxyAuthenticationRequired, this,
                [this](const QUrl &, QAuthenticator *authenticator, const QString &proxyHost) {
                    login(proxyHost, authenticator, true);
                });
        connect(page, &QWebEnginePage::certificateError, this, &QtWebEngine::certificateError);
        connect(page, &QWebEnginePage::featurePermissionRequested, this, &QtWebEngine::permissionRequested);
        connect(page, &QWebEnginePage::fullScreenRequested, this, &QtWebEngine::fullScreenRequested);
        connect(page, &QWebEnginePage::newWindowRequested, this, &QtWebEngine::newWindowRequested);
        connect(page, &QWebEnginePage::renderProcessTerminated, this, &QtWebEngine::rendererEnded);
        connect(page, &QWebEnginePage::loadStarted, this, [this] { showStopped(false); });

        // Downloads are the profile's; the browser window's engine takes them.
        if (m_kind == Kind::Main)
            connect(engineProfile(), &QWebEngineProfile::downloadRequested, this, &QtWebEngine::downloadRequested);

        m_stopped = new QLabel(kStoppedText, m_view);
        m_stopped->setObjectName(QStringLiteral("PageStoppedMessage"));
        m_stopped->setAlignment(Qt::AlignCenter);
        m_stopped->setWordWrap(true);
        m_stopped->setAutoFillBackground(true);
        m_stopped->hide();

        connect(m_view, &QWebEngineView::urlChanged, this, [this](const QUrl &) {
            if (OnUrlChanged)
                OnUrlChanged();
        });
        connect(m_view, &QWebEngineView::pdfPrintingFinished, this, [this](const QString &path, bool ok) {
            // One print at a time is asked for; a finish for another path is
            // none of ours.
            if (path != m_pdfPath || !m_pdfDone)
                return;
            auto done = std::exchange(m_pdfDone, nullptr);
            m_pdfPath.clear();
            done(ok);
        });
        // The page's input arrives at a child widget that the view creates
        // (and may replace) when it first renders: watch every child.
        for (QObject *child : m_view->children())
            child->installEventFilter(this);
        m_view->installEventFilter(this);
    }

    ~QtWebEngine() override
    {
        // A popup's view has no parent widget to take it.
        if (m_kind == Kind::Popup && m_view && !m_view->parent())
            delete m_view;
    }

    QWidget *widget() override { return m_view; }
    QWebEnginePage *page() const { return m_view->page(); }

    void Navigate(const QString &url) override
    {
        const QUrl target = toUrl(url);
        if (target.toEncoded().size() > kLongestAddress)
            throw Exception(QStringLiteral("The address is longer than the %1 characters a page address may have; "
                                           "it was not opened")
                                .arg(kLongestAddress));
        command([this, target] { m_view->load(target); });
    }

    void GoBack() override
    {
        if (!m_view->history()->canGoBack())
            throw EEngineNowhereToGo(kUnspecifiedFailure);
        command([this] { m_view->back(); });
    }

    void GoForward() override
    {
        if (!m_view->history()->canGoForward())
            throw EEngineNowhereToGo(kUnspecifiedFailure);
        command([this] { m_view->forward(); });
    }

    void Stop() override
    {
        // A stop has nothing to repeat: a stuck renderer ended for it leaves
        // the page area saying the page stopped working.
        command([this] { m_view->stop(); }, false);
    }

    void Refresh() override
    {
        if (m_stoppedWorking && m_view->url().isEmpty() && m_lastUrl.isValid()) {
            command([this] { m_view->load(m_lastUrl); });
            return;
        }
        command([this] { m_view->reload(); });
    }

    // Encoded: decoding "%E6%97%A5" gives characters that the single-byte
    // address box and bookmark files turn into '?', another address.
    QString LocationURL() const override { return m_view->url().toString(QUrl::FullyEncoded); }

    void findText(const QString &text, bool backward, bool caseSensitive,
                  std::function<void(FindResult)> done) override
    {
        QWebEnginePage::FindFlags flags;
        if (backward)
            flags |= QWebEnginePage::FindBackward;
        if (caseSensitive)
            flags |= QWebEnginePage::FindCaseSensitively;
        if (text.isEmpty()) {
            m_view->findText(QString());
            return;
        }
        m_view->findText(text, flags, [done = std::move(done)](const QWebEngineFindTextResult &result) {
            if (done)
                done(FindResult{result.activeMatch(), result.numberOfMatches()});
        });
    }

    bool isLoading() const override { return m_loading; }
    qreal zoomFactor() const override { return m_view->zoomFactor(); }
    void setZoomFactor(qreal factor) override { m_view->setZoomFactor(factor); }

    void printToPdf(const QString &path, std::function<void(bool)> done) override
    {
        // A second request while one runs: the engine would drop one of
        // them silently, so the newer is refused at once.
        if (m_pdfDone) {
            done(false);
            return;
        }
        m_pdfPath = path;
        m_pdfDone = std::move(done);
        m_view->printToPdf(path, QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF()));
    }

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == m_view && event->type() == QEvent::Resize)
            m_stopped->setGeometry(m_view->rect());
        else if (watched == m_view && event->type() == QEvent::ChildAdded)
            static_cast<QChildEvent *>(event)->child()->installEventFilter(this);
        else if (watched != m_view && event->type() == QEvent::Wheel) {
            const auto *wheel = static_cast<QWheelEvent *>(event);
            if (wheel->modifiers() & Qt::ControlModifier) {
                // One notch is 120; touch pads send less per event and add up.
                m_wheelRest += wheel->angleDelta().y();
                const int steps = m_wheelRest / 120;
                m_wheelRest -= steps * 120;
                if (steps != 0 && OnZoomWheel)
                    OnZoomWheel(steps);
                return true;
            }
        }
        return WebEngine::eventFilter(watched, event);
    }

    QString LocationName() const override
    {
        // For a page without a title Qt gives its address instead (without
        // the scheme); the page's name is then empty.
        const QString title = m_view->title();
        const QUrl url = m_view->url();
        const QString withoutScheme = url.toString(QUrl::RemoveScheme);
        if (title == url.toString() || title == withoutScheme
            || (withoutScheme.startsWith(QLatin1String("//")) && title == withoutScheme.mid(2)))
            return QString();
        return title;
    }

    void ExitFullScreen() override { page()->triggerAction(QWebEnginePage::ExitFullScreen); }
    bool pageStoppedWorking() const override { return m_stoppedWorking; }


private:
    // Typed text is taken as the user would mean it in any browser: an
    // address with a scheme as it stands, "host/path" as a web address.
    // Text that names nothing still goes to the engine, which shows its
    // error page for it.
    static QUrl toUrl(const QString &text)
    {
        const QUrl direct(text, QUrl::TolerantMode);
        if (direct.isValid() && !direct.scheme().isEmpty() && !direct.host().isEmpty())
            return direct;
        if (direct.isValid() && (direct.scheme() == QLatin1String("about") || direct.scheme() == QLatin1String("data")
                                 || direct.scheme() == QLatin1String("file")))
            return direct;
        const QUrl guessed = QUrl::fromUserInput(text);
        return guessed.isValid() ? guessed : direct;
    }

    void progress(int position, int maximum)
    {
        if (OnProgressChange)
            OnProgressChange(position, maximum);
    }

    // Runs a navigation command. A page whose script never ends holds its
    // renderer, and every later command for that renderer (the same site)
    // waits behind it. So the renderer is asked a trivial question; when no
    // answer comes in time it is ended, and the command is given again
    // (when `repeat`) to a fresh one.
    void command(std::function<void()> run, bool repeat = true)
    {
        emit pageLeft();
        run();
        const qint64 pid = page()->renderProcessPid();
        if (pid <= 0 || m_stoppedWorking)
            return;
        const int generation = ++m_probe;
        auto answered = std::make_shared<bool>(false);
        page()->runJavaScript(QStringLiteral("0"), QWebEngineScript::ApplicationWorld,
                              [answered](const QVariant &) { *answered = true; });
        QTimer::singleShot(kRendererAnswerMs, this, [this, generation, answered, pid, run, repeat] {
            if (*answered || generation != m_probe || page()->renderProcessPid() != pid)
                return;
            if (repeat)
                m_afterKill = run;
            ::kill(pid_t(pid), SIGKILL);
        });
    }

    void rendererEnded(QWebEnginePage::RenderProcessTerminationStatus status, int)
    {
        if (status == QWebEnginePage::NormalTerminationStatus)
            return;
        if (m_view->url().isValid() && !m_view->url().isEmpty())
            m_lastUrl = m_view->url();
        if (auto again = std::exchange(m_afterKill, nullptr)) {
            // Ended by us for a command: give the command to a new renderer.
            again();
            return;
        }
        showStopped(true);
        // A load in progress ends here: the caption and the gauge say so.
        m_loading = false;
        progress(0, 0);
    }

    void showStopped(bool on)
    {
        m_stoppedWorking = on;
        m_stopped->setGeometry(m_view->rect());
        m_stopped->setVisible(on);
        if (on)
            m_stopped->raise();
    }

    void login(const QString &host, QAuthenticator *authenticator, bool proxy)
    {
        std::optional<Login> answer;
        if (OnLoginRequired) {
            const LoginRequest request{host, authenticator->realm(), proxy};
            answer = OnLoginRequired(request);
        }
        if (answer) {
            authenticator->setUser(answer->user);
            authenticator->setPassword(answer->password);
        } else {
            // A null authenticator is the engine's "cancel": it shows the
            // server's own reply instead of asking again.
            *authenticator = QAuthenticator();
        }
    }

    void certificateError(QWebEngineCertificateError error)
    {
        if (!OnCertificateError) {
            error.rejectCertificate();
            return;
        }
        error.defer();
        const CertificateProblem problem{error.url().host(), error.description(), error.isOverridable()};
        // The answer may come long after; an error nobody answers is
        // refused when its last copy goes.
        auto pending = std::make_shared<QWebEngineCertificateError>(error);
        OnCertificateError(problem, [pending](bool proceed) {
            if (proceed && pending->isOverridable())
                pending->acceptCertificate();
            else
                pending->rejectCertificate();
        });
    }

    void permissionRequested(const QUrl &origin, QWebEnginePage::Feature feature)
    {
        const QString site = origin.toString(QUrl::RemovePath | QUrl::StripTrailingSlash);
        const QString name = featureName(feature);
        int answer = PermissionAnswers::answer(site, name);
        if (answer < 0) {
            const bool allowed = OnPermissionRequest && OnPermissionRequest(site, name);
            PermissionAnswers::remember(site, name, allowed);
            answer = allowed;
        }
        page()->setFeaturePermission(origin, feature,
                                     answer ? QWebEnginePage::PermissionGrantedByUser
                                            : QWebEnginePage::PermissionDeniedByUser);
    }

    void fullScreenRequested(QWebEngineFullScreenRequest request)
    {
        request.accept();
        if (OnFullScreen)
            OnFullScreen(request.toggleOn());
    }

    void newWindowRequested(QWebEngineNewWindowRequest &request)
    {
        if (request.destination() == QWebEngineNewWindowRequest::InNewDialog) {
            // Only the browser window's page opens popups, so a popup that
            // opens popups cannot multiply them.
            if (m_kind != Kind::Main || !OnPopup)
                return;
            auto popup = std::make_unique<QtWebEngine>(nullptr, Kind::Popup);
            request.openIn(popup->page());
            OnPopup(std::move(popup));
            return;
        }
        // New tabs and windows load here, as a link followed in the page.
        const QUrl url = request.requestedUrl();
        if (url.isValid())
            command([this, url] { m_view->load(url); });
    }

    void downloadRequested(QWebEngineDownloadRequest *request)
    {
        if (request->state() != QWebEngineDownloadRequest::DownloadRequested)
            return;
        auto *download = new Download(request);
        if (OnDownload)
            OnDownload(download);
        // Whoever did not take it has refused it.
        if (download->state() == Download::State::Asking)
            download->cancel();
    }

    Kind m_kind;
    QPointer<QWebEngineView> m_view;
    QLabel *m_stopped = nullptr;
    bool m_stoppedWorking = false;
    QUrl m_lastUrl;
    int m_probe = 0;
    std::function<void()> m_afterKill;
    QString m_pdfPath;
    std::function<void(bool)> m_pdfDone;
    int m_wheelRest = 0;
    bool m_loading = false;
};

} // namespace

std::unique_ptr<WebEngine> createWebEngine(QWidget *parent)
{
    return std::make_unique<QtWebEngine>(parent, QtWebEngine::Kind::Main);
}

} // namespace platform
