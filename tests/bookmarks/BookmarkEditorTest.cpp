#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <algorithm>

#include "bookmarks/xml/BookmarkWriter.h"
#include "bench/common/BookmarkGenerator.h"
#include "bookmarks/BookMark.h"
#include "bookmarks/BookmarkFile.h"
#include "common/Error.h"
#include "browser/BrowserChild.h"
#include "res/resource.h"
#include "shell/Application.h"
#include "tests/bookmarks/BookmarkTestSupport.h"
#include "tests/support/FrameFixture.h"

namespace vesko::test {
namespace {

class BookmarkEditor : public FrameTest {
protected:
    std::wstring FilePath() const { return dir_ + L"bookmark.xml"; }

    // Opens an editor the way the menu command does.
    Tfrm_BMEdit& Open() {
        const std::vector<HWND> before = Editors();
        SendMessageW(Frame().Handle(), WM_COMMAND, IDM_BOOKMARK_EDIT, 0);
        Tfrm_BMEdit* editor = nullptr;
        for (HWND h : Editors())
            if (IsWindowVisible(h) && std::find(before.begin(), before.end(), h) == before.end())
                editor = FromHandle<Tfrm_BMEdit>(h);
        EXPECT_NE(editor, nullptr);
        return *editor;
    }
    static std::vector<HWND> Editors() {
        std::vector<HWND> editors;
        for (HWND h = FindWindowExW(nullptr, nullptr, L"Tfrm_BMEdit", nullptr); h;
             h = FindWindowExW(nullptr, h, L"Tfrm_BMEdit", nullptr))
            editors.push_back(h);
        return editors;
    }
    HWND Tree(Tfrm_BMEdit& e) { return e.Controls().treeView1; }
    HTREEITEM Top(Tfrm_BMEdit& e, int n) {
        HTREEITEM item = TreeView_GetRoot(Tree(e));
        while (item && n-- > 0) item = TreeView_GetNextSibling(Tree(e), item);
        return item;
    }
    void Select(Tfrm_BMEdit& e, HTREEITEM item) { TreeView_SelectItem(Tree(e), item); }
    void Type(Tfrm_BMEdit& e, const std::wstring& name, const std::wstring& url) {
        SetWindowTextW(e.Controls().txtName, name.c_str());
        SetWindowTextW(e.Controls().txtURL, url.c_str());
    }
    size_t NodeCount(Tfrm_BMEdit& e) { return static_cast<size_t>(TreeView_GetCount(Tree(e))); }
    // The labels of a node's child nodes, as the tree shows them.
    std::vector<std::wstring> ChildLabels(Tfrm_BMEdit& e, HTREEITEM node) {
        std::vector<std::wstring> labels;
        for (HTREEITEM child = TreeView_GetChild(Tree(e), node); child;
             child = TreeView_GetNextSibling(Tree(e), child)) {
            wchar_t text[128] = {};
            TVITEMW item{};
            item.mask = TVIF_TEXT | TVIF_HANDLE;
            item.hItem = child;
            item.pszText = text;
            item.cchTextMax = 128;
            TreeView_GetItem(Tree(e), &item);
            labels.emplace_back(text);
        }
        return labels;
    }
    // Presses a button as the user does.
    void Press(HWND button) { SendMessageW(button, BM_CLICK, 0, 0); }
    bool IsOpen(Tfrm_BMEdit* e) { return e && IsWindow(e->Handle()); }
};

TEST_F(BookmarkEditor, OpensPrefilledFromTheActiveWindow) {
    WriteFileBytes(FilePath(), kSampleFile);
    Tfrm_BMEdit& empty = Open();
    wchar_t text[256];
    GetWindowTextW(empty.Controls().txtName, text, 256);
    EXPECT_STREQ(text, L"") << "no active window: no name";
    Press(empty.Controls().btnCancel);

    Frame().FileNew1Execute();
    Frame().ActiveChild()->SetCaption(L"今日のページ");
    Frame().SetAddressText(L"http://today.example/");
    Tfrm_BMEdit& editor = Open();
    GetWindowTextW(editor.Controls().txtName, text, 256);
    EXPECT_STREQ(text, L"今日のページ");
    GetWindowTextW(editor.Controls().txtURL, text, 256);
    EXPECT_STREQ(text, L"http://today.example/");
    EXPECT_EQ(NodeCount(editor), 2u) << "a folder's nodes come when it is first expanded";
    TreeView_Expand(Tree(editor), Top(editor, 0), TVE_EXPAND);
    EXPECT_EQ(NodeCount(editor), 4u);
    EXPECT_EQ(editor.UrlList(),
              (std::vector<std::wstring>{L"フォルダ", L"about:blank", L"フォルダ", L"http://start.example/"}));
    EXPECT_EQ(editor.CurrentNode(), nullptr);
    wchar_t caption[64];
    GetWindowTextW(editor.Handle(), caption, 64);
    EXPECT_STREQ(caption, L"ブックマークの編集");
    Press(editor.Controls().btnCancel);
}

TEST_F(BookmarkEditor, OpensWithTheAddressReadyForTyping) {
    WriteFileBytes(FilePath(), kSampleFile);
    Tfrm_BMEdit& editor = Open();
    EXPECT_EQ(GetFocus(), editor.Controls().txtURL);
    Press(editor.Controls().btnCancel);
}

TEST_F(BookmarkEditor, AnEditorThatCannotBeMadeIsReportedOnceAndLeavesNothing) {
    WriteFileBytes(FilePath(), kSampleFile);
    Frame();
    {
        const RefuseWindowClass refuse(WC_TREEVIEWW);
        SendMessageW(Frame().Handle(), WM_COMMAND, IDM_BOOKMARK_EDIT, 0);
    }
    ASSERT_EQ(errors_.size(), 1u);
    EXPECT_NE(errors_[0], WithClosingPeriod(SystemMessage(ERROR_SUCCESS))) << "a failure told as success";
    EXPECT_TRUE(Editors().empty());
    Press(Open().Controls().btnCancel);  // and it opens once the system allows it
    EXPECT_EQ(errors_.size(), 1u);
}

TEST_F(BookmarkEditor, AddPlacesBeforeABookmarkOrFirstInAFolder) {
    WriteFileBytes(FilePath(), kSampleFile);
    Tfrm_BMEdit& e = Open();
    // Nothing selected yet: relative to the first top-level node, a folder.
    Type(e, L"first", L"http://1.example/");
    Press(e.Controls().btnAdd);
    EXPECT_EQ(e.CurrentNode(), Top(e, 0)) << "Add made the first node current";
    // On a bookmark: directly before it.
    Select(e, Top(e, 1));
    Type(e, L"before start", L"http://2.example/");
    Press(e.Controls().btnAdd);
    // On an empty folder: its only entry, and no placeholder left.
    const HTREEITEM tools = Top(e, 0);
    HTREEITEM archive = TreeView_GetChild(Tree(e), tools);
    while (archive && TreeView_GetNextSibling(Tree(e), archive)) archive = TreeView_GetNextSibling(Tree(e), archive);
    Select(e, archive);
    Type(e, L"archived", L"http://3.example/");
    Press(e.Controls().btnAdd);
    EXPECT_EQ(NodeCount(e), 7u);
    EXPECT_EQ(e.UrlList().size(), NodeCount(e));
    EXPECT_EQ(e.CurrentNode(), archive);

    Press(e.Controls().btnOK);
    EXPECT_FALSE(IsWindowVisible(e.Handle()) && IsWindow(e.Handle()));
    EXPECT_EQ(ReadSavedEntries(FilePath()),
              (std::vector<BookmarkEntry>{
                  Folder(0, u"Tools"), Page(1, u"first", u"http://1.example/"), Page(1, u"Blank page", u"about:blank"),
                  Folder(1, u"Archive"), Page(2, u"archived", u"http://3.example/"),
                  Page(0, u"before start", u"http://2.example/"), Page(0, u"Start", u"http://start.example/")}));
    EXPECT_TRUE(errors_.empty());
}

TEST_F(BookmarkEditor, AddBeforeAnySelectionOnALeadingBookmark) {
    SaveBookmarkFile(FilePath(), {Page(0, u"a", u"http://a/"), Folder(0, u"f"), Page(1, u"b", u"http://b/")}, false);
    Tfrm_BMEdit& e = Open();
    Type(e, L"new", L"http://new/");
    Press(e.Controls().btnAdd);
    Press(e.Controls().btnOK);
    EXPECT_EQ(ReadSavedEntries(FilePath()),
              (std::vector<BookmarkEntry>{Page(0, u"new", u"http://new/"), Page(0, u"a", u"http://a/"), Folder(0, u"f"),
                                          Page(1, u"b", u"http://b/")}));
}

TEST_F(BookmarkEditor, EmptyTreeWorks) {
    Tfrm_BMEdit& e = Open();  // no file at all
    EXPECT_EQ(NodeCount(e), 0u);
    Press(e.Controls().btnDel);  // nothing to delete
    Type(e, L"", L"");
    Press(e.Controls().btnAdd);  // empty texts are accepted
    Press(e.Controls().btnMD);
    TreeView_EndEditLabelNow(Tree(e), TRUE);
    // The folder went before the bookmark, the first node then.
    EXPECT_EQ(e.UrlList(), (std::vector<std::wstring>{L"フォルダ", L""}));
    Press(e.Controls().btnOK);
    EXPECT_EQ(ReadSavedEntries(FilePath()),
              (std::vector<BookmarkEntry>{Folder(0, u"ディレクトリ"), Page(0, u"", u"")}));

    // Deleting everything and saving leaves a valid file with an empty root.
    Tfrm_BMEdit& again = Open();
    Select(again, Top(again, 0));
    Press(again.Controls().btnDel);
    EXPECT_EQ(again.CurrentNode(), TreeView_GetSelection(Tree(again)));
    while (TreeView_GetRoot(Tree(again))) {
        Select(again, TreeView_GetRoot(Tree(again)));
        Press(again.Controls().btnDel);
    }
    EXPECT_TRUE(again.UrlList().empty());
    Press(again.Controls().btnOK);
    EXPECT_EQ(ReadFileBytes(FilePath()), "<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>\n<bookmark>\n</bookmark>\n");
    EXPECT_TRUE(errors_.empty());
}

TEST_F(BookmarkEditor, MakeFolderOpensItsNameForEditing) {
    WriteFileBytes(FilePath(), kSampleFile);
    Tfrm_BMEdit& e = Open();
    Select(e, Top(e, 1));
    Press(e.Controls().btnMD);
    HWND edit = TreeView_GetEditControl(Tree(e));
    ASSERT_NE(edit, nullptr) << "the new folder's label is being edited";
    SetWindowTextW(edit, L"読み物");
    TreeView_EndEditLabelNow(Tree(e), FALSE);
    EXPECT_EQ(e.UrlList()[3], L"フォルダ");
    EXPECT_EQ(e.UrlList()[4], L"http://start.example/");
    Press(e.Controls().btnOK);
    const auto saved = ReadSavedEntries(FilePath());
    ASSERT_EQ(saved.size(), 5u);
    EXPECT_EQ(saved[3], Folder(0, u"読み物"));
    EXPECT_EQ(saved[4], Page(0, u"Start", u"http://start.example/"));
}

TEST_F(BookmarkEditor, DeleteTakesTheFolderWithItsEntries) {
    SaveBookmarkFile(FilePath(),
                     {Page(0, u"a", u"http://a/"), Folder(0, u"f"), Page(1, u"b", u"http://b/"), Folder(1, u"g"),
                      Page(2, u"c", u"http://c/"), Page(0, u"d", u"http://d/")},
                     false);
    Tfrm_BMEdit& e = Open();
    Select(e, Top(e, 1));
    Press(e.Controls().btnDel);
    EXPECT_EQ(e.UrlList(), (std::vector<std::wstring>{L"http://a/", L"http://d/"}));
    EXPECT_NE(e.CurrentNode(), nullptr) << "the tree selected another node";
    EXPECT_EQ(e.CurrentNode(), TreeView_GetSelection(Tree(e)));
    Press(e.Controls().btnOK);
    EXPECT_EQ(ReadSavedEntries(FilePath()),
              (std::vector<BookmarkEntry>{Page(0, u"a", u"http://a/"), Page(0, u"d", u"http://d/")}));
}

TEST_F(BookmarkEditor, AnOpenedFolderShowsExactlyItsOwnEntries) {
    SaveBookmarkFile(FilePath(),
                     {Folder(0, u"f"), Page(1, u"a", u"http://a/"), Folder(1, u"g"), Page(2, u"c", u"http://c/"),
                      Folder(0, u"h"), Page(1, u"b", u"http://b/")},
                     false);
    Tfrm_BMEdit& e = Open();
    TreeView_Expand(Tree(e), Top(e, 0), TVE_EXPAND);
    EXPECT_EQ(ChildLabels(e, Top(e, 0)), (std::vector<std::wstring>{L"a", L"g"}));
    TreeView_Expand(Tree(e), Top(e, 1), TVE_EXPAND);
    EXPECT_EQ(ChildLabels(e, Top(e, 1)), (std::vector<std::wstring>{L"b"}));
    Press(e.Controls().btnCancel);
}

TEST_F(BookmarkEditor, RenameInPlaceChangesTheSavedName) {
    WriteFileBytes(FilePath(), kSampleFile);
    Tfrm_BMEdit& e = Open();
    Select(e, Top(e, 1));
    SetFocus(Tree(e));
    HWND edit = TreeView_EditLabel(Tree(e), Top(e, 1));
    ASSERT_NE(edit, nullptr);
    SetWindowTextW(edit, L"スタート & <home>");
    TreeView_EndEditLabelNow(Tree(e), FALSE);
    // A cancelled edit changes nothing, whatever the tree reports after.
    TreeView_EditLabel(Tree(e), Top(e, 0));
    SetWindowTextW(TreeView_GetEditControl(Tree(e)), L"not this");
    TreeView_EndEditLabelNow(Tree(e), TRUE);
    Press(e.Controls().btnOK);
    const auto saved = ReadSavedEntries(FilePath());
    ASSERT_EQ(saved.size(), 4u);
    EXPECT_EQ(saved[0].name, u"Tools");
    EXPECT_EQ(saved[3], Page(0, u"スタート & <home>", u"http://start.example/"));
}

TEST_F(BookmarkEditor, CancelLeavesTheFileUnchanged) {
    WriteFileBytes(FilePath(), kSampleFile);
    Tfrm_BMEdit& e = Open();
    Select(e, Top(e, 0));
    Press(e.Controls().btnDel);
    Press(e.Controls().btnCancel);
    EXPECT_EQ(ReadFileBytes(FilePath()), kSampleFile);
}

TEST_F(BookmarkEditor, ExactUrlsBeyond256Entries) {
    std::vector<BookmarkEntry> entries;
    for (int i = 0; i < 300; ++i) {
        const std::string n = std::to_string(i);
        entries.push_back(Page(0, std::u16string(n.begin(), n.end()), u"http://" + std::u16string(n.begin(), n.end())));
    }
    SaveBookmarkFile(FilePath(), entries, false);
    Tfrm_BMEdit& e = Open();
    EXPECT_EQ(e.UrlList().size(), 300u);
    Select(e, Top(e, 280));
    Type(e, L"late", L"http://late");
    Press(e.Controls().btnAdd);
    Press(e.Controls().btnOK);
    auto expected = entries;
    expected.insert(expected.begin() + 280, Page(0, u"late", u"http://late"));
    EXPECT_EQ(ReadSavedEntries(FilePath()), expected);
}

TEST_F(BookmarkEditor, FailedSaveKeepsTheOldFileAndTheEditor) {
    WriteFileBytes(FilePath(), kSampleFile);
    Tfrm_BMEdit& e = Open();
    Select(e, Top(e, 0));
    Press(e.Controls().btnDel);
    // Something that cannot be replaced: a folder where the new file would be written first.
    ASSERT_TRUE(CreateDirectoryW((FilePath() + L".tmp").c_str(), nullptr));
    Press(e.Controls().btnOK);
    ASSERT_EQ(errors_.size(), 1u);
    EXPECT_TRUE(IsOpen(&e)) << "the editor stays open with its tree";
    EXPECT_EQ(NodeCount(e), 1u);
    EXPECT_EQ(ReadFileBytes(FilePath()), kSampleFile);
    RemoveDirectoryW((FilePath() + L".tmp").c_str());
    Press(e.Controls().btnOK);
    EXPECT_EQ(errors_.size(), 1u);
    EXPECT_EQ(ReadSavedEntries(FilePath()), (std::vector<BookmarkEntry>{Page(0, u"Start", u"http://start.example/")}));
    EXPECT_FALSE(FileExists(FilePath() + L".tmp"));
}

TEST_F(BookmarkEditor, UnreadableFileIsReportedAndKeptAsBackup) {
    const std::string broken = "<?xml version=\"1.0\"?>\n<bookmark>\n  <file><name>x</name>\n</bookmark>\n";
    WriteFileBytes(FilePath(), broken);
    Frame();
    EXPECT_TRUE(errors_.empty()) << "the hidden start-up reading says nothing";
    Tfrm_BMEdit& e = Open();
    ASSERT_EQ(errors_.size(), 1u);
    EXPECT_NE(errors_[0].find(L"4 行"), std::wstring::npos) << testing::PrintToString(errors_[0]);
    EXPECT_NE(errors_[0].find(L"bookmark.xml"), std::wstring::npos);
    EXPECT_EQ(NodeCount(e), 0u);
    Type(e, L"n", L"u");
    Press(e.Controls().btnAdd);
    Press(e.Controls().btnOK);
    EXPECT_EQ(ReadFileBytes(FilePath() + L".bak"), broken);
    EXPECT_EQ(ReadSavedEntries(FilePath()), (std::vector<BookmarkEntry>{Page(0, u"n", u"u")}));
}

TEST_F(BookmarkEditor, LayoutAndTabOrder) {
    Tfrm_BMEdit& e = Open();
    RECT r;
    GetWindowRect(e.Handle(), &r);
    EXPECT_EQ(r.right - r.left, 460);
    EXPECT_EQ(r.bottom - r.top, 288);
    const auto& c = e.Controls();
    const std::vector<HWND> tabOrder{c.txtURL,    c.btnCancel, c.btnAdd, c.btnMD,
                                     c.treeView1, c.txtName,   c.btnOK,  c.btnDel};
    HWND at = c.txtURL;
    for (size_t i = 1; i < tabOrder.size(); ++i) {
        at = GetNextDlgTabItem(e.Handle(), at, FALSE);
        EXPECT_EQ(at, tabOrder[i]) << "tab stop " << i;
    }
    GetWindowRect(c.treeView1, &r);
    MapWindowPoints(nullptr, e.Handle(), reinterpret_cast<POINT*>(&r), 2);
    EXPECT_EQ(r.left, 48);
    EXPECT_EQ(r.top, 64);
    EXPECT_EQ(TreeView_GetIndent(c.treeView1), 19u);
    wchar_t text[32];
    GetWindowTextW(c.btnDel, text, 32);
    EXPECT_STREQ(text, L"削　  除");
}

TEST_F(BookmarkEditor, TheHiddenEditorOfProgramStartReadsNothing) {
    // Broken on purpose: reading it would be noticed.
    WriteFileBytes(FilePath(), "<bookmark><file><name>x</name>");
    TApplication app;
    MainFormOptions options;
    options.programDir = dir_;
    options.quitOnDestroy = false;
    app.CreateMainForm(options);
    app.CreateHiddenForms();
    // Nothing can show it, so it has no window either.
    EXPECT_TRUE(Editors().empty());
    EXPECT_TRUE(errors_.empty());
}

TEST_F(BookmarkEditor, FoldersFilledAsTheyOpenKeepEveryEntryAndItsUrl) {
    // Deep folders, Japanese names and markup characters.
    std::vector<BookmarkEntry> expected = bench::GenerateBookmarks(3000);
    SaveBookmarkFile(FilePath(), expected, false);
    Tfrm_BMEdit& e = Open();
    std::vector<std::wstring> urls;
    for (const BookmarkEntry& entry : expected)
        urls.push_back(entry.isFolder ? std::wstring(Tfrm_BMEdit::kFolderMarker) : ToWide(entry.url));
    EXPECT_EQ(e.UrlList(), urls);

    // The first top-level folder with entries, and its own entries.
    auto hasEntries = [&](size_t i) {
        return expected[i].isFolder && i + 1 < expected.size() && expected[i + 1].depth > expected[i].depth;
    };
    size_t top = 0;
    HTREEITEM topItem = TreeView_GetRoot(Tree(e));
    while (top < expected.size() && !(expected[top].depth == 0 && hasEntries(top))) {
        ++top;
        if (top < expected.size() && expected[top].depth == 0) topItem = TreeView_GetNextSibling(Tree(e), topItem);
    }
    ASSERT_LT(top, expected.size());
    TVITEMW shown{};
    shown.mask = TVIF_CHILDREN | TVIF_HANDLE;
    shown.hItem = topItem;
    TreeView_GetItem(Tree(e), &shown);
    EXPECT_EQ(shown.cChildren, 1) << "an unopened folder shows its expand button";
    EXPECT_EQ(TreeView_GetChild(Tree(e), topItem), nullptr);
    TreeView_Expand(Tree(e), topItem, TVE_EXPAND);
    // Three of its folders with entries, by index in the file and node.
    std::vector<std::pair<size_t, HTREEITEM>> folders;
    HTREEITEM item = TreeView_GetChild(Tree(e), topItem);
    for (size_t i = top + 1; i < expected.size() && expected[i].depth > 0 && folders.size() < 3; ++i) {
        if (expected[i].depth != 1) continue;
        ASSERT_NE(item, nullptr);
        if (hasEntries(i)) folders.emplace_back(i, item);
        item = TreeView_GetNextSibling(Tree(e), item);
    }
    ASSERT_EQ(folders.size(), 3u);

    // Add into a folder never opened: its first entry.
    Select(e, folders[0].second);
    Type(e, L"新しい & <ページ>", L"http://new.example/?a=1&b=2");
    Press(e.Controls().btnAdd);
    TreeView_Expand(Tree(e), folders[0].second, TVE_EXPAND);
    auto label = [&](HTREEITEM node) {
        wchar_t text[128] = {};
        TVITEMW tv{};
        tv.mask = TVIF_TEXT | TVIF_HANDLE;
        tv.hItem = node;
        tv.pszText = text;
        tv.cchTextMax = 128;
        TreeView_GetItem(Tree(e), &tv);
        return std::wstring(text);
    };
    const HTREEITEM added = TreeView_GetChild(Tree(e), folders[0].second);
    EXPECT_EQ(label(added), L"新しい & <ページ>");
    EXPECT_EQ(label(TreeView_GetNextSibling(Tree(e), added)), ToWide(expected[folders[0].first + 1].name))
        << "the folder's own entries follow it";
    // Rename the first entry of another, once opened.
    TreeView_Expand(Tree(e), folders[1].second, TVE_EXPAND);
    HTREEITEM child = TreeView_GetChild(Tree(e), folders[1].second);
    ASSERT_NE(child, nullptr);
    SetFocus(Tree(e));
    HWND edit = TreeView_EditLabel(Tree(e), child);
    ASSERT_NE(edit, nullptr);
    SetWindowTextW(edit, L"改名 \"済\"");
    TreeView_EndEditLabelNow(Tree(e), FALSE);
    // Delete a third, never opened, with all inside it.
    Select(e, folders[2].second);
    Press(e.Controls().btnDel);

    // The same edits on the list of entries, from the back.
    const size_t third = folders[2].first;
    size_t end = third + 1;
    while (end < expected.size() && expected[end].depth > 1) ++end;
    expected.erase(expected.begin() + static_cast<std::ptrdiff_t>(third),
                   expected.begin() + static_cast<std::ptrdiff_t>(end));
    expected[folders[1].first + 1].name = u"改名 \"済\"";
    expected.insert(expected.begin() + static_cast<std::ptrdiff_t>(folders[0].first + 1),
                    Page(2, u"新しい & <ページ>", u"http://new.example/?a=1&b=2"));
    Press(e.Controls().btnOK);
    EXPECT_EQ(ReadFileBytes(FilePath()), WriteBookmarkFile(expected));
    EXPECT_TRUE(errors_.empty());
}

}  // namespace
}  // namespace vesko::test
