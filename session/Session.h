// The open windows of a run, kept in session.xml beside the executable so
// that they survive a crash or a close by mistake, and the windows closed
// lately, for reopening.
#pragma once

#include <cstddef>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace vesko {

enum class SessionEngine { IE, Gecko };
enum class WindowShow { Normal, Minimized, Maximized };

// The window's normal (restored) rectangle in the MDI client; it may lie
// partly off the client, to the left or top as well.
struct WindowRect {
    int left = 0, top = 0, right = 0, bottom = 0;

    bool operator==(const WindowRect& other) const {
        return left == other.left && top == other.top && right == other.right && bottom == other.bottom;
    }
    bool operator!=(const WindowRect& other) const { return !(*this == other); }
};

struct SessionWindow {
    SessionEngine engine = SessionEngine::IE;
    std::u16string caption;
    std::u16string address;  // empty for a blank page
    WindowShow show = WindowShow::Normal;
    WindowRect rect;

    bool operator==(const SessionWindow& other) const {
        return engine == other.engine && caption == other.caption && address == other.address &&
               show == other.show && rect == other.rect;
    }
    bool operator!=(const SessionWindow& other) const { return !(*this == other); }
};

constexpr std::size_t kMaxClosedWindows = 20;

struct Session {
    std::vector<SessionWindow> windows;  // open windows in window-list order
    std::optional<std::size_t> active;   // index into windows of the active one
    std::vector<SessionWindow> closed;   // most recently closed first, at most kMaxClosedWindows
    bool running = false;                // set while a run is going; cleared when the frame closes normally

    bool operator==(const Session& other) const {
        return windows == other.windows && active == other.active && closed == other.closed &&
               running == other.running;
    }
    bool operator!=(const Session& other) const { return !(*this == other); }
};

// To the front of `closed`; the oldest beyond kMaxClosedWindows go.
void RememberClosed(Session& session, SessionWindow window);
// The most recently closed window, removed; none when there is none.
std::optional<SessionWindow> TakeLastClosed(Session& session);

// Bytes that are not a session file. The message (Japanese) says what is
// wrong; Line() and Column() (1-based) say where, and are 0 when the fault
// is not at one place (an empty file, the wrong root element).
class SessionFileError : public std::runtime_error {
public:
    explicit SessionFileError(std::u16string message, std::size_t line = 0, std::size_t column = 0);
    const std::u16string& Message() const { return message_; }
    std::size_t Line() const { return line_; }
    std::size_t Column() const { return column_; }

private:
    std::u16string message_;
    std::size_t line_;
    std::size_t column_;
};

// session.xml as UTF-8, one element to a line:
//
//   <?xml version="1.0" encoding="UTF-8"?>
//   <session version="1" running="1">
//     <window engine="ie" show="normal" left="0" top="0" right="640" bottom="480" active="1">
//       <caption>...</caption>
//       <address>...</address>
//     </window>
//     <closed>
//       <window engine="gecko" show="maximized" ...>...</window>
//     </closed>
//   </session>
//
// Caption and address keep every UTF-16 unit. Those XML cannot hold (C0
// controls other than tab, LF and CR; unpaired surrogates; U+FFFE and
// U+FFFF) are written as \uXXXX in an element marked escaped="1", where a
// backslash is then written \\; other text is written as it is. An active
// index out of range is written as none; closed windows beyond
// kMaxClosedWindows are left out.
std::string WriteSessionFile(const Session& session);

// Raises SessionFileError when the bytes are not a session file: empty,
// not well-formed XML, or a root other than <session>. Inside, anything
// unknown is passed over: other elements and attributes, an engine or show
// value other than those written (read as ie and normal), a number that
// does not parse (read as 0). The first window marked active counts;
// closed windows beyond kMaxClosedWindows are dropped.
Session ReadSessionFile(std::string_view bytes);

}  // namespace vesko
