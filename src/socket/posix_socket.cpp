#include "posix_socket.h"

#include <QLoggingCategory>
#include <QPointer>
#include <QSocketNotifier>
#include <arpa/inet.h>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <unordered_map>

#include "posted_messages.h"
#include "tls_session.h"

namespace sockets {

namespace {

// Each move of a watched socket from one state to the next; off unless
// asked for (QT_LOGGING_RULES="kestrelon.socket.debug=true").
Q_LOGGING_CATEGORY(lcWatch, "kestrelon.socket", QtWarningMsg)

thread_local int lastError = 0;
thread_local QString lastTlsError;
bool started = false;
std::atomic<int> pendingLookups{0};
LookupHook lookupHook;

int fail(int error)
{
    lastError = error;
    return -1;
}

struct ErrnoRow {
    int error;
    int number;
};

// errno values and the numbers the error table knows them by.
constexpr ErrnoRow kErrnoTable[] = {
    {EINTR, 10004},        {EBADF, 10009},           {EACCES, 10013},          {EPERM, 10013},
    {EFAULT, 10014},       {EINVAL, 10022},          {EMFILE, 10024},          {ENFILE, 10024},
    {EWOULDBLOCK, 10035},  {EAGAIN, 10035},          {EINPROGRESS, 10036},     {EALREADY, 10037},
    {ENOTSOCK, 10038},     {EDESTADDRREQ, 10039},    {EMSGSIZE, 10040},        {EPROTOTYPE, 10041},
    {ENOPROTOOPT, 10042},  {EPROTONOSUPPORT, 10043}, {ESOCKTNOSUPPORT, 10044}, {EOPNOTSUPP, 10045},
    {EPFNOSUPPORT, 10046}, {EAFNOSUPPORT, 10047},    {EADDRINUSE, 10048},      {EADDRNOTAVAIL, 10049},
    {ENETDOWN, 10050},     {ENETUNREACH, 10051},     {ENETRESET, 10052},       {ECONNABORTED, 10053},
    {ECONNRESET, 10054},   {ENOBUFS, 10055},         {ENOMEM, 10055},          {EISCONN, 10056},
    {ENOTCONN, 10057},     {ESHUTDOWN, 10058},       {EPIPE, 10058},           {ETOOMANYREFS, 10059},
    {ETIMEDOUT, 10060},    {ECONNREFUSED, 10061},    {ELOOP, 10062},           {ENAMETOOLONG, 10063},
    {EHOSTDOWN, 10064},    {EHOSTUNREACH, 10065},    {ENOTEMPTY, 10066},       {EUSERS, 10068},
    {EDQUOT, 10069},       {ESTALE, 10070},          {EREMOTE, 10071},
};

// Where a registered socket is in its life.
enum class WatchState : quint8 {
    Idle,       // no connection, none under way
    Connecting, // the writer reports how the attempt ends
    Listening,  // each readable is one accept notice
    Open,       // connected; data may arrive
    Ended,      // the peer's orderly end was reported; nothing more can arrive
    Failed,     // a reset or TLS failure: every later call reports it again
};

const char *nameOf(WatchState state)
{
    switch (state) {
    case WatchState::Idle: return "idle";
    case WatchState::Connecting: return "connecting";
    case WatchState::Listening: return "listening";
    case WatchState::Open: return "open";
    case WatchState::Ended: return "ended";
    case WatchState::Failed: return "failed";
    }
    return "?";
}

// What the layer keeps for a socket registered with AsyncSelect. The
// reader is enabled exactly while the next readable (or accept) notice may
// go out: a receive re-arms it, the notice it gives disables it.
struct Watch {
    int fd = -1;
    QPointer<HiddenWindow> window;
    quint32 message = 0;
    long mask = 0;
    quint64 source = 0; // retired at close, so queued notifications die with the socket
    std::unique_ptr<QSocketNotifier> reader;
    std::unique_ptr<QSocketNotifier> writer;
    WatchState state = WatchState::Idle; // changed by setState only
    int error = 0;                       // while Failed, what every later call reports
    QString tlsError;                    // its text, when that is a TLS failure
    std::unique_ptr<TlsSession> tls;

