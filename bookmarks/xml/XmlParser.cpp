#include "bookmarks/xml/XmlParser.h"

#include "bookmarks/xml/ShiftJisTable.h"
#include "bookmarks/xml/XmlSource.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace vesko {
namespace {

using namespace xmlscan;

// A parse failure at a byte offset of the document (after any byte-order
// mark); the offset always starts a character.
struct Failure {
    std::size_t index;
    std::u16string message;
};

std::u16string Ascii(std::string_view text) { return std::u16string(text.begin(), text.end()); }

std::u16string Hex(char32_t c) {
    static const char digits[] = "0123456789ABCDEF";
    std::u16string hex;
    for (int shift = 20; shift >= 0; shift -= 4) {
        unsigned digit = (c >> shift) & 0xF;
        if (digit != 0 || !hex.empty() || shift < 16) hex.push_back(static_cast<char16_t>(digits[digit]));
    }
    return hex;
}

bool IsXmlChar(char32_t c) {
    return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) || (c >= 0xE000 && c <= 0xFFFD) ||
           (c >= 0x10000 && c <= 0x10FFFF);
}

bool IsNameStartChar(char32_t c) {
    return (c >= U'a' && c <= U'z') || (c >= U'A' && c <= U'Z') || c == U'_' || c == U':' || (c >= 0xC0 && c <= 0xD6) ||
           (c >= 0xD8 && c <= 0xF6) || (c >= 0xF8 && c <= 0x2FF) || (c >= 0x370 && c <= 0x37D) ||
           (c >= 0x37F && c <= 0x1FFF) || (c >= 0x200C && c <= 0x200D) || (c >= 0x2070 && c <= 0x218F) ||
           (c >= 0x2C00 && c <= 0x2FEF) || (c >= 0x3001 && c <= 0xD7FF) || (c >= 0xF900 && c <= 0xFDCF) ||
           (c >= 0xFDF0 && c <= 0xFFFD) || (c >= 0x10000 && c <= 0xEFFFF);
}

bool IsNameChar(char32_t c) {
    return IsNameStartChar(c) || c == U'-' || c == U'.' || (c >= U'0' && c <= U'9') || c == 0xB7 ||
           (c >= 0x300 && c <= 0x36F) || (c >= 0x203F && c <= 0x2040);
}

char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t k = 0; k < a.size(); ++k) {
        if (AsciiLower(a[k]) != AsciiLower(b[k])) return false;
    }
    return true;
}

// ASCII to UTF-16, in a loop simple enough for the compiler to vectorise.
void Widen(const unsigned char* in, std::size_t count, char16_t* out) {
    for (std::size_t k = 0; k < count; ++k) out[k] = in[k];
}

std::size_t Utf16Length(char32_t c) { return c >= 0x10000 ? 2 : 1; }

// Writes `c` at out and returns the position after it.
char16_t* PutUtf16(char16_t* out, char32_t c) {
    if (c < 0x10000) {
        *out++ = static_cast<char16_t>(c);
    } else {
        c -= 0x10000;
        *out++ = static_cast<char16_t>(0xD800 + (c >> 10));
        *out++ = static_cast<char16_t>(0xDC00 + (c & 0x3FF));
    }
    return out;
}

// Line and column of the character at byte `index`; CR LF and a lone CR
// each end one line, as they read after line-end normalisation.
void Locate(const Source& source, std::size_t index, XmlError& error) {
    std::size_t line = 1;
    std::size_t column = 1;
    for (std::size_t k = 0; k < index && k < source.Size(); k += source.Width(k)) {
        const unsigned char b = source.At(k);
        if (b == '\n' || (b == '\r' && source.At(k + 1) != '\n')) {
            ++line;
            column = 1;
        } else if (b != '\r') {
            ++column;
        }
    }
    error.line = line;
    error.column = column;
}

