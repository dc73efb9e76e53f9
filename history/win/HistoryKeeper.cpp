#include "history/win/HistoryKeeper.h"

#include <windows.h>

#include "common/AtomicFile.h"
#include "common/Error.h"
#include "common/ErrorReport.h"
#include "common/Files.h"
#include "common/Handles.h"

namespace vesko {
namespace {

std::u16string U16(const std::wstring& text) { return std::u16string(text.begin(), text.end()); }

// One record at the end of the file in one write, flushed, so that a crash
// tears at most that record.
void AppendBytes(const std::wstring& path, const std::string& bytes) {
    const UniqueHandle file(CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    if (!file || !WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
        written != bytes.size() || !FlushFileBuffers(file.Get()))
        throw AppError(WriteFailureMessage(path, GetLastError()));
}

}  // namespace

std::int64_t HistoryNow() {
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    return static_cast<std::int64_t>((static_cast<std::uint64_t>(now.dwHighDateTime) << 32) | now.dwLowDateTime);
}

void HistoryKeeper::Load() {
    loaded_ = true;
    std::string bytes;
    DWORD error = ERROR_SUCCESS;
    if (!ReadWholeFile(path_, bytes, error)) {
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return;
        ShowError(path_ + L" を読み込めません: " + SystemMessage(error));
        return;  // left as it is; the first write replaces it whole
    }
    try {
        store_ = HistoryStore::Load(bytes);
    } catch (const HistoryFileError& e) {
        // Kept beside, whole, and a new history begins.
        const std::wstring backup = path_ + L".bak";
        MoveFileExW(path_.c_str(), backup.c_str(), MOVEFILE_REPLACE_EXISTING);
        ShowError(path_ + L" を読み込めません: " + std::wstring(e.Message().begin(), e.Message().end()) + L"\n" +
                  backup + L" として残し、新しい履歴を始めます");
        store_ = HistoryStore();
    }
}

const HistoryStore& HistoryKeeper::Store() {
    if (!loaded_) Load();
    return store_;
}

void HistoryKeeper::Write(const HistoryRecord& record) {
    if (!loaded_) Load();
    store_.Apply(record);
    if (store_.MustRewrite() || store_.CompactionDue()) {
        ReplaceFileContents(path_, store_.CompactedFile());
        store_.NoteCompacted();
        return;
    }
    AppendBytes(path_, EncodeHistoryRecord(record));
}

void HistoryKeeper::RecordVisit(const std::wstring& address, const std::wstring& title) {
    if (!ShouldRecordVisit(U16(address))) return;
    Write(VisitRecord(U16(address), U16(title), HistoryNow()));
}

void HistoryKeeper::Delete(const std::vector<std::wstring>& addresses) {
    for (const std::wstring& address : addresses) Write(DeleteRecord(U16(address)));
}

void HistoryKeeper::Clear() { Write(ClearRecord()); }

void HistoryKeeper::RecordTitle(const std::wstring& address, const std::wstring& title) {
    if (!ShouldRecordVisit(U16(address)) || title.empty()) return;
    if (!loaded_) Load();
    if (!store_.Find(U16(address))) return;  // no visit to name
    Write(TitleRecord(U16(address), U16(title)));
}

}  // namespace vesko
