// The reading rules of the bookmark file, over a parsed tree (see
// ParseXml): the root's children are the top-level entries; an entry's name
// is the text of its first child; an element whose local name (after any
// prefix, like the DOM's baseName) is "directory" is a folder and any other
// element a bookmark, whose URL is the text of its last child; a folder's
// entries are its children after the first.
//
// Unlike a reader that trusts the file, these never fail: a null root (a
// missing or unreadable file) has no entries, every entry of a level is
// read however many there are, and a child that cannot be an entry - a text
// node, or an element with no children and so no name - is skipped.
#pragma once

#include "bookmarks/xml/BookmarkEntry.h"
#include "bookmarks/xml/XmlNode.h"

#include <cstddef>
#include <string>
#include <vector>

namespace vesko {

bool IsFolderEntry(const XmlNode& entry);
// Empty when the entry has no children.
std::u16string EntryName(const XmlNode& entry);
// The text of the last child: the URL as the menu reads it. Empty when the
// entry has no child besides its name, rather than repeating the name.
std::u16string BookmarkUrl(const XmlNode& entry);
// The text of the second child: the editor's reading of a top-level
// bookmark's URL. Equal to BookmarkUrl for every file the writer produces.
std::u16string BookmarkUrlFromSecondChild(const XmlNode& entry);
// The nodes whose text those are; null where the text is empty for want of
// a child.
inline const XmlNode* EntryNameNode(const XmlNode& entry) { return entry.FirstChild(); }
inline const XmlNode* BookmarkUrlNode(const XmlNode& entry) {
    return entry.ChildCount() >= 2 ? entry.LastChild() : nullptr;
}
inline const XmlNode* BookmarkUrlNodeFromSecondChild(const XmlNode& entry) {
    return entry.ChildCount() >= 2 ? entry.ChildAt(1) : nullptr;
}

// Walking one level: null when there is none.
const XmlNode* FirstTopLevelEntry(const XmlNode* root);
// The first entry inside a folder; null for a bookmark or an empty folder.
const XmlNode* FirstFolderEntry(const XmlNode& entry);
const XmlNode* NextEntry(const XmlNode& entry);

// All entries in pre-order (each folder before its entries, its entries
// before its next sibling), iteratively and in linear time.
class BookmarkWalk {
public:
    struct Step {
        const XmlNode* entry = nullptr;
        const XmlNode* folder = nullptr;  // the enclosing folder; null at top level
        std::size_t depth = 0;            // number of folders around the entry
        std::size_t position = 0;         // index among the entries of its level
    };

    explicit BookmarkWalk(const XmlNode* root) : root_(root) {}
    // Moves to the next entry; false when all have been visited.
    bool Next(Step& step);

private:
    const XmlNode* root_;
    const XmlNode* entry_ = nullptr;
    std::vector<std::size_t> positions_;  // position at each depth
    bool started_ = false;
};

// The whole tree as a flat pre-order list (URLs by BookmarkUrl).
std::vector<BookmarkEntry> ReadBookmarkEntries(const XmlNode* root);

}  // namespace vesko
