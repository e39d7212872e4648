#include "app/main_window.h"
#include "app/session_end.h"
#include "app/window_set_owner.h"
#include "app/development_window.h"
#include "addressbox/address_suggestions.h"
#include "browser/browser_window.h"
#include "browser/save_text_dialog.h"
#include "infowindows/history_window.h"
#include "infowindows/studio_picture_window.h"
#include "netfeatures/rpop_window.h"
#include "suggest/suggestion_service.h"
#include "support/gui/installation.h"
#include "support/gui/program_windows.h"
#include "toolkit/widgets/message_box.h"
#include "support/gui/window_parts.h"

#include <QDir>
#include <QEventLoop>
#include <QListView>
#include <QSignalSpy>
#include <QTimer>
#include <QMenuBar>

#include <limits>

#include <gtest/gtest.h>

using testing_support::TempInstallation;

namespace {

bool anyMessageContains(const toolkit::RecordingMessageBoxes &boxes, const QString &text)
{
    for (const QString &m : boxes.messages)
        if (m.contains(text))
            return true;
    return false;
}

QString messages(const toolkit::RecordingMessageBoxes &boxes)
{
    return boxes.messages.join(" | ");
}

// The history file is read in behind the first show.
bool historyIn(const TForm2 &main)
{
    return testing_support::waitFor([&] { return main.isHistoryLoaded(); });
}

} // namespace

TEST(StartUp, FreshInstallationLoadsEverythingAndShowsTheBrowser)
{
    TempInstallation folder;
    toolkit::RecordingMessageBoxes boxes;
    WindowSetOwner windows;
    TForm2 &main = windows.mainWindow();
    main.show();
    EXPECT_TRUE(boxes.messages.isEmpty()) << messages(boxes).toStdString();
    EXPECT_EQ(main.TotalPages, 0);
    ASSERT_TRUE(historyIn(main));
    EXPECT_EQ(main.HistoryList, (QList<QByteArray>{"", ""}));
    EXPECT_EQ(main.InterfaceMode, 1);
    EXPECT_FALSE(ui(main).Button1->pixmap().isNull());
    EXPECT_FALSE(ui(main).Image1->pixmap().isNull());
    EXPECT_TRUE(windows.forms().Form1->isVisible());
    EXPECT_FALSE(ui(main).MainMenu1->isHidden());
}

TEST(StartUp, MissingCounterFileIsReportedAndTheOtherFilesAreStillReadAndKept)
{
    TempInstallation folder;
    folder.write("config/history.cfg", QByteArray("a\xe4" "b\xf6"));
    folder.write("config/Kestrelon.cfg", "020" + TempInstallation::templateText());
    QFile::remove(folder.file("config/stat.cfg"));
    toolkit::RecordingMessageBoxes boxes;
    {
        WindowSetOwner windows;
        TForm2 &main = windows.mainWindow();
        main.show();
        EXPECT_EQ(boxes.messages.size(), 1) << messages(boxes).toStdString();
        EXPECT_TRUE(anyMessageContains(boxes, "File not found")) << messages(boxes).toStdString();
        EXPECT_EQ(main.TotalPages, 0);
        ASSERT_TRUE(historyIn(main));
        EXPECT_EQ(main.HistoryList, (QList<QByteArray>{"a", "b", ""}));
        EXPECT_EQ(main.InterfaceMode, 2);
        // The handler still ends with the files: no bitmaps.
        EXPECT_TRUE(ui(main).Image1->pixmap().isNull());
        EXPECT_TRUE(main.close());
    }
    // The close writes back what was read, not the initial values.
    EXPECT_EQ(folder.read("config/history.cfg"), QByteArray("a\xe4" "b\xe4\xf6"));
    EXPECT_EQ(folder.read("config/Kestrelon.cfg"), "020" + TempInstallation::templateText());
    EXPECT_EQ(folder.read("config/stat.cfg"), QByteArray(4, '\0'));
}

