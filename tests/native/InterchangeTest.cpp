#include "bookmarks/interchange/ImportFolder.h"
#include "bookmarks/interchange/InternetShortcut.h"
#include "bookmarks/interchange/NetscapeBookmarks.h"

#include "tests/native/TestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

namespace vesko {
namespace {

using Entries = std::vector<BookmarkEntry>;

// --- Files as the browsers write them -------------------------------------

TEST(InterchangeRead, ChromeExport) {
    const std::string file = R"(<!DOCTYPE NETSCAPE-Bookmark-file-1>
<!-- This is an automatically generated file.
     It will be read and overwritten.
     DO NOT EDIT! -->
<META HTTP-EQUIV="Content-Type" CONTENT="text/html; charset=UTF-8">
<TITLE>Bookmarks</TITLE>
<H1>Bookmarks</H1>
<DL><p>
    <DT><H3 ADD_DATE="1700000000" LAST_MODIFIED="1700000001" PERSONAL_TOOLBAR_FOLDER="true">Bookmarks bar</H3>
    <DL><p>
        <DT><A HREF="https://www.google.com/" ADD_DATE="1700000002" ICON="data:image/png;base64,iVBORw0KGgo=">Google</A>
        <DT><H3 ADD_DATE="1700000003" LAST_MODIFIED="0">ニュース</H3>
        <DL><p>
            <DT><A HREF="https://www.nhk.or.jp/" ADD_DATE="1700000004">NHK</A>
        </DL><p>
    </DL><p>
    <DT><H3 ADD_DATE="1700000005" LAST_MODIFIED="0">Other bookmarks</H3>
    <DL><p>
    </DL><p>
    <DT><A HREF="https://example.com/a?b=1&amp;c=2" ADD_DATE="1700000006">A &amp; B</A>
</DL><p>
)";
    const Entries expected = {Folder(0, u"Bookmarks bar"),   Bookmark(1, u"Google", u"https://www.google.com/"),
                              Folder(1, u"ニュース"),        Bookmark(2, u"NHK", u"https://www.nhk.or.jp/"),
                              Folder(0, u"Other bookmarks"), Bookmark(0, u"A & B", u"https://example.com/a?b=1&c=2")};
    EXPECT_EQ(ReadBookmarkInterchange(file), expected);
}

TEST(InterchangeRead, FirefoxExportDropsQueriesFeedsSeparatorsAndDescriptions) {
    const std::string file = R"(<!DOCTYPE NETSCAPE-Bookmark-file-1>
<!-- This is an automatically generated file.
     It will be read and overwritten.
     DO NOT EDIT! -->
<META HTTP-EQUIV="Content-Type" CONTENT="text/html; charset=UTF-8">
<meta http-equiv="Content-Security-Policy"
      content="default-src 'self'; script-src 'none'; img-src data: *; object-src 'none'"></meta>
<TITLE>Bookmarks</TITLE>
<H1>Bookmarks Menu</H1>

<DL><p>
    <DT><A HREF="place:sort=8&maxResults=10" ADD_DATE="1700000000" LAST_MODIFIED="1700000000">Most Visited</A>
    <DT><H3 ADD_DATE="1700000000" LAST_MODIFIED="1700000001">Mozilla Firefox</H3>
    <DD>Links about the browser
    <DL><p>
        <DT><A HREF="https://support.mozilla.org/ja/products/firefox" ADD_DATE="1700000002" LAST_MODIFIED="1700000003" ICON_URI="https://support.mozilla.org/favicon.ico" ICON="data:image/png;base64,AAAA" SHORTCUTURL="help" TAGS="mozilla,help" LAST_CHARSET="UTF-8">ヘルプ &amp; サポート</A>
        <DD>Firefox のヘルプ
        <HR>
        <DT><A FEEDURL="https://example.com/feed.xml" HREF="https://example.com/">Example feed</A>
    </DL><p>
    <HR>
    <DT><H3 ADD_DATE="1700000004" LAST_MODIFIED="1700000005" UNFILED_BOOKMARKS_FOLDER="true">Other Bookmarks</H3>
    <DL><p>
        <DT><A HREF="https://www.mozilla.org/ja/" ADD_DATE="1700000006" LAST_MODIFIED="1700000006">Mozilla</A>
    </DL><p>
</DL>
)";
    const Entries expected = {Folder(0, u"Mozilla Firefox"),
                              Bookmark(1, u"ヘルプ & サポート", u"https://support.mozilla.org/ja/products/firefox"),
                              Folder(0, u"Other Bookmarks"), Bookmark(1, u"Mozilla", u"https://www.mozilla.org/ja/")};
    EXPECT_EQ(ReadBookmarkInterchange(file), expected);
}

