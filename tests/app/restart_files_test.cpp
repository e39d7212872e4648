// The two small files a restart reads: where the windows were, and the page
// on screen when a run ended without its close step.
#include "app_fixture.h"

#include "app/last_page.h"
#include "app/window_places.h"
#include "infowindows/history_window.h"
#include "support/core/temp_folder.h"

#include <QFile>
#include <QFileInfo>

using app_testing::PageServer;
using app_testing::waitFor;
using testing_support::ProgramWindows;
using testing_support::TempCurrentFolder;

namespace {

const QList<QRect> kOneScreen{QRect(0, 0, 1280, 1024)};

QByteArray readFile(const QString &path)
{
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    return file.readAll();
}

} // namespace

TEST(WindowPlacesFile, OnlyWellFormedLinesWithAPlaceCount)
{
    const auto places = windowplaces::parse("\x01\xff garbage\nTForm1.place=10,20\nTForm1.size=300;200\n"
                                            "TForm1.maximized=yes\nTForm5.size=300,200\n=1,2\n.place=3,4\n"
                                            "TForm3.place=7,8,9\nTForm4.place= 5 , 6 \n");
    ASSERT_EQ(places.size(), 2);
    EXPECT_EQ(places.value("TForm1").place, QPoint(10, 20));
    EXPECT_TRUE(places.value("TForm1").size.isEmpty());
    EXPECT_FALSE(places.value("TForm1").maximized);
    EXPECT_EQ(places.value("TForm4").place, QPoint(5, 6));
    EXPECT_EQ(windowplaces::parse(windowplaces::format(places)).value("TForm4").place, QPoint(5, 6));
}

TEST(WindowPlacesFile, APlaceMustLeaveTheCaptionOnAScreenAndASizeMustFitOne)
{
    EXPECT_TRUE(windowplaces::reachable(QPoint(187, 125), QSize(796, 478), kOneScreen));
    // Mostly off to the left, but the caption's right end can be grabbed.
    EXPECT_TRUE(windowplaces::reachable(QPoint(-700, 100), QSize(796, 478), kOneScreen));
    EXPECT_FALSE(windowplaces::reachable(QPoint(5000, 5000), QSize(796, 478), kOneScreen));
    EXPECT_FALSE(windowplaces::reachable(QPoint(1260, 100), QSize(796, 478), kOneScreen));
    // Caption above the screen's top: nothing to take hold of.
    EXPECT_FALSE(windowplaces::reachable(QPoint(100, -10), QSize(796, 478), kOneScreen));
    EXPECT_FALSE(windowplaces::reachable(QPoint(100, 100), QSize(796, 478), {}));
    // A second screen to the right shows it.
    EXPECT_TRUE(
        windowplaces::reachable(QPoint(1500, 100), QSize(796, 478), {kOneScreen[0], QRect(1280, 0, 1920, 1080)}));

    EXPECT_TRUE(windowplaces::plausibleSize(QSize(640, 400), kOneScreen));
    EXPECT_FALSE(windowplaces::plausibleSize(QSize(0, 0), kOneScreen));
    EXPECT_FALSE(windowplaces::plausibleSize(QSize(100000, 100000), kOneScreen));
    EXPECT_FALSE(windowplaces::plausibleSize(QSize(-640, 400), kOneScreen));
}

