#include "support/core/descriptors.h"

#include <QDir>
#include <QFile>
#include <QSet>

#include <unistd.h>

namespace testing_support {

int openDescriptors()
{
    return int(QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).size());
}

namespace {

// The inodes of the TCP sockets in `table` (/proc/net/tcp or tcp6) whose
// remote address is the loopback address at `port`.
void collectInodes(const QString &table, quint16 port, QSet<QByteArray> &inodes)
{
    QFile file(table);
    if (!file.open(QIODevice::ReadOnly))
        return;
    file.readLine(); // the column names
    const QByteArray portHex = QByteArray::number(port, 16).toUpper().rightJustified(4, '0');
    // 127.0.0.1 in the kernel's byte order, alone or mapped into IPv6.
    static const QByteArray v4 = "0100007F:";
    static const QByteArray v6 = "0000000000000000FFFF00000100007F:";
    while (!file.atEnd()) {
        const QList<QByteArray> fields = file.readLine().simplified().split(' ');
        if (fields.size() < 10)
            continue;
        const QByteArray &remote = fields[2];
        if (remote == v4 + portHex || remote == v6 + portHex)
            inodes.insert(fields[9]);
    }
}

} // namespace

int socketsConnectedTo(quint16 port)
{
    QSet<QByteArray> inodes;
    collectInodes(QStringLiteral("/proc/net/tcp"), port, inodes);
    collectInodes(QStringLiteral("/proc/net/tcp6"), port, inodes);
    int count = 0;
    const QDir fds(QStringLiteral("/proc/self/fd"));
    for (const QString &fd : fds.entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::System)) {
        char target[64] = {};
        const ssize_t length = ::readlink(fds.filePath(fd).toLocal8Bit().constData(), target, sizeof target - 1);
        const QByteArray link(target, length > 0 ? int(length) : 0);
        // A socket's link reads "socket:[inode]".
        if (link.startsWith("socket:[") && inodes.contains(link.mid(8).chopped(1)))
            ++count;
    }
    return count;
}

} // namespace testing_support
