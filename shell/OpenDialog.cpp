#include "shell/OpenDialog.h"

#include <commdlg.h>

#include <vector>

#include "common/Error.h"
#include "common/Ole.h"
#include "common/SystemLibrary.h"

namespace vesko {

std::wstring ExecuteOpenDialog(HWND owner) {
    std::vector<wchar_t> file(32768, L'\0');
    static const wchar_t filter[] = L"すべてのファイル(*.*)\0*.*\0";
    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = owner;
    ofn.lpstrFilter = filter;
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = file.data();
    ofn.nMaxFile = static_cast<DWORD>(file.size());
    ofn.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_ENABLESIZING;
    // comdlg32 loads when the dialog is first wanted, not at start; the
    // shell behind the dialog wants OLE.
    ole::Require();
    const auto getOpenFileName = SystemFunction<BOOL(WINAPI*)(OPENFILENAMEW*)>(L"comdlg32.dll", "GetOpenFileNameW");
    if (!getOpenFileName) throw AppError(SystemMessage(GetLastError()));
    if (!getOpenFileName(&ofn)) return std::wstring();
    return file.data();
}

}  // namespace vesko
