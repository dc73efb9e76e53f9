#pragma once
// bookmark.xml on disk: reading it into an XML tree and saving a tree of
// entries over it.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "bookmarks/xml/BookmarkEntry.h"
#include "bookmarks/xml/XmlNode.h"
#include "common/AtomicFile.h"

namespace vesko {

inline constexpr wchar_t kBookmarkFileName[] = L"bookmark.xml";
// Deeper nesting than this is refused as unreadable: no menu or tree
// control is built for it.
inline constexpr size_t kMaxBookmarkDepth = 256;

std::wstring ToWide(const std::u16string& text);
// Appends a node's text (nothing for no node), with no temporary for the
// usual element that holds one piece of text.
void AppendWideText(std::wstring& out, const XmlNode* node);
std::u16string ToU16(std::wstring_view text);

struct BookmarkDocument {
    XmlDocument document;  // no root when the file is missing or unreadable
    bool exists = false;
    std::wstring error;                   // why an existing file could not be read
    std::optional<FileFingerprint> read;  // what LoadBookmarkDocument read, when it could
    // At least the number of entries, at most a few times it: every entry
    // is an element holding another (its name).
    std::size_t entriesAtMost = 0;
    // The length of all its text together: the names and URLs take no more.
    std::size_t textUnits = 0;
    const XmlNode* Root() const { return document.root.get(); }
    bool Unreadable() const { return exists && !error.empty(); }
};

// Reads the file. Never fails: a missing file has no entries, and an
// unreadable one has none either, with the reason in `error`.
BookmarkDocument LoadBookmarkDocument(const std::wstring& path);
// The same in two steps, for a reader that keeps the file as it was and
// reads it later: its bytes (nothing when it is missing or cannot be read),
// then those bytes read as the file at `path`.
std::optional<std::string> ReadBookmarkBytes(const std::wstring& path);
BookmarkDocument ParseBookmarkDocument(const std::string& bytes, const std::wstring& path);

// Writes `entries` as the whole file, atomically, and returns the bytes
// written. With `keepOldAsBackup` the current file is first copied to
// "<path>.bak". Raises AppError naming the file and the system's reason
// when it cannot; the old file is then unchanged.
std::string SaveBookmarkFile(const std::wstring& path, const std::vector<BookmarkEntry>& entries, bool keepOldAsBackup);
// How many files SaveBookmarkFile has written in this process: whoever
// shows a file read earlier reads it again when this has changed.
unsigned BookmarkSaveCount();

}  // namespace vesko
