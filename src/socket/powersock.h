#pragma once

// The socket layer: TPowersock, an event-driven TCP client component with
// blocking-style operations that keep the event loop running while they wait.
// Start here, then read powersock.cpp (connection, time-outs, notifications),
// transfers.cpp (lines, files, captures) and posix_socket.h (the small socket
// platform under it: descriptors, notifications, host look-up, error numbers).

#include <QByteArray>
#include <QByteArrayList>
#include <QObject>
#include <QString>
#include <QtGlobal>
#include <functional>

#include "ex_string_list.h"
#include "posted_messages.h"
#include "posix_socket.h"
#include "sock_errors.h"
#include "nth_field.h"
#include "thread_timer.h"

// Event types. Handlers are called only when assigned; they may run inside
// any wait of any component and may call Cancel or Abort there.
using TOnStatus = std::function<void(QObject *Sender, QByteArray Status)>;
using TOnHostResolved = std::function<void(QObject *Sender)>;
using THandlerEvent = std::function<void(bool &Handled)>;
using TOnSocketError = std::function<void(QObject *Sender, quint16 ErrorNo, const QByteArray &Text)>;

// States of the component, as the flags below describe them:
//   idle (a fresh, unconnected socket)  --Connect-->  resolving (a name only)
//   --> connecting --> Connected --Disconnect or the peer's close-->  idle again
//   with a replacement socket. A failed Connect leaves the socket as it is;
//   the caller disconnects before trying again. Destruction closes the socket
//   without replacing it.
// The flags Canceled, TimedOut, WaitDone and Succeeded are what the waits
// test; handlers (Cancel, the time-out tick, the notifications) set them.
class TPowersock : public QObject {
public:
    static constexpr int IOBufferSize = 65536;
    static constexpr quint16 NoSocket = 65535;
    // ReadLn returns lines longer than IOBuffer whole, up to this many bytes;
    // a longer line is a range error rather than memory without end from a
    // peer that never sends a line end.
    static constexpr qsizetype MaxLineLength = 16 * 1024 * 1024;

    explicit TPowersock(QObject *owner = nullptr);
    ~TPowersock() override;

    // What the owner sets before an operation, and the events it reports.
    QByteArray Host;
    qint32 Port = 0;
    qint32 TimeOut = 0;     // milliseconds per waiting step; 0: no time-out
    qint32 ReportLevel = 1; // status texts up to this level are reported
    TNotifyEvent OnDisconnect;
    TNotifyEvent OnConnect;
    THandlerEvent OnInvalidHost;
    TOnHostResolved OnHostResolved;
    TOnStatus OnStatus;
    TNotifyEvent OnConnectionFailed;

    // Set and reported by a client built on this one (the HTTP client).
    QByteArray Proxy; // when not empty, resolved instead of Host, with ProxyPort
    qint32 ProxyPort = 0;
    TNotifyEvent OnPacketRecvd; // after each chunk a capture received
    TNotifyEvent OnPacketSent;  // after each successful send of SendFile

    // Events of a socket used directly: data to read, a connection to accept, an error.
    TNotifyEvent OnDataAvailable;
    TNotifyEvent OnAccept;
    TOnSocketError OnSocketError;

    // State that callers read.
    QByteArrayList WinsockInfo; // six lines, for the first component only
    qint32 BytesSent = 0;       // grown by SendFile, never reset
    bool Canceled = false;
    qint32 LastErrorNo = 0;
    QByteArray Status; // the last status text reported
    bool TimedOut = false;
    qint32 BytesTotal = 0; // expected size of an incoming transfer (set by descendants)
    qint32 BytesRecvd = 0; // bytes received by the current capture
    // When not negative: the length of the body the peer announced. A reset
    // met after a capture has received this many bytes ends the capture like
    // the peer's orderly close instead of failing a complete transfer.
    qint64 CompleteLength = -1;
    // Bytes the last capture received, exact where BytesRecvd wraps.
    qint64 CapturedLength = 0;
    QByteArray LastReply;  // reply line of the last Transaction, line end included
    qint16 ReplyNumber = 0;
    quint16 SocketHandle = NoSocket;
    bool Connected = false;

    // Live components that started the socket layer.
    static qint32 WinsockUsers;

    // Connection.
    virtual quint16 Accept();
    virtual void Connect();
    virtual void Disconnect();
    void Cancel();
    virtual void Abort();

