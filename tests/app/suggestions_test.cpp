// The suggestion list under the address boxes and the search from them,
// with the real windows and web engine against pages on 127.0.0.1.
#include "app_fixture.h"

#include "addressbox/address_completer.h"
#include "support/gui/window_parts.h"

#include <QLineEdit>
#include <QListWidget>

#include <algorithm>

using app_testing::PageServer;
using app_testing::waitFor;
using testing_support::ProgramWindows;

namespace {

const QByteArray kNews = "<html><head><title>News</title></head><body>news</body></html>";
const QByteArray kSport = "<html><head><title>Sport</title></head><body>sport</body></html>";

// An installation whose history holds `entries`, oldest first.
ProgramWindows::Prepare withHistory(const QList<QByteArray> &entries)
{
    return [entries](testing_support::TempInstallation &folder) {
        folder.write("config/history.cfg", entries.join(char(0xE4)) + char(0xF6));
    };
}

AddressCompleter &completerOf(QLineEdit *box)
{
    auto *completer = box->findChild<AddressCompleter *>();
    EXPECT_NE(completer, nullptr);
    return *completer;
}

QStringList shownLines(AddressCompleter &completer)
{
    QStringList lines;
    for (int i = 0; i < completer.list()->count(); ++i)
        lines.append(completer.list()->item(i)->text());
    return lines;
}

// Types into the box with the focus there, as the user does, and waits for
// the list the typing asks for.
bool typeAndWaitForList(QWidget *window, QLineEdit *box, const QString &text)
{
    window->activateWindow();
    box->setFocus();
    if (!QTest::qWaitForWindowActive(window))
        return false;
    QTest::keyClicks(box, text);
    return waitFor([&] { return completerOf(box).isListShown(); });
}

void pressEnter(QLineEdit *box)
{
    QTest::keyPress(box, Qt::Key_Return);
    QTest::keyRelease(box, Qt::Key_Return);
}

// Two pages on 127.0.0.1, the news opened twice and the sport once, and
// the main window's address box emptied.
struct TwoPages {
    PageServer server{{{"/news", kNews}, {"/sport", kSport}}};
    const QByteArray news = server.url("/news").toLatin1();
    const QByteArray sport = server.url("/sport").toLatin1();
    ProgramWindows program{ProgramWindows::Stage::Started, withHistory({sport, news, news})};
    TForm2 &main = program.main();
    QLineEdit *box = ui(main).Edit1;
    AddressCompleter &completer = completerOf(box);

    TwoPages() { box->clear(); }
};

} // namespace

TEST(Suggestions, DownChoosesAndEnterGoesOnceWithTheChosenAddressEscapeKeepsTheTyping)
{
    TwoPages t;
    auto &[server, news, sport, program, main, box, completer] = t;

    // The address opened most comes first.
    ASSERT_TRUE(typeAndWaitForList(&main, box, QStringLiteral("127.0.0")));
    EXPECT_EQ(shownLines(completer), (QStringList{QString::fromLatin1(news), QString::fromLatin1(sport)}));

    // Down, Down: the second entry, in the box as if typed; Escape brings
    // the typing back and closes the list; nothing was opened.
    QTest::keyClick(box, Qt::Key_Down);
    QTest::keyClick(box, Qt::Key_Down);
    EXPECT_EQ(box->text(), QString::fromLatin1(sport));
    QTest::keyClick(box, Qt::Key_Escape);
    EXPECT_EQ(box->text(), QStringLiteral("127.0.0"));
    EXPECT_FALSE(completer.isListShown());
    EXPECT_EQ(main.SessionPages, 0);

    // Choose again, and Enter: one Go with the chosen address.
    ASSERT_TRUE(typeAndWaitForList(&main, box, QStringLiteral(".1")));
    QTest::keyClick(box, Qt::Key_Down);
    QTest::keyClick(box, Qt::Key_Down);
    QTest::keyClick(box, Qt::Key_Up);
    EXPECT_EQ(box->text(), QString::fromLatin1(news));
    const int entries = main.HistoryList.size();
    pressEnter(box);
    EXPECT_FALSE(completer.isListShown());
    EXPECT_TRUE(waitFor([&] { return program.browser().windowTitle() == QStringLiteral("News [Done]"); }));
    EXPECT_EQ(main.SessionPages, 1);
    ASSERT_EQ(main.HistoryList.size(), entries + 1);
    EXPECT_EQ(main.HistoryList.last(), news);
    EXPECT_TRUE(program.messages().isEmpty()) << program.messages().join('|').toStdString();
}

