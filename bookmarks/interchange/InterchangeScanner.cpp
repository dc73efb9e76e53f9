#include "bookmarks/interchange/InterchangeScanner.h"

#include "bookmarks/interchange/InterchangeText.h"

#include <algorithm>

namespace vesko {
namespace {

constexpr std::size_t npos = std::u16string_view::npos;

bool IsSpace(char16_t c) { return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == u'\f'; }
bool IsAsciiLetter(char16_t c) { return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'); }
bool EndsName(char16_t c) { return IsSpace(c) || c == u'/' || c == u'>'; }

InterchangeTag TagOf(std::u16string_view name) {
    if (EqualsAsciiNoCase(name, "dl")) return InterchangeTag::List;
    if (EqualsAsciiNoCase(name, "h3")) return InterchangeTag::Folder;
    if (EqualsAsciiNoCase(name, "a")) return InterchangeTag::Link;
    for (const char* breaking : {"dt", "dd", "hr", "h1", "title", "meta"})
        if (EqualsAsciiNoCase(name, breaking)) return InterchangeTag::Break;
    return InterchangeTag::Other;
}

}  // namespace

std::size_t InterchangeScanner::Search::From(std::u16string_view text, std::size_t from) {
    const bool known = searchedFrom_ != npos && from >= searchedFrom_ && (found_ == npos || from <= found_);
    if (!known) {
        searchedFrom_ = from;
        found_ = text.find(needle_, from);
    }
    return found_;
}

bool InterchangeScanner::Next(InterchangeToken& token) {
    while (at_ < text_.size()) {
        token = InterchangeToken();
        if (text_[at_] != u'<') {
            const std::size_t end = std::min(text_.find(u'<', at_), text_.size());
            token.text = text_.substr(at_, end - at_);
            at_ = end;
            return true;
        }
        if (ReadMarkup(token)) return true;
    }
    return false;
}

// At a '<': false when what it opens is skipped without a token.
bool InterchangeScanner::ReadMarkup(InterchangeToken& token) {
    const char16_t next = at_ + 1 < text_.size() ? text_[at_ + 1] : u'\0';
    if (next == u'!') {
        if (text_.substr(at_, 4) == u"<!--") {
            SkipComment();
            return false;
        }
        ReadDeclaration(token);
        return true;
    }
    const bool endTag = next == u'/';
    const std::size_t nameAt = at_ + (endTag ? 2 : 1);
    if (nameAt < text_.size() && IsAsciiLetter(text_[nameAt])) {
        ReadTag(token);
        return true;
    }
    if (next == u'?' || endTag) {  // a processing instruction, or "</" with no name
        SkipPastTagEnd();
        return false;
    }
    token.text = text_.substr(at_, 1);  // a '<' that opens nothing is text
    ++at_;
    return true;
}

void InterchangeScanner::SkipComment() {
    // From the "--" of "<!--", so that "<!-->" ends where it starts.
    const std::size_t end = commentEnd_.From(text_, at_ + 2);
    if (end != npos) {
        at_ = end + 3;
    } else {
        // Unclosed: as if it were a declaration, so that one stray "<!--"
        // does not hide the rest of the file.
        at_ += 4;
        SkipPastTagEnd();
    }
}

void InterchangeScanner::ReadDeclaration(InterchangeToken& token) {
    const std::size_t from = at_ + 2;
    const std::size_t end = std::min(tagEnd_.From(text_, from), text_.size());
    token.type = InterchangeToken::Type::Declaration;
    token.text = text_.substr(from, end - from);
    at_ = std::min(end + 1, text_.size());
}

void InterchangeScanner::ReadTag(InterchangeToken& token) {
    const bool endTag = text_[at_ + 1] == u'/';
    token.type = endTag ? InterchangeToken::Type::EndTag : InterchangeToken::Type::StartTag;
    at_ += endTag ? 2 : 1;
    const std::size_t nameAt = at_;
    while (at_ < text_.size() && !EndsName(text_[at_])) ++at_;
    token.tag = TagOf(text_.substr(nameAt, at_ - nameAt));
    ReadAttributes(token);
}

// Up to and past the tag's '>'. A tag the file ends in is taken as closed.
void InterchangeScanner::ReadAttributes(InterchangeToken& token) {
    const bool link = token.type == InterchangeToken::Type::StartTag && token.tag == InterchangeTag::Link;
    for (;;) {
        while (at_ < text_.size() && (IsSpace(text_[at_]) || text_[at_] == u'/')) ++at_;
        if (at_ >= text_.size()) return;
        if (text_[at_] == u'>') {
            ++at_;
            return;
        }
        const std::size_t nameAt = at_++;  // a first '=' belongs to the name, as in HTML
        while (at_ < text_.size() && !EndsName(text_[at_]) && text_[at_] != u'=') ++at_;
        const std::u16string_view name = text_.substr(nameAt, at_ - nameAt);
        SkipSpaces();
        std::u16string_view value;
        if (at_ < text_.size() && text_[at_] == u'=') {
            ++at_;
            SkipSpaces();
            value = ReadAttributeValue();
        }
        if (link && !token.hasHref && EqualsAsciiNoCase(name, "href")) {
            token.hasHref = true;  // the first one counts, as in HTML
            token.href = value;
        }
        if (link && EqualsAsciiNoCase(name, "feedurl")) token.hasFeedUrl = true;
    }
}

std::u16string_view InterchangeScanner::ReadAttributeValue() {
    if (at_ >= text_.size()) return {};
    const char16_t quote = text_[at_];
    if (quote == u'"' || quote == u'\'') {
        const std::size_t from = at_ + 1;
        const std::size_t close = (quote == u'"' ? doubleQuote_ : singleQuote_).From(text_, from);
        if (close != npos) {
            at_ = close + 1;
            return text_.substr(from, close - from);
        }
        // No closing quote anywhere after it: the value ends with its tag,
        // so that the entries after it are still read.
        at_ = std::min(tagEnd_.From(text_, from), text_.size());
        return text_.substr(from, at_ - from);
    }
    const std::size_t from = at_;
    while (at_ < text_.size() && !IsSpace(text_[at_]) && text_[at_] != u'>') ++at_;
    return text_.substr(from, at_ - from);
}

void InterchangeScanner::SkipSpaces() {
    while (at_ < text_.size() && IsSpace(text_[at_])) ++at_;
}

void InterchangeScanner::SkipPastTagEnd() {
    const std::size_t end = tagEnd_.From(text_, at_);
    at_ = end == npos ? text_.size() : end + 1;
}

}  // namespace vesko
