#pragma once

// The built engine on disk, so a start with unchanged lists skips parsing.
// The file names what it was built from (each list's path, size and time)
// and carries a checksum of its contents; a file that does not match in
// every respect is not used, and the caller builds afresh.

#include "contentfilter/filter_engine.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

namespace contentfilter {

// What a cache must have been built from: the lists' paths, sizes and times.
QByteArray listFingerprint(const QStringList &listFiles);

QByteArray serializeTables(const EngineTables &tables, const QByteArray &fingerprint);
// Nothing when the bytes are not a whole, consistent cache for `fingerprint`.
std::optional<EngineTables> deserializeTables(const QByteArray &bytes, const QByteArray &fingerprint);

// Written to a temporary file and renamed into place; false when that failed.
bool saveCache(const QString &file, const EngineTables &tables, const QByteArray &fingerprint);

} // namespace contentfilter
