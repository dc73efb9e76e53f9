#pragma once
// TMainForm: the program's MDI frame. It shows the frame's model (the
// selected engine, what the bars show, the children) and runs the command
// table; the state itself lives in the model.
#include <windows.h>
#include <commctrl.h>

#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "bookmarks/BookmarkMenu.h"
#include "browser/BrowserFrame.h"
#include "browser/FrameModel.h"
#include "common/Form.h"
#include "common/Window.h"
#include "shell/Commands.h"
#include "shell/FrameBars.h"
#include "shell/TabStrip.h"
#include "shell/Settings.h"
#include "shell/AddressCompletion.h"
#include "shell/SiteRules.h"
#include "history/win/HistoryKeeper.h"
#include "session/Session.h"
#include "session/win/SessionKeeper.h"

namespace vesko {

struct MainFormOptions {
    // Where config.ini and bookmark.xml live; empty means the directory of
    // the executable. Ends with a path separator.
    std::wstring programDir;
    // Whether destroying the frame ends the message loop.
    bool quitOnDestroy = true;
};

class BrowserChild;
class ShellApi;
class TAboutBox;
class Tfrm_Option;

class TMainForm final : public Window, public BrowserFrame, private FrameModelListener {
public:
    // Creates the frame over `model` and runs FormCreate, which shows it.
    explicit TMainForm(FrameModel& model, MainFormOptions options = {});
    ~TMainForm() override;

    // Opens `address` in a new window of the selected engine.
    void OpenPage(const std::wstring& caption, const std::wstring& address);

    const std::wstring& ProgramDir() const { return programDir_; }
    SettingsFile Settings() const { return SettingsFile(programDir_ + kSettingsFileName); }
    std::wstring BookmarkPath() const;

    // The engine submenu as it shows: which item is checked, and whether
    // Gecko may be chosen (also switched by the options dialog).
    bool IsIESelected() const;
    bool IsGeckoItemEnabled() const;
    void SetGeckoItemEnabled(bool enabled) { model_.SetGeckoSelectable(enabled); }

    int ChildCount() const { return static_cast<int>(model_.Children().size()); }
    // The child windows in window-list order.
    std::vector<BrowserChild*> Children() const;
    BrowserChild* ActiveChild() const;

    // What the bars show, and writes to what they show.
    std::wstring AddressText() const { return bars_->AddressText(); }
    std::wstring StatusText() const { return bars_->StatusText(); }
    int Progress() const { return bars_->Progress(); }
    bool IsButtonEnabled(NavButton button) const { return bars_->IsButtonEnabled(button); }
    void SetAddressText(const std::wstring& text) { model_.ShowAddress(text); }
    void SetProgress(int value) { model_.ShowProgress(value); }
    void EnableButton(NavButton button, bool enabled) { model_.ShowButton(button, enabled); }

    // Offers a message from the loop to the engines and the accelerators;
    // true when it has been handled.
    bool PreTranslateMessage(MSG& msg);
    // Runs a command of the table, if it is enabled now; false when `id`
    // is no command.
    bool RunCommand(UINT id);
    bool IsCommandEnabled(const Command& command) const;

    struct ControlHandles {
        HWND coolBar1, toolBar2, toolBar3, label1, txtAddress, btnMove, toolBar1, statusBar1, progressBar1, mdiClient;
    };
    ControlHandles Controls() const;
    TabStrip* Tabs() const { return tabs_.get(); }
    HMENU BookmarkMenu() const { return mnuBookMark_; }
    const vesko::BookmarkMenu& BookmarkItems() const { return bookmarks_; }

    // BrowserFrame
    HWND MdiClient() const override { return mdiClient_; }
    FrameModel& Model() override { return model_; }
    bool BeforeNavigate(ChildId child, const std::wstring& url) override;
    void PageLoaded(ChildId child, const std::wstring& url) override;
    void TitleReported(const std::wstring& url, const std::wstring& title) override;
    void ChildPlaced(ChildId child) override;
    const FrameModel& Model() const { return model_; }

