#include "bookmarks/xml/BookmarkLevelScan.h"

#include "bookmarks/xml/BookmarkReader.h"
#include "bookmarks/xml/XmlParser.h"
#include "bookmarks/xml/XmlSource.h"

#include <array>
#include <cstdint>
#include <cstring>
#include <utility>

#if defined(_MSC_VER)
#include <intrin.h>
#endif

namespace vesko {
namespace {

using xmlscan::kNone;

// The scan steers by ASCII bytes only, and a byte search for them is safe
// in both encodings the parser reads: every byte of a UTF-8 multi-byte
// character is 0x80 or above, and a Shift_JIS trail byte lies in 0x40-0x7E
// or 0x80-0xFC, which holds none of '<' '>' '/' '?' '!' '-' '"' '\''. It
// does hold '[' and ']', so the end of a CDATA section and the brackets of
// a DOCTYPE are looked for a character at a time.

bool IsSpace(unsigned char b) { return b == ' ' || b == '\t' || b == '\n' || b == '\r'; }

// Bytes that end an element's name in a tag.
constexpr std::array<bool, 256> MakeNameEnds() {
    std::array<bool, 256> ends{};
    for (unsigned char b : {' ', '\t', '\n', '\r', '/', '>', '<', '"', '\'', '='}) ends[b] = true;
    return ends;
}
constexpr std::array<bool, 256> kNameEnds = MakeNameEnds();

// A start tag, from its '<' to after its '>'.
struct Tag {
    std::size_t begin = 0;
    std::size_t nameEnd = 0;
    std::size_t end = 0;
    bool selfClosing = false;
};

enum class Next { kChild, kEnd, kFail };

#if VESKO_XML_SSE2
__m128i Load16(const unsigned char* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }

// The index of the lowest set bit of marks (not 0).
std::size_t LowestBit(unsigned marks) {
#if defined(_MSC_VER)
    unsigned long index;
    _BitScanForward(&index, marks);
    return index;
#else
    return static_cast<std::size_t>(__builtin_ctz(marks));
#endif
}
#endif

// Markup found and stepped over in the file's bytes. Every step answers
// kNone (or false) where the bytes do not make sense to it.
class Scanner {
public:
    Scanner(std::string_view bytes, bool shiftJis, std::size_t depthLimit)
        : source_(bytes, shiftJis ? xmlscan::Encoding::ShiftJis : xmlscan::Encoding::Utf8),
          bytes_(bytes),
          depthLimit_(depthLimit) {}

    // The root's start tag, past what may stand before it from `k` on:
    // space, comments, processing instructions and one DOCTYPE.
    bool Root(std::size_t k, Tag& root) const {
        bool doctype = false;
        while (k != kNone) {
            k = SpaceEnd(k);
            if (At(k) != '<') return false;
            if (!doctype && LookingAt(k, "<!DOCTYPE")) {
                doctype = true;
                k = DoctypeEnd(k);
            } else if (LookingAt(k, "<!--") || At(k + 1) == '?') {
                k = OtherEnd(k);
            } else {
                return At(k + 1) != '!' && StartTag(k, root);
            }
        }
        return false;
    }

    // Whether only space, comments and processing instructions follow `k`.
    bool OnlyMiscFrom(std::size_t k) const {
        while (k != kNone) {
            k = SpaceEnd(k);
            if (k >= bytes_.size()) return true;
            k = LookingAt(k, "<!--") || LookingAt(k, "<?") ? OtherEnd(k) : kNone;
        }
        return false;
    }

    // The next child element of `parent` from `pos` on, past text,
    // comments, processing instructions and CDATA sections; at the
    // parent's end tag, kEnd with `pos` after it.
    Next NextChild(std::size_t& pos, const Tag& parent, Tag& child) const {
        while (true) {
            const std::size_t lt = Find('<', pos);
            if (lt == kNone) return Next::kFail;
            const unsigned char next = At(lt + 1);
            if (next == '/') {
                pos = EndTagEnd(lt, parent);
                return pos == kNone ? Next::kFail : Next::kEnd;
            }
            if (next != '!' && next != '?') return StartTag(lt, child) ? Next::kChild : Next::kFail;
            pos = OtherEnd(lt);
            if (pos == kNone) return Next::kFail;
        }
    }

    // After the element whose start tag is `tag`.
    std::size_t ElementEnd(const Tag& tag) const { return tag.selfClosing ? tag.end : SkipElement(tag); }

