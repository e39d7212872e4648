#include "support/core/temp_folder.h"
#include "toolkit/core/exceptions.h"
#include "toolkit/core/owner_only.h"
#include "toolkit/core/paths.h"
#include "toolkit/core/record_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>
#include <functional>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace toolkit;
using testing_support::TempCurrentFolder;

namespace {
QString ioError(const std::function<void()> &f)
{
    try {
        f();
    } catch (const EInOutError &e) {
        return e.message();
    }
    return QStringLiteral("<no error>");
}
} // namespace

TEST(Resolver, BothSeparatorsAndAnyCaseNameTheSameFile)
{
    TempCurrentFolder dir;
    dir.write("config/history.cfg", "x");
    EXPECT_EQ(resolvePath("config\\History.cfg"), "config/history.cfg");
    EXPECT_EQ(resolvePath("CONFIG/HISTORY.CFG"), "config/history.cfg");
    // A name that does not exist keeps the spelling it was given.
    EXPECT_EQ(resolvePath("config\\New.cfg"), "config/New.cfg");
    EXPECT_EQ(resolvePath("Missing\\File.cfg"), "Missing/File.cfg");
    EXPECT_EQ(resolvePath(dir.path() + "\\CONFIG\\history.CFG"), dir.path() + "/config/history.cfg");
}

TEST(RecordFile, ReadsRecordsAndStopsAtTheEnd)
{
    TempCurrentFolder dir;
    dir.write("a.bin", QByteArray("\x07\x00\x00\x00\x01", 5));
    RecordFile f("A.BIN", 4);
    f.reset();
    EXPECT_EQ(f.read(), QByteArray("\x07\x00\x00\x00", 4));
    EXPECT_TRUE(f.eof());
    EXPECT_EQ(ioError([&] { f.read(); }), "Read beyond end of file");
}

// As the byte-by-byte loops read: at least one byte, then to the end.
TEST(RecordFile, WholeFileReadNeedsAByte)
{
    TempCurrentFolder dir;
    dir.write("config/some.cfg", QByteArray("a\0\xF6\r\n", 5));
    dir.write("empty.cfg", "");
    EXPECT_EQ(readWholeFile("CONFIG\\Some.cfg"), QByteArray("a\0\xF6\r\n", 5));
    EXPECT_EQ(ioError([] { readWholeFile("empty.cfg"); }), "Read beyond end of file");
    EXPECT_EQ(ioError([] { readWholeFile("none.cfg"); }), "File not found");
}

TEST(RecordFile, OpeningFailuresHaveTheLibraryTexts)
{
    TempCurrentFolder dir;
    EXPECT_EQ(ioError([] { RecordFile f("none.cfg", 1); f.reset(); }), "File not found");
    EXPECT_EQ(ioError([] { RecordFile f("nofolder\\none.cfg", 1); f.reset(); }), "Path not found");
    QDir().mkpath(dir.file("folder.cfg"));
    EXPECT_EQ(ioError([] { RecordFile f("folder.cfg", 1); f.reset(); }), "File access denied");
    EXPECT_EQ(ioError([] { RecordFile f("folder.cfg", 1); f.rewrite(); }), "File access denied");
}

TEST(RecordFile, RewriteReplacesAtomicallyAndKeepsTheOldFileOnAbandon)
{
    TempCurrentFolder dir;
    dir.write("s.cfg", "old");
    {
        RecordFile f("S.cfg", 1);
        f.rewrite();
        f.writeByte('n');
        // no close: an error left the writer
    }
    EXPECT_EQ(dir.read("s.cfg"), "old");
    {
        RecordFile f("s.cfg", 1);
        f.rewrite();
        f.writeByte('n');
        f.writeByte('e');
        f.writeByte('w');
        f.close();
    }
    EXPECT_EQ(dir.read("s.cfg"), "new");
    // No temporary file is left behind.
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);
}

