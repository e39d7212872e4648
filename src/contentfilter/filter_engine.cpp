#include "contentfilter/filter_engine.h"

#include "contentfilter/domains.h"
#include "contentfilter/pattern.h"
#include "contentfilter/rule_parser.h"

#include <algorithm>
#include <map>
#include <unordered_map>

namespace contentfilter {
namespace {

// Rules without a token of their own but with sites in their domain option
// are found through the page's host; these keys never collide in meaning
// with a token's, they only share the table.
constexpr uint32_t kDomainKeyTag = 0x5bd1e995u;

uint32_t append(std::string &pool, std::string_view text)
{
    const uint32_t at = uint32_t(pool.size());
    pool.append(text);
    return at;
}

} // namespace

uint64_t domainHash(std::string_view domain)
{
    uint64_t hash = 14695981039346656037ull;
    for (unsigned char c : domain)
        hash = (hash ^ c) * 1099511628211ull;
    return hash & ~uint64_t(1);
}

uint32_t domainKey(std::string_view domain)
{
    const uint32_t key = tokenHash(domain) ^ kDomainKeyTag;
    return key ? key : 1;
}

FilterEngine::FilterEngine(EngineTables tables) : m_t(std::move(tables))
{
    m_seen.assign(m_t.rules.size(), 0);
}

std::unique_ptr<FilterEngine> FilterEngine::build(const std::vector<std::string_view> &lists)
{
    EngineTables t;
    struct Pending {
        NetworkRuleText rule;
        std::string_view text;
    };
    std::vector<Pending> pending;
    std::map<std::string, uint32_t> skipped;
    for (std::string_view list : lists) {
        forEachLine(list, [&](std::string_view line) {
            ParsedLine parsed = parseLine(line);
            switch (parsed.kind) {
            case ParsedLine::Kind::Nothing:
                break;
            case ParsedLine::Kind::Skipped:
                ++skipped[parsed.skipReason];
                break;
            case ParsedLine::Kind::Cosmetic:
                t.cosmetic.add(parsed.cosmetic);
                ++t.cosmeticRules;
                break;
            case ParsedLine::Kind::GenericHideException:
                t.cosmetic.addGenericHideException(parsed.genericHideHost);
                ++t.cosmeticRules;
                break;
            case ParsedLine::Kind::Network:
                // A host's ASCII form is longer than its Unicode text: keep
                // the stored lengths within their 16 bits.
                if (parsed.network.pattern.size() > 0xffff)
                    ++skipped["too long"];
                else
                    pending.push_back({std::move(parsed.network), line});
                break;
            }
        });
    }
    t.cosmetic.finish();
    for (const auto &[reason, count] : skipped)
        t.skipped.push_back({reason, count});

    // The rarest token of each rule is its key: counted over all rules, so
    // the buckets a request looks into stay short.
    std::unordered_map<uint32_t, uint32_t> frequency;
    std::vector<std::vector<std::pair<uint32_t, size_t>>> tokensOf(pending.size());
    for (size_t i = 0; i < pending.size(); ++i) {
        for (std::string_view token : patternTokens(pending[i].rule.pattern, pending[i].rule.flags)) {
            const uint32_t hash = tokenHash(lowerAscii(token));
            tokensOf[i].push_back({hash, token.size()});
            ++frequency[hash];
        }
    }
    std::vector<std::pair<uint32_t, uint32_t>> important, block, exception;
    for (size_t i = 0; i < pending.size(); ++i) {
        NetworkRuleText &rule = pending[i].rule;
        StoredRule stored;
        stored.pattern = append(t.pool, rule.pattern);
        stored.patternLength = uint16_t(rule.pattern.size());
        stored.text = append(t.pool, pending[i].text);
        stored.textLength = uint16_t(pending[i].text.size());
        stored.types = uint16_t(rule.types);
        stored.flags = uint16_t(rule.flags | (rule.includeDomains.empty() ? 0 : kHasIncludedDomain));
        stored.domains = uint32_t(t.domains.size());
        std::vector<uint64_t> domains;
        for (const std::string &d : rule.includeDomains)
            domains.push_back(domainHash(d));
        for (const std::string &d : rule.excludeDomains)
            domains.push_back(domainHash(d) | 1);
        std::sort(domains.begin(), domains.end());
        t.domains.insert(t.domains.end(), domains.begin(), domains.end());
        stored.domainCount = uint16_t(domains.size());
        const uint32_t id = uint32_t(t.rules.size());
        t.rules.push_back(stored);

        auto &into = (rule.flags & kException) ? exception : (rule.flags & kImportant) ? important : block;
        const auto &tokens = tokensOf[i];
        if (!tokens.empty()) {
            const auto best = std::min_element(tokens.begin(), tokens.end(), [&](const auto &a, const auto &b) {
                const uint32_t fa = frequency[a.first], fb = frequency[b.first];
                return fa != fb ? fa < fb : a.second > b.second;
            });
            into.push_back({best->first, id});
        } else if (!rule.includeDomains.empty()) {
            for (const std::string &d : rule.includeDomains)
                into.push_back({domainKey(d), id});
        } else {
            into.push_back({0, id});
        }
    }
    t.important = RuleIndex::build(std::move(important));
    t.block = RuleIndex::build(std::move(block));
    t.exception = RuleIndex::build(std::move(exception));
    return std::make_unique<FilterEngine>(std::move(t));
}

std::string_view FilterEngine::ruleText(int rule) const
{
    if (rule < 0 || size_t(rule) >= m_t.rules.size())
        return {};
    const StoredRule &r = m_t.rules[size_t(rule)];
    return std::string_view(m_t.pool).substr(r.text, r.textLength);
}

uint32_t FilterEngine::skippedCount() const
{
    uint32_t total = 0;
    for (const SkipCount &s : m_t.skipped)
        total += s.count;
    return total;
}

void FilterEngine::startRequest(const Request &request) const
{
    // A new number marks every rule untried without touching the table;
    // when it wraps the table is cleared once.
    if (++m_requestNumber == 0) {
        std::fill(m_seen.begin(), m_seen.end(), 0);
        m_requestNumber = 1;
    }
    m_keys.clear();
    forEachUrlToken(request.lowerUrl(), [this](uint32_t hash) { m_keys.push_back(hash); });
    std::sort(m_keys.begin(), m_keys.end());
    m_keys.erase(std::unique(m_keys.begin(), m_keys.end()), m_keys.end());
    forEachDomainSuffix(request.sourceHost(), [this](std::string_view suffix) {
        m_keys.push_back(domainKey(suffix));
        return false;
    });
    m_keys.push_back(0);
}

Decision FilterEngine::decide(const Request &request) const
{
    Decision decision;
    startRequest(request);
    decision.rule = firstMatch(m_t.important, request);
    if (decision.rule >= 0) {
        decision.blocked = true;
        return decision;
    }
    decision.rule = firstMatch(m_t.block, request);
    if (decision.rule < 0)
        return decision;
    decision.exception = firstMatch(m_t.exception, request);
    // An exception for the whole page ("@@||site^$document") lets every
    // request of that page go.
    if (decision.exception < 0 && !request.sourceUrl().empty()) {
        const Request page(request.sourceUrl(), {}, ResourceType::Document);
        startRequest(page);
        decision.exception = firstMatch(m_t.exception, page);
    }
    decision.blocked = decision.exception < 0;
    return decision;
}

int FilterEngine::firstMatch(const RuleIndex &index, const Request &request) const
{
    for (uint32_t key : m_keys) {
        const auto [begin, end] = index.find(key);
        for (const uint32_t *id = begin; id != end; ++id) {
            if (m_seen[*id] == m_requestNumber)
                continue;
            m_seen[*id] = m_requestNumber;
            if (matches(*id, request))
                return int(*id);
        }
    }
    return -1;
}

bool FilterEngine::matches(uint32_t id, const Request &request) const
{
    const StoredRule &rule = m_t.rules[id];
    if (!(rule.types & typeBit(request.type())))
        return false;
    if ((rule.flags & (kThirdParty | kFirstParty)) != 0) {
        const bool third = request.isThirdParty();
        if (((rule.flags & kThirdParty) && !third) || ((rule.flags & kFirstParty) && third))
            return false;
    }
    if (rule.domainCount && !domainsAllow(rule, request.sourceHost()))
        return false;
    if (rule.flags & kRegex)
        return regexMatches(id, request);
    const std::string_view pattern = std::string_view(m_t.pool).substr(rule.pattern, rule.patternLength);
    const std::string &url = (rule.flags & kMatchCase) ? request.url() : request.lowerUrl();
    return matchPattern(pattern, rule.flags, url, request.hostBegin(), request.hostEnd());
}

bool FilterEngine::domainsAllow(const StoredRule &rule, std::string_view sourceHost) const
{
    const uint64_t *begin = m_t.domains.data() + rule.domains;
    const uint64_t *end = begin + rule.domainCount;
    // The most specific site named decides: "a.com|~b.a.com" holds on
    // a.com and c.a.com but not on b.a.com or x.b.a.com.
    int verdict = -1;
    forEachDomainSuffix(sourceHost, [&](std::string_view suffix) {
        const uint64_t hash = domainHash(suffix);
        const uint64_t *at = std::lower_bound(begin, end, hash);
        if (at != end && (*at & ~uint64_t(1)) == hash) {
            verdict = (*at & 1) ? 0 : 1;
            return true;
        }
        return false;
    });
    if (verdict >= 0)
        return verdict == 1;
    return !(rule.flags & kHasIncludedDomain);
}

bool FilterEngine::regexMatches(uint32_t id, const Request &request) const
{
    const StoredRule &rule = m_t.rules[id];
    auto it = m_regex.find(id);
    if (it == m_regex.end()) {
        const std::string_view text = std::string_view(m_t.pool).substr(rule.pattern, rule.patternLength);
        QRegularExpression::PatternOptions options = QRegularExpression::NoPatternOption;
        if (!(rule.flags & kMatchCase))
            options |= QRegularExpression::CaseInsensitiveOption;
        it = m_regex.emplace(id, QRegularExpression(QString::fromUtf8(text.data(), qsizetype(text.size())), options))
                 .first;
    }
    return it->second.isValid() && it->second.match(request.qtUrl()).hasMatch();
}

} // namespace contentfilter
