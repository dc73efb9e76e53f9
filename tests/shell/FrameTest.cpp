#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <iostream>

#include "browser/BrowserChild.h"
#include "browser/EngineControl.h"
#include "common/Error.h"
#include "common/Files.h"
#include "res/resource.h"
#include "tests/support/FrameFixture.h"

namespace vesko::test {
namespace {

using FrameStart = FrameTest;

TEST_F(FrameStart, WithoutConfigSelectsIEAndDisablesGecko) {
    TMainForm& frame = Frame();
    EXPECT_TRUE(IsWindowVisible(frame.Handle()));
    EXPECT_TRUE(frame.IsIESelected());
    EXPECT_FALSE(frame.IsGeckoItemEnabled());
    EXPECT_EQ(frame.ChildCount(), 0);
    EXPECT_EQ(frame.ProgramDir(), dir_);
    wchar_t caption[32];
    GetWindowTextW(frame.Handle(), caption, 32);
    EXPECT_STREQ(caption, L"Vesko");
    for (NavButton b : {NavButton::Back, NavButton::Forward, NavButton::Stop, NavButton::Reload})
        EXPECT_FALSE(frame.IsButtonEnabled(b));
    EXPECT_TRUE(errors_.empty());
}

TEST_F(FrameStart, LastEngineOtherThanExactlyIESelectsGecko) {
    for (const wchar_t* value : {L"ie", L"Gecko", L"", L"IE "}) {
        WriteConfig(L"General", L"LastEngine", value);
        WriteConfig(L"Option", L"Mozilla", L"1");
        const bool exactlyIE = std::wstring(value) == L"IE ";  // the profile API trims blanks
        EXPECT_EQ(Frame().IsIESelected(), exactlyIE) << testing::PrintToString(std::wstring(value));
        CloseFrame();
    }
}

TEST_F(FrameStart, GeckoSwitchEnablesTheGeckoItem) {
    const struct {
        const wchar_t* value;
        bool enabled;
    } cases[] = {{L"0x1", true}, {L"$1", true}, {L"yes", false}, {L"2", true}, {L"0", false}, {L"-1", true}};
    for (const auto& c : cases) {
        WriteConfig(L"Option", L"Mozilla", c.value);
        EXPECT_EQ(Frame().IsGeckoItemEnabled(), c.enabled) << testing::PrintToString(std::wstring(c.value));
        CloseFrame();
    }
}

TEST_F(FrameStart, GeckoRememberedButSwitchedOffStaysCheckedAndDisabled) {
    WriteConfig(L"General", L"LastEngine", L"Gecko");
    WriteConfig(L"Option", L"Mozilla", L"0");
    EXPECT_FALSE(Frame().IsIESelected());
    EXPECT_FALSE(Frame().IsGeckoItemEnabled());
    Frame().FileNew1Execute();
    ASSERT_EQ(Frame().ChildCount(), 1);
    EXPECT_EQ(ClassOf(Children()[0]), L"Tfrm_MZ");
    // Once IE is chosen, Gecko cannot be chosen again.
    SendMessageW(Frame().Handle(), WM_COMMAND, IDM_ENGINE_IE, 0);
    SendMessageW(Frame().Handle(), WM_COMMAND, IDM_ENGINE_MOZ, 0);
    EXPECT_TRUE(Frame().IsIESelected());
}

TEST_F(FrameStart, AnErrorWhileTheFrameIsCreatedIsReportedAndStartUpGoesOn) {
    // No config.ini: the frame opens the options dialog, which cannot be made.
    const RefuseWindowClass refuse(L"Tfrm_Option");
    TMainForm& frame = Frame();
    EXPECT_TRUE(IsWindowVisible(frame.Handle()));
    EXPECT_EQ(errors_.size(), 1u);
    EXPECT_TRUE(frame.IsIESelected());
    EXPECT_FALSE(frame.IsGeckoItemEnabled());
    frame.FileNew1Execute();
    EXPECT_EQ(frame.ChildCount(), 1);
}

using FrameClose = FrameTest;

TEST_F(FrameClose, WritesTheSelectedEngine) {
    WriteConfig(L"Option", L"Mozilla", L"1");
    Frame().Moz_ItemClick();
    SendMessageW(Frame().Handle(), WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(Frame().Handle()));
    EXPECT_EQ(ReadConfig(L"General", L"LastEngine"), L"Gecko");
    CloseFrame();
    EXPECT_FALSE(Frame().IsIESelected());
    Frame().IE_ItemClick();
    SendMessageW(Frame().Handle(), WM_CLOSE, 0, 0);
    EXPECT_EQ(ReadConfig(L"General", L"LastEngine"), L"IE");
    EXPECT_TRUE(errors_.empty());
}

TEST_F(FrameClose, UnwritableSettingsAreReportedAndTheFrameClosesAnyway) {
    Frame().FileNew1Execute();
    ASSERT_TRUE(CreateDirectoryW(ConfigPath().c_str(), nullptr));
    HWND frame = Frame().Handle();
    SendMessageW(frame, WM_CLOSE, 0, 0);
    ASSERT_EQ(errors_.size(), 1u);
    EXPECT_EQ(errors_[0].rfind(ConfigPath() + L" に書き込めません\n", 0), 0u) << testing::PrintToString(errors_[0]);
    EXPECT_FALSE(IsWindow(frame));
}

using OpenPage = FrameTest;

TEST_F(OpenPage, FileNewOpensTheSelectedEngine) {
    Frame().FileNew1Execute();
    ASSERT_EQ(engines_->Count(), 1u);
    EXPECT_TRUE(IsEqualCLSID(engines_->Last().clsid, CLSID_WebBrowser));
    ASSERT_EQ(Children().size(), 1u);
    EXPECT_EQ(ClassOf(Children()[0]), L"Tfrm_IE");
    EXPECT_EQ(Children()[0]->Caption(), L"Internet Explorer");
    EXPECT_EQ(engines_->Last().navigated, std::vector<std::wstring>{L""});
    EXPECT_TRUE(engines_->Last().navigateExtrasMissing);
    EXPECT_EQ(engines_->Last().extent.cx, 9551);
    EXPECT_EQ(engines_->Last().extent.cy, 6376);

    WriteConfig(L"Option", L"Mozilla", L"0");  // the switch does not decide the engine
    Frame().Moz_ItemClick();
    Frame().ToolButton1Click();
    ASSERT_EQ(engines_->Count(), 2u);
    EXPECT_TRUE(IsEqualCLSID(engines_->Last().clsid, CLSID_MozillaBrowser));
    EXPECT_EQ(Frame().ActiveChild()->Caption(), L"Mozilla");
    EXPECT_EQ(ClassOf(Frame().ActiveChild()), L"Tfrm_MZ");
    EXPECT_EQ(engines_->Last().navigated, std::vector<std::wstring>{L"about:blank"});
    EXPECT_EQ(engines_->Last().extent.cx, 8705);
    EXPECT_EQ(engines_->Last().extent.cy, 5953);
    EXPECT_TRUE(errors_.empty());
}

TEST_F(OpenPage, AddressBarOpensAWindowOnlyWhenThereIsNone) {
    const std::wstring address = L"http://example.invalid/ページ?q=1";
    Frame().SetAddressText(address);
    HWND edit = Frame().Controls().txtAddress;
    SendMessageW(edit, WM_KEYDOWN, VK_RETURN, 0);
    ASSERT_EQ(Frame().ChildCount(), 1);
    EXPECT_EQ(Frame().ActiveChild()->Caption(), L"");
    EXPECT_EQ(engines_->Record(0).navigated, std::vector<std::wstring>{address});

    Frame().SetAddressText(L"  about:blank  ");
    SendMessageW(Frame().Handle(), WM_COMMAND, MAKEWPARAM(IDC_BTNMOVE, BN_CLICKED),
                 reinterpret_cast<LPARAM>(Frame().Controls().btnMove));
    EXPECT_EQ(Frame().ChildCount(), 1);
    EXPECT_EQ(engines_->Record(0).navigated.back(), L"  about:blank  ") << "passed as typed";
}

TEST_F(OpenPage, AltEnterInTheAddressBoxActsAsEnter) {
    Frame().SetAddressText(L"about:blank");
    const LPARAM altHeld = 1 << 29;
    SendMessageW(Frame().Controls().txtAddress, WM_SYSKEYDOWN, VK_RETURN, altHeld);
    ASSERT_EQ(Frame().ChildCount(), 1);
    EXPECT_EQ(engines_->Record(0).navigated, std::vector<std::wstring>{L"about:blank"});
}

TEST_F(OpenPage, AddressesOfAnyLengthPassThrough) {
    const std::wstring address = L"http://x.invalid/" + std::wstring(100000, L'a');
    Frame().SetAddressText(address);
    Frame().btnMoveClick();
    ASSERT_EQ(engines_->Count(), 1u);
    EXPECT_EQ(engines_->Last().navigated.back(), address);
}

TEST_F(OpenPage, GeckoSwitchMakesTheMozillaFolderCurrent) {
    const std::wstring folder = dir_ + L"moz フォルダ";
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    WriteConfig(L"Option", L"Mozilla", L"1");
    WriteConfig(L"Option", L"MozPath", folder);
    Frame().FileNew1Execute();  // IE selected: the folder changes all the same
    wchar_t cwd[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, cwd);
    EXPECT_EQ(std::wstring(cwd), folder);
    EXPECT_EQ(Frame().ChildCount(), 1);
}

TEST_F(OpenPage, MissingMozillaFolderIsReportedAndOpensNothing) {
    const std::wstring folder = dir_ + L"no such folder";
    WriteConfig(L"Option", L"Mozilla", L"1");
    WriteConfig(L"Option", L"MozPath", folder);
    SetCurrentDirectoryW(folder.c_str());
    const std::wstring expected = InOutErrorMessage(GetLastError()) + L".";
    SendMessageW(Frame().Handle(), WM_COMMAND, IDM_FILE_NEW, 0);
    ASSERT_EQ(errors_.size(), 1u);
    EXPECT_EQ(errors_[0], expected);
    EXPECT_TRUE(errors_[0] == L"ファイルが見つかりません." || errors_[0] == L"不正なファイル名です.")
        << "got: " << testing::PrintToString(errors_[0]);
    EXPECT_EQ(Frame().ChildCount(), 0);
    EXPECT_EQ(engines_->Count(), 0u);
}

TEST_F(OpenPage, OverlongMozillaFolderIsReportedNotFatal) {
    WriteConfig(L"Option", L"Mozilla", L"1");
    WriteConfig(L"Option", L"MozPath", L"C:\\" + std::wstring(2997, L'm'));
    SendMessageW(Frame().Handle(), WM_COMMAND, IDM_FILE_NEW, 0);
    ASSERT_EQ(errors_.size(), 1u);
    EXPECT_EQ(Frame().ChildCount(), 0);
}

TEST_F(OpenPage, EngineThatCannotBeCreatedLeavesNoWindowAndTheFrameUsable) {
    engines_->FailCreation(CLSID_WebBrowser, REGDB_E_CLASSNOTREG);
    SendMessageW(Frame().Handle(), WM_COMMAND, IDM_FILE_NEW, 0);
    ASSERT_EQ(errors_.size(), 1u);
    EXPECT_EQ(errors_[0], WithClosingPeriod(OleErrorMessage(REGDB_E_CLASSNOTREG, nullptr, IID_IOleObject)));
    EXPECT_EQ(Frame().ChildCount(), 0);
    EXPECT_EQ(GetWindow(Frame().MdiClient(), GW_CHILD), nullptr) << "no half-made window";

    engines_->FailCreation(CLSID_WebBrowser, S_OK);
    SendMessageW(Frame().Handle(), WM_COMMAND, IDM_FILE_NEW, 0);
    EXPECT_EQ(Frame().ChildCount(), 1);
    EXPECT_EQ(errors_.size(), 1u);
}

TEST_F(OpenPage, FailingEngineCallShowsTheEnginesDescription) {
    engines_->FailCalls(E_FAIL, L"ナビゲートできません");
    SendMessageW(Frame().Handle(), WM_COMMAND, IDM_FILE_NEW, 0);
    ASSERT_EQ(errors_.size(), 1u);
    EXPECT_EQ(errors_[0], L"ナビゲートできません.");
    EXPECT_EQ(Frame().ChildCount(), 1) << "the window stays; only the navigation failed";

    engines_->FailCalls(static_cast<HRESULT>(0x8004ABCD), L"");
    SendMessageW(Frame().Handle(), WM_COMMAND, IDM_NAV_BACK, 0);
    ASSERT_EQ(errors_.size(), 2u);
    EXPECT_EQ(errors_[1], L"OLE エラー 8004abcd.");
}

using Navigation = FrameTest;

TEST_F(Navigation, ButtonsActOnTheActiveWindowOnly) {
    for (int id : {IDM_NAV_BACK, IDM_NAV_FORWARD, IDM_NAV_STOP, IDM_NAV_RELOAD})
        SendMessageW(Frame().Handle(), WM_COMMAND, static_cast<WPARAM>(id), 0);  // nothing open: nothing happens
    EXPECT_TRUE(errors_.empty());

    Frame().FileNew1Execute();
    Frame().FileNew1Execute();
    for (int id : {IDM_NAV_BACK, IDM_NAV_FORWARD, IDM_NAV_STOP, IDM_NAV_RELOAD})
        SendMessageW(Frame().Handle(), WM_COMMAND, static_cast<WPARAM>(id), 0);
    const std::vector<std::wstring> expected{L"GoBack", L"GoForward", L"Stop", L"Refresh"};
    std::vector<std::wstring> made;
    for (const auto& call : engines_->Record(1).calls)
        if (call == L"GoBack" || call == L"GoForward" || call == L"Stop" || call == L"Refresh") made.push_back(call);
    EXPECT_EQ(made, expected);
    for (const auto& call : engines_->Record(0).calls) EXPECT_NE(call, L"GoBack");
}

using WindowMenu = FrameTest;

TEST_F(WindowMenu, CommandsAreEnabledOnlyWithChildren) {
    const HWND frame = Frame().Handle();
    for (UINT id :
         {IDM_WINDOW_CASCADE, IDM_WINDOW_TILE_HORZ, IDM_WINDOW_TILE_VERT, IDM_WINDOW_MINIMIZE_ALL, IDM_WINDOW_ARRANGE})
        EXPECT_FALSE(MenuEnables(frame, id));
    EXPECT_FALSE(MenuEnables(frame, IDM_FILE_CLOSE));
    EXPECT_TRUE(MenuEnables(frame, IDM_FILE_NEW));

    Frame().FileNew1Execute();
    for (UINT id :
         {IDM_WINDOW_CASCADE, IDM_WINDOW_TILE_HORZ, IDM_WINDOW_TILE_VERT, IDM_WINDOW_MINIMIZE_ALL, IDM_WINDOW_ARRANGE})
        EXPECT_TRUE(MenuEnables(frame, id));
    EXPECT_TRUE(MenuEnables(frame, IDM_FILE_CLOSE));
}

TEST_F(WindowMenu, CloseIsEnabledWhileAWindowIsMaximized) {
    const HWND frame = Frame().Handle();
    EXPECT_FALSE(MenuEnables(frame, IDM_FILE_CLOSE));
    Frame().FileNew1Execute();
    SendMessageW(Frame().MdiClient(), WM_MDIMAXIMIZE, reinterpret_cast<WPARAM>(Frame().ActiveChild()->Handle()), 0);
    ASSERT_TRUE(IsZoomed(Frame().ActiveChild()->Handle()));
    ASSERT_NE(GetSubMenu(GetMenu(frame), 0), SubMenuWith(frame, IDM_FILE_CLOSE)) << "the system menu comes first";
    EXPECT_TRUE(MenuEnables(frame, IDM_FILE_CLOSE));
}

TEST_F(WindowMenu, ListsWindowsAndArrangesThem) {
    HMENU window = SubMenuWith(Frame().Handle(), IDM_WINDOW_CASCADE);
    const int itemsBefore = GetMenuItemCount(window);
    Frame().FileNew1Execute();
    Frame().Children()[0]->SetCaption(L"最初のページ");
    Frame().FileNew1Execute();
    Frame().Children()[0]->SetCaption(L"second");
    EXPECT_GE(GetMenuItemCount(window), itemsBefore + 2);
    wchar_t text[64] = {};
    GetMenuStringW(window, IDM_FIRST_CHILD, text, 64, MF_BYCOMMAND);
    EXPECT_NE(std::wstring(text).find(L"最初のページ"), std::wstring::npos);

    SendMessageW(Frame().Handle(), WM_COMMAND, IDM_WINDOW_TILE_VERT, 0);
    RECT a = ChildRect(Children()[0]->Handle()), b = ChildRect(Children()[1]->Handle());
    EXPECT_EQ(a.top, b.top);
    EXPECT_NE(a.left, b.left);
    SendMessageW(Frame().Handle(), WM_COMMAND, IDM_WINDOW_TILE_HORZ, 0);
    a = ChildRect(Children()[0]->Handle());
    b = ChildRect(Children()[1]->Handle());
    EXPECT_EQ(a.left, b.left);
    EXPECT_NE(a.top, b.top);
    SendMessageW(Frame().Handle(), WM_COMMAND, IDM_WINDOW_CASCADE, 0);
    a = ChildRect(Children()[0]->Handle());
    b = ChildRect(Children()[1]->Handle());
    EXPECT_NE(a.left, b.left);
    EXPECT_NE(a.top, b.top);

    SendMessageW(Frame().Handle(), WM_COMMAND, IDM_WINDOW_MINIMIZE_ALL, 0);
    for (BrowserChild* child : Children()) EXPECT_TRUE(IsIconic(child->Handle()));
    SendMessageW(Frame().Handle(), WM_COMMAND, IDM_WINDOW_ARRANGE, 0);
    EXPECT_EQ(Frame().ChildCount(), 2);

    SendMessageW(Frame().Handle(), WM_COMMAND, IDM_FILE_CLOSE, 0);
    EXPECT_EQ(Frame().ChildCount(), 1);
}

TEST(FrameLayout, ResizeRuleBelowAndAbove260Pixels) {
    FrameTest::Pump();
    const std::wstring dir = MakeTempDir();
    {
        MainFormOptions options;
        options.programDir = dir;
        options.quitOnDestroy = false;
        FrameModel model;
        TMainForm frame(model, options);
        const auto c = frame.Controls();
        auto width = [](HWND h) {
            RECT r;
            GetWindowRect(h, &r);
            return static_cast<int>(r.right - r.left);
        };
        auto left = [](HWND h) {
            RECT r;
            GetWindowRect(h, &r);
            MapWindowPoints(nullptr, GetParent(h), reinterpret_cast<POINT*>(&r), 2);
            return static_cast<int>(r.left);
        };

        SetWindowPos(frame.Handle(), nullptr, 0, 0, 700, 400, SWP_NOMOVE | SWP_NOZORDER);
        ASSERT_GT(width(c.toolBar1), 260);
        EXPECT_EQ(width(c.progressBar1), 130);
        EXPECT_EQ(width(c.statusBar1), width(c.toolBar1) - 130);
        EXPECT_EQ(left(c.progressBar1), width(c.statusBar1));
        const int wideBar = width(c.toolBar3);
        EXPECT_GT(wideBar, 600) << "the address band spans its row";
        EXPECT_EQ(left(c.btnMove), width(c.toolBar3) - 41);
        EXPECT_EQ(width(c.txtAddress), width(c.toolBar3) - 41 - 44);
        EXPECT_EQ(left(c.label1), 0);
        EXPECT_EQ(left(c.txtAddress), 44);

        const int statusBefore = width(c.statusBar1);
        SetWindowPos(frame.Handle(), nullptr, 0, 0, 240, 400, SWP_NOMOVE | SWP_NOZORDER);
        ASSERT_LE(width(c.toolBar1), 260);
        EXPECT_EQ(width(c.statusBar1), statusBefore) << "a narrow frame keeps the last widths";
        EXPECT_EQ(width(c.progressBar1), 130);
        EXPECT_EQ(width(c.toolBar3), wideBar - 460) << "the band follows the frame";
        EXPECT_EQ(left(c.btnMove), width(c.toolBar3) - 41);
        EXPECT_EQ(width(c.txtAddress), width(c.toolBar3) - 41 - 44);
    }
    RemoveTree(dir);
}

using CoolBar = FrameTest;

TEST_F(CoolBar, IsARebarWhoseBandsTheUserCanMove) {
    SetWindowPos(Frame().Handle(), nullptr, 0, 0, 700, 400, SWP_NOMOVE | SWP_NOZORDER);
    const auto c = Frame().Controls();
    wchar_t className[64] = {};
    GetClassNameW(c.coolBar1, className, 64);
    EXPECT_STREQ(className, REBARCLASSNAMEW);
    RECT cool;
    GetWindowRect(c.coolBar1, &cool);
    EXPECT_EQ(cool.bottom - cool.top, 57);

    ASSERT_EQ(SendMessageW(c.coolBar1, RB_GETBANDCOUNT, 0, 0), 2);
    const HWND children[] = {c.toolBar2, c.toolBar3};
    for (UINT i = 0; i < 2; ++i) {
        REBARBANDINFOW band{};
        band.cbSize = REBARBANDINFOW_V6_SIZE;
        band.fMask = RBBIM_CHILD | RBBIM_CHILDSIZE;
        ASSERT_TRUE(SendMessageW(c.coolBar1, RB_GETBANDINFOW, i, reinterpret_cast<LPARAM>(&band)));
        EXPECT_EQ(band.hwndChild, children[i]);
        EXPECT_EQ(band.cyMinChild, 24u);
        RECT borders{};
        SendMessageW(c.coolBar1, RB_GETBANDBORDERS, i, reinterpret_cast<LPARAM>(&borders));
        EXPECT_GE(borders.left, 5) << "band " << i << " has a gripper in front of its bar";
    }
    EXPECT_EQ(SendMessageW(c.coolBar1, RB_GETROWCOUNT, 0, 0), 2);

    // A click on the first tool button, inside its band, opens a window.
    RECT button{};
    SendMessageW(c.toolBar2, TB_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&button));
    const LPARAM inButton = MAKELPARAM((button.left + button.right) / 2, (button.top + button.bottom) / 2);
    SendMessageW(c.toolBar2, WM_LBUTTONDOWN, MK_LBUTTON, inButton);
    SendMessageW(c.toolBar2, WM_LBUTTONUP, 0, inButton);
    EXPECT_EQ(Frame().ChildCount(), 1);

