#include "bookmarks/AddBookmark.h"

#include <iterator>
#include <memory>

#include "bookmarks/BookmarkFile.h"
#include "bookmarks/xml/BookmarkReader.h"
#include "common/Error.h"
#include "common/ErrorReport.h"
#include "common/Glyphs.h"
#include "common/ModelessDialogs.h"
#include "common/Text.h"
#include "res/resource.h"

namespace vesko {
namespace {

constexpr wchar_t kClassName[] = L"Tfrm_AddBookmark";
constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr int kClientWidth = 360;
constexpr int kClientHeight = 300;
constexpr int kTxtName = 101;
constexpr int kTxtURL = 102;
constexpr int kTreeFolders = 103;
constexpr LPARAM kTopLevel = -1;  // the tree item that stands for the top level

const ControlSpec kControls[] = {
    {L"STATIC", L"名前", SS_LEFT, 0, 0, 8, 12, 48, 16},
    {L"EDIT", L"", WS_TABSTOP | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE, kTxtName, 60, 8, 292, 22},
    {L"STATIC", L"URL", SS_LEFT, 0, 0, 8, 40, 48, 16},
    {L"EDIT", L"", WS_TABSTOP | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE, kTxtURL, 60, 36, 292, 22},
    {WC_TREEVIEWW, L"",
     WS_TABSTOP | TVS_HASLINES | TVS_LINESATROOT | TVS_HASBUTTONS | TVS_SHOWSELALWAYS | TVS_DISABLEDRAGDROP,
     WS_EX_CLIENTEDGE, kTreeFolders, 8, 66, 344, 192},
    {L"BUTTON", L"OK", WS_TABSTOP | BS_DEFPUSHBUTTON, 0, IDOK, 196, 267, 75, 25},
    {L"BUTTON", L"キャンセル", WS_TABSTOP | BS_PUSHBUTTON, 0, IDCANCEL, 277, 267, 75, 25},
};

}  // namespace

Tfrm_AddBookmark* Tfrm_AddBookmark::Show(const std::wstring& bookmarkPath, HWND owner, const std::wstring& name,
                                         const std::wstring& url) {
    const INITCOMMONCONTROLSEX icc{sizeof icc, ICC_TREEVIEW_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&icc);
    RegisterClassOnce(kClassName, COLOR_BTNFACE, IDI_VESKO);
    std::unique_ptr<Tfrm_AddBookmark> form(new Tfrm_AddBookmark(bookmarkPath));
    const SIZE outer = OuterSizeForClient(kClientWidth, kClientHeight, kStyle, 0);
    form->Window::Create(0, kClassName, L"ブックマークに追加", kStyle, CW_USEDEFAULT, CW_USEDEFAULT, outer.cx, outer.cy,
                         owner);
    Tfrm_AddBookmark* self = GiveToWindow(std::move(form));
    SetWindowTextW(self->controls_.txtName, name.c_str());
    SetWindowTextW(self->controls_.txtURL, url.c_str());
    SendMessageW(self->controls_.txtName, EM_SETSEL, 0, -1);
    self->focus_.ShowWith(self->Handle(), self->controls_.txtName);
    if (!self->readError_.empty()) {
        // Said once; OK keeps the unreadable file beside the new one.
        const std::wstring reason = std::move(self->readError_);
        self->readError_.clear();
        ShowError(reason);
    }
    return self;
}

void Tfrm_AddBookmark::ReadFile() {
    const BookmarkDocument file = LoadBookmarkDocument(path_);
    entries_ = ReadBookmarkEntries(file.Root());
    read_ = file.read;
    readKnown_ = !file.exists || file.read.has_value();
    readError_ = file.error;
    unreadable_ = file.Unreadable();
}

void Tfrm_AddBookmark::CreateControls() {
    font_ = CreateFormFont();
    HWND* const handles[] = {nullptr,
                             &controls_.txtName,
                             nullptr,
                             &controls_.txtURL,
                             &controls_.treeFolders,
                             &controls_.btnOK,
                             &controls_.btnCancel};
    for (size_t i = 0; i < std::size(kControls); ++i) {
        HWND control = CreateControl(Handle(), kControls[i], font_.get());
        if (handles[i]) *handles[i] = control;
    }
    pictures_.reset(CreateGlyphImageList(IDB_GLYPHS, {11}));
    TreeView_SetImageList(controls_.treeFolders, pictures_.get(), TVSIL_NORMAL);

    ReadFile();
    TVINSERTSTRUCTW insert{};
    insert.hParent = TVI_ROOT;
    insert.hInsertAfter = TVI_LAST;
    insert.item.mask = TVIF_TEXT | TVIF_PARAM | TVIF_IMAGE | TVIF_SELECTEDIMAGE;
    insert.item.pszText = const_cast<wchar_t*>(L"ブックマーク");
    insert.item.lParam = kTopLevel;
    top_ = TreeView_InsertItem(controls_.treeFolders, &insert);
    if (!top_) throw AppError(SystemMessage(ERROR_NOT_ENOUGH_MEMORY));
    for (size_t i = 0; i < entries_.size(); ++i)
        if (entries_[i].depth == 0 && entries_[i].isFolder) InsertFolder(top_, i);
    TreeView_Expand(controls_.treeFolders, top_, TVE_EXPAND);
    TreeView_SelectItem(controls_.treeFolders, top_);
}

bool Tfrm_AddBookmark::HasSubfolders(size_t index) const {
    for (size_t i = index + 1; i < entries_.size() && entries_[i].depth > entries_[index].depth; ++i)
        if (entries_[i].isFolder) return true;
    return false;
}

// A folder's subfolders are made when it first opens: a large file's tree
// costs nothing until the user looks into it.
HTREEITEM Tfrm_AddBookmark::InsertFolder(HTREEITEM parent, size_t index) {
    TVINSERTSTRUCTW insert{};
    insert.hParent = parent;
    insert.hInsertAfter = TVI_LAST;
    insert.item.mask = TVIF_TEXT | TVIF_PARAM | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_CHILDREN;
    const std::wstring name = ToWide(entries_[index].name);
    insert.item.pszText = const_cast<wchar_t*>(name.c_str());
    insert.item.lParam = static_cast<LPARAM>(index);
    insert.item.cChildren = HasSubfolders(index) ? 1 : 0;
    const HTREEITEM item = TreeView_InsertItem(controls_.treeFolders, &insert);
    if (!item) throw AppError(SystemMessage(ERROR_NOT_ENOUGH_MEMORY));
    return item;
}

LPARAM Tfrm_AddBookmark::ItemParam(HTREEITEM item) const {
    TVITEMW info{};
    info.mask = TVIF_PARAM | TVIF_HANDLE;
    info.hItem = item;
    return item && TreeView_GetItem(controls_.treeFolders, &info) ? info.lParam : kTopLevel;
}

void Tfrm_AddBookmark::FillFolder(HTREEITEM item) {
    const LPARAM param = ItemParam(item);
    if (param == kTopLevel || TreeView_GetChild(controls_.treeFolders, item)) return;  // filled already
    const size_t index = static_cast<size_t>(param);
    for (size_t i = index + 1; i < entries_.size() && entries_[i].depth > entries_[index].depth; ++i)
        if (entries_[i].isFolder && entries_[i].depth == entries_[index].depth + 1) InsertFolder(item, i);
}

void Tfrm_AddBookmark::SelectFolder(std::optional<size_t> folder) {
    if (!folder) {
        TreeView_SelectItem(controls_.treeFolders, top_);
        return;
    }
    // Open the folders on the way, then find the item among its siblings.
    std::vector<size_t> path{*folder};
    for (size_t i = *folder; entries_[i].depth > 0;) {
        do --i;
        while (entries_[i].depth >= entries_[path.back()].depth);
        path.push_back(i);
    }
    HTREEITEM item = top_;
    for (auto it = path.rbegin(); it != path.rend() && item; ++it) {
        TreeView_Expand(controls_.treeFolders, item, TVE_EXPAND);
        HTREEITEM child = TreeView_GetChild(controls_.treeFolders, item);
        for (; child; child = TreeView_GetNextSibling(controls_.treeFolders, child)) {
            if (ItemParam(child) == static_cast<LPARAM>(*it)) break;
        }
        item = child;
    }
    if (item) TreeView_SelectItem(controls_.treeFolders, item);
}

std::pair<size_t, size_t> Tfrm_AddBookmark::InsertionPoint() const {
    const LPARAM param = ItemParam(TreeView_GetSelection(controls_.treeFolders));
    if (param == kTopLevel) return {entries_.size(), 0};
    const size_t folder = static_cast<size_t>(param);
    size_t end = folder + 1;
    while (end < entries_.size() && entries_[end].depth > entries_[folder].depth) ++end;
    return {end, entries_[folder].depth + 1};
}

void Tfrm_AddBookmark::btnOKClick() {
    // Another window or program may have saved since this one read the
    // file: never drop its entries without the user's word.
    for (;;) {
        const std::optional<FileFingerprint> now = CurrentFingerprint(path_);
        if (readKnown_ && now == read_) break;
        if (!AskReplaceChangedFile(Handle(), path_, L"ダイアログ")) return;
        read_ = now;
        readKnown_ = true;
    }
    const auto [at, depth] = InsertionPoint();
    std::vector<BookmarkEntry> entries = entries_;
    entries.insert(entries.begin() + static_cast<std::ptrdiff_t>(at),
                   BookmarkEntry{depth, false, ToU16(WindowText(controls_.txtName)), ToU16(WindowText(controls_.txtURL))});
    // A file that could not be read is kept beside the new one.
    read_ = FingerprintOf(SaveBookmarkFile(path_, entries, unreadable_));
    unreadable_ = false;
    entries_ = std::move(entries);
    DestroyWindow(Handle());
}

void Tfrm_AddBookmark::OnCreate() {
    CreateControls();
}

LRESULT Tfrm_AddBookmark::FormMessage(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_COMMAND:
        if (LOWORD(wp) == IDOK) btnOKClick();
        if (LOWORD(wp) == IDCANCEL) btnCancelClick();
        return 0;
    case WM_NOTIFY: {
        const auto& header = *reinterpret_cast<const NMHDR*>(lp);
        if (header.idFrom == kTreeFolders && header.code == TVN_ITEMEXPANDINGW) {
            const auto& change = reinterpret_cast<const NMTREEVIEWW&>(header);
            if (change.action & TVE_EXPAND) FillFolder(change.itemNew.hItem);
        }
        return 0;
    }
    default:
        return DefaultProc(msg, wp, lp);
    }
}

}  // namespace vesko
