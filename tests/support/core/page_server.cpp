#include "support/core/page_server.h"

#include <QMutex>
#include <QMutexLocker>

namespace testing_support {

struct PageServer::Log {
    QMutex mutex;
    QList<QByteArray> lines;
};

PageServer::PageServer(QHash<QByteArray, QByteArray> pages)
    : m_pages(std::make_shared<QHash<QByteArray, QByteArray>>(std::move(pages))), m_log(std::make_shared<Log>())
{
    auto served = m_pages;
    auto log = m_log;
    m_server = std::make_unique<ScriptedServer>(Script{
        Step::run([served, log](ScriptedConnection &c) {
            if (!c.readUntil("\r\n\r\n"))
                return;
            const QByteArray request = c.received();
            const QByteArray line = request.left(request.indexOf("\r\n"));
            const QList<QByteArray> parts = line.split(' ');
            const QByteArray path = parts.size() > 1 ? parts.at(1) : QByteArray("/");
            if (!path.startsWith("/favicon")) {
                QMutexLocker lock(&log->mutex);
                log->lines.append(line);
            }
            const bool known = served->contains(path);
            const QByteArray page = known ? served->value(path) : QByteArray("<html><title>Missing</title></html>");
            if (page.startsWith("HTTP/")) {
                c.send(page);
            } else {
                c.send((known ? "HTTP/1.0 200 OK\r\n" : "HTTP/1.0 404 Not Found\r\n")
                       + QByteArray("Content-Type: text/html; charset=utf-8\r\nConnection: close\r\nContent-Length: ")
                       + QByteArray::number(page.size()) + "\r\n\r\n" + page);
            }
            c.close();
        }),
    });
}

PageServer::~PageServer() = default;

QString PageServer::url(const QByteArray &path) const
{
    return QStringLiteral("http://127.0.0.1:%1%2").arg(m_server->port()).arg(QString::fromLatin1(path));
}

quint16 PageServer::port() const
{
    return m_server->port();
}

QList<QByteArray> PageServer::requests() const
{
    QMutexLocker lock(&m_log->mutex);
    return m_log->lines;
}

} // namespace testing_support
