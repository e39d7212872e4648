#include "contentfilter/request.h"

#include "contentfilter/domains.h"

#include <array>

namespace contentfilter {
namespace {

struct TypeName {
    std::string_view name;
    ResourceType type;
};

// The names request files use ("main_frame", "xmlhttprequest") beside the
// lists' option names ("document", "xhr"), so either spelling reads.
constexpr std::array kTypeNames{
    TypeName{"main_frame", ResourceType::Document},    TypeName{"document", ResourceType::Document},
    TypeName{"sub_frame", ResourceType::Subdocument},  TypeName{"subdocument", ResourceType::Subdocument},
    TypeName{"script", ResourceType::Script},          TypeName{"image", ResourceType::Image},
    TypeName{"imageset", ResourceType::Image},         TypeName{"stylesheet", ResourceType::Stylesheet},
    TypeName{"object", ResourceType::Object},          TypeName{"object_subrequest", ResourceType::Object},
    TypeName{"xmlhttprequest", ResourceType::XmlHttpRequest}, TypeName{"xhr", ResourceType::XmlHttpRequest},
    TypeName{"fetch", ResourceType::XmlHttpRequest},   TypeName{"media", ResourceType::Media},
    TypeName{"font", ResourceType::Font},              TypeName{"websocket", ResourceType::WebSocket},
    TypeName{"ping", ResourceType::Ping},              TypeName{"beacon", ResourceType::Ping},
    TypeName{"csp_report", ResourceType::Other},       TypeName{"other", ResourceType::Other},
};

} // namespace

std::optional<ResourceType> typeFromName(std::string_view name)
{
    for (const TypeName &entry : kTypeNames)
        if (entry.name == name)
            return entry.type;
    return std::nullopt;
}

std::string lowerAscii(std::string_view text)
{
    std::string lower(text);
    for (char &c : lower)
        if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
    return lower;
}

std::string hostOf(std::string_view url, size_t *begin, size_t *end)
{
    size_t start = url.find("://");
    start = start == std::string_view::npos ? 0 : start + 3;
    size_t stop = url.find_first_of("/?#", start);
    if (stop == std::string_view::npos)
        stop = url.size();
    // user:password@ comes before the host; an '@' later is the path's.
    const size_t at = url.substr(start, stop - start).rfind('@');
    if (at != std::string_view::npos)
        start += at + 1;
    size_t hostStop = stop;
    if (start < stop && url[start] == '[') {
        const size_t close = url.substr(start, stop - start).find(']');
        if (close != std::string_view::npos)
            hostStop = start + close + 1;
    } else {
        const size_t colon = url.substr(start, stop - start).find(':');
        if (colon != std::string_view::npos)
            hostStop = start + colon;
    }
    if (begin)
        *begin = start;
    if (end)
        *end = hostStop;
    return lowerAscii(url.substr(start, hostStop - start));
}

Request::Request(std::string_view url, std::string_view sourceUrl, ResourceType type)
    : m_url(url), m_lower(lowerAscii(url)), m_sourceUrl(sourceUrl), m_type(type)
{
    hostOf(m_url, &m_hostBegin, &m_hostEnd);
    if (!sourceUrl.empty())
        m_sourceHost = hostOf(sourceUrl);
}

bool Request::isThirdParty() const
{
    if (m_thirdParty < 0) {
        if (m_sourceHost.empty())
            m_thirdParty = 0;
        else if (host() == m_sourceHost)
            m_thirdParty = 0;
        else
            m_thirdParty = registrableDomain(host()) != registrableDomain(m_sourceHost) ? 1 : 0;
    }
    return m_thirdParty == 1;
}

const QString &Request::qtUrl() const
{
    if (!m_qtUrl)
        m_qtUrl = QString::fromUtf8(m_url.data(), qsizetype(m_url.size()));
    return *m_qtUrl;
}

} // namespace contentfilter
