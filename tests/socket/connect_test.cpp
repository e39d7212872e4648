#include <QTimer>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include "socket_fixture.h"
#include "support/core/scripted_server.h"

using testing_support::ScriptedServer;
using testing_support::Step;

namespace {

// A listener whose accept queue is full, so a further connect attempt gets
// no answer at all and stays pending.
class FullListener {
public:
    FullListener()
    {
        m_listen = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(m_listen, reinterpret_cast<sockaddr *>(&a), sizeof a);
        ::listen(m_listen, 0);
        socklen_t len = sizeof a;
        ::getsockname(m_listen, reinterpret_cast<sockaddr *>(&a), &len);
        m_port = ntohs(a.sin_port);
        for (int i = 0; i < 8; ++i) {
            const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
            ::connect(fd, reinterpret_cast<sockaddr *>(&a), sizeof a);
            m_fillers.push_back(fd);
            pollfd p{fd, POLLOUT, 0};
            if (::poll(&p, 1, 200) == 0) {
                m_full = true;
                break;
            }
        }
    }
    ~FullListener()
    {
        for (int fd : m_fillers)
            ::close(fd);
        ::close(m_listen);
    }
    bool full() const { return m_full; }
    quint16 port() const { return m_port; }

private:
    int m_listen;
    quint16 m_port = 0;
    bool m_full = false;
    std::vector<int> m_fillers;
};

} // namespace

class Connect : public SocketTest {};

TEST_F(Connect, DottedHostConnectsWithoutLookupAndEventsArriveInOrder)
{
    ScriptedServer server({Step::send("hello\n"), Step::readUntilClose()});
    QByteArrayList events;
    QByteArrayList status;
    {
        TestSock sock;
        sock.Host = "127.0.0.1";
        sock.Port = server.port();
        sock.TimeOut = 5000;
        sock.ReportLevel = 8;
        sock.OnStatus = [&](QObject *, QByteArray s) { status << s; };
        sock.OnHostResolved = [&](QObject *) { events << "resolved"; };
        sock.OnConnect = [&](QObject *s) {
            EXPECT_EQ(s, &sock);
            events << "connect";
        };
        sock.OnDataAvailable = [&](QObject *) { events << "read"; };
        sock.OnDisconnect = [&](QObject *) { events << "disconnect"; };
        sock.Connect();
        EXPECT_TRUE(sock.Connected);
        EXPECT_EQ(status, (QByteArrayList{"Connecting", "Resolve Host", "Timer On", "Timer Off"}));
        ASSERT_TRUE(pumpUntil([&] { return events.size() == 2; }));
        QByteArray line;
        sock.ReadLn(line);
        EXPECT_EQ(line, "hello\n");
        EXPECT_TRUE(sock.Connected);
        sock.Disconnect();
        EXPECT_FALSE(sock.Connected);
        EXPECT_NE(sock.SocketHandle, TPowersock::NoSocket); // a fresh socket for the next Connect
    }
    EXPECT_EQ(events, (QByteArrayList{"connect", "read", "disconnect"}));
}

TEST_F(Connect, PeerCloseAfterEverythingWasReadClosesAndReplacesTheSocket)
{
    ScriptedServer server({Step::send("one\n"), Step::readUntil("bye"), Step::close()});
    TestSock sock;
    QByteArrayList events;
    sock.OnDataAvailable = [&](QObject *) { events << "read"; };
    sock.OnDisconnect = [&](QObject *) { events << "disconnect"; };
    sock.Host = "127.0.0.1";
    sock.Port = server.port();
    sock.TimeOut = 5000;
    sock.Connect();
    QByteArray line;
    sock.ReadLn(line);
    EXPECT_EQ(line, "one\n");
    sock.Write("bye");
    ASSERT_TRUE(pumpUntil([&] { return !sock.Connected; }));
    EXPECT_EQ(events, (QByteArrayList{"read", "disconnect"}));
    EXPECT_NE(sock.SocketHandle, TPowersock::NoSocket);
    // The replacement serves the next connection.
    ScriptedServer second({Step::send("two\n")});
    sock.Port = second.port();
    sock.Connect();
    sock.ReadLn(line);
    EXPECT_EQ(line, "two\n");
}

