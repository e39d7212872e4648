#include "info_fixture.h"

#include "infowindows/history_model.h"
#include "infowindows/history_window.h"
#include "support/gui/window_parts.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QTest>

using namespace info_testing;

namespace {

QStringList lines(const QListView *list)
{
    QStringList result;
    for (int i = 0; i < list->model()->rowCount(); ++i)
        result.append(list->model()->index(i, 0).data().toString());
    return result;
}

int count(const QListView *list)
{
    return list->model()->rowCount();
}

class HistoryWindow : public InfoWindowsTest {
protected:
    TForm5 &history() { return *forms().Form5; }
};

} // namespace

TEST_F(HistoryWindow, ShowsTheNonEmptyEntriesOldestFirstAndRepeats)
{
    // The entries a, (empty), b, a, then the empty one the reader adds.
    folder().write("config/history.cfg", QByteArray("a\xE4\xE4" "b\xE4" "a\xF6", 7));
    start();
    ASSERT_EQ(main().HistoryList.size(), 5);

    main().History1Click();
    ASSERT_TRUE(history().isVisible());
    EXPECT_EQ(lines(ui(history()).ListBox1), (QStringList{"a", "b", "a"}));
    // Each line is 13 pixels high.
    EXPECT_EQ(ui(history()).ListBox1->visualRect(ui(history()).ListBox1->model()->index(0, 0)).height(), 13);
}

TEST_F(HistoryWindow, IsASnapshotRebuiltAtEachShowOnly)
{
    folder().write("config/history.cfg", "first\xF6");
    start();
    main().History1Click();
    EXPECT_EQ(lines(ui(history()).ListBox1), QStringList{"first"});

    // Visits while it stays open do not show up, and choosing History again
    // only brings it forward.
    go(pages.url("/while-open"));
    main().History1Click();
    EXPECT_EQ(lines(ui(history()).ListBox1), QStringList{"first"});

    history().close();
    go(pages.url("/one"));
    go(pages.url("/two"));
    main().History1Click();
    EXPECT_EQ(lines(ui(history()).ListBox1),
              (QStringList{"first", pages.url("/while-open"), pages.url("/one"), pages.url("/two")}));
}

TEST_F(HistoryWindow, ClearEmptiesListAndMemoryWritesTheTerminatorAndEndsTheProgram)
{
    folder().write("config/stat.cfg", counterBytes(41));
    folder().write("config/history.cfg", "old\xE4visit\xF6");
    const QByteArray settingsBefore = folder().read("config/Kestrelon.cfg");
    start();
    go(pages.url("/counted"));
    main().History1Click();
    ASSERT_EQ(count(ui(history()).ListBox1), 3);

    clickOn(ui(history()).Button1);

    EXPECT_EQ(boxes().questions, QStringList{"Clear the whole history?"});
    EXPECT_EQ(count(ui(history()).ListBox1), 0);
    EXPECT_TRUE(main().HistoryList.isEmpty());
    EXPECT_TRUE(main().HistoryCleared);
    EXPECT_EQ(messages(), QStringList{"Please restart the browser!"});
    // The main window closed, hiding the history window on its way.
    EXPECT_FALSE(main().isVisible());
    EXPECT_FALSE(history().isVisible());
    EXPECT_EQ(folder().read("config/history.cfg"), QByteArray("\xF6"));
    // The counters stay; the counter file is written at that close, the
    // settings file is not touched.
    EXPECT_EQ(main().TotalPages, 42);
    EXPECT_EQ(folder().read("config/stat.cfg"), counterBytes(42));
    EXPECT_EQ(folder().read("config/Kestrelon.cfg"), settingsBefore);

    // The next run reads two empty entries and shows nothing.
    restart();
    EXPECT_EQ(main().HistoryList, (QList<QByteArray>{QByteArray(), QByteArray()}));
    main().History1Click();
    EXPECT_EQ(count(ui(history()).ListBox1), 0);
}

TEST_F(HistoryWindow, ClearAnsweredNoChangesNothing)
{
    folder().write("config/history.cfg", "old\xE4visit\xF6");
    start();
    go(pages.url("/counted"));
    main().History1Click();
    ASSERT_EQ(count(ui(history()).ListBox1), 3);
    const QList<QByteArray> before = main().HistoryList;

    boxes().answer = false;
    clickOn(ui(history()).Button1);

    EXPECT_EQ(boxes().questions, QStringList{"Clear the whole history?"});
    EXPECT_EQ(count(ui(history()).ListBox1), 3);
    EXPECT_EQ(main().HistoryList, before);
    EXPECT_FALSE(main().HistoryCleared);
    EXPECT_TRUE(messages().isEmpty()) << messages().join('|').toStdString();
    EXPECT_TRUE(main().isVisible());
    EXPECT_TRUE(history().isVisible());
    EXPECT_EQ(folder().read("config/history.cfg"), QByteArray("old\xE4visit\xF6"));
}

TEST_F(HistoryWindow, ClearThatCannotWriteTheFileKeepsTheProgramRunning)
{
    folder().write("config/history.cfg", "kept\xF6");
    start();
    main().History1Click();
    // A folder where the history file should be: the write fails.
    ASSERT_TRUE(QFile::remove(folder().file("config/history.cfg")));
    ASSERT_TRUE(QDir().mkdir(folder().file("config/history.cfg")));

    clickOn(ui(history()).Button1);

    ASSERT_EQ(messages().size(), 2);
    EXPECT_EQ(messages().at(0), "Please restart the browser!");
    EXPECT_TRUE(main().isVisible());
    EXPECT_TRUE(main().HistoryList.isEmpty());
    EXPECT_TRUE(main().HistoryCleared);
    EXPECT_EQ(count(ui(history()).ListBox1), 0);
}

