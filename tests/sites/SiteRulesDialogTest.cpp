// The site rules' dialog and the command that adds one rule: what the user
// sees in the list, what OK and Cancel leave in sites.xml, and the file
// changed or broken under them.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "bookmarks/BookmarkFile.h"
#include "common/AtomicFile.h"
#include "common/Error.h"
#include "common/ErrorReport.h"
#include "common/Files.h"
#include "common/Handles.h"
#include "common/Window.h"
#include "sites/SiteList.h"
#include "sites/win/SiteRules.h"
#include "sites/win/SiteRulesFile.h"
#include "tests/support/BoxAnswer.h"
#include "tests/support/FileHolder.h"
#include "tests/support/FrameFixture.h"

namespace vesko::test {
namespace {

// Another program's list: a Japanese international name, a path, a port,
// and what Vesko does not use (comment, version, other elements,
// compat-mode, an attribute of open-in).
const char kSample[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<!-- kept by the IT department -->\n"
    "<site-list version=\"7\">\n"
    "  <created-by><tool>EMIESiteListManager</tool></created-by>\n"
    "  <site url=\"\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E.jp\">\n"  // 日本語.jp
    "    <compat-mode>IE8Enterprise</compat-mode>\n"
    "    <open-in>IE11</open-in>\n"
    "  </site>\n"
    "  <site url=\"intranet.example.co.jp/app\">\n"
    "    <open-in allow-redirect=\"true\">MSEdge</open-in>\n"
    "  </site>\n"
    "  <site url=\"old.example:8080\"><open-in>None</open-in></site>\n"
    "</site-list>\n";

using Row = std::pair<std::wstring, std::wstring>;  // site, engine as the list shows them

class SiteRulesDialog : public FrameTest {
protected:
    void TearDown() override {
        // Dialogs a test left open go with their windows.
        while (HWND open = FindWindowExW(nullptr, nullptr, L"Tfrm_SiteRules", nullptr)) DestroyWindow(open);
        Pump();
        FrameTest::TearDown();
    }
    std::wstring FilePath() const { return dir_ + L"sites.xml"; }
    Tfrm_SiteRules& Open(std::function<void()> saved = nullptr) {
        return *Tfrm_SiteRules::Create(FilePath(), nullptr, std::move(saved));
    }

    static std::vector<Row> Rows(Tfrm_SiteRules& d) {
        const HWND list = d.Controls().lvSites;
        std::vector<Row> rows;
        for (int k = 0; k < ListView_GetItemCount(list); ++k) {
            wchar_t site[256] = {}, engine[64] = {};
            ListView_GetItemText(list, k, 0, site, 256);
            ListView_GetItemText(list, k, 1, engine, 64);
            rows.emplace_back(site, engine);
        }
        return rows;
    }
    // As a click on the row does.
    static void Select(Tfrm_SiteRules& d, int row) {
        ListView_SetItemState(d.Controls().lvSites, row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    }
    static void Type(Tfrm_SiteRules& d, const std::wstring& site) {
        SetWindowTextW(d.Controls().txtSite, site.c_str());
    }
    // As the user's pick in the drop-down list does.
    static void ChooseEngine(Tfrm_SiteRules& d, const wchar_t* name) {
        const HWND combo = d.Controls().cmbEngine;
        const LRESULT at =
            SendMessageW(combo, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(name));
        ASSERT_GE(at, 0) << testing::PrintToString(std::wstring(name));
        SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(at), 0);
        SendMessageW(d.Handle(), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(combo), CBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(combo));
    }
    static std::wstring ChosenEngine(Tfrm_SiteRules& d) {
        const HWND combo = d.Controls().cmbEngine;
        const LRESULT at = SendMessageW(combo, CB_GETCURSEL, 0, 0);
        if (at < 0) return L"<none>";
        wchar_t text[64] = {};
        SendMessageW(combo, CB_GETLBTEXT, static_cast<WPARAM>(at), reinterpret_cast<LPARAM>(text));
        return text;
    }
    static void Press(HWND button) { SendMessageW(button, BM_CLICK, 0, 0); }

    // The saved file's rules as url and engine.
    std::vector<std::pair<std::u16string, SiteEngine>> SavedRules() const {
        std::vector<std::pair<std::u16string, SiteEngine>> rules;
        const SiteList list = SiteList::Parse(ReadFileBytes(FilePath()));
        for (const SiteRule& rule : list.Rules()) rules.emplace_back(rule.url, rule.engine);
        return rules;
    }
    static bool Holds(const std::string& bytes, const char* piece) { return bytes.find(piece) != std::string::npos; }
};

TEST_F(SiteRulesDialog, ListShowsTheFilesRulesAndASelectedRuleInTheBoxes) {
    WriteFileBytes(FilePath(), kSample);
    Tfrm_SiteRules& d = Open();
    EXPECT_EQ(WindowText(d.Handle()), L"サイト別エンジン");
    EXPECT_TRUE(IsWindowVisible(d.Handle()));
    EXPECT_EQ(GetFocus(), d.Controls().txtSite);
    EXPECT_EQ(Rows(d), (std::vector<Row>{{L"日本語.jp", L"Internet Explorer"},
                                         {L"intranet.example.co.jp/app", L"Gekko"},
                                         {L"old.example:8080", L"切り替えない"}}));
    const HWND header = ListView_GetHeader(d.Controls().lvSites);
    ASSERT_EQ(Header_GetItemCount(header), 2);
    for (int k = 0; k < 2; ++k) {
        wchar_t title[32] = {};
        HDITEMW item{};
        item.mask = HDI_TEXT;
        item.pszText = title;
        item.cchTextMax = 32;
        SendMessageW(header, HDM_GETITEMW, k, reinterpret_cast<LPARAM>(&item));
        EXPECT_STREQ(title, k == 0 ? L"サイト" : L"エンジン");
    }
    EXPECT_FALSE(IsWindowEnabled(d.Controls().btnDel)) << "nothing selected yet";

    Select(d, 1);
    EXPECT_EQ(WindowText(d.Controls().txtSite), L"intranet.example.co.jp/app");
    EXPECT_EQ(ChosenEngine(d), L"Gekko");
    EXPECT_TRUE(IsWindowEnabled(d.Controls().btnDel));
    Select(d, 0);
    EXPECT_EQ(WindowText(d.Controls().txtSite), L"日本語.jp");
    EXPECT_EQ(ChosenEngine(d), L"Internet Explorer");
    EXPECT_EQ(ReadFileBytes(FilePath()), kSample) << "opening writes nothing";
    EXPECT_TRUE(errors_.empty());
}

TEST_F(SiteRulesDialog, AddChangeAndDeleteThenOkWritesThemAndKeepsTheRest) {
    WriteFileBytes(FilePath(), kSample);
    // Whoever keeps the rules hears of the save once the file holds it.
    std::vector<std::string> heard;
    Tfrm_SiteRules& d = Open([&] { heard.push_back(ReadFileBytes(FilePath())); });
    const HWND hwnd = d.Handle();
    Select(d, 0);
    ChooseEngine(d, L"Gekko");
    Select(d, 2);
    Press(d.Controls().btnDel);
    EXPECT_FALSE(IsWindowEnabled(d.Controls().btnDel)) << "a second press cannot take another rule";
    EXPECT_EQ(WindowText(d.Controls().txtSite), L"");
    Type(d, L"新しい.example/path");
    ChooseEngine(d, L"切り替えない");
    Press(d.Controls().btnAdd);
    // A site that has a rule already: that rule takes the engine.
    Type(d, L"INTRANET.example.co.jp/app");
    ChooseEngine(d, L"Internet Explorer");
    Press(d.Controls().btnAdd);
    EXPECT_EQ(Rows(d), (std::vector<Row>{{L"日本語.jp", L"Gekko"},
                                         {L"intranet.example.co.jp/app", L"Internet Explorer"},
                                         {L"新しい.example/path", L"切り替えない"}}));
    EXPECT_EQ(ReadFileBytes(FilePath()), kSample) << "nothing is written before OK";

    Press(d.Controls().btnOK);
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_EQ(heard, std::vector<std::string>{ReadFileBytes(FilePath())});
    EXPECT_EQ(SavedRules(), (std::vector<std::pair<std::u16string, SiteEngine>>{
                                {u"日本語.jp", SiteEngine::Gecko},
                                {u"intranet.example.co.jp/app", SiteEngine::InternetExplorer},
                                {u"新しい.example/path", SiteEngine::None}}));
    const std::string saved = ReadFileBytes(FilePath());
    EXPECT_TRUE(Holds(saved, "<compat-mode>IE8Enterprise</compat-mode>")) << saved;
    EXPECT_TRUE(Holds(saved, "<tool>EMIESiteListManager</tool>")) << saved;
    EXPECT_TRUE(Holds(saved, "<!-- kept by the IT department -->")) << saved;
    EXPECT_TRUE(Holds(saved, "version=\"7\"")) << saved;
    EXPECT_TRUE(Holds(saved, "allow-redirect=\"true\"")) << saved;
    EXPECT_FALSE(Holds(saved, "old.example")) << saved;
    EXPECT_EQ(ListFolder(dir_).size(), 1u) << "no temporary file is left";
    EXPECT_TRUE(errors_.empty()) << testing::PrintToString(errors_);
}

TEST_F(SiteRulesDialog, WithoutAFileTheListIsEmptyAndOkCreatesIt) {
    Tfrm_SiteRules& d = Open();
    EXPECT_TRUE(Rows(d).empty());
    Type(d, L"  portal.example.com  ");  // as pasted
    ChooseEngine(d, L"Gekko");
    Press(d.Controls().btnAdd);
    EXPECT_EQ(Rows(d), (std::vector<Row>{{L"portal.example.com", L"Gekko"}}));
    EXPECT_FALSE(FileExists(FilePath()));
    Press(d.Controls().btnOK);
    EXPECT_EQ(SavedRules(),
              (std::vector<std::pair<std::u16string, SiteEngine>>{{u"portal.example.com", SiteEngine::Gecko}}));
    EXPECT_TRUE(errors_.empty());
}

TEST_F(SiteRulesDialog, CancelAndTheCloseBoxWriteNothing) {
    WriteFileBytes(FilePath(), kSample);
    for (const bool closeBox : {false, true}) {
        Tfrm_SiteRules& d = Open();
        const HWND hwnd = d.Handle();
        Select(d, 0);
        ChooseEngine(d, L"Gekko");
        Press(d.Controls().btnDel);
        Type(d, L"added.example");
        Press(d.Controls().btnAdd);
        if (closeBox)
            SendMessageW(hwnd, WM_SYSCOMMAND, SC_CLOSE, 0);
        else
            Press(d.Controls().btnCancel);
        EXPECT_FALSE(IsWindow(hwnd)) << closeBox;
        EXPECT_EQ(ReadFileBytes(FilePath()), kSample) << closeBox;
    }
    // Without a file, none is made.
    DeleteFileW(FilePath().c_str());
    Tfrm_SiteRules& d = Open();
    Type(d, L"added.example");
    Press(d.Controls().btnAdd);
    Press(d.Controls().btnCancel);
    EXPECT_FALSE(FileExists(FilePath()));
    EXPECT_TRUE(errors_.empty());
}

TEST_F(SiteRulesDialog, SiteThatCannotBeARuleIsRefusedWithOneBox) {
    WriteFileBytes(FilePath(), kSample);
    Tfrm_SiteRules& d = Open();
    Type(d, L"https://portal.example.com/");
    Press(d.Controls().btnAdd);
    ASSERT_EQ(errors_.size(), 1u);
    EXPECT_NE(errors_[0].find(L"https://portal.example.com/"), std::wstring::npos) << testing::PrintToString(errors_);
    EXPECT_NE(errors_[0].find(L"スキーム"), std::wstring::npos) << "says why";
    EXPECT_TRUE(IsWindow(d.Handle()));
    EXPECT_EQ(Rows(d).size(), 3u);
    EXPECT_EQ(WindowText(d.Controls().txtSite), L"https://portal.example.com/") << "kept to be corrected";

    Type(d, L"portal.example.com");
    Press(d.Controls().btnAdd);
    EXPECT_EQ(errors_.size(), 1u);
    EXPECT_EQ(Rows(d).size(), 4u);
}

TEST_F(SiteRulesDialog, RuleThatCanNeverMatchIsShownKeptAndDeletable) {
    // Another tool wrote a scheme into a url.
    const std::string file =
        "<site-list><site url=\"http://legacy.example/\"><open-in>IE11</open-in></site>"
        "<site url=\"ok.example\"><open-in>MSEdge</open-in></site></site-list>";
    WriteFileBytes(FilePath(), file);
    Tfrm_SiteRules& d = Open();
    EXPECT_EQ(Rows(d),
              (std::vector<Row>{{L"http://legacy.example/", L"Internet Explorer"}, {L"ok.example", L"Gekko"}}));
    Select(d, 0);
    ChooseEngine(d, L"Gekko");
    ASSERT_EQ(errors_.size(), 1u);
    EXPECT_NE(errors_[0].find(L"スキーム"), std::wstring::npos) << testing::PrintToString(errors_[0]);
    EXPECT_EQ(ChosenEngine(d), L"Internet Explorer") << "the choice shows the rule as it stays";
    EXPECT_EQ(Rows(d)[0].second, L"Internet Explorer");

    Press(d.Controls().btnDel);
    Press(d.Controls().btnOK);
    EXPECT_EQ(SavedRules(), (std::vector<std::pair<std::u16string, SiteEngine>>{{u"ok.example", SiteEngine::Gecko}}));
    EXPECT_EQ(errors_.size(), 1u);
}

TEST_F(SiteRulesDialog, AnotherSaveWhileOpenAsksAndNoWritesNothing) {
    WriteFileBytes(FilePath(), kSample);
    int saves = 0;
    Tfrm_SiteRules& d = Open([&] { ++saves; });
    Type(d, L"mine.example");
    Press(d.Controls().btnAdd);
    // The page command saves while the dialog is open.
    AddSiteRule(FilePath(), u"theirs.example", SiteEngine::Gecko);
    const std::string theirs = ReadFileBytes(FilePath());
    {
        BoxAnswer box(IDNO);
        Press(d.Controls().btnOK);
        EXPECT_EQ(box.count, 1);
        EXPECT_EQ(box.caption, L"Vesko");
        EXPECT_NE(box.text.find(FilePath()), std::wstring::npos) << testing::PrintToString(box.text);
        EXPECT_EQ(box.defaultButton, IDNO) << "going back is the default";
    }
    EXPECT_TRUE(IsWindow(d.Handle()));
    EXPECT_EQ(Rows(d).size(), 4u) << "the dialog keeps its changes";
    EXPECT_EQ(ReadFileBytes(FilePath()), theirs) << "going back writes nothing";
    EXPECT_EQ(saves, 0);

    // A second dialog opened now starts from that save and saves unasked.
    Tfrm_SiteRules& second = Open();
    EXPECT_EQ(Rows(second).size(), 4u);
    {
        BoxAnswer box(IDNO);
        Press(second.Controls().btnOK);
        EXPECT_EQ(box.count, 0);
    }
    {
        BoxAnswer box(IDYES);
        Press(d.Controls().btnOK);
        EXPECT_EQ(box.count, 1);
    }
    EXPECT_EQ(saves, 1);
    EXPECT_FALSE(IsWindow(FindWindowExW(nullptr, nullptr, L"Tfrm_SiteRules", nullptr)));
    const auto saved = SavedRules();
    EXPECT_EQ(saved.back(), std::make_pair(std::u16string(u"mine.example"), SiteEngine::InternetExplorer));
    EXPECT_EQ(saved.size(), 4u) << "the user chose to replace theirs";
    EXPECT_TRUE(errors_.empty());
}

TEST_F(SiteRulesDialog, UnreadableFileGivesOneBoxAndNoDialog) {
    const int windowsBefore = Window::LiveCount();
    // As the menu command opens it: what it raises reaches the error box.
    const auto openAsTheMenuDoes = [&] {
        try {
            Tfrm_SiteRules::Create(FilePath(), nullptr);
        } catch (...) {
            ReportCurrentException();
        }
    };
    const std::string broken = "<site-list>\n  <site url=\"a.example\">\n</site-list>\n";
    WriteFileBytes(FilePath(), broken);
    openAsTheMenuDoes();
    ASSERT_EQ(errors_.size(), 1u);
    EXPECT_EQ(errors_[0].rfind(FilePath(), 0), 0u) << testing::PrintToString(errors_[0]);
    EXPECT_NE(errors_[0].find(L"3 行"), std::wstring::npos) << "says where";
    EXPECT_EQ(ReadFileBytes(FilePath()), broken) << "the file is not touched";

    const std::string notAList = "<rules version=\"1\"><emie><domain>a.example</domain></emie></rules>";
    WriteFileBytes(FilePath(), notAList);
    openAsTheMenuDoes();
    ASSERT_EQ(errors_.size(), 2u);
    EXPECT_NE(errors_[1].find(L"<site-list>"), std::wstring::npos) << testing::PrintToString(errors_[1]);

    {
        const ScopedRetryBudget quick(300);
        FileHolder holder(FilePath(), 10000, FileHolder::kNoSharing);
        ASSERT_TRUE(holder.Holding());
        openAsTheMenuDoes();
    }
    ASSERT_EQ(errors_.size(), 3u);
    EXPECT_EQ(errors_[2].rfind(FilePath(), 0), 0u) << testing::PrintToString(errors_[2]);
    EXPECT_EQ(ReadFileBytes(FilePath()), notAList);
    EXPECT_EQ(FindWindowExW(nullptr, nullptr, L"Tfrm_SiteRules", nullptr), nullptr);
    EXPECT_EQ(Window::LiveCount(), windowsBefore);
}

TEST_F(SiteRulesDialog, AddSiteRuleAddsAndReplacesTheHostsRule) {
    // No file yet: one is made.
    AddSiteRule(FilePath(), u"portal.example.com", SiteEngine::Gecko);
    EXPECT_EQ(SavedRules(),
              (std::vector<std::pair<std::u16string, SiteEngine>>{{u"portal.example.com", SiteEngine::Gecko}}));
    // Written by hand: the same host, with its own spelling.
    WriteFileBytes(FilePath(),
                   "<site-list><site url=\"Portal.Example.com/\"><open-in>IE11</open-in></site></site-list>");
    AddSiteRule(FilePath(), u"portal.example.com", SiteEngine::Gecko);
    EXPECT_EQ(SavedRules(),
              (std::vector<std::pair<std::u16string, SiteEngine>>{{u"Portal.Example.com/", SiteEngine::Gecko}}));

    WriteFileBytes(FilePath(), kSample);
    AddSiteRule(FilePath(), u"日本語.jp", SiteEngine::Gecko);
    // A rule of the host with a path is another rule.
    AddSiteRule(FilePath(), u"intranet.example.co.jp", SiteEngine::InternetExplorer);
    EXPECT_EQ(SavedRules(), (std::vector<std::pair<std::u16string, SiteEngine>>{
                                {u"日本語.jp", SiteEngine::Gecko},
                                {u"intranet.example.co.jp/app", SiteEngine::Gecko},
                                {u"old.example:8080", SiteEngine::None},
                                {u"intranet.example.co.jp", SiteEngine::InternetExplorer}}));
    const std::string saved = ReadFileBytes(FilePath());
    EXPECT_TRUE(Holds(saved, "<compat-mode>IE8Enterprise</compat-mode>")) << saved;
    EXPECT_TRUE(Holds(saved, "<tool>EMIESiteListManager</tool>")) << saved;

    // A broken file is reported and left alone.
    const std::string broken = "<site-list><site url=\"a.example\">";
    WriteFileBytes(FilePath(), broken);
    try {
        AddSiteRule(FilePath(), u"b.example", SiteEngine::Gecko);
        ADD_FAILURE() << "no error";
    } catch (const AppError& e) {
        EXPECT_EQ(e.Message().rfind(FilePath(), 0), 0u) << testing::PrintToString(e.Message());
    }
    EXPECT_EQ(ReadFileBytes(FilePath()), broken);
    EXPECT_EQ(ListFolder(dir_).size(), 1u);
}

// Inside the client area, clear of each other, in the form font, and each
// wide enough for its text.
TEST_F(SiteRulesDialog, LayoutFitsEveryControlAndItsText) {
    WriteFileBytes(FilePath(), kSample);
    Tfrm_SiteRules& d = Open();
    RECT client;
    GetClientRect(d.Handle(), &client);
    const auto textSize = [](HWND control, const std::wstring& text) {
        const WindowDC dc(control);
        const ScopedSelect font(dc.Get(), reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)));
        SIZE extent{};
        GetTextExtentPoint32W(dc.Get(), text.c_str(), static_cast<int>(text.size()), &extent);
        return extent;
    };
    std::vector<HWND> controls;
    for (HWND c = GetWindow(d.Handle(), GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) controls.push_back(c);
    EXPECT_EQ(controls.size(), 9u);
    for (size_t i = 0; i < controls.size(); ++i) {
        const HWND c = controls[i];
        const RECT r = RectIn(c);
        const std::string name = testing::PrintToString(WindowText(c)) + " #" + std::to_string(i);
        EXPECT_TRUE(r.left >= 0 && r.top >= 0 && r.right <= client.right && r.bottom <= client.bottom) << name;
        for (size_t j = i + 1; j < controls.size(); ++j) {
            RECT other = RectIn(controls[j]), common;
            EXPECT_FALSE(IntersectRect(&common, &r, &other)) << name << " overlaps #" << j;
        }
        LOGFONTW font{};
        GetObjectW(reinterpret_cast<HFONT>(SendMessageW(c, WM_GETFONT, 0, 0)), sizeof font, &font);
        EXPECT_STREQ(font.lfFaceName, L"ＭＳ Ｐゴシック") << name;
        EXPECT_EQ(font.lfHeight, -12) << name;

        wchar_t className[32] = {};
        GetClassNameW(c, className, 32);
        const SIZE text = textSize(c, WindowText(c));
        if (!_wcsicmp(className, L"Button")) {
            EXPECT_LE(text.cx + 8, r.right - r.left) << name;
            EXPECT_LE(text.cy + 6, r.bottom - r.top) << name;
        } else if (!_wcsicmp(className, L"Static")) {
            EXPECT_LE(text.cx, r.right - r.left) << name;
            EXPECT_LE(text.cy, r.bottom - r.top) << name;
        } else if (!_wcsicmp(className, L"Edit")) {
            EXPECT_LE(textSize(c, L"日本語.jp").cy + 4, r.bottom - r.top) << name;
        } else if (!_wcsicmp(className, WC_COMBOBOXW)) {
            for (const wchar_t* engine : {L"Internet Explorer", L"Gekko", L"切り替えない"})
                EXPECT_LE(textSize(c, engine).cx + GetSystemMetrics(SM_CXVSCROLL) + 8, r.right - r.left) << name;
        }
    }
    // The list's columns: each as wide as its longest fixed text, together
    // no wider than the list beside a scroll bar.
    const HWND list = d.Controls().lvSites;
    RECT listClient;
    GetClientRect(list, &listClient);
    const int site = ListView_GetColumnWidth(list, 0);
    const int engine = ListView_GetColumnWidth(list, 1);
    EXPECT_LE(site + engine + GetSystemMetrics(SM_CXVSCROLL), listClient.right);
    EXPECT_LE(textSize(list, L"intranet.example.co.jp/app").cx + 12, site);
    for (const wchar_t* text : {L"エンジン", L"Internet Explorer", L"Gekko", L"切り替えない"})
        EXPECT_LE(textSize(list, text).cx + 12, engine) << testing::PrintToString(std::wstring(text));
}

}  // namespace
}  // namespace vesko::test
