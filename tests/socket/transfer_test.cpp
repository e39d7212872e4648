#include <QFile>
#include <QScopeGuard>
#include <QTimer>
#include <sys/ioctl.h>

#include "socket_fixture.h"
#include "support/core/scripted_server.h"
#include "support/core/temp_folder.h"

using testing_support::ScriptedConnection;
using testing_support::ScriptedServer;
using testing_support::Step;

class Transfer : public SocketTest {
protected:
    // A component connected to `server`.
    static void connect(TestSock &sock, const ScriptedServer &server, int timeOut = 5000)
    {
        sock.Host = "127.0.0.1";
        sock.Port = server.port();
        sock.TimeOut = timeOut;
        sock.Connect();
    }
};

TEST_F(Transfer, ReadLnTakesOneLineAndLeavesTheRest)
{
    ScriptedServer server({Step::send("abc\ndef"), Step::close()});
    TestSock sock;
    connect(sock, server);
    QByteArray line;
    sock.ReadLn(line);
    EXPECT_EQ(line, "abc\n");
    QByteArray rest;
    sock.CaptureString(rest, -1);
    EXPECT_EQ(rest, "def");
    sock.ReadLn(line);
    EXPECT_EQ(line, ""); // after the orderly close
}

TEST_F(Transfer, ReadLnKeepsCarriageReturnsAndStopsAtLineFeedOnly)
{
    ScriptedServer server({Step::send("one\r\ntwo\rthree\n\n"), Step::close()});
    TestSock sock;
    connect(sock, server);
    QByteArray line;
    sock.ReadLn(line);
    EXPECT_EQ(line, "one\r\n");
    sock.ReadLn(line);
    EXPECT_EQ(line, "two\rthree\n");
    sock.ReadLn(line);
    EXPECT_EQ(line, "\n");
}

TEST_F(Transfer, ReadLnGathersATricklingLine)
{
    ScriptedServer server({Step::trickle("slow line\n", 20), Step::readUntilClose()});
    TestSock sock;
    connect(sock, server, 5000);
    QByteArray line;
    sock.ReadLn(line);
    EXPECT_EQ(line, "slow line\n");
}

TEST_F(Transfer, LinesLongerThanTheBufferComeWhole)
{
    const QByteArray big = QByteArray(1 << 20, 'x') + "\n";
    ScriptedServer server({Step::send(big + "next\n"), Step::readUntilClose()});
    TestSock sock;
    connect(sock, server);
    QByteArray line;
    sock.ReadLn(line);
    EXPECT_EQ(line.size(), big.size());
    EXPECT_TRUE(line == big);
    sock.ReadLn(line);
    EXPECT_EQ(line, "next\n");
}

TEST_F(Transfer, LineLengthLimitAtNAndNPlusOne)
{
    const qsizetype n = TPowersock::MaxLineLength;
    ScriptedServer server({Step::send(QByteArray(n - 1, 'y') + "\n" + QByteArray(n + 1, 'z')), Step::readUntilClose()});
    TestSock sock;
    connect(sock, server, 20000);
    QByteArray line;
    sock.ReadLn(line);
    EXPECT_EQ(line.size(), n);
    EXPECT_EQ(errorOf([&] { sock.ReadLn(line); }), "Range check error");
}

TEST_F(Transfer, MegabyteWithoutLineEnd)
{
    // Then silence: the time-out ends the read.
    ScriptedServer silent({Step::send(QByteArray(1 << 20, 'q'))});
    TestSock sock;
    connect(sock, silent, 500);
    QByteArray line = "old";
    const qint64 took = timed([&] { EXPECT_EQ(errorOf([&] { sock.ReadLn(line); }), "Socket readln aborted"); });
    EXPECT_LT(took, 5000);
    EXPECT_FALSE(sock.Canceled); // cleared when the abort is raised
    EXPECT_TRUE(sock.TimedOut);

    // Then the orderly close: the unfinished line is the last line, whole,
    // and only the next read gives the end.
    ScriptedServer closing({Step::send(QByteArray(1 << 20, 'q')), Step::close()});
    TestSock other;
    connect(other, closing);
    other.ReadLn(line);
    EXPECT_EQ(line, QByteArray(1 << 20, 'q'));
    other.ReadLn(line);
    EXPECT_EQ(line, "");
}

