#include "bookmarks/xml/XmlParser.h"

#include "bookmarks/xml/ShiftJis.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace vesko {
namespace {

// A parse failure at a character index of the text being parsed.
struct Failure {
    std::size_t index;
    std::u16string message;
};

std::u16string Ascii(std::string_view text) { return std::u16string(text.begin(), text.end()); }

void AppendUtf16(std::u16string& out, char32_t c)
{
    if (c < 0x10000) {
        out.push_back(static_cast<char16_t>(c));
    } else {
        c -= 0x10000;
        out.push_back(static_cast<char16_t>(0xD800 + (c >> 10)));
        out.push_back(static_cast<char16_t>(0xDC00 + (c & 0x3FF)));
    }
}

std::u16string Hex(char32_t c)
{
    static const char digits[] = "0123456789ABCDEF";
    std::u16string hex;
    for (int shift = 20; shift >= 0; shift -= 4) {
        unsigned digit = (c >> shift) & 0xF;
        if (digit != 0 || !hex.empty() || shift < 16)
            hex.push_back(static_cast<char16_t>(digits[digit]));
    }
    return hex;
}

bool IsXmlChar(char32_t c)
{
    return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) ||
           (c >= 0xE000 && c <= 0xFFFD) || (c >= 0x10000 && c <= 0x10FFFF);
}

bool IsNameStartChar(char32_t c)
{
    return (c >= U'a' && c <= U'z') || (c >= U'A' && c <= U'Z') || c == U'_' || c == U':' ||
           (c >= 0xC0 && c <= 0xD6) || (c >= 0xD8 && c <= 0xF6) || (c >= 0xF8 && c <= 0x2FF) ||
           (c >= 0x370 && c <= 0x37D) || (c >= 0x37F && c <= 0x1FFF) ||
           (c >= 0x200C && c <= 0x200D) || (c >= 0x2070 && c <= 0x218F) ||
           (c >= 0x2C00 && c <= 0x2FEF) || (c >= 0x3001 && c <= 0xD7FF) ||
           (c >= 0xF900 && c <= 0xFDCF) || (c >= 0xFDF0 && c <= 0xFFFD) ||
           (c >= 0x10000 && c <= 0xEFFFF);
}

bool IsNameChar(char32_t c)
{
    return IsNameStartChar(c) || c == U'-' || c == U'.' || (c >= U'0' && c <= U'9') ||
           c == 0xB7 || (c >= 0x300 && c <= 0x36F) || (c >= 0x203F && c <= 0x2040);
}

char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualsIgnoringCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t k = 0; k < a.size(); ++k) {
        if (AsciiLower(a[k]) != AsciiLower(b[k]))
            return false;
    }
    return true;
}

// Line and column of text[index]; CR LF and a lone CR each end one line.
void Locate(std::u32string_view text, std::size_t index, XmlError& error)
{
    std::size_t line = 1;
    std::size_t column = 1;
    for (std::size_t k = 0; k < index && k < text.size(); ++k) {
        char32_t c = text[k];
        if (c == U'\n' || (c == U'\r' && (k + 1 >= text.size() || text[k + 1] != U'\n'))) {
            ++line;
            column = 1;
        } else if (c != U'\r') {
            ++column;
        }
    }
    error.line = line;
    error.column = column;
}

