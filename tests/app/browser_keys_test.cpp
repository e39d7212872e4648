// The browser keys with real key events, on the real windows and engine:
// in the page (keys the page declined), the address boxes, the text pane
// and the main window.
#include "app_fixture.h"
#include "window_keys_support.h"

#include "app/program_keys.h"
#include "pagewindows/page_zoom.h"
#include "support/gui/window_parts.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTcpServer>

using app_testing::PageServer;
using app_testing::ProgramWindows;
using app_testing::waitFor;
using namespace window_keys_testing;

TEST(BrowserKeys, TableMatchesKeysAsTyped)
{
    using programkeys::Command;
    using programkeys::Scope;
    const auto command = [](int key, Qt::KeyboardModifiers mods, Scope scope) -> int {
        const QKeyEvent event(QEvent::KeyPress, key, mods);
        const programkeys::Binding *binding = programkeys::find(event, scope);
        return binding ? int(binding->command) : -1;
    };
    // Keypad plus and a shifted plus zoom as plus does; "=" too.
    EXPECT_EQ(command(Qt::Key_Plus, Qt::ControlModifier | Qt::KeypadModifier, Scope::Anywhere), int(Command::ZoomIn));
    EXPECT_EQ(command(Qt::Key_Plus, Qt::ControlModifier | Qt::ShiftModifier, Scope::Anywhere), int(Command::ZoomIn));
    EXPECT_EQ(command(Qt::Key_Equal, Qt::ControlModifier, Scope::Anywhere), int(Command::ZoomIn));
    EXPECT_EQ(command(Qt::Key_Minus, Qt::ControlModifier | Qt::KeypadModifier, Scope::Anywhere), int(Command::ZoomOut));
    // Backspace goes back only from the page; in a text field it edits.
    EXPECT_EQ(command(Qt::Key_Backspace, {}, Scope::PageOnly), int(Command::Back));
    EXPECT_EQ(command(Qt::Key_Backspace, {}, Scope::Anywhere), -1);
    // Another modifier makes another key; F1 and F2 route apart.
    EXPECT_EQ(command(Qt::Key_F5, Qt::ShiftModifier, Scope::Anywhere), -1);
    EXPECT_EQ(command(Qt::Key_L, Qt::AltModifier, Scope::Anywhere), -1);
    EXPECT_EQ(command(Qt::Key_F1, {}, Scope::PageOnly), -1);
    EXPECT_EQ(command(Qt::Key_F2, {}, Scope::PageOnly), -1);
    EXPECT_EQ(command(Qt::Key_F3, Qt::ShiftModifier, Scope::PageOnly), int(Command::FindPrevious));
}

TEST(BrowserKeys, BackAndForwardWithNowhereToGoGiveTheButtonsBox)
{
    PageServer server({{"/news", kNews}});
    Session s("000");
    s.open(server.url("/news"), QStringLiteral("News [Done]"));
    const qint32 pages = s.main().SessionPages;

    // The Back button's own box first, for comparison.
    QTest::mouseClick(ui(s.main()).Button2, Qt::LeftButton);
    ASSERT_EQ(s.messages(), QStringList{QStringLiteral("No webpage to go to!")});
    s.messages().clear();

    s.pressInPage(Qt::Key_Left, Qt::AltModifier);
    ASSERT_TRUE(waitFor([&] { return s.messages().size() == 1; }, 10000));
    EXPECT_EQ(s.messages(), QStringList{QStringLiteral("No webpage to go to!")});
    s.pressInPage(Qt::Key_Right, Qt::AltModifier);
    ASSERT_TRUE(waitFor([&] { return s.messages().size() == 2; }, 10000));
    s.pressInPage(Qt::Key_Backspace);
    ASSERT_TRUE(waitFor([&] { return s.messages().size() == 3; }, 10000));
    // From the main window's address box as well.
    QTest::keyClick(ui(s.main()).Edit1, Qt::Key_Left, Qt::AltModifier);
    EXPECT_EQ(s.messages().size(), 4);
    EXPECT_EQ(s.messages().count(QStringLiteral("No webpage to go to!")), 4);
    EXPECT_EQ(s.main().SessionPages, pages);
}

