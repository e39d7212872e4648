// Element hiding: which selectors a page on a given host gets.
#include "filter_support.h"

#include <gtest/gtest.h>

using filter_testing::engineOf;

namespace {

std::string sheet(std::string_view list, std::string_view host)
{
    return engineOf(list)->cosmetic().styleSheetFor(host);
}

} // namespace

TEST(ElementHiding, GenericSiteAndExceptedSelectors)
{
    const std::string list = "##.ad\n##.promo\nnews.example,shop.example##.side-ad\n~blog.example##.promo\n"
                             "news.example#@#.ad\n#@#.never\n##.never\n";
    EXPECT_EQ(sheet(list, "other.example"), ".ad{display:none!important}\n.promo{display:none!important}\n");
    EXPECT_EQ(sheet(list, "www.news.example"),
              ".promo{display:none!important}\n.side-ad{display:none!important}\n");
    EXPECT_EQ(sheet(list, "blog.example"), ".ad{display:none!important}\n");
    EXPECT_EQ(sheet(list, "NEWS.example"), sheet(list, "news.example"));
}

TEST(ElementHiding, ASiteCanTurnGenericHidingOff)
{
    const std::string list = "##.ad\nplain.example##.own\n@@||plain.example^$generichide\n";
    EXPECT_EQ(sheet(list, "plain.example"), ".own{display:none!important}\n");
    EXPECT_EQ(sheet(list, "else.example"), ".ad{display:none!important}\n");
}

TEST(ElementHiding, SelectorsThatCouldWriteOtherCssOrNeedAScriptAreSkipped)
{
    const auto engine = engineOf("##.a{color:red}\n##.b /* x */\nsite.example##.c:has-text(Ad)\n"
                                 "site.example#?#.d\nsite.example##+js(noop)\n##div > .e\n");
    EXPECT_EQ(engine->skippedCount(), 5u);
    EXPECT_EQ(engine->cosmetic().styleSheetFor("site.example"), "div > .e{display:none!important}\n");
}

TEST(ElementHiding, ANetworkRuleWithAHashIsNoElementRule)
{
    const auto engine = engineOf("||ads.example/#frag\n/banner/*##\n");
    EXPECT_EQ(engine->networkRuleCount(), 2u);
    EXPECT_EQ(filter_testing::decide(*engine, "https://ads.example/#frag"), "block");
}
