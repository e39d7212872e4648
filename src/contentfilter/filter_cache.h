#pragma once

// The built engine on disk, so a start with unchanged lists skips parsing.
// The file names what it was built from (each list's path, size and time)
// and carries a checksum of its contents; a file that does not match in
// every respect is not used, and the caller builds afresh. The engine's
// image is read into memory as it is and used in place. The rule texts'
// places in the lists come last, under a checksum of their own, and are
// read only by who shows rule texts.

#include "contentfilter/filter_engine.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

namespace contentfilter {

// What a cache must have been built from: the lists' paths, sizes and times.
QByteArray listFingerprint(const QStringList &listFiles);

struct CacheContents {
    std::unique_ptr<FilterEngine> engine;
    std::vector<uint32_t> sources; // empty unless asked for
};

QByteArray serializeCache(const EngineImage &image, const std::vector<uint32_t> &sources,
                          const QByteArray &fingerprint);
QByteArray serializeTables(const EngineTables &tables, const QByteArray &fingerprint);

// Nothing when the file is not a whole, consistent cache for
// `fingerprint`. The engine's image stays a mapping of the file: the file
// is only ever replaced (saveCache renames a new one into place), never
// written over, so what was checked stays what is read.
std::optional<CacheContents> readCache(const QString &file, const QByteArray &fingerprint, bool withSources);
// The same over bytes, with the sources.
std::optional<CacheContents> deserializeTables(const QByteArray &bytes, const QByteArray &fingerprint);

// serializeCache's bytes, written to a temporary file and renamed into place; false when that failed.
bool saveCache(const QString &file, const QByteArray &bytes);

} // namespace contentfilter
