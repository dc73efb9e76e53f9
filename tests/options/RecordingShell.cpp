#include "tests/options/RecordingShell.h"

namespace vesko::test {
namespace {

// The browser runs modally on this thread, one at a time.
RecordingShell* g_shell = nullptr;
BrowserVisit* g_visit = nullptr;
HWND g_application = nullptr;
BFFCALLBACK g_callback = nullptr;

BOOL CALLBACK CollectText(HWND hwnd, LPARAM data) {
    wchar_t name[16] = {};
    GetClassNameW(hwnd, name, 16);
    if (lstrcmpiW(name, L"Static") == 0) {
        wchar_t text[512] = {};
        GetWindowTextW(hwnd, text, 512);
        reinterpret_cast<std::vector<std::wstring>*>(data)->push_back(text);
    }
    return TRUE;
}

}  // namespace

LPITEMIDLIST RecordingShell::BrowseForFolder(BROWSEINFOA* info) {
    g_shell = this;
    g_visit = &visit_;
    g_application = application_;
    g_callback = info->lpfn;
    BROWSEINFOA watched = *info;
    watched.lpfn = &RecordingShell::Watch;
    LPITEMIDLIST chosen = real_->BrowseForFolder(&watched);
    g_shell = nullptr;
    return chosen;
}

LRESULT RecordingShell::Send(HWND window, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == BFFM_SETSELECTIONA && !wp) {
        char path[MAX_PATH] = {};
        SHGetPathFromIDListA(reinterpret_cast<LPCITEMIDLIST>(lp), path);
        wchar_t wide[MAX_PATH] = {};
        MultiByteToWideChar(CP_ACP, 0, path, -1, wide, MAX_PATH);
        visit_.selections.push_back(wide);
    }
    return real_->Send(window, msg, wp, lp);
}

int CALLBACK RecordingShell::Watch(HWND wnd, UINT msg, LPARAM param, LPARAM data) {
    const int result = g_callback ? g_callback(wnd, msg, param, data) : 0;
    if (msg == BFFM_INITIALIZED && g_visit) {
        g_visit->browser = wnd;
        SetTimer(nullptr, 0, 300, &RecordingShell::Look);
    }
    return result;
}

void CALLBACK RecordingShell::Look(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    if (!g_visit || !g_visit->browser) return;
    ::GetWindowRect(g_visit->browser, &g_visit->rect);
    g_visit->applicationEnabled = g_application ? IsWindowEnabled(g_application) != FALSE : true;
    EnumChildWindows(g_visit->browser, &CollectText, reinterpret_cast<LPARAM>(&g_visit->texts));
    PostMessageW(g_visit->browser, WM_COMMAND, g_visit->answer, 0);
}

}  // namespace vesko::test
