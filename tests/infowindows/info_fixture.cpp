#include "info_fixture.h"

#include <QtEndian>

namespace info_testing {

using testing_support::ScriptedConnection;
using testing_support::Step;

PageServer::PageServer()
{
    m_server = std::make_unique<testing_support::ScriptedServer>(testing_support::Script{
        Step::run([](ScriptedConnection &c) {
            if (!c.readUntil("\r\n\r\n"))
                return;
            const QByteArray body("<html><head><title>Visited</title></head><body>visited</body></html>");
            c.send("HTTP/1.0 200 OK\r\nContent-Type: text/html\r\nContent-Length: " + QByteArray::number(body.size()) +
                   "\r\n\r\n" + body);
            c.close();
        }),
    });
}

QString PageServer::url(const QString &path) const
{
    return QStringLiteral("http://127.0.0.1:%1%2").arg(m_server->port()).arg(path);
}

QByteArray counterBytes(qint32 value)
{
    QByteArray bytes(4, '\0');
    qToLittleEndian(value, bytes.data());
    return bytes;
}

} // namespace info_testing
