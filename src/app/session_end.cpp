#include "app/session_end.h"

#include "app/main_window.h"
#include "toolkit/widgets/guard.h"

#include <QGuiApplication>
#include <QSessionManager>
#include <QSocketNotifier>

#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {

// A signal handler may only write to a pipe; the event loop reads it.
int g_signalPipe[2] = {-1, -1};

void onStopSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = ::write(g_signalPipe[1], &byte, 1);
}

} // namespace

SessionEnd::SessionEnd(TForm2 &main) : m_main(main)
{
    if (::pipe2(g_signalPipe, O_CLOEXEC | O_NONBLOCK) == 0) {
        m_notifier = new QSocketNotifier(g_signalPipe[0], QSocketNotifier::Read, this);
        connect(m_notifier, &QSocketNotifier::activated, this, [this] { onSignal(); });
        struct sigaction action {};
        action.sa_handler = onStopSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        ::sigaction(SIGTERM, &action, nullptr);
        ::sigaction(SIGHUP, &action, nullptr);
    }

    // The session manager asks before a log-off: save now, then agree.
    connect(qGuiApp, &QGuiApplication::commitDataRequest, this,
            toolkit::guard([this](QSessionManager &) { logOffRequested(); }));
}

void SessionEnd::logOffRequested()
{
    m_main.saveAtSessionEnd();
}

SessionEnd::~SessionEnd()
{
    ::signal(SIGTERM, SIG_DFL);
    ::signal(SIGHUP, SIG_DFL);
}

void SessionEnd::onSignal()
{
    char buffer[16];
    while (::read(g_signalPipe[0], buffer, sizeof buffer) > 0) {
    }
    m_notifier->setEnabled(false);
    m_main.endSession();
}
