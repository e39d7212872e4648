// The client's behaviour around the request cases: failures before and
// during a connection, hostile servers, the file modes, cancelling, a second
// request from inside a running one, and where cookies and credentials go.

#include "client_harness.h"
#include "support/core/temp_folder.h"

#include <gtest/gtest.h>

using namespace http_testing;
using testing_support::Script;
using testing_support::ScriptedServer;
using testing_support::Step;
using testing_support::TempCurrentFolder;

namespace {

const QByteArray kOk = "HTTP/1.0 200 OK\r\n\r\nok";

Script answer(const QByteArray &reply)
{
    return {Step::readUntil("\r\n\r\n"), Step::send(reply), Step::shutdownWrite(), Step::readUntilClose()};
}

QByteArray headerFor(const QByteArray &request, const QByteArray &name)
{
    for (const QByteArray &line : request.split('\n')) {
        if (line.startsWith(name + ": "))
            return line.mid(name.size() + 2).chopped(1);
    }
    return "<none>";
}

} // namespace

TEST(ClientFailures, AddressErrorsComeBeforeAnyConnection)
{
    ScriptedServer server(answer(kOk));
    const QByteArray port = QByteArray::number(server.port());
    RecordingClient client;
    EXPECT_EQ(show(errorOf([&] { client.Get(""); })), "Empty URL");
    EXPECT_EQ(show(errorOf([&] { client.Get("https://127.0.0.1:" + port + "/"); })),
              "HTTP Secure Socket is not supported");
    EXPECT_EQ(show(errorOf([&] { client.Get("http://127.0.0.1:x/"); })), "'x' is not a valid integer value");
    EXPECT_EQ(show(errorOf([&] { client.Get("http://127.0.0.1:0/"); })),
              "Port number 0 is out of range (1 to 65535)");
    EXPECT_EQ(show(errorOf([&] { client.Get("http://127.0.0.1:65536/"); })),
              "Port number 65536 is out of range (1 to 65535)");
    client.OnAboutToSend = [](QObject *) { throw Exception("not now"); };
    EXPECT_EQ(show(errorOf([&] { client.Get("http://127.0.0.1:" + port + "/"); })), "not now");
    EXPECT_EQ(server.connections(), 0);
    EXPECT_TRUE(client.events.isEmpty());
    EXPECT_FALSE(client.Connected);
}

TEST(ClientFailures, RefusedConnectionIsReportedAndClosed)
{
    RecordingClient client;
    EXPECT_EQ(show(errorOf([&] { client.Get(localUrl(ScriptedServer::closedPort())); })), "Connection Failed");
    EXPECT_EQ(show(client.events), "{AboutToSend, ConnectionFailed, Disconnect}");
    EXPECT_FALSE(client.Connected);
}

TEST(ClientFailures, ResetAndSilenceEndTheRequestAndTheNextOneWorks)
{
    ScriptedServer server(std::vector<Script>{
        {Step::readUntil("\r\n\r\n"), Step::send("HTTP/1.0 200 OK\r\nX: y"), Step::sleep(50), Step::reset()},
        {Step::readUntil("\r\n\r\n"), Step::sleep(3000)},
        answer(kOk),
    });
    RecordingClient client;
    EXPECT_EQ(show(errorOf([&] { client.Get(localUrl(server.port())); })), "10054:Connection reset by peer");
    EXPECT_FALSE(client.Connected);
    client.TimeOut = 200;
    EXPECT_EQ(show(errorOf([&] { client.Get(localUrl(server.port())); })), "Socket readln aborted");
    EXPECT_FALSE(client.Connected);
    client.events.clear();
    EXPECT_EQ(show(errorOf([&] { client.Get(localUrl(server.port())); })), "");
    EXPECT_EQ(client.Body, "ok");
    EXPECT_EQ(show(client.events), "{AboutToSend, Connect, PacketRecvd, Success(0), "
                                   "Status:Transaction Completed, Disconnect}");
}

TEST(ClientFailures, AbortInsideAHandlerEndsTheRequest)
{
    ScriptedServer server(std::vector<Script>{
        {Step::readUntil("\r\n\r\n"), Step::send("HTTP/1.0 200 OK\r\n\r\nfirst part"), Step::sleep(3000)},
        answer(kOk),
    });
    RecordingClient client;
    client.onChunk = [&] { client.Abort(); };
    EXPECT_EQ(show(errorOf([&] { client.Get(localUrl(server.port())); })), "Socket capture aborted");
    EXPECT_EQ(client.Body, "first part");
    EXPECT_FALSE(client.Connected);
    EXPECT_FALSE(client.Canceled);
    client.onChunk = nullptr;
    EXPECT_EQ(show(errorOf([&] { client.Get(localUrl(server.port())); })), "");
    EXPECT_EQ(client.Body, "ok");
}

