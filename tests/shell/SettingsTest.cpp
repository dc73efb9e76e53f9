#include <gtest/gtest.h>
#include <windows.h>

#include <climits>
#include <fstream>
#include <string>

#include "common/AtomicFile.h"
#include "common/Error.h"
#include "common/Files.h"
#include "shell/Settings.h"
#include "tests/support/FileHolder.h"
#include "tests/support/FrameFixture.h"

namespace vesko {
namespace {

TEST(SettingInteger, FollowsTheHexAndDecimalRules) {
    EXPECT_EQ(ParseSettingInteger(L"0x1"), 1);
    EXPECT_EQ(ParseSettingInteger(L"0X1f"), 31);
    EXPECT_EQ(ParseSettingInteger(L"$1"), 1);
    EXPECT_EQ(ParseSettingInteger(L"$7FFFFFFF"), INT_MAX);
    EXPECT_EQ(ParseSettingInteger(L"$FFFFFFFF"), -1);
    EXPECT_EQ(ParseSettingInteger(L"2"), 2);
    EXPECT_EQ(ParseSettingInteger(L"-15"), -15);
    EXPECT_EQ(ParseSettingInteger(L"+15"), 15);
    EXPECT_EQ(ParseSettingInteger(L"007"), 7);
    EXPECT_EQ(ParseSettingInteger(L"2147483647"), INT_MAX);
    EXPECT_EQ(ParseSettingInteger(L"-2147483648"), INT_MIN);
}

TEST(SettingInteger, AnythingElseHasNoValue) {
    for (const wchar_t* text : {L"", L"yes", L"0x", L"$", L"-", L"+", L"1x", L"0x1g", L"$100000000", L"2147483648",
                                L"-2147483649", L"99999999999999999999", L"1 ", L"１", L"-$1", L"0x-1"})
        EXPECT_FALSE(ParseSettingInteger(text).has_value()) << "text: " << testing::PrintToString(std::wstring(text));
}

class SettingsFileTest : public ::testing::Test {
protected:
    void SetUp() override { dir_ = test::MakeTempDir(); }
    void TearDown() override { test::RemoveTree(dir_); }
    SettingsFile File() const { return SettingsFile(dir_ + L"config.ini"); }
    void WriteBytes(const std::string& bytes) { test::WriteFileBytes(dir_ + L"config.ini", bytes); }
    std::string ReadBytes() { return test::ReadFileBytes(dir_ + L"config.ini"); }
    int FileCount() { return static_cast<int>(ListFolder(dir_).size()); }
    std::wstring dir_;
};

TEST_F(SettingsFileTest, MissingFileReadsDefaults) {
    EXPECT_FALSE(File().Exists());
    EXPECT_EQ(File().ReadString(kSectionGeneral, kKeyLastEngine, L"IE"), L"IE");
    EXPECT_EQ(File().ReadInteger(kSectionOption, kKeyMozilla, 0), 0);
    EXPECT_EQ(File().ReadString(kSectionOption, kKeyMozPath, L""), L"");
}

TEST_F(SettingsFileTest, IntegerValuesAsStoredInTheFile) {
    WriteBytes("[Option]\r\nA=0x1\r\nB=$1\r\nC=yes\r\nD=2\r\nE=\r\n");
    EXPECT_EQ(File().ReadInteger(kSectionOption, L"A", 0), 1);
    EXPECT_EQ(File().ReadInteger(kSectionOption, L"B", 0), 1);
    EXPECT_EQ(File().ReadInteger(kSectionOption, L"C", 0), 0);
    EXPECT_EQ(File().ReadInteger(kSectionOption, L"D", 0), 2);
    EXPECT_EQ(File().ReadInteger(kSectionOption, L"E", 7), 7);
    EXPECT_EQ(File().ReadInteger(kSectionOption, L"Missing", 9), 9);
}

TEST_F(SettingsFileTest, LongValuesAreCutAt2047Characters) {
    const std::string path(3000, 'p');
    WriteBytes("[Option]\r\nMozPath=" + path + "\r\n");
    const std::wstring read = File().ReadString(kSectionOption, kKeyMozPath, L"");
    EXPECT_EQ(read.size(), 2047u);
    EXPECT_EQ(read, std::wstring(2047, L'p'));
}

TEST_F(SettingsFileTest, WritesCreateAndKeepSectionsInShiftJis) {
    File().WriteString(kSectionOption, kKeyMozPath, L"C:\\ソフト\\mozilla");
    File().WriteString(kSectionOption, kKeyMozilla, L"1");
    File().WriteString(kSectionGeneral, kKeyLastEngine, L"Gecko");
    File().WriteString(kSectionOption, kKeyMozilla, L"0");  // replaces
    EXPECT_EQ(File().ReadString(kSectionOption, kKeyMozPath, L""), L"C:\\ソフト\\mozilla");
    EXPECT_EQ(File().ReadInteger(kSectionOption, kKeyMozilla, 5), 0);
    EXPECT_EQ(File().ReadString(kSectionGeneral, kKeyLastEngine, L""), L"Gecko");

    const std::string bytes = ReadBytes();
    EXPECT_NE(bytes.find("\x83\x5c\x83\x74\x83\x67"), std::string::npos) << "ソフト in code page 932";
    EXPECT_EQ(bytes.find("Mozilla=1"), std::string::npos);
    EXPECT_EQ(FileCount(), 1) << "no temporary file may be left";
}

TEST_F(SettingsFileTest, RefusedWriteRaisesThePathMessageAndLeavesNothingBehind) {
    ASSERT_TRUE(CreateDirectoryW((dir_ + L"config.ini").c_str(), nullptr));
    try {
        File().WriteString(kSectionGeneral, kKeyLastEngine, L"IE");
        FAIL() << "the write should have failed";
    } catch (const AppError& e) {
        EXPECT_EQ(e.Message().rfind(dir_ + L"config.ini に書き込めません\n", 0), 0u)
            << testing::PrintToString(e.Message());
    }
    EXPECT_EQ(FileCount(), 1);
}

// Scratch copies the settings writer leaves in the temporary folder.
int ScratchCopies() {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    int count = 0;
    for (const FolderEntry& entry : ListFolder(temp))
        if (entry.name.rfind(L"vsk", 0) == 0) ++count;
    return count;
}

TEST_F(SettingsFileTest, ReadOnlyFileIsRefusedWithTheReasonAndNothingLeftBehind) {
    WriteBytes("[General]\r\nLastEngine=IE\r\n");
    const std::wstring path = dir_ + L"config.ini";
    ASSERT_TRUE(SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));
    const int scratchBefore = ScratchCopies();
    try {
        File().WriteString(kSectionGeneral, kKeyLastEngine, L"Gecko");
        FAIL() << "a read-only file is not written";
    } catch (const AppError& e) {
        const std::wstring head = path + L" に書き込めません\n";
        EXPECT_EQ(e.Message().rfind(head, 0), 0u) << testing::PrintToString(e.Message());
        EXPECT_GT(e.Message().size(), head.size()) << "the system's reason follows";
    }
    EXPECT_EQ(FileCount(), 1);
    EXPECT_EQ(ScratchCopies(), scratchBefore);
    EXPECT_EQ(ReadBytes(), "[General]\r\nLastEngine=IE\r\n");
    EXPECT_EQ(GetFileAttributesW(path.c_str()) & FILE_ATTRIBUTE_READONLY, DWORD{FILE_ATTRIBUTE_READONLY});

