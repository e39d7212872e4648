#pragma once

#include <cstdint>
#include <span>
#include <utility>
#include <vector>

namespace contentfilter {

// One slot of the index's hash table. A key with one rule keeps the rule's
// number in `value`; a key with several keeps kManyRules | the position in
// the lists array, where the count comes first and the numbers follow.
struct IndexSlot {
    uint32_t key = 0;
    uint32_t value = kEmpty;

    static constexpr uint32_t kEmpty = 0xffffffffu;
    static constexpr uint32_t kManyRules = 0x80000000u;
};

// The index as built, before it goes into the engine's image.
struct IndexTables {
    std::vector<IndexSlot> buckets; // open addressing, power-of-two size
    std::vector<uint32_t> lists;
};

// Rule numbers by a 32-bit key (a token's or a domain's hash; 0 for the
// rules that have neither and are tried on every request), read in place
// from the engine's image.
class RuleIndex {
public:
    RuleIndex() = default;
    RuleIndex(std::span<const IndexSlot> buckets, std::span<const uint32_t> lists) : m_slots(buckets), m_lists(lists) {}

    static IndexTables build(std::vector<std::pair<uint32_t, uint32_t>> keyAndId);

    // The rule numbers under `key`, as [begin, end).
    std::pair<const uint32_t *, const uint32_t *> find(uint32_t key) const
    {
        if (m_slots.empty())
            return {nullptr, nullptr};
        const uint32_t mask = uint32_t(m_slots.size() - 1);
        for (uint32_t at = (key * 2654435761u) & mask;; at = (at + 1) & mask) {
            const IndexSlot &slot = m_slots[at];
            if (slot.value == IndexSlot::kEmpty)
                return {nullptr, nullptr};
            if (slot.key != key)
                continue;
            if (!(slot.value & IndexSlot::kManyRules))
                return {&slot.value, &slot.value + 1};
            const uint32_t *list = m_lists.data() + (slot.value & ~IndexSlot::kManyRules);
            return {list + 1, list + 1 + *list};
        }
    }

    // Whether every lookup ends and names no rule at or past `ruleCount`:
    // what an image read from disk must pass before it is used.
    bool isConsistent(uint32_t ruleCount) const;

private:
    std::span<const IndexSlot> m_slots;
    std::span<const uint32_t> m_lists;
};

} // namespace contentfilter
