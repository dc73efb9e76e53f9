// Serialises a tree as a Shift_JIS XML file: the declaration, one LF, the
// root element, one LF. Text is written as it stands in the tree (the caller
// adds any layout whitespace as text nodes), with markup characters escaped.
#pragma once

#include "bookmarks/xml/XmlNode.h"

#include <string>

namespace vesko {

// Element names must be ASCII XML names (std::invalid_argument otherwise).
// Characters that Shift_JIS cannot hold are written as character references;
// characters XML cannot hold at all (C0 controls, unpaired surrogates) are
// written as U+FFFD, since a file holding them could not be read back.
std::string WriteXmlShiftJis(const XmlDocument& document);

// The two halves of WriteXmlShiftJis, for writers that produce the text
// without building a tree: text content as a text node is written, and the
// finished text as the file's bytes.
void AppendXmlText(std::u16string& out, const std::u16string& text);
std::string EncodeXmlShiftJis(const std::u16string& text);

}  // namespace vesko
