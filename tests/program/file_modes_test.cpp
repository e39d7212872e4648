// What the program writes about the user's browsing is the user's alone,
// whatever the umask: the real program, one visit and a normal end.
#include "support/core/page_server.h"
#include "support/gui/installation.h"

#include <QDirIterator>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <sys/stat.h>

using testing_support::PageServer;
using testing_support::ProgramProcess;
using testing_support::TempInstallation;

namespace {

mode_t modeOf(const QString &path)
{
    struct stat st {};
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_mode & 07777 : mode_t(-1);
}

// Sets the umask for the span of a test (the program started inherits it).
class Umask {
public:
    explicit Umask(mode_t mask) : m_old(::umask(mask)) {}
    ~Umask() { ::umask(m_old); }

private:
    mode_t m_old;
};

} // namespace

TEST(FileModes, AFirstRunLeavesTheHistoryTheCountsAndTheEngineStoreToTheUser)
{
    Umask usual(022);
    PageServer server({{"/p", "<html><head><title>P</title><script>document.cookie = 'seen=yes; max-age=3600';"
                              "localStorage.setItem('k', 'v');</script></head><body>p</body></html>"}});
    TempInstallation folder;
    // Left by an older version with the umask's modes.
    folder.write("engine/site-zoom.txt", "127.0.0.1\t110\n");
    ::chmod(QFile::encodeName(folder.file("engine")).constData(), 0755);
    ::chmod(QFile::encodeName(folder.file("engine/site-zoom.txt")).constData(), 0644);
    ProgramProcess program(folder.path());
    ASSERT_TRUE(program.start({server.url("/p")})) << program.output().constData();
    ASSERT_TRUE(program.waitForOutput("browser caption: P [Done]")) << program.output().constData();
    EXPECT_EQ(program.terminate(), 0) << program.output().constData();

    for (const char *name : {"config/stat.cfg", "config/history.cfg", "config/Kestrelon.cfg"})
        EXPECT_EQ(modeOf(folder.file(name)), mode_t(0600)) << name;
    EXPECT_EQ(modeOf(folder.file("engine")), mode_t(0700));
    EXPECT_EQ(modeOf(folder.file("engine/site-zoom.txt")), mode_t(0600));
    int files = 0;
    QDirIterator it(folder.file("engine"), QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        ++files;
        EXPECT_EQ(modeOf(path) & 077, mode_t(0)) << path.toStdString() << " " << std::oct << modeOf(path);
    }
    EXPECT_GT(files, 1);
    // The installation's own files keep the modes they had.
    EXPECT_EQ(modeOf(folder.file("config/template.cfg")) & 044, mode_t(044));
}
