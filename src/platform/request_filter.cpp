#include "platform/request_filter.h"

#include "contentfilter/filter_cache.h"
#include "contentfilter/filter_engine.h"
#include "contentfilter/filter_lists.h"

#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>
#include <QWebEngineUrlRequestInfo>

#include <utility>

namespace platform {
namespace {

RequestFilter *g_filter = nullptr;

// The pages' addresses are counted without their fragment: a jump inside
// the page is the same page.
QUrl pageKey(const QUrl &url)
{
    return url.adjusted(QUrl::RemoveFragment);
}

contentfilter::ResourceType typeOf(QWebEngineUrlRequestInfo::ResourceType type)
{
    using R = QWebEngineUrlRequestInfo;
    using T = contentfilter::ResourceType;
    switch (type) {
    case R::ResourceTypeMainFrame:
    case R::ResourceTypeNavigationPreloadMainFrame:
        return T::Document;
    case R::ResourceTypeSubFrame:
    case R::ResourceTypeNavigationPreloadSubFrame:
        return T::Subdocument;
    case R::ResourceTypeStylesheet:
        return T::Stylesheet;
    case R::ResourceTypeScript:
    case R::ResourceTypeWorker:
    case R::ResourceTypeSharedWorker:
    case R::ResourceTypeServiceWorker:
        return T::Script;
    case R::ResourceTypeImage:
    case R::ResourceTypeFavicon:
        return T::Image;
    case R::ResourceTypeFontResource:
        return T::Font;
    case R::ResourceTypeObject:
    case R::ResourceTypePluginResource:
        return T::Object;
    case R::ResourceTypeMedia:
        return T::Media;
    case R::ResourceTypeXhr:
        return T::XmlHttpRequest;
    case R::ResourceTypePing:
        return T::Ping;
    case R::ResourceTypeWebSocket:
        return T::WebSocket;
    default:
        return T::Other;
    }
}

} // namespace

RequestFilter::RequestFilter(std::function<Rules()> load, QWebEngineProfile *profile)
    : QWebEngineUrlRequestInterceptor(profile), m_profile(profile)
{
    m_loading = m_ready.get_future();
    m_thread = std::thread([this, load = std::move(load)] {
        std::function<void()> afterwards;
        try {
            Rules loaded = load();
            afterwards = std::exchange(loaded.afterwards, {});
            m_ready.set_value(std::move(loaded));
        } catch (...) {
            m_ready.set_exception(std::current_exception());
        }
        // Usually ready before the first page: the style sheet then goes to
        // the profile without any request having to wait.
        QMetaObject::invokeMethod(this, [this] { rules(); }, Qt::QueuedConnection);
        if (afterwards)
            afterwards();
    });
}

RequestFilter::~RequestFilter()
{
    m_thread.join();
    if (g_filter == this)
        g_filter = nullptr;
}

const RequestFilter::Rules &RequestFilter::rules()
{
    if (!m_loading.valid())
        return m_rules;
    m_rules = m_loading.get();
    if (m_rules.hidingScript.isEmpty())
        return m_rules;
    QWebEngineScript script;
    script.setName(QStringLiteral("kestrelon-element-hiding"));
    script.setSourceCode(m_rules.hidingScript);
    script.setInjectionPoint(QWebEngineScript::DocumentCreation);
    script.setWorldId(QWebEngineScript::ApplicationWorld);
    script.setRunsOnSubFrames(true);
    m_profile->scripts()->insert(script);
    // A document that came before the script has it now; the script runs
    // once in a document however often it is given.
    for (const QPointer<QWebEnginePage> &page : std::exchange(m_watched, {}))
        if (page && !page->url().isEmpty())
            page->runJavaScript(m_rules.hidingScript, QWebEngineScript::ApplicationWorld);
    m_rules.hidingScript.clear(); // the profile keeps its own copy
    return m_rules;
}

void RequestFilter::watch(QWebEnginePage *page)
{
    if (m_loading.valid())
        m_watched.append(page);
}

void RequestFilter::interceptRequest(QWebEngineUrlRequestInfo &info)
{
    const contentfilter::ResourceType type = typeOf(info.resourceType());
    // The page itself (a typed address, a followed link) always loads, with
    // the rules or before them: it starts a fresh count.
    if (type == contentfilter::ResourceType::Document) {
        if (m_blocked.remove(pageKey(info.requestUrl())))
            emit blockedCountChanged();
        return;
    }
    const Rules &rules = this->rules();
    const QUrl page = info.firstPartyUrl();
    const QByteArray pageText = page.toEncoded();
    const QByteArray url = info.requestUrl().toEncoded();
    if (!rules.allowedSites.isEmpty() &&
        contentfilter::isAllowedSite(rules.allowedSites, contentfilter::hostOf({pageText.constData(), size_t(pageText.size())})))
        return;
    const contentfilter::Request request({url.constData(), size_t(url.size())},
                                         {pageText.constData(), size_t(pageText.size())}, type);
    if (!rules.engine->decide(request).blocked)
        return;
    info.block(true);
    ++m_blocked[pageKey(page)];
    emit blockedCountChanged();
}

int RequestFilter::blockedOn(const QUrl &pageUrl) const
{
    return m_blocked.value(pageKey(pageUrl));
}

void installRequestFilter(QWebEngineProfile *profile, const QString &engineFolder, bool cacheKept)
{
    const QStringList lists = contentfilter::defaultLists(engineFolder);
    if (lists.isEmpty())
        return;
    const QString cache = cacheKept ? contentfilter::cacheFile(engineFolder) : QString();
    const QString allowedFile = contentfilter::allowedSitesFile(engineFolder);
    g_filter = new RequestFilter(
        [lists, cache, allowedFile] {
            contentfilter::LoadedEngine loaded = contentfilter::loadEngine(lists, cache, false,
                                                                           contentfilter::CacheWrite::Later);
            RequestFilter::Rules rules{std::move(loaded.engine), contentfilter::readAllowedSites(allowedFile), {}, {}};
            // Made here too: the script carries every selector, megabytes
            // of text for the full lists.
            if (rules.engine->cosmetic().size() != 0)
                rules.hidingScript = rules.engine->cosmetic().pageScript(rules.allowedSites);
            // A fresh build goes to disk after the first request has its
            // rules: the write waits for the disk.
            if (!loaded.cacheBytes.isEmpty())
                rules.afterwards = [cache, bytes = std::move(loaded.cacheBytes)] {
                    contentfilter::saveCache(cache, bytes);
                };
            return rules;
        },
        profile);
    profile->setUrlRequestInterceptor(g_filter);
}

RequestFilter *requestFilter()
{
    return g_filter;
}

QString blockedCaptionSuffix(const QString &pageUrl)
{
    const int blocked = g_filter ? g_filter->blockedOn(QUrl(pageUrl)) : 0;
    return blocked ? QStringLiteral(" - %1 blocked").arg(blocked) : QString();
}

} // namespace platform
