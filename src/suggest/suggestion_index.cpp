#include "suggest/suggestion_index.h"

#include "suggest/words.h"

#include <QHashFunctions>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace suggest {
namespace {

// A visit weighs half as much as one this many Goes later: recent visits
// count most, and an address opened often long ago still outranks one
// opened once a little later.
constexpr double kHalfLife = 100.0;
// Scores this close (a quarter of a visit's weight apart) are equal, and a
// bookmark goes first among them.
constexpr double kEqualSteps = 4.0;

// Which of 64 classes of byte a text holds: a search skips every entry that
// lacks a class one of the typed words needs.
int letterClass(unsigned char byte)
{
    if (byte >= 'a' && byte <= 'z')
        return byte - 'a';
    if (byte >= '0' && byte <= '9')
        return 26 + (byte - '0');
    return 36 + byte % 28;
}

quint64 lettersOf(const char *text, qsizetype size)
{
    quint64 letters = 0;
    for (qsizetype i = 0; i < size; ++i)
        letters |= quint64(1) << letterClass(static_cast<unsigned char>(text[i]));
    return letters;
}

// The same for pairs of adjacent bytes, which tell far more texts apart.
quint64 pairsOf(const char *text, qsizetype size)
{
    quint64 pairs = 0;
    for (qsizetype i = 1; i < size; ++i) {
        const quint32 pair = quint32(static_cast<unsigned char>(text[i - 1])) << 8 | static_cast<unsigned char>(text[i]);
        pairs |= quint64(1) << ((pair * 0x9E3779B1u) >> 26);
    }
    return pairs;
}

double addWeight(double score, double logWeight)
{
    if (score == -std::numeric_limits<double>::infinity())
        return logWeight;
    const double high = std::max(score, logWeight);
    const double low = std::min(score, logWeight);
    return high + std::log2(1.0 + std::exp2(low - high));
}

qint32 rankOf(double score)
{
    if (std::isinf(score))
        return std::numeric_limits<qint32>::min();
    return qint32(std::floor(score * kEqualSteps));
}

bool contains(const QByteArray &haystack, const QByteArray &word)
{
    return ::memmem(haystack.constData(), size_t(haystack.size()), word.constData(), size_t(word.size()))
           != nullptr;
}

// Every word of `older` lies inside a word of `newer`: whatever matches the
// newer words matched the older ones too.
bool narrows(const QList<QByteArray> &older, const QList<QByteArray> &newer)
{
    return std::all_of(older.cbegin(), older.cend(), [&](const QByteArray &word) {
        return std::any_of(newer.cbegin(), newer.cend(), [&](const QByteArray &w) { return w.contains(word); });
    });
}

} // namespace

SuggestionIndex::SuggestionIndex() : m_table(1024, 0) {}

quint32 SuggestionIndex::findOrAdd(const QByteArray &address, bool *added)
{
    const size_t mask = m_table.size() - 1;
    for (size_t slot = qHash(address) & mask;; slot = (slot + 1) & mask) {
        const quint32 held = m_table[slot];
        if (held == 0) {
            const auto id = quint32(m_entries.size());
            Entry entry;
            entry.address = address;
            entry.score = -std::numeric_limits<double>::infinity();
            entry.rank = rankOf(entry.score);
            m_entries.push_back(std::move(entry));
            setSearchedText(id, foldCase(address));
            m_table[slot] = id + 1;
            *added = true;
            if (m_entries.size() * 2 > m_table.size())
                growTable();
            return id;
        }
        if (m_entries[held - 1].address == address) {
            *added = false;
            return held - 1;
        }
    }
}

const QByteArray &SuggestionIndex::searchedText(quint32 id) const
{
    const Entry &entry = m_entries[id];
    return entry.folded ? *m_folded.constFind(id) : entry.address;
}

void SuggestionIndex::setSearchedText(quint32 id, const QByteArray &text)
{
    Entry &entry = m_entries[id];
    // Folding shares the bytes of a text it does not change.
    entry.folded = text.constData() != entry.address.constData() || text.size() != entry.address.size();
    if (entry.folded)
        m_folded.insert(id, text);
    else
        m_folded.remove(id);
}

void SuggestionIndex::growTable()
{
    std::vector<quint32> table(m_table.size() * 2, 0);
    const size_t mask = table.size() - 1;
    for (quint32 id = 0; id < m_entries.size(); ++id) {
        size_t slot = qHash(m_entries[id].address) & mask;
        while (table[slot] != 0)
            slot = (slot + 1) & mask;
        table[slot] = id + 1;
    }
    m_table = std::move(table);
}

void SuggestionIndex::visit(quint32 id, qint64 position)
{
    Entry &entry = m_entries[id];
    entry.score = addWeight(entry.score, double(position) / kHalfLife);
    entry.rank = rankOf(entry.score);
}

bool SuggestionIndex::better(quint32 a, quint32 b) const
{
    const Entry &x = m_entries[a];
    const Entry &y = m_entries[b];
    if (x.rank != y.rank)
        return x.rank > y.rank;
    if (x.bookmark != y.bookmark)
        return x.bookmark;
    if (x.score != y.score)
        return x.score > y.score;
    return a > b;
}

SuggestionIndex::Probe SuggestionIndex::probeFor(quint32 id) const
{
    const QByteArray &text = searchedText(id);
    return Probe{lettersOf(text.constData(), text.size()), pairsOf(text.constData(), text.size()), id,
                 quint32(text.size())};
}

