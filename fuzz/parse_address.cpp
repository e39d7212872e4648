// Address splitting: any address text, with any port and host left by the
// previous request, either fails with one of its errors or gives a path the
// request line can carry and a port the connection can use, whether the
// port came from the address or was left by the caller.

#include "fuzz_support.h"

#include "http/address.h"
#include "http/http_client.h"
#include "toolkit/core/exceptions.h"

#include <cstring>

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    fuzz::startApplication();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // First two bytes: the port a caller set before (0 is the usual one).
    if (size < 2)
        return 0;
    http::Address address;
    address.port = qint32(data[0] | (data[1] << 8)) - 1;
    address.host = "previous";
    address.url = fuzz::bytes(data + 2, size - 2);
    const QByteArray url = address.url;
    const qint32 callersPort = address.port;

    try {
        http::parseAddress(address);
    } catch (const Exception &e) {
        const QString m = e.message();
        const bool lineBreak = m == QLatin1String("Address contains a line break or NUL byte: nothing was sent");
        FUZZ_CHECK(m == QLatin1String("Empty URL") || m == QLatin1String("HTTP Secure Socket is not supported") ||
                   m.endsWith(QLatin1String("is not a valid integer value")) ||
                   m.startsWith(QLatin1String("Port number")) || lineBreak);
        FUZZ_CHECK(!url.isEmpty() || m == QLatin1String("Empty URL"));
        FUZZ_CHECK(lineBreak == (!url.isEmpty() && (url.contains('\r') || url.contains('\n') || url.contains('\0'))));
        return 0;
    }
    FUZZ_CHECK(!url.isEmpty());
    FUZZ_CHECK(!url.contains('\r') && !url.contains('\n') && !url.contains('\0'));
    FUZZ_CHECK(address.port >= http::kFirstPort && address.port <= http::kLastPort);
    FUZZ_CHECK(address.path.startsWith('/'));
    FUZZ_CHECK(address.url == url || address.url == url + "/");
    FUZZ_CHECK(address.url.endsWith(address.path) || address.path == "/");
    FUZZ_CHECK(!address.host.isEmpty());
    FUZZ_CHECK(!address.host.contains('/'));
    if (url.contains(':')) {
        FUZZ_CHECK(!address.host.contains(':') || address.host == "previous");
    } else {
        FUZZ_CHECK(address.port == (callersPort == 0 ? 80 : callersPort));
    }

    // The component gives the same split, and builds its request from it.
    static TNMHTTP *http = new TNMHTTP;
    http->URL = url;
    http->Host = "previous";
    http->Port = callersPort;
    http->Proxy = (data[0] & 1) ? QByteArray("proxy") : QByteArray();
    http->ParseAddress();
    FUZZ_CHECK(http->URL == address.url && http->Path == address.path && http->Host == address.host &&
               http->Port == address.port);
    http->CurrentCmd = CmdType(data[1] % 12);
    http->BuildRequestHeader();
    FUZZ_CHECK(http->HeaderLines.Count() >= 5);
    // The request line is method, target and version: no blank or control
    // byte of the address splits it.
    const QByteArray requestLine = http->HeaderLines.at(0);
    FUZZ_CHECK(requestLine.endsWith(" HTTP/1.0"));
    const QByteArray target = requestLine.mid(requestLine.indexOf(' ') + 1).chopped(9);
    for (const char c : target)
        FUZZ_CHECK(static_cast<unsigned char>(c) > 0x20 && c != 0x7F);
    FUZZ_CHECK(http->HeaderLines.IndexOfHeader("Host") >= 0);
    return 0;
}