TEST(ClientFailures, ASecondRequestWhileOneRunsIsRefused)
{
    ScriptedServer server(answer("HTTP/1.0 200 OK\r\n\r\nbody"));
    RecordingClient client;
    QString inner, loop;
    client.onChunk = [&] {
        inner = errorOf([&] { client.Get("http://elsewhere.invalid/"); });
        loop = errorOf([&] { client.RunRequest(); });
    };
    EXPECT_EQ(show(errorOf([&] { client.Get(localUrl(server.port(), "/mine")); })), "");
    EXPECT_EQ(show(inner), "Request already in progress");
    EXPECT_EQ(show(loop), "Request already in progress");
    EXPECT_TRUE(client.URL.endsWith("/mine"));
    EXPECT_EQ(client.Body, "body");
    EXPECT_EQ(server.connections(), 1);
}

TEST(HostileServers, HundredThousandHeaderLinesAreAllKept)
{
    QByteArray reply = "HTTP/1.0 200 OK\r\n";
    for (int i = 0; i < 100000; ++i)
        reply += "X-Line-" + QByteArray::number(i) + ": v\r\n";
    reply += "\r\nbody";
    ScriptedServer server(answer(reply));
    RecordingClient client;
    EXPECT_EQ(show(errorOf([&] { client.Get(localUrl(server.port())); })), "");
    EXPECT_EQ(client.Header.count('\n'), 100002);
    EXPECT_EQ(client.Header.size(), reply.size() - 4);
    EXPECT_EQ(client.Body, "body");
}

TEST(HostileServers, MegabyteHeaderLineIsKeptWhole)
{
    const QByteArray cookie = QByteArray(1 << 20, 'c');
    ScriptedServer server(answer("HTTP/1.0 200 OK\r\nSet-Cookie: " + cookie + "\r\n\r\nbody"));
    RecordingClient client;
    EXPECT_EQ(show(errorOf([&] { client.Get(localUrl(server.port())); })), "");
    EXPECT_EQ(client.CookieReceived.size(), cookie.size());
    EXPECT_EQ(client.Body, "body");
}

TEST(RequestData, LargeDataWithZeroBytesIsSentWholeAsAnnounced)
{
    QByteArray data(100000, 'd');
    data[10] = '\0';
    data[70000] = '\0';
    const QByteArray path = "/" + QByteArray(70000, 'p'); // a header block over 64 KB
    const QByteArray expected = "PUT " + path + " HTTP/1.0\r\nHost: 127.0.0.1\r\n" + kAccept + kContentType +
                                "Content-Length: 100000\r\n\r\n" + data;
    ScriptedServer server(replyScript(expected.size(), kOk));
    RecordingClient client;
    EXPECT_EQ(show(errorOf([&] { client.Put(localUrl(server.port(), path), data); })), "");
    ASSERT_TRUE(server.waitForScriptEnd(0));
    EXPECT_TRUE(server.received(0) == expected);
    EXPECT_EQ(server.received(0).size(), expected.size());
}

TEST(RequestData, AddressWithoutColonUsesTheCallersPort)
{
    ScriptedServer server(answer(kOk));
    RecordingClient client;
    client.Port = server.port();
    EXPECT_EQ(show(errorOf([&] { client.Get("127.0.0.1/plain"); })), "");
    ASSERT_TRUE(server.waitForScriptEnd(0));
    EXPECT_EQ(show(server.received(0)), show(plainRequest("GET /plain HTTP/1.0")));
    EXPECT_EQ(client.URL, "127.0.0.1/plain");
}

TEST(RequestData, AssignedHeaderInfoIsUsedNotCopied)
{
    ScriptedServer server(std::vector<Script>{answer(kOk), answer(kOk)});
    RecordingClient client;
    THeaderInfo mine;
    client.SetHeaderInfo(&mine);
    mine.Referer = "http://from/";
    client.Get(localUrl(server.port()));
    client.SetHeaderInfo(nullptr); // back to the component's own
    client.Get(localUrl(server.port()));
    ASSERT_TRUE(server.waitForScriptEnd(1));
    EXPECT_EQ(headerFor(server.received(0), "Referer"), "http://from/");
    EXPECT_EQ(headerFor(server.received(1), "Referer"), "<none>");
}