TEST_F(HistoryWindow, ClearKeepsTheBottomRightCornerWhenResized)
{
    start();
    main().History1Click();
    QPushButton *clear = ui(history()).Button1;
    EXPECT_EQ(history().size(), QSize(313, 297));
    EXPECT_EQ(clear->geometry(), QRect(248, 280, 65, 17));

    history().resize(420, 360);
    EXPECT_EQ(clear->geometry(), QRect(355, 343, 65, 17));
    EXPECT_EQ(ui(history()).ListBox1->geometry(), QRect(0, 0, 420, 360));

    // Smaller than the button: it goes off the left and top edges rather
    // than leaving the corner.
    history().resize(120, 100);
    EXPECT_EQ(clear->geometry().bottomRight(), QPoint(119, 99));

    // The button lies over the list, so it is what a click in the corner hits.
    EXPECT_EQ(history().childAt(clear->geometry().center()), clear);
}

// The filter narrows the list to the lines holding every typed word (in any
// case); emptied, the whole list is back, and Enter opens what it shows.
TEST_F(HistoryWindow, FilterNarrowsToEveryWordAndOpensTheLineShown)
{
    folder().write("config/history.cfg", QByteArray("http://Alpha.test/one\xE4http://beta.test/one\xE4\xE4http://alpha.test/two\xF6"));
    start();
    main().History1Click();
    QLineEdit *filter = ui(history()).Filter;
    filter->setText(QStringLiteral("ALPHA"));
    EXPECT_EQ(lines(ui(history()).ListBox1), (QStringList{"http://Alpha.test/one", "http://alpha.test/two"}));
    filter->setText(QStringLiteral("alpha two"));
    EXPECT_EQ(lines(ui(history()).ListBox1), QStringList{"http://alpha.test/two"});
    filter->setText(QStringLiteral("one"));
    EXPECT_EQ(lines(ui(history()).ListBox1), (QStringList{"http://Alpha.test/one", "http://beta.test/one"}));
    filter->clear();
    EXPECT_EQ(count(ui(history()).ListBox1), 3);

    filter->setText(QStringLiteral("beta"));
    const qint32 pages = main().SessionPages;
    emit ui(history()).ListBox1->activated(ui(history()).ListBox1->model()->index(0, 0));
    EXPECT_EQ(main().HistoryList.last(), "http://beta.test/one");
    EXPECT_EQ(main().SessionPages, pages + 1);
}

TEST_F(HistoryWindow, EnterOpensAnEntryOnlyOnAKeystrokeMadeInTheList)
{
    const QString address = pages.url("/kept");
    folder().write("config/history.cfg", address.toLatin1() + "\xF6");
    start();
    main().History1Click();
    QListView *list = ui(history()).ListBox1;
    list->setCurrentIndex(list->model()->index(0, 0));
    list->setFocus();
    main().setAddressText(QString());

    // The repeats of an Enter held since a menu or a box, and the release of
    // an Enter pressed elsewhere, open nothing.
    QKeyEvent repeat(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"), true);
    QApplication::sendEvent(list, &repeat);
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
    QApplication::sendEvent(list, &release);
    EXPECT_EQ(main().SessionPages, 0);
    EXPECT_TRUE(main().addressText().isEmpty());

    // A whole Enter in the list opens the entry through Go, once.
    QTest::keyClick(list, Qt::Key_Return);
    EXPECT_EQ(main().SessionPages, 1);
    EXPECT_EQ(main().addressText(), address);
    EXPECT_EQ(main().HistoryList.last(), address.toLatin1());
}

// A filter over a history larger than it reads at once: the lines come in
// slices, and a filter typed while the last one is still reading starts
// over rather than narrowing the part it had read.
TEST(HistoryFilter, ALargeHistoryIsFilteredInSlicesAndNothingIsLost)
{
    QList<QByteArray> entries;
    for (int i = 0; i < 100000; ++i)
        entries.append("http://site" + QByteArray::number(i % 97) + ".test/" + QByteArray::number(i));
    const auto expected = [&](const QByteArray &word) {
        QStringList found;
        for (const QByteArray &entry : std::as_const(entries))
            if (entry.contains(word))
                found.append(QString::fromLatin1(entry));
        return found;
    };
    const auto shown = [](const HistoryModel &model) {
        QStringList result;
        for (int row = 0; row < model.rowCount(); ++row)
            result.append(model.index(row, 0).data().toString());
        return result;
    };
    HistoryModel model;
    model.setEntries(entries);
    ASSERT_TRUE(model.filtered());
    EXPECT_EQ(model.rowCount(), entries.size());

    model.setFilter("site1");
    EXPECT_FALSE(model.filtered());
    EXPECT_GT(model.rowCount(), 0);
    // Narrower words typed before the first filter is done.
    model.setFilter("site12.");
    ASSERT_TRUE(waitFor([&] { return model.filtered(); }));
    EXPECT_EQ(shown(model), expected("site12."));

    // Narrowing a finished filter reads its lines only, and finds them all.
    model.setFilter("site12.test/9");
    ASSERT_TRUE(waitFor([&] { return model.filtered(); }));
    EXPECT_EQ(shown(model), expected("site12.test/9"));
}
