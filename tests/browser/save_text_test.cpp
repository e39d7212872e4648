// The text pane's "Save to file" and "Clear", through the real windows.

#include "../netfeatures/windows_fixture.h"

#include "browser/save_text_dialog.h"
#include "browser/text_pane.h"
#include "toolkit/core/codepage.h"
#include "support/gui/window_parts.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QPlainTextEdit>

using namespace pane_testing;

namespace {

struct SaveFixture : ::testing::Test {
    ProgramWindows program;
    TForm12 &dialog = *program.forms().Form12;
    QPlainTextEdit &pane = *ui(program.browser()).Memo1;

    // Puts `text` in the pane, saves it under `name` with "OK!" and returns the file.
    QByteArray saveAs(const QByteArray &text, const QString &name = "newFile.html")
    {
        pane.setPlainText(toolkit::fromSingleByte(text));
        dialog.show();
        ui(dialog).Edit1->setText(name);
        ui(dialog).Button1->click();
        QFile file(QDir::isAbsolutePath(name) ? name : program.folder().file(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }
};

} // namespace

TEST_F(SaveFixture, LinesEndWithCarriageReturnAndLineFeed)
{
    EXPECT_EQ(ui(dialog).Edit1->text(), "newFile.html");
    EXPECT_EQ(saveAs(""), QByteArray());
    EXPECT_EQ(saveAs("one"), QByteArray("one\r\n"));
    EXPECT_EQ(saveAs("one\ntwo"), QByteArray("one\r\ntwo\r\n"));
    // A final line break gives one CR LF at the end, not two.
    EXPECT_EQ(saveAs("one\ntwo\n"), QByteArray("one\r\ntwo\r\n"));
    EXPECT_EQ(saveAs("one\r\ntwo\r\n"), QByteArray("one\r\ntwo\r\n"));
    EXPECT_EQ(saveAs("\n"), QByteArray("\r\n"));
    EXPECT_EQ(saveAs("a\n\n\nb"), QByteArray("a\r\n\r\n\r\nb\r\n"));
    EXPECT_EQ(program.messages().count("File saved as: newFile.html"), 7);
    EXPECT_FALSE(dialog.isVisible());
}

TEST_F(SaveFixture, EverySingleByteCharacterIsWrittenAsItIs)
{
    QByteArray all;
    for (int byte = 1; byte < 256; ++byte) {
        if (byte != '\n' && byte != '\r')
            all.append(char(byte));
    }
    EXPECT_EQ(saveAs(all, "all.txt"), all + "\r\n");
    // No-break spaces stay no-break spaces.
    EXPECT_EQ(saveAs("a\xA0\xA0z", "nbsp.txt"), QByteArray("a\xA0\xA0z\r\n"));
}

TEST_F(SaveFixture, SavingTwiceKeepsTheSecondTextAndNamesResolveAsTyped)
{
    EXPECT_EQ(saveAs("first text, longer than the second\n", "same.txt"), QByteArray("first text, longer than the second\r\n"));
    EXPECT_EQ(saveAs("second", "same.txt"), QByteArray("second\r\n"));

    testing_support::TempCurrentFolder elsewhere;
    const QString absolute = elsewhere.file("absolute.html");
    // An absolute name is used as it stands; the folder made current by the
    // helper above does not matter for it.
    EXPECT_EQ(saveAs("abs", absolute), QByteArray("abs\r\n"));
    EXPECT_TRUE(program.messages().contains("File saved as: " + absolute));
    // The name field keeps what was typed for the next use.
    dialog.show();
    EXPECT_EQ(ui(dialog).Edit1->text(), absolute);
}

TEST_F(SaveFixture, EnterInTheNameFieldSaves)
{
    pane.setPlainText("by enter");
    dialog.show();
    ui(dialog).Edit1->setText("enter.txt");
    QTest::keyClick(ui(dialog).Edit1, Qt::Key_A);
    EXPECT_TRUE(program.messages().isEmpty());
    EXPECT_EQ(ui(dialog).Edit1->text(), "enter.txta");
    QTest::keyClick(ui(dialog).Edit1, Qt::Key_Return);
    EXPECT_EQ(program.folder().read("enter.txta"), QByteArray("by enter\r\n"));
    EXPECT_EQ(program.messages(), QStringList{"File saved as: enter.txta"});
    EXPECT_FALSE(dialog.isVisible());
}

// The release of an Enter whose press went elsewhere (to the error box it
// closed) must not save again: that showed the box again, endlessly.
TEST_F(SaveFixture, EnterActsOnlyOnAReleaseWhosePressCameToTheField)
{
    pane.setPlainText("text");
    dialog.show();
    ui(dialog).Edit1->setText("missing/x.txt");
    QTest::keyClick(ui(dialog).Edit1, Qt::Key_Return);
    ASSERT_EQ(program.messages().size(), 1);
    EXPECT_TRUE(errorShown(program.messages(), "Cannot create file missing/x.txt"));

    // The box took the press; only the release reaches the field.
    QTest::keyRelease(ui(dialog).Edit1, Qt::Key_Return);
    QTest::keyRelease(ui(dialog).Edit1, Qt::Key_Enter);
    EXPECT_EQ(program.messages().size(), 1) << program.messages().join('\n').toStdString();

    // A whole key stroke in the field still saves.
    program.messages().clear();
    ui(dialog).Edit1->setText("x.txt");
    QTest::keyClick(ui(dialog).Edit1, Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_EQ(program.messages(), QStringList{"File saved as: x.txt"});
}

TEST_F(SaveFixture, ACreateFailureKeepsTheWindowOpenForAnotherTry)
{
    pane.setPlainText("keep me");
    program.folder().write("old.txt", "old");
    ASSERT_TRUE(QDir().mkpath(program.folder().file("afolder")));
    const QStringList bad = {"missing/folder/x.txt", "afolder", "/proc/kestrelon-no-such.txt", ""};
    for (const QString &name : bad) {
        program.messages().clear();
        dialog.show();
        ui(dialog).Edit1->setText(name);
        ui(dialog).Button1->click();
        EXPECT_TRUE(errorShown(program.messages(), "Cannot create file " + name)) << program.messages().join('\n').toStdString();
        EXPECT_EQ(program.messages().size(), 1) << name.toStdString();
        EXPECT_TRUE(dialog.isVisible()) << name.toStdString();
    }
    EXPECT_FALSE(QFileInfo::exists(program.folder().file("missing")));
    EXPECT_TRUE(QFileInfo(program.folder().file("afolder")).isDir());

    // Corrected, the same window saves.
    program.messages().clear();
    ui(dialog).Edit1->setText("old.txt");
    ui(dialog).Button1->click();
    EXPECT_EQ(program.folder().read("old.txt"), QByteArray("keep me\r\n"));
    EXPECT_EQ(program.messages(), QStringList{"File saved as: old.txt"});
    EXPECT_FALSE(dialog.isVisible());
}

TEST_F(SaveFixture, ThePanesContextMenu)
{
    auto *menu = program.browser().findChild<QMenu *>("PopupMenu1");
    ASSERT_NE(menu, nullptr);
    auto *save = menu->findChild<QAction *>("SaveTofile1");
    auto *clear = menu->findChild<QAction *>("Clear1");
    ASSERT_TRUE(save && clear);
    EXPECT_EQ(save->text(), "Save to file");
    EXPECT_EQ(clear->text(), "Clear");
    EXPECT_EQ(pane.contextMenuPolicy(), Qt::CustomContextMenu);

    // "Save to file" shows the name window, not modally.
    save->trigger();
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_FALSE(dialog.isModal());
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    dialog.hide();

    // "Clear" on a pane behind the engine empties it and leaves it there.
    pane.setPlainText("behind");
    ASSERT_FALSE(pane.isVisibleTo(&program.browser()));
    clear->trigger();
    EXPECT_TRUE(pane.toPlainText().isEmpty());
    EXPECT_FALSE(pane.isVisibleTo(&program.browser()));
    EXPECT_TRUE(QDir(program.folder().path()).entryList({"*.html"}, QDir::Files).isEmpty());

    // In front, it stays in front.
    pane.setPlainText("in front");
    pane.show();
    pane.raise();
    clear->trigger();
    EXPECT_TRUE(pane.toPlainText().isEmpty());
    EXPECT_TRUE(pane.isVisibleTo(&program.browser()));
}