TEST(FileModes, OutputFileModeSendsTheFileAndWritesTheHeaderToAFile)
{
    TempCurrentFolder folder;
    QByteArray data(200000, 'f');
    data[5] = '\0';
    folder.write("upload.bin", data);
    const QByteArray reply = "HTTP/1.0 201 Created\r\nX: 1\r\n\r\ndone";
    const QByteArray expected = "PUT /up HTTP/1.0\r\nHost: 127.0.0.1\r\n" + kAccept + kContentType +
                                "Content-Length: 200000\r\n\r\n" + data;
    ScriptedServer server(replyScript(expected.size(), reply));
    RecordingClient client;
    client.OutputFileMode = true;
    client.Header = "reply\\head.txt"; // names may use either separator
    QDir(folder.path()).mkdir("reply");
    EXPECT_EQ(show(errorOf([&] { client.Put(localUrl(server.port(), "/up"), "upload.bin"); })), "");
    ASSERT_TRUE(server.waitForScriptEnd(0));
    EXPECT_TRUE(server.received(0) == expected);
    EXPECT_EQ(folder.read("reply/head.txt"), "HTTP/1.0 201 Created\r\nX: 1\r\n\r\n");
    EXPECT_EQ(client.Header, "reply\\head.txt");
    EXPECT_EQ(client.Body, "done");
    EXPECT_EQ(show(client.events), "{AboutToSend, Connect, PacketSent, PacketRecvd, Success(4), "
                                   "Status:Transaction Completed, Disconnect}");
}

TEST(FileModes, MissingFileToSendFailsBeforeConnecting)
{
    TempCurrentFolder folder;
    ScriptedServer server(answer(kOk));
    RecordingClient client;
    client.OutputFileMode = true;
    EXPECT_EQ(show(errorOf([&] { client.Post(localUrl(server.port()), "missing.dat"); })),
              "Cannot open file missing.dat");
    EXPECT_EQ(server.connections(), 0);
    EXPECT_TRUE(client.events.isEmpty());
    EXPECT_EQ(client.SendData, "missing.dat"); // never URL-encoded in this mode
}

TEST(FileModes, InputFileModeWritesTheBodyToItsFile)
{
    TempCurrentFolder folder;
    ScriptedServer server(answer("HTTP/1.0 200 OK\r\n\r\n" + QByteArray(300000, 'b')));
    RecordingClient client;
    client.InputFileMode = true;
    client.Body = "page.html";
    EXPECT_EQ(show(errorOf([&] { client.Get(localUrl(server.port())); })), "");
    EXPECT_EQ(folder.read("page.html"), QByteArray(300000, 'b'));
    EXPECT_EQ(client.Body, "page.html");
    EXPECT_EQ(client.BytesRecvd, 300000);
}

// Replies that name the server's own port ("%P"), known only once it listens.
struct PortedScripts {
    std::shared_ptr<quint16> port = std::make_shared<quint16>(0);

    Script answer(const QByteArray &reply) const
    {
        auto shared = port;
        return {Step::readUntil("\r\n\r\n"), Step::run([shared, reply](testing_support::ScriptedConnection &c) {
                    c.send(QByteArray(reply).replace("%P", QByteArray::number(*shared)));
                    c.shutdownWrite();
                    c.readUntilClose();
                })};
    }
};

// A cookie taken over from a redirect goes back only to the host that set
// it; the caller's own cookie goes everywhere.
TEST(CredentialsAndCookies, RedirectCookieStaysWithItsHost)
{
    PortedScripts p;
    ScriptedServer server(std::vector<Script>{
        p.answer("HTTP/1.0 302 Found\r\nSet-Cookie: sid=1\r\nLocation: http://localhost:%P/b\r\n\r\n"),
        p.answer("HTTP/1.0 302 Found\r\nLocation: http://127.0.0.1:%P/c\r\n\r\n"),
        p.answer(kOk),
    });
    *p.port = server.port();
    RecordingClient client;
    EXPECT_EQ(show(errorOf([&] { client.Get(localUrl(server.port(), "/a")); })), "");
    EXPECT_EQ(show(errorOf([&] { client.Get(localUrl(server.port(), "/d", "localhost")); })), "");
    EXPECT_EQ(show(errorOf([&] { client.Get(localUrl(server.port(), "/f")); })), "");
    client.HeaderInfo()->Cookie = "mine=2";
    EXPECT_EQ(show(errorOf([&] { client.Get(localUrl(server.port(), "/e", "localhost")); })), "");
    ASSERT_TRUE(server.waitForConnections(6));
    ASSERT_TRUE(server.waitForScriptEnd(5));
    EXPECT_EQ(headerFor(server.received(0), "Cookie"), "<none>");
    EXPECT_EQ(headerFor(server.received(1), "Host"), "localhost");
    EXPECT_EQ(headerFor(server.received(1), "Cookie"), "<none>");
    EXPECT_EQ(headerFor(server.received(2), "Host"), "127.0.0.1");
    EXPECT_EQ(headerFor(server.received(2), "Cookie"), "sid=1");
    EXPECT_EQ(headerFor(server.received(3), "Cookie"), "<none>"); // a later request elsewhere
    EXPECT_EQ(headerFor(server.received(4), "Cookie"), "sid=1");  // and one to its host
    EXPECT_EQ(headerFor(server.received(5), "Cookie"), "mine=2");
    EXPECT_EQ(client.HeaderInfo()->Cookie, "mine=2");
}

