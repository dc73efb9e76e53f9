#include <gtest/gtest.h>
#include <windows.h>

#include "common/Error.h"
#include "common/Files.h"
#include "shell/MainForm.h"

namespace vesko {
namespace {

TEST(ErrorText, PeriodFollowsAnyLastCharacterSortingAfterPeriod) {
    EXPECT_EQ(WithClosingPeriod(L"Disk full"), L"Disk full.");
    EXPECT_EQ(WithClosingPeriod(L"書き込めません"), L"書き込めません.");
    EXPECT_EQ(WithClosingPeriod(L"ends with slash/"), L"ends with slash/.");
    EXPECT_EQ(WithClosingPeriod(L"I/O エラー (206)"), L"I/O エラー (206)");  // ')' sorts before '.'
    EXPECT_EQ(WithClosingPeriod(L"Done."), L"Done.");
    EXPECT_EQ(WithClosingPeriod(L"Stop!"), L"Stop!");
    EXPECT_EQ(WithClosingPeriod(L"a-"), L"a-");
    EXPECT_EQ(WithClosingPeriod(L""), L"");
}

TEST(ErrorText, OleErrorsFallBackFromDescriptionToSystemTextToCode) {
    // A code the system has a text for.
    const std::wstring outOfMemory = OleErrorMessage(E_OUTOFMEMORY, nullptr, IID_IUnknown);
    EXPECT_FALSE(outOfMemory.empty());
    EXPECT_EQ(outOfMemory.find(L"OLE エラー"), std::wstring::npos);
    EXPECT_NE(outOfMemory.back(), L'\n');
    // A code nobody knows.
    EXPECT_EQ(OleErrorMessage(static_cast<HRESULT>(0x8004ABCD), nullptr, IID_IUnknown), L"OLE エラー 8004abcd");
}

TEST(ErrorText, DirectoryChangeFailuresHaveTheirOwnTexts) {
    EXPECT_EQ(InOutErrorMessage(2), L"ファイルが見つかりません");
    EXPECT_EQ(InOutErrorMessage(3), L"不正なファイル名です");
    EXPECT_EQ(InOutErrorMessage(4), L"オープンしたファイルが多すぎます");
    EXPECT_EQ(InOutErrorMessage(5), L"ファイルへのアクセスが拒否されました");
    EXPECT_EQ(InOutErrorMessage(206), L"I/O エラー (206)");
    EXPECT_EQ(InOutErrorMessage(0), L"I/O エラー (0)");
}

}  // namespace
}  // namespace vesko
