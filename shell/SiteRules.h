#pragma once
// The site rules of sites.xml as the frame consults them: read on first
// use (start-up does not wait for a long list), and again whenever the
// file has changed since, so that a save applies from the next navigation
// on. A file that cannot be read or parsed is reported once per start;
// browsing goes on without rules, and the file is not touched.
#include <windows.h>

#include <string>
#include <vector>

#include "browser/SiteSwitch.h"
#include "sites/SiteMatcher.h"

namespace vesko {

class SiteRules {
public:
    explicit SiteRules(std::wstring path) : path_(std::move(path)) {}

    const std::wstring& Path() const { return path_; }
    RuleVerdict VerdictFor(const std::wstring& address);

private:
    // The file's size and time of last change; all 0 when there is none.
    struct Stamp {
        ULONGLONG size = 0;
        ULONGLONG written = 0;
        bool operator!=(const Stamp& o) const { return size != o.size || written != o.written; }
    };
    Stamp CurrentStamp() const;
    void Load();

    std::wstring path_;
    bool loaded_ = false;
    bool reported_ = false;
    Stamp stamp_;
    std::vector<SiteRule> rules_;
    SiteMatcher matcher_;
};

}  // namespace vesko
