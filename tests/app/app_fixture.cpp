#include "app_fixture.h"

#include <QEventLoop>
#include <QMutex>
#include <QTimer>

namespace app_testing {

struct RequestLog {
    mutable QMutex mutex;
    QList<QByteArray> lines;
};

PageServer::PageServer(QHash<QByteArray, QByteArray> pages)
    : m_pages(std::make_shared<QHash<QByteArray, QByteArray>>(std::move(pages))), m_log(std::make_shared<RequestLog>())
{
    using testing_support::ScriptedConnection;
    using testing_support::Step;
    auto pagesRef = m_pages;
    auto log = m_log;
    m_server = std::make_unique<testing_support::ScriptedServer>(testing_support::Script{
        Step::run([pagesRef, log](ScriptedConnection &c) {
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
            const bool known = pagesRef->contains(path);
            const QByteArray body = known ? pagesRef->value(path) : QByteArray("<html><title>Missing</title></html>");
            c.send((known ? "HTTP/1.0 200 OK\r\n" : "HTTP/1.0 404 Not Found\r\n")
                   + QByteArray("Content-Type: text/html; charset=utf-8\r\nConnection: close\r\nContent-Length: ")
                   + QByteArray::number(body.size()) + "\r\n\r\n" + body);
            c.close();
        }),
    });
}

QString PageServer::url(const QByteArray &path) const
{
    return QStringLiteral("http://127.0.0.1:%1%2").arg(m_server->port()).arg(QString::fromLatin1(path));
}

QList<QByteArray> PageServer::requests() const
{
    QMutexLocker lock(&m_log->mutex);
    return m_log->lines;
}

ProgramWindows::ProgramWindows(Deferred) : m_folder(std::make_unique<testing_support::TempInstallation>()) {}

ProgramWindows::ProgramWindows() : ProgramWindows(Deferred{})
{
    create();
}

ProgramWindows::~ProgramWindows()
{
    m_owner.reset();
}

void ProgramWindows::create()
{
    m_owner = std::make_unique<WindowSetOwner>();
}

void ProgramWindows::start()
{
    main().show();
    QCoreApplication::processEvents();
}

bool waitFor(const std::function<bool()> &done, int ms)
{
    return QTest::qWaitFor(done, ms);
}

void runLoop(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

} // namespace app_testing
