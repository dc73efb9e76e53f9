// Serialises a tree as a Shift_JIS XML file: the declaration, one LF, the
// root element, one LF. Text is written as it stands in the tree (the caller
// adds any layout whitespace as text nodes), with markup characters escaped.
// Attributes and comments, which a bookmark file never holds, are not.
#pragma once

#include "bookmarks/xml/XmlNode.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace vesko {

// Element names must be ASCII XML names (std::invalid_argument otherwise).
// Characters that Shift_JIS cannot hold are written as character references;
// characters XML cannot hold at all (C0 controls, unpaired surrogates) are
// written as U+FFFD, since a file holding them could not be read back.
std::string WriteXmlShiftJis(const XmlDocument& document);

// What WriteXmlShiftJis writes with, for writers that produce the file
// without building a tree: markup as it stands, text content as a text node
// is written, all straight to Shift_JIS bytes.
class XmlShiftJisWriter {
public:
    explicit XmlShiftJisWriter(std::size_t expectedBytes = 0) : bytes_(expectedBytes, '\0') {}
    // ASCII only: the declaration, tags, layout.
    void Markup(std::string_view ascii) {
        EndRun();
        if (!ascii.empty()) std::memcpy(Room(ascii.size()), ascii.data(), ascii.size());
        used_ += ascii.size();
    }
    void Text(std::u16string_view text);
    // The bytes written; the writer is left empty.
    std::string Finish();

private:
    void Plain(const char16_t* units, std::size_t count);
    void Other(char16_t unit);
    void EndRun();
    // Where `count` more bytes go.
    char* Room(std::size_t count) {
        if (bytes_.size() - used_ < count) bytes_.resize(std::max(bytes_.size() * 2, used_ + count));
        return &bytes_[used_];
    }

    // ASCII stands for itself in Shift_JIS and is most of a file, so only
    // the runs of other characters are encoded, all at once when the file
    // is finished: they wait in runs_, each ended by a line feed (which no
    // encoded character holds), and runAt_ says where each goes among the
    // ASCII bytes, the first used_ of bytes_.
    std::string bytes_;
    std::size_t used_ = 0;
    std::u16string runs_;
    std::vector<std::size_t> runAt_;
    bool inRun_ = false;
};

}  // namespace vesko
