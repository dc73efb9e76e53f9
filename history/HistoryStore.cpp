#include "history/HistoryStore.h"

#include "history/HistoryText.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <stdexcept>

namespace vesko {

// A pooled string: one byte per unit, or two (little-endian) when kWide.
class HistoryStore::Text {
public:
    Text(const char* chars, std::uint32_t size)
        : chars_(reinterpret_cast<const unsigned char*>(chars)), size_(size & ~kWide), wide_((size & kWide) != 0) {}
    std::size_t size() const { return size_; }
    char16_t operator[](std::size_t k) const {
        return wide_ ? static_cast<char16_t>(chars_[2 * k] | chars_[2 * k + 1] << 8) : chars_[k];
    }
    std::u16string String() const {
        std::u16string out(size_, u'\0');
        for (std::size_t k = 0; k < size_; ++k) out[k] = (*this)[k];
        return out;
    }
    bool Equals(std::u16string_view other) const {
        if (other.size() != size_) return false;
        for (std::size_t k = 0; k < size_; ++k)
            if ((*this)[k] != other[k]) return false;
        return true;
    }

private:
    const unsigned char* chars_;
    std::size_t size_;
    bool wide_;
};

namespace {

template <class Text>
std::size_t HashOf(const Text& text) {
    std::uint32_t h = 2166136261u;
    for (std::size_t k = 0; k < text.size(); ++k) {
        h = (h ^ static_cast<std::uint32_t>(text[k])) * 16777619u;
    }
    return h ^ (h >> 15);
}

std::int64_t RankOf(std::int64_t last, std::uint32_t visits) {
    const auto bonus = std::llround(std::log2(static_cast<double>(visits)) * HistoryStore::kDoublingWorth);
    return last > std::numeric_limits<std::int64_t>::max() - bonus ? std::numeric_limits<std::int64_t>::max()
                                                                   : last + bonus;
}

}  // namespace

HistoryStore::HistoryStore() { Rehash(16); }

HistoryStore HistoryStore::Load(std::string_view bytes) {
    HistoryStore store;
    store.indexed_ = false;
    store.pool_.reserve(bytes.size() / 2);  // text takes two bytes a unit in the file, at most that here
    const std::size_t read = ReadHistoryFile(bytes, [&](const HistoryRecord& record) { store.Apply(record); });
    store.BuildIndexes();
    store.indexed_ = true;
    store.rewrite_ = read == 0 || read != bytes.size();
    store.pool_.shrink_to_fit();
    store.items_.shrink_to_fit();
    return store;
}

HistoryStore::Text HistoryStore::AddressText(const Item& item) const {
    return Text(pool_.data() + item.address, item.addressSize);
}

HistoryStore::Text HistoryStore::TitleText(const Item& item) const {
    return Text(pool_.data() + item.title, item.titleSize);
}

std::uint32_t HistoryStore::Put(std::u16string_view text, std::uint32_t& size) {
    if (pool_.size() > UINT32_MAX - 2 * text.size()) throw std::length_error("history text pool full");
    const auto offset = static_cast<std::uint32_t>(pool_.size());
    const bool wide = std::any_of(text.begin(), text.end(), [](char16_t c) { return c > 0xFF; });
    std::size_t at = pool_.size();
    pool_.resize(at + (wide ? 2 : 1) * text.size());
    for (char16_t c : text) {
        pool_[at++] = static_cast<char>(c & 0xFF);
        if (wide) pool_[at++] = static_cast<char>(c >> 8);
    }
    size = static_cast<std::uint32_t>(text.size()) | (wide ? kWide : 0);
    return offset;
}

void HistoryStore::SetTitle(Item& item, std::u16string_view title) {
    const Text old = TitleText(item);
    if (old.Equals(title)) return;
    const std::size_t oldBytes = old.size() * ((item.titleSize & kWide) ? 2 : 1);
    garbage_ += oldBytes;
    item.title = Put(title, item.titleSize);
}

void HistoryStore::Apply(const HistoryRecord& record) {
    if ((record.kind != HistoryRecordKind::Clear && record.address.empty()) ||
        record.address.size() > kHistoryMaxAddress)
        throw std::invalid_argument("history record with a bad address");
    ++logRecords_;
    switch (record.kind) {
    case HistoryRecordKind::Visit:
        Visit(record);
        break;
    case HistoryRecordKind::Entry:
        if (const auto id = Find(record.address)) Remove(*id);
        Add(record, record.firstVisit, std::max<std::uint32_t>(record.visits, 1));
        break;
    case HistoryRecordKind::Title:
        if (const auto id = Find(record.address)) SetTitle(items_[*id], record.title);
        break;
    case HistoryRecordKind::Delete:
        if (const auto id = Find(record.address)) {
            Remove(*id);
            erased_ = true;
        }
        break;
    case HistoryRecordKind::Clear:
        Reset();
        erased_ = true;
        break;
    }
    if (garbage_ > 65536 && garbage_ > pool_.size() / 2) Repack();
}

void HistoryStore::Visit(const HistoryRecord& record) {
    const auto found = Find(record.address);
    if (!found) {
        Add(record, record.time, 1);
        return;
    }
    const Id id = *found;
    if (indexed_)
        byRank_.erase(std::lower_bound(byRank_.begin(), byRank_.end(), id, [&](Id a, Id b) { return RankLess(a, b); }));
    Item& item = items_[id];
    if (item.visits < UINT32_MAX) ++item.visits;
    item.first = std::min(item.first, record.time);
    item.last = std::max(item.last, record.time);
    item.rank = RankOf(item.last, item.visits);
    if (!record.title.empty()) SetTitle(item, record.title);
    if (indexed_)
        byRank_.insert(std::upper_bound(byRank_.begin(), byRank_.end(), id, [&](Id a, Id b) { return RankLess(a, b); }),
                       id);
}

void HistoryStore::Add(const HistoryRecord& record, std::int64_t first, std::uint32_t visits) {
    if (2 * (live_ + 1) > slots_.size()) Rehash(2 * slots_.size());
    Id id;
    if (free_.empty()) {
        if (items_.size() >= kNone) throw std::length_error("history full");
        id = static_cast<Id>(items_.size());
        items_.emplace_back();
    } else {
        id = free_.back();
        free_.pop_back();
    }
    Item& item = items_[id];
    item.address = Put(record.address, item.addressSize);
    item.title = Put(record.title, item.titleSize);
    item.first = first;
    item.last = std::max(first, record.time);
    item.visits = visits;
    item.rank = RankOf(item.last, visits);
    item.matchStart = static_cast<std::uint16_t>(AddressMatchStart(record.address));
    ++live_;
    HashInsert(id);
    if (indexed_) Index(id);
}

void HistoryStore::Remove(Id id) {
    if (indexed_) Unindex(id);
    HashErase(id);
    Item& item = items_[id];
    garbage_ += (item.addressSize & ~kWide) * ((item.addressSize & kWide) ? 2 : 1) +
                (item.titleSize & ~kWide) * ((item.titleSize & kWide) ? 2 : 1);
    item = Item{};
    free_.push_back(id);
    --live_;
}

void HistoryStore::Reset() {
    pool_.clear();
    pool_.shrink_to_fit();
    items_.clear();
    items_.shrink_to_fit();
    free_.clear();
    free_.shrink_to_fit();
    byAddress_.clear();
    byAddress_.shrink_to_fit();
    byRank_.clear();
    byRank_.shrink_to_fit();
    live_ = 0;
    garbage_ = 0;
    Rehash(16);
}

void HistoryStore::Repack() {
    std::string old;
    old.swap(pool_);
    pool_.reserve(old.size() - garbage_);
    for (Item& item : items_) {
        if (item.visits == 0) continue;
        const std::u16string address = Text(old.data() + item.address, item.addressSize).String();
        const std::u16string title = Text(old.data() + item.title, item.titleSize).String();
        item.address = Put(address, item.addressSize);
        item.title = Put(title, item.titleSize);
    }
    garbage_ = 0;
}

// The slot holding `address`, or the empty slot where it would go.
std::size_t HistoryStore::Slot(std::u16string_view address) const {
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t at = HashOf(address) & mask;; at = (at + 1) & mask) {
        const Id id = slots_[at];
        if (id == kNone || AddressText(items_[id]).Equals(address)) return at;
    }
}

