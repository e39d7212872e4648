#include "info_fixture.h"

#include "browser/browser_window.h"
#include "infowindows/about_window.h"
#include "infowindows/me_picture_window.h"
#include "infowindows/runtime_window.h"
#include "infowindows/studio_picture_window.h"

#include "toolkit/core/paths.h"

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

    clickOn(about().ui.Label1);
    clickOn(about().ui.Label1);

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
    EXPECT_EQ(about().ui.Label1->pos(), QPoint(150, 16));
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
    const QString shown = about().ui.Label5->text();
    ASSERT_TRUE(shown.contains('@'));

    clickOn(about().ui.Label5);

    EXPECT_EQ(about().mailAddress(), "mailto:" + shown);
    EXPECT_EQ(lastVisit(), ("mailto:" + shown).toLatin1());
    EXPECT_EQ(main().SessionPages, 1);
    EXPECT_FALSE(browser().isVisible());
    EXPECT_TRUE(about().isVisible());
    EXPECT_EQ(about().ui.Label5->pos(), QPoint(149, 85));
}

TEST_F(AboutWindow, LeftPressLooksPressedAndAReleaseAnywhereMovesTheLabelBack)
{
    const qsizetype entries = main().HistoryList.size();
    QLabel *name = about().ui.Label1;
    pressOn(name, Qt::LeftButton, QPoint(10, 10));
    EXPECT_EQ(name->pos(), QPoint(151, 17));

    // Let go over the white area below the bevel: the label still gets the
    // release, but it is no click.
    releaseOn(about().ui.Label3, Qt::LeftButton, QPoint(0, 40));
    EXPECT_EQ(name->pos(), QPoint(150, 16));
    EXPECT_EQ(main().SessionPages, 0);

    // Let go outside the window altogether.
    QLabel *mail = about().ui.Label5;
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
        for (QLabel *label : {about().ui.Label1, about().ui.Label5}) {
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
    EXPECT_EQ(about().ui.Label1->cursor().shape(), Qt::PointingHandCursor);
    EXPECT_EQ(about().ui.Label5->cursor().shape(), Qt::PointingHandCursor);
    EXPECT_EQ(about().ui.Label1->toolTip(), QString::fromUtf8("Gå till Kestrelons hemsida!"));
    EXPECT_EQ(about().ui.Label5->toolTip(), "Maila mig!");
    // The whole product name and mail address are seen.
    for (QLabel *label : {about().ui.Label1, about().ui.Label2, about().ui.Label3, about().ui.Label5})
        EXPECT_LE(label->sizeHint().width(), label->width()) << label->objectName().toStdString();
}

TEST_F(AboutWindow, DoubleClickOnTheNameRunsTheLinkOnceAndResetsTheSequence)
{
    doubleClickOn(about().ui.Label3);
    doubleClickOn(about().ui.Label2);
    EXPECT_TRUE(about().FirstStep);
    EXPECT_TRUE(about().SecondStep);
    EXPECT_FALSE(about().ThirdStep);

    doubleClickOn(about().ui.Label1);
    EXPECT_EQ(main().SessionPages, 1);
    EXPECT_FALSE(about().FirstStep || about().SecondStep || about().ThirdStep);
    EXPECT_EQ(about().ui.Label1->pos(), QPoint(150, 16));
    EXPECT_TRUE(messages().isEmpty());
}

TEST_F(AboutWindow, WithoutTheThirdStepThePictureDoesNothing)
{
    doubleClickOn(about().ui.Label3);
    doubleClickOn(about().ui.Label2);
    doubleClickOn(about().ui.Image1);
    EXPECT_EQ(about().size(), QSize(354, 164));
    EXPECT_TRUE(about().FirstStep && about().SecondStep);
    // The ":]" button lies below the window and cannot be reached with the
    // keyboard either.
    EXPECT_GT(about().ui.Button1->y(), about().height());
    EXPECT_EQ(about().ui.Button1->focusPolicy(), Qt::NoFocus);
    EXPECT_FALSE(forms().Form8->isVisible());
}

TEST_F(AboutWindow, TheCompletedSequenceRaisesTheErrorThenRevealsTheButtonAndThePicture)
{
    // No control raises the third step; its handler is run directly.
    doubleClickOn(about().ui.Label3);
    doubleClickOn(about().ui.Label2);
    about().Label4DblClick();

    doubleClickOn(about().ui.Label1);
    ASSERT_EQ(messages().size(), 1);
    EXPECT_TRUE(messages().constFirst().contains(QString::fromUtf8(ArtificialError)))
        << messages().constFirst().toStdString();
    // The steps stay set, and the click of the double-click still ran.
    EXPECT_TRUE(about().FirstStep && about().SecondStep && about().ThirdStep);
    EXPECT_EQ(main().SessionPages, 1);

    // Label2 resets the third step; Label3 starts again.
    doubleClickOn(about().ui.Image1);
    EXPECT_FALSE(about().FirstStep || about().SecondStep || about().ThirdStep);
    EXPECT_EQ(about().size(), QSize(354, 256));
    EXPECT_TRUE(about().ui.Button1->isVisible());
    EXPECT_LE(about().ui.Button1->geometry().bottom(), about().height());

    clickOn(about().ui.Button1);
    EXPECT_EQ(about().size(), QSize(354, 179));
    EXPECT_TRUE(forms().Form8->isVisible());
}

TEST_F(AboutWindow, SecondStepAloneOrBrokenOrderCompletesNothing)
{
    about().Label4DblClick();
    doubleClickOn(about().ui.Label2);
    // Label2 clears the third step: the order is Label3, Label2, then the third.
    EXPECT_FALSE(about().ThirdStep);
    doubleClickOn(about().ui.Label3);
    about().Label4DblClick();
    // Label3 clears the second step.
    EXPECT_FALSE(about().SecondStep);
    doubleClickOn(about().ui.Label1);
    EXPECT_TRUE(messages().isEmpty());
}

TEST_F(AboutWindow, StudioPictureOpensTheStudioAndHidesItselfUntilTheTriggerAgain)
{
    TForm10 &studio = *forms().Form10;
    forms().Form1->ui.Memo1->setPlainText("Karvell");
    main().Nuvarandesurftid1Click();
    clickOn(forms().Form4->ui.Button1);
    ASSERT_TRUE(studio.isVisible());
    EXPECT_EQ(studio.ui.Image1->toolTip(), "[Bad boy]");

    clickOn(studio.ui.Image1);
    EXPECT_FALSE(studio.isVisible());
    EXPECT_EQ(lastVisit(), TForm10::studioAddress().toLatin1());
    EXPECT_EQ(main().SessionPages, 1);
    EXPECT_TRUE(QUrl(TForm10::studioAddress()).scheme() == "http");

    // Only the running time window's trigger brings it back.
    main().Nuvarandesurftid1Click();
    clickOn(forms().Form4->ui.Button1);
    EXPECT_TRUE(studio.isVisible());
}
