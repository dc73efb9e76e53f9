#include "bookmarks/BookMark.h"

#include <algorithm>
#include <iterator>
#include <memory>

#include "bookmarks/xml/BookmarkReader.h"
#include "bookmarks/BookmarkFile.h"
#include "common/AtomicFile.h"
#include "common/Files.h"
#include "common/ModelessDialogs.h"
#include "common/Error.h"
#include "common/ErrorReport.h"
#include "common/Form.h"
#include "common/Glyphs.h"
#include "common/Text.h"
#include "res/resource.h"

namespace vesko {
namespace {

constexpr wchar_t kClassName[] = L"Tfrm_BMEdit";
constexpr wchar_t kNewFolderText[] = L"ディレクトリ";
constexpr int kFolderPicture = 0;
constexpr int kPagePicture = 1;

// Drawing off while items go in: the tree view then updates its scroll
// bars once, when drawing comes back, instead of after every insert.
class DrawingSuspended {
public:
    explicit DrawingSuspended(HWND control) : control_(control) { SendMessageW(control_, WM_SETREDRAW, FALSE, 0); }
    ~DrawingSuspended() {
        SendMessageW(control_, WM_SETREDRAW, TRUE, 0);
        InvalidateRect(control_, nullptr, TRUE);
    }
    DrawingSuspended(const DrawingSuspended&) = delete;
    DrawingSuspended& operator=(const DrawingSuspended&) = delete;

private:
    HWND control_;
};

enum ControlId { kTxtName = 101, kTxtURL, kTreeView1, kBtnAdd, kBtnDel, kBtnMD, kBtnOK, kBtnCancel };

// The controls in tab order (labels first: they take no focus).
constexpr DWORD kButton = WS_TABSTOP | BS_PUSHBUTTON;
const ControlSpec kControls[] = {
    {L"STATIC", L"名前：", 0, 0, -1, 16, 8, 30, 12},
    {L"STATIC", L"URL：", 0, 0, -1, 16, 32, 28, 12},
    {L"EDIT", L"txtURL", WS_TABSTOP | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE, kTxtURL, 48, 32, 297, 20},
    {L"BUTTON", L"キャンセル", kButton, 0, kBtnCancel, 355, 224, 89, 25},
    {L"BUTTON", L"追   加", kButton, 0, kBtnAdd, 355, 16, 89, 17},
    {L"BUTTON", L"フォルダの作成", kButton, 0, kBtnMD, 355, 64, 89, 17},
    {WC_TREEVIEWW, L"",
     WS_TABSTOP | TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT | TVS_EDITLABELS | TVS_SHOWSELALWAYS,
     WS_EX_CLIENTEDGE, kTreeView1, 48, 64, 297, 161},
    {L"EDIT", L"txtName", WS_TABSTOP | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE, kTxtName, 48, 8, 153, 20},
    {L"BUTTON", L"O   K", kButton, 0, kBtnOK, 355, 192, 89, 25},
    {L"BUTTON", L"削　  除", kButton, 0, kBtnDel, 355, 40, 89, 17},
};

}  // namespace

Tfrm_BMEdit* Tfrm_BMEdit::Create(const std::wstring& path, HWND owner) {
    RegisterClassOnce(kClassName, COLOR_BTNFACE, IDI_VESKO);
    std::unique_ptr<Tfrm_BMEdit> editor(new Tfrm_BMEdit(path));
    editor->Window::Create(WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT, kClassName, L"ブックマークの編集",
                           WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN, 254, 120, 460, 288, owner);
    return GiveToWindow(std::move(editor));
}

std::unique_ptr<Tfrm_BMEdit> Tfrm_BMEdit::CreateHidden(const std::wstring& path) {
    return std::unique_ptr<Tfrm_BMEdit>(new Tfrm_BMEdit(path));
}

void Tfrm_BMEdit::OnCreate() {
    CreateControls();
    FormCreate();
}

LRESULT Tfrm_BMEdit::FormMessage(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_COMMAND:
        if (HIWORD(wp) == BN_CLICKED) {
            switch (LOWORD(wp)) {
            case kBtnAdd:
                btnAddClick();
                return 0;
            case kBtnDel:
                btnDelClick();
                return 0;
            case kBtnMD:
                btnMDClick();
                return 0;
            case kBtnOK:
                btnOKClick();
                return 0;
            case kBtnCancel:
                btnCancelClick();
                return 0;
            default:
                break;
            }
        }
        return 0;  // Enter and Escape from the dialog keys do nothing here
    case WM_NOTIFY: {
        auto* header = reinterpret_cast<NMHDR*>(lp);
        if (header->idFrom == kTreeView1) return OnTreeNotify(header);
        return 0;
    }
    default:
        return DefaultProc(msg, wp, lp);
    }
}

