#include "shell/SiteRules.h"

#include "common/Error.h"
#include "common/ErrorReport.h"
#include "common/Files.h"
#include "common/Text.h"

namespace vesko {

void SiteRules::Load() {
    loaded_ = true;
    rules_.clear();
    matcher_ = SiteMatcher();
    std::string bytes;
    DWORD error = ERROR_SUCCESS;
    try {
        if (!ReadWholeFile(path_, bytes, error)) {
            if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return;  // no rules
            throw AppError(path_ + L"\n" + SystemMessage(error));
        }
        try {
            rules_ = SiteList::Parse(bytes).Rules();
        } catch (const SiteListError& e) {
            const std::wstring why(e.Message().begin(), e.Message().end());
            if (e.Line() == 0) throw AppError(path_ + L"\n" + why);
            throw AppError(Format(L"%ls\n%ls (%u 行 %u 列)", path_.c_str(), why.c_str(), static_cast<unsigned>(e.Line()),
                                  static_cast<unsigned>(e.Column())));
        }
        matcher_ = SiteMatcher(rules_);
    } catch (...) {
        // Once per start: a broken list must not stop every navigation.
        if (!reported_) ReportCurrentException();
        reported_ = true;
        rules_.clear();
    }
}

RuleVerdict SiteRules::VerdictFor(const std::wstring& address) {
    if (!loaded_) Load();
    RuleVerdict verdict;
    if (rules_.empty()) return verdict;
    const auto index = matcher_.Find(std::u16string(address.begin(), address.end()));
    if (!index) return verdict;
    verdict.matched = true;
    verdict.engine = rules_[*index].engine;
    return verdict;
}

}  // namespace vesko
