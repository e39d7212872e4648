#include "platform/download.h"

#include "toolkit/core/paths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QWebEngineDownloadRequest>

#include <cstdio>

namespace platform {

QString downloadFolder()
{
    QString folder = qEnvironmentVariable("XDG_DOWNLOAD_DIR");
    if (folder.isEmpty())
        folder = QStandardPaths::writableLocation(QStandardPaths::DownloadLocation);
    // Without a desktop setting Qt answers the home folder itself.
    if (folder.isEmpty() || folder == QDir::homePath())
        folder = QDir::home().filePath(QStringLiteral("Downloads"));
    // A relative setting is the installation's, not the folder the
    // bookmarks window happens to have made current.
    folder = QDir(toolkit::InstallationFolder::path()).absoluteFilePath(folder);
    QDir().mkpath(folder);
    return folder;
}

Download::Download(QWebEngineDownloadRequest *request) : QObject(request), m_request(request)
{
    connect(request, &QWebEngineDownloadRequest::receivedBytesChanged, this, &Download::changed);
    connect(request, &QWebEngineDownloadRequest::totalBytesChanged, this, &Download::changed);
    connect(request, &QWebEngineDownloadRequest::stateChanged, this, &Download::onStateChanged);
}

QString Download::cleanFileName(const QString &name)
{
    // Both separators count: a name from the network may carry either.
    QString plain = name.section(QLatin1Char('/'), -1).section(QLatin1Char('\\'), -1);
    plain.remove(QChar(0));
    plain.replace(QStringLiteral(".."), QStringLiteral("_"));
    plain = plain.trimmed();
    while (plain.startsWith(QLatin1Char('.')))
        plain.remove(0, 1);
    return plain.isEmpty() ? QStringLiteral("download") : plain;
}

QString Download::suggestedFileName() const
{
    return cleanFileName(m_request->suggestedFileName());
}

void Download::accept(const QString &path)
{
    if (m_state != State::Asking)
        return;
    const QFileInfo target(path);
    m_path = target.absoluteFilePath();
    // A file of the user's that happens to bear the temporary name is left
    // alone: the download takes a name nothing has yet.
    m_partPath = m_path + QStringLiteral(".part");
    for (int n = 1; QFileInfo::exists(m_partPath) || QFileInfo::exists(m_partPath + QStringLiteral(".download")); ++n)
        m_partPath = m_path + QStringLiteral(".%1.part").arg(n);
    m_request->setDownloadDirectory(target.absolutePath());
    m_request->setDownloadFileName(QFileInfo(m_partPath).fileName());
    m_started = QDateTime::currentDateTimeUtc();
    m_state = State::Running;
    m_request->accept();
    emit changed();
}

void Download::cancel()
{
    if (m_state == State::Asking || m_state == State::Running) {
        m_request->cancel();
        finish(State::Cancelled);
    }
}

qint64 Download::receivedBytes() const
{
    return m_request->receivedBytes();
}

qint64 Download::totalBytes() const
{
    return m_request->totalBytes();
}

double Download::bytesPerSecond() const
{
    if (!m_started.isValid())
        return 0;
    const qint64 ms = qMax<qint64>(1, m_started.msecsTo(QDateTime::currentDateTimeUtc()));
    return double(receivedBytes()) * 1000.0 / double(ms);
}

void Download::onStateChanged()
{
    if (m_state != State::Running)
        return;
    switch (m_request->state()) {
    case QWebEngineDownloadRequest::DownloadCompleted: {
        // The user agreed to replace an existing file when choosing the name.
        // One rename puts the new file in the old one's place: should it
        // fail, the old file is still there, whole.
        if (::rename(QFile::encodeName(m_partPath).constData(), QFile::encodeName(m_path).constData()) != 0) {
            m_failure = QStringLiteral("Cannot create file %1").arg(m_path);
            finish(State::Failed);
            return;
        }
        finish(State::Finished);
        return;
    }
    case QWebEngineDownloadRequest::DownloadCancelled:
        finish(State::Cancelled);
        return;
    case QWebEngineDownloadRequest::DownloadInterrupted:
        m_failure = m_request->interruptReasonString();
        // An interrupted download could be resumed, but nothing here offers
        // that: end it so the engine lets go of the file.
        m_request->cancel();
        finish(State::Failed);
        return;
    default:
        emit changed();
        return;
    }
}

void Download::finish(State state)
{
    // Only what this download made is removed: before it was accepted it
    // made nothing.
    if (state != State::Finished && !m_partPath.isEmpty()) {
        QFile::remove(m_partPath);
        // The engine itself writes to "<its target>.download" until the end.
        QFile::remove(m_partPath + QStringLiteral(".download"));
    }
    m_state = state;
    emit changed();
}

} // namespace platform
