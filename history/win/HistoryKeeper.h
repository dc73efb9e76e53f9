#pragma once
// history.dat beside the executable: every completed visit appended as it
// happens, read on first use, rewritten atomically when the log is due
// for compaction. A file that cannot be read is reported once, kept as
// history.dat.bak, and a new history starts: nothing is lost silently.
#include <cstdint>
#include <string>
#include <vector>

#include "history/HistoryStore.h"

namespace vesko {

inline constexpr wchar_t kHistoryFileName[] = L"history.dat";

class HistoryKeeper {
public:
    explicit HistoryKeeper(std::wstring path) : path_(std::move(path)) {}

    // A completed top-level navigation; about: pages are not visits.
    // Raises AppError when the file cannot be written (the visit is then
    // kept in memory and written with the next change that succeeds).
    void RecordVisit(const std::wstring& address, const std::wstring& title);
    // The engine reported the page's title after the visit.
    void RecordTitle(const std::wstring& address, const std::wstring& title);
    // The user removes addresses, or the whole history.
    void Delete(const std::vector<std::wstring>& addresses);
    void Clear();

    const HistoryStore& Store();

private:
    void Load();
    void Write(const HistoryRecord& record);

    std::wstring path_;
    bool loaded_ = false;
    HistoryStore store_;
};

// Now as the history keeps times (FILETIME units).
std::int64_t HistoryNow();

}  // namespace vesko
