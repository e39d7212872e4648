#pragma once

#include "support/core/temp_folder.h"

#include <QByteArray>
#include <QProcess>
#include <QString>

namespace testing_support {

// A fresh installation folder, laid out from resources/install as the run
// script does, made the current folder for the object's lifetime.
class TempInstallation : public TempCurrentFolder {
public:
    TempInstallation();

    // The template text of a fresh installation.
    static QByteArray templateText();
};

// The real program started in an installation folder (offscreen by default).
class ProgramProcess {
public:
    explicit ProgramProcess(const QString &folder);
    ~ProgramProcess();

    // Starts the program and waits until its main window is shown.
    bool start();
    // Sends SIGTERM and waits for the process to end; returns its exit code.
    int terminate();
    QByteArray output() const { return m_output; }

private:
    QString m_folder;
    QProcess m_process;
    QByteArray m_output;
};

} // namespace testing_support
