// The interface modes, the F1/F2 routing and the menu state.
#include "app_fixture.h"

#include "app/interface_modes.h"
#include "app/window_set_owner.h"
#include "support/gui/window_parts.h"

#include <QFile>
#include <QMenuBar>
#include <QTimer>
#include <QPlainTextEdit>

using app_testing::ProgramWindows;

namespace {

// Visibility of the toolbar controls, as one string: plain set, banner,
// rew/forw/stop, Refresh picture, skinned address box ('1' shown).
std::string looks(TForm1 &b)
{
    auto v = [](QWidget *w) { return w->isVisibleTo(w->window()) ? '1' : '0'; };
    const bool plain = ui(b).Button1->isVisibleTo(&b);
    // The plain set moves as one.
    EXPECT_EQ(plain, ui(b).Button2->isVisibleTo(&b));
    EXPECT_EQ(plain, ui(b).Button3->isVisibleTo(&b));
    EXPECT_EQ(plain, ui(b).ComboBox1->isVisibleTo(&b));
    EXPECT_EQ(plain, ui(b).Button4->isVisibleTo(&b));
    const bool skinned = ui(b).rew->isVisibleTo(&b);
    EXPECT_EQ(skinned, ui(b).forw->isVisibleTo(&b));
    EXPECT_EQ(skinned, ui(b).stop->isVisibleTo(&b));
    return std::string{plain ? '1' : '0', v(ui(b).Image1), skinned ? '1' : '0', v(ui(b).Image2), v(ui(b).ComboBox2)};
}

// A program started with the given three setting bytes.
struct Started {
    explicit Started(const QByteArray &settings) : program(ProgramWindows::Deferred{})
    {
        program.folder().write("config/Kestrelon.cfg", settings + testing_support::TempInstallation::templateText());
        program.create();
        program.start();
    }
    ProgramWindows program;
};

void press(QWidget *target, Qt::Key key)
{
    QTest::keyClick(target, key);
}

} // namespace

TEST(InterfaceModes, StartupTableByMode)
{
    const struct {
        char mode;
        const char *looks;
    } cases[] = {{'0', "00000"}, {'1', "10000"}, {'2', "01111"}};
    for (const auto &c : cases) {
        Started s(QByteArray("0") + c.mode + "0");
        EXPECT_EQ(looks(s.program.browser()), c.looks) << c.mode;
        EXPECT_TRUE(s.program.messages().isEmpty());
    }
}

TEST(InterfaceModes, InvalidModeIsReportedChangesNothingAndIsWrittenBack)
{
    Started s("030");
    EXPECT_EQ(s.program.messages(), QStringList{QStringLiteral("Invalid parameter in Kestrelon.cfg: 3")});
    // The controls as the form creates them.
    EXPECT_EQ(looks(s.program.browser()), "00111");
    s.program.main().close();
    EXPECT_EQ(s.program.folder().read("config/Kestrelon.cfg").left(3), QByteArray("030"));
}

TEST(InterfaceModes, NonDigitModeStopsCreationBeforeTheBitmaps)
{
    Started s("0x0");
    ASSERT_GE(s.program.messages().size(), 1);
    EXPECT_TRUE(s.program.messages().at(0).endsWith(QStringLiteral("Exception = 'x' is not a valid integer value")))
        << s.program.messages().at(0).toStdString();
    EXPECT_EQ(s.program.main().InterfaceMode, 0);
    EXPECT_EQ(looks(s.program.browser()), "00000");
}

TEST(InterfaceModes, PopupVariantsStepThroughTheirTable)
{
    Started s("000");
    TForm2 &main = s.program.main();
    TForm1 &browser = s.program.browser();
    main.Minskainterface1Click();
    EXPECT_EQ(main.InterfaceMode, 0);
    EXPECT_EQ(looks(browser), "00010");  // the Refresh picture shows for every value
    main.kainterface2Click();
    EXPECT_EQ(main.InterfaceMode, 1);
    EXPECT_EQ(looks(browser), "10010");
    main.kainterface2Click();
    EXPECT_EQ(main.InterfaceMode, 2);
    EXPECT_EQ(looks(browser), "01111");
    ui(browser).rew->hide();
    main.kainterface2Click();  // at the end: stays, and applies 2 again
    EXPECT_EQ(main.InterfaceMode, 2);
    EXPECT_EQ(looks(browser), "01111");
    main.Minskainterface1Click();
    EXPECT_EQ(main.InterfaceMode, 1);
    EXPECT_EQ(looks(browser), "10010");
}

