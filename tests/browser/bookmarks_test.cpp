// Bookmarks through the real windows: pages from a server on 127.0.0.1 in
// the real web engine, bookmark files in a fresh installation folder.

#include "../netfeatures/windows_fixture.h"

#include "bookmarks/bookmark_file.h"
#include "bookmarks/bookmark_list.h"
#include "bookmarks/bookmarks_window.h"
#include "toolkit/core/codepage.h"
#include "toolkit/core/paths.h"
#include "toolkit/core/record_file.h"
#include "support/gui/window_parts.h"

#include <QDir>
#include <QFile>
#include <QFileSystemModel>

using namespace pane_testing;

namespace {

QByteArray page(const QByteArray &title)
{
    return "<html><head><title>" + title + "</title></head><body>page</body></html>";
}

QString canonical(const QString &path)
{
    return QDir(path).canonicalPath();
}

// The names the file list shows, once the model has read the folder.
QStringList listedFiles(TForm9 &window)
{
    QStringList names;
    auto *model = static_cast<bookmarks::BookmarkList *>(ui(window).FileListBox1->model());
    const QModelIndex root = ui(window).FileListBox1->rootIndex();
    for (int row = 0; row < model->rowCount(root); ++row) {
        const QModelIndex index = model->index(row, 0, root);
        if (!ui(window).FileListBox1->isRowHidden(row))
            names.append(model->fileName(index));
    }
    names.sort();
    return names;
}

bool selectFile(TForm9 &window, const QString &name)
{
    if (!waitFor([&] { return listedFiles(window).contains(name); }, 10000))
        return false;
    auto *model = static_cast<bookmarks::BookmarkList *>(ui(window).FileListBox1->model());
    const QModelIndex index = model->index(window.directory() + '/' + name);
    ui(window).FileListBox1->selectionModel()->select(index, QItemSelectionModel::ClearAndSelect);
    return window.selectedFile() == window.directory() + '/' + name;
}

} // namespace

TEST(BookmarkCleaning, FullStopsAndTheNineCharacters)
{
    EXPECT_EQ(bookmarks::cleanTitle("a.b: c/d?"), QByteArray("a,b' c'd'"));
    EXPECT_EQ(bookmarks::cleanTitle("\\/:*?\"<>|."), QByteArray("''''''''',"));
    // Everything else stays: blanks, apostrophes, commas, high bytes.
    EXPECT_EQ(bookmarks::cleanTitle(" x' ,\xE9\xB4 "), QByteArray(" x' ,\xE9\xB4 "));
    EXPECT_EQ(bookmarks::bookmarkFileName(""), QStringLiteral("Bookmarks\\.bkm"));
}

TEST(BookmarkSaving, PageTitleNamesTheFileAndTheAddressIsItsWholeContent)
{
    PageServer server({{"/first", page("a.b/c:d")}, {"/second", page("a.b/c:d")}});
    ProgramWindows program;
    ASSERT_TRUE(program.open(server.url("/first"), "a.b/c:d"));

    ui(program.browser()).Button4->click();
    const QString file = "Bookmarks/a,b'c'd.bkm";
    ASSERT_TRUE(program.folder().exists(file));
    EXPECT_EQ(program.folder().read(file), toolkit::toSingleByte(program.browser().WebBrowser1().LocationURL()));
    EXPECT_EQ(program.folder().read(file), server.url("/first").toLatin1());
    EXPECT_EQ(program.messages(), QStringList{"Bookmark saved!"});

    // A second page of the same title replaces the first bookmark.
    ASSERT_TRUE(program.open(server.url("/second"), "a.b/c:d"));
    ui(program.browser()).Button4->click();
    EXPECT_EQ(program.folder().read(file), server.url("/second").toLatin1());
    EXPECT_EQ(QDir(program.folder().file("Bookmarks")).entryList(QDir::Files | QDir::Hidden).size(), 1);
}

