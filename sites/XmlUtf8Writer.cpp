#include "sites/XmlUtf8Writer.h"

#include <algorithm>
#include <vector>

namespace vesko {
namespace {

// Deeper levels are written at this one.
constexpr std::size_t kDeepestIndent = 32;

bool IsHighSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

}  // namespace

void XmlUtf8Writer::Put(char32_t c) {
    if (c < 0x80) {
        bytes_ += static_cast<char>(c);
    } else if (c < 0x800) {
        bytes_ += static_cast<char>(0xC0 | (c >> 6));
        bytes_ += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        bytes_ += static_cast<char>(0xE0 | (c >> 12));
        bytes_ += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        bytes_ += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        bytes_ += static_cast<char>(0xF0 | (c >> 18));
        bytes_ += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        bytes_ += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        bytes_ += static_cast<char>(0x80 | (c & 0x3F));
    }
}

std::size_t XmlUtf8Writer::PutAt(std::u16string_view text, std::size_t k) {
    const char16_t c = text[k];
    if (IsHighSurrogate(c) && k + 1 < text.size() && IsLowSurrogate(text[k + 1])) {
        Put(0x10000 + ((static_cast<char32_t>(c) - 0xD800) << 10) + (text[k + 1] - 0xDC00u));
        return k + 2;
    }
    const bool allowed = (c >= 0x20 || c == u'\t' || c == u'\n' || c == u'\r') && !IsHighSurrogate(c) &&
                         !IsLowSurrogate(c) && c != 0xFFFE && c != 0xFFFF;
    Put(allowed ? c : 0xFFFD);
    return k + 1;
}

void XmlUtf8Writer::Name(std::u16string_view name) {
    for (std::size_t k = 0; k < name.size();) k = PutAt(name, k);
}

void XmlUtf8Writer::Text(std::u16string_view text) {
    for (std::size_t k = 0; k < text.size();) {
        switch (text[k]) {
        case u'&': Markup("&amp;"); break;
        case u'<': Markup("&lt;"); break;
        case u'>': Markup("&gt;"); break;  // "]]>" may not stand in text
        case u'\r': Markup("&#xD;"); break;  // a literal CR would read as LF
        default: k = PutAt(text, k); continue;
        }
        ++k;
    }
}

void XmlUtf8Writer::Attribute(std::u16string_view name, std::u16string_view value) {
    Markup(" ");
    Name(name);
    Markup("=\"");
    for (std::size_t k = 0; k < value.size();) {
        switch (value[k]) {
        case u'&': Markup("&amp;"); break;
        case u'<': Markup("&lt;"); break;
        case u'"': Markup("&quot;"); break;
        // Literal ones would read as spaces.
        case u'\t': Markup("&#x9;"); break;
        case u'\n': Markup("&#xA;"); break;
        case u'\r': Markup("&#xD;"); break;
        default: k = PutAt(value, k); continue;
        }
        ++k;
    }
    Markup("\"");
}

void XmlUtf8Writer::NewLine(std::size_t depth) {
    bytes_ += '\n';
    bytes_.append(2 * std::min(depth, kDeepestIndent), ' ');
}

void XmlUtf8Writer::Comment(std::u16string_view text) {
    Markup("<!--");
    for (std::size_t k = 0; k < text.size();) k = PutAt(text, k);
    Markup("-->");
}

void XmlUtf8Writer::StartTag(const XmlNode& element) {
    Markup("<");
    Name(element.Name());
    const std::size_t count = element.AttributeCount();
    for (std::size_t k = 0; k < count; ++k) {
        const XmlAttribute attribute = element.AttributeAt(k);
        Attribute(attribute.name, attribute.value);
    }
}

bool XmlUtf8Writer::LaysOutChildren(const XmlNode& element) {
    for (std::size_t k = 0; k < element.ChildCount(); ++k) {
        const XmlNode& child = *element.ChildAt(k);
        if (!child.IsElement() && !child.IsComment()) return false;
    }
    return true;
}

// By an explicit stack: a hostile file may nest deeper than the call stack.
void XmlUtf8Writer::Subtree(const XmlNode& node, std::size_t depth, bool laidOut) {
    struct Open {
        const XmlNode* element;
        std::size_t next;
        bool laidOut;  // its children, each on a line of its own
    };
    std::vector<Open> open;
    auto start = [&](const XmlNode& item, bool itemLaidOut) {
        if (item.IsComment()) {
            Comment(item.CommentText());
        } else if (!item.IsElement()) {
            Text(item.Value());
        } else if (item.ChildCount() == 0) {
            StartTag(item);
            Markup("/>");
        } else {
            StartTag(item);
            Markup(">");
            open.push_back({&item, 0, itemLaidOut && LaysOutChildren(item)});
        }
    };
    start(node, laidOut);
    while (!open.empty()) {
        const std::size_t level = depth + open.size();  // that of the children
        Open& top = open.back();
        if (top.next < top.element->ChildCount()) {
            const XmlNode& child = *top.element->ChildAt(top.next++);
            const bool childLaidOut = top.laidOut;  // `top` may move in start()
            if (childLaidOut) NewLine(level);
            start(child, childLaidOut);
            continue;
        }
        if (top.laidOut) NewLine(level - 1);
        Markup("</");
        Name(top.element->Name());
        Markup(">");
        open.pop_back();
    }
}

}  // namespace vesko
