#include "contentfilter/filter_engine.h"

#include "contentfilter/domains.h"
#include "contentfilter/engine_image.h"
#include "contentfilter/pattern.h"
#include "contentfilter/rule_parser.h"

#include <algorithm>
#include <map>

namespace contentfilter {
namespace {

// Rules without a token of their own but with sites in their domain option
// are found through the page's host; these keys never collide in meaning
// with a token's, they only share the table.
constexpr uint32_t kDomainKeyTag = 0x5bd1e995u;

// How often each token hash occurs, in one open-addressed table: the build
// looks up every rule's tokens, and a map of nodes took a fifth of its time.
class TokenCounts {
public:
    explicit TokenCounts(size_t expected)
    {
        size_t size = 16;
        while (size < expected * 2)
            size <<= 1;
        m_slots.resize(size);
        m_mask = size - 1;
    }
    void add(uint32_t hash) { ++find(hash).count; }
    uint32_t operator[](uint32_t hash) { return find(hash).count; }

private:
    struct Slot {
        uint32_t hash = 0;
        uint32_t count = 0; // 0: the slot is free
    };
    Slot &find(uint32_t hash)
    {
        for (size_t at = (hash * 0x9e3779b1u) & m_mask;; at = (at + 1) & m_mask) {
            Slot &slot = m_slots[at];
            if (slot.count == 0)
                slot.hash = hash;
            if (slot.hash == hash)
                return slot;
        }
    }
    std::vector<Slot> m_slots;
    size_t m_mask = 0;
};

uint32_t append(std::string &pool, std::string_view text)
{
    const uint32_t at = uint32_t(pool.size());
    pool.append(text);
    return at;
}

} // namespace

uint32_t domainKey(std::string_view domain)
{
    const uint32_t key = tokenHash(domain) ^ kDomainKeyTag;
    return key ? key : 1;
}

EngineTables buildTables(const std::vector<std::string_view> &lists)
{
    EngineTables t;
    CosmeticBuilder cosmetic;
    struct Pending {
        NetworkRuleText rule;
        uint32_t source;
    };
    std::vector<Pending> pending;
    size_t lines = 0;
    for (std::string_view list : lists)
        lines += size_t(std::count(list.begin(), list.end(), '\n')) + 1;
    pending.reserve(lines);
    std::map<std::string, uint32_t> skipped;
    uint64_t listStart = 0;
    uint64_t patternBytes = 0;
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
                cosmetic.add(parsed.cosmetic);
                ++t.cosmeticRules;
                break;
            case ParsedLine::Kind::GenericHideException:
                cosmetic.addGenericHideException(parsed.genericHideHost);
                ++t.cosmeticRules;
                break;
            case ParsedLine::Kind::Network: {
                // A host's ASCII form is longer than its Unicode text: keep
                // the stored lengths within their 16 bits, and the rule
                // numbers and offsets within their 32.
                if (parsed.network.pattern.size() > 0xffff || pending.size() >= IndexSlot::kManyRules - 1 ||
                    patternBytes + parsed.network.pattern.size() > 0xffffffffu) {
                    ++skipped["too long"];
                    break;
                }
                patternBytes += parsed.network.pattern.size();
                const uint64_t source = listStart + uint64_t(line.data() - list.data());
                pending.push_back({std::move(parsed.network), source < kUnknownSource ? uint32_t(source) : kUnknownSource});
                break;
            }
            }
        });
        listStart += list.size() + 1;
    }
    t.cosmetic = cosmetic.finish();
    for (const auto &[reason, count] : skipped)
        t.skipped.push_back({reason, count});

    // The rarest token of each rule is its key: counted over all rules, so
    // the buckets a request looks into stay short.
    // Each rule's tokens are tokens[tokenStarts[i]] up to tokens[tokenStarts[i + 1]].
    std::vector<std::pair<uint32_t, size_t>> tokens;
    std::vector<size_t> tokenStarts;
    tokenStarts.reserve(pending.size() + 1);
    tokens.reserve(pending.size() * 3);
    for (const Pending &p : pending) {
        tokenStarts.push_back(tokens.size());
        for (std::string_view token : patternTokens(p.rule.pattern, p.rule.flags))
            tokens.push_back({tokenHash(lowerAscii(token)), token.size()});
    }
    tokenStarts.push_back(tokens.size());
    TokenCounts frequency(tokens.size());
    for (const auto &token : tokens)
        frequency.add(token.first);
    std::vector<std::pair<uint32_t, uint32_t>> important, block, exception;
    for (size_t i = 0; i < pending.size(); ++i) {
        NetworkRuleText &rule = pending[i].rule;
        StoredRule stored;
        stored.pattern = append(t.patterns, rule.pattern);
        stored.patternLength = uint16_t(rule.pattern.size());
        stored.types = uint16_t(rule.types);
        stored.flags = uint16_t(rule.flags | (rule.includeDomains.empty() ? 0 : kHasIncludedDomain));
        const uint32_t id = uint32_t(t.rules.size());
        std::vector<uint64_t> domains;
        for (const std::string &d : rule.includeDomains)
            domains.push_back(domainHash(d));
        for (const std::string &d : rule.excludeDomains)
            domains.push_back(domainHash(d) | 1);
        if (!domains.empty()) {
            std::sort(domains.begin(), domains.end());
            t.ruleDomains.push_back({id, uint32_t(t.domains.size())});
            t.domains.insert(t.domains.end(), domains.begin(), domains.end());
            stored.domainCount = uint16_t(domains.size());
        }
        t.rules.push_back(stored);
        t.sources.push_back(pending[i].source);

        auto &into = (rule.flags & kException) ? exception : (rule.flags & kImportant) ? important : block;
        const auto first = tokens.begin() + ptrdiff_t(tokenStarts[i]), last = tokens.begin() + ptrdiff_t(tokenStarts[i + 1]);
        if (first != last) {
            const auto best = std::min_element(first, last, [&](const auto &a, const auto &b) {
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
    return t;
}

EngineImage imageOf(const EngineTables &t)
{
    ImageWriter w;
    w.put(kPatterns, t.patterns);
    w.put(kRules, t.rules);
    w.put(kRuleDomains, t.ruleDomains);
    w.put(kDomains, t.domains);
    // Each index is two sections in a row: its buckets, then its lists.
    for (const auto &[section, index] : {std::pair{kImportantSlots, &t.important}, std::pair{kBlockSlots, &t.block},
                                         std::pair{kExceptionSlots, &t.exception}}) {
        w.put(section, index->buckets);
        w.put(ImageSection(section + 1), index->lists);
    }
    w.put(kSelectorText, t.cosmetic.selectorText);
    w.put(kSelectorStarts, t.cosmetic.selectorStarts);
    w.put(kGeneric, t.cosmetic.generic);
    w.put(kSites, t.cosmetic.sites);
    w.put(kSiteNames, t.cosmetic.siteNames);
    w.put(kSiteSelectors, t.cosmetic.siteSelectors);
    std::string reasons;
    std::vector<uint32_t> counts;
    for (const SkipCount &s : t.skipped) {
        reasons += s.reason;
        reasons += '\0';
        counts.push_back(s.count);
    }
    w.put(kSkipReasons, reasons);
    w.put(kSkipCounts, counts);
    return w.finish(t.cosmeticRules);
}

std::unique_ptr<FilterEngine> FilterEngine::build(const std::vector<std::string_view> &lists)
{
    return fromImage(imageOf(buildTables(lists)));
}

std::unique_ptr<FilterEngine> FilterEngine::fromImage(EngineImage image)
{
    std::unique_ptr<FilterEngine> e(new FilterEngine);
    e->m_image = std::move(image);
    const ImageReader r(e->m_image);
    if (!r.ok())
        return nullptr;
    bool ok = r.get(kPatterns, e->m_patterns) && r.get(kRules, e->m_rules) && r.get(kRuleDomains, e->m_ruleDomains) &&
              r.get(kDomains, e->m_domains);
    for (const auto &[section, index] : {std::pair{kImportantSlots, &e->m_important},
                                         std::pair{kBlockSlots, &e->m_block}, std::pair{kExceptionSlots, &e->m_exception}}) {
        std::span<const IndexSlot> buckets;
        std::span<const uint32_t> lists;
        ok = ok && r.get(section, buckets) && r.get(ImageSection(section + 1), lists);
        *index = RuleIndex(buckets, lists);
    }
    CosmeticFilter::View cosmetic;
    ok = ok && r.get(kSelectorText, cosmetic.selectorText) && r.get(kSelectorStarts, cosmetic.selectorStarts) &&
         r.get(kGeneric, cosmetic.generic) && r.get(kSites, cosmetic.sites) && r.get(kSiteNames, cosmetic.siteNames) &&
         r.get(kSiteSelectors, cosmetic.siteSelectors);
    e->m_cosmetic = CosmeticFilter(cosmetic);
    std::string_view reasons;
    std::span<const uint32_t> counts;
    ok = ok && r.get(kSkipReasons, reasons) && r.get(kSkipCounts, counts);
    if (!ok)
        return nullptr;
    for (uint32_t count : counts) {
        const size_t end = reasons.find('\0');
        if (end == std::string_view::npos)
            return nullptr;
        e->m_skipped.push_back({std::string(reasons.substr(0, end)), count});
        reasons.remove_prefix(end + 1);
    }
    e->m_cosmeticRules = r.cosmeticRules();
    if (!reasons.empty() || !e->isConsistent())
        return nullptr;
    return e;
}

bool FilterEngine::isConsistent() const
{
    const uint32_t ruleCount = uint32_t(m_rules.size());
    if (m_rules.size() >= IndexSlot::kManyRules || !m_important.isConsistent(ruleCount) ||
        !m_block.isConsistent(ruleCount) || !m_exception.isConsistent(ruleCount) || !m_cosmetic.isConsistent())
        return false;
    size_t withDomains = 0;
    for (const StoredRule &rule : m_rules) {
        if (uint64_t(rule.pattern) + rule.patternLength > m_patterns.size())
            return false;
        withDomains += rule.domainCount != 0;
    }
    // One entry per rule with domains, in rule order, each range within the domains.
    if (withDomains != m_ruleDomains.size())
        return false;
    for (size_t i = 0; i < m_ruleDomains.size(); ++i) {
        const RuleDomains &d = m_ruleDomains[i];
        if (d.rule >= ruleCount || (i > 0 && m_ruleDomains[i - 1].rule >= d.rule) || m_rules[d.rule].domainCount == 0 ||
            uint64_t(d.start) + m_rules[d.rule].domainCount > m_domains.size())
            return false;
    }
    return true;
}

uint32_t FilterEngine::skippedCount() const
{
    uint32_t total = 0;
    for (const SkipCount &s : m_skipped)
        total += s.count;
    return total;
}

void FilterEngine::startRequest(const Request &request) const
{
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
    decision.rule = firstMatch(m_important, request);
    if (decision.rule >= 0) {
        decision.blocked = true;
        return decision;
    }
    decision.rule = firstMatch(m_block, request);
    if (decision.rule < 0)
        return decision;
    decision.exception = firstMatch(m_exception, request);
    // An exception for the whole page ("@@||site^$document") lets every
    // request of that page go.
    if (decision.exception < 0 && !request.sourceUrl().empty()) {
        const Request page(request.sourceUrl(), {}, ResourceType::Document);
        startRequest(page);
        decision.exception = firstMatch(m_exception, page);
    }
    decision.blocked = decision.exception < 0;
    return decision;
}

int FilterEngine::firstMatch(const RuleIndex &index, const Request &request) const
{
    // A rule is filed under one token, or under no key, or under each of
    // its sites; only the last can be met twice (a page on b.a.com, a rule
    // for a.com and b.a.com), and trying it again gives the same answer.
    for (uint32_t key : m_keys) {
        const auto [begin, end] = index.find(key);
        for (const uint32_t *id = begin; id != end; ++id)
            if (matches(*id, request))
                return int(*id);
    }
    return -1;
}

bool FilterEngine::matches(uint32_t id, const Request &request) const
{
    const StoredRule &rule = m_rules[id];
    if (!(rule.types & typeBit(request.type())))
        return false;
    if ((rule.flags & (kThirdParty | kFirstParty)) != 0) {
        const bool third = request.isThirdParty();
        if (((rule.flags & kThirdParty) && !third) || ((rule.flags & kFirstParty) && third))
            return false;
    }
    if (rule.domainCount && !domainsAllow(id, rule, request.sourceHost()))
        return false;
    if (rule.flags & kRegex)
        return regexMatches(id, request);
    const std::string_view pattern = m_patterns.substr(rule.pattern, rule.patternLength);
    const std::string &url = (rule.flags & kMatchCase) ? request.url() : request.lowerUrl();
    return matchPattern(pattern, rule.flags, url, request.hostBegin(), request.hostEnd());
}

bool FilterEngine::domainsAllow(uint32_t id, const StoredRule &rule, std::string_view sourceHost) const
{
    const auto entry = std::lower_bound(m_ruleDomains.begin(), m_ruleDomains.end(), id,
                                        [](const RuleDomains &d, uint32_t rule) { return d.rule < rule; });
    const uint64_t *begin = m_domains.data() + entry->start;
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
    const StoredRule &rule = m_rules[id];
    auto it = m_regex.find(id);
    if (it == m_regex.end()) {
        const std::string_view text = m_patterns.substr(rule.pattern, rule.patternLength);
        QRegularExpression::PatternOptions options = QRegularExpression::NoPatternOption;
        if (!(rule.flags & kMatchCase))
            options |= QRegularExpression::CaseInsensitiveOption;
        it = m_regex.emplace(id, QRegularExpression(QString::fromUtf8(text.data(), qsizetype(text.size())), options))
                 .first;
    }
    return it->second.isValid() && it->second.match(request.qtUrl()).hasMatch();
}

RuleTexts::RuleTexts(std::vector<std::string_view> lists, std::vector<uint32_t> sources)
    : m_lists(std::move(lists)), m_sources(std::move(sources))
{
    uint64_t start = 0;
    for (std::string_view list : m_lists) {
        m_starts.push_back(start);
        start += list.size() + 1;
    }
}

std::string_view RuleTexts::text(int rule) const
{
    if (rule < 0 || size_t(rule) >= m_sources.size() || m_sources[size_t(rule)] == kUnknownSource)
        return {};
    const uint64_t source = m_sources[size_t(rule)];
    const size_t list = size_t(std::upper_bound(m_starts.begin(), m_starts.end(), source) - m_starts.begin()) - 1;
    if (list >= m_lists.size() || source - m_starts[list] > m_lists[list].size())
        return {};
    const std::string_view from = m_lists[list].substr(size_t(source - m_starts[list]));
    return from.substr(0, from.find_first_of("\r\n"));
}

} // namespace contentfilter