// The engine's address is given encoded: decoded, a character outside the
// code page would turn into '?' in the address box and the bookmark, and
// name a different page.
TEST(BookmarkSaving, AnEncodedAddressStaysEncoded)
{
    PageServer server({{"/%E6%97%A5", page("Encoded")}});
    ProgramWindows program;
    const QString url = server.url("/%E6%97%A5");
    ASSERT_TRUE(program.open(url, "Encoded")) << program.browser().WebBrowser1().LocationURL().toStdString();
    ASSERT_TRUE(waitFor([&] { return program.main().addressText() == url; })) << program.main().addressText().toStdString();

    ui(program.browser()).Button4->click();
    EXPECT_EQ(program.folder().read("Bookmarks/Encoded.bkm"), url.toLatin1());
}

TEST(BookmarkSaving, AwkwardTitles)
{
    const QByteArray nine = "1\\2/3:4*5?6&quot;7&lt;8&gt;9|.end";
    const QByteArray wide = "\xE2\x82\xAC caf\xC3\xA9 \xE6\x97\xA5\xE6\x9C\xAC"; // euro sign, café, two CJK signs
    PageServer server({{"/nine", page(nine)}, {"/wide", "<meta charset=utf-8>" + page(wide)}});
    ProgramWindows program;

    ASSERT_TRUE(program.open(server.url("/nine"), "1\\2/3:4*5?6\"7<8>9|.end"));
    ui(program.browser()).Button4->click();
    EXPECT_TRUE(program.folder().exists("Bookmarks/1'2'3'4'5'6'7'8'9',end.bkm"));

    // The euro sign and é are in the code page; the CJK signs are not and
    // end up as apostrophes (first '?', then cleaned).
    ASSERT_TRUE(program.open(server.url("/wide"), QString::fromUtf8(wide)));
    ui(program.browser()).Button4->click();
    EXPECT_TRUE(program.folder().exists(QString::fromUtf8("Bookmarks/\xE2\x82\xAC caf\xC3\xA9 ''.bkm")));
    EXPECT_EQ(program.messages().count("Bookmark saved!"), 2);
}

TEST(BookmarkSaving, FailuresWriteNothingAndSayNothingSaved)
{
    const QByteArray longTitle(300, 'x');
    PageServer server({{"/long", page(longTitle)}, {"/short", page("short")}});
    ProgramWindows program;

    // A 300-character title makes a name no file system takes.
    ASSERT_TRUE(program.open(server.url("/long"), QString::fromLatin1(longTitle)));
    ui(program.browser()).Button4->click();
    EXPECT_TRUE(QDir(program.folder().file("Bookmarks")).entryList(QDir::Files | QDir::Hidden).isEmpty());
    EXPECT_FALSE(program.messages().contains("Bookmark saved!"));
    ASSERT_EQ(program.messages().size(), 1);
    EXPECT_TRUE(program.messages().first().startsWith("An exeption was raised!."));

    // No Bookmarks folder below the current folder.
    ASSERT_TRUE(QDir(program.folder().file("Bookmarks")).removeRecursively());
    ASSERT_TRUE(program.open(server.url("/short"), "short"));
    ui(program.browser()).Button4->click();
    EXPECT_TRUE(errorShown(program.messages(), "Path not found")) << program.messages().join('\n').toStdString();
    EXPECT_FALSE(program.messages().contains("Bookmark saved!"));
    EXPECT_FALSE(QFileInfo::exists(program.folder().file("Bookmarks")));
}

