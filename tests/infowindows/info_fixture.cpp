#include "info_fixture.h"


#include <QTest>
#include <QWindow>
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

void InfoWindowsTest::start()
{
    m_owner = std::make_unique<WindowSetOwner>();
    m_owner->mainWindow().show();
}

void InfoWindowsTest::restart()
{
    m_owner.reset();
    start();
}

void InfoWindowsTest::TearDown()
{
    m_owner.reset();
}

void InfoWindowsTest::go(const QString &address)
{
    main().setAddressText(address);
    main().Button1Click();
}

namespace {

QWindow *windowOf(QWidget *widget)
{
    QWidget *top = widget->window();
    if (!top->windowHandle())
        top->winId();
    return top->windowHandle();
}

QPoint inWindow(QWidget *widget, QPoint pos)
{
    return widget->mapTo(widget->window(), pos);
}

} // namespace

void pressOn(QWidget *widget, Qt::MouseButton button, QPoint pos)
{
    QTest::mousePress(windowOf(widget), button, {}, inWindow(widget, pos));
}

void releaseOn(QWidget *widget, Qt::MouseButton button, QPoint pos)
{
    QTest::mouseRelease(windowOf(widget), button, {}, inWindow(widget, pos));
}

void clickOn(QWidget *widget, Qt::MouseButton button)
{
    QTest::mouseClick(windowOf(widget), button, {}, inWindow(widget, widget->rect().center()));
}

void doubleClickOn(QWidget *widget)
{
    QTest::mouseDClick(windowOf(widget), Qt::LeftButton, {}, inWindow(widget, widget->rect().center()));
}

bool waitFor(const std::function<bool()> &done, int ms)
{
    return QTest::qWaitFor(done, ms);
}

QByteArray counterBytes(qint32 value)
{
    QByteArray bytes(4, '\0');
    qToLittleEndian(value, bytes.data());
    return bytes;
}

} // namespace info_testing