TEST(InterfaceModes, MainMenuVariantsTouchOnlyThePlainSetAndTheBanner)
{
    Started s("020");
    TForm2 &main = s.program.main();
    TForm1 &browser = s.program.browser();
    main.SnabbInterface2Click();
    EXPECT_EQ(main.InterfaceMode, 1);
    EXPECT_EQ(looks(browser), "10111");
    main.SnabbInterface2Click();
    EXPECT_EQ(main.InterfaceMode, 0);
    EXPECT_EQ(looks(browser), "00111");
    main.kainterface1Click();
    main.kainterface1Click();
    EXPECT_EQ(main.InterfaceMode, 2);
    EXPECT_EQ(looks(browser), "01111");
}

TEST(InterfaceModes, OutOfRangeModeIsBroughtBackWithoutChangingControls)
{
    // 3 stepped less lands on 2 and applies its row (the next test).
    for (const char *settings : {"030", "050"}) {
        for (int command = 0; command < 4; ++command) {
            const bool less = command % 2 == 0;
            if (less && settings == std::string("030"))
                continue;
            Started s(settings);
            TForm2 &main = s.program.main();
            const std::string before = looks(s.program.browser());
            switch (command) {
            case 0: main.Minskainterface1Click(); break;
            case 1: main.kainterface2Click(); break;
            case 2: main.SnabbInterface2Click(); break;
            case 3: main.kainterface1Click(); break;
            }
            EXPECT_EQ(main.InterfaceMode, less ? 1 : 2) << settings << " command " << command;
            EXPECT_EQ(looks(s.program.browser()), before) << settings << " command " << command;
            // The next step works from the value in range.
            main.kainterface2Click();
            EXPECT_EQ(main.InterfaceMode, 2);
            EXPECT_EQ(looks(s.program.browser()), "01111");
        }
    }
}

TEST(InterfaceModes, ThreeSteppedLessAppliesTheValueTwoRowOnItsWayToOne)
{
    // F1 on the main window: the popup variant; in the browser window's
    // address box: the main-menu variant, which leaves rew/forw/stop as the
    // form made them.
    Started popup("030");
    press(ui(popup.program.main()).Edit1, Qt::Key_F1);
    EXPECT_EQ(popup.program.main().InterfaceMode, 1);
    EXPECT_EQ(looks(popup.program.browser()), "01111");

    Started mainMenu("030");
    press(ui(mainMenu.program.browser()).ComboBox2, Qt::Key_F1);
    EXPECT_EQ(mainMenu.program.main().InterfaceMode, 1);
    EXPECT_EQ(looks(mainMenu.program.browser()), "01111");
}

TEST(InterfaceModes, SteppedModeIsSavedAtClose)
{
    Started s("000");
    s.program.main().kainterface2Click();
    s.program.main().kainterface2Click();
    s.program.main().close();
    EXPECT_EQ(s.program.folder().read("config/Kestrelon.cfg").left(3), QByteArray("020"));
}

TEST(KeyRouting, F1AndF2OnTheMainWindowRunThePopupVariantsInEitherMenuState)
{
    for (const char *settings : {"000", "100"}) {
        Started s(settings);
        TForm2 &main = s.program.main();
        press(ui(main).Edit1, Qt::Key_F2);
        EXPECT_EQ(main.InterfaceMode, 1) << settings;
        EXPECT_EQ(looks(s.program.browser()), "10010") << settings;  // popup table: Refresh shown
        press(ui(main).Edit1, Qt::Key_F1);
        EXPECT_EQ(main.InterfaceMode, 0);
        // With a modifier it is no shortcut.
        QTest::keyClick(ui(main).Edit1, Qt::Key_F2, Qt::ShiftModifier);
        EXPECT_EQ(main.InterfaceMode, 0);
    }
}