bool DecodeUtf8(std::string_view bytes, std::u32string& out, std::size_t& errorOffset)
{
    out.clear();
    out.reserve(bytes.size());
    std::size_t k = 0;
    while (k < bytes.size()) {
        const auto lead = static_cast<unsigned char>(bytes[k]);
        std::size_t extra;
        char32_t c;
        char32_t minimum;
        if (lead < 0x80) {
            extra = 0, c = lead, minimum = 0;
        } else if ((lead & 0xE0) == 0xC0) {
            extra = 1, c = lead & 0x1F, minimum = 0x80;
        } else if ((lead & 0xF0) == 0xE0) {
            extra = 2, c = lead & 0x0F, minimum = 0x800;
        } else if ((lead & 0xF8) == 0xF0) {
            extra = 3, c = lead & 0x07, minimum = 0x10000;
        } else {
            errorOffset = k;
            return false;
        }
        if (k + extra >= bytes.size() && extra > 0) {
            errorOffset = k;
            return false;
        }
        for (std::size_t m = 1; m <= extra; ++m) {
            const auto next = static_cast<unsigned char>(bytes[k + m]);
            if ((next & 0xC0) != 0x80) {
                errorOffset = k;
                return false;
            }
            c = (c << 6) | (next & 0x3F);
        }
        if (c < minimum || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
            errorOffset = k;
            return false;
        }
        out.push_back(c);
        k += extra + 1;
    }
    return true;
}

std::u32string Widen(std::u16string_view text)
{
    std::u32string out;
    out.reserve(text.size());
    for (std::size_t k = 0; k < text.size(); ++k) {
        char32_t c = text[k];
        if (c >= 0xD800 && c <= 0xDBFF && k + 1 < text.size() && text[k + 1] >= 0xDC00 &&
            text[k + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[k + 1] - 0xDC00);
            ++k;
        }
        out.push_back(c);
    }
    return out;
}

enum class Encoding { Utf8, ShiftJis };

// The XML declaration, read from the raw bytes: it is ASCII in both
// encodings, and it names the encoding of everything after it.
class DeclarationReader {
public:
    explicit DeclarationReader(std::string_view bytes) : bytes_(bytes) {}

    static bool StartsDeclaration(std::string_view bytes)
    {
        return bytes.size() > 5 && bytes.substr(0, 5) == "<?xml" &&
               IsXmlWhitespace(static_cast<unsigned char>(bytes[5]));
    }

    // Reads the whole declaration; sets encoding (empty if not declared)
    // and the offset of its value. Throws Failure with a byte index.
    void Read(std::string& encoding, std::size_t& encodingIndex)
    {
        pos_ = 5;
        std::string version = ReadPseudoAttribute("version", true);
        bool digits = version.size() > 2 && version.compare(0, 2, "1.") == 0 &&
                      std::all_of(version.begin() + 2, version.end(),
                                  [](char c) { return c >= '0' && c <= '9'; });
        if (!digits)
            throw Failure{valueIndex_, u"XML 宣言の version が正しくありません"};
        encoding = ReadPseudoAttribute("encoding", false);
        encodingIndex = valueIndex_;
        std::string standalone = ReadPseudoAttribute("standalone", false);
        if (!standalone.empty() && standalone != "yes" && standalone != "no")
            throw Failure{valueIndex_, u"XML 宣言の standalone が正しくありません"};
        SkipSpace();
        if (bytes_.substr(pos_, 2) != "?>")
            throw Failure{pos_, u"XML 宣言が正しくありません"};
    }

private:
    bool SkipSpace()
    {
        std::size_t start = pos_;
        while (pos_ < bytes_.size() && IsXmlWhitespace(static_cast<unsigned char>(bytes_[pos_])))
            ++pos_;
        return pos_ != start;
    }

    // Reads ` name = "value"` if it comes next; `required` makes it an error
    // when it does not. Returns the value, empty when absent.
    std::string ReadPseudoAttribute(std::string_view name, bool required)
    {
        std::size_t start = pos_;
        if (!SkipSpace() || bytes_.substr(pos_, name.size()) != name) {
            if (required)
                throw Failure{pos_, u"XML 宣言に " + Ascii(name) + u" がありません"};
            pos_ = start;
            return {};
        }
        pos_ += name.size();
        SkipSpace();
        if (pos_ >= bytes_.size() || bytes_[pos_] != '=')
            throw Failure{pos_, u"'=' が必要です"};
        ++pos_;
        SkipSpace();
        if (pos_ >= bytes_.size() || (bytes_[pos_] != '"' && bytes_[pos_] != '\''))
            throw Failure{pos_, u"値は引用符で囲む必要があります"};
        const char quote = bytes_[pos_++];
        valueIndex_ = pos_;
        std::string value;
        while (pos_ < bytes_.size() && bytes_[pos_] != quote) {
            const char c = bytes_[pos_];
            bool allowed = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                           (c >= '0' && c <= '9') || c == '.' || c == '_' || c == '-';
            if (!allowed)
                throw Failure{pos_, u"XML 宣言の " + Ascii(name) + u" が正しくありません"};
            value.push_back(c);
            ++pos_;
        }
        if (pos_ >= bytes_.size())
            throw Failure{pos_, u"XML 宣言が閉じられていません"};
        ++pos_;
        if (value.empty())
            throw Failure{valueIndex_, u"XML 宣言の " + Ascii(name) + u" が空です"};
        return value;
    }

