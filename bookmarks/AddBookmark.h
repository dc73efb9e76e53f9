#pragma once
// Tfrm_AddBookmark: "ブックマークに追加", which adds the page being looked
// at to the bookmark file: its name and address, and the folder it goes in
// (the top level unless the user picks one). OK saves through the same
// path as the editor's OK: atomically, waiting out another program's brief
// hold, and asking before it replaces a file changed since it was read.
#include <windows.h>
#include <commctrl.h>

#include <optional>
#include <string>
#include <vector>

#include "bookmarks/xml/BookmarkEntry.h"
#include "common/AtomicFile.h"
#include "common/Form.h"
#include "common/ModelessDialogs.h"
#include "common/Handles.h"
#include "common/Window.h"

namespace vesko {

class Tfrm_AddBookmark final : public ModelessForm {
public:
    // Shown modeless in front of `owner`; it frees itself when it closes.
    // Raises AppError when the window cannot be made.
    static Tfrm_AddBookmark* Show(const std::wstring& bookmarkPath, HWND owner, const std::wstring& name,
                                  const std::wstring& url);

    void btnOKClick();
    void btnCancelClick() { DestroyWindow(Handle()); }
    // Picks the folder the bookmark goes in: the entry index of a folder
    // in the file as read, or none for the top level.
    void SelectFolder(std::optional<size_t> folder);

    struct ControlHandles {
        HWND txtName, txtURL, treeFolders, btnOK, btnCancel;
    };
    const ControlHandles& Controls() const { return controls_; }

private:
    explicit Tfrm_AddBookmark(std::wstring path) : path_(std::move(path)) {}
    void OnCreate() override;
    LRESULT FormMessage(UINT msg, WPARAM wp, LPARAM lp) override;
    void CreateControls();
    void ReadFile();
    HTREEITEM InsertFolder(HTREEITEM parent, size_t index);
    void FillFolder(HTREEITEM item);
    // The entry index a tree item stands for; kTopLevel for the top.
    LPARAM ItemParam(HTREEITEM item) const;
    bool HasSubfolders(size_t index) const;
    // Where the new bookmark goes in entries_, and its depth.
    std::pair<size_t, size_t> InsertionPoint() const;

    std::wstring path_;
    std::vector<BookmarkEntry> entries_;  // the file as read
    std::optional<FileFingerprint> read_;
    bool readKnown_ = false;
    std::wstring readError_;
    bool unreadable_ = false;
    HTREEITEM top_ = nullptr;
    ControlHandles controls_{};
    UniqueFont font_;
    UniqueImageList pictures_;
};

}  // namespace vesko