void Tfrm_BMEdit::CreateControls() {
    HWND self = Handle();
    font_ = CreateFormFont();
    SendMessageW(self, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
    HWND* const handles[] = {&controls_.label2, &controls_.label1, &controls_.txtURL,    &controls_.btnCancel,
                             &controls_.btnAdd, &controls_.btnMD,  &controls_.treeView1, &controls_.txtName,
                             &controls_.btnOK,  &controls_.btnDel};
    static_assert(std::size(handles) == std::size(kControls), "one handle per control");
    for (size_t i = 0; i < std::size(kControls); ++i) *handles[i] = CreateControl(self, kControls[i], font_.get());
    auto& c = controls_;
    SendMessageW(c.txtURL, EM_SETLIMITTEXT, 0, 0);
    SendMessageW(c.txtName, EM_SETLIMITTEXT, 0, 0);

    imageList1_.reset(CreateGlyphImageList(IDB_GLYPHS, {11, 12}));
    TreeView_SetImageList(c.treeView1, imageList1_.get(), TVSIL_NORMAL);
    TreeView_SetIndent(c.treeView1, 19);
}

void Tfrm_BMEdit::FormCreate() {
    const BookmarkDocument file = LoadBookmarkDocument(path_);
    unreadable_ = file.Unreadable();
    readError_ = file.error;
    baselineKnown_ = !file.exists || file.read.has_value();
    baseline_ = file.read;

    // Pre-order: each entry comes before the entries below it and before
    // its next sibling, so list positions equal the nodes' absolute indexes.
    // Growing the lists step by step would copy them over and over.
    nodes_.reserve(file.entriesAtMost);
    // Each name and URL with the null that ends it.
    text_.reserve(file.textUnits + 2 * file.entriesAtMost);
    BookmarkWalk walk(file.Root());
    BookmarkWalk::Step step;
    while (walk.Next(step)) {
        const XmlNode& entry = *step.entry;
        const bool folder = IsFolderEntry(entry);
        const size_t nameAt = text_.size();
        AppendWideText(text_, EntryNameNode(entry));
        text_ += L'\0';
        size_t urlAt = kNoUrl;
        if (!folder) {
            urlAt = text_.size();
            AppendWideText(text_, step.depth == 0 ? BookmarkUrlNodeFromSecondChild(entry) : BookmarkUrlNode(entry));
            text_ += L'\0';
        }
        nodes_.push_back(Node{nullptr, step.depth, folder, nameAt, urlAt, false, false});
    }
    // Only the top level goes into the control now; a folder's nodes follow
    // when it is first expanded. Each insert costs time in proportion to
    // the nodes already there in some tree views.
    const DrawingSuspended quiet(controls_.treeView1);
    for (size_t index = 0; index < nodes_.size(); ++index)
        if (nodes_[index].depth == 0)
            nodes_[index].item =
                InsertNode(TVI_ROOT, TVI_LAST, Name(nodes_[index]), nodes_[index].folder, HasEntries(index));
}

bool Tfrm_BMEdit::HasEntries(size_t index) const {
    return nodes_[index].folder && index + 1 < nodes_.size() && nodes_[index + 1].depth > nodes_[index].depth;
}

void Tfrm_BMEdit::FillFolder(size_t index) {
    if (index >= nodes_.size() || nodes_[index].filled || !nodes_[index].item) return;
    nodes_[index].filled = true;
    if (!HasEntries(index)) return;
    const HTREEITEM parent = nodes_[index].item;
    const size_t depth = nodes_[index].depth;
    const DrawingSuspended quiet(controls_.treeView1);
    for (size_t i = index + 1; i < nodes_.size() && nodes_[i].depth > depth; ++i) {
        Node& node = nodes_[i];
        if (node.depth == depth + 1) node.item = InsertNode(parent, TVI_LAST, Name(node), node.folder, HasEntries(i));
    }
}

void Tfrm_BMEdit::Show() {
    // Typing goes to the address first, as the tab order has it.
    focus_.Remember(controls_.txtURL);
    ShowWindow(Handle(), SW_SHOW);
    SetForegroundWindow(Handle());
    SetFocus(controls_.txtURL);
    if (!readError_.empty()) {
        // Said once; OK will keep the unreadable file as a backup.
        const std::wstring reason = std::move(readError_);
        readError_.clear();
        ShowError(reason);
    }
}

void Tfrm_BMEdit::SetURLText(const std::wstring& text) { SetWindowTextW(controls_.txtURL, text.c_str()); }

void Tfrm_BMEdit::SetNameText(const std::wstring& text) { SetWindowTextW(controls_.txtName, text.c_str()); }

size_t Tfrm_BMEdit::AddText(const std::wstring& text) {
    const size_t at = text_.size();
    text_ += text;
    text_ += L'\0';
    return at;
}

HTREEITEM Tfrm_BMEdit::InsertNode(HTREEITEM parent, HTREEITEM after, const wchar_t* text, bool folder,
                                  bool hasEntries) {
    TVINSERTSTRUCTW insert{};
    insert.hParent = parent;
    insert.hInsertAfter = after;
    insert.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE;
    if (hasEntries) {
        // Its expand button shows before its nodes are made.
        insert.item.mask |= TVIF_CHILDREN;
        insert.item.cChildren = 1;
    }
    insert.item.pszText = const_cast<wchar_t*>(text);
    insert.item.iImage = insert.item.iSelectedImage = folder ? kFolderPicture : kPagePicture;
    const auto node = reinterpret_cast<HTREEITEM>(
        SendMessageW(controls_.treeView1, TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&insert)));
    if (!node) throw AppError(SystemMessage(ERROR_NOT_ENOUGH_MEMORY));
    return node;
}