    std::string_view bytes_;
    std::size_t pos_ = 0;
    std::size_t valueIndex_ = 0;
};

bool IsShiftJisName(std::string_view name)
{
    for (std::string_view alias :
         {"Shift_JIS", "shift-jis", "sjis", "x-sjis", "windows-31j", "cp932"}) {
        if (EqualsIgnoringCase(name, alias))
            return true;
    }
    return false;
}

// The document body parser, over code points with line ends normalised.
class Parser {
public:
    explicit Parser(std::u32string text) : s_(std::move(text)) {}

    std::unique_ptr<XmlNode> Parse(std::size_t start)
    {
        pos_ = start;
        while (pos_ < s_.size()) {
            if (s_[pos_] == U'<')
                Markup();
            else if (current_)
                CharacterData();
            else if (IsXmlWhitespace(s_[pos_]))
                ++pos_;
            else
                throw Failure{pos_, root_ ? u"ルート要素の後に文字データがあります"
                                          : u"ルート要素の外に文字データがあります"};
        }
        if (current_)
            throw Failure{pos_, u"要素 <" + current_->Name() + u"> が閉じられていません"};
        if (!root_)
            throw Failure{pos_, u"ルート要素がありません"};
        return std::move(root_);
    }

    const std::u32string& Text() const { return s_; }

private:
    char32_t At(std::size_t k) const { return k < s_.size() ? s_[k] : 0; }

    bool LookingAt(std::string_view ascii) const
    {
        if (s_.size() - pos_ < ascii.size())
            return false;
        for (std::size_t k = 0; k < ascii.size(); ++k) {
            if (s_[pos_ + k] != static_cast<unsigned char>(ascii[k]))
                return false;
        }
        return true;
    }

    bool SkipSpace()
    {
        std::size_t start = pos_;
        while (pos_ < s_.size() && IsXmlWhitespace(s_[pos_]))
            ++pos_;
        return pos_ != start;
    }

    void Expect(char32_t c, const char16_t* message)
    {
        if (At(pos_) != c)
            throw Failure{pos_, message};
        ++pos_;
    }

    std::u16string Name()
    {
        if (!IsNameStartChar(At(pos_)))
            throw Failure{pos_, u"名前が必要です"};
        std::u16string name;
        while (IsNameChar(At(pos_)))
            AppendUtf16(name, s_[pos_++]);
        return name;
    }

    void Markup()
    {
        if (LookingAt("<!--")) {
            Comment();
        } else if (LookingAt("<?")) {
            ProcessingInstruction();
        } else if (LookingAt("<![CDATA[")) {
            CData();
        } else if (LookingAt("<!DOCTYPE")) {
            Doctype();
        } else if (LookingAt("<!")) {
            throw Failure{pos_, u"認識できないマークアップです"};
        } else if (LookingAt("</")) {
            FlushText();
            EndTag();
        } else {
            FlushText();
            StartTag();
        }
    }

