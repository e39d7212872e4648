// Find in page, zoom and print to PDF, driven by real keys on the real
// windows and engine.
#include "app_fixture.h"
#include "window_keys_support.h"

#include "pagewindows/find_bar.h"
#include "pagewindows/page_zoom.h"
#include "bookmarks/bookmarks_window.h"
#include "browser/print_page.h"
#include "platform/site_zoom.h"
#include "support/gui/window_parts.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolTip>
#include <QWebEnginePage>
#include <QWebEngineView>
#include <QWheelEvent>

using app_testing::PageServer;
using app_testing::waitFor;
using namespace window_keys_testing;

namespace {

// Waits for the next result the bar shows.
bool nextResult(FindBar &bar, const std::function<void()> &action)
{
    int seen = 0;
    const auto connection = QObject::connect(&bar, &FindBar::resultShown, [&] { ++seen; });
    action();
    const bool shown = waitFor([&] { return seen > 0; }, 15000);
    QObject::disconnect(connection);
    return shown;
}

// Answers the next save dialog with `path` (or cancels it when empty).
void answerSaveDialog(const QString &path, QString *suggested = nullptr)
{
    auto *timer = new QTimer;
    timer->setInterval(20);
    QObject::connect(timer, &QTimer::timeout, [timer, path, suggested] {
        auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        timer->stop();
        timer->deleteLater();
        if (suggested)
            *suggested = dialog->selectedFiles().value(0);
        if (path.isEmpty()) {
            static_cast<QDialog *>(dialog)->reject();
            return;
        }
        // Typed whole into the name box and Enter, as a user would: selectFile()
        // may change the folder after the dialog has read it.
        auto *name = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
        name->setText(path);
        QTest::keyClick(name, Qt::Key_Return);
    });
    timer->start();
}

} // namespace

TEST(FindInPage, CountsMovesAndColoursWhenNothingMatches)
{
    PageServer server({{"/news", kNews}});
    Session s("010");
    s.open(server.url("/news"), QStringLiteral("News [Done]"));
    FindBar &bar = s.browser().findBar();
    ASSERT_TRUE(bar.isHidden());

    s.pressInPage(Qt::Key_F, Qt::ControlModifier);
    ASSERT_TRUE(waitFor([&] { return bar.isVisible() && QApplication::focusWidget() == bar.textBox(); }, 10000));
    // The bar sits at the bottom; the page area ends above it.
    EXPECT_EQ(bar.geometry().bottom(), s.browser().height() - 1);
    EXPECT_LE(ui(s.browser()).WebBrowser1->geometry().bottom(), bar.geometry().top() - 1);

    ASSERT_TRUE(nextResult(bar, [&] { QTest::keyClicks(bar.textBox(), QStringLiteral("falcon")); }));
    ASSERT_TRUE(waitFor([&] { return bar.matchCount() == 3 && bar.activeMatch() == 1; }))
        << bar.activeMatch() << " of " << bar.matchCount();
    EXPECT_FALSE(bar.showsNoMatch());
    ASSERT_TRUE(nextResult(bar, [&] { QTest::keyClick(bar.textBox(), Qt::Key_Return); }));
    EXPECT_EQ(bar.activeMatch(), 2);
    ASSERT_TRUE(nextResult(bar, [&] { QTest::keyClick(bar.textBox(), Qt::Key_F3); }));
    EXPECT_EQ(bar.activeMatch(), 3);
    ASSERT_TRUE(nextResult(bar, [&] { QTest::keyClick(bar.textBox(), Qt::Key_Return); }));
    EXPECT_EQ(bar.activeMatch(), 1);  // round to the first
    ASSERT_TRUE(nextResult(bar, [&] { QTest::keyClick(bar.textBox(), Qt::Key_Return, Qt::ShiftModifier); }));
    EXPECT_EQ(bar.activeMatch(), 3);
    ASSERT_TRUE(nextResult(bar, [&] { s.pressInPage(Qt::Key_F3, Qt::ShiftModifier); }));
    EXPECT_EQ(bar.activeMatch(), 2);

    // A word that is not there.
    bar.textBox()->clear();
    ASSERT_TRUE(nextResult(bar, [&] { QTest::keyClicks(bar.textBox(), QStringLiteral("osprey")); }));
    ASSERT_TRUE(waitFor([&] { return bar.textBox()->text() == QStringLiteral("osprey") && bar.matchCount() == 0; }));
    EXPECT_TRUE(bar.showsNoMatch());
    EXPECT_NE(bar.textBox()->palette().color(QPalette::Base), bar.palette().color(QPalette::Base));

    // Case: "Kestrel kestrel" has one of each.
    bar.textBox()->clear();
    ASSERT_TRUE(nextResult(bar, [&] { QTest::keyClicks(bar.textBox(), QStringLiteral("kestrel")); }));
    ASSERT_TRUE(waitFor([&] { return bar.textBox()->text() == QStringLiteral("kestrel") && bar.matchCount() == 2; }));
    ASSERT_TRUE(nextResult(bar, [&] { bar.caseToggle()->setChecked(true); }));
    EXPECT_EQ(bar.matchCount(), 1);
    EXPECT_FALSE(bar.showsNoMatch());

    // An empty box searches nothing and says nothing.
    bar.textBox()->selectAll();
    QTest::keyClick(bar.textBox(), Qt::Key_Backspace);
    QTest::keyClick(bar.textBox(), Qt::Key_Return);
    runLoopFor(300);
    EXPECT_EQ(bar.matchCount(), 0);
    EXPECT_FALSE(bar.showsNoMatch());
    EXPECT_TRUE(s.messages().isEmpty()) << s.messages().join('|').toStdString();

    // Escape closes the bar and gives the page its whole area back.
    QTest::keyClick(bar.textBox(), Qt::Key_Escape);
    EXPECT_TRUE(bar.isHidden());
    EXPECT_EQ(ui(s.browser()).WebBrowser1->geometry().bottom(), s.browser().height() - 1);
    // Escape in the bar is the bar's: no Stop, no error.
    EXPECT_EQ(s.browser().windowTitle(), QStringLiteral("News [Done]"));
}

