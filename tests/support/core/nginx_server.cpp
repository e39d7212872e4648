#include "support/core/nginx_server.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QThread>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace testing_support {

namespace {

const char *const kNginx = "/usr/sbin/nginx";

quint16 freePort()
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(fd, reinterpret_cast<sockaddr *>(&addr), sizeof addr);
    socklen_t len = sizeof addr;
    ::getsockname(fd, reinterpret_cast<sockaddr *>(&addr), &len);
    ::close(fd);
    return ntohs(addr.sin_port);
}

bool accepts(quint16 port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(port);
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const bool ok = ::connect(fd, reinterpret_cast<sockaddr *>(&addr), sizeof addr) == 0;
    ::close(fd);
    return ok;
}

} // namespace

NginxServer::NginxServer()
{
    QDir(m_dir.path()).mkpath(QStringLiteral("root"));
    QDir(m_dir.path()).mkpath(QStringLiteral("logs"));
    QDir(m_dir.path()).mkpath(QStringLiteral("temp"));
}

NginxServer::~NginxServer()
{
    stop();
}

QString NginxServer::root() const
{
    return m_dir.path() + QStringLiteral("/root");
}

void NginxServer::writeFile(const QString &relative, const QByteArray &bytes) const
{
    const QString full = root() + '/' + relative;
    QDir().mkpath(QFileInfo(full).absolutePath());
    QFile f(full);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size())
        qFatal("NginxServer: cannot write %s", qPrintable(full));
}

QByteArray NginxServer::pattern(qint64 offset, qint64 length)
{
    // Bytes 0..250 repeating: a period that no chunk size divides, so a lost
    // or doubled chunk shows up as a mismatch.
    QByteArray out(length, Qt::Uninitialized);
    for (qint64 i = 0; i < length; ++i)
        out[i] = char((offset + i) % 251);
    return out;
}

void NginxServer::writePatternFile(const QString &relative, qint64 size) const
{
    const QString full = root() + '/' + relative;
    QDir().mkpath(QFileInfo(full).absolutePath());
    QFile f(full);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        qFatal("NginxServer: cannot write %s", qPrintable(full));
    const qint64 block = 251 * 4096;
    const QByteArray one = pattern(0, block);
    for (qint64 done = 0; done < size; done += block)
        f.write(one.constData(), std::min(block, size - done));
}

bool NginxServer::start()
{
    const QString dir = m_dir.path();
    for (int attempt = 0; attempt < 5; ++attempt) {
        m_port = freePort();
        const QString conf = QStringLiteral(
                                 "daemon off;\n"
                                 "master_process off;\n"
                                 "worker_processes 1;\n"
                                 "pid %1/nginx.pid;\n"
                                 "error_log %1/logs/error.log;\n"
                                 "events { worker_connections 128; }\n"
                                 "http {\n"
                                 "  access_log off;\n"
                                 "  default_type application/octet-stream;\n"
                                 "  sendfile on;\n"
                                 "  client_body_temp_path %1/temp/body;\n"
                                 "  proxy_temp_path %1/temp/proxy;\n"
                                 "  fastcgi_temp_path %1/temp/fastcgi;\n"
                                 "  uwsgi_temp_path %1/temp/uwsgi;\n"
                                 "  scgi_temp_path %1/temp/scgi;\n"
                                 "  server {\n"
                                 "    listen 127.0.0.1:%2;\n"
                                 "    root %1/root;\n"
                                 "  }\n"
                                 "}\n")
                                 .arg(dir)
                                 .arg(m_port);
        QFile f(dir + QStringLiteral("/nginx.conf"));
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            m_error = QStringLiteral("cannot write nginx.conf");
            return false;
        }
        f.write(conf.toUtf8());
        f.close();

        m_process.setProcessChannelMode(QProcess::MergedChannels);
        m_process.start(QString::fromLatin1(kNginx),
                        {QStringLiteral("-p"), dir, QStringLiteral("-e"), dir + QStringLiteral("/logs/error.log"),
                         QStringLiteral("-c"), dir + QStringLiteral("/nginx.conf")});
        if (!m_process.waitForStarted(5000)) {
            m_error = QStringLiteral("nginx did not start: ") + m_process.errorString();
            return false;
        }
        for (int i = 0; i < 500 && m_process.state() == QProcess::Running; ++i) {
            if (accepts(m_port))
                return true;
            QThread::msleep(10);
        }
        m_process.kill();
        m_process.waitForFinished(5000);
        QFile log(dir + QStringLiteral("/logs/error.log"));
        log.open(QIODevice::ReadOnly);
        m_error = QStringLiteral("nginx failed: ") + QString::fromLocal8Bit(m_process.readAll() + log.readAll());
    }
    return false;
}

void NginxServer::stop()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.terminate(); // SIGTERM: fast shutdown
    if (!m_process.waitForFinished(5000)) {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
}

bool NginxServer::running() const
{
    return m_process.state() == QProcess::Running;
}

QByteArray NginxServer::url(const QString &relative) const
{
    return QByteArrayLiteral("http://127.0.0.1:") + QByteArray::number(m_port) + '/' + relative.toUtf8();
}

} // namespace testing_support
