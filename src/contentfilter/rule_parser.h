#pragma once

// Reads one line of a filter list: a network rule (block or exception, with
// its options), an element-hiding rule, or nothing (comments, headers).
// Anything the engine cannot apply exactly as written comes back as skipped
// with the reason, so it is counted and never half-applied.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace contentfilter {

// Lines longer than this are no rule a list maintainer writes (the longest
// in the common lists is about 5,500 bytes); refusing them bounds the work
// and memory a hostile list can cause per line.
constexpr size_t kMaxRuleLength = 16384;

enum RuleFlag : uint32_t {
    kException = 1u << 0,
    kImportant = 1u << 1,
    kMatchCase = 1u << 2,
    kThirdParty = 1u << 3,
    kFirstParty = 1u << 4,
    kLeftAnchor = 1u << 5,  // "|" at the start: the address starts with the pattern
    kHostAnchor = 1u << 6,  // "||": the pattern starts at a label of the host
    kRightAnchor = 1u << 7, // "|" at the end: the address ends with the pattern
    kRegex = 1u << 8,       // "/.../": the pattern is a regular expression
};

struct NetworkRuleText {
    // Anchors and outer '*' removed, runs of '*' made one; lower-cased
    // unless the rule is case-sensitive. A regular expression as written.
    std::string pattern;
    uint32_t types = 0;
    uint32_t flags = 0;
    std::vector<std::string> includeDomains;
    std::vector<std::string> excludeDomains;
};

struct CosmeticRuleText {
    std::string selector;
    bool exception = false;
    std::vector<std::string> includeDomains;
    std::vector<std::string> excludeDomains;
};

struct ParsedLine {
    enum class Kind { Nothing, Network, Cosmetic, GenericHideException, Skipped };
    Kind kind = Kind::Nothing;
    NetworkRuleText network;
    CosmeticRuleText cosmetic;
    std::string genericHideHost; // for GenericHideException: the host whose pages keep generic hiding off
    const char *skipReason = nullptr;
};

ParsedLine parseLine(std::string_view line);

// Lines end at LF, CR LF or CR.
template<typename Visit>
void forEachLine(std::string_view text, Visit &&visit)
{
    // A byte at a time: find_first_of with a set looks each byte up in it.
    const size_t size = text.size();
    size_t start = 0;
    while (start < size) {
        size_t end = start;
        while (end < size && text[end] != '\n' && text[end] != '\r')
            ++end;
        visit(text.substr(start, end - start));
        start = end + 1;
        if (end + 1 < size && text[end] == '\r' && text[end + 1] == '\n')
            ++start;
    }
}

} // namespace contentfilter
