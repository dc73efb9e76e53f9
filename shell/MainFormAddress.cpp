// The frame's address bar: what Enter and the button do, and the
// suggestions as the user types.
#include "bookmarks/BookmarkFile.h"
#include "bookmarks/xml/BookmarkReader.h"
#include "browser/BrowserChild.h"
#include "common/ErrorReport.h"
#include "shell/MainForm.h"

namespace vesko {

void TMainForm::btnMoveClick() {
    const std::wstring address = AddressText();
    if (model_.Children().empty()) {
        OpenPage(std::wstring(), address);
        return;
    }
    if (BrowserChild* child = ActiveChild()) {
        // The user goes somewhere anew: the site rules have their say first.
        model_.EndChain(child->Id());
        if (!BeforeNavigate(child->Id(), address)) child->Navigate(address);
    }
}

void TMainForm::txtAddressKeyDown(WPARAM key) {
    if (key == VK_RETURN) btnMoveClick();
}

LRESULT CALLBACK TMainForm::AddressProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR data) {
    // Enter with Alt held arrives as a system key; the rule is the same.
    auto* self = reinterpret_cast<TMainForm*>(data);
    if (msg == WM_KEYDOWN || msg == WM_SYSKEYDOWN) {
        try {
            if (self->completion_ && self->completion_->OnKeyDown(wp)) return 0;
            self->txtAddressKeyDown(wp);
        } catch (...) {
            ReportCurrentException();
        }
    } else if (msg == WM_KILLFOCUS && self->completion_) {
        self->completion_->OnFocusLost(reinterpret_cast<HWND>(wp));
    } else if ((msg == WM_CHAR || msg == WM_SYSCHAR) && (wp == L'\r' || wp == L'\n')) {
        return 0;  // Enter has done its work; spare the beep.
    } else if (msg == WM_NCDESTROY) {
        RemoveWindowSubclass(hwnd, &TMainForm::AddressProc, 1);
    }
    const LRESULT result = DefSubclassProc(hwnd, msg, wp, lp);
    // What the user typed or deleted, not what the frame shows there.
    const bool typed = (msg == WM_CHAR && wp != L'\r' && wp != L'\n' && wp != VK_ESCAPE) ||
                       (msg == WM_KEYDOWN && wp == VK_DELETE);
    if (typed && self->completion_) {
        try {
            self->completion_->OnTextTyped();
        } catch (...) {
            ReportCurrentException();
        }
    }
    return result;
}

std::vector<Suggestion> TMainForm::Suggest(const std::wstring& typed) {
    // The bookmarks as the file was when first wanted, or when this program
    // last saved it; a missing or unreadable file suggests none (the editor
    // says why).
    if (!suggestBookmarks_ || suggestBookmarksSaves_ != BookmarkSaveCount()) {
        suggestBookmarksSaves_ = BookmarkSaveCount();
        const BookmarkDocument file = LoadBookmarkDocument(BookmarkPath());
        suggestBookmarks_ = file.Root() ? ReadBookmarkEntries(file.Root()) : std::vector<BookmarkEntry>();
    }
    return SuggestAddresses(std::u16string(typed.begin(), typed.end()), *suggestBookmarks_, history_->Store());
}

}  // namespace vesko
