#include "toolkit/core/io_errors.h"

#include "toolkit/core/exceptions.h"

#include <QFileInfo>

#include <cerrno>

namespace toolkit {

QString ioErrorText(int code)
{
    switch (code) {
    case kFileNotFound:
        return QStringLiteral("File not found");
    case kPathNotFound:
        return QStringLiteral("Path not found");
    case kTooManyOpenFiles:
        return QStringLiteral("Too many open files");
    case kAccessDenied:
        return QStringLiteral("File access denied");
    case kInvalidFileName:
        return QStringLiteral("Invalid filename");
    case kReadBeyondEnd:
        return QStringLiteral("Read beyond end of file");
    case kDiskFull:
        return QStringLiteral("Disk full");
    case kFileNotOpen:
        return QStringLiteral("File not open");
    default:
        return QStringLiteral("I/O error %1").arg(code);
    }
}

void throwInOutErrorCode(int code)
{
    throw EInOutError(ioErrorText(code));
}

void throwInOutError(int errnoValue, const QString &path)
{
    int code;
    switch (errnoValue) {
    case ENOENT: {
        const QString parent = QFileInfo(path).absolutePath();
        code = QFileInfo(parent).isDir() ? kFileNotFound : kPathNotFound;
        break;
    }
    case ENOTDIR:
        code = kPathNotFound;
        break;
    case EACCES:
    case EPERM:
    case EISDIR:
    case EROFS:
    case ETXTBSY:
        code = kAccessDenied;
        break;
    case EMFILE:
    case ENFILE:
        code = kTooManyOpenFiles;
        break;
    case ENAMETOOLONG:
    case EINVAL:
        code = kInvalidFileName;
        break;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
        code = kDiskFull;
        break;
    default:
        code = errnoValue;
        break;
    }
    throwInOutErrorCode(code);
}

} // namespace toolkit