    bool failed() const { return state == WatchState::Failed; }
    // Connected at some point: the peer's end and a failure after it still
    // leave a connection for TLS to start on, whose handshake then fails.
    bool connected() const { return state == WatchState::Open || state == WatchState::Ended || failed(); }
};

// The one place a watch changes state. Failed keeps its error, and a
// failed socket stays failed when the peer's end shows up behind the
// failure, until a fresh connect.
void setState(Watch &w, WatchState next, int error = 0, const QString &tlsError = {})
{
    if (w.failed() && next == WatchState::Ended)
        return;
    if (next != w.state || error != w.error)
        qCDebug(lcWatch) << "socket" << w.fd << nameOf(w.state) << "->" << nameOf(next) << error;
    w.state = next;
    w.error = next == WatchState::Failed ? error : 0;
    w.tlsError = next == WatchState::Failed ? tlsError : QString();
}

int failTls(Watch &w, const QString &text, bool sticky)
{
    lastTlsError = text;
    if (sticky)
        setState(w, WatchState::Failed, TLS_ERROR, text);
    return fail(TLS_ERROR);
}

int failSticky(Watch &w)
{
    if (w.error == TLS_ERROR)
        lastTlsError = w.tlsError;
    return fail(w.error);
}

std::unordered_map<int, std::unique_ptr<Watch>> &watches()
{
    static std::unordered_map<int, std::unique_ptr<Watch>> map;
    return map;
}

Watch *find(int s)
{
    auto it = watches().find(s);
    return it == watches().end() ? nullptr : it->second.get();
}

void post(Watch &w, quint16 code, int error)
{
    if (!(w.mask & code) || !w.window)
        return;
    const qintptr lParam = qintptr((quint32(quint16(error)) << 16) | code);
    w.window->PostMessage(w.message, quintptr(w.fd), lParam, w.source);
}

// After a receive the next readable notification may be posted again.
void rearm(Watch &w)
{
    if (w.state == WatchState::Open || w.state == WatchState::Listening)
        w.reader->setEnabled(true);
}

bool isResetError(int error)
{
    return error == ECONNRESET || error == ECONNABORTED || error == ETIMEDOUT || error == EHOSTUNREACH
           || error == ENETUNREACH || error == ENETRESET;
}

void onReadable(Watch &w)
{
    w.reader->setEnabled(false);
    if (w.state == WatchState::Listening) {
        post(w, FD_ACCEPT, 0);
        return;
    }
    // The kernel hands out what it has queued before a pending error, so the
    // error is left for the reader's receive to meet after the data. Taking
    // it here (SO_ERROR) would clear it and hide the bytes in front of it.
    pollfd p{w.fd, short(POLLIN | POLLRDHUP), 0};
    ::poll(&p, 1, 0);
    char byte;
    const ssize_t n = ::recv(w.fd, &byte, 1, MSG_PEEK | MSG_DONTWAIT);
    if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
        // Nothing queued in front of the error: keep it, the next receive reports it.
        setState(w, WatchState::Failed, FromErrno(errno));
        post(w, FD_READ, 0);
        return;
    }
    if (n > 0)
        post(w, FD_READ, 0);
    // Only an orderly end is a close; a reset (POLLERR) behind queued data is
    // met by the reader once it has taken the data. The reader is never
    // enabled again after this, so the close is posted once.
    if (n == 0 || ((p.revents & (POLLRDHUP | POLLHUP)) && !(p.revents & POLLERR))) {
        setState(w, WatchState::Ended);
        post(w, FD_CLOSE, 0);
        return; // the peer sends nothing more: no need to watch
    }
    if (n < 0) // nothing there after all
        w.reader->setEnabled(true);
}

void onWritable(Watch &w)
{
    w.writer->setEnabled(false);
    if (w.state != WatchState::Connecting)
        return; // a send was waiting for room; waking the loop is all it needs
    int error = 0;
    socklen_t len = sizeof error;
    ::getsockopt(w.fd, SOL_SOCKET, SO_ERROR, &error, &len);
    setState(w, error ? WatchState::Idle : WatchState::Open);
    rearm(w);
    post(w, FD_CONNECT, error ? FromErrno(error) : 0);
}

// Arms the notification that the session waits for, so the caller's wait
// in the event loop ends when the socket is ready.
int wouldBlock(Watch &w, TlsSession::Result result)
{
    if (result == TlsSession::Result::WantWrite)
        w.writer->setEnabled(true);
    else
        rearm(w);
    return fail(WSAEWOULDBLOCK);
}

int tlsFailure(Watch &w, const TlsSession &tls)
{
    if (tls.socketError()) {
        const int error = FromErrno(tls.socketError());
        if (isResetError(tls.socketError()))
            setState(w, WatchState::Failed, error);
        return fail(error);
    }
    return failTls(w, tls.errorText(), true);
}

qsizetype tlsRecv(Watch &w, char *bytes, qsizetype length, bool peek)
{
    TlsSession &tls = *w.tls;
    qsizetype total = 0;
    // A record holds at most 16 KB: keep reading while more is ready, so a
    // receive hands on as much as a plain one would.
    for (;;) {
        qsizetype n = 0;
        const TlsSession::Result result = tls.read(bytes + total, length - total, peek, n);
        if (result == TlsSession::Result::Done) {
            total += n;
            if (peek || total == length || (w.failed() && !tls.hasPending()))
                break;
            continue;
        }
        if (w.failed()) {
            // The socket failed behind the bytes OpenSSL held: those are
            // served, then the socket's own error, not a later reading of it.
            if (total > 0)
                break;
            return failSticky(w);
        }
        if (total > 0) {
            if (result == TlsSession::Result::Failed)
                tlsFailure(w, tls); // kept for the next receive
            break;
        }
        rearm(w);
        switch (result) {
        case TlsSession::Result::Closed: return 0;
        case TlsSession::Result::WantRead:
        case TlsSession::Result::WantWrite: return wouldBlock(w, result);
        default: return tlsFailure(w, tls);
        }
    }
    rearm(w);
    return total;
}

qsizetype tlsSend(Watch &w, const char *bytes, qsizetype length)
{
    TlsSession &tls = *w.tls;
    qsizetype n = 0;
    const TlsSession::Result result = tls.write(bytes, length, n);
    switch (result) {
    case TlsSession::Result::Done: return n;
    case TlsSession::Result::WantRead:
    case TlsSession::Result::WantWrite: return wouldBlock(w, result);
    case TlsSession::Result::Closed: return fail(FromErrno(EPIPE));
    default: return tlsFailure(w, tls);
    }
}

int lookupError(int rc)
{
    switch (rc) {
    case EAI_NONAME: return 11001;
    case EAI_AGAIN: return 11002;
    case EAI_NODATA:
    case EAI_ADDRFAMILY: return 11004;
    case EAI_SYSTEM: return FromErrno(errno);
    default: return 11003;
    }
}

} // namespace