TEST(InterchangeRead, InternetExplorerExportInTheSystemCodePage) {
    // No META, CRLF, FOLDED folders, names in code page 932 (with 0x5C
    // trail bytes: 表示, ソフト).
    const std::string file =
        "<!DOCTYPE NETSCAPE-Bookmark-file-1>\r\n"
        "<!-- This is an automatically generated file.\r\n"
        "It will be read and overwritten.\r\n"
        "Do Not Edit! -->\r\n"
        "<TITLE>Bookmarks</TITLE>\r\n"
        "<H1>Bookmarks</H1>\r\n"
        "<DL><p>\r\n"
        "    <DT><H3 FOLDED ADD_DATE=\"1700000000\">\x83\x5C\x83\x74\x83\x67</H3>\r\n"
        "    <DL><p>\r\n"
        "        <DT><A HREF=\"http://www.example.co.jp/\" ADD_DATE=\"1700000001\" LAST_VISIT=\"1700000002\" "
        "LAST_MODIFIED=\"1700000001\">\x95\x5C\x8E\xA6</A>\r\n"
        "    </DL><p>\r\n"
        "    <DT><A HREF=\"http://www.msn.com/\">MSN</A>\r\n"
        "</DL><p>\r\n";
    const Entries expected = {Folder(0, u"ソフト"), Bookmark(1, u"表示", u"http://www.example.co.jp/"),
                              Bookmark(0, u"MSN", u"http://www.msn.com/")};
    EXPECT_EQ(ReadBookmarkInterchange(file), expected);
}

TEST(InterchangeRead, SafariExportWithNoOuterList) {
    const std::string file =
        "<!DOCTYPE NETSCAPE-Bookmark-file-1>\n"
        "\t<HTML>\n"
        "\t<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=UTF-8\">\n"
        "\t<Title>Bookmarks</Title>\n"
        "\t<H1>Bookmarks</H1>\n"
        "\t<DT><H3 FOLDED>Favorites</H3>\n"
        "\t<DL><p>\n"
        "\t\t<DT><A HREF=\"https://www.apple.com/jp/\">Apple</A>\n"
        "\t</DL><p>\n"
        "\t<DT><H3 FOLDED ID=\"com.apple.ReadingList\">Reading List</H3>\n"
        "\t<DL><p>\n"
        "\t\t<DT><A HREF=\"https://example.com/article\">Article</A>\n"
        "\t\t<DD>The first lines of the article\n"
        "\t</DL><p>\n"
        "</HTML>\n";
    const Entries expected = {Folder(0, u"Favorites"), Bookmark(1, u"Apple", u"https://www.apple.com/jp/"),
                              Folder(0, u"Reading List"), Bookmark(1, u"Article", u"https://example.com/article")};
    EXPECT_EQ(ReadBookmarkInterchange(file), expected);
}

TEST(InterchangeRead, OldNetscapeFileWithBareListsMixedCaseAndUnquotedValues) {
    const std::string file =
        "<!DOCTYPE NETSCAPE-Bookmark-file-1>\n"
        "<TITLE>Bookmarks for Taro</TITLE>\n"
        "<H1>Bookmarks for Taro</H1>\n"
        "<DL>\n"
        "<dt><h3 add_date=946684800 folded>Personal\n  Toolbar Folder</h3>\n"
        "<dl>\n"
        "<dt><a href='http://home.netscape.com/' add_date=946684801>Netscape</a>\n"
        "<DT><A HREF=http://www.opera.com/>Opera</A>\n"
        "</dl>\n"
        "<Dt><A Href=\"http://example.com/\"></a>\n"
        "</DL>\n";
    const Entries expected = {
        Folder(0, u"Personal Toolbar Folder"), Bookmark(1, u"Netscape", u"http://home.netscape.com/"),
        Bookmark(1, u"Opera", u"http://www.opera.com/"), Bookmark(0, u"http://example.com/", u"http://example.com/")};
    EXPECT_EQ(ReadBookmarkInterchange(file), expected);
}

