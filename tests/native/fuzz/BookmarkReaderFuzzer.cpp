// Feeds arbitrary bytes to the bookmark file reader. Beyond not crashing,
// every accepted file must survive a save: writing its entries and reading
// them back gives the same entries.
#include "bookmarks/xml/BookmarkReader.h"
#include "bookmarks/xml/BookmarkWriter.h"
#include "bookmarks/xml/XmlParser.h"
#include "bookmarks/xml/XmlWriter.h"

#include <cstdint>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <string_view>

using namespace vesko;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    XmlParseResult parsed = ParseXml(bytes);
    if (!parsed.Ok()) {
        if (parsed.error.message.empty() || parsed.error.line == 0 || parsed.error.column == 0) std::abort();
        return 0;
    }

    const XmlNode* root = parsed.document.root.get();
    const std::vector<BookmarkEntry> entries = ReadBookmarkEntries(root);
    for (const XmlNode* entry = FirstTopLevelEntry(root); entry; entry = NextEntry(*entry))
        (void)BookmarkUrlFromSecondChild(*entry);

    const std::string written = WriteBookmarkFile(entries);
    XmlParseResult reread = ParseXml(written);
    if (!reread.Ok() || ReadBookmarkEntries(reread.document.root.get()) != entries) std::abort();
    // The writer's short cut gives what the tree of the entries serialises to.
    if (written != WriteXmlShiftJis(BuildBookmarkDocument(entries))) std::abort();

    // The generic serialiser must produce a readable file whenever it
    // accepts the element names (ASCII only).
    try {
        if (!ParseXml(WriteXmlShiftJis(parsed.document)).Ok()) std::abort();
    } catch (const std::invalid_argument&) {}
    return 0;
}