    void StartTag()
    {
        const std::size_t start = pos_;
        if (rootClosed_)
            throw Failure{pos_, u"ルート要素の後に別の要素があります"};
        ++pos_;
        std::unique_ptr<XmlNode> element = XmlNode::MakeElement(Name());
        Attributes(start);
        bool empty = false;
        if (LookingAt("/>")) {
            empty = true;
            pos_ += 2;
        } else {
            Expect(U'>', u"'>' が必要です");
        }
        XmlNode* added = element.get();
        if (current_)
            current_->AppendChild(std::move(element));
        else
            root_ = std::move(element);
        if (!empty)
            current_ = added;
        else if (!current_)
            rootClosed_ = true;
    }

    // Attributes are checked for well-formedness and then dropped.
    void Attributes(std::size_t tagStart)
    {
        std::vector<std::u16string> names;
        while (true) {
            const bool spaced = SkipSpace();
            if (At(pos_) == U'>' || LookingAt("/>"))
                break;
            if (pos_ >= s_.size())
                throw Failure{pos_, u"ファイルが途中で終わっています"};
            if (!spaced)
                throw Failure{pos_, u"属性の前には空白が必要です"};
            names.push_back(Name());
            SkipSpace();
            Expect(U'=', u"'=' が必要です");
            SkipSpace();
            const char32_t quote = At(pos_);
            if (quote != U'"' && quote != U'\'')
                throw Failure{pos_, u"属性値は引用符で囲む必要があります"};
            const std::size_t valueStart = pos_++;
            std::u16string ignored;
            while (At(pos_) != quote) {
                if (pos_ >= s_.size())
                    throw Failure{valueStart, u"属性値が閉じられていません"};
                if (s_[pos_] == U'<')
                    throw Failure{pos_, u"属性値に '<' は使えません"};
                if (s_[pos_] == U'&')
                    Reference(ignored);
                else
                    ++pos_;
            }
            ++pos_;
        }
        std::sort(names.begin(), names.end());
        auto twin = std::adjacent_find(names.begin(), names.end());
        if (twin != names.end())
            throw Failure{tagStart, u"属性 " + *twin + u" が重複しています"};
    }

    void EndTag()
    {
        const std::size_t start = pos_;
        pos_ += 2;
        std::u16string name = Name();
        if (!current_)
            throw Failure{start, u"開始タグのない終了タグ </" + name + u"> があります"};
        if (name != current_->Name())
            throw Failure{start, u"終了タグ </" + name + u"> が開始タグ <" +
                                     current_->Name() + u"> と対応していません"};
        SkipSpace();
        Expect(U'>', u"'>' が必要です");
        current_->DropWhitespaceBesideElements();
        current_ = current_->Parent();
        if (!current_)
            rootClosed_ = true;
    }

    void CharacterData()
    {
        if (s_[pos_] == U'&') {
            Reference(text_);
            return;
        }
        while (pos_ < s_.size() && s_[pos_] != U'<' && s_[pos_] != U'&') {
            if (LookingAt("]]>"))
                throw Failure{pos_, u"文字データに ']]>' は使えません"};
            AppendUtf16(text_, s_[pos_++]);
        }
    }

    // A predefined entity or a character reference, appended to `out`.
    void Reference(std::u16string& out)
    {
        const std::size_t start = pos_++;
        if (At(pos_) == U'#') {
            ++pos_;
            const bool hex = At(pos_) == U'x';
            if (hex)
                ++pos_;
            char32_t value = 0;
            std::size_t digits = 0;
            while (true) {
                const char32_t c = At(pos_);
                unsigned digit;
                if (c >= U'0' && c <= U'9')
                    digit = c - U'0';
                else if (hex && c >= U'a' && c <= U'f')
                    digit = c - U'a' + 10;
                else if (hex && c >= U'A' && c <= U'F')
                    digit = c - U'A' + 10;
                else
                    break;
                // Saturate: anything past U+10FFFF is rejected below.
                value = std::min<char32_t>(value * (hex ? 16 : 10) + digit, 0x110000);
                ++digits;
                ++pos_;
            }
            if (digits == 0 || At(pos_) != U';')
                throw Failure{start, u"文字参照が正しくありません"};
            ++pos_;
            if (!IsXmlChar(value))
                throw Failure{start, u"文字参照が XML で使えない文字を指しています"};
            AppendUtf16(out, value);
            return;
        }
        std::u16string name = Name();
        if (At(pos_) != U';')
            throw Failure{start, u"実体参照の後に ';' が必要です"};
        ++pos_;
        static const std::pair<const char16_t*, char16_t> predefined[] = {
            {u"lt", u'<'}, {u"gt", u'>'}, {u"amp", u'&'}, {u"apos", u'\''}, {u"quot", u'"'}};
        for (const auto& [entity, c] : predefined) {
            if (name == entity) {
                out.push_back(c);
                return;
            }
        }
        throw Failure{start, u"未宣言の実体参照 &" + name + u"; があります"};
    }

