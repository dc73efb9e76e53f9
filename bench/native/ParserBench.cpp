// The bookmark file's parser against pugixml and libxml2 on the generated
// files: throughput in MB/s, the median of several runs each. Prints one
// JSON object per line for scripts/bench.sh.
#include <libxml/parser.h>
#include <pugixml.hpp>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/common/BookmarkGenerator.h"
#include "bench/common/Timing.h"
#include "bookmarks/xml/BookmarkReader.h"
#include "bookmarks/xml/BookmarkWriter.h"
#include "bookmarks/xml/XmlParser.h"

namespace {

using vesko::bench::Clock;
using vesko::bench::MedianSeconds;
using vesko::bench::Seconds;

[[noreturn]] void Fail(const char* what, std::size_t entries) {
    std::fprintf(stderr, "parser bench: %s failed on the %zu-entry file\n", what, entries);
    std::exit(1);
}

}  // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(5, std::atoi(argv[1])) : 7;
    xmlInitParser();
    for (const std::size_t count : {std::size_t{1000}, std::size_t{10000}, std::size_t{100000}}) {
        const std::string bytes = vesko::WriteBookmarkFile(vesko::bench::GenerateBookmarks(count));

        // Every parser must see the whole file, or its speed means nothing.
        {
            const vesko::XmlParseResult ours = vesko::ParseXml(bytes);
            if (!ours.Ok() || vesko::ReadBookmarkEntries(ours.document.root.get()).size() != count)
                Fail("ParseXml", count);
            pugi::xml_document doc;
            if (!doc.load_buffer(bytes.data(), bytes.size(), pugi::parse_default, pugi::encoding_utf8))
                Fail("pugixml", count);
            xmlDocPtr xml = xmlReadMemory(bytes.data(), static_cast<int>(bytes.size()), nullptr, nullptr,
                                          XML_PARSE_NONET | XML_PARSE_HUGE);
            if (!xml) Fail("libxml2", count);
            xmlFreeDoc(xml);
        }

        // Each run parses into a fresh tree, freed after the clock stops.
        const double ours = MedianSeconds(runs, [&] {
            const auto start = Clock::now();
            vesko::XmlParseResult result = vesko::ParseXml(bytes);
            return Seconds(start);
        });
        const double pugi = MedianSeconds(runs, [&] {
            pugi::xml_document doc;
            const auto start = Clock::now();
            doc.load_buffer(bytes.data(), bytes.size(), pugi::parse_default, pugi::encoding_utf8);
            return Seconds(start);
        });
        const double libxml = MedianSeconds(runs, [&] {
            const auto start = Clock::now();
            xmlDocPtr doc = xmlReadMemory(bytes.data(), static_cast<int>(bytes.size()), nullptr, nullptr,
                                          XML_PARSE_NONET | XML_PARSE_HUGE);
            const double seconds = Seconds(start);
            xmlFreeDoc(doc);
            return seconds;
        });

        const double megabytes = static_cast<double>(bytes.size()) / 1e6;
        std::printf(
            "{\"group\":\"parser\",\"entries\":%zu,\"bytes\":%zu,\"runs\":%d,"
            "\"ours_ms\":%.3f,\"pugixml_ms\":%.3f,\"libxml2_ms\":%.3f,"
            "\"ours_mb_s\":%.1f,\"pugixml_mb_s\":%.1f,\"libxml2_mb_s\":%.1f,"
            "\"ratio_to_pugixml\":%.3f,\"ratio_to_libxml2\":%.3f}\n",
            count, bytes.size(), runs, ours * 1e3, pugi * 1e3, libxml * 1e3, megabytes / ours, megabytes / pugi,
            megabytes / libxml, pugi / ours, libxml / ours);
    }
    xmlCleanupParser();
    return 0;
}
