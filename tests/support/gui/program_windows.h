#pragma once

// The whole window set in a fresh installation folder, with every message box
// recorded, and the waits and input helpers the window tests share.

#include "app/main_window.h"
#include "app/window_set_owner.h"
#include "browser/browser_window.h"
#include "support/gui/installation.h"
#include "toolkit/widgets/message_box.h"

#include <QPoint>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

class QWidget;

namespace testing_support {

// Waits, processing events, until `done` holds (generous: the web engine's
// first start on a loaded machine is slow).
bool waitFor(const std::function<bool()> &done, int ms = 30000);

// Runs a real event loop for `ms`: it sleeps when idle, as the program's does
// (QTest::qWait polls and never lets the loop go idle).
void runLoop(int ms);

// The application's error box ends with the error's own text.
bool errorShown(const QStringList &messages, const QString &text);

// Mouse input through the window system's path, as a user's mouse arrives:
// to the top-level window at a point, from where Qt routes it (and keeps a
// pressed widget as the receiver of the release).
void pressOn(QWidget *widget, Qt::MouseButton button, QPoint pos);
void releaseOn(QWidget *widget, Qt::MouseButton button, QPoint pos);
void clickOn(QWidget *widget, Qt::MouseButton button = Qt::LeftButton);
void doubleClickOn(QWidget *widget);

// The program's windows in a fresh installation folder (the current folder
// while the object lives). `stage` says how far the constructor goes; a test
// that lays out files first asks for Stage::Folder, or passes `prepare`.
class ProgramWindows {
public:
    enum class Stage {
        Folder,  // the installation folder only; create() or start() later
        Created, // the thirteen windows exist, none shown
        Started, // and the main window is shown, as the message loop's start does
    };
    using Prepare = std::function<void(TempInstallation &)>;

    explicit ProgramWindows(Stage stage = Stage::Started, const Prepare &prepare = {});
    ~ProgramWindows();
    ProgramWindows(const ProgramWindows &) = delete;
    ProgramWindows &operator=(const ProgramWindows &) = delete;

    // Creates the window set as the program's start-up does, and waits
    // until the history file has been read in.
    void create();
    // Creates the window set when there is none, and shows the main window.
    void start();
    // Ends this run: the windows are destroyed, the files left as they are.
    void destroy();

    TForm2 &main() { return m_owner->mainWindow(); }
    TForm1 &browser() { return *m_owner->forms().Form1; }
    WindowSet &forms() { return m_owner->forms(); }
    WindowSetOwner &owner() { return *m_owner; }
    TempInstallation &folder() { return *m_folder; }
    QStringList &messages() { return m_boxes.messages; }
    // The questions asked so far, and the answer the next ones get (Yes).
    toolkit::RecordingMessageBoxes &boxes() { return m_boxes; }

    // Types `address` into the main window's address box and runs Go.
    void go(const QString &address);
    // Opens `url` through Go and waits until the engine shows it, titled `title`.
    bool open(const QString &url, const QString &title);

private:
    std::unique_ptr<TempInstallation> m_folder;
    toolkit::RecordingMessageBoxes m_boxes;
    std::unique_ptr<WindowSetOwner> m_owner;
};

} // namespace testing_support