std::optional<HistoryStore::Id> HistoryStore::Find(std::u16string_view address) const {
    const Id id = slots_[Slot(address)];
    if (id == kNone) return std::nullopt;
    return id;
}

void HistoryStore::HashInsert(Id id) {
    const std::size_t mask = slots_.size() - 1;
    std::size_t at = HashOf(AddressText(items_[id])) & mask;
    while (slots_[at] != kNone) at = (at + 1) & mask;
    slots_[at] = id;
}

// Backward-shift deletion: later members of the probe run move up, so no
// tombstones are needed.
void HistoryStore::HashErase(Id id) {
    const std::size_t mask = slots_.size() - 1;
    std::size_t hole = HashOf(AddressText(items_[id])) & mask;
    while (slots_[hole] != id) hole = (hole + 1) & mask;
    for (std::size_t at = (hole + 1) & mask; slots_[at] != kNone; at = (at + 1) & mask) {
        const std::size_t home = HashOf(AddressText(items_[slots_[at]])) & mask;
        // Moves when its home does not lie cyclically in (hole, at].
        if (((at - home) & mask) >= ((at - hole) & mask)) {
            slots_[hole] = slots_[at];
            hole = at;
        }
    }
    slots_[hole] = kNone;
}

void HistoryStore::Rehash(std::size_t slots) {
    slots_.assign(slots, kNone);
    const std::size_t mask = slots - 1;
    for (Id id = 0; id < items_.size(); ++id) {
        if (items_[id].visits == 0) continue;
        std::size_t at = HashOf(AddressText(items_[id])) & mask;
        while (slots_[at] != kNone) at = (at + 1) & mask;
        slots_[at] = id;
    }
}