    // The user drags the address band by its gripper up beside the tool
    // bar: the bar loses a row, and the address bar follows its band.
    const int widthBefore = RectIn(c.toolBar3).right - RectIn(c.toolBar3).left;
    RECT band2{};
    SendMessageW(c.coolBar1, RB_GETRECT, 1, reinterpret_cast<LPARAM>(&band2));
    SendMessageW(c.coolBar1, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(band2.left + 4, (band2.top + band2.bottom) / 2));
    SendMessageW(c.coolBar1, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(300, 10));
    SendMessageW(c.coolBar1, WM_LBUTTONUP, 0, MAKELPARAM(300, 10));
    ReleaseCapture();
    EXPECT_EQ(SendMessageW(c.coolBar1, RB_GETROWCOUNT, 0, 0), 1);
    GetWindowRect(c.coolBar1, &cool);
    EXPECT_LT(cool.bottom - cool.top, 57);
    // The window's tab strip, then the page area, move up with it.
    const RECT strip = RectIn(Frame().Tabs()->Handle());
    EXPECT_EQ(strip.top, cool.bottom - cool.top) << "the tab strip moves up";
    EXPECT_EQ(RectIn(c.mdiClient).top, strip.bottom) << "the page area moves up";
    const RECT bar3 = RectIn(c.toolBar3);
    const int widthAfter = bar3.right - bar3.left;
    EXPECT_LT(widthAfter, widthBefore);
    EXPECT_EQ(RectIn(c.btnMove).left, widthAfter - 41) << "the address bar follows its band";
    EXPECT_EQ(RectIn(c.txtAddress).right - RectIn(c.txtAddress).left, widthAfter - 41 - 44);
}

using Keyboard = FrameTest;

TEST_F(Keyboard, EngineGetsKeysBeforeTheFrame) {
    engines_->ConsumeKey(VK_TAB);
    Frame().FileNew1Execute();
    HWND view = engines_->Last().view;
    ASSERT_NE(view, nullptr);
    EXPECT_TRUE(IsChild(Frame().ActiveChild()->Handle(), view));

    MSG tab{view, WM_KEYDOWN, VK_TAB, 0, 0, {}};
    EXPECT_TRUE(Frame().PreTranslateMessage(tab));
    MSG letter{view, WM_KEYDOWN, 'A', 0, 0, {}};
    EXPECT_FALSE(Frame().PreTranslateMessage(letter));
    EXPECT_EQ(engines_->Last().keysOffered, (std::vector<WPARAM>{VK_TAB, 'A'}));

    // Keys typed into the address box are not the page's business.
    MSG inAddress{Frame().Controls().txtAddress, WM_KEYDOWN, VK_TAB, 0, 0, {}};
    Frame().PreTranslateMessage(inAddress);
    EXPECT_EQ(engines_->Last().keysOffered.size(), 2u);
}

TEST_F(Keyboard, AnnouncedActiveObjectReceivesTheKeys) {
    engines_->AnnounceActiveObject(true);
    engines_->ConsumeKey(VK_BACK);
    Frame().FileNew1Execute();
    MSG back{engines_->Last().view, WM_KEYDOWN, VK_BACK, 0, 0, {}};
    EXPECT_TRUE(Frame().PreTranslateMessage(back));
    EXPECT_EQ(engines_->Last().keysOffered, std::vector<WPARAM>{VK_BACK});
}

TEST_F(Keyboard, ShortcutsCopyAndPasteInTheAddressBox) {
    HWND edit = Frame().Controls().txtAddress;
    Frame().SetAddressText(L"http://コピー.example/");
    SetFocus(edit);
    ASSERT_EQ(GetFocus(), edit);
    SendMessageW(edit, EM_SETSEL, 0, -1);

    EXPECT_TRUE(PressCtrl(Frame(), edit, 'C'));
    SendMessageW(edit, EM_SETSEL, 0, -1);
    SendMessageW(edit, WM_CLEAR, 0, 0);
    EXPECT_TRUE(PressCtrl(Frame(), edit, 'V'));
    EXPECT_EQ(Frame().AddressText(), L"http://コピー.example/");
    EXPECT_TRUE(PressCtrl(Frame(), edit, 'N'));
    EXPECT_EQ(Frame().ChildCount(), 1);
}

class OtherEngine : public FrameTest {
protected:
    // The Gecko switch on, with a Mozilla folder that can be made current.
    void SwitchOn() {
        WriteConfig(L"Option", L"Mozilla", L"1");
        WriteConfig(L"Option", L"MozPath", dir_);
    }
};

TEST_F(OtherEngine, FromAnIEWindowOpensGeckoOnTheSameAddressAndCaption) {
    SwitchOn();
    Frame().FileNew1Execute();
    BrowserChild* ie = Frame().ActiveChild();
    ie->SetCaption(L"例のページ");
    engines_->Record(0).locationURL = L"http://example.invalid/a";
    Frame().SetAddressText(L"typed, not shown");
    const std::string config = ReadFileBytes(ConfigPath());

    EXPECT_TRUE(PressCtrl(Frame(), Frame().Handle(), 'E')) << "the shortcut works before the menu was ever opened";
    ASSERT_EQ(Frame().ChildCount(), 2);
    EXPECT_TRUE(IsEqualCLSID(engines_->Last().clsid, CLSID_MozillaBrowser));
    EXPECT_EQ(ClassOf(Frame().ActiveChild()), L"Tfrm_MZ");
    EXPECT_EQ(Frame().ActiveChild()->Caption(), L"例のページ");
    EXPECT_EQ(engines_->Last().navigated, std::vector<std::wstring>{L"http://example.invalid/a"});
    EXPECT_EQ(ie->Caption(), L"例のページ") << "the IE window stays open as it was";
    EXPECT_TRUE(Frame().IsIESelected());
    EXPECT_EQ(ReadFileBytes(ConfigPath()), config);
    EXPECT_TRUE(errors_.empty());
}

TEST_F(OtherEngine, FromAGeckoWindowOpensIEWithTheAddressBoxText) {
    WriteConfig(L"General", L"LastEngine", L"Gecko");  // switch off: Gecko stays checked but disabled
    Frame().FileNew1Execute();
    ASSERT_EQ(ClassOf(Frame().ActiveChild()), L"Tfrm_MZ");
    Frame().SetAddressText(L"http://typed.invalid/");  // the engine reports no address
    SendMessageW(Frame().Handle(), WM_COMMAND, IDM_OTHER_ENGINE, 0);
    ASSERT_EQ(Frame().ChildCount(), 2);
    EXPECT_EQ(ClassOf(Frame().ActiveChild()), L"Tfrm_IE");
    EXPECT_EQ(Frame().ActiveChild()->Caption(), L"Mozilla");
    EXPECT_EQ(engines_->Last().navigated, std::vector<std::wstring>{L"http://typed.invalid/"});
    EXPECT_FALSE(Frame().IsIESelected());
    EXPECT_TRUE(errors_.empty());
}

TEST_F(OtherEngine, UnavailableWithoutAWindowOrFromIEWithTheSwitchOff) {
    EXPECT_FALSE(MenuEnables(Frame().Handle(), IDM_OTHER_ENGINE));
    PressCtrl(Frame(), Frame().Handle(), 'E');
    EXPECT_EQ(Frame().ChildCount(), 0);

    Frame().FileNew1Execute();
    EXPECT_FALSE(MenuEnables(Frame().Handle(), IDM_OTHER_ENGINE));
    PressCtrl(Frame(), Frame().Handle(), 'E');
    SendMessageW(Frame().Handle(), WM_COMMAND, IDM_OTHER_ENGINE, 0);
    EXPECT_EQ(Frame().ChildCount(), 1);
    EXPECT_EQ(engines_->Count(), 1u);

    Frame().SetGeckoItemEnabled(true);  // as the options dialog does
    EXPECT_TRUE(MenuEnables(Frame().Handle(), IDM_OTHER_ENGINE));
    EXPECT_TRUE(errors_.empty());
}

TEST_F(OtherEngine, MissingControlIsReportedAndTheWindowStays) {
    SwitchOn();
    engines_->FailCreation(CLSID_MozillaBrowser, REGDB_E_CLASSNOTREG);
    Frame().FileNew1Execute();
    BrowserChild* ie = Frame().ActiveChild();
    SendMessageW(Frame().Handle(), WM_COMMAND, IDM_OTHER_ENGINE, 0);
    ASSERT_EQ(errors_.size(), 1u);
    EXPECT_EQ(errors_[0], WithClosingPeriod(OleErrorMessage(REGDB_E_CLASSNOTREG, nullptr, IID_IOleObject)));
    EXPECT_EQ(Frame().ChildCount(), 1);
    EXPECT_EQ(Frame().ActiveChild(), ie);
}

using SavePage = FrameTest;

TEST_F(SavePage, SaveAndSaveAsOpenTheActiveEnginesDialog) {
    Frame().FileNew1Execute();
    Frame().FileNew1Execute();
    EXPECT_TRUE(PressCtrl(Frame(), Frame().Handle(), 'S'));
    EXPECT_TRUE(MenuEnables(Frame().Handle(), IDM_FILE_SAVE));
    EXPECT_TRUE(MenuEnables(Frame().Handle(), IDM_FILE_SAVEAS));
    SendMessageW(Frame().Handle(), WM_COMMAND, IDM_FILE_SAVEAS, 0);
    const std::pair<OLECMDID, OLECMDEXECOPT> prompt{OLECMDID_SAVEAS, OLECMDEXECOPT_PROMPTUSER};
    EXPECT_EQ(engines_->Record(1).executed, (std::vector<std::pair<OLECMDID, OLECMDEXECOPT>>{prompt, prompt}));
    EXPECT_TRUE(engines_->Record(0).executed.empty());
    EXPECT_TRUE(errors_.empty());
}

TEST_F(SavePage, UnavailableWithoutAWindowOrWhenTheEngineSaysSo) {
    EXPECT_FALSE(MenuEnables(Frame().Handle(), IDM_FILE_SAVE));
    EXPECT_FALSE(MenuEnables(Frame().Handle(), IDM_FILE_SAVEAS));
    PressCtrl(Frame(), Frame().Handle(), 'S');

    engines_->SetCommandStatus(OLECMDF_SUPPORTED);
    Frame().FileNew1Execute();
    EXPECT_FALSE(MenuEnables(Frame().Handle(), IDM_FILE_SAVE));
    EXPECT_FALSE(MenuEnables(Frame().Handle(), IDM_FILE_SAVEAS));
    PressCtrl(Frame(), Frame().Handle(), 'S');
    SendMessageW(Frame().Handle(), WM_COMMAND, IDM_FILE_SAVEAS, 0);
    EXPECT_TRUE(engines_->Last().executed.empty());
    EXPECT_TRUE(errors_.empty());
}

TEST_F(SavePage, CancelIsNoErrorAndAFailureShowsOneBox) {
    Frame().FileNew1Execute();
    for (HRESULT cancelled : {OLECMDERR_E_CANCELED, HRESULT_FROM_WIN32(ERROR_CANCELLED)}) {
        engines_->FailCalls(cancelled, L"");
        SendMessageW(Frame().Handle(), WM_COMMAND, IDM_FILE_SAVE, 0);
    }
    EXPECT_EQ(engines_->Last().executed.size(), 2u);
    EXPECT_TRUE(errors_.empty());

    engines_->FailCalls(E_ACCESSDENIED, L"ページを保存できません");
    SendMessageW(Frame().Handle(), WM_COMMAND, IDM_FILE_SAVEAS, 0);
    ASSERT_EQ(errors_.size(), 1u);
    EXPECT_EQ(errors_[0], L"ページを保存できません.");
    EXPECT_EQ(Frame().ChildCount(), 1);
}

BOOL CALLBACK CancelDialog(HWND hwnd, LPARAM) {
    wchar_t name[16] = {};
    GetClassNameW(hwnd, name, 16);
    if (IsWindowVisible(hwnd) && lstrcmpW(name, L"#32770") == 0) PostMessageW(hwnd, WM_COMMAND, IDCANCEL, 0);
    return TRUE;
}

// Closes whatever dialog the engine shows, as a user would with Cancel.
void CALLBACK CancelEngineDialogs(HWND, UINT, UINT_PTR, DWORD) {
    EnumThreadWindows(GetCurrentThreadId(), &CancelDialog, 0);
}

TEST_F(FrameStart, RealWebBrowserControlHostsAndItsPageCommandsWorkOrStayDisabled) {
    engines_.reset();  // the system's own control this time
    CLSID clsid = CLSID_WebBrowser;
    IUnknown* probe = nullptr;
    if (FAILED(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, reinterpret_cast<void**>(&probe))))
        GTEST_SKIP() << "no WebBrowser control on this system";
    probe->Release();
    Frame().FileNew1Execute();
    Frame().SetAddressText(L"about:blank");
    Frame().btnMoveClick();
    Pump();
    EXPECT_EQ(Frame().ChildCount(), 1);
    SendMessageW(Frame().Handle(), WM_COMMAND, IDM_NAV_STOP, 0);
    for (const auto& e : errors_) ADD_FAILURE() << testing::PrintToString(e);