namespace {

// The value of a script expression on the page shown.
QVariant pageValue(Session &s, const QString &script)
{
    QVariant value;
    bool done = false;
    qobject_cast<QWebEngineView *>(s.browser().WebBrowser1().widget())->page()->runJavaScript(script, [&](const QVariant &v) {
        value = v;
        done = true;
    });
    EXPECT_TRUE(waitFor([&] { return done; }));
    return value;
}

} // namespace

TEST(FindInPage, ClosingTheBarLeavesTheViewAtTheLastMatch)
{
    // A link at the top, the word far below it.
    PageServer server({{"/long", "<html><head><title>Long</title></head><body><a href='/x'>top link</a>"
                                 "<div style='height:5000px'></div><p>osprey</p></body></html>"}});
    Session s("010");
    s.open(server.url("/long"), QStringLiteral("Long [Done]"));
    FindBar &bar = s.browser().findBar();
    s.pressInPage(Qt::Key_F, Qt::ControlModifier);
    ASSERT_TRUE(waitFor([&] { return bar.isVisible(); }));
    ASSERT_TRUE(nextResult(bar, [&] { QTest::keyClicks(bar.textBox(), QStringLiteral("osprey")); }));
    ASSERT_TRUE(waitFor([&] { return pageValue(s, QStringLiteral("window.scrollY")).toInt() > 4000; }));

    QTest::keyClick(bar.textBox(), Qt::Key_Escape);
    ASSERT_TRUE(bar.isHidden());
    // The page has the focus back, and nothing on it moved to its first link.
    ASSERT_TRUE(waitFor([&] { return pageValue(s, QStringLiteral("document.hasFocus()")).toBool(); }));
    EXPECT_GT(pageValue(s, QStringLiteral("window.scrollY")).toInt(), 4000);
    EXPECT_NE(pageValue(s, QStringLiteral("document.activeElement.tagName")).toString(), QStringLiteral("A"));
}

