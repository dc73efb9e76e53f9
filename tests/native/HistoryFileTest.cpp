#include "history/HistoryFile.h"

#include "tests/native/TestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vesko {
namespace {

std::vector<HistoryRecord> ReadAll(std::string_view bytes, std::size_t* length = nullptr) {
    std::vector<HistoryRecord> records;
    const std::size_t read = ReadHistoryFile(bytes, [&](const HistoryRecord& r) { records.push_back(r); });
    if (length) *length = read;
    return records;
}

HistoryRecord Entry(std::u16string address, std::u16string title, std::int64_t first, std::int64_t last,
                    std::uint32_t visits) {
    HistoryRecord record;
    record.kind = HistoryRecordKind::Entry;
    record.address = std::move(address);
    record.title = std::move(title);
    record.firstVisit = first;
    record.time = last;
    record.visits = visits;
    return record;
}

std::string FileOf(const std::vector<HistoryRecord>& records) {
    std::string bytes = HistoryFileHeader();
    for (const HistoryRecord& record : records) AppendHistoryRecord(bytes, record);
    return bytes;
}

const std::vector<HistoryRecord> kThree = {
    VisitRecord(u"https://www.example.co.jp/", u"例のページ", 133000000000000000),
    TitleRecord(u"https://www.example.co.jp/", u"例のページ（新）"),
    VisitRecord(u"http://example.org/a?b=c#d", u"Example", 133000000100000000),
};

TEST(HistoryFile, ReadsBackManyRecordsOfEveryKindExactly) {
    std::vector<HistoryRecord> records;
    for (int k = 0; k < 3000; ++k) {
        const std::u16string n(1, static_cast<char16_t>(u'a' + k % 26));
        const std::u16string address = u"https://例え.jp/" + n + u"/" + std::u16string(k % 40, u'x');
        switch (k % 6) {
        case 0:
            records.push_back(VisitRecord(address, u"日本語のタイトル 🍣 " + n, -5 + k * 1000000007LL));
            break;
        case 1:
            records.push_back(TitleRecord(address, u""));
            break;
        case 2:
            records.push_back(DeleteRecord(address));
            break;
        case 3:
            records.push_back(ClearRecord());
            break;
        case 4:
            records.push_back(Entry(address, u"ｶﾀｶﾅ\u3000全角", k, k * 3LL, 1u + k));
            break;
        default:
            records.push_back(VisitRecord(address, std::u16string(1, u'\xD800'), 0));
            break;  // lone surrogate
        }
    }
    const std::string bytes = FileOf(records);
    std::size_t length = 0;
    EXPECT_EQ(ReadAll(bytes, &length), records);
    EXPECT_EQ(length, bytes.size());
    EXPECT_TRUE(ReadAll(HistoryFileHeader()).empty());
}

TEST(HistoryFile, CutsOffATornLastRecordAtEveryLength) {
    const std::string whole = FileOf(kThree);
    const std::size_t twoEnd = FileOf({kThree[0], kThree[1]}).size();
    for (std::size_t size = twoEnd; size < whole.size(); ++size) {
        std::size_t length = 0;
        EXPECT_EQ(ReadAll(whole.substr(0, size), &length), (std::vector<HistoryRecord>{kThree[0], kThree[1]}))
            << "cut at " << size;
        EXPECT_EQ(length, twoEnd);
    }
    for (std::size_t size = 0; size < HistoryFileHeader().size(); ++size) {
        std::size_t length = 1;
        EXPECT_TRUE(ReadAll(whole.substr(0, size), &length).empty());
        EXPECT_EQ(length, 0u);
    }
}

TEST(HistoryFile, CutsOffALastRecordThatPowerLossLeftAsZeros) {
    const std::string two = FileOf({kThree[0], kThree[1]});
    std::string torn = FileOf(kThree);
    for (std::size_t k = two.size() + 5; k < torn.size(); ++k) torn[k] = '\0';
    EXPECT_EQ(ReadAll(torn).size(), 2u);
    const std::string zeros = two + std::string(4096, '\0');
    std::size_t length = 0;
    EXPECT_EQ(ReadAll(zeros, &length).size(), 2u);
    EXPECT_EQ(length, two.size());
}

TEST(HistoryFile, AnEndLongerThanAnyRecordIsDamageNotATornWrite) {
    const std::string two = FileOf({kThree[0], kThree[1]});
    EXPECT_THROW(ReadAll(two + std::string(64 * 1024, '\0')), HistoryFileError);
    EXPECT_THROW(ReadAll(two + std::string(64 * 1024, '\xFF')), HistoryFileError);
}

TEST(HistoryFile, DamageBeforeTheLastRecordIsReported) {
    const std::string whole = FileOf(kThree);
    const std::size_t oneEnd = FileOf({kThree[0]}).size();
    // Any changed byte of the first record, its length and checksum included.
    for (std::size_t at = HistoryFileHeader().size(); at < oneEnd; ++at) {
        std::string damaged = whole;
        damaged[at] = static_cast<char>(damaged[at] ^ 0x10);
        EXPECT_THROW(ReadAll(damaged), HistoryFileError) << "byte " << at;
    }
    std::string missing = whole;
    missing.erase(oneEnd + 3, 1);
    try {
        ReadAll(missing);
        ADD_FAILURE() << "a record cut short in the middle was read";
    } catch (const HistoryFileError& error) {
        EXPECT_FALSE(error.Message().empty());
    }
}

TEST(HistoryFile, RefusesFilesThatAreNotHistory) {
    EXPECT_THROW(ReadAll("<?xml version=\"1.0\"?><bookmark/>"), HistoryFileError);
    EXPECT_THROW(ReadAll("Vesq"), HistoryFileError);  // short, and not the header's start
    std::string newer = FileOf(kThree);
    newer[7] = 2;
    EXPECT_THROW(ReadAll(newer), HistoryFileError);
}

TEST(HistoryFile, KeepsLongTitlesCutAndRefusesWhatCannotBeRead) {
    const std::u16string title = std::u16string(kHistoryMaxTitle - 1, u'あ') + u"🍣🍣";
    const std::vector<HistoryRecord> read = ReadAll(FileOf({VisitRecord(u"http://a/", title, 1)}));
    ASSERT_EQ(read.size(), 1u);
    EXPECT_EQ(read[0].title, std::u16string(kHistoryMaxTitle - 1, u'あ'));  // not half a pair
    std::string out;
    EXPECT_THROW(AppendHistoryRecord(out, VisitRecord(u"", u"t", 1)), std::invalid_argument);
    EXPECT_THROW(AppendHistoryRecord(out, Entry(u"http://a/", u"", 5, 4, 1)), std::invalid_argument);
    EXPECT_THROW(AppendHistoryRecord(out, Entry(u"http://a/", u"", 4, 5, 0)), std::invalid_argument);
}

TEST(HistoryFile, AboutPagesAndOverlongAddressesAreNotVisits) {
    EXPECT_TRUE(ShouldRecordVisit(u"https://example.com/"));
    EXPECT_TRUE(ShouldRecordVisit(u"file:///C:/doc/a.html"));
    EXPECT_FALSE(ShouldRecordVisit(u"about:blank"));
    EXPECT_FALSE(ShouldRecordVisit(u"About:Home"));
    EXPECT_FALSE(ShouldRecordVisit(u""));
    EXPECT_FALSE(ShouldRecordVisit(u"data:text/html," + std::u16string(kHistoryMaxAddress, u'a')));
}

}  // namespace
}  // namespace vesko
