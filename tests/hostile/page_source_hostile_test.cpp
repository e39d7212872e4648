// Hostile servers on 127.0.0.1 against the page source window, through the
// real windows. The window's client waits without a time-out, so the way
// out of a stalled fetch is the user's Escape; what each case checks is the
// text the user gets (pane, error box) and that the window never froze.

#include "hostile_support.h"

#include "http/http_client.h"
#include "netfeatures/page_source_window.h"
#include "netfeatures/windows_fixture.h"
#include "support/core/descriptors.h"
#include "support/gui/window_parts.h"

#include <QElapsedTimer>
#include <QHostAddress>
#include <QTcpSocket>
#include <QPlainTextEdit>
#include <QTimer>

#include <algorithm>

#include <sys/resource.h>

using namespace hostile;
using pane_testing::errorShown;
using pane_testing::ProgramWindows;
using testing_support::socketsConnectedTo;

namespace {

double cpuSeconds()
{
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

const QByteArray kOkHead = "HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\n\r\n";

struct HostileWindow : ::testing::Test {
    ProgramWindows program;
    TForm7 &window = *program.forms().Form7;
    TForm1 &browser = program.browser();
    QPlainTextEdit &pane = *ui(browser).Memo1;
    int ticks = 0;          // of a 50 ms timer while a fetch runs: the loop never froze
    qint64 fetchMs = 0;
    double fetchCpu = 0;

    // Runs one fetch as the user does (OK), with Escape pressed in the
    // window that is showing after `escapeAfterMs` (never when negative).
    void fetch(const QByteArray &url, int escapeAfterMs = -1)
    {
        window.show();
        ui(window).Edit1->setText(QString::fromLatin1(url));
        QTimer ticker;
        QObject::connect(&ticker, &QTimer::timeout, [this] { ++ticks; });
        ticker.start(50);
        if (escapeAfterMs >= 0) {
            QTimer::singleShot(escapeAfterMs, &window, [this] {
                QWidget *shown = window.isVisible() ? static_cast<QWidget *>(&window) : &browser;
                shown->activateWindow();
                QTest::qWaitForWindowActive(shown, 5000);
                QTest::keyClick(shown, Qt::Key_Escape);
            });
        }
        QElapsedTimer clock;
        clock.start();
        const double cpu = cpuSeconds();
        ui(window).Button1->click();
        fetchMs = clock.elapsed();
        fetchCpu = cpuSeconds() - cpu;
    }

    QString errors() const { return const_cast<ProgramWindows &>(program).messages().join(QStringLiteral(" | ")); }
};

} // namespace

// Silent server: the fetch waits, costing no processor time and keeping the
// windows alive, until Escape; no error box, the pane untouched.
TEST_F(HostileWindow, SilentServerWaitsQuietlyUntilEscape)
{
    ScriptedServer server(Script{Step::readUntil("\r\n\r\n"), Step::sleep(60000)});
    pane.setPlainText(QStringLiteral("before"));
    fetch(localUrl(server.port()), 3000);
    report("window: silent, Escape after 3 s", QStringLiteral("stopped, %1 ticks, %2 s CPU").arg(ticks).arg(fetchCpu, 0, 'f', 2),
           fetchMs);
    EXPECT_FALSE(window.fetching());
    EXPECT_GE(fetchMs, 2500); // it ended at Escape, not before (timers are coarse by 5%)
    EXPECT_LT(fetchMs, 20000);
    EXPECT_GE(ticks, 20);
    EXPECT_LT(fetchCpu, 1.5);
    EXPECT_EQ(pane.toPlainText(), "before");
    EXPECT_EQ(errors(), "");
    EXPECT_EQ(window.windowTitle(), "Get source code of webpage");
}

// A trickled reply arrives whole in the pane.
TEST_F(HostileWindow, TricklingReplyArrivesWhole)
{
    ScriptedServer server(Script{Step::readUntil("\r\n\r\n"), Step::trickle(kOkHead + "slow\nbut\nwhole\n", 10), Step::close()});
    fetch(localUrl(server.port()));
    report("window: trickle 1 B / 10 ms", QStringLiteral("pane %1 B, %2 ticks").arg(pane.toPlainText().size()).arg(ticks), fetchMs);
    EXPECT_EQ(pane.toPlainText(), "slow\nbut\nwhole\n");
    EXPECT_EQ(errors(), "");
    EXPECT_GE(ticks, 5);
}

// Resets, a header without end, a line without end and a redirect loop end
// the fetch with their error in the error box; the window stays usable.
TEST_F(HostileWindow, BrokenRepliesEndWithTheirErrorText)
{
    struct Case {
        const char *name;
        Script script;
        QString error;
    };
    const Case cases[] = {
        {"window: reset inside the header",
         {Step::readUntil("\r\n\r\n"), Step::send("HTTP/1.0 200 OK\r\nX-Half"), Step::sleep(100), Step::reset()},
         QStringLiteral("10054:Connection reset by peer")},
        {"window: endless header",
         {Step::readUntil("\r\n\r\n"), endless("HTTP/1.0 200 OK\r\n", "X-Filler: 0123456789abcdef\r\n", 512LL << 20)},
         QStringLiteral("Response header too large")},
        {"window: huge line",
         {Step::readUntil("\r\n\r\n"), endless("HTTP/1.0 200 OK\r\nX-Long: ", "x", 64LL << 20)},
         QStringLiteral("Range check error")},
        {"window: 302 to itself",
         {Step::readUntil("\r\n\r\n"), Step::send("HTTP/1.0 302 Found\r\nLocation: /\r\n\r\n"), Step::close()},
         QStringLiteral("Too many redirects")},
    };
    for (const Case &c : cases) {
        program.messages().clear();
        ScriptedServer server(c.script);
        fetch(localUrl(server.port()));
        report(c.name, errors().section(QStringLiteral("Exception = "), -1), fetchMs);
        EXPECT_TRUE(errorShown(program.messages(), c.error)) << c.name << ": " << errors().toStdString();
        EXPECT_FALSE(window.fetching()) << c.name;
        EXPECT_TRUE(window.isVisible()) << c.name;
    }
    // And it fetches again afterwards.
    ScriptedServer good(Script{Step::readUntil("\r\n\r\n"), Step::send(kOkHead + "fine"), Step::close()});
    fetch(localUrl(good.port()));
    EXPECT_EQ(pane.toPlainText(), "fine");
}

// A body without end fills the pane while the windows stay alive; Escape
// stops it and the pane keeps an exact prefix of what was sent.
TEST_F(HostileWindow, EndlessBodyIsStoppedByEscapeKeepingWhatArrived)
{
    const QByteArray filler = "endless body line\n";
    ScriptedServer server(Script{Step::readUntil("\r\n\r\n"), endless(kOkHead, filler, 4LL << 30)});
    fetch(localUrl(server.port()), 3000);
    const QByteArray shown = pane.toPlainText().toLatin1();
    report("window: endless body, Escape after 3 s", QStringLiteral("pane %1 KB, %2 ticks").arg(shown.size() / 1024).arg(ticks),
           fetchMs);
    EXPECT_FALSE(window.fetching());
    EXPECT_LT(fetchMs, 30000);
    EXPECT_GT(shown.size(), 64 * 1024);
    QByteArray expected;
    while (expected.size() < shown.size())
        expected += filler;
    EXPECT_TRUE(expected.startsWith(shown));
    EXPECT_GE(ticks, 10);
    EXPECT_EQ(errors(), "");
}

// Content-Length that lies: a larger promise followed by the close shows
// what came and says the body was cut; one the server never keeps while it
// stays open waits for Escape, and the pane keeps what came.
TEST_F(HostileWindow, LyingContentLength)
{
    ScriptedServer closing(Script{Step::readUntil("\r\n\r\n"),
                                  Step::send("HTTP/1.0 200 OK\r\nContent-Length: 100000\r\n\r\nten bytes!"), Step::close()});
    fetch(localUrl(closing.port()));
    report("window: Content-Length larger, then close", QStringLiteral("pane \"%1\"").arg(pane.toPlainText()), fetchMs);
    EXPECT_EQ(pane.toPlainText(), "ten bytes!");
    EXPECT_TRUE(errorShown(program.messages(), QStringLiteral("Connection closed after 10 of 100000 bytes")))
        << errors().toStdString();
    program.messages().clear();

    ScriptedServer open(Script{Step::readUntil("\r\n\r\n"),
                               Step::send("HTTP/1.0 200 OK\r\nContent-Length: 100000\r\n\r\nnine byte"), Step::sleep(60000)});
    fetch(localUrl(open.port()), 2000);
    report("window: Content-Length larger, kept open", QStringLiteral("Escape; pane \"%1\"").arg(pane.toPlainText()), fetchMs);
    EXPECT_FALSE(window.fetching());
    EXPECT_EQ(pane.toPlainText(), "nine byte");
    EXPECT_EQ(errors(), "");
}

// The address with line breaks: refused with its error before any
// connection, and the pane keeps what it showed.
TEST_F(HostileWindow, SmugglingAddressSendsNothing)
{
    ScriptedServer server(Script{Step::readUntilClose()});
    pane.setPlainText(QStringLiteral("before"));
    fetch(localUrl(server.port(), "/a") + " HTTP/1.0\r\nX-Injected: yes\r\n\r\nGET /smuggled");
    EXPECT_TRUE(errorShown(program.messages(),
                           QStringLiteral("Address contains a line break or NUL byte: nothing was sent")))
        << errors().toStdString();
    EXPECT_EQ(server.connections(), 0);
    EXPECT_EQ(pane.toPlainText(), "before");
    EXPECT_FALSE(window.fetching());
}

// A thousand fetches from one window against a server that accepts them
// all: every page arrives and no socket of a fetch is left open. Only the
// connections to this server count: the web engine in the same process
// opens and closes descriptors of its own meanwhile.
TEST_F(HostileWindow, AThousandFetchesLeaveNoSocketBehind)
{
    // The count sees a connection that is open.
    ScriptedServer silent(Script{Step::sleep(60000)});
    {
        QTcpSocket probe;
        probe.connectToHost(QHostAddress::LocalHost, silent.port());
        ASSERT_TRUE(probe.waitForConnected(10000));
        EXPECT_EQ(socketsConnectedTo(silent.port()), 1);
    }
    EXPECT_EQ(socketsConnectedTo(silent.port()), 0);

    CountingServer server;
    QElapsedTimer clock;
    clock.start();
    int right = 0;
    int leftOpen = 0;
    constexpr int kFetches = 1000;
    for (int i = 0; i < kFetches; ++i) {
        const QByteArray path = "/p" + QByteArray::number(i);
        fetch(localUrl(server.port(), path));
        if (pane.toPlainText().toLatin1() == "page " + path)
            ++right;
        leftOpen = std::max(leftOpen, socketsConnectedTo(server.port()));
    }
    report("window: 1000 fetches", QStringLiteral("%1 right, at most %2 socket(s) left open").arg(right).arg(leftOpen),
           clock.elapsed());
    EXPECT_EQ(right, kFetches);
    EXPECT_EQ(server.accepted(), kFetches);
    EXPECT_EQ(leftOpen, 0);
    EXPECT_EQ(errors(), "");
}
