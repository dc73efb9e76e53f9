#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "browser/BrowserChild.h"
#include "browser/EngineControl.h"
#include "res/resource.h"
#include "shell/TabStrip.h"
#include "tests/support/FrameFixture.h"

namespace vesko::test {
namespace {

class TabStripTest : public FrameTest {
protected:
    void SetUp() override {
        FrameTest::SetUp();
        WriteConfig(L"General", L"LastEngine", L"IE");  // no first-start options dialog
    }

    TabStrip& Strip() { return *Frame().Tabs(); }
    HWND Tabs() { return Strip().Handle(); }

    // Opens a window and gives it a title, as its engine reports one.
    void Open(const std::wstring& title) {
        Frame().FileNew1Execute();
        engines_->FireTitleChange(engines_->Count() - 1, title);
    }

    std::vector<std::wstring> TabTexts() {
        std::vector<std::wstring> texts;
        for (int i = 0, n = TabCtrl_GetItemCount(Tabs()); i < n; ++i) {
            wchar_t text[256] = {};
            TCITEMW item{};
            item.mask = TCIF_TEXT;
            item.pszText = text;
            item.cchTextMax = 256;
            EXPECT_TRUE(SendMessageW(Tabs(), TCM_GETITEMW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item)));
            texts.push_back(item.pszText);
        }
        return texts;
    }
    std::vector<std::wstring> Captions() {
        std::vector<std::wstring> captions;
        for (BrowserChild* child : Children()) captions.push_back(child->Caption());
        return captions;
    }
    // The caption of the window the model holds active, and the text of
    // the tab that shows selected.
    std::wstring ActiveCaption() {
        const ChildState* active = model_.ActiveState();
        return active ? active->caption : L"<none>";
    }
    std::wstring SelectedText() {
        const int selected = TabCtrl_GetCurSel(Tabs());
        return selected < 0 ? L"<none>" : TabTexts().at(static_cast<size_t>(selected));
    }
    // What the tip says with the pointer over a tab.
    std::wstring TipOf(int tab) {
        SendMessageW(Tabs(), WM_MOUSEMOVE, 0, In(tab));
        return Tip();
    }
    std::wstring Tip() {
        wchar_t text[256] = {};
        TOOLINFOW tool{};
        tool.cbSize = sizeof tool;
        tool.hwnd = Tabs();
        tool.lpszText = text;
        SendMessageW(Strip().ToolTip(), TTM_GETTEXTW, 256, reinterpret_cast<LPARAM>(&tool));
        return text;
    }

    LPARAM In(int tab, int dx = 0) {
        RECT r{};
        EXPECT_TRUE(TabCtrl_GetItemRect(Tabs(), tab, &r));
        const int x = dx < 0 ? r.right + dx : (r.left + r.right) / 2 + dx;
        return MAKELPARAM(x, (r.top + r.bottom) / 2);
    }
    void Click(UINT down, UINT up, LPARAM at, WPARAM held) {
        SendMessageW(Tabs(), down, held, at);
        SendMessageW(Tabs(), up, 0, at);
        Pump();
    }

