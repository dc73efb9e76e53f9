#pragma once
// session.xml beside the executable: the open windows written whenever
// they change, so that every change is on disk before the next one, the
// mark that a run is going (set at start, cleared when the frame closes),
// and the windows closed lately. Written atomically; nothing is written
// while nothing changes.
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "session/Session.h"

namespace vesko {

inline constexpr wchar_t kSessionFileName[] = L"session.xml";

class SessionKeeper {
public:
    explicit SessionKeeper(std::wstring path) : path_(std::move(path)) {}

    // The previous run's session, read at start; none when there is no
    // file. A file that cannot be read is reported once, kept beside as
    // session.xml.bak, and none is returned: nothing is lost silently.
    std::optional<Session> ReadPrevious();
    // This run begins with `closed` (the previous run's closed windows):
    // the mark is set and written.
    void Begin(std::vector<SessionWindow> closed);
    // The open windows now; written when they differ from the last write.
    void Update(std::vector<SessionWindow> windows, std::optional<std::size_t> active);
    // A window closed: kept for reopening (the most recent first). Both
    // changes to the closed windows are written by the next Update, with
    // the open windows they go with.
    void Closed(SessionWindow window);
    std::optional<SessionWindow> TakeLastClosed();
    std::size_t ClosedCount() const { return session_.closed.size(); }
    // The frame closes normally: the mark is cleared and the windows open
    // now are kept; later updates (the windows closing) are not written.
    void End();
    bool Ended() const { return ended_; }
    const std::wstring& Path() const { return path_; }

private:
    void Write();

    std::wstring path_;
    Session session_;
    std::string written_;
    bool begun_ = false;
    bool ended_ = false;
};

}  // namespace vesko
