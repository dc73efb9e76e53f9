#include "history/HistoryText.h"

namespace vesko {

std::u16string FoldedText(std::u16string_view text) {
    std::u16string folded(text);
    for (char16_t& c : folded) c = FoldForMatch(c);
    return folded;
}

std::u16string_view TrimmedInput(std::u16string_view text) {
    const auto blank = [](char16_t c) { return c <= u' ' || c == 0x3000 || c == 0x7F; };
    while (!text.empty() && blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && blank(text.back())) text.remove_suffix(1);
    return text;
}

}  // namespace vesko
