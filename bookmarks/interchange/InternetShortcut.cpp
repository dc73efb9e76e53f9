#include "bookmarks/interchange/InternetShortcut.h"

#include "bookmarks/interchange/InterchangeText.h"

namespace vesko {
namespace {

std::u16string DecodeShortcut(std::string_view bytes) {
    if (bytes.substr(0, 2) == "\xFF\xFE") return DecodeUtf16Le(bytes.substr(2));
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF") {
        std::u16string text;
        AppendUtf8AsUtf16(bytes.substr(3), text);
        return text;
    }
    return DecodeCodePage932(bytes);
}

std::u16string_view Trimmed(std::u16string_view text) {
    const auto space = [](char16_t c) { return c == u' ' || c == u'\t'; };
    while (!text.empty() && space(text.front())) text.remove_prefix(1);
    while (!text.empty() && space(text.back())) text.remove_suffix(1);
    return text;
}

// As GetPrivateProfileString reads a value: one pair of quotes around it
// is not part of it.
std::u16string_view Unquoted(std::u16string_view value) {
    if (value.size() >= 2 && (value.front() == u'"' || value.front() == u'\'') && value.back() == value.front())
        return value.substr(1, value.size() - 2);
    return value;
}

}  // namespace

std::optional<std::u16string> ReadInternetShortcutUrl(std::string_view bytes) {
    const std::u16string text = DecodeShortcut(bytes);
    const std::u16string_view all(text);
    bool inShortcut = false;
    std::size_t at = 0;
    while (at < all.size()) {
        std::size_t end = all.find_first_of(u"\r\n", at);
        if (end == std::u16string_view::npos) end = all.size();
        const std::u16string_view line = Trimmed(all.substr(at, end - at));
        at = end + 1;
        if (!line.empty() && line.front() == u'[') {
            const std::u16string_view name = line.substr(1, line.find(u']') - 1);
            inShortcut = EqualsAsciiNoCase(Trimmed(name), "internetshortcut");
            continue;
        }
        const std::size_t equals = line.find(u'=');
        if (!inShortcut || equals == std::u16string_view::npos ||
            !EqualsAsciiNoCase(Trimmed(line.substr(0, equals)), "url"))
            continue;
        std::u16string url = CleanUrl(Unquoted(Trimmed(line.substr(equals + 1))));
        if (url.empty()) return std::nullopt;
        return url;
    }
    return std::nullopt;
}

}  // namespace vesko
