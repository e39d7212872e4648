// Go, following links, Back, Forward and Refresh with the real web engine
// against pages served on 127.0.0.1.
#include "app_fixture.h"
#include "support/gui/window_parts.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>

using app_testing::PageServer;
using app_testing::ProgramWindows;
using app_testing::waitFor;

namespace {

const QByteArray kNews = "<html><head><title>News</title></head><body><a id='l' href='/sport'>sport</a></body></html>";
const QByteArray kSport = "<html><head><title>Sport</title></head><body>sport</body></html>";

bool captionIs(TForm1 &browser, const QString &caption)
{
    return waitFor([&] { return browser.windowTitle() == caption; });
}

// Follows the page's only link, as a click would.
void followLink(TForm1 &browser)
{
    QWidget *view = browser.WebBrowser1().widget();
    QWidget *target = view->focusProxy() ? view->focusProxy() : view;
    ASSERT_TRUE(waitFor([&] { return target->isVisible(); }));
    // The link sits in the page's top left corner.
    QTest::mouseClick(target, Qt::LeftButton, {}, QPoint(12, 12));
}

} // namespace

TEST(Browsing, GoLoadsThePageCountsItAndRecordsTheTypedText)
{
    PageServer server({{"/news", kNews}});
    ProgramWindows program;
    program.start();
    TForm2 &main = program.main();
    const qint32 total = main.TotalPages;
    const int entries = main.HistoryList.size();

    const QString typed = server.url("/news");
    ui(main).Edit1->setText(typed);
    main.Button1Click();

    EXPECT_TRUE(program.browser().isVisible());
    ASSERT_TRUE(captionIs(program.browser(), QStringLiteral("News [Done]"))) << program.browser().windowTitle().toStdString();
    EXPECT_EQ(ui(main).Edit1->text(), program.browser().WebBrowser1().LocationURL());
    EXPECT_EQ(ui(main).Edit1->text(), typed);
    EXPECT_EQ(program.browser().PageTitle, QByteArray("News"));
    EXPECT_EQ(main.TotalPages, total + 1);
    EXPECT_EQ(main.SessionPages, 1);
    ASSERT_EQ(main.HistoryList.size(), entries + 1);
    EXPECT_EQ(main.HistoryList.last(), typed.toLatin1());
    // The completed load leaves the gauge at 0 of 0 and the marker at its start.
    EXPECT_EQ(ui(main).Image3->x(), 5);
    EXPECT_TRUE(program.messages().isEmpty()) << program.messages().join('|').toStdString();
}

TEST(Browsing, EnterInTheAddressBoxActsOnRelease)
{
    PageServer server({{"/news", kNews}});
    ProgramWindows program;
    program.start();
    TForm2 &main = program.main();
    ui(main).Edit1->setText(server.url("/news"));
    QTest::keyPress(ui(main).Edit1, Qt::Key_Return);
    EXPECT_EQ(main.SessionPages, 0);
    QTest::keyRelease(ui(main).Edit1, Qt::Key_Return, Qt::ShiftModifier);
    EXPECT_EQ(main.SessionPages, 1);
    EXPECT_TRUE(captionIs(program.browser(), QStringLiteral("News [Done]")));
}

