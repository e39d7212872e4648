#include "platform/site_zoom.h"

#include "platform/engine_profile.h"
#include "toolkit/core/exceptions.h"
#include "toolkit/core/paths.h"

#include <QDir>
#include <QFileInfo>
#include <QFile>
#include <QSaveFile>
#include <QUrl>

#include <algorithm>

namespace platform {

int zoomStep(int percent, int steps)
{
    const int *begin = std::begin(kZoomLevels);
    const int *end = std::end(kZoomLevels);
    int index;
    if (steps > 0) {
        // The first level above the current one is step one.
        index = int(std::upper_bound(begin, end, percent) - begin) + steps - 1;
    } else if (steps < 0) {
        index = int(std::lower_bound(begin, end, percent) - begin) + steps;
    } else {
        return std::clamp(percent, kZoomMinimum, kZoomMaximum);
    }
    return kZoomLevels[std::clamp(index, 0, int(std::size(kZoomLevels)) - 1)];
}

SiteZoom::SiteZoom(QString filePath) : m_path(std::move(filePath))
{
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly))
        return;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        const qsizetype tab = line.indexOf(QLatin1Char('\t'));
        if (tab <= 0)
            continue;
        bool ok = false;
        const int level = line.mid(tab + 1).toInt(&ok);
        if (ok && level >= kZoomMinimum && level <= kZoomMaximum)
            m_levels.insert(line.left(tab), level);
    }
}

QString SiteZoom::defaultFile()
{
    // The levels live beside the engine's own store; when that store cannot
    // be kept on disk (the user has been told once), they last for this run.
    if (!engineProfileIsPersistent())
        return QString();
    const QString folder = toolkit::installationPath(QStringLiteral("engine"));
    QDir().mkpath(folder);
    return toolkit::installationPath(QStringLiteral("engine\\site-zoom.txt"));
}

QString SiteZoom::siteOf(const QUrl &url)
{
    return url.host().toLower();
}

int SiteZoom::percent(const QString &site) const
{
    return m_levels.value(site, 100);
}

void SiteZoom::setPercent(const QString &site, int percent)
{
    if (site.isEmpty() || this->percent(site) == percent)
        return;
    if (percent == 100)
        m_levels.remove(site);
    else
        m_levels.insert(site, percent);
    save();
}

void SiteZoom::save() const
{
    if (m_path.isEmpty())
        return;
    QStringList sites = m_levels.keys();
    sites.sort();
    QByteArray bytes;
    for (const QString &site : std::as_const(sites))
        bytes += site.toUtf8() + '\t' + QByteArray::number(m_levels.value(site)) + '\n';
    QDir().mkpath(QFileInfo(m_path).absolutePath());
    QSaveFile file(m_path);
    // Which sites were zoomed tells where the user has been.
    if (!file.open(QIODevice::WriteOnly) || !file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner)
        || file.write(bytes) != bytes.size() || !file.commit())
        throw EFCreateError(QStringLiteral("Cannot create file %1").arg(m_path));
}

} // namespace platform
