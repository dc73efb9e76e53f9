// Bookmarks > add this page, import, import favourites and export, through
// the real menus, dialogs and files.
#include <gtest/gtest.h>
#include <windows.h>

#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "bookmarks/AddBookmark.h"
#include "bookmarks/BookmarkFile.h"
#include "bookmarks/interchange/ImportFolder.h"
#include "bookmarks/interchange/NetscapeBookmarks.h"
#include "bookmarks/xml/BookmarkWriter.h"
#include "res/resource.h"
#include "tests/bookmarks/BookmarkTestSupport.h"
#include "tests/options/FakeShell.h"
#include "tests/support/BoxAnswer.h"
#include "tests/support/FrameFixture.h"

namespace vesko {

// Readable in failure messages: depth, kind, name and URL in UTF-8.
void PrintTo(const BookmarkEntry& entry, std::ostream* out) {
    const auto utf8 = [](const std::u16string& text) {
        const std::wstring wide(text.begin(), text.end());
        std::string bytes(static_cast<size_t>(WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), -1, nullptr, 0, nullptr, nullptr)), '\0');
        WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), -1, bytes.data(), static_cast<int>(bytes.size()), nullptr, nullptr);
        bytes.pop_back();
        return bytes;
    };
    *out << "{" << entry.depth << (entry.isFolder ? " folder \"" : " page \"") << utf8(entry.name) << "\" \""
         << utf8(entry.url) << "\"}";
}

