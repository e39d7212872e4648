#include "contentfilter/filter_cache.h"

#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>
#include <cstring>

namespace contentfilter {
namespace {

const char kMagic[8] = {'K', 'F', 'I', 'L', 'T', 'E', 'R', '\n'};
// Raised whenever the layout of what follows changes.
constexpr uint32_t kFormatVersion = 1;

// A word-at-a-time checksum: the cache is read at every start, so it must
// cost far less than the read itself, and it only has to catch damage.
uint64_t checksum(const char *data, size_t size)
{
    uint64_t hash = 0x9e3779b97f4a7c15ull ^ size;
    size_t i = 0;
    for (; i + 8 <= size; i += 8) {
        uint64_t word;
        std::memcpy(&word, data + i, 8);
        hash = (hash ^ word) * 0xff51afd7ed558ccdull;
        hash ^= hash >> 32;
    }
    for (; i < size; ++i)
        hash = (hash ^ (unsigned char)data[i]) * 0xc4ceb9fe1a85ec53ull;
    return hash ^ (hash >> 29);
}

class Writer {
public:
    void u32(uint32_t value) { raw(&value, sizeof value); }
    void u64(uint64_t value) { raw(&value, sizeof value); }
    void text(std::string_view s)
    {
        u64(s.size());
        raw(s.data(), s.size());
    }
    template<typename T>
    void array(const std::vector<T> &values)
    {
        static_assert(std::is_trivially_copyable_v<T>);
        u64(values.size());
        raw(values.data(), values.size() * sizeof(T));
    }
    void texts(const std::vector<std::string> &values)
    {
        u64(values.size());
        for (const std::string &s : values)
            text(s);
    }
    void raw(const void *data, size_t size)
    {
        if (size) // an empty vector's data() may be null
            bytes.append(static_cast<const char *>(data), qsizetype(size));
    }
    QByteArray bytes;
};

// Every read checks that the bytes are there; a short or garbled file ends
// the read with ok() false instead of reading past the buffer.
class Reader {
public:
    Reader(const char *data, size_t size) : m_data(data), m_size(size) {}
    bool ok() const { return m_ok; }
    bool atEnd() const { return m_at == m_size; }
    uint32_t u32()
    {
        uint32_t value = 0;
        raw(&value, sizeof value);
        return value;
    }
    uint64_t u64()
    {
        uint64_t value = 0;
        raw(&value, sizeof value);
        return value;
    }
    std::string text()
    {
        const uint64_t size = u64();
        if (!have(size))
            return {};
        std::string s(m_data + m_at, size_t(size));
        m_at += size_t(size);
        return s;
    }
    template<typename T>
    std::vector<T> array()
    {
        const uint64_t count = u64();
        if (count > (m_size - m_at) / sizeof(T)) {
            m_ok = false;
            return {};
        }
        std::vector<T> values(static_cast<size_t>(count));
        raw(values.data(), size_t(count) * sizeof(T));
        return values;
    }
    std::vector<std::string> texts()
    {
        const uint64_t count = u64();
        // Each text takes at least its length field.
        if (count > (m_size - m_at) / 8) {
            m_ok = false;
            return {};
        }
        std::vector<std::string> values;
        values.reserve(size_t(count));
        for (uint64_t i = 0; i < count && m_ok; ++i)
            values.push_back(text());
        return values;
    }
    void raw(void *into, size_t size)
    {
        if (!have(size) || size == 0)
            return;
        std::memcpy(into, m_data + m_at, size);
        m_at += size;
    }

private:
    bool have(uint64_t size)
    {
        if (!m_ok || size > m_size - m_at)
            m_ok = false;
        return m_ok;
    }
    const char *m_data;
    size_t m_size;
    size_t m_at = 0;
    bool m_ok = true;
};

void writeIndex(Writer &w, const RuleIndex &index)
{
    w.array(index.table);
    w.array(index.keys);
    w.array(index.starts);
    w.array(index.ids);
}

RuleIndex readIndex(Reader &r)
{
    RuleIndex index;
    index.table = r.array<uint32_t>();
    index.keys = r.array<uint32_t>();
    index.starts = r.array<uint32_t>();
    index.ids = r.array<uint32_t>();
    return index;
}

bool selectorsFit(const CosmeticFilter &c)
{
    const size_t count = c.selectors.size();
    const auto fits = [count](const std::vector<uint32_t> &numbers) {
        return std::all_of(numbers.begin(), numbers.end(), [count](uint32_t n) { return n < count; });
    };
    if (!fits(c.generic))
        return false;
    for (const auto &[name, site] : c.sites)
        if (!fits(site.hide) || !fits(site.unhide))
            return false;
    return true;
}

bool rulesFit(const EngineTables &t)
{
    const uint64_t pool = t.pool.size();
    for (const StoredRule &rule : t.rules) {
        if (uint64_t(rule.pattern) + rule.patternLength > pool || uint64_t(rule.text) + rule.textLength > pool ||
            uint64_t(rule.domains) + rule.domainCount > t.domains.size())
            return false;
    }
    return true;
}

} // namespace

QByteArray listFingerprint(const QStringList &listFiles)
{
    QByteArray fingerprint;
    for (const QString &file : listFiles) {
        const QFileInfo info(file);
        fingerprint += info.absoluteFilePath().toUtf8() + '\t' + QByteArray::number(info.size()) + '\t' +
                       QByteArray::number(info.lastModified().toMSecsSinceEpoch()) + '\n';
    }
    return fingerprint;
}

QByteArray serializeTables(const EngineTables &t, const QByteArray &fingerprint)
{
    Writer body;
    body.text(std::string_view(fingerprint.constData(), size_t(fingerprint.size())));
    body.text(t.pool);
    body.array(t.rules);
    body.array(t.domains);
    writeIndex(body, t.important);
    writeIndex(body, t.block);
    writeIndex(body, t.exception);
    body.texts(t.cosmetic.selectors);
    body.array(t.cosmetic.generic);
    body.u64(t.cosmetic.sites.size());
    for (const auto &[name, site] : t.cosmetic.sites) {
        body.text(name);
        body.array(site.hide);
        body.array(site.unhide);
        body.u32(site.noGeneric ? 1 : 0);
    }
    body.u64(t.skipped.size());
    for (const SkipCount &s : t.skipped) {
        body.text(s.reason);
        body.u32(s.count);
    }
    body.u32(t.cosmeticRules);

    Writer file;
    file.raw(kMagic, sizeof kMagic);
    file.u32(kFormatVersion);
    file.u64(uint64_t(body.bytes.size()));
    file.u64(checksum(body.bytes.constData(), size_t(body.bytes.size())));
    file.bytes += body.bytes;
    return file.bytes;
}

std::optional<EngineTables> deserializeTables(const QByteArray &bytes, const QByteArray &fingerprint)
{
    constexpr size_t kHeader = sizeof kMagic + 4 + 8 + 8;
    if (size_t(bytes.size()) < kHeader || std::memcmp(bytes.constData(), kMagic, sizeof kMagic) != 0)
        return std::nullopt;
    Reader header(bytes.constData() + sizeof kMagic, kHeader - sizeof kMagic);
    const uint32_t version = header.u32();
    const uint64_t size = header.u64();
    const uint64_t sum = header.u64();
    if (version != kFormatVersion || size != uint64_t(bytes.size()) - kHeader)
        return std::nullopt;
    const char *body = bytes.constData() + kHeader;
    if (checksum(body, size_t(size)) != sum)
        return std::nullopt;

    Reader r(body, size_t(size));
    if (r.text() != std::string_view(fingerprint.constData(), size_t(fingerprint.size())))
        return std::nullopt;
    EngineTables t;
    t.pool = r.text();
    t.rules = r.array<StoredRule>();
    t.domains = r.array<uint64_t>();
    t.important = readIndex(r);
    t.block = readIndex(r);
    t.exception = readIndex(r);
    t.cosmetic.selectors = r.texts();
    t.cosmetic.generic = r.array<uint32_t>();
    const uint64_t sites = r.u64();
    for (uint64_t i = 0; i < sites && r.ok(); ++i) {
        std::string name = r.text();
        CosmeticSite site;
        site.hide = r.array<uint32_t>();
        site.unhide = r.array<uint32_t>();
        site.noGeneric = r.u32() != 0;
        t.cosmetic.sites.emplace(std::move(name), std::move(site));
    }
    const uint64_t reasons = r.u64();
    for (uint64_t i = 0; i < reasons && r.ok(); ++i) {
        SkipCount s;
        s.reason = r.text();
        s.count = r.u32();
        t.skipped.push_back(std::move(s));
    }
    t.cosmeticRules = r.u32();
    const uint32_t ruleCount = uint32_t(t.rules.size());
    if (!r.ok() || !r.atEnd() || !rulesFit(t) || !selectorsFit(t.cosmetic) || !t.important.isConsistent(ruleCount) ||
        !t.block.isConsistent(ruleCount) || !t.exception.isConsistent(ruleCount))
        return std::nullopt;
    return t;
}

bool saveCache(const QString &file, const EngineTables &tables, const QByteArray &fingerprint)
{
    QSaveFile out(file);
    if (!out.open(QIODevice::WriteOnly))
        return false;
    const QByteArray bytes = serializeTables(tables, fingerprint);
    return out.write(bytes) == bytes.size() && out.commit();
}

} // namespace contentfilter
