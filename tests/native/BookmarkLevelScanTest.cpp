#include "bookmarks/xml/BookmarkLevelScan.h"

#include "bench/common/BookmarkGenerator.h"
#include "bookmarks/xml/BookmarkReader.h"
#include "bookmarks/xml/BookmarkWriter.h"
#include "bookmarks/xml/ShiftJis.h"
#include "bookmarks/xml/XmlParser.h"

#include "tests/native/TestSupport.h"

#include <gtest/gtest.h>

#include <functional>

namespace vesko {
namespace {

// As the menu sets it: entries too deep lie in elements 258 deep.
constexpr std::size_t kDepthLimit = 258;

std::vector<BookmarkEntry> ReadWhole(const std::string& bytes) {
    const XmlParseResult parsed = ParseXml(bytes);
    EXPECT_TRUE(parsed.Ok()) << Utf8(parsed.error.message);
    return ReadBookmarkEntries(parsed.document.root.get());
}

// The file as a user opening every menu sees it, a level at a time; nothing
// when the scan gives up on a level.
std::optional<std::vector<BookmarkEntry>> ReadByLevels(const std::string& bytes, std::size_t depthLimit = kDepthLimit) {
    const BookmarkLevelScan scan(bytes, depthLimit);
    std::vector<BookmarkEntry> shown;
    std::function<bool(const std::vector<LevelEntry>&, std::size_t)> show = [&](const auto& level, std::size_t depth) {
        for (const LevelEntry& entry : level) {
            shown.push_back({depth, entry.folder, entry.name, entry.folder ? u"" : scan.Url(entry.begin, entry.end)});
            if (!entry.folder) continue;
            const auto inner = scan.FolderLevel(entry.begin, entry.end);
            if (!inner) return false;
            EXPECT_EQ(entry.hasEntries, !inner->empty()) << Utf8(entry.name);
            if (!show(*inner, depth + 1)) return false;
        }
        return true;
    };
    const auto top = scan.TopLevel();
    if (!top || !show(*top, 0)) return std::nullopt;
    return shown;
}

void ExpectReadAlike(const std::string& bytes) {
    const std::vector<BookmarkEntry> whole = ReadWhole(bytes);
    ASSERT_FALSE(whole.empty());
    EXPECT_EQ(ReadByLevels(bytes), std::optional(whole));
}

std::string ShiftJis(const std::u16string& text) {
    std::string bytes;
    EXPECT_TRUE(EncodeShiftJis(text, bytes));
    return bytes;
}

// The entries as a UTF-8 file, every character as itself.
std::string WriteUtf8(const std::vector<BookmarkEntry>& entries) {
    auto escaped = [](const std::u16string& text) {
        std::u16string out;
        for (char16_t c : text) out += c == u'&' ? u"&amp;" : c == u'<' ? u"&lt;" : std::u16string(1, c);
        return Utf8(out);
    };
    std::string out = "\xEF\xBB\xBF<bookmark>";
    std::size_t open = 0;
    for (const BookmarkEntry& e : entries) {
        for (; open > e.depth; --open) out += "</directory>";
        if (e.isFolder) {
            out += "\n<directory><name>" + escaped(e.name) + "</name>";
            ++open;
        } else {
            out += "\n<file><name>" + escaped(e.name) + "</name><url>" + escaped(e.url) + "</url></file>";
        }
    }
    for (; open > 0; --open) out += "</directory>";
    return out + "</bookmark>";
}

TEST(BookmarkLevelScan, TestFilesAndGeneratedTreesReadAlike) {
    ExpectReadAlike(ReadDataFile("example.xml"));
    ExpectReadAlike(ReadDataFile("deep.xml"));
    ExpectReadAlike(WriteBookmarkFile(bench::GenerateBookmarks(3000)));
    const std::vector<BookmarkEntry> world = {
        Folder(0, u"\U0001F600 絵文字"),
        Bookmark(1, u"한국어 페이지", u"http://kr.example/?q=한"),
        Folder(1, u"Café crème"),
        Bookmark(2, u"Ærø & <Søby>", u"http://dk.example/"),
        Bookmark(2, u"ソフト表示", u"about:blank"),
        Folder(1, u"空のフォルダ"),
        Bookmark(0, u"  spaces  ", u" "),
        Folder(0, u"\U0001F4DA"),
        Folder(1, u"深"),
        Bookmark(2, u"\U0001F680", u"http://rocket.example/\U0001F680"),
    };
    ExpectReadAlike(WriteBookmarkFile(world));  // characters code page 932 lacks as references
    ExpectReadAlike(WriteUtf8(world));
    ExpectReadAlike(WriteUtf8(bench::GenerateBookmarks(2000)));
}

// Everything the parser accepts around and inside entries, in both encodings.
const char16_t kVariety[] =
    u"<!DOCTYPE bookmark [\n  <!ENTITY note \"a > b ] c\">\n  <!-- <file> -->\n  <?pi ]> ?>\n]>\n"
    u"<!-- before the root <bookmark> -->\n<?style x=\"<\"?>\n"
    u"<bookmark version='1 > 0'>\r\n"
    u"  <file id=\"a>b\" title='\"quoted\" />'><name>A &amp; B &lt;c&gt; &#x1F600; &#233;</name>\r\n"
    u"    <!-- between --><url>http://a.example/?x=1&amp;y=2</url></file>\n"
    u"  <file/><file></file><file><!-- no children --><?pi?><![CDATA[]]></file>\n"
    u"  <file> </file>\n"
    u"  <x:directory xmlns:x=\"urn:x\"><name><![CDATA[<CDATA> & ]]]]><![CDATA[>]]> 名前</name>\n"
    u"    <sep/><empty></empty>\n"
    u"    <link><name>three children</name><url>first</url><url>last <b>bold</b></url></link>\n"
    u"    <directory>text before <!-- c --> the name<name>not the name</name><file><name>n</name></file></directory>\n"
    u"    <directory><![CDATA[ ]]>\n  <name>blank CDATA is layout</name></directory>\n"
    u"  </x:directory>\n"
    u"  <directory><directory><name>nested</name><file><name>inner</name><url>u</url></file></directory>"
    u"<file><name>after</name><url>v</url></file></directory>\n"
    u"  <directory><name>non-entries first</name><a/><b></b><c><!----></c><file><name>only</name></file>"
    u"</directory>\n"
    u"  <directory><name>no entries</name><a><![CDATA[]]><?pi?></a><b/></directory>\n"
    u"  <file><name>name only</name></file>\n"
    u"  text between entries\n"
    u"  <file><name>\u3000全角の空白&#x20;</name><url>\r\nline ends\r\n</url></file>\n"
    u"</bookmark>\n<!-- after -->\n<?end?>\n";

TEST(BookmarkLevelScan, MarkupTheWriterNeverWritesReadsAlike) {
    ExpectReadAlike("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n" + Utf8(kVariety));
    ExpectReadAlike("\xEF\xBB\xBF" + Utf8(kVariety));
    ExpectReadAlike("<?xml version='1.0' encoding='shift_jis' standalone='yes' ?>" + ShiftJis(kVariety));
    // A root with no entries is an empty level, not one the scan gives up on.
    for (const char* empty : {"<bookmark/>", "<bookmark>\n</bookmark>", "<b><file/>text</b>"}) {
        const auto top = BookmarkLevelScan(empty, kDepthLimit).TopLevel();
        ASSERT_TRUE(top) << empty;
        EXPECT_TRUE(top->empty()) << empty;
    }
}

TEST(BookmarkLevelScan, ShiftJisTrailBytesThatLookLikeBracketsAreNoMarkup) {
    // ゾ ends in ']', ゼ in '[': a byte scan would close the CDATA section
    // early and never leave the DOCTYPE.
    ExpectReadAlike("<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>" +
                    ShiftJis(u"<!DOCTYPE ゼ>\n<ゼ><directory><name><![CDATA[ゾ]><b>ゾ]]></name>"
                             u"<file><name>ゼゾ</name><url><![CDATA[ゾ]]]]><![CDATA[>]]></url></file>"
                             u"</directory></ゼ>"));
}

TEST(BookmarkLevelScan, WhatTheScanCannotVouchForIsLeftToTheFullReading) {
    const std::string declaration = "<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>";
    for (const std::string& broken : {
             std::string("<bookmark><file><name>x</name>"),                            // cut short
             std::string("<bookmark><file><name>x</nam></file></bookmark>"),           // end tag of another
             std::string("<bookmark><file><name>x</name></file></bookmark>junk"),      // text after the root
             std::string("<bookmark/><bookmark/>"),                                    // a second root
             std::string("<bookmark><file><name>&nbsp;</name></file></bookmark>"),     // an undeclared entity
             std::string("<bookmark><file a=\"<\"><name>x</name></file></bookmark>"),  // '<' in a value
             std::string("\xEF\xBB\xBF") + declaration + "<bookmark/>",                // BOM against Shift_JIS
             std::string("<?xml version=\"1.0\" encoding=\"EUC-JP\"?><bookmark/>"),    // an encoding it lacks
             std::string("just text"),
         }) {
        SCOPED_TRACE(broken);
        EXPECT_FALSE(ParseXml(broken).Ok());
        EXPECT_FALSE(BookmarkLevelScan(broken, kDepthLimit).TopLevel());
    }
    // A folder whose own level holds what does not parse.
    const std::string file = "<bookmark><directory><name>d</name><file><name>&x;</name></file></directory></bookmark>";
    const BookmarkLevelScan scan(file, kDepthLimit);
    const auto top = scan.TopLevel();
    ASSERT_TRUE(top && top->size() == 1);
    EXPECT_FALSE(scan.FolderLevel((*top)[0].begin, (*top)[0].end));
}

TEST(BookmarkLevelScan, NestingAtTheDepthLimitIsLeftToTheFullReading) {
    // Entries in 3 folders: the innermost name lies 6 deep, the root counting 1.
    const std::string file = WriteBookmarkFile(
        {Folder(0, u"1"), Folder(1, u"2"), Folder(2, u"3"), Bookmark(3, u"deep", u"u"), Bookmark(0, u"top", u"t")});
    EXPECT_EQ(ReadByLevels(file, 7), std::optional(ReadWhole(file)));
    EXPECT_FALSE(BookmarkLevelScan(file, 6).TopLevel());
    // Deep elements count wherever they lie, inside a name too.
    const std::string deepName = "<bookmark><file><name><b><b><b><b>x</b></b></b></b></name></file></bookmark>";
    EXPECT_EQ(ReadByLevels(deepName, 8), std::optional(ReadWhole(deepName)));
    EXPECT_FALSE(BookmarkLevelScan(deepName, 7).TopLevel());
}

}  // namespace
}  // namespace vesko
