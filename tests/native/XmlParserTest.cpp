#include "bookmarks/xml/XmlParser.h"

#include "tests/native/SmallStack.h"
#include "tests/native/TestSupport.h"

#include <gtest/gtest.h>

namespace vesko {
namespace {

const char kShiftJisDeclaration[] = "<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>\n";

XmlParseResult ParseOk(const std::string& text) {
    XmlParseResult result = ParseXml(text);
    EXPECT_TRUE(result.Ok()) << "line " << result.error.line << ", column " << result.error.column << ": "
                             << Utf8(result.error.message);
    return result;
}

struct ErrorCase {
    const char* what;
    std::string input;
    std::size_t line;
    std::size_t column;
    const char16_t* mentions;  // a piece the message must contain, or nullptr
};

void ExpectErrors(const std::vector<ErrorCase>& cases) {
    for (const ErrorCase& c : cases) {
        SCOPED_TRACE(c.what);
        XmlParseResult result = ParseXml(c.input);
        ASSERT_FALSE(result.Ok());
        EXPECT_EQ(result.document.root, nullptr);
        EXPECT_FALSE(result.error.message.empty());
        EXPECT_EQ(result.error.line, c.line) << Utf8(result.error.message);
        EXPECT_EQ(result.error.column, c.column) << Utf8(result.error.message);
        if (c.mentions) {
            EXPECT_NE(result.error.message.find(c.mentions), std::u16string::npos) << Utf8(result.error.message);
        }
    }
}

TEST(XmlParser, ReadsElementsTextAndStructure) {
    XmlParseResult result = ParseOk("<?xml version=\"1.0\"?>\n<root><a>one</a><b><c>two</c>three</b><empty/></root>");
    const XmlNode& root = *result.document.root;
    EXPECT_EQ(root.Name(), u"root");
    ASSERT_EQ(root.ChildCount(), 3u);
    EXPECT_EQ(root.ChildAt(0)->Name(), u"a");
    EXPECT_EQ(root.ChildAt(0)->Text(), u"one");
    const XmlNode& b = *root.ChildAt(1);
    ASSERT_EQ(b.ChildCount(), 2u);
    EXPECT_TRUE(b.FirstChild()->IsElement());
    EXPECT_FALSE(b.LastChild()->IsElement());
    EXPECT_EQ(b.LastChild()->Value(), u"three");
    EXPECT_EQ(b.Text(), u"twothree");
    EXPECT_EQ(root.ChildAt(2)->Name(), u"empty");
    EXPECT_EQ(root.ChildAt(2)->ChildCount(), 0u);
    EXPECT_EQ(root.Text(), u"onetwothree");
}

TEST(XmlParser, ReferencesCDataCommentsAndInstructions) {
    XmlParseResult result = ParseOk(
        "<r>&lt;&gt;&amp;&apos;&quot;|&#65;&#x42;&#x3042;&#x1F600;|"
        "<![CDATA[<b>&amp;]]]]>|x<!-- skipped -->y<?pi data?>z</r>");
    EXPECT_EQ(result.document.root->Text(), u"<>&'\"|AB\u3042\U0001F600|<b>&amp;]]|xyz");
    // Comments and instructions do not split the text.
    EXPECT_EQ(result.document.root->ChildCount(), 1u);
}

TEST(XmlParser, AttributesAreCheckedAndDropped) {
    XmlParseResult result = ParseOk("<r a=\"1\" b='x&amp;y' c = \"&#x41;\"><s z=''/></r>");
    EXPECT_EQ(result.document.root->ChildCount(), 1u);
    ExpectErrors({
        {"duplicate attribute", "<r a='1' a='2'/>", 1, 1, u"a"},
        {"unquoted value", "<r a=1/>", 1, 6, nullptr},
        {"'<' in value", "<r a='<'/>", 1, 7, nullptr},
        {"no space between attributes", "<r a='1'b='2'/>", 1, 9, nullptr},
        {"unclosed value", "<r a='1/>", 1, 6, nullptr},
    });
}

TEST(XmlParser, WhitespaceBesideElementsIsDropped) {
    XmlParseResult result = ParseOk("<r>\n  \t<a> </a>\r\n   <b>\n x \n</b>   </r>");
    const XmlNode& root = *result.document.root;
    ASSERT_EQ(root.ChildCount(), 2u);
    EXPECT_EQ(root.ChildAt(0)->Name(), u"a");
    // An element's whole content stays, even when it is only spaces.
    EXPECT_EQ(root.ChildAt(0)->Text(), u" ");
    EXPECT_EQ(root.ChildAt(1)->Text(), u"\n x \n");

    // Mixed content keeps its text, split by elements only; the blank runs
    // beside them go, however they were written.
    XmlParseResult mixed = ParseOk("<m>\n  <a/> x <!-- c -->&#9;<b/>&#32;</m>");
    const XmlNode& m = *mixed.document.root;
    ASSERT_EQ(m.ChildCount(), 3u);
    EXPECT_EQ(m.ChildAt(1)->Value(), u" x \t");
    EXPECT_EQ(m.ChildAt(1)->NextSibling(), m.ChildAt(2));
    EXPECT_EQ(m.ChildAt(2)->Name(), u"b");
}

TEST(XmlParser, LineEndsBecomeLineFeeds) {
    XmlParseResult result = ParseOk("<r>a\r\nb\rc&#xD;</r>");
    EXPECT_EQ(result.document.root->Text(), u"a\nb\nc\r");
    ExpectErrors({{"positions after CR LF", "<r>\r\n\r\n  </x>", 3, 3, u"x"}});
}

TEST(XmlParser, BlockScanStopsAtEveryMarkedByteAtEveryOffset) {
    // XmlSource.h's LongRunEnd passes over kBlockBytes at a time and must
    // stop at every byte BlockMarks marks: below 0x20 or from 0x80 for both
    // scans, and '<', '&', ']' for character data. Each byte whose stop
    // shows in the result goes at every offset 0..31 of a run of plain text
    // (every lane of a first and a second block), with a long run behind it
    // (always in a full block) or none (in the input's last block or tail).
    const std::string run(32, 'x');
    const std::string pad(32, 'y');
    auto wide = [](const std::string& ascii) { return std::u16string(ascii.begin(), ascii.end()); };
    // Character data: the kPlain scan (and kAllowed from 0x80). An empty
    // piece tests the '<' of the end tag; "]]>" must be refused.
    const std::pair<std::string, std::u16string> pieces[] = {{"", u""},     {"<b/>", u""},   {"&amp;", u"&"},
                                                             {"\r", u"\n"}, {"\r\n", u"\n"}, {"\xC3\xA9", u"\u00E9"},
                                                             {"]]>", u""}};
    for (const auto& [piece, read] : pieces) {
        for (const std::string& tail : {std::string(), pad}) {
            for (std::size_t offset = 0; offset < run.size(); ++offset) {
                const std::string before = run.substr(0, offset);
                SCOPED_TRACE(testing::PrintToString(piece) + " at " + std::to_string(offset) + ", tail " +
                             std::to_string(tail.size()));
                const XmlParseResult result = ParseXml("<a>" + before + piece + tail + "</a>");
                if (piece == "]]>") {
                    ASSERT_FALSE(result.Ok());
                    ASSERT_EQ(result.error.column, 4 + offset) << Utf8(result.error.message);
                    continue;
                }
                ASSERT_TRUE(result.Ok()) << Utf8(result.error.message);
                ASSERT_EQ(Utf8(result.document.root->Text()), Utf8(wide(before) + read + wide(tail)));
            }
        }
    }
    // Every byte XML refuses in UTF-8 (controls; from 0x80 alone, never a
    // character), which only the kAllowed scan of the whole input stops at.
    // They stand in a comment, which nothing else reads byte by byte (in
    // character data a missed control would hang the parser rather than
    // fail), before a long run or as the input's last byte.
    for (unsigned b = 0; b < 0x100; ++b) {
        if ((b >= 0x20 && b < 0x80) || b == '\t' || b == '\n' || b == '\r') continue;
        for (const std::string& tail : {std::string(), pad + "--></a>"}) {
            for (std::size_t offset = 0; offset < run.size(); ++offset) {
                SCOPED_TRACE("byte " + std::to_string(b) + " at " + std::to_string(offset) + ", tail " +
                             std::to_string(tail.size()));
                const XmlParseResult result = ParseXml("<a><!--" + run.substr(0, offset) + static_cast<char>(b) + tail);
                ASSERT_FALSE(result.Ok());
                ASSERT_EQ(result.error.column, 8 + offset) << Utf8(result.error.message);
            }
        }
    }
}

TEST(XmlParser, HonoursDeclaredEncodings) {
    // "ソ表" in Shift_JIS: both trail bytes are 0x5C, a backslash in ASCII.
    const std::string sjisText = "\x83\x5C\x95\x5C";
    for (const char* name : {"Shift_JIS", "shift_jis", "SHIFT-JIS", "sjis", "x-sjis", "Windows-31J", "CP932"}) {
        SCOPED_TRACE(name);
        XmlParseResult result =
            ParseOk(std::string("<?xml version=\"1.0\" encoding=\"") + name + "\"?><r>" + sjisText + "</r>");
        EXPECT_EQ(result.document.root->Text(), u"ソ表");
    }
    EXPECT_EQ(ParseOk("<r>\xE3\x81\x82</r>").document.root->Text(), u"あ");
    EXPECT_EQ(ParseOk("\xEF\xBB\xBF<r>\xE3\x81\x82</r>").document.root->Text(), u"あ");
    EXPECT_EQ(ParseOk("\xEF\xBB\xBF<?xml version='1.0' encoding='utf-8' standalone='yes'?>"
                      "<r>\xE3\x81\x82</r>")
                  .document.root->Text(),
              u"あ");
    // Japanese in element names is allowed too.
    EXPECT_EQ(ParseOk(std::string(kShiftJisDeclaration) + "<\x96\xBC>x</\x96\xBC>").document.root->Name(), u"名");
}

TEST(XmlParser, RejectsWrongEncodingsWithPositions) {
    ExpectErrors({
        {"unsupported encoding", "<?xml version=\"1.0\" encoding=\"EUC-JP\"?><r/>", 1, 31, u"EUC-JP"},
        {"UTF-16 declared", "<?xml version='1.0' encoding='UTF-16'?><r/>", 1, 31, u"UTF-16"},
        {"byte-order mark against Shift_JIS", "\xEF\xBB\xBF<?xml version='1.0' encoding='Shift_JIS'?><r/>", 1, 31,
         u"Shift_JIS"},
        {"invalid UTF-8", "<r>\n\xC3\xA9\xFF</r>", 2, 2, u"UTF-8"},
        {"overlong UTF-8", "<r>\xC0\xAF</r>", 1, 4, u"UTF-8"},
        {"UTF-8 surrogate", "<r>\xED\xA0\x80</r>", 1, 4, u"UTF-8"},
        {"truncated UTF-8", "<r>\xE3\x81", 1, 4, u"UTF-8"},
        {"invalid Shift_JIS trail byte", std::string(kShiftJisDeclaration) + "<r>\x83\x5C\x81\x20</r>", 2, 5,
         u"Shift_JIS"},
        {"Shift_JIS lead byte at the end", std::string(kShiftJisDeclaration) + "<r>\x81", 2, 4, u"Shift_JIS"},
        {"character XML forbids", "<r>\x01</r>", 1, 4, u"U+0001"},
        {"bad version", "<?xml version=\"2.0\"?><r/>", 1, 16, u"version"},
        {"declaration without version", "<?xml encoding='UTF-8'?><r/>", 1, 7, u"version"},
        {"unclosed declaration", "<?xml version='1.0'", 1, 20, nullptr},
        {"declaration not at the start", " <?xml version='1.0'?><r/>", 1, 2, u"XML"},
        {"second declaration", "<?xml version='1.0'?><?xml version='1.0'?><r/>", 1, 22, u"XML"},
    });
}

TEST(XmlParser, RejectsIllFormedDocumentsWithPositions) {
    ExpectErrors({
        {"empty input", "", 1, 1, nullptr},
        {"only a declaration", "<?xml version='1.0'?>\n", 2, 1, nullptr},
        {"mismatched end tag", "<a>\n  <b></c>\n</a>", 2, 6, u"</c>"},
        {"unclosed element", "<a>\n<b>", 2, 4, u"<b>"},
        {"end tag without start", "</a>", 1, 1, u"</a>"},
        {"two roots", "<a/>\n<b/>", 2, 1, nullptr},
        {"text after the root", "<a/>x", 1, 5, nullptr},
        {"text before the root", "x<a/>", 1, 1, nullptr},
        {"reference outside the root", "<a/>&amp;", 1, 5, nullptr},
        {"CDATA outside the root", "<![CDATA[x]]><a/>", 1, 1, u"CDATA"},
        {"']]>' in text", "<a>x]]>y</a>", 1, 5, u"]]>"},
        {"'--' in a comment", "<a><!-- a -- b --></a>", 1, 11, u"--"},
        {"unclosed comment", "<a>\n<!-- x", 2, 1, nullptr},
        {"unclosed CDATA", "<a><![CDATA[x", 1, 4, u"CDATA"},
        {"unclosed instruction", "<a><?pi x", 1, 4, nullptr},
        {"unknown markup", "<a><!ELEMENT a ANY></a>", 1, 4, nullptr},
        {"tag without a name", "<a>< b/></a>", 1, 5, nullptr},
        {"truncated start tag", "<a", 1, 3, nullptr},
        {"truncated end tag", "<a></a", 1, 7, nullptr},
        {"undeclared entity", "<a>&nbsp;</a>", 1, 4, u"&nbsp;"},
        {"reference without ';'", "<a>&amp</a>", 1, 4, nullptr},
        {"character reference to U+0000", "<a>&#0;</a>", 1, 4, nullptr},
        {"character reference to a surrogate", "<a>&#xD800;</a>", 1, 4, nullptr},
        {"character reference to U+FFFE", "<a>&#xFFFE;</a>", 1, 4, nullptr},
        {"character reference past U+10FFFF", "<a>&#x110000;</a>", 1, 4, nullptr},
        {"huge decimal reference", "<a>&#99999999999999999999;</a>", 1, 4, nullptr},
        {"empty references", "<a>\n&#;&#x;</a>", 2, 1, nullptr},
        {"DOCTYPE after the root", "<a/><!DOCTYPE a>", 1, 5, u"DOCTYPE"},
        {"unclosed DOCTYPE", "<!DOCTYPE a [ <!ENTITY x 'y'>", 1, 1, u"DOCTYPE"},
    });
}

TEST(XmlParser, SkipsDoctypeAndNeverExpandsItsEntities) {
    const std::string doctype =
        "<!DOCTYPE bookmark SYSTEM \"x>y.dtd\" [\n"
        "  <!ENTITY boom \"&#60;file>lots of text]]>\">\n"
        "  <!-- a comment with ] and > -->\n"
        "  <?pi ]> ?>\n"
        "]>\n";
    XmlParseResult plain = ParseOk(doctype + "<bookmark><x>ok</x></bookmark>");
    EXPECT_EQ(plain.document.root->Text(), u"ok");
    ExpectErrors({{"declared entity used", doctype + "<bookmark>\n  &boom;</bookmark>", 7, 3, u"&boom;"}});
}

TEST(XmlParser, DeepNestingParsesWithoutRecursion) {
    constexpr std::size_t kDepth = 100000;
    std::string text;
    for (std::size_t k = 0; k < kDepth; ++k) text += "<d>";
    text += "x";
    for (std::size_t k = 0; k < kDepth; ++k) text += "</d>";
    std::size_t depth = 0;
    std::u16string content;
    RunOnSmallStack([&] {
        XmlParseResult result = ParseXml(text);
        ASSERT_TRUE(result.Ok());
        content = result.document.root->Text();
        for (const XmlNode* node = result.document.root.get(); node; node = node->FirstChild())
            depth += node->IsElement();
        // The tree is freed here, on the small stack too.
    });
    EXPECT_EQ(depth, kDepth);
    EXPECT_EQ(content, u"x");

    // Truncated deep input fails cleanly.
    RunOnSmallStack([&] {
        XmlParseResult result = ParseXml(text.substr(0, kDepth * 3));
        EXPECT_FALSE(result.Ok());
    });
}

}  // namespace
}  // namespace vesko
