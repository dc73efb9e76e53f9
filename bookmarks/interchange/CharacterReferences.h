// HTML character references in names and addresses of an interchange file.
#pragma once

#include <string>
#include <string_view>

namespace vesko {

// Decodes &#NNN;, &#xHH; and the named references browsers write or users
// type (&amp; &lt; &gt; &quot; &apos; &nbsp;, Latin-1, typographic marks),
// each in one pass: what a reference yields is never read again, so no
// reference expands into another. An unknown or malformed one (no
// semicolon, no digits) stays as written. Numbers that name no character
// (0, surrogates, past U+10FFFF) become U+FFFD, and 128 to 159 the
// windows-1252 characters old pages meant by them, as browsers read them.
std::u16string DecodeCharacterReferences(std::u16string_view text);

}  // namespace vesko
