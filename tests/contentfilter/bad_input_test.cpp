// Lists and addresses no one should write: each gets through without a
// crash, a hang or a misapplied rule, and what is no rule is counted.
#include "filter_support.h"

#include <QRandomGenerator>

#include <gtest/gtest.h>

using filter_testing::decide;
using filter_testing::engineOf;

TEST(BadLists, RandomBytesAreCountedNotApplied)
{
    std::string noise(10 * 1024 * 1024, '\0');
    QRandomGenerator random(30);
    for (char &c : noise)
        c = char(random.bounded(256));
    const auto engine = engineOf(noise);
    EXPECT_GT(engine->skippedCount(), 0u);
    // Whatever rules the noise happened to spell, an ordinary address is
    // decided and the engine keeps working.
    decide(*engine, "https://www.example.com/index.html");
}

TEST(BadLists, CrLfAndLoneCrEndLines)
{
    const auto engine = engineOf("||one.example^\r\n||two.example^\r||three.example^\r\n");
    EXPECT_EQ(engine->networkRuleCount(), 3u);
    EXPECT_EQ(decide(*engine, "https://two.example/"), "block");
    EXPECT_EQ(decide(*engine, "https://three.example/"), "block");
}

TEST(BadLists, OverlongLinesAreSkippedAndTheNextLineStillReads)
{
    const std::string list = "/" + std::string(100000, 'a') + "\n||after.example^\n";
    const auto engine = engineOf(list);
    EXPECT_EQ(engine->skippedCount(), 1u);
    EXPECT_EQ(decide(*engine, "https://after.example/"), "block");
}

TEST(BadLists, RulesThatWouldMatchEverythingOrNameUnknownOptionsAreSkipped)
{
    const auto engine = engineOf("*\n||\n|\n@@*\n||x.example^$no-such-option\n||y.example^$domain=\n"
                                 "||z.example^$popup\n||e.example^$domain=site.*\n");
    EXPECT_EQ(engine->networkRuleCount(), 0u);
    EXPECT_EQ(engine->skippedCount(), 8u);
    EXPECT_EQ(decide(*engine, "https://x.example/"), "allow");
    EXPECT_EQ(decide(*engine, "https://e.example/", "https://site.com/"), "allow");
}

TEST(BadLists, ADomainOptionOfTenThousandSites)
{
    std::string rule = "/big.js$domain=";
    for (int i = 0; i < 10000; ++i)
        rule += (i ? "|" : "") + std::string(i % 2 ? "~" : "") + "s" + std::to_string(i) + ".ex";
    const auto engine = engineOf(rule + "\n");
    // Longer than a rule may be: skipped, counted.
    EXPECT_EQ(engine->skippedCount(), 1u);
    std::string fitting = "/big.js$domain=";
    for (int i = 0; i < 1000; ++i)
        fitting += (i ? "|" : "") + std::string(i % 2 ? "~" : "") + "s" + std::to_string(i) + ".ex";
    const auto fits = engineOf(fitting + "\n");
    EXPECT_EQ(decide(*fits, "https://cdn.ex/big.js", "https://s998.ex/"), "block");
    EXPECT_EQ(decide(*fits, "https://cdn.ex/big.js", "https://www.s999.ex/"), "allow");
}

TEST(BadAddresses, AnAddressOfTwoMegabytes)
{
    const auto engine = engineOf("||ads.example^\n/a*b*c*d*e|\n/x^y^z\n/[a-z]+q/\n");
    std::string url = "https://ads.example/";
    url.append(2 * 1024 * 1024, 'a');
    EXPECT_EQ(decide(*engine, url), "block");
    std::string other = "https://www.example.com/?";
    for (int i = 0; i < 200000; ++i)
        other += "x^y&";
    EXPECT_EQ(decide(*engine, other), "allow");
}

TEST(BadAddresses, AddressesWithoutAHostOrScheme)
{
    const auto engine = engineOf("||ads.example^\n");
    EXPECT_EQ(decide(*engine, ""), "allow");
    EXPECT_EQ(decide(*engine, "ads.example"), "block");
    EXPECT_EQ(decide(*engine, "data:text/plain,ads.example"), "allow");
    EXPECT_EQ(decide(*engine, "https://[::1"), "allow");
}