TEST_F(Transfer, UnfinishedLineAtTheCloseArrivesInPiecesAndWhole)
{
    // Trickled: the line grows over many passes before the close comes.
    ScriptedServer server({Step::send("one\r\n"), Step::trickle("two, no end", 1), Step::close()});
    TestSock sock;
    connect(sock, server);
    QByteArray line;
    sock.ReadLn(line);
    EXPECT_EQ(line, "one\r\n");
    sock.ReadLn(line);
    EXPECT_EQ(line, "two, no end");
    sock.ReadLn(line);
    EXPECT_EQ(line, "");
}

TEST_F(Transfer, SilentPeerTimesOutEveryRead)
{
    ScriptedServer server({Step::readUntilClose()});
    TestSock sock;
    connect(sock, server, 300);
    QByteArray got;
    qint64 took = timed([&] { EXPECT_EQ(errorOf([&] { sock.ReadLn(got); }), "Socket readln aborted"); });
    EXPECT_GE(took, 250);
    EXPECT_LT(took, 3000);
    took = timed([&] { EXPECT_EQ(errorOf([&] { sock.CaptureString(got, -1); }), "Socket capture aborted"); });
    EXPECT_GE(took, 250);
    EXPECT_LT(took, 3000);
    testing_support::TempCurrentFolder folder;
    took = timed([&] { EXPECT_EQ(errorOf([&] { sock.CaptureFile("out.bin"); }), "Socket send aborted"); });
    EXPECT_LT(took, 3000);
    EXPECT_TRUE(folder.exists("out.bin")); // created, and stays
    EXPECT_FALSE(sock.Timer->Enabled());
}

TEST_F(Transfer, CaptureTimeOutRestartsWithEveryChunk)
{
    // 8 bytes 150 ms apart take over a second, each gap well inside 500 ms.
    ScriptedServer server({Step::trickle("12345678", 150), Step::close()});
    TestSock sock;
    connect(sock, server, 500);
    int packets = 0;
    sock.OnPacketRecvd = [&](QObject *) { ++packets; };
    QByteArray got;
    sock.CaptureString(got, -1);
    EXPECT_EQ(got, "12345678");
    EXPECT_EQ(packets, 8);
    EXPECT_EQ(sock.BytesRecvd, 8);
}

TEST_F(Transfer, ReadLnTimeOutIsNotRestartedByTrickledBytes)
{
    ScriptedServer server({Step::trickle("abcdefghijklmnop\n", 100)});
    TestSock sock;
    connect(sock, server, 400);
    QByteArray line;
    EXPECT_EQ(errorOf([&] { sock.ReadLn(line); }), "Socket readln aborted");
}

TEST_F(Transfer, CaptureStringMaximumIsTestedAfterEachChunk)
{
    testing_support::Gate captured;
    ScriptedServer server({Step::send(QByteArray(100, 'm')),
                           Step::run([&](testing_support::ScriptedConnection &c) { c.waitFor(captured); }),
                           Step::send("late"), Step::close()});
    TestSock sock;
    connect(sock, server);
    // All 100 bytes wait in the socket, to be taken as one chunk.
    ASSERT_TRUE(pumpUntil([&] {
        int queued = 0;
        return ::ioctl(sock.SocketHandle, FIONREAD, &queued) == 0 && queued == 100;
    }));
    QByteArray got;
    sock.CaptureString(got, 10);
    captured.open();
    EXPECT_EQ(got, QByteArray(100, 'm')); // the whole chunk, though above the maximum
    sock.CaptureString(got, -1);
    EXPECT_EQ(got, "late");
}

TEST_F(Transfer, ResetMidLineAndMidStreamRaiseTheResetError)
{
    ScriptedServer midLine({Step::send("partial"), Step::sleep(100), Step::reset()});
    TestSock a;
    connect(a, midLine);
    QByteArray line;
    EXPECT_EQ(errorOf([&] { a.ReadLn(line); }), "10054:Connection reset by peer");
    EXPECT_EQ(a.LastErrorNo, 10054);
    // It stays reset: it does not turn into an orderly end.
    EXPECT_EQ(errorOf([&] { a.ReadLn(line); }), "10054:Connection reset by peer");

    ScriptedServer midStream({Step::send(QByteArray(200000, 's')), Step::sleep(100), Step::reset()});
    TestSock b;
    connect(b, midStream);
    QByteArray got;
    EXPECT_EQ(errorOf([&] { b.CaptureString(got, -1); }), "10054:Connection reset by peer");
    EXPECT_LE(got.size(), 200000);

    ScriptedServer toFile({Step::send(QByteArray(5000, 'f')), Step::sleep(100), Step::reset()});
    TestSock c;
    testing_support::TempCurrentFolder folder;
    connect(c, toFile);
    EXPECT_EQ(errorOf([&] { c.CaptureFile("part.bin"); }), "10054:Connection reset by peer");
    EXPECT_EQ(folder.read("part.bin"), QByteArray(5000, 'f')); // what came stays on disk
}

