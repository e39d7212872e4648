#include "contentfilter/rule_index.h"

#include <algorithm>

namespace contentfilter {

IndexTables RuleIndex::build(std::vector<std::pair<uint32_t, uint32_t>> keyAndId)
{
    std::sort(keyAndId.begin(), keyAndId.end());
    size_t keys = 0;
    for (size_t i = 0; i < keyAndId.size(); ++i)
        keys += i == 0 || keyAndId[i].first != keyAndId[i - 1].first;
    // At most two thirds full, so a miss ends after a slot or two.
    size_t size = 16;
    while (size * 2 < keys * 3)
        size *= 2;
    IndexTables index;
    index.buckets.assign(size, IndexSlot{});
    const uint32_t mask = uint32_t(size - 1);
    for (size_t i = 0; i < keyAndId.size();) {
        const uint32_t key = keyAndId[i].first;
        size_t end = i;
        while (end < keyAndId.size() && keyAndId[end].first == key)
            ++end;
        uint32_t value = keyAndId[i].second;
        if (end - i > 1) {
            value = IndexSlot::kManyRules | uint32_t(index.lists.size());
            index.lists.push_back(uint32_t(end - i));
            for (size_t k = i; k < end; ++k)
                index.lists.push_back(keyAndId[k].second);
        }
        uint32_t at = (key * 2654435761u) & mask;
        while (index.buckets[at].value != IndexSlot::kEmpty)
            at = (at + 1) & mask;
        index.buckets[at] = {key, value};
        i = end;
    }
    return index;
}

bool RuleIndex::isConsistent(uint32_t ruleCount) const
{
    const size_t size = m_slots.size();
    if (size == 0 || (size & (size - 1)) != 0)
        return false;
    bool anyEmpty = false;
    for (const IndexSlot &slot : m_slots) {
        if (slot.value == IndexSlot::kEmpty) {
            anyEmpty = true; // a lookup stops at the first empty slot
            continue;
        }
        if (!(slot.value & IndexSlot::kManyRules)) {
            if (slot.value >= ruleCount)
                return false;
            continue;
        }
        const size_t at = slot.value & ~IndexSlot::kManyRules;
        if (at >= m_lists.size() || m_lists[at] > m_lists.size() - at - 1)
            return false;
        const uint32_t *ids = m_lists.data() + at + 1;
        if (!std::all_of(ids, ids + m_lists[at], [ruleCount](uint32_t id) { return id < ruleCount; }))
            return false;
    }
    return anyEmpty;
}

} // namespace contentfilter
