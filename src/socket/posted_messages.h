#pragma once

#include <QByteArray>
#include <QEvent>
#include <QObject>
#include <QtGlobal>
#include <exception>
#include <functional>

// Hidden notification objects: the two invisible receivers through which
// socket notifications and timer ticks reach their owners. Each lives on the
// thread that created it; messages posted to it are delivered there, one by
// one, in the order they were posted, whenever that thread runs its event
// loop (including inside the socket waits).

class TPowersock;
class TThreadTimer;

// Message numbers.
constexpr quint32 WM_ACTIVATEAPP = 28;
constexpr quint32 WM_TIMER = 275;
constexpr quint32 WM_USER = 1024;
constexpr quint32 SocketEventMessage = WM_USER + 101; // 1125
constexpr quint32 LookupDoneMessage = WM_USER + 102;  // 1126

// A posted window message. `source` names what posted it (a socket watch or
// a host look-up); messages from a source that has since been retired are
// dropped on delivery, so a closed socket or an abandoned look-up never
// speaks to a later operation.
class MessageEvent : public QEvent {
public:
    static QEvent::Type eventType();
    MessageEvent(quint32 number, quintptr wParam, qintptr lParam, quint64 source = 0, QByteArray payload = {});

    quint32 number;
    quintptr wParam;
    qintptr lParam;
    quint64 source;
    QByteArray payload; // the host entry of a finished look-up
};

// Sources of posted messages. Retiring a source drops its queued messages.
namespace message_sources {
quint64 create();
void retire(quint64 source);
bool alive(quint64 source);
} // namespace message_sources

// Errors raised by a timer's or a notice's handler never leave the window
// procedure: they go to the program's error handler
// (toolkit/core/error_report.h), or are written as a warning without one.
void handleExceptionCentrally(const std::exception &error);

// Common part of both hidden windows.
class HiddenWindow : public QObject {
public:
    ~HiddenWindow() override;

    // Posts a message; it is handled later, on the window's thread, in order.
    void PostMessage(quint32 number, quintptr wParam, qintptr lParam, quint64 source = 0);
    // Handles a message at once and returns its result.
    qintptr SendMessage(quint32 number, quintptr wParam, qintptr lParam);

    // Posts from any thread; the message is dropped when the window is gone.
    static void PostFromAnyThread(HiddenWindow *window, MessageEvent *message);

protected:
    explicit HiddenWindow(QObject *parent);
    virtual qintptr WindowProc(quint32 number, quintptr wParam, qintptr lParam) = 0;
    virtual void Deliver(MessageEvent &message);
    bool event(QEvent *e) override;
};

// "PsockWindowClass": hands messages numbered 1125 and above to its socket
// component's HandleSocketMessage; everything else gets default processing
// (nothing happens, result 0).
class PsockWindow final : public HiddenWindow {
public:
    // The owner is stored right after creation; until then no message
    // reaches it.
    static PsockWindow *Create(TPowersock *owner);

    // Where a finished look-up's host entry is written before its message
    // is handled (the owner's HostEntBuffer).
    QByteArray *HostEntTarget = nullptr;

protected:
    using HiddenWindow::HiddenWindow;
    qintptr WindowProc(quint32 number, quintptr wParam, qintptr lParam) override;
    void Deliver(MessageEvent &message) override;

private:
    TPowersock *m_owner = nullptr;
};

// "TmrWindowClass": WM_ACTIVATEAPP returns 0 untouched, every other message
// goes to the timer's WndProc. Its system timer (identifier 1) delivers
// WM_TIMER.
class TmrWindow final : public HiddenWindow {
public:
    static TmrWindow *Create(TThreadTimer *owner);

    // Starts (or restarts) system timer 1 with the given period; false when
    // the event loop refuses. KillTimer stops it.
    bool SetTimer(quint32 intervalMs);
    void KillTimer();
    bool TimerRunning() const { return m_timerId != 0; }

protected:
    using HiddenWindow::HiddenWindow;
    qintptr WindowProc(quint32 number, quintptr wParam, qintptr lParam) override;
    void timerEvent(QTimerEvent *e) override;

private:
    TThreadTimer *m_owner = nullptr;
    int m_timerId = 0;
};
