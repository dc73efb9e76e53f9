#include "sites/SiteMatcher.h"

#include <algorithm>
#include <stdexcept>

namespace vesko {
namespace {

// Keys hash as polynomials in kBase (mod 2^64): H(t) = t[0] B^(n-1) + ... +
// t[n-1]. Then H(t[i..]) = H(t) - H(t[..i]) B^(n-i), so the hash of each
// suffix of an address's host comes in constant time from the whole's.
constexpr std::uint64_t kBase = 0x100000001B3ull;  // odd, so it has an inverse

constexpr std::uint64_t InverseOf(std::uint64_t odd) {
    std::uint64_t x = odd;  // right in the lowest 3 bits; each step doubles that
    for (int k = 0; k < 6; ++k) x *= 2 - odd * x;
    return x;
}
constexpr std::uint64_t kBaseInverse = InverseOf(kBase);
static_assert(kBase * kBaseInverse == 1, "the base's inverse");

std::uint64_t Polynomial(std::u16string_view text, std::uint64_t hash = 0) {
    for (const char16_t c : text) hash = hash * kBase + c;
    return hash;
}

// Spreads a polynomial's weak low bits over the whole (MurmurHash3's finaliser).
std::uint64_t Mixed(std::uint64_t hash) {
    hash ^= hash >> 33;
    hash *= 0xFF51AFD7ED558CCDull;
    hash ^= hash >> 33;
    hash *= 0xC4CEB9FE1A85EC53ull;
    return hash ^ (hash >> 33);
}

std::uint64_t PathHash(std::uint64_t polynomial, std::uint32_t host) {
    return Mixed(polynomial + (host + 1ull) * 0x9E3779B97F4A7C15ull);
}

// Room for twice as many keys: probes stay short.
std::size_t TableSize(std::size_t keys) {
    std::size_t size = 2;
    while (size < 2 * keys) size *= 2;
    return size;
}

// The item of the first slot from `hash` on that holds it and whose key
// `matches`; UINT32_MAX at an empty slot.
template <class Slot, class Matches>
std::uint32_t Probe(const std::vector<Slot>& slots, std::uint64_t hash, Matches matches) {
    const std::size_t mask = slots.size() - 1;
    const auto high = static_cast<std::uint32_t>(hash >> 32);
    for (std::size_t k = static_cast<std::size_t>(hash) & mask;; k = (k + 1) & mask) {
        if (slots[k].item == UINT32_MAX) return UINT32_MAX;
        if (slots[k].hash == high && matches(slots[k].item)) return slots[k].item;
    }
}

template <class Slot>
void Insert(std::vector<Slot>& slots, std::uint64_t hash, std::uint32_t item) {
    const std::size_t mask = slots.size() - 1;
    std::size_t k = static_cast<std::size_t>(hash) & mask;
    while (slots[k].item != UINT32_MAX) k = (k + 1) & mask;
    slots[k] = {static_cast<std::uint32_t>(hash >> 32), item};
}

}  // namespace

SiteMatcher::SiteMatcher(const std::vector<SiteRule>& rules) : engines_(rules.size()) {
    std::size_t usable = 0;
    std::size_t units = 0;
    for (const SiteRule& rule : rules) {
        if (!rule.site) continue;
        ++usable;
        units += rule.site->host.size() + rule.site->path.size();
    }
    if (rules.size() >= kNone || units >= kNone) throw std::length_error("too many site rules");
    chars_.reserve(units);
    hostSlots_.resize(TableSize(usable));
    pathSlots_.resize(TableSize(usable));
    std::vector<std::pair<std::uint32_t, std::uint32_t>> lengths;  // host, a path length of its
    for (std::size_t k = 0; k < rules.size(); ++k) {
        engines_[k] = rules[k].engine;
        if (rules[k].site) AddRule(static_cast<std::uint32_t>(k), *rules[k].site, lengths);
    }
    // Each host's path lengths, shortest first, once each.
    std::sort(lengths.begin(), lengths.end());
    lengths.erase(std::unique(lengths.begin(), lengths.end()), lengths.end());
    for (const auto& [host, length] : lengths) {
        if (hosts_[host].lengthsCount++ == 0) hosts_[host].lengthsAt = static_cast<std::uint32_t>(lengths_.size());
        lengths_.push_back(length);
    }
}

SiteMatcher::Text SiteMatcher::Keep(std::u16string_view text) {
    const auto at = static_cast<std::uint32_t>(chars_.size());
    chars_.insert(chars_.end(), text.begin(), text.end());
    return {at, static_cast<std::uint32_t>(text.size())};
}

std::uint32_t SiteMatcher::FindHost(std::uint64_t hash, std::u16string_view host) const {
    return Probe(hostSlots_, hash, [&](std::uint32_t item) { return View(hosts_[item].name) == host; });
}

std::uint32_t SiteMatcher::FindPath(std::uint64_t hash, std::uint32_t host, std::u16string_view path) const {
    return Probe(pathSlots_, hash,
                 [&](std::uint32_t item) { return paths_[item].host == host && View(paths_[item].path) == path; });
}

std::uint32_t SiteMatcher::AddHost(std::u16string_view name) {
    const std::uint64_t hash = Mixed(Polynomial(name));
    std::uint32_t host = FindHost(hash, name);
    if (host != kNone) return host;
    host = static_cast<std::uint32_t>(hosts_.size());
    hosts_.push_back({Keep(name)});
    Insert(hostSlots_, hash, host);
    longestHost_ = std::max(longestHost_, name.size());
    return host;
}

void SiteMatcher::AddRule(std::uint32_t rule, const SiteUrl& site,
                          std::vector<std::pair<std::uint32_t, std::uint32_t>>& lengths) {
    const std::uint32_t host = AddHost(site.host);
    const std::uint64_t hash = PathHash(Polynomial(site.path), host);
    const auto candidate = static_cast<std::uint32_t>(candidates_.size());
    candidates_.push_back({rule, site.port.value_or(0), kNone});
    const std::uint32_t path = FindPath(hash, host, site.path);
    if (path != kNone) {
        candidates_[paths_[path].last].next = candidate;
        paths_[path].last = candidate;
        return;
    }
    paths_.push_back({host, Keep(site.path), candidate, candidate});
    Insert(pathSlots_, hash, static_cast<std::uint32_t>(paths_.size() - 1));
    lengths.emplace_back(host, static_cast<std::uint32_t>(site.path.size()));
}

std::optional<std::size_t> SiteMatcher::Find(std::u16string_view address) const {
    if (hosts_.empty()) return std::nullopt;
    const std::optional<PageAddress> page = ParsePageAddress(address);
    if (!page) return std::nullopt;
    const std::u16string_view host = page->host;
    const bool wholeOnly = IsIpAddressHost(host);
    const std::uint64_t whole = Polynomial(host);
    std::uint64_t power = 1;  // B^(n-i)
    for (std::size_t k = 0; k < host.size(); ++k) power *= kBase;
    std::uint64_t prefix = 0;  // H(host[..i])
    // The host, then each suffix after a dot: longest first.
    for (std::size_t i = 0; i < host.size(); ++i) {
        if ((i == 0 || host[i - 1] == u'.') && host.size() - i <= longestHost_) {
            const std::uint32_t found = FindHost(Mixed(whole - prefix * power), host.substr(i));
            if (found != kNone) {
                if (const auto rule = FindOnHost(found, page->path, page->port)) return rule;
            }
        }
        if (wholeOnly) break;
        prefix = prefix * kBase + host[i];
        power *= kBaseInverse;
    }
    return std::nullopt;
}

// The longest path that has a rule on the port; the first such rule.
std::optional<std::size_t> SiteMatcher::FindOnHost(std::uint32_t host, std::u16string_view path,
                                                   std::uint16_t port) const {
    const Host& entry = hosts_[host];
    std::optional<std::size_t> best;
    std::uint64_t prefix = 0;  // H(path[..done])
    std::size_t done = 0;
    for (std::uint32_t k = 0; k < entry.lengthsCount; ++k) {
        const std::size_t length = lengths_[entry.lengthsAt + k];
        if (length > path.size()) break;
        prefix = Polynomial(path.substr(done, length - done), prefix);
        done = length;
        const std::uint32_t found = FindPath(PathHash(prefix, host), host, path.substr(0, length));
        for (std::uint32_t c = found == kNone ? kNone : paths_[found].first; c != kNone; c = candidates_[c].next) {
            if (candidates_[c].port == 0 || candidates_[c].port == port) {
                best = candidates_[c].rule;
                break;
            }
        }
    }
    return best;
}

SiteEngine SiteMatcher::EngineFor(std::u16string_view address) const {
    const std::optional<std::size_t> rule = Find(address);
    return rule ? engines_[*rule] : SiteEngine::None;
}

}  // namespace vesko