// Credentials go only to the host the request was made to, not to hosts it
// is redirected to.
TEST(CredentialsAndCookies, AuthorizationStaysWithTheRequestedHost)
{
    PortedScripts p;
    ScriptedServer server(std::vector<Script>{
        p.answer("HTTP/1.0 301 Moved\r\nLocation: http://localhost:%P/b\r\n\r\n"),
        p.answer("HTTP/1.0 302 Found\r\nLocation: http://127.0.0.1:%P/c\r\n\r\n"),
        p.answer(kOk),
    });
    *p.port = server.port();
    RecordingClient client;
    client.HeaderInfo()->UserId = "user";
    client.HeaderInfo()->Password = "pass";
    EXPECT_EQ(show(errorOf([&] { client.Get(localUrl(server.port(), "/a")); })), "");
    EXPECT_EQ(show(errorOf([&] { client.Get(localUrl(server.port(), "/d", "localhost")); })), "");
    ASSERT_TRUE(server.waitForConnections(4));
    ASSERT_TRUE(server.waitForScriptEnd(3));
    EXPECT_EQ(headerFor(server.received(0), "Authorization"), "Basic dXNlcjpwYXNz");
    EXPECT_EQ(headerFor(server.received(1), "Authorization"), "<none>");
    EXPECT_EQ(headerFor(server.received(2), "Authorization"), "Basic dXNlcjpwYXNz");
    EXPECT_EQ(headerFor(server.received(3), "Authorization"), "Basic dXNlcjpwYXNz"); // its own host
}

// A path-only first address names no host of its own: through a proxy its
// credentials go to the proxy with that first request and to no host a
// redirect leads to afterwards.
TEST(CredentialsAndCookies, PathOnlyFirstAddressKeepsItsCredentialsFromEveryLaterHost)
{
    PortedScripts p;
    ScriptedServer server(std::vector<Script>{
        p.answer("HTTP/1.0 302 Found\r\nLocation: http://elsewhere.invalid/b\r\n\r\n"),
        p.answer("HTTP/1.0 302 Found\r\nLocation: /c\r\n\r\n"),
        p.answer(kOk),
    });
    *p.port = server.port();
    RecordingClient client;
    client.Proxy = "127.0.0.1";
    client.ProxyPort = server.port();
    client.HeaderInfo()->UserId = "user";
    client.HeaderInfo()->Password = "pass";
    EXPECT_EQ(show(errorOf([&] { client.Get("/a"); })), "");
    ASSERT_TRUE(server.waitForConnections(3));
    ASSERT_TRUE(server.waitForScriptEnd(2));
    EXPECT_TRUE(server.received(0).startsWith("GET /a HTTP/1.0\r\n"));
    EXPECT_EQ(headerFor(server.received(0), "Authorization"), "Basic dXNlcjpwYXNz");
    EXPECT_TRUE(server.received(1).startsWith("GET http://elsewhere.invalid/b HTTP/1.0\r\n"));
    EXPECT_EQ(headerFor(server.received(1), "Authorization"), "<none>");
    EXPECT_EQ(headerFor(server.received(2), "Authorization"), "<none>");
}

// A path whose later part holds a ':' ("File:x.png", a time in the query)
// stays on the server that sent it, on its own port.
TEST(ResolveRedirect, PathWithAColonStaysOnTheCurrentServer)
{
    ScriptedServer server(std::vector<Script>{
        answer("HTTP/1.0 302 Found\r\nLocation: /wiki/File:x.png\r\n\r\n"),
        answer("HTTP/1.0 302 Found\r\nLocation: /?t=10:30\r\n\r\n"),
        answer(kOk),
    });
    RecordingClient client;
    EXPECT_EQ(show(errorOf([&] { client.Get(localUrl(server.port(), "/a")); })), "");
    EXPECT_EQ(client.Body, "ok");
    EXPECT_EQ(client.Port, server.port());
    ASSERT_TRUE(server.waitForConnections(3));
    ASSERT_TRUE(server.waitForScriptEnd(2));
    EXPECT_TRUE(server.received(1).startsWith("GET /wiki/File:x.png HTTP/1.0\r\n"));
    EXPECT_TRUE(server.received(2).startsWith("GET /?t=10:30 HTTP/1.0\r\n"));
}
