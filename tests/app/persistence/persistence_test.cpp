#include "app/persistence/history_load.h"
#include "app/persistence/persistence.h"
#include "support/core/error_text.h"
#include "support/core/temp_folder.h"

#include <QDir>
#include <QSignalSpy>

#include <gtest/gtest.h>

using namespace persistence;
using testing_support::errorOf;
using testing_support::TempCurrentFolder;

namespace {

const QByteArray kTemplate = "template text\r\n";

// A fresh installation's config folder.
void writeFresh(const TempCurrentFolder &dir)
{
    dir.write("config/stat.cfg", QByteArray(4, '\0'));
    dir.write("config/history.cfg", QByteArray(1, char(0xF6)));
    dir.write("config/Kestrelon.cfg", "011" + kTemplate);
    dir.write("config/template.cfg", kTemplate);
}

QList<QByteArray> readHistoryFromStart()
{
    QList<QByteArray> list{QByteArray()};
    readHistory(list);
    return list;
}

CloseState closeState(const QList<QByteArray> &list, qint32 total = 0, char mode = '0', char show = '1')
{
    return CloseState{total, false, &list, mode, show};
}

} // namespace

TEST(CounterFile, LittleEndianRecordAndShortFile)
{
    TempCurrentFolder dir;
    dir.write("config/stat.cfg", QByteArray("\x0a\x01\x00\x00\xff", 5)); // extra byte ignored
    EXPECT_EQ(readTotalPages(), 266);
    writeTotalPages(-2);
    EXPECT_EQ(dir.read("config/stat.cfg"), QByteArray("\xfe\xff\xff\xff", 4));
    dir.write("config/stat.cfg", "\x07\x00");
    EXPECT_EQ(errorOf([] { readTotalPages(); }), "Read beyond end of file");
    QFile::remove(dir.file("config/stat.cfg"));
    EXPECT_EQ(errorOf([] { readTotalPages(); }), "File not found");
}

TEST(HistoryFile, SeparatorsTerminatorAndTrailingBytes)
{
    TempCurrentFolder dir;
    dir.write("config/history.cfg", QByteArray("a\xe4" "b\xf6" "ignored\xe4", 12));
    const auto list = readHistoryFromStart();
    EXPECT_EQ(list, (QList<QByteArray>{"a", "b", ""}));

    writeHistory(kHistoryFileAtClose, list);
    // Written back through the other spelling to the same file, one 228 more.
    EXPECT_EQ(dir.read("config/history.cfg"), QByteArray("a\xe4" "b\xe4\xf6"));
    EXPECT_FALSE(QFile::exists(dir.file("config/History.cfg")));
}

TEST(HistoryFile, ClearedFileGrowsByOneSeparatorPerRun)
{
    TempCurrentFolder dir;
    QDir().mkpath(dir.file("config"));
    writeClearedHistory();
    EXPECT_EQ(dir.read("config/history.cfg"), QByteArray(1, char(0xF6)));
    auto list = readHistoryFromStart();
    EXPECT_EQ(list, (QList<QByteArray>{"", ""}));
    writeHistory(kHistoryFileAtClose, list);
    EXPECT_EQ(dir.read("config/history.cfg"), QByteArray("\xe4\xf6"));
}

TEST(HistoryFile, EndOfFileWithoutTerminatorKeepsWhatWasRead)
{
    TempCurrentFolder dir;
    dir.write("config/history.cfg", QByteArray("ab\xe4" "cd"));
    EXPECT_EQ(readHistoryFromStart(), (QList<QByteArray>{"ab", "cd"}));
    dir.write("config/history.cfg", QByteArray());
    EXPECT_EQ(readHistoryFromStart(), (QList<QByteArray>{""}));
}

TEST(HistoryFile, EveryOtherByteIsTakenLiterally)
{
    TempCurrentFolder dir;
    QByteArray entry;
    for (int b = 0; b < 256; ++b)
        if (b != 0xE4 && b != 0xF6)
            entry.append(char(b));
    dir.write("config/history.cfg", entry + char(0xF6));
    EXPECT_EQ(readHistoryFromStart(), (QList<QByteArray>{entry, ""}));
}

TEST(HistoryFile, SeparatorLettersInsideAnEntryNoLongerSplitOrCut)
{
    TempCurrentFolder dir;
    // No history file yet: the close creates it as History.cfg, and the next
    // start finds it under the other spelling.
    QDir().mkpath(dir.file("config"));
    const QList<QByteArray> list{"http://b\xe4r/", "http://sch\xf6n/", "last", ""};
    writeHistory(kHistoryFileAtClose, list);
    EXPECT_EQ(dir.read("config/History.cfg"),
              QByteArray("http://b%C3%A4r/\xe4http://sch%C3%B6n/\xe4last\xe4\xf6"));
    EXPECT_EQ(readHistoryFromStart(),
              (QList<QByteArray>{"http://b%C3%A4r/", "http://sch%C3%B6n/", "last", "", ""}));
}

