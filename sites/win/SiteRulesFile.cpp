#include "sites/win/SiteRulesFile.h"

#include "bookmarks/BookmarkFile.h"
#include "common/Error.h"
#include "common/Files.h"
#include "common/Text.h"

namespace vesko {
namespace {

std::wstring UnparsableMessage(const std::wstring& path, const SiteListError& error) {
    const std::wstring why = ToWide(error.Message());
    if (error.Line() == 0) return Format(L"%ls を読み込めません: %ls", path.c_str(), why.c_str());
    return Format(L"%ls を読み込めません (%u 行 %u 列): %ls", path.c_str(), static_cast<unsigned>(error.Line()),
                  static_cast<unsigned>(error.Column()), why.c_str());
}

}  // namespace

SiteRulesFile ReadSiteRulesFile(const std::wstring& path) {
    std::string bytes;
    DWORD error = ERROR_SUCCESS;
    if (!ReadWholeFile(path, bytes, error)) {
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return SiteRulesFile{};
        throw AppError(Format(L"%ls を読み込めません: %ls", path.c_str(), SystemMessage(error).c_str()));
    }
    try {
        return SiteRulesFile{SiteList::Parse(bytes), FingerprintOf(bytes)};
    } catch (const SiteListError& e) {
        throw AppError(UnparsableMessage(path, e));
    }
}

FileFingerprint SaveSiteRulesFile(const std::wstring& path, const SiteList& list) {
    const std::string bytes = list.Write();
    ReplaceFileContents(path, bytes);
    return FingerprintOf(bytes);
}

std::optional<std::size_t> FindRule(const SiteList& list, const SiteUrl& site) {
    // "host/" covers what "host" covers, and its longer path would win.
    const auto samePath = [](std::u16string_view a, std::u16string_view b) {
        return a == b || (a.size() + b.size() == 1 && (a == u"/" || b == u"/"));
    };
    const auto& rules = list.Rules();
    for (std::size_t k = 0; k < rules.size(); ++k) {
        const std::optional<SiteUrl>& rule = rules[k].site;
        if (rule && rule->host == site.host && rule->port == site.port && samePath(rule->path, site.path)) return k;
    }
    return std::nullopt;
}

std::wstring NotARuleMessage(std::u16string_view url, const SiteListError& error) {
    return Format(L"「%ls」はサイトの規則にできません: %ls", ToWide(std::u16string(url)).c_str(),
                  ToWide(error.Message()).c_str());
}

void AddSiteRule(const std::wstring& path, std::u16string_view host, SiteEngine engine) {
    std::u16string why;
    const std::optional<SiteUrl> site = ParseSiteUrl(host, &why);
    if (!site) throw AppError(NotARuleMessage(host, SiteListError(why)));
    SiteRulesFile file = ReadSiteRulesFile(path);
    // The rule that decides for the host changes; a second one would never
    // be reached, the first of equal rules winning.
    if (const std::optional<std::size_t> existing = FindRule(file.list, *site))
        file.list.Replace(*existing, file.list.Rules()[*existing].url, engine);
    else
        file.list.Add(host, engine);
    SaveSiteRulesFile(path, file.list);
}

}  // namespace vesko
