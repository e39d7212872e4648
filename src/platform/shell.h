#pragma once

#include <QString>

namespace platform {

// Asks the desktop to open `fileName` (relative to the current folder) with
// the program the user has for it. Whether that works is not reported.
void shellOpen(const QString &fileName);

} // namespace platform
