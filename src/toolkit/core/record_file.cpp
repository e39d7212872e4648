#include "toolkit/core/record_file.h"

#include "toolkit/core/exceptions.h"
#include "toolkit/core/io_errors.h"
#include "toolkit/core/paths.h"

#include <QFile>
#include <QFileInfo>

#include <utility>

#include <cerrno>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace toolkit {
namespace {

// A file of many megabytes goes into memory faster in large pages: one
// fault for each 2 MB instead of one for each 4 KB. Only advice; the system
// may ignore it.
void adviseLargePages(QByteArray &data)
{
    constexpr quintptr kLargePage = quintptr(2) << 20;
    const auto start = (quintptr(data.data()) + kLargePage - 1) & ~(kLargePage - 1);
    const auto end = (quintptr(data.data()) + quintptr(data.size())) & ~(kLargePage - 1);
    if (end > start)
        ::madvise(reinterpret_cast<void *>(start), size_t(end - start), MADV_HUGEPAGE);
}

QByteArray readAll(const QString &path)
{
    const QByteArray encoded = systemName(path);
    const int fd = ::open(encoded.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        throwInOutError(errno, path);
    struct stat st {};
    if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
        ::close(fd);
        throwInOutErrorCode(kAccessDenied);
    }
    // The size is a hint (the file may change while read): a large history
    // is read straight into its array, one byte more than the size to see
    // the end, with no copy while the array grows and no room to spare in
    // the thousands of small files that stay in memory.
    QByteArray data;
    data.resize(S_ISREG(st.st_mode) && st.st_size > 0 ? qsizetype(st.st_size) + 1 : 4096);
    adviseLargePages(data);
    qsizetype used = 0;
    for (;;) {
        if (used == data.size())
            data.resize(data.size() * 2);
        const ssize_t n = ::read(fd, data.data() + used, size_t(data.size() - used));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            const int err = errno;
            ::close(fd);
            throwInOutError(err, path);
        }
        if (n == 0)
            break;
        used += n;
    }
    data.resize(used);
    ::close(fd);
    return data;
}

bool writeFully(int fd, const char *data, qsizetype size)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size_t(size));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += n;
        size -= n;
    }
    return true;
}

// Fails like opening the file for writing would, before any byte is written:
// a name that cannot exist is "Cannot create file %s", a folder in the
// file's place, or a read-only file, "File access denied".
void checkWritable(const QString &path)
{
    checkCreatableName(path, path);
    const QByteArray encoded = QFile::encodeName(path);
    struct stat st {};
    if (::stat(encoded.constData(), &st) == 0) {
        if (S_ISDIR(st.st_mode) || ::access(encoded.constData(), W_OK) != 0)
            throwInOutErrorCode(kAccessDenied);
    }
    const QString parent = QFileInfo(path).absolutePath();
    const QByteArray parentEncoded = QFile::encodeName(parent);
    if (::stat(parentEncoded.constData(), &st) != 0)
        throwInOutErrorCode(kPathNotFound);
    if (!S_ISDIR(st.st_mode))
        throwInOutErrorCode(kPathNotFound);
    if (::access(parentEncoded.constData(), W_OK | X_OK) != 0)
        throwInOutErrorCode(kAccessDenied);
}

// The file a symbolic link names, through any chain of links; `path` itself
// when it is no link. A link to a file not yet there names the file to make.
// A loop is left to fail where the file is opened, as the system reports it.
QString linkedFile(const QString &path)
{
    // As many links as the system follows itself (Linux's limit).
    constexpr int kMaxLinks = 40;
    QString current = path;
    for (int hops = 0; hops < kMaxLinks; ++hops) {
        const QFileInfo info(current);
        if (!info.isSymLink())
            return current;
        const QString target = info.symLinkTarget();
        if (target.isEmpty())
            return current;
        current = target;
    }
    return path;
}

} // namespace

AtomicFile::AtomicFile(const QString &name, FileAccess access)
{
    // The new content replaces the file a link names, never the link: the
    // rename below would put a plain file in the link's place.
    m_path = linkedFile(name);
    checkWritable(m_path);
    const QFileInfo info(m_path);
    m_folder = QFile::encodeName(info.absolutePath());
    // The temporary name does not grow with the file's name, so every name
    // that can exist can also be saved, and no part of the name is cut.
    m_tempName = m_folder + "/.kestrelon-save-XXXXXX";
    m_fd = ::mkstemp(m_tempName.data());
    if (m_fd < 0)
        throwInOutError(errno, m_path);

    // Keep the old file's permissions; a new file gets the usual ones.
    struct stat st {};
    const mode_t keptBits = access == FileAccess::OwnerOnly ? mode_t(0700) : mode_t(07777);
    if (::stat(systemName(m_path).constData(), &st) == 0) {
        ::fchmod(m_fd, st.st_mode & keptBits);
    } else if (access == FileAccess::OwnerOnly) {
        // mkstemp made it 0600 already; said again so no umask can matter.
        ::fchmod(m_fd, 0600);
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        ::fchmod(m_fd, 0666 & ~mask);
    }
}

