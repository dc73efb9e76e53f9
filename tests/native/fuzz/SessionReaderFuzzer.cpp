// Feeds arbitrary bytes to the session file reader. Beyond not crashing: a
// refusal carries a message and says where or nowhere; a session that reads
// keeps its bounds, writes, reads back the same and writes the same bytes
// again.
#include "session/Session.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

using namespace vesko;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    Session session;
    try {
        session = ReadSessionFile(bytes);
    } catch (const SessionFileError& error) {
        if (error.Message().empty() || (error.Line() == 0) != (error.Column() == 0)) std::abort();
        return 0;
    }
    if (session.active && *session.active >= session.windows.size()) std::abort();
    if (session.closed.size() > kMaxClosedWindows) std::abort();

    const std::string written = WriteSessionFile(session);
    Session reread;
    try {
        reread = ReadSessionFile(written);
    } catch (const SessionFileError&) {
        std::abort();  // what the writer writes must read
    }
    if (reread != session || WriteSessionFile(reread) != written) std::abort();

    // Reopening the last closed window and closing it again changes nothing.
    if (std::optional<SessionWindow> last = TakeLastClosed(session)) {
        RememberClosed(session, *last);
        if (session.closed != reread.closed) std::abort();
    }
    return 0;
}
