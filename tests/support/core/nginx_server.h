#pragma once

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>
#include <QtGlobal>

// A private nginx on 127.0.0.1 serving a temporary folder, for tests that
// need a real server (large bodies, real headers). It runs in the
// foreground as a child process, with its configuration, pid file, logs and
// temporary files in a folder of its own, and is stopped in the destructor.
//
//   NginxServer nginx;
//   nginx.writeFile("big.bin", QByteArray(20'000'000, 'x'));
//   ASSERT_TRUE(nginx.start()) << nginx.error().toStdString();
//   ... GET http://127.0.0.1:<nginx.port()>/big.bin ...
namespace testing_support {

class NginxServer {
public:
    NginxServer();
    ~NginxServer();
    NginxServer(const NginxServer &) = delete;
    NginxServer &operator=(const NginxServer &) = delete;

    // Files served from the document root (write them before or after start).
    QString root() const;
    void writeFile(const QString &relative, const QByteArray &bytes) const;
    // A file of `size` bytes of a repeating pattern, written without holding it in memory.
    void writePatternFile(const QString &relative, qint64 size) const;
    // The bytes writePatternFile puts at offsets [offset, offset + length).
    static QByteArray pattern(qint64 offset, qint64 length);

    // Serves https with this certificate (PEM, chain included) and key; call
    // before start.
    void setTls(const QString &certificateFile, const QString &keyFile);

    // Starts nginx on a port of its own on 127.0.0.1 and waits until it answers.
    bool start();
    void stop();
    bool running() const;
    quint16 port() const { return m_port; }
    QString error() const { return m_error; }
    // http://127.0.0.1:<port>/<relative> (https:// with TLS)
    QByteArray url(const QString &relative) const;

private:
    QTemporaryDir m_dir;
    QProcess m_process;
    quint16 m_port = 0;
    QString m_error;
    QString m_certificate;
    QString m_key;
};

} // namespace testing_support
