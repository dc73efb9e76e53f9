#include "bench/common/BookmarkGenerator.h"
#include "bookmarks/xml/BookmarkReader.h"
#include "bookmarks/xml/BookmarkWriter.h"
#include "bookmarks/xml/ShiftJis.h"
#include "bookmarks/xml/XmlParser.h"
#include "bookmarks/xml/XmlWriter.h"

#include "tests/native/SmallStack.h"
#include "tests/native/TestSupport.h"

#include <gtest/gtest.h>

namespace vesko {
namespace {

const char kDeclaration[] = "<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>\n";

std::vector<BookmarkEntry> ExampleTree() {
    return {
        Folder(0, u"Tools"),
        Bookmark(1, u"Blank page", u"about:blank"),
        Folder(1, u"Archive"),
        Bookmark(0, u"Start", u"about:blank"),
    };
}

std::vector<BookmarkEntry> DeepTree() {
    return {
        Folder(0, u"ニュース"),
        Bookmark(1, u"A&B <news>", u"http://example.com/?a=1&b=2"),
        Folder(1, u"深い"),
        Folder(2, u"もっと深い"),
        Bookmark(3, u"底①髙", u"about:blank"),
        Bookmark(2, u"\U0001F600 emoji", u"http://e.example/"),
        Bookmark(1, u"ソフト表", u"about:blank"),
        Bookmark(0, u"Top \u00A5", u"about:blank"),
        Folder(0, u"空"),
    };
}

std::vector<BookmarkEntry> ReadEntries(const std::string& bytes) {
    XmlParseResult result = ParseXml(bytes);
    EXPECT_TRUE(result.Ok()) << "line " << result.error.line << ", column " << result.error.column << ": "
                             << Utf8(result.error.message);
    return ReadBookmarkEntries(result.document.root.get());
}

std::vector<BookmarkEntry> Flat(std::size_t count, std::size_t depth = 0) {
    std::vector<BookmarkEntry> entries;
    for (std::size_t k = 0; k < count; ++k) {
        std::u16string n;
        for (char c : std::to_string(k)) n.push_back(static_cast<char16_t>(c));
        entries.push_back(Bookmark(depth, u"名前" + n, u"http://host/" + n));
    }
    return entries;
}

TEST(BookmarkWriter, WritesTheLayoutByteForByte) {
    for (const auto& [file, tree] : {std::pair{"example.xml", ExampleTree()}, std::pair{"deep.xml", DeepTree()}}) {
        SCOPED_TRACE(file);
        const std::string expected = ReadDataFile(file);
        const std::string written = WriteBookmarkFile(tree);
        EXPECT_EQ(written, expected);
        EXPECT_EQ(ReadEntries(written), tree);
        EXPECT_EQ(ReadEntries(expected), tree);
    }
}

TEST(BookmarkWriter, EmptyTreeWritesAnEmptyRoot) {
    const std::string written = WriteBookmarkFile({});
    EXPECT_EQ(written, std::string(kDeclaration) + "<bookmark>\n</bookmark>\n");
    EXPECT_TRUE(ReadEntries(written).empty());
}

TEST(BookmarkWriter, KeepsEveryCharacterOfNamesAndUrls) {
    const std::vector<BookmarkEntry> tree = {
        Bookmark(0, u"a<b>&c;&amp;", u"http://x/?q=<&>"),
        Bookmark(0, u"  ", u""),
        Bookmark(0, u"", u" "),
        Bookmark(0, u"tab\tline\nfeed\rreturn", u"x"),
        Bookmark(0, u"¥ ～ 〜 ∥ − ¢ é", u"http://例え.jp/\U00020B9F"),
        Folder(0, u""),
    };
    const std::string written = WriteBookmarkFile(tree);
    EXPECT_NE(written.find("a&lt;b&gt;&amp;c;&amp;amp;"), std::string::npos);
    EXPECT_NE(written.find("&#xD;"), std::string::npos);
    // Characters outside Shift_JIS become references instead of look-alikes.
    EXPECT_NE(written.find("&#xA5;"), std::string::npos);
    EXPECT_NE(written.find("&#x20B9F;"), std::string::npos);
    EXPECT_EQ(ReadEntries(written), tree);
}

TEST(BookmarkWriter, ReplacesCharactersXmlCannotHold) {
    const char16_t name[] = {u'a', 0x01, 0xD800, u'b', 0};
    const std::string written = WriteBookmarkFile({Bookmark(0, name, u"u")});
    EXPECT_EQ(ReadEntries(written), std::vector<BookmarkEntry>{Bookmark(0, u"a\uFFFD\uFFFDb", u"u")});
}

TEST(BookmarkWriter, WritesWhatTheTreeOfTheListSerialisesTo) {
    // Deep folders, Japanese names and markup characters, and folders
    // closing several levels at once.
    std::vector<BookmarkEntry> entries = bench::GenerateBookmarks(5000);
    entries.push_back(Folder(0, u"&"));
    entries.push_back(Folder(1, u""));
    entries.push_back(Bookmark(2, u"", u"\r"));
    entries.push_back(Bookmark(0, u"¥\U00020B9F", u"<>"));
    const std::string written = WriteBookmarkFile(entries);
    EXPECT_EQ(written, WriteXmlShiftJis(BuildBookmarkDocument(entries)));
    // Every character but the two references has a Shift_JIS form: the
    // bytes are what encoding the whole text at once gives.
    std::u16string text;
    std::size_t ignored = 0;
    ASSERT_TRUE(DecodeShiftJis(written, text, ignored));
    std::string whole;
    ASSERT_TRUE(EncodeShiftJis(text, whole));
    EXPECT_EQ(whole, written);
}

TEST(BookmarkWriter, RejectsAListThatIsNotPreOrder) {
    EXPECT_THROW(WriteBookmarkFile({Bookmark(1, u"a", u"b")}), std::invalid_argument);
    EXPECT_THROW(WriteBookmarkFile({Bookmark(0, u"a", u"b"), Bookmark(1, u"c", u"d")}), std::invalid_argument);
    EXPECT_THROW(WriteBookmarkFile({Folder(0, u"a"), Bookmark(2, u"c", u"d")}), std::invalid_argument);
}

TEST(BookmarkReader, IgnoresWhitespaceOfAnyAmount) {
    const std::string compact = std::string(kDeclaration) +
                                "<bookmark><directory><name>Tools</name><file><name>Blank "
                                "page</name><url>about:blank</url></file><directory><name>"
                                "Archive</name></directory></directory><file><name>Start</"
                                "name><url>about:blank</url></file></bookmark>";
    std::string loose;
    for (char c : compact) {
        if (c == '<' && !loose.empty() && loose.back() == '>') loose += "\n\t \r\n    \n";
        loose += c;
    }
    EXPECT_EQ(ReadEntries(compact), ExampleTree());
    EXPECT_EQ(ReadEntries(loose), ExampleTree());
}

TEST(BookmarkReader, FollowsTheReadingRules) {
    // A non-directory element is a bookmark whatever its name; its URL is
    // its last child. An empty folder has only its name.
    XmlParseResult result = ParseXml(
        "<bookmark><link><title>T</title><x>ignored</x><href>H</href></link>"
        "<directory><name>F</name><directory><name>E</name></directory>"
        "<anything><n>In</n><u>U</u></anything></directory></bookmark>");
    ASSERT_TRUE(result.Ok());
    const XmlNode* first = FirstTopLevelEntry(result.document.root.get());
    ASSERT_NE(first, nullptr);
    EXPECT_FALSE(IsFolderEntry(*first));
    EXPECT_EQ(EntryName(*first), u"T");
    EXPECT_EQ(BookmarkUrl(*first), u"H");
    EXPECT_EQ(BookmarkUrlFromSecondChild(*first), u"ignored");
    EXPECT_EQ(FirstFolderEntry(*first), nullptr);

    const XmlNode* folder = NextEntry(*first);
    ASSERT_NE(folder, nullptr);
    EXPECT_TRUE(IsFolderEntry(*folder));
    EXPECT_EQ(NextEntry(*folder), nullptr);
    const XmlNode* empty = FirstFolderEntry(*folder);
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(EntryName(*empty), u"E");
    EXPECT_EQ(FirstFolderEntry(*empty), nullptr);

    EXPECT_EQ(ReadBookmarkEntries(result.document.root.get()),
              (std::vector<BookmarkEntry>{Bookmark(0, u"T", u"H"), Folder(0, u"F"), Folder(1, u"E"),
                                          Bookmark(1, u"In", u"U")}));
}

TEST(BookmarkReader, FolderIsDecidedByTheLocalName) {
    // As by the DOM's baseName: a prefixed "directory" is a folder with its
    // entries; any other local name, even under a "directory" prefix, is a
    // bookmark.
    EXPECT_EQ(ReadEntries("<bookmark xmlns:x=\"urn:x\" xmlns:directory=\"urn:d\"><x:directory><name>F</name>"
                          "<x:file><name>In</name><url>U</url></x:file><x:directory><name>E</name></x:directory>"
                          "</x:directory><directory:file><name>B</name><url>V</url></directory:file></bookmark>"),
              (std::vector<BookmarkEntry>{Folder(0, u"F"), Bookmark(1, u"In", u"U"), Folder(1, u"E"),
                                          Bookmark(0, u"B", u"V")}));
}

TEST(BookmarkReader, SkipsWhatCannotBeAnEntry) {
    // No file, or a file with an empty root, has no entries.
    EXPECT_TRUE(ReadBookmarkEntries(nullptr).empty());
    EXPECT_EQ(FirstTopLevelEntry(nullptr), nullptr);
    EXPECT_TRUE(ReadEntries("<bookmark/>").empty());
    // Childless elements have no name and are skipped, as is stray text;
    // a bookmark with only a name has an empty URL.
    EXPECT_EQ(ReadEntries("<bookmark><file/>text<directory/><file><name>N</name></file>"
                          "<directory><name>D</name><file/>more</directory></bookmark>"),
              (std::vector<BookmarkEntry>{Bookmark(0, u"N", u""), Folder(0, u"D")}));
}

TEST(BookmarkReader, WalkReportsDepthParentAndPosition) {
    XmlParseResult parsed = ParseXml(WriteBookmarkFile(DeepTree()));
    ASSERT_TRUE(parsed.Ok());
    BookmarkWalk walk(parsed.document.root.get());
    BookmarkWalk::Step step;
    std::vector<std::pair<std::size_t, std::size_t>> shape;  // depth, position
    std::vector<std::u16string> parents;
    while (walk.Next(step)) {
        shape.emplace_back(step.depth, step.position);
        parents.push_back(step.folder ? EntryName(*step.folder) : u"-");
    }
    EXPECT_FALSE(walk.Next(step));
    EXPECT_EQ(shape, (std::vector<std::pair<std::size_t, std::size_t>>{
                         {0, 0}, {1, 0}, {1, 1}, {2, 0}, {3, 0}, {2, 1}, {1, 2}, {0, 1}, {0, 2}}));
    EXPECT_EQ(parents, (std::vector<std::u16string>{u"-", u"ニュース", u"ニュース", u"深い", u"もっと深い", u"深い",
                                                    u"ニュース", u"-", u"-"}));
}

TEST(BookmarkFile, ReadsAndWritesEveryEntryOfLongLevels) {
    for (std::size_t count : {255u, 256u, 257u, 1000u}) {
        SCOPED_TRACE(count);
        std::vector<BookmarkEntry> top = Flat(count);
        EXPECT_EQ(ReadEntries(WriteBookmarkFile(top)), top);

        std::vector<BookmarkEntry> nested{Folder(0, u"F")};
        for (BookmarkEntry& entry : Flat(count, 1)) nested.push_back(entry);
        nested.push_back(Bookmark(0, u"after", u"a"));
        EXPECT_EQ(ReadEntries(WriteBookmarkFile(nested)), nested);
    }
}

TEST(BookmarkFile, HandlesAHundredThousandEntriesInLinearTime) {
    // A quadratic step anywhere would run for hours here, not seconds.
    std::vector<BookmarkEntry> tree{Folder(0, u"F")};
    for (BookmarkEntry& entry : Flat(50000, 1)) tree.push_back(std::move(entry));
    for (BookmarkEntry& entry : Flat(50000)) tree.push_back(std::move(entry));
    EXPECT_EQ(ReadEntries(WriteBookmarkFile(tree)), tree);
}

TEST(BookmarkFile, DeepFoldersReadAndFreeWithoutRecursion) {
    // Written without layout: as laid out by the writer, the indentation
    // alone of 100,000 levels would be about 20 GB.
    constexpr std::size_t kDepth = 100000;
    std::string text = "<bookmark>";
    std::vector<BookmarkEntry> expected;
    for (std::size_t k = 0; k < kDepth; ++k) {
        text += "<directory><name>f</name>";
        expected.push_back(Folder(k, u"f"));
    }
    text += "<file><name>bottom</name><url>about:blank</url></file>";
    expected.push_back(Bookmark(kDepth, u"bottom", u"about:blank"));
    for (std::size_t k = 0; k < kDepth; ++k) text += "</directory>";
    text += "<file><name>top</name><url>u</url></file></bookmark>";
    expected.push_back(Bookmark(0, u"top", u"u"));
    RunOnSmallStack([&] { EXPECT_EQ(ReadEntries(text), expected); });
}

TEST(BookmarkFile, DeepFoldersWriteWithoutRecursion) {
    constexpr std::size_t kDepth = 2000;
    std::vector<BookmarkEntry> tree;
    for (std::size_t k = 0; k < kDepth; ++k) tree.push_back(Folder(k, u"f"));
    tree.push_back(Bookmark(kDepth, u"bottom", u"about:blank"));
    tree.push_back(Bookmark(0, u"top", u"about:blank"));
    RunOnSmallStack([&] {
        const std::string bytes = WriteBookmarkFile(tree);
        EXPECT_EQ(ReadEntries(bytes), tree);
    });
}

TEST(BookmarkFile, ReadsTheGenericSerialisationOfAParsedFile) {
    // A file as another program might have saved it, rewritten by the
    // serialiser, keeps its entries.
    XmlParseResult parsed = ParseXml(
        "\xEF\xBB\xBF<?xml version='1.0' encoding='UTF-8'?>\r\n<bookmark>\r\n <file><name>"
        "\xE3\x81\x82 &amp;</name><url>u</url></file></bookmark>");
    ASSERT_TRUE(parsed.Ok());
    EXPECT_EQ(ReadEntries(WriteXmlShiftJis(parsed.document)), std::vector<BookmarkEntry>{Bookmark(0, u"あ &", u"u")});
}

}  // namespace
}  // namespace vesko
