// Shift_JIS as Windows has it (code page 932, NEC and IBM extensions
// included). Decoding is by table (ShiftJis.cpp), the same on every
// platform; encoding is the platform's: ShiftJisWin32.cpp on Windows,
// ShiftJisIconv.cpp (glibc's CP932) elsewhere.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace vesko {

// Decodes all of `bytes`. On an invalid or incomplete sequence returns false
// and sets errorOffset to the byte offset where that sequence starts.
bool DecodeShiftJis(std::string_view bytes, std::u16string& out, std::size_t& errorOffset);

// Encodes all of `text`. Returns false when some character has no Shift_JIS
// form (no best-fit substitutes are made); `out` is then unspecified.
bool EncodeShiftJis(std::u16string_view text, std::string& out);

}  // namespace vesko