// The entries read share one block: each is still an array of its own,
// ending in a zero as arrays do, and changing one leaves its neighbours.
TEST(HistoryFile, EntriesReadAreIndependentArrays)
{
    TempCurrentFolder dir;
    dir.write("config/history.cfg", QByteArray("ab\xe4" "cd\xe4" "ef\xf6" "gh"));
    auto list = readHistoryFromStart();
    ASSERT_EQ(list, (QList<QByteArray>{"ab", "cd", "ef", ""}));
    for (const QByteArray &entry : std::as_const(list))
        EXPECT_EQ(qstrlen(entry.constData()), size_t(entry.size()));
    list[0].append("XYZ");
    list[1][0] = 'Q';
    EXPECT_EQ(list, (QList<QByteArray>{"abXYZ", "Qd", "ef", ""}));
    const QList<QByteArray> last{list.at(2)};
    list.clear();
    EXPECT_EQ(last, QList<QByteArray>{"ef"});
}

// More than the writer collects at once, with an entry larger than that and
// separator letters on both sides of where it flushes.
TEST(HistoryFile, AHistoryOfManyBlocksIsWrittenWhole)
{
    TempCurrentFolder dir;
    QDir().mkpath(dir.file("config"));
    QList<QByteArray> list;
    QByteArray expected;
    for (int i = 0; i < 40000; ++i) {
        list.append("http://site.test/page/" + QByteArray::number(i) + (i % 1000 == 0 ? "\xe4\xf6" : ""));
        expected += "http://site.test/page/" + QByteArray::number(i) + (i % 1000 == 0 ? "%C3%A4%C3%B6" : "") + '\xe4';
    }
    QByteArray huge(3 << 20, 'h');
    huge[1 << 20] = char(0xe4);
    list.append(huge);
    list.append("tail");
    expected += huge.replace("\xe4", "%C3%A4") + '\xe4' + "tail\xf6";
    writeHistory(kHistoryFileAtClose, list);
    EXPECT_TRUE(dir.read("config/History.cfg") == expected);
}

// The read runs behind its caller, which may move the current folder
// meanwhile (the bookmarks window does): it reads the file of the folder
// current when it began, and hands the result over once.
TEST(HistoryLoad, ReadsTheFolderItBeganInAndHandsTheResultOverOnce)
{
    TempCurrentFolder dir;
    dir.write("config/history.cfg", QByteArray("a\xe4" "b\xf6"));
    const QString elsewhere = dir.file("elsewhere");
    ASSERT_TRUE(QDir().mkpath(elsewhere + "/config"));
    {
        QFile other(elsewhere + "/config/history.cfg");
        ASSERT_TRUE(other.open(QIODevice::WriteOnly));
        other.write("other\xf6");
    }
    HistoryLoad load;
    QSignalSpy ready(&load, &HistoryLoad::ready);
    ASSERT_TRUE(QDir::setCurrent(elsewhere));
    ASSERT_TRUE(ready.wait());
    std::optional<HistoryLoad::Result> result = load.take();
    ASSERT_TRUE(result);
    EXPECT_FALSE(result->failed) << result->error.toStdString();
    EXPECT_EQ(result->entries, (QList<QByteArray>{"a", "b", ""}));
    EXPECT_TRUE(load.taken());
    EXPECT_FALSE(load.take());
}

// A failed read is handed over as a failure with the library's text, and
// the list as it was before the read.
TEST(HistoryLoad, AFailureCarriesTheLibraryTextAndNoEntries)
{
    TempCurrentFolder dir;
    ASSERT_TRUE(QDir().mkpath(dir.file("config")));
    HistoryLoad load;
    std::optional<HistoryLoad::Result> result = load.take();
    ASSERT_TRUE(result);
    EXPECT_TRUE(result->failed);
    EXPECT_EQ(result->error, "File not found");
    EXPECT_EQ(result->entries, QList<QByteArray>{QByteArray()});
}

TEST(SettingsFile, ReadsThreeBytesAndNeedsThem)
{
    TempCurrentFolder dir;
    dir.write("config/Kestrelon.cfg", "120tail");
    const SettingBytes bytes = readSettingBytes();
    EXPECT_EQ(bytes.menuState, '1');
    EXPECT_EQ(bytes.interfaceMode, '2');
    EXPECT_EQ(bytes.showBrowserAtStart, '0');
    dir.write("config/Kestrelon.cfg", "12");
    EXPECT_EQ(errorOf([] { readSettingBytes(); }), "Read beyond end of file");
}

TEST(SaveAtClose, WritesEveryFileWithExactlyOneTemplateCopy)
{
    TempCurrentFolder dir;
    writeFresh(dir);
    dir.write("config/Kestrelon.cfg", "120" + kTemplate + kTemplate); // two copies from an old bug
    const QList<QByteArray> list{"a", "b", ""};
    saveAtClose(closeState(list, 10, '2', '0'));
    EXPECT_EQ(dir.read("config/stat.cfg"), QByteArray("\x0a\x00\x00\x00", 4));
    EXPECT_EQ(dir.read("config/history.cfg"), QByteArray("a\xe4" "b\xe4\xf6"));
    EXPECT_EQ(dir.read("config/Kestrelon.cfg"), "120" + kTemplate);
}

