#pragma once
// The site rules of sites.xml as the frame consults them: read on first
// use (start-up does not wait for a long list), and read again after Vesko
// saves the file. A file that cannot be read or parsed is reported once
// per start; browsing goes on without rules, and the file is not touched.
#include <string>
#include <vector>

#include "browser/SiteSwitch.h"
#include "sites/SiteMatcher.h"

namespace vesko {

inline constexpr wchar_t kSitesFileName[] = L"sites.xml";

class SiteRules {
public:
    explicit SiteRules(std::wstring path) : path_(std::move(path)) {}

    const std::wstring& Path() const { return path_; }
    RuleVerdict VerdictFor(const std::wstring& address);
    // The file has changed: the next question reads it again.
    void Reload() { loaded_ = false; }

private:
    void Load();

    std::wstring path_;
    bool loaded_ = false;
    bool reported_ = false;
    std::vector<SiteRule> rules_;
    SiteMatcher matcher_;
};

}  // namespace vesko
