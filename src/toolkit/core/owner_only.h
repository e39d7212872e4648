#pragma once

#include <QString>

// Folders that hold what only the user may see: the engine's store (cookies,
// the cache, the pages visited) and the hand-over socket of later starts.
namespace toolkit {

// Makes `path` a folder only this user can enter: created 0700 when missing
// (its parent must exist), group and other bits dropped when it is ours.
// Nothing that someone else owns, and nothing that is not a real folder (a
// link, a file), is used or changed: the problem is returned as text for
// the user, empty when the folder is fit to use.
QString makeOwnerOnlyFolder(const QString &path);

// Whether `path` is, as it stands, a real folder of this user's that no one
// else may enter. Nothing is created or changed.
bool isOwnerOnlyFolder(const QString &path);

// Drops the group and other bits of every file and folder below `folder`
// that this user owns, without following links. For stores written by
// earlier versions that kept the umask's modes.
void restrictToOwner(const QString &folder);

} // namespace toolkit
