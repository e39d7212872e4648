#include "contentfilter/rule_parser.h"

#include "contentfilter/request.h"

#include <QRegularExpression>
#include <QUrl>

#include <array>

namespace contentfilter {
namespace {

const char *const kNotText = "not text";
const char *const kTooLong = "too long";
const char *const kUnknownOption = "unknown or unsupported option";
const char *const kPopupOnly = "applies to popups only";
const char *const kBadRegex = "invalid regular expression";
const char *const kEverything = "matches every address";
const char *const kBadDomain = "unusable domain option";
const char *const kExtendedCosmetic = "extended cosmetic rule";
const char *const kBadSelector = "unusable selector";

struct TypeOption {
    std::string_view name;
    uint32_t bits;
};

constexpr uint32_t kPopup = 1u << 31; // never applied: the browser blocks no window

constexpr std::array kTypeOptions{
    TypeOption{"script", typeBit(ResourceType::Script)},
    TypeOption{"image", typeBit(ResourceType::Image)},
    TypeOption{"stylesheet", typeBit(ResourceType::Stylesheet)},
    TypeOption{"css", typeBit(ResourceType::Stylesheet)},
    TypeOption{"object", typeBit(ResourceType::Object)},
    TypeOption{"xmlhttprequest", typeBit(ResourceType::XmlHttpRequest)},
    TypeOption{"xhr", typeBit(ResourceType::XmlHttpRequest)},
    TypeOption{"subdocument", typeBit(ResourceType::Subdocument)},
    TypeOption{"frame", typeBit(ResourceType::Subdocument)},
    TypeOption{"media", typeBit(ResourceType::Media)},
    TypeOption{"font", typeBit(ResourceType::Font)},
    TypeOption{"websocket", typeBit(ResourceType::WebSocket)},
    TypeOption{"ping", typeBit(ResourceType::Ping)},
    TypeOption{"other", typeBit(ResourceType::Other)},
    TypeOption{"document", typeBit(ResourceType::Document)},
    TypeOption{"doc", typeBit(ResourceType::Document)},
    TypeOption{"popup", kPopup},
};

// Element-hiding selectors that only a script could apply, or that this
// engine's CSS cannot parse: a selector list with one of them would be
// dropped whole by the page's style engine.
constexpr std::array kScriptOnlySelectors{
    std::string_view(":has("),          std::string_view(":has-text("),      std::string_view(":-abp-"),
    std::string_view(":upward("),       std::string_view(":xpath("),         std::string_view(":style("),
    std::string_view(":remove("),       std::string_view(":matches-css"),    std::string_view(":min-text-length("),
    std::string_view(":watch-attr("),   std::string_view(":matches-path("),  std::string_view(":others("),
    std::string_view(":matches-attr("), std::string_view(":matches-media("), std::string_view(":spath("),
    std::string_view(":remove-attr("),  std::string_view(":remove-class("),
};

std::string_view trimmed(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    return text;
}

bool isText(std::string_view line)
{
    for (unsigned char c : line)
        if ((c < 0x20 && c != '\t') || c == 0x7f)
            return false;
    return true;
}

std::vector<std::string_view> split(std::string_view text, char separator)
{
    std::vector<std::string_view> parts;
    size_t start = 0;
    for (;;) {
        const size_t end = text.find(separator, start);
        parts.push_back(text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
        if (end == std::string_view::npos)
            return parts;
        start = end + 1;
    }
}

// A host name as the matcher compares it: lower case, internationalized
// names in their ASCII form (which is what addresses carry).
std::string normalHost(std::string_view name)
{
    const bool ascii = std::all_of(name.begin(), name.end(), [](char c) { return (unsigned char)c < 0x80; });
    if (ascii)
        return lowerAscii(name);
    const QByteArray ace = QUrl::toAce(QString::fromUtf8(name.data(), qsizetype(name.size())));
    return ace.isEmpty() ? std::string() : lowerAscii(std::string_view(ace.constData(), size_t(ace.size())));
}

bool isDomainName(std::string_view name)
{
    if (name.empty() || name.front() == '.' || name.back() == '.')
        return false;
    for (char c : name)
        if (!((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '.' || c == '-' || c == '_' || c == '[' ||
              c == ']' || c == ':'))
            return false;
    return true;
}

// "a.com|~b.a.com" (network rules) or "a.com,~b.a.com" (element hiding).
bool readDomains(std::string_view list, char separator, std::vector<std::string> &include,
                 std::vector<std::string> &exclude)
{
    for (std::string_view entry : split(list, separator)) {
        entry = trimmed(entry);
        const bool negated = !entry.empty() && entry.front() == '~';
        if (negated)
            entry.remove_prefix(1);
        const std::string host = normalHost(entry);
        // "site.*" means every suffix of a site; the engine has no way to
        // apply it faithfully, and half of a domain list is a wrong rule.
        if (!isDomainName(host))
            return false;
        (negated ? exclude : include).push_back(host);
    }
    return true;
}

// Where the options start ('$' index), or npos. A regular expression may
// hold '$' itself; its options can only follow its closing '/'.
size_t optionsStart(std::string_view rule)
{
    const size_t dollar = rule.rfind('$');
    if (dollar == std::string_view::npos)
        return dollar;
    if (rule.size() >= 2 && rule.front() == '/') {
        const size_t lastSlash = rule.rfind('/');
        if (lastSlash > 0 && dollar < lastSlash)
            return std::string_view::npos;
    }
    return dollar;
}

// "##", "#@#" and their extended forms ("#?#", "#$#", "#%#", "#@?#", ...):
// the index of the first '#' and the marker's length, or npos.
size_t cosmeticMarker(std::string_view line, size_t &markerLength)
{
    size_t at = 0;
    while ((at = line.find('#', at)) != std::string_view::npos) {
        const std::string_view rest = line.substr(at);
        for (std::string_view marker : {"##", "#@#", "#?#", "#@?#", "#$#", "#@$#", "#%#", "#@%#"}) {
            if (rest.substr(0, marker.size()) == marker) {
                markerLength = marker.size();
                return at;
            }
        }
        ++at;
    }
    return std::string_view::npos;
}

bool looksLikeDomainList(std::string_view text)
{
    return text.find_first_of("/*|@\"!$^=") == std::string_view::npos;
}

ParsedLine skipped(const char *reason)
{
    ParsedLine line;
    line.kind = ParsedLine::Kind::Skipped;
    line.skipReason = reason;
    return line;
}

ParsedLine parseCosmetic(std::string_view domains, std::string_view marker, std::string_view selector)
{
    if (marker != "##" && marker != "#@#")
        return skipped(kExtendedCosmetic);
    selector = trimmed(selector);
    if (selector.empty() || selector.front() == '+' || selector.front() == '^')
        return skipped(kExtendedCosmetic);
    for (std::string_view pseudo : kScriptOnlySelectors)
        if (selector.find(pseudo) != std::string_view::npos)
            return skipped(kExtendedCosmetic);
    // The selector goes into a style sheet between rules of its own: a brace
    // or a comment would let a list write any CSS it liked.
    if (selector.find_first_of("{}") != std::string_view::npos || selector.find("/*") != std::string_view::npos ||
        selector.back() == '\\')
        return skipped(kBadSelector);
    ParsedLine line;
    line.kind = ParsedLine::Kind::Cosmetic;
    line.cosmetic.selector = std::string(selector);
    line.cosmetic.exception = marker == "#@#";
    if (!domains.empty() && !readDomains(domains, ',', line.cosmetic.includeDomains, line.cosmetic.excludeDomains))
        return skipped(kBadDomain);
    return line;
}

// Removes the anchors and the outer wildcards, and makes runs of '*' one.
void setPattern(std::string_view pattern, NetworkRuleText &rule)
{
    if (pattern.substr(0, 2) == "||") {
        rule.flags |= kHostAnchor;
        pattern.remove_prefix(2);
    } else if (!pattern.empty() && pattern.front() == '|') {
        rule.flags |= kLeftAnchor;
        pattern.remove_prefix(1);
    }
    if (!pattern.empty() && pattern.back() == '|') {
        rule.flags |= kRightAnchor;
        pattern.remove_suffix(1);
    }
    if (!pattern.empty() && pattern.front() == '*') {
        rule.flags &= ~(kLeftAnchor | kHostAnchor);
    }
    if (!pattern.empty() && pattern.back() == '*')
        rule.flags &= ~kRightAnchor;
    while (!pattern.empty() && pattern.front() == '*')
        pattern.remove_prefix(1);
    while (!pattern.empty() && pattern.back() == '*')
        pattern.remove_suffix(1);
    std::string text;
    text.reserve(pattern.size());
    for (char c : pattern)
        if (c != '*' || text.empty() || text.back() != '*')
            text.push_back(c);
    // A host given in its international form is matched in the form
    // addresses carry it.
    if (rule.flags & kHostAnchor) {
        const size_t hostEnd = std::min(text.find_first_of("/^*:?"), text.size());
        const std::string host = normalHost(std::string_view(text).substr(0, hostEnd));
        if (!host.empty())
            text = host + text.substr(hostEnd);
    }
    rule.pattern = (rule.flags & kMatchCase) ? text : lowerAscii(text);
}

bool readOption(std::string_view option, NetworkRuleText &rule, uint32_t &included, uint32_t &excluded)
{
    const bool negated = !option.empty() && option.front() == '~';
    const std::string_view name = negated ? option.substr(1) : option;
    for (const TypeOption &type : kTypeOptions) {
        if (type.name == name) {
            (negated ? excluded : included) |= type.bits;
            return true;
        }
    }
    if (name == "third-party" || name == "3p") {
        rule.flags |= negated ? kFirstParty : kThirdParty;
        return true;
    }
    if (name == "first-party" || name == "1p") {
        rule.flags |= negated ? kThirdParty : kFirstParty;
        return true;
    }
    if (negated)
        return false;
    if (name == "match-case") {
        rule.flags |= kMatchCase;
        return true;
    }
    if (name == "important") {
        rule.flags |= kImportant;
        return true;
    }
    if (name.substr(0, 7) == "domain=" || name.substr(0, 5) == "from=") {
        const std::string_view list = name.substr(name.find('=') + 1);
        return !list.empty() && readDomains(list, '|', rule.includeDomains, rule.excludeDomains);
    }
    return false;
}

ParsedLine parseNetwork(std::string_view text)
{
    ParsedLine line;
    line.kind = ParsedLine::Kind::Network;
    NetworkRuleText &rule = line.network;
    if (text.substr(0, 2) == "@@") {
        rule.flags |= kException;
        text.remove_prefix(2);
    }
    std::string_view pattern = text;
    uint32_t included = 0;
    uint32_t excluded = 0;
    const size_t dollar = optionsStart(text);
    if (dollar != std::string_view::npos) {
        pattern = text.substr(0, dollar);
        const std::string_view options = text.substr(dollar + 1);
        const std::string lowerOptions = lowerAscii(options);
        std::vector<std::string_view> names = split(lowerOptions, ',');
        for (std::string_view name : names) {
            name = trimmed(name);
            // Turning generic element hiding off for a whole site is the one
            // page-level exception the style sheets can honour.
            if ((rule.flags & kException) && (name == "generichide" || name == "ghide")) {
                if (names.size() != 1 || pattern.substr(0, 2) != "||")
                    return skipped(kUnknownOption);
                std::string_view host = pattern.substr(2);
                if (!host.empty() && host.back() == '^')
                    host.remove_suffix(1);
                line.kind = ParsedLine::Kind::GenericHideException;
                line.genericHideHost = normalHost(host);
                if (!isDomainName(line.genericHideHost))
                    return skipped(kUnknownOption);
                return line;
            }
            if (!readOption(name, rule, included, excluded))
                return skipped(kUnknownOption);
        }
    }
    uint32_t types = included ? included : kDefaultTypes;
    types &= ~excluded;
    if ((included & kPopup) && !(included & ~kPopup))
        return skipped(kPopupOnly);
    rule.types = types & ~kPopup;
    if (!rule.types)
        return skipped(kUnknownOption);

    if (pattern.size() >= 2 && pattern.front() == '/' && pattern.back() == '/') {
        rule.flags |= kRegex;
        rule.pattern = std::string(pattern.substr(1, pattern.size() - 2));
        const QRegularExpression regex(QString::fromUtf8(rule.pattern.data(), qsizetype(rule.pattern.size())));
        if (rule.pattern.empty() || !regex.isValid())
            return skipped(kBadRegex);
        return line;
    }
    setPattern(pattern, rule);
    // Only a pattern, or options, that narrow the rule make it a rule: "*",
    // "||" or "|" alone would block (or allow) everything.
    const bool narrowed = !rule.pattern.empty() || !rule.includeDomains.empty() || included != 0 ||
                          (rule.flags & (kThirdParty | kFirstParty));
    if (!narrowed)
        return skipped(kEverything);
    return line;
}

} // namespace

ParsedLine parseLine(std::string_view raw)
{
    const std::string_view text = trimmed(raw);
    if (text.empty() || text.front() == '!' || text.front() == '[')
        return {};
    if (text.size() > kMaxRuleLength)
        return skipped(kTooLong);
    if (!isText(text))
        return skipped(kNotText);
    size_t markerLength = 0;
    const size_t marker = cosmeticMarker(text, markerLength);
    if (marker != std::string_view::npos && looksLikeDomainList(text.substr(0, marker)))
        return parseCosmetic(text.substr(0, marker), text.substr(marker, markerLength),
                             text.substr(marker + markerLength));
    // "# text" is a comment in hand-written lists, never an address.
    if (text.front() == '#')
        return {};
    // "site$$script" and "site##^..." filter the page's markup, which this
    // engine does not see.
    if (text.find("$$") != std::string_view::npos || text.find("$@$") != std::string_view::npos)
        return skipped(kExtendedCosmetic);
    return parseNetwork(text);
}

} // namespace contentfilter