// --- Encodings --------------------------------------------------------------

TEST(InterchangeRead, EncodingsByByteOrderMarkMetaOrContent) {
    const std::string list = "<DL><p><DT><A HREF=\"http://a/\">";
    const std::string end = "</A></DL><p>";
    const std::string nihongoUtf8 = "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E";
    const std::string nihongo932 = "\x93\xFA\x96\x7B\x8C\xEA";
    const Entries expected = {Bookmark(0, u"日本語", u"http://a/")};
    EXPECT_EQ(ReadBookmarkInterchange("\xEF\xBB\xBF" + list + nihongoUtf8 + end), expected);
    EXPECT_EQ(ReadBookmarkInterchange(list + nihongoUtf8 + end), expected);
    EXPECT_EQ(ReadBookmarkInterchange(list + nihongo932 + end), expected);
    for (const char* label : {"Shift_JIS", "x-sjis", "windows-31j"}) {
        const std::string meta =
            std::string("<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=") + label + "\">\n";
        EXPECT_EQ(ReadBookmarkInterchange(meta + list + nihongo932 + end), expected) << label;
    }
    const std::u16string utf16 = u"\uFEFF<DL><DT><A HREF=\"http://a/\">日本語</A></DL>";
    std::string utf16Bytes;
    for (const char16_t c : utf16) {
        utf16Bytes += static_cast<char>(c & 0xFF);
        utf16Bytes += static_cast<char>(c >> 8);
    }
    EXPECT_EQ(ReadBookmarkInterchange(utf16Bytes), expected);
}

TEST(InterchangeRead, InvalidUtf8UnderAUtf8MetaAndNulBytes) {
    const std::string file = std::string("<META CONTENT=\"text/html; charset=UTF-8\"><DL>") +
                             "<DT><A HREF=\"http://a/\">x\xFF\xE3\x81y</A>" + "<DT><A HREF=\"http://b/\">" +
                             std::string("N\0U\0L", 5) + "</A>" + "<DT><A HREF=\"http://c/\">after</A></DL>";
    const Entries expected = {Bookmark(0, u"x\uFFFD\uFFFDy", u"http://a/"), Bookmark(0, u"NUL", u"http://b/"),
                              Bookmark(0, u"after", u"http://c/")};
    EXPECT_EQ(ReadBookmarkInterchange(file), expected);
}

// --- Names, references and structure -----------------------------------------

TEST(InterchangeRead, CharacterReferencesAreDecodedOnceAndUnknownOnesKept) {
    const std::string file =
        "<DL><DT><A HREF=\"http://a/?x=1&amp;y=&#39;2&#39;\">"
        "&lt;b&gt; &quot;q&quot; &#39;s&apos; a&nbsp;b &copy; &eacute; &hellip; &#12354;&#x3042;&#x1F600;&#128512;"
        "</A>"
        "<DT><A HREF=\"http://b/\">&amp;lt; &bogus; &amp &#xZZ; &#; &#0; &#150; &#x110000;</A></DL>";
    const Entries expected = {Bookmark(0, u"<b> \"q\" 's' a\u00A0b © é … ああ😀😀", u"http://a/?x=1&y='2'"),
                              Bookmark(0, u"&lt; &bogus; &amp &#xZZ; &#; \uFFFD \u2013 \uFFFD", u"http://b/")};
    EXPECT_EQ(ReadBookmarkInterchange(file), expected);
}

TEST(InterchangeRead, NamesTrimmedAndCollapsedEmptyFoldersKept) {
    const std::string file =
        "<DL><p>\n<DT><H3>\n   Two\r\n\t words  </H3>\n<DL><p>\n</DL><p>\n"
        "<DT><H3></H3>\n<DL><p><DT><A HREF=\"  http://a/\n \">  </A></DL><p>\n"
        "<DT><H3>No list</H3>\n<DT><A HREF=\"http://b/\">b</A>\n"
        "<DT><A>no address</A><DT><A HREF=\"\">empty address</A>\n</DL><p>";
    const Entries expected = {Folder(0, u"Two words"), Folder(0, u""), Bookmark(1, u"http://a/", u"http://a/"),
                              Folder(0, u"No list"), Bookmark(0, u"b", u"http://b/"),
                              Bookmark(0, u"empty address", u"")};
    EXPECT_EQ(ReadBookmarkInterchange(file), expected);
}

