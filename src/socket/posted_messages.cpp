#include "posted_messages.h"

#include <QCoreApplication>
#include <QSet>
#include <QTimerEvent>
#include <climits>
#include <mutex>

#include "powersock.h"
#include "thread_timer.h"
#include "toolkit/core/error_report.h"

QEvent::Type MessageEvent::eventType()
{
    static const QEvent::Type type = QEvent::Type(QEvent::registerEventType());
    return type;
}

MessageEvent::MessageEvent(quint32 number, quintptr wParam, qintptr lParam, quint64 source, QByteArray payload)
    : QEvent(eventType()), number(number), wParam(wParam), lParam(lParam), source(source),
      payload(std::move(payload))
{
}

namespace message_sources {
namespace {
// Touched only on the thread that runs the components.
QSet<quint64> &liveSources()
{
    static QSet<quint64> sources;
    return sources;
}
quint64 lastSource = 0;
} // namespace

quint64 create()
{
    liveSources().insert(++lastSource);
    return lastSource;
}

void retire(quint64 source)
{
    liveSources().remove(source);
}

bool alive(quint64 source)
{
    return source == 0 || liveSources().contains(source);
}
} // namespace message_sources

namespace {

// Windows that may still receive messages from the look-up threads. Never
// destroyed: a look-up thread may still finish while the process exits.
std::mutex &windowsMutex()
{
    static auto *mutex = new std::mutex;
    return *mutex;
}
QSet<HiddenWindow *> &liveWindows()
{
    static auto *windows = new QSet<HiddenWindow *>;
    return *windows;
}

} // namespace

void handleExceptionCentrally(const std::exception &error)
{
    const QString text = toolkit::exceptionText(error);
    try {
        if (toolkit::deliverError(text))
            return;
    } catch (...) {
        return;
    }
    qWarning("%s", qPrintable(text));
}

HiddenWindow::HiddenWindow(QObject *parent) : QObject(parent)
{
    std::lock_guard lock(windowsMutex());
    liveWindows().insert(this);
}

HiddenWindow::~HiddenWindow()
{
    // After this no thread posts here; QObject's destructor then discards
    // whatever is still queued for the window.
    std::lock_guard lock(windowsMutex());
    liveWindows().remove(this);
}

void HiddenWindow::PostMessage(quint32 number, quintptr wParam, qintptr lParam, quint64 source)
{
    QCoreApplication::postEvent(this, new MessageEvent(number, wParam, lParam, source));
}

void HiddenWindow::PostFromAnyThread(HiddenWindow *window, MessageEvent *message)
{
    std::lock_guard lock(windowsMutex());
    if (liveWindows().contains(window) && QCoreApplication::instance())
        QCoreApplication::postEvent(window, message);
    else
        delete message;
}

qintptr HiddenWindow::SendMessage(quint32 number, quintptr wParam, qintptr lParam)
{
    return WindowProc(number, wParam, lParam);
}

void HiddenWindow::Deliver(MessageEvent &message)
{
    WindowProc(message.number, message.wParam, message.lParam);
}

bool HiddenWindow::event(QEvent *e)
{
    if (e->type() != MessageEvent::eventType())
        return QObject::event(e);
    auto &message = *static_cast<MessageEvent *>(e);
    if (!message_sources::alive(message.source))
        return true;
    // Nothing may leave here into the event loop.
    try {
        Deliver(message);
    } catch (const std::exception &error) {
        handleExceptionCentrally(error);
    } catch (...) {
    }
    return true;
}

PsockWindow *PsockWindow::Create(TPowersock *owner)
{
    auto *window = new PsockWindow(owner);
    window->m_owner = owner;
    return window;
}

qintptr PsockWindow::WindowProc(quint32 number, quintptr wParam, qintptr lParam)
{
    if (m_owner && number >= SocketEventMessage) {
        qintptr result = 0;
        m_owner->HandleSocketMessage(number, wParam, lParam, result);
        return 0;
    }
    return 0; // default processing: nothing to do for a window nobody sees
}

void PsockWindow::Deliver(MessageEvent &message)
{
    if (message.number == LookupDoneMessage && HostEntTarget && !message.payload.isEmpty()) {
        const qsizetype n = std::min(message.payload.size(), HostEntTarget->size());
        std::copy_n(message.payload.constData(), n, HostEntTarget->data());
    }
    HiddenWindow::Deliver(message);
}

TmrWindow *TmrWindow::Create(TThreadTimer *owner)
{
    auto *window = new TmrWindow(owner);
    window->m_owner = owner;
    return window;
}

bool TmrWindow::SetTimer(quint32 intervalMs)
{
    KillTimer();
    const int ms = intervalMs > quint32(INT_MAX) ? INT_MAX : int(intervalMs);
    m_timerId = startTimer(ms, Qt::PreciseTimer);
    return m_timerId != 0;
}

void TmrWindow::KillTimer()
{
    if (m_timerId != 0)
        killTimer(m_timerId);
    m_timerId = 0;
}

qintptr TmrWindow::WindowProc(quint32 number, quintptr wParam, qintptr lParam)
{
    if (!m_owner)
        return 0;
    if (number == WM_ACTIVATEAPP)
        return 0;
    return m_owner->WndProc(number, wParam, lParam);
}

void TmrWindow::timerEvent(QTimerEvent *e)
{
    if (e->timerId() != m_timerId || m_timerId == 0)
        return;
    try {
        SendMessage(WM_TIMER, 1, 0);
    } catch (const std::exception &error) {
        handleExceptionCentrally(error);
    } catch (...) {
    }
}
