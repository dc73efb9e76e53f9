#include "bookmarks/interchange/InterchangeText.h"

#include "bookmarks/xml/ShiftJis.h"

#include <algorithm>

namespace vesko {
namespace {

bool IsHighSurrogate(char32_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(char32_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

void AppendCodePoint(char32_t c, std::u16string& out) {
    if (c < 0x10000) {
        out.push_back(static_cast<char16_t>(c));
    } else {
        out.push_back(static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10)));
        out.push_back(static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF)));
    }
}

// The shape of a UTF-8 sequence by its first byte: how many bytes follow,
// the first byte's bits, and the range the second byte must be in (which
// rules out overlong forms, surrogates and code points past U+10FFFF).
struct Utf8Lead {
    std::size_t follow = 0;
    char32_t bits = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
};

bool ReadUtf8Lead(unsigned char b, Utf8Lead& lead) {
    if (b >= 0xC2 && b <= 0xDF) {
        lead.follow = 1;
        lead.bits = b & 0x1Fu;
    } else if (b >= 0xE0 && b <= 0xEF) {
        lead.follow = 2;
        lead.bits = b & 0x0Fu;
        if (b == 0xE0) lead.low = 0xA0;
        if (b == 0xED) lead.high = 0x9F;
    } else if (b >= 0xF0 && b <= 0xF4) {
        lead.follow = 3;
        lead.bits = b & 0x07u;
        if (b == 0xF0) lead.low = 0x90;
        if (b == 0xF4) lead.high = 0x8F;
    } else {
        return false;
    }
    return true;
}

// DecodeShiftJis sizes its output by its whole input and stops at the first
// invalid byte, so it is given the input in pieces: small after an invalid
// byte, twice as long after each piece that decodes. A call then costs no
// more than what the calls before it decoded, and the whole stays linear
// however dense the invalid bytes are.
constexpr std::size_t kSmallestPiece = 16;
constexpr std::size_t kLargestPiece = 64 * 1024;

void AppendUtf8Bytes(char32_t c, std::string& out) {
    if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    }
    out += static_cast<char>(0x80 | (c & 0x3F));
}

bool IsHtmlSpace(char16_t c) { return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == u'\f'; }

}  // namespace

bool AppendUtf8AsUtf16(std::string_view bytes, std::u16string& out) {
    out.reserve(out.size() + bytes.size());
    bool valid = true;
    std::size_t k = 0;
    while (k < bytes.size()) {
        const auto b = static_cast<unsigned char>(bytes[k]);
        if (b < 0x80) {
            out.push_back(b);
            ++k;
            continue;
        }
        Utf8Lead lead;
        std::size_t next = k + 1;
        if (ReadUtf8Lead(b, lead)) {
            char32_t c = lead.bits;
            std::size_t read = 0;
            for (; read < lead.follow && next < bytes.size(); ++read, ++next) {
                const auto t = static_cast<unsigned char>(bytes[next]);
                if (t < lead.low || t > lead.high) break;
                lead.low = 0x80;
                lead.high = 0xBF;
                c = (c << 6) | (t & 0x3Fu);
            }
            if (read == lead.follow) {
                AppendCodePoint(c, out);
                k = next;
                continue;
            }
        }
        // The bytes read so far are one invalid sequence; the one that
        // broke it starts the next.
        valid = false;
        out.push_back(kReplacement);
        k = next;
    }
    return valid;
}

std::u16string DecodeCodePage932(std::string_view bytes) {
    std::u16string out;
    out.reserve(bytes.size());
    std::u16string decoded;
    std::size_t piece = kSmallestPiece;
    std::size_t k = 0;
    while (k < bytes.size()) {
        const std::size_t size = std::min(piece, bytes.size() - k);
        std::size_t bad = 0;
        const bool valid = DecodeShiftJis(bytes.substr(k, size), decoded, bad);
        out += decoded;
        if (valid) {
            k += size;
            piece = std::min(piece * 2, kLargestPiece);
        } else if (bad > 0 && bad + 1 == size && k + size < bytes.size()) {
            k += bad;  // a lead byte whose partner is in the next piece
        } else {
            // Only the bad byte goes, so that a '<' after a stray lead byte
            // still opens a tag.
            out.push_back(kReplacement);
            k += bad + 1;
            piece = kSmallestPiece;
        }
    }
    return out;
}

