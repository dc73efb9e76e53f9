// Writes XML as UTF-8: markup, escaped text and attribute values, comments,
// and whole subtrees of a parsed tree laid out one element to a line.
#pragma once

#include "bookmarks/xml/XmlNode.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace vesko {

class XmlUtf8Writer {
public:
    // ASCII only: the declaration, fixed tags.
    void Markup(std::string_view ascii) { bytes_ += ascii; }
    // A name from a parsed tree or the program's own, as it is.
    void Name(std::u16string_view name);
    // Markup characters escaped; characters XML cannot hold at all (C0
    // controls, unpaired surrogates) written as U+FFFD, since a file holding
    // them could not be read back.
    void Text(std::u16string_view text);
    // ` name="value"`, escaped so that the value reads back the same.
    void Attribute(std::u16string_view name, std::u16string_view value);
    // A line break and two spaces per level (up to a limit, so that a file
    // nested thousands deep is not mostly spaces).
    void NewLine(std::size_t depth);
    // "<!--text-->" as read, "--" and all: a list that other programs read
    // with such comments stays as they know it (text from a parse never
    // holds "-->").
    void Comment(std::u16string_view text);
    // The start tag, attributes and all, up to the closing '>' (not written).
    void StartTag(const XmlNode& element);

    // A node and everything below it, elements at `depth`: laid out when
    // `laidOut`, and then below it wherever an element holds no text.
    void Subtree(const XmlNode& node, std::size_t depth, bool laidOut);

    // Where an element's children can go on lines of their own: where it
    // holds no text, whose spaces would change.
    static bool LaysOutChildren(const XmlNode& element);

    std::string Finish() { return std::move(bytes_); }

private:
    void Put(char32_t c);
    // Puts the character at text[k] (a pair of surrogates together) and
    // returns the index after it.
    std::size_t PutAt(std::u16string_view text, std::size_t k);

    std::string bytes_;
};

}  // namespace vesko