TEST_F(Transfer, TransactionParsesTheReplyNumber)
{
    ScriptedServer server({Step::readUntil("HELO\r\n"), Step::send("220 Ready\r\n"), Step::readUntil("GET\r\n"),
                           Step::send("HTTP/1.0 200 OK\r\n"), Step::readUntil("BIG\r\n"), Step::send("99999 big\r\n"),
                           Step::readUntil("HUGE\r\n"), Step::send("99999999999 huge\r\n"),
                           Step::readUntilClose()});
    TestSock sock;
    connect(sock, server);
    sock.ReportLevel = 1;
    QByteArrayList status;
    sock.OnStatus = [&](QObject *, QByteArray s) { status << s; };
    QByteArray reply;
    sock.Transaction("HELO", reply);
    EXPECT_EQ(reply, "220 Ready\r\n");
    EXPECT_EQ(sock.ReplyNumber, 220);
    EXPECT_EQ(sock.LastReply, reply);
    sock.Transaction("GET", reply);
    EXPECT_EQ(reply, "HTTP/1.0 200 OK\r\n");
    EXPECT_EQ(sock.ReplyNumber, 0);
    EXPECT_EQ(errorOf([&] { sock.Transaction("BIG", reply); }), "Range check error");
    sock.Transaction("HUGE", reply); // ten digits, beyond 32 bits: counts as 0
    EXPECT_EQ(sock.ReplyNumber, 0);
    EXPECT_EQ(status, (QByteArrayList{"220 Ready\r\n", "HTTP/1.0 200 OK\r\n", "99999 big\r\n", "99999999999 huge\r\n"}));
    sock.Disconnect();
    ASSERT_TRUE(server.waitForScriptEnd(0));
    EXPECT_EQ(server.received(0), "HELO\r\nGET\r\nBIG\r\nHUGE\r\n");
}

TEST_F(Transfer, WriteSendsUpToTheFirstNulAndRefusesOversizedTexts)
{
    ScriptedServer server({Step::readUntilClose()});
    TestSock sock;
    connect(sock, server);
    sock.Write(QByteArray("ab\0cd", 5));
    sock.SendBuffer("xy\0z", 4); // an explicit length sends every byte
    sock.Writeln("line");
    sock.Write(QByteArray(65535, 'w'));
    EXPECT_EQ(errorOf([&] { sock.Write(QByteArray(65536, 'w')); }), "Range check error");
    sock.Disconnect();
    ASSERT_TRUE(server.waitForScriptEnd(0));
    EXPECT_EQ(server.received(0), QByteArray("abxy\0zline\r\n", 12) + QByteArray(65535, 'w'));
}

TEST_F(Transfer, SendToAPeerThatNeverReadsEndsByTimeOutOrCancel)
{
    ScriptedServer::Options small;
    small.receiveBuffer = 4096;
    ScriptedServer server({Step::sleep(60000)}, small);
    TestSock sock;
    connect(sock, server, 400);
    const QByteArray chunk(60000, 'n');
    qint64 took = timed([&] {
        EXPECT_EQ(errorOf([&] {
                      for (int i = 0; i < 10000; ++i)
                          sock.Write(chunk);
                  }),
                  "Socket send aborted");
    });
    EXPECT_LT(took, 5000);
    EXPECT_FALSE(sock.Canceled);

    sock.TimeOut = 0; // unbounded: only Cancel ends it
    QTimer::singleShot(200, [&] { sock.Cancel(); });
    took = timed([&] {
        EXPECT_EQ(errorOf([&] {
                      for (int i = 0; i < 10000; ++i)
                          sock.Write(chunk);
                  }),
                  "Socket send aborted");
    });
    EXPECT_LT(took, 5000);
}

