#include "http/address.h"

#include "http/response_fields.h"
#include "socket/nth_field.h"
#include "toolkit/core/codepage.h"
#include "toolkit/core/convert.h"
#include "toolkit/core/exceptions.h"

#include <QList>
#include <cctype>

namespace http {

namespace {

QByteArray pathOf(const QByteArray &url)
{
    if (url.contains("//")) {
        // NthPos is 1-based and gives length + 1 when there is no third '/'.
        return url.mid(NthPos(url, '/', 3) - 1);
    }
    const qsizetype slash = url.indexOf('/');
    return slash >= 0 ? url.mid(slash) : QByteArray();
}

// "scheme:" at the start of a reference (letters, then letters, digits,
// "+", "-" or "."), or empty.
QByteArray schemeOf(const QByteArray &reference)
{
    if (reference.isEmpty() || !std::isalpha(static_cast<unsigned char>(reference.at(0))))
        return {};
    for (qsizetype i = 1; i < reference.size(); ++i) {
        const char c = reference.at(i);
        if (c == ':')
            return reference.left(i).toLower();
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '+' && c != '-' && c != '.')
            return {};
    }
    return {};
}

// The scheme and the default port of the web addresses the client speaks.
QByteArray webScheme(bool secure)
{
    return secure ? "https" : "http";
}

qint32 webPort(bool secure)
{
    return secure ? 443 : 80;
}

// The default port of a scheme; anything unknown is spoken to as HTTP.
qint32 schemePort(const QByteArray &scheme, bool httpsAllowed)
{
    if (scheme == "gopher")
        return 70;
    if (scheme == "ftp")
        return 21;
    if (scheme == webScheme(true)) {
        if (!httpsAllowed)
            throw Exception(QStringLiteral("HTTP Secure Socket is not supported"));
        return webPort(true);
    }
    return webPort(false);
}

QByteArray hostPartOf(const QByteArray &url)
{
    if (url.contains("//"))
        return NthWord(url, '/', 3);
    if (url.startsWith('/'))
        return QByteArray();
    return NthWord(url, '/', 1);
}

[[noreturn]] void throwPortRangeError(const QString &port)
{
    throw ERangeError(
        QStringLiteral("Port number %1 is out of range (%2 to %3)").arg(port).arg(kFirstPort).arg(kLastPort));
}

qint32 portNumber(const QByteArray &text)
{
    // Decimal digits only: the general conversion would also take "+80",
    // " 80" or the hex form "$50". A negative number is a number, but no
    // port.
    if (text.startsWith('-') && isDecimal(text.mid(1)))
        throwPortRangeError(toolkit::fromSingleByte(text));
    if (!isDecimal(text))
        throw EConvertError(QStringLiteral("'%1' is not a valid integer value").arg(toolkit::fromSingleByte(text)));
    const qint64 port = text.size() > 9 ? kLastPort + 1 : text.toLongLong();
    if (port < kFirstPort || port > kLastPort)
        throwPortRangeError(toolkit::fromSingleByte(text));
    return qint32(port);
}

// A line break would end the request line early and let the rest of the
// address through as header lines or a second request; a NUL ends the
// text for some servers and not for others.
void refuseLineBreaks(const QByteArray &url)
{
    if (url.contains('\r') || url.contains('\n') || url.contains('\0'))
        throw Exception(QStringLiteral("Address contains a line break or NUL byte: nothing was sent"));
}

} // namespace

void parseAddress(Address &a, bool httpsAllowed)
{
    if (a.url.isEmpty())
        throw Exception(QStringLiteral("Empty URL"));
    refuseLineBreaks(a.url);
    if (a.port == 0)
        a.port = 80;
    a.path = pathOf(a.url);

    // Only a real scheme counts: the ':' of "/wiki/File:x.png" or of a
    // query ("/?t=10:30") leaves the port and the security as they were.
    const QByteArray scheme = schemeOf(a.url);
    if (!scheme.isEmpty()) {
        a.port = schemePort(scheme, httpsAllowed);
        a.secure = scheme == webScheme(true);
    }

    QByteArray hostPart = hostPartOf(a.url);
    const qsizetype portColon = hostPart.indexOf(':');
    if (portColon >= 0) {
        a.port = portNumber(NthWord(hostPart, ':', 2));
        hostPart.truncate(portColon);
    }
    if (!hostPart.isEmpty())
        a.host = hostPart;
    // A port the caller left (an address without a scheme or a port of its
    // own keeps it) must be one a connection can use too.
    if (a.port < kFirstPort || a.port > kLastPort)
        throwPortRangeError(QString::number(a.port));

    if (a.path.isEmpty()) {
        a.path = "/";
        a.url.append('/');
    }
}

