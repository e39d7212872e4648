#pragma once

// TLS over one non-blocking socket, with OpenSSL. The session never waits:
// every call returns at once, and "would block" says which way the socket
// must become ready (readable or writable) before the call is tried again,
// so the caller sleeps in its one event loop like for plain sockets.
//
// The peer is verified against the system's trusted certificates and an
// optional extra CA file, and, only for a chain whose issuer neither holds,
// the CAs the user trusts in their own store (user_trust_store.h). Its name
// is checked too: a host name, also sent as SNI, or an IPv4 address,
// checked against the certificate's addresses. TLS 1.2 is the oldest
// version spoken.

#include <QByteArray>
#include <QString>
#include <QtGlobal>
#include <memory>

namespace sockets {

class TlsSession {
public:
    enum class Result {
        Done,      // the call did its work (a count is returned where there is one)
        WantRead,  // try again once the socket is readable
        WantWrite, // try again once the socket is writable
        Closed,    // the peer's close_notify: the orderly end
        Failed,    // errorText() or, for a socket error, socketError() tells why
    };

    // Prepares a session on the connected socket `fd`. Fails (Failed) only
    // when the extra CA file cannot be used.
    static std::unique_ptr<TlsSession> create(int fd, const QByteArray &serverName, const QString &extraCaFile,
                                              QString &error);
    ~TlsSession();
    TlsSession(const TlsSession &) = delete;
    TlsSession &operator=(const TlsSession &) = delete;

    Result handshake();
    // At most `length` bytes into `bytes`; `count` is set on Done.
    Result read(char *bytes, qsizetype length, bool peek, qsizetype &count);
    // True while OpenSSL holds bytes already taken off the socket (the rest
    // of a record the last read did not have room for): a read serves them
    // even when the socket behind has failed since.
    bool hasPending() const;
    Result write(const char *bytes, qsizetype length, qsizetype &count);
    // Sends close_notify if it can go at once; never waits.
    void shutdown();

    QString errorText() const { return m_errorText; }
    int socketError() const { return m_socketError; } // errno of a failed socket call, 0 if none

private:
    TlsSession() = default;
    Result classify(int rc, bool handshaking);

    struct Handles;
    std::unique_ptr<Handles> m_handles;
    bool m_established = false;
    QString m_errorText;
    QString m_peerNames; // of a certificate that is for another host
    int m_socketError = 0;
};

} // namespace sockets
