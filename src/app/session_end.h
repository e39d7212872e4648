#pragma once

#include <QObject>

class QSocketNotifier;
class TForm2;

// Ends the program like a log-off does when the process is told to stop
// (SIGTERM, SIGHUP): the main window hides its windows and saves its files,
// then the process ends. When the session manager asks before a log-off,
// the windows are hidden and the files saved, but the program keeps running:
// the log-off may still be cancelled, and if it goes ahead the session
// manager ends the process.
class SessionEnd : public QObject {
    Q_OBJECT
public:
    explicit SessionEnd(TForm2 &main);
    ~SessionEnd() override;

    // The session manager's question before a log-off or shutdown.
    void logOffRequested();

private:
    void onSignal();

    TForm2 &m_main;
    QSocketNotifier *m_notifier = nullptr;
};
