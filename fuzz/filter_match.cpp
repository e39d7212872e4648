// The address matcher against a plain backtracking restatement of what a
// pattern means: the input is a pattern line, then an address.

#include "fuzz_support.h"

#include "contentfilter/pattern.h"
#include "contentfilter/request.h"
#include "contentfilter/rule_parser.h"

namespace {

bool reference(std::string_view p, size_t i, std::string_view u, size_t j, bool rightAnchor)
{
    if (i == p.size())
        return !rightAnchor || j == u.size();
    const char c = p[i];
    if (c == '*') {
        for (size_t k = j; k <= u.size(); ++k)
            if (reference(p, i + 1, u, k, rightAnchor))
                return true;
        return false;
    }
    if (c == '^') {
        if (j == u.size())
            return reference(p, i + 1, u, j, rightAnchor);
        return contentfilter::isSeparator((unsigned char)u[j]) && reference(p, i + 1, u, j + 1, rightAnchor);
    }
    return j < u.size() && u[j] == c && reference(p, i + 1, u, j + 1, rightAnchor);
}

bool referenceMatch(std::string_view p, uint32_t flags, std::string_view u, size_t hostBegin, size_t hostEnd)
{
    const bool right = flags & contentfilter::kRightAnchor;
    if (flags & contentfilter::kLeftAnchor)
        return reference(p, 0, u, 0, right);
    for (size_t j = 0; j <= u.size(); ++j) {
        if (flags & contentfilter::kHostAnchor) {
            if (j < hostBegin || j >= hostEnd || (j != hostBegin && u[j - 1] != '.'))
                continue;
        }
        if (reference(p, 0, u, j, right))
            return true;
    }
    return false;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    fuzz::startApplication();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const std::string_view input(reinterpret_cast<const char *>(data), size);
    const size_t newline = input.find('\n');
    if (newline == std::string_view::npos || newline > 64 || size - newline > 256)
        return 0;
    const contentfilter::ParsedLine line = contentfilter::parseLine(input.substr(0, newline));
    if (line.kind != contentfilter::ParsedLine::Kind::Network || (line.network.flags & contentfilter::kRegex))
        return 0;
    const std::string &pattern = line.network.pattern;
    // The restatement backtracks: keep it from taking exponential time.
    if (std::count(pattern.begin(), pattern.end(), '*') > 4)
        return 0;
    const std::string url(input.substr(newline + 1));
    size_t hostBegin = 0, hostEnd = 0;
    contentfilter::hostOf(url, &hostBegin, &hostEnd);
    const uint32_t flags = line.network.flags;
    const std::string lower = contentfilter::lowerAscii(url);
    const std::string &subject = (flags & contentfilter::kMatchCase) ? url : lower;
    const bool fast = contentfilter::matchPattern(pattern, flags, subject, hostBegin, hostEnd);
    FUZZ_CHECK(fast == referenceMatch(pattern, flags, subject, hostBegin, hostEnd));
    // A rule found through the index must hold a token the address holds.
    if (fast) {
        std::vector<uint32_t> urlTokens;
        contentfilter::forEachUrlToken(lower, [&](uint32_t h) { urlTokens.push_back(h); });
        for (std::string_view token : contentfilter::patternTokens(pattern, flags))
            FUZZ_CHECK(std::find(urlTokens.begin(), urlTokens.end(),
                                 contentfilter::tokenHash(contentfilter::lowerAscii(token))) != urlTokens.end());
    }
    return 0;
}
