// Find, zoom and print on the active window's engine, through menus,
// shortcuts and the wheel.
#include <gtest/gtest.h>
#include <windows.h>

#include <utility>
#include <vector>

#include "browser/BrowserChild.h"
#include "browser/BrowserEmulation.h"
#include "common/Handles.h"
#include "res/resource.h"
#include "tests/support/FrameFixture.h"

namespace vesko::test {
namespace {

using Executed = std::vector<std::pair<OLECMDID, OLECMDEXECOPT>>;
using PageTools = FrameTest;

// Ctrl with the wheel turned over `target`, as the message loop sees it.
bool CtrlWheel(TMainForm& frame, HWND target, int notches) {
    MSG msg{target, WM_MOUSEWHEEL, MAKEWPARAM(MK_CONTROL, static_cast<WORD>(notches * WHEEL_DELTA)), 0, 0, {}};
    return frame.PreTranslateMessage(msg);
}

TEST_F(PageTools, EachCommandOpensTheActiveEnginesOwnDialog) {
    Frame().FileNew1Execute();
    Frame().FileNew1Execute();  // the active one
    for (UINT id : {IDM_FILE_PRINT, IDM_FILE_PRINT_PREVIEW, IDM_FILE_PAGE_SETUP, IDM_VIEW_FIND}) {
        EXPECT_TRUE(MenuEnables(Frame().Handle(), id)) << id;
        SendMessageW(Frame().Handle(), WM_COMMAND, id, 0);
    }
    EXPECT_TRUE(PressCtrl(Frame(), Frame().Handle(), 'P'));
    EXPECT_TRUE(PressCtrl(Frame(), Frame().Handle(), 'F'));
    const auto prompt = OLECMDEXECOPT_PROMPTUSER;
    EXPECT_EQ(engines_->Record(1).executed, (Executed{{OLECMDID_PRINT, prompt},
                                                      {OLECMDID_PRINTPREVIEW, prompt},
                                                      {OLECMDID_PAGESETUP, prompt},
                                                      {OLECMDID_FIND, prompt},
                                                      {OLECMDID_PRINT, prompt},
                                                      {OLECMDID_FIND, prompt}}));
    EXPECT_TRUE(engines_->Record(0).executed.empty()) << "only the active window's engine";
    EXPECT_TRUE(errors_.empty());
}

TEST_F(PageTools, FindGoesThroughTheDocumentWhereTheEngineTakesItThere) {
    engines_->SetCommandStatus(OLECMDID_FIND, OLECMDF_SUPPORTED);
    Frame().FileNew1Execute();
    EXPECT_FALSE(MenuEnables(Frame().Handle(), IDM_VIEW_FIND)) << "neither way offered";
    engines_->OfferDocumentCommands(OLECMDF_SUPPORTED | OLECMDF_ENABLED);
    EXPECT_TRUE(MenuEnables(Frame().Handle(), IDM_VIEW_FIND));
    EXPECT_TRUE(PressCtrl(Frame(), Frame().Handle(), 'F'));
    EXPECT_EQ(engines_->Last().documentCommands, std::vector<ULONG>{67});  // IDM_FIND
    EXPECT_TRUE(engines_->Last().executed.empty());
    EXPECT_TRUE(errors_.empty());
}

TEST_F(PageTools, NothingWithoutAWindowOrWhenTheEngineCannot) {
    const UINT all[] = {IDM_FILE_PRINT,   IDM_FILE_PRINT_PREVIEW, IDM_FILE_PAGE_SETUP, IDM_VIEW_FIND,
                        IDM_VIEW_ZOOM_IN, IDM_VIEW_ZOOM_OUT,      IDM_VIEW_ZOOM_RESET};
    for (UINT id : all) EXPECT_FALSE(MenuEnables(Frame().Handle(), id)) << id;
    PressCtrl(Frame(), Frame().Handle(), 'P');

    engines_->SetCommandStatus(OLECMDF_SUPPORTED);  // known, not available now
    Frame().FileNew1Execute();
    for (UINT id : all) {
        EXPECT_FALSE(MenuEnables(Frame().Handle(), id)) << id;
        SendMessageW(Frame().Handle(), WM_COMMAND, id, 0);
    }
    PressCtrl(Frame(), Frame().Handle(), 'P');
    PressCtrl(Frame(), Frame().Handle(), VK_OEM_PLUS, true);
    CtrlWheel(Frame(), Frame().ActiveChild()->Handle(), 1);
    EXPECT_TRUE(engines_->Last().executed.empty());
    EXPECT_TRUE(errors_.empty());
}

TEST_F(PageTools, ZoomStepsPerWindowFromKeysAndWheel) {
    Frame().FileNew1Execute();
    const HWND first = Frame().ActiveChild()->Handle();
    EXPECT_TRUE(PressCtrl(Frame(), first, VK_OEM_PLUS, true));  // "+" on either keyboard
    EXPECT_TRUE(PressCtrl(Frame(), first, VK_ADD));              // the numeric pad's
    EXPECT_EQ(Frame().StatusText(), L"拡大率: 125%");
    Frame().FileNew1Execute();
    const HWND second = Frame().ActiveChild()->Handle();
    EXPECT_TRUE(CtrlWheel(Frame(), second, -1));
    EXPECT_EQ(Frame().StatusText(), L"拡大率: 90%") << "the new window starts at 100";
    for (int i = 0; i < 5; ++i) PressCtrl(Frame(), second, VK_OEM_MINUS);
    EXPECT_EQ(Frame().StatusText(), L"拡大率: 50%");
    EXPECT_TRUE(PressCtrl(Frame(), second, '0'));
    EXPECT_EQ(Frame().StatusText(), L"拡大率: 100%");
    EXPECT_EQ(engines_->Record(0).executedNumbers, (std::vector<long>{110, 125}));
    EXPECT_EQ(engines_->Record(1).executedNumbers, (std::vector<long>{90, 80, 67, 50, 100})) << "none below 50";
    for (const auto& e : engines_->Record(1).executed) EXPECT_EQ(e.first, OLECMDID_OPTICAL_ZOOM);

    SendMessageW(Frame().MdiClient(), WM_MDIACTIVATE, reinterpret_cast<WPARAM>(first), 0);
    for (int i = 0; i < 8; ++i) CtrlWheel(Frame(), first, 1);
    EXPECT_EQ(engines_->Record(0).executedNumbers.back(), 300);
    EXPECT_EQ(engines_->Record(0).executedNumbers.size(), 7u) << "none above 300";
    EXPECT_TRUE(errors_.empty());
}

TEST_F(PageTools, ACancelledDialogShowsNothingAndAFailureOneBox) {
    Frame().FileNew1Execute();
    engines_->FailCalls(OLECMDERR_E_CANCELED, L"");
    SendMessageW(Frame().Handle(), WM_COMMAND, IDM_FILE_PRINT, 0);
    EXPECT_TRUE(errors_.empty());
    engines_->FailCalls(E_FAIL, L"プリンタがありません");
    SendMessageW(Frame().Handle(), WM_COMMAND, IDM_FILE_PAGE_SETUP, 0);
    PressCtrl(Frame(), Frame().Handle(), VK_OEM_PLUS, true);
    EXPECT_EQ(errors_, (std::vector<std::wstring>{L"プリンタがありません.", L"プリンタがありません."}));
    EXPECT_EQ(Frame().StatusText(), L"") << "a zoom that failed is not shown as done";
}

TEST(BrowserEmulation, TheNewestModeIsWrittenOnceAndAUsersValueKept) {
    const wchar_t key[] = L"Software\\Microsoft\\Internet Explorer\\Main\\FeatureControl\\FEATURE_BROWSER_EMULATION";
    const std::wstring name = L"vesko-test-" + std::to_wstring(GetCurrentProcessId()) + L".exe";
    const auto read = [&]() -> DWORD {
        DWORD value = 0, size = sizeof value;
        if (RegGetValueW(HKEY_CURRENT_USER, key, name.c_str(), RRF_RT_REG_DWORD, nullptr, &value, &size) != 0)
            return 0;
        return value;
    };
    EnsureNewestDocumentMode(name);
    EXPECT_EQ(read(), 11001u);
    const DWORD users = 9999;
    ASSERT_EQ(RegSetKeyValueW(HKEY_CURRENT_USER, key, name.c_str(), REG_DWORD, &users, sizeof users), 0);
    EnsureNewestDocumentMode(name);
    EXPECT_EQ(read(), 9999u);
    RegDeleteKeyValueW(HKEY_CURRENT_USER, key, name.c_str());
}

}  // namespace
}  // namespace vesko::test
