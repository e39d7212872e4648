// The main window's controls, menus and commands on real windows.
#include "app_fixture.h"
#include "url_recorder.h"

#include "bookmarks/bookmarks_window.h"
#include "infowindows/about_window.h"
#include "infowindows/history_window.h"
#include "infowindows/runtime_window.h"
#include "infowindows/statistics_window.h"
#include "netfeatures/page_source_window.h"
#include "netfeatures/rpop_window.h"
#include "support/gui/window_parts.h"

#include <QContextMenuEvent>
#include <QDesktopServices>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QTimer>
#include <QUrl>

using app_testing::ProgramWindows;

namespace {

QStringList itemNames(const QMenu *menu)
{
    QStringList names;
    for (const QAction *action : menu->actions()) {
        QString name = action->menu() ? action->menu()->objectName() : action->objectName();
        if (!action->isVisible())
            name += QStringLiteral(" (hidden)");
        if (!action->shortcut().isEmpty())
            name += QLatin1Char(' ') + action->shortcut().toString();
        names.append(name);
    }
    return names;
}

QStringList barNames(const QMenuBar *bar)
{
    QStringList names;
    for (const QAction *action : bar->actions())
        names.append(action->menu() ? action->menu()->objectName() : action->objectName());
    return names;
}

} // namespace