TEST(StartUp, ShortFilesStopAtTheirReadWithTheLibraryText)
{
    {
        TempInstallation folder;
        folder.write("config/stat.cfg", "\x07");
        toolkit::RecordingMessageBoxes boxes;
        WindowSetOwner windows;
        EXPECT_TRUE(anyMessageContains(boxes, "Read beyond end of file"));
        // The history is read all the same: the fresh one's empty entry and
        // the one every start adds.
        ASSERT_TRUE(historyIn(windows.mainWindow()));
        EXPECT_EQ(windows.mainWindow().HistoryList.size(), 2);
    }
    {
        TempInstallation folder;
        folder.write("config/stat.cfg", QByteArray("\x07\x00\x00\x00", 4));
        folder.write("config/history.cfg", QByteArray("a\xf6"));
        folder.write("config/Kestrelon.cfg", "12");
        toolkit::RecordingMessageBoxes boxes;
        WindowSetOwner windows;
        TForm2 &main = windows.mainWindow();
        EXPECT_TRUE(anyMessageContains(boxes, "Read beyond end of file"));
        // Counter and history were read before the settings failed.
        EXPECT_EQ(main.TotalPages, 7);
        ASSERT_TRUE(historyIn(main));
        EXPECT_EQ(main.HistoryList, (QList<QByteArray>{"a", ""}));
        EXPECT_EQ(main.InterfaceMode, 0);
        EXPECT_FALSE(ui(main).MainMenu1->isHidden()) << "menu state must not be applied";
    }
}

TEST(StartUp, NonDigitModeByteIsAConversionErrorAfterTheBrowserByte)
{
    TempInstallation folder;
    folder.write("config/Kestrelon.cfg", "1x1" + TempInstallation::templateText());
    toolkit::RecordingMessageBoxes boxes;
    WindowSetOwner windows;
    TForm2 &main = windows.mainWindow();
    main.show();
    EXPECT_TRUE(anyMessageContains(boxes, "'x' is not a valid integer value")) << messages(boxes).toStdString();
    EXPECT_EQ(main.ShowBrowserAtStart, '1');
    EXPECT_FALSE(ui(main).MainMenu1->isHidden()) << "menu state comes after the conversion";
    EXPECT_TRUE(ui(main).Image1->pixmap().isNull());
    EXPECT_TRUE(windows.forms().Form1->isVisible());
}

TEST(StartUp, ModeOutOfRangeIsReportedAtShowAndKeptForTheClose)
{
    TempInstallation folder;
    folder.write("config/Kestrelon.cfg", "050" + TempInstallation::templateText());
    toolkit::RecordingMessageBoxes boxes;
    {
        WindowSetOwner windows;
        TForm2 &main = windows.mainWindow();
        main.show();
        EXPECT_EQ(boxes.messages, QStringList{"Invalid parameter in Kestrelon.cfg: 5"});
        EXPECT_EQ(main.InterfaceMode, 5);
        EXPECT_TRUE(main.close());
    }
    EXPECT_EQ(folder.read("config/Kestrelon.cfg"), "050" + TempInstallation::templateText());
}

TEST(StartUp, MenuStateOneDetachesTheMenuAndKeepsTheClientSize)
{
    TempInstallation folder;
    folder.write("config/Kestrelon.cfg", "120" + TempInstallation::templateText());
    toolkit::RecordingMessageBoxes boxes;
    WindowSetOwner windows;
    TForm2 &main = windows.mainWindow();
    main.show();
    EXPECT_TRUE(ui(main).MainMenu1->isHidden());
    EXPECT_EQ(main.centralWidget()->size(), QSize(440, 92));
    EXPECT_FALSE(windows.forms().Form1->isVisible());
    EXPECT_EQ(main.InterfaceMode, 2);
}