TEST(FindInPage, InTheTextPaneSearchesThePaneText)
{
    Session s("000");
    TForm1 &browser = s.browser();
    browser.show();
    QPlainTextEdit &pane = *ui(browser).Memo1;
    pane.setPlainText(QStringLiteral("<p>hawk</p>\n<p>Hawk</p>\n<b>hawk</b>\nhawk"));
    pane.raise();
    pane.show();

    QTest::keyClick(&pane, Qt::Key_F, Qt::ControlModifier);
    FindBar &bar = browser.findBar();
    ASSERT_TRUE(bar.isVisible());
    QTest::keyClicks(bar.textBox(), QStringLiteral("hawk"));
    EXPECT_EQ(bar.matchCount(), 4);
    EXPECT_EQ(bar.activeMatch(), 1);
    EXPECT_EQ(pane.textCursor().selectedText(), QStringLiteral("hawk"));
    EXPECT_EQ(pane.extraSelections().size(), 4);
    QTest::keyClick(bar.textBox(), Qt::Key_Return, Qt::ShiftModifier);
    EXPECT_EQ(bar.activeMatch(), 4);
    QTest::keyClick(&pane, Qt::Key_F3);
    EXPECT_EQ(bar.activeMatch(), 1);
    bar.caseToggle()->setChecked(true);
    QTest::keyClick(bar.textBox(), Qt::Key_Return);
    EXPECT_EQ(bar.matchCount(), 3);
    EXPECT_EQ(bar.activeMatch(), 2);

    QTest::keyClicks(bar.textBox(), QStringLiteral("ish"));
    EXPECT_EQ(bar.matchCount(), 0);
    EXPECT_TRUE(bar.showsNoMatch());
    EXPECT_TRUE(pane.extraSelections().isEmpty());

    QTest::keyClick(bar.textBox(), Qt::Key_Escape);
    EXPECT_TRUE(bar.isHidden());
    EXPECT_TRUE(pane.extraSelections().isEmpty());
    EXPECT_TRUE(pane.isVisible());
    EXPECT_TRUE(s.messages().isEmpty());
}

TEST(PageZoom, StepsStayWithinTheLimits)
{
    using platform::zoomStep;
    EXPECT_EQ(zoomStep(100, 1), 110);
    EXPECT_EQ(zoomStep(100, -1), 90);
    EXPECT_EQ(zoomStep(100, 3), 150);
    EXPECT_EQ(zoomStep(500, 1), 500);
    EXPECT_EQ(zoomStep(25, -1), 25);
    EXPECT_EQ(zoomStep(25, -40), 25);
    EXPECT_EQ(zoomStep(400, 40), 500);
    // Between two levels: the next one in the direction asked.
    EXPECT_EQ(zoomStep(105, 1), 110);
    EXPECT_EQ(zoomStep(105, -1), 100);
}

TEST(PageZoom, StoreKeepsSitesAndSkipsDamagedLines)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("engine/site-zoom.txt"));
    {
        platform::SiteZoom store(path);
        EXPECT_EQ(store.percent(QStringLiteral("example.org")), 100);
        store.setPercent(QStringLiteral("example.org"), 150);
        store.setPercent(QStringLiteral("b.example"), 67);
        store.setPercent(QString(), 200);  // a page without a site: not kept
        store.setPercent(QStringLiteral("b.example"), 100);
    }
    EXPECT_EQ(platform::SiteZoom(path).percent(QStringLiteral("example.org")), 150);
    EXPECT_EQ(platform::SiteZoom(path).percent(QStringLiteral("b.example")), 100);
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::Append));
        file.write("no tab here\nhuge.example\t9000\n\t125\nok.example\t75\nnumber.example\tabc\n");
    }
    platform::SiteZoom damaged(path);
    EXPECT_EQ(damaged.percent(QStringLiteral("example.org")), 150);
    EXPECT_EQ(damaged.percent(QStringLiteral("ok.example")), 75);
    EXPECT_EQ(damaged.percent(QStringLiteral("huge.example")), 100);
    EXPECT_EQ(damaged.percent(QStringLiteral("number.example")), 100);
    EXPECT_EQ(platform::SiteZoom::siteOf(QUrl(QStringLiteral("http://WWW.Example.ORG:8080/a"))),
              QStringLiteral("www.example.org"));
    EXPECT_TRUE(platform::SiteZoom::siteOf(QUrl(QStringLiteral("about:blank"))).isEmpty());

    // A store whose folder is a file: the error, and the level still in memory.
    QFile(dir.filePath(QStringLiteral("blocked"))).open(QIODevice::WriteOnly);
    platform::SiteZoom blocked(dir.filePath(QStringLiteral("blocked/site-zoom.txt")));
    EXPECT_THROW(blocked.setPercent(QStringLiteral("example.org"), 125), EFCreateError);
    EXPECT_EQ(blocked.percent(QStringLiteral("example.org")), 125);
}

