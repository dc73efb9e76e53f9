#include "bookmarks/xml/XmlWriter.h"

#include "bookmarks/xml/ShiftJis.h"
#include "bookmarks/xml/XmlSource.h"

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

std::string AsciiName(std::u16string_view name) {
    if (name.empty()) throw std::invalid_argument("XML element names must not be empty");
    std::string ascii(name.size(), '\0');
    for (std::size_t k = 0; k < name.size(); ++k) {
        if (!IsAsciiNameChar(name[k], k == 0)) throw std::invalid_argument("XML element names must be ASCII names");
        ascii[k] = static_cast<char>(name[k]);
    }
    return ascii;
}

bool IsHighSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

// ASCII that text content holds as it stands.
bool IsPlainAscii(char16_t c) {
    return c < 0x80 && (c >= 0x20 || c == u'\t' || c == u'\n') && c != u'&' && c != u'<' && c != u'>';
}

// Where the plain ASCII from `p` on ends: most of a file is such runs.
const char16_t* PlainEnd(const char16_t* p, const char16_t* end) {
#if VESKO_XML_SSE2
    for (; end - p >= 8; p += 8) {
        const __m128i units = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        // Compared as signed, units from 0x8000 up are below 0x20 too.
        // Tab and line feed are marked as well, and take the loop below.
        __m128i marks =
            _mm_or_si128(_mm_cmplt_epi16(units, _mm_set1_epi16(0x20)), _mm_cmpgt_epi16(units, _mm_set1_epi16(0x7F)));
        marks = _mm_or_si128(marks, _mm_cmpeq_epi16(units, _mm_set1_epi16(u'&')));
        marks = _mm_or_si128(marks, _mm_cmpeq_epi16(units, _mm_set1_epi16(u'<')));
        marks = _mm_or_si128(marks, _mm_cmpeq_epi16(units, _mm_set1_epi16(u'>')));
        const auto bits = static_cast<xmlscan::Marks>(_mm_movemask_epi8(marks));
        if (bits) {
            p += xmlscan::FirstMarkedByte(bits) / 2;
            break;
        }
    }
#endif
    while (p < end && IsPlainAscii(*p)) ++p;
    return p;
}

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

// One run of non-ASCII characters, each in Shift_JIS where it has an exact
// form and as a character reference where it has none. Such characters
// occur only in text content (names are ASCII), where a reference is
// always well-formed.
void AppendRun(std::string& out, std::u16string_view run) {
    std::string piece;
    if (EncodeExactly(run, piece)) {
        out += piece;
        return;
    }
    for (std::size_t k = 0; k < run.size(); ++k) {
        char32_t c = run[k];
        std::size_t width = 1;
        if (IsHighSurrogate(run[k]) && k + 1 < run.size() && IsLowSurrogate(run[k + 1])) {
            c = 0x10000 + ((c - 0xD800) << 10) + (run[k + 1] - 0xDC00u);
            width = 2;
        }
        if (EncodeExactly(run.substr(k, width), piece))
            out += piece;
        else
            AppendReference(out, c);
        k += width - 1;
    }
}

}  // namespace

void XmlShiftJisWriter::Text(std::u16string_view text) {
    const char16_t* p = text.data();
    const char16_t* const end = p + text.size();
    while (p < end) {
        const char16_t* const plain = PlainEnd(p, end);
        if (plain != p) {
            Plain(p, static_cast<std::size_t>(plain - p));
            p = plain;
            continue;
        }
        const char16_t c = *p++;
        if (c == u'&') {
            Markup("&amp;");
        } else if (c == u'<') {
            Markup("&lt;");
        } else if (c == u'>') {
            Markup("&gt;");
        } else if (c == u'\r') {
            // A literal CR would come back as LF.
            Markup("&#xD;");
        } else if (IsHighSurrogate(c) && p < end && IsLowSurrogate(*p)) {
            Other(c);
            Other(*p++);
        } else if (c < 0x20 || IsHighSurrogate(c) || IsLowSurrogate(c) || c == 0xFFFE || c == 0xFFFF) {
            Other(0xFFFD);
        } else {
            Other(c);
        }
    }
}

