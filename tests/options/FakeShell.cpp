#include "tests/options/FakeShell.h"

#include <cstring>

#include "common/Text.h"

namespace vesko::test {
namespace {

std::string Utf8(const std::wstring& text) {
    if (text.empty()) return {};
    const int n =
        WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr, nullptr);
    return out;
}

std::wstring FromUtf8(const std::string& text) {
    if (text.empty()) return {};
    const int n = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring out(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n);
    return out;
}

std::string NameOfWindow(HWND hwnd) {
    if (hwnd == kAppWindow) return "app";
    if (hwnd == kBrowser) return "browser";
    if (!hwnd) return "null";
    return "window";
}

}  // namespace

void* FakeMalloc::Alloc(SIZE_T size) {
    if (failAlloc_) return nullptr;
    void* block = ::operator new(size + 8);
    std::memset(block, 0, size + 8);
    live_.insert(block);
    ++allocations_;
    return block;
}

void FakeMalloc::Free(void* block) {
    if (!block) return;
    if (!live_.erase(block)) {
        badFrees_.push_back(NameOf(block));
        return;
    }
    names_.erase(block);
    paths_.erase(block);
    ::operator delete(block);
}

LPITEMIDLIST FakeMalloc::NewIdList(const std::string& name) {
    const bool failing = failAlloc_;
    failAlloc_ = false;
    auto* idList = static_cast<LPITEMIDLIST>(Alloc(sizeof(USHORT)));  // an empty list: cb = 0
    failAlloc_ = failing;
    names_[idList] = name;
    return idList;
}

std::string FakeMalloc::NameOf(const void* idList) const {
    const auto it = names_.find(idList);
    return it == names_.end() ? std::string("?") : it->second;
}

HRESULT FakeDesktop::ParseDisplayName(HWND owner, IBindCtx* bind, LPWSTR name, ULONG* eaten, PIDLIST_RELATIVE* idList,
                                      ULONG* attributes) {
    log_->push_back("parse " + Utf8(name) + (owner || bind || attributes ? " with extras" : ""));
    if (eaten) *eaten = 0;
    *idList = nullptr;
    if (!items_.count(name)) return E_INVALIDARG;
    *idList = malloc_.NewIdList("parsed " + Utf8(name));
    return S_OK;
}

HRESULT FakeDesktop::GetAttributesOf(UINT count, PCUITEMID_CHILD_ARRAY items, SFGAOF* inOut) {
    if (count != 1) return E_INVALIDARG;
    const std::string name = malloc_.NameOf(items[0]);
    log_->push_back("attributes " + name + " mask " + std::to_string(*inOut));
    for (const auto& item : items_) {
        if ("parsed " + Utf8(item.first) == name) {
            *inOut &= item.second;
            return S_OK;
        }
    }
    return E_INVALIDARG;
}

HRESULT FakeShell::GetMalloc(IMalloc** malloc) {
    if (failMalloc_) return E_FAIL;
    malloc_.AddRef();
    *malloc = &malloc_;
    return S_OK;
}

HRESULT FakeShell::GetDesktopFolder(IShellFolder** folder) {
    if (failDesktop_) return E_FAIL;
    desktop_.AddRef();
    *folder = &desktop_;
    return S_OK;
}

HRESULT FakeShell::GetSpecialFolderLocation(HWND owner, int csidl, LPITEMIDLIST* idList) {
    log_.push_back("special " + std::to_string(csidl) + " owner " + NameOfWindow(owner));
    *idList = nullptr;
    if (failingSpecialFolders_.count(csidl)) return E_FAIL;
    *idList = malloc_.NewIdList("special " + std::to_string(csidl));
    return S_OK;
}

LPITEMIDLIST FakeShell::BrowseForFolder(BROWSEINFOA* info) {
    log_.push_back("browse");
    info_ = *info;
    title_ = info->lpszTitle ? Utf8(FromAnsi(info->lpszTitle)) : "<null>";
    LPITEMIDLIST chosen = user_ ? user_(*this) : nullptr;
    info_.reset();
    return chosen;
}

void FakeShell::Notify(UINT msg, LPARAM param) { info_->lpfn(kBrowser, msg, param, info_->lParam); }

LPITEMIDLIST FakeShell::Folder(const std::string& name, const std::string& path) {
    LPITEMIDLIST idList = malloc_.NewIdList(name);
    if (!path.empty()) malloc_.paths_[idList] = path;
    return idList;
}

