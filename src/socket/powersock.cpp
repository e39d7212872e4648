#include "powersock.h"

#include <QCoreApplication>
#include <cstring>

#include "error_table.h"
#include "toolkit/core/codepage.h"

qint32 TPowersock::WinsockUsers = 0;

namespace {

constexpr int AF_INET_FAMILY = 2;
constexpr int SOCK_STREAM_TYPE = 1;
constexpr int IPPROTO_TCP_PROTOCOL = 6;
// Readable, out-of-band, accept, connect and close; "writable" is not asked for.
constexpr long kEventMask = 61;
constexpr int kHostEntSize = 1024;

} // namespace

TPowersock::TPowersock(QObject *owner) : QObject(owner)
{
    StatusMessage(8, "Create"); // nobody can listen yet
    WindowHandle = PsockWindow::Create(this);
    Proxy.clear();
    HostEntBuffer = QByteArray(kHostEntSize, '\0');
    WindowHandle->HostEntTarget = &HostEntBuffer;
    Timer = new TThreadTimer(this);
    Timer->SetEnabled(false);
    Timer->SetOnTimer([this](QObject *) { TimerTriggered(); });
    TimeOut = 0;
    ReportLevel = 1;
    WinsockInfo.clear();
    Canceled = false;
    Destroying = false;
    Connected = false;
    InitWinsock();
}

TPowersock::~TPowersock()
{
    m_inDestruction = true;
    StatusMessage(8, "Destroy");
    // Our own Abort: a descendant's part no longer exists here.
    TPowersock::Abort();
    Cancel();
    WinsockInfo.clear();
    delete Timer;
    Timer = nullptr;
    delete WindowHandle;
    WindowHandle = nullptr;
    HostEntBuffer.clear();
    if (m_lookup)
        message_sources::retire(m_lookup);
    Destroying = true;
    try {
        RequestCloseSocket();
    } catch (...) {
    }
    if (--WinsockUsers == 0)
        sockets::Cleanup();
}

void TPowersock::InitWinsock()
{
    StatusMessage(8, "Initializing Winsock");
    try {
        if (++WinsockUsers == 1) {
            sockets::Startup(0x0101, WSAData);
            auto version = [](quint16 v) {
                return QByteArray::number(v & 0xFF) + '.' + QByteArray::number(v >> 8);
            };
            WinsockInfo << "Version= " + version(WSAData.wVersion)
                        << "High Version= " + version(WSAData.wHighVersion)
                        << "Description= " + QByteArray(WSAData.szDescription, qstrnlen(WSAData.szDescription, 257))
                        << "System= " + QByteArray(WSAData.szSystemStatus, qstrnlen(WSAData.szSystemStatus, 129))
                        << "Max Sockets= " + QByteArray::number(WSAData.iMaxSockets)
                        << "Max Udp pack size= " + QByteArray::number(WSAData.iMaxUdpDg);
        }
        try {
            SocketHandle = CreateSocket(IPPROTO_TCP_PROTOCOL, false);
        } catch (...) {
            if (--WinsockUsers == 0)
                sockets::Cleanup();
            throw;
        }
    } catch (...) {
        throw ESockError(QStringLiteral("Initializaton of windows sockets failed"));
    }
}

// A new IPv4 stream socket, registered for notifications. The first socket
// gets linger 0, so closing it resets the connection at once.
quint16 TPowersock::CreateSocket(int protocol, bool lingerOff)
{
    const int fd = sockets::Socket(AF_INET_FAMILY, SOCK_STREAM_TYPE, protocol);
    if (fd < 0)
        throwRangeError(); // the invalid-socket value does not fit a handle
    if (fd >= NoSocket) {
        sockets::CloseSocket(fd);
        throwRangeError();
    }
    if (!lingerOff)
        sockets::SetLinger(fd, true, 0);
    sockets::AsyncSelect(fd, WindowHandle, SocketEventMessage, kEventMask);
    return quint16(fd);
}

void TPowersock::StatusMessage(quint8 level, const QByteArray &text)
{
    if (level > ReportLevel)
        return;
    try {
        Status = text;
        if (!m_inDestruction && OnStatus) {
            const TOnStatus handler = OnStatus;
            handler(this, Status);
        }
    } catch (...) {
        // Reporting never breaks the operation that reports.
    }
}

void TPowersock::CallNotify(const TNotifyEvent &handler)
{
    if (handler) {
        const TNotifyEvent copy = handler; // it may reassign itself
        copy(this);
    }
}

