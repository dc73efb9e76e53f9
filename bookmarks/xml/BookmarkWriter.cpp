#include "bookmarks/xml/BookmarkWriter.h"

#include "bookmarks/xml/XmlWriter.h"

#include <cstddef>
#include <stdexcept>
#include <string>

namespace vesko {
namespace {

void AppendLayout(XmlNode& parent, std::size_t units) {
    parent.AppendChild(XmlNode::MakeText(u"\n" + std::u16string(units * 2, u' ')));
}

void AppendTextElement(XmlNode& parent, std::u16string name, const std::u16string& text) {
    XmlNode& element = parent.AppendChild(XmlNode::MakeElement(std::move(name)));
    if (!text.empty()) element.AppendChild(XmlNode::MakeText(text));
}

// `level` is the writing depth: 1 at the top level, tree level + 2 inside
// folders (so an entry of a top-level folder is written at 3, not 2).
void WriteFileElement(XmlNode& parent, std::size_t level, const BookmarkEntry& entry) {
    AppendLayout(parent, level);
    XmlNode& file = parent.AppendChild(XmlNode::MakeElement(u"file"));
    AppendLayout(file, level + 1);
    AppendTextElement(file, u"name", entry.name);
    AppendLayout(file, level + 1);
    AppendTextElement(file, u"url", entry.url);
    AppendLayout(file, level);
}

// Opens a folder; its entries follow inside it with nothing after them.
XmlNode& WriteDirectoryElement(XmlNode& parent, std::size_t level, const BookmarkEntry& entry) {
    AppendLayout(parent, level == 1 ? 1 : level - 1);
    XmlNode& directory = parent.AppendChild(XmlNode::MakeElement(u"directory"));
    AppendLayout(directory, level + 1);
    AppendTextElement(directory, u"name", entry.name);
    return directory;
}

// What WriteBookmarkFile writes between the texts of an entry of one depth:
// the same elements and layout as the tree above.
struct EntryMarkup {
    std::string fileStart;    // up to a bookmark's name
    std::string nameToUrl;    // from its name to its URL
    std::string fileEnd;      // after its URL
    std::string folderStart;  // up to a folder's name
};

constexpr std::size_t kUsualDepths = 32;

EntryMarkup MakeEntryMarkup(std::size_t depth) {
    const std::size_t level = depth == 0 ? 1 : depth + 2;
    auto layout = [](std::size_t units) { return "\n" + std::string(units * 2, ' '); };
    EntryMarkup markup;
    markup.fileStart = layout(level) + "<file>" + layout(level + 1) + "<name>";
    markup.nameToUrl = "</name>" + layout(level + 1) + "<url>";
    markup.fileEnd = "</url>" + layout(level) + "</file>";
    markup.folderStart = layout(level == 1 ? 1 : level - 1) + "<directory>" + layout(level + 1) + "<name>";
    return markup;
}

}  // namespace

XmlDocument BuildBookmarkDocument(const std::vector<BookmarkEntry>& entries) {
    XmlDocument document;
    document.root = XmlNode::MakeElement(u"bookmark");
    // parents[d] receives the entries of depth d.
    std::vector<XmlNode*> parents{document.root.get()};
    for (const BookmarkEntry& entry : entries) {
        if (entry.depth >= parents.size())
            throw std::invalid_argument("bookmark entry deeper than its enclosing folder");
        parents.resize(entry.depth + 1);
        XmlNode& parent = *parents.back();
        const std::size_t level = entry.depth == 0 ? 1 : entry.depth + 2;
        if (entry.isFolder)
            parents.push_back(&WriteDirectoryElement(parent, level, entry));
        else
            WriteFileElement(parent, level, entry);
    }
    document.root->AppendChild(XmlNode::MakeText(u"\n"));
    return document;
}

std::string WriteBookmarkFile(const std::vector<BookmarkEntry>& entries) {
    // The bytes WriteXmlShiftJis gives for BuildBookmarkDocument's tree,
    // written straight from the list: building the tree costs more than
    // the rest of the save.
    std::size_t size = 64;
    for (const BookmarkEntry& entry : entries) size += 2 * entry.name.size() + entry.url.size() + 4 * entry.depth + 64;
    XmlShiftJisWriter out(size);
    out.Markup("<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>\n<bookmark>");
    // The markup around an entry's texts depends only on its depth: made
    // once for the usual depths, not piece by piece for every entry.
    std::vector<EntryMarkup> usual;
    EntryMarkup deep;
    std::size_t open = 0;  // folders around the next entry
    for (const BookmarkEntry& entry : entries) {
        if (entry.depth > open) throw std::invalid_argument("bookmark entry deeper than its enclosing folder");
        for (; open > entry.depth; --open) out.Markup("</directory>");
        const EntryMarkup* markup = &deep;
        if (entry.depth < kUsualDepths) {
            while (usual.size() <= entry.depth) usual.push_back(MakeEntryMarkup(usual.size()));
            markup = &usual[entry.depth];
        } else {
            deep = MakeEntryMarkup(entry.depth);
        }
        if (entry.isFolder) {
            out.Markup(markup->folderStart);
            out.Text(entry.name);
            out.Markup("</name>");
            ++open;
        } else {
            out.Markup(markup->fileStart);
            out.Text(entry.name);
            out.Markup(markup->nameToUrl);
            out.Text(entry.url);
            out.Markup(markup->fileEnd);
        }
    }
    for (; open > 0; --open) out.Markup("</directory>");
    out.Markup("\n</bookmark>\n");
    return out.Finish();
}

}  // namespace vesko
