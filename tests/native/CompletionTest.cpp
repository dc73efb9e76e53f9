#include "history/Completion.h"

#include "tests/native/TestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vesko {
namespace {

constexpr std::int64_t kDay = 864000000000LL;
constexpr std::int64_t kNow = 133500000000000000LL;

std::vector<std::string> Shown(const std::vector<Suggestion>& suggestions) {
    std::vector<std::string> shown;
    for (const Suggestion& s : suggestions) shown.push_back((s.bookmark ? "* " : "") + Utf8(s.address));
    return shown;
}

HistoryStore Visited(const std::vector<std::pair<std::u16string, std::u16string>>& pages) {
    HistoryStore store;
    std::int64_t time = kNow;
    for (const auto& [address, title] : pages) store.Apply(VisitRecord(address, title, time++));
    return store;
}

TEST(Completion, MatchesAddressesPastSchemeAndWwwInAnyCaseAndWidth) {
    const HistoryStore store = Visited({{u"https://www.example.com/a", u""},
                                        {u"http://Example.org/", u""},
                                        {u"https://other.net/example", u""},
                                        {u"ftp://wwwexample.net/", u""}});
    const std::vector<std::string> both = {"http://Example.org/", "https://www.example.com/a"};
    for (const char16_t* typed : {u"exa", u"www.exa", u"https://exa", u"ＥＸＡ", u"  Example.  "})
        EXPECT_EQ(Shown(SuggestAddresses(typed, {}, store)), both) << Utf8(typed);
    EXPECT_EQ(Shown(SuggestAddresses(u"example.com/A", {}, store)),
              std::vector<std::string>{"https://www.example.com/a"});
    EXPECT_TRUE(SuggestAddresses(u"", {}, store).empty());
    EXPECT_TRUE(SuggestAddresses(u"  ", {}, store).empty());
    EXPECT_TRUE(SuggestAddresses(u"xample", {}, store).empty());
}

TEST(Completion, MatchesTitlesAnywhereAndPortsAndPaths) {
    const HistoryStore store = Visited({{u"https://tenki.example/", u"今日の天気予報"},
                                        {u"http://localhost:8080/app", u"Dev"},
                                        {u"file:///C:/docs/index.html", u"Docs"}});
    EXPECT_EQ(Shown(SuggestAddresses(u"天気", {}, store)), std::vector<std::string>{"https://tenki.example/"});
    EXPECT_EQ(Shown(SuggestAddresses(u"localhost:80", {}, store)),
              std::vector<std::string>{"http://localhost:8080/app"});
    EXPECT_EQ(Shown(SuggestAddresses(u"dev", {}, store)), std::vector<std::string>{"http://localhost:8080/app"});
    EXPECT_EQ(Shown(SuggestAddresses(u"c:/docs", {}, store)), std::vector<std::string>{"file:///C:/docs/index.html"});
}

TEST(Completion, BookmarksComeFirstAndAnAddressShowsOnce) {
    const HistoryStore store = Visited({{u"https://news.example/", u"News"}, {u"https://news.example/sports", u""}});
    const std::vector<BookmarkEntry> bookmarks = {
        Folder(0, u"ニュース"),
        Bookmark(1, u"Sports", u"https://news.example/sports"),
        Bookmark(1, u"Daily news", u"http://daily.example/"),
        Bookmark(1, u"Weather", u"http://weather.example/"),
        Bookmark(0, u"Sports again", u"https://news.example/sports"),
    };
    EXPECT_EQ(Shown(SuggestAddresses(u"news", bookmarks, store)),
              (std::vector<std::string>{"* https://news.example/sports", "* http://daily.example/",
                                        "https://news.example/"}));
}

TEST(Completion, RanksFrequentAndRecentVisitsFirst) {
    HistoryStore store;
    for (int k = 0; k < 8; ++k) store.Apply(VisitRecord(u"https://often.example/", u"", kNow - 5 * kDay + k));
    store.Apply(VisitRecord(u"https://once-today.example/", u"", kNow));
    store.Apply(VisitRecord(u"https://once-last-month.example/", u"", kNow - 30 * kDay));
    store.Apply(VisitRecord(u"https://twice-last-month.example/", u"", kNow - 31 * kDay));
    store.Apply(VisitRecord(u"https://twice-last-month.example/", u"", kNow - 30 * kDay));
    EXPECT_EQ(Shown(SuggestAddresses(u"o", {}, store)),
              (std::vector<std::string>{"https://often.example/", "https://once-today.example/",
                                        "https://once-last-month.example/"}));
    EXPECT_EQ(Shown(SuggestAddresses(u"t", {}, store)), std::vector<std::string>{"https://twice-last-month.example/"});
}

TEST(Completion, OffersTenOfManyMatchesTheBestFirst) {
    HistoryStore store;
    for (int k = 0; k < 5000; ++k) {
        const std::u16string n = u"page" + std::u16string(1, static_cast<char16_t>(u'a' + k % 26)) +
                                 std::u16string(k / 26 % 30, u'x') + u"/" + std::u16string(k % 7, u'y');
        store.Apply(VisitRecord(u"https://example.jp/" + n, u"タイトル", kNow + k));
    }
    store.Apply(VisitRecord(u"https://example.jp/pagea", u"", kNow + 10000));
    for (const char16_t* typed : {u"exam", u"example.jp/pageb", u"タイトル"}) {
        const std::vector<Suggestion> offered = SuggestAddresses(typed, {}, store);
        ASSERT_EQ(offered.size(), kMaxSuggestions) << Utf8(typed);
        for (const Suggestion& s : offered) EXPECT_NE(store.Find(s.address), std::nullopt);
    }
    // The most recent among many prefix matches leads.
    EXPECT_EQ(Utf8(SuggestAddresses(u"exam", {}, store).front().address), "https://example.jp/pagea");
    EXPECT_EQ(
        Utf8(SuggestAddresses(u"example.jp/pageb", {}, store).front().address).rfind("https://example.jp/pageb", 0),
        0u);
}

}  // namespace
}  // namespace vesko
