// The address matcher against a plain recursive restatement of what a
// pattern means: the input is a pattern line, then an address.

#include "fuzz_support.h"

#include "contentfilter/pattern.h"
#include "contentfilter/request.h"
#include "contentfilter/rule_parser.h"

#include <vector>

namespace {

// Whether p[i..] matches u[j..], remembered per (i, j) so that a pattern of
// many '*' costs pattern length times address length, not an exponent.
class Reference {
public:
    Reference(std::string_view p, std::string_view u, bool rightAnchor)
        : m_p(p), m_u(u), m_right(rightAnchor), m_memo((p.size() + 1) * (u.size() + 1), -1)
    {
    }
    bool at(size_t i, size_t j)
    {
        signed char &known = m_memo[i * (m_u.size() + 1) + j];
        if (known < 0)
            known = compute(i, j) ? 1 : 0;
        return known == 1;
    }

private:
    bool compute(size_t i, size_t j)
    {
        if (i == m_p.size())
            return !m_right || j == m_u.size();
        const char c = m_p[i];
        if (c == '*')
            return at(i + 1, j) || (j < m_u.size() && at(i, j + 1));
        if (c == '^') {
            if (j == m_u.size())
                return at(i + 1, j);
            return contentfilter::isSeparator((unsigned char)m_u[j]) && at(i + 1, j + 1);
        }
        return j < m_u.size() && m_u[j] == c && at(i + 1, j + 1);
    }
    std::string_view m_p, m_u;
    bool m_right;
    std::vector<signed char> m_memo;
};

bool referenceMatch(std::string_view p, uint32_t flags, std::string_view u, size_t hostBegin, size_t hostEnd)
{
    Reference reference(p, u, flags & contentfilter::kRightAnchor);
    if (flags & contentfilter::kLeftAnchor)
        return reference.at(0, 0);
    for (size_t j = 0; j <= u.size(); ++j) {
        if (flags & contentfilter::kHostAnchor) {
            if (j < hostBegin || j >= hostEnd || (j != hostBegin && u[j - 1] != '.'))
                continue;
        }
        if (reference.at(0, j))
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
