// Feeds arbitrary bytes to the site list reader. Beyond not crashing: a list
// that reads must write, read back to the same rules and write the same
// bytes again, also after edits; and for addresses made from its rules, the
// matcher must pick what a plain scan of every rule picks.
#include "sites/SiteList.h"
#include "sites/SiteMatcher.h"

#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

using namespace vesko;

namespace {

SiteList ReadBack(const std::string& written) {
    try {
        return SiteList::Parse(written);
    } catch (const SiteListError&) {
        std::abort();  // what the writer writes must read
    }
}

bool EndsWithSubdomainOf(std::u16string_view host, std::u16string_view rule) {
    return host.size() > rule.size() && host.substr(host.size() - rule.size()) == rule &&
           host[host.size() - rule.size() - 1] == u'.';
}

// Every rule, one by one: the longest host, then path, then the first.
std::optional<std::size_t> Scan(const std::vector<SiteRule>& rules, std::u16string_view address) {
    const std::optional<PageAddress> page = ParsePageAddress(address);
    if (!page) return std::nullopt;
    std::optional<std::size_t> best;
    for (std::size_t k = 0; k < rules.size(); ++k) {
        if (!rules[k].site) continue;
        const SiteUrl& site = *rules[k].site;
        const bool host =
            page->host == site.host || (!IsIpAddressHost(page->host) && EndsWithSubdomainOf(page->host, site.host));
        const bool port = !site.port || *site.port == page->port;
        const bool path = page->path.substr(0, site.path.size()) == site.path;
        if (!host || !port || !path) continue;
        const SiteUrl* held = best ? &*rules[*best].site : nullptr;
        if (!held || site.host.size() > held->host.size() ||
            (site.host.size() == held->host.size() && site.path.size() > held->path.size()))
            best = k;
    }
    return best;
}

std::u16string Digits(unsigned value) {
    const std::string digits = std::to_string(value);
    return std::u16string(digits.begin(), digits.end());
}

void CheckMatcher(const std::vector<SiteRule>& rules) {
    const SiteMatcher matcher(rules);
    std::size_t tried = 0;
    for (const SiteRule& rule : rules) {
        if (!rule.site || ++tried > 32) continue;
        const SiteUrl& site = *rule.site;
        const std::u16string port = site.port ? u":" + Digits(*site.port) : u"";
        for (const std::u16string& address :
             {u"http://" + site.host + port + site.path, u"https://www." + site.host + port + site.path + u"/x?q#f",
              u"https://" + site.host + u"/", u"http://" + site.host + u":8080" + site.path.substr(0, 1)}) {
            if (matcher.Find(address) != Scan(rules, address)) std::abort();
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    std::optional<SiteList> list;
    try {
        list = SiteList::Parse(bytes);
    } catch (const SiteListError& error) {
        if (error.Message().empty() || (error.Line() == 0) != (error.Column() == 0)) std::abort();
        return 0;
    }

    const std::string written = list->Write();
    const SiteList reread = ReadBack(written);
    if (reread.Rules() != list->Rules() || reread.Write() != written) std::abort();
    CheckMatcher(list->Rules());

    // Edits touch only their rules.
    if (!list->Rules().empty()) {
        list->Replace(0, u"edited.example.com:81/p", SiteEngine::Gecko);
        list->Remove(list->Rules().size() - 1);
    }
    list->Add(u"added.example.jp", SiteEngine::InternetExplorer);
    const std::string edited = list->Write();
    if (ReadBack(edited).Rules() != list->Rules()) std::abort();
    return 0;
}