TEST(Browsing, LinksBackForwardAndRefreshAreNeitherCountedNorRecorded)
{
    PageServer server({{"/news", kNews}, {"/sport", kSport}});
    ProgramWindows program;
    program.start();
    TForm2 &main = program.main();
    TForm1 &browser = program.browser();
    browser.resize(788, 439);
    ui(main).Edit1->setText(server.url("/news"));
    main.Button1Click();
    ASSERT_TRUE(captionIs(browser, QStringLiteral("News [Done]")));
    const QList<QByteArray> history = main.HistoryList;
    const qint32 total = main.TotalPages;

    followLink(browser);
    ASSERT_TRUE(captionIs(browser, QStringLiteral("Sport [Done]"))) << browser.windowTitle().toStdString();
    EXPECT_EQ(ui(main).Edit1->text(), server.url("/sport"));

    main.Button2Click();  // Back
    ASSERT_TRUE(captionIs(browser, QStringLiteral("News [Done]")));
    EXPECT_EQ(ui(main).Edit1->text(), server.url("/news"));

    browser.forwClick();  // Forward through the browser window's own picture
    ASSERT_TRUE(captionIs(browser, QStringLiteral("Sport [Done]")));

    const int requests = server.requests().size();
    browser.Image2Click();  // Refresh
    ASSERT_TRUE(waitFor([&] { return server.requests().size() > requests; }));
    ASSERT_TRUE(captionIs(browser, QStringLiteral("Sport [Done]")));

    EXPECT_EQ(main.HistoryList, history);
    EXPECT_EQ(main.TotalPages, total);
    EXPECT_EQ(main.SessionPages, 1);
    EXPECT_TRUE(program.messages().isEmpty()) << program.messages().join('|').toStdString();
}

TEST(Browsing, NowhereToGoIsTheShortMessageAndLogsTheEnginesText)
{
    ProgramWindows program;
    program.start();
    TForm2 &main = program.main();
    ui(main).Tillbaka1->trigger();
    ASSERT_EQ(program.messages(), QStringList{QStringLiteral("No webpage to go to!")});
    EXPECT_EQ(ui(*program.forms().Form11).Memo1->toPlainText(), QStringLiteral("Unspecified error"));
    ui(main).Frammt1->trigger();
    main.PopupMenu1()->findChild<QAction *>("Back1")->trigger();
    main.PopupMenu1()->findChild<QAction *>("Forwad1")->trigger();
    EXPECT_EQ(program.messages(), QStringList(4, QStringLiteral("No webpage to go to!")));
    EXPECT_EQ(ui(*program.forms().Form11).Memo1->blockCount(), 4);
    // Stop and Refresh with nothing loaded are quiet, from either menu.
    ui(main).Stop1->trigger();
    main.PopupMenu1()->findChild<QAction *>("Reload1")->trigger();
    EXPECT_EQ(program.messages().size(), 4);
    EXPECT_EQ(main.TotalPages, 0);
    EXPECT_EQ(main.SessionPages, 0);
}

TEST(Browsing, AClosedPortEndsInTheEnginesErrorPageAndIsCounted)
{
    ProgramWindows program;
    program.start();
    TForm2 &main = program.main();
    const QString address = QStringLiteral("http://127.0.0.1:%1/").arg(testing_support::ScriptedServer::closedPort());
    ui(main).Edit1->setText(address);
    main.Button1Click();
    ASSERT_TRUE(waitFor([&] { return program.browser().windowTitle().endsWith(QStringLiteral(" [Done]")); }));
    EXPECT_EQ(main.SessionPages, 1);
    EXPECT_EQ(main.HistoryList.last(), address.toLatin1());
    EXPECT_TRUE(program.messages().isEmpty());
}

TEST(Browsing, OddAddressesGoToTheEngineUnchangedAndAreRecorded)
{
    PageServer server({{"/a%20b", "<title>Spaced</title>"}});
    ProgramWindows program;
    program.start();
    TForm2 &main = program.main();
    for (const QString &text : {QString(), QStringLiteral("http://")}) {
        ui(main).Edit1->setText(text);
        main.Button1Click();
        EXPECT_EQ(main.HistoryList.last(), text.toLatin1());
    }
    EXPECT_EQ(main.SessionPages, 2);

    // Spaces are the engine's to encode; the history keeps the typed text.
    const QString spaced = server.url("/a b");
    ui(main).Edit1->setText(spaced);
    main.Button1Click();
    EXPECT_TRUE(captionIs(program.browser(), QStringLiteral("Spaced [Done]")));
    EXPECT_EQ(main.HistoryList.last(), spaced.toLatin1());

    // Text outside the code page is stored as '?', as every engine text is.
    ui(main).Edit1->setText(server.url("/") + QChar(0x416));
    main.Button1Click();
    EXPECT_TRUE(main.HistoryList.last().endsWith("/?")) << main.HistoryList.last().toStdString();
    EXPECT_EQ(main.SessionPages, 4);
    EXPECT_TRUE(program.messages().isEmpty()) << program.messages().join('|').toStdString();
}

