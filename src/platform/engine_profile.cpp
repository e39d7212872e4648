#include "platform/engine_profile.h"

#include "platform/request_filter.h"
#include "toolkit/core/owner_only.h"
#include "toolkit/core/paths.h"
#include "toolkit/widgets/guard.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSaveFile>
#include <QTemporaryFile>
#include <QTimer>
#include <QWebEngineProfile>
#include <QWebEngineSettings>

namespace platform {
namespace {

const QString kPermissionsFile = QStringLiteral("permissions.txt");

// Why the folder cannot hold the profile, or nothing when it can. Writing a
// probe file is the only honest test: a folder may look writable and not
// be (a read-only mount, a full disk, a file in its place). The cookies
// and the cache tell where the user has been, so the folder is the user's
// alone, and what an older run left there readable by others is closed.
QString folderProblem(const QString &folder)
{
    const QFileInfo info(folder);
    if (info.exists() && !info.isDir())
        return QStringLiteral("%1 is not a folder").arg(folder);
    if (const QString problem = toolkit::makeOwnerOnlyFolder(folder); !problem.isEmpty())
        return problem;
    toolkit::restrictToOwner(folder);
    QTemporaryFile probe(folder + QStringLiteral("/.probe-XXXXXX"));
    if (!probe.open() || probe.write("x", 1) != 1 || !probe.flush())
        return QStringLiteral("Cannot write in folder %1").arg(folder);
    return {};
}

struct ProfileState {
    QWebEngineProfile *profile = nullptr;
    bool persistent = false;
    QHash<QString, bool> permissions;
    bool permissionsRead = false;
};

ProfileState &state()
{
    static ProfileState s;
    return s;
}

QString permissionKey(const QString &origin, const QString &feature)
{
    return origin + QLatin1Char('\t') + feature;
}

void readPermissions()
{
    ProfileState &s = state();
    if (std::exchange(s.permissionsRead, true) || !engineProfileIsPersistent())
        return;
    QFile file(engineProfileFolder() + QLatin1Char('/') + kPermissionsFile);
    if (!file.open(QIODevice::ReadOnly))
        return;
    // One answer a line: origin, feature, "allow" or "deny", tab-separated.
    // Lines that do not read so are skipped: the site is simply asked again.
    while (!file.atEnd()) {
        const QStringList fields = QString::fromUtf8(file.readLine()).trimmed().split(QLatin1Char('\t'));
        if (fields.size() == 3 && (fields[2] == QLatin1String("allow") || fields[2] == QLatin1String("deny")))
            s.permissions.insert(permissionKey(fields[0], fields[1]), fields[2] == QLatin1String("allow"));
    }
}

// A page opened from a file (a saved page, a downloaded one) is its own
// origin: it shows the pictures, styles and scripts beside it, but reads no
// other file and sends nothing to any server. Other schemes go to another
// program only after a click and the user's yes.
void keepLocalPagesToThemselves(QWebEngineSettings *settings)
{
    settings->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, false);
    settings->setUnknownUrlSchemePolicy(QWebEngineSettings::AllowUnknownUrlSchemesFromUserInteraction);
}

} // namespace

QString engineProfileFolder()
{
    static const QString folder = toolkit::installationPath(QStringLiteral("engine"));
    return folder;
}

QWebEngineProfile *engineProfile()
{
    ProfileState &s = state();
    if (s.profile)
        return s.profile;
    const QString folder = engineProfileFolder();
    const QString problem = folderProblem(folder);
    if (problem.isEmpty()) {
        s.profile = new QWebEngineProfile(QStringLiteral("kestrelon"), qApp);
        s.profile->setPersistentStoragePath(folder);
        s.profile->setCachePath(folder + QStringLiteral("/cache"));
        s.profile->setHttpCacheType(QWebEngineProfile::DiskHttpCache);
        s.profile->setPersistentCookiesPolicy(QWebEngineProfile::AllowPersistentCookies);
        s.persistent = true;
        // The engine makes a few files of its own with the umask's modes.
        QObject::connect(qApp, &QCoreApplication::aboutToQuit, [folder] { toolkit::restrictToOwner(folder); });
    } else {
        // Without a store the program still browses; it just forgets at exit.
        s.profile = new QWebEngineProfile(qApp);
        // Told once the message loop runs, so the box does not interrupt start-up.
        const QString message = QStringLiteral("The browser's data cannot be kept (%1); this run keeps cookies "
                                               "and the cache in memory only")
                                    .arg(problem);
        QTimer::singleShot(0, qApp, [message] { toolkit::reportError(message); });
    }
    installRequestFilter(s.profile, folder, s.persistent);
    keepLocalPagesToThemselves(s.profile->settings());
    return s.profile;
}

bool engineProfileIsPersistent()
{
    engineProfile();
    return state().persistent;
}

int PermissionAnswers::answer(const QString &origin, const QString &feature)
{
    readPermissions();
    const auto it = state().permissions.constFind(permissionKey(origin, feature));
    return it == state().permissions.constEnd() ? -1 : int(*it);
}

void PermissionAnswers::remember(const QString &origin, const QString &feature, bool allowed)
{
    readPermissions();
    ProfileState &s = state();
    s.permissions.insert(permissionKey(origin, feature), allowed);
    if (!s.persistent)
        return;
    // Written whole and renamed into place; a failed write keeps the old
    // answers on disk and this one for the run.
    QSaveFile file(engineProfileFolder() + QLatin1Char('/') + kPermissionsFile);
    if (!file.open(QIODevice::WriteOnly))
        return;
    file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    for (auto it = s.permissions.constBegin(); it != s.permissions.constEnd(); ++it)
        file.write((it.key() + QLatin1Char('\t') + (it.value() ? QLatin1String("allow") : QLatin1String("deny"))
                    + QLatin1Char('\n'))
                       .toUtf8());
    file.commit();
}

} // namespace platform
