#include "platform/web_engine.h"

#include <QChildEvent>
#include <QPageLayout>
#include <QPageSize>
#include <QUrl>
#include <QWebEngineFindTextResult>
#include <QWebEngineHistory>
#include <QWebEngineView>
#include <QWheelEvent>

namespace platform {
namespace {

// What the engine says when a navigation command has nowhere to go; the
// error handler knows the condition by its type, not by this text.
const QString kUnspecifiedFailure = QStringLiteral("Unspecified error");

// The engine on Qt's web view. Qt reports a load as started, percent
// progress and finished (successfully, stopped or failed alike); the
// browser window expects position-of-maximum reports, a completion, and a
// final report of 0 of 0.
class QtWebEngine : public WebEngine {
public:
    explicit QtWebEngine(QWidget *parent) : m_view(new QWebEngineView(parent))
    {
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
        m_view->installEventFilter(this);
        for (QObject *child : m_view->children())
            child->installEventFilter(this);
    }

    QWidget *widget() override { return m_view; }

    void Navigate(const QString &url) override { m_view->load(toUrl(url)); }

    void GoBack() override
    {
        if (!m_view->history()->canGoBack())
            throw EEngineNowhereToGo(kUnspecifiedFailure);
        m_view->back();
    }

    void GoForward() override
    {
        if (!m_view->history()->canGoForward())
            throw EEngineNowhereToGo(kUnspecifiedFailure);
        m_view->forward();
    }

    void Stop() override { m_view->stop(); }
    void Refresh() override { m_view->reload(); }

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
        if (watched == m_view && event->type() == QEvent::ChildAdded)
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

    QString LocationURL() const override { return m_view->url().toString(); }
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

    QWebEngineView *m_view;
    QString m_pdfPath;
    std::function<void(bool)> m_pdfDone;
    int m_wheelRest = 0;
    bool m_loading = false;
};

} // namespace

std::unique_ptr<WebEngine> createWebEngine(QWidget *parent)
{
    return std::make_unique<QtWebEngine>(parent);
}

} // namespace platform