TEST(BookmarkSaving, ATitleTooLongOnDiskIsRefusedWholeAndAShorterOneIsListed)
{
    // "é" is one byte in the code page but two in a file name on disk: 130
    // of them and ".bkm" make 264 bytes, more than a file name may have.
    const QString tooLong(130, QChar(0xE9));
    const QString fits(100, QChar(0xE9));
    PageServer server({{"/long", "<meta charset=utf-8>" + page(tooLong.toUtf8())},
                       {"/fits", "<meta charset=utf-8>" + page(fits.toUtf8())}});
    ProgramWindows program;
    const QDir folder(program.folder().file("Bookmarks"));
    const auto stored = [&] { return folder.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot); };

    ASSERT_TRUE(program.open(server.url("/long"), tooLong));
    ui(program.browser()).Button4->click();
    EXPECT_TRUE(errorShown(program.messages(), "Cannot create file Bookmarks/" + tooLong + ".bkm"))
        << program.messages().join('\n').toStdString();
    EXPECT_FALSE(program.messages().contains("Bookmark saved!"));
    EXPECT_TRUE(stored().isEmpty()) << stored().join(' ').toStdString();

    ASSERT_TRUE(program.open(server.url("/fits"), fits));
    ui(program.browser()).Button4->click();
    EXPECT_EQ(program.messages().count("Bookmark saved!"), 1);
    EXPECT_EQ(stored(), QStringList{fits + ".bkm"});
    EXPECT_EQ(program.folder().read("Bookmarks/" + fits + ".bkm"), server.url("/fits").toLatin1());
    TForm9 &window = *program.forms().Form9;
    window.show();
    EXPECT_TRUE(waitFor([&] { return listedFiles(window) == QStringList{fits + ".bkm"}; }, 10000))
        << listedFiles(window).join(' ').toStdString();
    window.hide();
}

TEST(BookmarksWindow, ShowingMovesTheCurrentFolderAndHidingBringsItBack)
{
    ProgramWindows program;
    TForm9 &window = *program.forms().Form9;
    const QString install = canonical(program.folder().path());
    program.folder().write("Bookmarks/one.bkm", "http://127.0.0.1:1/one");
    program.folder().write("Bookmarks/.bkm", "http://127.0.0.1:1/untitled");
    program.folder().write("Bookmarks/notes.txt", "not a bookmark");
    program.folder().write("Bookmarks/one.bkm.old", "not a bookmark either");

    window.show();
    EXPECT_EQ(canonical(toolkit::CurrentFolder::path()), install + "/Bookmarks");
    EXPECT_EQ(window.InstallPath, program.folder().path().toLocal8Bit());
    // The bookmark of an untitled page is hidden on this system, and listed.
    ASSERT_TRUE(waitFor([&] { return listedFiles(window).size() == 2; }, 10000)) << listedFiles(window).join(' ').toStdString();
    EXPECT_EQ(listedFiles(window), (QStringList{".bkm", "one.bkm"}));

    // Relative names resolve in the folder shown meanwhile.
    EXPECT_EQ(toolkit::readWholeFile("one.bkm"), QByteArray("http://127.0.0.1:1/one"));

    window.hide();
    EXPECT_EQ(canonical(toolkit::CurrentFolder::path()), install);
    EXPECT_TRUE(program.messages().isEmpty()) << program.messages().join('\n').toStdString();

    // The path is read once: a later change of the file does not count.
    program.folder().write("config/intallpath.cfg", "/nowhere");
    window.show();
    EXPECT_EQ(canonical(toolkit::CurrentFolder::path()), install + "/Bookmarks");
    window.hide();
}

TEST(BookmarksWindow, OpeningABookmarkNavigatesCountsAndRecords)
{
    PageServer server({{"/target", page("Target")}});
    ProgramWindows program;
    TForm2 &main = program.main();
    TForm9 &window = *program.forms().Form9;
    const QString install = canonical(program.folder().path());
    const QByteArray address = server.url("/target").toLatin1();
    program.folder().write("Bookmarks/target.bkm", address);
    program.folder().write("Bookmarks/again.bkm", address);
    const qint32 total = main.TotalPages;
    const qint32 session = main.SessionPages;
    const qsizetype entries = main.HistoryList.size();

    window.show();
    ASSERT_TRUE(selectFile(window, "target.bkm"));
    ui(window).Button1->click();

    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(canonical(toolkit::CurrentFolder::path()), install);
    EXPECT_EQ(main.addressText(), QString::fromLatin1(address));
    EXPECT_EQ(main.TotalPages, total + 1);
    EXPECT_EQ(main.SessionPages, session + 1);
    ASSERT_EQ(main.HistoryList.size(), entries + 1);
    EXPECT_EQ(main.HistoryList.last(), address);
    EXPECT_TRUE(program.browser().isVisible());
    ASSERT_TRUE(waitFor([&] { return program.browser().WebBrowser1().LocationName() == "Target"; }));
    EXPECT_TRUE(server.requests().contains("GET /target HTTP/1.1"));

    // A double-click on the list does the same.
    window.show();
    ASSERT_TRUE(selectFile(window, "again.bkm"));
    window.FileListBox1DblClick();
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(main.TotalPages, total + 2);
    EXPECT_EQ(main.HistoryList.last(), address);
    EXPECT_TRUE(program.messages().isEmpty()) << program.messages().join('\n').toStdString();
}

