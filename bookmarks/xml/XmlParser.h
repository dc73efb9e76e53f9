// Reads the XML 1.0 that the bookmark file needs: the declaration, elements,
// character data, predefined entities, character references and CDATA.
// Comments, processing instructions, attributes and the DOCTYPE are checked
// and dropped; entities declared in a DOCTYPE are never expanded. Encodings:
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

XmlParseResult ParseXml(std::string_view bytes);

}  // namespace vesko