    // Whether the parser gives the element a child node: an element, or
    // any character data, which is kept even when blank where no element
    // stands beside it. Comments, processing instructions and empty CDATA
    // sections give none.
    bool HasContent(const Tag& tag) const {
        if (tag.selfClosing) return false;
        for (std::size_t k = tag.end; k < bytes_.size();) {
            if (At(k) != '<') return true;
            if (At(k + 1) == '/') return false;
            if (LookingAt(k, "<![CDATA[")) {
                if (!LookingAt(k + 9, "]]>")) return true;
                k += 12;
            } else if (LookingAt(k, "<!--") || At(k + 1) == '?') {
                k = OtherEnd(k);
            } else {
                return true;
            }
        }
        return false;
    }

    bool StartTag(std::size_t lt, Tag& tag) const;

private:
    std::size_t SkipElement(const Tag& element) const;
    std::size_t SkipPlainTags(std::size_t pos, std::size_t& depth) const;
    std::size_t StepOverTag(std::size_t lt, std::size_t& depth) const;
    std::size_t Find(unsigned char c, std::size_t from) const;
    std::size_t EndTagEnd(std::size_t lt, const Tag& open) const;
    std::size_t OtherEnd(std::size_t lt) const;
    std::size_t DoctypeEnd(std::size_t lt) const;

    unsigned char At(std::size_t k) const { return source_.At(k); }
    bool LookingAt(std::size_t k, std::string_view ascii) const {
        return k <= bytes_.size() && source_.LookingAt(k, ascii);
    }
    std::size_t SpaceEnd(std::size_t k) const {
        while (k < bytes_.size() && IsSpace(At(k))) ++k;
        return k;
    }
    std::size_t After(std::size_t from, std::string_view close) const {
        const std::size_t at = bytes_.find(close, from);
        return at == std::string_view::npos ? kNone : at + close.size();
    }

    xmlscan::Source source_;
    std::string_view bytes_;
    std::size_t depthLimit_;
};

std::size_t Scanner::Find(unsigned char c, std::size_t from) const {
    const unsigned char* data = source_.Data();
    const std::size_t size = bytes_.size();
    std::size_t k = from;
    if (k >= size) return kNone;
#if VESKO_XML_SSE2
    // Sixteen bytes at a time.
    const __m128i wanted = _mm_set1_epi8(static_cast<char>(c));
    for (; size - k >= 16; k += 16) {
        const __m128i block = Load16(data + k);
        const auto marks = static_cast<xmlscan::Marks>(_mm_movemask_epi8(_mm_cmpeq_epi8(block, wanted)));
        if (marks) return k + LowestBit(marks);
    }
#endif
    const void* hit = std::memchr(data + k, c, size - k);
    return hit ? static_cast<std::size_t>(static_cast<const unsigned char*>(hit) - data) : kNone;
}

bool Scanner::StartTag(std::size_t lt, Tag& tag) const {
    const unsigned char* data = source_.Data();
    const std::size_t size = bytes_.size();
    std::size_t k = lt + 1;
    if (k >= size || kNameEnds[data[k]]) return false;
    while (k < size && !kNameEnds[data[k]]) ++k;
    tag.begin = lt;
    tag.nameEnd = k;
    // Attributes: a quoted value may hold a '>'.
    for (; k < size; ++k) {
        const unsigned char b = data[k];
        if (b == '>') {
            tag.selfClosing = data[k - 1] == '/';
            tag.end = k + 1;
            return true;
        }
        if (b == '"' || b == '\'') {
            k = Find(b, k + 1);
            if (k == kNone) return false;
        } else if (b == '<') {
            return false;
        }
    }
    return false;
}

// Where the end tag at `lt` ends, if it closes `open`: the names are
// compared as bytes, which the one encoding of the file makes exact for
// every name but the few characters Shift_JIS spells two ways, which the
// full reading then takes.
std::size_t Scanner::EndTagEnd(std::size_t lt, const Tag& open) const {
    const std::size_t length = open.nameEnd - open.begin - 1;
    std::size_t k = lt + 2;
    if (bytes_.size() - k < length || bytes_.compare(k, length, bytes_.substr(open.begin + 1, length)) != 0)
        return kNone;
    k = SpaceEnd(k + length);
    return At(k) == '>' ? k + 1 : kNone;
}

// Steps over an element by counting the elements opened and closed inside
// it, which in a well-formed file finds its end. Inside it, names are not
// matched (the parser checks them in the pieces it reads, when they are
// read): skipping is nearly all the time a large file's first opening
// takes.
std::size_t Scanner::SkipElement(const Tag& element) const {
    std::size_t depth = 1;  // open elements, the skipped one included
    std::size_t pos = element.end;
    while (true) {
#if VESKO_XML_SSE2
        pos = SkipPlainTags(pos, depth);
        if (depth == 0 || pos == kNone) return pos;
#endif
        const std::size_t lt = Find('<', pos);
        if (lt == kNone) return kNone;
        pos = StepOverTag(lt, depth);
        if (pos == kNone || depth == 0) return pos;
    }
}

// One tag, comment, CDATA section or processing instruction at `lt`, with
// `depth` counted; after it.
std::size_t Scanner::StepOverTag(std::size_t lt, std::size_t& depth) const {
    const unsigned char next = At(lt + 1);
    if (next == '!' || next == '?') return OtherEnd(lt);
    if (next == '/') {
        const std::size_t close = Find('>', lt + 2);
        if (close == kNone) return kNone;
        --depth;
        return close + 1;
    }
    Tag tag;
    if (!StartTag(lt, tag)) return kNone;
    if (!tag.selfClosing) {
        // A child of the root is 2 deep; the root counts 1.
        if (depth + 2 >= depthLimit_) return kNone;
        ++depth;
    }
    return tag.end;
}

#if VESKO_XML_SSE2
// A bit for each of the 64 bytes at p equal to `c`.
std::uint64_t Bits64(const unsigned char* p, __m128i c) {
    const auto a = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(Load16(p), c)));
    const auto b = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(Load16(p + 16), c)));
    const auto d = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(Load16(p + 32), c)));
    const auto e = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(Load16(p + 48), c)));
    return (static_cast<std::uint64_t>(d | e << 16) << 32) | (a | b << 16);
}

