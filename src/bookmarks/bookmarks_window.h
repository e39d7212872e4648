// Bookmarks folder: the bookmarks window TForm9 (this file, start here),
// which browses the Bookmarks folder of the installation, and the .bkm file
// format that the browser window saves and the window opens.
#pragma once

#include "windowset/window_set.h"

#include <QByteArray>
#include <QString>
#include <QWidget>

#include <memory>

class QFileIconProvider;
class QFileSystemModel;

namespace bookmarks {
class BookmarkList;
}

namespace Ui {
class TForm9;
}

// The bookmarks window: a folder list whose folder is the process's current
// folder while the window is shown, and the "*.bkm" files of that folder.
// Showing it moves the current folder into the installation's Bookmarks
// folder; hiding it moves it back.
class TForm9 : public QWidget {
    Q_OBJECT
public:
    explicit TForm9(WindowSet &forms);
    ~TForm9() override;

    // The installation folder as config\intallpath.cfg holds it; read on the
    // first show that finds it empty, kept for the rest of the run.
    QByteArray InstallPath;

    void FormShow();
    void FormHide();
    void Button1Click();
    void FileListBox1DblClick();

    // The folder the folder list shows (and the current folder while shown).
    QString directory() const { return m_directory; }
    // Makes `folder` the folder list's folder and the current folder. When
    // the folder cannot be entered, throws and keeps the previous one.
    void setDirectory(const QString &folder);
    // The file list's selected file as a full path; empty when none is.
    QString selectedFile() const;

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    WindowSet &m_forms;
    std::unique_ptr<QFileIconProvider> m_icons;
    QFileSystemModel *m_folders = nullptr;
    bookmarks::BookmarkList *m_files = nullptr;
    QString m_directory;
    // The folder that was current when showing moved it: the one the
    // program runs in, where hiding must bring it back.
    QString m_leftFolder;

    // The window's controls: only its own code touches them.
    friend struct WindowParts;
    std::unique_ptr<Ui::TForm9> ui;
};