// Checks the whole text before parsing: a byte sequence that is no
// character in the encoding is reported first, wherever it lies, then the
// first character XML does not allow.
void Validate(const Source& source) {
    std::size_t forbidden = kNone;
    char32_t forbiddenChar = 0;
    std::size_t k = 0;
    const std::size_t size = source.Size();
    while (k < size) {
        k = source.LongRunEnd(k, kAllowed);
        if (source.GetEncoding() == Encoding::ShiftJis) k = source.ShiftJisRunEnd(k);
        if (k >= size) break;
        char32_t c = 0;
        std::size_t width = 1;
        if (!source.DecodeChecked(k, c, width)) {
            throw Failure{k, source.GetEncoding() == Encoding::Utf8 ? u"UTF-8 として正しくないバイト列があります"
                                                                    : u"Shift_JIS として正しくないバイト列があります"};
        }
        if (forbidden == kNone && !IsXmlChar(c)) {
            forbidden = k;
            forbiddenChar = c;
        }
        k += width;
    }
    if (forbidden != kNone) throw Failure{forbidden, u"XML で使えない文字 U+" + Hex(forbiddenChar) + u" があります"};
}

// The XML declaration, read from the raw bytes: it is ASCII in both
// encodings, and it names the encoding of everything after it.
class DeclarationReader {
public:
    explicit DeclarationReader(std::string_view bytes) : bytes_(bytes) {}

    static bool StartsDeclaration(std::string_view bytes) {
        return bytes.size() > 5 && bytes.substr(0, 5) == "<?xml" && IsXmlSpace(static_cast<unsigned char>(bytes[5]));
    }

    // Reads the whole declaration; sets encoding (empty if not declared)
    // and the offset of its value. Returns the offset after the closing
    // "?>". Throws Failure.
    std::size_t Read(std::string& encoding, std::size_t& encodingIndex) {
        pos_ = 5;
        std::string version = ReadPseudoAttribute("version", true);
        bool digits = version.size() > 2 && version.compare(0, 2, "1.") == 0 &&
                      std::all_of(version.begin() + 2, version.end(), [](char c) { return c >= '0' && c <= '9'; });
        if (!digits) throw Failure{valueIndex_, u"XML 宣言の version が正しくありません"};
        encoding = ReadPseudoAttribute("encoding", false);
        encodingIndex = valueIndex_;
        std::string standalone = ReadPseudoAttribute("standalone", false);
        if (!standalone.empty() && standalone != "yes" && standalone != "no")
            throw Failure{valueIndex_, u"XML 宣言の standalone が正しくありません"};
        SkipSpace();
        if (bytes_.substr(pos_, 2) != "?>") throw Failure{pos_, u"XML 宣言が正しくありません"};
        return pos_ + 2;
    }

private:
    bool SkipSpace() {
        std::size_t start = pos_;
        while (pos_ < bytes_.size() && IsXmlSpace(static_cast<unsigned char>(bytes_[pos_]))) ++pos_;
        return pos_ != start;
    }

    // Reads ` name = "value"` if it comes next; `required` makes it an error
    // when it does not. Returns the value, empty when absent.
    std::string ReadPseudoAttribute(std::string_view name, bool required) {
        std::size_t start = pos_;
        if (!SkipSpace() || bytes_.substr(pos_, name.size()) != name) {
            if (required) throw Failure{pos_, u"XML 宣言に " + Ascii(name) + u" がありません"};
            pos_ = start;
            return {};
        }
        pos_ += name.size();
        SkipSpace();
        if (pos_ >= bytes_.size() || bytes_[pos_] != '=') throw Failure{pos_, u"'=' が必要です"};
        ++pos_;
        SkipSpace();
        if (pos_ >= bytes_.size() || (bytes_[pos_] != '"' && bytes_[pos_] != '\''))
            throw Failure{pos_, u"値は引用符で囲む必要があります"};
        const char quote = bytes_[pos_++];
        valueIndex_ = pos_;
        std::string value;
        while (pos_ < bytes_.size() && bytes_[pos_] != quote) {
            const char c = bytes_[pos_];
            bool allowed = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
                           c == '_' || c == '-';
            if (!allowed) throw Failure{pos_, u"XML 宣言の " + Ascii(name) + u" が正しくありません"};
            value.push_back(c);
            ++pos_;
        }
        if (pos_ >= bytes_.size()) throw Failure{pos_, u"XML 宣言が閉じられていません"};
        ++pos_;
        if (value.empty()) throw Failure{valueIndex_, u"XML 宣言の " + Ascii(name) + u" が空です"};
        return value;
    }