TEST(Browsing, EnterInTheBrowserWindowsAddressBoxesRunsGo)
{
    PageServer server({{"/news", kNews}});
    ProgramWindows program;
    program.start();
    TForm1 &browser = program.browser();
    ui(browser).ComboBox2->setText(server.url("/news"));
    QTest::keyClick(ui(browser).ComboBox2, Qt::Key_Return);
    EXPECT_EQ(program.main().SessionPages, 1);
    EXPECT_TRUE(captionIs(browser, QStringLiteral("News [Done]")));
    // The box keeps what was typed; it does not follow the page.
    EXPECT_EQ(ui(browser).ComboBox2->text(), server.url("/news"));

    // An empty box empties the main window's address box and still goes.
    ui(browser).ComboBox1->clear();
    QTest::keyClick(ui(browser).ComboBox1, Qt::Key_Enter);
    EXPECT_EQ(program.main().SessionPages, 2);
    EXPECT_EQ(program.main().HistoryList.last(), QByteArray());
    // Other keys do nothing.
    QTest::keyClick(ui(browser).ComboBox1, Qt::Key_A);
    EXPECT_EQ(program.main().SessionPages, 2);
}

TEST(Browsing, AHeldEnterRunsGoOnceAndAReleaseFromElsewhereNotAtAll)
{
    PageServer server({{"/news", kNews}});
    ProgramWindows program;
    program.start();
    TForm1 &browser = program.browser();
    TForm2 &main = program.main();
    // A held key: its first press, then the repeats the system sends.
    const auto hold = [](QWidget *box) {
        QTest::keyPress(box, Qt::Key_Return);
        for (int i = 0; i < 3; ++i) {
            QKeyEvent repeat(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"), true);
            QApplication::sendEvent(box, &repeat);
        }
        QTest::keyRelease(box, Qt::Key_Return);
    };
    for (QLineEdit *box : {ui(browser).ComboBox1, ui(browser).ComboBox2}) {
        box->setText(server.url("/news"));
        const qint32 before = main.SessionPages;
        hold(box);
        EXPECT_EQ(main.SessionPages, before + 1) << box->objectName().toStdString();
    }
    ui(main).Edit1->setText(server.url("/news"));
    const qint32 before = main.SessionPages;
    hold(ui(main).Edit1);
    EXPECT_EQ(main.SessionPages, before + 1);

    // The Enter that closed a box or chose a menu item was pressed there;
    // its release in the address box runs nothing.
    QTest::keyRelease(ui(main).Edit1, Qt::Key_Return);
    EXPECT_EQ(main.SessionPages, before + 1);
    // Nor does a press made before the focus left and came back.
    QTest::keyPress(ui(main).Edit1, Qt::Key_Return);
    QFocusEvent out(QEvent::FocusOut, Qt::ActiveWindowFocusReason);
    QApplication::sendEvent(ui(main).Edit1, &out);
    QTest::keyRelease(ui(main).Edit1, Qt::Key_Return);
    EXPECT_EQ(main.SessionPages, before + 1);
    EXPECT_TRUE(program.messages().isEmpty()) << program.messages().join('|').toStdString();
}

TEST(Browsing, APageWithoutATitleHasAnEmptyName)
{
    PageServer server({{"/plain", "<html><body>no title here</body></html>"}});
    ProgramWindows program;
    program.start();
    TForm2 &main = program.main();
    ui(main).Edit1->setText(server.url("/plain"));
    main.Button1Click();
    // Qt would name the page after its address; the page has no name, so the
    // caption is the bare " [Done]".
    ASSERT_TRUE(captionIs(program.browser(), QStringLiteral(" [Done]"))) << program.browser().windowTitle().toStdString();
    EXPECT_EQ(program.browser().WebBrowser1().LocationName(), QString());
    EXPECT_EQ(program.browser().PageTitle, QByteArray());
}
