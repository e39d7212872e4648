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

#include <memory>
#include <unordered_map>
#include <string>
#include <string_view>
#include <vector>

namespace contentfilter {

// A network rule as kept: its text in the pool, its domains in the domain
// array, everything else fixed-size, so the rule table is one block.
// Lengths and counts fit 16 bits because no rule is longer than
// kMaxRuleLength; 24 bytes a rule, a hundred thousand rules in 2.4 MB.
struct StoredRule {
    uint32_t pattern = 0;
    uint32_t text = 0;
    uint32_t domains = 0;
    uint16_t patternLength = 0;
    uint16_t textLength = 0;
    uint16_t domainCount = 0;
    uint16_t types = 0;
    uint16_t flags = 0;
    uint16_t unused = 0;
};

// Set on a rule whose domain option names at least one site of its own.
constexpr uint32_t kHasIncludedDomain = 1u << 15;

struct SkipCount {
    std::string reason;
    uint32_t count = 0;
};

// Everything the engine decides from; what the cache file holds.
struct EngineTables {
    std::string pool;
    std::vector<StoredRule> rules;
    // Per rule, sorted: a domain's hash with the lowest bit set when the
    // domain is excluded.
    std::vector<uint64_t> domains;
    RuleIndex important;
    RuleIndex block;
    RuleIndex exception;
    CosmeticFilter cosmetic;
    std::vector<SkipCount> skipped;
    uint32_t cosmeticRules = 0;
};

struct Decision {
    bool blocked = false;
    int rule = -1;      // the blocking rule that matched, if any
    int exception = -1; // the exception that let a blocked request go
};

class FilterEngine {
public:
    explicit FilterEngine(EngineTables tables);

    // Reads the lists' texts (any bytes: what is no rule is skipped).
    static std::unique_ptr<FilterEngine> build(const std::vector<std::string_view> &lists);

    // Not thread-safe: the matcher keeps scratch state between calls.
    Decision decide(const Request &request) const;

    std::string_view ruleText(int rule) const;
    const EngineTables &tables() const { return m_t; }
    const CosmeticFilter &cosmetic() const { return m_t.cosmetic; }
    uint32_t networkRuleCount() const { return uint32_t(m_t.rules.size()); }
    uint32_t skippedCount() const;

private:
    int firstMatch(const RuleIndex &index, const Request &request) const;
    bool matches(uint32_t id, const Request &request) const;
    bool domainsAllow(const StoredRule &rule, std::string_view sourceHost) const;
    bool regexMatches(uint32_t id, const Request &request) const;
    void startRequest(const Request &request) const;

    EngineTables m_t;
    mutable std::vector<uint32_t> m_seen; // the request number each rule was last tried for
    mutable uint32_t m_requestNumber = 0;
    mutable std::vector<uint32_t> m_keys; // the current request's tokens and page domains
    mutable std::unordered_map<uint32_t, QRegularExpression> m_regex; // compiled on first use
};

// The key a domain goes into the index under (kept apart from token keys).
uint32_t domainKey(std::string_view domain);
uint64_t domainHash(std::string_view domain);

} // namespace contentfilter
