#pragma once
// Base for every window class: a static window procedure that finds the
// C++ object, dispatches to HandleMessage and keeps exceptions from
// unwinding through the system.
#include <windows.h>

#include <exception>
#include <memory>
#include <string>

namespace vesko {

// A window's whole text (a caption, an edit box's content).
std::wstring WindowText(HWND hwnd);

class Window {
public:
    Window();
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;
    virtual ~Window();

    HWND Handle() const { return hwnd_; }

    // The object behind a window of one of this program's classes, or null
    // for any other window. FromHandle<T> below is the typed form.
    static Window* Lookup(HWND hwnd);

    // Registers a window class whose procedure is WindowProc. Raises
    // AppError when the class cannot be registered.
    static void RegisterClassOnce(const WNDCLASSEXW& wc);
    // The usual class of this program's windows: WindowProc, the arrow
    // cursor, a system colour as background, and an icon resource (0: none).
    static void RegisterClassOnce(const wchar_t* className, int backgroundColor, int iconId = 0, UINT style = 0,
                                  WNDPROC procedure = nullptr);

protected:
    // Creates this object's window. An exception raised while the window
    // handles WM_NCCREATE or WM_CREATE comes out of here, once the system
    // has taken the window down; any other failure raises AppError with
    // WindowCreationMessage's text. Either way no window is left.
    void Create(DWORD exStyle, const wchar_t* className, const wchar_t* title, DWORD style, int x, int y, int width,
                int height, HWND parent, HMENU menu = nullptr);
    // The same for an MDI child of `mdiClient`, at the default place.
    void CreateMdiChild(HWND mdiClient, const wchar_t* className, const wchar_t* title);

    // For windows that free themselves: from now on the window owns the
    // object and deletes it after its last message. Call only once creation
    // has succeeded, so that a failed one leaves the object to its maker.
    template <class T>
    static T* GiveToWindow(std::unique_ptr<T> object) {
        static_cast<Window&>(*object).ownedByWindow_ = true;
        return object.release();
    }

    virtual LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp);
    // What unhandled messages go to: DefWindowProc, DefFrameProc, ...
    virtual LRESULT DefaultProc(UINT msg, WPARAM wp, LPARAM lp);
    // The window's end: runs once WM_NCDESTROY has come and the outermost
    // message the object is handling has returned, so that a handler that
    // destroys its own window (directly, or by closing its owner from a
    // modal loop it started) never returns into a freed object. Handle()
    // is null by then. Deletes an object given to its window; nothing may
    // touch the object after it.
    virtual void OnFinalMessage();

    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);

public:
    // For tests: window objects alive now, and how often an ended one was
    // reached again (debug builds mark an object ended in its destructor
    // and look at the mark wherever the window procedure still holds it).
    static int LiveCount();
    static int ReachedAfterEnd();

private:
    void FinishCreation(HWND created);
    LRESULT Dispatch(UINT msg, WPARAM wp, LPARAM lp);
    void CheckNotEnded() const;

    static constexpr unsigned kAliveMark = 0x57696E64u;
    static constexpr unsigned kEndedMark = 0xDEADDEADu;

    HWND hwnd_ = nullptr;
    bool ownedByWindow_ = false;
    bool creating_ = false;
    int depth_ = 0;             // messages of this window on the stack
    bool finalPending_ = false; // WM_NCDESTROY came while depth_ > 1
    unsigned mark_ = kAliveMark;
    std::exception_ptr creationError_;  // raised in WM_NCCREATE/WM_CREATE
};

// The object of type T behind `hwnd`, or null when there is none.
template <class T>
T* FromHandle(HWND hwnd) {
    return dynamic_cast<T*>(Window::Lookup(hwnd));
}

}  // namespace vesko
