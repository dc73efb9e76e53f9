// Splits an interchange file's text into tags, declarations and text the
// way an HTML tokenizer does, as far as bookmark files need: tag names
// case-insensitive; attribute values double-quoted, single-quoted or bare;
// comments and processing instructions skipped. Only a link's HREF and
// whether it has a FEEDURL are kept; other attributes (an ICON data URI of
// megabytes, say) are stepped over without copying.
//
// Every step moves forward and every search remembers where it stopped, so
// a whole file takes linear time whatever it holds (unclosed quotes and
// comments included).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace vesko {

enum class InterchangeTag {
    List,    // DL
    Folder,  // H3
    Link,    // A
    Break,   // DT, DD, HR, H1, TITLE, META: ends a name left open
    Other,   // anything else (P, B, ...): ignored, even inside a name
};

struct InterchangeToken {
    enum class Type { Text, StartTag, EndTag, Declaration };
    Type type = Type::Text;
    InterchangeTag tag = InterchangeTag::Other;
    // Text: the characters as written; Declaration: what is inside <! >.
    std::u16string_view text;
    // Start tags of links only.
    bool hasHref = false;
    std::u16string_view href;  // as written, references undecoded
    bool hasFeedUrl = false;
};

class InterchangeScanner {
public:
    explicit InterchangeScanner(std::u16string_view text) : text_(text) {}
    // The next token; false at the end of the text.
    bool Next(InterchangeToken& token);

private:
    // Where `needle` next occurs at or after `from`; npos when nowhere. The
    // answer is kept: a later search from no further than it gives it
    // again without reading, and after a miss every later search misses.
    class Search {
    public:
        explicit Search(std::u16string_view needle) : needle_(needle) {}
        std::size_t From(std::u16string_view text, std::size_t from);

    private:
        std::u16string_view needle_;
        std::size_t searchedFrom_ = std::u16string_view::npos;
        std::size_t found_ = 0;
    };

    bool ReadMarkup(InterchangeToken& token);
    void SkipComment();
    void ReadDeclaration(InterchangeToken& token);
    void ReadTag(InterchangeToken& token);
    void ReadAttributes(InterchangeToken& token);
    std::u16string_view ReadAttributeValue();
    void SkipSpaces();
    // Moves to just past the next '>' (the end when there is none).
    void SkipPastTagEnd();

    std::u16string_view text_;
    std::size_t at_ = 0;
    Search doubleQuote_{u"\""};
    Search singleQuote_{u"'"};
    Search tagEnd_{u">"};
    Search commentEnd_{u"-->"};
};

}  // namespace vesko
