#pragma once
// Pieces shared by the program's dialogs: their font, their controls laid
// out from one table, and the control that keeps the keyboard focus while
// the window is inactive.
#include <windows.h>

#include "common/Handles.h"

namespace vesko {

// "ＭＳ Ｐゴシック", 12 pixels high unless said otherwise, Shift-JIS
// character set: the font of all of the program's windows.
UniqueFont CreateFormFont(int pixelHeight = 12);

// One row of a window's control table. Positions are in pixels inside the
// parent's client area; controls are created in table order, which is
// also their Tab order.
struct ControlSpec {
    const wchar_t* className;
    const wchar_t* text;
    DWORD style;  // WS_CHILD and WS_VISIBLE are added
    DWORD exStyle;
    int id;
    int left, top, width, height;
};

// Creates the control with the font; raises AppError when it cannot.
HWND CreateControl(HWND parent, const ControlSpec& row, HFONT font);

// Outer window size for a client area of the given size.
SIZE OuterSizeForClient(int clientWidth, int clientHeight, DWORD style, DWORD exStyle);

// What a dialog manager does for a dialog made of a plain window: remember
// the focused control on deactivation and give the focus back on return.
class FocusKeeper {
public:
    // Call from WM_ACTIVATE.
    void OnActivate(HWND window, WPARAM wp);
    void Remember(HWND control) { focus_ = control; }
    // Shows `window` modeless, in front, with the keyboard in `control`.
    void ShowWith(HWND window, HWND control);

private:
    HWND focus_ = nullptr;
};

}  // namespace vesko
