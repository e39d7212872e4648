#pragma once

#include <QString>

// File names in the program are written with '\' or '/' and in any case
// ("config\History.cfg" is written where "config\history.cfg" was read).
// They must all name the same files, so every file the program opens goes
// through resolvePath(). Relative names resolve in the current folder.
namespace toolkit {

// Turns a program file name into a native path: both separators become '/',
// and each component that exists on disk in another case is taken with the
// case it has there. Components that do not exist are kept as written, so a
// new file is created under the name the program gave it.
QString resolvePath(const QString &name);

// resolvePath() of a file of the program's own (the engine's folder, the
// lock): a relative name resolves in the installation folder, wherever the
// current folder is at the moment (the bookmarks window moves it).
QString installationPath(const QString &name);

// The bytes handed to the operating system for a resolved path. The system
// reads a name up to its first NUL byte, so a name holding one would silently
// stand for a shorter one: it is refused with "Invalid filename".
QByteArray systemName(const QString &path);

// Refuses, before anything is written, a file name that cannot be created
// as given: one holding a NUL byte, or whose last part is longer than its
// file system allows (255 bytes of UTF-8 on the usual ones). Throws
// EFCreateError "Cannot create file %s" with `shownName`. Nothing is ever
// shortened to make a name fit.
void checkCreatableName(const QString &path, const QString &shownName);

// The one owner of the process's current folder. Relative names resolve in
// the installation folder, except while the bookmarks window moves it.
class CurrentFolder {
public:
    static QString path();
    // Throws EInOutError when the folder does not exist or cannot be entered.
    static void set(const QString &folder);
};

// The installation folder: the current folder when the windows were made.
class InstallationFolder {
public:
    // The folder remembered last; the current folder until then.
    static QString path();
    // Takes the current folder as the installation folder.
    static void remember();
};

} // namespace toolkit
