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

bool DecodeShiftJis(std::string_view bytes, std::u16string& out, std::size_t& errorOffset)
{
    out.clear();
    errorOffset = 0;
    if (bytes.empty())
        return true;
    if (!FitsInt(bytes.size()))
        return false;
    const int size = static_cast<int>(bytes.size());
    int length = MultiByteToWideChar(kShiftJis, MB_ERR_INVALID_CHARS, bytes.data(), size,
                                     nullptr, 0);
    if (length > 0) {
        out.resize(static_cast<std::size_t>(length));
        MultiByteToWideChar(kShiftJis, MB_ERR_INVALID_CHARS, bytes.data(), size,
                            reinterpret_cast<wchar_t*>(out.data()), length);
        return true;
    }
    // The call does not say where it failed: find the first character that
    // does not convert on its own.
    std::size_t k = 0;
    while (k < bytes.size()) {
        const std::size_t width =
            IsDBCSLeadByteEx(kShiftJis, static_cast<BYTE>(bytes[k])) ? 2 : 1;
        wchar_t unit[2];
        if (k + width > bytes.size() ||
            MultiByteToWideChar(kShiftJis, MB_ERR_INVALID_CHARS, bytes.data() + k,
                                static_cast<int>(width), unit, 2) <= 0)
            break;
        k += width;
    }
    errorOffset = k;
    return false;
}

bool EncodeShiftJis(std::u16string_view text, std::string& out)
{
    out.clear();
    if (text.empty())
        return true;
    if (!FitsInt(text.size()))
        return false;
    const auto* wide = reinterpret_cast<const wchar_t*>(text.data());
    const int size = static_cast<int>(text.size());
    BOOL usedDefault = FALSE;
    int length = WideCharToMultiByte(kShiftJis, WC_NO_BEST_FIT_CHARS, wide, size, nullptr, 0,
                                     nullptr, &usedDefault);
    if (length <= 0 || usedDefault)
        return false;
    out.resize(static_cast<std::size_t>(length));
    WideCharToMultiByte(kShiftJis, WC_NO_BEST_FIT_CHARS, wide, size, out.data(), length,
                        nullptr, &usedDefault);
    return !usedDefault;
}

}  // namespace vesko

#endif  // _WIN32
