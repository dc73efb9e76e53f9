#include "bookmarks/xml/ShiftJis.h"

#include <gtest/gtest.h>
#include <iconv.h>

namespace vesko {
namespace {

TEST(ShiftJis, DecodesCodePage932IncludingExtensions) {
    std::u16string text;
    std::size_t offset = 99;
    // ASCII (0x5C stays a backslash), half-width kana, kanji, "ソ" with a
    // 0x5C trail byte, NEC "①" (87 40), NEC-selected IBM "纊" (ED 40) and
    // IBM "髙" (FB FC).
    ASSERT_TRUE(DecodeShiftJis("a\\~\xB1\x8A\xBF\x83\x5C\x87\x40\xED\x40\xFB\xFC", text, offset));
    EXPECT_EQ(text, u"a\\~ｱ漢ソ①纊髙");
    ASSERT_TRUE(DecodeShiftJis("", text, offset));
    EXPECT_EQ(text, u"");
}

TEST(ShiftJis, ReportsTheOffsetOfInvalidBytes) {
    std::u16string text;
    std::size_t offset = 0;
    EXPECT_FALSE(DecodeShiftJis("ab\x83\x5C\x81\x20", text, offset));
    EXPECT_EQ(offset, 4u);
    EXPECT_FALSE(DecodeShiftJis("ab\x81", text, offset));
    EXPECT_EQ(offset, 2u);
    EXPECT_FALSE(DecodeShiftJis("\xA0", text, offset));
    EXPECT_EQ(offset, 0u);
}

// What iconv's CP932 makes of `bytes`: one unit, or nothing when it refuses.
std::u16string IconvDecode(iconv_t cd, std::string bytes) {
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    char out[8];
    char* in = bytes.data();
    char* outPtr = out;
    std::size_t inLeft = bytes.size();
    std::size_t outLeft = sizeof out;
    if (iconv(cd, &in, &inLeft, &outPtr, &outLeft) == static_cast<std::size_t>(-1) || inLeft) return {};
    std::u16string units;
    for (std::size_t k = 0; k + 1 < sizeof out - outLeft; k += 2) {
        units.push_back(
            static_cast<char16_t>(static_cast<unsigned char>(out[k]) | static_cast<unsigned char>(out[k + 1]) << 8));
    }
    return units;
}

TEST(ShiftJis, DecodesEveryCharacterAsIconvCp932Does) {
    iconv_t cd = iconv_open("UTF-16LE", "CP932");
    ASSERT_NE(cd, reinterpret_cast<iconv_t>(-1));
    std::u16string ours;
    std::size_t offset = 0;
    for (int b = 0; b < 0x100; ++b) {
        const std::string one(1, static_cast<char>(b));
        const bool ok = DecodeShiftJis(one, ours, offset);
        // Windows reads a lone 0x80 as U+0080, where iconv refuses it.
        const std::u16string expected = b == 0x80 ? u"\u0080" : IconvDecode(cd, one);
        EXPECT_EQ(ok ? ours : u"", expected) << std::hex << b;
        for (int trail = 0; trail < 0x100; ++trail) {
            const std::string two{static_cast<char>(b), static_cast<char>(trail)};
            if (!DecodeShiftJis(two, ours, offset) || ours.size() != 1) ours.clear();
            ASSERT_EQ(ours, ok ? u"" : IconvDecode(cd, two)) << std::hex << b << ' ' << trail;
        }
    }
    iconv_close(cd);
}

TEST(ShiftJis, EncodesAndRefusesWhatItCannotHold) {
    std::string bytes;
    ASSERT_TRUE(EncodeShiftJis(u"a\\ｱ漢ソ①髙", bytes));
    EXPECT_EQ(bytes, "a\\\xB1\x8A\xBF\x83\x5C\x87\x40\xFB\xFC");
    EXPECT_FALSE(EncodeShiftJis(u"x\U0001F600", bytes));
    EXPECT_FALSE(EncodeShiftJis(u"\u00E9", bytes));
    const char16_t lone[] = {u'a', 0xD800, 0};
    EXPECT_FALSE(EncodeShiftJis(lone, bytes));
    ASSERT_TRUE(EncodeShiftJis(u"", bytes));
    EXPECT_EQ(bytes, "");
}

}  // namespace
}  // namespace vesko
