#pragma once

#include <QUrl>

namespace platform {

// Whether the engine shows `url` itself; any other scheme (mailto:, a
// program's own) can only be handed to another program.
bool engineShowsScheme(const QUrl &url);

} // namespace platform
