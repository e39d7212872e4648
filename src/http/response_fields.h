#pragma once

#include <QByteArray>
#include <QtGlobal>

// Reading a response header block, one line at a time. Lines arrive with
// their line end (LF or CR LF). A header name counts only when the line's
// first blank-separated word is exactly "NAME:" in any case; the value is
// taken by position, from just after that colon and one blank.
namespace http {

// The status of a status line: its second blank-separated field as a decimal
// number. A field that is not a run of digits ("200\r\n" of a line without a reason
// phrase, "abc") gives 0, and so does a number too big for a status, which
// would otherwise wrap into some unrelated code.
qint16 statusNumber(const QByteArray &statusLine);

// The line without its LF or CR LF.
QByteArray withoutLineEnd(const QByteArray &line);

// True for the line that closes the header block: exactly LF, exactly CR LF,
// or empty (the server closed the connection).
bool endsHeaderBlock(const QByteArray &line);

// What one header line says about the fields the client keeps. Only the
// fields the line names are changed; values are kept whole.
struct ResponseFields {
    QByteArray cookieReceived;
    QByteArray location;
    qint32 bytesTotal = 0;
    qint64 announcedLength = -1; // the "Content-Length: " digits; -1 when none were given or too many
};
void takeHeaderLine(const QByteArray &line, ResponseFields &fields);

// The digits right after "Content-Length: " (after any further blanks and
// tabs too when `moreBlanks`): -1 when there are none or when they do not
// fit a 64-bit count (a length of 30 digits tells nothing).
qint64 contentLength(const QByteArray &line, bool moreBlanks = false);

// True for a non-empty run of decimal digits and nothing else (no sign, no
// blanks, no '$' hex form).
bool isDecimal(const QByteArray &text);

} // namespace http
