// Bookmarks at scale on generated files of 1,000, 10,000 and 100,000
// entries, each step beside a baseline of the raw work it cannot avoid:
//   read   LoadBookmarkDocument        vs  reading the file's bytes
//   open   the Bookmarks menu's first  vs  the same top-level items made
//          opening (OnInitMenuPopup,       from memory
//          once the frame is idle; and
//          straight after Defer)
//   every  each submenu opened once    vs  all the menus made from memory
//          after that
//   fill   Tfrm_BMEdit::Create         vs  the same tree view filled from memory
//   save   Tfrm_BMEdit::btnOKClick     vs  writing the same bytes and destroying
//                                          the raw tree view
//   add, delete (near the top)         vs  inserting and deleting one raw node
// Usage: bench_bookmarks [--runs N]
#include <windows.h>
#include <commctrl.h>
#include <ole2.h>

#include <cstdio>
#include <string>
#include <vector>

#include "bench/win/BenchSupport.h"
#include "bookmarks/xml/BookmarkReader.h"
#include "bookmarks/BookMark.h"
#include "bookmarks/BookmarkFile.h"
#include "bookmarks/BookmarkMenu.h"

namespace {

using namespace vesko;
using namespace vesko::bench;

constexpr int kOpsPerSample = 20;  // Add and Delete are timed in groups

void Pump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

// The Bookmarks menu's shape built straight from the entries: one item per
// entry, a popup per folder with entries, the same item fields.
void BuildMenuFromMemory(HMENU menu, const std::vector<BookmarkEntry>& entries) {
    std::vector<HMENU> levels{menu};
    std::vector<UINT> positions{static_cast<UINT>(GetMenuItemCount(menu))};
    for (size_t i = 0; i < entries.size(); ++i) {
        const BookmarkEntry& e = entries[i];
        levels.resize(e.depth + 1);
        positions.resize(e.depth + 1);
        const bool hasEntries = e.isFolder && i + 1 < entries.size() && entries[i + 1].depth > e.depth;
        HMENU submenu = hasEntries ? CreatePopupMenu() : nullptr;
        BookmarkMenu::MakeMenuItem(levels.back(), L"&" + ToWide(e.name), positions.back()++, submenu, i + 1);
        if (submenu) {
            levels.push_back(submenu);
            positions.push_back(0);
        }
    }
}

// The top level alone, from captions already made.
struct TopLevel {
    std::vector<std::wstring> captions;
    std::vector<bool> hasEntries;
};

TopLevel TopLevelOf(const std::vector<BookmarkEntry>& entries) {
    TopLevel top;
    for (size_t i = 0; i < entries.size(); ++i) {
        if (entries[i].depth != 0) continue;
        top.captions.push_back(BookmarkCaption(ToWide(entries[i].name)));
        top.hasEntries.push_back(entries[i].isFolder && i + 1 < entries.size() && entries[i + 1].depth > 0);
    }
    return top;
}

void BuildTopLevelFromMemory(HMENU menu, const TopLevel& top) {
    UINT position = static_cast<UINT>(GetMenuItemCount(menu));
    for (size_t i = 0; i < top.captions.size(); ++i) {
        HMENU submenu = top.hasEntries[i] ? CreatePopupMenu() : nullptr;
        BookmarkMenu::MakeMenuItem(menu, top.captions[i], position++, submenu, i + 1);
    }
}

// Opens every submenu below `menu`'s items from `first` on, as a user
// going through them all would; returns the number of items they hold,
// those of `menu` included.
size_t OpenEverySubmenu(BookmarkMenu& items, HMENU menu, int first) {
    const int count = GetMenuItemCount(menu);
    size_t made = static_cast<size_t>(count - first);
    for (int position = first; position < count; ++position) {
        if (HMENU submenu = GetSubMenu(menu, position)) {
            items.OnInitMenuPopup(submenu);
            made += OpenEverySubmenu(items, submenu, 0);
        }
    }
    return made;
}

// Under Wine the first menu calls after a large menu tree is destroyed run
// several times slower than usual. A small menu made and destroyed after
// each large one leaves the next step the usual cost, whichever it is.
void SettleAfterLargeMenu() {
    HMENU menu = CreatePopupMenu();
    for (UINT i = 0; i < 32; ++i)
        BookmarkMenu::MakeMenuItem(menu, L"&settle", i, i % 2 ? CreatePopupMenu() : nullptr, 0);
    DestroyMenu(menu);
}

HMENU BookmarksMenuWithFixedItems() {
    HMENU menu = CreatePopupMenu();
    AppendMenuW(menu, MF_STRING, 1, L"ブックマークを編集");
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    return menu;
}

// A hidden window like the editor holding a tree view like its own.
struct RawTree {
    HWND window = nullptr;
    HWND tree = nullptr;
};

RawTree MakeRawTree() {
    RawTree raw;
    raw.window = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 254, 120, 460, 288, nullptr, nullptr,
                                 GetModuleHandleW(nullptr), nullptr);
    raw.tree = CreateWindowExW(WS_EX_CLIENTEDGE, WC_TREEVIEWW, L"",
                               WS_CHILD | WS_VISIBLE | WS_TABSTOP | TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT |
                                   TVS_EDITLABELS | TVS_SHOWSELALWAYS,
                               48, 64, 297, 161, raw.window, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (!raw.window || !raw.tree) Fail("cannot create the raw tree view");
    return raw;
}

HTREEITEM InsertRaw(HWND tree, HTREEITEM parent, HTREEITEM after, const std::wstring& text, bool folder) {
    TVINSERTSTRUCTW insert{};
    insert.hParent = parent;
    insert.hInsertAfter = after;
    insert.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE;
    insert.item.pszText = const_cast<wchar_t*>(text.c_str());
    insert.item.iImage = insert.item.iSelectedImage = folder ? 0 : 1;
    return reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&insert)));
}