    std::string_view bytes_;
    std::size_t pos_ = 0;
    std::size_t valueIndex_ = 0;
};

bool IsShiftJisName(std::string_view name) {
    for (std::string_view alias : {"Shift_JIS", "shift-jis", "sjis", "x-sjis", "windows-31j", "cp932"}) {
        if (EqualsIgnoringCase(name, alias)) return true;
    }
    return false;
}

// Reads the declaration at the start of `bytes`: the document's encoding,
// and in `start` where the body begins.
Encoding ReadDeclaration(std::string_view bytes, bool bom, std::size_t& start) {
    std::string name;
    std::size_t nameIndex = 0;
    start = DeclarationReader(bytes).Read(name, nameIndex);
    if (IsShiftJisName(name)) {
        if (bom)
            throw Failure{nameIndex, u"バイト順マークは UTF-8 を示していますが、エンコーディングは " + Ascii(name) +
                                         u" と宣言されています"};
        return Encoding::ShiftJis;
    }
    if (!name.empty() && !EqualsIgnoringCase(name, "UTF-8"))
        throw Failure{nameIndex, u"エンコーディング " + Ascii(name) + u" には対応していません"};
    return Encoding::Utf8;
}

// The document body parser, over bytes already checked by Validate. It
// scans bytes, decodes only character data and names, and gathers each
// text node in one reused buffer, so every string is allocated once.
class Parser {
public:
    Parser(const Source& source, const XmlParseOptions& options) : src_(source), options_(options) {}

    // The deepest nesting of elements that Parse met, the root counting 1.
    std::size_t Depth() const { return depth_; }
    std::size_t Elements() const { return elements_; }
    std::size_t TextUnits() const { return textUnits_; }
    // The comments kept before and after the root.
    std::vector<std::unique_ptr<XmlNode>>& Before() { return before_; }
    std::vector<std::unique_ptr<XmlNode>>& After() { return after_; }

    std::unique_ptr<XmlNode> Parse(std::size_t start) {
        pos_ = start;
        while (pos_ < src_.Size()) {
            const unsigned char b = src_.At(pos_);
            if (b == '<') {
                Markup();
            } else if (current_) {
                if (!SkipLayout()) CharacterData();
            } else if (HasClass(b, kSpace)) {
                ++pos_;
            } else {
                throw Failure{
                    pos_, root_ ? u"ルート要素の後に文字データがあります" : u"ルート要素の外に文字データがあります"};
            }
        }
        if (current_) throw Failure{pos_, u"要素 <" + std::u16string(current_->Name()) + u"> が閉じられていません"};
        if (!root_) throw Failure{pos_, u"ルート要素がありません"};
        root_->AdoptPool(std::move(pool_));
        return std::move(root_);
    }

private:
    unsigned char At(std::size_t k) const { return src_.At(k); }
    bool LookingAt(std::string_view ascii) const { return src_.LookingAt(pos_, ascii); }

    bool SkipSpace() {
        std::size_t start = pos_;
        pos_ = src_.RunEnd(pos_, kSpace);
        return pos_ != start;
    }

    void Expect(char c, const char16_t* message) {
        if (At(pos_) != static_cast<unsigned char>(c)) throw Failure{pos_, message};
        ++pos_;
    }

    // The end of the name that starts at k.
    std::size_t NameEnd(std::size_t k) const {
        std::size_t width = 1;
        const unsigned char first = At(k);
        const bool start =
            first < 0x80 ? HasClass(first, kNameStart) : k < src_.Size() && IsNameStartChar(src_.Decode(k, width));
        if (!start) throw Failure{k, u"名前が必要です"};
        k += width;
        const unsigned char* bytes = src_.Data();
        const std::size_t size = src_.Size();
        for (;;) {
            while (k < size && HasClass(bytes[k], kName)) ++k;
            if (k >= size || bytes[k] < 0x80 || !IsNameChar(src_.Decode(k, width))) return k;
            k += width;
        }
    }

