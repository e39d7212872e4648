#pragma once

// The whole window set in a fresh installation folder, with message boxes
// recorded and a page server on 127.0.0.1. Header only: the browser and the
// network feature tests share it.

#include "app/main_window.h"
#include "app/window_set_owner.h"
#include "browser/browser_window.h"
#include "support/core/scripted_server.h"
#include "support/core/page_server.h"
#include "support/gui/installation.h"
#include "toolkit/widgets/message_box.h"

#include <QHash>
#include <QMutex>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace pane_testing {

inline bool waitFor(const std::function<bool()> &done, int ms = 30000)
{
    return QTest::qWaitFor(done, ms);
}

// The application's error box ends with the error's own text.
inline bool errorShown(const QStringList &messages, const QString &text)
{
    for (const QString &message : messages) {
        if (message.startsWith(QStringLiteral("An exeption was raised!."))
            && message.endsWith(QStringLiteral("Exception = ") + text))
            return true;
    }
    return false;
}

using PageServer = testing_support::PageServer;

// The program's windows as start-up leaves them, main window shown.
class ProgramWindows {
public:
    // `prepare` may change the fresh installation before the windows exist.
    explicit ProgramWindows(const std::function<void(testing_support::TempInstallation &)> &prepare = {})
        : m_folder(std::make_unique<testing_support::TempInstallation>())
    {
        if (prepare)
            prepare(*m_folder);
        m_owner = std::make_unique<WindowSetOwner>();
        main().show();
        QCoreApplication::processEvents();
    }
    ~ProgramWindows() { m_owner.reset(); }

    TForm2 &main() { return m_owner->mainWindow(); }
    WindowSet &forms() { return m_owner->forms(); }
    TForm1 &browser() { return *forms().Form1; }
    testing_support::TempInstallation &folder() { return *m_folder; }
    QStringList &messages() { return m_boxes.messages; }

    // Opens `url` through the main window's Go and waits until the engine
    // shows it, titled `title`.
    bool open(const QString &url, const QString &title)
    {
        main().setAddressText(url);
        main().Button1Click();
        // While a page loads the engine's title may be its address for a moment.
        return waitFor([&] {
            return browser().WebBrowser1().LocationURL() == url && browser().WebBrowser1().LocationName() == title;
        });
    }

private:
    std::unique_ptr<testing_support::TempInstallation> m_folder;
    toolkit::RecordingMessageBoxes m_boxes;
    std::unique_ptr<WindowSetOwner> m_owner;
};

} // namespace pane_testing
