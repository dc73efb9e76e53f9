#include "tests/bookmarks/BookmarkTestSupport.h"

#include <gtest/gtest.h>

#include "bookmarks/xml/BookmarkReader.h"
#include "bookmarks/xml/XmlParser.h"
#include "tests/support/FrameFixture.h"

namespace vesko::test {

const char kSampleFile[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<bookmark>\n"
    "  <directory>\n    <name>Tools</name>\n"
    "      <file>\n        <name>Blank page</name>\n        <url>about:blank</url>\n      </file>\n"
    "    <directory>\n      <name>Archive</name></directory></directory>\n"
    "  <file>\n    <name>Start</name>\n    <url>http://start.example/</url>\n  </file>\n"
    "</bookmark>\n";

std::vector<BookmarkEntry> ReadSavedEntries(const std::wstring& path) {
    XmlParseResult parsed = ParseXml(ReadFileBytes(path));
    EXPECT_TRUE(parsed.Ok()) << "line " << parsed.error.line << " column " << parsed.error.column;
    return ReadBookmarkEntries(parsed.document.root.get());
}

BookmarkEntry Folder(size_t depth, const std::u16string& name) {
    BookmarkEntry e;
    e.depth = depth;
    e.isFolder = true;
    e.name = name;
    return e;
}

BookmarkEntry Page(size_t depth, const std::u16string& name, const std::u16string& url) {
    BookmarkEntry e;
    e.depth = depth;
    e.isFolder = false;
    e.name = name;
    e.url = url;
    return e;
}

}  // namespace vesko::test