    // Moves the text gathered since the last tag into the open element.
    // Comments and processing instructions do not split it.
    void FlushText()
    {
        if (!text_.empty() && current_)
            current_->AppendChild(XmlNode::MakeText(std::move(text_)));
        text_.clear();
    }

    // Advances past `terminator`; returns false at the end of the text.
    bool SkipPast(std::string_view terminator)
    {
        while (pos_ < s_.size()) {
            if (LookingAt(terminator)) {
                pos_ += terminator.size();
                return true;
            }
            ++pos_;
        }
        return false;
    }

    void Comment()
    {
        const std::size_t start = pos_;
        pos_ += 4;
        while (true) {
            if (pos_ >= s_.size())
                throw Failure{start, u"コメントが閉じられていません"};
            if (LookingAt("--")) {
                if (At(pos_ + 2) != U'>')
                    throw Failure{pos_, u"コメントの中に '--' は使えません"};
                pos_ += 3;
                return;
            }
            ++pos_;
        }
    }

    void ProcessingInstruction()
    {
        const std::size_t start = pos_;
        pos_ += 2;
        std::u16string target = Name();
        if (target.size() == 3 && (target[0] | 0x20) == u'x' && (target[1] | 0x20) == u'm' &&
            (target[2] | 0x20) == u'l')
            throw Failure{start, u"XML 宣言はファイルの先頭にだけ置けます"};
        if (!LookingAt("?>") && !SkipSpace())
            throw Failure{pos_, u"処理命令が正しくありません"};
        if (!SkipPast("?>"))
            throw Failure{start, u"処理命令が閉じられていません"};
    }

    void CData()
    {
        const std::size_t start = pos_;
        if (!current_)
            throw Failure{start, u"CDATA セクションはルート要素の中にだけ置けます"};
        pos_ += 9;
        const std::size_t body = pos_;
        if (!SkipPast("]]>"))
            throw Failure{start, u"CDATA セクションが閉じられていません"};
        for (std::size_t k = body; k < pos_ - 3; ++k)
            AppendUtf16(text_, s_[k]);
    }

    // Skipped whole, internal subset included; nothing it declares is used.
    void Doctype()
    {
        const std::size_t start = pos_;
        if (root_ || doctypeSeen_)
            throw Failure{start, u"DOCTYPE 宣言はルート要素の前に一度だけ置けます"};
        doctypeSeen_ = true;
        pos_ += 9;
        if (!SkipSpace())
            throw Failure{pos_, u"DOCTYPE 宣言が正しくありません"};
        bool inSubset = false;
        char32_t quote = 0;
        while (true) {
            if (pos_ >= s_.size())
                throw Failure{start, u"DOCTYPE 宣言が閉じられていません"};
            const char32_t c = s_[pos_];
            if (quote) {
                if (c == quote)
                    quote = 0;
                ++pos_;
            } else if (c == U'"' || c == U'\'') {
                quote = c;
                ++pos_;
            } else if (inSubset && LookingAt("<!--")) {
                Comment();
            } else if (inSubset && LookingAt("<?")) {
                ProcessingInstruction();
            } else if (c == U'[' || c == U']') {
                inSubset = c == U'[';
                ++pos_;
            } else if (c == U'>' && !inSubset) {
                ++pos_;
                return;
            } else {
                ++pos_;
            }
        }
    }

