// How the real program puts pages on a real display: in software, without
// loading the window system's OpenGL support, and without a word about it.
#include "support/core/page_server.h"
#include "support/gui/installation.h"
#include "support/gui/private_display.h"

#include <QFile>

#include <gtest/gtest.h>

using testing_support::PageServer;
using testing_support::PrivateDisplay;
using testing_support::ProgramProcess;
using testing_support::TempInstallation;

TEST(Drawing, APageShowsWithoutOpenGlLoadedAndNothingIsSaidAboutIt)
{
    PrivateDisplay display;
    ASSERT_TRUE(display.start()) << display.error().toStdString();
    PageServer server({{"/drawn", "<html><head><title>Drawn</title></head><body>drawn</body></html>"}});
    TempInstallation folder;
    ProgramProcess program(folder.path());
    program.setEnvironmentValue(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    program.setEnvironmentValue(QStringLiteral("DISPLAY"), display.name());
    // The tests set up their own process as the program does: its child
    // must find its way on its own.
    program.removeEnvironmentValue(QStringLiteral("QT_QUICK_BACKEND"));
    program.removeEnvironmentValue(QStringLiteral("QT_XCB_GL_INTEGRATION"));
    ASSERT_TRUE(program.start()) << program.output().constData();
    ASSERT_TRUE(display.typeInto(QStringLiteral("Kestrelon Beta 1.6"), server.url("/drawn")));
    ASSERT_TRUE(program.waitForOutput("browser caption: Drawn [Done]")) << program.output().constData();

    // The browser window with its page is up: whatever the window system's
    // toolkit loads to draw it is loaded by now.
    QFile maps(QStringLiteral("/proc/%1/maps").arg(program.processId()));
    ASSERT_TRUE(maps.open(QIODevice::ReadOnly));
    const QByteArray mapped = maps.readAll();
    EXPECT_FALSE(mapped.contains("/xcbglintegrations/"));
    ASSERT_EQ(program.terminate(), 0) << program.output().constData();
    EXPECT_FALSE(program.output().contains("Cannot create platform OpenGL context")) << program.output().constData();
}
