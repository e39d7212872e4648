// The response reader fed a whole server reply: status line, header lines
// and body, read through the real line reader from a socket whose peer has
// sent the input and closed.

#include "fuzz_support.h"

#include "http/http_client.h"
#include "http/response_fields.h"

#include <sys/socket.h>
#include <unistd.h>

namespace {

// The part of `reply` that the header block takes: whole lines, up to and
// including the first line that ends it (the status line never does).
QByteArray expectedHeader(const QByteArray &reply, bool &closed)
{
    QByteArray header;
    qsizetype start = 0;
    bool first = true;
    for (;;) {
        const qsizetype lf = reply.indexOf('\n', start);
        if (lf < 0) {
            closed = true; // a line without its end is lost with the close
            return header;
        }
        const QByteArray line = reply.mid(start, lf + 1 - start);
        header += line;
        start = lf + 1;
        if (!first && http::endsHeaderBlock(line)) {
            closed = false;
            return header;
        }
        first = false;
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
    reader->read(fds[0]);
    ::close(fds[0]);

    bool closed = false;
    const QByteArray header = expectedHeader(reply, closed);
    FUZZ_CHECK(reader->Header == header);
    if (!closed)
        FUZZ_CHECK(reader->Header + reader->Body == reply);
    else
        FUZZ_CHECK(reader->Body.isEmpty());

    // The fields as the header lines give them, one line at a time.
    const qsizetype statusEnd = header.indexOf('\n');
    const QByteArray statusLine = statusEnd < 0 ? QByteArray() : header.left(statusEnd + 1);
    FUZZ_CHECK(reader->ReplyNumber == http::statusNumber(statusLine));
    http::ResponseFields fields{{}, location, 0};
    qsizetype start = statusLine.size();
    while (start < header.size()) {
        const qsizetype lf = header.indexOf('\n', start);
        const QByteArray line = header.mid(start, lf + 1 - start);
        http::takeHeaderLine(line, fields);
        start = lf + 1;
    }
    FUZZ_CHECK(reader->CookieReceived == fields.cookieReceived);
    FUZZ_CHECK(reader->Location == fields.location);
    FUZZ_CHECK(reader->BytesTotal == fields.bytesTotal);
    FUZZ_CHECK(reader->BytesTotal >= 0);
    FUZZ_CHECK(!reader->CookieReceived.contains('\n'));
    FUZZ_CHECK(!reader->Location.contains('\n'));
    return 0;
}
