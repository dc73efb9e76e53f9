#pragma once
// A scripted shell for the folder picker: an allocator that counts its
// blocks, a desktop folder that knows a few names, a browser that plays a
// user's moves through the picker's callback, and a log of every call
// that reaches the screen.
#include <gtest/gtest.h>
#include <windows.h>
#include <shlobj.h>

#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "common/ComObject.h"
#include "options/ShellApi.h"

namespace vesko::test {

// The shell's objects live as long as the fake shell: they only count
// their references, starting with the fake shell's own.
class FakeMalloc final : public ComObject<FakeMalloc, IMalloc> {
public:
    static const auto& Interfaces() {
        static const ComInterface<FakeMalloc> table[] = {Entry<FakeMalloc, IMalloc>(IID_IMalloc)};
        return table;
    }
    void FinalRelease() {}
    void* STDMETHODCALLTYPE Alloc(SIZE_T size) override;
    void* STDMETHODCALLTYPE Realloc(void*, SIZE_T) override { return nullptr; }
    void STDMETHODCALLTYPE Free(void* block) override;
    SIZE_T STDMETHODCALLTYPE GetSize(void*) override { return 0; }
    int STDMETHODCALLTYPE DidAlloc(void* block) override { return live_.count(block) ? 1 : 0; }
    void STDMETHODCALLTYPE HeapMinimize() override {}

    // An id list standing for `name`, allocated here.
    LPITEMIDLIST NewIdList(const std::string& name);
    // The name of a live id list, or "?".
    std::string NameOf(const void* idList) const;

    bool failAlloc_ = false;
    std::set<void*> live_;
    std::vector<std::string> badFrees_;
    int allocations_ = 0;
    // File-system paths of the live id lists that have one.
    std::map<const void*, std::string> paths_;

private:
    std::map<const void*, std::string> names_;
};

class FakeDesktop final : public ComObject<FakeDesktop, IShellFolder> {
public:
    explicit FakeDesktop(FakeMalloc& malloc) : malloc_(malloc) {}

    static const auto& Interfaces() {
        static const ComInterface<FakeDesktop> table[] = {Entry<FakeDesktop, IShellFolder>(IID_IShellFolder)};
        return table;
    }
    void FinalRelease() {}
    HRESULT STDMETHODCALLTYPE ParseDisplayName(HWND owner, IBindCtx* bind, LPWSTR name, ULONG* eaten,
                                               PIDLIST_RELATIVE* idList, ULONG* attributes) override;
    HRESULT STDMETHODCALLTYPE EnumObjects(HWND, SHCONTF, IEnumIDList**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE BindToObject(PCUIDLIST_RELATIVE, IBindCtx*, REFIID, void**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE BindToStorage(PCUIDLIST_RELATIVE, IBindCtx*, REFIID, void**) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE CompareIDs(LPARAM, PCUIDLIST_RELATIVE, PCUIDLIST_RELATIVE) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE CreateViewObject(HWND, REFIID, void**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetAttributesOf(UINT count, PCUITEMID_CHILD_ARRAY items, SFGAOF* inOut) override;
    HRESULT STDMETHODCALLTYPE GetUIObjectOf(HWND, UINT, PCUITEMID_CHILD_ARRAY, REFIID, UINT*, void**) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetDisplayNameOf(PCUITEMID_CHILD, SHGDNF, STRRET*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetNameOf(HWND, PCUITEMID_CHILD, LPCWSTR, SHGDNF, PITEMID_CHILD*) override {
        return E_NOTIMPL;
    }

    // Names the desktop can parse, with the attributes of what they name.
    std::map<std::wstring, SFGAOF> items_;
    std::vector<std::string>* log_ = nullptr;

private:
    FakeMalloc& malloc_;
};

// The browser window and the program's window as the fake shell knows them.
inline const HWND kBrowser = reinterpret_cast<HWND>(static_cast<INT_PTR>(0x1110));
inline const HWND kAppWindow = reinterpret_cast<HWND>(static_cast<INT_PTR>(0x2220));

class FakeShell final : public ShellApi {
public:
    FakeShell() : desktop_(malloc_) { desktop_.log_ = &log_; }

    HRESULT GetMalloc(IMalloc** malloc) override;
    HRESULT GetDesktopFolder(IShellFolder** folder) override;
    HRESULT GetSpecialFolderLocation(HWND owner, int csidl, LPITEMIDLIST* idList) override;
    LPITEMIDLIST BrowseForFolder(BROWSEINFOA* info) override;
    BOOL GetPathFromIDList(LPCITEMIDLIST idList, char* path) override;
    LRESULT Send(HWND window, UINT msg, WPARAM wp, LPARAM lp) override;
    BOOL Post(HWND window, UINT msg, WPARAM wp, LPARAM lp) override;
    BOOL GetWindowRect(HWND window, RECT* rect) override;
    BOOL GetWorkArea(RECT* rect) override;
    BOOL SetWindowPos(HWND window, HWND after, int x, int y, int cx, int cy, UINT flags) override;
    BOOL ClientToScreen(HWND window, POINT* point) override;
    BOOL EnableWindow(HWND window, BOOL enable) override;
    BOOL SetForegroundWindow(HWND window) override;
    HWND ApplicationWindow(HWND form) override;

    // The user's moves inside the browser, played when it opens: send
    // notifications with Notify, pick the answer with Choose. Returns the
    // confirmed id list, or null for Cancel. Without a script the user
    // cancels at once.
    std::function<LPITEMIDLIST(FakeShell&)> user_;
    void Notify(UINT msg, LPARAM param = 0);
    // An id list of a folder at `path` (empty: no file-system path).
    LPITEMIDLIST Folder(const std::string& name, const std::string& path);
    // The user selects a folder: BFFM_SELCHANGED with an id list of the
    // browser's own, freed again afterwards.
    void Select(const std::string& name, const std::string& path);
    // Fills the browser's display-name buffer (text in UTF-8).
    void SetDisplayName(const std::string& text);

    // True when every block is freed and every object released.
    ::testing::AssertionResult AllReleased() const;

    FakeMalloc malloc_;
    FakeDesktop desktop_;
    std::vector<std::string> log_;
    std::optional<BROWSEINFOA> info_;
    std::string title_;  // the text lpszTitle pointed to, in UTF-8
    bool failMalloc_ = false;
    bool failDesktop_ = false;
    std::set<int> failingSpecialFolders_;
    RECT browserRect_{100, 100, 500, 400};
    std::optional<RECT> workArea_ = RECT{0, 0, 1280, 900};
    std::optional<POINT> clientOrigin_ = POINT{300, 200};  // null: the real ClientToScreen
    HWND appWindow_ = kAppWindow;                          // null: the real root owner
};

}  // namespace vesko::test
