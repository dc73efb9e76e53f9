// Writes the bookmark file: a tree built with the layout's whitespace text
// nodes (LF and two-space units by depth, nothing before a folder's closing
// tag), serialised as Shift_JIS.
#pragma once

#include "bookmarks/xml/BookmarkEntry.h"
#include "bookmarks/xml/XmlNode.h"

#include <string>
#include <vector>

namespace vesko {

// `entries` is a pre-order list: the first entry has depth 0, and each entry
// is at most one level deeper than the one before, and only when that one is
// a folder (std::invalid_argument otherwise). An empty list gives a root
// holding only its closing line feed.
XmlDocument BuildBookmarkDocument(const std::vector<BookmarkEntry>& entries);

// The file's bytes, ready to be saved as bookmark.xml.
std::string WriteBookmarkFile(const std::vector<BookmarkEntry>& entries);

}  // namespace vesko
