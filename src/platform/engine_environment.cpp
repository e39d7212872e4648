#include "platform/engine_environment.h"

#include <QByteArray>

#include <cstdlib>
#include <unistd.h>

namespace platform {

void prepareWebEngineEnvironment()
{
    if (::geteuid() == 0 && !qEnvironmentVariableIsSet("QTWEBENGINE_DISABLE_SANDBOX"))
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");

    QByteArray flags = qgetenv("QTWEBENGINE_CHROMIUM_FLAGS");
    const auto add = [&flags](const char *flag) {
        if (!flags.contains(flag)) {
            if (!flags.isEmpty())
                flags.append(' ');
            flags.append(flag);
        }
    };
    add("--disable-gpu");
    // Nothing of ours talks to the network behind the user's back.
    add("--disable-background-networking");
    add("--disable-component-update");
    qputenv("QTWEBENGINE_CHROMIUM_FLAGS", flags);
}

} // namespace platform
