#include "bookmarks/interchange/NetscapeBookmarks.h"

#include "bookmarks/interchange/CharacterReferences.h"
#include "bookmarks/interchange/ImportFolder.h"
#include "bookmarks/interchange/InterchangeScanner.h"
#include "bookmarks/interchange/InterchangeText.h"

#include <algorithm>
#include <utility>

namespace vesko {
namespace {

constexpr std::size_t npos = std::string_view::npos;

enum class Charset { Unknown, Utf8, CodePage932 };

Charset CharsetNamed(std::string_view label) {
    std::string lower(label);
    for (char& c : lower)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + ('a' - 'A'));
    for (const char* name : {"utf-8", "utf8", "unicode-1-1-utf-8"})
        if (lower == name) return Charset::Utf8;
    for (const char* name : {"shift_jis", "shift-jis", "sjis", "x-sjis", "windows-31j", "cp932", "ms932", "ms_kanji",
                             "csshiftjis", "x-ms-cp932"})
        if (lower == name) return Charset::CodePage932;
    return Charset::Unknown;
}

// The charset a META tag names, from just past its "charset".
Charset CharsetAfter(std::string_view tag, std::size_t at) {
    const auto skip = [&](std::string_view chars) {
        while (at < tag.size() && chars.find(tag[at]) != npos) ++at;
    };
    skip(" \t\r\n");
    if (at >= tag.size() || tag[at] != '=') return Charset::Unknown;
    ++at;
    skip(" \t\r\n\"'");
    const std::size_t from = at;
    while (at < tag.size() && std::string_view(" \t\r\n\"';>").find(tag[at]) == npos) ++at;
    return CharsetNamed(tag.substr(from, at - from));
}

// What a META tag before the first list declares (later on, "charset"
// would be some link's LAST_CHARSET or address).
Charset DeclaredCharset(std::string_view bytes) {
    const std::string_view head = bytes.substr(0, FindAsciiNoCase(bytes, "<dl"));
    std::size_t at = 0;
    while ((at = FindAsciiNoCase(head, "<meta", at)) != npos) {
        const std::size_t end = std::min(head.find('>', at), head.size());
        const std::string_view tag = head.substr(at, end - at);
        const std::size_t name = FindAsciiNoCase(tag, "charset");
        const Charset charset = name == npos ? Charset::Unknown : CharsetAfter(tag, name + 7);
        if (charset != Charset::Unknown) return charset;
        at = end;
    }
    return Charset::Unknown;
}

std::u16string DecodeInterchange(std::string_view bytes) {
    std::u16string text;
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF") {
        AppendUtf8AsUtf16(bytes.substr(3), text);
        return text;
    }
    if (bytes.substr(0, 2) == "\xFF\xFE") return DecodeUtf16Le(bytes.substr(2));
    const Charset declared = DeclaredCharset(bytes);
    if (declared == Charset::CodePage932) return DecodeCodePage932(bytes);
    if (AppendUtf8AsUtf16(bytes, text) || declared == Charset::Utf8) return text;
    // Neither declared nor UTF-8: written in the system's code page, as
    // Internet Explorer and old Netscape did.
    return DecodeCodePage932(bytes);
}

bool IsInterchangeDoctype(std::u16string_view declaration) {
    // The name stands near the start; a long declaration is not read whole.
    const std::u16string_view start = declaration.substr(0, 64);
    for (std::size_t k = 0; k < start.size(); ++k)
        if (StartsWithAsciiNoCase(start.substr(k), "netscape-bookmark-file")) return true;
    return false;
}

// Builds the entry list from the scanner's tokens. Depth is the number of
// open lists that belong to a folder: a <DL> is a folder's when it follows
// the folder's name with no entry between (a Firefox description may be);
// any other <DL> (the top one, a stray one) adds no level.
class InterchangeBuilder {
public:
    void Take(const InterchangeToken& token);
    bool Recognised() const { return recognised_; }
    std::vector<BookmarkEntry> Finish() {
        EndName();
        return std::move(entries_);
    }

private:
    enum class Naming { None, Folder, Link };

    void StartTag(const InterchangeToken& token);
    void EndTag(InterchangeTag tag);
    void StartLink(const InterchangeToken& token);
    void EndName();
    void OpenList();
    void CloseList();
    void Add(bool isFolder, std::u16string name, std::u16string url);

    std::vector<BookmarkEntry> entries_;
    std::vector<bool> lists_;  // the open lists, true for a folder's
    std::size_t folderLists_ = 0;
    bool folderAwaitsList_ = false;
    Naming naming_ = Naming::None;
    std::u16string nameText_;
    bool linkKept_ = false;
    std::u16string linkUrl_;
    bool recognised_ = false;
};

void InterchangeBuilder::Take(const InterchangeToken& token) {
    switch (token.type) {
    case InterchangeToken::Type::Text:
        if (naming_ != Naming::None) nameText_.append(token.text);
        break;
    case InterchangeToken::Type::Declaration:
        if (IsInterchangeDoctype(token.text)) recognised_ = true;
        break;
    case InterchangeToken::Type::StartTag:
        StartTag(token);
        break;
    case InterchangeToken::Type::EndTag:
        EndTag(token.tag);
        break;
    }
}