int FromErrno(int error)
{
    for (const ErrnoRow &row : kErrnoTable)
        if (row.error == error)
            return row.number;
    // Still above 10000, so it is raised as an error and never taken for "would block".
    return 20000 + error;
}

int LastError()
{
    return lastError;
}

int Startup(quint16 version, TWSAData &data)
{
    started = true;
    data = TWSAData{};
    data.wVersion = version;
    data.wHighVersion = 0x0101;
    std::strncpy(data.szDescription, "Kestrelon sockets 1.1 on POSIX descriptors", sizeof data.szDescription - 1);
    std::strncpy(data.szSystemStatus, "Running", sizeof data.szSystemStatus - 1);
    rlimit limit{};
    ::getrlimit(RLIMIT_NOFILE, &limit);
    data.iMaxSockets = quint16(std::min<rlim_t>(limit.rlim_cur, 65535));
    data.iMaxUdpDg = 65507; // the largest IPv4 datagram payload
    return 0;
}

int Cleanup()
{
    started = false;
    return 0;
}

bool Started()
{
    return started;
}

int Socket(int family, int type, int protocol)
{
    if (!started)
        return fail(WSANOTINITIALISED);
    const int fd = ::socket(family, type | SOCK_CLOEXEC, protocol);
    if (fd < 0)
        return fail(FromErrno(errno));
    return fd;
}

int SetLinger(int s, bool on, int seconds)
{
    linger l{on ? 1 : 0, seconds};
    if (::setsockopt(s, SOL_SOCKET, SO_LINGER, &l, sizeof l) != 0)
        return fail(FromErrno(errno));
    return 0;
}

int SetCork(int s, bool on)
{
    const int value = on ? 1 : 0;
    if (::setsockopt(s, IPPROTO_TCP, TCP_CORK, &value, sizeof value) != 0)
        return fail(FromErrno(errno));
    return 0;
}