TEST_F(Transfer, SendFileSendsEveryByteAndCountsThem)
{
    testing_support::TempCurrentFolder folder;
    QByteArray data;
    for (int i = 0; i < 300000; ++i)
        data += char(i % 253);
    folder.write("data/payload.bin", data);
    ScriptedServer server({Step::readBytes(data.size()), Step::send("done\n"), Step::readUntilClose()});
    TestSock sock;
    connect(sock, server);
    int packets = 0;
    sock.OnPacketSent = [&](QObject *) { ++packets; };
    sock.SendFile("data\\payload.bin");
    EXPECT_EQ(sock.BytesSent, data.size());
    EXPECT_GE(packets, 5); // at least one per 64 KiB chunk
    QByteArray line;
    sock.ReadLn(line);
    EXPECT_EQ(line, "done\n");
    EXPECT_TRUE(server.received(0) == data);

    folder.write("empty.bin", "");
    sock.SendFile("empty.bin");
    EXPECT_EQ(sock.BytesSent, data.size()); // never reset
    EXPECT_EQ(errorOf([&] { sock.SendFile("missing.bin"); }), "Cannot open file missing.bin");
}

TEST_F(Transfer, SendFileToAPeerThatNeverReadsTimesOut)
{
    testing_support::TempCurrentFolder folder;
    folder.write("big.bin", QByteArray(32 << 20, 'b'));
    ScriptedServer::Options small;
    small.receiveBuffer = 4096;
    ScriptedServer server({Step::sleep(60000)}, small);
    TestSock sock;
    connect(sock, server, 400);
    EXPECT_EQ(errorOf([&] { sock.SendFile("big.bin"); }), "Socket send aborted");
    EXPECT_GT(sock.BytesSent, 0);
    EXPECT_LT(sock.BytesSent, 32 << 20);
}

TEST_F(Transfer, CaptureFileWriteAndCreateFailures)
{
    ScriptedServer server({Step::send("some bytes"), Step::close()});
    TestSock sock;
    connect(sock, server);
    EXPECT_EQ(errorOf([&] { sock.CaptureFile("/dev/full"); }), "Stream write error");
    EXPECT_FALSE(sock.Timer->Enabled());
    EXPECT_EQ(errorOf([&] { sock.CaptureFile("/no/such/folder/x.bin"); }),
              "Cannot create file /no/such/folder/x.bin");
}

TEST_F(Transfer, CancelFromATimerHandlerDuringCaptureString)
{
    ScriptedServer server({Step::send("head"), Step::readUntilClose()});
    TestSock sock;
    connect(sock, server, 0);
    QTimer::singleShot(200, [&] { sock.Cancel(); });
    QByteArray got;
    const qint64 took = timed([&] { EXPECT_EQ(errorOf([&] { sock.CaptureString(got, -1); }), "Socket capture aborted"); });
    EXPECT_EQ(got, "head");
    EXPECT_GE(took, 150);
    EXPECT_LT(took, 5000);
    EXPECT_FALSE(sock.Canceled);
}

TEST_F(Transfer, ASecondComponentWorksInsideTheFirstOnesWait)
{
    testing_support::Gate secondDone;
    ScriptedServer slow({Step::run([&](testing_support::ScriptedConnection &c) { c.waitFor(secondDone); }),
                         Step::send("slow\n"), Step::readUntilClose()});
    ScriptedServer fast({Step::send("fast\n"), Step::readUntilClose()});
    TestSock first;
    connect(first, slow);
    QByteArrayList order;
    // Runs inside the first component's wait: the slow server answers only
    // once the second component is done.
    QTimer::singleShot(0, [&] {
        const auto done = qScopeGuard([&] { secondDone.open(); });
        TestSock second;
        second.Host = "localhost"; // a look-up inside the other wait, too
        second.Port = fast.port();
        second.TimeOut = 5000;
        second.Connect();
        QByteArray line;
        second.ReadLn(line);
        order << "second: " + line;
    });
    QByteArray line;
    first.ReadLn(line);
    order << "first: " + line;
    EXPECT_EQ(order, (QByteArrayList{"second: fast\n", "first: slow\n"}));
}

TEST_F(Transfer, CloseNotificationDuringReadLnDoesNotTouchTheLine)
{
    // The rest of the line and the close arrive while the line is half read.
    TestSock sock;
    const int fd = sock.SocketHandle;
    ScriptedServer server({Step::send("ab"),
                           Step::run([fd](testing_support::ScriptedConnection &c) { c.waitUntilTaken(fd); }),
                           Step::send("cd\n"), Step::close()});
    connect(sock, server);
    QByteArray line;
    sock.ReadLn(line);
    EXPECT_EQ(line, "abcd\n");
}
