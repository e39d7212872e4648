#include "info_fixture.h"

#include "browser/browser_window.h"
#include "infowindows/about_window.h"
#include "infowindows/me_picture_window.h"
#include "infowindows/runtime_window.h"
#include "infowindows/studio_picture_window.h"

#include "toolkit/core/paths.h"
#include "support/gui/window_parts.h"

#include <QPlainTextEdit>
#include <QPushButton>
#include <QUrl>

using namespace info_testing;

namespace {

class AboutWindow : public InfoWindowsTest {
protected:
    void SetUp() override
    {
        start();
        main().OmNavigator1Click();
        ASSERT_TRUE(about().isVisible());
    }

    TForm6 &about() { return *forms().Form6; }
    TForm1 &browser() { return *forms().Form1; }
    const QByteArray &lastVisit() { return main().HistoryList.constLast(); }
};

const char *const ArtificialError = "HA HA HA! Detta är ett konstgjort fel! men vad bryr jag mig om det?\r"
                                    "Jag hade bara jävlig kul när jag gjorde det... Ha´ det så bra! vi ses är ute! :)";

} // namespace

TEST_F(AboutWindow, ProductLinkOpensTheReadMeFileAndCountsEachClick)
{
    const qint32 total = main().TotalPages;
    const QString home = about().homePageAddress();
    EXPECT_EQ(QUrl(home), QUrl::fromLocalFile(folder().file("Readme!.txt")));

    clickOn(ui(about()).Label1);
    clickOn(ui(about()).Label1);

    EXPECT_EQ(main().SessionPages, 2);
    EXPECT_EQ(main().TotalPages, total + 2);
    ASSERT_GE(main().HistoryList.size(), 2);
    EXPECT_EQ(main().HistoryList.at(main().HistoryList.size() - 2), home.toLatin1());
    EXPECT_EQ(lastVisit(), home.toLatin1());
    EXPECT_EQ(main().addressText(), home);
    EXPECT_TRUE(browser().isVisible());
    EXPECT_TRUE(about().isVisible());
    // The engine really opens the local file.
    EXPECT_TRUE(waitFor([&] { return QUrl(browser().WebBrowser1().LocationURL()) == QUrl(home); }));
    // Every press was released: the label is back in its place.
    EXPECT_EQ(ui(about()).Label1->pos(), QPoint(150, 16));
}

TEST_F(AboutWindow, ProductLinkKeepsTheInstallationFolderWhenTheCurrentFolderMoves)
{
    const QString home = about().homePageAddress();
    toolkit::CurrentFolder::set(folder().file("Bookmarks"));
    EXPECT_EQ(about().homePageAddress(), home);
    toolkit::CurrentFolder::set(folder().path());
}

TEST_F(AboutWindow, MailLinkIsCountedAndHidesTheBrowserWindowEvenWhenItWasShown)
{
    browser().show();
    ASSERT_TRUE(browser().isVisible());
    const QString shown = ui(about()).Label5->text();
    ASSERT_TRUE(shown.contains('@'));

    clickOn(ui(about()).Label5);

    EXPECT_EQ(about().mailAddress(), "mailto:" + shown);
    EXPECT_EQ(lastVisit(), ("mailto:" + shown).toLatin1());
    EXPECT_EQ(main().SessionPages, 1);
    EXPECT_FALSE(browser().isVisible());
    EXPECT_TRUE(about().isVisible());
    EXPECT_EQ(ui(about()).Label5->pos(), QPoint(149, 85));
}

TEST_F(AboutWindow, LeftPressLooksPressedAndAReleaseAnywhereMovesTheLabelBack)
{
    const qsizetype entries = main().HistoryList.size();
    QLabel *name = ui(about()).Label1;
    pressOn(name, Qt::LeftButton, QPoint(10, 10));
    EXPECT_EQ(name->pos(), QPoint(151, 17));

    // Let go over the white area below the bevel: the label still gets the
    // release, but it is no click.
    releaseOn(ui(about()).Label3, Qt::LeftButton, QPoint(0, 40));
    EXPECT_EQ(name->pos(), QPoint(150, 16));
    EXPECT_EQ(main().SessionPages, 0);

    // Let go outside the window altogether.
    QLabel *mail = ui(about()).Label5;
    pressOn(mail, Qt::LeftButton, QPoint(5, 5));
    EXPECT_EQ(mail->pos(), QPoint(150, 86));
    releaseOn(mail, Qt::LeftButton, QPoint(-200, -150));
    EXPECT_EQ(mail->pos(), QPoint(149, 85));
    EXPECT_EQ(main().SessionPages, 0);
    EXPECT_EQ(main().HistoryList.size(), entries);
}

TEST_F(AboutWindow, OtherButtonsNeitherMoveTheLabelsNorFollowTheLinks)
{
    for (Qt::MouseButton button : {Qt::RightButton, Qt::MiddleButton}) {
        for (QLabel *label : {ui(about()).Label1, ui(about()).Label5}) {
            const QPoint before = label->pos();
            pressOn(label, button, QPoint(5, 5));
            EXPECT_EQ(label->pos(), before);
            releaseOn(label, button, QPoint(5, 5));
            EXPECT_EQ(label->pos(), before);
        }
    }
    EXPECT_EQ(main().SessionPages, 0);
}

