// The options dialog on real windows over a real frame.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "common/Error.h"
#include "common/Handles.h"
#include "common/ModelessDialogs.h"
#include "options/Option.h"
#include "res/resource.h"
#include "tests/options/FakeShell.h"
#include "tests/options/RecordingShell.h"
#include "tests/support/Access.h"
#include "tests/support/FrameFixture.h"

namespace vesko::test {
namespace {

BOOL CALLBACK CollectOptionDialogs(HWND hwnd, LPARAM data) {
    if (Tfrm_Option* dialog = FromHandle<Tfrm_Option>(hwnd))
        reinterpret_cast<std::vector<Tfrm_Option*>*>(data)->push_back(dialog);
    return TRUE;
}

bool Checked(HWND box) { return SendMessageW(box, BM_GETCHECK, 0, 0) == BST_CHECKED; }

int Luminance(COLORREF c) { return (GetRValue(c) * 299 + GetGValue(c) * 587 + GetBValue(c) * 114) / 1000; }

// How the path box asks its dialog for colours, and what it gets.
struct BoxColours {
    HBRUSH brush;
    COLORREF background;
    COLORREF text;
};
BoxColours ColoursOfPathBox(Tfrm_Option& dialog) {
    const HWND box = dialog.Controls().txtMozPath;
    const MemoryDC dc(nullptr);
    SetTextColor(dc.Get(), RGB(1, 2, 3));
    const UINT msg = IsWindowEnabled(box) ? WM_CTLCOLOREDIT : WM_CTLCOLORSTATIC;
    const auto brush = reinterpret_cast<HBRUSH>(
        SendMessageW(dialog.Handle(), msg, reinterpret_cast<WPARAM>(dc.Get()), reinterpret_cast<LPARAM>(box)));
    return BoxColours{brush, GetBkColor(dc.Get()), GetTextColor(dc.Get())};
}

class OptionDialog : public FrameTest {
protected:
    // The options dialogs that exist now, visible or not, oldest first.
    static std::vector<Tfrm_Option*> Dialogs() {
        std::vector<Tfrm_Option*> dialogs;
        EnumThreadWindows(GetCurrentThreadId(), &CollectOptionDialogs, reinterpret_cast<LPARAM>(&dialogs));
        std::reverse(dialogs.begin(), dialogs.end());
        return dialogs;
    }
    static std::vector<Tfrm_Option*> VisibleDialogs() {
        std::vector<Tfrm_Option*> visible;
        for (Tfrm_Option* d : Dialogs())
            if (IsWindowVisible(d->Handle())) visible.push_back(d);
        return visible;
    }
    // A frame that finds config.ini, so that it opens no dialog by itself.
    TMainForm& FrameWithConfig(const std::wstring& mozilla, const std::wstring& mozPath) {
        WriteConfig(L"Option", L"Mozilla", mozilla);
        WriteConfig(L"Option", L"MozPath", mozPath);
        return Frame();
    }
    // F12 as the message loop would see it.
    Tfrm_Option* PressF12() {
        const auto before = Dialogs();
        MSG msg{Frame().Handle(), WM_KEYDOWN, VK_F12, 0, 0, {}};
        EXPECT_TRUE(Frame().PreTranslateMessage(msg));
        const auto after = Dialogs();
        EXPECT_EQ(after.size(), before.size() + 1);
        return after.empty() ? nullptr : after.back();
    }
    static void Click(HWND button) { SendMessageW(button, BM_CLICK, 0, 0); }
    std::string ConfigBytes() { return FileExists(ConfigPath()) ? ReadFileBytes(ConfigPath()) : "<none>"; }
};

TEST_F(OptionDialog, FirstStartOpensItUntickedAndOKWritesBothKeys) {
    TMainForm& frame = Frame();
    const auto dialogs = VisibleDialogs();
    ASSERT_EQ(dialogs.size(), 1u);
    Tfrm_Option& dialog = *dialogs[0];
    const auto& c = dialog.Controls();
    EXPECT_EQ(GetWindow(dialog.Handle(), GW_OWNER), frame.Handle());
    EXPECT_FALSE(Checked(c.chkMoz));
    EXPECT_EQ(Access::chkMozTag(dialog), 0);
    EXPECT_EQ(WindowText(c.txtMozPath), L"");
    EXPECT_FALSE(IsWindowEnabled(c.txtMozPath));
    EXPECT_EQ(Access::TxtMozPathColor(dialog), COLOR_INACTIVEBORDER);
    const BoxColours colours = ColoursOfPathBox(dialog);
    EXPECT_EQ(colours.brush, GetSysColorBrush(COLOR_INACTIVEBORDER));
    EXPECT_EQ(colours.background, GetSysColor(COLOR_INACTIVEBORDER));
    EXPECT_FALSE(IsWindowEnabled(c.BitBtn1));
    EXPECT_FALSE(frame.IsGeckoItemEnabled());
    EXPECT_TRUE(frame.IsIESelected());
    EXPECT_EQ(ConfigBytes(), "<none>");  // opening it writes nothing

    Click(c.Button1);
    EXPECT_FALSE(IsWindowVisible(dialog.Handle()));
    const HWND hwnd = dialog.Handle();
    Pump();
    // Closed dialogs are freed, not kept.
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_TRUE(Dialogs().empty());
    EXPECT_EQ(ReadConfig(L"Option", L"MozPath"), L"");
    EXPECT_EQ(ReadConfig(L"Option", L"Mozilla"), L"0");
    EXPECT_LT(ConfigBytes().find("MozPath"), ConfigBytes().find("Mozilla="));  // MozPath first
    EXPECT_TRUE(errors_.empty());
}

TEST_F(OptionDialog, LayoutAsDesigned) {
    FrameWithConfig(L"1", L"C:\\Mozilla");
    Tfrm_Option* dialog = PressF12();
    ASSERT_NE(dialog, nullptr);
    const HWND hwnd = dialog->Handle();
    EXPECT_EQ(WindowText(hwnd), L"オプション");
    RECT outer;
    GetWindowRect(hwnd, &outer);
    EXPECT_EQ(outer.left, 250);
    EXPECT_EQ(outer.top, 174);
    EXPECT_EQ(outer.right - outer.left, 305);
    EXPECT_EQ(outer.bottom - outer.top, 117);
    const LONG style = GetWindowLongW(hwnd, GWL_STYLE);
    EXPECT_TRUE(GetWindowLongW(hwnd, GWL_EXSTYLE) & WS_EX_TOOLWINDOW);
    EXPECT_TRUE(style & WS_THICKFRAME);
    EXPECT_FALSE(style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX));

