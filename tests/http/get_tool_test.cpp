// The command-line tool: what it prints, what it sends, how it fails.

#include "client_harness.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace http_testing;
using testing_support::Script;
using testing_support::ScriptedServer;
using testing_support::Step;

namespace {

struct ToolRun {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

ToolRun tool(const QStringList &args)
{
    QProcess process;
    process.start(KESTRELON_GET, args);
    process.closeWriteChannel();
    ToolRun r;
    if (process.waitForFinished(30000) && process.exitStatus() == QProcess::NormalExit)
        r.exitCode = process.exitCode();
    r.out = process.readAllStandardOutput();
    r.err = process.readAllStandardError();
    return r;
}

Script answer(const QByteArray &reply)
{
    return {Step::readUntil("\r\n\r\n"), Step::send(reply), Step::shutdownWrite(), Step::readUntilClose()};
}

QString url(quint16 port, const QByteArray &path = "/")
{
    return QString::fromLatin1(localUrl(port, path));
}

} // namespace

TEST(GetTool, WritesTheBodyAndSendsNoUserAgentUnlessAsked)
{
    const QByteArray reply = "HTTP/1.0 200 OK\r\nX: 1\r\n\r\nthe body";
    ScriptedServer server(std::vector<Script>{answer(reply), answer(reply)});
    ToolRun plain = tool({url(server.port(), "/p")});
    EXPECT_EQ(plain.exitCode, 0);
    EXPECT_EQ(show(plain.out), "the body");
    EXPECT_EQ(show(plain.err), "");
    ToolRun withHeader = tool({"-i", "-A", "Kestrelon/1.6", url(server.port(), "/q")});
    EXPECT_EQ(withHeader.exitCode, 0);
    EXPECT_EQ(show(withHeader.out), show(reply));
    ASSERT_TRUE(server.waitForScriptEnd(1));
    EXPECT_EQ(show(server.received(0)), show(plainRequest("GET /p HTTP/1.0")));
    EXPECT_EQ(show(server.received(1)), show("GET /q HTTP/1.0\r\nHost: 127.0.0.1\r\n" + kAccept +
                                            "User-Agent: Kestrelon/1.6\r\n" + kContentType + "\r\n"));
}

TEST(GetTool, AfterRedirectsOnlyTheLastResponseIsWritten)
{
    ScriptedServer server(std::vector<Script>{
        answer("HTTP/1.0 302 Found\r\nLocation: /next\r\n\r\nredirect page"),
        answer("HTTP/1.0 200 OK\r\n\r\nfinal"),
    });
    QTemporaryDir dir;
    const QString file = dir.filePath("out.txt");
    ToolRun r = tool({url(server.port()), "-i", "-o", file});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(show(r.out), "");
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(show(f.readAll()), show(QByteArray("HTTP/1.0 200 OK\r\n\r\nfinal")));
}

TEST(GetTool, ErrorStatusIsNoFailure)
{
    ScriptedServer server(answer("HTTP/1.0 404 Not Found\r\n\r\nmissing"));
    ToolRun r = tool({url(server.port())});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(show(r.out), "missing");
}

TEST(GetTool, FailuresExitNonZeroWithTheErrorText)
{
    QTemporaryDir dir;
    const QString file = dir.filePath("never.txt");
    ToolRun refused = tool({url(ScriptedServer::closedPort()), "-o", file});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_EQ(show(refused.err), "Connection Failed\\n\n");
    EXPECT_EQ(show(refused.out), "");
    EXPECT_FALSE(QFile::exists(file));

    // https is spoken; a refused connection fails like a plain one.
    ToolRun secure = tool({"https://127.0.0.1:" + QString::number(ScriptedServer::closedPort()) + "/"});
    EXPECT_EQ(secure.exitCode, 1);
    EXPECT_EQ(show(secure.err), "Connection Failed\\n\n");

    ToolRun help = tool({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(help.out.contains("--cacert FILE")) << show(help.out);

    ToolRun empty = tool({""});
    EXPECT_EQ(empty.exitCode, 1);
    EXPECT_EQ(show(empty.err), "Empty URL\\n\n");

    ToolRun unwritable = tool({url(ScriptedServer::closedPort()), "-o", "/nonexistent/dir/x"});
    EXPECT_EQ(unwritable.exitCode, 1); // the request fails first; nothing is created

    for (const QStringList &bad : {QStringList{}, QStringList{"-o"}, QStringList{"a", "b"}, QStringList{"-x", "u"}}) {
        ToolRun usage = tool(bad);
        EXPECT_EQ(usage.exitCode, 2) << bad.join(' ').toStdString();
        EXPECT_TRUE(usage.err.startsWith("usage: kestrelon-get URL"));
        EXPECT_EQ(show(usage.out), "");
    }
}

TEST(GetTool, AnUnwritableOutputIsAFailure)
{
    ScriptedServer server(answer("HTTP/1.0 200 OK\r\n\r\nbody"));
    ToolRun r = tool({url(server.port()), "-o", "/nonexistent/dir/x"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.startsWith("Cannot create file /nonexistent/dir/x: ")) << show(r.err);
}
