// How history and completion compare text. Matching folds case and width:
// ASCII letters to lower case, the full-width forms of ASCII (U+FF01 to
// U+FF5E) to their ASCII letters, the ideographic space to a space, so that
// "ＡＢＣ" matches "abc". Every fold is one unit to one unit.
//
// The helpers take any text with size() and operator[] giving char16_t: a
// std::u16string_view, or the store's pooled strings.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace vesko {

inline char16_t FoldForMatch(char16_t c) {
    if (c >= 0xFF01 && c <= 0xFF5E)
        c = static_cast<char16_t>(c - 0xFEE0);
    else if (c == 0x3000)
        return u' ';
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c + (u'a' - u'A'));
    return c;
}

std::u16string FoldedText(std::u16string_view text);

// Spaces (ASCII and ideographic) and control characters trimmed off both ends.
std::u16string_view TrimmedInput(std::u16string_view text);

// Where the part of an address that completion matches by prefix starts:
// past "scheme://" (and "scheme:" for schemes with no "//", like mailto:,
// but not "host:port" or a drive letter), and past a leading "www.".
template <class Text>
std::size_t AddressMatchStart(const Text& text) {
    const auto letter = [](char16_t c) {
        c = FoldForMatch(c);
        return c >= u'a' && c <= u'z';
    };
    const auto digit = [](char16_t c) {
        c = FoldForMatch(c);
        return c >= u'0' && c <= u'9';
    };
    std::size_t at = 0;
    if (text.size() > 0 && letter(text[0])) {
        std::size_t end = 1;
        while (end < text.size() && (letter(text[end]) || digit(text[end]) || FoldForMatch(text[end]) == u'+' ||
                                     FoldForMatch(text[end]) == u'-' || FoldForMatch(text[end]) == u'.'))
            ++end;
        if (end >= 2 && end < text.size() && FoldForMatch(text[end]) == u':') {
            std::size_t slashes = 0;
            while (end + 1 + slashes < text.size() && slashes < 3 && FoldForMatch(text[end + 1 + slashes]) == u'/')
                ++slashes;
            if (slashes >= 2)
                at = end + 1 + slashes;
            else if (end + 1 == text.size() || !digit(text[end + 1]))
                at = end + 1;
        }
    }
    static constexpr char16_t kWww[] = u"www.";
    std::size_t k = 0;
    while (k < 4 && at + k < text.size() && FoldForMatch(text[at + k]) == kWww[k]) ++k;
    return k == 4 ? at + 4 : at;
}

// Whether text[from..] folded starts with `folded` (already folded).
template <class Text>
bool FoldedStartsWith(const Text& text, std::size_t from, std::u16string_view folded) {
    if (text.size() - from < folded.size()) return false;
    for (std::size_t k = 0; k < folded.size(); ++k)
        if (FoldForMatch(text[from + k]) != folded[k]) return false;
    return true;
}

// Orders text[from..] folded against `folded`: negative, zero or positive.
template <class Text>
int FoldedCompare(const Text& text, std::size_t from, std::u16string_view folded) {
    const std::size_t size = text.size() - from;
    for (std::size_t k = 0; k < size && k < folded.size(); ++k) {
        const char16_t c = FoldForMatch(text[from + k]);
        if (c != folded[k]) return c < folded[k] ? -1 : 1;
    }
    return size < folded.size() ? -1 : size > folded.size() ? 1 : 0;
}

// Whether the folded text contains `folded` (already folded, not empty).
template <class Text>
bool FoldedContains(const Text& text, std::u16string_view folded) {
    if (folded.empty()) return true;
    if (text.size() < folded.size()) return false;
    const char16_t first = folded[0];
    const std::size_t last = text.size() - folded.size();
    for (std::size_t at = 0; at <= last; ++at)
        if (FoldForMatch(text[at]) == first && FoldedStartsWith(text, at + 1, folded.substr(1))) return true;
    return false;
}

}  // namespace vesko
