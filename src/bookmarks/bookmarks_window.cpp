#include "bookmarks/bookmarks_window.h"
#include "ui_bookmarks_window.h"

#include "bookmarks/bookmark_file.h"
#include "bookmarks/bookmark_list.h"
#include "windowset/main_window_link.h"
#include "toolkit/core/codepage.h"
#include "toolkit/core/paths.h"
#include "toolkit/core/record_file.h"
#include "toolkit/widgets/guard.h"
#include "toolkit/widgets/icon_when_drawn.h"
#include "toolkit/widgets/window_style.h"

#include <QDir>
#include <QFile>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QHideEvent>
#include <QShowEvent>

namespace {

// The folder's and the file's look for every entry. The models ask for an
// entry's icon and type on the window's thread as the entries come in, and
// the usual answer looks each file's content type up, reading the file: for
// a folder of thousands of bookmarks that held the window for seconds.
class PlainIcons : public QFileIconProvider {
public:
    using QFileIconProvider::icon;
    QIcon icon(const QFileInfo &info) const override { return info.isDir() ? m_folder : m_file; }
    QString type(const QFileInfo &info) const override
    {
        return info.isDir() ? QStringLiteral("Folder") : QStringLiteral("File");
    }

private:
    // Looked up when first drawn: finding the theme's icons takes a while,
    // and the window is made at start-up but seldom shown.
    const QIcon m_folder = toolkit::iconWhenDrawn([] { return QFileIconProvider().icon(Folder); });
    const QIcon m_file = toolkit::iconWhenDrawn([] { return QFileIconProvider().icon(File); });
};

} // namespace

TForm9::TForm9(WindowSet &forms) : QWidget(nullptr), m_forms(forms), m_icons(std::make_unique<PlainIcons>()), ui(std::make_unique<Ui::TForm9>())
{
    ui->setupUi(this);
    toolkit::setFixedSingleBorder(*this);
    move(408, 157);

    // The folder list: the folder tree from the root down, folders only.
    m_folders = new QFileSystemModel(this);
    m_folders->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Drives);
    m_folders->setReadOnly(true);
    m_folders->setIconProvider(m_icons.get());
    m_folders->setRootPath(QStringLiteral("/"));
    ui->DirectoryListBox1->setModel(m_folders);
    for (int column = 1; column < m_folders->columnCount(); ++column)
        ui->DirectoryListBox1->hideColumn(column);
    ui->DirectoryListBox1->setStyleSheet(QStringLiteral("QTreeView::item { height: 16px; }"));

    // The file list: every name matching the mask, hidden ones included, so
    // the bookmark of an untitled page (".bkm") is listed too. The folder is
    // read and ordered away from the window's thread, and the laying out of
    // the names goes a few at a time between events, so that the window
    // answers while a folder of thousands of bookmarks fills in.
    m_files = new bookmarks::BookmarkList(*m_icons, this);
    ui->FileListBox1->setModel(m_files);
    ui->FileListBox1->setLayoutMode(QListView::Batched);
    ui->FileListBox1->setBatchSize(20);
    ui->FileListBox1->setSelectionMode(QAbstractItemView::SingleSelection);

    // Double-click or Enter on a folder opens it, and makes it current.
    connect(ui->DirectoryListBox1, &QAbstractItemView::activated, this, toolkit::guard([this](const QModelIndex &index) {
                setDirectory(m_folders->filePath(index));
            }));
    // The model reads folders in the background: the shown folder can only
    // be scrolled into view once the rows on its way are there.
    connect(m_folders, &QFileSystemModel::directoryLoaded, this, [this] {
        if (!m_directory.isEmpty())
            ui->DirectoryListBox1->scrollTo(m_folders->index(m_directory));
    });
    connect(ui->FileListBox1, &QAbstractItemView::doubleClicked, this,
            toolkit::guard([this](const QModelIndex &) { FileListBox1DblClick(); }));
    connect(ui->Button1, &QPushButton::clicked, this, toolkit::guard([this](bool) { Button1Click(); }));
}

TForm9::~TForm9()
{
    // The models go before the icons they use.
    delete m_folders;
    delete m_files;
}

void TForm9::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (!event->spontaneous())
        toolkit::guarded([this] { FormShow(); });
}

void TForm9::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    if (!event->spontaneous())
        toolkit::guarded([this] { FormHide(); });
}

void TForm9::setDirectory(const QString &folder)
{
    const QString before = toolkit::CurrentFolder::path();
    toolkit::CurrentFolder::set(folder);
    if (m_leftFolder.isEmpty())
        m_leftFolder = before;
    m_directory = toolkit::CurrentFolder::path();

    const QModelIndex folderIndex = m_folders->index(m_directory);
    ui->DirectoryListBox1->setCurrentIndex(folderIndex);
    ui->DirectoryListBox1->expand(folderIndex);
    ui->DirectoryListBox1->scrollTo(folderIndex);
    m_files->setFolder(m_directory);
    ui->FileListBox1->clearSelection();
    ui->FileListBox1->setCurrentIndex(QModelIndex());
}

QString TForm9::selectedFile() const
{
    const QModelIndexList selected = ui->FileListBox1->selectionModel()->selectedIndexes();
    if (selected.isEmpty() || m_directory.isEmpty())
        return QString();
    return m_directory + QLatin1Char('/') + m_files->fileName(selected.first());
}

void TForm9::FormShow()
{
    // The installation folder, once; a missing file leaves it empty and
    //    the next show tries again, an empty one fails on its first byte.
    if (InstallPath.isEmpty()) {
        InstallPath = toolkit::readWholeFile(QStringLiteral("config\\intallpath.cfg"));
    }
    // Into its Bookmarks folder. The path is written by the run script in
    //    the file system's own encoding of names.
    setDirectory(QFile::decodeName(InstallPath) + QStringLiteral("\\Bookmarks"));
}

void TForm9::FormHide()
{
    // Back to the folder the program was working in when showing moved it:
    // the installation folder, even when intallpath.cfg names another one
    // (an installation copied elsewhere), since the files saved at close
    // must not go into another installation's folder. When showing never
    // moved it, it is still where it belongs.
    if (InstallPath.isEmpty() || m_leftFolder.isEmpty())
        return;
    toolkit::CurrentFolder::set(m_leftFolder);
    m_leftFolder.clear();
    m_directory = toolkit::CurrentFolder::path();
}

void TForm9::Button1Click()
{
    // Nothing selected: nothing happens.
    const QString path = selectedFile();
    if (path.isEmpty())
        return;
    // An empty or vanished file stops here, before anything changed.
    const QByteArray address = bookmarks::readBookmark(path);
    m_forms.Form2->setAddressText(toolkit::fromSingleByte(address));
    hide();
    m_forms.Form2->Button1Click();
}

void TForm9::FileListBox1DblClick()
{
    Button1Click();
}
