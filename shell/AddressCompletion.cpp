#include "shell/AddressCompletion.h"

#include <algorithm>

#include "common/Error.h"
#include "common/Window.h"

namespace vesko {
namespace {

constexpr int kMostRows = 10;

std::wstring Wide(const std::u16string& text) { return std::wstring(text.begin(), text.end()); }

}  // namespace

AddressCompletion::AddressCompletion(HWND frame, HWND addressBox, Suggest suggest, std::function<void()> go)
    : frame_(frame), box_(addressBox), suggest_(std::move(suggest)), go_(std::move(go)) {}

void AddressCompletion::CreateList() {
    // A popup that never takes the activation: typing stays in the box.
    list_ = CreateWindowExW(WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE | WS_EX_TOPMOST, L"LISTBOX", nullptr,
                            WS_POPUP | WS_BORDER | WS_VSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT, 0, 0, 0, 0, frame_,
                            nullptr, GetModuleHandleW(nullptr), nullptr);
    if (!list_) throw AppError(WindowCreationMessage(GetLastError()));
    SendMessageW(list_, WM_SETFONT, SendMessageW(box_, WM_GETFONT, 0, 0), FALSE);
}

AddressCompletion::~AddressCompletion() {
    if (list_ && IsWindow(list_)) DestroyWindow(list_);
}

void AddressCompletion::OnTextTyped() {
    typed_ = WindowText(box_);
    shown_ = typed_.empty() ? std::vector<Suggestion>() : suggest_(typed_);
    if (shown_.empty()) {
        Hide();
        return;
    }
    if (!list_) CreateList();
    SendMessageW(list_, LB_RESETCONTENT, 0, 0);
    for (const Suggestion& s : shown_) {
        std::wstring row = Wide(s.address);
        if (!s.title.empty()) row += L"  " + Wide(s.title);
        SendMessageW(list_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(row.c_str()));
    }
    Place(static_cast<int>(std::min<size_t>(shown_.size(), kMostRows)));
}

void AddressCompletion::Place(int rows) {
    RECT box;
    GetWindowRect(box_, &box);
    const int rowHeight = static_cast<int>(SendMessageW(list_, LB_GETITEMHEIGHT, 0, 0));
    SetWindowPos(list_, HWND_TOPMOST, box.left, box.bottom, box.right - box.left, rows * rowHeight + 2,
                 SWP_NOACTIVATE | SWP_SHOWWINDOW);
}

void AddressCompletion::Select(int row) {
    SendMessageW(list_, LB_SETCURSEL, static_cast<WPARAM>(row), 0);
    const std::wstring text = row < 0 ? typed_ : Wide(shown_[static_cast<size_t>(row)].address);
    SetWindowTextW(box_, text.c_str());
    SendMessageW(box_, EM_SETSEL, text.size(), static_cast<LPARAM>(text.size()));
}

bool AddressCompletion::OnKeyDown(WPARAM key) {
    if (!Visible()) return false;
    const int count = static_cast<int>(shown_.size());
    const int row = static_cast<int>(SendMessageW(list_, LB_GETCURSEL, 0, 0));  // LB_ERR (-1): none
    switch (key) {
    case VK_DOWN:
        Select(std::min(row + 1, count - 1));
        return true;
    case VK_UP:
        Select(row <= 0 ? -1 : row - 1);  // above the first: what was typed
        return true;
    case VK_ESCAPE:
        Select(-1);
        Hide();
        return true;
    case VK_RETURN:
        Hide();  // and the box goes as it always does
        return false;
    default:
        return false;
    }
}

void AddressCompletion::OnFocusLost(HWND to) {
    if (to != list_) Hide();
}

bool AddressCompletion::OnListCommand(HWND from, WORD code) {
    if (!list_ || from != list_) return false;
    if (code == LBN_SELCHANGE) {
        const int row = static_cast<int>(SendMessageW(list_, LB_GETCURSEL, 0, 0));
        if (row >= 0 && row < static_cast<int>(shown_.size())) {
            Select(row);
            Hide();
            SetFocus(box_);
            if (go_) go_();
        }
    }
    return true;
}

}  // namespace vesko