    // Transfers.
    void SendBuffer(const char *bytes, quint16 length); // length 0: up to the first NUL
    void Write(const QByteArray &text);
    void Writeln(const QByteArray &text);
    void ReadLn(QByteArray &line); // one line, LF included; at the peer's end what is left of it
    virtual void Transaction(const QByteArray &command, QByteArray &reply);
    void SendFile(const QString &fileName);
    void CaptureFile(const QString &fileName);
    void CaptureString(QByteArray &text, qint32 maxLength); // -1: no maximum

    bool DataAvailable();

    // Makes the connection a TLS one: handshakes with the server, verifying
    // its certificate against the system's trusted ones, the CAs the user
    // trusts in their own store (user_trust_store.h) and TrustedCaFile
    // and checking it is for `serverName` (sent as SNI). Waits like every
    // operation, honouring TimeOut and Cancel. Raises ESockError with the
    // reason ("Certificate verify failed: ...", "Certificate is for another
    // host: ...", "TLS handshake failed: ...", "TLS Handshake Timed out",
    // "TLS Handshake Canceled"). Later transfers go through TLS until the
    // connection is closed.
    void SecureHandshake(const QByteArray &serverName);
    QString TrustedCaFile; // an extra CA file (PEM) for SecureHandshake; empty: the system's only

    // While on, sends are held until a segment fills or it is turned off, so
    // a request written in pieces leaves as one segment. The bytes sent do
    // not change.
    void HoldSends(bool on);

    // Called by the notification window for messages numbered 1125 and up.
    void HandleSocketMessage(quint32 number, quintptr wParam, qintptr lParam, qintptr &result);

protected:
    void ResolveHost();
    void RequestCloseSocket();
    void InitWinsock();
    void TimerOn();
    void TimerOff();
    void TimerTriggered();
    void StatusMessage(quint8 level, const QByteArray &text);
    void ErrorCheck(qint16 ignore, QByteArray &text);
    // After a receive that failed: true when the socket has gone (taken as
    // an orderly close); raises every error but "would block".
    bool ReceiveEnded();
    void LookupErrorMessage(qint16 number, QByteArray &text);
    // The receive loop of both captures: hands each chunk to `take` until
    // the peer's end, Canceled, or `wantsMore` (when given) says enough.
    void ReceiveToEnd(const std::function<void(const char *, qsizetype)> &take,
                      const std::function<bool()> &wantsMore);
    // Peeks one byte: 1 when data is waiting, 0 at the peer's orderly end,
    // -1 otherwise (LastError tells a pending error from "nothing yet").
    qsizetype PeekOne();

    // The one place the socket layer waits: runs the event loop, sleeping in
    // it while nothing arrives, until `done` holds. Socket notifications,
    // timer ticks, look-up results and user events all end the sleep.
    void WaitUntil(const std::function<bool()> &done);
    // One pass of "process pending messages": sleeps until at least one event
    // arrives when `sleep` is true, otherwise only dispatches what is queued.
    void ProcessMessages(bool sleep);

    char IOBuffer[IOBufferSize + 4] = {};
    bool Destroying = false;
    TThreadTimer *Timer = nullptr;
    bool Succeeded = false;
    bool WaitDone = false;
    TWSAData WSAData;
    TSockAddrIn RemoteAddress;
    QByteArray HostEntBuffer; // 1,024 bytes; the first address of a look-up
    PsockWindow *WindowHandle = nullptr;

private:
    // Stops the time-out when a timed step ends by an error.
    class TimerGuard {
    public:
        explicit TimerGuard(TPowersock *owner) : m_owner(owner) {}
        ~TimerGuard()
        {
            if (m_owner)
                m_owner->TimerOff();
        }
        void release() { m_owner = nullptr; }

    private:
        TPowersock *m_owner;
    };

    // The send loop: sends until all is gone, a send takes nothing, or
    // Canceled. Where a send would block it sleeps in the event loop until
    // the socket has room, the time-out fires or Cancel is called.
    // `afterSend` runs after each positive count.
    void SendAll(const char *bytes, qsizetype length, const std::function<void(qsizetype)> &afterSend);
    quint16 CreateSocket(int protocol, bool lingerOff);
    void CallNotify(const TNotifyEvent &handler);

    bool m_inDestruction = false; // no status or disconnect events any more
    quint64 m_lookup = 0;         // source of the running host look-up
};
