#include "contentfilter/filter_cache.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>
#include <cstring>

namespace contentfilter {
namespace {

const char kMagic[8] = {'K', 'F', 'I', 'L', 'T', 'E', 'R', '\n'};
// Raised whenever the layout of what follows changes.
constexpr uint32_t kFormatVersion = 2;

// magic, version, fingerprint length, image size, sources size, the
// checksum of the header words, fingerprint and image, the sources' checksum.
struct Header {
    char magic[8];
    uint32_t version;
    uint32_t fingerprintLength;
    uint64_t imageSize;
    uint64_t sourcesSize;
    uint64_t sum;
    uint64_t sourcesSum;
};
static_assert(sizeof(Header) == 48);
// What the main checksum covers of the header: all but the two sums.
constexpr size_t kSummedHeader = offsetof(Header, sum);

size_t padded(size_t size)
{
    return (size + 7) & ~size_t(7);
}

// Four words at a time in four lanes: the cache is read at every start,
// so this must cost far less than the read itself; it only has to catch
// damage, not forgery (the tables are checked for sense after it).
uint64_t checksum(const char *data, size_t size, uint64_t seed)
{
    uint64_t lane[4] = {seed ^ size, seed + 0x9e3779b97f4a7c15ull, seed ^ 0xc2b2ae3d27d4eb4full, ~seed};
    size_t i = 0;
    for (; i + 32 <= size; i += 32) {
        uint64_t words[4];
        std::memcpy(words, data + i, 32);
        for (int k = 0; k < 4; ++k) {
            lane[k] = (lane[k] ^ words[k]) * 0xff51afd7ed558ccdull;
            lane[k] ^= lane[k] >> 32;
        }
    }
    uint64_t hash = lane[0] ^ (lane[1] * 3) ^ (lane[2] * 5) ^ (lane[3] * 7);
    for (; i < size; ++i)
        hash = (hash ^ (unsigned char)data[i]) * 0xc4ceb9fe1a85ec53ull;
    return hash ^ (hash >> 29);
}

uint64_t mainSum(const Header &h, const QByteArray &fingerprint, const char *image, size_t imageSize)
{
    uint64_t sum = checksum(reinterpret_cast<const char *>(&h), kSummedHeader, 0x5f7a1c3e9b2d4086ull);
    sum = checksum(fingerprint.constData(), size_t(fingerprint.size()), sum);
    return checksum(image, imageSize, sum);
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

QByteArray serializeCache(const EngineImage &image, const std::vector<uint32_t> &sources,
                          const QByteArray &fingerprint)
{
    Header h{};
    std::memcpy(h.magic, kMagic, sizeof kMagic);
    h.version = kFormatVersion;
    h.fingerprintLength = uint32_t(fingerprint.size());
    h.imageSize = image.size;
    h.sourcesSize = sources.size() * sizeof(uint32_t);
    h.sum = mainSum(h, fingerprint, image.data(), image.size);
    h.sourcesSum = checksum(reinterpret_cast<const char *>(sources.data()), size_t(h.sourcesSize), h.sum);
    QByteArray bytes(reinterpret_cast<const char *>(&h), sizeof h);
    bytes += fingerprint;
    bytes.append(qsizetype(padded(size_t(fingerprint.size())) - size_t(fingerprint.size())), '\0');
    bytes.append(image.data(), qsizetype(image.size));
    if (!sources.empty()) // an empty vector's data() may be null
        bytes.append(reinterpret_cast<const char *>(sources.data()), qsizetype(h.sourcesSize));
    return bytes;
}

QByteArray serializeTables(const EngineTables &tables, const QByteArray &fingerprint)
{
    return serializeCache(imageOf(tables), tables.sources, fingerprint);
}

namespace {

// The checks of a whole cache file's bytes; the place and size of the
// image in them, nothing when they fail.
std::optional<std::pair<size_t, size_t>> checkCache(const char *bytes, size_t size, const QByteArray &fingerprint,
                                                    bool withSources, std::vector<uint32_t> *sources)
{
    Header h;
    if (size < sizeof h)
        return std::nullopt;
    std::memcpy(&h, bytes, sizeof h);
    if (std::memcmp(h.magic, kMagic, sizeof kMagic) != 0 || h.version != kFormatVersion ||
        h.fingerprintLength != uint64_t(fingerprint.size()))
        return std::nullopt;
    const uint64_t left = size - sizeof h;
    const uint64_t fingerprintSpace = padded(h.fingerprintLength);
    if (h.imageSize > left || h.sourcesSize > left || fingerprintSpace + h.imageSize + h.sourcesSize != left ||
        h.sourcesSize % sizeof(uint32_t) != 0)
        return std::nullopt;
    const char *stored = bytes + sizeof h;
    if (std::memcmp(stored, fingerprint.constData(), size_t(fingerprint.size())) != 0 ||
        std::any_of(stored + fingerprint.size(), stored + fingerprintSpace, [](char c) { return c != 0; }))
        return std::nullopt;
    const char *image = stored + fingerprintSpace;
    if (mainSum(h, fingerprint, image, size_t(h.imageSize)) != h.sum)
        return std::nullopt;
    if (withSources) {
        const char *at = image + h.imageSize;
        if (checksum(at, size_t(h.sourcesSize), h.sum) != h.sourcesSum)
            return std::nullopt;
        sources->resize(size_t(h.sourcesSize / sizeof(uint32_t)));
        if (h.sourcesSize)
            std::memcpy(sources->data(), at, size_t(h.sourcesSize));
    }
    return std::pair{size_t(image - bytes), size_t(h.imageSize)};
}

std::optional<CacheContents> engineOf(EngineImage image, CacheContents contents, bool withSources)
{
    contents.engine = FilterEngine::fromImage(std::move(image));
    if (!contents.engine || (withSources && contents.sources.size() != contents.engine->networkRuleCount()))
        return std::nullopt;
    return contents;
}

} // namespace

std::optional<CacheContents> readCache(const QString &file, const QByteArray &fingerprint, bool withSources)
{
    auto mapping = std::make_shared<QFile>(file);
    if (!mapping->open(QIODevice::ReadOnly) || mapping->size() <= 0)
        return std::nullopt;
    const qint64 size = mapping->size();
    const uchar *bytes = mapping->map(0, size, QFileDevice::MapPrivateOption);
    if (!bytes)
        return std::nullopt;
    CacheContents contents;
    const auto image = checkCache(reinterpret_cast<const char *>(bytes), size_t(size), fingerprint, withSources,
                                  &contents.sources);
    if (!image)
        return std::nullopt;
    EngineImage mapped;
    mapped.mapped = reinterpret_cast<const char *>(bytes) + image->first;
    mapped.size = image->second;
    mapped.mapping = std::move(mapping);
    return engineOf(std::move(mapped), std::move(contents), withSources);
}

std::optional<CacheContents> deserializeTables(const QByteArray &bytes, const QByteArray &fingerprint)
{
    CacheContents contents;
    const auto image = checkCache(bytes.constData(), size_t(bytes.size()), fingerprint, true, &contents.sources);
    if (!image)
        return std::nullopt;
    EngineImage copy;
    copy.size = image->second;
    copy.words.resize(padded(copy.size) / 8);
    if (copy.size)
        std::memcpy(copy.words.data(), bytes.constData() + image->first, copy.size);
    return engineOf(std::move(copy), std::move(contents), true);
}

bool saveCache(const QString &file, const QByteArray &bytes)
{
    QSaveFile out(file);
    if (!out.open(QIODevice::WriteOnly))
        return false;
    return out.write(bytes) == bytes.size() && out.commit();
}

} // namespace contentfilter
