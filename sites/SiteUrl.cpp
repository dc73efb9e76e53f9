#include "sites/SiteUrl.h"

#include <algorithm>

namespace vesko {
namespace {

bool IsXmlSpace(char16_t c) { return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r'; }

std::u16string_view Trimmed(std::u16string_view text, bool (*space)(char16_t)) {
    while (!text.empty() && space(text.front())) text.remove_prefix(1);
    while (!text.empty() && space(text.back())) text.remove_suffix(1);
    return text;
}

// What the URL standard strips from both ends of an address.
bool IsControlOrSpace(char16_t c) { return c <= u' '; }

std::u16string LowerAscii(std::u16string_view text) {
    std::u16string lower(text);
    for (char16_t& c : lower) {
        if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
    }
    return lower;
}

bool EqualsIgnoringAsciiCase(std::u16string_view text, std::u16string_view lower) {
    return text.size() == lower.size() && LowerAscii(text) == lower;
}

// A port of 1 to 5 digits, 1 to 65535.
std::optional<std::uint16_t> ReadPort(std::u16string_view digits) {
    if (digits.empty() || digits.size() > 5) return std::nullopt;
    std::uint32_t value = 0;
    for (const char16_t c : digits) {
        if (c < u'0' || c > u'9') return std::nullopt;
        value = value * 10 + static_cast<std::uint32_t>(c - u'0');
    }
    if (value == 0 || value > 65535) return std::nullopt;
    return static_cast<std::uint16_t>(value);
}

// Splits "host[:port]" where an IPv6 literal keeps its brackets. False when
// a bracket is not closed or something other than a port follows it.
bool SplitHostPort(std::u16string_view hostPort, std::u16string_view& host, std::u16string_view& port,
                   bool& hasPort) {
    std::size_t hostEnd = 0;
    if (!hostPort.empty() && hostPort.front() == u'[') {
        const std::size_t close = hostPort.find(u']');
        if (close == std::u16string_view::npos) return false;
        hostEnd = close + 1;
        if (hostEnd < hostPort.size() && hostPort[hostEnd] != u':') return false;
    } else {
        hostEnd = std::min(hostPort.find(u':'), hostPort.size());
    }
    host = hostPort.substr(0, hostEnd);
    hasPort = hostEnd < hostPort.size();
    port = hasPort ? hostPort.substr(hostEnd + 1) : std::u16string_view();
    return true;
}

// Drops one trailing dot (a fully qualified name) and lower-cases.
std::u16string NormalHost(std::u16string_view host) {
    if (host.size() > 1 && host.back() == u'.') host.remove_suffix(1);
    return LowerAscii(host);
}

// Characters XML cannot hold, which a url written to the file could not
// keep: controls, U+FFFE, U+FFFF and unpaired surrogates.
bool HoldsOnlyXmlCharacters(std::u16string_view text) {
    for (std::size_t k = 0; k < text.size(); ++k) {
        const char16_t c = text[k];
        if (c == 0xFFFE || c == 0xFFFF || (c < 0x20 && c != u'\t' && c != u'\n' && c != u'\r')) return false;
        if (c >= 0xDC00 && c <= 0xDFFF) return false;
        if (c >= 0xD800 && c <= 0xDBFF) {
            if (k + 1 == text.size() || text[k + 1] < 0xDC00 || text[k + 1] > 0xDFFF) return false;
            ++k;
        }
    }
    return true;
}

// Why `url` (trimmed) is no host[:port][/path] as far as its characters
// tell; empty when they allow it.
std::u16string_view CharacterFault(std::u16string_view url) {
    if (url.empty()) return u"url が空です";
    if (!HoldsOnlyXmlCharacters(url)) return u"url に使えない文字があります";
    if (url.find(u"://") != std::u16string_view::npos) return u"url にスキーム (http:// など) は書けません";
    if (url.find(u'*') != std::u16string_view::npos) return u"url にワイルドカード (*) は使えません";
    if (std::any_of(url.begin(), url.end(), [](char16_t c) { return c <= u' ' || c == 0x7F; }))
        return u"url に空白は使えません";
    if (url.find_first_of(u"?#") != std::u16string_view::npos) return u"url に ? や # は書けません";
    if (url.find(u'\\') != std::u16string_view::npos) return u"url に \\ は使えません";
    return {};
}

// Why `host` (as written) is no host name; empty when it is one.
std::u16string_view HostFault(std::u16string_view host) {
    if (host.empty()) return u"url にホスト名がありません";
    if (host.find(u'@') != std::u16string_view::npos) return u"url にユーザー名 (@) は書けません";
    if (host.front() == u'[') return {};
    if (host.back() == u'.') host.remove_suffix(1);
    if (host.empty() || host.front() == u'.' || host.find(u"..") != std::u16string_view::npos)
        return u"url のホスト名が正しくありません";
    return {};
}

}  // namespace

std::optional<SiteUrl> ParseSiteUrl(std::u16string_view url, std::u16string* why) {
    url = Trimmed(url, IsXmlSpace);
    std::u16string_view fault = CharacterFault(url);
    const std::size_t slash = std::min(url.find(u'/'), url.size());
    std::u16string_view host;
    std::u16string_view port;
    bool hasPort = false;
    if (fault.empty() && !SplitHostPort(url.substr(0, slash), host, port, hasPort))
        fault = u"url の IPv6 アドレスが正しくありません";
    if (fault.empty()) fault = HostFault(host);
    std::optional<std::uint16_t> number;
    if (fault.empty() && hasPort && !(number = ReadPort(port)))
        fault = u"url のポート番号が正しくありません (1 から 65535)";
    if (!fault.empty()) {
        if (why) *why = fault;
        return std::nullopt;
    }
    return SiteUrl{NormalHost(host), number, std::u16string(url.substr(slash))};
}

std::optional<PageAddress> ParsePageAddress(std::u16string_view address) {
    address = Trimmed(address, IsControlOrSpace);
    const std::size_t colon = address.find(u':');
    if (colon == std::u16string_view::npos) return std::nullopt;
    const std::u16string_view scheme = address.substr(0, colon);
    const bool https = EqualsIgnoringAsciiCase(scheme, u"https");
    if (!https && !EqualsIgnoringAsciiCase(scheme, u"http")) return std::nullopt;
    // As browsers read http addresses: any slashes, either way, before the host.
    std::size_t start = colon + 1;
    while (start < address.size() && (address[start] == u'/' || address[start] == u'\\')) ++start;
    const std::size_t end = std::min(address.find_first_of(u"/\\?#", start), address.size());
    std::u16string_view authority = address.substr(start, end - start);
    const std::size_t at = authority.rfind(u'@');
    if (at != std::u16string_view::npos) authority.remove_prefix(at + 1);

    std::u16string_view host;
    std::u16string_view port;
    bool hasPort = false;
    if (!SplitHostPort(authority, host, port, hasPort) || host.empty()) return std::nullopt;
    PageAddress page;
    page.host = NormalHost(host);
    page.port = https ? 443 : 80;
    if (hasPort && !port.empty()) {
        const std::optional<std::uint16_t> number = ReadPort(port);
        if (!number) return std::nullopt;
        page.port = *number;
    }
    if (end < address.size() && address[end] != u'?' && address[end] != u'#') {
        const std::u16string_view rest = address.substr(end);
        page.path = rest.substr(0, std::min(rest.find_first_of(u"?#"), rest.size()));
    } else {
        page.path = u"/";
    }
    return page;
}

bool IsIpAddressHost(std::u16string_view host) {
    if (!host.empty() && host.front() == u'[') return true;
    const std::size_t dot = host.rfind(u'.');
    const std::u16string_view last = dot == std::u16string_view::npos ? host : host.substr(dot + 1);
    return !last.empty() && std::all_of(last.begin(), last.end(), [](char16_t c) { return c >= u'0' && c <= u'9'; });
}

}  // namespace vesko