void XmlShiftJisWriter::Plain(const char16_t* units, std::size_t count) {
    EndRun();
    char* const to = Room(count);
    std::size_t k = 0;
#if VESKO_XML_SSE2
    for (; count - k >= 8; k += 8) {
        const __m128i wide = _mm_loadu_si128(reinterpret_cast<const __m128i*>(units + k));
        _mm_storel_epi64(reinterpret_cast<__m128i*>(to + k), _mm_packus_epi16(wide, wide));
    }
#endif
    for (; k < count; ++k) to[k] = static_cast<char>(units[k]);
    used_ += count;
}

void XmlShiftJisWriter::Other(char16_t unit) {
    if (!inRun_) {
        runAt_.push_back(used_);
        inRun_ = true;
    }
    runs_ += unit;
}

void XmlShiftJisWriter::EndRun() {
    if (!inRun_) return;
    runs_ += u'\n';
    inRun_ = false;
}

std::string XmlShiftJisWriter::Finish() {
    EndRun();
    std::string encoded;
    std::string out;
    if (runAt_.empty()) {
        bytes_.resize(used_);
        out = std::move(bytes_);
    } else if (EncodeExactly(runs_, encoded)) {
        // Each run's bytes end at a line feed in `encoded`. They go in
        // place, from the last run back, so that no byte moves twice and
        // the file needs no second buffer.
        const std::size_t size = used_ + encoded.size() - runAt_.size();
        if (bytes_.size() < size) bytes_.resize(size);
        char* const base = &bytes_[0];
        std::size_t to = size;     // where the bytes placed so far begin
        std::size_t from = used_;  // where the ASCII not yet placed ends
        const char* pieces = encoded.data() + encoded.size();
        for (std::size_t r = runAt_.size(); r-- > 0;) {
            to -= from - runAt_[r];
            std::memmove(base + to, base + runAt_[r], from - runAt_[r]);
            from = runAt_[r];
            const char* const pieceEnd = pieces - 1;
            const char* piece = pieceEnd;
            while (piece > encoded.data() && piece[-1] != '\n') --piece;
            to -= static_cast<std::size_t>(pieceEnd - piece);
            std::memcpy(base + to, piece, static_cast<std::size_t>(pieceEnd - piece));
            pieces = piece;
        }
        bytes_.resize(size);
        out = std::move(bytes_);
    } else {
        // Some character has no exact Shift_JIS form: run by run.
        out.reserve(used_ + runs_.size() * 2);
        std::size_t from = 0;     // in bytes_
        std::size_t runFrom = 0;  // in runs_
        for (const std::size_t at : runAt_) {
            out.append(bytes_, from, at - from);
            from = at;
            const std::size_t runEnd = runs_.find(u'\n', runFrom);
            AppendRun(out, std::u16string_view(runs_).substr(runFrom, runEnd - runFrom));
            runFrom = runEnd + 1;
        }
        out.append(bytes_, from, used_ - from);
    }
    bytes_.clear();
    used_ = 0;
    runs_.clear();
    runAt_.clear();
    return out;
}

std::string WriteXmlShiftJis(const XmlDocument& document) {
    XmlShiftJisWriter out;
    out.Markup("<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>\n");
    if (document.root) {
        // Pre-order by explicit stack: the tree may be deeper than the stack.
        std::vector<std::pair<const XmlNode*, std::size_t>> open;
        auto start = [&](const XmlNode& node) {
            if (!node.IsElement()) {
                out.Text(node.Value());
                return;
            }
            out.Markup("<");
            out.Markup(AsciiName(node.Name()));
            out.Markup(">");
            open.emplace_back(&node, 0);
        };
        start(*document.root);
        while (!open.empty()) {
            auto& [node, next] = open.back();
            if (next < node->ChildCount()) {
                start(*node->ChildAt(next++));
                continue;
            }
            // The name passed its check at the start tag, and holds nothing
            // that text escapes.
            out.Markup("</");
            out.Text(node->Name());
            out.Markup(">");
            open.pop_back();
        }
        out.Markup("\n");
    }
    return out.Finish();
}

}  // namespace vesko
