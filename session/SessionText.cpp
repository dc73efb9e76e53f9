#include "session/SessionText.h"

#include <climits>

namespace vesko {
namespace {

bool IsHighSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

bool IsXmlSpace(char16_t c) { return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r'; }

std::u16string_view Trimmed(std::u16string_view text) {
    while (!text.empty() && IsXmlSpace(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsXmlSpace(text.back())) text.remove_suffix(1);
    return text;
}

int HexDigit(char16_t c) {
    if (c >= u'0' && c <= u'9') return c - u'0';
    if (c >= u'A' && c <= u'F') return c - u'A' + 10;
    if (c >= u'a' && c <= u'f') return c - u'a' + 10;
    return -1;
}

// The unit of a \uXXXX at text[k]; none when there is none there.
std::optional<char16_t> EscapedUnit(std::u16string_view text, std::size_t k) {
    if (k + 6 > text.size() || text[k] != u'\\' || text[k + 1] != u'u') return std::nullopt;
    unsigned value = 0;
    for (std::size_t d = k + 2; d < k + 6; ++d) {
        const int digit = HexDigit(text[d]);
        if (digit < 0) return std::nullopt;
        value = value * 16 + static_cast<unsigned>(digit);
    }
    return static_cast<char16_t>(value);
}

// The length of what XML can hold at text[k] (a surrogate pair together),
// or 0 when the unit there is one it cannot.
std::size_t HoldableAt(std::u16string_view text, std::size_t k) {
    const char16_t c = text[k];
    if (IsHighSurrogate(c)) return k + 1 < text.size() && IsLowSurrogate(text[k + 1]) ? 2 : 0;
    if (IsLowSurrogate(c) || c == 0xFFFE || c == 0xFFFF) return 0;
    return c >= 0x20 || c == u'\t' || c == u'\n' || c == u'\r' ? 1 : 0;
}

}  // namespace

bool NeedsEscape(std::u16string_view text) {
    for (std::size_t k = 0; k < text.size();) {
        const std::size_t length = HoldableAt(text, k);
        if (length == 0) return true;
        k += length;
    }
    return false;
}

std::u16string Escape(std::u16string_view text) {
    static constexpr char16_t kHex[] = u"0123456789ABCDEF";
    std::u16string out;
    out.reserve(text.size());
    for (std::size_t k = 0; k < text.size();) {
        const std::size_t length = HoldableAt(text, k);
        if (length == 0) {
            const char16_t c = text[k++];
            out += u"\\u";
            for (int shift = 12; shift >= 0; shift -= 4) out += kHex[(c >> shift) & 0xF];
        } else if (text[k] == u'\\') {
            out += u"\\\\";
            ++k;
        } else {
            out.append(text.substr(k, length));
            k += length;
        }
    }
    return out;
}

std::u16string Unescape(std::u16string_view text) {
    std::u16string out;
    out.reserve(text.size());
    for (std::size_t k = 0; k < text.size();) {
        if (const std::optional<char16_t> unit = EscapedUnit(text, k)) {
            out += *unit;
            k += 6;
        } else if (text.substr(k, 2) == u"\\\\") {
            out += u'\\';
            k += 2;
        } else {
            out += text[k++];
        }
    }
    return out;
}

int ReadInt(std::optional<std::u16string_view> value) {
    std::u16string_view digits = Trimmed(value.value_or(std::u16string_view()));
    const bool negative = !digits.empty() && digits.front() == u'-';
    if (negative) digits.remove_prefix(1);
    if (digits.empty()) return 0;
    long long magnitude = 0;
    for (const char16_t c : digits) {
        if (c < u'0' || c > u'9') return 0;
        magnitude = magnitude * 10 + (c - u'0');
        if (magnitude > static_cast<long long>(INT_MAX) + 1) return 0;
    }
    const long long number = negative ? -magnitude : magnitude;
    return number < INT_MIN || number > INT_MAX ? 0 : static_cast<int>(number);
}

bool IsWord(std::optional<std::u16string_view> value, std::u16string_view word) {
    const std::u16string_view text = Trimmed(value.value_or(std::u16string_view()));
    if (text.size() != word.size()) return false;
    auto lower = [](char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 0x20) : c; };
    for (std::size_t k = 0; k < text.size(); ++k) {
        if (lower(text[k]) != lower(word[k])) return false;
    }
    return true;
}

}  // namespace vesko
