#include "shell/ControlBar.h"

namespace vesko {
namespace {
constexpr wchar_t kClassName[] = L"VeskoControlBar";
}

ControlBar::ControlBar(HWND parent, HWND target, const RECT& bounds) : target_(target) {
    RegisterClassOnce(kClassName, COLOR_BTNFACE, 0, CS_HREDRAW | CS_VREDRAW);
    Create(0, kClassName, L"", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS, bounds.left, bounds.top,
           bounds.right - bounds.left, bounds.bottom - bounds.top, parent);
}

LRESULT ControlBar::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_COMMAND:
    case WM_NOTIFY:
        return SendMessageW(target_, msg, wp, lp);
    case WM_SIZE:
        if (OnResize) OnResize(LOWORD(lp));
        return 0;
    default:
        return DefaultProc(msg, wp, lp);
    }
}

}  // namespace vesko