TEST(Close, AFailedSaveKeepsTheWindowOpenAndLosesNothing)
{
    TempInstallation folder;
    const QByteArray history = QByteArray("keep\xf6");
    folder.write("config/history.cfg", history);
    toolkit::RecordingMessageBoxes boxes;
    WindowSetOwner windows;
    TForm2 &main = windows.mainWindow();
    main.show();
    // A folder where the counter file should be: the first write fails.
    QFile::remove(folder.file("config/stat.cfg"));
    QDir().mkpath(folder.file("config/stat.cfg"));
    EXPECT_FALSE(main.close());
    EXPECT_TRUE(main.isVisible());
    EXPECT_FALSE(windows.forms().Form1->isVisible()) << "the hidden windows stay hidden";
    EXPECT_TRUE(anyMessageContains(boxes, "File access denied")) << messages(boxes).toStdString();
    EXPECT_EQ(folder.read("config/history.cfg"), history);

    // Once the user has made room, closing works.
    QDir(folder.file("config/stat.cfg")).removeRecursively();
    EXPECT_TRUE(main.close());
    EXPECT_EQ(folder.read("config/history.cfg"), QByteArray("keep\xe4\xf6"));
}

TEST(Close, MissingTemplateIsReportedAndTheProgramStillCloses)
{
    TempInstallation folder;
    QFile::remove(folder.file("config/template.cfg"));
    toolkit::RecordingMessageBoxes boxes;
    WindowSetOwner windows;
    TForm2 &main = windows.mainWindow();
    main.show();
    EXPECT_TRUE(main.close());
    EXPECT_TRUE(anyMessageContains(boxes, "File not found")) << messages(boxes).toStdString();
    EXPECT_EQ(folder.read("config/Kestrelon.cfg"), "011");
}

TEST(Close, HidesTheEightWindowsButNotTheOtherFour)
{
    TempInstallation folder;
    toolkit::RecordingMessageBoxes boxes;
    WindowSetOwner windows;
    TForm2 &main = windows.mainWindow();
    main.show();
    const WindowSet &forms = windows.forms();
    const QList<QWidget *> hidden = windowsHiddenAtClose(forms);
    const QList<QWidget *> others = {forms.Form10, forms.Form11, forms.Form12, forms.Form13};
    for (QWidget *w : hidden + others)
        w->show();
    EXPECT_TRUE(main.close());
    for (QWidget *w : hidden)
        EXPECT_FALSE(w->isVisible()) << w->windowTitle().toStdString();
    // These go away with the process, not with the close step.
    for (QWidget *w : others)
        EXPECT_TRUE(w->isVisible()) << w->windowTitle().toStdString();
}

TEST(Close, TheLargestCountWrapsOnTheNextGoAndIsSavedAsItStands)
{
    TempInstallation folder;
    folder.write("config/stat.cfg", QByteArray("\xff\xff\xff\x7f", 4));
    toolkit::RecordingMessageBoxes boxes;
    WindowSetOwner windows;
    TForm2 &main = windows.mainWindow();
    main.show();
    main.setAddressText("about:blank");
    main.Button1Click();
    EXPECT_EQ(main.TotalPages, std::numeric_limits<qint32>::min());
    EXPECT_TRUE(main.close());
    EXPECT_EQ(folder.read("config/stat.cfg"), QByteArray("\x00\x00\x00\x80", 4));
}

// Asked before a log-off, the program hides and saves but keeps running: the
// log-off may still be cancelled, and then the user carries on.
TEST(Close, ALogOffRequestSavesAndKeepsTheProgramRunning)
{
    TempInstallation folder;
    toolkit::RecordingMessageBoxes boxes;
    WindowSetOwner windows;
    TForm2 &main = windows.mainWindow();
    main.show();
    windows.forms().Form1->show();
    main.TotalPages = 77;
    SessionEnd sessionEnd(main);

    // The request arrives inside the event loop; a program that ends there
    // leaves the loop with its own code before the next turn.
    QEventLoop loop;
    QTimer::singleShot(0, &loop, [&] {
        sessionEnd.logOffRequested();
        QTimer::singleShot(0, &loop, [&] { loop.exit(7); });
    });
    EXPECT_EQ(loop.exec(), 7) << "the program ended at the request";

    EXPECT_FALSE(windows.forms().Form1->isVisible());
    EXPECT_TRUE(main.isVisible());
    EXPECT_EQ(folder.read("config/stat.cfg"), QByteArray("\x4d\0\0\0", 4));
    EXPECT_EQ(messages(boxes), "");
}