    const auto& c = dialog->Controls();
    const struct {
        HWND control;
        RECT rect;
        const wchar_t* text;
    } expected[] = {
        {c.chkMoz, {8, 8, 137, 25}, L"Geckoを使用する"},
        {c.txtMozPath, {16, 32, 265, 52}, L"C:\\Mozilla"},
        {c.BitBtn1, {264, 32, 284, 52}, L""},
        {c.Button1, {128, 56, 201, 81}, L"OK"},
        {c.Button2, {216, 56, 291, 81}, L"Cancel"},
    };
    for (const auto& e : expected) {
        const RECT r = RectIn(e.control);
        EXPECT_TRUE(EqualRect(&r, &e.rect)) << testing::PrintToString(std::wstring(e.text)) << " at " << r.left << ","
                                            << r.top << "-" << r.right << "," << r.bottom;
        EXPECT_EQ(WindowText(e.control), e.text);
        LOGFONTW font{};
        GetObjectW(reinterpret_cast<HFONT>(SendMessageW(e.control, WM_GETFONT, 0, 0)), sizeof font, &font);
        EXPECT_STREQ(font.lfFaceName, L"ＭＳ Ｐゴシック");
        EXPECT_EQ(font.lfHeight, -12);
        EXPECT_EQ(font.lfCharSet, SHIFTJIS_CHARSET);
    }
    // Neither button is a default button; the glyph is 16 x 15.
    EXPECT_EQ(GetWindowLongW(c.Button1, GWL_STYLE) & BS_TYPEMASK, BS_PUSHBUTTON);
    EXPECT_EQ(GetWindowLongW(c.Button2, GWL_STYLE) & BS_TYPEMASK, BS_PUSHBUTTON);
    BITMAP glyph{};
    ASSERT_TRUE(GetObjectW(reinterpret_cast<HBITMAP>(SendMessageW(c.BitBtn1, BM_GETIMAGE, IMAGE_BITMAP, 0)),
                           sizeof glyph, &glyph));
    EXPECT_EQ(glyph.bmWidth, 16);
    EXPECT_EQ(glyph.bmHeight, 15);

