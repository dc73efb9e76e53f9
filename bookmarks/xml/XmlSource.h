// Byte-level scanning for the XML parser: what each byte is, runs of ASCII
// a block at a time, and a document's bytes read as characters of its
// encoding.
#pragma once

#include "bookmarks/xml/ShiftJisTable.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#if defined(__SSE2__) || defined(_M_X64) || (defined(_M_IX86_FP) && _M_IX86_FP >= 2)
#include <emmintrin.h>
#define VESKO_XML_SSE2 1
#endif

namespace vesko {
namespace xmlscan {

constexpr std::size_t kNone = static_cast<std::size_t>(-1);

// What the scanning loops need to know of each byte, in one lookup.
enum ByteClass : unsigned char {
    kAllowed = 1,  // ASCII that XML allows
    kPlain = 2,    // copied as it is into character data
    kSpace = 4,
    kNameStart = 8,  // ASCII that may start a name
    kName = 16,      // ASCII that may continue a name
};

constexpr std::array<unsigned char, 256> MakeByteClasses() {
    std::array<unsigned char, 256> classes{};
    for (int b = 0; b < 0x80; ++b) {
        const bool space = b == ' ' || b == '\t' || b == '\n' || b == '\r';
        const bool letter = (b >= 'a' && b <= 'z') || (b >= 'A' && b <= 'Z') || b == '_' || b == ':';
        const bool allowed = b >= 0x20 || space;
        unsigned char c = 0;
        if (allowed) c |= kAllowed;
        if (allowed && b != '<' && b != '&' && b != ']' && b != '\r') c |= kPlain;
        if (space) c |= kSpace;
        if (letter) c |= kNameStart | kName;
        if ((b >= '0' && b <= '9') || b == '-' || b == '.') c |= kName;
        classes[static_cast<std::size_t>(b)] = c;
    }
    return classes;
}

inline constexpr std::array<unsigned char, 256> kByteClasses = MakeByteClasses();

inline bool HasClass(unsigned char b, ByteClass c) { return (kByteClasses[b] & c) != 0; }

#if VESKO_XML_SSE2

// Sixteen bytes at a time, a bit for each byte that may be outside class
// `c` (kAllowed or kPlain). Whitespace controls are in both classes but
// marked, and take the slow path.
using Marks = unsigned;
constexpr std::size_t kBlockBytes = 16;

inline Marks BlockMarks(const unsigned char* p, ByteClass c) {
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    // Compared as signed, bytes from 0x80 up are below 0x20 too.
    __m128i marks = _mm_cmplt_epi8(bytes, _mm_set1_epi8(0x20));
    if (c == kPlain) {
        marks = _mm_or_si128(marks, _mm_cmpeq_epi8(bytes, _mm_set1_epi8('<')));
        marks = _mm_or_si128(marks, _mm_cmpeq_epi8(bytes, _mm_set1_epi8('&')));
        marks = _mm_or_si128(marks, _mm_cmpeq_epi8(bytes, _mm_set1_epi8(']')));
    }
    return static_cast<Marks>(_mm_movemask_epi8(marks));
}

// Index of the lowest set bit (marks != 0), by a de Bruijn sequence.
inline std::size_t FirstMarkedByte(Marks marks) {
    static constexpr unsigned char positions[32] = {0,  1,  28, 2,  29, 14, 24, 3, 30, 22, 20, 15, 25, 17, 4,  8,
                                                    31, 27, 13, 23, 21, 19, 16, 7, 26, 12, 18, 6,  11, 5,  10, 9};
    const std::uint32_t lowest = marks & (0u - marks);
    return positions[static_cast<std::uint32_t>(lowest * 0x077CB531u) >> 27];
}

#else

// A word at a time where there is no SSE2.
using Marks = std::size_t;
constexpr std::size_t kBlockBytes = sizeof(Marks);
constexpr Marks kOnes = ~Marks{0} / 0xFF;
constexpr Marks kHighBits = kOnes * 0x80;

// The high bit of each byte below n (n <= 0x80). Exact for the lowest
// such byte; a borrow may mark bytes above it.
inline Marks BytesBelow(Marks w, unsigned n) { return (w - kOnes * n) & ~w & kHighBits; }
inline Marks BytesEqual(Marks w, unsigned char b) { return BytesBelow(w ^ (kOnes * b), 1); }

// As above: the lowest mark is the first byte that may be outside `c`.
inline Marks BlockMarks(const unsigned char* p, ByteClass c) {
    Marks w;
    std::memcpy(&w, p, sizeof w);
    Marks marks = (w & kHighBits) | BytesBelow(w, 0x20);
    if (c == kPlain) marks |= BytesEqual(w, '<') | BytesEqual(w, '&') | BytesEqual(w, ']');
    return marks;
}

// Index of the lowest marked byte (marks != 0) on a little-endian machine:
// the lowest mark, as 1 << 8i, times bytes W-1 ... 0 brings i to the top.
constexpr Marks MakeIndexMagic() {
    Marks magic = 0;
    for (std::size_t k = 0; k < sizeof(Marks); ++k) magic |= static_cast<Marks>(sizeof(Marks) - 1 - k) << (8 * k);
    return magic;
}

inline std::size_t FirstMarkedByte(Marks marks) {
    const Marks lowest = marks & (0 - marks);
    return static_cast<std::size_t>(((lowest >> 7) * MakeIndexMagic()) >> (8 * (sizeof(Marks) - 1)));
}

#endif

inline bool IsXmlSpace(char32_t c) { return c == U' ' || c == U'\t' || c == U'\n' || c == U'\r'; }

enum class Encoding { Utf8, ShiftJis };

// The document's bytes and how they make characters. Only DecodeChecked
// may meet invalid input; the rest run after the whole text was checked.
class Source {
public:
    Source(std::string_view bytes, Encoding encoding) : bytes_(bytes), encoding_(encoding) {}

