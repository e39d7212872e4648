// Starts the program as main() does, in a fresh installation folder, lets it
// settle, then measures the CPU time it uses over 10 s with no input: once
// with the Development window hidden and once with it shown (its counters
// then repaint). The figure covers every thread of the process and, shown
// apart, the web engine's helper processes.
#include "app/application.h"
#include "app/development_window.h"
#include "app/main_window.h"
#include "app/session_end.h"
#include "app/window_set_owner.h"
#include "platform/engine_environment.h"
#include "toolkit/core/paths.h"

#include <QDir>
#include <QDirIterator>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <sys/resource.h>
#include <unistd.h>

namespace {

constexpr int kSettleMs = 5000;
constexpr int kMeasureMs = 10000;

double ownCpuMs()
{
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec * 1e3 + usage.ru_utime.tv_usec / 1e3 + usage.ru_stime.tv_sec * 1e3
           + usage.ru_stime.tv_usec / 1e3;
}

// utime + stime of every descendant process, from /proc.
double helperCpuMs(pid_t pid)
{
    double total = 0;
    std::ifstream children("/proc/" + std::to_string(pid) + "/task/" + std::to_string(pid) + "/children");
    pid_t child;
    while (children >> child) {
        std::ifstream stat("/proc/" + std::to_string(child) + "/stat");
        std::string line;
        std::getline(stat, line);
        std::istringstream fields(line.substr(line.rfind(')') + 2));
        std::string skip;
        for (int i = 0; i < 11; ++i)
            fields >> skip;
        long utime = 0, stime = 0;
        fields >> utime >> stime;
        total += (utime + stime) * 1000.0 / ::sysconf(_SC_CLK_TCK) + helperCpuMs(child);
    }
    return total;
}

void runLoop(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

void measure(const char *label, TForm2 &main)
{
    runLoop(kSettleMs);
    const qint32 idle = main.IdleCount, messages = main.MessageCount;
    const double own = ownCpuMs(), helpers = helperCpuMs(::getpid());
    runLoop(kMeasureMs);
    std::printf("  %-28s process %7.1f ms   engine helpers %7.1f ms   (idle +%d, messages +%d)\n", label,
                ownCpuMs() - own, helperCpuMs(::getpid()) - helpers, main.IdleCount - idle,
                main.MessageCount - messages);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char **argv)
{
    QTemporaryDir folder;
    const QString source = QStringLiteral(KESTRELON_SOURCE_DIR "/resources/install");
    QDirIterator it(source, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString from = it.next();
        const QString to = folder.path() + '/' + QDir(source).relativeFilePath(from);
        QDir().mkpath(QFileInfo(to).path());
        QFile::copy(from, to);
    }
    QDir().mkpath(folder.path() + "/Bookmarks");
    toolkit::CurrentFolder::set(folder.path());

    platform::prepareWebEngineEnvironment();
    KestrelonApplication app(argc, argv);
    WindowSetOwner windows;
    SessionEnd sessionEnd(windows.mainWindow());
    windows.mainWindow().show();

    std::printf("idle_cpu: CPU over %d s without input (platform %s)\n", kMeasureMs / 1000,
                qPrintable(QGuiApplication::platformName()));
    // Two rounds: CPU time on a shared machine is noisy, and a round that
    // differs from the other tells so.
    for (int round = 0; round < 2; ++round) {
        windows.forms().Form11->hide();
        measure("Development window hidden", windows.mainWindow());
        windows.forms().Form11->show();
        measure("Development window shown", windows.mainWindow());
    }
    return 0;
}
