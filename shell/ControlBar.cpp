#include "shell/ControlBar.h"

namespace vesko {
namespace {
constexpr wchar_t kClassName[] = L"VeskoControlBar";
}

ControlBar::ControlBar(HWND parent, HWND target, const RECT& bounds, Edge edge) : target_(target), edge_(edge) {
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    RegisterClassOnce(kClassName, COLOR_BTNFACE, 0, CS_HREDRAW | CS_VREDRAW);
    CreateWindowExW(0, kClassName, L"", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS, bounds.left,
                    bounds.top, bounds.right - bounds.left, bounds.bottom - bounds.top, parent, nullptr, instance,
                    this);
}

LRESULT ControlBar::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_COMMAND:
    case WM_NOTIFY:
        return SendMessageW(target_, msg, wp, lp);
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(Handle(), &ps);
        if (edge_ == Edge::Bands) {
            RECT r;
            GetClientRect(Handle(), &r);
            DrawEdge(dc, &r, BDR_RAISEDINNER, BF_RECT);
            if (bandLine_ >= 0) {
                RECT line{r.left, bandLine_, r.right, bandLine_ + 2};
                DrawEdge(dc, &line, EDGE_ETCHED, BF_TOP);
            }
        }
        EndPaint(Handle(), &ps);
        return 0;
    }
    default:
        return DefaultProc(msg, wp, lp);
    }
}

}  // namespace vesko