TEST(WindowPlaces, TheCloseStepKeepsWhereTheWindowsWereForTheNextStart)
{
    ProgramWindows windows;
    const QPoint browserPlace = windows.browser().pos();
    const QSize browserSize = windows.browser().size();
    const QPoint mainPlace = windows.main().pos();

    // A damaged file: the windows keep their own places.
    const QString file = windows.folder().file(QStringLiteral("engine/windows.ini"));
    windows.destroy();
    windows.folder().write(QStringLiteral("engine/windows.ini"), QByteArray(4096, '\xfe'));
    windows.start();
    EXPECT_EQ(windows.browser().pos(), browserPlace);
    EXPECT_EQ(windows.browser().size(), browserSize);

    windows.browser().show();
    windows.browser().move(120, 90);
    windows.browser().resize(500, 300);
    windows.main().History1Click();
    windows.forms().Form5->move(600, 500);
    ASSERT_TRUE(windows.main().requestClose());
    // ...and the close replaced it with one that reads.
    EXPECT_TRUE(windowplaces::parse(readFile(file)).contains(QStringLiteral("TForm5")));
    windows.destroy();

    windows.start();
    EXPECT_EQ(windows.browser().pos(), QPoint(120, 90));
    EXPECT_EQ(windows.browser().size(), QSize(500, 300));
    EXPECT_EQ(windows.forms().Form5->pos(), QPoint(600, 500));
    EXPECT_EQ(windows.main().pos(), mainPlace);

    // Maximised at the close: maximised at the start, over the same normal place.
    windows.browser().show();
    windows.browser().showMaximized();
    ASSERT_TRUE(waitFor([&] { return windows.browser().isMaximized(); }));
    ASSERT_TRUE(windows.main().requestClose());
    windows.destroy();
    windows.start();
    EXPECT_TRUE(windows.browser().windowState() & Qt::WindowMaximized);
    windows.browser().show();
    windows.browser().showNormal();
    EXPECT_TRUE(waitFor([&] {
        return windows.browser().pos() == QPoint(120, 90) && windows.browser().size() == QSize(500, 300);
    })) << windows.browser().pos().x()
        << ',' << windows.browser().pos().y();
}

TEST(LastPageFile, OnlyPagesAUserOpensAreOffered)
{
    for (const char *address : {"http://127.0.0.1:8080/a?b=c", "https://example.org/", "file:///home/u/page.html"})
        EXPECT_TRUE(lastpage::offerable(QString::fromLatin1(address))) << address;
    for (const char *address :
         {"javascript:alert(1)", "JavaScript:alert(1)", "data:text/html,<script>x</script>", "about:blank", "http://",
          "http:///path", "file:", "ftp://example.org/", "http://a/\nhttp://b/", "", "not an address"})
        EXPECT_FALSE(lastpage::offerable(QString::fromLatin1(address))) << address;
}

TEST(LastPageFile, WhatARunLeftIsTakenOnceAndOnlyWhenItReads)
{
    TempCurrentFolder folder;
    const QString file = folder.file(QStringLiteral("last-page.txt"));
    EXPECT_FALSE(lastpage::takeLeftOver(file));

    const struct {
        QByteArray bytes;
        std::optional<QString> offered;
    } cases[] = {
        {"http://127.0.0.1/x\n", QStringLiteral("http://127.0.0.1/x")},
        {"", std::nullopt},
        {"javascript:document.cookie\n", std::nullopt},
        {"http://127.0.0.1/" + QByteArray(1024 * 1024, 'a'), std::nullopt},
    };
    for (const auto &c : cases) {
        folder.write(QStringLiteral("last-page.txt"), c.bytes);
        EXPECT_EQ(lastpage::takeLeftOver(file), c.offered) << c.bytes.left(40).constData();
        EXPECT_FALSE(QFileInfo::exists(file));
    }
}

TEST(LastPage, ThePageOnScreenIsKeptWhileTheProgramRunsAndGoesWithTheClose)
{
    PageServer server({{"/a", "<html><head><title>A</title></head><body>a</body></html>"},
                       {"/b", "<html><head><title>B</title></head><body>b</body></html>"}});
    ProgramWindows windows;
    const QString file = windows.folder().file(QStringLiteral("engine/last-page.txt"));
    ASSERT_TRUE(windows.open(server.url("/a"), QStringLiteral("A")));
    EXPECT_TRUE(waitFor([&] { return readFile(file) == server.url("/a").toUtf8() + '\n'; }))
        << readFile(file).constData();
    // Within the second after it: written once the second is over.
    ASSERT_TRUE(windows.open(server.url("/b"), QStringLiteral("B")));
    EXPECT_TRUE(waitFor([&] { return readFile(file) == server.url("/b").toUtf8() + '\n'; }))
        << readFile(file).constData();

    ASSERT_TRUE(windows.main().requestClose());
    EXPECT_FALSE(QFileInfo::exists(file));
}