    // Each page command: whatever the control says of it and of its
    // outcome, the window stays and at most one box tells of a failure.
    for (UINT id : {IDM_FILE_SAVE, IDM_FILE_PRINT, IDM_FILE_PRINT_PREVIEW, IDM_FILE_PAGE_SETUP, IDM_VIEW_FIND,
                    IDM_VIEW_ZOOM_IN, IDM_VIEW_ZOOM_OUT, IDM_VIEW_ZOOM_RESET}) {
        const bool offered = MenuEnables(Frame().Handle(), id);
        const UINT_PTR timer = SetTimer(nullptr, 0, 500, &CancelEngineDialogs);
        SendMessageW(Frame().Handle(), WM_COMMAND, id, 0);
        KillTimer(nullptr, timer);
        EXPECT_EQ(Frame().ChildCount(), 1);
        if (!offered) {
            EXPECT_TRUE(errors_.empty()) << id << ": an unavailable command does nothing";
        }
        EXPECT_LE(errors_.size(), 1u) << id;
        std::cout << "[ note ] command " << id << ": the control " << (offered ? "offers" : "does not offer")
                  << " it; " << errors_.size() << " box(es)\n";
        errors_.clear();
    }

    SendMessageW(Frame().Handle(), WM_COMMAND, IDM_FILE_CLOSE, 0);
    EXPECT_EQ(Frame().ChildCount(), 0);
}

}  // namespace
}  // namespace vesko::test