    // The characters of [begin, end) as they are (no line ends inside).
    std::u16string Span(std::size_t begin, std::size_t end) const {
        const unsigned char* bytes = src_.Data();
        if (std::all_of(bytes + begin, bytes + end, [](unsigned char b) { return b < 0x80; }))
            return std::u16string(bytes + begin, bytes + end);
        std::size_t length = 0;
        std::size_t width = 1;
        for (std::size_t k = begin; k < end; k += width) length += Utf16Length(src_.Decode(k, width));
        std::u16string text(length, u'\0');
        char16_t* out = &text[0];
        for (std::size_t k = begin; k < end; k += width) out = PutUtf16(out, src_.Decode(k, width));
        return text;
    }

    // Element names repeat: the last few are kept, and most start tags copy
    // one instead of decoding it.
    const std::u16string& ElementName(std::size_t begin, std::size_t end) {
        const std::string_view bytes = src_.View(begin, end);
        for (const auto& [known, name] : recentNames_) {
            if (known == bytes) return name;
        }
        auto& slot = recentNames_[nextName_++ % kRecentNames];
        slot = {bytes, Span(begin, end)};
        return slot.second;
    }

    bool SpanEquals(std::size_t begin, std::size_t end, std::u16string_view text) const {
        if (end - begin == text.size()) {
            std::size_t k = 0;
            while (k < text.size() && At(begin + k) < 0x80 && At(begin + k) == text[k]) ++k;
            if (k == text.size()) return true;
            if (At(begin + k) < 0x80) return false;
        }
        return Span(begin, end) == text;
    }

    void Markup() {
        const unsigned char next = At(pos_ + 1);
        if (next == '/') {
            FlushText(false);
            EndTag();
        } else if (next == '?') {
            ProcessingInstruction();
        } else if (next != '!') {
            FlushText(true);
            StartTag();
        } else if (LookingAt("<!--")) {
            Comment(true);
        } else if (LookingAt("<![CDATA[")) {
            CData();
        } else if (LookingAt("<!DOCTYPE")) {
            Doctype();
        } else {
            throw Failure{pos_, u"認識できないマークアップです"};
        }
    }

    void StartTag() {
        const std::size_t start = pos_;
        if (rootClosed_) throw Failure{pos_, u"ルート要素の後に別の要素があります"};
        const std::size_t nameEnd = NameEnd(++pos_);
        const std::u16string& name = ElementName(pos_, nameEnd);
        pos_ = nameEnd;
        Attributes(start);
        std::unique_ptr<XmlNode> element = MakeElement(name);
        bool empty = false;
        if (LookingAt("/>")) {
            empty = true;
            pos_ += 2;
        } else {
            Expect('>', u"'>' が必要です");
        }
        XmlNode* added = element.get();
        ++elements_;
        if (current_)
            pending_.push_back(std::move(element));
        else
            root_ = std::move(element);
        if (!empty) {
            open_.push_back({added, pending_.size()});
            depth_ = std::max(depth_, open_.size());
            current_ = added;
        } else if (!current_) {
            rootClosed_ = true;
        }
    }

    // The root is made on its own: it owns the pool of the others.
    std::unique_ptr<XmlNode> MakeElement(const std::u16string& name) {
        if (!options_.attributes || attributeNames_.empty())
            return current_ ? XmlNode::MakeElement(name, *pool_) : XmlNode::MakeElement(name);
        attributes_.clear();
        for (std::size_t k = 0; k < attributeNames_.size(); ++k)
            attributes_.push_back({attributeNames_[k], attributeValues_[k]});
        return current_ ? XmlNode::MakeElement(name, attributes_, *pool_) : XmlNode::MakeElement(name, attributes_);
    }

