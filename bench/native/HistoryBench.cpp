// History and completion at 1,000 and 100,000 addresses: reading the file
// at first use, the memory the loaded store takes, one keystroke's
// suggestions, and recording one visit (applying it and encoding its
// record). Every timing is the median of several runs; prints a table.
#include <malloc.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/common/BookmarkGenerator.h"
#include "bench/common/HistoryGenerator.h"
#include "bench/common/Timing.h"
#include "history/Completion.h"
#include "history/HistoryStore.h"

namespace {

using namespace vesko;
using bench::Clock;
using bench::GenerateHistoryFile;
using bench::kNow;
using bench::MedianSeconds;
using bench::Seconds;

// What a user types on the way to a page: its address past the scheme and
// "www.", one more character per keystroke, up to 15; and a title word.
std::vector<std::u16string> Keystrokes(const HistoryStore& store, bench::SplitMix64& random) {
    const std::vector<HistoryStore::Id> ids = store.Newest();
    std::vector<std::u16string> typed;
    for (int target = 0; target < 60; ++target) {
        const HistoryEntry entry = store.Entry(ids[random.Between(0, ids.size() - 1)]);
        std::u16string address = entry.address.substr(entry.address.find(u"//") + 2);
        if (address.rfind(u"www.", 0) == 0) address.erase(0, 4);
        for (std::size_t n = 1; n <= 15 && n <= address.size(); ++n) typed.push_back(address.substr(0, n));
        for (std::size_t n = 1; n <= 3 && n <= entry.title.size(); ++n) typed.push_back(entry.title.substr(0, n));
    }
    typed.push_back(u"zq#");  // matches nothing: the longest walk
    return typed;
}

}  // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(5, std::atoi(argv[1])) : 7;
    bench::SplitMix64 random(20261209);
    const std::vector<BookmarkEntry> bookmarks = bench::GenerateBookmarks(500);
    std::printf("| figure | addresses | median | per unit |\n|---|---|---|---|\n");
    for (const std::size_t count : {std::size_t{1000}, std::size_t{100000}}) {
        const std::string file = GenerateHistoryFile(count, random);
        const double load = MedianSeconds(runs, [&] {
            const auto start = Clock::now();
            const HistoryStore store = HistoryStore::Load(file);
            return Seconds(start);
        });
        const std::size_t heapBefore = mallinfo2().uordblks;
        HistoryStore store = HistoryStore::Load(file);
        const double heap = static_cast<double>(mallinfo2().uordblks - heapBefore);

        const std::vector<std::u16string> typed = Keystrokes(store, random);
        std::size_t offered = 0;
        const double keystroke = MedianSeconds(runs, [&] {
            const auto start = Clock::now();
            for (const std::u16string& text : typed) offered += SuggestAddresses(text, bookmarks, store).size();
            return Seconds(start) / static_cast<double>(typed.size());
        });
        const double historyOnly = MedianSeconds(runs, [&] {
            const auto start = Clock::now();
            for (const std::u16string& text : typed) offered += SuggestAddresses(text, {}, store).size();
            return Seconds(start) / static_cast<double>(typed.size());
        });
        const double worst = MedianSeconds(runs, [&] {
            const auto start = Clock::now();
            offered += SuggestAddresses(u"zq#", bookmarks, store).size();
            return Seconds(start);
        });

        // The history window: the whole list, and the list filtered as one types.
        const double list = MedianSeconds(runs, [&] {
            const auto start = Clock::now();
            offered += store.Newest().size();
            return Seconds(start);
        });
        const double filter = MedianSeconds(runs, [&] {
            const auto start = Clock::now();
            offered += store.Newest(u"ＳＨ").size();
            return Seconds(start);
        });

        // Half the visits revisit an address, half are new ones.
        const std::vector<HistoryStore::Id> ids = store.Newest();
        std::vector<std::u16string> revisits;
        for (int k = 0; k < 1000; ++k) revisits.push_back(store.Address(ids[random.Between(0, ids.size() - 1)]));
        int round = 0;
        std::size_t bytes = 0;
        const double visit = MedianSeconds(runs, [&] {
            const auto start = Clock::now();
            for (int k = 0; k < 1000; ++k) {
                const std::u16string address = k % 2 ? revisits[k]
                                                     : u"https://new.example/" +
                                                           std::u16string(1, static_cast<char16_t>(u'a' + round)) +
                                                           std::u16string(k % 50 + 1, u'p');
                const HistoryRecord record = VisitRecord(address, u"新しいページ", kNow + k);
                store.Apply(record);
                bytes += EncodeHistoryRecord(record).size();
            }
            ++round;
            return Seconds(start) / 1000;
        });
        const double compact = MedianSeconds(runs, [&] {
            const auto start = Clock::now();
            bytes += store.CompactedFile().size();
            return Seconds(start);
        });

        std::printf("| read history.dat at first use (%.1f MB) | %zu | %.3f ms | %.2f µs |\n", file.size() / 1e6, count,
                    load * 1e3, load * 1e6 / static_cast<double>(count));
        std::printf("| heap of the loaded store | %zu | %.1f MB | %.0f B |\n", count, heap / 1e6,
                    heap / static_cast<double>(count));
        std::printf("| suggestions for one keystroke (%zu typed, 500 bookmarks) | %zu | %.1f µs | |\n", typed.size(),
                    count, keystroke * 1e6);
        std::printf("| the same, no bookmarks | %zu | %.1f µs | |\n", count, historyOnly * 1e6);
        std::printf("| suggestions, text matching nothing | %zu | %.1f µs | |\n", count, worst * 1e6);
        std::printf("| history window: list newest first | %zu | %.3f ms | |\n", count, list * 1e3);
        std::printf("| history window: filter \"ＳＨ\" | %zu | %.3f ms | |\n", count, filter * 1e3);
        std::printf("| record one visit (apply + encode) | %zu | %.2f µs | |\n", count, visit * 1e6);
        std::printf("| compacted file | %zu | %.3f ms | |\n", count, compact * 1e3);
        if (offered == 0 || bytes == 0) return 1;
    }
    return 0;
}
