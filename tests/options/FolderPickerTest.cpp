// The folder picker against a scripted shell: what it resolves, which
// flags and messages it sends in which order, where it puts the browser,
// and that it gives back everything it took on every path.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "common/Error.h"
#include "options/SHBFFEX.h"
#include "tests/options/FakeShell.h"

namespace vesko::test {
namespace {

using Log = std::vector<std::string>;

// A form for the picker to belong to, with a real window.
class OwnerForm final : public Window {
public:
    OwnerForm() {
        RegisterClassOnce(L"PickerOwnerForm", COLOR_BTNFACE);
        Create(0, L"PickerOwnerForm", L"owner", WS_OVERLAPPEDWINDOW, 40, 60, 300, 200, nullptr);
    }
};

// A form whose window was never created.
class UncreatedForm final : public Window {};

class FolderPicker : public ::testing::Test {
protected:
    std::shared_ptr<FakeShell> shell_ = std::make_shared<FakeShell>();
    OwnerForm owner_;
    TSHBrowseForFolderEx picker_{&owner_, shell_};

    // The log from the browser's opening on.
    Log BrowserLog() const {
        Log log;
        bool open = false;
        for (const auto& entry : shell_->log_) {
            if (entry == "browse") open = true;
            if (open) log.push_back(entry);
        }
        return log;
    }
    // The log entries that start with `prefix`.
    Log Entries(const std::string& prefix) const {
        Log log;
        for (const auto& entry : shell_->log_)
            if (entry.rfind(prefix, 0) == 0) log.push_back(entry);
        return log;
    }
};

TEST_F(FolderPicker, DefaultsStartAtTheDesktopWithTheDrivesSelectedAndPlaceOnTheOwner) {
    EXPECT_EQ(picker_.RootFolder(), rfDesktop);
    EXPECT_EQ(picker_.SelectFolder(), sfDrives);
    EXPECT_EQ(picker_.Options(), (TSHBrowseOptions{sboReturnOnlyFSDirs}));
    EXPECT_EQ(picker_.ShowStyle(), ssClient);
    EXPECT_FALSE(picker_.OnSelectionChanged());
    EXPECT_TRUE(picker_.Caption().empty() && picker_.RootFolderName().empty() && picker_.SelectFolderName().empty());

    shell_->user_ = [](FakeShell& shell) {
        EXPECT_EQ(shell.info_->hwndOwner, kAppWindow);
        EXPECT_EQ(shell.malloc_.NameOf(shell.info_->pidlRoot), "special 0");
        EXPECT_EQ(shell.info_->ulFlags, static_cast<UINT>(BIF_RETURNONLYFSDIRS));
        EXPECT_EQ(shell.title_, "");  // an empty text, not a null pointer
        shell.Notify(BFFM_INITIALIZED);
        shell.Select("mozilla", "C:\\Mozilla");
        shell.SetDisplayName("Mozilla");
        return shell.Folder("chosen", "C:\\Mozilla");
    };
    ASSERT_TRUE(picker_.Execute());
    EXPECT_EQ(picker_.FolderPath(), L"C:\\Mozilla");
    EXPECT_EQ(picker_.DisplayName(), L"Mozilla");

    // The selection is resolved before the root, both owned by the program's window.
    EXPECT_EQ(Entries("special"), (Log{"special 17 owner app", "special 0 owner app"}));
    EXPECT_EQ(BrowserLog(), (Log{
                                "browse",
                                "send browser SETSELECTIONA 0 special 17",
                                "move browser to 300,200 size 0,0 flags 5",
                                "send browser SETSTATUSTEXTA 0 ''",
                                "send browser SETSTATUSTEXTA 0 ''",
                                "enable app 1",
                                "foreground app",
                            }));
    EXPECT_EQ(Entries("enable"), (Log{"enable app 0", "enable app 1"}));
    EXPECT_TRUE(shell_->AllReleased());
}

TEST_F(FolderPicker, EveryIdListAndTheBufferAreFreedOnEveryPath) {
    // OK with a path, OK without one, Cancel: each leaves nothing behind.
    const struct {
        const char* path;
        bool ok;
    } runs[] = {{"C:\\Mozilla", true}, {"", true}, {nullptr, false}};
    for (const auto& run : runs) {
        shell_->user_ = [&run](FakeShell& shell) -> LPITEMIDLIST {
            shell.Notify(BFFM_INITIALIZED);
            if (!run.ok) return nullptr;
            shell.SetDisplayName("マイ コンピュータ");
            return shell.Folder("chosen", run.path);
        };
        EXPECT_EQ(picker_.Execute(), run.ok);
        EXPECT_TRUE(shell_->AllReleased()) << (run.path ? run.path : "cancel");
        // Selection, root, buffer, and the answer when there is one.
        EXPECT_EQ(shell_->malloc_.allocations_, run.ok ? 4 : 3);
        shell_->malloc_.allocations_ = 0;
        if (run.ok) {
            EXPECT_EQ(picker_.DisplayName(), L"マイ コンピュータ");
            EXPECT_EQ(picker_.FolderPath(), std::wstring(run.path, run.path + std::strlen(run.path)));
        }
    }
    // After the cancel both results are empty, although the run before set them.
    EXPECT_TRUE(picker_.FolderPath().empty());
    EXPECT_TRUE(picker_.DisplayName().empty());
}

TEST_F(FolderPicker, ManualFoldersResolveByNameAndFallBackToTheDesktop) {
    shell_->desktop_.items_ = {{L"C:\\Mozilla", SFGAO_FOLDER},
                               {L"C:\\Mozilla\\mozctl.dll", SFGAO_FILESYSTEM},
                               {L"\\\\server", SFGAO_HASSUBFOLDER}};
    shell_->user_ = [](FakeShell& shell) {
        shell.Notify(BFFM_INITIALIZED);
        return nullptr;
    };
    const struct {
        TRootFolder root;
        const wchar_t* rootName;
        TSelectFolder select;
        const wchar_t* selectName;
        Log expected;  // resolution steps, then the root and the initial selection
    } cases[] = {
        {rfManual,
         L"",
         sfManual,
         L"",
         {"special 0 owner app", "special 0 owner app", "root special 0", "select special 0"}},
        {rfManual,
         L"\\\\server",
         sfManual,
         L"C:\\Mozilla",
         {"parse C:\\Mozilla", "attributes parsed C:\\Mozilla mask 2684354560", "parse \\\\server",
          "attributes parsed \\\\server mask 2684354560", "root parsed \\\\server", "select parsed C:\\Mozilla"}},
        // A plain file and a name nothing answers to: the desktop.
        {rfManual,
         L"Z:\\nowhere",
         sfManual,
         L"C:\\Mozilla\\mozctl.dll",
         {"parse C:\\Mozilla\\mozctl.dll", "attributes parsed C:\\Mozilla\\mozctl.dll mask 2684354560",
          "special 0 owner app", "parse Z:\\nowhere", "special 0 owner app", "root special 0", "select special 0"}},
        // A name only counts with the manual member.
        {rfDrives,
         L"C:\\Mozilla",
         sfFavorites,
         L"C:\\Mozilla",
         {"special 6 owner app", "special 17 owner app", "root special 17", "select special 6"}},
    };
    for (const auto& c : cases) {
        picker_.SetRootFolder(c.root);
        picker_.SetRootFolderName(c.rootName);
        picker_.SetSelectFolder(c.select);
        picker_.SetSelectFolderName(c.selectName);
        std::string root, select;
        shell_->user_ = [&](FakeShell& shell) {
            root = "root " + shell.malloc_.NameOf(shell.info_->pidlRoot);
            shell.Notify(BFFM_INITIALIZED);
            return nullptr;
        };
        shell_->log_.clear();
        EXPECT_FALSE(picker_.Execute());
        Log steps;
        for (const auto& entry : shell_->log_) {
            if (entry.rfind("enable", 0) == 0) break;  // the browser opens
            steps.push_back(entry);
        }
        steps.push_back(root);
        for (const auto& entry : Entries("send browser SETSELECTIONA 0 "))
            steps.push_back("select " + entry.substr(std::string("send browser SETSELECTIONA 0 ").size()));
        EXPECT_EQ(steps, c.expected) << testing::PrintToString(std::wstring(c.selectName));
        EXPECT_TRUE(shell_->AllReleased());
    }
}

TEST_F(FolderPicker, SpecialFolderIdsAndBrowseFlags) {
    const int ids[] = {0, 0, 17, 16, 6, 2, 8, 9, 11, 7, 21};
    for (int m = rfDesktop; m <= rfTemplates; ++m) {
        EXPECT_EQ(SpecialFolderId(static_cast<TRootFolder>(m)), ids[m]) << m;
        EXPECT_EQ(SpecialFolderId(static_cast<TSelectFolder>(m)), ids[m]) << m;
    }
    EXPECT_EQ(BrowseFlags({}), 0u);
    EXPECT_EQ(BrowseFlags({sboDontGoBelowDomain}), 2u);
    EXPECT_EQ(BrowseFlags({sboReturnFSAncestors}), 8u);
    EXPECT_EQ(BrowseFlags({sboReturnOnlyFSDirs}), 1u);
    EXPECT_EQ(BrowseFlags({sboStatusTextAndShowPath}), 4u);
    EXPECT_EQ(BrowseFlags({sboStatusText, sboStatusTextAndShowPath, sboReturnOnlyFSDirs}), 5u);
    EXPECT_EQ((TSHBrowseOptions{sboStatusText, sboDontGoBelowDomain}).Bits(), 0x11);

    picker_.SetOptions({sboDontGoBelowDomain, sboReturnFSAncestors, sboStatusText});
    UINT flags = 0;
    shell_->user_ = [&flags](FakeShell& shell) {
        flags = shell.info_->ulFlags;
        return nullptr;
    };
    picker_.Execute();
    EXPECT_EQ(flags, static_cast<UINT>(BIF_DONTGOBELOWDOMAIN | BIF_RETURNFSANCESTORS | BIF_STATUSTEXT));
}

TEST_F(FolderPicker, StatusLineShowsThePathOrTheHandlersText) {
    // Each selection change: the path of a folder, then one without a path.
    const auto user = [](FakeShell& shell) {
        shell.Notify(BFFM_INITIALIZED);
        shell.Select("a", "C:\\a");
        shell.Select("net", "");
        return nullptr;
    };
    std::vector<std::wstring> seenPaths;
    const auto handler = [&](TSHBrowseForFolderEx& sender, HWND wnd, const std::wstring& path, std::wstring& showText,
                             TOKButtonState& ok) {
        EXPECT_EQ(&sender, &picker_);
        EXPECT_EQ(wnd, kBrowser);
        EXPECT_TRUE(showText.empty());
        EXPECT_EQ(ok, obsNoChange);
        seenPaths.push_back(path);
        showText = L"選択: " + path;
    };
    const struct {
        TSHBrowseOptions options;
        bool withHandler;
        Log expected;
    } cases[] = {
        {{sboStatusTextAndShowPath}, true, {"''", "'C:\\a'", "''"}},
        {{sboStatusTextAndShowPath}, false, {"''", "'C:\\a'", "''"}},
        {{sboStatusText}, true, {"''", "'選択: C:\\a'", "'選択: '"}},
        {{sboStatusText}, false, {"''", "''", "''"}},
    };
    for (const auto& c : cases) {
        picker_.SetOptions(c.options);
        picker_.SetOnSelectionChanged(c.withHandler ? TSHBrowseEvent(handler) : TSHBrowseEvent());
        shell_->user_ = user;
        shell_->log_.clear();
        seenPaths.clear();
        picker_.SetSelectFolder(sfDesktop);
        EXPECT_FALSE(picker_.Execute());
        Log texts;
        for (const auto& entry : Entries("send browser SETSTATUSTEXTA 0 "))
            texts.push_back(entry.substr(std::string("send browser SETSTATUSTEXTA 0 ").size()));
        EXPECT_EQ(texts, c.expected) << c.options.Bits() << " handler " << c.withHandler;
        if (c.withHandler) {
            EXPECT_EQ(seenPaths, (std::vector<std::wstring>{L"C:\\a", L""}));
        }
    }
    // At BFFM_INITIALIZED the status is blanked after the initial selection went out.
    const Log log = BrowserLog();
    ASSERT_GE(log.size(), 3u);
    EXPECT_EQ(log[1], "send browser SETSELECTIONA 0 special 0");
    EXPECT_EQ(log[3], "send browser SETSTATUSTEXTA 0 ''");
}

TEST_F(FolderPicker, HandlerControlsTheOKButton) {
    picker_.SetOnSelectionChanged(
        [](TSHBrowseForFolderEx&, HWND, const std::wstring& path, std::wstring&, TOKButtonState& ok) {
            if (path.empty()) return;  // obsNoChange
            ok = path.rfind(L"C:\\windows", 0) == 0 ? obsDisable : obsEnable;
        });
    shell_->user_ = [](FakeShell& shell) {
        shell.Select("sys", "C:\\windows\\system32");
        shell.Select("net", "");
        shell.Select("moz", "C:\\Mozilla");
        return nullptr;
    };
    picker_.Execute();
    EXPECT_EQ(BrowserLog(), (Log{"browse", "send browser SETSTATUSTEXTA 0 ''", "send browser ENABLEOK 0 0",
                                 "send browser SETSTATUSTEXTA 0 ''", "send browser SETSTATUSTEXTA 0 ''",
                                 "send browser ENABLEOK 0 1", "enable app 1", "foreground app"}));
}

TEST_F(FolderPicker, CentringIgnoresTheWorkAreaOffset) {
    picker_.SetShowStyle(ssCenterScreen);
    shell_->user_ = [](FakeShell& shell) {
        shell.Notify(BFFM_INITIALIZED);
        return nullptr;
    };
    const struct {
        RECT workArea;
        RECT window;
        const char* expected;
    } cases[] = {
        {{0, 40, 1280, 900}, {100, 100, 500, 400}, "move browser to 440,186 size 0,0 flags 5"},  // task bar on top
        {{60, 0, 1280, 900}, {100, 100, 500, 400}, "move browser to 410,200 size 0,0 flags 5"},  // task bar left
        {{0, 0, 1280, 900}, {0, 0, 1301, 1000}, "move browser to -10,-33 size 0,0 flags 5"},     // truncated to zero
    };
    for (const auto& c : cases) {
        shell_->workArea_ = c.workArea;
        shell_->browserRect_ = c.window;
        shell_->log_.clear();
        picker_.Execute();
        EXPECT_EQ(Entries("move"), (Log{c.expected}));
    }
    // No work area, no move.
    shell_->workArea_.reset();
    shell_->log_.clear();
    picker_.Execute();
    EXPECT_TRUE(Entries("move").empty());
}

TEST_F(FolderPicker, PlacementOnTheOwnerNeedsACreatedOwnerForm) {
    shell_->clientOrigin_.reset();  // the real owner window
    shell_->user_ = [](FakeShell& shell) {
        shell.Notify(BFFM_INITIALIZED);
        return nullptr;
    };
    POINT origin{0, 0};
    ClientToScreen(owner_.Handle(), &origin);
    picker_.Execute();
    EXPECT_EQ(Entries("move"), (Log{"move browser to " + std::to_string(origin.x) + "," + std::to_string(origin.y) +
                                    " size 0,0 flags 5"}));

    UncreatedForm uncreated;
    for (TSHBrowseForFolderEx* other :
         {new TSHBrowseForFolderEx(nullptr, shell_), new TSHBrowseForFolderEx(&uncreated, shell_)}) {
        std::unique_ptr<TSHBrowseForFolderEx> holder(other);
        shell_->log_.clear();
        other->Execute();
        EXPECT_TRUE(Entries("move").empty());
    }
    picker_.SetShowStyle(ssNone);
    shell_->log_.clear();
    picker_.Execute();
    EXPECT_TRUE(Entries("move").empty());
}

TEST_F(FolderPicker, FailuresToStartReturnFalseAndReleaseWhatWasTaken) {
    const std::function<void(FakeShell&)> failures[] = {
        [](FakeShell& s) { s.failMalloc_ = true; }, [](FakeShell& s) { s.failDesktop_ = true; },
        [](FakeShell& s) { s.failingSpecialFolders_ = {0}; },  // no root
        [](FakeShell& s) { s.malloc_.failAlloc_ = true; },     // no display-name buffer
    };
    for (const auto& fail : failures) {
        auto shell = std::make_shared<FakeShell>();
        fail(*shell);
        shell->user_ = [](FakeShell&) -> LPITEMIDLIST {
            ADD_FAILURE() << "the browser opened";
            return nullptr;
        };
        TSHBrowseForFolderEx picker(&owner_, shell);
        EXPECT_FALSE(picker.Execute());
        EXPECT_TRUE(picker.FolderPath().empty() && picker.DisplayName().empty());
        EXPECT_TRUE(shell->AllReleased());
        for (const auto& entry : shell->log_) EXPECT_NE(entry.rfind("enable", 0), 0u) << entry;
    }
    // A selection that cannot be found is no reason not to open.
    shell_->failingSpecialFolders_ = {17};
    shell_->user_ = [](FakeShell& shell) {
        shell.Notify(BFFM_INITIALIZED);
        return nullptr;
    };
    picker_.Execute();
    EXPECT_TRUE(Entries("send browser SETSELECTIONA").empty());
    EXPECT_EQ(Entries("browse").size(), 1u);
}

TEST_F(FolderPicker, AnErrorInTheHandlerClosesTheBrowserAndLeavesExecuteAfterCleanUp) {
    int calls = 0;
    picker_.SetOnSelectionChanged(
        [&calls](TSHBrowseForFolderEx&, HWND, const std::wstring&, std::wstring&, TOKButtonState&) {
            ++calls;
            throw AppError(L"ハンドラの失敗");
        });
    shell_->user_ = [](FakeShell& shell) {
        shell.Notify(BFFM_INITIALIZED);
        shell.Select("a", "C:\\a");
        // The browser goes on until it sees the posted Cancel.
        shell.Select("b", "C:\\b");
        return shell.Folder("chosen", "C:\\b");
    };
    try {
        picker_.Execute();
        ADD_FAILURE() << "no error left Execute";
    } catch (const AppError& e) {
        EXPECT_EQ(e.Message(), L"ハンドラの失敗");
    }
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(Entries("post"), (Log{"post browser 273 2 0"}));  // WM_COMMAND IDCANCEL
    EXPECT_EQ(Entries("enable"), (Log{"enable app 0", "enable app 1"}));
    EXPECT_EQ(Entries("foreground"), (Log{"foreground app"}));
    EXPECT_TRUE(picker_.FolderPath().empty() && picker_.DisplayName().empty());
    EXPECT_TRUE(shell_->AllReleased());

    // The next run starts clean.
    picker_.SetOnSelectionChanged({});
    shell_->user_ = [](FakeShell& shell) {
        shell.Select("c", "C:\\c");
        return shell.Folder("chosen", "C:\\c");
    };
    EXPECT_TRUE(picker_.Execute());
    EXPECT_EQ(picker_.FolderPath(), L"C:\\c");
}

TEST_F(FolderPicker, CallbackIgnoresDataThatIsNoPicker) {
    int notPicker = 0;
    shell_->user_ = [&notPicker](FakeShell& shell) {
        shell.info_->lParam = reinterpret_cast<LPARAM>(&notPicker);
        shell.Notify(BFFM_INITIALIZED);
        shell.Notify(BFFM_SELCHANGED, 0);
        return nullptr;
    };
    picker_.Execute();
    EXPECT_EQ(BrowserLog(), (Log{"browse", "enable app 1", "foreground app"}));
}

}  // namespace
}  // namespace vesko::test
