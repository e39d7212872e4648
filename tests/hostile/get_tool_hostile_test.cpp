// Hostile servers on 127.0.0.1 against the command-line fetch tool. Each
// case names the misbehaviour, the outcome the user gets (exit status, error
// text, body) and the bound within which the tool must have ended; the bound
// is generous, it catches hangs, not slowness.

#include "hostile_support.h"

#include "http/http_client.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/resource.h>

using namespace hostile;

namespace {

struct ToolRun {
    bool finished = false;
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
    qint64 ms = 0;
};

// Runs the tool and waits at most `boundMs` for it; a tool still running
// then is killed and reported as not finished.
ToolRun tool(const QStringList &args, int boundMs)
{
    QProcess process;
    QElapsedTimer clock;
    clock.start();
    process.start(QStringLiteral(KESTRELON_GET), args);
    process.closeWriteChannel();
    ToolRun r;
    r.finished = process.waitForFinished(boundMs) && process.exitStatus() == QProcess::NormalExit;
    if (!r.finished) {
        process.kill();
        process.waitForFinished();
    }
    r.ms = clock.elapsed();
    r.exitCode = process.exitCode();
    r.out = process.readAllStandardOutput();
    r.err = process.readAllStandardError().trimmed();
    return r;
}

QString outcome(const ToolRun &r)
{
    if (!r.finished)
        return QStringLiteral("still running at the bound");
    return QStringLiteral("exit %1 %2").arg(r.exitCode).arg(r.exitCode == 0 ? QStringLiteral("body %1 B").arg(r.out.size())
                                                                             : QString::fromLocal8Bit(r.err));
}

QStringList args(quint16 port, std::initializer_list<QString> more = {})
{
    QStringList list{QString::fromLatin1(localUrl(port))};
    for (const QString &a : more)
        list << a;
    return list;
}

const QByteArray kOkHead = "HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\n\r\n";

Script answerWith(const QByteArray &reply)
{
    return {Step::readUntil("\r\n\r\n"), Step::send(reply), Step::close()};
}

// Peak memory of the largest child this test process has waited for, in MB.
long childPeakMb()
{
    rusage usage{};
    ::getrusage(RUSAGE_CHILDREN, &usage);
    return usage.ru_maxrss / 1024;
}

long rssMb(qint64 pid)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLong() / 1024;
    return -1;
}

// Memory bounds leave room for the sanitizers' own bookkeeping (shadow
// memory, the quarantine of freed blocks) when the tool is built with them.
#if defined(__SANITIZE_ADDRESS__)
constexpr long kSlackMb = 600;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr long kSlackMb = 600;
#else
constexpr long kSlackMb = 0;
#endif
#else
constexpr long kSlackMb = 0;
#endif

} // namespace

// Accepts, reads the request, never answers: the stall time-out ends it with
// the line reader's abort, not before the stall and not long after.
TEST(HostileGetTool, SilentServerEndsAtTheStallTimeOut)
{
    ScriptedServer server(Script{Step::readUntil("\r\n\r\n"), Step::sleep(30000)});
    const ToolRun r = tool(args(server.port(), {"-t", "2"}), 15000);
    report("silent (-t 2)", outcome(r), r.ms);
    ASSERT_TRUE(r.finished);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "Socket readln aborted");
    EXPECT_GE(r.ms, 1800); // not before the stall (timers may be 5% early)
    EXPECT_EQ(r.out, "");
}

// Without -t the tool still ends a silent server by itself, after a minute.
TEST(HostileGetTool, SilentServerEndsAtTheDefaultMinute)
{
    ScriptedServer server(Script{Step::readUntil("\r\n\r\n"), Step::sleep(120000)});
    const ToolRun r = tool(args(server.port()), 100000);
    report("silent (default stall)", outcome(r), r.ms);
    ASSERT_TRUE(r.finished);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "Socket readln aborted");
    EXPECT_GE(r.ms, 57000);
}

