#include "contentfilter/pattern.h"

#include "contentfilter/rule_parser.h"

namespace contentfilter {
namespace {

constexpr size_t kNoMatch = std::string_view::npos;

// Where `segment` (no '*') ends when it is laid on `url` at `at`, or kNoMatch.
// A '^' past the end of the address matches the end.
size_t segmentEnd(std::string_view segment, std::string_view url, size_t at)
{
    size_t p = at;
    for (size_t i = 0; i < segment.size(); ++i) {
        const char c = segment[i];
        if (c == '^') {
            if (p == url.size())
                continue;
            if (!isSeparator((unsigned char)url[p]))
                return kNoMatch;
            ++p;
        } else {
            if (p == url.size() || url[p] != c)
                return kNoMatch;
            ++p;
        }
    }
    return p;
}

// The leftmost place at or after `from` where `segment` fits; its end in `end`.
size_t findSegment(std::string_view segment, std::string_view url, size_t from, size_t &end)
{
    // The literal text before the first '^' finds candidates quickly.
    const std::string_view literal = segment.substr(0, segment.find('^'));
    for (size_t at = from; at <= url.size();) {
        if (!literal.empty()) {
            at = url.find(literal, at);
            if (at == kNoMatch)
                return kNoMatch;
        }
        end = segmentEnd(segment, url, at);
        if (end != kNoMatch)
            return at;
        ++at;
    }
    return kNoMatch;
}

// Whether the segments from `index` on fit into `url` after `from`, in order.
// The leftmost fit of each is the best for the ones after it, so no
// backtracking is needed except for the last under a right anchor.
bool matchRest(const std::vector<std::string_view> &segments, size_t index, std::string_view url, size_t from,
               bool rightAnchor)
{
    for (; index < segments.size(); ++index) {
        const std::string_view segment = segments[index];
        const bool last = index + 1 == segments.size();
        if (last && rightAnchor) {
            // It must end at the end: lay it there. Each '^' at its end may
            // match the end itself instead of a character.
            const size_t last = segment.find_last_not_of('^');
            const size_t finalSeparators = segment.size() - (last == kNoMatch ? 0 : last + 1);
            for (size_t trailing = 0; trailing <= finalSeparators; ++trailing) {
                const size_t length = segment.size() - trailing;
                if (url.size() < length || url.size() - length < from)
                    continue;
                if (segmentEnd(segment, url, url.size() - length) == url.size())
                    return true;
            }
            return false;
        }
        size_t end = 0;
        if (findSegment(segment, url, from, end) == kNoMatch)
            return false;
        from = end;
    }
    return true;
}

std::vector<std::string_view> splitSegments(std::string_view pattern)
{
    std::vector<std::string_view> segments;
    size_t start = 0;
    for (;;) {
        const size_t star = pattern.find('*', start);
        segments.push_back(pattern.substr(start, star == kNoMatch ? kNoMatch : star - start));
        if (star == kNoMatch)
            return segments;
        start = star + 1;
    }
}

} // namespace

bool matchPattern(std::string_view pattern, uint32_t flags, std::string_view url, size_t hostBegin, size_t hostEnd)
{
    const bool rightAnchor = flags & kRightAnchor;
    // Nothing left of the pattern but its anchors. A host anchor needs a
    // host label to stand at, and a label never starts at the very end;
    // both ends anchored, the address must be empty.
    if (pattern.empty()) {
        if (flags & kHostAnchor)
            return hostBegin < hostEnd && !rightAnchor;
        return !((flags & kLeftAnchor) && rightAnchor) || url.empty();
    }
    // Most rules hold no '*': one segment, no vector.
    if (pattern.find('*') == kNoMatch) {
        if (flags & kHostAnchor) {
            for (size_t at = hostBegin; at < hostEnd; ++at) {
                if (at != hostBegin && url[at - 1] != '.')
                    continue;
                const size_t end = segmentEnd(pattern, url, at);
                if (end != kNoMatch && (!rightAnchor || end == url.size()))
                    return true;
            }
            return false;
        }
        if (flags & kLeftAnchor) {
            const size_t end = segmentEnd(pattern, url, 0);
            return end != kNoMatch && (!rightAnchor || end == url.size());
        }
        std::vector<std::string_view> one{pattern};
        return matchRest(one, 0, url, 0, rightAnchor);
    }
    const std::vector<std::string_view> segments = splitSegments(pattern);
    if (flags & kHostAnchor) {
        for (size_t at = hostBegin; at < hostEnd; ++at) {
            if (at != hostBegin && url[at - 1] != '.')
                continue;
            const size_t end = segmentEnd(segments.front(), url, at);
            if (end != kNoMatch && matchRest(segments, 1, url, end, rightAnchor))
                return true;
        }
        return false;
    }
    if (flags & kLeftAnchor) {
        const size_t end = segmentEnd(segments.front(), url, 0);
        return end != kNoMatch && matchRest(segments, 1, url, end, rightAnchor);
    }
    return matchRest(segments, 0, url, 0, rightAnchor);
}

std::vector<std::string_view> patternTokens(std::string_view pattern, uint32_t flags)
{
    std::vector<std::string_view> tokens;
    if (flags & kRegex)
        return tokens;
    const size_t n = pattern.size();
    size_t i = 0;
    while (i < n) {
        const auto isToken = [&](size_t k) {
            const unsigned char c = (unsigned char)pattern[k];
            return isTokenChar(c) || (c >= 'A' && c <= 'Z');
        };
        while (i < n && !isToken(i))
            ++i;
        const size_t start = i;
        while (i < n && isToken(i))
            ++i;
        if (i == start)
            break;
        // The run must be whole in the address too: bounded on the left by
        // a literal character or an anchor, on the right likewise.
        const bool leftBound = start > 0 ? pattern[start - 1] != '*' : (flags & (kLeftAnchor | kHostAnchor)) != 0;
        const bool rightBound = i < n ? pattern[i] != '*' : (flags & kRightAnchor) != 0;
        if (leftBound && rightBound)
            tokens.push_back(pattern.substr(start, i - start));
    }
    return tokens;
}

} // namespace contentfilter
