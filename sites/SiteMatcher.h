// Which site rule decides the engine for an address. A rule matches an http
// or https address whose host is the rule's host or ends with "." and it,
// on the rule's port when it names one (the address's own, else 80 or 443
// by its scheme), and whose path starts with the rule's path (letter case
// counts). Of the rules that match, the longest host wins, then the
// longest path, then the first in the file. An IP address matches only as
// a whole: its trailing numbers are no domain.
//
// The rules are indexed by host in an open-addressed table, and a lookup
// tries the address's host and each shorter suffix at a dot (the hash of
// each suffix follows from the whole host's in constant time), then on a
// host found only the path lengths its rules have: its cost does not grow
// with the number of rules.
#pragma once

#include "sites/SiteList.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

namespace vesko {

class SiteMatcher {
public:
    // No rules: nothing matches.
    SiteMatcher() = default;
    // Rules that cannot match (SiteRule::site empty) are left out.
    explicit SiteMatcher(const std::vector<SiteRule>& rules);

    // The index, among the rules it was built from, of the rule that decides
    // `address` (a full address such as "https://www.example.co.jp/a?b");
    // none when no rule matches.
    std::optional<std::size_t> Find(std::u16string_view address) const;
    // That rule's engine: None when no rule matches, as when one says None.
    SiteEngine EngineFor(std::u16string_view address) const;

private:
    static constexpr std::uint32_t kNone = UINT32_MAX;

    // A table entry: the high half of a key's hash, and what it leads to.
    struct Slot {
        std::uint32_t hash;
        std::uint32_t item = kNone;
    };
    // Characters are kept as offsets into chars_.
    struct Text {
        std::uint32_t at;
        std::uint32_t size;
    };
    struct Host {
        Text name;
        std::uint32_t lengthsAt = 0;  // its rules' path lengths in lengths_, shortest first
        std::uint32_t lengthsCount = 0;
    };
    struct Path {
        std::uint32_t host;
        Text path;
        std::uint32_t first;  // its candidates in file order
        std::uint32_t last;
    };
    struct Candidate {
        std::uint32_t rule;
        std::uint32_t port;  // 0: any
        std::uint32_t next;  // the next of the same host and path
    };

    std::u16string_view View(Text text) const { return {chars_.data() + text.at, text.size}; }
    Text Keep(std::u16string_view text);
    std::uint32_t FindHost(std::uint64_t hash, std::u16string_view host) const;
    std::uint32_t FindPath(std::uint64_t hash, std::uint32_t host, std::u16string_view path) const;
    std::uint32_t AddHost(std::u16string_view name);
    // Also notes the host and its path's length in `lengths`.
    void AddRule(std::uint32_t rule, const SiteUrl& site, std::vector<std::pair<std::uint32_t, std::uint32_t>>& lengths);
    std::optional<std::size_t> FindOnHost(std::uint32_t host, std::u16string_view path, std::uint16_t port) const;

    std::vector<char16_t> chars_;
    std::vector<Slot> hostSlots_;
    std::vector<Slot> pathSlots_;
    std::vector<Host> hosts_;
    std::vector<Path> paths_;
    std::vector<std::uint32_t> lengths_;
    std::vector<Candidate> candidates_;
    std::vector<SiteEngine> engines_;  // of every rule, by index
    std::size_t longestHost_ = 0;
};

}  // namespace vesko
