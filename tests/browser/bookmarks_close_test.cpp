// Closing the main window while the bookmarks window is open: the files
// saved at close must land in the installation folder, not in the folder
// the bookmarks window had made current.

#include "../netfeatures/windows_fixture.h"

#include "bookmarks/bookmarks_window.h"
#include "toolkit/core/paths.h"
#include "toolkit/core/record_file.h"

#include <QDir>
#include <QFile>
#include <QtEndian>

using namespace pane_testing;

namespace {

QString canonical(const QString &path)
{
    return QDir(path).canonicalPath();
}

qint32 storedTotal(const QByteArray &file)
{
    return file.size() == 4 ? qFromLittleEndian<qint32>(file.constData()) : -1;
}

} // namespace

TEST(ClosingWithBookmarksOpen, FilesAreSavedInTheInstallationFolder)
{
    ProgramWindows program;
    TForm2 &main = program.main();
    TForm9 &window = *program.forms().Form9;
    const QString install = canonical(program.folder().path());
    // A config folder where the bookmarks window leaves the current folder:
    // a save in the wrong folder would succeed there unnoticed.
    ASSERT_TRUE(QDir().mkpath(program.folder().file("Bookmarks/config")));
    main.TotalPages = 41;
    main.HistoryList.append("http://127.0.0.1:1/remembered");

    window.show();
    ASSERT_EQ(canonical(toolkit::CurrentFolder::path()), install + "/Bookmarks");
    EXPECT_TRUE(main.close());

    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(canonical(toolkit::CurrentFolder::path()), install);
    EXPECT_EQ(storedTotal(program.folder().read("config/stat.cfg")), 41);
    EXPECT_TRUE(toolkit::readWholeFile(program.folder().path() + "/config/History.cfg").contains("http://127.0.0.1:1/remembered"));
    EXPECT_TRUE(QDir(program.folder().file("Bookmarks/config")).isEmpty());
    EXPECT_TRUE(program.messages().isEmpty()) << program.messages().join('\n').toStdString();
}

TEST(ClosingWithBookmarksOpen, AStalePathFileDoesNotMoveTheSaveIntoAnotherInstallation)
{
    // config/intallpath.cfg names another installation (this one was copied
    // from there): the bookmarks window shows that one's bookmarks, but
    // hiding it comes back here, so this run's files are saved here.
    testing_support::TempCurrentFolder other;
    QDir().mkpath(other.file("Bookmarks"));
    QDir().mkpath(other.file("config"));
    other.write("config/stat.cfg", QByteArray("\x07\0\0\0", 4));
    ProgramWindows program([&](testing_support::TempInstallation &folder) {
        folder.write("config/intallpath.cfg", other.path().toLocal8Bit());
    });
    TForm2 &main = program.main();
    TForm9 &window = *program.forms().Form9;
    const QString install = canonical(program.folder().path());
    main.TotalPages = 12;

    window.show();
    ASSERT_EQ(canonical(toolkit::CurrentFolder::path()), canonical(other.path()) + "/Bookmarks");
    window.hide();
    EXPECT_EQ(canonical(toolkit::CurrentFolder::path()), install);

    window.show();
    EXPECT_TRUE(main.close());
    EXPECT_EQ(storedTotal(program.folder().read("config/stat.cfg")), 12);
    EXPECT_EQ(storedTotal(other.read("config/stat.cfg")), 7);
}

TEST(ClosingWithBookmarksOpen, AFailedReturnIsReportedAndTheSaveDoesNotGoUnnoticed)
{
    ProgramWindows program;
    TForm2 &main = program.main();
    TForm9 &window = *program.forms().Form9;
    window.show();
    const QString install = program.folder().path();
    // The installation folder goes away under the running program.
    const QString moved = install + "-moved";
    ASSERT_TRUE(QDir().rename(install, moved));

    const bool closed = main.close();
    // Returning failed and was reported; the save then had no config folder
    // to write into, so it failed loudly as well and the window stayed open.
    EXPECT_FALSE(closed);
    EXPECT_TRUE(main.isVisible());
    EXPECT_GE(program.messages().size(), 2) << program.messages().join('\n').toStdString();
    EXPECT_FALSE(QFileInfo::exists(moved + "/Bookmarks/config"));

    ASSERT_TRUE(QDir().rename(moved, install));
    toolkit::CurrentFolder::set(install);
}
