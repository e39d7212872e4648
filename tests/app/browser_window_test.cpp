// The browser window's handlers driven with exact values: the progress
// caption, the marker, the layout on resize, the pictures and the close.
#include "app_fixture.h"

#include "toolkit/widgets/gauge.h"
#include "support/gui/window_parts.h"

#include <QFile>
#include <QLineEdit>

using app_testing::ProgramWindows;

namespace {

QString captionAfter(TForm1 &browser, int progress, int progressMax)
{
    browser.WebBrowser1ProgressChange(progress, progressMax);
    return browser.windowTitle();
}

} // namespace

TEST(BrowserWindow, ProgressCaptionBeforeAndAfterAPageCompleted)
{
    ProgramWindows program;
    TForm1 &browser = program.browser();
    EXPECT_EQ(browser.windowTitle(), QStringLiteral("Wait..."));
    EXPECT_EQ(captionAfter(browser, 3, 10), QStringLiteral(" 3/10 (30%)"));
    EXPECT_EQ(captionAfter(browser, 0, 0), QStringLiteral(" [Done]"));

    browser.PageTitle = "News";
    EXPECT_EQ(captionAfter(browser, 0, 0), QStringLiteral("News [Done]"));
    EXPECT_EQ(captionAfter(browser, 2, 3), QStringLiteral("News 2/3 (66%)"));
    EXPECT_EQ(captionAfter(browser, -1, 100), QStringLiteral("News -1/100 (0%)"));
    EXPECT_EQ(ui(program.main()).Gauge1->Progress(), 0);
    // Above the maximum: the raw numbers, and the clamped percent.
    EXPECT_EQ(captionAfter(browser, 150, 100), QStringLiteral("News 150/100 (100%)"));
    EXPECT_EQ(ui(program.main()).Image3->x(), 405);
    // A position of 0 with a maximum is no completion.
    EXPECT_EQ(captionAfter(browser, 0, 100), QStringLiteral("News 0/100 (0%)"));
    // Titles from the engine are single-byte text: 'é' survives, others are '?'.
    browser.PageTitle = "Caf\xe9";
    EXPECT_EQ(captionAfter(browser, 0, 0), QStringLiteral("Caf\u00e9 [Done]"));
}

TEST(BrowserWindow, NegativeMaximumIsRefusedAndTheRestOfTheHandlerSkipped)
{
    ProgramWindows program;
    TForm1 &browser = program.browser();
    browser.PageTitle = "News";
    browser.WebBrowser1ProgressChange(50, 200);
    EXPECT_EQ(ui(program.main()).Image3->x(), 105);
    const QString before = browser.windowTitle();

    toolkit::guarded([&] { browser.WebBrowser1ProgressChange(5, -1); });
    ASSERT_EQ(program.messages().size(), 1);
    EXPECT_TRUE(program.messages().at(0).endsWith(QStringLiteral("Exception = Value must be between 1 and 2147483647")))
        << program.messages().at(0).toStdString();
    EXPECT_EQ(browser.windowTitle(), before);
    EXPECT_EQ(ui(program.main()).Image3->x(), 105);
}

TEST(BrowserWindow, MarkerFollowsTheGaugePercent)
{
    ProgramWindows program;
    TForm1 &browser = program.browser();
    const int y = ui(program.main()).Image3->y();
    browser.WebBrowser1ProgressChange(50, 200);
    EXPECT_EQ(ui(program.main()).Image3->pos(), QPoint(105, y));
    browser.WebBrowser1ProgressChange(100, 100);
    EXPECT_EQ(ui(program.main()).Image3->x(), 405);
    browser.WebBrowser1ProgressChange(0, 0);
    EXPECT_EQ(ui(program.main()).Image3->x(), 5);
}

TEST(BrowserWindow, ResizeKeepsThePlainSetCentred)
{
    ProgramWindows program;
    TForm1 &browser = program.browser();
    browser.show();
    for (int width : {788, 789}) {
        browser.resize(width, 439);
        EXPECT_EQ(ui(browser).Button1->x(), 115) << width;
        EXPECT_EQ(ui(browser).Button3->x(), 201);
        EXPECT_EQ(ui(browser).Button2->x(), 287);
        EXPECT_EQ(ui(browser).ComboBox1->x(), 432);
        EXPECT_EQ(ui(browser).Button4->x(), 662);
    }
    // Tops, sizes and the skinned set stay.
    EXPECT_EQ(ui(browser).Button1->geometry(), QRect(115, 16, 75, 21));
    EXPECT_EQ(ui(browser).ComboBox1->geometry(), QRect(432, 16, 217, 21));
    EXPECT_EQ(ui(browser).rew->geometry(), QRect(24, 30, 85, 25));
    EXPECT_EQ(ui(browser).ComboBox2->geometry(), QRect(440, 32, 313, 21));
    // Narrow windows give negative edges, not clamps.
    browser.resize(300, 200);
    EXPECT_EQ(ui(browser).Button1->x(), 150 - 279);
}

