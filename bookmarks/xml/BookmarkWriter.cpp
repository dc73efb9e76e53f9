#include "bookmarks/xml/BookmarkWriter.h"

#include "bookmarks/xml/XmlWriter.h"

#include <cstddef>
#include <stdexcept>

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
    // The text WriteXmlShiftJis gives for BuildBookmarkDocument's tree,
    // written straight from the list: building the tree costs more than
    // the rest of the save.
    std::size_t size = 64;
    for (const BookmarkEntry& entry : entries) size += entry.name.size() + entry.url.size() + 4 * entry.depth + 64;
    std::u16string out;
    out.reserve(size);
    out += u"<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>\n<bookmark>";
    auto layout = [&](std::size_t units) {
        out += u'\n';
        out.append(units * 2, u' ');
    };
    auto element = [&](const char16_t* name, const std::u16string& text) {
        out += u'<';
        out += name;
        out += u'>';
        AppendXmlText(out, text);
        out += u"</";
        out += name;
        out += u'>';
    };
    std::size_t open = 0;  // folders around the next entry
    for (const BookmarkEntry& entry : entries) {
        if (entry.depth > open) throw std::invalid_argument("bookmark entry deeper than its enclosing folder");
        for (; open > entry.depth; --open) out += u"</directory>";
        const std::size_t level = entry.depth == 0 ? 1 : entry.depth + 2;
        if (entry.isFolder) {
            layout(level == 1 ? 1 : level - 1);
            out += u"<directory>";
            layout(level + 1);
            element(u"name", entry.name);
            ++open;
        } else {
            layout(level);
            out += u"<file>";
            layout(level + 1);
            element(u"name", entry.name);
            layout(level + 1);
            element(u"url", entry.url);
            layout(level);
            out += u"</file>";
        }
    }
    for (; open > 0; --open) out += u"</directory>";
    out += u"\n</bookmark>\n";
    return EncodeXmlShiftJis(out);
}

}  // namespace vesko
