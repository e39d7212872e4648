// The history file read on a thread of its own, so that a history of years
// never holds up the windows' first show.
#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>

#include <optional>
#include <thread>

namespace persistence {

// Reads the history file of the current folder as start-up finds it (the
// name is resolved when the read starts: the folder may move later). The
// result is handed over once, on the thread that started the read: to
// whoever takes it first, the ready() signal or a caller that cannot go on
// without it (the close step).
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

    // Waits for the read if it is still going. The result the first time,
    // nothing afterwards.
    std::optional<Result> take();
    bool taken() const { return m_taken; }

signals:
    // The read is over and nobody has taken the result yet.
    void ready();

private:
    Result m_result;
    bool m_taken = false;
    std::thread m_thread;
};

} // namespace persistence
