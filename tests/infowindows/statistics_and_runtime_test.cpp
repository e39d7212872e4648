#include "info_fixture.h"

#include "app/development_window.h"
#include "browser/browser_window.h"
#include "infowindows/runtime_window.h"
#include "infowindows/statistics_window.h"
#include "infowindows/studio_picture_window.h"
#include "support/gui/window_parts.h"

#include <QPlainTextEdit>
#include <QPushButton>
#include <QTime>
#include <QTimer>

using namespace info_testing;

namespace {

class StatisticsWindow : public InfoWindowsTest {
protected:
    TForm3 &statistics() { return *forms().Form3; }
};

class RuntimeWindow : public InfoWindowsTest {
protected:
    void SetUp() override { start(); }

    TForm4 &runtime() { return *forms().Form4; }
    QString caption() { return ui(runtime()).Button1->text(); }
    void setPane(const QString &text) { ui(*forms().Form1).Memo1->setPlainText(text); }
    // Shows the window afresh, as the "Time" command does after a close.
    void showAgain()
    {
        runtime().close();
        main().Nuvarandesurftid1Click();
        ASSERT_TRUE(runtime().isVisible());
    }
    bool pictureShown() { return forms().Form10->isVisible(); }
    bool developmentShown() { return forms().Form11->isVisible(); }
};

} // namespace

TEST_F(StatisticsWindow, ShowsThisRunsAndAllRunsPagesAsTakenByTheCommand)
{
    folder().write("config/stat.cfg", counterBytes(7));
    start();
    EXPECT_EQ(ui(statistics()).AntalLabel->text(), "AntalLabel");
    EXPECT_EQ(ui(statistics()).TotLabel->text(), "TotLabel");

    go(pages.url("/1"));
    go(pages.url("/2"));
    go(pages.url("/3"));
    main().Webbsidorbeskta1Click();
    ASSERT_TRUE(statistics().isVisible());
    EXPECT_EQ(ui(statistics()).AntalLabel->text(), "3");
    EXPECT_EQ(ui(statistics()).TotLabel->text(), "10");

    // A snapshot: a later visit changes nothing until the command again.
    go(pages.url("/4"));
    EXPECT_EQ(ui(statistics()).AntalLabel->text(), "3");
    main().Webbsidorbeskta1Click();
    EXPECT_EQ(ui(statistics()).AntalLabel->text(), "4");
    EXPECT_EQ(ui(statistics()).TotLabel->text(), "11");

    clickOn(ui(statistics()).Button2);
    EXPECT_FALSE(statistics().isVisible());
    EXPECT_TRUE(main().isVisible());

    ASSERT_TRUE(main().requestClose());
    EXPECT_EQ(folder().read("config/stat.cfg"), counterBytes(11));
}

TEST_F(RuntimeWindow, ShowsTheDesignTextsUntilTheFirstTickThenTheClockShownOrNot)
{
    // The ticks come from the test alone: on a slow machine the clock's own
    // first tick could come while the window is being shown.
    main().Timer1->stop();
    main().Nuvarandesurftid1Click();
    EXPECT_EQ(ui(runtime()).tidlabel->text(), "100 tim. 59 min.59 sec.");
    EXPECT_EQ(ui(runtime()).Label3->text(), "");
    EXPECT_EQ(caption(), "Close");

    runtime().close();
    for (int i = 0; i < 59; ++i)
        main().Timer1Timer();
    EXPECT_EQ(ui(runtime()).tidlabel->text(), "0 tim. 0 min. 59 sec.");
    EXPECT_FALSE(ui(runtime()).Label3->text().isEmpty());
    // The time of day reads back as a time.
    EXPECT_TRUE(QTime::fromString(ui(runtime()).Label3->text(), QLocale().timeFormat(QLocale::LongFormat)).isValid() ||
                QTime::fromString(ui(runtime()).Label3->text(), Qt::TextDate).isValid())
        << ui(runtime()).Label3->text().toStdString();

    // A three-digit hour still fits its label.
    main().RunHours = 99;
    main().RunMinutes = 59;
    main().RunSeconds = 59;
    main().Timer1Timer();
    EXPECT_EQ(ui(runtime()).tidlabel->text(), "100 tim. 0 min. 0 sec.");
    EXPECT_GE(ui(runtime()).tidlabel->width(), ui(runtime()).tidlabel->sizeHint().width());
}

TEST_F(RuntimeWindow, PictureTriggerSetsTheCaptionAndTheButtonOpensThePictureWindow)
{
    setPane("Karvell");
    main().Nuvarandesurftid1Click();
    EXPECT_EQ(caption(), ":o]");

    clickOn(ui(runtime()).Button1);
    EXPECT_FALSE(runtime().isVisible());
    EXPECT_TRUE(pictureShown());
    EXPECT_FALSE(developmentShown());
}

TEST_F(RuntimeWindow, DevelopmentTriggerSetsTheCaptionAndTheButtonOpensTheDevelopmentWindow)
{
    setPane("tovander is typing");
    main().Nuvarandesurftid1Click();
    EXPECT_EQ(caption(), "Open form11");

    clickOn(ui(runtime()).Button1);
    EXPECT_FALSE(runtime().isVisible());
    EXPECT_TRUE(developmentShown());
    EXPECT_FALSE(pictureShown());
}

TEST_F(RuntimeWindow, OnlyTheWholeExactTextTriggers)
{
    for (const QString &text : {QStringLiteral("Karvell\n"), QStringLiteral(" Karvell"), QStringLiteral("karvell"),
                                QStringLiteral("tovander is typing\n"), QStringLiteral("Tovander is typing"),
                                // A no-break space is no blank.
                                QStringLiteral("tovander\u00A0is typing"), QStringLiteral("tovander is\u00A0typing")}) {
        setPane(text);
        showAgain();
        EXPECT_EQ(caption(), "Close") << text.toStdString();
        clickOn(ui(runtime()).Button1);
        EXPECT_FALSE(runtime().isVisible());
        EXPECT_FALSE(pictureShown()) << text.toStdString();
        EXPECT_FALSE(developmentShown()) << text.toStdString();
    }
}

TEST_F(RuntimeWindow, TheClickDecidesByThePaneNowAndTheCaptionOnlyChangesAtAShowWithATrigger)
{
    setPane("Karvell");
    main().Nuvarandesurftid1Click();
    ASSERT_EQ(caption(), ":o]");

    // Emptied before the press: the press only closes.
    setPane("");
    clickOn(ui(runtime()).Button1);
    EXPECT_FALSE(runtime().isVisible());
    EXPECT_FALSE(pictureShown());

    // The caption is never set back.
    showAgain();
    EXPECT_EQ(caption(), ":o]");

    // The other trigger at a later show takes over the caption...
    setPane("tovander is typing");
    showAgain();
    EXPECT_EQ(caption(), "Open form11");

    // ...but the press follows the pane, whatever the caption says.
    setPane("Karvell");
    clickOn(ui(runtime()).Button1);
    EXPECT_TRUE(pictureShown());
    EXPECT_FALSE(developmentShown());
    EXPECT_EQ(caption(), "Open form11");
}

TEST_F(RuntimeWindow, ShowingItAgainWhileVisibleDoesNotLookAtThePane)
{
    main().Nuvarandesurftid1Click();
    setPane("Karvell");
    main().Nuvarandesurftid1Click();
    EXPECT_EQ(caption(), "Close");
}