TEST(InterchangeRead, UnclosedTagsAndListsEndWhereTheNextEntryStarts) {
    const std::string file =
        "<!DOCTYPE NETSCAPE-Bookmark-file-1>\n</DL></DL>\n<DL><p>"
        "<DT><H3>Open folder\n<DL><p>\n<DT><A HREF=\"http://a/\">open link\n<DT><A HREF=\"http://b/\">b</A>\n"
        "<DT><A HREF=\"http://c/\">c</A>\n"
        "<DT><A HREF=\"http://d/>d</A>\n";
    const Entries expected = {Folder(0, u"Open folder"), Bookmark(1, u"open link", u"http://a/"),
                              Bookmark(1, u"b", u"http://b/"), Bookmark(1, u"c", u"http://c/"),
                              Bookmark(1, u"d", u"http://d/")};
    EXPECT_EQ(ReadBookmarkInterchange(file), expected);
}

TEST(InterchangeRead, OtherBytesAreRefusedWithAMessageAnEmptyFileIsNot) {
    const std::string jpeg("\xFF\xD8\xFF\xE0\0\x10JFIF\0\x01\x01\0\0\x01\0\x01\0\0\xFF\xDB", 24);
    for (const std::string& bytes : {std::string(), jpeg, std::string("just some text <b>bold</b> &amp;")}) {
        try {
            ReadBookmarkInterchange(bytes);
            ADD_FAILURE() << "accepted " << bytes.size() << " bytes";
        } catch (const InterchangeError& error) {
            EXPECT_EQ(error.Message(), u"ブックマーク ファイルとして読めません。");
        }
    }
    EXPECT_TRUE(ReadBookmarkInterchange("<!DOCTYPE NETSCAPE-Bookmark-file-1>\n<H1>Bookmarks</H1>").empty());
    EXPECT_TRUE(ReadBookmarkInterchange("<dl><p></dl><p>").empty());
    EXPECT_EQ(ReadBookmarkInterchange("<a href=http://a/>a</a>"), (Entries{Bookmark(0, u"a", u"http://a/")}));
}

// --- Hostile files -------------------------------------------------------------

TEST(InterchangeRead, DeepNestingIsFlattenedAtTheImportLimit) {
    constexpr std::size_t kLevels = 100000;
    std::string file = "<DL>";
    for (std::size_t k = 0; k < kLevels; ++k) file += "<DT><H3>f</H3><DL>";
    file += "<DT><A HREF=\"http://deep/\">deep</A>";
    for (std::size_t k = 0; k < kLevels; ++k) file += "</DL>";
    file += "<DT><A HREF=\"http://top/\">top</A>";
    const Entries entries = ReadBookmarkInterchange(file);
    ASSERT_EQ(entries.size(), kLevels + 2);
    EXPECT_EQ(entries[kMaxImportDepth], Folder(kMaxImportDepth, u"f"));
    EXPECT_EQ(entries[kLevels - 1], Folder(kMaxImportDepth, u"f"));
    EXPECT_EQ(entries[kLevels], Bookmark(kMaxImportDepth, u"deep", u"http://deep/"));
    EXPECT_EQ(entries[kLevels + 1], Bookmark(0, u"top", u"http://top/"));
}

TEST(InterchangeRead, HugeAttributesAndUnclosedCommentsTakeLinearTime) {
    const auto start = std::chrono::steady_clock::now();
    std::string icon = "<DL><DT><A HREF=\"http://a/\" ICON=\"data:image/png;base64,";
    icon.append(50 * 1024 * 1024, 'Q');
    icon += "\">a</A></DL>";
    EXPECT_EQ(ReadBookmarkInterchange(icon), (Entries{Bookmark(0, u"a", u"http://a/")}));
    // Bytes that are neither UTF-8 nor code page 932, one U+FFFD each.
    const std::string invalid = "<DL><DT><A HREF=\"http://i/\">" + std::string(4 * 1024 * 1024, '\xA0') + "</A></DL>";
    const Entries replaced = ReadBookmarkInterchange(invalid);
    ASSERT_EQ(replaced.size(), 1u);
    EXPECT_EQ(replaced[0].name, std::u16string(4 * 1024 * 1024, u'\uFFFD'));
    // Each unclosed comment would send a naive reader to the end of the
    // file; here each ends at the next '>' and the links between are read.
    std::string comments = "<DL>";
    for (int k = 0; k < 100000; ++k) comments += "<DT><A HREF=\"http://q/\">q</A><!-- ";
    comments += "<DT><A HREF=\"http://last/>last</A>";
    const Entries entries = ReadBookmarkInterchange(comments);
    ASSERT_EQ(entries.size(), 100001u);
    EXPECT_EQ(entries[99999], Bookmark(0, u"q", u"http://q/"));
    EXPECT_EQ(entries.back(), Bookmark(0, u"last", u"http://last/"));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(60));
}