int AsyncSelect(int s, HiddenWindow *window, quint32 message, long mask)
{
    if (!started)
        return fail(WSANOTINITIALISED);
    const int flags = ::fcntl(s, F_GETFL);
    if (flags < 0 || ::fcntl(s, F_SETFL, flags | O_NONBLOCK) < 0)
        return fail(FromErrno(errno));
    auto &slot = watches()[s];
    if (!slot) {
        slot = std::make_unique<Watch>();
        Watch *w = slot.get();
        w->fd = s;
        w->reader = std::make_unique<QSocketNotifier>(qintptr(s), QSocketNotifier::Read);
        w->writer = std::make_unique<QSocketNotifier>(qintptr(s), QSocketNotifier::Write);
        w->reader->setEnabled(false);
        w->writer->setEnabled(false);
        QObject::connect(w->reader.get(), &QSocketNotifier::activated, [w] { onReadable(*w); });
        QObject::connect(w->writer.get(), &QSocketNotifier::activated, [w] { onWritable(*w); });
        w->source = message_sources::create();
    }
    Watch &w = *slot;
    w.window = window;
    w.message = message;
    w.mask = mask;
    int listening = 0;
    socklen_t len = sizeof listening;
    ::getsockopt(s, SOL_SOCKET, SO_ACCEPTCONN, &listening, &len);
    sockaddr_in peer{};
    socklen_t peerLen = sizeof peer;
    // Registering again keeps what is known of the connection.
    if (listening)
        setState(w, WatchState::Listening);
    else if (w.state == WatchState::Idle && ::getpeername(s, reinterpret_cast<sockaddr *>(&peer), &peerLen) == 0)
        setState(w, WatchState::Open);
    rearm(w);
    return 0;
}

quint32 InetAddr(const char *text)
{
    return quint32(::inet_addr(text));
}

quint16 Htons(quint16 value)
{
    return htons(value);
}

quint64 AsyncGetHostByName(HiddenWindow *window, quint32 message, const QByteArray &name)
{
    const quint64 source = message_sources::create();
    if (lookupHook && !lookupHook(name)) {
        const qintptr lParam = qintptr(quint32(quint16(WSAHOST_NOT_FOUND)) << 16);
        HiddenWindow::PostFromAnyThread(
            window, new MessageEvent(message, quintptr(source), lParam, source, QByteArray(1024, '\0')));
        return source;
    }
    ++pendingLookups;
    std::thread([window, message, name, source] {
        addrinfo hints{};
        hints.ai_family = AF_INET;
        hints.ai_socktype = SOCK_STREAM;
        addrinfo *result = nullptr;
        const int rc = ::getaddrinfo(name.constData(), nullptr, &hints, &result);
        // The host entry: the addresses, 4 bytes each in network order, from offset 0.
        QByteArray entry(1024, '\0');
        int error = 0;
        if (rc == 0) {
            int offset = 0;
            for (addrinfo *a = result; a && offset + 4 <= entry.size(); a = a->ai_next) {
                const auto *in = reinterpret_cast<const sockaddr_in *>(a->ai_addr);
                std::memcpy(entry.data() + offset, &in->sin_addr.s_addr, 4);
                offset += 4;
            }
            if (offset == 0)
                error = 11004;
            ::freeaddrinfo(result);
        } else {
            error = lookupError(rc);
        }
        const qintptr lParam = qintptr(quint32(quint16(error)) << 16);
        HiddenWindow::PostFromAnyThread(window, new MessageEvent(message, quintptr(source), lParam, source, entry));
        --pendingLookups;
    }).detach();
    return source;
}

void SetLookupHook(LookupHook hook)
{
    lookupHook = std::move(hook);
}

int PendingLookups()
{
    return pendingLookups;
}