    // Command handlers, also reachable from tests.
    void FileNew1Execute();
    void FileOpen1Execute();
    void FileExit1Execute();
    // The active window's page in a new window of the other engine.
    void OtherEngine1Execute();
    void HelpAbout1Execute();
    // The site rules' dialog, and a rule that the active page's site always
    // opens in the other engine (which it then does).
    void SiteRules1Execute();
    void AlwaysOtherEngine1Execute();
    // The history window; a page chosen there opens in a new window.
    void History1Execute();
    // The About box created at start, which Help > About shows.
    void SetAboutBox(TAboutBox* aboutBox) { aboutBox_ = aboutBox; }
    // A new options dialog over the frame, modeless; it frees itself when
    // it closes.
    Tfrm_Option* CreateOptionDialog();
    // The hidden one of program start (see Tfrm_Option::CreateHidden).
    std::unique_ptr<Tfrm_Option> CreateHiddenOptionDialog();
    void ToolButton1Click() { FileNew1Execute(); }
    void btnMoveClick();
    void IE_ItemClick() { model_.SelectEngine(EngineKind::IE); }
    void Moz_ItemClick() { model_.SelectEngine(EngineKind::Gecko); }
    void mnuEditClick();
    // Bookmarks > add this page, import, import favourites, export
    // (MainFormBookmarks.cpp).
    void AddBookmark1Execute();
    void Import1Execute();
    void ImportFavorites1Execute();
    void Export1Execute();
    // Window > tab bar, keep the windows for the next start, reopen the
    // window closed last.
    void TabBar1Execute();
    void RestoreSession1Execute();
    void ReopenClosed1Execute();
    // The shell the favourites' folder picker calls (tests give their own).
    void SetFolderPickerShell(std::shared_ptr<ShellApi> shell) { folderShell_ = std::move(shell); }
    void mnuOptionClick() { CreateOptionDialog(); }
    void MinimizeAllChildren();
    // A bookmark item was chosen: its address opens in a new window.
    void iventMenuClick(const vesko::BookmarkMenu::Item& item);

private:
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;
    LRESULT DefaultProc(UINT msg, WPARAM wp, LPARAM lp) override;
    void ModelChanged(unsigned changes, ChildId child) override;

    void CreateControls();
    void CreateTabStrip();  // MainFormTabs.cpp
    // Opening pages, with the site rules (MainFormPages.cpp).
    BrowserChild* OpenPageIn(const PageRequest& page);
    // Returns what the status line says of where the page opened.
    std::wstring OpenRouted(const PageRequest& page);
    bool GeckoAvailable() const;
    void FormCreate();
    void FormClose();
    void LayoutBars();
    void ShowEngineItems();
    void LoadBookMark();
    // The session (MainFormSession.cpp).
    void StartSession();
    void RestoreWindows(const std::vector<SessionWindow>& windows, std::optional<std::size_t> active);
    BrowserChild* OpenSessionWindow(const SessionWindow& window, bool& inIE);
    // Writes the windows as they are now (the changes of one message
    // together: a message posted when the first one comes).
    void SessionChanged();
    void WriteSession();
    void EndSession();
    void OnMenuCommand(HMENU menu, int position);
    void OpenRequestedWindow();
    void txtAddressKeyDown(WPARAM key);
    std::vector<Suggestion> Suggest(const std::wstring& typed);
    static LRESULT CALLBACK AddressProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id, DWORD_PTR data);

    FrameModel& model_;
    MainFormOptions options_;
    std::wstring programDir_;
    HMENU menu_ = nullptr;  // the menu bar, which the window destroys
    // The submenus, kept by handle: a maximized child puts its system menu
    // in front of them.
    HMENU mnuBookMark_ = nullptr;
    HMENU windowMenu_ = nullptr;
    UniqueAccelerators accelerators_;
    UniqueFont font_;
    UniqueFont labelFont_;  // Label1's is a pixel taller
    std::unique_ptr<FrameBars> bars_;
    std::unique_ptr<TabStrip> tabs_;
    vesko::BookmarkMenu bookmarks_;
    std::unique_ptr<SiteRules> siteRules_;
    std::unique_ptr<HistoryKeeper> history_;
    std::unique_ptr<AddressCompletion> completion_;
    std::optional<std::vector<BookmarkEntry>> suggestBookmarks_;
    unsigned suggestBookmarksSaves_ = 0;  // BookmarkSaveCount() when read
    HWND mdiClient_ = nullptr;
    TAboutBox* aboutBox_ = nullptr;  // owned by the application
    std::shared_ptr<ShellApi> folderShell_;
    std::unique_ptr<SessionKeeper> session_;
    std::vector<std::pair<ChildId, SessionWindow>> lastWindows_;  // as last written
    // Each child's window as last found. Asking the system for the MDI
    // area's windows is a server round trip per window under Wine, and the
    // frame looks its children up at every change.
    mutable std::unordered_map<ChildId, HWND> windows_;
    std::vector<BrowserChild*> FindChildren() const;
    bool restoring_ = false;
    bool sessionFailed_ = false;
    bool sessionDue_ = false;
};

}  // namespace vesko
