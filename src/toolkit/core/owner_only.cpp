#include "toolkit/core/owner_only.h"

#include <QDirIterator>
#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace toolkit {

QString makeOwnerOnlyFolder(const QString &path)
{
    const QByteArray name = QFile::encodeName(path);
    if (::mkdir(name.constData(), 0700) != 0 && errno != EEXIST)
        return QStringLiteral("Cannot create folder %1: %2").arg(path, QString::fromLocal8Bit(std::strerror(errno)));
    // Opened without following a link, then judged by what was opened, so a
    // name swapped between the check and the use cannot slip in.
    const int fd = ::open(name.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return QStringLiteral("%1 is not a folder").arg(path);
    struct stat st {};
    QString problem;
    if (::fstat(fd, &st) != 0 || !S_ISDIR(st.st_mode))
        problem = QStringLiteral("%1 is not a folder").arg(path);
    else if (st.st_uid != ::getuid())
        problem = QStringLiteral("%1 belongs to another user").arg(path);
    else if ((st.st_mode & 077) != 0 && ::fchmod(fd, st.st_mode & 0700) != 0)
        problem = QStringLiteral("%1 can be entered by other users and cannot be closed to them").arg(path);
    ::close(fd);
    return problem;
}

bool isOwnerOnlyFolder(const QString &path)
{
    struct stat st {};
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::getuid()
           && (st.st_mode & 077) == 0;
}

void restrictToOwner(const QString &folder)
{
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    const uid_t me = ::getuid();
    while (it.hasNext()) {
        const QByteArray name = QFile::encodeName(it.next());
        struct stat st {};
        if (::lstat(name.constData(), &st) != 0 || S_ISLNK(st.st_mode) || st.st_uid != me || (st.st_mode & 077) == 0)
            continue;
        ::chmod(name.constData(), st.st_mode & 07700);
    }
}

} // namespace toolkit
