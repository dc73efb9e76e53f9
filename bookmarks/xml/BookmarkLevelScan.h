// The bookmark file read one level at a time, straight from its bytes: the
// root's entries, or those of one folder, without building the tree of the
// rest. The scan finds the level's child elements and steps over the inside
// of each; the name (and, on request, the URL) of each entry comes from the
// real parser run on the few bytes that hold it, so that it reads exactly
// as ReadBookmarkEntries reads it from the whole file.
//
// Where the scan cannot vouch for that - markup it cannot make sense of, a
// piece that does not parse, nesting as deep as the full reading may refuse
// - a level read gives nothing, and the caller takes the full reading
// instead. A well-formed file reads alike either way. A file the full parse
// refuses for something inside an entry the level does not show (a stray
// control character, an unknown entity, an end tag naming another element)
// still shows the entries around it.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vesko {

// An entry of a level and where its element lies in the file's bytes.
struct LevelEntry {
    std::size_t begin = 0;  // the start tag's '<'
    std::size_t end = 0;    // after the end tag's '>'
    bool folder = false;
    bool hasEntries = false;  // a folder with entries of its own
    std::u16string name;
};

class BookmarkLevelScan {
public:
    // `bytes` (the whole file) must outlive the scan. A file with elements
    // nested `depthLimit` deep (the root counting 1) is left to the full
    // reading, which decides whether its entries lie too deep.
    BookmarkLevelScan(std::string_view bytes, std::size_t depthLimit);

    // The top-level entries; nothing where the scan cannot vouch for them.
    std::optional<std::vector<LevelEntry>> TopLevel() const;
    // The entries of a folder that an earlier read gave at [begin, end).
    std::optional<std::vector<LevelEntry>> FolderLevel(std::size_t begin, std::size_t end) const;
    // The URL of a bookmark that an earlier read gave, as BookmarkUrl reads
    // it; empty when there is none.
    std::u16string Url(std::size_t begin, std::size_t end) const;

private:
    std::string_view bytes_;
    std::size_t depthLimit_;
    std::string prefix_;     // the byte-order mark and declaration, put before every piece parsed
    bool readable_ = false;  // the parser accepts that declaration
    bool shiftJis_ = false;  // and reads the file as Shift_JIS
};

}  // namespace vesko
