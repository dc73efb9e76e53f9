#pragma once
// TMainForm: the program's MDI frame with its menus, tool bars, address
// bar, status line and progress bar.
#include <windows.h>
#include <commctrl.h>

#include <deque>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "bookmarks/BookmarkMenu.h"
#include "browser/BrowserFrame.h"
#include "common/Form.h"
#include "common/Window.h"
#include "shell/ControlBar.h"
#include "shell/Settings.h"

namespace vesko {

struct MainFormOptions {
    // Where config.ini and bookmark.xml live; empty means the directory of
    // the executable. Ends with a path separator.
    std::wstring programDir;
    // Whether destroying the frame ends the message loop.
    bool quitOnDestroy = true;
};

class TAboutBox;
class Tfrm_Option;

class TMainForm final : public Window, public BrowserFrame {
public:
    // Creates the frame and runs FormCreate, which shows it.
    explicit TMainForm(MainFormOptions options = {});
    ~TMainForm() override;

    // Opens `address` in a new window of the selected engine.
    void OpenPage(const std::wstring& caption, const std::wstring& address);

    const std::wstring& ProgramDir() const { return programDir_; }
    SettingsFile Settings() const { return SettingsFile(programDir_ + kSettingsFileName); }

    // The engine submenu: which item is checked, and whether Gecko may be
    // chosen (also switched by the options dialog).
    bool IsIESelected() const;
    bool IsGeckoItemEnabled() const;
    void SetGeckoItemEnabled(bool enabled);

    int ChildCount() const;
    // The child windows, topmost first, as the window list orders them.
    std::vector<BrowserChild*> Children() const;

    std::wstring AddressText() const;
    std::wstring StatusText() const;

    // Offers a message from the loop to the engines and the accelerators;
    // true when it has been handled.
    bool PreTranslateMessage(MSG& msg);

    struct ControlHandles {
        HWND coolBar1, toolBar2, toolBar3, label1, txtAddress, btnMove, toolBar1, statusBar1, progressBar1, mdiClient;
    };
    ControlHandles Controls() const;
    HMENU BookmarkMenu() const { return mnuBookMark_; }
    const vesko::BookmarkMenu& BookmarkItems() const { return bookmarks_; }
    std::wstring BookmarkPath() const;

    // BrowserFrame
    HWND MdiClient() const override { return mdiClient_; }
    BrowserChild* ActiveChild() const override;
    void SetAddressText(const std::wstring& text) override;
    void SetStatusText(const std::wstring& text) override;
    void SetProgress(int value) override;
    int Progress() const override;
    bool IsButtonEnabled(NavButton button) const override;
    void EnableButton(NavButton button, bool enabled) override;
    void RequestNewWindow(const std::wstring& caption, const std::wstring& address) override;

    // Command handlers, also reachable from tests.
    void FileNew1Execute();
    void FileOpen1Execute();
    void FileExit1Execute();
    // Save and save as alike: a page has no file of its own to save over.
    void FileSave1Execute();
    // The active window's page in a new window of the other engine.
    void OtherEngine1Execute();
    void HelpAbout1Execute();
    // The About box created at start, which Help > About shows.
    void SetAboutBox(TAboutBox* aboutBox) { aboutBox_ = aboutBox; }
    // A new options dialog over the frame, modeless; it frees itself when
    // it closes.
    Tfrm_Option* CreateOptionDialog();
    // The hidden one of program start (see Tfrm_Option::CreateHidden).
    std::unique_ptr<Tfrm_Option> CreateHiddenOptionDialog();
    void ToolButton1Click() { FileNew1Execute(); }
    void BackCtrlClick();
    void FrwrdCtrlClick();
    void StopCtrlClick();
    void ReLoadCtrlClick();
    void btnMoveClick();
    void IE_ItemClick();
    void Moz_ItemClick();
    void mnuEditClick();
    void mnuOptionClick();
    // A bookmark item was chosen: its address opens in a new window.
    void iventMenuClick(const vesko::BookmarkMenu::Item& item);

private:
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;
    LRESULT DefaultProc(UINT msg, WPARAM wp, LPARAM lp) override;

    void CreateControls();
    void CreateCoolBar(int width);
    void CreateAddressBar(int width);
    void CreateBottomBar(const RECT& client);
    void LayoutAddressBar(int barWidth);
    int CoolBarHeight() const;
    void OpenPageIn(EngineKind engine, const std::wstring& caption, const std::wstring& address);
    bool CanSave() const;
    bool CanOpenInOtherEngine() const;
    void FormCreate();
    void FormResize();
    void FormClose();
    void LayoutBars();
    void OnCommand(int id);
    void OnInitMenuPopup(HMENU menu);
    void EditCommand(UINT message);
    void LoadBookMark();
    void OnMenuCommand(HMENU menu, int position);
    void MinimizeAllChildren();
    void OpenRequestedWindow();
    void txtAddressKeyDown(WPARAM key);
    static LRESULT CALLBACK AddressProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id, DWORD_PTR data);

    MainFormOptions options_;
    std::wstring programDir_;
    HMENU menu_ = nullptr;
    // The menu bar's submenus, kept by handle: a maximized child puts its
    // system menu in front of them.
    HMENU fileMenu_ = nullptr;
    HMENU mnuBookMark_ = nullptr;
    HMENU toolMenu_ = nullptr;
    HMENU windowMenu_ = nullptr;
    HACCEL accelerators_ = nullptr;
    UniqueFont font_;
    UniqueFont labelFont_;                // Label1's is a pixel taller
    UniqueImageList imageList1_;          // also the menu pictures
    UniqueImageList disabledImageList1_;  // ToolBar2's disabled buttons
    vesko::BookmarkMenu bookmarks_;
    HWND coolBar1_ = nullptr;
    int coolBarMargin_ = 0;
    std::unique_ptr<ControlBar> toolBar3_;
    std::unique_ptr<ControlBar> toolBar1_;
    HWND toolBar2_ = nullptr;
    HWND label1_ = nullptr;
    HWND txtAddress_ = nullptr;
    HWND btnMove_ = nullptr;
    HWND statusBar1_ = nullptr;
    HWND progressBar1_ = nullptr;
    HWND mdiClient_ = nullptr;
    std::deque<std::pair<std::wstring, std::wstring>> newWindowRequests_;
    TAboutBox* aboutBox_ = nullptr;  // owned by the application
};

// The message for a directory that cannot be made current, by system code.
std::wstring InOutErrorMessage(DWORD code);

}  // namespace vesko
