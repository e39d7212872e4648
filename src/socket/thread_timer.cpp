#include "thread_timer.h"

#include "toolkit/core/exceptions.h"

TThreadTimer::TThreadTimer(QObject *owner) : QObject(owner)
{
    m_enabled = true;
    m_interval = 1000;
    m_window = TmrWindow::Create(this);
}

TThreadTimer::~TThreadTimer()
{
    m_enabled = false;
    UpdateTimer();
    delete m_window;
    m_window = nullptr;
}

void TThreadTimer::UpdateTimer()
{
    if (!m_window)
        return;
    m_window->KillTimer();
    if (m_interval != 0 && m_enabled && m_onTimer) {
        if (!m_window->SetTimer(m_interval))
            throw Exception(QStringLiteral("No Timer"));
    }
}

void TThreadTimer::SetEnabled(bool value)
{
    if (value == m_enabled)
        return;
    m_enabled = value;
    UpdateTimer();
}

void TThreadTimer::SetInterval(quint32 value)
{
    if (value == m_interval)
        return;
    m_interval = value;
    UpdateTimer();
}

void TThreadTimer::SetOnTimer(TNotifyEvent handler)
{
    m_onTimer = std::move(handler);
    UpdateTimer();
}

void TThreadTimer::Timer()
{
    if (m_onTimer) {
        // A copy: the handler may replace itself while it runs.
        const TNotifyEvent handler = m_onTimer;
        handler(this);
    }
}

qintptr TThreadTimer::WndProc(quint32 number, quintptr, qintptr)
{
    if (number == WM_TIMER) {
        try {
            Timer();
        } catch (const std::exception &error) {
            handleExceptionCentrally(error);
        } catch (...) {
        }
        return 0;
    }
    return 0;
}
