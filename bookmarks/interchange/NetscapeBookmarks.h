// The bookmark interchange file that browsers import and export: an HTML
// file beginning <!DOCTYPE NETSCAPE-Bookmark-file-1>, whose <DL> lists hold
// <DT><H3>folder</H3> (its entries in the <DL> that follows it) and
// <DT><A HREF="address">link</A> entries.
#pragma once

#include "bookmarks/xml/BookmarkEntry.h"

#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace vesko {

// Bytes that are not an interchange file; Message() says so, in Japanese.
class InterchangeError : public std::runtime_error {
public:
    explicit InterchangeError(std::u16string message);
    const std::u16string& Message() const { return message_; }

private:
    std::u16string message_;
};

// Reads a file as Chrome, Edge, Firefox, Internet Explorer, Safari and old
// Netscape and Opera write it, in UTF-8 (with or without a byte order mark
// or META charset), in code page 932 (declared, or bytes that are not
// UTF-8) or in UTF-16 with a byte order mark. Returns the entries in
// pre-order as BuildBookmarkDocument takes them, none deeper than
// kMaxImportDepth (ImportFolder.h): deeper ones are placed at that depth.
//
// Separators, descriptions, feeds, Firefox's place: queries, links without
// an HREF, icons, dates and keywords are left out (an empty HREF is a
// bookmark without an address). Names are trimmed,
// with inner whitespace one space; a link with no name is named by its
// address. Damage never stops reading: what can be read is returned.
// Throws InterchangeError when the bytes have neither the DOCTYPE nor a
// <DL> nor an <A HREF>; a file with no entries gives an empty list.
std::vector<BookmarkEntry> ReadBookmarkInterchange(std::string_view bytes);

// The file as Chrome writes it: UTF-8 without a byte order mark, LF line
// ends, four spaces of indent a level, & < > " escaped. `entries` must be a
// pre-order list as for BuildBookmarkDocument (std::invalid_argument
// otherwise); ReadBookmarkInterchange gives them back.
std::string WriteBookmarkInterchange(const std::vector<BookmarkEntry>& entries);

}  // namespace vesko
