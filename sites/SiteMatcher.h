// Which site rule decides the engine for an address. A rule matches an http
// or https address whose host is the rule's host or ends with "." and it,
// on the rule's port when it names one (the address's own, else 80 or 443
// by its scheme), and whose path starts with the rule's path (letter case
// counts). Of the rules that match, the longest host wins, then the
// longest path, then the first in the file. An IP address matches only as
// a whole: its trailing numbers are no domain.
//
// The rules are indexed by host, and a lookup tries the address's host and
// each shorter suffix at a dot, and on each host only the path lengths its
// rules have: its cost does not grow with the number of rules.
#pragma once

#include "sites/SiteList.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace vesko {

class SiteMatcher {
public:
    // No rules: nothing matches.
    SiteMatcher() = default;
    // Rules that cannot match (SiteRule::site empty) are left out.
    explicit SiteMatcher(const std::vector<SiteRule>& rules);
    // Views into its own characters: moved, never copied.
    SiteMatcher(SiteMatcher&&) = default;
    SiteMatcher& operator=(SiteMatcher&&) = default;
    SiteMatcher(const SiteMatcher&) = delete;
    SiteMatcher& operator=(const SiteMatcher&) = delete;

    // The index, among the rules it was built from, of the rule that decides
    // `address` (a full address such as "https://www.example.co.jp/a?b");
    // none when no rule matches.
    std::optional<std::size_t> Find(std::u16string_view address) const;
    // That rule's engine: None when no rule matches, as when one says None.
    SiteEngine EngineFor(std::u16string_view address) const;

private:
    static constexpr std::uint32_t kNone = UINT32_MAX;

    // The rules of one host and path, in file order.
    struct Candidate {
        std::uint32_t rule;
        std::uint32_t port;  // 0: any
        std::uint32_t next;  // the next candidate of the same host and path
    };
    struct PathKey {
        std::uint32_t host;
        std::u16string_view path;
        bool operator==(const PathKey& other) const { return host == other.host && path == other.path; }
    };
    struct PathKeyHash {
        std::size_t operator()(const PathKey& key) const {
            const std::size_t h = std::hash<std::u16string_view>()(key.path);
            return h ^ (key.host + 0x9E3779B9u + (h << 6) + (h >> 2));
        }
    };
    struct Chain {
        std::uint32_t first;
        std::uint32_t last;
    };

    std::optional<std::size_t> FindOnHost(std::uint32_t host, std::u16string_view path, std::uint16_t port) const;

    std::vector<char16_t> chars_;  // every host and path; the views below point here
    std::unordered_map<std::u16string_view, std::uint32_t> hosts_;
    std::vector<std::vector<std::uint32_t>> pathLengths_;  // of each host's rules, longest first
    std::unordered_map<PathKey, Chain, PathKeyHash> paths_;
    std::vector<Candidate> candidates_;
    std::vector<SiteEngine> engines_;  // of every rule, by index
    std::size_t longestHost_ = 0;
};

}  // namespace vesko
