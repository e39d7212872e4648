// Network rules on hand-made lists: anchors, wildcards and separators,
// every option, exceptions and their order, sites by registrable domain.
#include "filter_support.h"

#include <gtest/gtest.h>

using contentfilter::FilterEngine;
using filter_testing::decide;
using filter_testing::engineOf;

TEST(Anchors, HostAnchorStartsAtALabelAndTheSeparatorEndsTheHost)
{
    const auto engine = engineOf("||ads.example.com^\n");
    EXPECT_EQ(decide(*engine, "https://ads.example.com/x.js"), "block");
    EXPECT_EQ(decide(*engine, "https://ads.example.com"), "block");
    EXPECT_EQ(decide(*engine, "http://cdn.ads.example.com:8080/x"), "block");
    EXPECT_EQ(decide(*engine, "https://badads.example.com/x.js"), "allow");
    EXPECT_EQ(decide(*engine, "https://ads.example.com.evil.net/x.js"), "allow");
    // The host's name in the path is no host.
    EXPECT_EQ(decide(*engine, "https://news.example.org/ads.example.com/x"), "allow");
    EXPECT_EQ(decide(*engine, "https://user@ADS.Example.COM/x"), "block");
}

TEST(Anchors, StartAndEndAnchorsAndWildcards)
{
    const auto engine = engineOf("|https://track.\n.swf|\n/banner/*/img^\n-ad-$image\n");
    EXPECT_EQ(decide(*engine, "https://track.example.com/"), "block");
    EXPECT_EQ(decide(*engine, "http://x.com/?u=https://track.example.com/"), "allow");
    EXPECT_EQ(decide(*engine, "https://x.com/movie.swf"), "block");
    EXPECT_EQ(decide(*engine, "https://x.com/movie.swf?x=1"), "allow");
    EXPECT_EQ(decide(*engine, "https://x.com/banner/2024/05/img?x"), "block");
    EXPECT_EQ(decide(*engine, "https://x.com/banner/2024/img"), "block");
    EXPECT_EQ(decide(*engine, "https://x.com/banner/2024/imgs"), "allow");
    EXPECT_EQ(decide(*engine, "https://x.com/a-ad-b.png", {}, "image"), "block");
}

TEST(Anchors, SeparatorAtTheEndOfAnAnchoredPatternMatchesTheEnd)
{
    const auto engine = engineOf("||example.net/x^|\n");
    EXPECT_EQ(decide(*engine, "https://example.net/x"), "block");
    EXPECT_EQ(decide(*engine, "https://example.net/x/"), "block");
    EXPECT_EQ(decide(*engine, "https://example.net/x/y"), "allow");
    // Unanchored, two separators before the end: either may be the end itself.
    const auto two = engineOf("/end^^|\n");
    EXPECT_EQ(decide(*two, "https://a.example/end"), "block");
    EXPECT_EQ(decide(*two, "https://a.example/end/"), "block");
    EXPECT_EQ(decide(*two, "https://a.example/end//"), "block");
    EXPECT_EQ(decide(*two, "https://a.example/end/x"), "allow");
}

TEST(Anchors, AHostAnchorWithNothingAfterItNeedsAHost)
{
    const auto engine = engineOf("||$image\n");
    EXPECT_EQ(decide(*engine, "https://a.example/x.png", {}, "image"), "block");
    EXPECT_EQ(decide(*engine, "", {}, "image"), "allow");
    // Anchored at a host label and at the end: no label starts at the end.
    EXPECT_EQ(decide(*engineOf("|||$script\n"), "https://a.example/x.js"), "allow");
}

TEST(Options, ResourceTypesAndTheirNegations)
{
    const auto engine = engineOf("||img.example.com^$image,media\n||noscript.example.com^$~script\n");
    EXPECT_EQ(decide(*engine, "https://img.example.com/a", {}, "image"), "block");
    EXPECT_EQ(decide(*engine, "https://img.example.com/a", {}, "media"), "block");
    EXPECT_EQ(decide(*engine, "https://img.example.com/a", {}, "script"), "allow");
    EXPECT_EQ(decide(*engine, "https://noscript.example.com/a", {}, "script"), "allow");
    EXPECT_EQ(decide(*engine, "https://noscript.example.com/a", {}, "sub_frame"), "block");
    EXPECT_EQ(decide(*engine, "https://noscript.example.com/a", {}, "xmlhttprequest"), "block");
}

TEST(Options, ThePageItselfIsBlockedOnlyByARuleThatSaysDocument)
{
    const auto engine = engineOf("||tracker.example^\n||bad.example^$document\n");
    EXPECT_EQ(decide(*engine, "https://tracker.example/", {}, "main_frame"), "allow");
    EXPECT_EQ(decide(*engine, "https://bad.example/", {}, "main_frame"), "block");
}

TEST(Options, ThirdPartyGoesByRegistrableDomain)
{
    const auto engine = engineOf("||cdn.shop.co.uk^$third-party\n||own.example^$~third-party\n");
    // Same registrable domain under a two-label public suffix: first party.
    EXPECT_EQ(decide(*engine, "https://cdn.shop.co.uk/a.js", "https://www.shop.co.uk/"), "allow");
    // Another site under the same public suffix: third party.
    EXPECT_EQ(decide(*engine, "https://cdn.shop.co.uk/a.js", "https://www.other.co.uk/"), "block");
    EXPECT_EQ(decide(*engine, "https://own.example/a.js", "https://www.own.example/"), "block");
    EXPECT_EQ(decide(*engine, "https://own.example/a.js", "https://elsewhere.example/"), "allow");
}

