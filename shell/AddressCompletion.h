#pragma once
// The suggestions under the address box: up to ten addresses from the
// bookmarks and the history for what is typed. Up and Down move through
// them and put the chosen one in the box, Esc closes the list and gives
// back what was typed, Enter goes as it always does, and a click on a
// suggestion takes it and goes. What is typed is never replaced until the
// user picks a suggestion.
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "history/Completion.h"

namespace vesko {

class AddressCompletion {
public:
    using Suggest = std::function<std::vector<Suggestion>(const std::wstring& typed)>;

    // The list is a popup owned by `frame`, which passes its notifications
    // on (OnListCommand); `go` runs when a click picks a suggestion.
    AddressCompletion(HWND frame, HWND addressBox, Suggest suggest, std::function<void()> go);
    ~AddressCompletion();
    AddressCompletion(const AddressCompletion&) = delete;
    AddressCompletion& operator=(const AddressCompletion&) = delete;

    // From the address box: true when the key was the list's.
    bool OnKeyDown(WPARAM key);
    // After the box took a character or a deletion.
    void OnTextTyped();
    // The box lost the focus to `to`.
    void OnFocusLost(HWND to);
    // A notification of the list; true when it was one.
    bool OnListCommand(HWND from, WORD code);

    HWND List() const { return list_; }
    bool Visible() const { return list_ && IsWindowVisible(list_); }
    void Hide() {
        if (list_) ShowWindow(list_, SW_HIDE);
    }

private:
    void CreateList();
    void Select(int row);
    void Place(int rows);

    HWND frame_;
    HWND box_;
    HWND list_ = nullptr;  // made when first wanted: start-up pays nothing for it
    Suggest suggest_;
    std::function<void()> go_;
    std::wstring typed_;
    std::vector<Suggestion> shown_;
};

}  // namespace vesko