// A server that reads the request and closes without a byte: status 0
// counts as success and the body is empty. One that closes without even
// reading it resets the connection (the unread request makes the close a
// reset), which is the error.
TEST(HostileGetTool, ServerThatClosesWithoutAByte)
{
    ScriptedServer server(std::vector<Script>{{Step::readUntil("\r\n\r\n"), Step::close()}, {Step::sleep(200), Step::close()}});
    const ToolRun r = tool(args(server.port(), {"-t", "2"}), 15000);
    report("close without a byte", outcome(r), r.ms);
    ASSERT_TRUE(r.finished);
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, "");
    const ToolRun unread = tool(args(server.port(), {"-t", "2"}), 15000);
    report("close with the request unread", outcome(unread), unread.ms);
    ASSERT_TRUE(unread.finished);
    EXPECT_EQ(unread.exitCode, 1);
    EXPECT_EQ(unread.err, "10054:Connection reset by peer");
}

// The whole reply one byte every 5 ms: slower than any read's patience for
// a single byte would matter, but each line arrives within the stall.
TEST(HostileGetTool, TricklingReplyArrivesWhole)
{
    QByteArray body;
    for (int i = 0; i < 40; ++i)
        body += "line " + QByteArray::number(i) + "\n";
    ScriptedServer server(Script{Step::readUntil("\r\n\r\n"), Step::trickle(kOkHead + body, 5), Step::close()});
    const ToolRun r = tool(args(server.port(), {"-t", "2"}), 30000);
    report("trickle 1 B / 5 ms", outcome(r), r.ms);
    ASSERT_TRUE(r.finished);
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, body);
}

// A body byte every 700 ms against a 2 s stall: each chunk restarts the
// body's time-out, so a slow but living download completes.
TEST(HostileGetTool, SlowBodyWithinTheStallCompletes)
{
    ScriptedServer server(Script{Step::readUntil("\r\n\r\n"), Step::send(kOkHead), Step::trickle("abcdef", 700),
                                 Step::close()});
    const ToolRun r = tool(args(server.port(), {"-t", "2"}), 30000);
    report("body 1 B / 700 ms (-t 2)", outcome(r), r.ms);
    ASSERT_TRUE(r.finished);
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, "abcdef");
}

// A status line dribbled slower than the stall allows for the whole line:
// the line's time-out is not restarted by single bytes, so a slow-loris
// server cannot hold the tool for ever.
TEST(HostileGetTool, SlowLorisStatusLineTimesOut)
{
    ScriptedServer server(Script{Step::readUntil("\r\n\r\n"), Step::trickle("HTTP/1.0 200 OK\r\n\r\n", 400)});
    const ToolRun r = tool(args(server.port(), {"-t", "2"}), 20000);
    report("status line 1 B / 400 ms (-t 2)", outcome(r), r.ms);
    ASSERT_TRUE(r.finished);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "Socket readln aborted");
}

// Resets before any byte, inside the header and inside the body: the reset
// is the error, and what came of the body before it is still written.
TEST(HostileGetTool, ResetsEndTheRequestWithTheResetError)
{
    ScriptedServer server(std::vector<Script>{
        {Step::readUntil("\r\n\r\n"), Step::reset()},
        {Step::readUntil("\r\n\r\n"), Step::send("HTTP/1.0 200 OK\r\nX-Half: "), Step::sleep(100), Step::reset()},
        {Step::readUntil("\r\n\r\n"), Step::send(kOkHead + "partial"), Step::sleep(300), Step::reset()},
    });
    const char *names[] = {"reset before a byte", "reset inside the header", "reset inside the body"};
    for (int i = 0; i < 3; ++i) {
        const ToolRun r = tool(args(server.port(), {"-t", "5"}), 15000);
        report(names[i], outcome(r), r.ms);
        ASSERT_TRUE(r.finished) << names[i];
        EXPECT_EQ(r.exitCode, 1) << names[i];
        EXPECT_EQ(r.err, "10054:Connection reset by peer") << names[i];
        EXPECT_EQ(r.out, i == 2 ? QByteArray("partial") : QByteArray()) << names[i];
    }
}

