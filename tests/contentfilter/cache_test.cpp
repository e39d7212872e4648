// The built engine kept on disk: used when the lists are those it was
// built from, rebuilt when a list changed or the file is damaged.
#include "contentfilter/filter_cache.h"
#include "contentfilter/filter_lists.h"
#include "filter_support.h"
#include "support/core/temp_folder.h"

#include <QFile>
#include <QFileInfo>

#include <functional>

#include <gtest/gtest.h>

using contentfilter::loadEngine;
using filter_testing::decide;
using testing_support::TempCurrentFolder;

namespace {

const QByteArray kList = "||ads.example^\n@@||ads.example/ok/\n/track.gif$image,third-party\n"
                         "/^https://re\\.example/$script\nexample.org##.banner\n##.generic-ad\n";

void expectListDecisions(const contentfilter::FilterEngine &engine)
{
    EXPECT_EQ(decide(engine, "https://ads.example/x.js"), "block");
    EXPECT_EQ(decide(engine, "https://ads.example/ok/x.js"), "allow");
    EXPECT_EQ(decide(engine, "https://a.example/track.gif", "https://b.example/", "image"), "block");
    EXPECT_EQ(decide(engine, "https://re.example/a.js"), "block");
    EXPECT_EQ(engine.cosmetic().styleSheetFor("www.example.org"),
              ".generic-ad{display:none!important}\n.banner{display:none!important}\n");
}

} // namespace

TEST(Cache, ASecondLoadReadsTheCacheAndDecidesTheSame)
{
    TempCurrentFolder folder;
    folder.write("list.txt", kList);
    const QStringList lists{folder.file("list.txt")};
    const auto built = loadEngine(lists, folder.file("filters.cache"));
    EXPECT_FALSE(built.fromCache);
    ASSERT_TRUE(built.cacheWritten);
    const auto loaded = loadEngine(lists, folder.file("filters.cache"));
    EXPECT_TRUE(loaded.fromCache);
    expectListDecisions(*loaded.engine);
    EXPECT_EQ(loaded.engine->skippedCount(), built.engine->skippedCount());
}

TEST(Cache, AChangedListIsRebuilt)
{
    TempCurrentFolder folder;
    folder.write("list.txt", kList);
    const QStringList lists{folder.file("list.txt")};
    loadEngine(lists, folder.file("filters.cache"));
    folder.write("list.txt", kList + "||more.example^\n");
    const auto loaded = loadEngine(lists, folder.file("filters.cache"));
    EXPECT_FALSE(loaded.fromCache);
    EXPECT_EQ(decide(*loaded.engine, "https://more.example/"), "block");
    // A list added is a change too.
    folder.write("own.txt", "||own.example^\n");
    const auto more = loadEngine(lists + QStringList{folder.file("own.txt")}, folder.file("filters.cache"));
    EXPECT_FALSE(more.fromCache);
    EXPECT_EQ(decide(*more.engine, "https://own.example/"), "block");
}

TEST(Cache, EveryDamagedByteOrCutIsRebuiltNeverTrusted)
{
    TempCurrentFolder folder;
    folder.write("list.txt", kList);
    const QStringList lists{folder.file("list.txt")};
    const QByteArray fingerprint = contentfilter::listFingerprint(lists);
    const QByteArray good =
        contentfilter::serializeTables(contentfilter::buildTables({{kList.constData(), size_t(kList.size())}}), fingerprint);
    ASSERT_TRUE(contentfilter::deserializeTables(good, fingerprint));
    for (qsizetype at = 0; at < good.size(); ++at) {
        QByteArray bad = good;
        bad[at] = char(bad[at] ^ 0x41);
        ASSERT_FALSE(contentfilter::deserializeTables(bad, fingerprint)) << "byte " << at;
        ASSERT_FALSE(contentfilter::deserializeTables(good.left(at), fingerprint)) << "cut at " << at;
    }
    // Through the file: a damaged cache is replaced by a good one.
    QByteArray bad = good;
    bad[bad.size() / 2] = char(bad[bad.size() / 2] ^ 1);
    folder.write("filters.cache", bad);
    const auto rebuilt = loadEngine(lists, folder.file("filters.cache"));
    EXPECT_FALSE(rebuilt.fromCache);
    expectListDecisions(*rebuilt.engine);
    EXPECT_TRUE(loadEngine(lists, folder.file("filters.cache")).fromCache);
}

