#pragma once
// Base for every window class: a static window procedure that finds the
// C++ object, dispatches to HandleMessage and keeps exceptions from
// unwinding through the system.
#include <windows.h>

#include <string>

namespace vesko {

// A window's whole text (a caption, an edit box's content).
std::wstring WindowText(HWND hwnd);

class Window {
public:
    Window() = default;
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;
    virtual ~Window();

    HWND Handle() const { return hwnd_; }

    // Registers a window class whose procedure is WindowProc. Raises
    // AppError when the class cannot be registered.
    static void RegisterClassOnce(const WNDCLASSEXW& wc);
    // The usual class of this program's windows: WindowProc, the arrow
    // cursor, a system colour as background, and an icon resource (0: none).
    static void RegisterClassOnce(const wchar_t* className, int backgroundColor, int iconId = 0, UINT style = 0);

protected:
    virtual LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp);
    // What unhandled messages go to: DefWindowProc, DefFrameProc, ...
    virtual LRESULT DefaultProc(UINT msg, WPARAM wp, LPARAM lp);
    // Runs after WM_NCDESTROY, when Handle() is already null.
    virtual void OnFinalMessage() {}

    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);

private:
    HWND hwnd_ = nullptr;
};

}  // namespace vesko
