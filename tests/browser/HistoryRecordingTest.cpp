// Visits recorded in history.dat as pages load in either engine.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <string>

#include "browser/BrowserChild.h"
#include "history/HistoryStore.h"
#include "history/win/HistoryWindow.h"
#include "tests/support/BoxAnswer.h"
#include "tests/support/FrameFixture.h"

namespace vesko::test {
namespace {

class HistoryRecording : public FrameTest {
protected:
    TMainForm& FrameWithGecko() {
        WriteConfig(L"Option", L"Mozilla", L"1");
        WriteConfig(L"Option", L"MozPath", dir_);
        return Frame();
    }
    // A page of engine `index` loads: its navigation starts, the engine
    // reports the address and title, the document completes.
    void Load(size_t index, const std::wstring& url, const std::wstring& title) {
        engines_->FireBeforeNavigate2(index, url);
        engines_->Record(index).locationURL = url;
        if (!title.empty()) engines_->FireTitleChange(index, title);
        engines_->FireDocumentComplete(index);
    }
    HistoryStore Saved() { return HistoryStore::Load(ReadFileBytes(dir_ + L"history.dat")); }
    static std::u16string U16(const std::wstring& s) { return std::u16string(s.begin(), s.end()); }
};

TEST_F(HistoryRecording, EachEnginesVisitsAreKeptWithTheirTitles) {
    FrameWithGecko().FileNew1Execute();  // IE
    Frame().Moz_ItemClick();
    Frame().FileNew1Execute();  // Gecko
    Load(0, L"http://ie.example/", L"IE のページ");
    Load(1, L"http://gecko.example/", L"Gecko のページ");
    Load(0, L"http://ie.example/", L"IE のページ");
    const HistoryStore store = Saved();
    ASSERT_EQ(store.Size(), 2u);
    const HistoryEntry ie = store.Entry(*store.Find(u"http://ie.example/"));
    EXPECT_EQ(ie.title, U16(L"IE のページ"));
    EXPECT_EQ(ie.visits, 2u);
    EXPECT_EQ(store.Entry(*store.Find(u"http://gecko.example/")).title, U16(L"Gecko のページ"));
    EXPECT_TRUE(errors_.empty());
}

TEST_F(HistoryRecording, AboutPagesFailedLoadsAndFramesAreNoVisits) {
    Frame().FileNew1Execute();
    Load(0, L"about:blank", L"");
    engines_->FireBeforeNavigate2(0, L"http://down.example/");
    engines_->FireNavigateError(0);
    engines_->FireDocumentComplete(0);  // the engine's error page
    engines_->FireDocumentComplete(0, false);
    EXPECT_EQ(ReadFileBytes(dir_ + L"history.dat"), "") << "nothing written";
    Load(0, L"http://up.example/", L"");
    EXPECT_EQ(Saved().Size(), 1u);
    EXPECT_TRUE(errors_.empty());
}

TEST_F(HistoryRecording, AnUnreadableFileIsKeptBesideOnceAndANewHistoryBegins) {
    WriteFileBytes(dir_ + L"history.dat", "not a history file at all");
    Frame().FileNew1Execute();
    Load(0, L"http://first.example/", L"最初");
    Load(0, L"http://second.example/", L"次");
    EXPECT_EQ(errors_.size(), 1u);
    EXPECT_EQ(ReadFileBytes(dir_ + L"history.dat.bak"), "not a history file at all");
    EXPECT_EQ(Saved().Size(), 2u);
}

std::wstring Cell(HWND list, int row, int column) {
    wchar_t text[512] = {};
    ListView_GetItemText(list, row, column, text, 512);
    return text;
}

TEST_F(HistoryRecording, TheHistoryWindowSearchesOpensDeletesAndClears) {
    FrameWithGecko().FileNew1Execute();
    Load(0, L"http://old.example/", L"古いページ");
    Load(0, L"http://mozilla.example/", L"Gecko について");
    Load(0, L"http://new.example/", L"新しいページ");
    EXPECT_TRUE(PressCtrl(Frame(), Frame().Handle(), 'H'));
    const HWND window = FindWindowW(L"Tfrm_History", L"履歴");
    ASSERT_NE(window, nullptr);
    auto* history = FromHandle<Tfrm_History>(window);
    ASSERT_NE(history, nullptr);
    const HWND list = history->Controls().lvHistory;
    ASSERT_EQ(ListView_GetItemCount(list), 3);
    EXPECT_EQ(Cell(list, 0, 1), L"http://new.example/") << "newest first";
    EXPECT_EQ(Cell(list, 0, 0), L"新しいページ");
    EXPECT_EQ(Cell(list, 0, 3), L"1");

    SetWindowTextW(history->Controls().txtSearch, L"ＧＥＣＫＯ");  // full-width, any case
    ASSERT_EQ(ListView_GetItemCount(list), 1);
    EXPECT_EQ(Cell(list, 0, 1), L"http://mozilla.example/");
    ListView_SetItemState(list, 0, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    SendMessageW(list, WM_KEYDOWN, VK_RETURN, 0);
    EXPECT_EQ(Frame().ChildCount(), 2);
    EXPECT_EQ(engines_->Last().navigated, std::vector<std::wstring>{L"http://mozilla.example/"});

    SendMessageW(list, WM_KEYDOWN, VK_DELETE, 0);
    EXPECT_EQ(ListView_GetItemCount(list), 0);
    EXPECT_EQ(Saved().Size(), 2u) << "deleted from the file too";
    SetWindowTextW(history->Controls().txtSearch, L"");
    {
        BoxAnswer no(IDNO);
        SendMessageW(history->Controls().btnClear, BM_CLICK, 0, 0);
        EXPECT_EQ(no.text, L"履歴をすべて削除しますか？");
        EXPECT_EQ(no.defaultButton, IDNO);
    }
    EXPECT_EQ(ListView_GetItemCount(list), 2);
    {
        BoxAnswer yes(IDYES);
        SendMessageW(history->Controls().btnClear, BM_CLICK, 0, 0);
    }
    EXPECT_EQ(ListView_GetItemCount(list), 0);
    EXPECT_EQ(Saved().Size(), 0u);
    DestroyWindow(window);
    EXPECT_TRUE(errors_.empty());
}

// Typing into the address box as the keyboard would.
void Type(HWND box, const std::wstring& text) {
    for (wchar_t c : text) SendMessageW(box, WM_CHAR, c, 0);
}

std::vector<std::wstring> Rows(HWND list) {
    std::vector<std::wstring> rows;
    const int count = static_cast<int>(SendMessageW(list, LB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        wchar_t text[512] = {};
        SendMessageW(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text));
        rows.push_back(text);
    }
    return rows;
}

TEST_F(HistoryRecording, TheAddressBoxSuggestsBookmarksThenHistoryAndTakesOnlyWhatIsPicked) {
    WriteFileBytes(dir_ + L"bookmark.xml",
                   "<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>\n<bookmark>\n"
                   "<file><name>Example Docs</name><url>https://www.example.com/docs</url></file>\n</bookmark>\n");
    Frame().FileNew1Execute();
    Load(0, L"http://example.com/blog", L"Blog");
    Load(0, L"http://other.example/", L"Other");
    SendMessageW(Frame().ActiveChild()->Handle(), WM_CLOSE, 0, 0);  // no window: Enter opens one

    const HWND box = Frame().Controls().txtAddress;
    SetWindowTextW(box, L"");
    Type(box, L"exam");
    HWND list = nullptr;
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND h, LPARAM found) {
            wchar_t name[16] = {};
            GetClassNameW(h, name, 16);
            if (_wcsicmp(name, L"ListBox") == 0 && IsWindowVisible(h)) *reinterpret_cast<HWND*>(found) = h;
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&list));
    ASSERT_NE(list, nullptr) << "the suggestions show";
    const std::vector<std::wstring> rows = Rows(list);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].rfind(L"https://www.example.com/docs", 0), 0u) << "the bookmark first";
    EXPECT_EQ(rows[1].rfind(L"http://example.com/blog", 0), 0u);
    EXPECT_EQ(WindowText(box), L"exam") << "nothing replaces what was typed";

    SendMessageW(box, WM_KEYDOWN, VK_DOWN, 0);
    SendMessageW(box, WM_KEYDOWN, VK_DOWN, 0);
    EXPECT_EQ(WindowText(box), L"http://example.com/blog");
    SendMessageW(box, WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_EQ(WindowText(box), L"exam") << "Esc gives back what was typed";
    EXPECT_FALSE(IsWindowVisible(list));

    Type(box, L"p");
    ASSERT_TRUE(IsWindowVisible(list));
    SendMessageW(box, WM_KEYDOWN, VK_DOWN, 0);
    SendMessageW(box, WM_KEYDOWN, VK_RETURN, 0);
    EXPECT_FALSE(IsWindowVisible(list));
    ASSERT_EQ(Frame().ChildCount(), 1);
    EXPECT_EQ(engines_->Last().navigated, std::vector<std::wstring>{L"https://www.example.com/docs"});

    // A click on a suggestion takes it and goes.
    SetWindowTextW(box, L"");
    Type(box, L"other");
    ASSERT_TRUE(IsWindowVisible(list));
    RECT row{};
    SendMessageW(list, LB_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&row));
    const LPARAM at = MAKELPARAM(row.left + 4, row.top + 2);
    SendMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageW(list, WM_LBUTTONUP, 0, at);
    EXPECT_EQ(engines_->Last().navigated.back(), L"http://other.example/");
    EXPECT_TRUE(errors_.empty());
}

}  // namespace
}  // namespace vesko::test