void TPowersock::Connect()
{
    StatusMessage(8, "Connecting");
    Canceled = false;
    if (Connected)
        throw ESockError(QStringLiteral("Already connected"));

    int retries = 0;
    for (;;) {
        try {
            ResolveHost();
        } catch (const ESockError &error) {
            if (error.message() == QStringLiteral("Host Lookup Timed Out") || error.message() == QStringLiteral("Host Lookup Canceled"))
                throw;
            RemoteAddress.sin_addr = 0;
        }
        if (RemoteAddress.sin_addr != 0)
            break;
        if (retries > 0 || !OnInvalidHost)
            throw ESockError(QStringLiteral("Null Remote Address"));
        bool handled = false;
        const THandlerEvent handler = OnInvalidHost;
        handler(handled);
        if (!handled)
            throw ESockError(QStringLiteral("Null Remote Address"));
        ++retries; // the handler may have changed Host or Proxy
    }

    RemoteAddress.sin_family = AF_INET_FAMILY;
    RemoteAddress.sin_port = sockets::Htons(quint16(Proxy.isEmpty() ? Port : ProxyPort));
    WaitDone = false;
    Succeeded = true;
    if (sockets::Connect(SocketHandle, RemoteAddress) == -1) {
        QByteArray error;
        ErrorCheck(sockets::WSAEWOULDBLOCK, error);
    }

    TimerOn();
    TimerGuard guard(this);
    WaitUntil([this] { return Connected || TimedOut || Canceled || !Succeeded; });
    guard.release();
    TimerOff();

    if (!TimedOut && !Canceled && Succeeded)
        return;
    CallNotify(OnConnectionFailed);
    if (TimedOut)
        throw ESockError(QStringLiteral("Connection Timed out"));
    if (Canceled)
        throw ESockError(QStringLiteral("Connection Canceled"));
    throw ESockError(QStringLiteral("Connection Failed"));
}

void TPowersock::ResolveHost()
{
    StatusMessage(8, "Resolve Host");
    QByteArray name = Proxy.isEmpty() ? Host : Proxy;
    // The name is handed on as NUL-terminated text: a NUL ends it.
    const qsizetype nul = name.indexOf('\0');
    if (nul >= 0)
        name.truncate(nul);
    RemoteAddress.sin_addr = 0;
    // A name must fit the transfer buffer with its NUL; longer ones are refused.
    if (name.size() > IOBufferSize - 1)
        throw ESockError(QStringLiteral("Host Lookup Failed"));
    std::memcpy(IOBuffer, name.constData(), size_t(name.size()));
    IOBuffer[name.size()] = '\0';

    const quint32 address = sockets::InetAddr(IOBuffer);
    if (address != sockets::INADDR_NONE_VALUE) {
        RemoteAddress.sin_addr = address;
        return;
    }

    TimerOn();
    TimerGuard guard(this);
    WaitDone = false;
    m_lookup = sockets::AsyncGetHostByName(WindowHandle, LookupDoneMessage, QByteArray(IOBuffer));
    WaitUntil([this] { return WaitDone || TimedOut || Canceled; });
    // An abandoned look-up must not answer a later one.
    message_sources::retire(m_lookup);
    m_lookup = 0;
    guard.release();
    TimerOff();

    if (TimedOut)
        throw ESockError(QStringLiteral("Host Lookup Timed Out"));
    if (Canceled)
        throw ESockError(QStringLiteral("Host Lookup Canceled"));
    if (!Succeeded)
        throw ESockError(QStringLiteral("Host Lookup Failed"));
    std::memcpy(&RemoteAddress.sin_addr, HostEntBuffer.constData(), 4);
    if (OnHostResolved) {
        const TOnHostResolved handler = OnHostResolved;
        handler(this);
    }
}

void TPowersock::HandleSocketMessage(quint32 number, quintptr, qintptr lParam, qintptr &result)
{
    result = 0;
    try {
        const quint32 l = quint32(lParam);
        Succeeded = (l >> 16) == 0;
        if (number == SocketEventMessage) {
            switch (l & 0xFFFF) {
            case sockets::FD_READ:
                try {
                    CallNotify(OnDataAvailable);
                } catch (...) {
                }
                break;
            case sockets::FD_ACCEPT:
                Connected = true;
                CallNotify(OnAccept);
                break;
            case sockets::FD_CONNECT:
                if (Succeeded) {
                    Connected = true;
                    CallNotify(OnConnect);
                }
                break;
            case sockets::FD_CLOSE: {
                // The peer may close while data is still unread: keep the
                // socket until the reader drains it and meets the end. An
                // error behind the close (a reset) is kept for the reader too,
                // or it would read as an orderly end and a cut body as whole.
                const qsizetype n = PeekOne();
                if (n == 0 || (n < 0 && sockets::LastError() == sockets::WSAEWOULDBLOCK))
                    RequestCloseSocket();
                break;
            }
            default: // out-of-band data
                break;
            }
        } else if (number == LookupDoneMessage) {
            WaitDone = true;
        }
    } catch (...) {
        // Nothing raised while handling a notification reaches the event loop.
    }
}

void TPowersock::TimerOn()
{
    StatusMessage(8, "Timer On");
    TimedOut = false;
    if (TimeOut < 0)
        throwRangeError();
    // Stop first, so the full TimeOut runs from now even when already running.
    Timer->SetEnabled(false);
    Timer->SetInterval(quint32(TimeOut));
    Timer->SetEnabled(true);
}

void TPowersock::TimerOff()
{
    StatusMessage(8, "Timer Off");
    if (Timer)
        Timer->SetEnabled(false);
}

