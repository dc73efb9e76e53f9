// The history in memory: per address its title, first and last visit and
// number of visits, changed only by applying the records of history.dat
// (HistoryFile.h). The window layer applies each record and appends its
// bytes to the file; when CompactionDue() it replaces the file with
// CompactedFile() and calls NoteCompacted(). While MustRewrite() (no file
// yet, or one whose end was torn) it appends nothing: records after a torn
// end would read as damage. Changes then stay in memory until a rewrite
// succeeds.
//
// Lean on memory: all text lives in one pool, each string one byte per
// unit when every unit is below U+0100 (addresses nearly always are) and
// two otherwise; entries are plain structs in one vector, found through an
// open-addressing hash of ids; two sorted id vectors index the addresses
// for completion's prefix search and the ranking.
#pragma once

#include "history/HistoryFile.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vesko {

struct HistoryEntry {
    std::u16string address;
    std::u16string title;
    std::int64_t firstVisit = 0;  // FILETIME units, as in the file
    std::int64_t lastVisit = 0;
    std::uint32_t visits = 0;
};

class HistoryStore {
public:
    // Names an entry until the next change to the store.
    using Id = std::uint32_t;

    // Compaction is due once the file holds more than twice as many records
    // as there are addresses, and more than this many; and after anything
    // was deleted, so that what the user deleted does not stay in the file.
    static constexpr std::size_t kCompactionFloor = 1024;
    // Completion ranks by lastVisit + kDoublingWorth * log2(visits): each
    // doubling of the visits is worth three days of recency.
    static constexpr std::int64_t kDoublingWorth = 3LL * 24 * 3600 * 10000000;
    // Completion's bounds on work per keystroke (see Suggest).
    static constexpr std::size_t kPrefixRangeScan = 256;
    static constexpr std::size_t kRankScan = 1000;

    // No history, as with no file; the file must be written whole
    // (CompactionDue) before anything is appended.
    HistoryStore();
    // The history a file's bytes hold. Raises HistoryFileError when they are
    // damaged. A torn end (or no header) leaves CompactionDue() true: the
    // file is to be rewritten before anything is appended to it.
    static HistoryStore Load(std::string_view bytes);

    // A Visit adds the address or counts one more visit (the title
    // replaced unless the visit's is empty); Title replaces the title of an
    // address already there; Delete removes it; Clear removes all; Entry
    // sets an address whole.
    void Apply(const HistoryRecord& record);

    std::size_t Size() const { return live_; }
    std::optional<Id> Find(std::u16string_view address) const;
    HistoryEntry Entry(Id id) const;
    std::u16string Address(Id id) const;

    // Entries newest first (by last visit); with a query, only those whose
    // address or title contains it, folded (HistoryText.h).
    std::vector<Id> Newest(std::u16string_view query = {}) const;

    // Up to `limit` entries for what is typed in the address box, best
    // first, leaving out the addresses in `exclude`: those whose address
    // past its scheme and "www." starts with the typed text (past its own),
    // or whose title contains it. Work is bounded: the prefix matches come
    // from a binary search of the address index; when there are at most
    // kPrefixRangeScan of them all are ranked, otherwise they are taken in
    // rank order from the kRankScan best-ranked entries and then in address
    // order. Titles are searched among those kRankScan entries only.
    std::vector<Id> Suggest(std::u16string_view typed, std::size_t limit,
                            const std::vector<std::u16string>& exclude = {}) const;

    bool CompactionDue() const;
    bool MustRewrite() const { return rewrite_; }
    // The bytes of a file holding the history as it is now (header and one
    // Entry record per address).
    std::string CompactedFile() const;
    // The file has been replaced by CompactedFile().
    void NoteCompacted();

    // Bytes held by the store's buffers (capacity, not only size).
    std::size_t MemoryBytes() const;

private:
    static constexpr Id kNone = UINT32_MAX;
    static constexpr std::uint32_t kWide = 0x80000000u;

    struct Item {
        std::uint32_t address = 0;      // offset into the pool
        std::uint32_t addressSize = 0;  // units, kWide when two bytes each
        std::uint32_t title = 0;
        std::uint32_t titleSize = 0;
        std::int64_t first = 0;
        std::int64_t last = 0;
        std::int64_t rank = 0;
        std::uint32_t visits = 0;  // 0: a free item
        std::uint16_t matchStart = 0;
    };
    class Text;

    Text AddressText(const Item& item) const;
    Text TitleText(const Item& item) const;
    std::uint32_t Put(std::u16string_view text, std::uint32_t& size);
    void SetTitle(Item& item, std::u16string_view title);
    void Visit(const HistoryRecord& record);
    void Add(const HistoryRecord& record, std::int64_t first, std::uint32_t visits);
    void Remove(Id id);
    void Reset();
    void Repack();

    std::size_t Slot(std::u16string_view address) const;
    void HashInsert(Id id);
    void HashErase(Id id);
    void Rehash(std::size_t slots);

    bool AddressLess(Id a, Id b) const;
    bool RankLess(Id a, Id b) const;
    void Index(Id id);
    void Unindex(Id id);
    void BuildIndexes();
    std::pair<std::size_t, std::size_t> PrefixRange(std::u16string_view folded) const;

    std::string pool_;
    std::vector<Item> items_;
    std::vector<Id> free_;
    std::vector<Id> slots_;      // open addressing, linear probing
    std::vector<Id> byAddress_;  // by folded match part, then address
    std::vector<Id> byRank_;     // best first
    std::size_t live_ = 0;
    std::size_t garbage_ = 0;  // pool bytes no entry uses
    std::size_t logRecords_ = 0;
    bool rewrite_ = true;
    bool erased_ = false;  // since the file was last written whole
    bool indexed_ = true;  // off while loading; built once at the end
};

}  // namespace vesko