TEST(BookmarksWindow, BadBookmarkFilesChangeNothing)
{
    ProgramWindows program;
    TForm2 &main = program.main();
    TForm9 &window = *program.forms().Form9;
    program.folder().write("Bookmarks/empty.bkm", "");
    program.folder().write("Bookmarks/gone.bkm", "http://127.0.0.1:1/");
    main.setAddressText("typed");
    const QString shown = program.browser().WebBrowser1().LocationURL();
    const qint32 total = main.TotalPages;
    const qsizetype entries = main.HistoryList.size();

    window.show();
    // Nothing selected: nothing happens, the window stays.
    ui(window).Button1->click();
    EXPECT_TRUE(window.isVisible());
    EXPECT_TRUE(program.messages().isEmpty());

    ASSERT_TRUE(selectFile(window, "empty.bkm"));
    ui(window).Button1->click();
    EXPECT_TRUE(errorShown(program.messages(), "Read beyond end of file")) << program.messages().join('\n').toStdString();
    EXPECT_TRUE(window.isVisible());

    ASSERT_TRUE(selectFile(window, "gone.bkm"));
    ASSERT_TRUE(QFile::remove(program.folder().file("Bookmarks/gone.bkm")));
    ui(window).Button1->click();
    EXPECT_TRUE(errorShown(program.messages(), "File not found")) << program.messages().join('\n').toStdString();

    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(main.addressText(), "typed");
    EXPECT_EQ(main.TotalPages, total);
    EXPECT_EQ(main.HistoryList.size(), entries);
    EXPECT_EQ(program.browser().WebBrowser1().LocationURL(), shown);
    window.hide();
}

TEST(BookmarksWindow, HandEditedLineBreakIsPartOfTheAddress)
{
    ProgramWindows program;
    TForm9 &window = *program.forms().Form9;
    program.folder().write("Bookmarks/edited.bkm", "http://127.0.0.1:1/x\r\n");
    window.show();
    ASSERT_TRUE(selectFile(window, "edited.bkm"));
    EXPECT_EQ(bookmarks::readBookmark(window.selectedFile()), QByteArray("http://127.0.0.1:1/x\r\n"));
    ui(window).Button1->click();
    EXPECT_FALSE(window.isVisible());
    // Passed on unchanged to the address box and from there to the history.
    EXPECT_EQ(program.main().addressText(), QStringLiteral("http://127.0.0.1:1/x\r\n"));
    EXPECT_EQ(program.main().HistoryList.last(), QByteArray("http://127.0.0.1:1/x\r\n"));
}