void InterchangeBuilder::StartTag(const InterchangeToken& token) {
    switch (token.tag) {
    case InterchangeTag::List:
        EndName();
        OpenList();
        recognised_ = true;
        break;
    case InterchangeTag::Folder:
        EndName();
        naming_ = Naming::Folder;
        break;
    case InterchangeTag::Link:
        EndName();
        StartLink(token);
        break;
    case InterchangeTag::Break:
        EndName();
        break;
    case InterchangeTag::Other:
        break;
    }
}

// A name left open (no </H3> or </A>) ends at the next tag that is not
// inline, so that it does not swallow the entries after it.
void InterchangeBuilder::EndTag(InterchangeTag tag) {
    if (tag == InterchangeTag::List) {
        EndName();
        CloseList();
    } else if ((tag == InterchangeTag::Folder && naming_ == Naming::Folder) ||
               (tag == InterchangeTag::Link && naming_ == Naming::Link) || tag == InterchangeTag::Break) {
        EndName();
    }
}

void InterchangeBuilder::StartLink(const InterchangeToken& token) {
    if (token.hasHref) recognised_ = true;
    naming_ = Naming::Link;
    linkUrl_ = token.hasHref ? CleanUrl(DecodeCharacterReferences(token.href)) : std::u16string();
    // Feeds and Firefox's place: queries (its smart folders) are no pages.
    // An empty HREF is a bookmark without an address, as this program
    // exports one: kept, so that its own export comes back entry for entry.
    linkKept_ = token.hasHref && !token.hasFeedUrl && !StartsWithAsciiNoCase(linkUrl_, "place:");
}

void InterchangeBuilder::EndName() {
    const Naming naming = std::exchange(naming_, Naming::None);
    if (naming == Naming::Folder) {
        Add(true, CleanName(DecodeCharacterReferences(nameText_)), {});
    } else if (naming == Naming::Link && linkKept_) {
        std::u16string name = CleanName(DecodeCharacterReferences(nameText_));
        // Named by its address as a name reads (spaces in it collapsed), so
        // that it reads back the same from the file written from it.
        if (name.empty()) name = CleanName(linkUrl_);
        Add(false, std::move(name), std::move(linkUrl_));
    }
    nameText_.clear();
    linkUrl_.clear();
}

void InterchangeBuilder::OpenList() {
    const bool folders = std::exchange(folderAwaitsList_, false);
    lists_.push_back(folders);
    if (folders) ++folderLists_;
}

void InterchangeBuilder::CloseList() {
    folderAwaitsList_ = false;
    if (lists_.empty()) return;  // a stray </DL>
    if (lists_.back()) --folderLists_;
    lists_.pop_back();
}

void InterchangeBuilder::Add(bool isFolder, std::u16string name, std::u16string url) {
    BookmarkEntry entry;
    entry.depth = std::min(folderLists_, kMaxImportDepth);
    entry.isFolder = isFolder;
    entry.name = std::move(name);
    entry.url = std::move(url);
    entries_.push_back(std::move(entry));
    folderAwaitsList_ = isFolder;
}

constexpr char kFileStart[] =
    "<!DOCTYPE NETSCAPE-Bookmark-file-1>\n"
    "<!-- This is an automatically generated file.\n"
    "     It will be read and overwritten.\n"
    "     DO NOT EDIT! -->\n"
    "<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=UTF-8\">\n"
    "<TITLE>Bookmarks</TITLE>\n"
    "<H1>Bookmarks</H1>\n"
    "<DL><p>\n";

void AppendIndent(std::size_t level, std::string& out) { out.append(4 * level, ' '); }

}  // namespace

InterchangeError::InterchangeError(std::u16string message)
    : std::runtime_error("not a bookmark interchange file"), message_(std::move(message)) {}

std::vector<BookmarkEntry> ReadBookmarkInterchange(std::string_view bytes) {
    const std::u16string text = DecodeInterchange(bytes);
    InterchangeScanner scanner(text);
    InterchangeBuilder builder;
    InterchangeToken token;
    while (scanner.Next(token)) builder.Take(token);
    if (!builder.Recognised()) throw InterchangeError(u"ブックマーク ファイルとして読めません。");
    return builder.Finish();
}

std::string WriteBookmarkInterchange(const std::vector<BookmarkEntry>& entries) {
    std::string out = kFileStart;
    std::size_t open = 0;  // folders whose lists are open
    for (const BookmarkEntry& entry : entries) {
        if (entry.depth > open) throw std::invalid_argument("bookmark entry deeper than its enclosing folder");
        for (; open > entry.depth; --open) {
            AppendIndent(open, out);
            out += "</DL><p>\n";
        }
        AppendIndent(entry.depth + 1, out);
        if (entry.isFolder) {
            out += "<DT><H3>";
            AppendAsUtf8(entry.name, true, out);
            out += "</H3>\n";
            // Even an empty folder gets its list, as Chrome writes it.
            AppendIndent(entry.depth + 1, out);
            out += "<DL><p>\n";
            ++open;
        } else {
            out += "<DT><A HREF=\"";
            AppendAsUtf8(entry.url, true, out);
            out += "\">";
            AppendAsUtf8(entry.name, true, out);
            out += "</A>\n";
        }
    }
    for (; open > 0; --open) {
        AppendIndent(open, out);
        out += "</DL><p>\n";
    }
    out += "</DL><p>\n";
    return out;
}

}  // namespace vesko
