#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>

#include <functional>
#include <vector>

// The addresses the user may want again: every history entry and every
// bookmark, each address once, ranked by how often and how recently it was
// opened. Not thread-safe: one thread owns an index (see SuggestionService).
namespace suggest {

struct Suggestion {
    QByteArray address;
    // The bookmark's name; empty for an address only the history holds.
    QByteArray name;
    bool bookmark = false;

    bool operator==(const Suggestion &) const = default;
};

class SuggestionIndex {
public:
    // How many suggestions a list shows.
    static constexpr int kListLength = 10;

    SuggestionIndex();

    // Adds a history in its order (oldest first) in one go: cheaper than
    // addVisit() for each entry. Empty entries take their place in the
    // order but suggest nothing.
    // `stopped` is asked now and then; when it says so the rest is left out.
    void addHistory(const QList<QByteArray> &entries, const std::function<bool()> &stopped = {});
    // One more Go, the newest visit so far.
    void addVisit(const QByteArray &address);
    // A bookmark file's address and its name (the file's name without
    // ".bkm"). A second bookmark of the same address keeps the first name.
    void addBookmark(const QByteArray &address, const QByteArray &name);

    // Up to `limit` addresses whose address or bookmark name contains every
    // word of `typed` (single-byte text), best first.
    QList<Suggestion> find(const QByteArray &typed, int limit = kListLength);

    qsizetype size() const { return qsizetype(m_entries.size()); }
    // Bytes the index holds beyond the texts it shares with the history.
    qsizetype memoryBytes() const;

private:
    struct Entry {
        QByteArray address;
        // log2 of the sum of 2^(position / half-life) over its visits;
        // -infinity for a bookmark never opened.
        double score;
        // The score in steps of "equal": within one, bookmarks go first.
        qint32 rank;
        bool bookmark = false;
        // The text searched is in m_folded, not the address itself.
        bool folded = false;
    };
    // The scan order: best first, with what lets a scan skip an entry
    // without touching its text.
    struct Probe {
        quint64 letters;
        quint64 pairs;
        quint32 id;
        quint32 length;
    };

    quint32 findOrAdd(const QByteArray &address, bool *added);
    void visit(quint32 id, qint64 position);
    bool better(quint32 a, quint32 b) const;
    Probe probeFor(quint32 id) const;
    // Moves an entry whose rank may only have risen to its place.
    void moveUp(quint32 id);
    void insertInOrder(quint32 id);
    void growTable();
    // What the typed words are looked for in: the folded address, and for a
    // bookmark its folded name after a line break (which no typed word
    // holds).
    const QByteArray &searchedText(quint32 id) const;
    void setSearchedText(quint32 id, const QByteArray &text);

    std::vector<Entry> m_entries;
    std::vector<Probe> m_order;
    // Open addressing over ids (+1; 0 is free), keyed by the address.
    std::vector<quint32> m_table;
    QHash<quint32, QByteArray> m_names;
    // The searched texts that are not the address as it stands: most
    // addresses are lower case already, and keep no copy.
    QHash<quint32, QByteArray> m_folded;
    qint64 m_nextPosition = 0;

    // The last search, to narrow from when the next one only adds to it.
    QList<QByteArray> m_lastWords;
    std::vector<quint32> m_lastMatches;
    size_t m_lastStop = 0;
    bool m_lastValid = false;
};

} // namespace suggest
