// The engine's store in the installation folder, through the real program
// started twice on the same folder.
#include "support/core/scripted_server.h"
#include "support/gui/installation.h"
#include "support/gui/private_display.h"

#include <QDir>
#include <QFileInfo>

#include <gtest/gtest.h>

using testing_support::ProgramProcess;
using testing_support::ScriptedConnection;
using testing_support::ScriptedServer;
using testing_support::Step;
using testing_support::TempInstallation;

namespace {

// "/set" sets a cookie that lasts an hour and one for the session only;
// every page is a small titled page.
ScriptedServer cookieServer()
{
    return ScriptedServer({Step::run([](ScriptedConnection &c) {
        if (!c.readUntil("\r\n\r\n"))
            return;
        const bool set = c.received().startsWith("GET /set ");
        const QByteArray body = "<html><head><title>Cookies</title></head><body>c</body></html>";
        c.send("HTTP/1.0 200 OK\r\nContent-Type: text/html\r\n"
               + QByteArray(set ? "Set-Cookie: kept=yes; Max-Age=3600; Path=/\r\nSet-Cookie: session=yes; Path=/\r\n" : "")
               + "Content-Length: " + QByteArray::number(body.size()) + "\r\n\r\n" + body);
        c.close();
    })});
}

// The request whose line starts with `start`, as the server received it.
QByteArray requestFor(const ScriptedServer &server, const QByteArray &start)
{
    for (int i = 0; i < server.connections(); ++i) {
        if (server.received(i).startsWith(start))
            return server.received(i);
    }
    return {};
}

// Starts the program on `display`, types `url` into its address box as a
// user would, waits for the page and ends the program as the session does.
void visit(testing_support::PrivateDisplay &display, const QString &folder, const QString &url)
{
    ProgramProcess program(folder);
    program.setEnvironmentValue(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    program.setEnvironmentValue(QStringLiteral("DISPLAY"), display.name());
    ASSERT_TRUE(program.start()) << program.output().constData();
    ASSERT_TRUE(display.typeInto(QStringLiteral("Kestrelon Beta 1.6"), url));
    ASSERT_TRUE(program.waitForOutput("first page complete")) << program.output().constData();
    EXPECT_EQ(program.terminate(), 0) << program.output().constData();
}

} // namespace

TEST(EngineProfile, CookieWithMaxAgeSurvivesARestartAndASessionCookieDoesNot)
{
    testing_support::PrivateDisplay display;
    ASSERT_TRUE(display.start()) << display.error().toStdString();
    ScriptedServer server = cookieServer();
    TempInstallation folder;
    const QString base = QStringLiteral("http://127.0.0.1:%1").arg(server.port());

    visit(display, folder.path(), base + QStringLiteral("/set"));
    EXPECT_TRUE(QFileInfo(folder.file("engine")).isDir());
    visit(display, folder.path(), base + QStringLiteral("/check"));

    const QByteArray check = requestFor(server, "GET /check ");
    ASSERT_FALSE(check.isEmpty());
    EXPECT_TRUE(check.contains("\r\nCookie: kept=yes\r\n")) << check.constData();
    EXPECT_FALSE(check.contains("session=yes")) << check.constData();
}