TEST(InterchangeRead, EntityBombStaysInert) {
    const std::string file =
        "<!DOCTYPE NETSCAPE-Bookmark-file-1 [\n<!ENTITY a \"aaaaaaaaaa\">\n<!ENTITY b \"&a;&a;&a;&a;&a;&a;\">\n"
        "<!ENTITY c \"&b;&b;&b;&b;&b;&b;\">]>\n<DL><DT><A HREF=\"http://x/&c;\">&c;&amp;c;</A></DL>";
    EXPECT_EQ(ReadBookmarkInterchange(file), (Entries{Bookmark(0, u"&c;&c;", u"http://x/&c;")}));
}

// --- Writing ---------------------------------------------------------------------

TEST(InterchangeWrite, ChromeLayoutExactly) {
    const Entries entries = {Folder(0, u"Folder"), Bookmark(1, u"Name", u"https://example.com/"), Folder(1, u"Empty"),
                             Bookmark(0, u"<Tom & \"Jerry\">", u"https://e.com/?a=1&b=\"2\"")};
    EXPECT_EQ(WriteBookmarkInterchange(entries),
              "<!DOCTYPE NETSCAPE-Bookmark-file-1>\n"
              "<!-- This is an automatically generated file.\n"
              "     It will be read and overwritten.\n"
              "     DO NOT EDIT! -->\n"
              "<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=UTF-8\">\n"
              "<TITLE>Bookmarks</TITLE>\n"
              "<H1>Bookmarks</H1>\n"
              "<DL><p>\n"
              "    <DT><H3>Folder</H3>\n"
              "    <DL><p>\n"
              "        <DT><A HREF=\"https://example.com/\">Name</A>\n"
              "        <DT><H3>Empty</H3>\n"
              "        <DL><p>\n"
              "        </DL><p>\n"
              "    </DL><p>\n"
              "    <DT><A HREF=\"https://e.com/?a=1&amp;b=&quot;2&quot;\">&lt;Tom &amp; &quot;Jerry&quot;&gt;</A>\n"
              "</DL><p>\n");
}

TEST(InterchangeWrite, ReadsBackEntryForEntry) {
    const Entries entries = {Folder(0, u"日本語のフォルダ"),
                             Bookmark(1, u"😀 emoji", u"https://example.com/😀?q=a&b"),
                             Folder(1, u"한국어"),
                             Folder(2, u"Café Zürich"),
                             Bookmark(3, u"深い", u"https://example.jp/深い"),
                             Folder(2, u""),
                             Bookmark(1, u"&amp; stays text", u"https://a/&lt;"),
                             Folder(0, u"空"),
                             Bookmark(0, u"トップ", u"https://top.example/")};
    EXPECT_EQ(ReadBookmarkInterchange(WriteBookmarkInterchange(entries)), entries);
    EXPECT_TRUE(ReadBookmarkInterchange(WriteBookmarkInterchange({})).empty());
    // A link named by an address with a run of spaces in it.
    const Entries unnamed = ReadBookmarkInterchange("<DL><DT><A HREF=\"http://a/  b\"></A></DL>");
    EXPECT_EQ(ReadBookmarkInterchange(WriteBookmarkInterchange(unnamed)), unnamed);
}

TEST(InterchangeWrite, UnpairedSurrogatesAndInvalidTreesAreRefusedOrReplaced) {
    const std::string written = WriteBookmarkInterchange({Bookmark(0, u"a\xD800z\xDC00", u"http://a/")});
    EXPECT_NE(written.find("a\xEF\xBF\xBDz\xEF\xBF\xBD</A>"), std::string::npos);
    EXPECT_THROW(WriteBookmarkInterchange({Bookmark(1, u"a", u"http://a/")}), std::invalid_argument);
    EXPECT_THROW(WriteBookmarkInterchange({Bookmark(0, u"a", u"http://a/"), Bookmark(1, u"b", u"http://b/")}),
                 std::invalid_argument);
}

