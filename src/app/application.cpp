#include "app/application.h"

#include "toolkit/widgets/guard.h"

KestrelonApplication::KestrelonApplication(int &argc, char **argv) : QApplication(argc, argv)
{
    setApplicationName(QStringLiteral("Kestrelon"));
    // Only the main window's close ends the program.
    setQuitOnLastWindowClosed(false);
}

bool KestrelonApplication::notify(QObject *receiver, QEvent *event)
{
    bool result = false;
    toolkit::guarded([&] { result = QApplication::notify(receiver, event); });
    return result;
}