    // Where the MDI area starts, and where the bars above it end.
    int MdiTop() { return RectIn(Frame().Controls().mdiClient).top; }
    int CoolBarBottom() { return RectIn(Frame().Controls().coolBar1).bottom; }
};

TEST_F(TabStripTest, FollowsWindowsAsTheyOpenAreRenamedAndClose) {
    EXPECT_FALSE(IsWindowVisible(Tabs()));
    EXPECT_EQ(MdiTop(), CoolBarBottom()) << "no window: the strip takes no room";

    Open(L"最初のページ");
    Frame().Moz_ItemClick();
    Frame().FileNew1Execute();
    ASSERT_EQ(Frame().ChildCount(), 2);
    EXPECT_TRUE(IsWindowVisible(Tabs()));
    EXPECT_EQ((std::vector<std::wstring>{L"最初のページ", L"Mozilla"}), TabTexts());
    EXPECT_EQ(SelectedText(), L"Mozilla") << "the window opened last is active";
    const RECT strip = RectIn(Tabs());
    EXPECT_EQ(strip.top, CoolBarBottom());
    EXPECT_GT(strip.bottom - strip.top, 16);
    EXPECT_EQ(MdiTop(), strip.bottom) << "the strip's room comes from the MDI area";

    // A long title is shortened on its tab and whole in its tip; an "&"
    // shows as itself.
    const std::wstring title = L"とても長いページの題名 - Example Company & Web Site";
    engines_->FireTitleChange(1, title);
    EXPECT_EQ(TabTexts()[1], title.substr(0, 24) + L"\u2026");
    EXPECT_EQ(TipOf(1), title);
    engines_->FireTitleChange(0, L"Q&A");
    EXPECT_EQ(TabTexts()[0], L"Q&&A");
    EXPECT_EQ(TipOf(0), L"Q&A");
    const std::wstring exactly24(24, L'x');
    engines_->FireTitleChange(0, exactly24);
    EXPECT_EQ(TabTexts()[0], exactly24);
    EXPECT_EQ(Tip(), exactly24) << "the tip under a still pointer follows its tab";

    SendMessageW(Frame().Handle(), WM_COMMAND, IDM_FILE_CLOSE, 0);  // the Gecko window
    EXPECT_EQ(std::vector<std::wstring>{exactly24}, TabTexts());
    EXPECT_EQ(SelectedText(), exactly24) << "the window left is active";
    SendMessageW(Frame().Handle(), WM_COMMAND, IDM_FILE_CLOSE, 0);
    EXPECT_EQ(Frame().ChildCount(), 0);
    EXPECT_FALSE(IsWindowVisible(Tabs()));
    EXPECT_EQ(MdiTop(), CoolBarBottom()) << "the last window gone, the MDI area takes the room back";
    EXPECT_TRUE(errors_.empty());
}

TEST_F(TabStripTest, FollowsActivationThroughTheWindowListAndCtrlF6) {
    for (const wchar_t* title : {L"A", L"B", L"C"}) Open(title);
    ASSERT_EQ(SelectedText(), L"C");

    // Window > the first listed window.
    SendMessageW(Frame().Handle(), WM_COMMAND, IDM_FIRST_CHILD, 0);
    EXPECT_EQ(ActiveCaption(), L"A");
    EXPECT_EQ(SelectedText(), L"A");
    // Ctrl+F6 goes through the windows from the active one, each in turn.
    std::vector<std::wstring> visited;
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(PressCtrl(Frame(), Frame().Handle(), VK_F6));
        EXPECT_EQ(SelectedText(), ActiveCaption());
        visited.push_back(SelectedText());
    }
    std::sort(visited.begin(), visited.end());
    EXPECT_EQ((std::vector<std::wstring>{L"A", L"B", L"C"}), visited);
    EXPECT_EQ(SelectedText(), L"A");
}

TEST_F(TabStripTest, ClickActivatesAndDragMovesTheWindowInTheOrder) {
    for (const wchar_t* title : {L"A", L"B", L"C"}) Open(title);
    Click(WM_LBUTTONDOWN, WM_LBUTTONUP, In(1), MK_LBUTTON);
    EXPECT_EQ(ActiveCaption(), L"B");
    EXPECT_EQ(SelectedText(), L"B");
    EXPECT_EQ(GetCapture(), nullptr);

    // A drags past the middle of C: it goes last, and stays active.
    SendMessageW(Tabs(), WM_LBUTTONDOWN, MK_LBUTTON, In(0));
    SendMessageW(Tabs(), WM_MOUSEMOVE, MK_LBUTTON, In(1));
    SendMessageW(Tabs(), WM_MOUSEMOVE, MK_LBUTTON, In(2, -2));
    SendMessageW(Tabs(), WM_LBUTTONUP, 0, In(2, -2));
    EXPECT_EQ((std::vector<std::wstring>{L"B", L"C", L"A"}), Captions());
    EXPECT_EQ((std::vector<std::wstring>{L"B", L"C", L"A"}), TabTexts());
    EXPECT_EQ(SelectedText(), L"A");
    EXPECT_EQ(ActiveCaption(), L"A");

    EXPECT_TRUE(errors_.empty());
}

TEST_F(TabStripTest, MiddleClickOrDoubleClickClosesThatWindow) {
    for (const wchar_t* title : {L"A", L"B", L"C"}) Open(title);
    Click(WM_MBUTTONDOWN, WM_MBUTTONUP, In(1), MK_MBUTTON);
    EXPECT_EQ((std::vector<std::wstring>{L"A", L"C"}), Captions());
    EXPECT_EQ((std::vector<std::wstring>{L"A", L"C"}), TabTexts());
    EXPECT_EQ(SelectedText(), L"C");

    // Pressed on one tab and let go on another: nothing closes.
    SendMessageW(Tabs(), WM_MBUTTONDOWN, MK_MBUTTON, In(0));
    SendMessageW(Tabs(), WM_MBUTTONUP, 0, In(1));
    EXPECT_EQ(Frame().ChildCount(), 2);

    // The double click's first click activates; the second closes.
    Click(WM_LBUTTONDOWN, WM_LBUTTONUP, In(0), MK_LBUTTON);
    Click(WM_LBUTTONDBLCLK, WM_LBUTTONUP, In(0), MK_LBUTTON);
    EXPECT_EQ(std::vector<std::wstring>{L"C"}, Captions());
    EXPECT_EQ(std::vector<std::wstring>{L"C"}, TabTexts());
    EXPECT_EQ(SelectedText(), L"C");
    EXPECT_TRUE(errors_.empty());
}