// --- Internet shortcuts --------------------------------------------------------------

TEST(InternetShortcut, ReadsTheShortcutSectionOnly) {
    const std::string file =
        "[DEFAULT]\r\nBASEURL=https://base.example/\r\n"
        "[{000214A0-0000-0000-C000-000000000046}]\r\nProp3=19,11\r\nURL=https://not-this/\r\n"
        "[InternetShortcut]\r\nIDList=\r\nURL=https://www.example.co.jp/a?b=c\r\nIconIndex=0\r\n";
    EXPECT_EQ(ReadInternetShortcutUrl(file), u"https://www.example.co.jp/a?b=c");
    EXPECT_EQ(ReadInternetShortcutUrl("[internetshortcut]\nurl = http://lf/ \n"), u"http://lf/");
    EXPECT_EQ(ReadInternetShortcutUrl("[InternetShortcut]\nURL=\"http://quoted/\"\n"), u"http://quoted/");
    EXPECT_EQ(ReadInternetShortcutUrl("[InternetShortcut]\nIconIndex=0\n"), std::nullopt);
    EXPECT_EQ(ReadInternetShortcutUrl("[InternetShortcut]\r\nURL=\r\n"), std::nullopt);
    EXPECT_EQ(ReadInternetShortcutUrl("[DEFAULT]\nURL=http://a/\n"), std::nullopt);
    EXPECT_EQ(ReadInternetShortcutUrl(""), std::nullopt);
}

TEST(InternetShortcut, ReadsEachEncodingWindowsWrites) {
    EXPECT_EQ(ReadInternetShortcutUrl("[InternetShortcut]\r\nURL=http://\x93\xFA\x96\x7B.jp/\x95\x5C\r\n"),
              u"http://日本.jp/表");
    EXPECT_EQ(ReadInternetShortcutUrl("\xEF\xBB\xBF[InternetShortcut]\r\nURL=http://\xE6\x97\xA5.jp/\r\n"),
              u"http://日.jp/");
    std::string utf16 = "\xFF\xFE";
    for (const char16_t c : std::u16string(u"[InternetShortcut]\r\nURL=http://한국.kr/\r\n")) {
        utf16 += static_cast<char>(c & 0xFF);
        utf16 += static_cast<char>(c >> 8);
    }
    EXPECT_EQ(ReadInternetShortcutUrl(utf16), u"http://한국.kr/");
}

// --- The import folder ------------------------------------------------------------------

TEST(ImportFolder, AppendsOneTopLevelFolderHoldingTheImport) {
    Entries tree = {Folder(0, u"既存"), Bookmark(1, u"a", u"http://a/")};
    AppendImportFolder(tree, ImportFolderName(2026, 12, 9),
                       {Folder(0, u"f"), Bookmark(1, u"b", u"http://b/"), Bookmark(0, u"c", u"http://c/")});
    const Entries expected = {Folder(0, u"既存"), Bookmark(1, u"a", u"http://a/"), Folder(0, u"インポート 2026-12-09"),
                              Folder(1, u"f"),    Bookmark(2, u"b", u"http://b/"), Bookmark(1, u"c", u"http://c/")};
    EXPECT_EQ(tree, expected);
    EXPECT_EQ(ImportFolderName(987, 1, 31), u"インポート 0987-01-31");
}

TEST(ImportFolder, KeepsTheTreeSavableAndRefusesABrokenImport) {
    Entries deep;
    for (std::size_t depth = 0; depth <= kDeepestBookmarkDepth + 3; ++depth) deep.push_back(Folder(depth, u"d"));
    Entries tree;
    AppendImportFolder(tree, u"i", deep);
    ASSERT_EQ(tree.size(), deep.size() + 1);
    EXPECT_EQ(tree[kDeepestBookmarkDepth].depth, kDeepestBookmarkDepth);
    EXPECT_EQ(tree.back().depth, kDeepestBookmarkDepth);
    EXPECT_THROW(AppendImportFolder(tree, u"x", {Bookmark(0, u"a", u"http://a/"), Bookmark(1, u"b", u"http://b/")}),
                 std::invalid_argument);
    EXPECT_EQ(tree.size(), deep.size() + 1);
}

}  // namespace
}  // namespace vesko
