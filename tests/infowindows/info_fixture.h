#pragma once

#include "app/main_window.h"
#include "app/window_set_owner.h"
#include "support/core/scripted_server.h"
#include "support/gui/installation.h"
#include "toolkit/widgets/message_box.h"

#include <QPoint>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace info_testing {

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
    void TearDown() override;

    // Creates the thirteen windows and shows the main window.
    void start();
    // Ends this run (windows destroyed, files left as they are) and starts
    // a new one in the same folder.
    void restart();

    TForm2 &main() { return m_owner->mainWindow(); }
    WindowSet &forms() { return m_owner->forms(); }
    QStringList &messages() { return m_boxes.messages; }
    testing_support::TempInstallation &folder() { return m_folder; }

    // Types `address` into the main window's address box and runs Go.
    void go(const QString &address);

    PageServer pages;

private:
    testing_support::TempInstallation m_folder;
    toolkit::RecordingMessageBoxes m_boxes;
    std::unique_ptr<WindowSetOwner> m_owner;
};

// Mouse input through the window system's path, as a user's mouse arrives:
// to the top-level window at a point, from where Qt routes it (and keeps a
// pressed widget as the receiver of the release).
void pressOn(QWidget *widget, Qt::MouseButton button, QPoint pos);
void releaseOn(QWidget *widget, Qt::MouseButton button, QPoint pos);
void clickOn(QWidget *widget, Qt::MouseButton button = Qt::LeftButton);
void doubleClickOn(QWidget *widget);

// Waits, processing events, until `done` holds.
bool waitFor(const std::function<bool()> &done, int ms = 30000);

// The bytes of a stored counter value.
QByteArray counterBytes(qint32 value);

} // namespace info_testing
