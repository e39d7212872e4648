// One program per installation folder, with the real binary in temporary
// installation folders: a later start hands its address to the running
// program and ends; a killed program's lock does not block the next start.

#include "support/core/page_server.h"
#include "support/gui/installation.h"

#include <QtEndian>

#include <gtest/gtest.h>

#include <csignal>
#include <sys/mount.h>
#include <unistd.h>

using testing_support::PageServer;
using testing_support::ProgramProcess;
using testing_support::TempInstallation;

namespace {

const QByteArray kPage = "<html><head><title>P</title></head><body>p</body></html>";

qint32 counter(const TempInstallation &folder)
{
    const QByteArray bytes = folder.read("config/stat.cfg");
    return bytes.size() == 4 ? qFromLittleEndian<qint32>(bytes.constData()) : -1;
}

// A later start: it must end by itself; returns its exit code.
int laterStart(const QString &folder, const QStringList &arguments, QByteArray *output = nullptr)
{
    ProgramProcess later(folder);
    if (!later.launch(arguments))
        return -3;
    const int code = later.wait();
    if (output)
        *output = later.output();
    // It opened no windows of its own.
    EXPECT_FALSE(later.output().contains("main window shown")) << later.output().constData();
    return code;
}

} // namespace

TEST(SingleProgram, LaterStartHandsItsAddressOverAndTheFirstOpensCountsAndRecordsIt)
{
    PageServer server({{"/p.html", kPage}});
    TempInstallation folder;
    folder.write("config/stat.cfg", QByteArray("\x07\x00\x00\x00", 4));
    ProgramProcess first(folder.path());
    ASSERT_TRUE(first.start()) << first.output().constData();

    // Without an address the running program only comes forward.
    EXPECT_EQ(laterStart(folder.path(), {}), 0);
    EXPECT_TRUE(first.running());

    const QString url = server.url("/p.html");
    QByteArray said;
    EXPECT_EQ(laterStart(folder.path(), {url, "http://127.0.0.1:1/ignored"}, &said), 0);
    EXPECT_TRUE(said.contains("only the first address is opened; ignored: http://127.0.0.1:1/ignored")) << said.constData();
    ASSERT_TRUE(first.waitForOutput("browser caption: P [Done]")) << first.output().constData();
    EXPECT_TRUE(first.running());

    EXPECT_EQ(first.terminate(), 0) << first.output().constData();
    EXPECT_EQ(counter(folder), 8);
    const QByteArray history = folder.read("config/history.cfg");
    EXPECT_TRUE(history.endsWith(url.toLatin1() + '\xf6')) << history.toHex().constData();
}

TEST(SingleProgram, AFirstStartWithAnAddressOpensItThroughGo)
{
    PageServer server({{"/p.html", kPage}});
    TempInstallation folder;
    ProgramProcess first(folder.path());
    ASSERT_TRUE(first.start({server.url("/p.html")})) << first.output().constData();
    ASSERT_TRUE(first.waitForOutput("browser caption: P [Done]")) << first.output().constData();
    EXPECT_EQ(first.terminate(), 0);
    EXPECT_EQ(counter(folder), 1);
    EXPECT_TRUE(folder.read("config/history.cfg").endsWith(server.url("/p.html").toLatin1() + '\xf6'))
        << folder.read("config/history.cfg").toHex().constData();
}

TEST(SingleProgram, TwoStartsAtTheSameMomentLeaveExactlyOneRunning)
{
    TempInstallation folder;
    ProgramProcess a(folder.path());
    ProgramProcess b(folder.path());
    ASSERT_TRUE(a.launch());
    ASSERT_TRUE(b.launch());
    // One of them ends with status 0, the other shows its main window.
    const auto oneShown = [&] {
        return a.output().contains("main window shown") + b.output().contains("main window shown");
    };
    ASSERT_TRUE(a.waitForOutput("main window shown", 60000) || b.waitForOutput("main window shown", 60000))
        << a.output().constData() << b.output().constData();
    ProgramProcess &shown = a.output().contains("main window shown") ? a : b;
    ProgramProcess &other = &shown == &a ? b : a;
    EXPECT_EQ(other.wait(), 0) << other.output().constData();
    EXPECT_EQ(oneShown(), 1);
    EXPECT_TRUE(shown.running());
    EXPECT_EQ(shown.terminate(), 0);
}

