#include "options/ShellApi.h"

#include "common/SystemLibrary.h"

namespace vesko {
namespace {

constexpr wchar_t kShell32[] = L"shell32.dll";

// A shell call whose DLL could not be had fails as the call would.
HRESULT LastErrorResult() {
    const DWORD error = GetLastError();
    return error ? HRESULT_FROM_WIN32(error) : E_FAIL;
}

class SystemShell final : public ShellApi {
public:
    HRESULT GetMalloc(IMalloc** malloc) override {
        const auto call = SystemFunction<HRESULT(WINAPI*)(IMalloc**)>(kShell32, "SHGetMalloc");
        return call ? call(malloc) : LastErrorResult();
    }
    HRESULT GetDesktopFolder(IShellFolder** folder) override {
        const auto call = SystemFunction<HRESULT(WINAPI*)(IShellFolder**)>(kShell32, "SHGetDesktopFolder");
        return call ? call(folder) : LastErrorResult();
    }
    HRESULT GetSpecialFolderLocation(HWND owner, int csidl, LPITEMIDLIST* idList) override {
        const auto call =
            SystemFunction<HRESULT(WINAPI*)(HWND, int, LPITEMIDLIST*)>(kShell32, "SHGetSpecialFolderLocation");
        return call ? call(owner, csidl, idList) : LastErrorResult();
    }
    LPITEMIDLIST BrowseForFolder(BROWSEINFOA* info) override {
        const auto call = SystemFunction<LPITEMIDLIST(WINAPI*)(BROWSEINFOA*)>(kShell32, "SHBrowseForFolderA");
        return call ? call(info) : nullptr;
    }
    BOOL GetPathFromIDList(LPCITEMIDLIST idList, char* path) override {
        const auto call = SystemFunction<BOOL(WINAPI*)(LPCITEMIDLIST, char*)>(kShell32, "SHGetPathFromIDListA");
        return call ? call(idList, path) : FALSE;
    }

    LRESULT Send(HWND window, UINT msg, WPARAM wp, LPARAM lp) override { return SendMessageA(window, msg, wp, lp); }
    BOOL Post(HWND window, UINT msg, WPARAM wp, LPARAM lp) override { return PostMessageA(window, msg, wp, lp); }
    BOOL GetWindowRect(HWND window, RECT* rect) override { return ::GetWindowRect(window, rect); }
    BOOL GetWorkArea(RECT* rect) override { return SystemParametersInfoA(SPI_GETWORKAREA, 0, rect, 0); }
    BOOL SetWindowPos(HWND window, HWND after, int x, int y, int cx, int cy, UINT flags) override {
        return ::SetWindowPos(window, after, x, y, cx, cy, flags);
    }
    BOOL ClientToScreen(HWND window, POINT* point) override { return ::ClientToScreen(window, point); }
    BOOL EnableWindow(HWND window, BOOL enable) override { return ::EnableWindow(window, enable); }
    BOOL SetForegroundWindow(HWND window) override { return ::SetForegroundWindow(window); }
    HWND ApplicationWindow(HWND form) override { return form ? GetAncestor(form, GA_ROOTOWNER) : nullptr; }
};

}  // namespace

std::shared_ptr<ShellApi> SystemShellApi() {
    static const std::shared_ptr<ShellApi> shell = std::make_shared<SystemShell>();
    return shell;
}

}  // namespace vesko
