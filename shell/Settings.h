#pragma once
// config.ini: a few settings in the system's INI format, each access a
// short-lived open by full path.
#include <optional>
#include <string>
#include <string_view>

namespace vesko {

inline constexpr wchar_t kSettingsFileName[] = L"config.ini";
inline constexpr wchar_t kSectionGeneral[] = L"General";
inline constexpr wchar_t kSectionOption[] = L"Option";
inline constexpr wchar_t kKeyLastEngine[] = L"LastEngine";
inline constexpr wchar_t kKeyMozilla[] = L"Mozilla";
inline constexpr wchar_t kKeyMozPath[] = L"MozPath";

// The number a setting's text stands for: a leading "0x"/"0X" (with more
// after it) reads as "$"; then an optionally signed decimal number or a
// "$"-prefixed hexadecimal one of 32 bits. Anything else has no value.
std::optional<int> ParseSettingInteger(std::wstring_view text);

class SettingsFile {
public:
    static constexpr size_t kMaxValueLength = 2047;

    explicit SettingsFile(std::wstring path) : path_(std::move(path)) {}
    const std::wstring& Path() const { return path_; }

    bool Exists() const;
    std::wstring ReadString(const wchar_t* section, const wchar_t* key, const std::wstring& fallback) const;
    int ReadInteger(const wchar_t* section, const wchar_t* key, int fallback) const;
    // Replaces config.ini as a whole, so that a failed write leaves the old
    // file intact, waiting out another program's brief hold on it. Raises
    // "<path> に書き込めません" and the system's reason when it cannot.
    void WriteString(const wchar_t* section, const wchar_t* key, const std::wstring& value) const;

private:
    std::wstring path_;
};

}  // namespace vesko
