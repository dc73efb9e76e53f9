// Visits recorded in history.dat as pages load in either engine.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "browser/BrowserChild.h"
#include "history/HistoryStore.h"
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

}  // namespace
}  // namespace vesko::test