TEST_F(Connect, PeerCloseWithUnreadDataWaitsForTheReader)
{
    ScriptedServer server({Step::send("a\nb\n"), Step::close()});
    TestSock sock;
    int disconnects = 0;
    sock.OnDisconnect = [&](QObject *) { ++disconnects; };
    sock.Host = "127.0.0.1";
    sock.Port = server.port();
    sock.TimeOut = 5000;
    sock.Connect();
    ASSERT_TRUE(server.waitForScriptEnd(0));
    pumpUntil([] { return false; }, 200); // the close notification is handled meanwhile
    EXPECT_TRUE(sock.Connected);
    EXPECT_EQ(disconnects, 0);
    QByteArray line;
    sock.ReadLn(line);
    EXPECT_EQ(line, "a\n");
    sock.ReadLn(line);
    EXPECT_EQ(line, "b\n");
    sock.ReadLn(line);
    EXPECT_EQ(line, ""); // the orderly end
    EXPECT_EQ(disconnects, 0);
    sock.Disconnect();
    EXPECT_EQ(disconnects, 1);
}

TEST_F(Connect, NameLookupResolvesAndReportsIt)
{
    ScriptedServer server({Step::send("x\n")});
    TestSock sock;
    int resolved = 0;
    sock.OnHostResolved = [&](QObject *) { ++resolved; };
    sock.Host = "localhost";
    sock.Port = server.port();
    sock.TimeOut = 5000;
    sock.Connect();
    EXPECT_EQ(resolved, 1);
    EXPECT_EQ(sock.RemoteAddress.sin_addr, htonl(INADDR_LOOPBACK));
    EXPECT_TRUE(server.waitForConnections(1));
}

TEST_F(Connect, AlreadyConnectedIsRefusedBeforeAnyLookup)
{
    ScriptedServer server({Step::readUntilClose()});
    TestSock sock;
    sock.Host = "127.0.0.1";
    sock.Port = server.port();
    sock.Connect();
    int resolved = 0;
    sock.Host = "localhost";
    sock.OnHostResolved = [&](QObject *) { ++resolved; };
    EXPECT_EQ(errorOf([&] { sock.Connect(); }), "Already connected");
    EXPECT_EQ(resolved, 0);
}

TEST_F(Connect, RefusedPortFailsAfterOnConnectionFailedAndCanBeRetried)
{
    TestSock sock;
    QByteArrayList events;
    sock.OnConnectionFailed = [&](QObject *) { events << "failed"; };
    sock.Host = "127.0.0.1";
    sock.Port = ScriptedServer::closedPort();
    sock.TimeOut = 5000;
    EXPECT_EQ(errorOf([&] { sock.Connect(); }), "Connection Failed");
    EXPECT_EQ(events, QByteArrayList{"failed"});
    EXPECT_FALSE(sock.Connected);

    // The caller disconnects before trying again, as the HTTP client does.
    sock.Disconnect();
    ScriptedServer server({Step::send("ok\n")});
    sock.Port = server.port();
    sock.Connect();
    QByteArray line;
    sock.ReadLn(line);
    EXPECT_EQ(line, "ok\n");
}

TEST_F(Connect, UnresolvableNameGivesNullRemoteAddress)
{
    TestSock sock;
    int failed = 0;
    sock.OnConnectionFailed = [&](QObject *) { ++failed; };
    sock.Host = "no-such-host.invalid";
    sock.Port = 80;
    sock.TimeOut = 5000;
    EXPECT_EQ(errorOf([&] { sock.Connect(); }), "Null Remote Address");
    EXPECT_EQ(failed, 0); // not a connect-phase failure
}

TEST_F(Connect, InvalidHostHandlerRunsOnceAndMayFixTheHost)
{
    ScriptedServer server({Step::send("fixed\n")});
    TestSock sock;
    sock.Host = "no-such-host.invalid";
    sock.Port = server.port();
    sock.TimeOut = 5000;

    int calls = 0;
    sock.OnInvalidHost = [&](bool &) { ++calls; };
    EXPECT_EQ(errorOf([&] { sock.Connect(); }), "Null Remote Address");
    EXPECT_EQ(calls, 1);

    calls = 0;
    sock.OnInvalidHost = [&](bool &handled) {
        ++calls;
        handled = true; // asks for a retry but leaves the host as it is
    };
    EXPECT_EQ(errorOf([&] { sock.Connect(); }), "Null Remote Address");
    EXPECT_EQ(calls, 1);

    calls = 0;
    sock.OnInvalidHost = [&](bool &handled) {
        ++calls;
        sock.Host = "127.0.0.1";
        handled = true;
    };
    sock.Connect();
    EXPECT_EQ(calls, 1);
    QByteArray line;
    sock.ReadLn(line);
    EXPECT_EQ(line, "fixed\n");
}

