#pragma once

#include <QApplication>

// The application object. Every handler runs guarded; should an exception
// still reach Qt's event delivery, it stops here and goes to the error
// handler instead of unwinding through the event loop.
class KestrelonApplication : public QApplication {
    Q_OBJECT
public:
    KestrelonApplication(int &argc, char **argv);

    bool notify(QObject *receiver, QEvent *event) override;
};
