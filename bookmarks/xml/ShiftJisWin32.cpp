#ifdef _WIN32

#include "bookmarks/xml/ShiftJis.h"

#include <climits>
#include <windows.h>

namespace vesko {
namespace {

constexpr UINT kShiftJis = 932;
static_assert(sizeof(wchar_t) == sizeof(char16_t), "UTF-16 wchar_t expected");

bool FitsInt(std::size_t size) { return size <= static_cast<std::size_t>(INT_MAX); }

}  // namespace

bool EncodeShiftJis(std::u16string_view text, std::string& out) {
    out.clear();
    if (text.empty()) return true;
    if (!FitsInt(text.size())) return false;
    const auto* wide = reinterpret_cast<const wchar_t*>(text.data());
    const int size = static_cast<int>(text.size());
    BOOL usedDefault = FALSE;
    int length = WideCharToMultiByte(kShiftJis, WC_NO_BEST_FIT_CHARS, wide, size, nullptr, 0, nullptr, &usedDefault);
    if (length <= 0 || usedDefault) return false;
    out.resize(static_cast<std::size_t>(length));
    WideCharToMultiByte(kShiftJis, WC_NO_BEST_FIT_CHARS, wide, size, out.data(), length, nullptr, &usedDefault);
    return !usedDefault;
}

}  // namespace vesko

#endif  // _WIN32