    // Attributes are checked for well-formedness, and their values read
    // where they are kept.
    void Attributes(std::size_t tagStart) {
        attributeNames_.clear();
        attributeValues_.clear();
        while (true) {
            const bool spaced = SkipSpace();
            if (At(pos_) == '>' || LookingAt("/>")) break;
            if (pos_ >= src_.Size()) throw Failure{pos_, u"ファイルが途中で終わっています"};
            if (!spaced) throw Failure{pos_, u"属性の前には空白が必要です"};
            const std::size_t nameEnd = NameEnd(pos_);
            attributeNames_.push_back(Span(pos_, nameEnd));
            pos_ = nameEnd;
            SkipSpace();
            Expect('=', u"'=' が必要です");
            SkipSpace();
            AttributeValue();
        }
        if (attributeNames_.size() < 2) return;
        std::vector<std::u16string_view> names(attributeNames_.begin(), attributeNames_.end());
        std::sort(names.begin(), names.end());
        auto twin = std::adjacent_find(names.begin(), names.end());
        if (twin != names.end()) throw Failure{tagStart, u"属性 " + std::u16string(*twin) + u" が重複しています"};
    }

    // Quotes, '<' and '&' never occur inside a multi-byte character, so the
    // value is scanned byte by byte where it is not kept.
    void AttributeValue() {
        const unsigned char quote = At(pos_);
        if (quote != '"' && quote != '\'') throw Failure{pos_, u"属性値は引用符で囲む必要があります"};
        const std::size_t valueStart = pos_++;
        std::u16string* value = options_.attributes ? &attributeValues_.emplace_back() : nullptr;
        while (At(pos_) != quote) {
            if (pos_ >= src_.Size()) throw Failure{valueStart, u"属性値が閉じられていません"};
            if (At(pos_) == '<') throw Failure{pos_, u"属性値に '<' は使えません"};
            if (At(pos_) == '&') {
                const char32_t c = Reference();
                if (value) AppendUtf16(*value, c);
            } else if (value) {
                ValueCharacter(*value);
            } else {
                ++pos_;
            }
        }
        ++pos_;
    }

    // One character of a kept value: a literal tab or line end (CR LF
    // counting as one) reads as a space.
    void ValueCharacter(std::u16string& value) {
        const unsigned char b = At(pos_);
        if (b >= 0x80) {
            std::size_t width = 1;
            AppendUtf16(value, src_.Decode(pos_, width));
            pos_ += width;
            return;
        }
        value.push_back(HasClass(b, kSpace) ? u' ' : static_cast<char16_t>(b));
        pos_ += b == '\r' && At(pos_ + 1) == '\n' ? 2 : 1;
    }

    static void AppendUtf16(std::u16string& out, char32_t c) {
        char16_t units[2];
        out.append(units, static_cast<std::size_t>(PutUtf16(units, c) - units));
    }

    void EndTag() {
        const std::size_t start = pos_;
        const std::size_t nameStart = pos_ + 2;
        const std::size_t nameEnd = NameEnd(nameStart);
        pos_ = nameEnd;
        if (!current_) throw Failure{start, u"開始タグのない終了タグ </" + Span(nameStart, nameEnd) + u"> があります"};
        if (!SpanEquals(nameStart, nameEnd, current_->Name()))
            throw Failure{start, u"終了タグ </" + Span(nameStart, nameEnd) + u"> が開始タグ <" +
                                     std::u16string(current_->Name()) + u"> と対応していません"};
        SkipSpace();
        Expect('>', u"'>' が必要です");
        // The element's children are all known now: they go in at once.
        const std::size_t first = open_.back().firstChild;
        current_->AppendChildren(pending_.data() + first, pending_.data() + pending_.size());
        pending_.resize(first);
        open_.pop_back();
        current_ = open_.empty() ? nullptr : open_.back().element;
        if (!current_) rootClosed_ = true;
    }

    // A kept comment counts as an element here.
    bool OpenElementHasElementChild() const {
        for (std::size_t k = pending_.size(); k > open_.back().firstChild; --k) {
            if (pending_[k - 1]->IsElement() || pending_[k - 1]->IsComment()) return true;
        }
        return false;
    }

    // Room for `count` more units in the text buffer.
    char16_t* Room(std::size_t count) {
        if (textLength_ + count > text_.size()) Grow(count);
        return text_.data() + textLength_;
    }

