#pragma once

#include <QAbstractListModel>
#include <QByteArray>
#include <QList>

#include <vector>

// The history window's lines: the non-empty entries of a history snapshot,
// oldest first, narrowed to those holding every typed word. No line is an
// object of its own, so a history of millions of entries shows at once.
class HistoryModel : public QAbstractListModel {
    Q_OBJECT
public:
    using QAbstractListModel::QAbstractListModel;

    // A snapshot: later Goes do not change what the window shows.
    void setEntries(const QList<QByteArray> &entries);
    void clear();
    // Single-byte words, matched as the address suggestions match them.
    void setFilter(const QByteArray &typed);

    int rowCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    // The entry a line shows, as the history holds it.
    QByteArray entry(int row) const;

private:
    void refilter(bool narrowing);

    QList<QByteArray> m_entries;
    std::vector<quint32> m_rows;
    QList<QByteArray> m_words;
};
