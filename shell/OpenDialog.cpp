#include "shell/OpenDialog.h"

#include <commdlg.h>

#include <algorithm>
#include <vector>

#include "common/Error.h"
#include "common/Ole.h"
#include "common/SystemLibrary.h"

namespace vesko {
namespace {

// "a|b|c|d" as the dialog takes it: "a\0b\0c\0d\0\0".
std::wstring DialogFilter(const std::wstring& filter) {
    std::wstring out = filter;
    for (wchar_t& c : out)
        if (c == L'|') c = L'\0';
    out.append(2, L'\0');
    return out;
}

using FileDialogFunction = BOOL(WINAPI*)(OPENFILENAMEW*);

// The dialog `function` of comdlg32 over `owner`: the chosen file's full
// path, or empty when the user cancelled.
std::wstring RunFileDialog(const char* function, HWND owner, const std::wstring& filter,
                           const std::wstring& defaultName, const wchar_t* extension, DWORD flags) {
    std::vector<wchar_t> file(32768, L'\0');
    defaultName.copy(file.data(), std::min(defaultName.size(), file.size() - 1));
    const std::wstring filters = DialogFilter(filter);
    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = owner;
    ofn.lpstrFilter = filters.c_str();
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = file.data();
    ofn.nMaxFile = static_cast<DWORD>(file.size());
    ofn.lpstrDefExt = extension;
    ofn.Flags = flags;
    // comdlg32 loads when a dialog is first wanted, not at start; the shell
    // behind the dialog wants OLE.
    ole::Require();
    const auto run = SystemFunction<FileDialogFunction>(L"comdlg32.dll", function);
    if (!run) throw AppError(SystemMessage(GetLastError()));
    if (!run(&ofn)) return std::wstring();
    return file.data();
}

}  // namespace

std::wstring ExecuteOpenDialog(HWND owner, const std::wstring& filter) {
    return RunFileDialog("GetOpenFileNameW", owner, filter, std::wstring(), nullptr,
                         OFN_EXPLORER | OFN_HIDEREADONLY | OFN_ENABLESIZING);
}

std::wstring ExecuteSaveDialog(HWND owner, const std::wstring& filter, const std::wstring& defaultName,
                               const wchar_t* extension) {
    return RunFileDialog("GetSaveFileNameW", owner, filter, defaultName, extension,
                         OFN_EXPLORER | OFN_HIDEREADONLY | OFN_ENABLESIZING | OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST);
}

}  // namespace vesko
