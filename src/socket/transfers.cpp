// The line and stream operations of TPowersock: sending buffers, texts and
// files, reading a line, a command-and-reply transaction, and capturing the
// rest of the stream into a file or a text.

#include <QFile>
#include <algorithm>
#include <cstring>

#include "powersock.h"
#include "toolkit/core/paths.h"

namespace {

constexpr qsizetype kFirstCaptureCapacity = 1 << 20;
// Most lines of a reply header are shorter than this.
constexpr qsizetype kFirstPeek = 512;

// Byte counts are 32-bit totals that wrap rather than overflow.
qint32 grown(qint32 total, qsizetype n)
{
    return qint32(quint32(total) + quint32(n));
}

} // namespace

void TPowersock::SendAll(const char *bytes, qsizetype length, const std::function<void(qsizetype)> &afterSend)
{
    qsizetype offset = 0;
    while (offset < length && !Canceled) {
        const qsizetype n = sockets::Send(SocketHandle, bytes + offset, length - offset, 0);
        if (n > 0) {
            offset += n;
            if (afterSend)
                afterSend(n);
        } else if (n == 0) {
            break;
        } else {
            QByteArray error;
            ErrorCheck(sockets::WSAEWOULDBLOCK, error);
            ProcessMessages(true); // a peer that does not read: wait for room, time-out or Cancel
        }
    }
}

void TPowersock::SendBuffer(const char *bytes, quint16 length)
{
    StatusMessage(4, "Sending Buffer");
    TimerOn();
    TimerGuard guard(this);
    if (!Canceled) {
        qsizetype size = length;
        if (size == 0) {
            size = qsizetype(qstrnlen(bytes, IOBufferSize));
            if (size > 65535)
                throwRangeError();
        }
        SendAll(bytes, size, nullptr);
    }
    if (Canceled) {
        Canceled = false;
        throw EAbortError(QStringLiteral("Socket send aborted"));
    }
}

void TPowersock::Write(const QByteArray &text)
{
    StatusMessage(8, "Write");
    if (text.size() >= IOBufferSize)
        throwRangeError();
    std::memcpy(IOBuffer, text.constData(), size_t(text.size()));
    IOBuffer[text.size()] = '\0';
    // Sent as NUL-terminated text: the bytes end at the first NUL.
    SendBuffer(IOBuffer, 0);
}

void TPowersock::Writeln(const QByteArray &text)
{
    StatusMessage(8, "Writeln");
    Write(text + "\r\n");
}

void TPowersock::ReadLn(QByteArray &line)
{
    StatusMessage(8, "ReadLn");
    TimerOn();
    TimerGuard guard(this);
    // The consumed part of the line. Each pass peeks what has arrived into
    // IOBuffer and takes from the stream only up to the line end, so the
    // bytes after it stay unread. A line longer than IOBuffer keeps growing
    // here, pass after pass, and is returned whole.
    // At the peer's end an unfinished line is returned as it is, without
    // a line end: those bytes arrived and are the last of the stream. Only
    // a close with nothing pending gives the empty line.
    // The peek starts small and doubles while no line end turns up: a
    // peek copies all it asks for, and a whole buffer per short line made
    // a header of millions of lines cost seconds.
    QByteArray consumed;
    qsizetype peek = kFirstPeek;
    for (;;) {
        const qsizetype n = sockets::Recv(SocketHandle, IOBuffer, peek, sockets::MSG_PEEK_FLAG);
        if (n == 0) // orderly close
            break;
        if (n > 0) {
            const char *lf = static_cast<const char *>(std::memchr(IOBuffer, '\n', size_t(n)));
            const qsizetype take = lf ? (lf - IOBuffer) + 1 : n;
            if (consumed.size() + take > MaxLineLength)
                throwRangeError();
            const qsizetype got = sockets::Recv(SocketHandle, IOBuffer, take, 0);
            if (got > 0)
                consumed.append(IOBuffer, got);
            if (lf && got == take)
                break;
            peek = std::min<qsizetype>(2 * peek, IOBufferSize);
            ProcessMessages(false);
        } else {
            if (ReceiveEnded())
                break;
            ProcessMessages(true);
        }
        if (Canceled)
            break;
    }
    if (Canceled) {
        Canceled = false;
        throw EAbortError(QStringLiteral("Socket readln aborted"));
    }
    line = consumed;
}