std::size_t LowestBit(std::uint64_t marks) {
#if defined(_MSC_VER) && defined(_M_X64)
    unsigned long index;
    _BitScanForward64(&index, marks);
    return index;
#elif defined(_MSC_VER)
    const auto low = static_cast<unsigned>(marks);
    return low ? LowestBit(low) : 32 + LowestBit(static_cast<unsigned>(marks >> 32));
#else
    return static_cast<std::size_t>(__builtin_ctzll(marks));
#endif
}

// The tags that close within 16 bytes of their '<' with no quote before
// their '>' - all but a few in a bookmark file - counted a block at a time,
// with no look at their names. Leaves at the '<' of anything else, near
// the end of the bytes, or after the element when `depth` comes to 0.
std::size_t Scanner::SkipPlainTags(std::size_t pos, std::size_t& depth) const {
    const unsigned char* data = source_.Data();
    const std::size_t size = bytes_.size();
    const __m128i lt = _mm_set1_epi8('<');
    const __m128i gt = _mm_set1_epi8('>');
    const __m128i dq = _mm_set1_epi8('"');
    const __m128i sq = _mm_set1_epi8('\'');
    // Each '<' of the block is looked at on its own, not after the tag
    // before it, so that the processor can work on several at once.
    for (; pos <= size && size - pos >= 80; pos += 64) {
        for (std::uint64_t marks = Bits64(data + pos, lt); marks; marks &= marks - 1) {
            const std::size_t at = pos + LowestBit(marks);
            const unsigned char next = data[at + 1];
            // An end tag holds no '<' and ends the element when it closes
            // the last one open: where it ends matters then only.
            if (next == '/') {
                if (--depth > 0) continue;
                const std::size_t close = Find('>', at + 2);
                return close == kNone ? kNone : close + 1;
            }
            if (next == '!' || next == '?' || kNameEnds[next]) return at;
            const __m128i tag = Load16(data + at + 1);
            const auto ends = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(tag, gt)));
            const auto other = static_cast<unsigned>(_mm_movemask_epi8(
                _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(tag, dq), _mm_cmpeq_epi8(tag, sq)), _mm_cmpeq_epi8(tag, lt))));
            // No '>' close by, or a quote or '<' before it.
            if (!ends || (other & ((ends & (0u - ends)) - 1))) return at;
            if (data[at + LowestBit(ends)] != '/') {
                if (depth + 2 >= depthLimit_) return kNone;
                ++depth;
            }
        }
    }
    return pos;
}
#endif

