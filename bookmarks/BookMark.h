#pragma once
// Tfrm_BMEdit: the bookmark editor, a modeless window holding the whole
// bookmark tree of the file, with a list of URLs parallel to it.
#include <windows.h>
#include <commctrl.h>

#include <memory>
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

class Tfrm_BMEdit final : public ModelessForm {
public:
    // Folder entries of UrlList hold this marker, never written anywhere.
    static constexpr wchar_t kFolderMarker[] = L"フォルダ";

    // Creates the window, hidden, filled from the file at `path`. The
    // window frees itself when it closes.
    static Tfrm_BMEdit* Create(const std::wstring& path, HWND owner);
    // The editor kept hidden from start to end. Nothing can show it, so it
    // neither reads the file nor gets a window: start-up pays for neither.
    static std::unique_ptr<Tfrm_BMEdit> CreateHidden(const std::wstring& path);
    // Shows it modeless; the first time, reports a file that could not be
    // read.
    void Show();
    void SetURLText(const std::wstring& text);
    void SetNameText(const std::wstring& text);

    void btnAddClick();
    void btnMDClick();
    void btnDelClick();
    void btnOKClick();
    void btnCancelClick();

    struct ControlHandles {
        HWND label2, txtName, label1, txtURL, treeView1, btnAdd, btnDel, btnMD, btnOK, btnCancel;
    };
    const ControlHandles& Controls() const { return controls_; }
    // The URL of each node in pre-order (kFolderMarker for a folder): a copy.
    std::vector<std::wstring> UrlList() const;
    HTREEITEM CurrentNode() const { return currentNode_; }
    // The tree as the writer sees it, in pre-order.
    std::vector<BookmarkEntry> Entries() const;

private:
    explicit Tfrm_BMEdit(std::wstring path) : path_(std::move(path)) {}
    void OnCreate() override;
    LRESULT FormMessage(UINT msg, WPARAM wp, LPARAM lp) override;

    void CreateControls();
    void FormCreate();
    void TreeView1Change(HTREEITEM node);
    LRESULT OnTreeNotify(NMHDR* header);

    // Tree helpers.
    bool IsFolder(HTREEITEM node) const;
    std::wstring NodeText(HTREEITEM node) const;
    HTREEITEM InsertNode(HTREEITEM parent, HTREEITEM after, const wchar_t* text, bool folder, bool hasEntries = false);
    bool HasEntries(size_t index) const;
    // Puts a folder's nodes into the control, once.
    void FillFolder(size_t index);
    size_t AbsoluteIndex(HTREEITEM node) const;
    size_t SubtreeSize(HTREEITEM node) const;
    // Puts a new node where Add and Make folder put it; returns it with its
    // absolute index.
    HTREEITEM PlaceNewNode(const std::wstring& text, bool folder, size_t& index);
    // Whether the file is no longer what this editor read or last wrote;
    // `now` receives what it is (none: no file).
    bool ChangedSinceRead(std::optional<FileFingerprint>& now) const;
    // Asks whether to replace a file changed elsewhere; no is the default.
    bool AskOverwrite();

    std::wstring path_;
    ControlHandles controls_{};
    UniqueFont font_;
    UniqueImageList imageList1_;
    // The tree in pre-order. Walking the control costs a message per node,
    // and Wine's tree view looks every item handle up in a list of all
    // items, which would make a walk of the tree quadratic.
    static constexpr size_t kNoUrl = static_cast<size_t>(-1);
    struct Node {
        HTREEITEM item;  // null until its folder is first expanded
        size_t depth;
        bool folder;
        size_t nameAt;  // in text_
        size_t urlAt;   // in text_; kNoUrl for a folder
        bool renamed;   // the control's text is the name
        bool filled;    // a folder whose nodes are in the control
    };
    std::vector<Node> nodes_;
    // The names and URLs as read or added, each ended by a null, in one
    // string (a string each would cost an allocation per entry); those of
    // deleted nodes stay until the editor goes.
    std::wstring text_;
    size_t AddText(const std::wstring& text);
    const wchar_t* Name(const Node& node) const { return text_.c_str() + node.nameAt; }
    const wchar_t* Url(const Node& node) const { return node.urlAt == kNoUrl ? L"" : text_.c_str() + node.urlAt; }
    HTREEITEM currentNode_ = nullptr;
    bool unreadable_ = false;
    // The file as this editor last read or wrote it (none: there was no
    // file). Unknown when it could not be read.
    bool baselineKnown_ = false;
    std::optional<FileFingerprint> baseline_;
    std::wstring readError_;
    bool editingLabel_ = false;
};

}  // namespace vesko
