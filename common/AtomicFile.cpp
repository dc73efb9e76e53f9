#include "common/AtomicFile.h"

#include <windows.h>

#include "common/Error.h"
#include "common/Handles.h"
#include "common/Text.h"

#include <algorithm>

namespace vesko {

std::wstring DirectoryOf(const std::wstring& path) {
    const size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring(L".") : path.substr(0, slash);
}

bool FlushFile(const std::wstring& path) {
    DWORD error = ERROR_SUCCESS;
    {
        const UniqueHandle file(
            CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file) return false;
        if (!FlushFileBuffers(file.Get())) error = GetLastError();
    }
    SetLastError(error);  // closing the file must not change it
    return error == ERROR_SUCCESS;
}

bool MoveReplacing(const std::wstring& source, const std::wstring& target) {
    for (int attempt = 0;; ++attempt) {
        if (MoveFileExW(source.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
            return true;
        const DWORD error = GetLastError();
        const bool transient =
            error == ERROR_SHARING_VIOLATION || error == ERROR_ACCESS_DENIED || error == ERROR_LOCK_VIOLATION;
        if (!transient || attempt == 4) {
            SetLastError(error);
            return false;
        }
        Sleep(50);
    }
}

void ReplaceFileContents(const std::wstring& path, const std::string& bytes) {
    // One fixed name: a save cut short by a crash leaves at most this file,
    // which the next save overwrites.
    const std::wstring temp = path + L".tmp";
    DWORD error = ERROR_SUCCESS;
    {
        const UniqueHandle file(
            CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file) throw AppError(SystemMessage(GetLastError()));
        size_t done = 0;
        while (done < bytes.size() && error == ERROR_SUCCESS) {
            const DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1u << 20));
            DWORD written = 0;
            if (!WriteFile(file.Get(), bytes.data() + done, chunk, &written, nullptr) || written != chunk)
                error = GetLastError() ? GetLastError() : ERROR_WRITE_FAULT;
            done += written;
        }
        if (error == ERROR_SUCCESS && !FlushFileBuffers(file.Get())) error = GetLastError();
    }  // closed before it takes the target's place
    if (error == ERROR_SUCCESS && !MoveReplacing(temp, path)) error = GetLastError();
    if (error != ERROR_SUCCESS) {
        DeleteFileW(temp.c_str());
        std::wstring reason = SystemMessage(error);
        if (reason.empty()) reason = Format(L"I/O エラー (%d)", static_cast<int>(error));
        throw AppError(reason);
    }
}

}  // namespace vesko
