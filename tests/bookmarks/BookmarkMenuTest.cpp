#include <gtest/gtest.h>
#include <windows.h>

#include <optional>

#include "bookmarks/xml/BookmarkWriter.h"
#include "bench/common/BookmarkGenerator.h"
#include "bookmarks/BookMark.h"
#include "bookmarks/BookmarkFile.h"
#include "bookmarks/BookmarkMenu.h"
#include "browser/BrowserChild.h"
#include "common/Glyphs.h"
#include "common/Window.h"
#include "res/resource.h"
#include "tests/bookmarks/BookmarkTestSupport.h"
#include "tests/support/FrameFixture.h"

namespace vesko::test {
namespace {

class BookmarkMenuTest : public FrameTest {
protected:
    std::wstring FilePath() const { return dir_ + L"bookmark.xml"; }
    // The Bookmarks menu as the user opens it.
    HMENU Menu() { return Open(Frame().BookmarkMenu()); }
    // Where the bookmark items begin: after the fixed items, which end
    // with a separator.
    int First() {
        HMENU menu = Frame().BookmarkMenu();
        int first = 0;
        for (int i = 0; i < GetMenuItemCount(menu); ++i)
            if (Info(menu, i).fType & MFT_SEPARATOR) first = i + 1;
        return first;
    }
    std::wstring Caption(HMENU menu, int position) {
        wchar_t text[256] = {};
        GetMenuStringW(menu, static_cast<UINT>(position), text, 256, MF_BYPOSITION);
        return text;
    }
    MENUITEMINFOW Info(HMENU menu, int position) {
        MENUITEMINFOW mii{};
        mii.cbSize = sizeof mii;
        mii.fMask = MIIM_BITMAP | MIIM_DATA | MIIM_SUBMENU | MIIM_STATE | MIIM_FTYPE;
        EXPECT_TRUE(GetMenuItemInfoW(menu, static_cast<UINT>(position), TRUE, &mii));
        return mii;
    }
    std::optional<BookmarkMenu::Item> Item(HMENU menu, int position) {
        return Frame().BookmarkItems().Find(menu, Info(menu, position).dwItemData);
    }
    std::wstring Hint(HMENU menu, int position) {
        const auto item = Item(menu, position);
        EXPECT_TRUE(item.has_value());
        return item ? item->hint : L"<none>";
    }
    // What the system sends before it shows a submenu.
    HMENU Open(HMENU submenu) {
        SendMessageW(Frame().Handle(), WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(submenu), 0);
        return submenu;
    }
    void Choose(HMENU menu, int position) {
        SendMessageW(Frame().Handle(), WM_MENUCOMMAND, static_cast<WPARAM>(position), reinterpret_cast<LPARAM>(menu));
    }
};

TEST_F(BookmarkMenuTest, EntriesFollowTheFixedItemsWithPicturesAndHints) {
    WriteFileBytes(FilePath(), kSampleFile);
    HMENU menu = Menu();
    const int first = First();
    ASSERT_EQ(GetMenuItemCount(menu), first + 2);
    EXPECT_EQ(Caption(menu, 0), L"ブックマークを編集");
    EXPECT_EQ(Caption(menu, first), L"&Tools");
    EXPECT_EQ(Caption(menu, first + 1), L"&Start");
    EXPECT_EQ(Hint(menu, first + 1), L"http://start.example/");
    EXPECT_EQ(Hint(menu, first), L"");

    const MENUITEMINFOW tools = Info(menu, first), start = Info(menu, first + 1);
    ASSERT_NE(tools.hSubMenu, nullptr);
    EXPECT_EQ(start.hSubMenu, nullptr);
    ASSERT_NE(tools.hbmpItem, nullptr);
    ASSERT_NE(start.hbmpItem, nullptr);
    EXPECT_TRUE(Item(menu, first)->folder);
    EXPECT_FALSE(Item(menu, first + 1)->folder);
    EXPECT_FALSE(start.fState & MFS_DISABLED);

    HMENU sub = Open(tools.hSubMenu);
    ASSERT_EQ(GetMenuItemCount(sub), 2);
    EXPECT_EQ(Caption(sub, 0), L"&Blank page");
    EXPECT_EQ(Hint(sub, 0), L"about:blank");
    EXPECT_FALSE(Item(sub, 0)->folder);
    EXPECT_EQ(Caption(sub, 1), L"&Archive");
    EXPECT_EQ(Info(sub, 1).hSubMenu, nullptr) << "an empty folder is a plain item";
    EXPECT_TRUE(Item(sub, 1)->folder);
}

TEST_F(BookmarkMenuTest, ChoosingABookmarkOpensOneWindowWithItsAddress) {
    WriteFileBytes(FilePath(), kSampleFile);
    HMENU sub = Open(Info(Menu(), First()).hSubMenu);
    Choose(sub, 1);  // the empty folder: nothing
    EXPECT_EQ(Frame().ChildCount(), 0);
    Choose(sub, 0);
    ASSERT_EQ(Frame().ChildCount(), 1);
    EXPECT_EQ(Frame().ActiveChild()->Caption(), L"");
    EXPECT_EQ(engines_->Last().navigated, std::vector<std::wstring>{L"about:blank"});
    Frame().Moz_ItemClick();
    Choose(Menu(), First() + 1);
    ASSERT_EQ(Frame().ChildCount(), 2);
    EXPECT_TRUE(IsEqualCLSID(engines_->Last().clsid, CLSID_MozillaBrowser)) << "the engine selected at that moment";
    EXPECT_EQ(engines_->Last().navigated, std::vector<std::wstring>{L"http://start.example/"});
}

TEST_F(BookmarkMenuTest, OtherMenuItemsStillReachTheirCommands) {
    HMENU file = SubMenuWith(Frame().Handle(), IDM_FILE_NEW);
    Choose(file, 0);  // 新規作成
    EXPECT_EQ(Frame().ChildCount(), 1);
    Choose(Menu(), 0);  // ブックマークを編集
    EXPECT_NE(FindWindowW(L"Tfrm_BMEdit", nullptr), nullptr);
}

TEST_F(BookmarkMenuTest, CaptionsShowAmpersandsAsThemselves) {
    EXPECT_EQ(BookmarkCaption(L"News"), L"&News");
    EXPECT_EQ(BookmarkCaption(L"A&B && C"), L"&A&&B &&&& C");
    EXPECT_EQ(BookmarkCaption(L""), L"&");
}

TEST_F(BookmarkMenuTest, MissingOrUnreadableFileLeavesTheFixedItems) {
    EXPECT_EQ(GetMenuItemCount(Menu()), First());
    CloseFrame();
    WriteFileBytes(FilePath(), "<bookmark><file><name>x</name>");
    EXPECT_EQ(GetMenuItemCount(Menu()), First());
    CloseFrame();
    WriteFileBytes(FilePath(), std::string("\x00\xff\xfe<", 4));
    EXPECT_EQ(GetMenuItemCount(Menu()), First());
    EXPECT_TRUE(errors_.empty());
}

TEST_F(BookmarkMenuTest, EveryEntryOfLargeLevels) {
    std::vector<BookmarkEntry> entries;
    for (int i = 0; i < 1000; ++i)
        entries.push_back(Page(0, u"p", u"http://p/" + std::u16string(1, char16_t(u'a' + i % 26))));
    entries.push_back(Folder(0, u"folder"));
    for (int i = 0; i < 300; ++i) entries.push_back(Page(1, u"q", u"http://q/"));
    SaveBookmarkFile(FilePath(), entries, false);
    ASSERT_EQ(GetMenuItemCount(Menu()), First() + 1001);
    EXPECT_EQ(Hint(Menu(), First() + 999), L"http://p/l");
    EXPECT_EQ(GetMenuItemCount(Open(Info(Menu(), First() + 1000).hSubMenu)), 300);
}

TEST_F(BookmarkMenuTest, FilesNestedDeepShowAsWhenReadWhole) {
    // A name nested deeper than entries may lie: read whole, and shown.
    std::string deep = WriteBookmarkFile({Folder(0, u"f"), Page(1, u"p", u"u"), Page(0, u"top", u"t")});
    const size_t name = deep.find("<name>p</name>");
    ASSERT_NE(name, std::string::npos);
    std::string nested;
    for (size_t i = 0; i < kMaxBookmarkDepth + 4; ++i) nested += "<b>";
    nested += "p";
    for (size_t i = 0; i < kMaxBookmarkDepth + 4; ++i) nested += "</b>";
    deep.replace(name + 6, 1, nested);
    WriteFileBytes(FilePath(), deep);
    HMENU menu = Menu();
    ASSERT_EQ(GetMenuItemCount(menu), First() + 2);
    EXPECT_EQ(Hint(menu, First() + 1), L"t");
    HMENU folder = Open(Info(menu, First()).hSubMenu);
    ASSERT_EQ(GetMenuItemCount(folder), 1);
    EXPECT_EQ(Caption(folder, 0), L"&p");
    EXPECT_EQ(Hint(folder, 0), L"u");

    // Entries deeper than that are refused, as the editor refuses them.
    CloseFrame();
    std::vector<BookmarkEntry> tooDeep;
    for (size_t depth = 0; depth <= kMaxBookmarkDepth; ++depth) tooDeep.push_back(Folder(depth, u"d"));
    SaveBookmarkFile(FilePath(), tooDeep, false);
    EXPECT_EQ(GetMenuItemCount(Menu()), First());
}

TEST_F(BookmarkMenuTest, SavesOfThisProgramShowAtTheNextOpeningOthersAtTheNextStart) {
    // Adds an entry with the editor as the user does, with nothing selected.
    auto addWithEditor = [this](const wchar_t* name, const wchar_t* url) {
        SendMessageW(Frame().Handle(), WM_COMMAND, IDM_BOOKMARK_EDIT, 0);
        Tfrm_BMEdit* editor = nullptr;
        for (HWND h = FindWindowExW(nullptr, nullptr, L"Tfrm_BMEdit", nullptr); h && !editor;
             h = FindWindowExW(nullptr, h, L"Tfrm_BMEdit", nullptr))
            if (IsWindowVisible(h)) editor = FromHandle<Tfrm_BMEdit>(h);
        ASSERT_NE(editor, nullptr);
        SetWindowTextW(editor->Controls().txtName, name);
        SetWindowTextW(editor->Controls().txtURL, url);
        SendMessageW(editor->Controls().btnAdd, BM_CLICK, 0, 0);
        SendMessageW(editor->Controls().btnOK, BM_CLICK, 0, 0);
    };
    WriteFileBytes(FilePath(), kSampleFile);
    ASSERT_EQ(GetMenuItemCount(Menu()), First() + 2);
    const HMENU oldTools = Open(Info(Menu(), First()).hSubMenu);
    // Another program's change: the menu keeps showing the file as it read it.
    WriteFileBytes(FilePath(), WriteBookmarkFile({Page(0, u"a", u"1"), Page(0, u"b", u"2"), Page(0, u"c", u"3")}));
    EXPECT_EQ(GetMenuItemCount(Menu()), First() + 2);
    // The editor reads the file as it is now and saves it with one more.
    addWithEditor(L"新しいページ", L"http://new.example/");
    HMENU menu = Menu();
    ASSERT_EQ(GetMenuItemCount(menu), First() + 4);
    EXPECT_EQ(Caption(menu, First()), L"&新しいページ");
    EXPECT_EQ(Hint(menu, First()), L"http://new.example/");
    EXPECT_EQ(Hint(menu, First() + 3), L"3");
    EXPECT_FALSE(IsMenu(oldTools)) << "the old items' submenus went with them";

    // No file at start, then one written by another program before the
    // menu first opens: nothing, as at start, until the editor saves.
    CloseFrame();
    ASSERT_TRUE(DeleteFileW(FilePath().c_str()));
    Frame();
    WriteFileBytes(FilePath(), kSampleFile);
    EXPECT_EQ(GetMenuItemCount(Menu()), First());
    addWithEditor(L"x", L"http://x.example/");
    ASSERT_EQ(GetMenuItemCount(Menu()), First() + 2);
    EXPECT_EQ(GetMenuItemCount(Open(Info(Menu(), First()).hSubMenu)), 3) << "added first in Tools";
    EXPECT_TRUE(errors_.empty());
}

HMENU measuredMenu;
std::vector<RECT> measuredRects;

void CALLBACK MeasureOpenMenu(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    for (int i = 0; i < GetMenuItemCount(measuredMenu); ++i) {
        RECT r{};
        GetMenuItemRect(nullptr, measuredMenu, static_cast<UINT>(i), &r);
        measuredRects.push_back(r);
    }
    EndMenu();
}

// The item rectangles of a menu while it is shown, then closes it.
std::vector<RECT> RectsWhileOpen(HWND owner, HMENU menu) {
    measuredMenu = menu;
    measuredRects.clear();
    SetTimer(nullptr, 0, 100, MeasureOpenMenu);
    TrackPopupMenu(menu, TPM_LEFTALIGN | TPM_TOPALIGN, 100, 100, 0, owner, nullptr);
    return measuredRects;
}

TEST_F(BookmarkMenuTest, EveryCaptionFitsBesideThePictures) {
    SaveBookmarkFile(FilePath(),
                     {Folder(0, u"ニュース"), Page(1, u"天気", u"http://w/"),
                      Page(1, u"とても長い名前のブックマーク (News & Weather)", u"http://long/"), Folder(1, u"経済"),
                      Page(2, u"株価", u"http://s/"), Page(0, u"a", u"http://a/")},
                     false);
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
    HFONT font = CreateFontIndirectW(&metrics.lfMenuFont);
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, font);
    // Room for the check mark or picture column on the left and the
    // submenu arrow on the right.
    const int margins = kGlyphSize + 2 * GetSystemMetrics(SM_CXMENUCHECK);
    // The top level, where "ブックマークを編集" is the widest caption, and a
    // folder with a long one.
    for (HMENU menu : {Menu(), Info(Menu(), First()).hSubMenu}) {
        const std::vector<RECT> rects = RectsWhileOpen(Frame().Handle(), menu);
        ASSERT_EQ(static_cast<int>(rects.size()), GetMenuItemCount(menu));
        for (size_t i = 0; i < rects.size(); ++i) {
            if (Info(menu, static_cast<int>(i)).fType & MFT_SEPARATOR) continue;
            const std::wstring caption = Caption(menu, static_cast<int>(i));
            RECT text{};
            DrawTextW(dc, caption.c_str(), -1, &text, DT_SINGLELINE | DT_CALCRECT);
            EXPECT_GE(rects[i].right - rects[i].left, text.right + margins) << testing::PrintToString(caption);
        }
    }
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    DeleteObject(font);
}

TEST_F(BookmarkMenuTest, SubmenusMadeAsTheyOpenShowEveryEntryOfTheFile) {
    // Deep folders, Japanese names and markup characters.
    const std::vector<BookmarkEntry> entries = bench::GenerateBookmarks(3000);
    SaveBookmarkFile(FilePath(), entries, false);
    // Walks the menu as a user opening every submenu would see it, twice
    // for each submenu, in pre-order.
    std::vector<BookmarkEntry> shown;
    HMENU deepMenu = nullptr;  // where the first bookmark two folders down is
    int deepPosition = 0;
    struct Level {
        HMENU menu;
        int position;
    };
    std::vector<Level> levels{{Menu(), First()}};
    while (!levels.empty()) {
        Level& level = levels.back();
        if (level.position >= GetMenuItemCount(level.menu)) {
            levels.pop_back();
            continue;
        }
        const int position = level.position++;
        const HMENU menu = level.menu;
        const auto item = Item(menu, position);
        ASSERT_TRUE(item.has_value());
        const std::wstring caption = Caption(menu, position);
        BookmarkEntry entry;
        entry.depth = levels.size() - 1;
        entry.isFolder = item->folder;
        entry.name = ToU16(caption.substr(1));  // without the access key's "&"
        entry.url = ToU16(item->hint);
        shown.push_back(entry);
        if (!deepMenu && entry.depth >= 2 && !entry.isFolder) {
            deepMenu = menu;
            deepPosition = position;
        }
        EXPECT_EQ(caption, BookmarkCaption(ToWide(entries[shown.size() - 1].name)));
        if (HMENU sub = Info(menu, position).hSubMenu) {
            EXPECT_EQ(GetMenuItemCount(sub), 0) << "made when first opened";
            Open(sub);
            const int count = GetMenuItemCount(Open(sub));
            EXPECT_GT(count, 0);
            levels.push_back({sub, 0});
        }
    }
    ASSERT_EQ(shown.size(), entries.size());
    for (size_t i = 0; i < entries.size(); ++i) {
        // Names are compared through their captions above ("&&" for "&").
        EXPECT_EQ(shown[i].depth, entries[i].depth) << i;
        EXPECT_EQ(shown[i].isFolder, entries[i].isFolder) << i;
        EXPECT_EQ(shown[i].url, entries[i].url) << i;
    }

    // A bookmark deep down opens its own address.
    ASSERT_NE(deepMenu, nullptr);
    Choose(deepMenu, deepPosition);
    ASSERT_EQ(Frame().ChildCount(), 1);
    EXPECT_EQ(engines_->Last().navigated, std::vector<std::wstring>{Hint(deepMenu, deepPosition)});
}

}  // namespace
}  // namespace vesko::test
