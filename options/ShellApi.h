#pragma once
// The shell and window-manager calls of the folder picker, behind one
// interface so that its behaviour can be checked without a person at the
// browser. The system implementation forwards each call unchanged.
#include <windows.h>
#include <shlobj.h>

#include <memory>

namespace vesko {

class ShellApi {
public:
    virtual ~ShellApi() = default;

    virtual HRESULT GetMalloc(IMalloc** malloc) = 0;
    virtual HRESULT GetDesktopFolder(IShellFolder** folder) = 0;
    virtual HRESULT GetSpecialFolderLocation(HWND owner, int csidl, LPITEMIDLIST* idList) = 0;
    virtual LPITEMIDLIST BrowseForFolder(BROWSEINFOA* info) = 0;
    virtual BOOL GetPathFromIDList(LPCITEMIDLIST idList, char* path) = 0;

    virtual LRESULT Send(HWND window, UINT msg, WPARAM wp, LPARAM lp) = 0;
    virtual BOOL Post(HWND window, UINT msg, WPARAM wp, LPARAM lp) = 0;
    virtual BOOL GetWindowRect(HWND window, RECT* rect) = 0;
    // SystemParametersInfoA(SPI_GETWORKAREA).
    virtual BOOL GetWorkArea(RECT* rect) = 0;
    virtual BOOL SetWindowPos(HWND window, HWND after, int x, int y, int cx, int cy, UINT flags) = 0;
    virtual BOOL ClientToScreen(HWND window, POINT* point) = 0;
    virtual BOOL EnableWindow(HWND window, BOOL enable) = 0;
    virtual BOOL SetForegroundWindow(HWND window) = 0;
    // The program's top-level window that owns the given form.
    virtual HWND ApplicationWindow(HWND form) = 0;
};

std::shared_ptr<ShellApi> SystemShellApi();

}  // namespace vesko
