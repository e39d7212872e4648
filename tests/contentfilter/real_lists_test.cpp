// The lists the browser uses by default, as the system installs them.
#include "contentfilter/filter_lists.h"
#include "filter_support.h"
#include "support/core/temp_folder.h"

#include <gtest/gtest.h>

using filter_testing::decide;

namespace {

const contentfilter::FilterEngine *systemLists()
{
    static const std::unique_ptr<contentfilter::FilterEngine> engine = [] {
        const QStringList lists = contentfilter::defaultLists(QStringLiteral("/nonexistent"));
        return lists.size() == 2 ? contentfilter::loadEngine(lists, {}).engine : nullptr;
    }();
    return engine.get();
}

} // namespace

TEST(RealLists, WellKnownAdsAndTrackersAreBlocked)
{
    const auto *engine = systemLists();
    if (!engine)
        GTEST_SKIP() << "the system's filter lists are not installed";
    const char *page = "https://www.example-news.com/article";
    EXPECT_EQ(decide(*engine, "https://pagead2.googlesyndication.com/pagead/js/adsbygoogle.js", page), "block");
    EXPECT_EQ(decide(*engine, "https://www.google-analytics.com/analytics.js", page), "block");
    EXPECT_EQ(decide(*engine, "https://securepubads.g.doubleclick.net/tag/js/gpt.js", page), "block");
    EXPECT_EQ(decide(*engine, "https://connect.facebook.net/en_US/fbevents.js", page), "block");
    EXPECT_EQ(decide(*engine, "https://ad.doubleclick.net/ddm/ad/x.gif", page, "image"), "block");
}

TEST(RealLists, OrdinaryAddressesLoad)
{
    const auto *engine = systemLists();
    if (!engine)
        GTEST_SKIP() << "the system's filter lists are not installed";
    const char *page = "https://www.example-news.com/article";
    EXPECT_EQ(decide(*engine, "https://www.example-news.com/static/app.js", page), "allow");
    EXPECT_EQ(decide(*engine, "https://www.example-news.com/images/photo.jpg", page, "image"), "allow");
    EXPECT_EQ(decide(*engine, "https://fonts.gstatic.com/s/roboto/v30/x.woff2", page, "font"), "allow");
    EXPECT_EQ(decide(*engine, "https://www.wikipedia.org/", {}, "main_frame"), "allow");
    EXPECT_EQ(decide(*engine, "https://code.jquery.com/jquery-3.7.1.min.js", page), "allow");
    EXPECT_FALSE(engine->cosmetic().styleSheetFor("www.example-news.com").empty());
}

TEST(RealLists, TheSystemListFolderCanBeMovedOrLeftOut)
{
    testing_support::TempCurrentFolder folder;
    folder.write("system/easylist.txt", "||one.example^\n");
    folder.write("engine/filters/own.txt", "||own.example^\n");
    const QString engine = folder.file("engine");
    qputenv(contentfilter::kSystemListsVariable, folder.file("system").toUtf8());
    EXPECT_EQ(contentfilter::defaultLists(engine),
              (QStringList{folder.file("system/easylist.txt"), folder.file("engine/filters/own.txt")}));
    qputenv(contentfilter::kSystemListsVariable, QByteArray());
    EXPECT_EQ(contentfilter::defaultLists(engine), QStringList{folder.file("engine/filters/own.txt")});
    qunsetenv(contentfilter::kSystemListsVariable);
}
