#pragma once

#include <cstddef>
#include <string>

namespace vesko {

// One bookmark entry in a flat pre-order list, the shape in which both the
// editor's tree walk and the file reader produce a bookmark tree. A flat
// list has no recursive destructor, so any depth is safe.
struct BookmarkEntry {
    std::size_t depth = 0;  // number of folders around the entry
    bool isFolder = false;
    std::u16string name;
    std::u16string url;  // empty for folders

    bool operator==(const BookmarkEntry& other) const {
        return depth == other.depth && isFolder == other.isFolder && name == other.name && url == other.url;
    }
    bool operator!=(const BookmarkEntry& other) const { return !(*this == other); }
};

}  // namespace vesko
