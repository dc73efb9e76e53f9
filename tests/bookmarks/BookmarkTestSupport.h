#pragma once
// Bookmark files for tests: writing sample files and reading saved ones
// back as entries.
#include <windows.h>

#include <string>
#include <vector>

#include "bookmarks/xml/BookmarkEntry.h"
#include "tests/support/FrameFixture.h"

namespace vesko::test {

// The file's entries as the menu reads them; fails the test when the file
// cannot be parsed.
std::vector<BookmarkEntry> ReadSavedEntries(const std::wstring& path);

BookmarkEntry Folder(size_t depth, const std::u16string& name);
BookmarkEntry Page(size_t depth, const std::u16string& name, const std::u16string& url);

// Tools { Blank page, Archive {} }, Start: the example file, in UTF-8.
extern const char kSampleFile[];

}  // namespace vesko::test
