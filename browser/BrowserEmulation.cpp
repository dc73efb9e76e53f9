#include "browser/BrowserEmulation.h"

#include <windows.h>

#include "common/Error.h"
#include "common/Handles.h"

namespace vesko {
namespace {

constexpr wchar_t kFeatureKey[] =
    L"Software\\Microsoft\\Internet Explorer\\Main\\FeatureControl\\FEATURE_BROWSER_EMULATION";

}  // namespace

void EnsureNewestDocumentMode(const std::wstring& exeName) {
    HKEY key = nullptr;
    LSTATUS status = RegCreateKeyExW(HKEY_CURRENT_USER, kFeatureKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                                     KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr, &key, nullptr);
    if (status != ERROR_SUCCESS) throw AppError(SystemMessage(static_cast<DWORD>(status)));
    const UniqueRegistryKey owner(key);
    status = RegQueryValueExW(key, exeName.c_str(), nullptr, nullptr, nullptr, nullptr);
    if (status == ERROR_SUCCESS) return;
    const DWORD mode = kNewestDocumentMode;
    status = RegSetValueExW(key, exeName.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&mode), sizeof mode);
    if (status != ERROR_SUCCESS) throw AppError(SystemMessage(static_cast<DWORD>(status)));
}

}  // namespace vesko