    std::u32string s_;
    std::size_t pos_ = 0;
    std::unique_ptr<XmlNode> root_;
    XmlNode* current_ = nullptr;
    bool rootClosed_ = false;
    bool doctypeSeen_ = false;
    std::u16string text_;
};

XmlParseResult Fail(std::u32string_view text, std::size_t index, std::u16string message)
{
    XmlParseResult result;
    result.error.message = std::move(message);
    Locate(text, index, result.error);
    return result;
}

std::u32string AsciiPrefix(std::string_view bytes)
{
    std::u32string text;
    for (char c : bytes)
        text.push_back(static_cast<unsigned char>(c));
    return text;
}

}  // namespace

XmlParseResult ParseXml(std::string_view bytes)
{
    const bool bom = bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF";
    if (bom)
        bytes.remove_prefix(3);

    Encoding encoding = Encoding::Utf8;
    if (DeclarationReader::StartsDeclaration(bytes)) {
        std::string name;
        std::size_t nameIndex = 0;
        try {
            DeclarationReader(bytes).Read(name, nameIndex);
        } catch (const Failure& failure) {
            return Fail(AsciiPrefix(bytes.substr(0, failure.index)), failure.index,
                        failure.message);
        }
        const std::u32string prefix = AsciiPrefix(bytes.substr(0, nameIndex));
        if (IsShiftJisName(name)) {
            if (bom)
                return Fail(prefix, nameIndex,
                            u"バイト順マークは UTF-8 を示していますが、エンコーディングは " +
                                Ascii(name) + u" と宣言されています");
            encoding = Encoding::ShiftJis;
        } else if (!name.empty() && !EqualsIgnoringCase(name, "UTF-8")) {
            return Fail(prefix, nameIndex,
                        u"エンコーディング " + Ascii(name) + u" には対応していません");
        }
    }

    std::u32string text;
    std::size_t badByte = 0;
    bool decoded;
    if (encoding == Encoding::Utf8) {
        decoded = DecodeUtf8(bytes, text, badByte);
    } else {
        std::u16string wide;
        decoded = DecodeShiftJis(bytes, wide, badByte);
        text = Widen(wide);
    }
    if (!decoded) {
        // Everything before the bad byte decoded, so its characters give
        // the position.
        std::u32string before;
        std::size_t ignored = 0;
        if (encoding == Encoding::Utf8) {
            DecodeUtf8(bytes.substr(0, badByte), before, ignored);
        } else {
            std::u16string wide;
            DecodeShiftJis(bytes.substr(0, badByte), wide, ignored);
            before = Widen(wide);
        }
        return Fail(before, before.size(),
                    encoding == Encoding::Utf8 ? u"UTF-8 として正しくないバイト列があります"
                                               : u"Shift_JIS として正しくないバイト列があります");
    }

    for (std::size_t k = 0; k < text.size(); ++k) {
        if (!IsXmlChar(text[k]))
            return Fail(text, k, u"XML で使えない文字 U+" + Hex(text[k]) + u" があります");
    }

    // XML reads CR LF and a lone CR as LF.
    std::size_t out = 0;
    for (std::size_t k = 0; k < text.size(); ++k) {
        if (text[k] == U'\r') {
            text[out++] = U'\n';
            if (k + 1 < text.size() && text[k + 1] == U'\n')
                ++k;
        } else {
            text[out++] = text[k];
        }
    }
    text.resize(out);

    // The declaration was checked above and holds no "?>" inside.
    std::size_t start = 0;
    if (DeclarationReader::StartsDeclaration(bytes)) {
        while (start + 1 < text.size() && !(text[start] == U'?' && text[start + 1] == U'>'))
            ++start;
        start += 2;
    }

    Parser parser(std::move(text));
    XmlParseResult result;
    try {
        result.document.root = parser.Parse(start);
    } catch (const Failure& failure) {
        return Fail(parser.Text(), failure.index, failure.message);
    }
    return result;
}

}  // namespace vesko
