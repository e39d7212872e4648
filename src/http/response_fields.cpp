#include "http/response_fields.h"

#include "socket/nth_field.h"
#include "toolkit/core/codepage.h"
#include "toolkit/core/convert.h"
#include "toolkit/core/exceptions.h"

#include <algorithm>
#include <limits>

namespace http {

namespace {

constexpr QByteArrayView kSetCookie = "SET-COOKIE:";
constexpr QByteArrayView kLocation = "LOCATION:";
constexpr QByteArrayView kContentLength = "CONTENT-LENGTH:";

// The value of a recognised line: everything after "Name: ".
QByteArray valueAfter(const QByteArray &line, QByteArrayView name)
{
    return withoutLineEnd(line).mid(name.size() + 1);
}

} // namespace

bool isDecimal(const QByteArray &text)
{
    return !text.isEmpty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

qint16 statusNumber(const QByteArray &statusLine)
{
    // Digits only: the conversion would also take "+200" or "$C8".
    const QByteArray field = NthWord(statusLine, ' ', 2);
    if (!isDecimal(field))
        return 0;
    int value = 0;
    try {
        value = toolkit::strToInt(toolkit::fromSingleByte(field));
    } catch (const EConvertError &) {
        return 0;
    }
    if (value < std::numeric_limits<qint16>::min() || value > std::numeric_limits<qint16>::max())
        return 0;
    return qint16(value);
}

QByteArray withoutLineEnd(const QByteArray &line)
{
    qsizetype end = line.size();
    if (end > 0 && line.at(end - 1) == '\n') {
        --end;
        if (end > 0 && line.at(end - 1) == '\r')
            --end;
    }
    return line.left(end);
}

bool endsHeaderBlock(const QByteArray &line)
{
    return line.isEmpty() || line == "\n" || line == "\r\n";
}

qint64 contentLength(const QByteArray &line, bool moreBlanks)
{
    qsizetype start = kContentLength.size() + 1;
    while (moreBlanks && start < line.size() && (line.at(start) == ' ' || line.at(start) == '\t'))
        ++start;
    qint64 value = 0;
    qsizetype i = start;
    for (; i < line.size() && line.at(i) >= '0' && line.at(i) <= '9'; ++i) {
        const int digit = line.at(i) - '0';
        if (value > (std::numeric_limits<qint64>::max() - digit) / 10)
            return -1;
        value = value * 10 + digit;
    }
    return i > start ? value : -1;
}

void takeHeaderLine(const QByteArray &line, ResponseFields &fields)
{
    const QByteArray name = NthWord(line, ' ', 1).toUpper();
    if (name == kSetCookie)
        fields.cookieReceived = valueAfter(line, kSetCookie);
    else if (name == kLocation)
        fields.location = valueAfter(line, kLocation);
    else if (name == kContentLength) {
        // The announced length decides whether a cut body is an error, so
        // it stays exact beyond what the 32-bit progress total can hold
        // (which then says 0, "unknown"), and it takes the value however
        // many blanks a server put before it: missing it would fail a
        // whole body that a reset follows.
        fields.announcedLength = contentLength(line, true);
        const qint64 total = contentLength(line, false);
        const bool fits = total >= 0 && total <= std::numeric_limits<qint32>::max();
        fields.bytesTotal = fits ? qint32(total) : 0;
    }
}

} // namespace http
