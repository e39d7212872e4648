#pragma once

#include "app/development_window.h"
#include "app/main_window.h"
#include "app/window_set_owner.h"
#include "browser/browser_window.h"
#include "support/core/scripted_server.h"
#include "support/core/page_server.h"
#include "support/gui/installation.h"
#include "toolkit/widgets/guard.h"
#include "toolkit/widgets/message_box.h"

#include <QHash>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace app_testing {

// Serves fixed pages by path on 127.0.0.1, one HTTP/1.0 exchange per
// connection; unknown paths get a 404 page.
using PageServer = testing_support::PageServer;

// A fresh installation folder with the whole window set created in it, as
// the program starts up, and every message box recorded.
class ProgramWindows {
public:
    ProgramWindows();
    ~ProgramWindows();

    // Shows the main window as the message loop's start does.
    void start();

    TForm2 &main() { return m_owner->mainWindow(); }
    TForm1 &browser() { return *m_owner->forms().Form1; }
    WindowSet &forms() { return m_owner->forms(); }
    testing_support::TempInstallation &folder() { return *m_folder; }
    QStringList &messages() { return m_boxes.messages; }

    // Creates the window set; done by the constructor unless the test wants
    // to change the installation folder first (see ProgramWindows(Deferred)).
    void create();
    struct Deferred {};
    explicit ProgramWindows(Deferred);

private:
    std::unique_ptr<testing_support::TempInstallation> m_folder;
    toolkit::RecordingMessageBoxes m_boxes;
    std::unique_ptr<WindowSetOwner> m_owner;
};

// Waits, processing events, until `done` holds (generous: the web engine's
// first start on a loaded machine is slow).
bool waitFor(const std::function<bool()> &done, int ms = 30000);

// Runs a real event loop for `ms`: it sleeps when idle, as the program's does
// (QTest::qWait polls and never lets the loop go idle).
void runLoop(int ms);

} // namespace app_testing
