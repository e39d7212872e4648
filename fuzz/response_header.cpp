// The response reader fed a whole server reply: status line, header lines
// and body, read through the real line reader from a socket whose peer has
// sent the input and closed.

#include "fuzz_support.h"

#include "http/http_client.h"
#include "http/response_fields.h"
#include "socket/sock_errors.h"

#include <QList>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// Where the reader's header block lies in `reply`: interim (1xx) blocks
// before it are skipped; each block is whole lines up to and including the
// first line that ends it (the status line never does), or the rest of the
// reply with an unfinished last line when the server's close comes first.
struct ExpectedHeader {
    qsizetype start = 0;
    QByteArray header;
    bool closed = false;        // the close ended the block
    bool interimClosed = false; // ... of an interim reply: an error
    QList<QByteArray> interimFields; // the header lines of interim replies
};

ExpectedHeader expectedHeader(const QByteArray &reply)
{
    ExpectedHeader e;
    qsizetype at = 0;
    for (bool afterInterim = false;; afterInterim = true) {
        if (afterInterim && at == reply.size()) {
            e.interimClosed = true;
            return e;
        }
        e.start = at;
        e.header.clear();
        QList<QByteArray> fieldLines;
        bool first = true;
        bool ended = false;
        while (!ended) {
            const qsizetype lf = reply.indexOf('\n', at);
            const QByteArray line = reply.mid(at, lf < 0 ? -1 : lf + 1 - at);
            e.header += line;
            if (!first)
                fieldLines << line;
            at += line.size();
            if (lf < 0) {
                e.closed = true;
                break;
            }
            ended = !first && http::endsHeaderBlock(line);
            first = false;
        }
        const qsizetype statusEnd = e.header.indexOf('\n');
        const int status = http::statusNumber(statusEnd < 0 ? e.header : e.header.left(statusEnd + 1));
        const bool interim = !e.header.isEmpty() && status >= 100 && status <= 199;
        if (!interim)
            return e;
        if (e.closed) {
            e.interimClosed = true;
            return e;
        }
        e.interimFields += fieldLines;
    }
}

class Reader : public TNMHTTP {
public:
    // Reads a reply from `fd` as one pass of a request does.
    void read(int fd)
    {
        const quint16 own = SocketHandle;
        SocketHandle = quint16(fd);
        ReplyNumber = 0;
        ReadResponseHeader();
        CaptureString(Body, -1);
        SocketHandle = own;
    }
};

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    fuzz::startApplication();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // The reply must fit the socket's buffer: the peer writes it all first.
    if (size > 100000)
        return 0;
    const QByteArray reply = fuzz::bytes(data, size);

    static Reader *reader = new Reader;
    int fds[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, fds) != 0)
        return 0;
    int buffer = 1 << 20;
    ::setsockopt(fds[1], SOL_SOCKET, SO_SNDBUF, &buffer, sizeof buffer);
    ::setsockopt(fds[0], SOL_SOCKET, SO_RCVBUF, &buffer, sizeof buffer);
    if (::write(fds[1], reply.constData(), size_t(reply.size())) != reply.size()) {
        ::close(fds[0]);
        ::close(fds[1]);
        return 0;
    }
    ::close(fds[1]);

    const QByteArray location = reader->Location;
    bool interimClosed = false;
    try {
        reader->read(fds[0]);
    } catch (const ESockError &e) {
        FUZZ_CHECK(e.message() == QLatin1String("Connection closed after an interim reply, before the reply itself"));
        interimClosed = true;
    }
    ::close(fds[0]);

    // Every byte that arrived is in the header or the body.
    const ExpectedHeader expected = expectedHeader(reply);
    FUZZ_CHECK(interimClosed == expected.interimClosed);
    if (interimClosed)
        return 0;
    const QByteArray &header = expected.header;
    FUZZ_CHECK(reader->Header == header);
    if (!expected.closed)
        FUZZ_CHECK(reply.mid(expected.start) == reader->Header + reader->Body);
    else
        FUZZ_CHECK(reader->Body.isEmpty() && expected.start + header.size() == reply.size());

    // The fields as the header lines give them, one line at a time.
    const qsizetype statusEnd = header.indexOf('\n');
    const QByteArray statusLine = statusEnd < 0 ? header : header.left(statusEnd + 1);
    FUZZ_CHECK(reader->ReplyNumber == http::statusNumber(statusLine));
    http::ResponseFields fields{{}, location, 0};
    for (const QByteArray &line : expected.interimFields) // their Location counts too
        http::takeHeaderLine(line, fields);
    fields.cookieReceived.clear();
    fields.bytesTotal = 0;
    qsizetype start = statusLine.size();
    while (start < header.size()) {
        const qsizetype lf = header.indexOf('\n', start);
        const QByteArray line = header.mid(start, lf < 0 ? -1 : lf + 1 - start);
        http::takeHeaderLine(line, fields);
        start += line.size();
    }
    FUZZ_CHECK(reader->CookieReceived == fields.cookieReceived);
    FUZZ_CHECK(reader->Location == fields.location);
    FUZZ_CHECK(reader->BytesTotal == fields.bytesTotal);
    FUZZ_CHECK(reader->BytesTotal >= 0);
    FUZZ_CHECK(!reader->CookieReceived.contains('\n'));
    FUZZ_CHECK(!reader->Location.contains('\n'));
    return 0;
}
