#include "infowindows/history_model.h"

#include "suggest/words.h"
#include "toolkit/core/codepage.h"

#include <algorithm>

void HistoryModel::setEntries(const QList<QByteArray> &entries)
{
    beginResetModel();
    m_entries = entries;
    refilter(false);
    endResetModel();
}

void HistoryModel::clear()
{
    setEntries({});
}

void HistoryModel::setFilter(const QByteArray &typed)
{
    const QList<QByteArray> words = suggest::queryWords(typed);
    // Every old word inside a new one: only the lines shown now can stay.
    const bool narrowing = std::all_of(m_words.cbegin(), m_words.cend(), [&](const QByteArray &old) {
        return std::any_of(words.cbegin(), words.cend(), [&](const QByteArray &w) { return w.contains(old); });
    });
    beginResetModel();
    m_words = words;
    refilter(narrowing);
    endResetModel();
}

void HistoryModel::refilter(bool narrowing)
{
    const auto matches = [this](const QByteArray &entry) {
        if (entry.isEmpty())
            return false;
        if (m_words.isEmpty())
            return true;
        const QByteArray folded = suggest::foldCase(entry);
        return std::all_of(m_words.cbegin(), m_words.cend(), [&](const QByteArray &w) { return folded.contains(w); });
    };
    std::vector<quint32> rows;
    if (narrowing) {
        for (const quint32 at : m_rows) {
            if (matches(m_entries.at(at)))
                rows.push_back(at);
        }
    } else {
        for (qsizetype at = 0; at < m_entries.size(); ++at) {
            if (matches(m_entries.at(at)))
                rows.push_back(quint32(at));
        }
    }
    m_rows = std::move(rows);
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
