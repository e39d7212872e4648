// Where the page sits under each toolbar, the text pane giving way to the
// page at Go, and opening a history entry.
#include "app_fixture.h"
#include "window_keys_support.h"

#include "pagewindows/find_bar.h"
#include "infowindows/history_window.h"
#include "netfeatures/page_source_window.h"
#include "support/gui/window_parts.h"

#include <QLineEdit>
#include <QListView>
#include <QPlainTextEdit>
#include <QTextBlock>

using app_testing::PageServer;
using app_testing::waitFor;
using namespace window_keys_testing;

namespace {

// The lowest edge of a visible toolbar control (the banner included), or -1.
int lowestVisibleControl(TForm1 &browser)
{
    int lowest = -1;
    for (QWidget *control : browser.findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly)) {
        if (control == ui(browser).WebBrowser1 || control == ui(browser).Memo1 || control == static_cast<QWidget *>(&browser.findBar()))
            continue;
        if (control->isVisibleTo(&browser))
            lowest = qMax(lowest, control->geometry().bottom());
    }
    return lowest;
}

} // namespace

TEST(PageLayout, NoToolbarControlCoversThePageInAnyMode)
{
    PageServer server({{"/news", kNews}});
    struct Case {
        const char *settings;
        int top;
    } cases[] = {{"000", 0}, {"010", 37 + 8}, {"020", 92}};
    for (const Case &c : cases) {
        Session s(c.settings);
        s.browser().show();
        const QSize size = s.browser().size();
        const QPoint plainBox = ui(s.browser()).ComboBox1->pos();
        s.open(server.url("/news"), QStringLiteral("News [Done]"));
        const QRect page = ui(s.browser()).WebBrowser1->geometry();
        EXPECT_EQ(page.top(), c.top) << c.settings;
        EXPECT_GT(page.top(), lowestVisibleControl(s.browser())) << c.settings;
        EXPECT_EQ(page.bottom(), s.browser().height() - 1);
        // The engine's own widget fills the area: the page's first line is
        // below the row.
        const QRect view(s.browser().WebBrowser1().widget()->mapTo(&s.browser(), QPoint(0, 0)),
                         s.browser().WebBrowser1().widget()->size());
        EXPECT_EQ(view, page) << c.settings;
        // Nothing else moved or changed size.
        EXPECT_EQ(s.browser().size(), size);
        EXPECT_EQ(ui(s.browser()).ComboBox1->pos(), plainBox);
    }
}

TEST(PageLayout, StepsOfTheModeMoveThePageWithTheControls)
{
    Session s("010");
    TForm1 &browser = s.browser();
    browser.show();
    ASSERT_EQ(ui(browser).WebBrowser1->y(), 45);
    // The popup "less" from 1 shows the Refresh picture with no banner: the
    // page goes below it.
    QTest::keyClick(ui(s.main()).Edit1, Qt::Key_F1);
    ASSERT_EQ(s.main().InterfaceMode, 0);
    ASSERT_TRUE(ui(browser).Image2->isVisible());
    EXPECT_EQ(ui(browser).WebBrowser1->y(), ui(browser).Image2->geometry().bottom() + 1 + 8);
    QTest::keyClick(ui(s.main()).Edit1, Qt::Key_F2);
    QTest::keyClick(ui(s.main()).Edit1, Qt::Key_F2);
    EXPECT_EQ(ui(browser).WebBrowser1->y(), 92);
    EXPECT_GT(ui(browser).WebBrowser1->y(), lowestVisibleControl(browser));
}

TEST(PageLayout, GoAfterAPageSourceFetchShowsThePage)
{
    PageServer server({{"/news", kNews}, {"/source", "<html><title>Source</title><body>raw</body></html>"}});
    Session s("000");
    TForm7 &source = *s.program.forms().Form7;
    source.show();
    ui(source).Edit1->setText(server.url("/source"));
    source.Button1Click();
    QPlainTextEdit &pane = *ui(s.browser()).Memo1;
    ASSERT_TRUE(pane.isVisible());
    ASSERT_TRUE(pane.toPlainText().contains(QStringLiteral("raw")));
    // The fetched source is what shows; the page steps aside meanwhile.
    EXPECT_FALSE(s.browser().WebBrowser1().widget()->isVisible());
    {
        QWidget *under = s.browser().childAt(ui(s.browser()).WebBrowser1->geometry().center());
        ASSERT_NE(under, nullptr);
        EXPECT_TRUE(pane.isAncestorOf(under)) << under->metaObject()->className();
        EXPECT_TRUE(pane.viewport()->visibleRegion().boundingRect().contains(pane.cursorRect(pane.document()->begin().position() == 0 ? QTextCursor(pane.document()) : QTextCursor(pane.document()))))
            << "the start of the text is scrolled away";
    }

    s.open(server.url("/news"), QStringLiteral("News [Done]"));
    EXPECT_FALSE(pane.isVisible());
    EXPECT_TRUE(s.browser().WebBrowser1().widget()->isVisible());
    EXPECT_TRUE(pane.toPlainText().contains(QStringLiteral("raw")));  // the pane keeps its text
    // The page is what stacks on top in the page area.
    const QPoint middle = ui(s.browser()).WebBrowser1->geometry().center();
    QWidget *under = s.browser().childAt(middle);
    ASSERT_NE(under, nullptr);
    EXPECT_TRUE(s.browser().WebBrowser1().widget()->isAncestorOf(under) || under == s.browser().WebBrowser1().widget())
        << under->metaObject()->className();
    EXPECT_TRUE(s.messages().isEmpty()) << s.messages().join('|').toStdString();
}

TEST(HistoryWindow, DoubleClickOrEnterOnAnEntryOpensItThroughGo)
{
    PageServer server({{"/news", kNews}, {"/sport", kSport}});
    Session s("000");
    s.open(server.url("/news"), QStringLiteral("News [Done]"));
    s.open(server.url("/sport"), QStringLiteral("Sport [Done]"));
    TForm5 &history = *s.program.forms().Form5;
    s.main().History1Click();
    QListView &list = *ui(history).ListBox1;
    const int count = list.model()->rowCount();
    ASSERT_GE(count, 2);
    const QModelIndex news = list.model()->index(count - 2, 0);
    ASSERT_EQ(news.data().toString(), server.url("/news"));
    const qint32 pages = s.main().SessionPages;

    const QRect row = list.visualRect(news);
    // As the window system delivers one: a click, then the second press as
    // a double click.
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, row.center());
    QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, row.center());
    EXPECT_EQ(ui(s.main()).Edit1->text(), server.url("/news"));
    EXPECT_EQ(s.main().SessionPages, pages + 1);
    EXPECT_EQ(s.main().HistoryList.last(), server.url("/news").toLatin1());
    ASSERT_TRUE(s.captionIs(QStringLiteral("News [Done]")));

    list.setCurrentIndex(list.model()->index(count - 1, 0));
    QTest::keyClick(list.viewport(), Qt::Key_Return);
    EXPECT_EQ(s.main().SessionPages, pages + 2);
    EXPECT_TRUE(s.captionIs(QStringLiteral("Sport [Done]")));
    EXPECT_TRUE(s.messages().isEmpty()) << s.messages().join('|').toStdString();
}
