#pragma once
// Conversions between the program's UTF-16 text and the bytes of the
// system's ANSI code page (Shift-JIS on the systems Vesko is made for).
#include <string>
#include <string_view>

namespace vesko {

// Converts UTF-16 to the ANSI code page. Characters it cannot hold become
// the code page's default character.
std::string ToAnsi(std::wstring_view text);

// Whether the ANSI code page holds every character of `text` as it is
// (no default character, no best-fit look-alike).
bool FitsAnsi(std::wstring_view text);

// Converts ANSI code page bytes to UTF-16.
std::wstring FromAnsi(std::string_view bytes);

// printf-style formatting into a wide string.
std::wstring Format(const wchar_t* format, ...);

}  // namespace vesko
