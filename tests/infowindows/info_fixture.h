#pragma once

#include "app/main_window.h"
#include "app/window_set_owner.h"
#include "support/core/scripted_server.h"
#include "support/gui/installation.h"
#include "support/gui/program_windows.h"
#include "toolkit/widgets/message_box.h"

#include <QByteArray>
#include <QPoint>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace info_testing {

using testing_support::clickOn;
using testing_support::doubleClickOn;
using testing_support::pressOn;
using testing_support::releaseOn;
using testing_support::waitFor;

// One small page for every path, over HTTP/1.0 on 127.0.0.1.
class PageServer {
public:
    PageServer();
    QString url(const QString &path) const;

private:
    std::unique_ptr<testing_support::ScriptedServer> m_server;
};

// A fresh installation folder; the window set is created in it by start(),
// so a test can lay out files first. Every message box is recorded.
class InfoWindowsTest : public ::testing::Test {
protected:
    void TearDown() override { m_program.destroy(); }

    // Creates the thirteen windows and shows the main window.
    void start() { m_program.start(); }
    // Ends this run (windows destroyed, files left as they are) and starts
    // a new one in the same folder.
    void restart()
    {
        m_program.destroy();
        m_program.start();
    }

    TForm2 &main() { return m_program.main(); }
    WindowSet &forms() { return m_program.forms(); }
    QStringList &messages() { return m_program.messages(); }
    toolkit::RecordingMessageBoxes &boxes() { return m_program.boxes(); }
    testing_support::TempInstallation &folder() { return m_program.folder(); }

    // Types `address` into the main window's address box and runs Go.
    void go(const QString &address) { m_program.go(address); }

    PageServer pages;

private:
    testing_support::ProgramWindows m_program{testing_support::ProgramWindows::Stage::Folder};
};

// The bytes of a stored counter value.
QByteArray counterBytes(qint32 value);

} // namespace info_testing
