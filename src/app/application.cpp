#include "app/application.h"

#include "toolkit/widgets/guard.h"

#include <QAbstractEventDispatcher>
#include <QThread>

namespace {
KestrelonApplication::QueuedEventHook g_queuedEventHook;
}

KestrelonApplication::KestrelonApplication(int &argc, char **argv) : QApplication(argc, argv)
{
    setApplicationName(QStringLiteral("Kestrelon"));
    // Lets the desktop match the windows to the installed desktop entry.
    setDesktopFileName(QStringLiteral("org.kestrelon.Kestrelon"));
    // Only the main window's close ends the program.
    setQuitOnLastWindowClosed(false);
    // The loop goes to sleep at the depth it runs at; a connection made
    // before anyone else's runs first, so the idle handler sees it updated.
    connect(QAbstractEventDispatcher::instance(thread()), &QAbstractEventDispatcher::aboutToBlock, this,
            [this] { m_loopDepth = m_depth; });
}

KestrelonApplication::~KestrelonApplication()
{
    g_queuedEventHook = nullptr;
}

void KestrelonApplication::setQueuedEventHook(QueuedEventHook hook)
{
    g_queuedEventHook = std::move(hook);
}

bool KestrelonApplication::notify(QObject *receiver, QEvent *event)
{
    // Other threads deliver their own events; only the user-interface
    // thread's loop is counted.
    if (QThread::currentThread() != thread()) {
        bool result = false;
        toolkit::guarded([&] { result = QApplication::notify(receiver, event); });
        return result;
    }

    const bool fromQueue = m_depth <= m_loopDepth;
    if (fromQueue)
        m_loopDepth = m_depth;
    ++m_depth;
    if (fromQueue && g_queuedEventHook)
        toolkit::guarded([&] { g_queuedEventHook(receiver, event); });
    bool result = false;
    toolkit::guarded([&] { result = QApplication::notify(receiver, event); });
    --m_depth;
    return result;
}