AtomicFile::~AtomicFile()
{
    if (m_fd >= 0) {
        ::close(m_fd);
        ::unlink(m_tempName.constData());
    }
}

void AtomicFile::write(const char *data, qsizetype size)
{
    if (m_fd < 0)
        throwInOutErrorCode(kFileNotOpen);
    if (!writeFully(m_fd, data, size))
        fail(errno);
}

void AtomicFile::commit()
{
    if (m_fd < 0)
        throwInOutErrorCode(kFileNotOpen);
    int err = ::fsync(m_fd) != 0 ? errno : 0;
    if (::close(m_fd) != 0 && err == 0)
        err = errno;
    m_fd = -1;
    if (err == 0 && ::rename(m_tempName.constData(), systemName(m_path).constData()) != 0)
        err = errno;
    if (err != 0) {
        ::unlink(m_tempName.constData());
        throwInOutError(err, m_path);
    }
    // Make the rename itself durable.
    const int dirFd = ::open(m_folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
}

void AtomicFile::fail(int err)
{
    ::close(m_fd);
    m_fd = -1;
    ::unlink(m_tempName.constData());
    throwInOutError(err, m_path);
}

void replaceFileAtomically(const QString &name, const QByteArray &bytes, FileAccess access)
{
    AtomicFile file(name, access);
    file.write(bytes.constData(), bytes.size());
    file.commit();
}

QByteArray readWholeFile(const QString &name)
{
    QByteArray bytes = readAll(resolvePath(name));
    // The first byte is read before the end is tested.
    if (bytes.isEmpty())
        throwInOutErrorCode(kReadBeyondEnd);
    return bytes;
}

RecordFile::RecordFile(const QString &name, int recordSize, FileAccess access)
    : m_path(resolvePath(name)), m_recordSize(recordSize), m_access(access)
{
}

RecordFile::~RecordFile() = default;

void RecordFile::reset()
{
    m_data = readAll(m_path);
    m_position = 0;
    m_mode = Mode::Reading;
}

void RecordFile::rewrite()
{
    checkWritable(m_path);
    m_data.clear();
    m_position = 0;
    m_mode = Mode::Writing;
}

QByteArray RecordFile::read()
{
    if (m_mode != Mode::Reading)
        throwInOutErrorCode(kFileNotOpen);
    if (m_data.size() - m_position < m_recordSize)
        throwInOutErrorCode(kReadBeyondEnd);
    QByteArray record = m_data.mid(m_position, m_recordSize);
    m_position += m_recordSize;
    return record;
}

unsigned char RecordFile::readByte()
{
    return static_cast<unsigned char>(read().at(0));
}

bool RecordFile::eof() const
{
    return m_data.size() - m_position < m_recordSize;
}

QByteArray RecordFile::readRest()
{
    if (m_mode != Mode::Reading)
        throwInOutErrorCode(kFileNotOpen);
    const qsizetype from = std::exchange(m_position, m_data.size());
    return from == 0 ? m_data : m_data.sliced(from);
}

void RecordFile::write(const QByteArray &record)
{
    if (m_mode != Mode::Writing)
        throwInOutErrorCode(kFileNotOpen);
    m_data.append(record.left(m_recordSize));
    if (record.size() < m_recordSize)
        m_data.append(QByteArray(m_recordSize - record.size(), '\0'));
}

void RecordFile::writeByte(unsigned char byte)
{
    write(QByteArray(1, char(byte)));
}

void RecordFile::close()
{
    const Mode mode = m_mode;
    m_mode = Mode::Closed;
    if (mode == Mode::Writing)
        replaceFileAtomically(m_path, m_data, m_access);
    m_data.clear();
}

AppendFile::AppendFile(const QString &name, FileAccess access) : m_path(resolvePath(name)), m_access(access) {}

AppendFile::~AppendFile() = default;

void AppendFile::open()
{
    m_data = readAll(m_path);
    checkWritable(m_path);
    m_open = true;
}

void AppendFile::write(const QByteArray &text)
{
    if (!m_open)
        throwInOutErrorCode(kFileNotOpen);
    m_data.append(text);
}

void AppendFile::close()
{
    if (!m_open)
        return;
    m_open = false;
    replaceFileAtomically(m_path, m_data, m_access);
    m_data.clear();
}

} // namespace toolkit
