#include "history/Completion.h"

#include "history/HistoryText.h"

#include <algorithm>

namespace vesko {

std::vector<Suggestion> SuggestAddresses(std::u16string_view typed, const std::vector<BookmarkEntry>& bookmarks,
                                         const HistoryStore& history, std::size_t limit) {
    typed = TrimmedInput(typed);
    std::vector<Suggestion> suggestions;
    if (typed.empty()) return suggestions;
    const std::u16string query = FoldedText(typed);
    const std::u16string prefix = FoldedText(typed.substr(AddressMatchStart(typed)));

    std::vector<std::u16string> shown;
    for (const BookmarkEntry& entry : bookmarks) {
        if (suggestions.size() >= limit) break;
        if (entry.isFolder || entry.url.empty()) continue;
        const std::u16string_view url = entry.url;
        const bool matches = (!prefix.empty() && FoldedStartsWith(url, AddressMatchStart(url), prefix)) ||
                             FoldedContains(std::u16string_view(entry.name), query);
        if (!matches || std::find(shown.begin(), shown.end(), entry.url) != shown.end()) continue;
        shown.push_back(entry.url);
        suggestions.push_back(Suggestion{entry.url, entry.name, true});
    }
    for (const HistoryStore::Id id : history.Suggest(typed, limit - suggestions.size(), shown)) {
        HistoryEntry entry = history.Entry(id);
        suggestions.push_back(Suggestion{std::move(entry.address), std::move(entry.title), false});
    }
    return suggestions;
}

}  // namespace vesko
