#include "sites/SiteList.h"

#include "bookmarks/xml/XmlParser.h"
#include "tests/native/TestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vesko {
namespace {

// A list as organisations keep them: saved by Windows tools with a byte
// order mark and CRLF, laid out after Microsoft's sample (whose comments
// open and close with three dashes), with the site list manager's header,
// an open-in with an attribute, a self-closing site and hand-written
// letter case.
std::string EnterpriseList() {
    const std::string lines =
        "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
        "<site-list version=\"205\">\n"
        "  <!--- File creation header --->\n"
        "  <created-by>\n"
        "    <tool>EnterpriseSiteListManager</tool>\n"
        "    <version>10586</version>\n"
        "    <date-created>20150728.135021</date-created>\n"
        "  </created-by>\n"
        "  <!--- Begin Site List --->\n"
        "  <site url=\"www.cpandl.com\">\n"
        "    <compat-mode>IE8Enterprise</compat-mode>\n"
        "    <open-in>IE11</open-in>\n"
        "  </site>\n"
        "  <site url=\"contoso.com/travel\">\n"
        "    <compat-mode>default</compat-mode>\n"
        "    <open-in allow-redirect=\"true\">IE11</open-in>\n"
        "  </site>\n"
        "  <site url=\"relecloud.com\"/>\n"
        "  <!-- default for self-closing XML tag is\n"
        "       <compat-mode>default</compat-mode>\n"
        "       <open-in>none</open-in>\n"
        "  -->\n"
        "  <site url=\"Fabrikam.COM:8080/\">\n"
        "    <compat-mode>IE7</compat-mode>\n"
        "    <open-in> msedge </open-in>\n"
        "  </site>\n"
        "  <site url=\"社内.example.co.jp/ポータル\">\n"
        "    <open-in>None</open-in>\n"
        "  </site>\n"
        "</site-list>\n";
    std::string crlf = "\xEF\xBB\xBF";
    for (const char c : lines) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    return crlf;
}

SiteUrl Site(std::u16string host, std::optional<std::uint16_t> port, std::u16string path) {
    return SiteUrl{std::move(host), port, std::move(path)};
}

std::string Describe(const SiteRule& rule) {
    std::string text = "{\"" + Utf8(rule.url) + "\", engine " + std::to_string(static_cast<int>(rule.engine));
    if (rule.site) {
        text += ", host \"" + Utf8(rule.site->host) + "\"";
        if (rule.site->port) text += ", port " + std::to_string(*rule.site->port);
        text += ", path \"" + Utf8(rule.site->path) + "\"";
    }
    return text + "}";
}

// A document read with everything a site list keeps.
XmlParseResult ParseAll(const std::string& bytes) {
    XmlParseOptions options;
    options.attributes = options.comments = options.dashesInComments = true;
    return ParseXml(bytes, options);
}

// Two trees alike in names, attributes, text and comments, node by node.
void ExpectSameTree(const XmlNode& expected, const XmlNode& actual) {
    std::vector<std::pair<const XmlNode*, const XmlNode*>> pending{{&expected, &actual}};
    while (!pending.empty()) {
        const auto [e, a] = pending.back();
        pending.pop_back();
        ASSERT_EQ(e->IsElement(), a->IsElement());
        ASSERT_EQ(e->IsComment(), a->IsComment());
        EXPECT_EQ(e->Name(), a->Name());
        EXPECT_EQ(e->Value(), a->Value());
        EXPECT_EQ(e->CommentText(), a->CommentText());
        ASSERT_EQ(e->AttributeCount(), a->AttributeCount()) << Utf8(std::u16string(e->Name()));
        for (std::size_t k = 0; k < e->AttributeCount(); ++k) {
            EXPECT_EQ(e->AttributeAt(k).name, a->AttributeAt(k).name);
            EXPECT_EQ(e->AttributeAt(k).value, a->AttributeAt(k).value);
        }
        ASSERT_EQ(e->ChildCount(), a->ChildCount()) << Utf8(std::u16string(e->Name()));
        for (std::size_t k = 0; k < e->ChildCount(); ++k) pending.emplace_back(e->ChildAt(k), a->ChildAt(k));
    }
}

TEST(SiteList, ReadsAnEnterpriseListAsItIs) {
    const SiteList list = SiteList::Parse(EnterpriseList());
    const std::vector<SiteRule> expected = {
        {u"www.cpandl.com", SiteEngine::InternetExplorer, Site(u"www.cpandl.com", std::nullopt, u"")},
        {u"contoso.com/travel", SiteEngine::InternetExplorer, Site(u"contoso.com", std::nullopt, u"/travel")},
        {u"relecloud.com", SiteEngine::None, Site(u"relecloud.com", std::nullopt, u"")},
        {u"Fabrikam.COM:8080/", SiteEngine::Gecko, Site(u"fabrikam.com", 8080, u"/")},
        {u"社内.example.co.jp/ポータル", SiteEngine::None, Site(u"社内.example.co.jp", std::nullopt, u"/ポータル")},
    };
    ASSERT_EQ(list.Rules().size(), expected.size());
    for (std::size_t k = 0; k < expected.size(); ++k)
        EXPECT_EQ(list.Rules()[k], expected[k]) << Describe(list.Rules()[k]);
}

TEST(SiteList, ReadsEachFormOfUrl) {
    const struct {
        const char* url;
        SiteUrl site;
    } cases[] = {
        {"intranet", Site(u"intranet", std::nullopt, u"")},
        {"WWW.Example.CO.JP", Site(u"www.example.co.jp", std::nullopt, u"")},
        {"example.com.", Site(u"example.com", std::nullopt, u"")},
        {"example.com:8443", Site(u"example.com", 8443, u"")},
        {"example.com:80/App/Index.aspx", Site(u"example.com", 80, u"/App/Index.aspx")},
        {"192.168.0.10:8080/", Site(u"192.168.0.10", 8080, u"/")},
        {"[FE80::1]:8080/admin", Site(u"[fe80::1]", 8080, u"/admin")},
        {"  spaced.example.com  ", Site(u"spaced.example.com", std::nullopt, u"")},
    };
    for (const auto& c : cases) {
        const SiteList list = SiteList::Parse(std::string("<site-list><site url=\"") + c.url + "\"/></site-list>");
        ASSERT_EQ(list.Rules().size(), 1u);
        ASSERT_TRUE(list.Rules()[0].site.has_value()) << c.url;
        EXPECT_EQ(*list.Rules()[0].site, c.site) << Describe(list.Rules()[0]);
    }
}

TEST(SiteList, KeepsRulesThatCanNeverMatchWithoutUsingThem) {
    const char* const urls[] = {
        "http://example.com/",  "https://example.com", "*.example.com",     "example.*",
        "example.com:99999",    "example.com:0",       "example.com:http",  "example.com:",
        "example.com/a?b=1",    "example.com/#top",    "exa mple.com",      "user@example.com",
        ".example.com",         "a..example.com",      "[::1/",             "/path-only",
        "",
    };
    std::string file = "<site-list version=\"3\">";
    for (const char* url : urls) file += std::string("<site url=\"") + url + "\"><open-in>IE11</open-in></site>";
    file += "<site><open-in>IE11</open-in></site></site-list>";

    const SiteList list = SiteList::Parse(file);
    ASSERT_EQ(list.Rules().size(), std::size(urls) + 1);
    for (const SiteRule& rule : list.Rules()) EXPECT_FALSE(rule.site.has_value()) << Describe(rule);
    // They go back into the file as they were.
    const SiteList again = SiteList::Parse(list.Write());
    EXPECT_EQ(again.Rules(), list.Rules());
}

TEST(SiteList, TakesTheEngineFromTheFirstOpenIn) {
    const struct {
        const char* site;
        SiteEngine engine;
    } cases[] = {
        {"<open-in>IE11</open-in>", SiteEngine::InternetExplorer},
        {"<open-in>MSEdge</open-in>", SiteEngine::Gecko},
        {"<open-in>None</open-in>", SiteEngine::None},
        {"<compat-mode>IE7Enterprise</compat-mode>", SiteEngine::None},
        {"<open-in>\n  ie11\n</open-in>", SiteEngine::InternetExplorer},
        {"<open-in>Chrome</open-in>", SiteEngine::None},
        {"<open-in></open-in>", SiteEngine::None},
        {"<open-in>MSEdge</open-in><open-in>IE11</open-in>", SiteEngine::Gecko},
        {"<x><open-in>IE11</open-in></x>", SiteEngine::None},
    };
    for (const auto& c : cases) {
        const SiteList list =
            SiteList::Parse(std::string("<site-list><site url=\"example.com\">") + c.site + "</site></site-list>");
        ASSERT_EQ(list.Rules().size(), 1u);
        EXPECT_EQ(list.Rules()[0].engine, c.engine) << c.site;
    }
}

TEST(SiteList, OnlySitesDirectlyInTheRootAreRules) {
    const SiteList list = SiteList::Parse(
        "<site-list><group><site url=\"nested.example.com\"><open-in>IE11</open-in></site></group>"
        "<Site url=\"case.example.com\"/><site url=\"a.example.com\"/></site-list>");
    ASSERT_EQ(list.Rules().size(), 1u);
    EXPECT_EQ(list.Rules()[0].url, u"a.example.com");
}

TEST(SiteList, RefusesWhatIsNoSiteList) {
    const struct {
        const char* what;
        std::string bytes;
        std::size_t line;  // 0: not at one place
        const char16_t* mentions;
    } cases[] = {
        {"empty file", "", 1, u"ルート要素がありません"},
        {"unclosed element", "<site-list>\n  <site url=\"a.com\">\n</site-list>", 3, u"site"},
        {"text after the root", "<site-list/>\nx", 2, nullptr},
        {"saved as UTF-16", std::string("\xFF\xFE<\0s\0/\0>\0", 10), 1, u"UTF-16"},
        {"Shift_JIS bytes in a UTF-8 file", "<site-list><site url=\"\x82\xa0.jp\"/></site-list>", 1, u"UTF-8"},
        {"undeclared entity", "<site-list><site url=\"&nbsp;\"/></site-list>", 1, u"nbsp"},
        {"first version's layout", "<rules version=\"1\"><emie><domain>a.com</domain></emie></rules>", 0,
         u"<rules>"},
        {"another root", "<bookmark><file/></bookmark>", 0, u"<bookmark>"},
        {"root in another letter case", "<Site-List/>", 0, u"<Site-List>"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        try {
            SiteList::Parse(c.bytes);
            ADD_FAILURE() << "accepted";
        } catch (const SiteListError& error) {
            EXPECT_FALSE(error.Message().empty());
            EXPECT_EQ(error.Line(), c.line) << Utf8(error.Message());
            EXPECT_EQ(error.Column() == 0, c.line == 0);
            if (c.mentions) EXPECT_NE(error.Message().find(c.mentions), std::u16string::npos) << Utf8(error.Message());
        }
    }
}

TEST(SiteList, WritesBackWhatItDoesNotUseAsItWasRead) {
    const std::string original = EnterpriseList();
    const std::string written = SiteList::Parse(original).Write();
    EXPECT_EQ(written.rfind("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n", 0), 0u);
    const XmlParseResult before = ParseAll(original);
    const XmlParseResult after = ParseAll(written);
    ASSERT_TRUE(after.Ok()) << Utf8(after.error.message);
    ExpectSameTree(*before.document.root, *after.document.root);
    // Nothing changes on a second round.
    EXPECT_EQ(SiteList::Parse(written).Write(), written);
}

TEST(SiteList, WritesCharactersAndCommentsSoTheyReadBackTheSame) {
    const std::string original =
        "<!-- before -->\n"
        "<!--- dashes as in Microsoft's sample --->\n"
        "<site-list version=\"1\" note=\"a &amp; b &lt; &quot;c&quot; &#x9;tab&#xA;line\" wrapped=\"one\r\ntwo\tthree\">"
        "<note xml:lang=\"ja\">日本語 &amp; &lt;tag&gt; ]]&gt; \U0001F600 &#xD;</note>"
        "<mixed>text <b>bold</b> more</mixed>"
        "<site url=\"example.com/a&amp;b\"><compat-mode><![CDATA[<raw>]]></compat-mode></site>"
        "</site-list>\n<!-- after -->";
    const std::string written = SiteList::Parse(original).Write();
    const XmlParseResult before = ParseAll(original);
    const XmlParseResult after = ParseAll(written);
    ASSERT_TRUE(after.Ok()) << Utf8(after.error.message);
    ExpectSameTree(*before.document.root, *after.document.root);
    // Character references stand for themselves; literal line ends and tabs
    // in a value read as spaces.
    EXPECT_EQ(after.document.root->Attribute(u"note"), u"a & b < \"c\" \ttab\nline");
    EXPECT_EQ(after.document.root->Attribute(u"wrapped"), u"one two three");
    ASSERT_EQ(after.document.before.size(), 2u);
    EXPECT_EQ(after.document.before[0]->CommentText(), u" before ");
    EXPECT_EQ(after.document.before[1]->CommentText(), u"- dashes as in Microsoft's sample -");
    ASSERT_EQ(after.document.after.size(), 1u);
    EXPECT_EQ(after.document.after[0]->CommentText(), u" after ");
}

TEST(SiteList, EditsChangeOnlyTheirRule) {
    SiteList list = SiteList::Parse(EnterpriseList());
    list.Replace(0, u"www.cpandl.com:8080", SiteEngine::InternetExplorer);  // url only
    list.Replace(1, u"contoso.com/travel", SiteEngine::Gecko);               // engine only
    list.Replace(2, u"relecloud.com", SiteEngine::InternetExplorer);         // gains an open-in
    list.Remove(3);
    list.Add(u"new.example.jp/app", SiteEngine::InternetExplorer);
    list.Add(u"other.example.jp", SiteEngine::None);
    const std::vector<SiteRule> expected = list.Rules();

    const std::string written = list.Write();
    EXPECT_EQ(SiteList::Parse(written).Rules(), expected);

    const XmlParseResult tree = ParseAll(written);
    ASSERT_TRUE(tree.Ok()) << Utf8(tree.error.message);
    const XmlNode& root = *tree.document.root;
    EXPECT_EQ(root.Attribute(u"version"), u"205");
    std::vector<const XmlNode*> sites;
    for (std::size_t k = 0; k < root.ChildCount(); ++k) {
        if (root.ChildAt(k)->Name() == u"site") sites.push_back(root.ChildAt(k));
    }
    ASSERT_EQ(sites.size(), 6u);
    // The compat-mode of a changed rule stays; open-in keeps its attribute.
    EXPECT_EQ(sites[0]->ChildAt(0)->Text(), u"IE8Enterprise");
    EXPECT_EQ(sites[1]->ChildAt(0)->Text(), u"default");
    EXPECT_EQ(sites[1]->ChildAt(1)->Attribute(u"allow-redirect"), u"true");
    EXPECT_EQ(sites[1]->ChildAt(1)->Text(), u"MSEdge");
    EXPECT_EQ(sites[2]->ChildAt(0)->Text(), u"IE11");
    // A rule the program adds: the url and an open-in, nothing else.
    for (const XmlNode* added : {sites[4], sites[5]}) {
        EXPECT_EQ(added->AttributeCount(), 1u);
        ASSERT_EQ(added->ChildCount(), 1u);
        EXPECT_EQ(added->ChildAt(0)->Name(), u"open-in");
    }
    EXPECT_EQ(sites[4]->ChildAt(0)->Text(), u"IE11");
    EXPECT_EQ(sites[5]->ChildAt(0)->Text(), u"None");
    // The header and comments are still there.
    EXPECT_EQ(root.ChildAt(0)->CommentText(), u"- File creation header -");
    EXPECT_EQ(root.ChildAt(1)->Name(), u"created-by");
}

TEST(SiteList, RefusesToMakeRulesThatCouldNeverMatch) {
    SiteList list = SiteList::Parse("<site-list><site url=\"a.com\"><open-in>IE11</open-in></site></site-list>");
    const std::vector<SiteRule> before = list.Rules();
    const struct {
        const char16_t* url;
        const char16_t* mentions;
    } cases[] = {
        {u"https://b.com", u"スキーム"},
        {u"*.b.com", u"ワイルドカード"},
        {u"b.com:65536", u"ポート"},
        {u"", u"空"},
        {u"b.com/\u0001", u"文字"},
    };
    for (const auto& c : cases) {
        for (int replace = 0; replace < 2; ++replace) {
            try {
                if (replace)
                    list.Replace(0, c.url, SiteEngine::Gecko);
                else
                    list.Add(c.url, SiteEngine::Gecko);
                ADD_FAILURE() << "accepted " << Utf8(c.url);
            } catch (const SiteListError& error) {
                EXPECT_NE(error.Message().find(c.mentions), std::u16string::npos) << Utf8(error.Message());
            }
        }
    }
    EXPECT_THROW(list.Replace(1, u"b.com", SiteEngine::Gecko), std::out_of_range);
    EXPECT_THROW(list.Remove(1), std::out_of_range);
    EXPECT_EQ(list.Rules(), before);
}

TEST(SiteList, StartsANewFileWhenThereWasNone) {
    SiteList list;
    EXPECT_TRUE(list.Rules().empty());
    list.Add(u"intranet.example.co.jp", SiteEngine::InternetExplorer);
    list.Add(u"Portal.Example.co.jp:8443/x", SiteEngine::Gecko);
    const std::string written = list.Write();
    const XmlParseResult tree = ParseAll(written);
    ASSERT_TRUE(tree.Ok());
    EXPECT_EQ(tree.document.root->Name(), u"site-list");
    EXPECT_EQ(tree.document.root->Attribute(u"version"), u"1");
    EXPECT_EQ(SiteList::Parse(written).Rules(), list.Rules());
    // An empty list, too, reads back.
    EXPECT_TRUE(SiteList::Parse(SiteList().Write()).Rules().empty());
}

TEST(SiteList, ReadsAndWritesHostileFilesSafely) {
    // Nesting far deeper than the call stack could follow, inside an
    // element the program does not use.
    const std::size_t depth = 100000;
    std::string deep = "<site-list><site url=\"a.com\"/><x>";
    for (std::size_t k = 0; k < depth; ++k) deep += "<d>";
    for (std::size_t k = 0; k < depth; ++k) deep += "</d>";
    deep += "</x></site-list>";
    const SiteList list = SiteList::Parse(deep);
    ASSERT_EQ(list.Rules().size(), 1u);
    const std::string written = list.Write();
    // Indentation stops growing, so the file stays about its size.
    EXPECT_LT(written.size(), deep.size() * 40);
    EXPECT_EQ(SiteList::Parse(written).Rules(), list.Rules());

    // Many attributes on one site, and many sites.
    std::string wide = "<site-list><site url=\"b.com\"";
    for (int k = 0; k < 5000; ++k) wide += " a" + std::to_string(k) + "=\"" + std::to_string(k) + "\"";
    wide += "/>";
    for (int k = 0; k < 20000; ++k) wide += "<site url=\"h" + std::to_string(k) + ".com\"/>";
    wide += "</site-list>";
    const SiteList many = SiteList::Parse(wide);
    EXPECT_EQ(many.Rules().size(), 20001u);
    EXPECT_EQ(SiteList::Parse(many.Write()).Rules(), many.Rules());
}

}  // namespace
}  // namespace vesko