TEST_F(Connect, ZeroAddressAndOverlongHostAreUnresolvable)
{
    TestSock sock;
    int resolved = 0;
    sock.OnHostResolved = [&](QObject *) { ++resolved; };
    sock.Port = 80;
    sock.TimeOut = 2000;
    sock.Host = "0.0.0.0";
    EXPECT_EQ(errorOf([&] { sock.Connect(); }), "Null Remote Address");

    sock.Host = QByteArray(70000, 'a');
    EXPECT_LT(timed([&] { EXPECT_EQ(errorOf([&] { sock.Connect(); }), "Null Remote Address"); }), 1000);
    // The longest name that fits is looked up (and fails as a name).
    sock.Host = QByteArray(65535, 'a');
    EXPECT_EQ(errorOf([&] { sock.Connect(); }), "Null Remote Address");
    // A NUL ends the name: what follows it is not part of it.
    ScriptedServer server({Step::send("nul\n")});
    sock.Host = QByteArray("127.0.0.1\0garbage", 17);
    sock.Port = server.port();
    sock.Connect();
    EXPECT_EQ(resolved, 0);
}

TEST_F(Connect, NegativeTimeOutIsARangeError)
{
    ScriptedServer server({Step::readUntilClose()});
    TestSock sock;
    sock.Host = "127.0.0.1";
    sock.Port = server.port();
    sock.TimeOut = -1;
    EXPECT_EQ(errorOf([&] { sock.Connect(); }), "Range check error");
    sock.Host = "localhost"; // the look-up is timed too
    sock.Disconnect();
    EXPECT_EQ(errorOf([&] { sock.Connect(); }), "Range check error");
}

TEST_F(Connect, ProxyReplacesHostAndPort)
{
    ScriptedServer proxy({Step::send("via proxy\n")});
    TestSock sock;
    sock.Host = "no-such-host.invalid";
    sock.Port = 1;
    sock.Proxy = "127.0.0.1";
    sock.ProxyPort = proxy.port() + 65536; // only the low 16 bits count
    sock.TimeOut = 5000;
    sock.Connect();
    QByteArray line;
    sock.ReadLn(line);
    EXPECT_EQ(line, "via proxy\n");
}

TEST_F(Connect, TimeOutWhileConnecting)
{
    FullListener listener;
    if (!listener.full())
        GTEST_SKIP() << "could not fill the accept queue";
    TestSock sock;
    int failed = 0;
    sock.OnConnectionFailed = [&](QObject *) { ++failed; };
    sock.Host = "127.0.0.1";
    sock.Port = listener.port();
    sock.TimeOut = 300;
    const qint64 took = timed([&] { EXPECT_EQ(errorOf([&] { sock.Connect(); }), "Connection Timed out"); });
    EXPECT_EQ(failed, 1);
    EXPECT_GE(took, 250);
    EXPECT_LT(took, 3000);
    EXPECT_TRUE(sock.TimedOut);
    EXPECT_TRUE(sock.Canceled); // left set; the next Connect clears it
    EXPECT_FALSE(sock.Timer->Enabled());
}

TEST_F(Connect, CancelFromATimerEndsAnUnboundedConnect)
{
    FullListener listener;
    if (!listener.full())
        GTEST_SKIP() << "could not fill the accept queue";
    TestSock sock;
    sock.Host = "127.0.0.1";
    sock.Port = listener.port();
    sock.TimeOut = 0; // no time-out: only Cancel ends it
    QTimer::singleShot(200, [&] { sock.Cancel(); });
    const qint64 took = timed([&] { EXPECT_EQ(errorOf([&] { sock.Connect(); }), "Connection Canceled"); });
    EXPECT_LT(took, 3000);
    EXPECT_FALSE(sock.TimedOut);
}

