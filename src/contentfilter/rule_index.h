#pragma once

#include <cstdint>
#include <utility>
#include <vector>

namespace contentfilter {

// Rule numbers by a 32-bit key (a token's or a domain's hash; 0 for the
// rules that have neither and are tried on every request). Flat arrays, so
// the index is written to and read from the cache as it is.
struct RuleIndex {
    std::vector<uint32_t> table;  // open addressing, power-of-two size: bucket + 1, or 0
    std::vector<uint32_t> keys;   // per bucket
    std::vector<uint32_t> starts; // per bucket, and one past the last
    std::vector<uint32_t> ids;

    static RuleIndex build(std::vector<std::pair<uint32_t, uint32_t>> keyAndId);

    // The rule numbers under `key`, as [begin, end).
    std::pair<const uint32_t *, const uint32_t *> find(uint32_t key) const
    {
        if (table.empty())
            return {nullptr, nullptr};
        const uint32_t mask = uint32_t(table.size() - 1);
        for (uint32_t slot = (key * 2654435761u) & mask;; slot = (slot + 1) & mask) {
            const uint32_t bucket = table[slot];
            if (!bucket)
                return {nullptr, nullptr};
            if (keys[bucket - 1] == key)
                return {ids.data() + starts[bucket - 1], ids.data() + starts[bucket]};
        }
    }

    // Whether the arrays agree with each other and name no rule at or past
    // `ruleCount`: what a cache read from disk must pass before it is used.
    bool isConsistent(uint32_t ruleCount) const;
};

} // namespace contentfilter
