// The engine's store in the installation folder, inside one run: where it
// lives, what happens when it cannot be kept, and the permission answers.
// The profile belongs to the process, and ctest runs each case as a process
// of its own (see tests/CMakeLists.txt).
#include "app_fixture.h"

#include "pagewindows/page_zoom.h"
#include "platform/engine_profile.h"
#include "support/gui/window_parts.h"

#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QWebEngineProfile>

using app_testing::PageServer;
using app_testing::ProgramWindows;
using app_testing::waitFor;

TEST(EngineProfileFolder, LivesBesideConfigAndKeepsItsDataThere)
{
    ProgramWindows program;
    const QString folder = QDir(program.folder().path()).absoluteFilePath(QStringLiteral("engine"));
    EXPECT_EQ(platform::engineProfileFolder(), folder);
    EXPECT_TRUE(QFileInfo(folder).isDir());
    ASSERT_TRUE(platform::engineProfileIsPersistent());
    QWebEngineProfile *profile = platform::engineProfile();
    EXPECT_FALSE(profile->isOffTheRecord());
    EXPECT_EQ(profile->persistentStoragePath(), folder);
    EXPECT_TRUE(profile->cachePath().startsWith(folder));
    EXPECT_EQ(profile->httpCacheType(), QWebEngineProfile::DiskHttpCache);
    EXPECT_EQ(profile->persistentCookiesPolicy(), QWebEngineProfile::AllowPersistentCookies);
    EXPECT_TRUE(program.messages().isEmpty());
}

TEST(EngineProfileFolder, UnusableFolderIsToldOnceAndPagesStillLoad)
{
    ProgramWindows program{ProgramWindows::Deferred{}};
    // A file where the folder should be.
    program.folder().write("engine", "not a folder");
    program.create();
    program.start();
    PageServer server({{"/news", "<html><head><title>News</title></head><body>n</body></html>"}});
    ASSERT_TRUE(waitFor([&] { return !program.messages().isEmpty(); }));
    ui(program.main()).Edit1->setText(server.url("/news"));
    program.main().Button1Click();
    ASSERT_TRUE(waitFor([&] { return program.browser().windowTitle() == QStringLiteral("News [Done]"); }));
    ASSERT_EQ(program.messages().size(), 1) << program.messages().join('|').toStdString();
    EXPECT_TRUE(program.messages()[0].contains(QStringLiteral("The browser's data cannot be kept")))
        << program.messages()[0].toStdString();
    EXPECT_TRUE(platform::engineProfile()->isOffTheRecord());
    EXPECT_EQ(program.folder().read("engine"), QByteArray("not a folder"));

    // The zoom levels then last for the run: zooming says nothing more.
    program.browser().pageZoom().step(1);
    ASSERT_TRUE(waitFor([&] { return program.browser().pageZoom().percent() == 110; }));
    EXPECT_EQ(program.messages().size(), 1) << program.messages().join('|').toStdString();
    EXPECT_EQ(program.folder().read("engine"), QByteArray("not a folder"));
}

TEST(EngineProfileFolder, PermissionAnswersAreKeptInTheFolder)
{
    ProgramWindows program;
    EXPECT_EQ(platform::PermissionAnswers::answer(QStringLiteral("http://a.test"), QStringLiteral("use your camera")), -1);
    platform::PermissionAnswers::remember(QStringLiteral("http://a.test"), QStringLiteral("use your camera"), true);
    platform::PermissionAnswers::remember(QStringLiteral("http://b.test:8080"), QStringLiteral("know your location"), false);
    EXPECT_EQ(platform::PermissionAnswers::answer(QStringLiteral("http://a.test"), QStringLiteral("use your camera")), 1);
    EXPECT_EQ(platform::PermissionAnswers::answer(QStringLiteral("http://b.test:8080"), QStringLiteral("know your location")), 0);
    EXPECT_EQ(platform::PermissionAnswers::answer(QStringLiteral("http://a.test"), QStringLiteral("know your location")), -1);
    const QByteArray file = program.folder().read("engine/permissions.txt");
    EXPECT_TRUE(file.contains("http://a.test\tuse your camera\tallow\n")) << file.constData();
    EXPECT_TRUE(file.contains("http://b.test:8080\tknow your location\tdeny\n")) << file.constData();
}
