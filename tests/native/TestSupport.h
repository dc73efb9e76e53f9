// Helpers shared by the native tests.
#pragma once

#include "bookmarks/xml/BookmarkEntry.h"

#include <fstream>
#include <iterator>
#include <ostream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace vesko {

inline std::string ReadDataFile(const std::string& name) {
    std::ifstream in(std::string(VESKO_TEST_DATA_DIR) + "/" + name, std::ios::binary);
    if (!in) throw std::runtime_error("missing test data file " + name);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// For readable failure messages: UTF-16 shown as UTF-8.
inline std::string Utf8(const std::u16string& text) {
    std::string out;
    for (std::size_t k = 0; k < text.size(); ++k) {
        char32_t c = text[k];
        if (c >= 0xD800 && c <= 0xDBFF && k + 1 < text.size())
            c = 0x10000 + ((c - 0xD800) << 10) + (text[++k] - 0xDC00u);
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

inline void PrintTo(const BookmarkEntry& entry, std::ostream* out) {
    *out << "{depth " << entry.depth << (entry.isFolder ? ", folder \"" : ", bookmark \"") << Utf8(entry.name)
         << "\", \"" << Utf8(entry.url) << "\"}";
}

inline BookmarkEntry Folder(std::size_t depth, std::u16string name) {
    return BookmarkEntry{depth, true, std::move(name), u""};
}

inline BookmarkEntry Bookmark(std::size_t depth, std::u16string name, std::u16string url) {
    return BookmarkEntry{depth, false, std::move(name), std::move(url)};
}

}  // namespace vesko