TEST(Options, IpAddressesAreSitesOfTheirOwn)
{
    const auto engine = engineOf("/pixel.gif$third-party\n");
    EXPECT_EQ(decide(*engine, "http://10.0.0.1/pixel.gif", "http://10.0.0.1/page"), "allow");
    EXPECT_EQ(decide(*engine, "http://10.0.0.1/pixel.gif", "http://10.0.0.2/page"), "block");
    EXPECT_EQ(decide(*engine, "http://[::1]:8080/pixel.gif", "http://[::2]/"), "block");
}

TEST(Options, TheMostSpecificDomainDecides)
{
    const auto engine = engineOf("/ad.js$domain=news.example|~sport.news.example\n");
    EXPECT_EQ(decide(*engine, "https://cdn.example/ad.js", "https://news.example/"), "block");
    EXPECT_EQ(decide(*engine, "https://cdn.example/ad.js", "https://www.news.example/"), "block");
    EXPECT_EQ(decide(*engine, "https://cdn.example/ad.js", "https://sport.news.example/"), "allow");
    EXPECT_EQ(decide(*engine, "https://cdn.example/ad.js", "https://live.sport.news.example/"), "allow");
    EXPECT_EQ(decide(*engine, "https://cdn.example/ad.js", "https://othernews.example/"), "allow");
    EXPECT_EQ(decide(*engine, "https://cdn.example/ad.js"), "allow");
}

TEST(Options, RulesWithOnlyADomainAreFoundThroughThePage)
{
    const auto engine = engineOf("$script,third-party,domain=quiet.example\n");
    EXPECT_EQ(decide(*engine, "https://cdn.example/lib.js", "https://quiet.example/"), "block");
    EXPECT_EQ(decide(*engine, "https://cdn.example/lib.js", "https://loud.example/"), "allow");
    EXPECT_EQ(decide(*engine, "https://quiet.example/lib.js", "https://quiet.example/"), "allow");
}

TEST(Options, MatchCase)
{
    const auto engine = engineOf("/BannerAd.$match-case\n/popunder.\n");
    EXPECT_EQ(decide(*engine, "https://x.com/BannerAd.js"), "block");
    EXPECT_EQ(decide(*engine, "https://x.com/bannerad.js"), "allow");
    EXPECT_EQ(decide(*engine, "https://x.com/PopUnder.js"), "block");
}

TEST(Exceptions, AnExceptionLetsABlockedRequestGoUnlessTheBlockIsImportant)
{
    const std::string_view list = "||ads.example^\n@@||ads.example/allowed/\n"
                                  "||hard.example^$important\n@@||hard.example^\n"
                                  "@@||safe.example^$document\n";
    const auto engine = engineOf(list);
    EXPECT_EQ(decide(*engine, "https://ads.example/x.js"), "block");
    EXPECT_EQ(decide(*engine, "https://ads.example/allowed/x.js"), "allow");
    EXPECT_EQ(decide(*engine, "https://hard.example/x.js"), "block");
    // A page excepted as a whole loads everything.
    EXPECT_EQ(decide(*engine, "https://ads.example/x.js", "https://www.safe.example/page"), "allow");
    const contentfilter::Request request("https://ads.example/allowed/x.js", {}, contentfilter::ResourceType::Script);
    const contentfilter::Decision decision = engine->decide(request);
    const contentfilter::RuleTexts texts({list}, contentfilter::buildTables({list}).sources);
    EXPECT_EQ(texts.text(decision.rule), "||ads.example^");
    EXPECT_EQ(texts.text(decision.exception), "@@||ads.example/allowed/");
}

TEST(Exceptions, ExceptionTypesAreTheirOwn)
{
    const auto engine = engineOf("||media.example^\n@@||media.example^$image\n");
    EXPECT_EQ(decide(*engine, "https://media.example/a.png", {}, "image"), "allow");
    EXPECT_EQ(decide(*engine, "https://media.example/a.js", {}, "script"), "block");
}

TEST(RegularExpressions, MatchAndInvalidOnesAreCounted)
{
    const auto engine = engineOf("/^https?://[a-z]+\\.adhost\\.[a-z]+/$script\n/[unclosed/\n");
    EXPECT_EQ(decide(*engine, "https://x.adhost.net/a.js"), "block");
    EXPECT_EQ(decide(*engine, "https://X.ADHOST.NET/a.js"), "block");
    EXPECT_EQ(decide(*engine, "https://x.adhost.net/a.png", {}, "image"), "allow");
    EXPECT_EQ(engine->networkRuleCount(), 1u);
    EXPECT_EQ(engine->skippedCount(), 1u);
}

TEST(InternationalHosts, ARuleInUnicodeMatchesTheAddressesAsciiForm)
{
    const auto engine = engineOf("||bücher.example^\n");
    EXPECT_EQ(decide(*engine, "https://xn--bcher-kva.example/a.js"), "block");
    EXPECT_EQ(decide(*engine, "https://XN--BCHER-KVA.example/a.js"), "block");
    EXPECT_EQ(decide(*engine, "https://bucher.example/a.js"), "allow");
}
