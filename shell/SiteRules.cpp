#include "shell/SiteRules.h"

#include "common/ErrorReport.h"
#include "sites/win/SiteRulesFile.h"

namespace vesko {

SiteRules::Stamp SiteRules::CurrentStamp() const {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(path_.c_str(), GetFileExInfoStandard, &data)) return Stamp{};
    return Stamp{(static_cast<ULONGLONG>(data.nFileSizeHigh) << 32) | data.nFileSizeLow,
                 (static_cast<ULONGLONG>(data.ftLastWriteTime.dwHighDateTime) << 32) |
                     data.ftLastWriteTime.dwLowDateTime};
}

void SiteRules::Load() {
    loaded_ = true;
    stamp_ = CurrentStamp();
    rules_.clear();
    matcher_ = SiteMatcher();
    try {
        rules_ = ReadSiteRulesFile(path_).list.Rules();
        matcher_ = SiteMatcher(rules_);
    } catch (...) {
        // Once per start: a broken list must not stop every navigation.
        if (!reported_) ReportCurrentException();
        reported_ = true;
        rules_.clear();
    }
}

RuleVerdict SiteRules::VerdictFor(const std::wstring& address) {
    if (!loaded_ || CurrentStamp() != stamp_) Load();
    RuleVerdict verdict;
    if (rules_.empty()) return verdict;
    const auto index = matcher_.Find(std::u16string(address.begin(), address.end()));
    if (!index) return verdict;
    verdict.matched = true;
    verdict.engine = rules_[*index].engine;
    return verdict;
}

}  // namespace vesko