TEST(SingleProgram, AKilledProgramDoesNotBlockTheNextStart)
{
    TempInstallation folder;
    {
        ProgramProcess first(folder.path());
        ASSERT_TRUE(first.start());
        first.signal(SIGKILL);
        EXPECT_EQ(first.wait(), -1);
    }
    // Its lock file and socket are still there, owned by nobody.
    EXPECT_TRUE(folder.exists(".kestrelon.lock"));
    ProgramProcess next(folder.path());
    ASSERT_TRUE(next.start()) << next.output().constData();
    // And it is the one a later start finds.
    EXPECT_EQ(laterStart(folder.path(), {}), 0);
    EXPECT_TRUE(next.running());
    EXPECT_EQ(next.terminate(), 0);
}

TEST(SingleProgram, DifferentFoldersRunSideBySide)
{
    TempInstallation one;
    TempInstallation two;
    ProgramProcess a(one.path());
    ProgramProcess b(two.path());
    ASSERT_TRUE(a.start());
    ASSERT_TRUE(b.start()) << b.output().constData();
    EXPECT_TRUE(a.running());
    EXPECT_EQ(a.terminate(), 0);
    EXPECT_EQ(b.terminate(), 0);
}

TEST(SingleProgram, ARunningProgramThatDoesNotAnswerStopsTheLaterStart)
{
    TempInstallation folder;
    folder.write("config/stat.cfg", QByteArray("\x05\x00\x00\x00", 4));
    ProgramProcess first(folder.path());
    ASSERT_TRUE(first.start());
    first.signal(SIGSTOP);
    QByteArray said;
    const int code = laterStart(folder.path(), {"http://127.0.0.1:1/x"}, &said);
    first.signal(SIGCONT);
    EXPECT_EQ(code, 1);
    EXPECT_TRUE(said.contains("is already running in ")) << said.constData();
    EXPECT_TRUE(said.contains("but does not answer")) << said.constData();
    // The request that was given up is not opened late when the first one
    // wakes up: a start after it is answered, so it has been dealt with.
    EXPECT_EQ(laterStart(folder.path(), {}), 0);
    EXPECT_TRUE(first.running());
    EXPECT_EQ(first.terminate(), 0);
    EXPECT_FALSE(first.output().contains("opening http://127.0.0.1:1/x")) << first.output().constData();
    EXPECT_EQ(counter(folder), 5);
}

TEST(SingleProgram, HelpAndVersionPrintAndEnd)
{
    TempInstallation folder;
    QByteArray said;
    EXPECT_EQ(laterStart(folder.path(), {"--help"}, &said), 0);
    EXPECT_TRUE(said.startsWith("Usage: kestrelon [ADDRESS]")) << said.constData();
    EXPECT_EQ(laterStart(folder.path(), {"--version"}, &said), 0);
    EXPECT_EQ(said, "Kestrelon Beta 1.6\n");
    // Neither took the folder.
    EXPECT_FALSE(folder.exists(".kestrelon.lock"));
}

// A folder the program cannot write to: no lock, so it starts as before and
// warns. Needs the right to mount (root); skipped otherwise.
TEST(SingleProgram, AReadOnlyFolderStartsAnywayWithAWarning)
{
    TempInstallation folder;
    const QByteArray where = QFile::encodeName(folder.path());
    if (::geteuid() != 0 || ::mount(where.constData(), where.constData(), nullptr, MS_BIND, nullptr) != 0)
        GTEST_SKIP() << "cannot bind-mount here";
    struct Unmount {
        QByteArray where;
        ~Unmount() { ::umount2(where.constData(), MNT_DETACH); }
    } unmount{where};
    ASSERT_EQ(::mount(nullptr, where.constData(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr), 0);

    ProgramProcess program(folder.path());
    ASSERT_TRUE(program.start()) << program.output().constData();
    EXPECT_TRUE(program.output().contains("cannot lock the installation folder")) << program.output().constData();
    EXPECT_FALSE(folder.exists(".kestrelon.lock"));
    // The close cannot save on a read-only folder; it says so and still ends.
    EXPECT_EQ(program.terminate(), 0) << program.output().constData();
}
