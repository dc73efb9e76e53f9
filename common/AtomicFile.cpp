#include "common/AtomicFile.h"

#include "common/Error.h"
#include "common/Files.h"
#include "common/ErrorReport.h"
#include "common/Handles.h"
#include "common/Text.h"

#include <algorithm>
#include <cstring>

namespace vesko {
namespace {

DWORD& Budget() {
    static DWORD budget = kDefaultRetryBudgetMs;
    return budget;
}

constexpr DWORD kFirstPause = 15;
constexpr DWORD kLongestPause = 500;

DWORD LastErrorOr(DWORD fallback) {
    const DWORD error = GetLastError();
    return error ? error : fallback;
}

// A refusal that another program's brief hold explains. Access denied is
// one too (Wine says so where Windows reports a sharing violation), but
// not for a read-only file or a folder: those stay as they are.
bool IsTransient(DWORD error, const std::wstring& path) {
    switch (error) {
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_UNABLE_TO_REMOVE_REPLACED:  // both files unchanged
        return true;
    case ERROR_ACCESS_DENIED: {
        const DWORD attributes = GetFileAttributesW(path.c_str());
        return attributes == INVALID_FILE_ATTRIBUTES ||
               !(attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY));
    }
    default:
        return false;
    }
}

bool RunningOnWine() {
    static const bool wine = GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
    return wine;
}

// Puts `temp` in the place of `path`. Windows' ReplaceFileW keeps the
// replaced file's security descriptor, which a rename would not. Wine's
// ReplaceFileW deletes the old file before the new one takes its place, so
// there a rename, atomic on its file systems, does the job; attributes then
// come with the temporary file, which was created with them.
DWORD ReplaceOnce(const std::wstring& temp, const std::wstring& path, bool& targetGone) {
    if (!RunningOnWine() && !targetGone) {
        if (ReplaceFileW(path.c_str(), temp.c_str(), nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr))
            return ERROR_SUCCESS;
        const DWORD error = GetLastError();
        if (error == ERROR_UNABLE_TO_MOVE_REPLACEMENT || error == ERROR_UNABLE_TO_MOVE_REPLACEMENT_2)
            targetGone = true;  // the old file is out of the way; the new one must still move in
        else if (error != ERROR_FILE_NOT_FOUND)
            return error;
    }
    if (MoveFileExW(temp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return ERROR_SUCCESS;
    return GetLastError();
}

DWORD WriteAll(HANDLE h, const std::string& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        const DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1u << 20));
        DWORD written = 0;
        if (!WriteFile(h, bytes.data() + done, chunk, &written, nullptr) || written != chunk)
            return LastErrorOr(ERROR_WRITE_FAULT);
        done += written;
    }
    return FlushFileBuffers(h) ? ERROR_SUCCESS : LastErrorOr(ERROR_WRITE_FAULT);
}

void RemoveTemporary(const std::wstring& temp) {
    // A scanner may already be looking at it.
    RetryBudget().Run(temp, [&] {
        return DeleteFileW(temp.c_str()) || GetLastError() == ERROR_FILE_NOT_FOUND ? DWORD{ERROR_SUCCESS}
                                                                                   : GetLastError();
    });
}

}  // namespace

ScopedRetryBudget::ScopedRetryBudget(DWORD milliseconds) : previous_(Budget()) { Budget() = milliseconds; }

ScopedRetryBudget::~ScopedRetryBudget() { Budget() = previous_; }

RetryBudget::RetryBudget() : start_(GetTickCount()), allowance_(Budget()), pause_(kFirstPause) {}

DWORD RetryBudget::Run(const std::wstring& path, const std::function<DWORD()>& attempt) {
    for (;;) {
        const DWORD error = attempt();
        if (error == ERROR_SUCCESS || !IsTransient(error, path)) return error;
        const DWORD spent = GetTickCount() - start_;
        if (spent >= allowance_) return error;
        Sleep(std::min(pause_, allowance_ - spent));
        pause_ = std::min(pause_ * 2, kLongestPause);
    }
}

