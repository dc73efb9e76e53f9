#include "shell/Settings.h"

#include <windows.h>

#include <cstdint>
#include <vector>

#include "common/AtomicFile.h"
#include "common/Error.h"
#include "common/Files.h"
#include "common/Handles.h"
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
            if (c >= L'0' && c <= L'9')
                digit = static_cast<uint32_t>(c - L'0');
            else if (c >= L'a' && c <= L'f')
                digit = static_cast<uint32_t>(c - L'a' + 10);
            else if (c >= L'A' && c <= L'F')
                digit = static_cast<uint32_t>(c - L'A' + 10);
            else
                return std::nullopt;
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

namespace {

// A copy of config.ini in the temporary folder, gone with this object.
// Its failures are reported as failures to write `target`.
class ScratchCopy {
public:
    ScratchCopy(const std::wstring& target, const std::string& bytes) {
        wchar_t dir[MAX_PATH + 1];
        wchar_t name[MAX_PATH + 16];
        const DWORD n = GetTempPathW(MAX_PATH + 1, dir);
        if (!n || n > MAX_PATH || !GetTempFileNameW(dir, L"vsk", 0, name))
            throw AppError(WriteFailureMessage(target, GetLastError()));
        path_ = name;
        DWORD error = ERROR_SUCCESS;
        {
            const UniqueHandle file(
                CreateFileW(name, GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
            DWORD written = 0;
            if (!file || !WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr))
                error = GetLastError();
            else if (written != bytes.size())
                error = ERROR_WRITE_FAULT;
        }
        if (error != ERROR_SUCCESS) {
            DeleteFileW(name);
            throw AppError(WriteFailureMessage(target, error));
        }
    }
    ~ScratchCopy() { DeleteFileW(path_.c_str()); }
    ScratchCopy(const ScratchCopy&) = delete;
    ScratchCopy& operator=(const ScratchCopy&) = delete;
    const std::wstring& Path() const { return path_; }

private:
    std::wstring path_;
};

}  // namespace

bool SettingsFile::Exists() const {
    const DWORD attributes = GetFileAttributesW(path_.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::wstring SettingsFile::ReadString(const wchar_t* section, const wchar_t* key, const std::wstring& fallback) const {
    std::vector<wchar_t> buffer(kMaxValueLength + 1);
    const DWORD n = GetPrivateProfileStringW(section, key, fallback.c_str(), buffer.data(),
                                             static_cast<DWORD>(buffer.size()), path_.c_str());
    return std::wstring(buffer.data(), n < buffer.size() ? n : kMaxValueLength);
}

int SettingsFile::ReadInteger(const wchar_t* section, const wchar_t* key, int fallback) const {
    return ParseSettingInteger(ReadString(section, key, std::wstring())).value_or(fallback);
}

void SettingsFile::WriteString(const wchar_t* section, const wchar_t* key, const std::wstring& value) const {
    std::string bytes;
    DWORD error = ERROR_SUCCESS;
    if (!ReadWholeFile(path_, bytes, error) && error != ERROR_FILE_NOT_FOUND)
        throw AppError(WriteFailureMessage(path_, error));

    // The profile API rewrites a file in place and, on some systems, does
    // not notice a failed disk write. Let it edit a scratch copy in the
    // temporary folder; its result then replaces config.ini whole.
    const ScratchCopy scratch(path_, bytes);
    if (!WritePrivateProfileStringW(section, key, value.c_str(), scratch.Path().c_str()))
        throw AppError(WriteFailureMessage(path_, GetLastError()));
    // Drop the profile cache's hold on the copy before reading it back.
    WritePrivateProfileStringW(nullptr, nullptr, nullptr, scratch.Path().c_str());
    if (!ReadWholeFile(scratch.Path(), bytes, error)) throw AppError(WriteFailureMessage(path_, error));
    ReplaceFileContents(path_, bytes);
}

}  // namespace vesko
