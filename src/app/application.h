#pragma once

#include <QApplication>

#include <functional>

// The application object. Every handler runs guarded; should an exception
// still reach Qt's event delivery, it stops here and goes to the error
// handler instead of unwinding through the event loop.
//
// It also tells which events were taken from the queue by the event loop
// (window-system input, timer ticks, socket notices, posted events) as
// opposed to those sent directly from inside another handler: an event is
// from the queue when no other delivery of the loop now running is in
// progress. The loop now running is known by the depth at which the
// dispatcher last went to sleep, so a modal box's loop counts its own.
class KestrelonApplication : public QApplication {
    Q_OBJECT
public:
    KestrelonApplication(int &argc, char **argv);
    ~KestrelonApplication() override;

    bool notify(QObject *receiver, QEvent *event) override;

    // Called for each event taken from the queue, before it is dispatched.
    using QueuedEventHook = std::function<void(QObject *receiver, QEvent *event)>;
    static void setQueuedEventHook(QueuedEventHook hook);

private:
    int m_depth = 0;
    int m_loopDepth = 0;
};
