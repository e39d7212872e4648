#pragma once

#include <QByteArray>
#include <QString>

class WebEngine;

// Bookmark files: "Bookmarks\<cleaned title>.bkm" below the current folder,
// whose whole content is the page's address in the single-byte code page
// (no header, no line break).
namespace bookmarks {

// The page title as it appears in the file name: a full stop becomes a
// comma, and each of \ / : * ? " < > | an apostrophe, so the same names
// are made wherever a Bookmarks folder is copied to. Nothing is shortened.
QByteArray cleanTitle(const QByteArray &title);

// "Bookmarks\" + cleaned title + ".bkm".
QString bookmarkFileName(const QByteArray &title);

// What a bookmark file holds and the name it goes by.
struct SavedBookmark {
    QByteArray address;
    QByteArray name;
};

// Saves the page the engine shows and tells the user "Bookmark saved!".
// Throws the file error (a missing Bookmarks folder, a name too long) before
// anything is written or shown.
SavedBookmark saveBookmark(const WebEngine &engine);

// The whole content of a bookmark file, read byte by byte: an empty file is
// "Read beyond end of file", a missing one "File not found".
QByteArray readBookmark(const QString &path);

} // namespace bookmarks
