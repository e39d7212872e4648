// Kestrelon: a small skinned web browser. To understand it, start here,
// then read app/main_window.h.
#include "app/application.h"
#include "app/main_window.h"
#include "app/session_end.h"
#include "app/window_set_owner.h"
#include "platform/engine_environment.h"

int main(int argc, char **argv)
{
    // The web engine takes its switches before any application object exists.
    platform::prepareWebEngineEnvironment();

    // 1. The application object.
    KestrelonApplication app(argc, argv);

    // 2. The thirteen windows, in order, the main window first.
    WindowSetOwner windows;
    SessionEnd sessionEnd(windows.mainWindow());

    // 3. The message loop; it starts by showing the main window.
    windows.mainWindow().show();

    // 4. It ends when the main window has closed.
    return app.exec();
}
