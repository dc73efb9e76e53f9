#include "sites/SiteMatcher.h"

#include <algorithm>
#include <functional>
#include <stdexcept>

namespace vesko {

SiteMatcher::SiteMatcher(const std::vector<SiteRule>& rules) : engines_(rules.size()) {
    if (rules.size() >= kNone) throw std::length_error("too many site rules");
    // All characters first, so that no view moves afterwards.
    std::size_t units = 0;
    for (const SiteRule& rule : rules) {
        if (rule.site) units += rule.site->host.size() + rule.site->path.size();
    }
    chars_.reserve(units);
    auto keep = [this](const std::u16string& text) {
        const std::size_t at = chars_.size();
        chars_.insert(chars_.end(), text.begin(), text.end());
        return std::u16string_view(chars_.data() + at, text.size());
    };
    for (std::size_t k = 0; k < rules.size(); ++k) {
        engines_[k] = rules[k].engine;
        if (!rules[k].site) continue;
        const SiteUrl& site = *rules[k].site;
        const std::u16string_view host = keep(site.host);
        const auto known = hosts_.emplace(host, static_cast<std::uint32_t>(pathLengths_.size()));
        if (known.second) pathLengths_.emplace_back();
        const std::uint32_t hostIndex = known.first->second;
        pathLengths_[hostIndex].push_back(static_cast<std::uint32_t>(site.path.size()));
        longestHost_ = std::max(longestHost_, host.size());

        const auto candidate = static_cast<std::uint32_t>(candidates_.size());
        candidates_.push_back({static_cast<std::uint32_t>(k), site.port.value_or(0), kNone});
        const auto chain = paths_.emplace(PathKey{hostIndex, keep(site.path)}, Chain{candidate, candidate});
        if (!chain.second) {
            candidates_[chain.first->second.last].next = candidate;
            chain.first->second.last = candidate;
        }
    }
    for (std::vector<std::uint32_t>& lengths : pathLengths_) {
        std::sort(lengths.begin(), lengths.end(), std::greater<std::uint32_t>());
        lengths.erase(std::unique(lengths.begin(), lengths.end()), lengths.end());
    }
}

std::optional<std::size_t> SiteMatcher::Find(std::u16string_view address) const {
    if (hosts_.empty()) return std::nullopt;
    const std::optional<PageAddress> page = ParsePageAddress(address);
    if (!page) return std::nullopt;
    const std::u16string_view host = page->host;
    const bool wholeOnly = IsIpAddressHost(host);
    // The host, then each suffix after a dot: longest first.
    for (std::size_t start = 0;;) {
        const std::u16string_view suffix = host.substr(start);
        if (suffix.size() <= longestHost_) {
            const auto known = hosts_.find(suffix);
            if (known != hosts_.end()) {
                if (const auto rule = FindOnHost(known->second, page->path, page->port)) return rule;
            }
        }
        const std::size_t dot = host.find(u'.', start);
        if (wholeOnly || dot == std::u16string_view::npos) return std::nullopt;
        start = dot + 1;
    }
}

// The longest path first; of the rules with that path, the first on the port.
std::optional<std::size_t> SiteMatcher::FindOnHost(std::uint32_t host, std::u16string_view path,
                                                   std::uint16_t port) const {
    for (const std::uint32_t length : pathLengths_[host]) {
        if (length > path.size()) continue;
        const auto chain = paths_.find(PathKey{host, path.substr(0, length)});
        if (chain == paths_.end()) continue;
        for (std::uint32_t c = chain->second.first; c != kNone; c = candidates_[c].next) {
            if (candidates_[c].port == 0 || candidates_[c].port == port) return candidates_[c].rule;
        }
    }
    return std::nullopt;
}

SiteEngine SiteMatcher::EngineFor(std::u16string_view address) const {
    const std::optional<std::size_t> rule = Find(address);
    return rule ? engines_[*rule] : SiteEngine::None;
}

}  // namespace vesko