// Header lines without end: the header block is bounded, so the tool stops
// with an error instead of filling memory.
TEST(HostileGetTool, EndlessHeaderIsRefusedWithBoundedMemory)
{
    ScriptedServer server(Script{Step::readUntil("\r\n\r\n"),
                                 endless("HTTP/1.0 200 OK\r\n", "X-Filler: 0123456789abcdef\r\n", 512LL << 20)});
    // 32 MB of short lines take a while under the sanitizers on a busy machine.
    const ToolRun r = tool(args(server.port(), {"-t", "5"}), 180000);
    report("endless header", outcome(r), r.ms);
    ASSERT_TRUE(r.finished);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "Response header too large");
    EXPECT_EQ(r.out, "");
    EXPECT_LT(childPeakMb(), 400 + kSlackMb);
}

// One header line of 17 MB without a line end: longer than any line the
// reader takes, a range error.
TEST(HostileGetTool, HugeLineIsARangeError)
{
    ScriptedServer server(Script{Step::readUntil("\r\n\r\n"),
                                 endless("HTTP/1.0 200 OK\r\nX-Long: ", "x", 64LL << 20)});
    const ToolRun r = tool(args(server.port(), {"-t", "5"}), 60000);
    report("huge line (no line end)", outcome(r), r.ms);
    ASSERT_TRUE(r.finished);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "Range check error");
}

// A body without end streams through: after 64 MB the tool still runs and
// holds far less than what it passed on.
TEST(HostileGetTool, EndlessBodyStreamsWithBoundedMemory)
{
    ScriptedServer server(Script{Step::readUntil("\r\n\r\n"), endless(kOkHead, "endless body ", 4LL << 30)});
    QProcess process;
    QElapsedTimer clock;
    clock.start();
    process.start(QStringLiteral(KESTRELON_GET), args(server.port(), {"-t", "5"}));
    qint64 received = 0;
    long peakRss = 0;
    while (received < (64LL << 20) && clock.elapsed() < 60000 && process.state() != QProcess::NotRunning) {
        process.waitForReadyRead(1000);
        received += process.readAllStandardOutput().size();
        peakRss = std::max(peakRss, rssMb(process.processId()));
    }
    const bool stillRunning = process.state() == QProcess::Running;
    process.kill();
    process.waitForFinished();
    report("endless body", QStringLiteral("streamed %1 MB, RSS %2 MB").arg(received >> 20).arg(peakRss), clock.elapsed());
    EXPECT_TRUE(stillRunning);
    EXPECT_GE(received, 64LL << 20);
    EXPECT_LT(peakRss, 64 + kSlackMb);
}

// Content-Length that lies in either direction: a close before the
// announced length is a cut body, an error with every byte that came
// written out; a longer body is what arrived before the close; a promise the
// server does not keep while it stays open ends at the stall time-out, with
// what came written.
TEST(HostileGetTool, LyingContentLengthNeitherCutsNorWaitsForEver)
{
    ScriptedServer server(std::vector<Script>{
        answerWith("HTTP/1.0 200 OK\r\nContent-Length: 1000000\r\n\r\nten bytes!"),
        answerWith("HTTP/1.0 200 OK\r\nContent-Length: 2\r\n\r\nten bytes!"),
        answerWith("HTTP/1.0 200 OK\r\nContent-Length: -5\r\n\r\nten bytes!"),
        {Step::readUntil("\r\n\r\n"), Step::send("HTTP/1.0 200 OK\r\nContent-Length: 1000\r\n\r\nten bytes!"),
         Step::sleep(30000)},
    });
    const char *names[] = {"Content-Length larger, then close", "Content-Length smaller", "Content-Length negative"};
    const int exits[] = {1, 0, 0};
    for (int i = 0; i < 3; ++i) {
        const ToolRun r = tool(args(server.port(), {"-t", "2"}), 15000);
        report(names[i], outcome(r), r.ms);
        ASSERT_TRUE(r.finished);
        EXPECT_EQ(r.exitCode, exits[i]) << names[i];
        EXPECT_EQ(r.out, "ten bytes!") << names[i];
        if (exits[i]) {
            EXPECT_EQ(r.err, "Connection closed after 10 of 1000000 bytes");
        }
    }
    const ToolRun r = tool(args(server.port(), {"-t", "2"}), 15000);
    report("Content-Length larger, kept open", outcome(r), r.ms);
    ASSERT_TRUE(r.finished);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "Socket capture aborted");
    EXPECT_EQ(r.out, "ten bytes!");
}

