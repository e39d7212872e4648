#include "suggest/suggestion_service.h"

#include "toolkit/core/codepage.h"

#include <QDir>
#include <QFile>
#include <QSemaphore>
#include <QThread>

namespace suggest {
namespace {

void addBookmarkFolder(SuggestionIndex &index, const QString &folder, const QThread *thread)
{
    if (folder.isEmpty())
        return;
    const QDir dir(folder);
    const QStringList files = dir.entryList({QStringLiteral("*.bkm")}, QDir::Files, QDir::Name | QDir::IgnoreCase);
    for (const QString &name : files) {
        if (thread->isInterruptionRequested())
            return;
        QFile file(dir.filePath(name));
        // An unreadable or empty file suggests nothing; the bookmarks window
        // reports it when the user opens it.
        if (!file.open(QIODevice::ReadOnly))
            continue;
        const QByteArray address = file.readAll();
        if (!address.isEmpty())
            index.addBookmark(address, toolkit::toSingleByte(name.chopped(4)));
    }
}

} // namespace

SuggestionService::SuggestionService(QObject *parent)
    : QObject(parent), m_thread(new QThread), m_worker(new QObject), m_index(std::make_shared<SuggestionIndex>()),
      m_latest(std::make_shared<std::atomic<quint64>>(0))
{
    qRegisterMetaType<QList<suggest::Suggestion>>();
    m_thread->setObjectName(QStringLiteral("suggestions"));
    m_worker->moveToThread(m_thread);
    m_thread->start(QThread::LowPriority);
}

SuggestionService::~SuggestionService()
{
    // Jobs still queued are dropped; the one running finishes first.
    m_thread->requestInterruption();
    m_thread->quit();
    m_thread->wait();
    delete m_worker;
    delete m_thread;
}

void SuggestionService::post(std::function<void(SuggestionIndex &)> job)
{
    QMetaObject::invokeMethod(
        m_worker,
        [index = m_index, thread = m_thread, job = std::move(job)] {
            if (!thread->isInterruptionRequested())
                job(*index);
        },
        Qt::QueuedConnection);
}

void SuggestionService::build(const QList<QByteArray> &history, const QString &bookmarksFolder)
{
    QPointer<SuggestionService> self(this);
    post([snapshot = history, bookmarksFolder, self, thread = m_thread](SuggestionIndex &index) mutable {
        // Closing the program must not wait for a build of years of history.
        index.addHistory(snapshot, [thread] { return thread->isInterruptionRequested(); });
        // The snapshot's entries are shared with the caller's list: letting
        // go of it here spares that list a copy at its next change.
        snapshot = {};
        addBookmarkFolder(index, bookmarksFolder, thread);
        QMetaObject::invokeMethod(
            self.data(), [self] { emit self->built(); }, Qt::QueuedConnection);
    });
}

void SuggestionService::addVisit(const QByteArray &address)
{
    post([address](SuggestionIndex &index) { index.addVisit(address); });
}

void SuggestionService::addBookmark(const QByteArray &address, const QByteArray &name)
{
    post([address, name](SuggestionIndex &index) { index.addBookmark(address, name); });
}

quint64 SuggestionService::request(const QByteArray &typed)
{
    const quint64 serial = ++*m_latest;
    QPointer<SuggestionService> self(this);
    post([typed, serial, latest = m_latest, self](SuggestionIndex &index) {
        if (latest->load() != serial)
            return;
        QList<Suggestion> found = index.find(typed);
        QMetaObject::invokeMethod(
            self.data(),
            [self, serial, typed, found = std::move(found), latest] {
                if (latest->load() == serial)
                    emit self->suggestionsReady(serial, typed, found);
            },
            Qt::QueuedConnection);
    });
    return serial;
}

SuggestionService::Figures SuggestionService::figures()
{
    QSemaphore done;
    Figures result {};
    post([&](SuggestionIndex &index) {
        result = Figures{index.size(), index.memoryBytes()};
        done.release();
    });
    done.acquire();
    return result;
}

} // namespace suggest
