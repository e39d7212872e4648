// The page source window through the real windows, fetching from a private
// nginx and from scripted servers on 127.0.0.1.

#include "windows_fixture.h"

#include "browser/save_text_dialog.h"
#include "browser/text_pane.h"
#include "http/http_client.h"
#include "netfeatures/page_source_window.h"
#include "support/core/nginx_server.h"
#include "support/core/test_certificates.h"

#include <QScopeGuard>
#include "toolkit/core/codepage.h"
#include "support/gui/window_parts.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTimer>

#include <chrono>
#include <condition_variable>
#include <mutex>

using namespace pane_testing;
using testing_support::ScriptedServer;
using testing_support::Step;

namespace {

struct SourceFixture : ::testing::Test {
    ProgramWindows program;
    TForm7 &window = *program.forms().Form7;
    TForm1 &browser = program.browser();
    QPlainTextEdit &pane = *ui(browser).Memo1;
    // What the pane held after each chunk, next to the body received so far.
    QList<QByteArray> shownPerChunk;
    QList<QByteArray> bodyPerChunk;
    std::function<void(int chunk)> afterChunk;

    void SetUp() override
    {
        TNotifyEvent original = window.NMHTTP1->OnPacketRecvd;
        window.NMHTTP1->OnPacketRecvd = [this, original](QObject *sender) {
            original(sender);
            shownPerChunk.append(textpane::textBytes(pane));
            bodyPerChunk.append(window.NMHTTP1->Body);
            if (afterChunk)
                afterChunk(int(shownPerChunk.size()));
        };
    }

    void fetch(const QString &address)
    {
        window.show();
        ui(window).Edit1->setText(address);
        ui(window).Button1->click();
    }

    QByteArray saved()
    {
        TForm12 &dialog = *program.forms().Form12;
        dialog.show();
        ui(dialog).Edit1->setText("source.html");
        ui(dialog).Button1->click();
        return program.folder().read("source.html");
    }