TEST(BrowserKeys, BackForwardAndBackspaceMoveThroughThePages)
{
    PageServer server({{"/news", kNews},
                       {"/sport", kSport},
                       {"/form", "<html><head><title>Form</title></head><body style='margin:0'>"
                                 "<input style='position:absolute;left:0;top:0;width:200px;height:30px' value='abc' "
                                 "oninput='location.hash=this.value'></body></html>"}});
    Session s("020");
    s.open(server.url("/news"), QStringLiteral("News [Done]"));
    s.open(server.url("/sport"), QStringLiteral("Sport [Done]"));
    const int history = s.main().HistoryList.size();

    s.pressInPage(Qt::Key_Left, Qt::AltModifier);
    ASSERT_TRUE(s.captionIs(QStringLiteral("News [Done]")));
    QTest::keyClick(ui(s.browser()).ComboBox2, Qt::Key_Right, Qt::AltModifier);
    ASSERT_TRUE(s.captionIs(QStringLiteral("Sport [Done]")));
    s.pressInPage(Qt::Key_Backspace);
    ASSERT_TRUE(s.captionIs(QStringLiteral("News [Done]")));

    // In an address box Backspace only edits the text.
    QLineEdit *box = ui(s.browser()).ComboBox2;
    box->setText(QStringLiteral("abc"));
    box->setCursorPosition(3);
    QTest::keyClick(box, Qt::Key_Backspace);
    EXPECT_EQ(box->text(), QStringLiteral("ab"));
    runLoopFor(300);
    EXPECT_EQ(s.browser().windowTitle(), QStringLiteral("News [Done]"));
    EXPECT_EQ(s.main().HistoryList.size(), history);

    // In a text field of the page Backspace edits the field. The field
    // shows its text in the address, so the edit can be seen from here.
    s.open(server.url("/form"), QStringLiteral("Form [Done]"));
    QTest::mouseClick(s.page(), Qt::LeftButton, {}, QPoint(190, 15));
    // The engine tells when a text field has the focus (the click arrives
    // there later).
    ASSERT_TRUE(waitFor([&] { return s.page()->inputMethodQuery(Qt::ImEnabled).toBool(); }));
    s.pressInPage(Qt::Key_Backspace);
    ASSERT_TRUE(waitFor([&] { return s.browser().WebBrowser1().LocationURL().endsWith("#ab"); }))
        << s.browser().WebBrowser1().LocationURL().toStdString();
    runLoopFor(300);
    EXPECT_TRUE(s.browser().WebBrowser1().LocationURL().endsWith("#ab"));
    EXPECT_TRUE(s.captionIs(QStringLiteral("Form [Done]")));

    EXPECT_TRUE(s.messages().isEmpty()) << s.messages().join('|').toStdString();
}

TEST(BrowserKeys, F5AndCtrlRReloadFromPagePaneAndMainWindow)
{
    PageServer server({{"/news", kNews}});
    Session s("010");
    s.open(server.url("/news"), QStringLiteral("News [Done]"));
    const auto loads = [&] { return server.requests().count("GET /news HTTP/1.1"); };
    const qsizetype first = loads();
    ASSERT_GE(first, 1);

    s.pressInPage(Qt::Key_F5);
    ASSERT_TRUE(waitFor([&] { return loads() == first + 1; })) << loads();
    ASSERT_TRUE(s.captionIs(QStringLiteral("News [Done]")));
    QTest::keyClick(ui(s.browser()).ComboBox1, Qt::Key_R, Qt::ControlModifier);
    ASSERT_TRUE(waitFor([&] { return loads() == first + 2; }));
    ASSERT_TRUE(s.captionIs(QStringLiteral("News [Done]")));
    QTest::keyClick(ui(s.main()).Edit1, Qt::Key_F5);
    ASSERT_TRUE(waitFor([&] { return loads() == first + 3; }));
    ASSERT_TRUE(s.captionIs(QStringLiteral("News [Done]")));
    // A reload is no visit.
    EXPECT_EQ(s.main().SessionPages, 1);
}

TEST(BrowserKeys, EscapeStopsAPageThatIsLoading)
{
    PageServer server({{"/news", kNews}});
    // A server that takes the connection and never answers.
    QTcpServer stalled;
    ASSERT_TRUE(stalled.listen(QHostAddress::LocalHost, 0));
    Session s("000");
    s.open(server.url("/news"), QStringLiteral("News [Done]"));

    ui(s.main()).Edit1->setText(QStringLiteral("http://127.0.0.1:%1/slow").arg(stalled.serverPort()));
    s.main().Button1Click();
    ASSERT_TRUE(waitFor([&] { return stalled.hasPendingConnections() || stalled.waitForNewConnection(10); }));
    ASSERT_TRUE(waitFor([&] { return s.browser().windowTitle().contains(QLatin1Char('/')); }));
    runLoopFor(200);
    ASSERT_FALSE(s.browser().windowTitle().endsWith(QStringLiteral("[Done]")));

    s.pressInPage(Qt::Key_Escape);
    EXPECT_TRUE(s.captionIs(QStringLiteral("News [Done]"))) << s.browser().windowTitle().toStdString();
    EXPECT_TRUE(s.messages().isEmpty()) << s.messages().join('|').toStdString();
}