// A cut body written to a file: the file holds every byte that came, and
// the exit says the body is not whole. The same holds one byte at a time.
TEST(HostileGetTool, CutBodyIntoAFileKeepsEveryByteAndFails)
{
    const QByteArray reply = "HTTP/1.0 200 OK\r\nContent-Length: 100\r\n\r\n0123456789";
    ScriptedServer server(std::vector<Script>{
        answerWith(reply), {Step::readUntil("\r\n\r\n"), Step::trickle(reply, 1), Step::close()}});
    QTemporaryDir dir;
    for (const char *name : {"cut body to a file", "cut body trickled"}) {
        const QString file = dir.filePath(QString::fromLatin1(name));
        const ToolRun r = tool(args(server.port(), {"-t", "5", "-o", file}), 30000);
        report(name, outcome(r), r.ms);
        ASSERT_TRUE(r.finished);
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_EQ(r.err, "Connection closed after 10 of 100 bytes");
        QFile out(file);
        ASSERT_TRUE(out.open(QIODevice::ReadOnly)) << name;
        EXPECT_EQ(out.readAll(), "0123456789");
    }
}

// An address that carries line breaks would put a header and a second
// request of its own onto the wire: it is refused before any connection.
TEST(HostileGetTool, SmugglingAddressSendsNothing)
{
    ScriptedServer server(Script{Step::readUntilClose()});
    const QString address = QString::fromLatin1(localUrl(server.port(), "/a")) +
                            QStringLiteral(" HTTP/1.0\r\nX-Injected: yes\r\n\r\nGET /smuggled");
    const ToolRun r = tool({address, QStringLiteral("-t"), QStringLiteral("2")}, 15000);
    report("line breaks in the address", outcome(r), r.ms);
    ASSERT_TRUE(r.finished);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "Address contains a line break or NUL byte: nothing was sent");
    EXPECT_EQ(server.connections(), 0);

    // Blanks and control bytes that are no line break go out encoded, in
    // the one request line.
    ScriptedServer echo(Script{Step::readUntil("\r\n\r\n"), Step::send(kOkHead), Step::close()});
    const ToolRun blanks =
        tool({QString::fromLatin1(localUrl(echo.port(), "/a b\tc\x01")), QStringLiteral("-t"), QStringLiteral("2")},
             15000);
    ASSERT_TRUE(blanks.finished);
    EXPECT_EQ(blanks.exitCode, 0);
    ASSERT_TRUE(echo.waitForScriptEnd(0));
    EXPECT_TRUE(echo.received(0).startsWith("GET /a%20b%09c%01 HTTP/1.0\r\nHost: 127.0.0.1\r\n"))
        << echo.received(0).toStdString();
}

// Redirects that never end: to itself, between two names, without any
// Location, and a 303 that repeats the address. Each stops after 20 passes.
TEST(HostileGetTool, RedirectLoopsStopAfterTwentyPasses)
{
    struct Case {
        const char *name;
        QByteArray reply;
    };
    const Case cases[] = {
        {"302 to itself", "HTTP/1.0 302 Found\r\nLocation: /\r\n\r\n"},
        {"302 ping-pong by bare name", "HTTP/1.0 302 Found\r\nLocation: other\r\n\r\n"},
        {"301 without Location", "HTTP/1.0 301 Moved\r\n\r\n"},
        {"303 (address repeated)", "HTTP/1.0 303 See Other\r\nLocation: /x\r\n\r\n"},
    };
    for (const Case &c : cases) {
        ScriptedServer server(answerWith(c.reply));
        const ToolRun r = tool(args(server.port(), {"-t", "5"}), 30000);
        report(c.name, outcome(r) + QStringLiteral(", %1 connections").arg(server.connections()), r.ms);
        ASSERT_TRUE(r.finished) << c.name;
        EXPECT_EQ(r.exitCode, 1) << c.name;
        EXPECT_EQ(r.err, "Too many redirects") << c.name;
        EXPECT_EQ(server.connections(), 20) << c.name;
    }
}

