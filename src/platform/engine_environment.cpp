#include "platform/engine_environment.h"

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <cstdlib>
#include <unistd.h>

#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace platform {
namespace {

// Buffers from this size up get mappings of their own.
constexpr int kOwnMappingFrom = 512 * 1024;

// Every flush of a window that shows a web page copies the whole window
// image (a megabyte and more, twice) on its way to the screen and frees the
// copies at once. After the first such free the C library raises its
// threshold for own mappings above them, so from then on the copies are cut
// out of the main heap between small allocations that stay; the holes they
// leave are seldom the size of the next copy and never go back to the
// system: the program grew with every page shown, by the window's repaints
// (the toolbar's progress, the address, the title), not by anything kept.
// A fixed threshold keeps such buffers out of the heap and returns them
// when freed. Costs a mapping per copy, only while the window repaints.
void keepLargeBuffersOutOfTheHeap()
{
#ifdef __GLIBC__
    ::mallopt(M_MMAP_THRESHOLD, kOwnMappingFrom);
#endif
}

// The one thing the window system's toolkit says when it has no OpenGL to
// offer: that the context the engine's start-up asks for cannot be made.
const char kNoOpenGlContext[] = "QXcbIntegration: Cannot create platform OpenGL context";

QtMessageHandler g_nextHandler = nullptr;

void dropTheExpectedNoOpenGlWarning(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (type == QtWarningMsg && message.startsWith(QLatin1String(kNoOpenGlContext)))
        return;
    if (g_nextHandler)
        g_nextHandler(type, context, message);
}

} // namespace

void prepareWebEngineEnvironment()
{
    keepLargeBuffersOutOfTheHeap();

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

    // The engine draws its pages in software, so the view puts them in the
    // window in software too. Left to its default, the view's scene is
    // drawn with OpenGL: a context made on the window's first show (on a
    // machine without a GPU, a software one with threads of its own), every
    // page picture copied in and read back out, and the window made again
    // as an OpenGL window. That first show came between a Go and its load.
    if (!qEnvironmentVariableIsSet("QT_QUICK_BACKEND") && !qEnvironmentVariableIsSet("QMLSCENE_DEVICE"))
        qputenv("QT_QUICK_BACKEND", "software");

    // Then nothing in the program draws with OpenGL, yet the engine's
    // start-up makes a context that nothing uses: on a machine without a
    // GPU that loads a software driver the size of a compiler, the largest
    // single cost before the main window shows. Without the window
    // system's OpenGL support the context is simply not made.
    if (qgetenv("QT_QUICK_BACKEND") == "software" && !qEnvironmentVariableIsSet("QT_XCB_GL_INTEGRATION")) {
        qputenv("QT_XCB_GL_INTEGRATION", "none");
        g_nextHandler = qInstallMessageHandler(dropTheExpectedNoOpenGlWarning);
    }
}

} // namespace platform