TEST(PageZoom, KeysWheelAndCaptionThenRestoredAfterARestart)
{
    PageServer server({{"/news", kNews}, {"/sport", kSport}});
    QByteArray kept;
    {
        Session s("010");
        s.open(server.url("/news"), QStringLiteral("News [Done]"));
        WebEngine &engine = s.browser().WebBrowser1();
        s.pressInPage(Qt::Key_Plus, Qt::ControlModifier);
        ASSERT_TRUE(waitFor([&] { return s.browser().pageZoom().percent() == 110; }, 10000));
        EXPECT_EQ(QToolTip::text(), QStringLiteral("Zoom: 110%"));
        EXPECT_DOUBLE_EQ(engine.zoomFactor(), 1.1);
        QTest::keyClick(ui(s.browser()).ComboBox1, Qt::Key_Equal, Qt::ControlModifier);
        EXPECT_EQ(QToolTip::text(), QStringLiteral("Zoom: 125%"));
        QTest::keyClick(ui(s.main()).Edit1, Qt::Key_Minus, Qt::ControlModifier);
        EXPECT_EQ(s.browser().pageZoom().percent(), 110);
        QTest::keyClick(ui(s.browser()).ComboBox1, Qt::Key_0, Qt::ControlModifier);
        EXPECT_EQ(QToolTip::text(), QStringLiteral("Zoom: 100%"));
        // The caption stays the page's own whatever the level.
        EXPECT_EQ(s.browser().windowTitle(), QStringLiteral("News [Done]"));
        EXPECT_DOUBLE_EQ(engine.zoomFactor(), 1.0);

        // The limits hold.
        for (int i = 0; i < 20; ++i)
            QTest::keyClick(ui(s.browser()).ComboBox1, Qt::Key_Minus, Qt::ControlModifier);
        EXPECT_EQ(s.browser().pageZoom().percent(), 25);
        EXPECT_DOUBLE_EQ(engine.zoomFactor(), 0.25);
        for (int i = 0; i < 20; ++i)
            QTest::keyClick(ui(s.browser()).ComboBox1, Qt::Key_Plus, Qt::ControlModifier | Qt::KeypadModifier);
        EXPECT_EQ(s.browser().pageZoom().percent(), 500);
        EXPECT_EQ(QToolTip::text(), QStringLiteral("Zoom: 500%"));
        QTest::keyClick(ui(s.browser()).ComboBox1, Qt::Key_0, Qt::ControlModifier);

        // Ctrl + wheel over the page: a notch is a step.
        QWidget *page = s.page();
        const QPointF at(20, 20);
        QWheelEvent up(at, page->mapToGlobal(at), {}, QPoint(0, 120), Qt::NoButton, Qt::ControlModifier,
                       Qt::NoScrollPhase, false);
        QApplication::sendEvent(page, &up);
        QApplication::sendEvent(page, &up);
        EXPECT_EQ(s.browser().pageZoom().percent(), 125);
        EXPECT_EQ(QToolTip::text(), QStringLiteral("Zoom: 125%"));

        // Another site has its own level; coming back restores this one.
        s.open(server.url("/sport").replace(QStringLiteral("127.0.0.1"), QStringLiteral("localhost")),
               QStringLiteral("Sport [Done]"));
        EXPECT_EQ(s.browser().pageZoom().percent(), 100);
        s.open(server.url("/news"), QStringLiteral("News [Done]"));
        EXPECT_DOUBLE_EQ(engine.zoomFactor(), 1.25);
        kept = s.program.folder().read("engine/site-zoom.txt");
        EXPECT_EQ(kept, QByteArray("127.0.0.1\t125\n"));
        EXPECT_TRUE(s.messages().isEmpty()) << s.messages().join('|').toStdString();
    }
    // The next run, in an installation that holds what the last one kept.
    app_testing::ProgramWindows again(app_testing::ProgramWindows::Deferred{});
    again.folder().write("engine/site-zoom.txt", kept);
    again.create();
    again.start();
    ui(again.main()).Edit1->setText(server.url("/news"));
    again.main().Button1Click();
    ASSERT_TRUE(waitFor([&] { return again.browser().windowTitle() == QStringLiteral("News [Done]"); }))
        << again.browser().windowTitle().toStdString();
    EXPECT_DOUBLE_EQ(again.browser().WebBrowser1().zoomFactor(), 1.25);
}

