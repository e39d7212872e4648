#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <functional>

// The main window's hook into three application-wide events: an error that
// no handler caught, the event loop about to wait (idle), and an event taken
// from the queue before it is dispatched (message). Installed for its
// lifetime; only one exists.
//
// The idle and message handlers update the Development window, and those
// updates repaint it. Its own non-input events are therefore not counted,
// and an idle is only counted when something else was dispatched since the
// last one: otherwise each count would cause the next.
class ApplicationEvents : public QObject {
    Q_OBJECT
public:
    explicit ApplicationEvents(QObject *parent);
    ~ApplicationEvents() override;

    // `nowhereToGo`: the error is the web engine's "nowhere to go" failure.
    std::function<void(const QString &message, bool nowhereToGo)> OnException;
    std::function<void()> OnIdle;
    std::function<void()> OnMessage;

    // The window whose own repaints and layout passes are not counted.
    void setQuietWindow(QWidget *window) { m_quietWindow = window; }

private:
    void error(const QString &message);
    void idle();
    void queuedEvent(QObject *receiver, QEvent *event);
    bool isQuietWindowsOwn(QObject *receiver, const QEvent *event) const;

    QPointer<QWidget> m_quietWindow;
    bool m_dispatchedSinceIdle = true;
};
