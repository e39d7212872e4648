// Enter in the main window's address box, typed as a user types it into the
// real program under a window manager.
#include "support/core/page_server.h"
#include "support/gui/installation.h"
#include "support/gui/private_display.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QThread>
#include <QtEndian>

#include <gtest/gtest.h>

using testing_support::PageServer;
using testing_support::PrivateDisplay;
using testing_support::ProgramProcess;
using testing_support::TempInstallation;

namespace {

const QString kMainCaption = QStringLiteral("Kestrelon Beta 1.6");

QByteArray titled(const QByteArray &title)
{
    return "<html><head><title>" + title + "</title></head><body>" + title + "</body></html>";
}

// Waits until the server has seen a request line starting with `start`.
bool requested(const PageServer &server, const QByteArray &start)
{
    const QDeadlineTimer deadline(60000);
    while (!deadline.hasExpired()) {
        for (const QByteArray &line : server.requests()) {
            if (line.startsWith(start))
                return true;
        }
        QThread::msleep(20);
    }
    return false;
}

qint32 totalPages(const TempInstallation &folder)
{
    return qFromLittleEndian<qint32>(folder.read(QStringLiteral("config/stat.cfg")).constData());
}

} // namespace

TEST(EnterKey, TheEnterThatDismissesABoxDoesNotRunGo)
{
    PrivateDisplay display;
    ASSERT_TRUE(display.start()) << display.error().toStdString();
    ASSERT_TRUE(display.startWindowManager()) << display.error().toStdString();
    PageServer server({{"/first", titled("First")}, {"/second", titled("Second")}});
    TempInstallation folder;
    ProgramProcess program(folder.path());
    program.setEnvironmentValue(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    program.setEnvironmentValue(QStringLiteral("DISPLAY"), display.name());
    ASSERT_TRUE(program.start()) << program.output().constData();

    ASSERT_TRUE(display.typeInto(kMainCaption, server.url("/first")));
    ASSERT_TRUE(program.waitForOutput("browser caption: First [Done]")) << program.output().constData();
    // Ctrl+D in the main window saves a bookmark and says so; Enter closes
    // that box on its press, and its release lands in the address box.
    ASSERT_TRUE(display.pressKeys(kMainCaption, {QStringLiteral("ctrl+d")}));
    ASSERT_TRUE(display.pressKeys(QStringLiteral("Kestrelon"), {QStringLiteral("Return")}));
    // The keys arrive in order: once the next Go is seen, the stray release
    // has been handled.
    ASSERT_TRUE(display.typeInto(kMainCaption, server.url("/second")));
    ASSERT_TRUE(requested(server, "GET /second ")) << program.output().constData();
    ASSERT_EQ(program.terminate(), 0) << program.output().constData();

    EXPECT_EQ(totalPages(folder), 2);
    int firsts = 0;
    for (const QByteArray &line : server.requests())
        firsts += line.startsWith("GET /first ") ? 1 : 0;
    EXPECT_EQ(firsts, 1);
}