bool HistoryStore::AddressLess(Id a, Id b) const {
    const Item& x = items_[a];
    const Item& y = items_[b];
    const Text tx = AddressText(x);
    const Text ty = AddressText(y);
    const std::size_t nx = tx.size() - x.matchStart;
    const std::size_t ny = ty.size() - y.matchStart;
    for (std::size_t k = 0; k < nx && k < ny; ++k) {
        const char16_t cx = FoldForMatch(tx[x.matchStart + k]);
        const char16_t cy = FoldForMatch(ty[y.matchStart + k]);
        if (cx != cy) return cx < cy;
    }
    if (nx != ny) return nx < ny;
    for (std::size_t k = 0; k < tx.size() && k < ty.size(); ++k)
        if (tx[k] != ty[k]) return tx[k] < ty[k];
    return tx.size() < ty.size();
}

bool HistoryStore::RankLess(Id a, Id b) const {
    const std::int64_t ra = items_[a].rank;
    const std::int64_t rb = items_[b].rank;
    return ra != rb ? ra > rb : a < b;
}

void HistoryStore::Index(Id id) {
    byAddress_.insert(
        std::upper_bound(byAddress_.begin(), byAddress_.end(), id, [&](Id a, Id b) { return AddressLess(a, b); }), id);
    byRank_.insert(std::upper_bound(byRank_.begin(), byRank_.end(), id, [&](Id a, Id b) { return RankLess(a, b); }),
                   id);
}

void HistoryStore::Unindex(Id id) {
    byAddress_.erase(
        std::lower_bound(byAddress_.begin(), byAddress_.end(), id, [&](Id a, Id b) { return AddressLess(a, b); }));
    byRank_.erase(std::lower_bound(byRank_.begin(), byRank_.end(), id, [&](Id a, Id b) { return RankLess(a, b); }));
}

void HistoryStore::BuildIndexes() {
    byAddress_.clear();
    for (Id id = 0; id < items_.size(); ++id)
        if (items_[id].visits != 0) byAddress_.push_back(id);
    byAddress_.shrink_to_fit();
    byRank_ = byAddress_;
    std::sort(byAddress_.begin(), byAddress_.end(), [&](Id a, Id b) { return AddressLess(a, b); });
    std::sort(byRank_.begin(), byRank_.end(), [&](Id a, Id b) { return RankLess(a, b); });
}

HistoryEntry HistoryStore::Entry(Id id) const {
    const Item& item = items_.at(id);
    HistoryEntry entry;
    entry.address = AddressText(item).String();
    entry.title = TitleText(item).String();
    entry.firstVisit = item.first;
    entry.lastVisit = item.last;
    entry.visits = item.visits;
    return entry;
}

std::u16string HistoryStore::Address(Id id) const { return AddressText(items_.at(id)).String(); }

