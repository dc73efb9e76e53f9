// When a navigation moves to the other engine by the site rules.
#include "browser/SiteSwitch.h"

#include <gtest/gtest.h>

namespace vesko {
namespace {

const RuleVerdict kNoRule{};
const RuleVerdict kIE{true, SiteEngine::InternetExplorer};
const RuleVerdict kGecko{true, SiteEngine::Gecko};
const RuleVerdict kStay{true, SiteEngine::None};

ChildState Window(EngineKind engine, bool shownPage = true) {
    ChildState child;
    child.engine = engine;
    child.shownPage = shownPage;
    return child;
}

TEST(SiteSwitch, ARuleForTheOtherEngineMovesTheNavigationAndAnEmptyWindowGoes) {
    const auto d = DecideSwitch(Window(EngineKind::IE, false), EngineKind::IE, kGecko, L"http://g.example/");
    EXPECT_TRUE(d.switchEngine);
    EXPECT_EQ(d.target, EngineKind::Gecko);
    EXPECT_TRUE(d.closeSource) << "a window that showed no page is not left behind";
    EXPECT_TRUE(d.ruled);
    EXPECT_FALSE(DecideSwitch(Window(EngineKind::IE), EngineKind::IE, kGecko, L"http://g.example/").closeSource);

    EXPECT_FALSE(DecideSwitch(Window(EngineKind::Gecko), EngineKind::IE, kGecko, L"http://g.example/").switchEngine);
    EXPECT_FALSE(DecideSwitch(Window(EngineKind::IE), EngineKind::IE, kStay, L"http://s.example/").switchEngine);
    EXPECT_FALSE(DecideSwitch(Window(EngineKind::IE), EngineKind::Gecko, kNoRule, L"http://n.example/").switchEngine)
        << "without rules nothing moves, whatever is selected";
}

TEST(SiteSwitch, AWindowARulePutElsewhereGoesBackWhereNoRuleCovers) {
    ChildState ruled = Window(EngineKind::Gecko);
    ruled.ruled = true;
    const auto back = DecideSwitch(ruled, EngineKind::IE, kNoRule, L"http://plain.example/");
    EXPECT_TRUE(back.switchEngine);
    EXPECT_EQ(back.target, EngineKind::IE);
    EXPECT_FALSE(back.ruled);
    EXPECT_FALSE(DecideSwitch(ruled, EngineKind::IE, kStay, L"http://s.example/").switchEngine);
    EXPECT_FALSE(DecideSwitch(ruled, EngineKind::IE, kGecko, L"http://g2.example/").switchEngine);
}

TEST(SiteSwitch, ARedirectBouncingBetweenEnginesEndsInTheFirstSwitchsEngine) {
    // An IE window goes to a, which redirects to b (Gecko), which
    // redirects to a (IE), and so on.
    ChildState ie = Window(EngineKind::IE, false);
    ie.lastNavigated = L"http://a.example/";
    const auto first = DecideSwitch(ie, EngineKind::IE, kGecko, L"http://b.example/");
    ASSERT_TRUE(first.switchEngine);
    ChildState gecko = Window(EngineKind::Gecko, false);
    gecko.ruled = first.ruled;
    gecko.chain = first.chain;
    gecko.lastNavigated = L"http://b.example/";
    EXPECT_FALSE(DecideSwitch(gecko, EngineKind::IE, kIE, L"http://a.example/").switchEngine);
    EXPECT_FALSE(DecideSwitch(gecko, EngineKind::IE, kGecko, L"http://b.example/").switchEngine);
    // A new chain (the user goes on from there) switches again.
    gecko.chain.clear();
    EXPECT_TRUE(DecideSwitch(gecko, EngineKind::IE, kIE, L"http://a.example/").switchEngine);
}

}  // namespace
}  // namespace vesko
