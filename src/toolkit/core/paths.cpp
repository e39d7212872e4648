#include "toolkit/core/paths.h"

#include "toolkit/core/exceptions.h"
#include "toolkit/core/io_errors.h"

#include <QDir>
#include <QFileInfo>

#include <cerrno>
#include <climits>
#include <unistd.h>

namespace toolkit {
namespace {

// Like the current folder it stands beside, one per process.
QString &installationFolder()
{
    static QString folder;
    return folder;
}

// Picks the on-disk spelling of `component` inside `folder`: the exact name
// when it exists, else the first entry that matches without regard to case.
QString matchComponent(const QString &folder, const QString &component)
{
    if (component == QLatin1String(".") || component == QLatin1String(".."))
        return component;
    const QString exact = folder + QLatin1Char('/') + component;
    if (QFileInfo::exists(exact))
        return component;
    const QDir dir(folder.isEmpty() ? QStringLiteral("/") : folder);
    const QStringList entries =
        dir.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QString &entry : entries) {
        if (entry.compare(component, Qt::CaseInsensitive) == 0)
            return entry;
    }
    return component;
}

QString resolveIn(const QString &base, const QString &name)
{
    QString path = name;
    path.replace(QLatin1Char('\\'), QLatin1Char('/'));
    // A NUL byte names no file; systemName() and checkCreatableName()
    // refuse such a name, so it is not matched against the disk either.
    if (path.isEmpty() || path.contains(QChar(u'\0')))
        return path;

    const bool absolute = path.startsWith(QLatin1Char('/'));
    const QStringList parts = path.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    QString folder = absolute ? QString() : base;
    QString result = absolute ? QString() : QString();
    bool first = true;
    for (const QString &part : parts) {
        const QString actual = matchComponent(folder, part);
        folder += QLatin1Char('/') + actual;
        if (absolute)
            result += QLatin1Char('/') + actual;
        else
            result += (first ? QString() : QStringLiteral("/")) + actual;
        first = false;
    }
    if (path.endsWith(QLatin1Char('/')))
        result += QLatin1Char('/');
    return result;
}

} // namespace

QString resolvePath(const QString &name)
{
    return resolveIn(QDir::currentPath(), name);
}

QString installationPath(const QString &name)
{
    const QString folder = InstallationFolder::path();
    const QString resolved = resolveIn(folder, name);
    if (resolved.isEmpty() || resolved.startsWith(QLatin1Char('/')) || resolved.contains(QChar(u'\0')))
        return resolved;
    return folder + QLatin1Char('/') + resolved;
}

QByteArray systemName(const QString &path)
{
    QByteArray encoded = QFile::encodeName(path);
    if (encoded.contains('\0'))
        throwInOutErrorCode(kInvalidFileName);
    return encoded;
}

void checkCreatableName(const QString &path, const QString &shownName)
{
    const QByteArray encoded = QFile::encodeName(path);
    bool creatable = !encoded.contains('\0');
    if (creatable) {
        const QFileInfo info(path);
        // The limit belongs to the file system of the folder; a folder that
        // does not exist fails later with its own error.
        long limit = ::pathconf(QFile::encodeName(info.absolutePath()).constData(), _PC_NAME_MAX);
        if (limit <= 0)
            limit = NAME_MAX;
        creatable = QFile::encodeName(info.fileName()).size() <= limit;
    }
    if (!creatable)
        throw EFCreateError(QStringLiteral("Cannot create file %1").arg(shownName));
}

QString InstallationFolder::path()
{
    const QString &folder = installationFolder();
    return folder.isEmpty() ? QDir::currentPath() : folder;
}

void InstallationFolder::remember()
{
    installationFolder() = QDir::currentPath();
}

QString CurrentFolder::path()
{
    return QDir::currentPath();
}

void CurrentFolder::set(const QString &folder)
{
    const QString native = resolvePath(folder);
    const QByteArray encoded = systemName(native);
    if (::chdir(encoded.constData()) != 0)
        throwInOutError(errno, native);
}

} // namespace toolkit
