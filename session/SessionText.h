// The session file's values as text: caption and address escaped where
// XML cannot hold them, numbers and keywords read leniently.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace vesko {

// Whether `text` holds a unit XML 1.0 cannot: a C0 control other than
// tab, LF and CR, an unpaired surrogate, U+FFFE or U+FFFF.
bool NeedsEscape(std::u16string_view text);
// Each such unit as \uXXXX (upper-case hex) and each backslash as \\.
std::u16string Escape(std::u16string_view text);
// The reverse; a backslash that starts neither escape stays as it is, as
// a hand edit may leave one.
std::u16string Unescape(std::u16string_view text);

// An optional '-' and decimal digits, spaces around allowed; anything
// else, or a value out of int's range, reads as 0.
int ReadInt(std::optional<std::u16string_view> value);
// `value` is `word`, letter case and surrounding spaces aside.
bool IsWord(std::optional<std::u16string_view> value, std::u16string_view word);

}  // namespace vesko
