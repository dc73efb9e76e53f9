#pragma once
// TSHBrowseForFolderEx: the shell's folder browser (SHBrowseForFolderA) as
// a component without a window of its own. Over the bare call it adds a
// root and an initial selection chosen among the special folders or by
// name, options mapped to browse flags, placement of the browser, a status
// line that can show the selected path, and an event on each change of
// selection through which the owner sets the status text and the state of
// the OK button.
#include <windows.h>
#include <shlobj.h>

#include <cstdint>
#include <exception>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>

#include "common/Window.h"
#include "options/ShellApi.h"

namespace vesko {

enum TShowStyle : std::uint8_t { ssNone, ssCenterScreen, ssClient };

enum TOKButtonState : std::uint8_t { obsNoChange, obsEnable, obsDisable };

enum TRootFolder : std::uint8_t {
    rfDesktop,
    rfManual,
    rfDrives,
    rfDesktopDir,
    rfFavorites,
    rfPrograms,
    rfRecent,
    rfSendTo,
    rfStartMenu,
    rfStartup,
    rfTemplates
};

enum TSelectFolder : std::uint8_t {
    sfDesktop,
    sfManual,
    sfDrives,
    sfDesktopDir,
    sfFavorites,
    sfPrograms,
    sfRecent,
    sfSendTo,
    sfStartMenu,
    sfStartup,
    sfTemplates
};

enum TSHBrowseOption : std::uint8_t {
    sboDontGoBelowDomain,
    sboReturnFSAncestors,
    sboReturnOnlyFSDirs,
    sboStatusTextAndShowPath,
    sboStatusText
};

// A set of TSHBrowseOption: bit n stands for the member of ordinal n.
class TSHBrowseOptions {
public:
    constexpr TSHBrowseOptions() = default;
    constexpr TSHBrowseOptions(std::initializer_list<TSHBrowseOption> members) {
        for (TSHBrowseOption m : members) bits_ = static_cast<std::uint8_t>(bits_ | (1u << m));
    }
    constexpr bool Contains(TSHBrowseOption m) const { return (bits_ >> m) & 1u; }
    constexpr std::uint8_t Bits() const { return bits_; }
    constexpr bool operator==(const TSHBrowseOptions& o) const { return bits_ == o.bits_; }
    constexpr bool operator!=(const TSHBrowseOptions& o) const { return bits_ != o.bits_; }

private:
    std::uint8_t bits_ = 0;
};

// The shell's special-folder id (CSIDL) of each member; the manual member
// falls back to the desktop.
int SpecialFolderId(TRootFolder folder);
int SpecialFolderId(TSelectFolder folder);
// The bitwise OR of the browse flags (BIF_...) of the members.
UINT BrowseFlags(TSHBrowseOptions options);

class TSHBrowseForFolderEx;

// Fired on every change of selection. `path` is the new selection's file-
// system path (empty when it has none); `showText` arrives empty and is
// the status text to show; `okButtonState` arrives as obsNoChange.
using TSHBrowseEvent = std::function<void(TSHBrowseForFolderEx& sender, HWND wnd, const std::wstring& path,
                                          std::wstring& showText, TOKButtonState& okButtonState)>;

class TSHBrowseForFolderEx {
public:
    // `owner` is the form the component belongs to (may be null); the
    // browser is placed on its client area with ssClient.
    explicit TSHBrowseForFolderEx(const Window* owner, std::shared_ptr<ShellApi> shell = SystemShellApi());
    virtual ~TSHBrowseForFolderEx();
    TSHBrowseForFolderEx(const TSHBrowseForFolderEx&) = delete;
    TSHBrowseForFolderEx& operator=(const TSHBrowseForFolderEx&) = delete;

    // Shows the browser modally; true when the user confirmed a folder
    // with OK. An error raised by the event handler closes the browser and
    // leaves Execute once everything has been released.
    virtual bool Execute();

    TSelectFolder SelectFolder() const { return selectFolder_; }
    void SetSelectFolder(TSelectFolder value);
    const std::wstring& SelectFolderName() const { return selectFolderName_; }
    void SetSelectFolderName(const std::wstring& value);
    const std::wstring& Caption() const { return caption_; }
    void SetCaption(const std::wstring& value) { caption_ = value; }
    TSHBrowseOptions Options() const { return options_; }
    void SetOptions(TSHBrowseOptions value) { options_ = value; }
    const TSHBrowseEvent& OnSelectionChanged() const { return onSelectionChanged_; }
    void SetOnSelectionChanged(TSHBrowseEvent handler) { onSelectionChanged_ = std::move(handler); }
    TRootFolder RootFolder() const { return rootFolder_; }
    void SetRootFolder(TRootFolder value);
    const std::wstring& RootFolderName() const { return rootFolderName_; }
    void SetRootFolderName(const std::wstring& value);
    TShowStyle ShowStyle() const { return showStyle_; }
    void SetShowStyle(TShowStyle value);

    // Results of the last Execute; both empty after a cancelled or failed one.
    const std::wstring& FolderPath() const { return folderPath_; }
    const std::wstring& DisplayName() const { return displayName_; }

    // Replaces the shell the component talks to.
    void SetShell(std::shared_ptr<ShellApi> shell) { shell_ = std::move(shell); }

protected:
    virtual void DoSelectionChanged(HWND wnd, const std::wstring& path, std::wstring& showText,
                                    TOKButtonState& okButtonState);

private:
    static int CALLBACK BrowseCallback(HWND wnd, UINT msg, LPARAM param, LPARAM data);
    // Runs the browser modal to the program's window; the chosen id list,
    // or null.
    LPITEMIDLIST Browse(LPCITEMIDLIST root, char* displayName, HWND appWindow);
    void OnBrowseNotification(HWND wnd, UINT msg, LPARAM param);
    LPITEMIDLIST Resolve(bool manual, const std::wstring& name, int csidl, IMalloc* malloc, IShellFolder* desktop,
                         HWND appWindow);
    void CenterOnScreen(HWND wnd);
    void PlaceOnOwner(HWND wnd);
    HWND OwnerHandle() const { return owner_ ? owner_->Handle() : nullptr; }

    const Window* owner_;
    std::shared_ptr<ShellApi> shell_;

    TShowStyle showStyle_ = ssClient;
    LPITEMIDLIST initialSelection_ = nullptr;  // only while Execute runs
    bool showPath_ = false;                    // only while Execute runs
    TSelectFolder selectFolder_ = sfDrives;
    std::wstring selectFolderName_;
    std::wstring folderPath_;
    std::wstring rootFolderName_;
    TRootFolder rootFolder_ = rfDesktop;
    std::wstring displayName_;
    std::wstring caption_;
    TSHBrowseOptions options_{sboReturnOnlyFSDirs};
    TSHBrowseEvent onSelectionChanged_;
    std::exception_ptr handlerError_;  // raised inside the browser, rethrown after it
};

}  // namespace vesko
