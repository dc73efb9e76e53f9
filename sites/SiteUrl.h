// The two kinds of address the site rules deal in: a rule's url, which is
// host[:port][/path] with no scheme, and the full address of a page.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vesko {

// What a rule's url names. The host has its ASCII letters lower-cased
// (international names are left as written) and no trailing dot; an IPv6
// literal keeps its brackets. The path is empty or starts with '/'.
struct SiteUrl {
    std::u16string host;
    std::optional<std::uint16_t> port;
    std::u16string path;

    bool operator==(const SiteUrl& other) const {
        return host == other.host && port == other.port && path == other.path;
    }
    bool operator!=(const SiteUrl& other) const { return !(*this == other); }
};

// Reads a rule's url (surrounding spaces aside). None when it is not of
// that form - a scheme, a wildcard, a query, a port out of range, a space
// inside - with the reason, in Japanese, in `why` when given.
std::optional<SiteUrl> ParseSiteUrl(std::u16string_view url, std::u16string* why = nullptr);

// A page's address as the rules see it. Only http and https addresses
// have one.
struct PageAddress {
    std::u16string host;       // as SiteUrl's, user name and password dropped
    std::uint16_t port = 0;    // as given, else 80 or 443 by the scheme
    std::u16string_view path;  // into the address, up to '?' or '#'; "/" when empty
};

std::optional<PageAddress> ParsePageAddress(std::u16string_view address);

// Whether a host is an IP address (IPv4, or IPv6 in brackets): its parts
// are numbers, not names, so it has no subdomains.
bool IsIpAddressHost(std::u16string_view host);

}  // namespace vesko
