// Saving the bookmark file when something else got there first: another
// editor's save, another program's change, a hold or a read-only file.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <functional>
#include <vector>

#include "bookmarks/BookMark.h"
#include "common/AtomicFile.h"
#include "common/Files.h"
#include "common/Window.h"
#include "tests/bookmarks/BookmarkTestSupport.h"
#include "tests/support/BoxAnswer.h"
#include "tests/support/FileHolder.h"
#include "tests/support/FrameFixture.h"

namespace vesko::test {
namespace {

class BookmarkConflict : public FrameTest {
protected:
    void SetUp() override {
        FrameTest::SetUp();
        WriteFileBytes(FilePath(), kSampleFile);
    }
    std::wstring FilePath() const { return dir_ + L"bookmark.xml"; }

    Tfrm_BMEdit& Open() {
        Tfrm_BMEdit* editor = Tfrm_BMEdit::Create(FilePath(), Frame().Handle());
        editor->Show();
        return *editor;
    }
    // Adds a bookmark as the first entry of the first folder.
    static void Add(Tfrm_BMEdit& e, const std::wstring& name) {
        SetWindowTextW(e.Controls().txtName, name.c_str());
        SetWindowTextW(e.Controls().txtURL, (L"http://" + name + L".example/").c_str());
        SendMessageW(e.Controls().btnAdd, BM_CLICK, 0, 0);
    }
    static void PressOK(Tfrm_BMEdit& e) { SendMessageW(e.Controls().btnOK, BM_CLICK, 0, 0); }
    // Presses OK, answering with `answer` if it asks; whether it asked.
    static bool PressOK(Tfrm_BMEdit& e, int answer) {
        BoxAnswer box(answer);
        PressOK(e);
        return box.shown;
    }
    bool Saved(const std::u16string& name) const {
        const auto entries = ReadSavedEntries(FilePath());
        return std::any_of(entries.begin(), entries.end(), [&](const BookmarkEntry& e) { return e.name == name; });
    }
    // The bookmark files the folder holds (the frame's session is another's).
    std::vector<std::wstring> FilesInDir() const {
        std::vector<std::wstring> names;
        for (const FolderEntry& entry : ListFolder(dir_))
            if (entry.name != L"session.xml") names.push_back(entry.name);
        return names;
    }
    static bool IsOpen(Tfrm_BMEdit& e) { return IsWindow(e.Handle()) && IsWindowVisible(e.Handle()); }
    static size_t NodeCount(Tfrm_BMEdit& e) { return static_cast<size_t>(TreeView_GetCount(e.Controls().treeView1)); }
    bool IsWriteFailure(size_t error) const {
        const std::wstring head = FilePath() + L" に書き込めません\n";
        return error < errors_.size() && errors_[error].rfind(head, 0) == 0 && errors_[error].size() > head.size() + 1;
    }
};

TEST_F(BookmarkConflict, LaterOkAsksAndGoingBackWritesNothing) {
    Tfrm_BMEdit& first = Open();
    Tfrm_BMEdit& second = Open();
    Add(first, L"one");
    Add(second, L"two");
    EXPECT_FALSE(PressOK(first, IDNO));
    EXPECT_TRUE(Saved(u"one"));
    const std::string afterFirst = ReadFileBytes(FilePath());

    {
        BoxAnswer box(IDNO);
        PressOK(second);
        EXPECT_TRUE(box.shown);
        EXPECT_EQ(box.caption, L"Vesko");
        EXPECT_NE(box.text.find(FilePath()), std::wstring::npos) << testing::PrintToString(box.text);
        EXPECT_NE(box.text.find(L"ほかのエディタまたはプログラムによって変更されています"), std::wstring::npos);
        EXPECT_EQ(box.defaultButton, IDNO) << "going back is the default";
        EXPECT_TRUE(IsOpen(second));
        EXPECT_EQ(NodeCount(second), 5u) << "the editor keeps its changes";
        EXPECT_EQ(ReadFileBytes(FilePath()), afterFirst) << "going back writes nothing";
    }
    EXPECT_TRUE(PressOK(second, IDYES)) << "it asks again";
    EXPECT_FALSE(IsOpen(second));
    EXPECT_TRUE(Saved(u"two"));
    EXPECT_FALSE(Saved(u"one")) << "the user chose to overwrite";

    // An editor opened after that save starts from it and saves unasked.
    Tfrm_BMEdit& third = Open();
    Add(third, L"three");
    EXPECT_FALSE(PressOK(third, IDNO));
    EXPECT_TRUE(Saved(u"two") && Saved(u"three"));
    EXPECT_TRUE(errors_.empty());
}

TEST_F(BookmarkConflict, SavedAgainWhileTheQuestionIsOpenAsksAgain) {
    Tfrm_BMEdit& e = Open();
    Add(e, L"mine");
    WriteFileBytes(FilePath(), "<bookmark><file><name>theirs</name><url>u</url></file></bookmark>");
    const std::string again = "<bookmark><file><name>theirs again</name><url>u</url></file></bookmark>";
    {
        // Yes to the first question, but the other program saves once more
        // before the answer arrives.
        BoxAnswer box({IDYES, IDNO}, [&](int n) {
            if (n == 0) WriteFileBytes(FilePath(), again);
        });
        PressOK(e);
        EXPECT_EQ(box.count, 2) << "the file changed again: it asks again";
    }
    EXPECT_TRUE(IsOpen(e));
    EXPECT_EQ(NodeCount(e), 5u) << "the editor keeps its changes";
    EXPECT_EQ(ReadFileBytes(FilePath()), again) << "going back writes nothing";
    EXPECT_TRUE(errors_.empty());
}

TEST_F(BookmarkConflict, EarlierEditorAsksWhenTheLaterOneSavedFirst) {
    Tfrm_BMEdit& first = Open();
    Tfrm_BMEdit& second = Open();
    Add(first, L"one");
    Add(second, L"two");
    EXPECT_FALSE(PressOK(second, IDNO));
    EXPECT_TRUE(PressOK(first, IDYES));
    EXPECT_FALSE(IsOpen(first));
    EXPECT_TRUE(Saved(u"one"));
    EXPECT_FALSE(Saved(u"two"));
}

TEST_F(BookmarkConflict, DeletedOrReplacedFileCountsAsChanged) {
    Tfrm_BMEdit& e = Open();
    Add(e, L"mine");
    ASSERT_TRUE(DeleteFileW(FilePath().c_str()));
    EXPECT_TRUE(PressOK(e, IDNO));
    EXPECT_TRUE(IsOpen(e));
    EXPECT_FALSE(FileExists(FilePath()));

    WriteFileBytes(FilePath(), "<bookmark><file><name>theirs</name><url>u</url></file></bookmark>");
    EXPECT_TRUE(PressOK(e, IDYES));
    EXPECT_FALSE(IsOpen(e));
    EXPECT_TRUE(Saved(u"mine"));
    EXPECT_TRUE(errors_.empty());
}

TEST_F(BookmarkConflict, ReadOnlyFileIsReportedAndNothingIsLost) {
    Tfrm_BMEdit& e = Open();
    Add(e, L"mine");
    ASSERT_TRUE(SetFileAttributesW(FilePath().c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_FALSE(PressOK(e, IDNO)) << "unchanged content: no question";
    ASSERT_EQ(errors_.size(), 1u);
    EXPECT_TRUE(IsWriteFailure(0)) << testing::PrintToString(errors_[0]);
    EXPECT_TRUE(IsOpen(e));
    EXPECT_EQ(NodeCount(e), 5u);
    EXPECT_EQ(ReadFileBytes(FilePath()), kSampleFile);
    EXPECT_EQ(GetFileAttributesW(FilePath().c_str()) & FILE_ATTRIBUTE_READONLY, DWORD{FILE_ATTRIBUTE_READONLY});
    EXPECT_EQ(FilesInDir(), std::vector<std::wstring>{L"bookmark.xml"});

    ASSERT_TRUE(SetFileAttributesW(FilePath().c_str(), FILE_ATTRIBUTE_NORMAL));
    EXPECT_FALSE(PressOK(e, IDNO));
    EXPECT_FALSE(IsOpen(e));
    EXPECT_TRUE(Saved(u"mine"));
}

TEST_F(BookmarkConflict, BriefHoldByAnotherProgramIsWaitedOut) {
    Tfrm_BMEdit& e = Open();
    Add(e, L"mine");
    FileHolder holder(FilePath(), 500, FileHolder::kNoSharing);
    ASSERT_TRUE(holder.Holding());
    EXPECT_FALSE(PressOK(e, IDNO));
    EXPECT_TRUE(errors_.empty()) << testing::PrintToString(errors_);
    EXPECT_FALSE(IsOpen(e));
    EXPECT_TRUE(Saved(u"mine"));
}

TEST_F(BookmarkConflict, LongHoldFailsNamingTheFileAndALaterOkSaves) {
    Tfrm_BMEdit& e = Open();
    Add(e, L"mine");
    FileHolder holder(FilePath(), 10000, FileHolder::kReadersWelcome);
    ASSERT_TRUE(holder.Holding());
    EXPECT_FALSE(PressOK(e, IDNO));
    ASSERT_EQ(errors_.size(), 1u);
    EXPECT_TRUE(IsWriteFailure(0)) << testing::PrintToString(errors_[0]);
    EXPECT_TRUE(IsOpen(e));
    EXPECT_EQ(NodeCount(e), 5u);
    EXPECT_EQ(ReadFileBytes(FilePath()), kSampleFile);
    EXPECT_EQ(FilesInDir(), std::vector<std::wstring>{L"bookmark.xml"});

    holder.Release();
    EXPECT_FALSE(PressOK(e, IDNO));
    EXPECT_EQ(errors_.size(), 1u);
    EXPECT_FALSE(IsOpen(e));
    EXPECT_TRUE(Saved(u"mine"));
}

TEST_F(BookmarkConflict, FileUnreadableAtOkIsOneWriteFailureAndNoQuestion) {
    Tfrm_BMEdit& e = Open();
    Add(e, L"mine");
    const ScopedRetryBudget quick(300);
    FileHolder holder(FilePath(), 10000, FileHolder::kNoSharing);
    ASSERT_TRUE(holder.Holding());
    EXPECT_FALSE(PressOK(e, IDNO)) << "what cannot be read is not a change to ask about";
    ASSERT_EQ(errors_.size(), 1u) << testing::PrintToString(errors_);
    EXPECT_TRUE(IsWriteFailure(0)) << testing::PrintToString(errors_[0]);
    EXPECT_TRUE(IsOpen(e));

    holder.Release();
    EXPECT_EQ(ReadFileBytes(FilePath()), kSampleFile);
    EXPECT_EQ(FilesInDir(), std::vector<std::wstring>{L"bookmark.xml"});
    EXPECT_FALSE(PressOK(e, IDNO)) << "readable again and unchanged: saved unasked";
    EXPECT_TRUE(Saved(u"mine"));
}

// Another program's save may differ from what was read by one byte anywhere,
// in a whole block or in the tail; each must count as a change.
TEST(FileFingerprint, TellsApartEveryOneByteChangeAndTheSameBytesAlike) {
    // Two lengths seven apart: at least one of them ends in a partial block.
    for (const std::string& read : {std::string(kSampleFile), std::string(kSampleFile) + "<!---->"}) {
        const FileFingerprint before = FingerprintOf(read);
        EXPECT_EQ(FingerprintOf(std::string(read)), before);
        for (size_t at = 0; at < read.size(); ++at) {
            for (const char delta : {'\x01', '\x80'}) {
                std::string changed = read;
                changed[at] = static_cast<char>(changed[at] ^ delta);
                ASSERT_NE(FingerprintOf(changed), before) << "byte " << at;
            }
        }
        EXPECT_NE(FingerprintOf(read.substr(0, read.size() - 1)), before);
        EXPECT_NE(FingerprintOf(read + '\0'), before);
    }
}

}  // namespace
}  // namespace vesko::test