namespace {
// Runs `check` without root's right to write anywhere: as root, in a child
// process that has become the unprivileged user. Returns what it returned.
bool unprivileged(const std::function<bool()> &check)
{
    if (::geteuid() != 0)
        return check();
    const pid_t child = ::fork();
    if (child == 0) {
        if (::setgid(65534) != 0 || ::setuid(65534) != 0)
            ::_exit(2);
        ::_exit(check() ? 0 : 1);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}
} // namespace

TEST(RecordFile, ReadOnlyFolderOrFileIsAccessDeniedAndNothingIsLost)
{
    TempCurrentFolder dir;
    ::chmod(QFile::encodeName(dir.path()).constData(), 0777);
    dir.write("ro/x.cfg", "keep");
    dir.write("rw/locked.cfg", "keep");
    ::chmod(QFile::encodeName(dir.file("ro")).constData(), 0555);
    ::chmod(QFile::encodeName(dir.file("ro/x.cfg")).constData(), 0666);
    ::chmod(QFile::encodeName(dir.file("rw")).constData(), 0777);
    ::chmod(QFile::encodeName(dir.file("rw/locked.cfg")).constData(), 0444);
    EXPECT_TRUE(unprivileged([] {
        return ioError([] { RecordFile f("ro/x.cfg", 1); f.rewrite(); f.writeByte('n'); f.close(); })
                   == "File access denied"
               // A read-only file in a writable folder is not replaced either.
               && ioError([] { RecordFile f("rw/locked.cfg", 1); f.rewrite(); f.close(); })
                      == "File access denied"
               && ioError([] { AppendFile f("ro/x.cfg"); f.open(); }) == "File access denied";
    }));
    EXPECT_EQ(dir.read("ro/x.cfg"), "keep");
    EXPECT_EQ(dir.read("rw/locked.cfg"), "keep");
    ::chmod(QFile::encodeName(dir.file("ro")).constData(), 0755);
}

TEST(AppendFile, AppendsToExistingContentOnly)
{
    TempCurrentFolder dir;
    EXPECT_EQ(ioError([] { AppendFile f("none.txt"); f.open(); }), "File not found");
    dir.write("t.txt", "ab");
    AppendFile f("T.txt");
    f.open();
    f.write("cd");
    f.close();
    EXPECT_EQ(dir.read("t.txt"), "abcd");
}

TEST(CurrentFolder, MovesAndReportsAMissingFolder)
{
    TempCurrentFolder dir;
    QDir().mkpath(dir.file("Bookmarks"));
    CurrentFolder::set(dir.path() + "\\bookmarks");
    EXPECT_EQ(QDir::currentPath(), dir.file("Bookmarks"));
    EXPECT_THROW(CurrentFolder::set(dir.path() + "/nothere"), EInOutError);
    EXPECT_EQ(QDir::currentPath(), dir.file("Bookmarks"));
}

TEST(RecordFile, TheLongestValidNameCanBeSaved)
{
    TempCurrentFolder dir;
    const QString name = QString(255 - 4, QLatin1Char('n')) + ".bkm";
    RecordFile f(name, 1);
    f.rewrite();
    f.writeByte('x');
    f.close();
    EXPECT_EQ(dir.read(name), "x");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);
}

namespace {
QString createError(const std::function<void()> &f)
{
    try {
        f();
    } catch (const EFCreateError &e) {
        return e.message();
    } catch (const Exception &e) {
        return QStringLiteral("<other error> ") + e.message();
    }
    return QStringLiteral("<no error>");
}

QStringList everything(const QString &folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
}
} // namespace

TEST(RecordFile, ANameLongerThanTheFileSystemTakesIsRefusedNotShortened)
{
    TempCurrentFolder dir;
    // The limit counts bytes on disk: "é" takes two, so 126 of them with
    // ".bkm" make 256 bytes, one too many, although only 130 characters.
    const QString tooLong = QString(126, QChar(0xE9)) + ".bkm";
    EXPECT_EQ(createError([&] { RecordFile f(tooLong, 1); f.rewrite(); f.writeByte('x'); f.close(); }),
              "Cannot create file " + tooLong);
    EXPECT_EQ(createError([&] { replaceFileAtomically(tooLong, "x"); }), "Cannot create file " + tooLong);
    // Nothing was written, no temporary file, no shortened name.
    EXPECT_TRUE(everything(dir.path()).isEmpty());

    // One byte less fits, and is stored under exactly that name.
    const QString longest = QString(125, QChar(0xE9)) + "x.bkm";
    RecordFile f(longest, 1);
    f.rewrite();
    f.writeByte('x');
    f.close();
    EXPECT_EQ(everything(dir.path()), QStringList{longest});
}

TEST(RecordFile, ANameHoldingANulByteNamesNoFile)
{
    TempCurrentFolder dir;
    // The system would read only "a" of "a\0b": neither a write nor a read
    // may reach the file "a" through such a name.
    dir.write("a", "keep");
    const QString withNul = QStringLiteral("a") + QChar(0) + QStringLiteral("b");
    EXPECT_EQ(createError([&] { RecordFile f(withNul, 1); f.rewrite(); f.writeByte('x'); f.close(); }),
              "Cannot create file " + withNul);
    EXPECT_EQ(ioError([&] { readWholeFile(withNul); }), "Invalid filename");
    EXPECT_EQ(ioError([&] { RecordFile f(withNul, 1); f.reset(); }), "Invalid filename");
    EXPECT_EQ(ioError([&] { CurrentFolder::set(dir.path() + QChar(0) + "/x"); }), "Invalid filename");
    EXPECT_EQ(QDir::currentPath(), dir.path());
    EXPECT_EQ(dir.read("a"), "keep");
    EXPECT_EQ(everything(dir.path()), QStringList{"a"});
}

