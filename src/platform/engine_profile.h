#pragma once

#include <QString>

class QWebEngineProfile;

// The web engine's own store on disk: cookies, local storage, the HTTP
// cache and the answers given to sites' permission requests, kept in the
// installation folder's "engine" folder so they survive a restart. The
// folder is created on first use; nothing else writes there except what
// the engine keeps per site (a file of its own for each kind).
namespace platform {

// "<installation folder>/engine". The installation folder is the current
// folder at the first call, which is made while the window set is created.
QString engineProfileFolder();

// The one profile every page of the program uses, created on first call.
// When the folder cannot be created or written, the problem is told once
// through the error handler and the profile keeps nothing on disk.
QWebEngineProfile *engineProfile();

// Whether the profile keeps its data in engineProfileFolder().
bool engineProfileIsPersistent();

// The answer given to `origin` for `feature`, kept across runs in the
// profile folder (in memory only when the profile is not persistent).
class PermissionAnswers {
public:
    // 1 allowed, 0 denied, -1 never asked.
    static int answer(const QString &origin, const QString &feature);
    static void remember(const QString &origin, const QString &feature, bool allowed);
};

} // namespace platform
