#pragma once
// Answers the message boxes this thread shows, for tests of code that asks.
#include <windows.h>

#include <cwchar>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "common/Window.h"

namespace vesko::test {

// Answers this thread's message boxes as the user would, in turn, and
// keeps what the first one showed. No box expected: nothing is answered,
// and a box that shows up anyway is still closed, as is any box beyond
// the answers given (with the last of them), so the test cannot hang.
class BoxAnswer {
public:
    explicit BoxAnswer(int button) : BoxAnswer(std::vector<int>{button}) {}
    // `onShown(n)` runs while box n (from 0) is open, before it is answered.
    explicit BoxAnswer(std::vector<int> buttons, std::function<void(int)> onShown = nullptr)
        : buttons_(std::move(buttons)), onShown_(std::move(onShown)) {
        Current() = this;
        timer_ = SetTimer(nullptr, 0, 50, &BoxAnswer::Tick);
    }
    ~BoxAnswer() {
        KillTimer(nullptr, timer_);
        Current() = nullptr;
    }
    BoxAnswer(const BoxAnswer&) = delete;
    BoxAnswer& operator=(const BoxAnswer&) = delete;

    // A file dialog that opens gets this typed into its name box, and OK.
    std::wstring fileName;
    int fileDialogs = 0;

    bool shown = false;
    int count = 0;  // boxes shown
    std::wstring caption, text;
    int defaultButton = 0;

private:
    static BoxAnswer*& Current() {
        static BoxAnswer* current = nullptr;
        return current;
    }
    static BOOL CALLBACK FindBox(HWND hwnd, LPARAM found) {
        wchar_t name[16] = {};
        GetClassNameW(hwnd, name, 16);
        if (wcscmp(name, L"#32770") != 0 || !IsWindowVisible(hwnd)) return TRUE;
        *reinterpret_cast<HWND*>(found) = hwnd;
        return FALSE;
    }
    static BOOL CALLBACK LongestText(HWND child, LPARAM longest) {
        wchar_t name[16] = {};
        GetClassNameW(child, name, 16);
        auto& text = *reinterpret_cast<std::wstring*>(longest);
        const std::wstring here = WindowText(child);
        if (_wcsicmp(name, L"Static") == 0 && here.size() > text.size()) text = here;
        return TRUE;
    }
    void Describe(HWND box) {
        shown = true;
        caption = WindowText(box);
        EnumChildWindows(box, &BoxAnswer::LongestText, reinterpret_cast<LPARAM>(&text));
        // The default button: the one drawn as such, which has the focus.
        const HWND focus = GetFocus();
        if (focus && GetParent(focus) == box && (GetWindowLongW(focus, GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON)
            defaultButton = GetDlgCtrlID(focus);
    }
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
        BoxAnswer* self = Current();
        HWND box = nullptr;
        EnumThreadWindows(GetCurrentThreadId(), &BoxAnswer::FindBox, reinterpret_cast<LPARAM>(&box));
        // A box answered already may not have closed yet.
        if (!self || !box || box == self->answered_) return;
        self->answered_ = box;
        if (self->AnswerFileDialog(box)) return;
        const int n = self->count++;
        if (n == 0) self->Describe(box);
        if (self->onShown_) self->onShown_(n);
        const int button = self->buttons_[std::min(static_cast<size_t>(n), self->buttons_.size() - 1)];
        PostMessageW(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(box, button)));
    }

    // The file name box: a combo box (1148) in the Explorer-style dialog,
    // an edit box (1152) in the older one.
    bool AnswerFileDialog(HWND dialog) {
        HWND name = GetDlgItem(dialog, 1148);
        if (!name) name = GetDlgItem(dialog, 1152);
        if (!name) return false;
        ++fileDialogs;
        SetWindowTextW(name, fileName.c_str());
        PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
        return true;
    }

    std::vector<int> buttons_;
    std::function<void(int)> onShown_;
    HWND answered_ = nullptr;
    UINT_PTR timer_;
};

}  // namespace vesko::test
