#include "support/core/tls_page_server.h"

#include <QFile>
#include <QProcess>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QSslKey>
#include <QSslServer>
#include <QSslSocket>

namespace testing_support {

TlsPageServer::TlsPageServer(QHash<QByteArray, QByteArray> pages) : m_pages(std::move(pages)) {}

TlsPageServer::~TlsPageServer() = default;

bool TlsPageServer::start()
{
    const QString key = m_dir.filePath(QStringLiteral("key.pem"));
    const QString cert = m_dir.filePath(QStringLiteral("cert.pem"));
    QProcess openssl;
    openssl.setProcessChannelMode(QProcess::MergedChannels);
    openssl.start(QStringLiteral("openssl"),
                  {QStringLiteral("req"), QStringLiteral("-x509"), QStringLiteral("-newkey"), QStringLiteral("rsa:2048"),
                   QStringLiteral("-nodes"), QStringLiteral("-keyout"), key, QStringLiteral("-out"), cert,
                   QStringLiteral("-days"), QStringLiteral("2"), QStringLiteral("-subj"),
                   QStringLiteral("/CN=127.0.0.1"), QStringLiteral("-addext"),
                   QStringLiteral("subjectAltName=IP:127.0.0.1")});
    if (!openssl.waitForFinished(60000) || openssl.exitCode() != 0) {
        m_error = QStringLiteral("openssl failed: ") + QString::fromLocal8Bit(openssl.readAll());
        return false;
    }
    QFile keyFile(key), certFile(cert);
    if (!keyFile.open(QIODevice::ReadOnly) || !certFile.open(QIODevice::ReadOnly)) {
        m_error = QStringLiteral("cannot read the certificate files");
        return false;
    }
    QSslConfiguration config = QSslConfiguration::defaultConfiguration();
    config.setPrivateKey(QSslKey(keyFile.readAll(), QSsl::Rsa));
    config.setLocalCertificate(QSslCertificate(certFile.readAll()));
    config.setPeerVerifyMode(QSslSocket::VerifyNone);

    m_server = std::make_unique<QSslServer>();
    m_server->setSslConfiguration(config);
    QObject::connect(m_server.get(), &QSslServer::pendingConnectionAvailable, m_server.get(), [this] {
        while (QTcpSocket *plain = m_server->nextPendingConnection()) {
            auto *socket = static_cast<QSslSocket *>(plain);
            ++m_connections;
            QObject::connect(socket, &QSslSocket::disconnected, socket, &QObject::deleteLater);
            auto buffer = std::make_shared<QByteArray>();
            QObject::connect(socket, &QSslSocket::readyRead, socket, [this, socket, buffer] {
                QByteArray &received = *buffer;
                received += socket->readAll();
                if (!received.contains("\r\n\r\n"))
                    return;
                const QByteArray line = received.left(received.indexOf("\r\n"));
                m_requests.append(line);
                QObject::disconnect(socket, &QSslSocket::readyRead, nullptr, nullptr);
                const QByteArray path = line.split(' ').value(1);
                const auto it = m_pages.constFind(path);
                const QByteArray body = it == m_pages.constEnd() ? QByteArray("<title>Not here</title>") : *it;
                socket->write((it == m_pages.constEnd() ? "HTTP/1.0 404 Not Found\r\n" : "HTTP/1.0 200 OK\r\n")
                              + QByteArray("Content-Type: text/html\r\nConnection: close\r\nContent-Length: ")
                              + QByteArray::number(body.size()) + "\r\n\r\n" + body);
                socket->disconnectFromHost();
            });
        }
    });
    if (!m_server->listen(QHostAddress::LocalHost, 0)) {
        m_error = m_server->errorString();
        return false;
    }
    return true;
}

QString TlsPageServer::url(const QByteArray &path) const
{
    return QStringLiteral("https://127.0.0.1:%1%2").arg(m_server->serverPort()).arg(QString::fromLatin1(path));
}

} // namespace testing_support
