#include "common/Files.h"

#include <vector>

#include "common/AtomicFile.h"
#include "common/Error.h"
#include "common/Handles.h"
#include "common/Text.h"

namespace vesko {

bool ReadWholeFile(const std::wstring& path, std::string& bytes, DWORD& error) {
    bytes.clear();
    UniqueHandle file;
    error = RetryBudget().Run(path, [&] {
        file.Reset(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                               nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        return file ? DWORD{ERROR_SUCCESS} : GetLastError();
    });
    if (error != ERROR_SUCCESS) return false;
    LARGE_INTEGER size{};
    bool ok = GetFileSizeEx(file.Get(), &size) && size.QuadPart < 0x40000000;
    if (ok) {
        bytes.resize(static_cast<size_t>(size.QuadPart));
        size_t done = 0;
        while (ok && done < bytes.size()) {
            DWORD n = 0;
            ok = ReadFile(file.Get(), bytes.data() + done, static_cast<DWORD>(bytes.size() - done), &n, nullptr) &&
                 n > 0;
            done += n;
        }
    }
    error = ok ? ERROR_SUCCESS : (GetLastError() ? GetLastError() : ERROR_READ_FAULT);
    return ok;
}

std::vector<FolderEntry> ListFolder(const std::wstring& folder) {
    std::vector<FolderEntry> entries;
    WIN32_FIND_DATAW data;
    const UniqueFind find(FindFirstFileW((folder + L"*").c_str(), &data));
    if (find.get() == INVALID_HANDLE_VALUE) return entries;
    do {
        const std::wstring name = data.cFileName;
        if (name != L"." && name != L"..")
            entries.push_back({name, (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0});
    } while (FindNextFileW(find.get(), &data));
    return entries;
}

namespace {

std::wstring ExecutablePath() {
    std::vector<wchar_t> path(MAX_PATH);
    for (;;) {
        const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (n == 0) throw AppError(SystemMessage(GetLastError()));
        if (n < path.size()) return std::wstring(path.data(), n);
        path.resize(path.size() * 2);
    }
}

}  // namespace

std::wstring ExecutableDirectory() {
    const std::wstring full = ExecutablePath();
    return full.substr(0, full.find_last_of(L"\\/") + 1);
}

std::wstring ExecutableFileName() {
    const std::wstring full = ExecutablePath();
    return full.substr(full.find_last_of(L"\\/") + 1);
}

std::wstring InOutErrorMessage(DWORD code) {
    switch (code) {
    case 2:
        return L"ファイルが見つかりません";
    case 3:
        return L"不正なファイル名です";
    case 4:
        return L"オープンしたファイルが多すぎます";
    case 5:
        return L"ファイルへのアクセスが拒否されました";
    default:
        return Format(L"I/O エラー (%d)", static_cast<int>(code));
    }
}

}  // namespace vesko
