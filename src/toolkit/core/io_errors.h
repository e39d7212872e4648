#pragma once

#include <QString>

// The file errors the program reports: a number for each kind and the text
// the user sees for it ("File not found", "Disk full", ...).
namespace toolkit {

enum IoError : int {
    kFileNotFound = 2,
    kPathNotFound = 3,
    kTooManyOpenFiles = 4,
    kAccessDenied = 5,
    kInvalidFileName = 123,
    kReadBeyondEnd = 100,
    kDiskFull = 101,
    kFileNotOpen = 103,
};

QString ioErrorText(int code);

// Maps an errno value to one of these errors and throws it. `path` decides
// between "File not found" and "Path not found" for a missing entry.
[[noreturn]] void throwInOutError(int errnoValue, const QString &path);
[[noreturn]] void throwInOutErrorCode(int code);

} // namespace toolkit
