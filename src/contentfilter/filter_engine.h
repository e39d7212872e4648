#pragma once

// The content filter: network rules decide whether a request may go, and
// element-hiding rules give each page a style sheet. To understand it,
// start with FilterEngine::decide() in filter_engine.cpp; rule_parser.cpp
// reads the lists, pattern.cpp matches addresses, filter_cache.cpp keeps
// the built engine on disk and filter_lists.cpp finds the lists.

#include "contentfilter/cosmetic.h"
#include "contentfilter/request.h"
#include "contentfilter/rule_index.h"

#include <QRegularExpression>

class QFile;

#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace contentfilter {

// A network rule as kept: its pattern in the pattern text, everything else
// fixed-size, so the rule table is one block. Lengths and counts fit 16
// bits because no rule is longer than kMaxRuleLength. The rule's text is
// not kept: only the command-line tool shows it (see RuleTexts).
struct StoredRule {
    uint32_t pattern = 0;
    uint16_t patternLength = 0;
    uint16_t types = 0;
    uint16_t flags = 0;
    uint16_t domainCount = 0;
};

// Where the domains of a rule with a domain option start; one per such
// rule, by rule number (few rules have one, so they are not in StoredRule).
struct RuleDomains {
    uint32_t rule = 0;
    uint32_t start = 0;
};

// Set on a rule whose domain option names at least one site of its own.
constexpr uint32_t kHasIncludedDomain = 1u << 15;

struct SkipCount {
    std::string reason;
    uint32_t count = 0;
};

constexpr uint32_t kUnknownSource = 0xffffffffu;

// Everything the engine decides from, as built from the lists.
struct EngineTables {
    std::string patterns;
    std::vector<StoredRule> rules;
    std::vector<RuleDomains> ruleDomains;
    // Per rule, sorted: a domain's hash with the lowest bit set when the
    // domain is excluded.
    std::vector<uint64_t> domains;
    IndexTables important;
    IndexTables block;
    IndexTables exception;
    CosmeticTables cosmetic;
    std::vector<SkipCount> skipped;
    uint32_t cosmeticRules = 0;
    // Per rule, where its line starts in the lists (see RuleTexts), or
    // kUnknownSource past the first 4 GiB.
    std::vector<uint32_t> sources;
};

// The tables laid out in one block, each at an 8-byte boundary, with a
// table of where each one lies at the start: the engine reads it in place,
// and the cache file holds it as it is. Either built in memory (`words`)
// or a part of a mapped cache file, which `mapping` keeps mapped.
struct EngineImage {
    std::vector<uint64_t> words;
    std::shared_ptr<QFile> mapping;
    const char *mapped = nullptr;
    size_t size = 0;
    const char *data() const { return mapped ? mapped : reinterpret_cast<const char *>(words.data()); }
};

EngineTables buildTables(const std::vector<std::string_view> &lists);
EngineImage imageOf(const EngineTables &tables);

struct Decision {
    bool blocked = false;
    int rule = -1;      // the blocking rule that matched, if any
    int exception = -1; // the exception that let a blocked request go
};

class FilterEngine {
public:
    // The engine's views point into its own image.
    FilterEngine(const FilterEngine &) = delete;
    FilterEngine &operator=(const FilterEngine &) = delete;

    // Reads the lists' texts (any bytes: what is no rule is skipped).
    static std::unique_ptr<FilterEngine> build(const std::vector<std::string_view> &lists);
    // Nothing when the image's tables do not fit together in every respect
    // (a rule number past the rules, a range past its table, ...).
    static std::unique_ptr<FilterEngine> fromImage(EngineImage image);

    // Not thread-safe: the matcher keeps scratch state between calls.
    Decision decide(const Request &request) const;

    const EngineImage &image() const { return m_image; }
    const CosmeticFilter &cosmetic() const { return m_cosmetic; }
    uint32_t networkRuleCount() const { return uint32_t(m_rules.size()); }
    uint32_t cosmeticRuleCount() const { return m_cosmeticRules; }
    const std::vector<SkipCount> &skipped() const { return m_skipped; }
    uint32_t skippedCount() const;

private:
    FilterEngine() = default;
    int firstMatch(const RuleIndex &index, const Request &request) const;
    bool matches(uint32_t id, const Request &request) const;
    bool domainsAllow(uint32_t id, const StoredRule &rule, std::string_view sourceHost) const;
    bool regexMatches(uint32_t id, const Request &request) const;
    void startRequest(const Request &request) const;
    bool isConsistent() const;

    EngineImage m_image;
    std::string_view m_patterns;
    std::span<const StoredRule> m_rules;
    std::span<const RuleDomains> m_ruleDomains;
    std::span<const uint64_t> m_domains;
    RuleIndex m_important;
    RuleIndex m_block;
    RuleIndex m_exception;
    CosmeticFilter m_cosmetic;
    std::vector<SkipCount> m_skipped;
    uint32_t m_cosmeticRules = 0;

    mutable std::vector<uint32_t> m_keys; // the current request's tokens and page domains
    mutable std::unordered_map<uint32_t, QRegularExpression> m_regex; // compiled on first use
};

// The key a domain goes into the index under (kept apart from token keys).
uint32_t domainKey(std::string_view domain);

// The text of each network rule, read back from the lists by where the
// build saw its line start: only the command-line tool shows rule texts,
// so the engine holds none.
class RuleTexts {
public:
    RuleTexts(std::vector<std::string_view> lists, std::vector<uint32_t> sources);
    std::string_view text(int rule) const;

private:
    std::vector<std::string_view> m_lists;
    std::vector<uint64_t> m_starts; // where each list starts among the sources' offsets
    std::vector<uint32_t> m_sources;
};

} // namespace contentfilter
