#include "common/Window.h"

#include <utility>

#include "common/Error.h"
#include "common/ErrorReport.h"

namespace vesko {

std::wstring WindowText(HWND hwnd) {
    const int length = GetWindowTextLengthW(hwnd);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(hwnd, text.data(), length + 1)));
    return text;
}

namespace {
int liveWindows = 0;
int reachedAfterEnd = 0;
}  // namespace

Window::Window() { ++liveWindows; }

int Window::LiveCount() { return liveWindows; }
int Window::ReachedAfterEnd() { return reachedAfterEnd; }

void Window::CheckNotEnded() const {
#ifndef NDEBUG
    if (mark_ != kAliveMark) ++reachedAfterEnd;
#endif
}

Window::~Window() {
    --liveWindows;
#ifndef NDEBUG
    mark_ = kEndedMark;
#endif
    if (hwnd_) {
        // Detach first so that messages sent during destruction do not
        // reach a half-destroyed object.
        SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
        HWND hwnd = hwnd_;
        hwnd_ = nullptr;
        DestroyWindow(hwnd);
    }
}

Window* Window::Lookup(HWND hwnd) {
    // Only windows of classes run by WindowProc keep an object in their
    // user data; any other window may keep anything there.
    if (!hwnd || reinterpret_cast<WNDPROC>(GetClassLongPtrW(hwnd, GCLP_WNDPROC)) != &Window::WindowProc) return nullptr;
    return reinterpret_cast<Window*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
}

void Window::RegisterClassOnce(const WNDCLASSEXW& wc) {
    WNDCLASSEXW existing{};
    existing.cbSize = sizeof existing;
    if (GetClassInfoExW(wc.hInstance, wc.lpszClassName, &existing)) return;
    if (!RegisterClassExW(&wc)) throw AppError(SystemMessage(GetLastError()));
}

void Window::RegisterClassOnce(const wchar_t* className, int backgroundColor, int iconId, UINT style,
                               WNDPROC procedure) {
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.style = style;
    wc.lpfnWndProc = procedure ? procedure : &Window::WindowProc;
    wc.hInstance = instance;
    wc.hIcon = iconId ? LoadIconW(instance, MAKEINTRESOURCEW(iconId)) : nullptr;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(backgroundColor + 1));
    wc.lpszClassName = className;
    RegisterClassOnce(wc);
}

void Window::Create(DWORD exStyle, const wchar_t* className, const wchar_t* title, DWORD style, int x, int y, int width,
                    int height, HWND parent, HMENU menu) {
    creating_ = true;
    FinishCreation(CreateWindowExW(exStyle, className, title, style, x, y, width, height, parent, menu,
                                   GetModuleHandleW(nullptr), this));
}

void Window::CreateMdiChild(HWND mdiClient, const wchar_t* className, const wchar_t* title) {
    MDICREATESTRUCTW mcs{};
    mcs.szClass = className;
    mcs.szTitle = title;
    mcs.hOwner = GetModuleHandleW(nullptr);
    mcs.x = mcs.y = mcs.cx = mcs.cy = CW_USEDEFAULT;
    mcs.lParam = reinterpret_cast<LPARAM>(this);
    creating_ = true;
    FinishCreation(reinterpret_cast<HWND>(SendMessageW(mdiClient, WM_MDICREATE, 0, reinterpret_cast<LPARAM>(&mcs))));
}

void Window::FinishCreation(HWND created) {
    creating_ = false;
    const std::exception_ptr error = std::exchange(creationError_, nullptr);
    if (created && IsWindow(created) && !error) return;
    const DWORD code = GetLastError();
    // The system takes down a window whose creation failed; should any of
    // it remain, it must not reach this object again.
    if (HWND left = std::exchange(hwnd_, nullptr)) {
        SetWindowLongPtrW(left, GWLP_USERDATA, 0);
        if (IsWindow(left)) DestroyWindow(left);
    }
    if (error) std::rethrow_exception(error);
    throw AppError(WindowCreationMessage(code));
}

void Window::OnFinalMessage() {
    if (ownedByWindow_) delete this;
}

LRESULT Window::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) { return DefaultProc(msg, wp, lp); }

LRESULT Window::DefaultProc(UINT msg, WPARAM wp, LPARAM lp) { return DefWindowProcW(hwnd_, msg, wp, lp); }

LRESULT CALLBACK Window::WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    Window* self = nullptr;
    if (msg == WM_NCCREATE) {
        auto* cs = reinterpret_cast<CREATESTRUCTW*>(lp);
        void* param = cs->lpCreateParams;
        if (cs->dwExStyle & WS_EX_MDICHILD)
            param = reinterpret_cast<void*>(reinterpret_cast<MDICREATESTRUCTW*>(param)->lParam);
        self = static_cast<Window*>(param);
        if (self) {
            self->hwnd_ = hwnd;
            SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        }
    } else {
        self = reinterpret_cast<Window*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    }
    if (!self) return DefWindowProcW(hwnd, msg, wp, lp);

    ++self->depth_;
    const LRESULT result = self->Dispatch(msg, wp, lp);
    self->CheckNotEnded();
    if (msg == WM_NCDESTROY) {
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        self->hwnd_ = nullptr;
        self->finalPending_ = true;
    }
    // The object's end waits for the outermost of its messages.
    if (--self->depth_ == 0 && self->finalPending_) {
        self->finalPending_ = false;
        self->OnFinalMessage();
    }
    return result;
}

LRESULT Window::Dispatch(UINT msg, WPARAM wp, LPARAM lp) {
    try {
        return HandleMessage(msg, wp, lp);
    } catch (...) {
        CheckNotEnded();
        if (creating_ && (msg == WM_NCCREATE || msg == WM_CREATE)) {
            // Failing the creation; Create raises it to its caller.
            creationError_ = std::current_exception();
            return msg == WM_CREATE ? -1 : FALSE;
        }
        ReportCurrentException();
        return 0;
    }
}

}  // namespace vesko
