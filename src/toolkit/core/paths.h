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

// The one owner of the process's current folder. Relative names resolve in
// the installation folder, except while the bookmarks window moves it.
class CurrentFolder {
public:
    static QString path();
    // Throws EInOutError when the folder does not exist or cannot be entered.
    static void set(const QString &folder);
};

} // namespace toolkit