namespace {

// Removes "." and ".." segments from an absolute path (RFC 3986, 5.2.4).
QByteArray withoutDotSegments(const QByteArray &path)
{
    QList<QByteArray> out;
    const QList<QByteArray> segments = path.split('/');
    for (qsizetype i = 1; i < segments.size(); ++i) {
        const QByteArray &segment = segments.at(i);
        const bool last = i == segments.size() - 1;
        if (segment == ".") {
            if (last)
                out << QByteArray();
        } else if (segment == "..") {
            if (!out.isEmpty())
                out.removeLast();
            if (last)
                out << QByteArray();
        } else {
            out << segment;
        }
    }
    return "/" + out.join('/');
}

} // namespace

QByteArray requestSafe(const QByteArray &text)
{
    QByteArray out;
    for (const char c : text) {
        const auto b = static_cast<unsigned char>(c);
        if (b <= 0x20 || b == 0x7F)
            out += '%' + QByteArray::number(b, 16).toUpper().rightJustified(2, '0');
        else
            out += c;
    }
    return out;
}

namespace {

// "host:port" at the start: a name or an IPv4 address (letters, digits,
// '.', '-'), a ':' and a digit, before any '/'.
bool namesHostAndPort(const QByteArray &reference)
{
    const qsizetype colon = reference.indexOf(':');
    if (colon <= 0 || colon + 1 >= reference.size() ||
        !std::isdigit(static_cast<unsigned char>(reference.at(colon + 1))))
        return false;
    for (qsizetype i = 0; i < colon; ++i) {
        const auto c = static_cast<unsigned char>(reference.at(i));
        if (!std::isalnum(c) && c != '.' && c != '-')
            return false;
    }
    return true;
}

QByteArray withoutFragment(const QByteArray &text)
{
    const qsizetype hash = text.indexOf('#');
    return hash >= 0 ? text.left(hash) : text;
}

// The path and query of an address (what follows its host), "/" at least.
QByteArray pathAndQueryOf(const QByteArray &url)
{
    const QByteArray path = withoutFragment(pathOf(url));
    return path.isEmpty() ? QByteArray("/") : path;
}

} // namespace

bool namesHost(const QByteArray &url)
{
    QByteArray hostPart = hostPartOf(url);
    const qsizetype colon = hostPart.indexOf(':');
    if (colon >= 0)
        hostPart.truncate(colon);
    return !hostPart.isEmpty();
}

QByteArray resolveRedirect(const QByteArray &location, const Address &current)
{
    const QByteArray reference = withoutFragment(location.trimmed());
    const QByteArray scheme = schemeOf(reference);
    // "name:8080/x" and "127.0.0.1:8080/x" name a host and port, as they
    // always did. A real scheme other than the two the client speaks has no
    // address to go to: an ftp or gopher server would be sent an HTTP
    // request, which is a request to a protocol that never asked for one.
    if (namesHostAndPort(reference))
        return requestSafe(reference);
    if (!scheme.isEmpty()) {
        if (scheme != webScheme(false) && scheme != webScheme(true))
            throw Exception(QStringLiteral("Cannot follow a redirect to %1")
                                .arg(toolkit::fromSingleByte(location.trimmed())));
        return requestSafe(reference);
    }

    const QByteArray currentScheme = webScheme(current.secure);
    if (reference.startsWith("//"))
        return requestSafe(currentScheme + ":" + reference);

    const bool defaultPort = current.port == webPort(current.secure);
    const QByteArray origin =
        currentScheme + "://" + current.host + (defaultPort ? QByteArray() : ":" + QByteArray::number(current.port));
    if (reference.startsWith('/')) {
        // Spelled out with the current scheme, host and port, so that a ':'
        // further on is never read as a scheme of its own.
        const qsizetype query = reference.indexOf('?');
        const QByteArray path = query >= 0 ? reference.left(query) : reference;
        return requestSafe(origin + withoutDotSegments(path) + (query >= 0 ? reference.mid(query) : QByteArray()));
    }
    const bool bareName = !reference.contains('/') && !reference.startsWith('?') && !reference.startsWith('.');
    if (bareName)
        return requestSafe(origin + "/" + reference);

    const QByteArray base = pathAndQueryOf(current.url);
    const qsizetype baseQuery = base.indexOf('?');
    const QByteArray basePath = baseQuery >= 0 ? base.left(baseQuery) : base;
    QByteArray path;
    QByteArray query;
    if (reference.startsWith('?')) {
        path = basePath;
        query = reference;
    } else {
        const qsizetype q = reference.indexOf('?');
        const QByteArray refPath = q >= 0 ? reference.left(q) : reference;
        query = q >= 0 ? reference.mid(q) : QByteArray();
        path = withoutDotSegments(basePath.left(basePath.lastIndexOf('/') + 1) + refPath);
    }
    return requestSafe(origin + path + query);
}

} // namespace http
