#include "support/gui/installation.h"

#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QThread>

#include <csignal>
#include <sys/resource.h>

namespace testing_support {

TempInstallation::TempInstallation()
{
    const QString source = QStringLiteral(KESTRELON_SOURCE_DIR "/resources/install");
    QDirIterator it(source, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString from = it.next();
        const QString relative = QDir(source).relativeFilePath(from);
        QFile in(from);
        in.open(QIODevice::ReadOnly);
        write(relative, in.readAll());
    }
    QDir().mkpath(file("Bookmarks"));
    write("config/intallpath.cfg", path().toLocal8Bit());
}

QByteArray TempInstallation::templateText()
{
    QFile in(QStringLiteral(KESTRELON_SOURCE_DIR "/resources/install/config/template.cfg"));
    in.open(QIODevice::ReadOnly);
    return in.readAll();
}

ProgramProcess::ProgramProcess(const QString &folder, qint64 fileSizeLimit) : m_folder(folder)
{
    if (fileSizeLimit >= 0) {
        m_process.setChildProcessModifier([fileSizeLimit] {
            ::signal(SIGXFSZ, SIG_IGN);
            const rlimit limit{rlim_t(fileSizeLimit), rlim_t(fileSizeLimit)};
            ::setrlimit(RLIMIT_FSIZE, &limit);
        });
    }
}

ProgramProcess::~ProgramProcess()
{
    if (m_process.state() != QProcess::NotRunning) {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
}

bool ProgramProcess::start(const QStringList &arguments)
{
    // The program prints one line when its main window has been shown.
    return launch(arguments) && waitForOutput("kestrelon.startup: main window shown");
}

bool ProgramProcess::launch(const QStringList &arguments)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    if (!env.contains(QStringLiteral("QT_QPA_PLATFORM")))
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    // The program logs its start-up milestones in a category that is off by default.
    env.insert(QStringLiteral("QT_LOGGING_RULES"),
               QStringLiteral("kestrelon.startup.info=true;kestrelon.requests.info=true"));
    env.insert(m_environment);
    for (const QString &name : m_removed)
        env.remove(name);
    m_process.setProcessEnvironment(env);
    m_process.setWorkingDirectory(m_folder);
    m_process.setProcessChannelMode(QProcess::MergedChannels);
    m_process.start(QStringLiteral(KESTRELON_PROGRAM), arguments);
    return m_process.waitForStarted(10000);
}

bool ProgramProcess::waitForOutput(const QByteArray &text, int ms)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms) {
        m_output += m_process.readAll();
        if (m_output.contains(text))
            return true;
        if (m_process.state() == QProcess::NotRunning) {
            m_output += m_process.readAll();
            return m_output.contains(text);
        }
        m_process.waitForReadyRead(100);
    }
    return false;
}

void ProgramProcess::signal(int number)
{
    ::kill(pid_t(m_process.processId()), number);
}

int ProgramProcess::wait()
{
    // A process that has already ended is not waited for (Qt would say it
    // timed out).
    if (m_process.state() != QProcess::NotRunning && !m_process.waitForFinished(30000))
        return -2;
    m_output += m_process.readAll();
    return m_process.exitStatus() == QProcess::NormalExit ? m_process.exitCode() : -1;
}

int ProgramProcess::terminate()
{
    signal(SIGTERM);
    return wait();
}

} // namespace testing_support