int Connect(int s, const TSockAddrIn &address)
{
    sockaddr_in a{};
    a.sin_family = address.sin_family;
    a.sin_port = address.sin_port;
    a.sin_addr.s_addr = address.sin_addr;
    Watch *w = find(s);
    if (w) {
        // A fresh attempt: whatever an earlier one still has queued is void.
        message_sources::retire(w->source);
        w->source = message_sources::create();
        setState(*w, WatchState::Idle);
    }
    if (::connect(s, reinterpret_cast<const sockaddr *>(&a), sizeof a) == 0) {
        if (w) {
            setState(*w, WatchState::Open);
            rearm(*w);
            post(*w, FD_CONNECT, 0);
        }
        return fail(WSAEWOULDBLOCK);
    }
    const int error = errno;
    if (!w)
        return fail(FromErrno(error));
    if (error == EINPROGRESS) {
        setState(*w, WatchState::Connecting);
        w->writer->setEnabled(true);
        return fail(WSAEWOULDBLOCK);
    }
    if (error == ECONNREFUSED || error == ENETUNREACH || error == EHOSTUNREACH || error == ETIMEDOUT) {
        // Reported as the outcome of the attempt, as an asynchronous connect does.
        post(*w, FD_CONNECT, FromErrno(error));
        return fail(WSAEWOULDBLOCK);
    }
    return fail(FromErrno(error));
}

qsizetype Send(int s, const char *bytes, qsizetype length, int flags)
{
    Watch *w = find(s);
    if (w && w->failed())
        return failSticky(*w);
    if (w && w->tls)
        return tlsSend(*w, bytes, length);
    const ssize_t n = ::send(s, bytes, size_t(length), MSG_NOSIGNAL | MSG_DONTWAIT | (flags & ~MSG_PEEK_FLAG));
    if (n >= 0)
        return n;
    const int error = errno;
    if (error == EAGAIN || error == EWOULDBLOCK) {
        if (w)
            w->writer->setEnabled(true); // wake the waiting loop once there is room
        return fail(WSAEWOULDBLOCK);
    }
    if (w && isResetError(error))
        setState(*w, WatchState::Failed, FromErrno(error));
    return fail(FromErrno(error));
}

qsizetype Recv(int s, char *bytes, qsizetype length, int flags)
{
    Watch *w = find(s);
    // Decrypted bytes taken off the socket before it failed come first.
    if (w && w->failed() && !(w->tls && w->tls->hasPending()))
        return failSticky(*w);
    if (w && w->tls)
        return tlsRecv(*w, bytes, length, (flags & MSG_PEEK_FLAG) != 0);
    const ssize_t n = ::recv(s, bytes, size_t(length), MSG_DONTWAIT | ((flags & MSG_PEEK_FLAG) ? MSG_PEEK : 0));
    const int error = errno;
    if (n < 0 && w && isResetError(error))
        setState(*w, WatchState::Failed, FromErrno(error));
    if (w)
        rearm(*w);
    if (n >= 0)
        return n;
    return fail(FromErrno(error));
}

int Accept(int s, TSockAddrIn *address)
{
    sockaddr_in a{};
    socklen_t len = sizeof a;
    const int fd = ::accept4(s, reinterpret_cast<sockaddr *>(&a), &len, SOCK_NONBLOCK | SOCK_CLOEXEC);
    const int error = errno;
    if (Watch *w = find(s))
        rearm(*w);
    if (fd < 0)
        return fail(FromErrno(error));
    if (address) {
        address->sin_family = a.sin_family;
        address->sin_port = a.sin_port;
        address->sin_addr = a.sin_addr.s_addr;
    }
    return fd;
}

int StartTls(int s, const QByteArray &serverName, const QString &extraCaFile)
{
    Watch *w = find(s);
    if (!w || !w->connected())
        return fail(WSAENOTCONN);
    QString error;
    w->tls = TlsSession::create(s, serverName, extraCaFile, error);
    if (!w->tls)
        return failTls(*w, error, false);
    return 0;
}

int TlsHandshake(int s)
{
    Watch *w = find(s);
    if (!w || !w->tls)
        return fail(WSAENOTCONN);
    if (w->failed())
        return failSticky(*w);
    const TlsSession::Result result = w->tls->handshake();
    switch (result) {
    case TlsSession::Result::Done: rearm(*w); return 0;
    case TlsSession::Result::WantRead:
    case TlsSession::Result::WantWrite: return wouldBlock(*w, result);
    default: return tlsFailure(*w, *w->tls);
    }
}

QString TlsErrorText()
{
    return lastTlsError;
}

int CloseSocket(int s)
{
    auto it = watches().find(s);
    if (it != watches().end()) {
        message_sources::retire(it->second->source);
        if (it->second->tls && !it->second->failed())
            it->second->tls->shutdown();
        watches().erase(it);
    }
    if (::close(s) != 0)
        return fail(FromErrno(errno));
    return 0;
}

} // namespace sockets
