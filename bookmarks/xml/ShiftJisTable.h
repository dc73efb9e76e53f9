// Code page 932 decoding by table: every character of one or two bytes
// becomes one UTF-16 unit. The double-byte table (ShiftJisTable.cpp) was
// generated from iconv's CP932 by MakeShiftJisTable.cpp; the rest follows
// rules short enough to compute.
#pragma once

namespace vesko {

// Row (1-based) of kShiftJisTable for each lead byte that has one, else 0.
extern const unsigned char kShiftJisRows[256];
// Characters by trail byte (0x40-0x7E, 0x80-0xFC); 0 where there is none.
extern const char16_t kShiftJisTable[][188];

// Returned for bytes that are not a character.
constexpr char16_t kNotShiftJis = 0xFFFF;

inline bool IsShiftJisLeadByte(unsigned char b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }

// A byte that is not a lead byte: ASCII as it is (0x5C stays a backslash),
// 0x80 as U+0080 as Windows reads it, and the half-width katakana.
inline char16_t ShiftJisSingle(unsigned char b) {
    if (b <= 0x80) return b;
    if (b >= 0xA1 && b <= 0xDF) return static_cast<char16_t>(0xFF61 + (b - 0xA1));
    return kNotShiftJis;
}

inline char16_t ShiftJisPair(unsigned char lead, unsigned char trail) {
    if (trail < 0x40 || trail == 0x7F || trail > 0xFC) return kNotShiftJis;
    const unsigned index = trail - 0x40u - (trail > 0x7F ? 1u : 0u);
    // The user-defined rows map in order onto the private use area.
    if (lead >= 0xF0 && lead <= 0xF9) return static_cast<char16_t>(0xE000 + (lead - 0xF0) * 188 + index);
    const unsigned row = kShiftJisRows[lead];
    const char16_t c = row ? kShiftJisTable[row - 1][index] : 0;
    return c ? c : kNotShiftJis;
}

}  // namespace vesko
