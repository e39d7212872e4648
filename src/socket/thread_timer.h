#pragma once

#include <QObject>
#include <QtGlobal>
#include <functional>

#include "posted_messages.h"

using TNotifyEvent = std::function<void(QObject *Sender)>;

// The time-out timer of the socket component. Ticks are timer messages of
// its own hidden window on the creating thread; it starts no thread. It is
// idle whenever Enabled is false, Interval is 0 or no handler is set.
class TThreadTimer : public QObject {
public:
    explicit TThreadTimer(QObject *owner = nullptr);
    ~TThreadTimer() override;

    bool Enabled() const { return m_enabled; }
    quint32 Interval() const { return m_interval; }

    // Setting the value already held does nothing (a running countdown is
    // not restarted); a new value restarts the timer. Throws Exception
    // "No Timer" when the event loop refuses a timer.
    void SetEnabled(bool value);
    void SetInterval(quint32 value);
    // Always stores the handler and updates the timer.
    void SetOnTimer(TNotifyEvent handler);

    // Calls the handler, when one is set, with this timer as the sender.
    virtual void Timer();
    // The hidden window's procedure for every message but WM_ACTIVATEAPP.
    qintptr WndProc(quint32 number, quintptr wParam, qintptr lParam);

    TmrWindow *WindowHandle() const { return m_window; }

private:
    void UpdateTimer();

    quint32 m_interval = 1000;
    TmrWindow *m_window = nullptr;
    TNotifyEvent m_onTimer;
    bool m_enabled = true;
};
