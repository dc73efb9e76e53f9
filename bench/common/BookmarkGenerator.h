// A deterministic generator of realistic bookmark trees for the benchmarks:
// folders nested up to eight deep, names of 5 to 40 characters (about a
// third of them Japanese), URLs of 20 to 200 characters. The same count and
// seed always give the same entries, on every platform.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "bookmarks/xml/BookmarkEntry.h"

namespace vesko::bench {

inline constexpr std::size_t kMaxGeneratedDepth = 8;    // folders around the deepest entry
inline constexpr std::size_t kMaxGeneratedLevel = 250;  // entries on one level, within the file's 8-bit counts

class SplitMix64 {
public:
    explicit SplitMix64(std::uint64_t seed) : state_(seed) {}
    std::uint64_t Next() {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // Uniform in [low, high].
    std::size_t Between(std::size_t low, std::size_t high) {
        return low + static_cast<std::size_t>(Next() % (high - low + 1));
    }
    bool Chance(unsigned percent) { return Next() % 100 < percent; }

private:
    std::uint64_t state_;
};

inline std::u16string GenerateName(SplitMix64& random) {
    // Characters every Shift_JIS codec has, including ones whose second
    // byte is a backslash (ソ, 表) and markup characters the writer escapes.
    static const std::u16string japanese =
        u"あいうえおかきくけこさしすせそたちつてとなにのはまやらわんアイウエオカキクケコサシスセソタチツテト"
        u"ナニノハマヤラワン日本語検索地図天気新聞経済技術開発旅行料理音楽映画写真動画東京大阪表能予申";
    static const std::u16string latin = u"abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789    -&<>'\"";
    const std::size_t length = random.Between(5, 40);
    const bool isJapanese = random.Chance(35);
    std::u16string name;
    name.reserve(length);
    while (name.size() < length) {
        if (isJapanese && !random.Chance(15))
            name += japanese[random.Between(0, japanese.size() - 1)];
        else
            name += latin[random.Between(0, latin.size() - 1)];
    }
    // Leading or trailing spaces are kept by the format but are not typical.
    if (name.front() == u' ') name.front() = u'x';
    if (name.back() == u' ') name.back() = u'y';
    return name;
}

inline std::u16string GenerateUrl(SplitMix64& random) {
    static const char16_t* const schemes[] = {u"http://", u"https://", u"https://www."};
    static const std::u16string host = u"abcdefghijklmnopqrstuvwxyz0123456789";
    static const std::u16string path = u"abcdefghijklmnopqrstuvwxyz0123456789/-_.~%=?&";
    const std::size_t length = random.Between(20, 200);
    std::u16string url = schemes[random.Between(0, 2)];
    const std::size_t hostLength = random.Between(4, 14);
    for (std::size_t i = 0; i < hostLength; ++i) url += host[random.Between(0, host.size() - 1)];
    url += random.Chance(60) ? u".com/" : u".co.jp/";
    while (url.size() < length) url += path[random.Between(0, path.size() - 1)];
    url.resize(length);
    return url;
}

// `count` entries in pre-order, ready for WriteBookmarkFile.
inline std::vector<BookmarkEntry> GenerateBookmarks(std::size_t count, std::uint64_t seed = 20240601) {
    SplitMix64 random(seed ^ count);
    std::vector<BookmarkEntry> entries;
    entries.reserve(count);
    std::vector<std::size_t> levelSizes{0};  // entries so far on each open level
    while (entries.size() < count) {
        std::size_t depth = levelSizes.size() - 1;
        // Leave a folder now and then; a full level must be left.
        while (depth > 0 && (levelSizes.back() >= kMaxGeneratedLevel || random.Chance(depth == 1 ? 1 : 9))) {
            levelSizes.pop_back();
            --depth;
        }
        const unsigned folderPercent = depth == 0 ? 70 : 12;
        const bool folder = depth < kMaxGeneratedDepth && random.Chance(folderPercent);
        BookmarkEntry entry;
        entry.depth = depth;
        entry.isFolder = folder;
        entry.name = GenerateName(random);
        if (!folder) entry.url = GenerateUrl(random);
        entries.push_back(std::move(entry));
        ++levelSizes.back();
        if (folder) levelSizes.push_back(0);
    }
    return entries;
}

}  // namespace vesko::bench
