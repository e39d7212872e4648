#pragma once

// What the app tests include through this header, as before the shared
// fixture took over.
#include "app/development_window.h"
#include "app/main_window.h"
#include "app/window_set_owner.h"
#include "browser/browser_window.h"
#include "support/core/page_server.h"
#include "support/core/scripted_server.h"
#include "support/gui/installation.h"
#include "support/gui/program_windows.h"
#include "toolkit/widgets/guard.h"
#include "toolkit/widgets/message_box.h"

#include <QHash>
#include <QTest>
#include <QWebEngineView>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace app_testing {

using testing_support::PageServer;
using testing_support::runLoop;
using testing_support::waitFor;

// A small HTML page with a title.
inline QByteArray titled(const QByteArray &title, const QByteArray &body = "page")
{
    return "<html><head><title>" + title + "</title></head><body>" + body + "</body></html>";
}

// The engine's view inside the browser window.
inline QWebEngineView *view(TForm1 &browser)
{
    return qobject_cast<QWebEngineView *>(browser.WebBrowser1().widget());
}

// The window set created as the program starts up, not yet shown (start()
// shows the main window); ProgramWindows(Deferred) leaves the creation to the
// test, which may change the installation folder first.
class ProgramWindows : public testing_support::ProgramWindows {
public:
    struct Deferred {};
    ProgramWindows() : testing_support::ProgramWindows(Stage::Created) {}
    explicit ProgramWindows(Deferred) : testing_support::ProgramWindows(Stage::Folder) {}
};

inline QWebEngineView *view(ProgramWindows &program)
{
    return view(program.browser());
}

} // namespace app_testing
