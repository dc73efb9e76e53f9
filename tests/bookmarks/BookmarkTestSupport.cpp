#include "tests/bookmarks/BookmarkTestSupport.h"

#include <gtest/gtest.h>

#include "BookmarkReader.h"
#include "XmlParser.h"

namespace vesko::test {

const char kSampleFile[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<bookmark>\n"
    "  <directory>\n    <name>Tools</name>\n"
    "      <file>\n        <name>Blank page</name>\n        <url>about:blank</url>\n      </file>\n"
    "    <directory>\n      <name>Archive</name></directory></directory>\n"
    "  <file>\n    <name>Start</name>\n    <url>http://start.example/</url>\n  </file>\n"
    "</bookmark>\n";

void WriteFileBytes(const std::wstring& path, const std::string& bytes) {
    HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(h);
    ASSERT_EQ(written, bytes.size());
}

std::string ReadFileBytes(const std::wstring& path) {
    std::string bytes;
    HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return bytes;
    char buffer[65536];
    DWORD n = 0;
    while (ReadFile(h, buffer, sizeof buffer, &n, nullptr) && n) bytes.append(buffer, n);
    CloseHandle(h);
    return bytes;
}

bool FileExists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

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
