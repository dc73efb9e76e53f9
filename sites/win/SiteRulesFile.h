#pragma once
// sites.xml on disk: read whole, and replaced whole and atomically with
// everything the program does not use written back as it was read.
#include <windows.h>

#include <optional>
#include <string>
#include <string_view>

#include "common/AtomicFile.h"
#include "sites/SiteList.h"

namespace vesko {

inline constexpr wchar_t kSiteRulesFileName[] = L"sites.xml";

struct SiteRulesFile {
    SiteList list;
    // What was read; none when there was no file.
    std::optional<FileFingerprint> read;
};

// Reads the file, waiting out another program's brief hold. A missing file
// has no rules. One that cannot be read or is no site list raises AppError
// naming the file and why; the file is left as it is.
SiteRulesFile ReadSiteRulesFile(const std::wstring& path);

// Writes `list` as the whole file, atomically, and returns what was
// written. Raises AppError naming the file when it cannot; the old file is
// then unchanged.
FileFingerprint SaveSiteRulesFile(const std::wstring& path, const SiteList& list);

// The first rule that names `site` (its host, port and path, a path of "/"
// being none), if any: the one that decides for it, as the first of equals
// wins.
std::optional<std::size_t> FindRule(const SiteList& list, const SiteUrl& site);

// Makes `engine` the rule for `host` in the file: the rule for exactly that
// host (no path, no port) gets the engine, or a new rule is added.
// Rules with a path or a port on the host stay, and still decide for
// their pages. Raises
// AppError when the host cannot be a rule's or the file cannot be read or
// written; the file is then unchanged.
void AddSiteRule(const std::wstring& path, std::u16string_view host, SiteEngine engine);

// The message of a url that cannot be a rule's.
std::wstring NotARuleMessage(std::u16string_view url, const SiteListError& error);

}  // namespace vesko
