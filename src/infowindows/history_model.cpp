#include "infowindows/history_model.h"

#include "suggest/words.h"
#include "toolkit/core/codepage.h"

#include <algorithm>

namespace {
// Entries read between two of the window's events: a few milliseconds.
constexpr size_t kSlice = 20000;
} // namespace

HistoryModel::HistoryModel(QObject *parent) : QAbstractListModel(parent)
{
    m_scan.setInterval(0);
    connect(&m_scan, &QTimer::timeout, this, &HistoryModel::scanSome);
}

void HistoryModel::setEntries(const QList<QByteArray> &entries)
{
    // The filter as it stands, over the new snapshot.
    beginResetModel();
    m_entries = entries;
    m_rows.clear();
    m_candidates.clear();
    m_narrowing = false;
    m_next = 0;
    endResetModel();
    scanSome();
}

void HistoryModel::clear()
{
    setEntries({});
}

void HistoryModel::setFilter(const QByteArray &typed)
{
    const QList<QByteArray> words = suggest::queryWords(typed);
    // Every old word inside a new one: only the lines of the last filter can
    // stay, once it has read the whole history.
    const bool narrowing = filtered() && std::all_of(m_words.cbegin(), m_words.cend(), [&](const QByteArray &old) {
        return std::any_of(words.cbegin(), words.cend(), [&](const QByteArray &w) { return w.contains(old); });
    });
    beginResetModel();
    m_words = words;
    m_narrowing = narrowing;
    m_candidates = narrowing ? std::move(m_rows) : std::vector<quint32>();
    m_rows.clear();
    m_next = 0;
    endResetModel();
    scanSome();
}

bool HistoryModel::matches(const QByteArray &entry) const
{
    if (entry.isEmpty())
        return false;
    if (m_words.isEmpty())
        return true;
    const QByteArray folded = suggest::foldCase(entry);
    return std::all_of(m_words.cbegin(), m_words.cend(), [&](const QByteArray &w) { return folded.contains(w); });
}

void HistoryModel::scanSome()
{
    const size_t total = m_narrowing ? m_candidates.size() : size_t(m_entries.size());
    // Without words every line shows at once: nothing to read but sizes.
    const size_t stop = m_words.isEmpty() ? total : std::min(total, m_next + kSlice);
    std::vector<quint32> found;
    for (; m_next < stop; ++m_next) {
        const quint32 at = m_narrowing ? m_candidates[m_next] : quint32(m_next);
        if (matches(m_entries.at(at)))
            found.push_back(at);
    }
    if (!found.empty()) {
        const int first = int(m_rows.size());
        beginInsertRows({}, first, first + int(found.size()) - 1);
        m_rows.insert(m_rows.end(), found.begin(), found.end());
        endInsertRows();
    }
    if (m_next < total) {
        m_scan.start();
    } else {
        m_scan.stop();
        m_candidates = {};
    }
}

int HistoryModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

QVariant HistoryModel::data(const QModelIndex &index, int role) const
{
    if (role != Qt::DisplayRole || !index.isValid() || size_t(index.row()) >= m_rows.size())
        return {};
    return toolkit::fromSingleByte(m_entries.at(m_rows[size_t(index.row())]));
}

QByteArray HistoryModel::entry(int row) const
{
    if (row < 0 || size_t(row) >= m_rows.size())
        return {};
    return m_entries.at(m_rows[size_t(row)]);
}
