#include "shell/About.h"

#include <algorithm>
#include <string>
#include <vector>

#include "common/Handles.h"
#include "res/resource.h"

namespace vesko {
namespace {

constexpr wchar_t kClassName[] = L"TAboutBox";
constexpr wchar_t kPanelClassName[] = L"TAboutBox.Panel";

constexpr DWORD kStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
constexpr int kClientWidth = 274;
constexpr int kClientHeight = 123;

// The panel's own bevel and the empty frame where an icon would stand are
// drawn, not windows: the label inside the frame must stay visible.
constexpr RECT kBevel1{11, 14, 11 + 48, 14 + 48};

const ControlSpec kPanel1{kPanelClassName, L"", 0, 0, IDC_ABOUT_PANEL1, 8, 8, 257, 73};
const ControlSpec kPanelControls[] = {
    {L"STATIC", L"Vseko", SS_LEFTNOWORDWRAP | SS_NOPREFIX, 0, IDC_ABOUT_PRODUCTNAME, 88, 16, 31, 12},
    {L"STATIC", L"Version：1.0β2", SS_LEFTNOWORDWRAP | SS_NOPREFIX, 0, IDC_ABOUT_VERSION, 88, 40, 77, 12},
    {L"STATIC", L"未定", SS_LEFTNOWORDWRAP | SS_NOPREFIX, 0, IDC_ABOUT_LABEL1, 24, 32, 24, 12},
};
const ControlSpec kOKButton{L"BUTTON", L"OK", WS_TABSTOP | BS_DEFPUSHBUTTON, 0, IDOK, 104, 90, 65, 23};

LRESULT CALLBACK PanelProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg != WM_PAINT) return DefWindowProcW(hwnd, msg, wp, lp);
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    RECT r;
    GetClientRect(hwnd, &r);
    DrawEdge(dc, &r, BDR_SUNKENOUTER, BF_RECT);
    RECT bevel = kBevel1;
    DrawEdge(dc, &bevel, BDR_SUNKENOUTER, BF_RECT);
    EndPaint(hwnd, &ps);
    return 0;
}

struct WindowSearch {
    HWND except;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectEnabled(HWND hwnd, LPARAM data) {
    auto* search = reinterpret_cast<WindowSearch*>(data);
    if (hwnd != search->except && IsWindowVisible(hwnd) && IsWindowEnabled(hwnd)) search->found.push_back(hwnd);
    return TRUE;
}

// The program's windows that take input now, other than `except`.
std::vector<HWND> EnabledThreadWindows(HWND except) {
    WindowSearch search{except, {}};
    EnumThreadWindows(GetCurrentThreadId(), &CollectEnabled, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

}  // namespace

TAboutBox::TAboutBox(HWND owner) : owner_(owner) {}

TAboutBox::~TAboutBox() = default;

namespace {

// Labels size themselves to their text: where the font is wider than the
// one the layout was made with, they grow instead of cutting letters off.
void FitLabelToText(HWND label, HFONT font) {
    const std::wstring text = WindowText(label);
    SIZE extent{};
    {
        const WindowDC dc(label);
        const ScopedSelect select(dc.Get(), font);
        GetTextExtentPoint32W(dc.Get(), text.c_str(), static_cast<int>(text.size()), &extent);
    }
    RECT r;
    GetClientRect(label, &r);
    if (extent.cx > r.right || extent.cy > r.bottom)
        SetWindowPos(label, nullptr, 0, 0, std::max<int>(r.right, extent.cx), std::max<int>(r.bottom, extent.cy),
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace

void TAboutBox::Build() {
    // A hidden top-level window costs an X window under Wine: start-up
    // does not pay for a box that may never be shown.
    RegisterClassOnce(kClassName, COLOR_BTNFACE);
    RegisterClassOnce(kPanelClassName, COLOR_BTNFACE, 0, 0, &PanelProc);
    const SIZE outer = OuterSizeForClient(kClientWidth, kClientHeight, kStyle, WS_EX_DLGMODALFRAME);
    Create(WS_EX_DLGMODALFRAME, kClassName, L"バージョン情報", kStyle, 0, 0, outer.cx, outer.cy, owner_);
    font_ = CreateFormFont();
    controls_.Panel1 = CreateControl(Handle(), kPanel1, font_.get());
    controls_.ProductName = CreateControl(controls_.Panel1, kPanelControls[0], font_.get());
    controls_.Version = CreateControl(controls_.Panel1, kPanelControls[1], font_.get());
    controls_.Label1 = CreateControl(controls_.Panel1, kPanelControls[2], font_.get());
    for (HWND label : {controls_.ProductName, controls_.Version, controls_.Label1}) FitLabelToText(label, font_.get());
    controls_.OKButton = CreateControl(Handle(), kOKButton, font_.get());
    focus_.Remember(controls_.OKButton);
}

const TAboutBox::ControlHandles& TAboutBox::Controls() {
    if (!controls_.Panel1) Build();
    return controls_;
}

int TAboutBox::ShowModal() {
    if (modal_) return 0;
    Controls();
    modal_ = true;
    modalResult_ = 0;

    // Centred on the screen each time it opens.
    RECT r;
    GetWindowRect(Handle(), &r);
    const int width = r.right - r.left;
    const int height = r.bottom - r.top;
    SetWindowPos(Handle(), HWND_TOP, (GetSystemMetrics(SM_CXSCREEN) - width) / 2,
                 (GetSystemMetrics(SM_CYSCREEN) - height) / 2, 0, 0, SWP_NOSIZE);

    const HWND previous = GetActiveWindow();
    const std::vector<HWND> disabled = EnabledThreadWindows(Handle());
    for (HWND hwnd : disabled) EnableWindow(hwnd, FALSE);
    focus_.Remember(controls_.OKButton);
    ShowWindow(Handle(), SW_SHOW);
    SetForegroundWindow(Handle());
    SetFocus(controls_.OKButton);

    MSG msg;
    while (modalResult_ == 0) {
        const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
        if (got == 0) {
            // The program is ending: leave the loop and let the outer one see it.
            PostQuitMessage(static_cast<int>(msg.wParam));
            modalResult_ = IDCANCEL;
            break;
        }
        if (got == -1) {
            modalResult_ = IDCANCEL;
            break;
        }
        if (IsDialogMessageW(Handle(), &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }

    // Give input back before hiding, so that activation returns to the frame.
    for (HWND hwnd : disabled)
        if (IsWindow(hwnd)) EnableWindow(hwnd, TRUE);
    if (Handle()) ShowWindow(Handle(), SW_HIDE);
    if (previous && IsWindow(previous)) SetActiveWindow(previous);
    modal_ = false;
    return modalResult_;
}

void TAboutBox::EndModal(int result) {
    if (modal_)
        modalResult_ = result;
    else
        ShowWindow(Handle(), SW_HIDE);
}

LRESULT TAboutBox::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_COMMAND:
        // OK, or Enter through the default button. Escape arrives as
        // IDCANCEL and does nothing: the box has no cancel button.
        if (LOWORD(wp) == IDOK && HIWORD(wp) == BN_CLICKED) EndModal(IDOK);
        return 0;
    case DM_GETDEFID:
        return MAKELRESULT(IDOK, DC_HASDEFID);
    case WM_CLOSE:
        EndModal(IDCANCEL);
        return 0;
    case WM_ACTIVATE:
        focus_.OnActivate(Handle(), wp);
        return 0;
    case WM_DESTROY:
        // Destroyed with its owner while open: end the modal loop.
        modalResult_ = IDCANCEL;
        return 0;
    default:
        return DefaultProc(msg, wp, lp);
    }
}

}  // namespace vesko
