#pragma once

#include <QString>
#include <QUrl>

namespace platform {

// Asks the desktop to open `fileName` (relative to the current folder) with
// the program the user has for it. Whether that works is not reported.
void shellOpen(const QString &fileName);

// Hands `link` (mailto: and the like) to the program the desktop has for its
// scheme. Whether that works is not reported either.
void shellOpenLink(const QUrl &link);

} // namespace platform
