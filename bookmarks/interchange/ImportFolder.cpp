#include "bookmarks/interchange/ImportFolder.h"

#include <algorithm>
#include <stdexcept>

namespace vesko {
namespace {

void CheckPreOrder(const std::vector<BookmarkEntry>& entries) {
    std::size_t deepestNext = 0;  // how deep the next entry may be
    for (const BookmarkEntry& entry : entries) {
        if (entry.depth > deepestNext) throw std::invalid_argument("bookmark entry deeper than its enclosing folder");
        deepestNext = entry.depth + (entry.isFolder ? 1 : 0);
    }
}

std::u16string Digits(int value, std::size_t width) {
    std::u16string digits;
    unsigned magnitude = value < 0 ? 0u - static_cast<unsigned>(value) : static_cast<unsigned>(value);
    do {
        digits.insert(digits.begin(), static_cast<char16_t>(u'0' + magnitude % 10));
        magnitude /= 10;
    } while (magnitude != 0);
    if (digits.size() < width) digits.insert(0, width - digits.size(), u'0');
    return value < 0 ? u"-" + digits : digits;
}

}  // namespace

void AppendImportFolder(std::vector<BookmarkEntry>& tree, std::u16string folderName,
                        const std::vector<BookmarkEntry>& imported) {
    CheckPreOrder(imported);
    tree.reserve(tree.size() + imported.size() + 1);
    BookmarkEntry folder;
    folder.isFolder = true;
    folder.name = std::move(folderName);
    tree.push_back(std::move(folder));
    for (const BookmarkEntry& entry : imported) {
        tree.push_back(entry);
        // Flattening below a depth keeps the list a valid pre-order list.
        tree.back().depth = std::min(entry.depth + 1, kDeepestBookmarkDepth);
    }
}

std::u16string ImportFolderName(int year, int month, int day) {
    return u"インポート " + Digits(year, 4) + u"-" + Digits(month, 2) + u"-" + Digits(day, 2);
}

}  // namespace vesko
