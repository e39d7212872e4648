#pragma once

// The suggest folder: what the address boxes offer while the user types.
// Start here: SuggestionService runs the index (suggestion_index.h, ranked
// history and bookmarks) on a thread of its own; words.h folds and splits
// what was typed, and search_address.h turns text that is no address into
// a search.

#include "suggest/suggestion_index.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <atomic>
#include <functional>
#include <memory>

class QThread;

namespace suggest {

// The suggestion index on a thread of its own, so neither building it nor
// searching it ever holds up the window that asks. Calls are taken in the
// order made; answers come back as signals on the caller's thread. Only the
// newest search is answered: a search overtaken by a later one is dropped.
class SuggestionService : public QObject {
    Q_OBJECT
public:
    explicit SuggestionService(QObject *parent = nullptr);
    ~SuggestionService() override;

    // Builds the index from a history (oldest first) and the "*.bkm" files
    // of `bookmarksFolder` (an absolute path; unreadable files are left
    // out). Searches made before it is done are answered after it.
    void build(const QList<QByteArray> &history, const QString &bookmarksFolder);
    void addVisit(const QByteArray &address);
    void addBookmark(const QByteArray &address, const QByteArray &name);

    // Asks for the suggestions for `typed`; returns the number that the
    // answer, suggestionsReady(), carries.
    quint64 request(const QByteArray &typed);

    // For measuring: the index's size once every call made so far is done.
    struct Figures {
        qsizetype entries;
        qsizetype bytes;
    };
    Figures figures();

signals:
    void suggestionsReady(quint64 serial, const QByteArray &typed, const QList<suggest::Suggestion> &suggestions);
    void built();

private:
    void post(std::function<void(SuggestionIndex &)> job);

    QThread *m_thread = nullptr;
    QObject *m_worker = nullptr;
    std::shared_ptr<SuggestionIndex> m_index;
    std::shared_ptr<std::atomic<quint64>> m_latest;
};

} // namespace suggest
