// The generated history.dat shared by the native and the Windows
// benchmarks.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "bench/common/BookmarkGenerator.h"
#include "history/HistoryFile.h"

namespace vesko::bench {

constexpr std::int64_t kDay = 864000000000LL;
constexpr std::int64_t kNow = 133500000000000000LL;

// Pages on a twentieth as many hosts, addresses of 20 to 200 characters,
// titles of 5 to 40 (a third Japanese), 1 to 30 visits over 90 days.
inline std::string GenerateHistoryFile(std::size_t count, SplitMix64& random) {
    std::vector<std::u16string> hosts;
    for (std::size_t k = 0; k < std::max<std::size_t>(count / 20, 1); ++k) {
        std::u16string url = GenerateUrl(random);
        hosts.push_back(url.substr(0, url.find(u'/', 8) + 1));
    }
    std::string file = HistoryFileHeader();
    HistoryRecord record;
    record.kind = HistoryRecordKind::Entry;
    for (std::size_t k = 0; k < count; ++k) {
        const std::u16string tail = GenerateUrl(random);
        record.address = hosts[random.Between(0, hosts.size() - 1)] + tail.substr(tail.find(u'/', 8) + 1) + u"/";
        for (const char c : std::to_string(k)) record.address += static_cast<char16_t>(c);
        record.title = GenerateName(random);
        record.visits = static_cast<std::uint32_t>(random.Chance(60) ? 1 : random.Between(2, 30));
        record.time = kNow - static_cast<std::int64_t>(random.Between(0, 90 * 24)) * (kDay / 24);
        record.firstVisit = record.time - static_cast<std::int64_t>(random.Between(0, 30)) * kDay;
        AppendHistoryRecord(file, record);
    }
    return file;
}

}  // namespace vesko::bench
