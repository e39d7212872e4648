#pragma once

// The layout of an EngineImage: two 32-bit words (the number of sections
// and the count of element-hiding rules), then each section's offset and
// size in bytes, then the sections, each at an 8-byte boundary.

#include "contentfilter/filter_engine.h"

#include <cstring>
#include <span>
#include <string_view>
#include <type_traits>

namespace contentfilter {

enum ImageSection : uint32_t {
    kPatterns,
    kRules,
    kRuleDomains,
    kDomains,
    kImportantSlots, // each index's lists follow its buckets
    kImportantLists,
    kBlockSlots,
    kBlockLists,
    kExceptionSlots,
    kExceptionLists,
    kSelectorText,
    kSelectorStarts,
    kGeneric,
    kSites,
    kSiteNames,
    kSiteSelectors,
    kSkipReasons,
    kSkipCounts,
    kSectionCount
};

constexpr size_t kImageHeader = 8 + kSectionCount * 16;

class ImageWriter {
public:
    template<typename T>
    void put(ImageSection section, const std::vector<T> &values)
    {
        static_assert(std::is_trivially_copyable_v<T> && alignof(T) <= 8);
        putBytes(section, values.data(), values.size() * sizeof(T));
    }
    void put(ImageSection section, const std::string &text) { putBytes(section, text.data(), text.size()); }

    EngineImage finish(uint32_t cosmeticRules)
    {
        const uint32_t head[2] = {kSectionCount, cosmeticRules};
        std::memcpy(m_bytes.data(), head, sizeof head);
        std::memcpy(m_bytes.data() + 8, m_table, sizeof m_table);
        EngineImage image;
        image.size = m_bytes.size();
        image.words.resize((m_bytes.size() + 7) / 8);
        std::memcpy(image.words.data(), m_bytes.data(), m_bytes.size());
        return image;
    }

private:
    void putBytes(ImageSection section, const void *data, size_t size)
    {
        m_bytes.resize((m_bytes.size() + 7) & ~size_t(7));
        m_table[section][0] = m_bytes.size();
        m_table[section][1] = size;
        if (size) // an empty vector's data() may be null
            m_bytes.append(static_cast<const char *>(data), size);
    }
    std::string m_bytes = std::string(kImageHeader, '\0');
    uint64_t m_table[kSectionCount][2] = {};
};

// Each section checked to lie within the image, on its boundary, and to
// hold whole values; nothing beyond that (FilterEngine::isConsistent).
class ImageReader {
public:
    explicit ImageReader(const EngineImage &image) : m_image(image)
    {
        uint32_t head[2] = {};
        if (image.size < kImageHeader || (!image.mapped && image.words.size() * 8 < image.size) ||
            reinterpret_cast<uintptr_t>(image.data()) % 8 != 0)
            return;
        std::memcpy(head, image.data(), sizeof head);
        if (head[0] != kSectionCount)
            return;
        m_cosmeticRules = head[1];
        std::memcpy(m_table, image.data() + 8, sizeof m_table);
        m_ok = true;
    }
    bool ok() const { return m_ok; }
    uint32_t cosmeticRules() const { return m_cosmeticRules; }

    template<typename T>
    bool get(ImageSection section, std::span<const T> &out) const
    {
        const char *at = bytes(section, sizeof(T));
        if (!at)
            return false;
        out = {reinterpret_cast<const T *>(at), size_t(m_table[section][1] / sizeof(T))};
        return true;
    }
    bool get(ImageSection section, std::string_view &out) const
    {
        const char *at = bytes(section, 1);
        if (!at)
            return false;
        out = {at, size_t(m_table[section][1])};
        return true;
    }

private:
    const char *bytes(ImageSection section, size_t unit) const
    {
        const uint64_t offset = m_table[section][0], size = m_table[section][1];
        if (offset < kImageHeader || offset % 8 != 0 || offset > m_image.size || size > m_image.size - offset ||
            size % unit != 0)
            return nullptr;
        return m_image.data() + offset;
    }
    const EngineImage &m_image;
    uint64_t m_table[kSectionCount][2] = {};
    uint32_t m_cosmeticRules = 0;
    bool m_ok = false;
};

} // namespace contentfilter
