// What the address box offers while one types: up to ten addresses, first
// the bookmarks, in the bookmark file's order, whose URL past its scheme
// and "www." starts with what is typed (past its own) or whose name
// contains it; then the history's by HistoryStore::Suggest. Matching folds
// case and width (HistoryText.h). An address shows once: as a bookmark
// when it is one.
#pragma once

#include "bookmarks/xml/BookmarkEntry.h"
#include "history/HistoryStore.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace vesko {

struct Suggestion {
    std::u16string address;
    std::u16string title;  // the bookmark's name, or the page's title
    bool bookmark = false;

    bool operator==(const Suggestion& other) const {
        return address == other.address && title == other.title && bookmark == other.bookmark;
    }
    bool operator!=(const Suggestion& other) const { return !(*this == other); }
};

constexpr std::size_t kMaxSuggestions = 10;

// `bookmarks` as ReadBookmarkEntries gives them; folders are passed over.
// They are scanned in order until enough match, so their cost grows with
// their number when few match.
std::vector<Suggestion> SuggestAddresses(std::u16string_view typed, const std::vector<BookmarkEntry>& bookmarks,
                                         const HistoryStore& history, std::size_t limit = kMaxSuggestions);

}  // namespace vesko
