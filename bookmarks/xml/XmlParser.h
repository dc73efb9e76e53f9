// Reads the XML 1.0 that the bookmark file and the site list need: the
// declaration, elements, character data, predefined entities, character
// references and CDATA. Processing instructions and the DOCTYPE are checked
// and dropped, and so are comments and attributes unless the options keep
// them; entities declared in a DOCTYPE are never expanded. Encodings:
// UTF-8 (with or without byte-order mark) and Shift_JIS. The parser keeps
// its open elements in a list, not on the call stack, so no nesting depth
// can exhaust the stack.
#pragma once

#include "bookmarks/xml/XmlNode.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace vesko {

struct XmlError {
    std::u16string message;
    std::size_t line = 0;    // 1-based
    std::size_t column = 0;  // 1-based, in characters
};

struct XmlParseResult {
    XmlDocument document;  // root is null when parsing failed
    XmlError error;
    // The deepest nesting of elements with content, the root counting 1
    // (an empty element such as <a/> is not counted).
    std::size_t depth = 0;
    // How many elements the document holds, the root included.
    std::size_t elements = 0;
    // How many UTF-16 units its text nodes hold, all together.
    std::size_t textUnits = 0;

    bool Ok() const { return document.root != nullptr; }
};

// What a parse keeps beyond elements and text. The bookmark file needs
// none of it; the site list is written back with all of it.
struct XmlParseOptions {
    // Each element's attributes, values normalised as XML says (a literal
    // tab or line end reads as a space).
    bool attributes = false;
    // Comments: as nodes where they stand in the root, in the document's
    // `before` and `after` around it. Whitespace beside a kept comment is
    // layout, as beside an element.
    bool comments = false;
    // A comment ends at the first "-->", and "--" inside it is accepted:
    // site lists made from Microsoft's published sample open with
    // "<!--- ... --->", which strict XML refuses.
    bool dashesInComments = false;
};

XmlParseResult ParseXml(std::string_view bytes);
XmlParseResult ParseXml(std::string_view bytes, const XmlParseOptions& options);

}  // namespace vesko