void FillFromMemory(HWND tree, const std::vector<BookmarkEntry>& entries) {
    std::vector<HTREEITEM> folders;
    std::vector<std::wstring> urls;  // the editor keeps its list beside the tree
    urls.reserve(entries.size());
    for (const BookmarkEntry& e : entries) {
        folders.resize(e.depth);
        const HTREEITEM node =
            InsertRaw(tree, e.depth ? folders.back() : TVI_ROOT, TVI_LAST, ToWide(e.name), e.isFolder);
        if (!node) Fail("TVM_INSERTITEM");
        urls.push_back(e.isFolder ? std::wstring(Tfrm_BMEdit::kFolderMarker) : ToWide(e.url));
        if (e.isFolder) folders.push_back(node);
    }
}

bool IsFolderNode(HWND tree, HTREEITEM node) {
    TVITEMW item{};
    item.mask = TVIF_IMAGE | TVIF_HANDLE;
    item.hItem = node;
    TreeView_GetItem(tree, &item);
    return item.iImage == 0;
}

HTREEITEM NextInPreOrder(HWND tree, HTREEITEM node) {
    if (HTREEITEM child = TreeView_GetChild(tree, node)) return child;
    for (HTREEITEM at = node; at; at = TreeView_GetParent(tree, at))
        if (HTREEITEM next = TreeView_GetNextSibling(tree, at)) return next;
    return nullptr;
}

struct Samples {
    std::vector<double> read, readBase, open, openAtOnce, openBase, every, everyBase, fill, fillBase, save, saveBase, add, addBase,
        del, delBase;
};

