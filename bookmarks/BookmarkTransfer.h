#pragma once
// Bookmarks in from other browsers and out to them: the interchange file
// every browser imports and exports, and a folder tree of Internet
// shortcuts (.url files) as the system browser keeps its favourites.
// Imports go into a new folder at the end of the top level; the bookmark
// file is saved only when an import has succeeded.
#include <windows.h>

#include <cstddef>
#include <string>
#include <vector>

#include "bookmarks/xml/BookmarkEntry.h"

namespace vesko {

struct ImportCount {
    std::size_t imported = 0;    // bookmarks (links), not folders
    std::size_t unreadable = 0;  // .url files that could not be read
};

// The entries of a folder of .url files: subfolders as folders (first),
// then the shortcuts, each level in the order Explorer shows names.
// A shortcut that cannot be read is left out and counted.
std::vector<BookmarkEntry> ReadFavoritesFolder(const std::wstring& folder, std::size_t& unreadable);

// Reads the bookmark file at `bookmarkPath`, appends `imported` in a folder
// named for today, and saves it. Raises AppError when the bookmark file
// cannot be read (it is then left as it is) or written.
void SaveImported(const std::wstring& bookmarkPath, const std::vector<BookmarkEntry>& imported);

// Imports an interchange file or a favourites folder; raises AppError with
// the reason when nothing can be imported.
ImportCount ImportInterchangeFile(const std::wstring& bookmarkPath, const std::wstring& source);
ImportCount ImportFavorites(const std::wstring& bookmarkPath, const std::wstring& folder);

// Writes the whole bookmark tree to `target` as an interchange file,
// atomically. Raises AppError when the bookmark file cannot be read or the
// target written.
void ExportBookmarks(const std::wstring& bookmarkPath, const std::wstring& target);

// "N 件のブックマークをインポートしました", with the unreadable count when
// there were some.
std::wstring ImportMessage(const ImportCount& count);

}  // namespace vesko