    // Writable again, it is written and keeps its other attributes.
    ASSERT_TRUE(SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_HIDDEN));
    File().WriteString(kSectionGeneral, kKeyLastEngine, L"Gecko");
    EXPECT_EQ(File().ReadString(kSectionGeneral, kKeyLastEngine, L""), L"Gecko");
    EXPECT_EQ(GetFileAttributesW(path.c_str()) & FILE_ATTRIBUTE_HIDDEN, DWORD{FILE_ATTRIBUTE_HIDDEN});
    EXPECT_EQ(FileCount(), 1);
    EXPECT_EQ(ScratchCopies(), scratchBefore);
}

TEST_F(SettingsFileTest, GarbageInTheFileReadsAsDefaults) {
    std::string garbage;
    for (int i = 0; i < 20000; ++i) garbage += static_cast<char>((i * 7919) % 256);
    WriteBytes(garbage);
    EXPECT_EQ(File().ReadInteger(kSectionOption, kKeyMozilla, 0), 0);
    const std::wstring engine = File().ReadString(kSectionGeneral, kKeyLastEngine, L"IE");
    EXPECT_LE(engine.size(), SettingsFile::kMaxValueLength);
    // And the file can still be written over.
    File().WriteString(kSectionGeneral, kKeyLastEngine, L"Gecko");
    EXPECT_EQ(File().ReadString(kSectionGeneral, kKeyLastEngine, L""), L"Gecko");
}

using SettingsAtClose = test::FrameTest;

TEST_F(SettingsAtClose, HeldFileIsReportedAfterRetriesAndTheFrameClosesAnyway) {
    WriteConfig(kSectionGeneral, kKeyLastEngine, L"Gecko");
    const std::string before = test::ReadFileBytes(ConfigPath());
    HWND frame = Frame().Handle();
    {
        const ScopedRetryBudget quick(300);
        test::FileHolder holder(ConfigPath(), 10000, test::FileHolder::kReadersWelcome);
        ASSERT_TRUE(holder.Holding());
        SendMessageW(frame, WM_CLOSE, 0, 0);
    }
    EXPECT_FALSE(IsWindow(frame));
    ASSERT_EQ(errors_.size(), 1u);
    EXPECT_EQ(errors_[0].rfind(ConfigPath() + L" に書き込めません\n", 0), 0u) << testing::PrintToString(errors_[0]);
    EXPECT_EQ(test::ReadFileBytes(ConfigPath()), before);
}

}  // namespace
}  // namespace vesko