bool Tfrm_BMEdit::IsFolder(HTREEITEM node) const {
    TVITEMW item{};
    item.mask = TVIF_IMAGE | TVIF_HANDLE;
    item.hItem = node;
    SendMessageW(controls_.treeView1, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item));
    return item.iImage == kFolderPicture;
}

std::wstring Tfrm_BMEdit::NodeText(HTREEITEM node) const {
    for (size_t size = 256;; size *= 4) {
        std::wstring text(size, L'\0');
        TVITEMW item{};
        item.mask = TVIF_TEXT | TVIF_HANDLE;
        item.hItem = node;
        item.pszText = text.data();
        item.cchTextMax = static_cast<int>(size);
        SendMessageW(controls_.treeView1, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item));
        const size_t length = wcsnlen(item.pszText, size);
        if (length + 1 < size || size >= (1u << 24)) return std::wstring(item.pszText, length);
    }
}

size_t Tfrm_BMEdit::AbsoluteIndex(HTREEITEM node) const {
    if (!node) return nodes_.size();  // nodes not yet in the control have none
    size_t index = 0;
    while (index < nodes_.size() && nodes_[index].item != node) ++index;
    return index;
}

size_t Tfrm_BMEdit::SubtreeSize(HTREEITEM node) const {
    // The node itself and the deeper nodes that follow it.
    const size_t index = AbsoluteIndex(node);
    if (index == nodes_.size()) return 0;
    size_t end = index + 1;
    while (end < nodes_.size() && nodes_[end].depth > nodes_[index].depth) ++end;
    return end - index;
}

HTREEITEM Tfrm_BMEdit::PlaceNewNode(const std::wstring& text, bool folder, size_t& index) {
    HWND tree = controls_.treeView1;
    if (!currentNode_) currentNode_ = TreeView_GetRoot(tree);
    if (!currentNode_) {
        // An empty tree: the first entry of the top level.
        index = 0;
        const HTREEITEM node = InsertNode(TVI_ROOT, TVI_FIRST, text.c_str(), folder);
        nodes_.insert(nodes_.begin(), Node{node, 0, folder, AddText(text), kNoUrl, false, true});
        return node;
    }
    const size_t currentIndex = AbsoluteIndex(currentNode_);
    if (!IsFolder(currentNode_)) {
        // Directly before the current bookmark, on its level.
        index = currentIndex;
        HTREEITEM previous = TreeView_GetPrevSibling(tree, currentNode_);
        HTREEITEM parent = TreeView_GetParent(tree, currentNode_);
        const HTREEITEM node =
            InsertNode(parent ? parent : TVI_ROOT, previous ? previous : TVI_FIRST, text.c_str(), folder);
        nodes_.insert(nodes_.begin() + static_cast<std::ptrdiff_t>(index),
                      Node{node, nodes_[currentIndex].depth, folder, AddText(text), kNoUrl, false, true});
        return node;
    }
    // The first entry of the current folder, empty or not, with the
    // folder's other entries already in the control.
    FillFolder(currentIndex);
    index = currentIndex + 1;
    const HTREEITEM node = InsertNode(currentNode_, TVI_FIRST, text.c_str(), folder);
    nodes_.insert(nodes_.begin() + static_cast<std::ptrdiff_t>(index),
                  Node{node, nodes_[currentIndex].depth + 1, folder, AddText(text), kNoUrl, false, true});
    return node;
}

void Tfrm_BMEdit::btnAddClick() {
    const std::wstring name = WindowText(controls_.txtName);
    const std::wstring url = WindowText(controls_.txtURL);

    size_t index = 0;
    PlaceNewNode(name, false, index);
    nodes_[index].urlAt = AddText(url);
}