TEST(MainWindow, FixedClientAreaAndFirstPlaces)
{
    ProgramWindows program;
    program.start();
    TForm2 &main = program.main();
    EXPECT_EQ(main.windowTitle(), QStringLiteral("Kestrelon Beta 1.6"));
    EXPECT_EQ(main.centralWidget()->size(), QSize(440, 92));
    EXPECT_TRUE(ui(main).MainMenu1->isVisible());
    EXPECT_EQ(main.minimumSize(), main.maximumSize());
    EXPECT_FALSE(main.windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(main.windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_EQ(ui(main).Edit1->text(), QStringLiteral("http://"));
    EXPECT_EQ(ui(main).Edit1->geometry(), QRect(8, 7, 329, 19));
    EXPECT_EQ(ui(main).Gauge1->geometry(), QRect(9, 146, 393, 20));
    EXPECT_EQ(ui(main).Gauge1->toolTip(), QStringLiteral("Current progres"));
    EXPECT_FALSE(ui(main).Image2->pixmap().isNull());
    EXPECT_FALSE(ui(main).Image3->pixmap().isNull());
    EXPECT_EQ(main.Timer1->interval(), 1000);
    EXPECT_TRUE(main.Timer1->isActive());
}

TEST(MainWindow, MenusHoldEveryItemInOrder)
{
    ProgramWindows program;
    TForm2 &main = program.main();
    EXPECT_EQ(barNames(ui(main).MainMenu1),
              (QStringList{"Arkiv1", "Navigera1", "Statestik1", "Bokmrken1", "Om1"}));
    EXPECT_EQ(itemNames(ui(main).Statestik1),
              (QStringList{"Nuvarandesurftid1", "History1", "Kllkod1", "rPOPinstllningar1", "Webbsidorbeskta1",
                           "SnabbInterface2 (hidden) F1", "kainterface1 (hidden) F2"}));
    EXPECT_EQ(itemNames(ui(main).Om1), (QStringList{"Hjlp1", "OmNavigator1", "RaiseExeption1 (hidden)"}));
    EXPECT_EQ(ui(main).kainterface1->text(), QStringLiteral("\u00f6ka interface"));
    EXPECT_EQ(ui(main).Frammt1->text(), QStringLiteral("Forwad"));

    QMenu *popup = main.PopupMenu1();
    EXPECT_EQ(itemNames(popup), (QStringList{"arkiv2", "Naviera1", "Funktioner1", "Bokmrken2", "Om3",
                                             "Minskainterface1 (hidden) F1", "kainterface2 (hidden) F2"}));
    EXPECT_EQ(itemNames(popup->findChild<QMenu *>("Funktioner1")),
              (QStringList{"Tid1", "History2", "Hmtakllkod1", "rPOPsettings1", "Statestik2"}));
    EXPECT_EQ(popup->findChild<QAction *>("Om2")->text(), QStringLiteral("About Kestrelon beta 1.5"));
    EXPECT_EQ(popup->findChild<QAction *>("Statestik2")->text(), QStringLiteral("Number of visites pages"));
    // The engine's page area offers the same popup menu.
    EXPECT_EQ(program.browser().WebBrowser1().widget()->contextMenuPolicy(), Qt::CustomContextMenu);
}

TEST(MainWindow, CommandsShowTheirWindowsFromBothMenus)
{
    ProgramWindows program;
    program.start();
    TForm2 &main = program.main();
    WindowSet &forms = program.forms();
    const struct {
        QAction *mainItem;
        const char *popupItem;
        QWidget *window;
    } cases[] = {
        {ui(main).Nuvarandesurftid1, "Tid1", forms.Form4},   {ui(main).History1, "History2", forms.Form5},
        {ui(main).Kllkod1, "Hmtakllkod1", forms.Form7},       {ui(main).rPOPinstllningar1, "rPOPsettings1", forms.Form13},
        {ui(main).Bokmrken1, "Bokmrken2", forms.Form9},       {ui(main).OmNavigator1, "Om2", forms.Form6},
        {ui(main).Webbsidorbeskta1, "Statestik2", forms.Form3},
    };
    for (const auto &c : cases) {
        c.mainItem->trigger();
        EXPECT_TRUE(c.window->isVisible()) << c.popupItem;
        c.window->hide();
        main.PopupMenu1()->findChild<QAction *>(QLatin1String(c.popupItem))->trigger();
        EXPECT_TRUE(c.window->isVisible()) << c.popupItem;
        c.window->hide();
    }
    EXPECT_TRUE(program.messages().isEmpty()) << program.messages().join('|').toStdString();
}

TEST(MainWindow, ShowTheWebbrowserClearsItsCaption)
{
    ProgramWindows program;
    program.start();
    program.browser().hide();
    program.main().PopupMenu1()->findChild<QAction *>("VisaWebbbrowsern1")->trigger();
    EXPECT_TRUE(program.browser().isVisible());
    EXPECT_EQ(program.browser().windowTitle(), QString());
}

TEST(MainWindow, StatisticsAreFilledOnlyWhenAsked)
{
    ProgramWindows program;
    program.start();
    TForm2 &main = program.main();
    auto *statistics = static_cast<QWidget *>(program.forms().Form3);
    auto *tot = statistics->findChild<QLabel *>("TotLabel");
    auto *antal = statistics->findChild<QLabel *>("AntalLabel");
    ASSERT_NE(tot, nullptr);
    ASSERT_NE(antal, nullptr);
    main.TotalPages = 12;
    main.SessionPages = 3;
    ui(main).Webbsidorbeskta1->trigger();
    EXPECT_EQ(tot->text(), QStringLiteral("12"));
    EXPECT_EQ(antal->text(), QStringLiteral("3"));
    main.TotalPages = 13;
    EXPECT_EQ(tot->text(), QStringLiteral("12"));
}

TEST(MainWindow, ClockCountsTicks)
{
    ProgramWindows program;
    TForm2 &main = program.main();
    main.Timer1->stop();
    for (int i = 0; i < 59; ++i)
        main.Timer1Timer();
    EXPECT_EQ(main.RunTimeText, QStringLiteral("0 tim. 0 min. 59 sec."));
    main.Timer1Timer();
    EXPECT_EQ(main.RunTimeText, QStringLiteral("0 tim. 1 min. 0 sec."));
    for (int i = 60; i < 3600; ++i)
        main.Timer1Timer();
    EXPECT_EQ(main.RunTimeText, QStringLiteral("1 tim. 0 min. 0 sec."));
    for (int i = 0; i < 3600 + 125; ++i)
        main.Timer1Timer();
    EXPECT_EQ(main.RunTimeText, QStringLiteral("2 tim. 2 min. 5 sec."));
    // The running-time window gets the text whether it is shown or not.
    auto *runtime = static_cast<QWidget *>(program.forms().Form4);
    ASSERT_FALSE(runtime->isVisible());
    auto *time = runtime->findChild<QLabel *>("tidlabel");
    auto *clock = runtime->findChild<QLabel *>("Label3");
    ASSERT_NE(time, nullptr);
    ASSERT_NE(clock, nullptr);
    EXPECT_EQ(time->text(), main.RunTimeText);
    EXPECT_FALSE(clock->text().isEmpty());
}

TEST(MainWindow, PressedLooksFollowTheirButtonsRules)
{
    ProgramWindows program;
    program.start();
    TForm2 &main = program.main();
    // Go takes any button; Back only the left one.
    QTest::mousePress(ui(main).Button1, Qt::RightButton, {}, QPoint(3, 3));
    EXPECT_TRUE(ui(main).Button1->showsPressedLook());
    QTest::mousePress(ui(main).Button2, Qt::RightButton, {}, QPoint(3, 3));
    EXPECT_FALSE(ui(main).Button2->showsPressedLook());
    QTest::mouseRelease(ui(main).Button1, Qt::RightButton, {}, QPoint(3, 3));
    EXPECT_FALSE(ui(main).Button1->showsPressedLook());
    EXPECT_EQ(main.SessionPages, 0);  // no click on a right release

    // Presses whose release went elsewhere end when the mouse crosses the background.
    QTest::mousePress(ui(main).Button2, Qt::LeftButton, {}, QPoint(3, 3));
    QTest::mousePress(ui(main).Button4, Qt::LeftButton, {}, QPoint(3, 3));
    EXPECT_TRUE(ui(main).Button2->showsPressedLook());
    EXPECT_TRUE(ui(main).Button4->showsPressedLook());
    EXPECT_FALSE(ui(main).Button3->showsPressedLook());
    QTest::mouseMove(ui(main).Image1, QPoint(200, 50));
    QMouseEvent move(QEvent::MouseMove, QPointF(201, 50), ui(main).Image1->mapToGlobal(QPointF(201, 50)), Qt::NoButton,
                     Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(ui(main).Image1, &move);
    EXPECT_FALSE(ui(main).Button2->showsPressedLook());
    EXPECT_FALSE(ui(main).Button4->showsPressedLook());
    EXPECT_TRUE(program.messages().isEmpty());
}

// A double-click on a picture button is one click: Go runs once.
TEST(MainWindow, DoubleClickOnAPictureButtonRunsItsCommandOnce)
{
    app_testing::PageServer server({{"/", "<html><title>Once</title></html>"}});
    ProgramWindows program;
    program.start();
    TForm2 &main = program.main();
    main.setAddressText(server.url("/"));
    const qsizetype entries = main.HistoryList.count();
    testing_support::doubleClickOn(ui(main).Button1);
    EXPECT_EQ(main.SessionPages, 1);
    EXPECT_EQ(main.HistoryList.count(), entries + 1);
    EXPECT_FALSE(ui(main).Button1->showsPressedLook());
    // And the next single click counts again.
    testing_support::clickOn(ui(main).Button1);
    EXPECT_EQ(main.SessionPages, 2);
    EXPECT_TRUE(program.messages().isEmpty()) << program.messages().join('|').toStdString();
}

TEST(MainWindow, MissingPressedGoBitmapIsReportedAndLogged)
{
    ProgramWindows program;
    program.start();
    TForm2 &main = program.main();
    QFile::remove(program.folder().file("imgs/go-but-active.bmp"));
    QTest::mousePress(ui(main).Button1, Qt::LeftButton, {}, QPoint(3, 3));
    ASSERT_EQ(program.messages().size(), 1);
    EXPECT_TRUE(program.messages().at(0).endsWith(QStringLiteral("Exception = Cannot open file imgs/go-but-active.bmp"))
                || program.messages().at(0).contains(QStringLiteral("go-but-active.bmp")))
        << program.messages().at(0).toStdString();
    EXPECT_TRUE(ui(*program.forms().Form11).Memo1->toPlainText().contains(QStringLiteral("go-but-active.bmp")));
    EXPECT_FALSE(ui(main).Button1->showsPressedLook());
}

TEST(MainWindow, HelpAsksTheDesktopToOpenTheReadmeAndReportsNothing)
{
    ProgramWindows program;
    testing_support::UrlRecorder recorder;
    ui(program.main()).Hjlp1->trigger();
    QFile::remove(program.folder().file("Readme!.txt"));
    program.main().PopupMenu1()->findChild<QAction *>("Hjlp2")->trigger();
    ASSERT_EQ(recorder.urls.size(), 2);
    EXPECT_EQ(recorder.urls.at(0).toLocalFile(), program.folder().file("Readme!.txt"));
    EXPECT_TRUE(program.messages().isEmpty());
}

TEST(MainWindow, ExitFromEitherMenuClosesAfterSaving)
{
    ProgramWindows program;
    program.start();
    TForm2 &main = program.main();
    main.TotalPages = 9;
    main.PopupMenu1()->findChild<QAction *>("Avsluta2")->trigger();
    EXPECT_FALSE(main.isVisible());
    EXPECT_EQ(program.folder().read("config/stat.cfg"), QByteArray("\x09\x00\x00\x00", 4));
}

TEST(MainWindow, MissingSkinAtCreationSkipsTheLaterBitmaps)
{
    ProgramWindows program{ProgramWindows::Deferred{}};
    QFile::remove(program.folder().file("imgs/s-but.bmp"));
    program.create();
    TForm2 &main = program.main();
    ASSERT_EQ(program.messages().size(), 1);
    EXPECT_TRUE(program.messages().at(0).contains(QStringLiteral("s-but.bmp")));
    EXPECT_TRUE(ui(main).Button2->pixmap().toImage() != ui(main).Button4->pixmap().toImage());
    // The creation error is logged once the Development window exists.
    program.start();
    EXPECT_TRUE(ui(*program.forms().Form11).Memo1->toPlainText().contains(QStringLiteral("s-but.bmp")));
}

TEST(MainWindow, RightClickAnywhereAndOnThePageOpensThePopupMenu)
{
    ProgramWindows program;
    program.start();
    TForm2 &main = program.main();
    QMenu *popup = main.PopupMenu1();
    // Over a picture button: the button passes it on to the window.
    QContextMenuEvent onButton(QContextMenuEvent::Mouse, QPoint(5, 5), ui(main).Button3->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(ui(main).Button3, &onButton);
    EXPECT_TRUE(popup->isVisible());
    popup->hide();
    // The page area's context menu is the same popup.
    QWidget *view = program.browser().WebBrowser1().widget();
    emit view->customContextMenuRequested(QPoint(10, 10));
    EXPECT_TRUE(popup->isVisible());
    popup->hide();
}

