#include "app/application_events.h"

#include "app/application.h"
#include "platform/web_engine.h"
#include "toolkit/widgets/guard.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QEvent>
#include <QWindow>

#include <exception>

namespace {

// The error being handled right now is asked for its kind: the toolkit hands
// the handler the text only, and "nowhere to go" is known by its type.
bool handlingNowhereToGo()
{
    const std::exception_ptr current = std::current_exception();
    if (!current)
        return false;
    try {
        std::rethrow_exception(current);
    } catch (const EEngineNowhereToGo &) {
        return true;
    } catch (...) {
        return false;
    }
}

} // namespace

ApplicationEvents::ApplicationEvents(QObject *parent) : QObject(parent)
{
    // The one handler: errors of the windows' handlers and of the socket
    // layer's timer and notice handlers alike.
    toolkit::setErrorHandler([this](const QString &message) { error(message); });
    KestrelonApplication::setQueuedEventHook([this](QObject *receiver, QEvent *event) { queuedEvent(receiver, event); });
    connect(QAbstractEventDispatcher::instance(QCoreApplication::instance()->thread()),
            &QAbstractEventDispatcher::aboutToBlock, this, toolkit::guard([this] { idle(); }));
}

ApplicationEvents::~ApplicationEvents()
{
    toolkit::setErrorHandler(nullptr);
    KestrelonApplication::setQueuedEventHook(nullptr);
}

void ApplicationEvents::error(const QString &message)
{
    const bool nowhereToGo = handlingNowhereToGo();
    if (OnException)
        OnException(message, nowhereToGo);
}

void ApplicationEvents::idle()
{
    if (!m_dispatchedSinceIdle)
        return;
    m_dispatchedSinceIdle = false;
    if (OnIdle)
        OnIdle();
}

void ApplicationEvents::queuedEvent(QObject *receiver, QEvent *event)
{
    if (isQuietWindowsOwn(receiver, event))
        return;
    m_dispatchedSinceIdle = true;
    if (OnMessage)
        OnMessage();
}

bool ApplicationEvents::isQuietWindowsOwn(QObject *receiver, const QEvent *event) const
{
    // Input and other window-system events on it are the user's, and count.
    if (!m_quietWindow || event->spontaneous())
        return false;
    if (receiver == m_quietWindow || receiver == m_quietWindow->windowHandle())
        return true;
    if (receiver->isWidgetType())
        return m_quietWindow->isAncestorOf(static_cast<QWidget *>(receiver));
    // Objects inside the window (a text document, its layout) post to themselves.
    for (QObject *o = receiver->parent(); o; o = o->parent()) {
        if (o == m_quietWindow)
            return true;
    }
    return false;
}
