// Internet shortcuts (.url files): INI text whose [InternetShortcut]
// section holds the address as URL=.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace vesko {

// The URL value of the first [InternetShortcut] section (section and key
// names in any case; other sections, [DEFAULT] with its BASEURL included,
// are not read), or nullopt when there is none or it is empty. The bytes
// are UTF-16LE or UTF-8 with a byte order mark, else code page 932, as
// Windows writes them; lines end in CRLF or LF.
std::optional<std::u16string> ReadInternetShortcutUrl(std::string_view bytes);

}  // namespace vesko
