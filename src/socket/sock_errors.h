#pragma once

#include "toolkit/core/exceptions.h"

// Connection, look-up and socket errors; the message is what the user sees
// ("Connection Failed", "10061:Connection refused", ...).
class ESockError : public Exception {
public:
    using Exception::Exception;
};

// A transfer ended because the cancel flag was set (Cancel, Abort or a time-out).
class EAbortError : public ESockError {
public:
    using ESockError::ESockError;
};

// A capture file could not take the bytes written to it.
class EWriteError : public Exception {
public:
    EWriteError() : Exception(QStringLiteral("Stream write error")) {}
};

// A range check failed: a value that does not fit where it goes
// (a negative TimeOut, a Write text of 65,536 bytes, a reply number above 32,767).
[[noreturn]] void throwRangeError();
