#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <QTemporaryDir>

#include <memory>

class QSslServer;

namespace testing_support {

// An https server on 127.0.0.1 with a self-signed certificate made for the
// test by openssl, serving fixed HTML pages by path, one exchange per
// connection. It runs in the test thread's event loop, so it answers
// while the test waits with processEvents.
class TlsPageServer {
public:
    explicit TlsPageServer(QHash<QByteArray, QByteArray> pages);
    ~TlsPageServer();

    // Makes the certificate and starts listening; false with error() set.
    bool start();
    QString error() const { return m_error; }
    QString url(const QByteArray &path) const;
    // Request lines received ("GET / HTTP/1.1"): none when no client got
    // past the handshake.
    QList<QByteArray> requests() const { return m_requests; }
    // Connections that reached the server (a refused certificate still
    // makes one).
    int connections() const { return m_connections; }

private:
    QHash<QByteArray, QByteArray> m_pages;
    QTemporaryDir m_dir;
    std::unique_ptr<QSslServer> m_server;
    QList<QByteArray> m_requests;
    int m_connections = 0;
    QString m_error;
};

} // namespace testing_support