void TPowersock::Transaction(const QByteArray &command, QByteArray &reply)
{
    StatusMessage(8, "Transaction");
    ReplyNumber = 0;
    Writeln(command);
    ReadLn(LastReply);
    if (!LastReply.isEmpty()) {
        StatusMessage(1, LastReply);
        qsizetype digits = 0;
        while (digits < LastReply.size() && digits < 10 && LastReply[digits] >= '0' && LastReply[digits] <= '9')
            ++digits;
        if (digits > 0) {
            const qint64 value = LastReply.left(digits).toLongLong();
            if (value <= 0x7FFFFFFF) {
                if (value > 32767)
                    throwRangeError();
                ReplyNumber = qint16(value);
            }
        }
    }
    reply = LastReply;
}

void TPowersock::SendFile(const QString &fileName)
{
    StatusMessage(8, "SendFile");
    QFile file(toolkit::resolvePath(fileName));
    if (!file.open(QIODevice::ReadOnly))
        throw EFOpenError(QStringLiteral("Cannot open file ") + fileName);
    // Timed like the other sends, restarted after each chunk, so a peer that
    // stops reading cannot hold it for ever.
    TimerOn();
    TimerGuard guard(this);
    const qint64 size = file.size();
    const auto chunkSent = [this](qsizetype sent) {
        BytesSent = grown(BytesSent, sent);
        CallNotify(OnPacketSent);
        TimerOn();
        ProcessMessages(false);
    };
    while (file.pos() != size && !Canceled) {
        const qint64 n = file.read(IOBuffer, IOBufferSize);
        if (n <= 0)
            break; // the file ended early (shrunk while sending) or cannot be read
        SendAll(IOBuffer, n, chunkSent);
    }
    file.close();
    if (Canceled) {
        Canceled = false;
        throw EAbortError(QStringLiteral("Socket send aborted"));
    }
}

void TPowersock::CaptureFile(const QString &fileName)
{
    StatusMessage(8, "CaptureFile");
    BytesRecvd = 0;
    TimerOn();
    TimerGuard guard(this);
    QFile file(toolkit::resolvePath(fileName));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered))
        throw EFCreateError(QStringLiteral("Cannot create file ") + fileName);
    ReceiveToEnd([&](const char *bytes, qsizetype n) {
        if (file.write(bytes, n) != n)
            throw EWriteError();
    }, nullptr);
    file.close();
    guard.release();
    TimerOff();
    if (Canceled) {
        Canceled = false;
        throw EAbortError(QStringLiteral("Socket send aborted"));
    }
}

void TPowersock::ReceiveToEnd(const std::function<void(const char *, qsizetype)> &take,
                              const std::function<bool()> &wantsMore)
{
    CapturedLength = 0;
    qint64 &received = CapturedLength;
    while (!Canceled && (!wantsMore || wantsMore())) {
        const qsizetype n = sockets::Recv(SocketHandle, IOBuffer, IOBufferSize, 0);
        if (n == 0)
            break;
        if (n > 0) {
            take(IOBuffer, n);
            received += n;
            BytesRecvd = grown(BytesRecvd, n);
            CallNotify(OnPacketRecvd);
            TimerOn();
        } else {
            // A reset once the announced body is all here (a server that
            // closes with part of the request unread) loses nothing: the
            // reply is complete, so it ends like the orderly close.
            const int error = sockets::LastError();
            if (error != sockets::WSAEWOULDBLOCK && CompleteLength >= 0 && received >= CompleteLength) {
                LastErrorNo = error;
                break;
            }
            if (ReceiveEnded())
                break;
        }
        ProcessMessages(n < 0); // sleep only when nothing had arrived
    }
}

bool TPowersock::ReceiveEnded()
{
    LastErrorNo = sockets::LastError();
    // The socket was closed under us: read as an orderly close.
    if (LastErrorNo == sockets::WSAENOTCONN)
        return true;
    QByteArray error;
    ErrorCheck(sockets::WSAEWOULDBLOCK, error);
    return false;
}

void TPowersock::CaptureString(QByteArray &captured, qint32 maxLength)
{
    StatusMessage(8, "Capture String");
    captured.clear();
    BytesRecvd = 0;
    TimerOn();
    TimerGuard guard(this);
    ReceiveToEnd(
        [&](const char *bytes, qsizetype n) {
            // Grow by doubling through reserve(): a reallocation in place,
            // which costs far less than append's own growth on large bodies.
            if (captured.capacity() - captured.size() < n)
                captured.reserve(std::max<qsizetype>(2 * captured.capacity(), kFirstCaptureCapacity));
            captured.append(bytes, n);
        },
        [&] { return maxLength == -1 || captured.size() < maxLength; });
    guard.release();
    TimerOff();
    if (Canceled) {
        Canceled = false;
        throw EAbortError(QStringLiteral("Socket capture aborted"));
    }
}