// After the comment, CDATA section or processing instruction at `lt`.
std::size_t Scanner::OtherEnd(std::size_t lt) const {
    if (LookingAt(lt, "<!--")) return After(lt + 4, "-->");
    if (At(lt + 1) == '?') return After(lt + 2, "?>");
    if (!LookingAt(lt, "<![CDATA[")) return kNone;
    if (source_.GetEncoding() == xmlscan::Encoding::Utf8) return After(lt + 9, "]]>");
    for (std::size_t k = lt + 9; k < bytes_.size(); k += source_.Width(k))
        if (LookingAt(k, "]]>")) return k + 3;
    return kNone;
}

// After the DOCTYPE at `lt`, its internal subset included, as the parser
// reads it.
std::size_t Scanner::DoctypeEnd(std::size_t lt) const {
    std::size_t k = lt + 9;
    if (!IsSpace(At(k))) return kNone;
    bool subset = false;
    unsigned char quote = 0;
    while (k < bytes_.size()) {
        const unsigned char b = At(k);
        if (quote) {
            if (b == quote) quote = 0;
        } else if (b == '"' || b == '\'') {
            quote = b;
        } else if (subset && (LookingAt(k, "<!--") || LookingAt(k, "<?"))) {
            k = OtherEnd(k);
            if (k == kNone) return kNone;
            continue;
        } else if (b == '[' || b == ']') {
            subset = b == '[';
        } else if (b == '>' && !subset) {
            return k + 1;
        }
        k += source_.Width(k);
    }
    return kNone;
}

// By the local name, as IsFolderEntry: after the first colon, which no
// byte of another character can be.
bool IsDirectoryTag(std::string_view bytes, const Tag& tag) {
    std::string_view name = bytes.substr(tag.begin + 1, tag.nameEnd - tag.begin - 1);
    const std::size_t colon = name.find(':');
    if (colon != std::string_view::npos) name.remove_prefix(colon + 1);
    return name == "directory";
}

// The entries of one level: the scan finds their elements, the parser reads
// each from the few bytes that hold what the level shows of it.
class LevelReader {
public:
    LevelReader(std::string_view bytes, std::string_view prefix, bool shiftJis, std::size_t depthLimit)
        : bytes_(bytes), prefix_(prefix), scan_(bytes, shiftJis, depthLimit) {}

    Scanner& Scan() { return scan_; }

    // The entries among the children of `parent` from `pos` on; `pos` ends
    // after the parent's end tag.
    std::optional<std::vector<LevelEntry>> Entries(const Tag& parent, std::size_t& pos) {
        std::vector<LevelEntry> entries;
        Tag child;
        Next next;
        while ((next = scan_.NextChild(pos, parent, child)) == Next::kChild) {
            const std::size_t end = scan_.ElementEnd(child);
            std::optional<LevelEntry> entry;
            if (end == kNone || !ReadEntry(child, end, entry)) return std::nullopt;
            if (entry) entries.push_back(std::move(*entry));
            pos = end;
        }
        if (next == Next::kFail) return std::nullopt;
        return entries;
    }

    // A folder as far as its name: its start tag and its content up to the
    // end of its first child element, closed by its end tag. The first
    // child node, the name, reads the same from these bytes as from the
    // whole, text before that element included. `entriesFrom` is where
    // its entries may begin: after the first child.
    bool ReadFolder(const Tag& tag, std::size_t end, XmlParseResult& parsed, std::size_t& entriesFrom) {
        const std::size_t endTag = bytes_.rfind('<', end - 1);
        if (endTag == std::string_view::npos || endTag < tag.end || bytes_[endTag + 1] != '/') return false;
        std::size_t pos = tag.end;
        Tag first;
        std::size_t firstEnd = kNone;
        if (scan_.NextChild(pos, tag, first) == Next::kChild) {
            firstEnd = scan_.ElementEnd(first);
            if (firstEnd == kNone || firstEnd > endTag) return false;
        }
        if (firstEnd == kNone)
            parsed = Parse(bytes_.substr(tag.begin, end - tag.begin));
        else
            parsed = Parse(bytes_.substr(tag.begin, firstEnd - tag.begin), bytes_.substr(endTag, end - endTag));
        if (!parsed.Ok()) return false;
        const XmlNode* name = parsed.document.root->FirstChild();
        entriesFrom = name && name->IsElement() ? firstEnd : tag.end;
        return true;
    }

