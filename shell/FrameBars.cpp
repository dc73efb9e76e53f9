#include "shell/FrameBars.h"

#include <algorithm>

#include "common/Error.h"
#include "common/Form.h"
#include "common/Glyphs.h"
#include "res/resource.h"

namespace vesko {
namespace {

// Layout in pixels.
constexpr int kCoolBarHeight = 57;
constexpr int kBandHeight = 24;
constexpr int kBottomBarHeight = 19;
constexpr int kBarControlHeight = 17;
constexpr int kAddressControlTop = 2;
constexpr int kAddressControlHeight = 20;
constexpr int kLabel1Width = 44;
constexpr int kAddressWidth = 105;
constexpr int kBtnMoveLeft = 149;
constexpr int kBtnMoveWidth = 41;
constexpr int kAddressMinWidth = 40;  // what a band dragged narrow leaves the address box
constexpr int kStatusWidth = 370;
constexpr int kProgressWidth = 127;
constexpr int kResizedProgressWidth = 130;
constexpr int kNarrowBottomBar = 260;

constexpr int kNavCommands[] = {IDM_NAV_BACK, IDM_NAV_FORWARD, IDM_NAV_STOP, IDM_NAV_RELOAD};  // by NavButton

// A band of the cool bar holding `child`, with a gripper to move and size it.
void AddBand(HWND coolBar, HWND child, UINT id, int minWidth, int width, bool ownRow) {
    REBARBANDINFOW band{};
    band.cbSize = REBARBANDINFOW_V6_SIZE;
    band.fMask = RBBIM_STYLE | RBBIM_CHILD | RBBIM_CHILDSIZE | RBBIM_SIZE | RBBIM_ID;
    band.fStyle = RBBS_GRIPPERALWAYS | RBBS_CHILDEDGE | (ownRow ? RBBS_BREAK : 0);
    band.hwndChild = child;
    band.cxMinChild = static_cast<UINT>(minWidth);
    band.cyMinChild = kBandHeight;
    band.cx = static_cast<UINT>(width);
    band.wID = id;
    // The rebar fails only when it cannot allocate the band.
    if (!SendMessageW(coolBar, RB_INSERTBANDW, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&band)))
        throw AppError(SystemMessage(ERROR_NOT_ENOUGH_MEMORY));
}

int WidthOf(HWND hwnd) {
    RECT r;
    GetWindowRect(hwnd, &r);
    return r.right - r.left;
}

void SetWidth(HWND hwnd, int width) {
    RECT r;
    GetWindowRect(hwnd, &r);
    SetWindowPos(hwnd, nullptr, 0, 0, std::max(0, width), r.bottom - r.top, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace

FrameBars::FrameBars(HWND frame, HFONT font, HFONT labelFont) : frame_(frame) {
    RECT client;
    GetClientRect(frame, &client);
    CreateCoolBar(frame, font, labelFont, client.right);
    CreateBottomBar(frame, font, client);
}

void FrameBars::CreateCoolBar(HWND frame, HFONT font, HFONT labelFont, int width) {
    const ControlSpec coolBar{REBARCLASSNAMEW,
                              L"",
                              WS_CLIPCHILDREN | WS_CLIPSIBLINGS | RBS_VARHEIGHT | RBS_BANDBORDERS | CCS_NODIVIDER |
                                  CCS_NORESIZE | CCS_NOPARENTALIGN,
                              0,
                              IDC_COOLBAR1,
                              0,
                              0,
                              width,
                              kCoolBarHeight};
    coolBar1_ = CreateControl(frame, coolBar, nullptr);

    // Band 1: the navigation tool bar.
    imageList1_.reset(CreateGlyphImageList(IDB_GLYPHS, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}));
    // Grey pictures of our own: those derived from a mask lose the edges.
    disabledImageList1_.reset(
        CreateGlyphImageList(IDB_GLYPHS, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}, GlyphLook::Disabled));
    const DWORD flat = TBSTYLE_FLAT | CCS_NORESIZE | CCS_NOPARENTALIGN | CCS_NODIVIDER;
    const ControlSpec toolBar2{TOOLBARCLASSNAMEW, nullptr, flat, 0, IDC_TOOLBAR2, 0, 0, width, kBandHeight};
    toolBar2_ = CreateControl(coolBar1_, toolBar2, font);
    SendMessageW(toolBar2_, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    SendMessageW(toolBar2_, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(imageList1_.get()));
    SendMessageW(toolBar2_, TB_SETDISABLEDIMAGELIST, 0, reinterpret_cast<LPARAM>(disabledImageList1_.get()));
    TBBUTTON buttons[] = {
        {0, IDM_FILE_NEW, TBSTATE_ENABLED, BTNS_BUTTON, {}, 0, 0},
        {8, 0, 0, BTNS_SEP, {}, 0, 0},
        {1, IDM_NAV_BACK, 0, BTNS_BUTTON, {}, 0, 0},
        {2, IDM_NAV_FORWARD, 0, BTNS_BUTTON, {}, 0, 0},
        {3, IDM_NAV_STOP, 0, BTNS_BUTTON, {}, 0, 0},
        {4, IDM_NAV_RELOAD, 0, BTNS_BUTTON, {}, 0, 0},
    };
    SendMessageW(toolBar2_, TB_ADDBUTTONSW, sizeof buttons / sizeof buttons[0], reinterpret_cast<LPARAM>(buttons));
    RECT last{};
    SendMessageW(toolBar2_, TB_GETITEMRECT, sizeof buttons / sizeof buttons[0] - 1, reinterpret_cast<LPARAM>(&last));
    AddBand(coolBar1_, toolBar2_, IDC_TOOLBAR2, last.right, width, false);

    // Band 2, a row of its own: the address bar.
    CreateAddressBar(frame, font, labelFont, width);
    AddBand(coolBar1_, toolBar3_->Handle(), IDC_TOOLBAR3, kLabel1Width + kBtnMoveWidth + kAddressMinWidth, width, true);
    // The bar keeps its laid-out height over its two rows (the rebar's own
    // rows may differ from it by a pixel or so); when the user puts both
    // bands in one row, it loses the height of a row.
    coolBarMargin_ = kCoolBarHeight - static_cast<int>(SendMessageW(coolBar1_, RB_GETBARHEIGHT, 0, 0));
}

int FrameBars::CoolBarHeight() const {
    return static_cast<int>(SendMessageW(coolBar1_, RB_GETBARHEIGHT, 0, 0)) + coolBarMargin_;
}

void FrameBars::CreateAddressBar(HWND frame, HFONT font, HFONT labelFont, int width) {
    toolBar3_ = std::make_unique<ControlBar>(coolBar1_, frame, RECT{0, 0, width, kBandHeight});
    const HWND bar = toolBar3_->Handle();
    const ControlSpec rows[] = {
        {L"STATIC", L"アドレス", SS_CENTERIMAGE, 0, IDC_LABEL1, 0, kAddressControlTop, kLabel1Width,
         kAddressControlHeight},
        {L"EDIT", L"", WS_TABSTOP | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE, IDC_TXTADDRESS, kLabel1Width, kAddressControlTop,
         kAddressWidth, kAddressControlHeight},
        {L"BUTTON", L"移動", WS_TABSTOP | BS_PUSHBUTTON, 0, IDC_BTNMOVE, kBtnMoveLeft, kAddressControlTop,
         kBtnMoveWidth, kAddressControlHeight},
    };
    label1_ = CreateControl(bar, rows[0], labelFont);
    txtAddress_ = CreateControl(bar, rows[1], font);
    btnMove_ = CreateControl(bar, rows[2], font);
    SendMessageW(txtAddress_, EM_SETLIMITTEXT, 0, 0);  // addresses of any length
    // The band sizes the bar; the address box takes what the button leaves.
    toolBar3_->OnResize = [this](int barWidth) { LayoutAddressBar(barWidth); };
}

void FrameBars::CreateBottomBar(HWND frame, HFONT font, const RECT& client) {
    toolBar1_ = std::make_unique<ControlBar>(frame, frame,
                                             RECT{0, client.bottom - kBottomBarHeight, client.right, client.bottom});
    const HWND bar = toolBar1_->Handle();
    const ControlSpec rows[] = {
        {STATUSCLASSNAMEW, L"", CCS_NOPARENTALIGN | CCS_NORESIZE | CCS_NODIVIDER, 0, IDC_STATUSBAR1, 0, 1, kStatusWidth,
         kBarControlHeight},
        {PROGRESS_CLASSW, L"", PBS_SMOOTH, 0, IDC_PROGRESSBAR1, kStatusWidth, 1, kProgressWidth, kBarControlHeight},
    };
    statusBar1_ = CreateControl(bar, rows[0], font);
    progressBar1_ = CreateControl(bar, rows[1], nullptr);
    int parts[] = {-1};
    SendMessageW(statusBar1_, SB_SETPARTS, 1, reinterpret_cast<LPARAM>(parts));
    SendMessageW(progressBar1_, PBM_SETRANGE32, 0, 100);
    SendMessageW(progressBar1_, PBM_SETPOS, 0, 0);
}

RECT FrameBars::InitialMdiRect() const {
    RECT client;
    GetClientRect(frame_, &client);
    const int top = CoolBarHeight();
    return RECT{0, top, client.right, top + std::max(0, static_cast<int>(client.bottom) - top - kBottomBarHeight)};
}

RECT FrameBars::Layout() const {
    RECT client;
    GetClientRect(frame_, &client);
    const int width = client.right;
    const int coolBarHeight = CoolBarHeight();
    const int bottomTop = std::max(static_cast<int>(client.bottom) - kBottomBarHeight, coolBarHeight);
    SetWindowPos(coolBar1_, nullptr, 0, 0, width, coolBarHeight, SWP_NOZORDER | SWP_NOACTIVATE);
    SetWindowPos(toolBar1_->Handle(), nullptr, 0, bottomTop, width, kBottomBarHeight, SWP_NOZORDER | SWP_NOACTIVATE);
    return RECT{0, coolBarHeight, width, bottomTop};
}

void FrameBars::FormResize() const {
    // The progress bar takes 130 pixels and the status line the rest, but
    // only while the rest is wider than the progress bar: at 260 pixels or
    // less both keep the widths they last had.
    const int bottomBarWidth = WidthOf(toolBar1_->Handle());
    if (bottomBarWidth > kNarrowBottomBar) {
        const int statusWidth = bottomBarWidth - kResizedProgressWidth;
        SetWindowPos(statusBar1_, nullptr, 0, 1, statusWidth, kBarControlHeight, SWP_NOZORDER | SWP_NOACTIVATE);
        SetWindowPos(progressBar1_, nullptr, statusWidth, 1, kResizedProgressWidth, kBarControlHeight,
                     SWP_NOZORDER | SWP_NOACTIVATE);
    }
    // The cool bar sizes ToolBar2 and ToolBar3 to their bands, and the
    // address bar follows its band (LayoutAddressBar).
}

void FrameBars::LayoutAddressBar(int barWidth) const {
    if (!btnMove_) return;
    const int moveWidth = WidthOf(btnMove_);
    SetWindowPos(btnMove_, nullptr, barWidth - moveWidth, kAddressControlTop, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    SetWidth(txtAddress_, barWidth - moveWidth - WidthOf(label1_));
}

void FrameBars::ShowAddress(const std::wstring& text) const { SetWindowTextW(txtAddress_, text.c_str()); }

void FrameBars::ShowStatus(const std::wstring& text) const {
    SendMessageW(statusBar1_, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

void FrameBars::ShowProgress(int value) const {
    SendMessageW(progressBar1_, PBM_SETPOS, static_cast<WPARAM>(std::clamp(value, 0, 100)), 0);
}

void FrameBars::ShowButtons(const NavStates& states) const {
    for (size_t i = 0; i < states.size(); ++i)
        SendMessageW(toolBar2_, TB_ENABLEBUTTON, static_cast<WPARAM>(kNavCommands[i]),
                     MAKELPARAM(states[i] ? TRUE : FALSE, 0));
}

std::wstring FrameBars::AddressText() const { return WindowText(txtAddress_); }

std::wstring FrameBars::StatusText() const {
    const auto length = LOWORD(SendMessageW(statusBar1_, SB_GETTEXTLENGTHW, 0, 0));
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    SendMessageW(statusBar1_, SB_GETTEXTW, 0, reinterpret_cast<LPARAM>(text.data()));
    text.resize(length);
    return text;
}

int FrameBars::Progress() const { return static_cast<int>(SendMessageW(progressBar1_, PBM_GETPOS, 0, 0)); }

bool FrameBars::IsButtonEnabled(NavButton button) const {
    return SendMessageW(toolBar2_, TB_ISBUTTONENABLED, static_cast<WPARAM>(kNavCommands[static_cast<size_t>(button)]),
                        0) != 0;
}

}  // namespace vesko