TEST(KeyRouting, BrowserTextControlsRunTheMainMenuVariantsOnlyWithTheMenuBar)
{
    {
        Started s("020");
        TForm2 &main = s.program.main();
        TForm1 &browser = s.program.browser();
        press(ui(browser).ComboBox2, Qt::Key_F1);
        EXPECT_EQ(main.InterfaceMode, 1);
        EXPECT_EQ(looks(browser), "10111");  // main-menu table: skinned set left as it was
        ui(browser).Memo1->show();
        press(ui(browser).Memo1, Qt::Key_F2);
        EXPECT_EQ(main.InterfaceMode, 2);
        press(ui(browser).ComboBox1, Qt::Key_F1);
        EXPECT_EQ(main.InterfaceMode, 1);
        // The keys did not end up in the boxes.
        EXPECT_TRUE(ui(browser).ComboBox2->text().isEmpty());
    }
    {
        Started s("120");
        TForm2 &main = s.program.main();
        press(ui(s.program.browser()).ComboBox2, Qt::Key_F1);
        press(ui(s.program.browser()).Memo1, Qt::Key_F2);
        EXPECT_EQ(main.InterfaceMode, 2);
        EXPECT_EQ(looks(s.program.browser()), "01111");
    }
}

// A window without menus of its own hands the keys on to the main window's
// main menu, so they run the main-menu variants while the menu bar is shown.
TEST(KeyRouting, OtherWindowsReachTheMainMenuVariants)
{
    for (const char *settings : {"000", "100"}) {
        const bool attached = settings[0] == '0';
        Started s(settings);
        TForm2 &main = s.program.main();
        const QList<QWidget *> windows = otherWindows(s.program.forms());
        ASSERT_EQ(windows.size(), 11);
        for (QWidget *window : windows) {
            window->show();
            // The key goes to a control of the window where it has one, as
            // the keyboard focus would be there.
            QWidget *target = window;
            for (QWidget *child : window->findChildren<QWidget *>()) {
                if (child->isVisibleTo(window) && child->focusPolicy() != Qt::NoFocus) {
                    target = child;
                    break;
                }
            }
            const QString name = window->metaObject()->className();
            press(target, Qt::Key_F2);
            EXPECT_EQ(main.InterfaceMode, attached ? 1 : 0) << settings << ' ' << name.toStdString();
            // The main-menu table leaves the Refresh picture hidden.
            EXPECT_EQ(looks(s.program.browser()), attached ? "10000" : "00000") << name.toStdString();
            press(target, Qt::Key_F1);
            EXPECT_EQ(main.InterfaceMode, 0) << settings << ' ' << name.toStdString();
            window->hide();
        }
    }
}

TEST(KeyRouting, KeysThePageDoesNotTakeRunThePopupVariants)
{
    app_testing::PageServer server({{"/", "<html><title>Plain</title><body>text</body></html>"}});
    Started s("110");
    TForm2 &main = s.program.main();
    TForm1 &browser = s.program.browser();
    ui(main).Edit1->setText(server.url("/"));
    main.Button1Click();
    ASSERT_TRUE(app_testing::waitFor([&] { return browser.windowTitle() == QStringLiteral("Plain [Done]"); }));
    QWidget *view = browser.WebBrowser1().widget();
    QWidget *page = view->focusProxy() ? view->focusProxy() : view;
    press(page, Qt::Key_F2);
    // The engine hands the key back after its page declined it.
    ASSERT_TRUE(app_testing::waitFor([&] { return main.InterfaceMode == 2; }, 10000)) << main.InterfaceMode;
    EXPECT_EQ(looks(browser), "01111");
    press(page, Qt::Key_F1);
    ASSERT_TRUE(app_testing::waitFor([&] { return main.InterfaceMode == 1; }, 10000));
    EXPECT_EQ(looks(browser), "10010");  // popup table, although the menu bar is hidden
}

TEST(MenuState, DetachedMenuKeepsTheClientArea)
{
    Started shown("000");
    const QSize withMenu = shown.program.main().size();
    EXPECT_EQ(shown.program.main().centralWidget()->size(), QSize(440, 92));
    EXPECT_TRUE(shown.program.main().mainMenuAttached());

    Started hidden("100");
    EXPECT_FALSE(ui(hidden.program.main()).MainMenu1->isVisible());
    EXPECT_FALSE(hidden.program.main().mainMenuAttached());
    EXPECT_EQ(hidden.program.main().centralWidget()->size(), QSize(440, 92));
    EXPECT_EQ(hidden.program.main().size(), QSize(440, 92));
    EXPECT_LT(hidden.program.main().height(), withMenu.height());
    EXPECT_EQ(withMenu.width(), 440);
}

