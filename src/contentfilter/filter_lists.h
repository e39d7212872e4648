#pragma once

// Where the lists come from and how the engine is made from them: loaded
// from the cache when the lists are those it was built from, built and
// cached otherwise.

#include "contentfilter/filter_engine.h"

#include <QString>
#include <QStringList>

#include <memory>

namespace contentfilter {

// The lists the browser uses: EasyList and EasyPrivacy as the system's
// package installs them (when it does), then every file of
// "<engineFolder>/filters", by name.
QStringList defaultLists(const QString &engineFolder);

// Names another folder to take the system's lists from; set but empty,
// there are none. Read when the lists are looked up (once, at start).
constexpr char kSystemListsVariable[] = "KESTRELON_FILTER_LISTS";

// The file of sites whose pages are never filtered, and the cache file.
QString allowedSitesFile(const QString &engineFolder);
QString cacheFile(const QString &engineFolder);

// One host name a line; blank lines and lines starting with '#' are
// skipped, a leading "www." is kept (it names only that host and below).
QStringList readAllowedSites(const QString &file);
bool isAllowedSite(const QStringList &allowedSites, std::string_view host);

struct LoadedEngine {
    std::unique_ptr<FilterEngine> engine;
    bool fromCache = false;
    bool cacheWritten = false;
    QByteArray cacheBytes; // with CacheWrite::Later: the cache to write, if any
    qint64 nanoseconds = 0;  // the time to load or to build
    QStringList unreadable;  // lists that could not be read (left out)
    std::vector<uint32_t> sources; // with `withSources`: for RuleTexts
};

// Later: the engine is wanted before its cache is on disk, and the caller
// writes `cacheBytes` to `cachePath` with saveCache (filter_cache.h) once it
// has handed the engine on.
enum class CacheWrite { Now, Later };

// `cachePath` empty: always build, write nothing.
LoadedEngine loadEngine(const QStringList &lists, const QString &cachePath, bool withSources = false,
                        CacheWrite when = CacheWrite::Now);

} // namespace contentfilter