TEST_F(Connect, CancelDuringALookupEndsIt)
{
    TestSock sock;
    sock.Host = "localhost";
    sock.Port = 80;
    sock.TimeOut = 5000;
    sock.ReportLevel = 8;
    // Cancelled as the look-up's time-out starts, before the result can arrive.
    sock.OnStatus = [&](QObject *, QByteArray s) {
        if (s == "Timer On")
            sock.Cancel();
    };
    EXPECT_EQ(errorOf([&] { sock.Connect(); }), "Host Lookup Canceled");
    sock.OnStatus = nullptr;
    // The abandoned result arrives later and is not taken for anything.
    pumpUntil([] { return sockets::PendingLookups() == 0; });
    QCoreApplication::processEvents();
    EXPECT_FALSE(sock.WaitDone);
}

TEST_F(Connect, ManyComponentsLeaveNoDescriptorBehind)
{
    ScriptedServer server({Step::send("x\n"), Step::close()});
    for (int i = 0; i < 20; ++i) {
        TestSock sock;
        sock.Host = i % 2 ? "127.0.0.1" : "localhost";
        sock.Port = server.port();
        sock.TimeOut = 5000;
        sock.Connect();
        QByteArray line;
        sock.ReadLn(line);
        EXPECT_EQ(line, "x\n");
        if (i % 3 == 0)
            sock.Disconnect();
    }
    EXPECT_TRUE(server.waitForScriptEnd(19));
}

TEST_F(Connect, AcceptWaitsForItsSignalAndTakesTheDataConnection)
{
    TestSock sock;
    sock.Cancel();
    EXPECT_EQ(errorOf([&] { sock.Accept(); }), "Accepting Canceled");
    EXPECT_TRUE(sock.Canceled); // stays set

    // Let the component's own socket listen, as a data connection would.
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(::bind(sock.SocketHandle, reinterpret_cast<sockaddr *>(&a), sizeof a), 0);
    ASSERT_EQ(::listen(sock.SocketHandle, 1), 0);
    socklen_t len = sizeof a;
    ::getsockname(sock.SocketHandle, reinterpret_cast<sockaddr *>(&a), &len);
    sockets::AsyncSelect(sock.SocketHandle, sock.WindowHandle, SocketEventMessage, 61);
    int accepts = 0;
    sock.OnAccept = [&](QObject *) {
        ++accepts;
        sock.WaitDone = true; // what ends the accept wait
    };
    sock.Canceled = false;
    sock.WaitDone = false;
    const int client = ::socket(AF_INET, SOCK_STREAM, 0);
    ASSERT_EQ(::connect(client, reinterpret_cast<sockaddr *>(&a), sizeof a), 0);
    ::send(client, "data", 4, 0);
    const quint16 accepted = sock.Accept();
    EXPECT_EQ(accepts, 1);
    EXPECT_TRUE(sock.Connected);
    EXPECT_NE(accepted, sock.SocketHandle);
    EXPECT_EQ(sock.RemoteAddress.sin_addr, htonl(INADDR_LOOPBACK));
    char buffer[8];
    ASSERT_TRUE(pumpUntil([&] { return sockets::Recv(accepted, buffer, 8, 0) == 4; }));
    EXPECT_EQ(QByteArray(buffer, 4), "data");
    sockets::CloseSocket(accepted);
    ::close(client);
}

TEST_F(Connect, TimeOutDuringALookup)
{
    TestSock sock;
    sock.Host = "localhost";
    sock.Port = ScriptedServer::closedPort();
    sock.TimeOut = 5000;
    sock.ReportLevel = 8;
    int failed = 0;
    sock.OnConnectionFailed = [&](QObject *) { ++failed; };
    // The time-out tick comes first thing in the look-up's wait.
    sock.OnStatus = [&](QObject *, QByteArray s) {
        if (s == "Timer On")
            QTimer::singleShot(0, [&] { sock.TimerTriggered(); });
    };
    EXPECT_EQ(errorOf([&] { sock.Connect(); }), "Host Lookup Timed Out");
    EXPECT_EQ(failed, 0);
    EXPECT_TRUE(sock.Canceled);
    sock.OnStatus = nullptr;
}

TEST_F(Connect, LevelFourReportsOnlySendsAndCloses)
{
    ScriptedServer server({Step::readUntilClose()});
    TestSock sock;
    sock.Host = "127.0.0.1";
    sock.Port = server.port();
    sock.Connect();
    QByteArrayList status;
    sock.ReportLevel = 4;
    sock.OnStatus = [&](QObject *, QByteArray s) { status << s; };
    sock.Writeln("x");
    sock.Disconnect();
    EXPECT_EQ(status, (QByteArrayList{"Sending Buffer", "Request Close Socket"}));
}
