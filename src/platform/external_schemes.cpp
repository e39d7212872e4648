#include "platform/external_schemes.h"

namespace platform {
namespace {

// The schemes a page may be shown from or may use inside itself.
constexpr const char *kEngineSchemes[] = {"http",        "https",      "file",       "data",        "about",
                                          "blob",        "filesystem", "javascript", "ws",          "wss",
                                          "view-source", "qrc",        "chrome",     "chrome-error"};

} // namespace

bool engineShowsScheme(const QUrl &url)
{
    const QString scheme = url.scheme().toLower();
    for (const char *known : kEngineSchemes) {
        if (scheme == QLatin1String(known))
            return true;
    }
    return false;
}

} // namespace platform
