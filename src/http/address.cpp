#include "http/address.h"

#include "socket/text_words.h"
#include "toolkit/core/codepage.h"
#include "toolkit/core/convert.h"
#include "toolkit/core/exceptions.h"

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

// The default port of a scheme; anything unknown is spoken to as HTTP.
qint32 schemePort(const QByteArray &scheme)
{
    if (scheme == "gopher")
        return 70;
    if (scheme == "ftp")
        return 21;
    if (scheme == "https")
        throw Exception(QStringLiteral("HTTP Secure Socket is not supported"));
    return 80;
}

QByteArray hostPartOf(const QByteArray &url)
{
    if (url.contains("//"))
        return NthWord(url, '/', 3);
    if (url.startsWith('/'))
        return QByteArray();
    return NthWord(url, '/', 1);
}

qint32 portNumber(const QByteArray &text)
{
    const int port = toolkit::strToInt(toolkit::fromSingleByte(text));
    if (port < kFirstPort || port > kLastPort) {
        throw ERangeError(QStringLiteral("Port number %1 is out of range (%2 to %3)")
                              .arg(toolkit::fromSingleByte(text))
                              .arg(kFirstPort)
                              .arg(kLastPort));
    }
    return port;
}

} // namespace

void parseAddress(Address &a)
{
    if (a.url.isEmpty())
        throw Exception(QStringLiteral("Empty URL"));
    if (a.port == 0)
        a.port = 80;
    a.path = pathOf(a.url);

    const qsizetype colon = a.url.indexOf(':');
    if (colon >= 0)
        a.port = schemePort(a.url.left(colon).toLower());

    QByteArray hostPart = hostPartOf(a.url);
    const qsizetype portColon = hostPart.indexOf(':');
    if (portColon >= 0) {
        a.port = portNumber(NthWord(hostPart, ':', 2));
        hostPart.truncate(portColon);
    }
    if (!hostPart.isEmpty())
        a.host = hostPart;

    if (a.path.isEmpty()) {
        a.path = "/";
        a.url.append('/');
    }
}

} // namespace http
