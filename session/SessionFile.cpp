#include "session/Session.h"

#include "bookmarks/xml/XmlParser.h"
#include "session/SessionText.h"
#include "sites/XmlUtf8Writer.h"

namespace vesko {
namespace {

constexpr std::u16string_view kRoot = u"session";
constexpr std::u16string_view kWindow = u"window";
constexpr std::u16string_view kClosed = u"closed";
constexpr std::u16string_view kCaption = u"caption";
constexpr std::u16string_view kAddress = u"address";

std::string_view EngineName(SessionEngine engine) { return engine == SessionEngine::Gecko ? "gecko" : "ie"; }

std::string_view ShowName(WindowShow show) {
    switch (show) {
    case WindowShow::Minimized: return "minimized";
    case WindowShow::Maximized: return "maximized";
    case WindowShow::Normal: break;
    }
    return "normal";
}

void WriteNumber(XmlUtf8Writer& out, std::string_view name, int value) {
    out.Markup(" ");
    out.Markup(name);
    out.Markup("=\"");
    out.Markup(std::to_string(value));
    out.Markup("\"");
}

// <name>text</name>, escaped (and so marked) only where XML cannot hold it,
// so that the file stays plain to read.
void WriteText(XmlUtf8Writer& out, std::string_view name, std::u16string_view text) {
    out.Markup("<");
    out.Markup(name);
    if (NeedsEscape(text)) {
        out.Markup(" escaped=\"1\">");
        out.Text(Escape(text));
    } else {
        out.Markup(">");
        out.Text(text);
    }
    out.Markup("</");
    out.Markup(name);
    out.Markup(">");
}

void WriteWindow(XmlUtf8Writer& out, const SessionWindow& window, std::size_t depth, bool active) {
    out.NewLine(depth);
    out.Markup("<window engine=\"");
    out.Markup(EngineName(window.engine));
    out.Markup("\" show=\"");
    out.Markup(ShowName(window.show));
    out.Markup("\"");
    WriteNumber(out, "left", window.rect.left);
    WriteNumber(out, "top", window.rect.top);
    WriteNumber(out, "right", window.rect.right);
    WriteNumber(out, "bottom", window.rect.bottom);
    if (active) out.Markup(" active=\"1\"");
    out.Markup(">");
    out.NewLine(depth + 1);
    WriteText(out, "caption", window.caption);
    out.NewLine(depth + 1);
    WriteText(out, "address", window.address);
    out.NewLine(depth);
    out.Markup("</window>");
}

bool IsElementNamed(const XmlNode& node, std::u16string_view name) { return node.IsElement() && node.Name() == name; }

const XmlNode* FirstChildNamed(const XmlNode& element, std::u16string_view name) {
    for (std::size_t k = 0; k < element.ChildCount(); ++k) {
        if (IsElementNamed(*element.ChildAt(k), name)) return element.ChildAt(k);
    }
    return nullptr;
}

// The element's own text: that of elements inside it, unknown here, is
// passed over with them.
std::u16string ReadText(const XmlNode* element) {
    if (!element) return {};
    std::u16string text;
    for (std::size_t k = 0; k < element->ChildCount(); ++k) {
        const XmlNode& child = *element->ChildAt(k);
        if (!child.IsElement() && !child.IsComment()) text += child.Value();
    }
    return IsWord(element->Attribute(u"escaped"), u"1") ? Unescape(text) : text;
}

WindowShow ReadShow(std::optional<std::u16string_view> value) {
    if (IsWord(value, u"minimized")) return WindowShow::Minimized;
    if (IsWord(value, u"maximized")) return WindowShow::Maximized;
    return WindowShow::Normal;
}

SessionWindow ReadWindow(const XmlNode& element) {
    SessionWindow window;
    window.engine = IsWord(element.Attribute(u"engine"), u"gecko") ? SessionEngine::Gecko : SessionEngine::IE;
    window.show = ReadShow(element.Attribute(u"show"));
    window.rect.left = ReadInt(element.Attribute(u"left"));
    window.rect.top = ReadInt(element.Attribute(u"top"));
    window.rect.right = ReadInt(element.Attribute(u"right"));
    window.rect.bottom = ReadInt(element.Attribute(u"bottom"));
    window.caption = ReadText(FirstChildNamed(element, kCaption));
    window.address = ReadText(FirstChildNamed(element, kAddress));
    return window;
}

void ReadClosed(const XmlNode& closed, Session& session) {
    for (std::size_t k = 0; k < closed.ChildCount() && session.closed.size() < kMaxClosedWindows; ++k) {
        const XmlNode& child = *closed.ChildAt(k);
        if (IsElementNamed(child, kWindow)) session.closed.push_back(ReadWindow(child));
    }
}

const XmlNode& ParseRoot(std::string_view bytes, XmlDocument& document) {
    // What a write cut short would leave, said as such.
    if (bytes.empty()) throw SessionFileError(u"ファイルが空です");
    // Notepad's "Unicode": said plainly, rather than as a stray byte.
    if (bytes.substr(0, 2) == "\xFF\xFE" || bytes.substr(0, 2) == "\xFE\xFF")
        throw SessionFileError(u"UTF-16 で保存されています。UTF-8 で保存してください", 1, 1);
    XmlParseOptions options;
    options.attributes = true;
    XmlParseResult parsed = ParseXml(bytes, options);
    if (!parsed.Ok()) throw SessionFileError(parsed.error.message, parsed.error.line, parsed.error.column);
    document = std::move(parsed.document);
    const XmlNode& root = *document.root;
    if (root.Name() != kRoot)
        throw SessionFileError(u"ルート要素が <session> ではなく <" + std::u16string(root.Name()) + u"> です");
    return root;
}

}  // namespace

std::string WriteSessionFile(const Session& session) {
    XmlUtf8Writer out;
    out.Markup("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n");
    out.Markup(session.running ? "<session version=\"1\" running=\"1\">" : "<session version=\"1\" running=\"0\">");
    for (std::size_t k = 0; k < session.windows.size(); ++k)
        WriteWindow(out, session.windows[k], 1, session.active == k);
    if (!session.closed.empty()) {
        out.NewLine(1);
        out.Markup("<closed>");
        for (std::size_t k = 0; k < session.closed.size() && k < kMaxClosedWindows; ++k)
            WriteWindow(out, session.closed[k], 2, false);
        out.NewLine(1);
        out.Markup("</closed>");
    }
    out.Markup("\n</session>\n");
    return out.Finish();
}

Session ReadSessionFile(std::string_view bytes) {
    XmlDocument document;
    const XmlNode& root = ParseRoot(bytes, document);
    Session session;
    session.running = IsWord(root.Attribute(u"running"), u"1");
    for (std::size_t k = 0; k < root.ChildCount(); ++k) {
        const XmlNode& child = *root.ChildAt(k);
        if (IsElementNamed(child, kWindow)) {
            if (!session.active && IsWord(child.Attribute(u"active"), u"1")) session.active = session.windows.size();
            session.windows.push_back(ReadWindow(child));
        } else if (IsElementNamed(child, kClosed)) {
            ReadClosed(child, session);
        }
    }
    return session;
}

}  // namespace vesko