TEST(PageZoom, ALevelChosenWhileTheBookmarksWindowIsShownIsKeptInTheInstallation)
{
    PageServer server({{"/news", kNews}});
    Session s("010");
    testing_support::TempInstallation &folder = s.program.folder();
    folder.write("config/intallpath.cfg", folder.path().toLocal8Bit());
    ASSERT_TRUE(QDir().mkpath(folder.file("Bookmarks")));
    s.open(server.url("/news"), QStringLiteral("News [Done]"));
    // Showing the bookmarks window makes its folder the current one.
    s.program.forms().Form9->show();
    ASSERT_EQ(QFileInfo(QDir::currentPath()).canonicalFilePath(), QFileInfo(folder.file("Bookmarks")).canonicalFilePath());

    s.pressInPage(Qt::Key_Plus, Qt::ControlModifier);
    ASSERT_TRUE(waitFor([&] { return s.browser().pageZoom().percent() == 110; }, 10000));
    EXPECT_FALSE(QFileInfo::exists(folder.file("Bookmarks/engine")));
    EXPECT_EQ(folder.read("engine/site-zoom.txt"), QByteArray("127.0.0.1\t110\n"));
    EXPECT_TRUE(s.messages().isEmpty()) << s.messages().join('|').toStdString();
}

TEST(PrintToPdf, CtrlPWritesThePdfWhereTheDialogSays)
{
    PageServer server({{"/news", kNews}});
    QTemporaryDir downloads;
    qputenv("XDG_DOWNLOAD_DIR", downloads.path().toLocal8Bit());
    Session s("000");
    s.open(server.url("/news"), QStringLiteral("News [Done]"));

    const QString target = downloads.filePath(QStringLiteral("saved news.pdf"));
    QString suggested;
    answerSaveDialog(target, &suggested);
    s.pressInPage(Qt::Key_P, Qt::ControlModifier);
    ASSERT_TRUE(waitFor([&] { return !s.messages().isEmpty(); }, 60000));
    EXPECT_EQ(suggested, downloads.filePath(QStringLiteral("News.pdf")));
    EXPECT_EQ(s.messages(), QStringList{QStringLiteral("The page was saved as PDF to: ") + target});
    QFile pdf(target);
    ASSERT_TRUE(pdf.open(QIODevice::ReadOnly));
    EXPECT_TRUE(pdf.read(5).startsWith("%PDF")) << "not a PDF";

    // Cancelled: nothing written, nothing said.
    s.messages().clear();
    answerSaveDialog(QString());
    QTest::keyClick(ui(s.main()).Edit1, Qt::Key_P, Qt::ControlModifier);
    runLoopFor(300);
    EXPECT_TRUE(s.messages().isEmpty());
    EXPECT_EQ(QDir(downloads.path()).entryList(QDir::Files).size(), 1);
    qunsetenv("XDG_DOWNLOAD_DIR");
}

// Past the dialog (which has its own say over names in folders that are
// not there): the folder chosen cannot take the file.
TEST(PrintToPdf, AFolderThatCannotTakeTheFileGetsTheErrorAndNoFile)
{
    PageServer server({{"/news", kNews}});
    QTemporaryDir scratch;
    Session s("000");
    s.open(server.url("/news"), QStringLiteral("News [Done]"));
    // A "folder" that is a file, and one that does not exist.
    QFile(scratch.filePath(QStringLiteral("plain"))).open(QIODevice::WriteOnly);
    for (const QString &target : {scratch.filePath(QStringLiteral("plain/x.pdf")),
                                  scratch.filePath(QStringLiteral("missing/x.pdf"))}) {
        s.messages().clear();
        toolkit::guarded([&] { printpage::savePdf(s.browser(), target); });
        runLoopFor(300);
        ASSERT_EQ(s.messages().size(), 1);
        EXPECT_TRUE(s.messages().at(0).endsWith(QStringLiteral("Exception = Cannot create file ") + target))
            << s.messages().at(0).toStdString();
        EXPECT_FALSE(QFile::exists(target));
    }
}

TEST(PrintToPdf, FileNameFromTheTitle)
{
    EXPECT_EQ(printpage::defaultFileName(QStringLiteral("News")), QStringLiteral("News.pdf"));
    EXPECT_EQ(printpage::defaultFileName(QStringLiteral(" a/b:c*d?\"<>|e ")), QStringLiteral("a_b_c_d_____e.pdf"));
    EXPECT_EQ(printpage::defaultFileName(QString()), QStringLiteral("page.pdf"));
    EXPECT_EQ(printpage::defaultFileName(QStringLiteral("..")), QStringLiteral("page.pdf"));
    EXPECT_EQ(printpage::defaultFileName(QString(300, QLatin1Char('x'))).size(), 120 + 4);
}
