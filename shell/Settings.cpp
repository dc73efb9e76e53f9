#include "shell/Settings.h"

#include <windows.h>

#include <cstdint>
#include <vector>

#include "common/AtomicFile.h"
#include "common/Error.h"
#include "common/Text.h"

namespace vesko {

std::optional<int> ParseSettingInteger(std::wstring_view text) {
    std::wstring s(text);
    if (s.size() > 2 && s[0] == L'0' && (s[1] == L'x' || s[1] == L'X')) s = L"$" + s.substr(2);
    if (s.empty()) return std::nullopt;

    if (s[0] == L'$') {
        if (s.size() == 1 || s.size() > 9) return std::nullopt;  // at most 32 bits
        uint32_t value = 0;
        for (size_t i = 1; i < s.size(); ++i) {
            const wchar_t c = s[i];
            uint32_t digit;
            if (c >= L'0' && c <= L'9') digit = static_cast<uint32_t>(c - L'0');
            else if (c >= L'a' && c <= L'f') digit = static_cast<uint32_t>(c - L'a' + 10);
            else if (c >= L'A' && c <= L'F') digit = static_cast<uint32_t>(c - L'A' + 10);
            else return std::nullopt;
            value = (value << 4) | digit;
        }
        return static_cast<int>(static_cast<int32_t>(value));
    }

    size_t i = 0;
    bool negative = false;
    if (s[0] == L'+' || s[0] == L'-') {
        negative = s[0] == L'-';
        i = 1;
    }
    if (i == s.size()) return std::nullopt;
    int64_t value = 0;
    for (; i < s.size(); ++i) {
        if (s[i] < L'0' || s[i] > L'9') return std::nullopt;
        value = value * 10 + (s[i] - L'0');
        if (value > int64_t{INT32_MAX} + 1) return std::nullopt;
    }
    if (negative) value = -value;
    if (value > INT32_MAX || value < INT32_MIN) return std::nullopt;
    return static_cast<int>(value);
}

bool SettingsFile::Exists() const {
    const DWORD attributes = GetFileAttributesW(path_.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::wstring SettingsFile::ReadString(const wchar_t* section, const wchar_t* key,
                                      const std::wstring& fallback) const {
    std::vector<wchar_t> buffer(kMaxValueLength + 1);
    const DWORD n = GetPrivateProfileStringW(section, key, fallback.c_str(), buffer.data(),
                                             static_cast<DWORD>(buffer.size()), path_.c_str());
    return std::wstring(buffer.data(), n < buffer.size() ? n : kMaxValueLength);
}

int SettingsFile::ReadInteger(const wchar_t* section, const wchar_t* key, int fallback) const {
    return ParseSettingInteger(ReadString(section, key, std::wstring())).value_or(fallback);
}

void SettingsFile::WriteString(const wchar_t* section, const wchar_t* key, const std::wstring& value) const {
    const AppError failure(Format(L"%ls に書き込めません", path_.c_str()));

    const DWORD attributes = GetFileAttributesW(path_.c_str());
    const bool exists = attributes != INVALID_FILE_ATTRIBUTES;
    if (exists && (attributes & FILE_ATTRIBUTE_DIRECTORY)) throw failure;

    // The profile API rewrites a file in place and, on some systems, does
    // not notice a failed disk write. Let it edit a copy instead and move
    // the copy over the original only when everything has succeeded.
    wchar_t temp[MAX_PATH + 16];
    if (!GetTempFileNameW(DirectoryOf(path_).c_str(), L"cfg", 0, temp)) throw failure;
    const std::wstring tempPath(temp);
    const bool ok = (!exists || CopyFileW(path_.c_str(), temp, FALSE)) &&
                    WritePrivateProfileStringW(section, key, value.c_str(), temp) &&
                    // Drop the profile cache's hold on the copy before it moves.
                    (WritePrivateProfileStringW(nullptr, nullptr, nullptr, temp), true) &&
                    FlushFile(tempPath) && MoveReplacing(tempPath, path_);
    if (!ok) {
        DeleteFileW(temp);
        throw failure;
    }
}

}  // namespace vesko