void Tfrm_BMEdit::btnMDClick() {
    size_t index = 0;
    const HTREEITEM node = PlaceNewNode(kNewFolderText, true, index);
    SetFocus(controls_.treeView1);
    TreeView_EditLabel(controls_.treeView1, node);
}

void Tfrm_BMEdit::btnDelClick() {
    if (!currentNode_) return;
    const size_t index = AbsoluteIndex(currentNode_);
    const size_t count = SubtreeSize(currentNode_);
    nodes_.erase(nodes_.begin() + static_cast<std::ptrdiff_t>(index),
                 nodes_.begin() + static_cast<std::ptrdiff_t>(std::min(index + count, nodes_.size())));
    const HTREEITEM doomed = currentNode_;
    TreeView_DeleteItem(controls_.treeView1, doomed);
    // The tree reports its new selection, if any; never keep a dead node.
    currentNode_ = TreeView_GetSelection(controls_.treeView1);
}

std::vector<std::wstring> Tfrm_BMEdit::UrlList() const {
    std::vector<std::wstring> urls;
    urls.reserve(nodes_.size());
    for (const Node& node : nodes_) urls.emplace_back(node.folder ? kFolderMarker : Url(node));
    return urls;
}

std::vector<BookmarkEntry> Tfrm_BMEdit::Entries() const {
    std::vector<BookmarkEntry> entries;
    entries.reserve(nodes_.size());
    for (const Node& node : nodes_) {
        BookmarkEntry entry;
        entry.depth = node.depth;
        entry.isFolder = node.folder;
        entry.name = node.renamed ? ToU16(NodeText(node.item)) : ToU16(Name(node));
        if (!entry.isFolder) entry.url = ToU16(Url(node));
        entries.push_back(std::move(entry));
    }
    return entries;
}

bool Tfrm_BMEdit::ChangedSinceRead(std::optional<FileFingerprint>& now) const {
    now = CurrentFingerprint(path_);
    return !baselineKnown_ || now != baseline_;
}

bool Tfrm_BMEdit::AskOverwrite() { return AskReplaceChangedFile(Handle(), path_, L"エディタ"); }

void Tfrm_BMEdit::btnOKClick() {
    if (editingLabel_) TreeView_EndEditLabelNow(controls_.treeView1, FALSE);
    // Another editor or program may have saved since this one read the
    // file: never drop its entries without the user's word.
    std::optional<FileFingerprint> now;
    while (ChangedSinceRead(now)) {
        if (!AskOverwrite()) return;
        // The user agreed to replace this version: should the save fail,
        // the next OK asks only if it changes again (as it may have while
        // the question was open).
        baseline_ = now;
        baselineKnown_ = true;
    }
    // A file that could not be read is kept beside the new one.
    baseline_ = FingerprintOf(SaveBookmarkFile(path_, Entries(), unreadable_));
    baselineKnown_ = true;
    unreadable_ = false;
    DestroyWindow(Handle());
}

void Tfrm_BMEdit::btnCancelClick() { DestroyWindow(Handle()); }

void Tfrm_BMEdit::TreeView1Change(HTREEITEM node) { currentNode_ = node; }

LRESULT Tfrm_BMEdit::OnTreeNotify(NMHDR* header) {
    switch (header->code) {
    case TVN_SELCHANGEDW:
        TreeView1Change(reinterpret_cast<NMTREEVIEWW*>(header)->itemNew.hItem);
        return 0;
    case TVN_ITEMEXPANDINGW: {
        const auto* change = reinterpret_cast<NMTREEVIEWW*>(header);
        if (change->action & TVE_EXPAND) FillFolder(AbsoluteIndex(change->itemNew.hItem));
        return FALSE;
    }
    case TVN_DELETEITEMW:
        if (reinterpret_cast<NMTREEVIEWW*>(header)->itemOld.hItem == currentNode_) currentNode_ = nullptr;
        return 0;
    case TVN_BEGINLABELEDITW:
        editingLabel_ = true;
        return FALSE;
    case TVN_ENDLABELEDITW: {
        // Some tree views report the end twice; only the first counts.
        if (!editingLabel_) return FALSE;
        editingLabel_ = false;
        const TVITEMW& item = reinterpret_cast<NMTVDISPINFOW*>(header)->item;
        if (!item.pszText) return FALSE;
        // The control stores the accepted text; OK reads it from there.
        const size_t index = AbsoluteIndex(item.hItem);
        if (index < nodes_.size()) nodes_[index].renamed = true;
        return TRUE;
    }
    default:
        return 0;
    }
}

}  // namespace vesko
