#include "bookmarks/bookmark_list.h"

#include <QCollator>
#include <QDirIterator>
#include <QFileIconProvider>

#include <algorithm>

namespace bookmarks {

// Rows to take out or put in at `row`, applied in order: each edit's row
// counts the edits before it.
struct BookmarkList::Edit {
    int row = 0;
    int removed = 0;
    QStringList inserted;
};

namespace {

// The listing's order: a file manager's (case ignored, numbers by value,
// in the user's locale), and names it takes for equal in plain order, so
// that the order is total and no two names are taken for one.
class NameOrder {
public:
    NameOrder()
    {
        m_collator.setNumericMode(true);
        m_collator.setCaseSensitivity(Qt::CaseInsensitive);
    }
    int compare(const QString &a, const QString &b) const
    {
        const int byCollator = m_collator.compare(a, b);
        return byCollator != 0 ? byCollator : a.compare(b);
    }

private:
    QCollator m_collator;
};

} // namespace

BookmarkList::BookmarkList(const QFileIconProvider &icons, QObject *parent) : QAbstractListModel(parent), m_icons(icons)
{
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, this, [this] { read(); });
}

BookmarkList::~BookmarkList()
{
    stopReading();
}

void BookmarkList::stopReading()
{
    if (m_reader.joinable()) {
        m_cancel->store(true);
        m_reader.join();
    }
    m_reading = false;
    m_stale = false;
}

void BookmarkList::setFolder(const QString &folder)
{
    stopReading();
    ++m_generation;
    if (!m_watcher.directories().isEmpty())
        m_watcher.removePaths(m_watcher.directories());
    m_folder = folder;
    beginResetModel();
    m_names.clear();
    endResetModel();
    if (!folder.isEmpty())
        m_watcher.addPath(folder);
    read();
}

void BookmarkList::read()
{
    if (m_reading) {
        m_stale = true;
        return;
    }
    // The thread of the reading before has posted its rows and is ending.
    if (m_reader.joinable())
        m_reader.join();
    m_reading = true;
    m_cancel = std::make_shared<std::atomic<bool>>(false);
    m_reader = std::thread([this, folder = m_folder, shown = m_names, generation = m_generation, cancel = m_cancel] {
        QStringList found;
        QDirIterator entries(folder, {QStringLiteral("*.bkm")}, QDir::Files | QDir::Hidden | QDir::System);
        while (entries.hasNext()) {
            if (cancel->load())
                return;
            found.append(entries.nextFileInfo().fileName());
        }
        const NameOrder order;
        std::sort(found.begin(), found.end(), [&](const QString &a, const QString &b) { return order.compare(a, b) < 0; });
        if (cancel->load())
            return;

        // From the rows shown to the rows found, in as few runs as the
        // two orders allow, so that unchanged rows keep their selection.
        std::vector<Edit> edits;
        qsizetype i = 0;
        qsizetype j = 0;
        int row = 0;
        while (i < shown.size() || j < found.size()) {
            const int cmp = i == shown.size()   ? 1
                            : j == found.size() ? -1
                                                : order.compare(shown[i], found[j]);
            if (cmp == 0) {
                ++i, ++j, ++row;
            } else if (cmp < 0) {
                if (edits.empty() || edits.back().row != row || !edits.back().inserted.isEmpty())
                    edits.push_back({row, 0, {}});
                ++edits.back().removed;
                ++i;
            } else {
                if (edits.empty() || edits.back().removed != 0
                    || edits.back().row + edits.back().inserted.size() != row)
                    edits.push_back({row, 0, {}});
                edits.back().inserted.append(found[j]);
                ++j, ++row;
            }
        }
        QMetaObject::invokeMethod(
            this, [this, generation, edits = std::move(edits)] { apply(generation, edits); }, Qt::QueuedConnection);
    });
}

void BookmarkList::apply(quint64 generation, const std::vector<Edit> &edits)
{
    if (generation != m_generation)
        return;
    m_reading = false;
    for (const Edit &edit : edits) {
        if (edit.removed > 0) {
            beginRemoveRows(QModelIndex(), edit.row, edit.row + edit.removed - 1);
            m_names.remove(edit.row, edit.removed);
            endRemoveRows();
        } else {
            beginInsertRows(QModelIndex(), edit.row, edit.row + int(edit.inserted.size()) - 1);
            m_names = m_names.first(edit.row) + edit.inserted + m_names.sliced(edit.row);
            endInsertRows();
        }
    }
    if (m_stale) {
        m_stale = false;
        read();
        return;
    }
    emit folderLoaded(m_folder);
}

QModelIndex BookmarkList::index(const QString &path) const
{
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    if (slash < 0 || path.left(slash) != m_folder)
        return QModelIndex();
    const qsizetype row = m_names.indexOf(path.mid(slash + 1));
    return row < 0 ? QModelIndex() : index(int(row));
}

QString BookmarkList::fileName(const QModelIndex &index) const
{
    return index.isValid() && index.row() < m_names.size() ? m_names[index.row()] : QString();
}

int BookmarkList::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_names.size());
}

QVariant BookmarkList::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_names.size())
        return QVariant();
    if (role == Qt::DisplayRole)
        return m_names[index.row()];
    if (role == Qt::DecorationRole) {
        // Looked up on first need, as the window is made at start-up but
        // seldom shown.
        if (m_fileIcon.isNull())
            m_fileIcon = m_icons.icon(QFileInfo());
        return m_fileIcon;
    }
    return QVariant();
}

} // namespace bookmarks
