#include "support/core/nginx_server.h"
#include "support/core/loopback.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcessEnvironment>
#include <fcntl.h>
#include <poll.h>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace testing_support {

namespace {

const char *const kNginx = "/usr/sbin/nginx";

// True once nginx answers on the listening socket: a connection alone
// proves nothing, since the kernel queues it on the socket the helper made
// before nginx runs. Any reply will do (an https server answers this plain
// request with an error page).
bool answers(quint16 port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(port);
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bool ok = false;
    if (::connect(fd, reinterpret_cast<sockaddr *>(&addr), sizeof addr) == 0) {
        const char probe[] = "HEAD / HTTP/1.0\r\n\r\n";
        if (::send(fd, probe, sizeof probe - 1, MSG_NOSIGNAL) == ssize_t(sizeof probe - 1)) {
            pollfd p{fd, POLLIN, 0};
            char byte;
            ok = ::poll(&p, 1, 10000) == 1 && ::recv(fd, &byte, 1, 0) == 1;
        }
    }
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

void NginxServer::setTls(const QString &certificateFile, const QString &keyFile)
{
    m_certificate = certificateFile;
    m_key = keyFile;
}

bool NginxServer::start()
{
    const QString dir = m_dir.path();
    // nginx takes over a socket this process already listens on (its
    // NGINX variable names inherited sockets), so the port is never free
    // for another test to take.
    const LoopbackListener listener = listenOnLoopback(511);
    m_port = listener.port;
    const QString tls = m_certificate.isEmpty()
                            ? QString()
                            : QStringLiteral("    ssl_certificate %1;\n    ssl_certificate_key %2;\n"
                                             "    ssl_protocols TLSv1.2 TLSv1.3;\n")
                                  .arg(m_certificate, m_key);
    const QString conf = QStringLiteral(
                             "daemon off;\n"
                             "master_process on;\n"
                             "%5"
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
                             "    listen 127.0.0.1:%2%3;\n"
                             "    root %1/root;\n"
                             "%4"
                             "  }\n"
                             "}\n")
                             .arg(dir)
                             .arg(m_port)
                             .arg(tls.isEmpty() ? QString() : QStringLiteral(" ssl"))
                             .arg(tls)
                             // Workers started by root would run as nobody and could not
                             // read the private temporary folder.
                             .arg(::geteuid() == 0 ? QStringLiteral("user root root;\n") : QString());
    QFile f(dir + QStringLiteral("/nginx.conf"));
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        ::close(listener.fd);
        m_error = QStringLiteral("cannot write nginx.conf");
        return false;
    }
    f.write(conf.toUtf8());
    f.close();

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("NGINX"), QStringLiteral("%1;").arg(listener.fd));
    m_process.setProcessEnvironment(env);
    const int fd = listener.fd;
    // Only nginx inherits the socket: it is close-on-exec everywhere else.
    m_process.setChildProcessModifier([fd] { ::fcntl(fd, F_SETFD, 0); });
    m_process.setProcessChannelMode(QProcess::MergedChannels);
    m_process.start(QString::fromLatin1(kNginx),
                    {QStringLiteral("-p"), dir, QStringLiteral("-e"), dir + QStringLiteral("/logs/error.log"),
                     QStringLiteral("-c"), dir + QStringLiteral("/nginx.conf")});
    const bool started = m_process.waitForStarted(5000);
    ::close(listener.fd); // nginx holds its own copy
    if (!started) {
        m_error = QStringLiteral("nginx did not start: ") + m_process.errorString();
        return false;
    }
    if (answers(m_port))
        return true;
    m_process.kill();
    m_process.waitForFinished(5000);
    QFile log(dir + QStringLiteral("/logs/error.log"));
    log.open(QIODevice::ReadOnly);
    m_error = QStringLiteral("nginx failed: ") + QString::fromLocal8Bit(m_process.readAll() + log.readAll());
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
    return (m_certificate.isEmpty() ? QByteArrayLiteral("http://127.0.0.1:") : QByteArrayLiteral("https://127.0.0.1:")) +
           QByteArray::number(m_port) + '/' + relative.toUtf8();
}

} // namespace testing_support