// A thousand fetches, eight at a time, against one server that accepts them
// all: every run gets its own page, none fails or hangs.
TEST(HostileGetTool, AThousandConnectionsEachGetTheirPage)
{
    CountingServer server;
    constexpr int kRuns = 1000;
    constexpr int kParallel = 8;
    QElapsedTimer clock;
    clock.start();
    int ok = 0;
    for (int first = 0; first < kRuns; first += kParallel) {
        std::vector<std::unique_ptr<QProcess>> batch;
        for (int i = first; i < first + kParallel && i < kRuns; ++i) {
            auto p = std::make_unique<QProcess>();
            p->start(QStringLiteral(KESTRELON_GET),
                     {QString::fromLatin1(localUrl(server.port(), "/n" + QByteArray::number(i))), "-t", "10"});
            batch.push_back(std::move(p));
        }
        for (std::size_t k = 0; k < batch.size(); ++k) {
            QProcess &p = *batch[k];
            const bool finished = p.waitForFinished(30000);
            if (finished && p.exitCode() == 0 && p.readAllStandardOutput() == "page /n" + QByteArray::number(first + int(k)))
                ++ok;
        }
    }
    report("1000 connections, 8 at a time", QStringLiteral("%1 of %2 pages right, %3 accepted").arg(ok).arg(kRuns).arg(server.accepted()),
           clock.elapsed());
    EXPECT_EQ(ok, kRuns);
    EXPECT_EQ(server.accepted(), kRuns);
}

// The header block bound at N and N + 1 bytes, status line and closing
// empty line included: the client keeps a block of exactly the bound and
// refuses one byte more.
TEST(HostileHeaderBound, BlockOfExactlyTheBoundIsKeptOneMoreIsRefused)
{
    const auto block = [](qint64 size) {
        QByteArray bytes = "HTTP/1.0 200 OK\r\n";
        const QByteArray line = QByteArray(1022, 'h').prepend("X-Fill: ") + "\r\n";
        while (bytes.size() + line.size() + 2 <= size)
            bytes += line;
        const qint64 rest = size - bytes.size() - 2; // what the last line must hold
        if (rest > 0)
            bytes += "X-Rest: " + QByteArray(rest - 10, 'r') + "\r\n";
        bytes += "\r\n";
        return bytes;
    };
    const QByteArray atBound = block(TNMHTTP::MaxHeaderSize);
    const QByteArray overBound = block(TNMHTTP::MaxHeaderSize + 1);
    ASSERT_EQ(atBound.size(), TNMHTTP::MaxHeaderSize);
    ASSERT_EQ(overBound.size(), TNMHTTP::MaxHeaderSize + 1);
    ScriptedServer server(std::vector<Script>{answerWith(atBound + "body"), answerWith(overBound + "body")});
    TNMHTTP http;
    http.TimeOut = 20000;
    http.Get(localUrl(server.port()));
    EXPECT_EQ(http.Header.size(), TNMHTTP::MaxHeaderSize);
    EXPECT_EQ(http.Body, "body");
    QString error;
    try {
        http.Get(localUrl(server.port()));
    } catch (const Exception &e) {
        error = e.message();
    }
    EXPECT_EQ(error, QStringLiteral("Response header too large"));
    EXPECT_FALSE(http.Connected);
}

// The stall time-out takes whole seconds from 1 to a day; anything else is
// a usage error before any connection.
TEST(HostileGetTool, StallTimeOutArgumentIsChecked)
{
    for (const char *bad : {"0", "-1", "x", "86401", ""}) {
        const ToolRun r = tool({QStringLiteral("http://127.0.0.1:1/"), QStringLiteral("-t"), QString::fromLatin1(bad)}, 15000);
        ASSERT_TRUE(r.finished) << bad;
        EXPECT_EQ(r.exitCode, 2) << bad;
        EXPECT_TRUE(r.err.startsWith("usage: kestrelon-get URL")) << bad;
    }
    const ToolRun missing = tool({QStringLiteral("http://127.0.0.1:1/"), QStringLiteral("-t")}, 15000);
    EXPECT_EQ(missing.exitCode, 2);
}
