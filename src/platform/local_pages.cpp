#include "platform/local_pages.h"

namespace platform {

bool LocalPageRequests::allowedFromFilePage(QWebEngineUrlRequestInfo::ResourceType type, const QUrl &url)
{
    using Info = QWebEngineUrlRequestInfo;
    if (type == Info::ResourceTypeMainFrame)
        return true;
    if (!url.isLocalFile() && url.scheme() != QLatin1String("data") && url.scheme() != QLatin1String("blob"))
        return false;
    switch (type) {
    case Info::ResourceTypeImage:
    case Info::ResourceTypeStylesheet:
    case Info::ResourceTypeScript:
    case Info::ResourceTypeFontResource:
    case Info::ResourceTypeMedia:
    case Info::ResourceTypeFavicon: return true;
    default: return false;
    }
}

void LocalPageRequests::interceptRequest(QWebEngineUrlRequestInfo &info)
{
    const bool fromFilePage = info.firstPartyUrl().isLocalFile() || info.initiator().scheme() == QLatin1String("file");
    if (fromFilePage && !allowedFromFilePage(info.resourceType(), info.requestUrl()))
        info.block(true);
}

} // namespace platform