// The first opening of the Bookmarks menu as the frame makes it: the
// file's bytes handed over at start, then WM_INITMENUPOPUP; then every
// submenu opened once.
void MeasureMenus(size_t count, const std::wstring& source, const std::string& bytes,
                  const std::vector<BookmarkEntry>& entries, Samples& s) {
    const TopLevel top = TopLevelOf(entries);
    HMENU menu = BookmarksMenuWithFixedItems();
    double t = Now();
    BuildTopLevelFromMemory(menu, top);
    s.openBase.push_back(Now() - t);
    DestroyMenu(menu);
    menu = BookmarksMenuWithFixedItems();
    t = Now();
    BuildMenuFromMemory(menu, entries);
    s.everyBase.push_back(Now() - t);
    DestroyMenu(menu);
    SettleAfterLargeMenu();

    // Opened the moment the file is handed over, before its top level is
    // found on the side: the opening waits for that scan.
    menu = BookmarksMenuWithFixedItems();
    const int fixed = GetMenuItemCount(menu);
    {
        BookmarkMenu items;
        std::string kept = bytes;
        t = Now();
        items.Defer(menu, std::move(kept), source);
        items.OnInitMenuPopup(menu);
        s.openAtOnce.push_back(Now() - t);
        if (GetMenuItemCount(menu) != fixed + static_cast<int>(TopLevelOf(entries).captions.size()))
            Fail("the menu lost entries");
        DestroyMenu(menu);
    }
    SettleAfterLargeMenu();

    // As the user meets it: the frame started and idle, then the menu opens.
    menu = BookmarksMenuWithFixedItems();
    {
        BookmarkMenu items;
        std::string kept = bytes;
        items.Defer(menu, std::move(kept), source);
        while (!items.TopLevelScanned()) Sleep(1);
        t = Now();
        items.OnInitMenuPopup(menu);
        const double opened = Now() - t;
        s.open.push_back(opened);
        if (GetMenuItemCount(menu) != fixed + static_cast<int>(top.captions.size())) Fail("the menu lost entries");
        t = Now();
        const size_t made = OpenEverySubmenu(items, menu, fixed);
        s.every.push_back(opened + Now() - t);
        if (made != count) Fail("the submenus lost entries");
        DestroyMenu(menu);
    }
    SettleAfterLargeMenu();
}