    static QByteArray response(const QByteArray &body, const QByteArray &status = "200 OK")
    {
        return "HTTP/1.0 " + status + "\r\nContent-Type: text/html\r\n\r\n" + body;
    }
};

// Every byte but NUL and CR, in LF-ended lines, `size` bytes long.
QByteArray singleByteBody(qsizetype size)
{
    QByteArray body;
    body.reserve(size);
    int next = 1;
    while (body.size() < size) {
        if (body.size() % 97 == 96) {
            body.append('\n');
            continue;
        }
        if (next == '\r' || next == '\n')
            ++next;
        body.append(char(next));
        next = next == 255 ? 1 : next + 1;
    }
    return body;
}

QByteArray withCrLf(QByteArray text)
{
    text.replace("\n", "\r\n");
    if (!text.endsWith("\r\n"))
        text.append("\r\n");
    return text;
}

// Holds a server's script until the test has seen what it waits for, so
// two sends reach the client as two chunks whatever the timing.
class Gate {
public:
    void open()
    {
        std::lock_guard lock(m_mutex);
        m_open = true;
        m_changed.notify_all();
    }
    Step step()
    {
        return Step::run([this](testing_support::ScriptedConnection &) {
            std::unique_lock lock(m_mutex);
            m_changed.wait_for(lock, std::chrono::seconds(60), [this] { return m_open; });
        });
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_open = false;
};

} // namespace

TEST_F(SourceFixture, BodyArrivesByteEqualInThePaneAndInTheSavedFile)
{
    const QByteArray body = singleByteBody(600 * 1024);
    testing_support::NginxServer nginx;
    nginx.writeFile("page.html", body);
    ASSERT_TRUE(nginx.start()) << nginx.error().toStdString();

    EXPECT_EQ(window.windowTitle(), "Get source code of webpage");
    fetch(QString::fromLatin1(nginx.url("page.html")));

    EXPECT_EQ(textpane::textBytes(pane), body);
    EXPECT_TRUE(program.messages().isEmpty()) << program.messages().join('\n').toStdString();
    // After each chunk the pane held exactly the body so far.
    ASSERT_GT(shownPerChunk.size(), 1);
    for (int i = 0; i < shownPerChunk.size(); ++i)
        ASSERT_EQ(shownPerChunk.at(i), bodyPerChunk.at(i)) << "after chunk " << i + 1;
    EXPECT_EQ(bodyPerChunk.last(), body);

    // The pane is in front, this window hidden, the browser window shown.
    EXPECT_TRUE(pane.isVisible());
    EXPECT_FALSE(window.isVisible());
    EXPECT_TRUE(browser.isVisible());
    EXPECT_EQ(window.windowTitle(), "Get source code of webpage");
    EXPECT_EQ(browser.windowTitle(), "");
    EXPECT_FALSE(window.fetching());

    EXPECT_EQ(saved(), withCrLf(body));
}

TEST_F(SourceFixture, HttpsPageArrivesByteEqualInThePane)
{
    testing_support::TestCertificates certs;
    ASSERT_TRUE(certs.make()) << certs.error().toStdString();
    const QByteArray body = singleByteBody(300 * 1024);
    testing_support::NginxServer nginx;
    nginx.setTls(certs.certificate(testing_support::TestCertificates::Good),
                 certs.key(testing_support::TestCertificates::Good));
    nginx.writeFile("page.html", body);
    ASSERT_TRUE(nginx.start()) << nginx.error().toStdString();
    // The window trusts the system's certificate store; here that store is
    // the test's own CA.
    const QByteArray oldStore = qgetenv("SSL_CERT_FILE");
    qputenv("SSL_CERT_FILE", certs.caFile().toLocal8Bit());
    const auto restore = qScopeGuard([&] { qputenv("SSL_CERT_FILE", oldStore); });

    fetch(QString::fromLatin1(nginx.url("page.html")));
    EXPECT_TRUE(program.messages().isEmpty()) << program.messages().join('\n').toStdString();
    EXPECT_EQ(textpane::textBytes(pane), body);
    EXPECT_EQ(saved(), withCrLf(body));
}

// The user's own certificate store counts as the page's trust does; without
// it the error says that an exception made for the page does not count.
TEST_F(SourceFixture, HttpsPageTrustedThroughTheUserStoreOnly)
{
    testing_support::TestCertificates certs;
    ASSERT_TRUE(certs.make()) << certs.error().toStdString();
    testing_support::NginxServer nginx;
    nginx.setTls(certs.certificate(testing_support::TestCertificates::Good),
                 certs.key(testing_support::TestCertificates::Good));
    nginx.writeFile("page.html", "from a CA the user trusts");
    ASSERT_TRUE(nginx.start()) << nginx.error().toStdString();
    QTemporaryDir withStore, without;
    ASSERT_TRUE(certs.makeUserStore(withStore.path())) << certs.error().toStdString();
    const QByteArray oldHome = qgetenv("HOME");
    const auto restore = qScopeGuard([&] { qputenv("HOME", oldHome); });

    qputenv("HOME", QFile::encodeName(withStore.path()));
    fetch(QString::fromLatin1(nginx.url("page.html")));
    EXPECT_TRUE(program.messages().isEmpty()) << program.messages().join('\n').toStdString();
    EXPECT_EQ(textpane::textBytes(pane), "from a CA the user trusts");

    qputenv("HOME", QFile::encodeName(without.path()));
    fetch(QString::fromLatin1(nginx.url("page.html")));
    EXPECT_TRUE(errorShown(program.messages(),
                           QStringLiteral("Certificate verify failed: unable to get local issuer certificate\n"
                                          "A certificate accepted with \"Proceed anyway\" in the page is not "
                                          "trusted by this fetch.")))
        << program.messages().join('\n').toStdString();
}

TEST_F(SourceFixture, CrLfBodySavesBackExactlyEvenWhenSplitBetweenChunks)
{
    const QByteArray first = "<html>\r\n<body>line one\r";
    const QByteArray second = "\nline two\r\n\r\nend</body>\r\n";
    Gate firstShown;
    ScriptedServer server({Step::readUntil("\r\n\r\n"), Step::send(response(first)), firstShown.step(),
                           Step::send(second), Step::close()});
    afterChunk = [&](int chunk) {
        if (chunk == 1)
            firstShown.open();
    };
    fetch(QStringLiteral("http://127.0.0.1:%1/").arg(server.port()));

    ASSERT_EQ(shownPerChunk.size(), 2);
    EXPECT_EQ(shownPerChunk.at(0), QByteArray("<html>\n<body>line one\n"));
    // The LF after a chunk's final CR adds no second line break.
    EXPECT_EQ(textpane::textBytes(pane), QByteArray("<html>\n<body>line one\nline two\n\nend</body>\n"));
    EXPECT_EQ(saved(), first + second);
}

// Each chunk brings the browser window forward, also when it was already
// shown behind another window.
TEST_F(SourceFixture, EachChunkBringsTheBrowserWindowForward)
{
    browser.show();
    program.main().activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&program.main(), 10000));
    ASSERT_NE(QApplication::activeWindow(), &browser);
    PageServer server({{"/", "forward"}});
    fetch(server.url("/"));
    ASSERT_EQ(pane.toPlainText(), "forward");
    EXPECT_TRUE(waitFor([&] { return QApplication::activeWindow() == &browser; }, 10000))
        << (QApplication::activeWindow() ? QApplication::activeWindow()->metaObject()->className() : "no window");
}