TEST_F(AboutWindow, LinksCarryHandCursorsAndHints)
{
    EXPECT_EQ(ui(about()).Label1->cursor().shape(), Qt::PointingHandCursor);
    EXPECT_EQ(ui(about()).Label5->cursor().shape(), Qt::PointingHandCursor);
    EXPECT_EQ(ui(about()).Label1->toolTip(), QString::fromUtf8("Gå till Kestrelons hemsida!"));
    EXPECT_EQ(ui(about()).Label5->toolTip(), "Maila mig!");
    // The whole product name and mail address are seen.
    for (QLabel *label : {ui(about()).Label1, ui(about()).Label2, ui(about()).Label3, ui(about()).Label5})
        EXPECT_LE(label->sizeHint().width(), label->width()) << label->objectName().toStdString();
}

TEST_F(AboutWindow, DoubleClickOnTheNameRunsTheLinkOnceAndResetsTheSequence)
{
    doubleClickOn(ui(about()).Label3);
    doubleClickOn(ui(about()).Label2);
    EXPECT_TRUE(about().FirstStep);
    EXPECT_TRUE(about().SecondStep);
    EXPECT_FALSE(about().ThirdStep);

    doubleClickOn(ui(about()).Label1);
    EXPECT_EQ(main().SessionPages, 1);
    EXPECT_FALSE(about().FirstStep || about().SecondStep || about().ThirdStep);
    EXPECT_EQ(ui(about()).Label1->pos(), QPoint(150, 16));
    EXPECT_TRUE(messages().isEmpty());
}

TEST_F(AboutWindow, WithoutTheThirdStepThePictureDoesNothing)
{
    doubleClickOn(ui(about()).Label3);
    doubleClickOn(ui(about()).Label2);
    doubleClickOn(ui(about()).Image1);
    EXPECT_EQ(about().size(), QSize(354, 164));
    EXPECT_TRUE(about().FirstStep && about().SecondStep);
    // The ":]" button lies below the window and cannot be reached with the
    // keyboard either.
    EXPECT_GT(ui(about()).Button1->y(), about().height());
    EXPECT_EQ(ui(about()).Button1->focusPolicy(), Qt::NoFocus);
    EXPECT_FALSE(forms().Form8->isVisible());
}

TEST_F(AboutWindow, TheCompletedSequenceRaisesTheErrorThenRevealsTheButtonAndThePicture)
{
    // No control raises the third step; its handler is run directly.
    doubleClickOn(ui(about()).Label3);
    doubleClickOn(ui(about()).Label2);
    about().Label4DblClick();

    doubleClickOn(ui(about()).Label1);
    ASSERT_EQ(messages().size(), 1);
    EXPECT_TRUE(messages().constFirst().contains(QString::fromUtf8(ArtificialError)))
        << messages().constFirst().toStdString();
    // The steps stay set, and the click of the double-click still ran.
    EXPECT_TRUE(about().FirstStep && about().SecondStep && about().ThirdStep);
    EXPECT_EQ(main().SessionPages, 1);

    // Label2 resets the third step; Label3 starts again.
    doubleClickOn(ui(about()).Image1);
    EXPECT_FALSE(about().FirstStep || about().SecondStep || about().ThirdStep);
    EXPECT_EQ(about().size(), QSize(354, 256));
    EXPECT_TRUE(ui(about()).Button1->isVisible());
    EXPECT_LE(ui(about()).Button1->geometry().bottom(), about().height());

    clickOn(ui(about()).Button1);
    EXPECT_EQ(about().size(), QSize(354, 179));
    EXPECT_TRUE(forms().Form8->isVisible());
}

TEST_F(AboutWindow, SecondStepAloneOrBrokenOrderCompletesNothing)
{
    about().Label4DblClick();
    doubleClickOn(ui(about()).Label2);
    // Label2 clears the third step: the order is Label3, Label2, then the third.
    EXPECT_FALSE(about().ThirdStep);
    doubleClickOn(ui(about()).Label3);
    about().Label4DblClick();
    // Label3 clears the second step.
    EXPECT_FALSE(about().SecondStep);
    doubleClickOn(ui(about()).Label1);
    EXPECT_TRUE(messages().isEmpty());
}

TEST_F(AboutWindow, StudioPictureOpensTheStudioAndHidesItselfUntilTheTriggerAgain)
{
    TForm10 &studio = *forms().Form10;
    ui(*forms().Form1).Memo1->setPlainText("Karvell");
    main().Nuvarandesurftid1Click();
    clickOn(ui(*forms().Form4).Button1);
    ASSERT_TRUE(studio.isVisible());
    EXPECT_EQ(ui(studio).Image1->toolTip(), "[Bad boy]");

    clickOn(ui(studio).Image1);
    EXPECT_FALSE(studio.isVisible());
    EXPECT_EQ(lastVisit(), TForm10::studioAddress().toLatin1());
    EXPECT_EQ(main().SessionPages, 1);
    EXPECT_TRUE(QUrl(TForm10::studioAddress()).scheme() == "http");

    // Only the running time window's trigger brings it back.
    main().Nuvarandesurftid1Click();
    clickOn(ui(*forms().Form4).Button1);
    EXPECT_TRUE(studio.isVisible());
}