void RunOnce(size_t count, const std::wstring& dir, const std::string& bytes, const std::vector<BookmarkEntry>& entries,
             Samples& s) {
    const std::wstring source = dir + L"bookmark.xml";
    const std::wstring edited = dir + L"edited.xml";
    const std::wstring plain = dir + L"plain.xml";
    WriteBytes(edited, bytes);

    // Read.
    double t = Now();
    const std::string raw = ReadBytes(source);
    s.readBase.push_back(Now() - t);
    t = Now();
    BookmarkDocument document = LoadBookmarkDocument(source);
    s.read.push_back(Now() - t);
    if (!document.Root() || raw.size() != bytes.size()) Fail("the generated file did not read back");

    document = BookmarkDocument();
    MeasureMenus(count, source, raw, entries, s);

    // Fill.
    RawTree rawTree = MakeRawTree();
    t = Now();
    FillFromMemory(rawTree.tree, entries);
    s.fillBase.push_back(Now() - t);
    Pump();
    t = Now();
    Tfrm_BMEdit* editor = Tfrm_BMEdit::Create(edited, nullptr);
    s.fill.push_back(Now() - t);
    Pump();
    if (editor->UrlList().size() != count) Fail("the editor lost entries");

    // Add and Delete on the third node of the tree, before it or, for a
    // folder, as its first entry.
    HWND tree = editor->Controls().treeView1;
    // Folders are filled when first expanded, as the user opens the first.
    TreeView_Expand(tree, TreeView_GetRoot(tree), TVE_EXPAND);
    HTREEITEM anchor = NextInPreOrder(tree, NextInPreOrder(tree, TreeView_GetRoot(tree)));
    if (!anchor) Fail("no third node");
    SetWindowTextW(editor->Controls().txtName, L"ベンチマーク");
    SetWindowTextW(editor->Controls().txtURL, L"https://example.com/bench");
    double addTotal = 0, delTotal = 0, addBaseTotal = 0, delBaseTotal = 0;
    for (int op = 0; op < kOpsPerSample; ++op) {
        TreeView_SelectItem(tree, anchor);
        if (editor->CurrentNode() != anchor) Fail("selecting did not set the current node");
        t = Now();
        editor->btnAddClick();
        addTotal += Now() - t;
        const HTREEITEM added =
            IsFolderNode(tree, anchor) ? TreeView_GetChild(tree, anchor) : TreeView_GetPrevSibling(tree, anchor);
        if (editor->UrlList().size() != count + 1) Fail("Add did not add one entry");
        TreeView_SelectItem(tree, added);
        t = Now();
        editor->btnDelClick();
        delTotal += Now() - t;
        if (editor->UrlList().size() != count) Fail("Delete did not remove one entry");

        const bool folder = IsFolderNode(tree, anchor);
        const HTREEITEM before = folder ? nullptr : TreeView_GetPrevSibling(tree, anchor);
        const HTREEITEM parent = folder ? anchor : TreeView_GetParent(tree, anchor);
        t = Now();
        const HTREEITEM node = InsertRaw(tree, parent ? parent : TVI_ROOT,
                                         folder ? TVI_FIRST : (before ? before : TVI_FIRST), L"ベンチマーク", false);
        addBaseTotal += Now() - t;
        t = Now();
        TreeView_DeleteItem(tree, node);
        delBaseTotal += Now() - t;
    }
    s.add.push_back(addTotal / kOpsPerSample);
    s.del.push_back(delTotal / kOpsPerSample);
    s.addBase.push_back(addBaseTotal / kOpsPerSample);
    s.delBase.push_back(delBaseTotal / kOpsPerSample);
    Pump();

    // Save: OK writes the file and closes the editor.
    t = Now();
    editor->btnOKClick();
    s.save.push_back(Now() - t);
    Pump();
    if (ReadBytes(edited) != bytes) Fail("saving after Add and Delete changed the file");
    t = Now();
    WriteBytes(plain, bytes);
    DestroyWindow(rawTree.window);
    s.saveBase.push_back(Now() - t);
    Pump();
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const int runs = RunsFromArgs(argc, argv, 5);
    if (FAILED(OleInitialize(nullptr))) Fail("OleInitialize");
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_TREEVIEW_CLASSES | ICC_BAR_CLASSES};
    InitCommonControlsEx(&icc);

    struct Size {
        size_t count;
        std::vector<BookmarkEntry> entries;
        std::string bytes;
        std::wstring dir;
        Samples samples;
    };
    std::vector<Size> sizes;
    for (const size_t count : {size_t{1000}, size_t{10000}, size_t{100000}}) {
        Size size{count, GenerateBookmarks(count), {}, TempDir(L"bookmarks"), {}};
        size.bytes = WriteBookmarkFile(size.entries);
        WriteBytes(size.dir + L"bookmark.xml", size.bytes);
        Samples warmUp;  // not counted
        RunOnce(count, size.dir, size.bytes, size.entries, warmUp);
        sizes.push_back(std::move(size));
    }
    // The sizes take turns, run by run: the ratio of one size to another
    // then compares samples of the same moments, whatever the host's load
    // does meanwhile.
    for (int run = 0; run < runs; ++run)
        for (Size& size : sizes) RunOnce(size.count, size.dir, size.bytes, size.entries, size.samples);
    for (Size& size : sizes) {
        const size_t count = size.count;
        const Samples& s = size.samples;
        PrintTiming("bookmarks", "read file into tree", count, s.read, "read the file's bytes", s.readBase, count);
        PrintTiming("bookmarks", "first opening of the Bookmarks menu", count, s.open,
                    "same top-level menu from memory", s.openBase);
        PrintTiming("bookmarks", "first opening, the moment the file is handed over", count, s.openAtOnce,
                    "same top-level menu from memory", s.openBase);
        PrintTiming("bookmarks", "every Bookmarks menu opened once", count, s.every, "same menus from memory",
                    s.everyBase, count);
        PrintTiming("bookmarks", "fill editor tree", count, s.fill, "same tree view from memory", s.fillBase, count);
        PrintTiming("bookmarks", "save from editor (OK)", count, s.save, "write bytes + destroy raw tree", s.saveBase,
                    count);
        PrintTiming("bookmarks", "Add near the top", count, s.add, "insert one raw node", s.addBase);
        PrintTiming("bookmarks", "Delete near the top", count, s.del, "delete one raw node", s.delBase);
        RemoveFolder(size.dir);
    }
    OleUninitialize();
    return 0;
}
