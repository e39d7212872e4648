#include "platform/web_engine.h"

#include <QUrl>
#include <QWebEngineHistory>
#include <QWebEngineView>

namespace platform {
namespace {

// The engine on Qt's web view. Qt reports a load as started, percent
// progress and finished (successfully, stopped or failed alike); the
// browser window expects position-of-maximum reports, a completion, and a
// final report of 0 of 0.
class QtWebEngine : public WebEngine {
public:
    explicit QtWebEngine(QWidget *parent) : m_view(new QWebEngineView(parent))
    {
        connect(m_view, &QWebEngineView::loadStarted, this, [this] { progress(0, 100); });
        connect(m_view, &QWebEngineView::loadProgress, this, [this](int percent) { progress(percent, 100); });
        connect(m_view, &QWebEngineView::loadFinished, this, [this](bool) {
            if (OnDownloadComplete)
                OnDownloadComplete();
            progress(0, 0);
        });
    }

    QWidget *widget() override { return m_view; }

    void Navigate(const QString &url) override { m_view->load(QUrl(url)); }

    void GoBack() override
    {
        if (!m_view->history()->canGoBack())
            throw EEngineNowhereToGo(QStringLiteral("Unspecified error"));
        m_view->back();
    }

    void GoForward() override
    {
        if (!m_view->history()->canGoForward())
            throw EEngineNowhereToGo(QStringLiteral("Unspecified error"));
        m_view->forward();
    }

    void Stop() override { m_view->stop(); }
    void Refresh() override { m_view->reload(); }

    QString LocationURL() const override { return m_view->url().toString(); }
    QString LocationName() const override { return m_view->title(); }

private:
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