// The history file is read behind the first show. What the user does before
// it is in keeps the order it would have had with the file read first.
namespace {

// The windows made and the main window shown, in the current installation
// folder, before the history file has been taken in.
struct ShownBeforeTheHistory {
    ShownBeforeTheHistory() { main.show(); }
    toolkit::RecordingMessageBoxes boxes;
    WindowSetOwner windows;
    TForm2 &main = windows.mainWindow();
};

} // namespace

TEST(HistoryLoad, TheCloseWaitsForTheFileAndKeepsTheVisitsMadeBeforeIt)
{
    TempInstallation folder;
    folder.write("config/history.cfg", QByteArray("a\xe4" "b\xf6"));
    ShownBeforeTheHistory s;
    ASSERT_FALSE(s.main.isHistoryLoaded());
    s.main.setAddressText("about:blank");
    s.main.Button1Click();
    EXPECT_EQ(s.main.SessionPages, 1);
    EXPECT_TRUE(s.main.close());
    EXPECT_EQ(folder.read("config/history.cfg"), QByteArray("a\xe4" "b\xe4\xe4" "about:blank\xf6"));
    EXPECT_EQ(messages(s.boxes), "");
}

TEST(HistoryLoad, WhatArrivesReachesTheHistoryWindowShownMeanwhileAndTheIndexBeforeTheVisits)
{
    TempInstallation folder;
    folder.write("config/history.cfg", QByteArray("about:blank#old\xf6"));
    ShownBeforeTheHistory s;
    suggest::SuggestionService &index = s.main.suggestions().service();
    QSignalSpy built(&index, &suggest::SuggestionService::built);
    ASSERT_FALSE(s.main.isHistoryLoaded());
    s.main.setAddressText("about:blank#new");
    s.main.Button1Click();
    s.main.History1Click();
    QAbstractItemModel *lines = ui(*s.windows.forms().Form5).ListBox1->model();
    EXPECT_EQ(lines->rowCount(), 1);

    ASSERT_TRUE(historyIn(s.main));
    EXPECT_EQ(s.main.HistoryList, (QList<QByteArray>{"about:blank#old", "", "about:blank#new"}));
    ASSERT_EQ(lines->rowCount(), 2);
    EXPECT_EQ(lines->index(0, 0).data().toString(), "about:blank#old");

    // The visit made before the file was in is the newest.
    ASSERT_TRUE(testing_support::waitFor([&] { return !built.isEmpty(); }));
    QSignalSpy ready(&index, &suggest::SuggestionService::suggestionsReady);
    index.request("about");
    ASSERT_TRUE(testing_support::waitFor([&] { return !ready.isEmpty(); }));
    const auto found = ready.takeFirst().at(2).value<QList<suggest::Suggestion>>();
    ASSERT_EQ(found.size(), 2);
    EXPECT_EQ(found.first().address, "about:blank#new");
}

TEST(HistoryLoad, AHistoryClearedBeforeItIsInStaysCleared)
{
    TempInstallation folder;
    folder.write("config/history.cfg", QByteArray("a\xe4" "b\xf6"));
    ShownBeforeTheHistory s;
    ASSERT_FALSE(s.main.isHistoryLoaded());
    s.main.clear();
    ASSERT_TRUE(historyIn(s.main));
    EXPECT_TRUE(s.main.HistoryList.isEmpty());
    EXPECT_EQ(folder.read("config/history.cfg"), QByteArray("\xf6"));
}

// A file that cannot be read is reported once it is known; the start-up
// steps after the history went on meanwhile.
TEST(HistoryLoad, AFailedReadIsReportedAfterTheShowAndTheSkinIsLoaded)
{
    TempInstallation folder;
    QFile::remove(folder.file("config/history.cfg"));
    ASSERT_TRUE(QDir().mkdir(folder.file("config/history.cfg")));
    ShownBeforeTheHistory s;
    EXPECT_FALSE(ui(s.main).Image1->pixmap().isNull());
    ASSERT_TRUE(historyIn(s.main));
    EXPECT_EQ(s.boxes.messages.size(), 1) << messages(s.boxes).toStdString();
    EXPECT_TRUE(anyMessageContains(s.boxes, "File access denied")) << messages(s.boxes).toStdString();
    EXPECT_EQ(s.main.HistoryList, QList<QByteArray>{QByteArray()});
}