TEST(BrowserWindow, PageAreaStartsBelowTheBannerOnlyWhileItShows)
{
    ProgramWindows program;
    program.start();
    TForm1 &browser = program.browser();
    browser.resize(788, 439);
    ui(browser).Image1->show();
    EXPECT_EQ(ui(browser).WebBrowser1->geometry(), QRect(0, 92, 788, 439 - 92));
    EXPECT_EQ(ui(browser).Image1->geometry(), QRect(0, 0, 788, 92));
    ui(browser).Image1->hide();
    // Without the banner the page starts below whatever toolbar control
    // still shows, and at the top when none does.
    for (QWidget *control : {static_cast<QWidget *>(ui(browser).rew), static_cast<QWidget *>(ui(browser).stop),
                             static_cast<QWidget *>(ui(browser).forw), static_cast<QWidget *>(ui(browser).Image2),
                             static_cast<QWidget *>(ui(browser).ComboBox2), static_cast<QWidget *>(ui(browser).Button1),
                             static_cast<QWidget *>(ui(browser).Button3), static_cast<QWidget *>(ui(browser).Button2),
                             static_cast<QWidget *>(ui(browser).ComboBox1), static_cast<QWidget *>(ui(browser).Button4)})
        control->hide();
    EXPECT_EQ(ui(browser).WebBrowser1->geometry(), QRect(0, 0, 788, 439));
    EXPECT_EQ(ui(browser).Memo1->geometry(), ui(browser).WebBrowser1->geometry());
    ui(browser).Image2->show();
    EXPECT_EQ(ui(browser).WebBrowser1->y(), ui(browser).Image2->geometry().bottom() + 1 + 8);
}

TEST(BrowserWindow, PicturesArePressedWhileTheLeftButtonIsHeldAndReadAnewEachTime)
{
    ProgramWindows program;
    program.start();
    TForm1 &browser = program.browser();
    browser.show();
    TPictureButton *rew = ui(browser).rew;

    QTest::mousePress(rew, Qt::RightButton, {}, QPoint(5, 5));
    EXPECT_FALSE(rew->showsPressedLook());
    QTest::mouseRelease(rew, Qt::RightButton, {}, QPoint(5, 5));
    EXPECT_FALSE(rew->showsPressedLook());

    // A pressed bitmap replaced on disk between two presses shows the new one.
    QTest::mousePress(rew, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_TRUE(rew->showsPressedLook());
    const QImage first = rew->pixmap().toImage();
    QTest::mouseRelease(rew, Qt::LeftButton, {}, QPoint(500, 500));  // released outside: no click
    EXPECT_FALSE(rew->showsPressedLook());
    EXPECT_TRUE(program.messages().isEmpty());

    program.folder().write("imgs/rew-but-active.bmp", program.folder().read("imgs/f-but-active.bmp"));
    QTest::mousePress(rew, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_NE(rew->pixmap().toImage(), first);

    // A missing normal bitmap: the toolkit's error, and the pressed look stays.
    QFile::remove(program.folder().file("imgs/rew-but.bmp"));
    QTest::mouseRelease(rew, Qt::LeftButton, {}, QPoint(500, 500));
    ASSERT_EQ(program.messages().size(), 1);
    EXPECT_TRUE(program.messages().at(0).contains(QStringLiteral("Exception = Cannot open file")));
    EXPECT_TRUE(rew->showsPressedLook());
}

TEST(BrowserWindow, ShowLoadsTheSkinAndStopsAtACorruptBitmap)
{
    ProgramWindows program;
    TForm1 &browser = program.browser();
    program.folder().write("imgs/f-but.bmp", "BM not really a bitmap");
    browser.show();
    ASSERT_EQ(program.messages().size(), 1);
    EXPECT_TRUE(program.messages().at(0).endsWith(QStringLiteral("Exception = Bitmap image is not valid")))
        << program.messages().at(0).toStdString();
    // Banner and Back came before the failure; Stop and Refresh after it.
    EXPECT_FALSE(ui(browser).Image1->pixmap().isNull());
    EXPECT_FALSE(ui(browser).rew->pixmap().isNull());
    EXPECT_TRUE(ui(browser).stop->pixmap().isNull());
    EXPECT_TRUE(ui(browser).Image2->pixmap().isNull());
}

TEST(BrowserWindow, CloseHidesTheTextPaneAndTheWindowOnly)
{
    ProgramWindows program;
    program.start();
    TForm1 &browser = program.browser();
    browser.show();
    ui(browser).Memo1->show();
    ui(browser).Memo1->raise();
    browser.close();
    EXPECT_FALSE(browser.isVisible());
    EXPECT_TRUE(program.main().isVisible());
    browser.show();
    EXPECT_FALSE(ui(browser).Memo1->isVisible());
}

TEST(BrowserWindow, ToolbarButtonsRunTheMainWindowsCommands)
{
    ProgramWindows program;
    program.start();
    TForm1 &browser = program.browser();
    browser.show();
    ui(browser).Button1->setVisible(true);
    // "<<" and ">>" with nowhere to go reach the error handler's short box.
    QTest::mouseClick(ui(browser).Button1, Qt::LeftButton);
    ui(browser).Button2->setVisible(true);
    QTest::mouseClick(ui(browser).Button2, Qt::LeftButton);
    QTest::mouseClick(ui(browser).forw, Qt::LeftButton, {}, QPoint(3, 3));
    EXPECT_EQ(program.messages(), QStringList(3, QStringLiteral("No webpage to go to!")));
    // Stop and Refresh with no page are quiet.
    QTest::mouseClick(ui(browser).stop, Qt::LeftButton, {}, QPoint(3, 3));
    QTest::mouseClick(ui(browser).Image2, Qt::LeftButton, {}, QPoint(3, 3));
    EXPECT_EQ(program.messages().size(), 3);
}
