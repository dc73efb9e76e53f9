#include "options/ShellApi.h"

namespace vesko {
namespace {

class SystemShell final : public ShellApi {
public:
    HRESULT GetMalloc(IMalloc** malloc) override { return SHGetMalloc(malloc); }
    HRESULT GetDesktopFolder(IShellFolder** folder) override { return SHGetDesktopFolder(folder); }
    HRESULT GetSpecialFolderLocation(HWND owner, int csidl, LPITEMIDLIST* idList) override {
        return SHGetSpecialFolderLocation(owner, csidl, idList);
    }
    LPITEMIDLIST BrowseForFolder(BROWSEINFOA* info) override { return SHBrowseForFolderA(info); }
    BOOL GetPathFromIDList(LPCITEMIDLIST idList, char* path) override { return SHGetPathFromIDListA(idList, path); }

    LRESULT Send(HWND window, UINT msg, WPARAM wp, LPARAM lp) override {
        return SendMessageA(window, msg, wp, lp);
    }
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
