#pragma once

#include <QObject>

class QSocketNotifier;
class TForm2;

// Ends the program like a log-off does when the process is told to stop
// (SIGTERM, SIGHUP) or the session manager asks to save: the main window
// hides its windows and saves its files, then the process ends.
class SessionEnd : public QObject {
    Q_OBJECT
public:
    explicit SessionEnd(TForm2 &main);
    ~SessionEnd() override;

private:
    void onSignal();

    TForm2 &m_main;
    QSocketNotifier *m_notifier = nullptr;
};
