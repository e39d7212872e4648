#pragma once

// Toolkit core: the error model, files, file names and text conversion every
// other folder builds on, on Qt Core only. Start with exceptions.h (the error
// model), then record_file.h (files with the exact error texts), paths.h
// (name resolution) and codepage.h.

#include <QByteArray>
#include <QString>
#include <exception>

// Every error the program raises carries the text the user sees. Handlers
// never return error codes; they throw, and one place shows the text.
class Exception : public std::exception {
public:
    explicit Exception(QString message);
    const QString &message() const noexcept { return m_message; }
    const char *what() const noexcept override { return m_what.constData(); }

private:
    QString m_message;
    QByteArray m_what;
};

// The silent kind: abandons an operation without any message. The error
// handler never sees it.
class EAbort : public Exception {
public:
    EAbort() : Exception(QString()) {}
};

// File input/output failures ("File not found", "Read beyond end of file", ...).
class EInOutError : public Exception {
public:
    explicit EInOutError(QString message) : Exception(std::move(message)) {}
};

// "'%s' is not a valid integer value" and friends.
class EConvertError : public Exception {
public:
    using Exception::Exception;
};

// A value outside its allowed range ("Value must be between %d and %d").
class ERangeError : public Exception {
public:
    using Exception::Exception;
};

// Stream-style file errors of the toolkit: "Cannot open file %s", "Cannot create file %s".
class EFOpenError : public Exception {
public:
    using Exception::Exception;
};
class EFCreateError : public Exception {
public:
    using Exception::Exception;
};