namespace test {
namespace {

// Names no code page 932 file can hold as they are.
const std::u16string kEmoji = u"笑顔 😀";
const std::u16string kHangul = u"한국어 뉴스";
const std::u16string kAccented = u"Café Zürich";

class BookmarkTransferTest : public FrameTest {
protected:
    std::wstring FilePath() const { return dir_ + L"bookmark.xml"; }
    void Command(UINT id) { SendMessageW(Frame().Handle(), WM_COMMAND, MAKEWPARAM(id, 0), 0); }
    // The caption of the Bookmarks menu's last item, as it shows when the
    // user opens the menu.
    std::wstring LastMenuCaption() {
        HMENU menu = Frame().BookmarkMenu();
        SendMessageW(Frame().Handle(), WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(menu), 0);
        wchar_t text[256] = {};
        GetMenuStringW(menu, static_cast<UINT>(GetMenuItemCount(menu) - 1), text, 256, MF_BYPOSITION);
        return text;
    }
    Tfrm_AddBookmark* PressCtrlD() {
        EXPECT_TRUE(PressCtrl(Frame(), Frame().Controls().txtAddress, 'D'));
        return FromHandle<Tfrm_AddBookmark>(FindWindowW(L"Tfrm_AddBookmark", nullptr));
    }
    static std::u16string TodaysFolder() {
        SYSTEMTIME today{};
        GetLocalTime(&today);
        return ImportFolderName(today.wYear, today.wMonth, today.wDay);
    }
    // The entries of the import folder at the end of the saved file, one
    // level up.
    std::vector<BookmarkEntry> Imported(size_t before) {
        std::vector<BookmarkEntry> saved = ReadSavedEntries(FilePath());
        EXPECT_GT(saved.size(), before);
        if (saved.size() <= before) return {};
        EXPECT_EQ(saved[before], Folder(0, TodaysFolder()));
        std::vector<BookmarkEntry> inside(saved.begin() + static_cast<std::ptrdiff_t>(before) + 1, saved.end());
        for (BookmarkEntry& entry : inside) --entry.depth;
        return inside;
    }
};

TEST_F(BookmarkTransferTest, AddThisPageAppendsTheWindowsPageToTheChosenFolder) {
    WriteFileBytes(FilePath(), kSampleFile);
    EXPECT_FALSE(MenuEnables(Frame().Handle(), IDM_BOOKMARK_ADD));
    Frame().OpenPage(ToWide(kEmoji), L"http://example.com/a");
    engines_->Last().locationURL = L"http://example.com/a#top";
    Tfrm_AddBookmark* dialog = PressCtrlD();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(WindowText(dialog->Handle()), L"ブックマークに追加");
    EXPECT_EQ(WindowText(dialog->Controls().txtName), ToWide(kEmoji));
    EXPECT_EQ(WindowText(dialog->Controls().txtURL), L"http://example.com/a#top");

    dialog->SelectFolder(0);  // Tools
    SendMessageW(dialog->Handle(), WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    Pump();
    EXPECT_EQ(FindWindowW(L"Tfrm_AddBookmark", nullptr), nullptr);
    const std::vector<BookmarkEntry> expected = {Folder(0, u"Tools"), Page(1, u"Blank page", u"about:blank"),
                                                 Folder(1, u"Archive"), Page(1, kEmoji, u"http://example.com/a#top"),
                                                 Page(0, u"Start", u"http://start.example/")};
    EXPECT_EQ(ReadSavedEntries(FilePath()), expected);
    EXPECT_TRUE(errors_.empty());
}

TEST_F(BookmarkTransferTest, AddThisPageNamesAWindowWithoutCaptionByItsAddressAtTheTopLevel) {
    WriteFileBytes(FilePath(), kSampleFile);
    EXPECT_EQ(LastMenuCaption(), L"&Start");
    Frame().OpenPage(L"", L"http://example.com/b");
    engines_->Last().locationURL = L"http://example.com/b";
    Tfrm_AddBookmark* dialog = PressCtrlD();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(WindowText(dialog->Controls().txtName), L"http://example.com/b");
    SetWindowTextW(dialog->Controls().txtName, ToWide(kHangul).c_str());
    SendMessageW(dialog->Handle(), WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    Pump();
    const std::vector<BookmarkEntry> saved = ReadSavedEntries(FilePath());
    ASSERT_EQ(saved.size(), 5u);
    EXPECT_EQ(saved.back(), Page(0, kHangul, u"http://example.com/b"));
    // The menu follows the program's own save.
    EXPECT_EQ(LastMenuCaption(), L"&" + ToWide(kHangul));
}

TEST_F(BookmarkTransferTest, ImportReadsAnotherBrowsersFileIntoTodaysFolder) {
    WriteFileBytes(FilePath(), kSampleFile);
    const std::wstring source = dir_ + L"firefox.html";
    WriteFileBytes(source,
                   "<!DOCTYPE NETSCAPE-Bookmark-file-1>\n"
                   "<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=UTF-8\">\n"
                   "<TITLE>Bookmarks</TITLE>\n<H1>Bookmarks Menu</H1>\n\n<DL><p>\n"
                   "    <DT><H3 ADD_DATE=\"1\" PERSONAL_TOOLBAR_FOLDER=\"true\">한국어 뉴스</H3>\n    <DL><p>\n"
                   "        <DT><A HREF=\"https://news.example.kr/\" ICON=\"data:image/png;base64,AAAA\">笑顔 😀</A>\n"
                   "    </DL><p>\n"
                   "    <HR>\n"
                   "    <DT><A HREF=\"https://cafe.example/\" SHORTCUTURL=\"cafe\">Caf&eacute; &amp; Zürich</A>\n"
                   "    <DD>a description\n"
                   "</DL><p>\n");
    const std::string before = ReadFileBytes(FilePath());
    {
        BoxAnswer user(IDOK);
        user.fileName = source;
        Command(IDM_BOOKMARK_IMPORT);
        Pump();
        EXPECT_EQ(user.fileDialogs, 1);
        EXPECT_EQ(user.count, 1);
        EXPECT_EQ(user.text, L"2 件のブックマークをインポートしました");
    }
    const std::vector<BookmarkEntry> expected = {Folder(0, kHangul), Page(1, kEmoji, u"https://news.example.kr/"),
                                                 Page(0, u"Café & Zürich", u"https://cafe.example/")};
    EXPECT_EQ(Imported(4), expected);
    EXPECT_EQ(LastMenuCaption(), L"&" + ToWide(TodaysFolder()));
    EXPECT_TRUE(errors_.empty());

    // A file that is no bookmark file: said why, and bookmark.xml untouched.
    const std::string imported = ReadFileBytes(FilePath());
    WriteFileBytes(source, std::string("\xFF\xD8\xFF\xE0 not a bookmark file", 24));
    {
        BoxAnswer user(IDOK);
        user.fileName = source;
        Command(IDM_BOOKMARK_IMPORT);
        Pump();
        EXPECT_EQ(user.count, 0);
    }
    ASSERT_EQ(errors_.size(), 1u);
    EXPECT_NE(errors_[0].find(source), std::wstring::npos);
    EXPECT_EQ(ReadFileBytes(FilePath()), imported);
    EXPECT_NE(before, imported);
}

TEST_F(BookmarkTransferTest, ExportWritesWhatImportBringsBackEntryForEntry) {
    const std::vector<BookmarkEntry> tree = {Folder(0, kHangul),     Page(1, kEmoji, u"https://a.example/?x=1&y=<2>"),
                                             Folder(1, u"空"),        Page(0, kAccented, u"https://b.example/"),
                                             Page(0, u"\"引用\"", u"")};
    WriteFileBytes(FilePath(), WriteBookmarkFile(tree));
    const std::wstring target = dir_ + L"exported.html";
    {
        BoxAnswer user(IDOK);
        user.fileName = target;
        Command(IDM_BOOKMARK_EXPORT);
        Pump();
        EXPECT_EQ(user.fileDialogs, 1);
    }
    EXPECT_EQ(ReadFileBytes(target), WriteBookmarkInterchange(tree));
    {
        BoxAnswer user(IDOK);
        user.fileName = target;
        Command(IDM_BOOKMARK_IMPORT);
        Pump();
    }
    EXPECT_EQ(Imported(tree.size()), tree);
    EXPECT_TRUE(errors_.empty());
}

TEST_F(BookmarkTransferTest, FavoritesComeInFoldersFirstInExplorersOrderAndUnreadableOnesAreCounted) {
    WriteFileBytes(FilePath(), kSampleFile);
    const std::wstring favorites = dir_ + L"Favorites\\";
    ASSERT_TRUE(CreateDirectoryW(favorites.c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryW((favorites + ToWide(kHangul)).c_str(), nullptr));
    const auto shortcut = [](const std::string& url) { return "[InternetShortcut]\r\nURL=" + url + "\r\n"; };
    WriteFileBytes(favorites + ToWide(kHangul) + L"\\" + ToWide(kEmoji) + L".url", shortcut("https://kr.example/"));
    WriteFileBytes(favorites + L"10 ten.url", shortcut("https://ten.example/"));
    WriteFileBytes(favorites + L"2 two.url", shortcut("https://two.example/"));
    WriteFileBytes(favorites + ToWide(kAccented) + L".url", shortcut("https://cafe.example/"));
    WriteFileBytes(favorites + L"broken.url", "[InternetShortcut]\r\nIconIndex=0\r\n");
    WriteFileBytes(favorites + L"notes.txt", "not a shortcut");

    auto shell = std::make_shared<FakeShell>();
    shell->user_ = [&](FakeShell& s) {
        s.SetDisplayName("Favorites");
        return s.Folder("Favorites", std::string(favorites.begin(), favorites.end()));
    };
    Frame().SetFolderPickerShell(shell);
    {
        BoxAnswer user(IDOK);
        Command(IDM_BOOKMARK_IMPORT_FAVORITES);
        Pump();
        EXPECT_EQ(user.count, 1);
        EXPECT_EQ(user.text, L"4 件をインポートしました（1 件は読めませんでした）");
    }
    const std::vector<BookmarkEntry> expected = {
        Folder(0, kHangul), Page(1, kEmoji, u"https://kr.example/"), Page(0, u"2 two", u"https://two.example/"),
        Page(0, u"10 ten", u"https://ten.example/"), Page(0, kAccented, u"https://cafe.example/")};
    EXPECT_EQ(Imported(4), expected);
    EXPECT_TRUE(errors_.empty());
}

}  // namespace
}  // namespace test
}  // namespace vesko
