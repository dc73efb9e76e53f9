#pragma once
// Reading and replacing the user's files. A replace never leaves half a
// file: the new content goes to a file beside the target, reaches the disk,
// and only then takes the target's place in one step. Other programs (a
// virus scanner, an indexer, a sync client) hold files open for a moment
// all the time, so both reading and replacing wait such holds out for a
// short while before they give up.
#include <windows.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace vesko {

// How long one read or save waits out other programs, in all.
inline constexpr DWORD kDefaultRetryBudgetMs = 2000;

// Changes that allowance while it lives (tests shorten it).
class ScopedRetryBudget {
public:
    explicit ScopedRetryBudget(DWORD milliseconds);
    ~ScopedRetryBudget();
    ScopedRetryBudget(const ScopedRetryBudget&) = delete;
    ScopedRetryBudget& operator=(const ScopedRetryBudget&) = delete;

private:
    DWORD previous_;
};

// One operation's allowance: repeats a step while it fails for a reason
// that may go away by itself, with growing pauses, until the allowance
// is spent.
class RetryBudget {
public:
    RetryBudget();
    // Calls `attempt` (returning ERROR_SUCCESS or an error) until it
    // succeeds, fails for a lasting reason or time is up; returns its last
    // result. `path` is the file the step touches.
    DWORD Run(const std::wstring& path, const std::function<DWORD()>& attempt);

private:
    DWORD start_;
    DWORD allowance_;
    DWORD pause_;
};

// "<path> に書き込めません" with the system's reason on the next line.
std::wstring WriteFailureMessage(const std::wstring& path, DWORD error);

// Enough of a file's content to tell whether it changed since it was read
// without keeping a copy: its size and a 64-bit hash of its bytes.
struct FileFingerprint {
    uint64_t size = 0;
    uint64_t hash = 0;
    bool operator==(const FileFingerprint& other) const { return size == other.size && hash == other.hash; }
    bool operator!=(const FileFingerprint& other) const { return !(*this == other); }
};
FileFingerprint FingerprintOf(std::string_view bytes);

// What the file at `path` holds now (none: there is no file). One that
// cannot be read cannot be replaced either: raises AppError with
// WriteFailureMessage's text.
std::optional<FileFingerprint> CurrentFingerprint(const std::wstring& path);

// Asks, over `owner`, whether to replace a file that another window
// (`windows`: what the asking one is, "エディタ" or "ウィンドウ") or another
// program changed since it was read; No, the default, goes back to editing.
bool AskReplaceChangedFile(HWND owner, const std::wstring& path, const wchar_t* windows);

// Writes `bytes` as the whole new content of `path`, atomically, keeping
// the file's attributes. A read-only file or a folder in its place is
// refused. Raises AppError with WriteFailureMessage's text when it cannot;
// the old file is then untouched and no temporary file is left.
void ReplaceFileContents(const std::wstring& path, const std::string& bytes);

}  // namespace vesko