    void Grow(std::size_t count) { text_.resize(std::max(textLength_ + count, text_.size() * 2)); }

    void AppendChar(char32_t c) {
        char16_t* out = Room(2);
        textLength_ += static_cast<std::size_t>(PutUtf16(out, c) - out);
    }

    // Skips whitespace that FlushText would drop: a run of its own, right
    // before a tag, beside an element. Returns whether it did.
    bool SkipLayout() {
        if (textLength_ != 0 || !HasClass(At(pos_), kSpace)) return false;
        const std::size_t end = src_.RunEnd(pos_, kSpace);
        if (At(end) != '<') return false;
        const unsigned char next = At(end + 1);
        const bool layout = next == '/' ? OpenElementHasElementChild() : next != '!' && next != '?';
        if (layout) pos_ = end;
        return layout;
    }

    // Character data up to the next markup; ASCII runs are copied whole.
    void CharacterData() {
        const std::size_t size = src_.Size();
        const unsigned char* bytes = src_.Data();
        while (pos_ < size) {
            const std::size_t end = src_.LongRunEnd(pos_, kPlain);
            Widen(bytes + pos_, end - pos_, Room(end - pos_));
            textLength_ += end - pos_;
            pos_ = end;
            const unsigned char b = At(pos_);
            if (pos_ >= size || b == '<') return;
            if (b >= 0x80) {
                MultiByteRun();
            } else if (b == '&') {
                AppendChar(Reference());
            } else if (b == ']') {
                if (LookingAt("]]>")) throw Failure{pos_, u"文字データに ']]>' は使えません"};
                AppendChar(U']');
                ++pos_;
            } else if (b == '\r') {
                AppendChar(U'\n');
                pos_ += At(pos_ + 1) == '\n' ? 2 : 1;
            }
        }
    }

    // Characters of more than one byte, up to the next ASCII one.
    void MultiByteRun() {
        const unsigned char* bytes = src_.Data();
        const std::size_t size = src_.Size();
        if (src_.GetEncoding() == Encoding::ShiftJis) {
            // Each character is one unit.
            while (pos_ < size && bytes[pos_] >= 0x80) {
                const unsigned char b = bytes[pos_];
                const bool pair = IsShiftJisLeadByte(b);
                *Room(1) = pair ? ShiftJisPair(b, bytes[pos_ + 1]) : ShiftJisSingle(b);
                ++textLength_;
                pos_ += pair ? 2 : 1;
            }
            return;
        }
        while (pos_ < size && bytes[pos_] >= 0x80) {
            std::size_t width = 1;
            AppendChar(src_.Decode(pos_, width));
            pos_ += width;
        }
    }

    // A predefined entity or a character reference: the character it stands for.
    char32_t Reference() {
        const std::size_t start = pos_++;
        if (At(pos_) == '#') return CharacterReference(start);
        const std::size_t nameEnd = NameEnd(pos_);
        const std::string_view name = src_.View(pos_, nameEnd);
        pos_ = nameEnd;
        if (At(pos_) != ';') throw Failure{start, u"実体参照の後に ';' が必要です"};
        ++pos_;
        static const std::pair<std::string_view, char32_t> predefined[] = {
            {"lt", U'<'}, {"gt", U'>'}, {"amp", U'&'}, {"apos", U'\''}, {"quot", U'"'}};
        for (const auto& [entity, c] : predefined) {
            if (name == entity) return c;
        }
        throw Failure{start, u"未宣言の実体参照 &" + Span(start + 1, nameEnd) + u"; があります"};
    }

