#include "history/HistoryStore.h"

#include "tests/native/TestSupport.h"

#include <gtest/gtest.h>

#include <map>
#include <random>
#include <string>
#include <vector>

namespace vesko {
namespace {

constexpr std::int64_t kDay = 864000000000LL;
constexpr std::int64_t kNow = 133500000000000000LL;

std::vector<std::u16string> Addresses(const HistoryStore& store, const std::vector<HistoryStore::Id>& ids) {
    std::vector<std::u16string> addresses;
    for (const HistoryStore::Id id : ids) addresses.push_back(store.Address(id));
    return addresses;
}

TEST(HistoryStore, CountsVisitsPerAddressAndKeepsTheLatestTitle) {
    HistoryStore store;
    store.Apply(VisitRecord(u"https://example.jp/", u"", kNow));
    store.Apply(TitleRecord(u"https://example.jp/", u"例"));
    store.Apply(VisitRecord(u"https://other.jp/", u"他", kNow + 1));
    store.Apply(VisitRecord(u"https://example.jp/", u"", kNow + 2 * kDay));  // title not reported yet
    store.Apply(VisitRecord(u"https://example.jp/", u"例（改）", kNow + kDay));
    store.Apply(TitleRecord(u"https://nowhere.jp/", u"無"));

    ASSERT_EQ(store.Size(), 2u);
    const HistoryEntry entry = store.Entry(*store.Find(u"https://example.jp/"));
    EXPECT_EQ(Utf8(entry.title), "例（改）");
    EXPECT_EQ(entry.visits, 3u);
    EXPECT_EQ(entry.firstVisit, kNow);
    EXPECT_EQ(entry.lastVisit, kNow + 2 * kDay);
    EXPECT_FALSE(store.Find(u"https://nowhere.jp/"));
    EXPECT_FALSE(store.Find(u"https://EXAMPLE.jp/"));  // addresses are kept as the engine gives them
}

TEST(HistoryStore, ListsNewestFirstAndFiltersByAddressOrTitleAlikeInCaseAndWidth) {
    HistoryStore store;
    store.Apply(VisitRecord(u"http://abc.example/", u"Letters", kNow));
    store.Apply(VisitRecord(u"http://news.example/", u"ＶＥＳＫＯ ニュース", kNow + 2));
    store.Apply(VisitRecord(u"http://weather.example/", u"天気予報", kNow + 1));

    EXPECT_EQ(
        Addresses(store, store.Newest()),
        (std::vector<std::u16string>{u"http://news.example/", u"http://weather.example/", u"http://abc.example/"}));
    EXPECT_EQ(Addresses(store, store.Newest(u"ＡＢＣ")), std::vector<std::u16string>{u"http://abc.example/"});
    EXPECT_EQ(Addresses(store, store.Newest(u"vesko")), std::vector<std::u16string>{u"http://news.example/"});
    EXPECT_EQ(Addresses(store, store.Newest(u"予報")), std::vector<std::u16string>{u"http://weather.example/"});
    EXPECT_EQ(store.Newest(u".EXAMPLE/").size(), 3u);
    EXPECT_TRUE(store.Newest(u"nothing").empty());
}

TEST(HistoryStore, DeletesSelectedAddressesAndClearsAll) {
    HistoryStore store;
    for (char16_t c = u'a'; c <= u'e'; ++c)
        store.Apply(VisitRecord(u"http://" + std::u16string(1, c) + u".jp/", u"t", kNow + c));
    store.NoteCompacted();
    store.Apply(DeleteRecord(u"http://nowhere.jp/"));
    EXPECT_FALSE(store.CompactionDue());
    store.Apply(DeleteRecord(u"http://b.jp/"));
    store.Apply(DeleteRecord(u"http://d.jp/"));
    EXPECT_TRUE(store.CompactionDue());  // the deleted addresses leave the file at once
    store.NoteCompacted();
    EXPECT_EQ(Addresses(store, store.Newest()),
              (std::vector<std::u16string>{u"http://e.jp/", u"http://c.jp/", u"http://a.jp/"}));
    store.Apply(VisitRecord(u"http://b.jp/", u"again", kNow));
    EXPECT_EQ(store.Entry(*store.Find(u"http://b.jp/")).visits, 1u);

    store.Apply(ClearRecord());
    EXPECT_TRUE(store.CompactionDue());
    EXPECT_EQ(store.Size(), 0u);
    EXPECT_TRUE(store.Newest().empty());
    EXPECT_FALSE(store.Find(u"http://a.jp/"));
    store.Apply(VisitRecord(u"http://a.jp/", u"after", kNow));
    EXPECT_EQ(store.Size(), 1u);
}

TEST(HistoryStore, ACompactedFileHoldsTheSameHistoryAndCompactionFollowsTheLog) {
    HistoryStore store = HistoryStore::Load("");
    EXPECT_TRUE(store.MustRewrite());  // no file yet: written whole first
    store.NoteCompacted();
    EXPECT_FALSE(store.MustRewrite());
    std::string log = HistoryFileHeader();
    const auto apply = [&](const HistoryRecord& record) {
        store.Apply(record);
        AppendHistoryRecord(log, record);
    };
    int records = 0;
    while (!store.CompactionDue()) {
        apply(VisitRecord(u"https://site" + std::u16string(1, static_cast<char16_t>(u'0' + records % 7)) + u".jp/",
                          u"サイト", kNow + records));
        ++records;
    }
    EXPECT_GT(records, 1000);  // not rewritten for every few visits
    apply(DeleteRecord(u"https://site3.jp/"));

    const HistoryStore fromLog = HistoryStore::Load(log);
    const HistoryStore compacted = HistoryStore::Load(store.CompactedFile());
    EXPECT_TRUE(fromLog.CompactionDue());  // a deletion still in the file
    EXPECT_FALSE(compacted.CompactionDue());
    EXPECT_LT(store.CompactedFile().size(), log.size() / 100);
    for (const HistoryStore* other : {&fromLog, &compacted}) {
        ASSERT_EQ(other->Size(), 6u);
        for (const HistoryStore::Id id : store.Newest()) {
            const HistoryEntry a = store.Entry(id);
            const HistoryEntry b = other->Entry(*other->Find(a.address));
            EXPECT_EQ(a.title, b.title);
            EXPECT_EQ(a.visits, b.visits);
            EXPECT_EQ(a.firstVisit, b.firstVisit);
            EXPECT_EQ(a.lastVisit, b.lastVisit);
        }
    }
    store.NoteCompacted();
    EXPECT_FALSE(store.CompactionDue());
}

TEST(HistoryStore, ATornFileLoadsWhatWasWholeAndAsksToBeRewritten) {
    std::string bytes = HistoryFileHeader();
    AppendHistoryRecord(bytes, VisitRecord(u"https://a.jp/", u"A", kNow));
    const std::string whole = bytes;
    AppendHistoryRecord(bytes, VisitRecord(u"https://b.jp/", u"B", kNow));
    const HistoryStore torn = HistoryStore::Load(std::string_view(bytes).substr(0, bytes.size() - 3));
    EXPECT_EQ(torn.Size(), 1u);
    EXPECT_TRUE(torn.Find(u"https://a.jp/"));
    EXPECT_TRUE(torn.MustRewrite());
    EXPECT_TRUE(torn.CompactionDue());
    EXPECT_FALSE(HistoryStore::Load(whole).MustRewrite());
    EXPECT_FALSE(HistoryStore::Load(whole).CompactionDue());

    bytes[whole.size() - 2] ^= 1;  // inside the first record, the second still whole
    EXPECT_THROW(HistoryStore::Load(bytes), HistoryFileError);
}

// Many addresses added, revisited, retitled and deleted at random, checked
// against a plain map.
TEST(HistoryStore, AgreesWithASimpleModelOverManyChanges) {
    struct Model {
        std::u16string title;
        std::int64_t first, last;
        std::uint32_t visits;
    };
    std::map<std::u16string, Model> model;
    HistoryStore store;
    std::mt19937 random(7);
    for (int step = 0; step < 60000; ++step) {
        const unsigned n = random() % 5000;
        const std::u16string address = u"https://host" + std::u16string(1, static_cast<char16_t>(u'a' + n % 26)) +
                                       u".jp/" + std::u16string(n / 26 % 50, u'p') + (n % 3 ? u"" : u"ページ");
        const std::u16string title = std::u16string(random() % 30, n % 2 ? u'題' : u't');
        const std::int64_t time = kNow + static_cast<std::int64_t>(random() % 100000);
        if (random() % 4 == 0) {
            store.Apply(DeleteRecord(address));
            model.erase(address);
            continue;
        }
        store.Apply(VisitRecord(address, title, time));
        auto [it, added] = model.try_emplace(address, Model{title, time, time, 1});
        if (added) continue;
        Model& m = it->second;
        if (!title.empty()) m.title = title;
        m.first = std::min(m.first, time);
        m.last = std::max(m.last, time);
        ++m.visits;
    }
    ASSERT_EQ(store.Size(), model.size());
    for (const auto& [address, m] : model) {
        const auto id = store.Find(address);
        ASSERT_TRUE(id) << Utf8(address);
        const HistoryEntry e = store.Entry(*id);
        EXPECT_EQ(e.title, m.title);
        EXPECT_EQ(e.visits, m.visits);
        EXPECT_EQ(e.firstVisit, m.first);
        EXPECT_EQ(e.lastVisit, m.last);
    }
    EXPECT_EQ(store.Newest().size(), model.size());
}

}  // namespace
}  // namespace vesko
