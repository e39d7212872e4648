#pragma once

#include <QAbstractListModel>
#include <QByteArray>
#include <QList>
#include <QTimer>

#include <vector>

// The history window's lines: the non-empty entries of a history snapshot,
// oldest first, narrowed to those holding every typed word. No line is an
// object of its own, so a history of millions of entries shows at once.
// A filter reads a slice of the history at a time, between the window's
// events, so typing into it never waits for a whole large history: the
// lines found so far show while the rest is read.
class HistoryModel : public QAbstractListModel {
    Q_OBJECT
public:
    explicit HistoryModel(QObject *parent = nullptr);

    // A snapshot: later Goes do not change what the window shows.
    void setEntries(const QList<QByteArray> &entries);
    void clear();
    // Single-byte words, matched as the address suggestions match them.
    void setFilter(const QByteArray &typed);

    int rowCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    // The entry a line shows, as the history holds it.
    QByteArray entry(int row) const;
    // Whether the filter has read the whole history.
    bool filtered() const { return !m_scan.isActive(); }

private:
    bool matches(const QByteArray &entry) const;
    // Reads the next slice of the candidates; the lines found are added.
    void scanSome();

    QList<QByteArray> m_entries;
    std::vector<quint32> m_rows;
    QList<QByteArray> m_words;
    // What the filter reads: the lines of the filter it narrows (while
    // m_narrowing), or else every entry; and how far it has read.
    std::vector<quint32> m_candidates;
    bool m_narrowing = false;
    size_t m_next = 0;
    QTimer m_scan;
};
