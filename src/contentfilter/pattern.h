#pragma once

// The address patterns of network rules: literal text with '*' (any run of
// characters) and '^' (one separator character, or the end of the address),
// anchored to the start, a host label or the end as the rule's flags say.

#include <cstdint>
#include <string_view>
#include <vector>

namespace contentfilter {

// Characters that may not stand for '^': letters, digits and "_-.%".
inline bool isSeparator(unsigned char c)
{
    return !((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '-' ||
             c == '.' || c == '%');
}

// The characters of the index's tokens. Every separator, and every other
// character a pattern spells literally between tokens, ends a token, so a
// token of a pattern is also a token of every address it matches.
inline bool isTokenChar(unsigned char c)
{
    return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '%';
}

inline uint32_t tokenHash(std::string_view token)
{
    uint32_t hash = 2166136261u;
    for (unsigned char c : token)
        hash = (hash ^ c) * 16777619u;
    return hash ? hash : 1;
}

// `pattern` against `url` (the lower-cased one unless the rule is
// case-sensitive). The host lies at [hostBegin, hostEnd) of the address.
bool matchPattern(std::string_view pattern, uint32_t flags, std::string_view url, size_t hostBegin, size_t hostEnd);

// The tokens of `pattern` that every matching address must hold whole: runs
// of token characters that no '*' and no open end touch.
std::vector<std::string_view> patternTokens(std::string_view pattern, uint32_t flags);

// Calls `visit(hash)` for each token of an address (already lower-cased).
template<typename Visit>
void forEachUrlToken(std::string_view url, Visit &&visit)
{
    size_t i = 0;
    const size_t n = url.size();
    while (i < n) {
        while (i < n && !isTokenChar((unsigned char)url[i]))
            ++i;
        uint32_t hash = 2166136261u;
        const size_t start = i;
        while (i < n && isTokenChar((unsigned char)url[i]))
            hash = (hash ^ (unsigned char)url[i++]) * 16777619u;
        if (i > start)
            visit(hash ? hash : 1);
    }
}

} // namespace contentfilter
