#include "platform/web_engine.h"

#include "platform/busy_page.h"
#include "platform/download.h"
#include "platform/engine_profile.h"
#include "platform/engine_page.h"
#include "platform/page_question.h"
#include "platform/script_questions.h"

#include <QAuthenticator>
#include <QChildEvent>
#include <QEvent>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QMessageBox>
#include <QPageLayout>
#include <QPageSize>
#include <QPointer>
#include <QPushButton>
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

// A window a script opened shows once it goes somewhere: an empty or blank
// address is the script still writing it.
bool isRealAddress(const QUrl &url)
{
    return url.isValid() && !url.isEmpty() && url.toString() != QLatin1String("about:blank");
}

// A free name in `folder` for `name`: "name (2).ext" and so on when taken.
QString freePath(const QString &folder, const QString &name)
{
    const QDir dir(folder);
    const QFileInfo info(name);
    QString candidate = dir.filePath(name);
    for (int n = 2; QFileInfo::exists(candidate) || QFileInfo::exists(candidate + QStringLiteral(".part")); ++n) {
        const QString suffix = info.completeSuffix().isEmpty() ? QString() : QLatin1Char('.') + info.completeSuffix();
        candidate = dir.filePath(QStringLiteral("%1 (%2)%3").arg(info.baseName()).arg(n).arg(suffix));
    }
    return candidate;
}

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
        auto *first = new EnginePage(engineProfile(), m_view);
        m_view->setPage(first);
        m_questions = new ScriptQuestions(*this);
        m_guard = new BusyPageGuard(
            *this,
            [this](std::function<void()> answered) {
                page()->runJavaScript(QStringLiteral("0"), QWebEngineScript::ApplicationWorld,
                                      [answered](const QVariant &) { answered(); });
            },
            [this] {
                if (const qint64 pid = page()->renderProcessPid(); pid > 0)
                    ::kill(pid_t(pid), SIGKILL);
            });
        attach(first);

        connect(m_view, &QWebEngineView::loadStarted, this, [this] {
            m_loading = true;
            m_questions->newPage();
            progress(0, 100);
        });
        connect(m_view, &QWebEngineView::loadProgress, this, [this](int percent) {
            // The 100 of a finished load is followed by the completion; a
            // report of it here would only repeat the last step.
            if (percent < 100)
                progress(percent, 100);
        });
        connect(m_view, &QWebEngineView::loadFinished, this, [this](bool ok) {
            // Only a page that came in shows its renderer answering: an
            // abandoned load ends without it.
            if (ok)
                m_guard->pageLoaded();
            m_loading = false;
            progress(100, 100);
            if (OnDownloadComplete)
                OnDownloadComplete();
            progress(0, 0);
        });
        connect(m_view, &QWebEngineView::titleChanged, this, &WebEngine::titleChanged);

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
            // Another page: its downloads are counted afresh. (A download
            // never changes the address.)
            m_unaskedDownloads = 0;
            m_downloadsAnswer = -1;
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
        m_pendingPopup.reset();
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
        m_opened = target;
        command([this, target] { m_view->load(target); });
    }

    void GoBack() override
    {
        if (!m_view->history()->canGoBack()) {
            // A window a script opened took the opener's place: Back
            // returns to the opener, as closing a new tab would.
            if (!m_opener)
                throw EEngineNowhereToGo(kUnspecifiedFailure);
            emit pageLeft();
            QWebEnginePage *opened = page();
            show(std::exchange(m_opener, nullptr));
            dropPage(opened);
            return;
        }
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
        else if (watched != m_view
                 && (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::KeyPress)) {
            userActed();
        } else if (watched != m_view && event->type() == QEvent::Wheel) {
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

    // Runs a navigation command: every question of the page is answered
    // Cancel by it (the user has moved on), and the guard sees it through
    // to a renderer that answers. `repeat`: the command is given again to a
    // fresh renderer when the old one had to be ended for it.
    void command(std::function<void()> run, bool repeat = true)
    {
        m_questions->userActed();
        const bool pastQuestion = openQuestions() > 0;
        emit pageLeft();
        dropPendingWindows();
        run();
        if (page()->renderProcessPid() <= 0 || m_stoppedWorking)
            return;
        m_guard->commandGiven(repeat ? run : std::function<void()>(), pastQuestion);
    }

    void userActed()
    {
        m_questions->userActed();
        m_userActed = true;
        m_userActedSinceWindow = true;
    }

    ScriptAnswer scriptQuestion(const ScriptQuestion &question)
    {
        // A page that asks again while the user leaves it past its last
        // question (an alert loop) would hold the user for ever.
        if (question.kind != ScriptQuestion::Kind::LeavePage && m_guard->endPageHoldingUser())
            return {};
        return m_questions->ask(question);
    }

    // Every page this engine shows or holds: its requests come here, but
    // only the one shown acts on the window.
    void attach(QWebEnginePage *page)
    {
        // Full screen is off unless asked for; the page then asks the window.
        page->settings()->setAttribute(QWebEngineSettings::FullScreenSupportEnabled, true);
        if (auto *ours = dynamic_cast<EnginePage *>(page)) {
            ours->onQuestion = [this, page](const ScriptQuestion &question) {
                return page == this->page() ? scriptQuestion(question) : ScriptAnswer();
            };
            ours->onChooseFiles = [this, page](QWebEnginePage::FileSelectionMode mode, const QStringList &old,
                                               const QStringList &) {
                return page == this->page() ? m_questions->chooseFiles(mode, old) : QStringList();
            };
        }
        const auto shown = [this, page] { return page == this->page(); };
        connect(page, &QWebEnginePage::windowCloseRequested, this, [this, shown] {
            if (shown())
                emit closeRequested();
        });
        connect(page, &QWebEnginePage::authenticationRequired, this,
                [this, shown](const QUrl &url, QAuthenticator *authenticator) {
                    if (shown())
                        login(url.host(), authenticator, false);
                    else
                        *authenticator = QAuthenticator();
                });
        connect(page, &QWebEnginePage::proxyAuthenticationRequired, this,
                [this, shown](const QUrl &, QAuthenticator *authenticator, const QString &proxyHost) {
                    if (shown())
                        login(proxyHost, authenticator, true);
                    else
                        *authenticator = QAuthenticator();
                });
        connect(page, &QWebEnginePage::certificateError, this, [this, shown](QWebEngineCertificateError error) {
            if (shown())
                certificateError(error);
            else
                error.rejectCertificate();
        });
        connect(page, &QWebEnginePage::featurePermissionRequested, this,
                [this, page, shown](const QUrl &origin, QWebEnginePage::Feature feature) {
                    if (shown())
                        permissionRequested(origin, feature);
                    else
                        page->setFeaturePermission(origin, feature, QWebEnginePage::PermissionDeniedByUser);
                });
        connect(page, &QWebEnginePage::fullScreenRequested, this, [this, shown](QWebEngineFullScreenRequest request) {
            if (shown())
                fullScreenRequested(request);
            else
                request.reject();
        });
        connect(page, &QWebEnginePage::newWindowRequested, this, [this, shown](QWebEngineNewWindowRequest &request) {
            if (shown())
                newWindowRequested(request);
        });
        connect(page, &QWebEnginePage::renderProcessTerminated, this,
                [this, shown](QWebEnginePage::RenderProcessTerminationStatus status, int code) {
                    if (shown())
                        rendererEnded(status, code);
                });
        connect(page, &QWebEnginePage::loadStarted, this, [this, shown] {
            if (shown())
                showStopped(false);
        });
    }

    // Puts `page` in the view; the caption and the address box follow as
    // for a load that has just ended (it may still be loading: the view's
    // own reports follow).
    void show(QWebEnginePage *page)
    {
        page->setParent(m_view);
        m_view->setPage(page);
        showStopped(false);
        progress(100, 100);
        if (OnDownloadComplete)
            OnDownloadComplete();
        progress(0, 0);
        if (OnUrlChanged)
            OnUrlChanged();
        emit titleChanged(page->title());
    }

    // A page may go only once none of its questions waits on the stack.
    void dropPage(QWebEnginePage *page)
    {
        if (!page)
            return;
        page->setParent(this);
        if (openQuestions() == 0) {
            page->deleteLater();
            return;
        }
        auto once = std::make_shared<QMetaObject::Connection>();
        *once = connect(this, &WebEngine::questionsAnswered, page, [page, once] {
            QObject::disconnect(*once);
            page->deleteLater();
        });
    }

    // Windows opened by a script that have gone nowhere yet go with the
    // page that opened them, or when a newer one takes their place.
    void dropPendingWindows()
    {
        dropPage(std::exchange(m_pendingWindow, nullptr));
        if (m_pendingPopup)
            m_pendingPopup.release()->deleteLater();
    }

    void rendererEnded(QWebEnginePage::RenderProcessTerminationStatus status, int)
    {
        if (status == QWebEnginePage::NormalTerminationStatus)
            return;
        if (m_view->url().isValid() && !m_view->url().isEmpty())
            m_lastUrl = m_view->url();
        if (auto again = m_guard->takeRepeat()) {
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

    // A window a script opens is a real page from the start, so the script
    // can write to it and send it somewhere (w.location = ...). Nothing is
    // shown until it goes to a real address: a popup then gets its window,
    // a tab or window takes the place of the page here (Back returns to
    // it). One that turns into a download only starts the download. One
    // waits at a time: a newer popup takes the older one's place; a newer
    // tab or window does only after the user has done something, and is
    // refused before (a page opening them in a loop gets one).
    void newWindowRequested(QWebEngineNewWindowRequest &request)
    {
        if (request.destination() == QWebEngineNewWindowRequest::InNewDialog) {
            // Only the browser window's page opens popups, so a popup that
            // opens popups cannot multiply them.
            if (m_kind != Kind::Main || !OnPopup)
                return;
            dropPendingWindows();
            m_pendingPopup = std::make_unique<QtWebEngine>(nullptr, Kind::Popup);
            QtWebEngine *popup = m_pendingPopup.get();
            request.openIn(popup->page());
            connect(popup->m_view, &QWebEngineView::urlChanged, this, [this, popup](const QUrl &url) {
                if (isRealAddress(url) && m_pendingPopup.get() == popup && OnPopup)
                    OnPopup(std::move(m_pendingPopup));
            });
            return;
        }
        if (m_kind != Kind::Main) {
            // A popup's new tabs load in the popup, as links followed there.
            const QUrl url = request.requestedUrl();
            if (isRealAddress(url))
                command([this, url] { m_view->load(url); });
            return;
        }
        if (m_pendingWindow && !std::exchange(m_userActedSinceWindow, false))
            return;
        dropPendingWindows();
        m_userActedSinceWindow = false;
        auto *opened = new EnginePage(engineProfile(), this);
        attach(opened);
        m_pendingWindow = opened;
        request.openIn(opened);
        // Shown once its page has loaded: a navigation that turns into a
        // download changes the address on the way but never loads.
        connect(opened, &QWebEnginePage::loadFinished, this, [this, opened](bool ok) {
            if (!ok || !isRealAddress(opened->url()) || m_pendingWindow != opened)
                return;
            m_pendingWindow = nullptr;
            emit pageLeft();
            dropPage(std::exchange(m_opener, page()));
            show(opened);
        });
    }

    // A page gets one download for each thing the user does (a click or a
    // key on it, or opening the file's address). A second one without the user is asked about once
    // for the page: Block (the default) refuses it and every later one,
    // Allow saves them in the download folder without a dialog each.
    void downloadRequested(QWebEngineDownloadRequest *request)
    {
        if (request->state() != QWebEngineDownloadRequest::DownloadRequested)
            return;
        auto *download = new Download(request);
        // The address the user opened, or what a click or key on the page
        // started, is the user's; anything else the page started alone.
        const bool usersOwn = std::exchange(m_userActed, false) || request->url() == std::exchange(m_opened, QUrl());
        if (!usersOwn && m_downloadsAnswer < 0 && m_unaskedDownloads++ > 0)
            m_downloadsAnswer = askSeveralDownloads();
        if (!usersOwn && m_downloadsAnswer == 0) {
            download->cancel();
            return;
        }
        if (!usersOwn && m_downloadsAnswer == 1)
            download->accept(freePath(downloadFolder(), download->suggestedFileName()));
        if (OnDownload)
            OnDownload(download);
        // Whoever did not take it has refused it.
        if (download->state() == Download::State::Asking)
            download->cancel();
    }

    int askSeveralDownloads()
    {
        auto *box = new QMessageBox(QMessageBox::Question, QStringLiteral("Downloads"),
                                    QStringLiteral("This site wants to download several files."),
                                    QMessageBox::NoButton);
        box->setObjectName(QStringLiteral("SeveralDownloads"));
        QPushButton *allow = box->addButton(QStringLiteral("Allow"), QMessageBox::AcceptRole);
        QPushButton *block = box->addButton(QStringLiteral("Block"), QMessageBox::RejectRole);
        box->setDefaultButton(block);
        box->setEscapeButton(block);
        bool allowed = false;
        askOnPage(*this, box, [&](QDialog &shown) { allowed = static_cast<QMessageBox &>(shown).clickedButton() == allow; });
        return allowed ? 1 : 0;
    }

    Kind m_kind;
    QPointer<QWebEngineView> m_view;
    QLabel *m_stopped = nullptr;
    bool m_stoppedWorking = false;
    QUrl m_lastUrl;
    ScriptQuestions *m_questions = nullptr;
    BusyPageGuard *m_guard = nullptr;
    // The page a script opened that has gone nowhere yet, and the page a
    // shown one took the place of.
    QPointer<QWebEnginePage> m_pendingWindow;
    QPointer<QWebEnginePage> m_opener;
    std::unique_ptr<QtWebEngine> m_pendingPopup;
    bool m_userActed = false;
    bool m_userActedSinceWindow = false;
    QUrl m_opened;
    int m_unaskedDownloads = 0;
    int m_downloadsAnswer = -1; // -1 not asked, 0 blocked, 1 allowed
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
