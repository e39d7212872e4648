#pragma once

#include <QHash>
#include <iterator>
#include <QString>

class QUrl;

// The page zoom chosen for each site, kept across runs in a small text file
// in the installation's engine folder, beside the engine's own profile.
// One line per site: the host name, a tab, the level in percent. Sites at
// 100% are not stored. A line that does not read as that is skipped, so a
// damaged file costs those sites their zoom and nothing else.
namespace platform {

// The levels a zoom step walks through, in percent.
inline constexpr int kZoomLevels[] = {25, 33, 50, 67, 75, 80, 90, 100, 110, 125, 150, 175, 200, 250, 300, 400, 500};
inline constexpr int kZoomMinimum = kZoomLevels[0];
inline constexpr int kZoomMaximum = kZoomLevels[std::size(kZoomLevels) - 1];

// The level `steps` steps away from `percent` (negative: smaller), kept
// within the limits. A level between two steps goes to the next one in the
// direction asked.
int zoomStep(int percent, int steps);

class SiteZoom {
public:
    // Reads `filePath` if it exists; a missing file is an empty store. An
    // empty path keeps the levels in memory only.
    explicit SiteZoom(QString filePath);

    // The store in the installation folder: "engine/site-zoom.txt",
    // resolved like every installation file. The folder is made if missing.
    // Empty (levels in memory) when the engine's store is not kept on disk.
    static QString defaultFile();

    // The site a page belongs to: its host name in lower case; empty for
    // pages without one (about:blank, data:), which are never stored.
    static QString siteOf(const QUrl &url);

    int percent(const QString &site) const;
    // Keeps `percent` for `site` and writes the file (atomically). Throws
    // EFCreateError when it cannot be written; the level is kept in memory.
    void setPercent(const QString &site, int percent);

    const QString &filePath() const { return m_path; }

private:
    void save() const;

    QString m_path;
    QHash<QString, int> m_levels;
};

} // namespace platform
