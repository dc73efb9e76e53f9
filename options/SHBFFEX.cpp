#include "options/SHBFFEX.h"

#include <string>
#include <utility>
#include <vector>

#include "common/ComPtr.h"
#include "common/Ole.h"
#include "common/Text.h"

namespace vesko {
namespace {

constexpr int kSpecialFolderIds[] = {
    CSIDL_DESKTOP, CSIDL_DESKTOP,  // manual: the desktop when the name does not do
    CSIDL_DRIVES,  CSIDL_DESKTOPDIRECTORY, CSIDL_FAVORITES, CSIDL_PROGRAMS,  CSIDL_RECENT,
    CSIDL_SENDTO,  CSIDL_STARTMENU,        CSIDL_STARTUP,   CSIDL_TEMPLATES,
};

constexpr UINT kBrowseFlags[] = {
    BIF_DONTGOBELOWDOMAIN,  // sboDontGoBelowDomain
    BIF_RETURNFSANCESTORS,  // sboReturnFSAncestors
    BIF_RETURNONLYFSDIRS,   // sboReturnOnlyFSDirs
    BIF_STATUSTEXT,         // sboStatusTextAndShowPath
    BIF_STATUSTEXT,         // sboStatusText
};

// SHGetPathFromIDListA wants MAX_PATH; the status path gets room to spare.
constexpr size_t kPathBufferSize = 513;

// The component whose browser is open: the browse callback acts on it
// alone (its data is ours only while Execute runs).
const TSHBrowseForFolderEx* browsing = nullptr;

// A block from the shell allocator (an item id list or a buffer), freed
// through it when the holder goes.
class ShellMemory {
public:
    ShellMemory(IMalloc* malloc, void* block) : malloc_(malloc), block_(block) {}
    ~ShellMemory() {
        if (block_) malloc_->Free(block_);
    }
    ShellMemory(const ShellMemory&) = delete;
    ShellMemory& operator=(const ShellMemory&) = delete;
    void* Get() const { return block_; }
    LPITEMIDLIST IdList() const { return static_cast<LPITEMIDLIST>(block_); }

private:
    IMalloc* malloc_;
    void* block_;
};

// The attributes of an item given relative to the desktop. A folder only
// answers for its own children, so an item further down is asked of its
// parent folder (the desktop of some systems would answer for the first
// level of the list instead, taking a file for a folder).
HRESULT AttributesOf(IShellFolder* desktop, LPCITEMIDLIST item, SFGAOF* attributes) {
    const BYTE* const start = reinterpret_cast<const BYTE*>(item);
    const BYTE* last = start;
    int levels = 0;
    for (const BYTE* p = start; reinterpret_cast<const SHITEMID*>(p)->cb;
         p += reinterpret_cast<const SHITEMID*>(p)->cb) {
        last = p;
        ++levels;
    }
    if (levels <= 1) {
        LPCITEMIDLIST items[] = {item};
        return desktop->GetAttributesOf(1, items, attributes);
    }
    std::vector<BYTE> parentList(start, last);
    parentList.resize(parentList.size() + sizeof(USHORT), 0);  // the terminating empty id
    ComPtr<IShellFolder> parent;
    const HRESULT hr = desktop->BindToObject(reinterpret_cast<LPCITEMIDLIST>(parentList.data()), nullptr,
                                             IID_IShellFolder, reinterpret_cast<void**>(&parent));
    if (FAILED(hr)) return hr;
    if (!parent) return E_FAIL;
    LPCITEMIDLIST items[] = {reinterpret_cast<LPCITEMIDLIST>(last)};
    return parent->GetAttributesOf(1, items, attributes);
}

}  // namespace

int SpecialFolderId(TRootFolder folder) { return kSpecialFolderIds[folder]; }
int SpecialFolderId(TSelectFolder folder) { return kSpecialFolderIds[folder]; }

UINT BrowseFlags(TSHBrowseOptions options) {
    UINT flags = 0;
    for (int m = sboDontGoBelowDomain; m <= sboStatusText; ++m)
        if (options.Contains(static_cast<TSHBrowseOption>(m))) flags |= kBrowseFlags[m];
    return flags;
}

TSHBrowseForFolderEx::TSHBrowseForFolderEx(const Window* owner, std::shared_ptr<ShellApi> shell)
    : owner_(owner), shell_(std::move(shell)) {}

TSHBrowseForFolderEx::~TSHBrowseForFolderEx() = default;

void TSHBrowseForFolderEx::SetSelectFolder(TSelectFolder value) { selectFolder_ = value; }
void TSHBrowseForFolderEx::SetSelectFolderName(const std::wstring& value) { selectFolderName_ = value; }
void TSHBrowseForFolderEx::SetRootFolder(TRootFolder value) { rootFolder_ = value; }
void TSHBrowseForFolderEx::SetRootFolderName(const std::wstring& value) { rootFolderName_ = value; }
void TSHBrowseForFolderEx::SetShowStyle(TShowStyle value) { showStyle_ = value; }

LPITEMIDLIST TSHBrowseForFolderEx::Resolve(bool manual, const std::wstring& name, int csidl, IMalloc* malloc,
                                           IShellFolder* desktop, HWND appWindow) {
    if (manual && !name.empty()) {
        std::vector<wchar_t> wide(name.begin(), name.end());
        wide.push_back(L'\0');
        LPITEMIDLIST parsed = nullptr;
        ULONG eaten = 0;
        if (SUCCEEDED(desktop->ParseDisplayName(nullptr, nullptr, wide.data(), &eaten, &parsed, nullptr)) && parsed) {
            SFGAOF attributes = SFGAO_FOLDER | SFGAO_HASSUBFOLDER;
            if (SUCCEEDED(AttributesOf(desktop, parsed, &attributes)) &&
                (attributes & (SFGAO_FOLDER | SFGAO_HASSUBFOLDER)))
                return parsed;
            // Not a folder: fall back to the special folder.
            malloc->Free(parsed);
        }
    }
    LPITEMIDLIST special = nullptr;
    if (FAILED(shell_->GetSpecialFolderLocation(appWindow, csidl, &special))) return nullptr;
    return special;
}

bool TSHBrowseForFolderEx::Execute() {
    folderPath_.clear();
    displayName_.clear();
    // The shell's folder browser runs on OLE.
    ole::Require();

    ComPtr<IMalloc> malloc;
    if (FAILED(shell_->GetMalloc(&malloc)) || !malloc) return false;
    ComPtr<IShellFolder> desktop;
    if (FAILED(shell_->GetDesktopFolder(&desktop)) || !desktop) return false;
    const HWND appWindow = shell_->ApplicationWindow(OwnerHandle());

    // The callback reads these while the browser runs; they mean nothing
    // outside Execute.
    struct RunState {
        TSHBrowseForFolderEx& self;
        ~RunState() {
            self.initialSelection_ = nullptr;
            self.showPath_ = false;
            self.handlerError_ = nullptr;
        }
    } runState{*this};

    const ShellMemory selection(malloc.Get(),
                                Resolve(selectFolder_ == sfManual, selectFolderName_, SpecialFolderId(selectFolder_),
                                        malloc.Get(), desktop.Get(), appWindow));
    initialSelection_ = selection.IdList();
    const ShellMemory root(malloc.Get(), Resolve(rootFolder_ == rfManual, rootFolderName_, SpecialFolderId(rootFolder_),
                                                 malloc.Get(), desktop.Get(), appWindow));
    if (!root.Get()) return false;
    const ShellMemory buffer(malloc.Get(), malloc->Alloc(MAX_PATH));
    if (!buffer.Get()) return false;
    char* const text = static_cast<char*>(buffer.Get());
    text[0] = '\0';

    const ShellMemory chosen(malloc.Get(), Browse(root.IdList(), text, appWindow));
    if (handlerError_) std::rethrow_exception(handlerError_);
    if (!chosen.Get()) return false;

    text[MAX_PATH - 1] = '\0';
    displayName_ = FromAnsi(text);
    if (shell_->GetPathFromIDList(chosen.IdList(), text)) folderPath_ = FromAnsi(text);
    return true;
}

LPITEMIDLIST TSHBrowseForFolderEx::Browse(LPCITEMIDLIST root, char* displayName, HWND appWindow) {
    const std::string title = ToAnsi(caption_);
    BROWSEINFOA info{};
    info.hwndOwner = appWindow;
    info.pidlRoot = root;
    info.pszDisplayName = displayName;
    info.lpszTitle = title.c_str();  // the instruction above the tree
    info.ulFlags = BrowseFlags(options_);
    info.lpfn = &TSHBrowseForFolderEx::BrowseCallback;
    info.lParam = reinterpret_cast<LPARAM>(this);
    showPath_ = options_.Contains(sboStatusTextAndShowPath);
    handlerError_ = nullptr;

    struct ModalOwner {
        ShellApi& shell;
        HWND window;
        const TSHBrowseForFolderEx* outer;
        ~ModalOwner() {
            browsing = outer;
            if (!window) return;
            shell.EnableWindow(window, TRUE);
            shell.SetForegroundWindow(window);
        }
    } modalOwner{*shell_, appWindow, browsing};
    browsing = this;
    if (appWindow) shell_->EnableWindow(appWindow, FALSE);
    return shell_->BrowseForFolder(&info);
}

void TSHBrowseForFolderEx::DoSelectionChanged(HWND wnd, const std::wstring& path, std::wstring& showText,
                                              TOKButtonState& okButtonState) {
    if (onSelectionChanged_) onSelectionChanged_(*this, wnd, path, showText, okButtonState);
}

int CALLBACK TSHBrowseForFolderEx::BrowseCallback(HWND wnd, UINT msg, LPARAM param, LPARAM data) {
    auto* self = reinterpret_cast<TSHBrowseForFolderEx*>(data);
    if (!self || self != browsing || self->handlerError_) return 0;
    try {
        self->OnBrowseNotification(wnd, msg, param);
    } catch (...) {
        // No exception may unwind through the shell: close the browser and
        // let Execute raise it once everything is released.
        self->handlerError_ = std::current_exception();
        self->shell_->Post(wnd, WM_COMMAND, IDCANCEL, 0);
    }
    return 0;
}

void TSHBrowseForFolderEx::OnBrowseNotification(HWND wnd, UINT msg, LPARAM param) {
    char path[kPathBufferSize] = {};
    std::wstring showText;
    TOKButtonState okButtonState = obsNoChange;

    if (msg == BFFM_INITIALIZED) {
        if (initialSelection_)
            shell_->Send(wnd, BFFM_SETSELECTIONA, FALSE, reinterpret_cast<LPARAM>(initialSelection_));
        if (showStyle_ == ssCenterScreen)
            CenterOnScreen(wnd);
        else if (showStyle_ == ssClient && OwnerHandle())
            PlaceOnOwner(wnd);
    } else if (msg == BFFM_SELCHANGED) {
        const auto selected = reinterpret_cast<LPCITEMIDLIST>(param);
        if (!selected || !shell_->GetPathFromIDList(selected, path)) path[0] = '\0';
        path[kPathBufferSize - 1] = '\0';
        DoSelectionChanged(wnd, FromAnsi(path), showText, okButtonState);
    }

    if (showPath_) showText = FromAnsi(path);
    const std::string status = ToAnsi(showText);
    shell_->Send(wnd, BFFM_SETSTATUSTEXTA, 0, reinterpret_cast<LPARAM>(status.c_str()));
    if (okButtonState == obsEnable)
        shell_->Send(wnd, BFFM_ENABLEOK, 0, 1);
    else if (okButtonState == obsDisable)
        shell_->Send(wnd, BFFM_ENABLEOK, 0, 0);
}

void TSHBrowseForFolderEx::CenterOnScreen(HWND wnd) {
    RECT window{};
    RECT workArea{};
    if (!shell_->GetWindowRect(wnd, &window) || !shell_->GetWorkArea(&workArea)) return;
    const int x = ((workArea.right - workArea.left) - (window.right - window.left)) / 2;
    const int y = ((workArea.bottom - workArea.top) - (window.bottom - window.top)) / 3;
    // Screen coordinates as they stand: the work area's own offset is not added.
    shell_->SetWindowPos(wnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
}

void TSHBrowseForFolderEx::PlaceOnOwner(HWND wnd) {
    POINT origin{0, 0};
    if (!shell_->ClientToScreen(OwnerHandle(), &origin)) return;
    shell_->SetWindowPos(wnd, nullptr, origin.x, origin.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
}

}  // namespace vesko
