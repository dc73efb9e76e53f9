// Putting what was imported into the bookmark tree: one new folder at the
// end of the top level, named for the day of the import.
#pragma once

#include "bookmarks/xml/BookmarkEntry.h"

#include <cstddef>
#include <string>
#include <vector>

namespace vesko {

// The deepest entry bookmark.xml takes: a file with an entry inside more
// folders is refused as unreadable (kMaxBookmarkDepth in
// bookmarks/BookmarkFile.h, 256 levels).
inline constexpr std::size_t kDeepestBookmarkDepth = 255;
// Imported entries are at most this deep, so that inside the import folder
// they are still no deeper than kDeepestBookmarkDepth.
inline constexpr std::size_t kMaxImportDepth = kDeepestBookmarkDepth - 1;

// Appends a top-level folder named `folderName` holding `imported` (a
// pre-order list as BuildBookmarkDocument takes, else
// std::invalid_argument and `tree` unchanged) one level deeper, in order.
// Entries that would end up deeper than kDeepestBookmarkDepth are placed at
// that depth, so that the saved file can be read again.
void AppendImportFolder(std::vector<BookmarkEntry>& tree, std::u16string folderName,
                        const std::vector<BookmarkEntry>& imported);

// u"インポート 2026-12-09" for 2026, 12, 9.
std::u16string ImportFolderName(int year, int month, int day);

}  // namespace vesko
