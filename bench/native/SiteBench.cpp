// The site rules: the time to decide the engine for an address with 10 and
// with 10,000 rules, each beside a plain scan that makes one string
// comparison per rule; and reading a 10,000-rule sites.xml into rules and
// an index, beside parsing its bytes alone. Medians of several runs; one
// JSON object per line for scripts/bench.sh.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/common/Timing.h"
#include "bookmarks/xml/XmlParser.h"
#include "sites/SiteList.h"
#include "sites/SiteMatcher.h"

namespace {

using vesko::SiteEngine;
using vesko::bench::Clock;
using vesko::bench::MedianSeconds;
using vesko::bench::Seconds;

std::u16string U16(const std::string& ascii) { return std::u16string(ascii.begin(), ascii.end()); }

// A list as an organisation might keep one: hosts in departments, every
// third rule with a path, every fifth on a port of its own.
vesko::SiteList MakeList(std::size_t count) {
    vesko::SiteList list;
    for (std::size_t k = 0; k < count; ++k) {
        std::string url = "app" + std::to_string(k) + ".dept" + std::to_string(k % 97) + ".corp.example.co.jp";
        if (k % 5 == 4) url += ":8080";
        if (k % 3 == 2) url += "/sites/s" + std::to_string(k);
        list.Add(U16(url), k % 2 ? SiteEngine::Gecko : SiteEngine::InternetExplorer);
    }
    return list;
}

// Half the addresses fall under some rule, half under none; the same mix
// for every list size.
std::vector<std::u16string> MakeAddresses(std::size_t rules, std::size_t count) {
    std::vector<std::u16string> addresses;
    std::uint32_t seed = 12345;
    auto next = [&seed] { return seed = seed * 1664525u + 1013904223u; };
    for (std::size_t k = 0; k < count; ++k) {
        const std::size_t i = next() % rules;
        std::string address;
        if (k % 2 == 0) {
            address = "https://www.app" + std::to_string(i) + ".dept" + std::to_string(i % 97) + ".corp.example.co.jp";
            if (i % 5 == 4) address += ":8080";
            address += i % 3 == 2 ? "/sites/s" + std::to_string(i) + "/default.aspx?x=1" : "/index.html";
        } else {
            address = "https://www.other" + std::to_string(next() % 100000) + ".example.com/path/page.html#top";
        }
        addresses.push_back(U16(address));
    }
    return addresses;
}

// One list size: its rules, their matcher, and the addresses asked about.
struct Setup {
    explicit Setup(std::size_t count)
        : list(MakeList(count)), matcher(list.Rules()), addresses(MakeAddresses(count, 4096)) {
        for (const std::u16string& address : addresses) hosts.push_back(vesko::ParsePageAddress(address)->host);
        scanRounds = std::max<std::size_t>(1, 400000 / (addresses.size() * count) + 1);
    }
    vesko::SiteList list;
    vesko::SiteMatcher matcher;
    std::vector<std::u16string> addresses;
    std::vector<std::u16string> hosts;  // of the addresses, for the scan
    std::size_t scanRounds;
};

volatile std::size_t sink = 0;

// Nanoseconds per address.
double TimeMatcher(const Setup& setup) {
    const std::size_t rounds = 100;
    std::size_t found = 0;
    const auto start = Clock::now();
    for (std::size_t r = 0; r < rounds; ++r) {
        for (const std::u16string& address : setup.addresses) found += setup.matcher.Find(address).value_or(0);
    }
    const double seconds = Seconds(start);
    sink = sink + found;
    return seconds * 1e9 / static_cast<double>(rounds * setup.addresses.size());
}

// The same for a scan that compares each address's host with every rule's.
double TimeScan(const Setup& setup) {
    std::size_t equal = 0;
    const auto start = Clock::now();
    for (std::size_t r = 0; r < setup.scanRounds; ++r) {
        for (const std::u16string& host : setup.hosts) {
            for (const vesko::SiteRule& rule : setup.list.Rules()) equal += host == rule.site->host;
        }
    }
    const double seconds = Seconds(start);
    sink = sink + equal;
    return seconds * 1e9 / static_cast<double>(setup.scanRounds * setup.hosts.size());
}

double Median(std::vector<double> samples) {
    std::sort(samples.begin(), samples.end());
    return samples[samples.size() / 2];
}

void TimeReading(std::size_t count, int runs) {
    const std::string bytes = MakeList(count).Write();
    const double read = MedianSeconds(runs, [&] {
        const auto start = Clock::now();
        const vesko::SiteList list = vesko::SiteList::Parse(bytes);
        const vesko::SiteMatcher matcher(list.Rules());
        return Seconds(start);
    });
    const double parse = MedianSeconds(runs, [&] {
        const auto start = Clock::now();
        const vesko::XmlParseResult result = vesko::ParseXml(bytes);
        return Seconds(start);
    });
    std::printf(
        "{\"group\":\"sites\",\"name\":\"read sites.xml and index its rules\",\"entries\":%zu,\"bytes\":%zu,"
        "\"runs\":%d,\"ms\":%.3f,\"baseline\":\"parse only (ParseXml, nothing kept)\",\"baseline_ms\":%.3f,"
        "\"ratio\":%.3f}\n",
        count, bytes.size(), runs, read * 1e3, parse * 1e3, read / parse);
}

}  // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(5, std::atoi(argv[1])) : 7;
    const std::size_t sizes[] = {10, 10000};
    const Setup setups[] = {Setup(sizes[0]), Setup(sizes[1])};
    // The sizes take turns run by run, so that a change in the host's load
    // falls on both.
    std::vector<double> ours[2];
    std::vector<double> scans[2];
    for (int r = 0; r < runs; ++r) {
        for (int k = 0; k < 2; ++k) {
            ours[k].push_back(TimeMatcher(setups[k]));
            scans[k].push_back(TimeScan(setups[k]));
        }
    }
    double ns[2];
    for (int k = 0; k < 2; ++k) {
        ns[k] = Median(ours[k]);
        const double scan = Median(scans[k]);
        std::printf(
            "{\"group\":\"sites\",\"name\":\"engine for an address\",\"entries\":%zu,\"runs\":%d,"
            "\"ns\":%.1f,\"baseline\":\"one string comparison per rule\",\"baseline_ns\":%.1f,\"ratio\":%.3f}\n",
            sizes[k], runs, ns[k], scan, ns[k] / scan);
    }
    std::printf(
        "{\"group\":\"sites\",\"name\":\"engine for an address, 10,000 rules against 10\",\"runs\":%d,"
        "\"ns\":%.1f,\"baseline\":\"the same with 10 rules\",\"baseline_ns\":%.1f,\"ratio\":%.3f}\n",
        runs, ns[1], ns[0], ns[1] / ns[0]);
    TimeReading(10000, runs);
    return 0;
}
