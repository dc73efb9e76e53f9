// The folder picker with the system's own folder browser under Wine,
// pressed by a timer.
#include <gtest/gtest.h>
#include <windows.h>
#include <shlobj.h>

#include <algorithm>
#include <cwctype>
#include <memory>
#include <string>

#include "options/SHBFFEX.h"
#include "tests/options/RecordingShell.h"
#include "tests/support/FrameFixture.h"

namespace vesko::test {
namespace {

class Owner final : public Window {
public:
    Owner() {
        RegisterClassOnce(L"BrowserOwnerForm", COLOR_BTNFACE);
        Create(0, L"BrowserOwnerForm", L"owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 120, 90, 400, 300, nullptr);
    }
};

std::wstring Folded(std::wstring path) {
    while (!path.empty() && path.back() == L'\\') path.pop_back();
    for (auto& c : path) c = static_cast<wchar_t>(std::towlower(c));
    return path;
}

class SystemFolderBrowser : public ::testing::Test {
protected:
    void SetUp() override { dir_ = MakeTempDir(); }
    void TearDown() override { RemoveTree(dir_); }

    std::wstring dir_;
    Owner owner_;
    BrowserVisit visit_;
    TSHBrowseForFolderEx picker_{&owner_, std::make_shared<RecordingShell>(visit_)};
};

TEST_F(SystemFolderBrowser, ConfirmsTheFolderItWasOpenedOnAtTheOwnersClientOrigin) {
    picker_.SetSelectFolder(sfManual);
    picker_.SetSelectFolderName(dir_);
    picker_.SetCaption(L"フォルダを選んでください");
    visit_.answer = IDOK;
    ASSERT_TRUE(picker_.Execute());
    EXPECT_EQ(Folded(picker_.FolderPath()), Folded(dir_));
    EXPECT_FALSE(picker_.DisplayName().empty());

    ASSERT_NE(visit_.browser, nullptr);
    POINT origin{0, 0};
    ClientToScreen(owner_.Handle(), &origin);
    EXPECT_EQ(visit_.rect.left, origin.x);
    EXPECT_EQ(visit_.rect.top, origin.y);
    EXPECT_FALSE(visit_.applicationEnabled);
    EXPECT_TRUE(IsWindowEnabled(owner_.Handle()));
    EXPECT_NE(std::find(visit_.texts.begin(), visit_.texts.end(), L"フォルダを選んでください"), visit_.texts.end());
}

TEST_F(SystemFolderBrowser, APlainFileFallsBackToTheDesktopAndCancelEmptiesTheResults) {
    const std::wstring file = dir_ + L"plain.txt";
    WriteFileBytes(file, "");
    picker_.SetSelectFolder(sfManual);
    picker_.SetSelectFolderName(file);
    visit_.answer = IDCANCEL;
    EXPECT_FALSE(picker_.Execute());
    EXPECT_TRUE(picker_.FolderPath().empty());
    EXPECT_TRUE(picker_.DisplayName().empty());

    wchar_t desktop[MAX_PATH] = {};
    ASSERT_TRUE(SHGetSpecialFolderPathW(nullptr, desktop, CSIDL_DESKTOPDIRECTORY, FALSE));
    ASSERT_EQ(visit_.selections.size(), 1u);
    EXPECT_EQ(Folded(visit_.selections[0]), Folded(desktop));
    EXPECT_TRUE(IsWindowEnabled(owner_.Handle()));
}

}  // namespace
}  // namespace vesko::test