std::u16string DecodeUtf16Le(std::string_view bytes) {
    std::u16string out;
    out.reserve(bytes.size() / 2 + 1);
    const auto unit = [&](std::size_t k) {
        return static_cast<char16_t>(static_cast<unsigned char>(bytes[k]) | static_cast<unsigned char>(bytes[k + 1])
                                                                                << 8);
    };
    std::size_t k = 0;
    for (; k + 1 < bytes.size(); k += 2) {
        const char16_t c = unit(k);
        if (IsHighSurrogate(c) && k + 3 < bytes.size() && IsLowSurrogate(unit(k + 2))) {
            out.push_back(c);
            out.push_back(unit(k + 2));
            k += 2;
        } else {
            out.push_back(IsHighSurrogate(c) || IsLowSurrogate(c) ? kReplacement : c);
        }
    }
    if (k < bytes.size()) out.push_back(kReplacement);
    return out;
}

void AppendAsUtf8(std::u16string_view text, bool escape, std::string& out) {
    out.reserve(out.size() + text.size());
    for (std::size_t k = 0; k < text.size(); ++k) {
        char32_t c = text[k];
        if (c < 0x80) {
            if (escape && c == u'&')
                out += "&amp;";
            else if (escape && c == u'<')
                out += "&lt;";
            else if (escape && c == u'>')
                out += "&gt;";
            else if (escape && c == u'"')
                out += "&quot;";
            else
                out += static_cast<char>(c);
            continue;
        }
        if (IsHighSurrogate(c) && k + 1 < text.size() && IsLowSurrogate(text[k + 1]))
            c = 0x10000 + ((c - 0xD800) << 10) + (text[++k] - 0xDC00u);
        else if (IsHighSurrogate(c) || IsLowSurrogate(c))
            c = kReplacement;
        AppendUtf8Bytes(c, out);
    }
}

std::u16string CleanName(std::u16string_view text) {
    std::u16string out;
    out.reserve(text.size());
    bool space = false;
    for (const char16_t c : text) {
        if (IsHtmlSpace(c)) {
            space = true;
        } else if (c >= 0x20) {
            if (space && !out.empty()) out.push_back(u' ');
            space = false;
            out.push_back(c);
        }
    }
    return out;
}

std::u16string CleanUrl(std::u16string_view text) {
    std::u16string out;
    out.reserve(text.size());
    for (const char16_t c : text)
        if (c >= 0x20) out.push_back(c);
    const std::size_t first = out.find_first_not_of(u' ');
    if (first == std::u16string::npos) return {};
    return out.substr(first, out.find_last_not_of(u' ') + 1 - first);
}

char16_t AsciiLower(char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + (u'a' - u'A')) : c; }

bool StartsWithAsciiNoCase(std::u16string_view text, std::string_view lowerAscii) {
    if (text.size() < lowerAscii.size()) return false;
    for (std::size_t k = 0; k < lowerAscii.size(); ++k)
        if (AsciiLower(text[k]) != static_cast<unsigned char>(lowerAscii[k])) return false;
    return true;
}

bool EqualsAsciiNoCase(std::u16string_view text, std::string_view lowerAscii) {
    return text.size() == lowerAscii.size() && StartsWithAsciiNoCase(text, lowerAscii);
}

std::size_t FindAsciiNoCase(std::string_view bytes, std::string_view lowerAscii, std::size_t from) {
    if (lowerAscii.empty() || bytes.size() < lowerAscii.size()) return std::string_view::npos;
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + ('a' - 'A')) : c; };
    for (std::size_t at = from; at + lowerAscii.size() <= bytes.size(); ++at) {
        std::size_t k = 0;
        while (k < lowerAscii.size() && lower(bytes[at + k]) == lowerAscii[k]) ++k;
        if (k == lowerAscii.size()) return at;
    }
    return std::string_view::npos;
}

}  // namespace vesko