    // The bytes parsed as a document of their own, behind the file's
    // declaration, which gives them its encoding.
    XmlParseResult Parse(std::string_view piece, std::string_view closing = {}) {
        buffer_.assign(prefix_.data(), prefix_.size());
        buffer_.append(piece.data(), piece.size());
        buffer_.append(closing.data(), closing.size());
        return ParseXml(buffer_);
    }

private:
    // The child element at [tag.begin, end): an entry, or none for an
    // element without children; false where the scan cannot vouch for it.
    bool ReadEntry(const Tag& tag, std::size_t end, std::optional<LevelEntry>& entry) {
        if (tag.selfClosing) return true;
        const bool folder = IsDirectoryTag(bytes_, tag);
        XmlParseResult parsed;
        std::size_t entriesFrom = tag.end;
        if (folder) {
            if (!ReadFolder(tag, end, parsed, entriesFrom)) return false;
        } else {
            parsed = Parse(bytes_.substr(tag.begin, end - tag.begin));
            if (!parsed.Ok()) return false;
        }
        const XmlNode& element = *parsed.document.root;
        if (element.ChildCount() == 0) return true;
        if (IsFolderEntry(element) != folder) return false;
        entry.emplace();
        entry->begin = tag.begin;
        entry->end = end;
        entry->folder = folder;
        entry->hasEntries = folder && HasEntries(tag, entriesFrom);
        entry->name = EntryName(element);
        return true;
    }

    // Whether a child element of the folder from `pos` on is an entry. The
    // first that has children is, and it is nearly always the first one.
    bool HasEntries(const Tag& folder, std::size_t pos) {
        Tag child;
        while (scan_.NextChild(pos, folder, child) == Next::kChild) {
            if (scan_.HasContent(child)) return true;
            pos = scan_.ElementEnd(child);
            if (pos == kNone) return false;
        }
        return false;
    }

    std::string_view bytes_;
    std::string_view prefix_;
    Scanner scan_;
    std::string buffer_;  // the piece being parsed, its memory reused
};

}  // namespace

BookmarkLevelScan::BookmarkLevelScan(std::string_view bytes, std::size_t depthLimit)
    : bytes_(bytes), depthLimit_(depthLimit) {
    std::size_t end = bytes.substr(0, 3) == "\xEF\xBB\xBF" ? 3 : 0;
    const std::string_view body = bytes.substr(end);
    if (body.size() > 5 && body.substr(0, 5) == "<?xml" && IsSpace(static_cast<unsigned char>(body[5]))) {
        const std::size_t close = body.find("?>");
        if (close == std::string_view::npos) return;
        end += close + 2;
    }
    prefix_ = std::string(bytes.substr(0, end));
    // The declaration names the encoding, and only the parser knows every
    // name it accepts: a Shift_JIS character, which is no UTF-8, tells.
    readable_ = ParseXml(prefix_ + "<a/>").Ok();
    shiftJis_ = readable_ && ParseXml(prefix_ + "<a>\x82\xA0</a>").Ok();
}

std::optional<std::vector<LevelEntry>> BookmarkLevelScan::TopLevel() const {
    if (!readable_) return std::nullopt;
    LevelReader reader(bytes_, prefix_, shiftJis_, depthLimit_);
    Tag root;
    if (!reader.Scan().Root(prefix_.size(), root)) return std::nullopt;
    std::size_t end = root.end;
    std::optional<std::vector<LevelEntry>> entries =
        root.selfClosing ? std::vector<LevelEntry>() : reader.Entries(root, end);
    if (!entries || !reader.Scan().OnlyMiscFrom(end)) return std::nullopt;
    return entries;
}

std::optional<std::vector<LevelEntry>> BookmarkLevelScan::FolderLevel(std::size_t begin, std::size_t end) const {
    if (!readable_ || begin >= end || end > bytes_.size()) return std::nullopt;
    LevelReader reader(bytes_, prefix_, shiftJis_, depthLimit_);
    Tag tag;
    XmlParseResult name;
    std::size_t pos = 0;
    if (!reader.Scan().StartTag(begin, tag) || tag.selfClosing || !reader.ReadFolder(tag, end, name, pos))
        return std::nullopt;
    std::optional<std::vector<LevelEntry>> entries = reader.Entries(tag, pos);
    if (pos != end) return std::nullopt;
    return entries;
}

std::u16string BookmarkLevelScan::Url(std::size_t begin, std::size_t end) const {
    if (!readable_ || begin >= end || end > bytes_.size()) return std::u16string();
    LevelReader reader(bytes_, prefix_, shiftJis_, depthLimit_);
    const XmlParseResult parsed = reader.Parse(bytes_.substr(begin, end - begin));
    return parsed.Ok() ? BookmarkUrl(*parsed.document.root) : std::u16string();
}

}  // namespace vesko