FileFingerprint FingerprintOf(std::string_view bytes) {
    // What matters is telling two versions of one file apart, at the speed
    // of reading it: four independent 32-bit lanes over 16-byte blocks
    // (a byte-wise 64-bit hash is slow on x86), then a full avalanche.
    auto rotl = [](uint32_t x, int r) { return (x << r) | (x >> (32 - r)); };
    // The lanes are separate variables: a size-optimised build keeps an
    // array of them in memory.
    uint32_t a = 0x9e3779b9u, b = 0x85ebca6bu, c = 0xc2b2ae35u, d = 0x27d4eb2fu;
    auto step = [&](uint32_t lane, const char* at) {
        uint32_t word;
        std::memcpy(&word, at, 4);
        return rotl(lane ^ word, 15) * 0x9e3779b1u;
    };
    const char* p = bytes.data();
    size_t left = bytes.size();
    for (; left >= 16; p += 16, left -= 16) {
        a = step(a, p);
        b = step(b, p + 4);
        c = step(c, p + 8);
        d = step(d, p + 12);
    }
    for (; left > 0; ++p, --left) a = rotl(a ^ static_cast<unsigned char>(*p), 15) * 0x9e3779b1u;
    const uint32_t lane[4] = {a, b, c, d};
    auto mix = [](uint64_t h) {
        h ^= h >> 33;
        h *= 0xff51afd7ed558ccdull;
        h ^= h >> 33;
        h *= 0xc4ceb9fe1a85ec53ull;
        return h ^ (h >> 33);
    };
    const uint64_t hi = (static_cast<uint64_t>(lane[0]) << 32) | lane[1];
    const uint64_t lo = (static_cast<uint64_t>(lane[2]) << 32) | lane[3];
    return FileFingerprint{bytes.size(), mix(hi ^ mix(lo ^ bytes.size()))};
}

std::wstring WriteFailureMessage(const std::wstring& path, DWORD error) {
    std::wstring reason = SystemMessage(error);
    if (reason.empty()) reason = Format(L"I/O エラー (%u)", static_cast<unsigned>(error));
    return Format(L"%ls に書き込めません\n%ls", path.c_str(), reason.c_str());
}

void ReplaceFileContents(const std::wstring& path, const std::string& bytes) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    const bool exists = attributes != INVALID_FILE_ATTRIBUTES;
    if (exists && (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)))
        throw AppError(WriteFailureMessage(path, ERROR_ACCESS_DENIED));
    // The attributes the user gave the file travel with its new content.
    constexpr DWORD kKept =
        FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
    const DWORD kept = exists ? (attributes & kKept) : 0;

    // One fixed name: a save cut short by a crash leaves at most this file,
    // which the next save replaces.
    const std::wstring temp = path + L".tmp";
    const DWORD stale = GetFileAttributesW(temp.c_str());
    if (stale != INVALID_FILE_ATTRIBUTES && !(stale & FILE_ATTRIBUTE_DIRECTORY)) {
        SetFileAttributesW(temp.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(temp.c_str());
    }

    RetryBudget budget;
    UniqueHandle h;
    DWORD error = budget.Run(temp, [&] {
        h.Reset(CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, kept ? kept : FILE_ATTRIBUTE_NORMAL,
                            nullptr));
        return h ? DWORD{ERROR_SUCCESS} : GetLastError();
    });
    if (error != ERROR_SUCCESS) throw AppError(WriteFailureMessage(path, error));

    error = WriteAll(h.Get(), bytes);
    h.Reset();
    bool targetGone = false;
    if (error == ERROR_SUCCESS) error = budget.Run(path, [&] { return ReplaceOnce(temp, path, targetGone); });
    if (error == ERROR_SUCCESS) return;
    if (targetGone) {
        // The old file is gone: the temporary file holds the only copy.
        throw AppError(WriteFailureMessage(path, error) + Format(L"\n新しい内容は %ls にあります", temp.c_str()));
    }
    RemoveTemporary(temp);
    throw AppError(WriteFailureMessage(path, error));
}

std::optional<FileFingerprint> CurrentFingerprint(const std::wstring& path) {
    std::string bytes;
    DWORD error = ERROR_SUCCESS;
    ReadWholeFile(path, bytes, error);
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return std::nullopt;
    if (error != ERROR_SUCCESS) throw AppError(WriteFailureMessage(path, error));
    return FingerprintOf(bytes);
}

bool AskReplaceChangedFile(HWND owner, const std::wstring& path, const wchar_t* windows) {
    const std::wstring text =
        Format(L"%ls\n\nこのファイルは、この%lsを開いた後にほかの%lsまたはプログラムによって変更されています。"
               L"上書きすると、その変更は失われます。\n\n"
               L"上書きしますか？ [いいえ] を選ぶと、何も書き込まずに編集に戻ります。",
               path.c_str(), windows, windows);
    return MessageBoxW(owner, text.c_str(), ApplicationTitle().c_str(), MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2) ==
           IDYES;
}

}  // namespace vesko
