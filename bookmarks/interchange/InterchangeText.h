// Text at the edges of the interchange files: bytes in the encodings other
// browsers and Windows write, turned into UTF-16 without ever failing
// (what cannot be decoded becomes U+FFFD), and UTF-16 written as UTF-8.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace vesko {

inline constexpr char16_t kReplacement = 0xFFFD;

// Appends the decoded bytes; each maximal invalid subsequence becomes one
// U+FFFD, as browsers decode. Returns whether all of it was valid UTF-8.
bool AppendUtf8AsUtf16(std::string_view bytes, std::u16string& out);
// Code page 932; an invalid byte becomes U+FFFD.
std::u16string DecodeCodePage932(std::string_view bytes);
// Unpaired surrogates and an odd last byte become U+FFFD.
std::u16string DecodeUtf16Le(std::string_view bytes);

// Appends `text` as UTF-8, unpaired surrogates as U+FFFD. With `escape`,
// & < > " are written as the references HTML reads back.
void AppendAsUtf8(std::u16string_view text, bool escape, std::string& out);

// A name as a browser shows it: whitespace trimmed, inner runs of it one
// space, other C0 controls (a NUL, say) dropped.
std::u16string CleanName(std::u16string_view text);
// A URL as a browser reads it: C0 controls dropped, spaces trimmed.
std::u16string CleanUrl(std::u16string_view text);

// ASCII case-insensitive comparisons, for tag, attribute, key and charset
// names.
char16_t AsciiLower(char16_t c);
bool EqualsAsciiNoCase(std::u16string_view text, std::string_view lowerAscii);
bool StartsWithAsciiNoCase(std::u16string_view text, std::string_view lowerAscii);
// Where `lowerAscii` first occurs in `bytes` from `from` on, ignoring ASCII
// case; npos when nowhere.
std::size_t FindAsciiNoCase(std::string_view bytes, std::string_view lowerAscii, std::size_t from = 0);

}  // namespace vesko