TEST(Suggestions, AClickOnAnEntryOpensItOnceAndTheNextListKnowsTheVisit)
{
    TwoPages t;
    auto &[server, news, sport, program, main, box, completer] = t;

    ASSERT_TRUE(typeAndWaitForList(&main, box, QStringLiteral("127")));
    QListWidget *list = completer.list();
    ASSERT_EQ(list->count(), 2);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(1)).center());
    EXPECT_EQ(box->text(), QString::fromLatin1(sport));
    EXPECT_TRUE(waitFor([&] { return program.browser().windowTitle() == QStringLiteral("Sport [Done]"); }));
    EXPECT_EQ(main.SessionPages, 1);
    EXPECT_EQ(main.HistoryList.last(), sport);

    // Three more visits of sport put it first.
    for (int i = 0; i < 3; ++i)
        main.Button1Click();
    box->clear();
    ASSERT_TRUE(typeAndWaitForList(&main, box, QStringLiteral("127")));
    EXPECT_EQ(shownLines(completer).first(), QString::fromLatin1(sport));
}

TEST(Suggestions, WordsGoToTheTemplatesSearchAndTheHistoryKeepsTheWords)
{
    PageServer server({{"/news", kNews}});
    ProgramWindows program(ProgramWindows::Stage::Started, [&](testing_support::TempInstallation &folder) {
        folder.write("config/search.cfg", server.url("/find?q=%s").toLatin1() + "\n");
    });
    TForm2 &main = program.main();
    ui(main).Edit1->setText(QStringLiteral("python asyncio gather"));
    main.Button1Click();
    // The server knows the path only, so the search's page is its "Missing" one.
    EXPECT_TRUE(waitFor([&] { return server.requests().contains("GET /find?q=python%20asyncio%20gather HTTP/1.1"); }))
        << server.requests().join(' ').toStdString();
    EXPECT_EQ(main.HistoryList.last(), "python asyncio gather");

    // An address, even one without a dot, is opened as it is.
    const QString local = QStringLiteral("http://localhost:%1/news").arg(server.port());
    ui(main).Edit1->setText(local);
    main.Button1Click();
    EXPECT_TRUE(waitFor([&] { return program.browser().windowTitle() == QStringLiteral("News [Done]"); }));
    const QList<QByteArray> requests = server.requests();
    EXPECT_EQ(std::count_if(requests.cbegin(), requests.cend(), [](const QByteArray &r) { return r.contains("/find"); }),
              1);
    EXPECT_EQ(main.HistoryList.last(), local.toLatin1());
}

TEST(Suggestions, TheBrowserWindowsBoxesSuggestTooAndEnterGoesOnce)
{
    PageServer server({{"/news", kNews}});
    const QByteArray news = server.url("/news").toLatin1();
    ProgramWindows program(ProgramWindows::Stage::Started, [&](testing_support::TempInstallation &folder) {
        withHistory({news})(folder);
        // The plain toolbar, with its address box ComboBox1.
        QByteArray settings = folder.read("config/Kestrelon.cfg");
        settings[1] = '1';
        folder.write("config/Kestrelon.cfg", settings);
    });
    TForm2 &main = program.main();
    TForm1 &browser = program.browser();
    main.VisaWebbrowsern1Click();
    QLineEdit *box = ui(browser).ComboBox1;
    ASSERT_TRUE(waitFor([&] { return box->isVisible(); }));
    ASSERT_TRUE(typeAndWaitForList(&browser, box, QStringLiteral("news")));
    QTest::keyClick(box, Qt::Key_Down);
    EXPECT_EQ(box->text(), QString::fromLatin1(news));
    pressEnter(box);
    EXPECT_TRUE(waitFor([&] { return browser.windowTitle() == QStringLiteral("News [Done]"); }));
    EXPECT_EQ(main.SessionPages, 1);
    EXPECT_EQ(main.HistoryList.last(), news);
}
