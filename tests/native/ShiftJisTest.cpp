#include "bookmarks/xml/ShiftJis.h"

#include <gtest/gtest.h>

namespace vesko {
namespace {

TEST(ShiftJis, DecodesCodePage932IncludingExtensions)
{
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

TEST(ShiftJis, ReportsTheOffsetOfInvalidBytes)
{
    std::u16string text;
    std::size_t offset = 0;
    EXPECT_FALSE(DecodeShiftJis("ab\x83\x5C\x81\x20", text, offset));
    EXPECT_EQ(offset, 4u);
    EXPECT_FALSE(DecodeShiftJis("ab\x81", text, offset));
    EXPECT_EQ(offset, 2u);
    EXPECT_FALSE(DecodeShiftJis("\xA0", text, offset));
    EXPECT_EQ(offset, 0u);
}

TEST(ShiftJis, EncodesAndRefusesWhatItCannotHold)
{
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
