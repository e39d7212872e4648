#pragma once

#include <QDateTime>
#include <QObject>
#include <QString>

class QWebEngineDownloadRequest;

namespace platform {

// The user's download folder: XDG_DOWNLOAD_DIR when set, else the desktop's
// download folder, else ~/Downloads; created when missing.
QString downloadFolder();

// One download the engine was asked to make. It is written under a
// temporary name beside its target ("<name>.part") and renamed to the
// target only when every byte has arrived, so a failure, a cancel or a full
// disk never leaves a half-written file under the name the user chose; the
// temporary file is removed then.
class Download : public QObject {
    Q_OBJECT
public:
    enum class State { Asking, Running, Finished, Cancelled, Failed };

    explicit Download(QWebEngineDownloadRequest *request);

    // The name the server suggested, made a plain file name: no folders, no
    // "..", never empty.
    QString suggestedFileName() const;
    static QString cleanFileName(const QString &name);

    // Starts writing to `path`; an existing file there is replaced once the
    // download has finished (the caller asked the user first).
    void accept(const QString &path);
    // Ends it: a download not yet accepted is refused, a running one
    // stopped and its temporary file removed.
    void cancel();

    State state() const { return m_state; }
    QString path() const { return m_path; }
    qint64 receivedBytes() const;
    qint64 totalBytes() const;
    // Bytes a second since the download started.
    double bytesPerSecond() const;
    // Why it failed, in the engine's words (or ours for the final rename).
    QString failureReason() const { return m_failure; }

signals:
    void changed();

private:
    void onStateChanged();
    void finish(State state);

    QWebEngineDownloadRequest *m_request;
    State m_state = State::Asking;
    QString m_path;
    QString m_partPath; // empty until accepted
    QString m_failure;
    QDateTime m_started;
};

} // namespace platform