    // Resizing moves nothing.
    SetWindowPos(hwnd, nullptr, 0, 0, 500, 300, SWP_NOMOVE | SWP_NOZORDER);
    const RECT r = RectIn(c.Button2);
    EXPECT_EQ(r.left, 216);
    EXPECT_EQ(r.right, 291);
}

TEST_F(OptionDialog, AnyNonZeroSwitchTicksTheBoxAndOKWritesOne) {
    TMainForm& frame = FrameWithConfig(L"2", L"C:\\Program Files\\mozilla.org");
    Tfrm_Option* dialog = PressF12();
    ASSERT_NE(dialog, nullptr);
    const auto& c = dialog->Controls();
    EXPECT_TRUE(Checked(c.chkMoz));
    EXPECT_EQ(Access::chkMozTag(*dialog), 1);
    EXPECT_TRUE(IsWindowEnabled(c.txtMozPath));
    EXPECT_EQ(Access::TxtMozPathColor(*dialog), COLOR_CAPTIONTEXT);
    // The caption-text colour behind text that stays readable on it.
    const BoxColours colours = ColoursOfPathBox(*dialog);
    EXPECT_EQ(colours.brush, GetSysColorBrush(COLOR_CAPTIONTEXT));
    EXPECT_EQ(colours.background, GetSysColor(COLOR_CAPTIONTEXT));
    EXPECT_GE(std::abs(Luminance(colours.text) - Luminance(colours.background)), 128);
    EXPECT_TRUE(IsWindowEnabled(c.BitBtn1));
    EXPECT_TRUE(frame.IsGeckoItemEnabled());
    EXPECT_EQ(WindowText(c.txtMozPath), L"C:\\Program Files\\mozilla.org");
    Click(c.Button1);
    EXPECT_EQ(ReadConfig(L"Option", L"Mozilla"), L"1");
    EXPECT_EQ(ReadConfig(L"Option", L"MozPath"), L"C:\\Program Files\\mozilla.org");
}

TEST_F(OptionDialog, TickThenCancelEnablesGeckoButWritesNothing) {
    TMainForm& frame = FrameWithConfig(L"0", L"");
    const std::string before = ConfigBytes();
    Tfrm_Option* dialog = PressF12();
    ASSERT_NE(dialog, nullptr);
    EXPECT_FALSE(frame.IsGeckoItemEnabled());
    Click(dialog->Controls().chkMoz);
    EXPECT_EQ(Access::chkMozTag(*dialog), 1);
    EXPECT_TRUE(IsWindowEnabled(dialog->Controls().txtMozPath));
    EXPECT_EQ(Access::TxtMozPathColor(*dialog), COLOR_CAPTIONTEXT);
    EXPECT_TRUE(frame.IsGeckoItemEnabled());
    Click(dialog->Controls().Button2);
    Pump();
    EXPECT_TRUE(Dialogs().empty());
    EXPECT_TRUE(frame.IsGeckoItemEnabled());  // Cancel does not take it back
    EXPECT_TRUE(frame.IsIESelected());        // and the engine stays
    EXPECT_EQ(ConfigBytes(), before);

    // The close box closes it the same way.
    dialog = PressF12();
    ASSERT_NE(dialog, nullptr);
    SendMessageW(dialog->Handle(), WM_CLOSE, 0, 0);
    Pump();
    EXPECT_TRUE(Dialogs().empty());
    EXPECT_EQ(ConfigBytes(), before);
}

TEST_F(OptionDialog, UntickingKeepsThePathWhichOKWritesUnchanged) {
    const std::wstring path = L"D:\\ソフト\\モジラ\\";
    TMainForm& frame = FrameWithConfig(L"1", path);
    Tfrm_Option* dialog = PressF12();
    ASSERT_NE(dialog, nullptr);
    Click(dialog->Controls().chkMoz);
    EXPECT_EQ(Access::chkMozTag(*dialog), 0);
    EXPECT_FALSE(frame.IsGeckoItemEnabled());
    EXPECT_EQ(WindowText(dialog->Controls().txtMozPath), path);
    Click(dialog->Controls().Button1);
    Pump();
    EXPECT_EQ(ReadConfig(L"Option", L"Mozilla"), L"0");
    EXPECT_EQ(ReadConfig(L"Option", L"MozPath"), path);

    dialog = PressF12();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(WindowText(dialog->Controls().txtMozPath), path);
    EXPECT_FALSE(IsWindowEnabled(dialog->Controls().txtMozPath));
    EXPECT_EQ(Access::TxtMozPathColor(*dialog), COLOR_INACTIVEBORDER);
}

TEST_F(OptionDialog, EachF12OpensAnotherAndTheLastOKWins) {
    FrameWithConfig(L"0", L"C:\\old");
    Tfrm_Option* first = PressF12();
    Tfrm_Option* second = PressF12();
    ASSERT_TRUE(first && second);
    EXPECT_NE(first, second);
    EXPECT_TRUE(IsWindowVisible(first->Handle()) && IsWindowVisible(second->Handle()));

    Click(first->Controls().chkMoz);
    SetWindowTextW(first->Controls().txtMozPath, L"C:\\first");
    Click(first->Controls().Button1);
    EXPECT_EQ(ReadConfig(L"Option", L"Mozilla"), L"1");
    // The second still shows the file as it was when it opened.
    EXPECT_FALSE(Checked(second->Controls().chkMoz));
    EXPECT_EQ(WindowText(second->Controls().txtMozPath), L"C:\\old");
    SetWindowTextW(second->Controls().txtMozPath, L"C:\\second");
    Click(second->Controls().Button1);
    Pump();
    EXPECT_EQ(ReadConfig(L"Option", L"Mozilla"), L"0");
    EXPECT_EQ(ReadConfig(L"Option", L"MozPath"), L"C:\\second");
    EXPECT_TRUE(Dialogs().empty());
}

TEST_F(OptionDialog, AFailedWriteKeepsTheDialogOpenAndWritesNeitherKey) {
    FrameWithConfig(L"1", L"C:\\old");
    const std::string before = ConfigBytes();
    Tfrm_Option* dialog = PressF12();
    ASSERT_NE(dialog, nullptr);
    Click(dialog->Controls().chkMoz);
    SetWindowTextW(dialog->Controls().txtMozPath, L"C:\\new");

    // Held open without sharing: nothing can replace it.
    {
        const UniqueHandle lock(CreateFileW(ConfigPath().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(lock);
        Click(dialog->Controls().Button1);
    }
    Pump();
    ASSERT_EQ(errors_.size(), 1u);
    EXPECT_EQ(errors_[0].rfind(ConfigPath() + L" に書き込めません\n", 0), 0u) << testing::PrintToString(errors_[0]);
    ASSERT_EQ(Dialogs().size(), 1u);
    EXPECT_TRUE(IsWindowVisible(dialog->Handle()));
    EXPECT_EQ(ConfigBytes(), before);

    // Once the file can be written, OK goes through.
    Click(dialog->Controls().Button1);
    Pump();
    EXPECT_TRUE(Dialogs().empty());
    EXPECT_EQ(ReadConfig(L"Option", L"MozPath"), L"C:\\new");
    EXPECT_EQ(ReadConfig(L"Option", L"Mozilla"), L"0");
}

TEST_F(OptionDialog, AFolderTheSettingsFileCannotNameIsRefusedAndAJapaneseOneIsSaved) {
    FrameWithConfig(L"1", L"C:\\old");
    const std::string before = ConfigBytes();
    Tfrm_Option* dialog = PressF12();
    ASSERT_NE(dialog, nullptr);
    // Hangul is not in the system's code page: saved, it would read back as "?".
    SetWindowTextW(dialog->Controls().txtMozPath, L"C:\\모질라");
    Click(dialog->Controls().Button1);
    Pump();
    ASSERT_EQ(errors_.size(), 1u);
    EXPECT_NE(errors_[0].find(L"C:\\모질라"), std::wstring::npos) << testing::PrintToString(errors_[0]);
    EXPECT_TRUE(IsWindowVisible(dialog->Handle()));
    EXPECT_EQ(ConfigBytes(), before);

    SetWindowTextW(dialog->Controls().txtMozPath, L"C:\\ソフト\\Ｍｏｚｉｌｌａ");
    Click(dialog->Controls().Button1);
    Pump();
    EXPECT_TRUE(Dialogs().empty());
    EXPECT_EQ(ReadConfig(L"Option", L"MozPath"), L"C:\\ソフト\\Ｍｏｚｉｌｌａ");
    EXPECT_EQ(errors_.size(), 1u);
}

TEST_F(OptionDialog, EnterAndEscapePressNothingAndTabFollowsTheTabOrder) {
    FrameWithConfig(L"1", L"C:\\Mozilla");
    Tfrm_Option* dialog = PressF12();
    ASSERT_NE(dialog, nullptr);
    const auto& c = dialog->Controls();
    const auto press = [](HWND target, WPARAM key) {
        MSG msg{target, WM_KEYDOWN, key, 0, 0, {}};
        if (!IsModelessDialogMessage(msg)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        Pump();
    };
    SetFocus(c.Button1);
    std::vector<HWND> order{GetFocus()};
    for (int i = 0; i < 5; ++i) {
        press(GetFocus(), VK_TAB);
        order.push_back(GetFocus());
    }
    EXPECT_EQ(order, (std::vector<HWND>{c.Button1, c.txtMozPath, c.BitBtn1, c.Button2, c.chkMoz, c.Button1}));

    for (HWND target : {c.txtMozPath, c.Button2}) {
        SetFocus(target);
        press(target, VK_RETURN);
        press(target, VK_ESCAPE);
    }
    EXPECT_TRUE(IsWindowVisible(dialog->Handle()));
    EXPECT_EQ(ReadConfig(L"Option", L"MozPath"), L"C:\\Mozilla");
    EXPECT_EQ(Dialogs().size(), 1u);
}

TEST_F(OptionDialog, BrowseButtonRunsThePickerAtItsDefaults) {
    FrameWithConfig(L"1", L"C:\\typed");
    Tfrm_Option* dialog = PressF12();
    ASSERT_NE(dialog, nullptr);
    auto shell = std::make_shared<FakeShell>();
    shell->appWindow_ = nullptr;   // the frame, found from the dialog
    shell->clientOrigin_.reset();  // the dialog's real client origin
    Access::selectFolder(*dialog).SetShell(shell);
    const HWND hwnd = dialog->Handle();
    const HWND frame = Frame().Handle();
    bool dialogDisabled = false;
    UINT flags = 0;
    shell->user_ = [&](FakeShell& s) -> LPITEMIDLIST {
        dialogDisabled = !IsWindowEnabled(hwnd);
        flags = s.info_->ulFlags;
        s.Notify(BFFM_INITIALIZED);
        return nullptr;
    };
    Click(dialog->Controls().BitBtn1);
    EXPECT_EQ(WindowText(dialog->Controls().txtMozPath), L"C:\\typed");  // cancelled: unchanged
    EXPECT_TRUE(dialogDisabled);
    EXPECT_TRUE(IsWindowEnabled(hwnd));
    EXPECT_TRUE(IsWindowEnabled(frame));
    EXPECT_EQ(flags, static_cast<UINT>(BIF_RETURNONLYFSDIRS));
    EXPECT_EQ(shell->title_, "Mozillaのあるフォルダを選択してください。");
    // Drives selected first, the desktop as root, placed on the dialog.
    POINT origin{0, 0};
    ClientToScreen(hwnd, &origin);
    const std::vector<std::string> expected{
        "special 17 owner window",
        "special 0 owner window",
        "enable window 0",
        "browse",
        "send browser SETSELECTIONA 0 special 17",
        "move browser to " + std::to_string(origin.x) + "," + std::to_string(origin.y) + " size 0,0 flags 5",
        "send browser SETSTATUSTEXTA 0 ''",
        "enable window 1",
        "foreground window"};
    EXPECT_EQ(shell->log_, expected);

    shell->user_ = [](FakeShell& s) {
        s.SetDisplayName("mozilla");
        return s.Folder("chosen", "C:\\Program Files\\mozilla");
    };
    Click(dialog->Controls().BitBtn1);
    EXPECT_EQ(WindowText(dialog->Controls().txtMozPath), L"C:\\Program Files\\mozilla");
    EXPECT_TRUE(shell->AllReleased());
}

TEST_F(OptionDialog, AnErrorAfterThePickerLostItsDialogIsReportedAndTouchesNothingEnded) {
    FrameWithConfig(L"1", L"");
    Tfrm_Option* dialog = PressF12();
    ASSERT_NE(dialog, nullptr);
    auto shell = std::make_shared<FakeShell>();
    shell->appWindow_ = nullptr;
    shell->clientOrigin_.reset();
    Access::selectFolder(*dialog).SetShell(shell);
    const int live = Window::LiveCount();
    const int reachedBefore = Window::ReachedAfterEnd();
    const HWND hwnd = dialog->Handle();
    // The dialog goes while the browser is open (as when its owner
    // closes), and then the shell fails.
    shell->user_ = [hwnd](FakeShell&) -> LPITEMIDLIST {
        DestroyWindow(hwnd);
        throw AppError(L"フォルダを参照できません");
    };
    Click(dialog->Controls().BitBtn1);
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_EQ(Window::LiveCount(), live - 1) << "the dialog's object ended with its window";
    EXPECT_EQ(Window::ReachedAfterEnd(), reachedBefore) << "nothing reached the object after its end";
    EXPECT_EQ(errors_, std::vector<std::wstring>{L"フォルダを参照できません."});
}

TEST_F(OptionDialog, SystemBrowserOpensOnTheDialogWithTheCaption) {
    FrameWithConfig(L"1", L"C:\\typed");
    Tfrm_Option* dialog = PressF12();
    ASSERT_NE(dialog, nullptr);
    BrowserVisit visit;
    visit.answer = IDCANCEL;
    Access::selectFolder(*dialog).SetShell(std::make_shared<RecordingShell>(visit));
    Click(dialog->Controls().BitBtn1);
    ASSERT_NE(visit.browser, nullptr);
    POINT origin{0, 0};
    ClientToScreen(dialog->Handle(), &origin);
    EXPECT_EQ(visit.rect.left, origin.x);
    EXPECT_EQ(visit.rect.top, origin.y);
    EXPECT_FALSE(visit.applicationEnabled);
    EXPECT_NE(std::find(visit.texts.begin(), visit.texts.end(), L"Mozillaのあるフォルダを選択してください。"),
              visit.texts.end());
    EXPECT_EQ(WindowText(dialog->Controls().txtMozPath), L"C:\\typed");
    EXPECT_TRUE(IsWindowEnabled(Frame().Handle()));
    EXPECT_TRUE(errors_.empty());
}

TEST_F(OptionDialog, TheHiddenInstanceAppliesTheSwitchAndMakesNoWindow) {
    TMainForm& frame = FrameWithConfig(L"0", L"");
    frame.SetGeckoItemEnabled(true);
    const std::unique_ptr<Tfrm_Option> hidden = frame.CreateHiddenOptionDialog();
    EXPECT_FALSE(frame.IsGeckoItemEnabled());
    EXPECT_TRUE(Dialogs().empty());
}

}  // namespace
}  // namespace vesko::test
