// The About box, its modal showing from the Help menu, and what the
// program file says about itself.
#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "common/Handles.h"
#include "options/Option.h"
#include "res/resource.h"
#include "shell/About.h"
#include "shell/Application.h"
#include "tests/support/FrameFixture.h"

namespace vesko::test {
namespace {

// Steps run one per timer tick while a modal loop is running; the last
// step must end the loop. A loop that outlives its steps is closed.
class ModalScript {
public:
    explicit ModalScript(std::vector<std::function<void()>> steps) : steps_(std::move(steps)) {
        current_ = this;
        timer_ = SetTimer(nullptr, 0, 100, &ModalScript::Tick);
    }
    ~ModalScript() {
        KillTimer(nullptr, timer_);
        current_ = nullptr;
    }
    bool Finished() const { return next_ == steps_.size(); }
    HWND fallback_ = nullptr;  // closed when the steps have run out

private:
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
        ModalScript* self = current_;
        if (!self) return;
        if (self->next_ < self->steps_.size()) {
            self->steps_[self->next_++]();
        } else if (++self->overtime_ > 20) {
            ADD_FAILURE() << "the modal loop did not end";
            PostMessageW(self->fallback_ ? self->fallback_ : GetActiveWindow(), WM_CLOSE, 0, 0);
        }
    }

