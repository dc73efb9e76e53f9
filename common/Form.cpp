#include "common/Form.h"

#include "common/Error.h"

namespace vesko {

UniqueFont CreateFormFont(int pixelHeight) {
    return UniqueFont(CreateFontW(-pixelHeight, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET,
                                  OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE,
                                  L"ＭＳ Ｐゴシック"));
}

HWND CreateControl(HWND parent, const ControlSpec& row, HFONT font) {
    const HWND control = CreateWindowExW(
        row.exStyle, row.className, row.text, WS_CHILD | WS_VISIBLE | row.style, row.left, row.top, row.width,
        row.height, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(row.id)), GetModuleHandleW(nullptr), nullptr);
    if (!control) throw AppError(WindowCreationMessage(GetLastError()));
    if (font) SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    return control;
}

SIZE OuterSizeForClient(int clientWidth, int clientHeight, DWORD style, DWORD exStyle) {
    RECT r{0, 0, clientWidth, clientHeight};
    AdjustWindowRectEx(&r, style, FALSE, exStyle);
    return SIZE{r.right - r.left, r.bottom - r.top};
}

void FocusKeeper::ShowWith(HWND window, HWND control) {
    focus_ = control;
    ShowWindow(window, SW_SHOW);
    SetForegroundWindow(window);
    SetFocus(control);
}

void FocusKeeper::OnActivate(HWND window, WPARAM wp) {
    if (LOWORD(wp) == WA_INACTIVE) {
        const HWND focus = GetFocus();
        if (focus && IsChild(window, focus)) focus_ = focus;
    } else if (focus_ && IsWindow(focus_) && IsChild(window, focus_) && IsWindowEnabled(focus_)) {
        SetFocus(focus_);
    } else if (const HWND first = GetNextDlgTabItem(window, nullptr, FALSE)) {
        SetFocus(first);
    }
}

}  // namespace vesko
