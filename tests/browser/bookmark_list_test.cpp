// The bookmarks window's file list on its own: a folder on disk, its rows
// as the list view gets them.

#include "bookmarks/bookmark_list.h"
#include "support/gui/program_windows.h"

#include <QDir>
#include <QFile>
#include <QFileIconProvider>
#include <QItemSelectionModel>
#include <QLocale>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using testing_support::waitFor;

namespace {

void touch(const QString &path)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
}

QStringList rows(const bookmarks::BookmarkList &list)
{
    QStringList names;
    for (int row = 0; row < list.rowCount(); ++row)
        names.append(list.data(list.index(row)).toString());
    return names;
}

// A locale whose collation orders digits by value, whatever the machine's is.
class EnglishLocale {
public:
    EnglishLocale() : m_previous(QLocale()) { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }
    ~EnglishLocale() { QLocale::setDefault(m_previous); }

private:
    QLocale m_previous;
};

} // namespace

TEST(BookmarkList, ListsTheBookmarkFilesInTheOrderOfAFileManager)
{
    const EnglishLocale english;
    QTemporaryDir folder;
    for (const char *name : {"Page 10.bkm", "page 9.bkm", "Page 2.bkm", "b.bkm", "a.bkm", "A.bkm", ".bkm", "x.BKM", "notes.txt",
                             "a.bkm.old"})
        touch(folder.filePath(name));
    ASSERT_TRUE(QDir(folder.path()).mkdir("dir.bkm"));

    QFileIconProvider icons;
    bookmarks::BookmarkList list(icons);
    QSignalSpy loaded(&list, &bookmarks::BookmarkList::folderLoaded);
    list.setFolder(folder.path());
    ASSERT_TRUE(loaded.wait(10000));
    // Names equal but for case are both kept, in a fixed order.
    EXPECT_EQ(rows(list), (QStringList{".bkm", "A.bkm", "a.bkm", "b.bkm", "Page 2.bkm", "page 9.bkm", "Page 10.bkm", "x.BKM"}));
    EXPECT_EQ(list.fileName(list.index(folder.filePath("page 9.bkm"))), "page 9.bkm");
    EXPECT_FALSE(list.index(folder.filePath("notes.txt")).isValid());
    EXPECT_FALSE(list.index(folder.path() + "/elsewhere/b.bkm").isValid());
}

TEST(BookmarkList, FollowsTheFolderAndKeepsTheSelectionOnRowsThatStay)
{
    QTemporaryDir folder;
    for (const char *name : {"b.bkm", "d.bkm", "f.bkm"})
        touch(folder.filePath(name));
    QFileIconProvider icons;
    bookmarks::BookmarkList list(icons);
    QSignalSpy loaded(&list, &bookmarks::BookmarkList::folderLoaded);
    list.setFolder(folder.path());
    ASSERT_TRUE(loaded.wait(10000));
    QItemSelectionModel selection(&list);
    selection.select(list.index(folder.filePath("d.bkm")), QItemSelectionModel::ClearAndSelect);

    // Saved and deleted meanwhile, several at once, on either side of the selection.
    touch(folder.filePath("a.bkm"));
    touch(folder.filePath("e.bkm"));
    touch(folder.filePath("g.bkm"));
    ASSERT_TRUE(QFile::remove(folder.filePath("b.bkm")));
    ASSERT_TRUE(QFile::remove(folder.filePath("f.bkm")));
    const QStringList now{"a.bkm", "d.bkm", "e.bkm", "g.bkm"};
    ASSERT_TRUE(waitFor([&] { return rows(list) == now; }, 10000)) << rows(list).join(' ').toStdString();
    ASSERT_EQ(selection.selectedIndexes().size(), 1);
    EXPECT_EQ(list.fileName(selection.selectedIndexes().first()), "d.bkm");

    // Another folder: none of the first one's rows, even one read meanwhile.
    QTemporaryDir other;
    touch(other.filePath("only.bkm"));
    touch(folder.filePath("late.bkm"));
    list.setFolder(other.path());
    ASSERT_TRUE(waitFor([&] { return !loaded.isEmpty() && loaded.last().first().toString() == other.path(); }, 10000));
    touch(other.filePath("second.bkm"));
    ASSERT_TRUE(waitFor([&] { return rows(list).size() == 2; }, 10000)) << rows(list).join(' ').toStdString();
    EXPECT_EQ(rows(list), (QStringList{"only.bkm", "second.bkm"}));
}

// Closing the program while a large folder is still being read: the list
// goes at once, without waiting for the reading or touching it afterwards.
TEST(BookmarkList, GoesWhileAFolderIsBeingRead)
{
    QTemporaryDir folder;
    for (int i = 0; i < 3000; ++i)
        touch(folder.filePath(QStringLiteral("Page %1.bkm").arg(i)));
    QFileIconProvider icons;
    for (int round = 0; round < 5; ++round) {
        auto list = std::make_unique<bookmarks::BookmarkList>(icons);
        list->setFolder(folder.path());
        list->setFolder(folder.path());
        list.reset();
    }
    auto list = std::make_unique<bookmarks::BookmarkList>(icons);
    QSignalSpy loaded(list.get(), &bookmarks::BookmarkList::folderLoaded);
    list->setFolder(folder.path());
    ASSERT_TRUE(loaded.wait(10000));
    EXPECT_EQ(list->rowCount(), 3000);
}