TEST_F(TabStripTest, ContextMenuActsOnTheWindowOfItsTab) {
    // The Gecko switch on, with a Mozilla folder that can be made current.
    WriteConfig(L"Option", L"Mozilla", L"1");
    WriteConfig(L"Option", L"MozPath", dir_);
    Open(L"A");
    engines_->Record(0).locationURL = L"http://a.example/";
    Open(L"B");
    const ChildId a = Children()[0]->Id();
    const ChildId b = Children()[1]->Id();

    const UniqueMenu menu = Strip().BuildMenu(a);
    const UINT items[] = {TabStrip::kMenuClose, TabStrip::kMenuOtherEngine, TabStrip::kMenuCloseOthers};
    const wchar_t* captions[] = {L"閉じる", L"別のエンジンで開く", L"他のウィンドウをすべて閉じる"};
    ASSERT_EQ(GetMenuItemCount(menu.get()), 3);
    for (int i = 0; i < 3; ++i) {
        wchar_t text[64] = {};
        GetMenuStringW(menu.get(), static_cast<UINT>(i), text, 64, MF_BYPOSITION);
        EXPECT_STREQ(text, captions[i]);
        EXPECT_EQ(GetMenuItemID(menu.get(), i), items[i]);
        EXPECT_EQ(GetMenuState(menu.get(), items[i], MF_BYCOMMAND) & MF_GRAYED, 0u) << captions[i];
    }

    // A's page, not the active B's, opens in Gecko with A's title.
    Strip().RunMenuItem(a, TabStrip::kMenuOtherEngine);
    ASSERT_EQ(Frame().ChildCount(), 3);
    EXPECT_TRUE(IsEqualCLSID(engines_->Last().clsid, CLSID_MozillaBrowser));
    EXPECT_EQ(engines_->Last().navigated, std::vector<std::wstring>{L"http://a.example/"});
    EXPECT_EQ((std::vector<std::wstring>{L"A", L"B", L"A"}), TabTexts());
    EXPECT_EQ(SelectedText(), L"A");
    EXPECT_EQ(ActiveCaption(), L"A");

    Strip().RunMenuItem(b, TabStrip::kMenuCloseOthers);
    EXPECT_EQ(std::vector<std::wstring>{L"B"}, Captions());
    EXPECT_EQ(std::vector<std::wstring>{L"B"}, TabTexts());
    EXPECT_EQ(ActiveCaption(), L"B");
    // Alone, and with Gecko not to be chosen, B can do neither.
    Frame().SetGeckoItemEnabled(false);
    const UniqueMenu alone = Strip().BuildMenu(b);
    EXPECT_NE(GetMenuState(alone.get(), TabStrip::kMenuOtherEngine, MF_BYCOMMAND) & MF_GRAYED, 0u);
    EXPECT_NE(GetMenuState(alone.get(), TabStrip::kMenuCloseOthers, MF_BYCOMMAND) & MF_GRAYED, 0u);

    Strip().RunMenuItem(b, TabStrip::kMenuClose);
    EXPECT_EQ(Frame().ChildCount(), 0);
    EXPECT_FALSE(IsWindowVisible(Tabs()));
    EXPECT_TRUE(errors_.empty());
}

