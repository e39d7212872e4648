#include "contentfilter/filter_lists.h"

#include "contentfilter/domains.h"
#include "contentfilter/filter_cache.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>

#include <utility>

namespace contentfilter {
namespace {

const char kSystemListFolder[] = "/usr/share/chromium/extensions/ublock-origin/assets/thirdparties/easylist";

QString systemListFolder()
{
    if (qEnvironmentVariableIsSet(kSystemListsVariable))
        return qEnvironmentVariable(kSystemListsVariable);
    return QString::fromLatin1(kSystemListFolder);
}

} // namespace

QStringList defaultLists(const QString &engineFolder)
{
    QStringList lists;
    const QString systemFolder = systemListFolder();
    for (const char *name : {"easylist.txt", "easyprivacy.txt"}) {
        const QString path = systemFolder + QLatin1Char('/') + QLatin1String(name);
        if (!systemFolder.isEmpty() && QFileInfo::exists(path))
            lists << path;
    }
    const QDir own(engineFolder + QStringLiteral("/filters"));
    for (const QFileInfo &info : own.entryInfoList(QDir::Files | QDir::Readable, QDir::Name))
        lists << info.absoluteFilePath();
    return lists;
}

QString allowedSitesFile(const QString &engineFolder)
{
    return engineFolder + QStringLiteral("/unfiltered-sites.txt");
}

QString cacheFile(const QString &engineFolder)
{
    return engineFolder + QStringLiteral("/filters.cache");
}

QStringList readAllowedSites(const QString &file)
{
    QStringList sites;
    QFile in(file);
    if (!in.open(QIODevice::ReadOnly))
        return sites;
    while (!in.atEnd()) {
        const QString line = QString::fromUtf8(in.readLine()).trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        sites << line.toLower();
    }
    return sites;
}

bool isAllowedSite(const QStringList &allowedSites, std::string_view host)
{
    for (const QString &site : allowedSites)
        if (isSameOrSubdomain(host, site.toStdString()))
            return true;
    return false;
}

LoadedEngine loadEngine(const QStringList &lists, const QString &cachePath, bool withSources, CacheWrite when)
{
    LoadedEngine loaded;
    QElapsedTimer timer;
    timer.start();
    const QByteArray fingerprint = listFingerprint(lists);
    if (!cachePath.isEmpty()) {
        std::optional<CacheContents> contents = readCache(cachePath, fingerprint, withSources);
        if (contents) {
            loaded.engine = std::move(contents->engine);
            loaded.sources = std::move(contents->sources);
            loaded.fromCache = true;
            loaded.nanoseconds = timer.nsecsElapsed();
            return loaded;
        }
    }
    std::vector<QByteArray> texts;
    for (const QString &list : lists) {
        QFile file(list);
        if (!file.open(QIODevice::ReadOnly)) {
            loaded.unreadable << list;
            continue;
        }
        texts.push_back(file.readAll());
    }
    std::vector<std::string_view> views;
    for (const QByteArray &text : texts)
        views.emplace_back(text.constData(), size_t(text.size()));
    EngineTables tables = buildTables(views);
    loaded.sources = std::move(tables.sources);
    loaded.engine = FilterEngine::fromImage(imageOf(tables));
    tables = EngineTables();
    loaded.nanoseconds = timer.nsecsElapsed();
    // A list that could not be read now would make the cache stand for
    // less than the lists: it is written only from a complete read.
    if (!cachePath.isEmpty() && loaded.unreadable.isEmpty()) {
        loaded.cacheBytes = serializeCache(loaded.engine->image(), loaded.sources, fingerprint);
        if (when == CacheWrite::Now)
            loaded.cacheWritten = saveCache(cachePath, std::exchange(loaded.cacheBytes, {}));
    }
    if (!withSources)
        loaded.sources = {};
    return loaded;
}

} // namespace contentfilter
