#include "session/Session.h"

#include "sites/XmlUtf8Writer.h"

#include <utility>

namespace vesko {
namespace {

std::string Utf8(std::u16string_view text) {
    XmlUtf8Writer out;
    out.Name(text);
    return out.Finish();
}

}  // namespace

SessionFileError::SessionFileError(std::u16string message, std::size_t line, std::size_t column)
    : std::runtime_error(Utf8(message)), message_(std::move(message)), line_(line), column_(column) {}

void RememberClosed(Session& session, SessionWindow window) {
    auto& closed = session.closed;
    if (closed.size() >= kMaxClosedWindows) closed.resize(kMaxClosedWindows - 1);
    closed.insert(closed.begin(), std::move(window));
}

std::optional<SessionWindow> TakeLastClosed(Session& session) {
    if (session.closed.empty()) return std::nullopt;
    SessionWindow window = std::move(session.closed.front());
    session.closed.erase(session.closed.begin());
    return window;
}

}  // namespace vesko