TEST_F(SourceFixture, EnterInTheAddressBoxFetches)
{
    ScriptedServer server({Step::readUntil("\r\n\r\n"), Step::send(response("by enter")), Step::close()});
    window.show();
    ui(window).Edit1->setText(QStringLiteral("http://127.0.0.1:%1/x").arg(server.port()));
    QTest::keyClick(ui(window).Edit1, Qt::Key_Return);
    EXPECT_EQ(pane.toPlainText(), "by enter");
    EXPECT_TRUE(server.received(0).startsWith("GET /x HTTP/1.0\r\n"));
}

TEST_F(SourceFixture, AHeldEnterFetchesOnce)
{
    PageServer server({{"/", "once"}});
    window.show();
    ui(window).Edit1->setText(server.url("/"));
    QTest::keyPress(ui(window).Edit1, Qt::Key_Return);
    ASSERT_EQ(pane.toPlainText(), "once");
    for (int i = 0; i < 3; ++i) {
        QKeyEvent repeat(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"), true);
        QApplication::sendEvent(ui(window).Edit1, &repeat);
    }
    QTest::keyRelease(ui(window).Edit1, Qt::Key_Return);
    EXPECT_EQ(server.requests().size(), 1);
}

TEST_F(SourceFixture, FailuresKeepTheWindowOpenWithTheirCaptions)
{
    pane.setPlainText("untouched");
    struct Case {
        QString address;
        QString caption;
        QString error;
    };
    const quint16 closed = ScriptedServer::closedPort();
    const QString refused = QStringLiteral("http://127.0.0.1:%1/").arg(closed);
    const QString refusedSecure = QStringLiteral("https://127.0.0.1:%1/").arg(closed);
    // "http://" names no host; with no fetch before it, that is an invalid host.
    const QList<Case> cases = {
        {"http://", "Invalid host: http://", "Null Remote Address"},
        {refused, "Faild to connect to: " + refused, QString()},
        {refusedSecure, "Faild to connect to: " + refusedSecure, QString()},
        {"", "Fetching source from: ", "Empty URL"},
    };
    for (const Case &c : cases) {
        program.messages().clear();
        fetch(c.address);
        EXPECT_EQ(window.windowTitle(), c.caption);
        ASSERT_EQ(program.messages().size(), 1) << c.address.toStdString();
        if (!c.error.isEmpty())
            EXPECT_TRUE(errorShown(program.messages(), c.error)) << program.messages().first().toStdString();
        else
            EXPECT_TRUE(program.messages().first().startsWith("An exeption was raised!."));
        EXPECT_TRUE(window.isVisible());
        EXPECT_FALSE(window.fetching());
    }
    EXPECT_EQ(pane.toPlainText(), "untouched");
    EXPECT_TRUE(shownPerChunk.isEmpty());
}

TEST_F(SourceFixture, ARedirectShowsItsOwnBodyThenTheTargets)
{
    PageServer server({
        {"/old", "HTTP/1.0 302 Found\r\nLocation: /new\r\n\r\nshort"},
        {"/new", "HTTP/1.0 200 OK\r\n\r\nthe target page, longer than the redirect's body"},
    });
    fetch(server.url("/old"));
    ASSERT_EQ(shownPerChunk.size(), 2);
    EXPECT_EQ(shownPerChunk.at(0), QByteArray("short"));
    EXPECT_EQ(textpane::textBytes(pane), QByteArray("the target page, longer than the redirect's body"));
    EXPECT_EQ(server.requests(), (QList<QByteArray>{"GET /old HTTP/1.0", "GET /new HTTP/1.0"}));
}

TEST_F(SourceFixture, AnErrorPageIsShownLikeAnyBody)
{
    PageServer server({});
    fetch(server.url("/nothing-here"));
    EXPECT_EQ(pane.toPlainText(), "<html><title>Missing</title></html>");
    EXPECT_TRUE(program.messages().isEmpty());
}

TEST_F(SourceFixture, AnEmptyBodyLeavesThePaneAlone)
{
    pane.setPlainText("before");
    ScriptedServer server({Step::readUntil("\r\n\r\n"), Step::send(response("")), Step::close()});
    fetch(QStringLiteral("http://127.0.0.1:%1/").arg(server.port()));
    EXPECT_EQ(pane.toPlainText(), "before");
    EXPECT_FALSE(pane.isVisibleTo(&browser));
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(window.windowTitle(), "Get source code of webpage");
    EXPECT_TRUE(program.messages().isEmpty());
}

TEST_F(SourceFixture, ASecondFetchIsRefusedAndTheFirstGoesOn)
{
    Gate secondRefused;
    ScriptedServer server({Step::readUntil("\r\n\r\n"), Step::send(response("first part, ")), secondRefused.step(),
                           Step::send("second part"), Step::close()});
    afterChunk = [&](int chunk) {
        if (chunk == 1)
            QTimer::singleShot(0, &window, [&] {
                ui(window).Edit1->setText("http://127.0.0.1:1/other");
                ui(window).Button1->click();
                secondRefused.open();
            });
    };
    fetch(QStringLiteral("http://127.0.0.1:%1/").arg(server.port()));

    ASSERT_EQ(program.messages().size(), 1);
    EXPECT_TRUE(errorShown(program.messages(), "A page source fetch is already running. Wait for it to end, or "
                                               "press Escape to stop it."));
    EXPECT_EQ(pane.toPlainText(), "first part, second part");
    EXPECT_EQ(server.connections(), 1);
}

TEST_F(SourceFixture, EscapeStopsAFetchAndThePaneKeepsWhatArrived)
{
    ScriptedServer server({Step::readUntil("\r\n\r\n"), Step::send(response("arrived")), Step::sleep(60000),
                           Step::send(" never shown"), Step::close()});
    afterChunk = [this](int chunk) {
        if (chunk == 1)
            QTimer::singleShot(0, &browser, [this] {
                browser.activateWindow();
                QTest::qWaitForWindowActive(&browser, 5000);
                QTest::keyClick(&browser, Qt::Key_Escape);
            });
    };
    fetch(QStringLiteral("http://127.0.0.1:%1/").arg(server.port()));
    EXPECT_FALSE(window.fetching());
    EXPECT_EQ(pane.toPlainText(), "arrived");
    EXPECT_TRUE(program.messages().isEmpty()) << program.messages().join('\n').toStdString();

    // The window fetches again afterwards.
    ScriptedServer next({Step::readUntil("\r\n\r\n"), Step::send(response("again")), Step::close()});
    fetch(QStringLiteral("http://127.0.0.1:%1/").arg(next.port()));
    EXPECT_EQ(pane.toPlainText(), "again");
}

TEST_F(SourceFixture, ClosingTheMainWindowStopsARunningFetch)
{
    ScriptedServer server({Step::readUntil("\r\n\r\n"), Step::send(response("arrived")), Step::sleep(60000),
                           Step::send(" never shown"), Step::close()});
    afterChunk = [this](int chunk) {
        if (chunk == 1)
            QTimer::singleShot(0, &window, [this] { program.main().close(); });
    };
    fetch(QStringLiteral("http://127.0.0.1:%1/").arg(server.port()));
    EXPECT_FALSE(window.fetching());
    EXPECT_FALSE(program.main().isVisible());
    EXPECT_EQ(pane.toPlainText(), "arrived");
}

TEST_F(SourceFixture, ClosingTheBrowserWindowOrEndingTheSessionStopsAFetch)
{
    const auto stalled = [] {
        return std::make_unique<ScriptedServer>(testing_support::Script{
            Step::readUntil("\r\n\r\n"), Step::send(response("arrived")), Step::sleep(60000), Step::send(" late"),
            Step::close()});
    };
    auto server = stalled();
    afterChunk = [this](int chunk) {
        if (chunk == 1)
            QTimer::singleShot(0, &browser, [this] { browser.close(); });
    };
    fetch(QStringLiteral("http://127.0.0.1:%1/").arg(server->port()));
    EXPECT_FALSE(window.fetching());
    EXPECT_FALSE(browser.isVisible());
    EXPECT_EQ(pane.toPlainText(), "arrived");

    // Closing the page source window before any body came.
    ScriptedServer silent({Step::readUntil("\r\n\r\n"), Step::sleep(60000), Step::close()});
    QTimer::singleShot(0, &window, [this, &silent] {
        silent.waitForConnections(1);
        window.close();
    });
    fetch(QStringLiteral("http://127.0.0.1:%1/").arg(silent.port()));
    EXPECT_FALSE(window.fetching());
    EXPECT_EQ(pane.toPlainText(), "arrived");

    // The session ends (log-off, SIGTERM): the close step hides the windows.
    server = stalled();
    shownPerChunk.clear();
    afterChunk = [this](int chunk) {
        if (chunk == 1)
            QTimer::singleShot(0, &window, [this] { program.main().endSession(); });
    };
    fetch(QStringLiteral("http://127.0.0.1:%1/").arg(server->port()));
    EXPECT_FALSE(window.fetching());
    EXPECT_EQ(pane.toPlainText(), "arrived");
    EXPECT_TRUE(program.messages().isEmpty()) << program.messages().join('\n').toStdString();
}
