#include "platform/web_engine.h"

#include <QUrl>
#include <QWebEngineHistory>
#include <QWebEngineView>

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
        connect(m_view, &QWebEngineView::loadStarted, this, [this] { progress(0, 100); });
        connect(m_view, &QWebEngineView::loadProgress, this, [this](int percent) {
            // The 100 of a finished load is followed by the completion; a
            // report of it here would only repeat the last step.
            if (percent < 100)
                progress(percent, 100);
        });
        connect(m_view, &QWebEngineView::loadFinished, this, [this](bool) {
            progress(100, 100);
            if (OnDownloadComplete)
                OnDownloadComplete();
            progress(0, 0);
        });
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

    // Encoded: decoding "%E6%97%A5" gives characters that the single-byte
    // address box and bookmark files turn into '?', another address.
    QString LocationURL() const override { return m_view->url().toString(QUrl::FullyEncoded); }
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
};

} // namespace

std::unique_ptr<WebEngine> createWebEngine(QWidget *parent)
{
    return std::make_unique<QtWebEngine>(parent);
}

} // namespace platform