    char32_t CharacterReference(std::size_t start) {
        ++pos_;
        const bool hex = At(pos_) == 'x';
        if (hex) ++pos_;
        char32_t value = 0;
        std::size_t digits = 0;
        while (true) {
            const unsigned char c = At(pos_);
            unsigned digit;
            if (c >= '0' && c <= '9')
                digit = c - '0';
            else if (hex && c >= 'a' && c <= 'f')
                digit = c - 'a' + 10;
            else if (hex && c >= 'A' && c <= 'F')
                digit = c - 'A' + 10;
            else
                break;
            // Saturate: anything past U+10FFFF is rejected below.
            value = std::min<char32_t>(value * (hex ? 16 : 10) + digit, 0x110000);
            ++digits;
            ++pos_;
        }
        if (digits == 0 || At(pos_) != ';') throw Failure{start, u"文字参照が正しくありません"};
        ++pos_;
        if (!IsXmlChar(value)) throw Failure{start, u"文字参照が XML で使えない文字を指しています"};
        return value;
    }

    // Moves the text gathered since the last tag into the open element.
    // Comments and processing instructions do not split it. Whitespace
    // alone is layout when an element stands beside it - the child that
    // follows, or one before it - and is dropped.
    void FlushText(bool childFollows) {
        if (textLength_ == 0 || !current_) return;
        const char16_t* text = text_.data();
        const bool blank = std::all_of(text, text + textLength_, [](char16_t c) { return IsXmlSpace(c); });
        if (!blank || !(childFollows || OpenElementHasElementChild())) {
            pending_.push_back(XmlNode::MakeText(std::u16string_view(text, textLength_), *pool_));
            textUnits_ += textLength_;
        }
        textLength_ = 0;
    }

    // `keep` is false inside a DOCTYPE, whose comments are not the document's.
    void Comment(bool keep) {
        const std::size_t start = pos_;
        const std::size_t end = CommentEnd(start);
        pos_ = end + 3;
        if (!keep || !options_.comments) return;
        std::u16string text = Span(start + 4, end);
        // Line ends read as one LF, as everywhere in a document.
        std::size_t length = 0;
        for (std::size_t k = 0; k < text.size(); ++k) {
            const char16_t c = text[k];
            text[length++] = c == u'\r' ? u'\n' : c;
            if (c == u'\r' && k + 1 < text.size() && text[k + 1] == u'\n') ++k;
        }
        text.resize(length);
        if (current_) {
            FlushText(true);
            pending_.push_back(XmlNode::MakeComment(text, *pool_));
        } else {
            (root_ ? after_ : before_).push_back(XmlNode::MakeComment(text));
        }
    }

    // Where the "-->" that closes the comment at `start` begins.
    std::size_t CommentEnd(std::size_t start) const {
        std::size_t from = start + 4;
        while (true) {
            // No multi-byte character holds a '-', so a byte search finds it.
            const std::size_t dash = src_.Find('-', from);
            if (dash == kNone) throw Failure{start, u"コメントが閉じられていません"};
            from = dash + 1;
            if (At(from) != '-') continue;
            if (At(from + 1) == '>') return dash;
            if (!options_.dashesInComments) throw Failure{dash, u"コメントの中に '--' は使えません"};
        }
    }

    void ProcessingInstruction() {
        const std::size_t start = pos_;
        const std::size_t targetEnd = NameEnd(pos_ + 2);
        const std::string_view target = src_.View(pos_ + 2, targetEnd);
        if (EqualsIgnoringCase(target, "xml")) throw Failure{start, u"XML 宣言はファイルの先頭にだけ置けます"};
        pos_ = targetEnd;
        if (!LookingAt("?>") && !SkipSpace()) throw Failure{pos_, u"処理命令が正しくありません"};
        // Nor a '?'.
        for (std::size_t mark = src_.Find('?', pos_); mark != kNone; mark = src_.Find('?', mark + 1)) {
            if (At(mark + 1) == '>') {
                pos_ = mark + 2;
                return;
            }
        }
        throw Failure{start, u"処理命令が閉じられていません"};
    }

    void CData() {
        const std::size_t start = pos_;
        if (!current_) throw Failure{start, u"CDATA セクションはルート要素の中にだけ置けます"};
        const std::size_t body = pos_ + 9;
        // A Shift_JIS trail byte may be a ']': step by characters.
        std::size_t close = body;
        while (close < src_.Size() && !src_.LookingAt(close, "]]>")) close += src_.Width(close);
        if (close >= src_.Size()) throw Failure{start, u"CDATA セクションが閉じられていません"};
        for (std::size_t k = body; k < close;) {
            std::size_t width = 1;
            const char32_t c = src_.Decode(k, width);
            k += width;
            if (c == U'\r' && At(k) == '\n') ++k;
            AppendChar(c == U'\r' ? U'\n' : c);
        }
        pos_ = close + 3;
    }