TEST(BrowserKeys, CtrlLAndF6FocusTheAddressBoxTheUserSees)
{
    PageServer server({{"/news", kNews}});
    {
        // No toolbar: the main window's box, brought forward.
        Session s("000");
        s.open(server.url("/news"), QStringLiteral("News [Done]"));
        s.pressInPage(Qt::Key_L, Qt::ControlModifier);
        QLineEdit *edit = ui(s.main()).Edit1;
        ASSERT_TRUE(waitFor([&] { return QApplication::focusWidget() == edit; }, 10000));
        EXPECT_EQ(edit->selectedText(), edit->text());
        EXPECT_FALSE(edit->text().isEmpty());
    }
    for (const char *settings : {"010", "020"}) {
        Session s(settings);
        s.open(server.url("/news"), QStringLiteral("News [Done]"));
        QLineEdit *box = QByteArray(settings) == "010" ? ui(s.browser()).ComboBox1 : ui(s.browser()).ComboBox2;
        box->setText(QStringLiteral("typed"));
        s.page()->setFocus();
        ASSERT_NE(QApplication::focusWidget(), box);
        s.pressInPage(Qt::Key_F6);
        ASSERT_TRUE(waitFor([&] { return QApplication::focusWidget() == box && box->selectedText() == "typed"; }, 10000))
            << settings;
        // From the main window too.
        QTest::keyClick(ui(s.main()).Edit1, Qt::Key_L, Qt::ControlModifier);
        EXPECT_EQ(QApplication::focusWidget(), box);
    }
}

TEST(BrowserKeys, CtrlDSavesABookmarkInEveryMode)
{
    PageServer server({{"/news", kNews}});
    for (const char *settings : {"000", "010", "020"}) {
        Session s(settings);
        s.open(server.url("/news"), QStringLiteral("News [Done]"));
        s.pressInPage(Qt::Key_D, Qt::ControlModifier);
        ASSERT_TRUE(waitFor([&] { return !s.messages().isEmpty(); }, 10000)) << settings;
        EXPECT_EQ(s.messages(), QStringList{QStringLiteral("Bookmark saved!")});
        EXPECT_EQ(s.program.folder().read("Bookmarks/News.bkm"), server.url("/news").toLatin1());
        // The main window's address box saves the same page.
        QTest::keyClick(ui(s.main()).Edit1, Qt::Key_D, Qt::ControlModifier);
        EXPECT_EQ(s.messages().size(), 2);
    }
}

TEST(BrowserKeys, NothingHappensWhileAModalBoxIsOpen)
{
    PageServer server({{"/news", kNews}});
    Session s("010");
    s.open(server.url("/news"), QStringLiteral("News [Done]"));
    const qsizetype loads = server.requests().size();

    QDialog box(&s.main());
    box.setWindowModality(Qt::ApplicationModal);
    box.show();
    ASSERT_TRUE(waitFor([&] { return QApplication::activeModalWidget() == &box; }));
    QTest::keyClick(ui(s.browser()).ComboBox1, Qt::Key_F5);
    QTest::keyClick(ui(s.browser()).ComboBox1, Qt::Key_D, Qt::ControlModifier);
    QTest::keyClick(ui(s.main()).Edit1, Qt::Key_Left, Qt::AltModifier);
    QTest::keyClick(ui(s.main()).Edit1, Qt::Key_Plus, Qt::ControlModifier);
    runLoopFor(300);
    EXPECT_EQ(server.requests().size(), loads);
    EXPECT_TRUE(s.messages().isEmpty()) << s.messages().join('|').toStdString();
    EXPECT_EQ(s.browser().pageZoom().percent(), 100);

    box.close();
    QTest::keyClick(ui(s.browser()).ComboBox1, Qt::Key_D, Qt::ControlModifier);
    EXPECT_EQ(s.messages(), QStringList{QStringLiteral("Bookmark saved!")});
}