    std::size_t Size() const { return bytes_.size(); }
    Encoding GetEncoding() const { return encoding_; }
    // For the scanning loops, which keep their own bounds.
    const unsigned char* Data() const { return reinterpret_cast<const unsigned char*>(bytes_.data()); }
    // The end of the run of bytes of class `c` that starts at k.
    std::size_t RunEnd(std::size_t k, ByteClass c) const {
        const unsigned char* p = Data() + k;
        const unsigned char* end = Data() + bytes_.size();
        while (p < end && HasClass(*p, c)) ++p;
        return static_cast<std::size_t>(p - Data());
    }

    // The same for the long runs, kAllowed or kPlain, a block at a time.
    std::size_t LongRunEnd(std::size_t k, ByteClass c) const {
        const unsigned char* p = Data() + k;
        const unsigned char* end = Data() + bytes_.size();
        while (static_cast<std::size_t>(end - p) >= kBlockBytes) {
            const Marks marks = BlockMarks(p, c);
            if (!marks) {
                p += kBlockBytes;
                continue;
            }
            p += FirstMarkedByte(marks);
            if (!HasClass(*p, c)) return static_cast<std::size_t>(p - Data());
            ++p;
        }
        while (p < end && HasClass(*p, c)) ++p;
        return static_cast<std::size_t>(p - Data());
    }
    // The end of the run of valid non-ASCII Shift_JIS characters that starts
    // at k; every one of them is an XML character.
    std::size_t ShiftJisRunEnd(std::size_t k) const {
        const unsigned char* p = Data();
        const std::size_t size = bytes_.size();
        while (k < size && p[k] >= 0x80) {
            const bool pair = IsShiftJisLeadByte(p[k]);
            if (pair && (k + 1 >= size || ShiftJisPair(p[k], p[k + 1]) == kNotShiftJis)) break;
            if (!pair && ShiftJisSingle(p[k]) == kNotShiftJis) break;
            k += pair ? 2 : 1;
        }
        return k;
    }

    // 0 past the end, which no test for markup matches.
    unsigned char At(std::size_t k) const { return k < bytes_.size() ? static_cast<unsigned char>(bytes_[k]) : 0; }
    std::string_view View(std::size_t begin, std::size_t end) const { return bytes_.substr(begin, end - begin); }
    bool LookingAt(std::size_t k, std::string_view ascii) const {
        return bytes_.size() - k >= ascii.size() && bytes_.compare(k, ascii.size(), ascii) == 0;
    }
    // First `c` at or after `from`, for bytes that no multi-byte character holds.
    std::size_t Find(char c, std::size_t from) const {
        const void* hit = std::memchr(bytes_.data() + from, c, bytes_.size() - from);
        return hit ? static_cast<const char*>(hit) - bytes_.data() : kNone;
    }

    // Bytes taken by the character at k.
    std::size_t Width(std::size_t k) const {
        const unsigned char b = At(k);
        if (b < 0x80) return 1;
        if (encoding_ == Encoding::ShiftJis) return IsShiftJisLeadByte(b) ? 2 : 1;
        return b < 0xE0 ? 2 : b < 0xF0 ? 3 : 4;
    }

    // The character at k, and its width.
    char32_t Decode(std::size_t k, std::size_t& width) const {
        width = Width(k);
        const unsigned char b = At(k);
        if (encoding_ == Encoding::ShiftJis) return width == 2 ? ShiftJisPair(b, At(k + 1)) : ShiftJisSingle(b);
        if (width == 1) return b;
        char32_t c = b & (0x7F >> width);
        for (std::size_t m = 1; m < width; ++m) c = (c << 6) | (At(k + m) & 0x3F);
        return c;
    }

    // Like Decode, for bytes not yet checked: false when they are no character.
    bool DecodeChecked(std::size_t k, char32_t& c, std::size_t& width) const {
        return encoding_ == Encoding::ShiftJis ? ShiftJisChecked(k, c, width) : Utf8Checked(k, c, width);
    }

private:
    bool ShiftJisChecked(std::size_t k, char32_t& c, std::size_t& width) const {
        const unsigned char b = At(k);
        width = IsShiftJisLeadByte(b) ? 2 : 1;
        if (width == 2 && k + 1 >= bytes_.size()) return false;
        c = width == 2 ? ShiftJisPair(b, At(k + 1)) : ShiftJisSingle(b);
        return c != kNotShiftJis;
    }

    bool Utf8Checked(std::size_t k, char32_t& c, std::size_t& width) const {
        const unsigned char lead = At(k);
        static const char32_t minimum[] = {0, 0, 0x80, 0x800, 0x10000};
        width = (lead & 0x80) == 0      ? 1
                : (lead & 0xE0) == 0xC0 ? 2
                : (lead & 0xF0) == 0xE0 ? 3
                : (lead & 0xF8) == 0xF0 ? 4
                                        : 0;
        if (width == 0 || bytes_.size() - k < width) return false;
        c = width == 1 ? lead : lead & (0x7F >> width);
        for (std::size_t m = 1; m < width; ++m) {
            const unsigned char next = At(k + m);
            if ((next & 0xC0) != 0x80) return false;
            c = (c << 6) | (next & 0x3F);
        }
        return c >= minimum[width] && c <= 0x10FFFF && !(c >= 0xD800 && c <= 0xDFFF);
    }

    std::string_view bytes_;
    Encoding encoding_;
};

}  // namespace xmlscan
}  // namespace vesko
