#include <gtest/gtest.h>
#include <windows.h>

#include <random>

#include "bookmarks/xml/BookmarkReader.h"
#include "bookmarks/xml/BookmarkWriter.h"
#include "bookmarks/BookmarkFile.h"
#include "tests/bookmarks/BookmarkTestSupport.h"
#include "tests/support/FrameFixture.h"

namespace vesko::test {
namespace {

class BookmarkSave : public ::testing::Test {
protected:
    void SetUp() override { dir_ = MakeTempDir(); }
    void TearDown() override { RemoveTree(dir_); }
    std::wstring FilePath() const { return dir_ + L"bookmark.xml"; }
    std::wstring dir_;
};

const std::vector<BookmarkEntry>& VersionA() {
    static const std::vector<BookmarkEntry> a{Folder(0, u"ソフト"), Page(1, u"表示", u"http://a.example/"),
                                              Page(0, u"絵文字 \U0001F600 ¥", u"http://b.example/?x=1&y=<2>")};
    return a;
}

std::vector<BookmarkEntry> VersionB() {
    std::vector<BookmarkEntry> b;
    for (int i = 0; i < 2000; ++i) b.push_back(Page(0, u"ページ", u"http://example.com/" + std::u16string(40, u'b')));
    return b;
}

TEST_F(BookmarkSave, JapaneseRoundTripsThroughTheSystemCodePage) {
    SaveBookmarkFile(FilePath(), VersionA(), false);
    const std::string bytes = ReadFileBytes(FilePath());
    EXPECT_EQ(bytes.rfind("<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>\n", 0), 0u);
    EXPECT_NE(bytes.find("\x83\x5c\x83\x74\x83\x67"), std::string::npos) << "ソフト in Shift_JIS";
    const BookmarkDocument read = LoadBookmarkDocument(FilePath());
    ASSERT_TRUE(read.error.empty()) << testing::PrintToString(read.error);
    EXPECT_EQ(ReadBookmarkEntries(read.Root()), VersionA());
}

TEST_F(BookmarkSave, MissingUnreadableAndTooDeepFiles) {
    BookmarkDocument missing = LoadBookmarkDocument(FilePath());
    EXPECT_FALSE(missing.exists);
    EXPECT_TRUE(missing.error.empty());
    EXPECT_EQ(missing.Root(), nullptr);

    ASSERT_TRUE(CreateDirectoryW(FilePath().c_str(), nullptr));  // cannot be read as a file
    BookmarkDocument unreadable = LoadBookmarkDocument(FilePath());
    EXPECT_TRUE(unreadable.Unreadable());
    RemoveDirectoryW(FilePath().c_str());

    // A bookmark inside 255 folders is read; one inside 256 is not.
    auto nested = [](int folders) {
        std::string text = "<bookmark>";
        for (int i = 0; i < folders; ++i) text += "<directory><name>d</name>";
        text += "<file><name>b</name><url>u</url></file>";
        for (int i = 0; i < folders; ++i) text += "</directory>";
        return text + "</bookmark>";
    };
    WriteFileBytes(FilePath(), nested(255));
    BookmarkDocument deepest = LoadBookmarkDocument(FilePath());
    EXPECT_FALSE(deepest.Unreadable());
    EXPECT_NE(deepest.Root(), nullptr);
    for (int folders : {256, 300}) {
        WriteFileBytes(FilePath(), nested(folders));
        BookmarkDocument tooDeep = LoadBookmarkDocument(FilePath());
        EXPECT_TRUE(tooDeep.Unreadable()) << folders;
        EXPECT_EQ(tooDeep.Root(), nullptr) << folders;
    }
}

TEST_F(BookmarkSave, BackupKeepsTheOldBytes) {
    WriteFileBytes(FilePath(), "not xml at all");
    SaveBookmarkFile(FilePath(), VersionA(), true);
    EXPECT_EQ(ReadFileBytes(FilePath() + L".bak"), "not xml at all");
    EXPECT_EQ(ReadFileBytes(FilePath()), WriteBookmarkFile(VersionA()));
}

TEST_F(BookmarkSave, ReplacedFileKeepsItsAttributes) {
    WriteFileBytes(FilePath(), "old");
    ASSERT_TRUE(SetFileAttributesW(FilePath().c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE));
    if (!(GetFileAttributesW(FilePath().c_str()) & FILE_ATTRIBUTE_HIDDEN))
        GTEST_SKIP() << "this file system keeps no hidden attribute";
    SaveBookmarkFile(FilePath(), VersionA(), false);
    EXPECT_EQ(ReadFileBytes(FilePath()), WriteBookmarkFile(VersionA()));
    EXPECT_TRUE(GetFileAttributesW(FilePath().c_str()) & FILE_ATTRIBUTE_HIDDEN);
    EXPECT_FALSE(FileExists(FilePath() + L".tmp"));
}

// How many interrupted saves to try: 200, or VESKO_SAVE_TRIALS for a soak.
int SaveTrials() {
    wchar_t text[16] = {};
    const DWORD n = GetEnvironmentVariableW(L"VESKO_SAVE_TRIALS", text, 16);
    const int trials = n && n < 16 ? _wtoi(text) : 0;
    return trials > 0 ? trials : 200;
}

// A save killed at any moment leaves the old or the new file, whole.
TEST_F(BookmarkSave, InterruptedSavesNeverLeaveHalfAFile) {
    const std::string a = WriteBookmarkFile(VersionA());
    const std::string b = WriteBookmarkFile(VersionB());
    WriteFileBytes(FilePath(), a);

    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::mt19937 random(12345);
    int sawA = 0, sawB = 0;
    const int trials = SaveTrials();
    for (int trial = 0; trial < trials; ++trial) {
        const std::wstring eventName =
            L"VeskoSaveLoop-" + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(trial);
        HANDLE ready = CreateEventW(nullptr, TRUE, FALSE, eventName.c_str());
        std::wstring command = L"\"" + std::wstring(self) + L"\" --save-loop \"" + FilePath() + L"\" " + eventName;
        STARTUPINFOW si{};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi{};
        ASSERT_TRUE(CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
        EXPECT_EQ(WaitForSingleObject(ready, 20000), WAIT_OBJECT_0);
        Sleep(std::uniform_int_distribution<int>(0, 25)(random));
        TerminateProcess(pi.hProcess, 9);
        WaitForSingleObject(pi.hProcess, INFINITE);
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
        CloseHandle(ready);

        const std::string now = ReadFileBytes(FilePath());
        if (now == a)
            ++sawA;
        else if (now == b)
            ++sawB;
        else
            FAIL() << "trial " << trial << ": a file of " << now.size() << " bytes that is neither version";
    }
    EXPECT_GT(sawA + sawB, 0);
    RecordProperty("old", sawA);
    RecordProperty("new", sawB);
}

}  // namespace

// The child of the interrupted-save test: saves the two versions in turn
// until it is killed.
int SaveLoop(const std::wstring& path, const std::wstring& eventName) {
    HANDLE ready = OpenEventW(EVENT_MODIFY_STATE, FALSE, eventName.c_str());
    const auto b = VersionB();
    for (unsigned i = 0;; ++i) {
        SaveBookmarkFile(path, (i % 2) ? VersionA() : b, false);
        if (i == 0 && ready) SetEvent(ready);
    }
}

}  // namespace vesko::test