TEST(BookmarksWindow, MissingOrEmptyInstallPathAndMissingBookmarksFolder)
{
    ProgramWindows program;
    TForm9 &window = *program.forms().Form9;
    const QString install = canonical(program.folder().path());

    ASSERT_TRUE(QFile::remove(program.folder().file("config/intallpath.cfg")));
    window.show();
    EXPECT_TRUE(errorShown(program.messages(), "File not found")) << program.messages().join('\n').toStdString();
    EXPECT_TRUE(window.InstallPath.isEmpty());
    EXPECT_EQ(canonical(toolkit::CurrentFolder::path()), install);
    window.hide();
    EXPECT_EQ(canonical(toolkit::CurrentFolder::path()), install);

    program.folder().write("config/intallpath.cfg", "");
    program.messages().clear();
    window.show();
    EXPECT_TRUE(errorShown(program.messages(), "Read beyond end of file"));
    EXPECT_TRUE(window.InstallPath.isEmpty());
    window.hide();

    // The path is read, but its Bookmarks folder is missing: the folder
    // stays where it was, then and after hiding.
    program.folder().write("config/intallpath.cfg", program.folder().path().toLocal8Bit());
    ASSERT_TRUE(QDir(program.folder().file("Bookmarks")).removeRecursively());
    program.messages().clear();
    window.show();
    EXPECT_EQ(program.messages().size(), 1);
    EXPECT_EQ(window.InstallPath, program.folder().path().toLocal8Bit());
    EXPECT_EQ(canonical(toolkit::CurrentFolder::path()), install);
    window.hide();
    EXPECT_EQ(canonical(toolkit::CurrentFolder::path()), install);

    // The next show after the folder appeared works.
    ASSERT_TRUE(QDir().mkpath(program.folder().file("Bookmarks")));
    window.show();
    EXPECT_EQ(canonical(toolkit::CurrentFolder::path()), install + "/Bookmarks");
    window.hide();
    EXPECT_EQ(canonical(toolkit::CurrentFolder::path()), install);
}

TEST(BookmarksWindow, SavingWhileShownWritesBelowTheShownFolder)
{
    PageServer server({{"/p", page("Shown")}});
    ProgramWindows program;
    ASSERT_TRUE(program.open(server.url("/p"), "Shown"));
    TForm9 &window = *program.forms().Form9;
    window.show();

    // The shown folder has no Bookmarks folder of its own yet.
    ui(program.browser()).Button4->click();
    EXPECT_TRUE(errorShown(program.messages(), "Path not found")) << program.messages().join('\n').toStdString();
    EXPECT_FALSE(program.folder().exists("Bookmarks/Shown.bkm"));

    ASSERT_TRUE(QDir().mkpath(program.folder().file("Bookmarks/Bookmarks")));
    ui(program.browser()).Button4->click();
    EXPECT_TRUE(program.folder().exists("Bookmarks/Bookmarks/Shown.bkm"));
    EXPECT_FALSE(program.folder().exists("Bookmarks/Shown.bkm"));
    window.hide();
}

TEST(BookmarksWindow, OpeningAnotherFolderInTheListMovesTheCurrentFolder)
{
    ProgramWindows program;
    TForm9 &window = *program.forms().Form9;
    const QString install = canonical(program.folder().path());
    program.folder().write("Bookmarks/work/deep.bkm", "http://127.0.0.1:1/deep");
    window.show();

    auto *folders = static_cast<QFileSystemModel *>(ui(window).DirectoryListBox1->model());
    const QModelIndex work = folders->index(install + "/Bookmarks/work");
    ASSERT_TRUE(work.isValid());
    emit ui(window).DirectoryListBox1->activated(work);
    EXPECT_EQ(canonical(toolkit::CurrentFolder::path()), install + "/Bookmarks/work");
    ASSERT_TRUE(waitFor([&] { return listedFiles(window) == QStringList{"deep.bkm"}; }, 10000));

    // Hiding returns to the installation folder, not to Bookmarks.
    window.hide();
    EXPECT_EQ(canonical(toolkit::CurrentFolder::path()), install);
    EXPECT_TRUE(program.messages().isEmpty()) << program.messages().join('\n').toStdString();
}

TEST(BookmarkSaving, UntitledPagesShareTheHiddenBookmarkFile)
{
    PageServer server({{"/one", "<html><body>one</body></html>"}, {"/two", "<html><body>two</body></html>"}});
    ProgramWindows program;
    ASSERT_TRUE(program.open(server.url("/one"), QString()));
    ui(program.browser()).Button4->click();
    ASSERT_TRUE(program.folder().exists("Bookmarks/.bkm"));
    EXPECT_EQ(program.folder().read("Bookmarks/.bkm"), server.url("/one").toLatin1());
    // Each later untitled page replaces it.
    ASSERT_TRUE(program.open(server.url("/two"), QString()));
    ui(program.browser()).Button4->click();
    EXPECT_EQ(program.folder().read("Bookmarks/.bkm"), server.url("/two").toLatin1());
}