TEST(MenuState, ChangeHidesTheMenuAtTheNextStartAndBack)
{
    const QByteArray tpl = testing_support::TempInstallation::templateText();
    testing_support::TempInstallation folder;
    folder.write("config/Kestrelon.cfg", "021" + tpl);
    {
        toolkit::RecordingMessageBoxes boxes;
        WindowSetOwner owner;
        owner.mainWindow().show();
        EXPECT_TRUE(ui(owner.mainWindow()).MainMenu1->isVisible());
        // Run from the program's event loop: the command ends the loop, and
        // with it the program (a second timer ends a loop that would hang).
        QTimer::singleShot(0, &owner.mainWindow(), [&] { ui(owner.mainWindow()).ndramenylge1->trigger(); });
        QObject hangGuard;
        QTimer::singleShot(20000, &hangGuard, [] { QCoreApplication::exit(7); });
        EXPECT_EQ(QCoreApplication::exec(), 0);
        EXPECT_EQ(boxes.messages,
                  (QStringList{"The main menu will now hide. Right click on the main window to the menu",
                               "Please restart the browser to make the new settings valid!"}));
        EXPECT_FALSE(owner.mainWindow().isVisible());
    }
    EXPECT_EQ(folder.read("config/Kestrelon.cfg"), "121" + tpl);
    {
        toolkit::RecordingMessageBoxes boxes;
        WindowSetOwner owner;
        owner.mainWindow().show();
        EXPECT_FALSE(ui(owner.mainWindow()).MainMenu1->isVisible());
        EXPECT_EQ(owner.mainWindow().centralWidget()->size(), QSize(440, 92));
        // Reached from the popup menu this time.
        owner.mainWindow().PopupMenu1()->findChild<QAction *>("ndramenylge2")->trigger();
        EXPECT_EQ(boxes.messages, QStringList{"Please restart the browser to make the new settings valid!"});
        EXPECT_FALSE(owner.mainWindow().isVisible());
    }
    EXPECT_EQ(folder.read("config/Kestrelon.cfg"), "021" + tpl);
    {
        toolkit::RecordingMessageBoxes boxes;
        WindowSetOwner owner;
        owner.mainWindow().show();
        EXPECT_TRUE(ui(owner.mainWindow()).MainMenu1->isVisible());
        EXPECT_TRUE(boxes.messages.isEmpty());
    }
}

TEST(MenuState, OtherFirstByteWritesNothingButStillEnds)
{
    Started s("x20");
    const QByteArray tpl = testing_support::TempInstallation::templateText();
    s.program.messages().clear();
    s.program.main().ndramenylge1Click();
    EXPECT_EQ(s.program.messages(), QStringList{"Please restart the browser to make the new settings valid!"});
    EXPECT_FALSE(s.program.main().isVisible());
    EXPECT_EQ(s.program.folder().read("config/Kestrelon.cfg"), "x20" + tpl);
}

TEST(MenuState, MissingTemplateStopsTheCommandThenTheCloseStillEnds)
{
    Started s("020");
    QFile::remove(s.program.folder().file("config/template.cfg"));
    ui(s.program.main()).ndramenylge1->trigger();
    ASSERT_EQ(s.program.messages().size(), 2);
    EXPECT_EQ(s.program.messages().at(0),
              QStringLiteral("The main menu will now hide. Right click on the main window to the menu"));
    EXPECT_TRUE(s.program.messages().at(1).endsWith(QStringLiteral("Exception = File not found")));
    // Stopped at the template: still open, the two bytes written.
    EXPECT_TRUE(s.program.main().isVisible());
    EXPECT_EQ(s.program.folder().read("config/Kestrelon.cfg"), QByteArray("12"));
    // Closing reports the template again and ends with the three bytes.
    s.program.main().close();
    EXPECT_FALSE(s.program.main().isVisible());
    EXPECT_EQ(s.program.messages().size(), 3);
    EXPECT_EQ(s.program.folder().read("config/Kestrelon.cfg"), QByteArray("120"));
}

TEST(MenuState, EmptyTemplateIsReadBeyondItsEnd)
{
    Started s("120");
    s.program.folder().write("config/template.cfg", QByteArray());
    ui(s.program.main()).ndramenylge1->trigger();
    ASSERT_EQ(s.program.messages().size(), 1);
    EXPECT_TRUE(s.program.messages().at(0).endsWith(QStringLiteral("Exception = Read beyond end of file")))
        << s.program.messages().at(0).toStdString();
    EXPECT_TRUE(s.program.main().isVisible());
    EXPECT_EQ(s.program.folder().read("config/Kestrelon.cfg"), QByteArray("02"));
}