std::vector<HistoryStore::Id> HistoryStore::Newest(std::u16string_view query) const {
    const std::u16string folded = FoldedText(query);
    std::vector<Id> ids;
    for (Id id = 0; id < items_.size(); ++id) {
        const Item& item = items_[id];
        if (item.visits != 0 &&
            (folded.empty() || FoldedContains(AddressText(item), folded) || FoldedContains(TitleText(item), folded)))
            ids.push_back(id);
    }
    std::sort(ids.begin(), ids.end(), [&](Id a, Id b) {
        return items_[a].last != items_[b].last ? items_[a].last > items_[b].last : RankLess(a, b);
    });
    return ids;
}

// The run of byAddress_ whose match parts start with `folded`.
std::pair<std::size_t, std::size_t> HistoryStore::PrefixRange(std::u16string_view folded) const {
    if (folded.empty()) return {0, 0};
    const auto lo = std::partition_point(byAddress_.begin(), byAddress_.end(), [&](Id id) {
        return FoldedCompare(AddressText(items_[id]), items_[id].matchStart, folded) < 0;
    });
    const auto hi = std::partition_point(lo, byAddress_.end(), [&](Id id) {
        return FoldedStartsWith(AddressText(items_[id]), items_[id].matchStart, folded);
    });
    return {static_cast<std::size_t>(lo - byAddress_.begin()), static_cast<std::size_t>(hi - byAddress_.begin())};
}

std::vector<HistoryStore::Id> HistoryStore::Suggest(std::u16string_view typed, std::size_t limit,
                                                    const std::vector<std::u16string>& exclude) const {
    typed = TrimmedInput(typed);
    if (typed.empty() || limit == 0) return {};
    const std::u16string query = FoldedText(typed);
    const std::u16string prefix = FoldedText(typed.substr(AddressMatchStart(typed)));
    const auto [lo, hi] = PrefixRange(prefix);
    const bool few = hi - lo <= kPrefixRangeScan;
    const auto excluded = [&](Id id) {
        const Text address = AddressText(items_[id]);
        return std::any_of(exclude.begin(), exclude.end(), [&](const std::u16string& e) { return address.Equals(e); });
    };

    std::vector<Id> found;
    if (few) found.assign(byAddress_.begin() + lo, byAddress_.begin() + hi);
    std::size_t walked = 0;
    for (std::size_t k = 0; k < byRank_.size() && k < kRankScan && walked < limit; ++k) {
        const Id id = byRank_[k];
        const Item& item = items_[id];
        const bool prefixed = !few && FoldedStartsWith(AddressText(item), item.matchStart, prefix);
        if ((prefixed || FoldedContains(TitleText(item), query)) && !excluded(id)) {
            found.push_back(id);
            ++walked;
        }
    }
    std::sort(found.begin(), found.end(), [&](Id a, Id b) { return RankLess(a, b); });
    found.erase(std::unique(found.begin(), found.end()), found.end());
    found.erase(std::remove_if(found.begin(), found.end(), excluded), found.end());
    if (found.size() > limit) found.resize(limit);
    // Many prefix matches, few of them among the best ranked: the rest in
    // address order, shortest first among those that share a start.
    for (std::size_t k = lo; !few && k < hi && found.size() < limit; ++k) {
        const Id id = byAddress_[k];
        if (std::find(found.begin(), found.end(), id) == found.end() && !excluded(id)) found.push_back(id);
    }
    return found;
}

bool HistoryStore::CompactionDue() const {
    return rewrite_ || erased_ || (logRecords_ > kCompactionFloor && logRecords_ > 2 * live_);
}

std::string HistoryStore::CompactedFile() const {
    std::string out = HistoryFileHeader();
    out.reserve(pool_.size() * 2 + live_ * 40);
    HistoryRecord record;
    record.kind = HistoryRecordKind::Entry;
    for (const Item& item : items_) {
        if (item.visits == 0) continue;
        record.address = AddressText(item).String();
        record.title = TitleText(item).String();
        record.firstVisit = item.first;
        record.time = item.last;
        record.visits = item.visits;
        AppendHistoryRecord(out, record);
    }
    return out;
}

void HistoryStore::NoteCompacted() {
    logRecords_ = live_;
    rewrite_ = false;
    erased_ = false;
}

std::size_t HistoryStore::MemoryBytes() const {
    return sizeof *this + pool_.capacity() + items_.capacity() * sizeof(Item) +
           (free_.capacity() + slots_.capacity() + byAddress_.capacity() + byRank_.capacity()) * sizeof(Id);
}

}  // namespace vesko