TEST_F(TabStripTest, WindowMenuTurnsTheStripOffAndConfigKeepsTheChoice) {
    auto checked = [this] {
        HMENU window = SubMenuWith(Frame().Handle(), IDM_WINDOW_TAB_BAR);
        SendMessageW(Frame().Handle(), WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(window), 0);
        return (GetMenuState(window, IDM_WINDOW_TAB_BAR, MF_BYCOMMAND) & MF_CHECKED) != 0;
    };
    Open(L"A");
    EXPECT_TRUE(checked()) << "on by default";
    EXPECT_TRUE(IsWindowVisible(Tabs()));

    SendMessageW(Frame().Handle(), WM_COMMAND, IDM_WINDOW_TAB_BAR, 0);
    EXPECT_FALSE(checked());
    EXPECT_FALSE(IsWindowVisible(Tabs()));
    EXPECT_EQ(MdiTop(), CoolBarBottom());
    EXPECT_EQ(ReadConfig(L"General", L"TabBar"), L"0");

    CloseFrame();
    Open(L"A");
    EXPECT_FALSE(checked()) << "off again at the next start";
    EXPECT_FALSE(IsWindowVisible(Tabs()));
    EXPECT_EQ(MdiTop(), CoolBarBottom());
    SendMessageW(Frame().Handle(), WM_COMMAND, IDM_WINDOW_TAB_BAR, 0);
    EXPECT_TRUE(checked());
    EXPECT_TRUE(IsWindowVisible(Tabs()));
    EXPECT_EQ(MdiTop(), RectIn(Tabs()).bottom);
    EXPECT_EQ(ReadConfig(L"General", L"TabBar"), L"1");
    EXPECT_TRUE(errors_.empty());
}

// The engines' pictures on their tabs: each the window icon of its engine,
// its soft edges blended over any background with nothing around them.
TEST_F(TabStripTest, EachTabShowsItsEnginesPictureCleanOnAnyBackground) {
    Frame().FileNew1Execute();
    Frame().Moz_ItemClick();
    Frame().FileNew1Execute();
    const HIMAGELIST pictures = TabCtrl_GetImageList(Tabs());
    ASSERT_NE(pictures, nullptr);
    const int icons[] = {IDI_CHILD_IE, IDI_CHILD_MZ};
    for (int tab = 0; tab < 2; ++tab) {
        TCITEMW item{};
        item.mask = TCIF_IMAGE;
        ASSERT_TRUE(SendMessageW(Tabs(), TCM_GETITEMW, static_cast<WPARAM>(tab), reinterpret_cast<LPARAM>(&item)));
        // The icon's own pixels, straight alpha, top-down.
        const HICON icon = static_cast<HICON>(
            LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(icons[tab]), IMAGE_ICON, 16, 16, 0));
        ICONINFO info{};
        ASSERT_TRUE(GetIconInfo(icon, &info));
        BITMAPINFO bi{};
        bi.bmiHeader.biSize = sizeof bi.bmiHeader;
        bi.bmiHeader.biWidth = 16;
        bi.bmiHeader.biHeight = -16;
        bi.bmiHeader.biPlanes = 1;
        bi.bmiHeader.biBitCount = 32;
        bi.bmiHeader.biCompression = BI_RGB;
        std::vector<DWORD> art(256);
        const HDC screen = GetDC(nullptr);
        ASSERT_EQ(GetDIBits(screen, info.hbmColor, 0, 16, art.data(), &bi, DIB_RGB_COLORS), 16);
        ReleaseDC(nullptr, screen);
        DeleteObject(info.hbmColor);
        DeleteObject(info.hbmMask);
        DestroyIcon(icon);

        for (COLORREF background : {RGB(255, 255, 255), RGB(32, 32, 40), GetSysColor(COLOR_BTNFACE)}) {
            void* bits = nullptr;
            const HBITMAP canvas = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
            auto* pixels = static_cast<DWORD*>(bits);
            const DWORD fill = (GetRValue(background) << 16) | (GetGValue(background) << 8) | GetBValue(background);
            for (int i = 0; i < 256; ++i) pixels[i] = fill;
            const HDC dc = CreateCompatibleDC(nullptr);
            const HGDIOBJ old = SelectObject(dc, canvas);
            ASSERT_TRUE(ImageList_Draw(pictures, item.iImage, dc, 0, 0, ILD_NORMAL));
            GdiFlush();
            int off = 0;
            for (int i = 0; i < 256; ++i) {
                const DWORD a = art[i] >> 24;
                for (int shift : {0, 8, 16}) {
                    const DWORD blend = (((art[i] >> shift) & 0xFF) * a + ((fill >> shift) & 0xFF) * (255 - a)) / 255;
                    off += std::abs(static_cast<int>((pixels[i] >> shift) & 0xFF) - static_cast<int>(blend)) > 3;
                }
            }
            EXPECT_EQ(off, 0) << "tab " << tab << " over " << std::hex << background;
            SelectObject(dc, old);
            DeleteDC(dc);
            DeleteObject(canvas);
        }
    }
}

}  // namespace
}  // namespace vesko::test
