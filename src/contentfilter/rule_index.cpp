#include "contentfilter/rule_index.h"

#include <algorithm>

namespace contentfilter {

RuleIndex RuleIndex::build(std::vector<std::pair<uint32_t, uint32_t>> keyAndId)
{
    std::sort(keyAndId.begin(), keyAndId.end());
    RuleIndex index;
    for (const auto &[key, id] : keyAndId) {
        if (index.keys.empty() || index.keys.back() != key) {
            index.keys.push_back(key);
            index.starts.push_back(uint32_t(index.ids.size()));
        }
        index.ids.push_back(id);
    }
    index.starts.push_back(uint32_t(index.ids.size()));
    // At most half full, so a miss ends after a slot or two.
    size_t size = 16;
    while (size < index.keys.size() * 2)
        size *= 2;
    index.table.assign(size, 0);
    const uint32_t mask = uint32_t(size - 1);
    for (uint32_t bucket = 0; bucket < index.keys.size(); ++bucket) {
        uint32_t slot = (index.keys[bucket] * 2654435761u) & mask;
        while (index.table[slot])
            slot = (slot + 1) & mask;
        index.table[slot] = bucket + 1;
    }
    return index;
}

bool RuleIndex::isConsistent(uint32_t ruleCount) const
{
    const size_t size = table.size();
    if (size == 0 || (size & (size - 1)) != 0 || size < keys.size() * 2 || starts.size() != keys.size() + 1)
        return false;
    if (starts.front() != 0 || starts.back() != ids.size())
        return false;
    for (size_t i = 0; i + 1 < starts.size(); ++i)
        if (starts[i] > starts[i + 1])
            return false;
    for (uint32_t bucket : table)
        if (bucket > keys.size())
            return false;
    // Every key must be reachable, or a lookup could run past empty table forever.
    size_t used = 0;
    for (uint32_t bucket : table)
        used += bucket != 0;
    if (used != keys.size())
        return false;
    return std::all_of(ids.begin(), ids.end(), [ruleCount](uint32_t id) { return id < ruleCount; });
}

} // namespace contentfilter