TEST(SaveAtClose, ClearedHistoryWritesOnlyTheCounter)
{
    TempCurrentFolder dir;
    writeFresh(dir);
    dir.write("config/history.cfg", QByteArray(1, char(0xF6)));
    const QList<QByteArray> list;
    CloseState state = closeState(list, 5);
    state.historyCleared = true;
    saveAtClose(state);
    EXPECT_EQ(dir.read("config/stat.cfg"), QByteArray("\x05\x00\x00\x00", 4));
    EXPECT_EQ(dir.read("config/history.cfg"), QByteArray(1, char(0xF6)));
    EXPECT_EQ(dir.read("config/Kestrelon.cfg"), "011" + kTemplate);
}

TEST(SaveAtClose, MissingOrEmptyTemplateIsATemplateErrorAfterThreeBytes)
{
    for (const bool empty : {false, true}) {
        TempCurrentFolder dir;
        writeFresh(dir);
        if (empty)
            dir.write("config/template.cfg", "");
        else
            QFile::remove(dir.file("config/template.cfg"));
        const QList<QByteArray> list{""};
        try {
            saveAtClose(closeState(list, 0, '1', '1'));
            ADD_FAILURE() << "no error";
        } catch (const ETemplateError &e) {
            EXPECT_EQ(e.message(), empty ? "Read beyond end of file" : "File not found");
        }
        EXPECT_EQ(dir.read("config/Kestrelon.cfg"), "011");
        EXPECT_EQ(dir.read("config/history.cfg"), QByteArray(1, char(0xF6)));
    }
}

TEST(SaveAtClose, MissingSettingsFileStopsBeforeTheSettingsAreWritten)
{
    TempCurrentFolder dir;
    writeFresh(dir);
    QFile::remove(dir.file("config/Kestrelon.cfg"));
    const QList<QByteArray> list{"x", ""};
    EXPECT_EQ(errorOf([&] { saveAtClose(closeState(list, 3)); }), "File not found");
    // The steps before the failure stay done.
    EXPECT_EQ(dir.read("config/stat.cfg"), QByteArray("\x03\x00\x00\x00", 4));
    EXPECT_EQ(dir.read("config/history.cfg"), QByteArray("x\xe4\xf6"));
    EXPECT_FALSE(dir.exists("config/Kestrelon.cfg"));
}

TEST(SaveAtClose, AFolderInPlaceOfTheCounterFileLosesNothing)
{
    TempCurrentFolder dir;
    writeFresh(dir);
    QFile::remove(dir.file("config/stat.cfg"));
    QDir().mkpath(dir.file("config/stat.cfg"));
    const QByteArray historyBefore = dir.read("config/history.cfg");
    const QList<QByteArray> list{"x", ""};
    EXPECT_EQ(errorOf([&] { saveAtClose(closeState(list, 3)); }), "File access denied");
    EXPECT_EQ(dir.read("config/history.cfg"), historyBefore);
}

// Large histories are read and written in blocks; entries that straddle a
// block, and a terminator on either side of a block's edge, must come out
// exactly as the byte-at-a-time rule gives them.
TEST(HistoryFile, MillionsOfBytesReadAndWrittenAsTheByteRuleSays)
{
    TempCurrentFolder dir;
    for (const qsizetype cut : {qsizetype(1) << 20, (qsizetype(1) << 20) - 1, (qsizetype(1) << 20) + 1}) {
        QByteArray file;
        QList<QByteArray> expected{QByteArray()};
        quint32 seed = 7;
        while (file.size() < cut - 1) {
            seed = seed * 1103515245u + 12345u;
            const char byte = char(seed >> 16);
            if ((seed >> 8) % 97 == 0 || byte == char(0xE4)) {
                file.append(char(0xE4));
                expected.append(QByteArray());
            } else if (byte != char(0xF6)) {
                file.append(byte);
                expected.last().append(byte);
            }
        }
        file.truncate(cut - 1);
        // Rebuild the expectation from the cut file, byte by byte.
        expected = {QByteArray()};
        for (const char c : std::as_const(file)) {
            if (c == char(0xE4))
                expected.append(QByteArray());
            else
                expected.last().append(c);
        }
        expected.append(QByteArray());
        dir.write("config/history.cfg", file + char(0xF6) + QByteArray(5000, 'x'));
        const auto list = readHistoryFromStart();
        ASSERT_EQ(list.size(), expected.size());
        EXPECT_TRUE(list == expected) << "cut at " << cut;

        writeHistory(kHistoryFileAtClose, list);
        EXPECT_TRUE(dir.read("config/history.cfg") == file + char(0xE4) + char(0xF6)) << "cut at " << cut;
    }
}
