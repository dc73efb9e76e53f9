// The site rules of sites.xml deciding the engine as pages open and as
// windows navigate, on real windows with the engine double.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "browser/BrowserChild.h"
#include "res/resource.h"
#include "tests/support/FrameFixture.h"

namespace vesko::test {
namespace {

class SiteRulesTest : public FrameTest {
protected:
    // Gecko may be had (its folder is the test's own), IE is selected,
    // and these rules are in sites.xml.
    TMainForm& FrameWithRules(const std::string& sites = kSites, const wchar_t* mozilla = L"1") {
        WriteConfig(L"General", L"LastEngine", L"IE");
        WriteConfig(L"Option", L"Mozilla", mozilla);
        WriteConfig(L"Option", L"MozPath", dir_);
        WriteFileBytes(dir_ + L"sites.xml", sites);
        return Frame();
    }
    std::wstring ActiveClass() { return ClassOf(Frame().ActiveChild()); }

    static constexpr const char* kSites =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<site-list version=\"3\">\n"
        "  <site url=\"intranet.example\"><compat-mode>IE8Enterprise</compat-mode><open-in>IE11</open-in></site>\n"
        "  <site url=\"gecko.example\"><open-in>MSEdge</open-in></site>\n"
        "  <site url=\"stay.example\"><open-in>None</open-in></site>\n"
        "</site-list>\n";
};

TEST_F(SiteRulesTest, PagesOpenInTheEngineTheirRuleNamesAndOthersInTheSelectedOne) {
    FrameWithRules();
    Frame().SetAddressText(L"http://www.gecko.example/start");
    Frame().btnMoveClick();  // no window yet: a new one
    EXPECT_EQ(ActiveClass(), L"Tfrm_MZ");
    EXPECT_EQ(engines_->Last().navigated, std::vector<std::wstring>{L"http://www.gecko.example/start"});
    EXPECT_TRUE(Frame().IsIESelected()) << "the check mark does not move";

    engines_->FireStatusTextChange(0, L"http://other.example/");
    engines_->FireNewWindow2(0);
    Pump();
    EXPECT_EQ(ActiveClass(), L"Tfrm_IE") << "no rule: the selected engine";

    Frame().Moz_ItemClick();
    engines_->FireStatusTextChange(1, L"https://intranet.example:443/wiki");
    engines_->FireNewWindow2(1);
    Pump();
    EXPECT_EQ(ActiveClass(), L"Tfrm_IE") << "the rule wins over the selection";
    EXPECT_EQ(Frame().ChildCount(), 3);
    EXPECT_TRUE(errors_.empty());
}

TEST_F(SiteRulesTest, ANavigationMovesToItsRulesEngineAndAnEmptyWindowGoes) {
    FrameWithRules();
    Frame().FileNew1Execute();  // IE, no page yet
    EXPECT_EQ(engines_->FireBeforeNavigate2(0, L"http://gecko.example/a"), VARIANT_TRUE);
    Pump();
    ASSERT_EQ(Frame().ChildCount(), 1) << "the empty window is not left behind";
    EXPECT_EQ(ActiveClass(), L"Tfrm_MZ");
    EXPECT_EQ(engines_->Record(1).navigated, std::vector<std::wstring>{L"http://gecko.example/a"});
    EXPECT_EQ(Frame().StatusText(), L"サイト別エンジン: Gekko");

    Frame().FileNew1Execute();  // IE, then a page of its own
    EXPECT_EQ(engines_->FireBeforeNavigate2(2, L"http://plain.example/"), VARIANT_FALSE);
    EXPECT_EQ(engines_->FireBeforeNavigate2(2, L"http://gecko.example/b", false), VARIANT_FALSE)
        << "a frame inside the page never switches";
    EXPECT_EQ(engines_->FireBeforeNavigate2(2, L"http://gecko.example/b"), VARIANT_TRUE);
    Pump();
    EXPECT_EQ(Frame().ChildCount(), 3) << "a window with a page stays";
    EXPECT_EQ(ActiveClass(), L"Tfrm_MZ");
    EXPECT_TRUE(errors_.empty());
}

TEST_F(SiteRulesTest, AWindowGoesBackToTheSelectedEngineWhereNoRuleCoversButNoneNeverSwitches) {
    FrameWithRules();
    Frame().OpenPage(L"", L"http://gecko.example/");  // Gecko by its rule
    EXPECT_EQ(engines_->FireBeforeNavigate2(0, L"http://gecko.example/"), VARIANT_FALSE);
    EXPECT_EQ(engines_->FireBeforeNavigate2(0, L"http://stay.example/"), VARIANT_FALSE);
    EXPECT_EQ(engines_->FireBeforeNavigate2(0, L"http://plain.example/"), VARIANT_TRUE);
    Pump();
    EXPECT_EQ(ActiveClass(), L"Tfrm_IE");
    EXPECT_EQ(Frame().ChildCount(), 2);
    // A window of the selected engine stays where it is off the rules.
    EXPECT_EQ(engines_->FireBeforeNavigate2(1, L"http://elsewhere.example/"), VARIANT_FALSE);
    EXPECT_TRUE(errors_.empty());
}

TEST_F(SiteRulesTest, ARedirectBackAndForthEndsInTheEngineOfTheFirstSwitch) {
    FrameWithRules();
    Frame().OpenPage(L"", L"http://intranet.example/login");  // IE
    EXPECT_EQ(engines_->FireBeforeNavigate2(0, L"http://intranet.example/login"), VARIANT_FALSE);
    // The sign-in page sends the browser to the Gecko site, which sends it back.
    EXPECT_EQ(engines_->FireBeforeNavigate2(0, L"http://gecko.example/sso"), VARIANT_TRUE);
    Pump();
    ASSERT_EQ(engines_->Count(), 2u);
    for (int bounce = 0; bounce < 3; ++bounce) {
        EXPECT_EQ(engines_->FireBeforeNavigate2(1, L"http://intranet.example/login"), VARIANT_FALSE);
        EXPECT_EQ(engines_->FireBeforeNavigate2(1, L"http://gecko.example/sso"), VARIANT_FALSE);
    }
    Pump();
    EXPECT_EQ(engines_->Count(), 2u) << "one switch, one window";
    EXPECT_EQ(ActiveClass(), L"Tfrm_MZ");
}

TEST_F(SiteRulesTest, WithoutGeckoARulesPageOpensInIEAndTheStatusLineSaysWhy) {
    FrameWithRules(kSites, L"0");
    Frame().OpenPage(L"", L"http://gecko.example/");
    EXPECT_EQ(ActiveClass(), L"Tfrm_IE");
    EXPECT_EQ(Frame().StatusText(), L"Gecko が使えないため Internet Explorer で開きました");
    EXPECT_EQ(engines_->FireBeforeNavigate2(0, L"http://gecko.example/next"), VARIANT_FALSE);
    EXPECT_EQ(Frame().ChildCount(), 1);
    EXPECT_TRUE(errors_.empty());
}

TEST_F(SiteRulesTest, ABrokenFileIsReportedOnceLeftAsItIsAndBrowsingGoesOn) {
    const std::string broken = "<site-list version=\"1\"><site url=\"gecko.example\"><open-in>MSEdge</open-in>";
    FrameWithRules(broken);
    Frame().OpenPage(L"", L"http://gecko.example/");
    Frame().OpenPage(L"", L"http://gecko.example/again");
    EXPECT_EQ(ActiveClass(), L"Tfrm_IE") << "no rules";
    ASSERT_EQ(errors_.size(), 1u);
    EXPECT_EQ(errors_[0].rfind(dir_ + L"sites.xml を読み込めません", 0), 0u) << testing::PrintToString(errors_[0]);
    EXPECT_EQ(ReadFileBytes(dir_ + L"sites.xml"), broken);
}

TEST_F(SiteRulesTest, ToolsMenuKeepsTheActiveSiteInTheOtherEngineAndOpensTheRulesDialog) {
    FrameWithRules();
    Frame().OpenPage(L"", L"http://www.plain.example/page");  // IE, the selected engine
    engines_->Record(0).locationURL = L"http://www.plain.example/page";
    EXPECT_FALSE(MenuEnables(Frame().Handle(), IDM_SITE_ALWAYS)) << "no site known yet";
    engines_->FireTitleChange(0, L"Plain");
    ASSERT_TRUE(MenuEnables(Frame().Handle(), IDM_SITE_ALWAYS));
    SendMessageW(Frame().Handle(), WM_COMMAND, IDM_SITE_ALWAYS, 0);
    ASSERT_EQ(Frame().ChildCount(), 2) << "the window stays";
    EXPECT_EQ(ActiveClass(), L"Tfrm_MZ");
    EXPECT_EQ(engines_->Record(1).navigated, std::vector<std::wstring>{L"http://www.plain.example/page"});
    const std::string saved = ReadFileBytes(dir_ + L"sites.xml");
    EXPECT_NE(saved.find("url=\"www.plain.example\""), std::string::npos) << saved;
    EXPECT_NE(saved.find("IE8Enterprise"), std::string::npos) << "the rest of the file is kept";
    Frame().OpenPage(L"", L"http://www.plain.example/other");
    EXPECT_EQ(ActiveClass(), L"Tfrm_MZ") << "the new rule applies at once";

    SendMessageW(Frame().Handle(), WM_COMMAND, IDM_SITE_RULES, 0);
    const HWND dialog = FindWindowW(nullptr, L"サイト別エンジン");
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(IsWindowVisible(dialog));
    DestroyWindow(dialog);
    EXPECT_TRUE(errors_.empty());
}

}  // namespace
}  // namespace vesko::test
