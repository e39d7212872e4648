#pragma once

#include <QDeadlineTimer>
#include <QLockFile>
#include <QObject>
#include <QString>
#include <QThread>

#include <optional>

class InstanceListener;

// One running program per installation folder. Two copies on one folder
// would each read the history and the counter at start and write them whole
// at close, so the copy closing last would throw the other's visits away.
//
// The first start takes a lock file in the folder (a lock left by a killed
// program is taken over) and listens on a local socket named after the
// folder's absolute path, in a folder only the user can enter; each side
// makes sure the other runs as the same user before anything passes. A later start on the same folder hands its address
// to the first one over that socket and ends. The socket is served on a
// thread of its own, so a first program still busy creating its windows
// answers at once; the address reaches the main thread as a queued signal.
class SingleInstance : public QObject {
    Q_OBJECT
public:
    enum class Outcome {
        First,      // this program holds the folder: start as usual
        HandedOver, // a running program took the address: end with status 0
        NoAnswer,   // a running program did not answer: end with status 1
        Unguarded,  // no lock could be made (a read-only folder): start anyway
    };

    // How long a later start waits for the running program.
    static constexpr int kAnswerMs = 2000;

    explicit SingleInstance(const QString &installationFolder, QObject *parent = nullptr);
    ~SingleInstance() override;

    // Takes the folder, or hands `address` (none: just bring the window
    // forward) to the program that has it. Says on stderr what went wrong.
    Outcome start(const std::optional<QString> &address);

    // The local socket's name for a folder: per user and per absolute path.
    // Empty when the user has no folder of their own for it.
    static QString serverName(const QString &installationFolder);

signals:
    // A later start on this folder asked for the window, with an address
    // to open when it had one.
    void requested(const std::optional<QString> &address);

private:
    bool listen();
    // False when nobody answered in time; a peer that must not be trusted
    // also sets `problem`.
    bool handOver(const std::optional<QString> &address, const QDeadlineTimer &deadline, QString *problem);

    QString m_folder;
    QLockFile m_lock;
    QThread m_thread;
    InstanceListener *m_listener = nullptr;
};