void FakeShell::Select(const std::string& name, const std::string& path) {
    LPITEMIDLIST idList = Folder(name, path);
    Notify(BFFM_SELCHANGED, reinterpret_cast<LPARAM>(idList));
    malloc_.Free(idList);
}

void FakeShell::SetDisplayName(const std::string& text) {
    std::strncpy(info_->pszDisplayName, ToAnsi(FromUtf8(text)).c_str(), MAX_PATH - 1);
}

BOOL FakeShell::GetPathFromIDList(LPCITEMIDLIST idList, char* path) {
    const auto it = malloc_.paths_.find(idList);
    if (it == malloc_.paths_.end()) {
        path[0] = '\0';
        return FALSE;
    }
    std::strcpy(path, it->second.c_str());
    return TRUE;
}

LRESULT FakeShell::Send(HWND window, UINT msg, WPARAM wp, LPARAM lp) {
    std::string entry = "send " + NameOfWindow(window) + " ";
    switch (msg) {
    case BFFM_SETSELECTIONA:
        entry += "SETSELECTIONA " + std::to_string(wp) + " " + malloc_.NameOf(reinterpret_cast<void*>(lp));
        break;
    case BFFM_SETSTATUSTEXTA:
        entry +=
            "SETSTATUSTEXTA " + std::to_string(wp) + " '" + Utf8(FromAnsi(reinterpret_cast<const char*>(lp))) + "'";
        break;
    case BFFM_ENABLEOK:
        entry += "ENABLEOK " + std::to_string(wp) + " " + std::to_string(lp);
        break;
    default:
        entry += "message " + std::to_string(msg);
        break;
    }
    log_.push_back(entry);
    return 0;
}

BOOL FakeShell::Post(HWND window, UINT msg, WPARAM wp, LPARAM lp) {
    log_.push_back("post " + NameOfWindow(window) + " " + std::to_string(msg) + " " + std::to_string(wp) + " " +
                   std::to_string(lp));
    return TRUE;
}

BOOL FakeShell::GetWindowRect(HWND window, RECT* rect) {
    if (window != kBrowser) return FALSE;
    *rect = browserRect_;
    return TRUE;
}

BOOL FakeShell::GetWorkArea(RECT* rect) {
    if (!workArea_) return FALSE;
    *rect = *workArea_;
    return TRUE;
}

BOOL FakeShell::SetWindowPos(HWND window, HWND after, int x, int y, int cx, int cy, UINT flags) {
    log_.push_back("move " + NameOfWindow(window) + " to " + std::to_string(x) + "," + std::to_string(y) + " size " +
                   std::to_string(cx) + "," + std::to_string(cy) + " flags " + std::to_string(flags) +
                   (after ? " after" : ""));
    return TRUE;
}

BOOL FakeShell::ClientToScreen(HWND window, POINT* point) {
    if (!clientOrigin_) return ::ClientToScreen(window, point);
    point->x += clientOrigin_->x;
    point->y += clientOrigin_->y;
    return TRUE;
}

BOOL FakeShell::EnableWindow(HWND window, BOOL enable) {
    log_.push_back("enable " + NameOfWindow(window) + " " + std::to_string(enable));
    if (window == kAppWindow || !window) return FALSE;
    return ::EnableWindow(window, enable);
}

BOOL FakeShell::SetForegroundWindow(HWND window) {
    log_.push_back("foreground " + NameOfWindow(window));
    return TRUE;
}

HWND FakeShell::ApplicationWindow(HWND form) { return appWindow_ ? appWindow_ : GetAncestor(form, GA_ROOTOWNER); }

::testing::AssertionResult FakeShell::AllReleased() const {
    if (!malloc_.live_.empty())
        return ::testing::AssertionFailure() << malloc_.live_.size() << " shell block(s) never freed";
    if (!malloc_.badFrees_.empty())
        return ::testing::AssertionFailure() << "freed twice or foreign: " << malloc_.badFrees_[0];
    if (malloc_.References() != 1)
        return ::testing::AssertionFailure() << "allocator references left: " << malloc_.References() - 1;
    if (desktop_.References() != 1)
        return ::testing::AssertionFailure() << "desktop references left: " << desktop_.References() - 1;
    return ::testing::AssertionSuccess();
}

}  // namespace vesko::test