TEST(Cache, AConsistentChecksumDoesNotMakeInconsistentTablesUsable)
{
    // A file whose checksum is right but whose index names rules that do not
    // exist (a writer's fault, or a forged file) is refused as well.
    TempCurrentFolder folder;
    folder.write("list.txt", kList);
    const QStringList lists{folder.file("list.txt")};
    const contentfilter::EngineTables good = contentfilter::buildTables({{kList.constData(), size_t(kList.size())}});
    const QByteArray fingerprint = contentfilter::listFingerprint(lists);
    ASSERT_TRUE(contentfilter::deserializeTables(contentfilter::serializeTables(good, fingerprint), fingerprint));
    const auto refused = [&](const std::function<void(contentfilter::EngineTables &)> &spoil) {
        contentfilter::EngineTables tables = good;
        spoil(tables);
        return !contentfilter::deserializeTables(contentfilter::serializeTables(tables, fingerprint), fingerprint);
    };
    const uint32_t past = uint32_t(good.rules.size()) + 5;
    EXPECT_TRUE(refused([&](auto &t) {
        for (auto &slot : t.block.buckets)
            if (slot.value != contentfilter::IndexSlot::kEmpty)
                slot.value = past;
    }));
    // A table with no empty slot would make a missing key's lookup go round forever.
    EXPECT_TRUE(refused([&](auto &t) {
        for (auto &slot : t.exception.buckets)
            slot.value = 0;
    }));
    EXPECT_TRUE(refused([&](auto &t) { t.rules.back().patternLength = uint16_t(t.patterns.size() + 1); }));
    EXPECT_TRUE(refused([&](auto &t) { t.ruleDomains.push_back({0, 0}); }));
    EXPECT_TRUE(refused([&](auto &t) { t.cosmetic.generic.push_back(uint32_t(t.cosmetic.selectorStarts.size())); }));
    EXPECT_TRUE(refused([&](auto &t) { t.cosmetic.sites.front().hideCount += 100; }));
    EXPECT_TRUE(refused([&](auto &t) { t.sources.pop_back(); }));
}

TEST(Cache, RuleTextsComeBackFromEveryListAfterALoad)
{
    // The first list has no line end at its end, the second ends its lines with CR LF.
    TempCurrentFolder folder;
    folder.write("a.txt", "! title\n||one.example^");
    folder.write("b.txt", "||two.example^$image\r\n@@||two.example/ok/\r\n");
    const QStringList lists{folder.file("a.txt"), folder.file("b.txt")};
    loadEngine(lists, folder.file("filters.cache"));
    const auto loaded = loadEngine(lists, folder.file("filters.cache"), true);
    ASSERT_TRUE(loaded.fromCache);
    const QByteArray a = "! title\n||one.example^", b = "||two.example^$image\r\n@@||two.example/ok/\r\n";
    const contentfilter::RuleTexts texts({{a.constData(), size_t(a.size())}, {b.constData(), size_t(b.size())}},
                                         loaded.sources);
    const auto ruleOf = [&](const char *url, const char *type) {
        const contentfilter::Decision d = loaded.engine->decide(contentfilter::Request(url, {}, *contentfilter::typeFromName(type)));
        return std::string(texts.text(d.blocked ? d.rule : d.exception));
    };
    EXPECT_EQ(ruleOf("https://one.example/", "script"), "||one.example^");
    EXPECT_EQ(ruleOf("https://two.example/a.png", "image"), "||two.example^$image");
    EXPECT_EQ(ruleOf("https://two.example/ok/a.png", "image"), "@@||two.example/ok/");
    // The browser reads no rule-text places.
    EXPECT_TRUE(loadEngine(lists, folder.file("filters.cache")).sources.empty());
}

TEST(Cache, AListThatCannotBeReadLeavesTheCacheAlone)
{
    TempCurrentFolder folder;
    folder.write("list.txt", kList);
    const QStringList lists{folder.file("list.txt"), folder.file("missing.txt")};
    const auto loaded = loadEngine(lists, folder.file("filters.cache"));
    EXPECT_EQ(loaded.unreadable, QStringList{folder.file("missing.txt")});
    EXPECT_FALSE(loaded.cacheWritten);
    EXPECT_FALSE(QFileInfo::exists(folder.file("filters.cache")));
    EXPECT_EQ(decide(*loaded.engine, "https://ads.example/x.js"), "block");
}
