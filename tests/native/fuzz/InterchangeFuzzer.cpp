// Feeds arbitrary bytes to the bookmark interchange reader, and to the
// Internet shortcut reader. Beyond not crashing: a refusal carries a
// message; what is read is a pre-order list no deeper than the import
// limit, of links that have an address and a name; written out and read
// again it comes back entry for entry; and it fits the import folder.
#include "bookmarks/interchange/ImportFolder.h"
#include "bookmarks/interchange/InternetShortcut.h"
#include "bookmarks/interchange/NetscapeBookmarks.h"

#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

using namespace vesko;

namespace {

void CheckEntries(const std::vector<BookmarkEntry>& entries) {
    std::size_t deepestNext = 0;
    for (const BookmarkEntry& entry : entries) {
        if (entry.depth > deepestNext || entry.depth > kMaxImportDepth) std::abort();
        // A link is named by its address when it has no name; one with an
        // empty HREF (a bookmark without an address) may have neither.
        if (!entry.isFolder && entry.name.empty() && !entry.url.empty()) std::abort();
        if (entry.isFolder && !entry.url.empty()) std::abort();
        deepestNext = entry.depth + (entry.isFolder ? 1 : 0);
    }
}

void CheckShortcut(std::string_view bytes) {
    const std::optional<std::u16string> url = ReadInternetShortcutUrl(bytes);
    if (url && url->empty()) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    CheckShortcut(bytes);
    std::vector<BookmarkEntry> entries;
    try {
        entries = ReadBookmarkInterchange(bytes);
    } catch (const InterchangeError& error) {
        if (error.Message().empty()) std::abort();
        return 0;
    }
    CheckEntries(entries);

    std::vector<BookmarkEntry> again;
    try {
        again = ReadBookmarkInterchange(WriteBookmarkInterchange(entries));
    } catch (const InterchangeError&) {
        std::abort();  // what the writer writes must read
    }
    if (again != entries) std::abort();

    std::vector<BookmarkEntry> tree;
    AppendImportFolder(tree, u"i", entries);
    if (tree.size() != entries.size() + 1) std::abort();
    for (std::size_t k = 0; k < entries.size(); ++k)
        if (tree[k + 1].depth != entries[k].depth + 1) std::abort();
    return 0;
}
