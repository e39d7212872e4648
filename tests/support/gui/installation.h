#pragma once

#include "support/core/temp_folder.h"

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>

namespace testing_support {

// A fresh installation folder, laid out from resources/install as the run
// script does, made the current folder for the object's lifetime.
class TempInstallation : public TempCurrentFolder {
public:
    TempInstallation();

    // The template text of a fresh installation.
    static QByteArray templateText();
};

// The real program started in an installation folder (offscreen by default),
// optionally with a limit on the size of the files it writes (a write past
// it then fails as on a full disk instead of killing the process).
class ProgramProcess {
public:
    explicit ProgramProcess(const QString &folder, qint64 fileSizeLimit = -1);
    ~ProgramProcess();

    // An environment variable for the next start (DISPLAY, say).
    void setEnvironmentValue(const QString &name, const QString &value) { m_environment.insert(name, value); }
    // One the next start goes without, though the tests' own has it.
    void removeEnvironmentValue(const QString &name) { m_removed.append(name); }
    // Starts the program with `arguments` and waits until its main window
    // is shown.
    bool start(const QStringList &arguments = {});
    // Starts it without waiting for anything.
    bool launch(const QStringList &arguments = {});
    // Waits until the program has printed `text` (its log categories for
    // start-up and for requests from outside are on).
    bool waitForOutput(const QByteArray &text, int ms = 60000);
    bool running() const { return m_process.state() != QProcess::NotRunning; }
    qint64 processId() const { return m_process.processId(); }
    void signal(int number);
    // Waits for the end; the exit code, -1 for a crash or a kill, -2 when it
    // did not end in time.
    int wait();
    // Sends SIGTERM (which saves through the close step) and waits.
    int terminate();
    QByteArray output() const { return m_output; }

private:
    QString m_folder;
    QProcessEnvironment m_environment;
    QStringList m_removed;
    QProcess m_process;
    QByteArray m_output;
};

} // namespace testing_support