// A file of the user's browsing is the user's alone under any umask, and an
// older copy others could read is closed when it is saved again; the user's
// own documents keep the umask.
TEST(RecordFile, OwnerOnlyFilesAreClosedToOthersWhateverTheUmask)
{
    TempCurrentFolder folder;
    const mode_t old = ::umask(0);
    const auto modeOf = [&](const char *name) {
        struct stat st {};
        ::stat(QFile::encodeName(folder.file(name)).constData(), &st);
        return st.st_mode & 07777;
    };
    folder.write("old.cfg", "x");
    ::chmod(QFile::encodeName(folder.file("old.cfg")).constData(), 0644);
    for (const char *name : {"new.cfg", "old.cfg"}) {
        RecordFile file(QString::fromLatin1(name), 1, FileAccess::OwnerOnly);
        file.rewrite();
        file.writeByte('y');
        file.close();
    }
    replaceFileAtomically(folder.file("document.txt"), "text");
    ::umask(old);
    EXPECT_EQ(modeOf("new.cfg"), 0600u);
    EXPECT_EQ(modeOf("old.cfg"), 0600u);
    EXPECT_EQ(modeOf("document.txt"), 0666u);
}

TEST(OwnerOnlyFolder, IsMadeClosedAndNeverFollowsALink)
{
    TempCurrentFolder folder;
    const mode_t old = ::umask(0);
    EXPECT_EQ(makeOwnerOnlyFolder(folder.file("new")), QString());
    ::umask(old);
    EXPECT_TRUE(isOwnerOnlyFolder(folder.file("new")));

    QDir().mkdir(folder.file("open"));
    ::chmod(QFile::encodeName(folder.file("open")).constData(), 0777);
    EXPECT_FALSE(isOwnerOnlyFolder(folder.file("open")));
    EXPECT_EQ(makeOwnerOnlyFolder(folder.file("open")), QString());
    EXPECT_TRUE(isOwnerOnlyFolder(folder.file("open")));

    // A link put where the folder should be, even to a closed folder of the
    // user's, is someone else's choice of place.
    QFile::link(folder.file("new"), folder.file("link"));
    EXPECT_FALSE(makeOwnerOnlyFolder(folder.file("link")).isEmpty());
    EXPECT_FALSE(isOwnerOnlyFolder(folder.file("link")));
    folder.write("file", "x");
    EXPECT_FALSE(makeOwnerOnlyFolder(folder.file("file")).isEmpty());
}

TEST(RecordFile, SavingThroughASymbolicLinkWritesTheFileItNames)
{
    TempCurrentFolder dir;
    QDir().mkpath(dir.file("notes"));
    QDir().mkpath(dir.file("links"));
    dir.write("notes/real.txt", "old");
    // A relative link in another folder, and a link to that link.
    ASSERT_EQ(::symlink("../notes/real.txt", QFile::encodeName(dir.file("links/link.txt")).constData()), 0);
    ASSERT_EQ(::symlink("links/link.txt", QFile::encodeName(dir.file("chain.txt")).constData()), 0);

    replaceFileAtomically(dir.file("chain.txt"), "new");
    EXPECT_EQ(dir.read("notes/real.txt"), "new");
    EXPECT_TRUE(QFileInfo(dir.file("chain.txt")).isSymLink());
    EXPECT_TRUE(QFileInfo(dir.file("links/link.txt")).isSymLink());
    // No temporary file is left beside the links or the file.
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System).size(), 1);
    EXPECT_EQ(QDir(dir.file("links")).entryList(QDir::Files | QDir::Hidden | QDir::System).size(), 1);
    EXPECT_EQ(QDir(dir.file("notes")).entryList(QDir::Files | QDir::Hidden).size(), 1);

    // A link whose file is not there yet makes that file.
    ASSERT_EQ(::symlink("notes/later.txt", QFile::encodeName(dir.file("pending.txt")).constData()), 0);
    replaceFileAtomically(dir.file("pending.txt"), "made");
    EXPECT_EQ(dir.read("notes/later.txt"), "made");
    EXPECT_TRUE(QFileInfo(dir.file("pending.txt")).isSymLink());
}

TEST(InstallationFolder, ProgramFilesStayThereWhenTheCurrentFolderMoves)
{
    TempCurrentFolder dir;
    QDir().mkpath(dir.file("Bookmarks"));
    QDir().mkpath(dir.file("Engine"));
    InstallationFolder::remember();
    CurrentFolder::set(dir.file("Bookmarks"));
    // Case and separators as everywhere; relative to the installation.
    EXPECT_EQ(installationPath("engine\\site-zoom.txt"), dir.path() + "/Engine/site-zoom.txt");
    EXPECT_EQ(resolvePath("engine\\site-zoom.txt"), "engine/site-zoom.txt");
    EXPECT_EQ(installationPath("/etc/x"), "/etc/x");
}
