#include "bookmarks/xml/ShiftJis.h"

#include "bookmarks/xml/ShiftJisTable.h"

namespace vesko {

bool DecodeShiftJis(std::string_view bytes, std::u16string& out, std::size_t& errorOffset) {
    // One unit per character, so the byte count bounds the length.
    out.resize(bytes.size());
    errorOffset = 0;
    std::size_t length = 0;
    std::size_t k = 0;
    while (k < bytes.size()) {
        const auto b = static_cast<unsigned char>(bytes[k]);
        char16_t c = ShiftJisSingle(b);
        std::size_t width = 1;
        if (IsShiftJisLeadByte(b)) {
            c = k + 1 < bytes.size() ? ShiftJisPair(b, static_cast<unsigned char>(bytes[k + 1])) : kNotShiftJis;
            width = 2;
        }
        if (c == kNotShiftJis) {
            errorOffset = k;
            out.resize(length);
            return false;
        }
        out[length++] = c;
        k += width;
    }
    out.resize(length);
    return true;
}

}  // namespace vesko
