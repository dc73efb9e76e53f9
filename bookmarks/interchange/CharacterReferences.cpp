#include "bookmarks/interchange/CharacterReferences.h"

#include "bookmarks/interchange/InterchangeText.h"

#include <cstddef>
#include <iterator>

namespace vesko {
namespace {

// U+00A0 to U+00FF, in order.
constexpr const char* kLatin1Names[] = {
    "nbsp",   "iexcl",  "cent",   "pound",  "curren", "yen",    "brvbar", "sect",   "uml",    "copy",   "ordf",
    "laquo",  "not",    "shy",    "reg",    "macr",   "deg",    "plusmn", "sup2",   "sup3",   "acute",  "micro",
    "para",   "middot", "cedil",  "sup1",   "ordm",   "raquo",  "frac14", "frac12", "frac34", "iquest", "Agrave",
    "Aacute", "Acirc",  "Atilde", "Auml",   "Aring",  "AElig",  "Ccedil", "Egrave", "Eacute", "Ecirc",  "Euml",
    "Igrave", "Iacute", "Icirc",  "Iuml",   "ETH",    "Ntilde", "Ograve", "Oacute", "Ocirc",  "Otilde", "Ouml",
    "times",  "Oslash", "Ugrave", "Uacute", "Ucirc",  "Uuml",   "Yacute", "THORN",  "szlig",  "agrave", "aacute",
    "acirc",  "atilde", "auml",   "aring",  "aelig",  "ccedil", "egrave", "eacute", "ecirc",  "euml",   "igrave",
    "iacute", "icirc",  "iuml",   "eth",    "ntilde", "ograve", "oacute", "ocirc",  "otilde", "ouml",   "divide",
    "oslash", "ugrave", "uacute", "ucirc",  "uuml",   "yacute", "thorn",  "yuml"};
static_assert(std::size(kLatin1Names) == 0x100 - 0xA0, "one name per character from U+00A0");

struct NamedReference {
    const char* name;
    char16_t value;
};

constexpr NamedReference kOtherNames[] = {
    {"amp", u'&'},      {"lt", u'<'},       {"gt", u'>'},       {"quot", u'"'},     {"apos", u'\''},
    {"AMP", u'&'},      {"LT", u'<'},       {"GT", u'>'},       {"QUOT", u'"'},     {"euro", 0x20AC},
    {"hellip", 0x2026}, {"ndash", 0x2013},  {"mdash", 0x2014},  {"lsquo", 0x2018},  {"rsquo", 0x2019},
    {"sbquo", 0x201A},  {"ldquo", 0x201C},  {"rdquo", 0x201D},  {"bdquo", 0x201E},  {"bull", 0x2022},
    {"trade", 0x2122},  {"dagger", 0x2020}, {"Dagger", 0x2021}, {"permil", 0x2030}, {"lsaquo", 0x2039},
    {"rsaquo", 0x203A}, {"OElig", 0x0152},  {"oelig", 0x0153},  {"Scaron", 0x0160}, {"scaron", 0x0161},
    {"Yuml", 0x0178},   {"fnof", 0x0192},   {"circ", 0x02C6},   {"tilde", 0x02DC},  {"ensp", 0x2002},
    {"emsp", 0x2003},   {"thinsp", 0x2009}, {"zwnj", 0x200C},   {"zwj", 0x200D},    {"lrm", 0x200E},
    {"rlm", 0x200F},    {"larr", 0x2190},   {"uarr", 0x2191},   {"rarr", 0x2192},   {"darr", 0x2193}};

// What windows-1252 has at 0x80 to 0x9F (the five it leaves out stay).
constexpr char16_t kWindows1252High[] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                         0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                         0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                         0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

constexpr std::size_t kLongestName = 6;

bool IsAsciiAlnum(char16_t c) {
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9');
}

bool NameIs(std::u16string_view name, const char* ascii) {
    std::size_t k = 0;
    for (; k < name.size() && ascii[k] != '\0'; ++k)
        if (name[k] != static_cast<unsigned char>(ascii[k])) return false;
    return k == name.size() && ascii[k] == '\0';
}

bool LookUpName(std::u16string_view name, char16_t& value) {
    for (std::size_t k = 0; k < std::size(kLatin1Names); ++k) {
        if (NameIs(name, kLatin1Names[k])) {
            value = static_cast<char16_t>(0xA0 + k);
            return true;
        }
    }
    for (const NamedReference& reference : kOtherNames) {
        if (NameIs(name, reference.name)) {
            value = reference.value;
            return true;
        }
    }
    return false;
}

int DigitValue(char16_t c, bool hex) {
    if (c >= u'0' && c <= u'9') return c - u'0';
    if (hex && c >= u'a' && c <= u'f') return c - u'a' + 10;
    if (hex && c >= u'A' && c <= u'F') return c - u'A' + 10;
    return -1;
}

void AppendReferencedCharacter(char32_t c, std::u16string& out) {
    if (c == 0 || (c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF) {
        out.push_back(kReplacement);
    } else if (c >= 0x80 && c <= 0x9F) {
        out.push_back(kWindows1252High[c - 0x80]);
    } else if (c < 0x10000) {
        out.push_back(static_cast<char16_t>(c));
    } else {
        out.push_back(static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10)));
        out.push_back(static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF)));
    }
}

// `at` is just past "&#". Returns where the reference ends, or 0 when it
// is malformed.
std::size_t ReadNumericReference(std::u16string_view text, std::size_t at, std::u16string& out) {
    const bool hex = at < text.size() && (text[at] == u'x' || text[at] == u'X');
    if (hex) ++at;
    const std::size_t first = at;
    char32_t value = 0;
    for (int digit = 0; at < text.size() && (digit = DigitValue(text[at], hex)) >= 0; ++at) {
        // Past U+10FFFF it is no character however long it goes on.
        value = value > 0x10FFFF ? value : value * (hex ? 16 : 10) + static_cast<char32_t>(digit);
    }
    if (at == first || at >= text.size() || text[at] != u';') return 0;
    AppendReferencedCharacter(value, out);
    return at + 1;
}

// `at` is just past "&". Returns where the reference ends, or 0.
std::size_t ReadNamedReference(std::u16string_view text, std::size_t at, std::u16string& out) {
    const std::size_t first = at;
    while (at < text.size() && at - first <= kLongestName && IsAsciiAlnum(text[at])) ++at;
    char16_t value = 0;
    if (at >= text.size() || text[at] != u';' || !LookUpName(text.substr(first, at - first), value)) return 0;
    out.push_back(value);
    return at + 1;
}

}  // namespace

std::u16string DecodeCharacterReferences(std::u16string_view text) {
    std::u16string out;
    out.reserve(text.size());
    std::size_t k = 0;
    while (k < text.size()) {
        const std::size_t amp = text.find(u'&', k);
        if (amp == std::u16string_view::npos) {
            out.append(text.substr(k));
            break;
        }
        out.append(text.substr(k, amp - k));
        const bool numeric = amp + 1 < text.size() && text[amp + 1] == u'#';
        const std::size_t end =
            numeric ? ReadNumericReference(text, amp + 2, out) : ReadNamedReference(text, amp + 1, out);
        if (end == 0) {
            out.push_back(u'&');
            k = amp + 1;
        } else {
            k = end;
        }
    }
    return out;
}

}  // namespace vesko
