#pragma once

// One request as the matcher sees it: the address split once into what the
// rules look at (lower-cased text, host, source host, resource type), so
// that no rule has to parse it again.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include <QString>

namespace contentfilter {

// One bit each, so a rule keeps the kinds it applies to as a mask.
enum class ResourceType : uint32_t {
    Document = 1u << 0, // the page itself (top-level navigation)
    Subdocument = 1u << 1,
    Script = 1u << 2,
    Image = 1u << 3,
    Stylesheet = 1u << 4,
    Object = 1u << 5,
    XmlHttpRequest = 1u << 6,
    Media = 1u << 7,
    Font = 1u << 8,
    WebSocket = 1u << 9,
    Ping = 1u << 10,
    Other = 1u << 11,
};

constexpr uint32_t typeBit(ResourceType type) { return uint32_t(type); }

// Every kind a rule without type options applies to: all but the page itself.
constexpr uint32_t kDefaultTypes = 0xfffu & ~typeBit(ResourceType::Document);

// The type a request file or a filter list's option names ("script",
// "sub_frame", "xhr", ...), or nothing for an unknown name.
std::optional<ResourceType> typeFromName(std::string_view name);

class Request {
public:
    Request(std::string_view url, std::string_view sourceUrl, ResourceType type);

    const std::string &url() const { return m_url; }
    const std::string &lowerUrl() const { return m_lower; }
    std::string_view host() const { return std::string_view(m_lower).substr(m_hostBegin, m_hostEnd - m_hostBegin); }
    size_t hostBegin() const { return m_hostBegin; }
    size_t hostEnd() const { return m_hostEnd; }
    const std::string &sourceUrl() const { return m_sourceUrl; }
    const std::string &sourceHost() const { return m_sourceHost; }
    ResourceType type() const { return m_type; }

    // Whether the request goes to another site than its page's: the
    // registrable domains differ. A request without a page is first-party.
    bool isThirdParty() const;

    // The address as Qt text, made on first use (only regular expressions need it).
    const QString &qtUrl() const;

private:
    std::string m_url;
    std::string m_lower;
    size_t m_hostBegin = 0;
    size_t m_hostEnd = 0;
    std::string m_sourceUrl;
    std::string m_sourceHost;
    ResourceType m_type;
    mutable int m_thirdParty = -1;
    mutable std::optional<QString> m_qtUrl;
};

// The host of `url`, lower-cased, without user, password or port; the
// brackets of an IPv6 address are kept. Empty when the address has none.
std::string hostOf(std::string_view url, size_t *begin = nullptr, size_t *end = nullptr);

// ASCII lower case; other bytes stay as they are.
std::string lowerAscii(std::string_view text);

} // namespace contentfilter
