#include "bookmarks/xml/XmlWriter.h"

#include "bookmarks/xml/ShiftJis.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <stdexcept>
#include <utility>
#include <vector>

namespace vesko {
namespace {

bool IsAsciiNameChar(char16_t c, bool first) {
    const bool letter = (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || c == u'_' || c == u':';
    return letter || (!first && ((c >= u'0' && c <= u'9') || c == u'-' || c == u'.'));
}

void AppendName(std::u16string& out, const std::u16string& name) {
    for (std::size_t k = 0; k < name.size(); ++k) {
        if (!IsAsciiNameChar(name[k], k == 0)) throw std::invalid_argument("XML element names must be ASCII names");
    }
    if (name.empty()) throw std::invalid_argument("XML element names must not be empty");
    out += name;
}

bool IsHighSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

}  // namespace

void AppendXmlText(std::u16string& out, const std::u16string& text) {
    for (std::size_t k = 0; k < text.size(); ++k) {
        const char16_t c = text[k];
        if (c == u'&') {
            out += u"&amp;";
        } else if (c == u'<') {
            out += u"&lt;";
        } else if (c == u'>') {
            out += u"&gt;";
        } else if (c == u'\r') {
            // A literal CR would come back as LF.
            out += u"&#xD;";
        } else if (IsHighSurrogate(c) && k + 1 < text.size() && IsLowSurrogate(text[k + 1])) {
            out.push_back(c);
            out.push_back(text[++k]);
        } else if ((c < 0x20 && c != u'\t' && c != u'\n') || IsHighSurrogate(c) || IsLowSurrogate(c) || c == 0xFFFE ||
                   c == 0xFFFF) {
            out.push_back(0xFFFD);
        } else {
            out.push_back(c);
        }
    }
}

namespace {

// Encodes only when decoding gives the same text back, so that no character
// is silently replaced by a look-alike (iconv maps "¥" to "\", for one).
bool EncodeExactly(std::u16string_view text, std::string& out) {
    if (!EncodeShiftJis(text, out)) return false;
    std::u16string back;
    std::size_t ignored = 0;
    return DecodeShiftJis(out, back, ignored) && back == text;
}

void AppendReference(std::string& out, char32_t c) {
    static const char digits[] = "0123456789ABCDEF";
    std::string hex;
    do {
        hex.insert(hex.begin(), digits[c & 0xF]);
        c >>= 4;
    } while (c != 0);
    out += "&#x" + hex + ";";
}

}  // namespace

// Non-ASCII characters only occur in text content (names are ASCII), so
// replacing one by a character reference is always well-formed.
std::string EncodeXmlShiftJis(const std::u16string& text) {
    // ASCII stands for itself in Shift_JIS, and most of a file is ASCII:
    // only the other runs are encoded, at once, each followed by a line feed
    // that no encoded character contains.
    std::u16string runs;
    for (std::size_t k = 0; k < text.size(); ++k) {
        if (text[k] < 0x80) continue;
        while (k < text.size() && text[k] >= 0x80) runs += text[k++];
        runs += u'\n';
    }
    std::string encoded;
    std::string bytes;
    if (EncodeExactly(runs, encoded)) {
        // Each run of the text takes the place of one character in
        // `runs` and of its line feed in `encoded`.
        bytes.resize(text.size() - runs.size() + encoded.size());
        char* to = bytes.data();
        const char* from = encoded.data();
        for (std::size_t k = 0; k < text.size();) {
            if (text[k] < 0x80) {
                *to++ = static_cast<char>(text[k++]);
                continue;
            }
            while (k < text.size() && text[k] >= 0x80) ++k;
            const char* end = static_cast<const char*>(std::memchr(from, '\n', encoded.data() + encoded.size() - from));
            to = std::copy(from, end, to);
            from = end + 1;
        }
        return bytes;
    }
    std::string piece;
    std::size_t k = 0;
    while (k < text.size()) {
        std::size_t end = k;
        while (end < text.size() && text[end] >= 0x80) ++end;
        if (end == k) {
            bytes.push_back(static_cast<char>(text[k++]));
            continue;
        }
        const std::u16string_view run(text.data() + k, end - k);
        if (EncodeExactly(run, piece)) {
            bytes += piece;
            k = end;
            continue;
        }
        for (; k < end; ++k) {
            char32_t c = text[k];
            std::size_t width = 1;
            if (IsHighSurrogate(text[k]) && k + 1 < end && IsLowSurrogate(text[k + 1])) {
                c = 0x10000 + ((c - 0xD800) << 10) + (text[k + 1] - 0xDC00u);
                width = 2;
            }
            if (EncodeExactly(std::u16string_view(text.data() + k, width), piece))
                bytes += piece;
            else
                AppendReference(bytes, c);
            k += width - 1;
        }
    }
    return bytes;
}

std::string WriteXmlShiftJis(const XmlDocument& document) {
    std::u16string out = u"<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>\n";
    if (document.root) {
        // Pre-order by explicit stack: the tree may be deeper than the stack.
        std::vector<std::pair<const XmlNode*, std::size_t>> open;
        auto start = [&](const XmlNode& node) {
            if (!node.IsElement()) {
                AppendXmlText(out, node.Value());
                return;
            }
            out += u'<';
            AppendName(out, node.Name());
            out += u'>';
            open.emplace_back(&node, 0);
        };
        start(*document.root);
        while (!open.empty()) {
            auto& [node, next] = open.back();
            if (next < node->ChildCount()) {
                start(*node->ChildAt(next++));
                continue;
            }
            out += u"</";
            out += node->Name();
            out += u'>';
            open.pop_back();
        }
        out += u'\n';
    }
    return EncodeXmlShiftJis(out);
}

}  // namespace vesko