    static inline ModalScript* current_ = nullptr;
    std::vector<std::function<void()>> steps_;
    size_t next_ = 0;
    int overtime_ = 0;
    UINT_PTR timer_ = 0;
};

class AboutBox : public FrameTest {
protected:
    TMainForm& QuietFrame() {
        WriteConfig(L"Option", L"Mozilla", L"0");
        return Frame();
    }
};

TEST_F(AboutBox, LayoutAndTexts) {
    TAboutBox box(QuietFrame().Handle());
    const auto& c = box.Controls();
    const HWND hwnd = box.Handle();
    EXPECT_FALSE(IsWindowVisible(hwnd));
    EXPECT_EQ(WindowText(hwnd), L"バージョン情報");
    EXPECT_EQ(GetWindow(hwnd, GW_OWNER), Frame().Handle());
    RECT client;
    GetClientRect(hwnd, &client);
    EXPECT_EQ(client.right, 274);
    EXPECT_EQ(client.bottom, 123);
    const LONG style = GetWindowLongW(hwnd, GWL_STYLE);
    EXPECT_TRUE((style & WS_SYSMENU) && (style & WS_MINIMIZEBOX));
    EXPECT_FALSE(style & (WS_MAXIMIZEBOX | WS_THICKFRAME));

    const struct {
        HWND control;
        HWND parent;
        RECT rect;
        const wchar_t* text;
    } expected[] = {
        {c.Panel1, hwnd, {8, 8, 265, 81}, L""},
        {c.ProductName, c.Panel1, {88, 16, 119, 28}, L"Vseko"},
        {c.Version, c.Panel1, {88, 40, 165, 52}, L"Version：1.0β2"},
        {c.Label1, c.Panel1, {24, 32, 48, 44}, L"未定"},
        {c.OKButton, hwnd, {104, 90, 169, 113}, L"OK"},
    };
    for (const auto& e : expected) {
        const std::string name = testing::PrintToString(std::wstring(e.text));
        EXPECT_EQ(GetParent(e.control), e.parent) << name;
        EXPECT_EQ(WindowText(e.control), e.text);
        const RECT r = RectIn(e.control);
        EXPECT_EQ(r.left, e.rect.left) << name;
        EXPECT_EQ(r.top, e.rect.top) << name;
        wchar_t className[16] = {};
        GetClassNameW(e.control, className, 16);
        if (lstrcmpiW(className, L"Static") != 0) {
            EXPECT_TRUE(EqualRect(&r, &e.rect)) << name;
            continue;
        }
        // A label is at least its designed size and shows its whole text.
        EXPECT_GE(r.right, e.rect.right) << name;
        EXPECT_GE(r.bottom, e.rect.bottom) << name;
        const WindowDC dc(e.control);
        const ScopedSelect font(dc.Get(), reinterpret_cast<HFONT>(SendMessageW(e.control, WM_GETFONT, 0, 0)));
        SIZE extent{};
        GetTextExtentPoint32W(dc.Get(), e.text, lstrlenW(e.text), &extent);
        EXPECT_LE(extent.cx, r.right - r.left) << name;
    }
    EXPECT_EQ(GetWindowLongW(c.OKButton, GWL_STYLE) & BS_TYPEMASK, BS_DEFPUSHBUTTON);
    EXPECT_EQ(GetDlgCtrlID(c.OKButton), IDOK);
}

TEST_F(AboutBox, HelpAboutShowsTheSameBoxModallyEachTime) {
    TMainForm& frame = QuietFrame();
    TAboutBox box(frame.Handle());
    frame.SetAboutBox(&box);
    const HWND ok = box.Controls().OKButton;
    const HWND about = box.Handle();
    Tfrm_Option* options = frame.CreateOptionDialog();  // a modeless dialog is blocked too

    struct Seen {
        bool visible = false, frameEnabled = true, optionsEnabled = true, okFocused = false, centred = false;
        bool openAfterEscape = false;
    } first, second;
    const auto look = [&](Seen& seen) {
        seen.visible = IsWindowVisible(about) != FALSE;
        seen.frameEnabled = IsWindowEnabled(frame.Handle()) != FALSE;
        seen.optionsEnabled = IsWindowEnabled(options->Handle()) != FALSE;
        seen.okFocused = GetFocus() == ok;
        RECT r;
        GetWindowRect(about, &r);
        seen.centred = r.left == (GetSystemMetrics(SM_CXSCREEN) - (r.right - r.left)) / 2 &&
                       r.top == (GetSystemMetrics(SM_CYSCREEN) - (r.bottom - r.top)) / 2;
    };
    {
        // Escape does nothing; Enter presses the default button.
        ModalScript script({[&] { look(first); }, [&] { PostMessageW(ok, WM_KEYDOWN, VK_ESCAPE, 0); },
                            [&] { first.openAfterEscape = IsWindowVisible(about) != FALSE; },
                            [&] { PostMessageW(ok, WM_KEYDOWN, VK_RETURN, 0); }});
        script.fallback_ = about;
        frame.HelpAbout1Execute();
        EXPECT_TRUE(script.Finished());
    }
    EXPECT_FALSE(IsWindowVisible(about));
    EXPECT_TRUE(IsWindowEnabled(frame.Handle()));
    EXPECT_TRUE(IsWindowEnabled(options->Handle()));
    {
        // The close box hides it as well.
        ModalScript script({[&] { look(second); }, [&] { PostMessageW(about, WM_SYSCOMMAND, SC_CLOSE, 0); }});
        script.fallback_ = about;
        SendMessageW(frame.Handle(), WM_COMMAND, IDM_HELP_ABOUT, 0);
        EXPECT_TRUE(script.Finished());
    }
    EXPECT_EQ(box.Handle(), about);
    EXPECT_FALSE(IsWindowVisible(about));
    EXPECT_TRUE(IsWindowEnabled(frame.Handle()));
    for (const Seen* seen : {&first, &second}) {
        EXPECT_TRUE(seen->visible);
        EXPECT_FALSE(seen->frameEnabled);
        EXPECT_FALSE(seen->optionsEnabled);
        EXPECT_TRUE(seen->okFocused);
        EXPECT_TRUE(seen->centred);
    }
    EXPECT_TRUE(first.openAfterEscape);
    EXPECT_TRUE(errors_.empty());
}

TEST_F(AboutBox, ProgramStartCreatesTheHiddenFormsAndHelpAboutUsesTheAboutBox) {
    WriteConfig(L"Option", L"Mozilla", L"0");
    TApplication app;
    MainFormOptions options;
    options.programDir = dir_;
    options.quitOnDestroy = false;
    TMainForm& frame = app.CreateMainForm(options);
    frame.SetGeckoItemEnabled(true);
    app.CreateHiddenForms();
    // The hidden options dialog applied the switch once more.
    EXPECT_FALSE(frame.IsGeckoItemEnabled());
    HWND shown = nullptr;
    {
        ModalScript script({[&] { shown = GetActiveWindow(); },
                            [&] { PostMessageW(shown, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0); }});
        frame.HelpAbout1Execute();
        EXPECT_TRUE(script.Finished());
    }
    wchar_t name[32] = {};
    GetClassNameW(shown, name, 32);
    EXPECT_STREQ(name, L"TAboutBox");
    EXPECT_FALSE(IsWindowVisible(shown));
    EXPECT_TRUE(errors_.empty());
}

std::wstring VersionString(const std::vector<char>& data, const wchar_t* name) {
    void* value = nullptr;
    UINT length = 0;
    const std::wstring key = std::wstring(L"\\StringFileInfo\\041104B0\\") + name;
    if (!VerQueryValueW(data.data(), key.c_str(), &value, &length) || !value) return L"<none>";
    return static_cast<const wchar_t*>(value);
}

TEST(ProgramFile, VersionRecordAndIcons) {
    wchar_t path[MAX_PATH];
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(path, &ignored);
    ASSERT_GT(size, 0u);
    std::vector<char> data(size);
    ASSERT_TRUE(GetFileVersionInfoW(path, 0, size, data.data()));
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(fixed->dwFileVersionMS, 0x00010000u);
    EXPECT_EQ(fixed->dwFileVersionLS, 0u);
    EXPECT_EQ(fixed->dwProductVersionMS, 0x00010000u);
    EXPECT_EQ(VersionString(data, L"FileVersion"), L"1.0.0.0β1");
    EXPECT_EQ(VersionString(data, L"FileDescription"), L"IEとGecko両方のエンジンを搭載したブラウザです。");
    EXPECT_EQ(VersionString(data, L"InternalName"), L"Vesko");
    EXPECT_EQ(VersionString(data, L"ProductName"), L"Vesko");
    EXPECT_EQ(VersionString(data, L"OriginalFilename"), L"Vesko1.0β1");

    for (int id : {IDI_VESKO, IDI_CHILD_IE, IDI_CHILD_MZ}) {
        HICON icon =
            static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id), IMAGE_ICON, 32, 32, 0));
        EXPECT_NE(icon, nullptr) << id;
        if (icon) DestroyIcon(icon);
    }
}

}  // namespace
}  // namespace vesko::test
