// The file list of the bookmarks window: the names of one folder's "*.bkm"
// files, hidden ones included, read and ordered on a thread of their own so
// that a folder of thousands of bookmarks never holds the window.
#pragma once

#include <QAbstractListModel>
#include <QFileSystemWatcher>
#include <QIcon>
#include <QStringList>

#include <atomic>
#include <memory>
#include <thread>

class QFileIconProvider;

namespace bookmarks {

// One row a file, in the order a file manager lists names: case ignored,
// runs of digits compared as numbers. The rows follow the folder's changes
// while it is shown: files added or removed there appear or go, and the
// other rows (and a selection on them) stay.
class BookmarkList : public QAbstractListModel {
    Q_OBJECT
public:
    explicit BookmarkList(const QFileIconProvider &icons, QObject *parent = nullptr);
    ~BookmarkList() override;

    // Lists `folder` from now on; its rows come when the reading is done.
    void setFolder(const QString &folder);

    using QAbstractListModel::index;
    // The row of the file at `path` in the listed folder; invalid when no row has its name.
    QModelIndex index(const QString &path) const;
    QString fileName(const QModelIndex &index) const;

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;

signals:
    // Every reading begun has been applied: the rows are the folder's.
    void folderLoaded(const QString &folder);

private:
    struct Edit;
    void read();
    void apply(quint64 generation, const std::vector<Edit> &edits);
    void stopReading();

    const QFileIconProvider &m_icons;
    mutable QIcon m_fileIcon;
    QString m_folder;
    QStringList m_names;
    QFileSystemWatcher m_watcher;
    // Bumped by every change of folder: a reading of the previous folder
    // that ends afterwards is dropped.
    quint64 m_generation = 0;
    bool m_reading = false;
    // The folder changed while it was being read: read it again after.
    bool m_stale = false;
    std::thread m_reader;
    std::shared_ptr<std::atomic<bool>> m_cancel;
};

} // namespace bookmarks
