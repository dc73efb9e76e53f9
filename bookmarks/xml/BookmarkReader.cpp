#include "bookmarks/xml/BookmarkReader.h"

#include <string_view>

namespace vesko {
namespace {

bool IsEntry(const XmlNode* node) { return node && node->IsElement() && node->ChildCount() > 0; }

std::u16string TextOf(const XmlNode* node) { return node ? node->Text() : std::u16string(); }

const XmlNode* EntryAtOrAfter(const XmlNode* node) {
    while (node && !IsEntry(node)) node = node->NextSibling();
    return node;
}

}  // namespace

// By the local name, as the DOM's baseName: a prefix ends at the first colon.
bool IsFolderEntry(const XmlNode& entry) {
    std::u16string_view name = entry.Name();
    const std::size_t colon = name.find(u':');
    if (colon != std::u16string_view::npos) name.remove_prefix(colon + 1);
    return name == u"directory";
}

std::u16string EntryName(const XmlNode& entry) { return TextOf(EntryNameNode(entry)); }

std::u16string BookmarkUrl(const XmlNode& entry) { return TextOf(BookmarkUrlNode(entry)); }

std::u16string BookmarkUrlFromSecondChild(const XmlNode& entry) {
    return TextOf(BookmarkUrlNodeFromSecondChild(entry));
}

const XmlNode* FirstTopLevelEntry(const XmlNode* root) { return root ? EntryAtOrAfter(root->FirstChild()) : nullptr; }

const XmlNode* FirstFolderEntry(const XmlNode& entry) {
    return IsFolderEntry(entry) ? EntryAtOrAfter(entry.ChildAt(1)) : nullptr;
}

const XmlNode* NextEntry(const XmlNode& entry) { return EntryAtOrAfter(entry.NextSibling()); }

bool BookmarkWalk::Next(Step& step) {
    if (!started_) {
        started_ = true;
        entry_ = FirstTopLevelEntry(root_);
        if (entry_) positions_.push_back(0);
    } else if (entry_) {
        if (const XmlNode* inner = FirstFolderEntry(*entry_)) {
            entry_ = inner;
            positions_.push_back(0);
        } else {
            // Climb until a level has a next entry, or the top level ends.
            const XmlNode* from = entry_;
            entry_ = nullptr;
            while (!positions_.empty()) {
                if (const XmlNode* sibling = NextEntry(*from)) {
                    entry_ = sibling;
                    ++positions_.back();
                    break;
                }
                positions_.pop_back();
                from = from->Parent();
            }
        }
    }
    if (!entry_) return false;
    step.entry = entry_;
    step.depth = positions_.size() - 1;
    step.folder = step.depth > 0 ? entry_->Parent() : nullptr;
    step.position = positions_.back();
    return true;
}

std::vector<BookmarkEntry> ReadBookmarkEntries(const XmlNode* root) {
    std::vector<BookmarkEntry> entries;
    BookmarkWalk walk(root);
    BookmarkWalk::Step step;
    while (walk.Next(step)) {
        BookmarkEntry entry;
        entry.depth = step.depth;
        entry.isFolder = IsFolderEntry(*step.entry);
        entry.name = EntryName(*step.entry);
        if (!entry.isFolder) entry.url = BookmarkUrl(*step.entry);
        entries.push_back(std::move(entry));
    }
    return entries;
}

}  // namespace vesko
