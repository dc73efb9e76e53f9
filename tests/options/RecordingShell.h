#pragma once
// The system's shell, with a watcher: once the real folder browser is up
// (BFFM_INITIALIZED), a timer looks at it and presses OK or Cancel, so
// that a test can run it without a person.
#include <windows.h>
#include <shlobj.h>

#include <memory>
#include <string>
#include <vector>

#include "options/ShellApi.h"

namespace vesko::test {

struct BrowserVisit {
    WPARAM answer = IDCANCEL;  // the button the timer presses
    HWND browser = nullptr;
    RECT rect{};  // where the browser stood
    bool applicationEnabled = true;
    std::vector<std::wstring> texts;       // its static texts
    std::vector<std::wstring> selections;  // paths sent with BFFM_SETSELECTIONA
};

class RecordingShell final : public ShellApi {
public:
    explicit RecordingShell(BrowserVisit& visit) : visit_(visit) {}

    HRESULT GetMalloc(IMalloc** malloc) override { return real_->GetMalloc(malloc); }
    HRESULT GetDesktopFolder(IShellFolder** folder) override { return real_->GetDesktopFolder(folder); }
    HRESULT GetSpecialFolderLocation(HWND owner, int csidl, LPITEMIDLIST* idList) override {
        return real_->GetSpecialFolderLocation(owner, csidl, idList);
    }
    LPITEMIDLIST BrowseForFolder(BROWSEINFOA* info) override;
    BOOL GetPathFromIDList(LPCITEMIDLIST idList, char* path) override { return real_->GetPathFromIDList(idList, path); }
    LRESULT Send(HWND window, UINT msg, WPARAM wp, LPARAM lp) override;
    BOOL Post(HWND window, UINT msg, WPARAM wp, LPARAM lp) override { return real_->Post(window, msg, wp, lp); }
    BOOL GetWindowRect(HWND window, RECT* rect) override { return real_->GetWindowRect(window, rect); }
    BOOL GetWorkArea(RECT* rect) override { return real_->GetWorkArea(rect); }
    BOOL SetWindowPos(HWND window, HWND after, int x, int y, int cx, int cy, UINT flags) override {
        return real_->SetWindowPos(window, after, x, y, cx, cy, flags);
    }
    BOOL ClientToScreen(HWND window, POINT* point) override { return real_->ClientToScreen(window, point); }
    BOOL EnableWindow(HWND window, BOOL enable) override { return real_->EnableWindow(window, enable); }
    BOOL SetForegroundWindow(HWND window) override { return real_->SetForegroundWindow(window); }
    HWND ApplicationWindow(HWND form) override {
        application_ = real_->ApplicationWindow(form);
        return application_;
    }

private:
    static int CALLBACK Watch(HWND wnd, UINT msg, LPARAM param, LPARAM data);
    static void CALLBACK Look(HWND, UINT, UINT_PTR id, DWORD);

    BrowserVisit& visit_;
    std::shared_ptr<ShellApi> real_ = SystemShellApi();
    HWND application_ = nullptr;
};

}  // namespace vesko::test
