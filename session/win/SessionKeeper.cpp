#include "session/win/SessionKeeper.h"

#include <windows.h>

#include "common/AtomicFile.h"
#include "common/Error.h"
#include "common/ErrorReport.h"
#include "common/Files.h"

namespace vesko {

std::optional<Session> SessionKeeper::ReadPrevious() {
    std::string bytes;
    DWORD error = ERROR_SUCCESS;
    if (!ReadWholeFile(path_, bytes, error)) {
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return std::nullopt;
        ShowError(path_ + L" を読み込めません: " + SystemMessage(error));
        return std::nullopt;
    }
    try {
        return ReadSessionFile(bytes);
    } catch (const SessionFileError& e) {
        const std::wstring backup = path_ + L".bak";
        MoveFileExW(path_.c_str(), backup.c_str(), MOVEFILE_REPLACE_EXISTING);
        ShowError(path_ + L" を読み込めません: " + std::wstring(e.Message().begin(), e.Message().end()) + L"\n" +
                  backup + L" として残し、ウィンドウを開かずに始めます");
        return std::nullopt;
    }
}

void SessionKeeper::Begin(std::vector<SessionWindow> closed) {
    session_.closed = std::move(closed);
    if (session_.closed.size() > kMaxClosedWindows) session_.closed.resize(kMaxClosedWindows);
    session_.running = true;
    begun_ = true;
    Write();
}

void SessionKeeper::Update(std::vector<SessionWindow> windows, std::optional<std::size_t> active) {
    if (!begun_ || ended_) return;
    session_.windows = std::move(windows);
    session_.active = active;
    Write();
}

// Closed and TakeLastClosed leave the write to the Update that follows:
// written alone, the file would hold a closed window both open and closed,
// or a reopened one nowhere, until then.
void SessionKeeper::Closed(SessionWindow window) {
    if (!begun_ || ended_) return;
    RememberClosed(session_, std::move(window));
}

std::optional<SessionWindow> SessionKeeper::TakeLastClosed() { return vesko::TakeLastClosed(session_); }

void SessionKeeper::End() {
    if (!begun_ || ended_) return;
    session_.running = false;
    Write();
    ended_ = true;
}

void SessionKeeper::Write() {
    std::string bytes = WriteSessionFile(session_);
    if (bytes == written_) return;
    ReplaceFileContents(path_, bytes);
    written_ = std::move(bytes);
}

}  // namespace vesko
