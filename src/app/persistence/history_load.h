// The history file read on a thread of its own, so that a history of years
// never holds up the windows' first show.
#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>

#include <optional>

class QThread;

namespace persistence {

// Reads the history file of the current folder as start-up finds it (the
// name is resolved at once: the folder may move later). The read begins
// when the event loop first runs, so the windows are made and shown with
// the machine to themselves. The result is handed over once, on the thread
// that made this object: to whoever takes it first, the ready() signal or
// a caller that cannot go on without it (the close step).
class HistoryLoad : public QObject {
    Q_OBJECT
public:
    struct Result {
        // What readHistory() leaves in a list of one empty entry.
        QList<QByteArray> entries;
        // The read failed with `error`; `entries` is then that one entry.
        bool failed = false;
        QString error;
    };

    explicit HistoryLoad(QObject *parent = nullptr);
    // Waits for a read still going; a result not taken is dropped.
    ~HistoryLoad() override;

    // Waits for the read, or reads here when it has not begun. The result
    // the first time, nothing afterwards.
    std::optional<Result> take();
    bool taken() const { return m_taken; }

signals:
    // The read is over and nobody has taken the result yet.
    void ready();

private:
    void begin();

    QString m_fileName;
    Result m_result;
    bool m_taken = false;
    QThread *m_thread = nullptr;
};

} // namespace persistence