void SuggestionIndex::addHistory(const QList<QByteArray> &entries, const std::function<bool()> &stopped)
{
    std::vector<quint32> fresh;
    m_lastValid = false;
    // At most one entry each, room made once: growing by doubling would
    // hold the old array and the new one, twice the size, at its peak.
    m_entries.reserve(m_entries.size() + size_t(entries.size()));
    for (qsizetype i = 0; i < entries.size(); ++i) {
        // Stopped: the index is going away, so neither finish nor sort.
        if (stopped && i % 4096 == 0 && stopped())
            return;
        const QByteArray &address = entries.at(i);
        const qint64 position = m_nextPosition++;
        if (address.isEmpty())
            continue;
        bool added = false;
        const quint32 id = findOrAdd(address, &added);
        visit(id, position);
        if (added)
            fresh.push_back(id);
    }
    // Entries already in the order may have risen: sort the whole order
    // again, which is cheaper than moving each one.
    m_order.reserve(m_order.size() + fresh.size());
    for (const quint32 id : fresh)
        m_order.push_back(Probe{0, 0, id, 0});
    for (Probe &probe : m_order)
        probe = probeFor(probe.id);
    std::sort(m_order.begin(), m_order.end(), [this](const Probe &a, const Probe &b) { return better(a.id, b.id); });
    m_lastValid = false;
}

void SuggestionIndex::addVisit(const QByteArray &address)
{
    const qint64 position = m_nextPosition++;
    m_lastValid = false;
    if (address.isEmpty())
        return;
    bool added = false;
    const quint32 id = findOrAdd(address, &added);
    visit(id, position);
    if (added)
        insertInOrder(id);
    else
        moveUp(id);
}

void SuggestionIndex::addBookmark(const QByteArray &address, const QByteArray &name)
{
    m_lastValid = false;
    if (address.isEmpty())
        return;
    bool added = false;
    const quint32 id = findOrAdd(address, &added);
    Entry &entry = m_entries[id];
    if (!entry.bookmark) {
        entry.bookmark = true;
        m_names.insert(id, name);
        if (!name.isEmpty())
            setSearchedText(id, foldCase(address) + '\n' + foldCase(name));
    }
    if (added)
        insertInOrder(id);
    else
        moveUp(id);
}

void SuggestionIndex::insertInOrder(quint32 id)
{
    const auto at = std::upper_bound(m_order.begin(), m_order.end(), id,
                                     [this](quint32 value, const Probe &probe) { return better(value, probe.id); });
    m_order.insert(at, probeFor(id));
}

void SuggestionIndex::moveUp(quint32 id)
{
    const auto current = std::find_if(m_order.begin(), m_order.end(), [id](const Probe &p) { return p.id == id; });
    if (current == m_order.end())
        return;
    *current = probeFor(id);
    const auto place = std::upper_bound(m_order.begin(), current, id,
                                        [this](quint32 value, const Probe &probe) { return better(value, probe.id); });
    std::rotate(place, current, current + 1);
}

QList<Suggestion> SuggestionIndex::find(const QByteArray &typed, int limit)
{
    const QList<QByteArray> words = queryWords(typed);
    QList<Suggestion> found;
    if (words.isEmpty() || limit <= 0)
        return found;

    quint64 letters = 0;
    quint64 pairs = 0;
    for (const QByteArray &word : words) {
        letters |= lettersOf(word.constData(), word.size());
        pairs |= pairsOf(word.constData(), word.size());
    }
    const auto longest = quint32(std::min<qsizetype>(words.first().size(), std::numeric_limits<quint32>::max()));

    std::vector<quint32> matches;
    const auto take = [&](size_t position) {
        const Probe &probe = m_order[position];
        if ((probe.letters & letters) != letters || (probe.pairs & pairs) != pairs || probe.length < longest)
            return false;
        const QByteArray &text = searchedText(probe.id);
        for (const QByteArray &word : words) {
            if (!contains(text, word))
                return false;
        }
        matches.push_back(quint32(position));
        return true;
    };

    // Typing one more letter only narrows the last search: its matches are
    // checked again, and the scan goes on from where it stopped, so a word
    // typed letter by letter reads the index about once.
    size_t position = 0;
    bool full = false;
    if (m_lastValid && narrows(m_lastWords, words)) {
        for (const quint32 earlier : m_lastMatches) {
            if (take(earlier) && matches.size() == size_t(limit)) {
                position = earlier + 1;
                full = true;
                break;
            }
        }
        if (!full)
            position = m_lastStop;
    }
    for (; !full && position < m_order.size(); ++position) {
        if (take(position) && matches.size() == size_t(limit)) {
            ++position;
            break;
        }
    }

    for (const quint32 at : matches) {
        const quint32 id = m_order[at].id;
        const Entry &entry = m_entries[id];
        found.append(Suggestion{entry.address, entry.bookmark ? m_names.value(id) : QByteArray(), entry.bookmark});
    }
    m_lastWords = words;
    m_lastMatches = std::move(matches);
    m_lastStop = position;
    m_lastValid = true;
    return found;
}

qsizetype SuggestionIndex::memoryBytes() const
{
    qsizetype bytes = qsizetype(m_entries.capacity() * sizeof(Entry) + m_order.capacity() * sizeof(Probe)
                                + m_table.capacity() * sizeof(quint32));
    // Folded copies of their own; shared bytes belong to the history.
    for (const QByteArray &text : m_folded)
        bytes += text.capacity() + qsizetype(sizeof(QByteArray) + 2 * sizeof(void *));
    for (const QByteArray &name : m_names)
        bytes += name.capacity() + qsizetype(sizeof(QByteArray));
    return bytes;
}

} // namespace suggest