    // Skipped whole, internal subset included; nothing it declares is used.
    void Doctype() {
        const std::size_t start = pos_;
        if (root_ || doctypeSeen_) throw Failure{start, u"DOCTYPE 宣言はルート要素の前に一度だけ置けます"};
        doctypeSeen_ = true;
        pos_ += 9;
        if (!SkipSpace()) throw Failure{pos_, u"DOCTYPE 宣言が正しくありません"};
        bool inSubset = false;
        unsigned char quote = 0;
        while (true) {
            if (pos_ >= src_.Size()) throw Failure{start, u"DOCTYPE 宣言が閉じられていません"};
            const unsigned char c = At(pos_);
            if (quote) {
                if (c == quote) quote = 0;
            } else if (c == '"' || c == '\'') {
                quote = c;
            } else if (inSubset && LookingAt("<!--")) {
                Comment(false);
                continue;
            } else if (inSubset && LookingAt("<?")) {
                ProcessingInstruction();
                continue;
            } else if (c == '[' || c == ']') {
                inSubset = c == '[';
            } else if (c == '>' && !inSubset) {
                ++pos_;
                return;
            }
            pos_ += src_.Width(pos_);
        }
    }

    const Source& src_;
    const XmlParseOptions& options_;
    std::size_t pos_ = 0;
    // Declared before the nodes, so that on failure it goes after them.
    std::unique_ptr<XmlNodePool> pool_ = std::make_unique<XmlNodePool>();
    std::unique_ptr<XmlNode> root_;
    std::vector<std::unique_ptr<XmlNode>> before_;
    std::vector<std::unique_ptr<XmlNode>> after_;
    // The open elements, innermost last, and the children gathered for
    // them: those of open_[k] start at open_[k].firstChild in pending_.
    struct OpenElement {
        XmlNode* element;
        std::size_t firstChild;
    };
    std::vector<OpenElement> open_;
    std::vector<std::unique_ptr<XmlNode>> pending_;
    XmlNode* current_ = nullptr;  // open_.back(), null when none
    std::size_t depth_ = 0;
    std::size_t elements_ = 0;
    std::size_t textUnits_ = 0;
    bool rootClosed_ = false;
    bool doctypeSeen_ = false;
    std::u16string text_;
    std::size_t textLength_ = 0;
    static constexpr std::size_t kRecentNames = 4;
    std::pair<std::string_view, std::u16string> recentNames_[kRecentNames];
    std::size_t nextName_ = 0;
    // The attributes of the start tag being read.
    std::vector<std::u16string> attributeNames_;
    std::vector<std::u16string> attributeValues_;  // where they are kept
    std::vector<XmlAttribute> attributes_;
};

}  // namespace

XmlParseResult ParseXml(std::string_view bytes) { return ParseXml(bytes, XmlParseOptions()); }

XmlParseResult ParseXml(std::string_view bytes, const XmlParseOptions& options) {
    const bool bom = bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF";
    if (bom) bytes.remove_prefix(3);
    Encoding encoding = Encoding::Utf8;
    XmlParseResult result;
    try {
        std::size_t start = 0;
        if (DeclarationReader::StartsDeclaration(bytes)) encoding = ReadDeclaration(bytes, bom, start);
        const Source source(bytes, encoding);
        Validate(source);
        Parser parser(source, options);
        result.document.root = parser.Parse(start);
        result.document.before = std::move(parser.Before());
        result.document.after = std::move(parser.After());
        result.depth = parser.Depth();
        result.elements = parser.Elements();
        result.textUnits = parser.TextUnits();
    } catch (const Failure& failure) {
        result.document.root.reset();
        result.error.message = failure.message;
        Locate(Source(bytes, encoding), failure.index, result.error);
    }
    return result;
}

}  // namespace vesko