void TPowersock::TimerTriggered()
{
    StatusMessage(8, "Timer Triggered");
    TimerOff();
    TimedOut = true;
    WaitDone = true;
    Abort();
}

void TPowersock::Abort()
{
    StatusMessage(8, "Abort");
    Cancel();
}

void TPowersock::Cancel()
{
    StatusMessage(8, "Canceling");
    Canceled = true;
}

void TPowersock::Disconnect()
{
    StatusMessage(8, "Disconnecting");
    RequestCloseSocket();
}

void TPowersock::RequestCloseSocket()
{
    StatusMessage(4, "Request Close Socket");
    Connected = false;
    if (SocketHandle == NoSocket)
        return;
    if (sockets::CloseSocket(SocketHandle) != 0) {
        QByteArray error;
        ErrorCheck(sockets::WSAEWOULDBLOCK, error);
        return;
    }
    // The number may be reused by the next descriptor: never close it twice.
    SocketHandle = NoSocket;
    if (!m_inDestruction)
        CallNotify(OnDisconnect);
    if (!Destroying)
        SocketHandle = CreateSocket(0, true);
}

bool TPowersock::DataAvailable()
{
    return PeekOne() >= 1;
}

qsizetype TPowersock::PeekOne()
{
    StatusMessage(8, "Data Available");
    // Peeks into a byte of its own: IOBuffer may hold a line being read when
    // a close notification asks this.
    char byte;
    return sockets::Recv(SocketHandle, &byte, 1, sockets::MSG_PEEK_FLAG);
}

void TPowersock::SecureHandshake(const QByteArray &serverName)
{
    StatusMessage(8, "Secure Handshake");
    QByteArray error;
    if (sockets::StartTls(SocketHandle, serverName, TrustedCaFile) != 0)
        ErrorCheck(sockets::WSAEWOULDBLOCK, error);
    TimerOn();
    TimerGuard guard(this);
    while (!Canceled) {
        if (sockets::TlsHandshake(SocketHandle) == 0)
            break;
        ErrorCheck(sockets::WSAEWOULDBLOCK, error); // raises all but "not yet"
        ProcessMessages(true); // until the socket is ready, the time-out or Cancel
    }
    guard.release();
    TimerOff();
    if (TimedOut)
        throw ESockError(QStringLiteral("TLS Handshake Timed out"));
    if (Canceled)
        throw ESockError(QStringLiteral("TLS Handshake Canceled"));
}

void TPowersock::HoldSends(bool on)
{
    if (SocketHandle != NoSocket)
        sockets::SetCork(SocketHandle, on);
}

quint16 TPowersock::Accept()
{
    StatusMessage(4, "Accepting");
    WaitUntil([this] { return WaitDone || Canceled; });
    if (Canceled)
        throw ESockError(QStringLiteral("Accepting Canceled"));
    if (!Succeeded)
        throw ESockError(QStringLiteral("Error creating Data Connection"));
    TSockAddrIn peer;
    const int fd = sockets::Accept(SocketHandle, &peer);
    if (fd < 0 || fd >= NoSocket) {
        if (fd >= 0)
            sockets::CloseSocket(fd);
        throwRangeError();
    }
    sockets::AsyncSelect(fd, WindowHandle, SocketEventMessage, kEventMask);
    RemoteAddress = peer;
    if (Canceled) {
        Canceled = false;
        throw EAbortError(QStringLiteral("Socket send aborted"));
    }
    return quint16(fd);
}

void TPowersock::ErrorCheck(qint16 ignore, QByteArray &text)
{
    const int error = sockets::LastError();
    LastErrorNo = error;
    if (error != ignore && error > 10000) {
        if (error == sockets::TLS_ERROR)
            text = toolkit::toSingleByte(sockets::TlsErrorText());
        else
            LookupErrorMessage(qint16(error), text);
        if (OnSocketError) {
            const TOnSocketError handler = OnSocketError;
            handler(this, quint16(error), text);
        }
        throw ESockError(toolkit::fromSingleByte(text));
    }
    text.clear();
}

void TPowersock::LookupErrorMessage(qint16 number, QByteArray &text)
{
    StatusMessage(8, "Looking Up Error Message" + text);
    text.clear();
    if (number == 0)
        return;
    for (const SocketErrorRow &row : kSocketErrors)
        if (row.number == number)
            text = QByteArray::number(row.number) + ':' + row.message;
    if (text.isEmpty())
        text = "Unknown Error No. " + QByteArray::number(number);
}

void TPowersock::WaitUntil(const std::function<bool()> &done)
{
    // processEvents(WaitForMoreEvents) sleeps in the dispatcher until a
    // socket notifier, a timer or a posted event is due: a stalled peer costs
    // nothing while we wait.
    while (!done())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

void TPowersock::ProcessMessages(bool sleep)
{
    if (!sleep) {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        return;
    }
    bool slept = false;
    WaitUntil([&] {
        const bool done = slept || Canceled;
        slept = true;
        return done;
    });
}
