// Feeds arbitrary bytes to the history file reader. Beyond not crashing:
// a refusal carries a message; what is read is the same when its records
// are written again; the store it loads survives compaction unchanged; and
// completion over it keeps its bounds.
#include "history/Completion.h"
#include "history/HistoryFile.h"
#include "history/HistoryStore.h"
#include "history/HistoryText.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

using namespace vesko;

namespace {

void CheckSameHistory(const HistoryStore& a, const HistoryStore& b) {
    if (a.Size() != b.Size()) std::abort();
    for (const HistoryStore::Id id : a.Newest()) {
        const HistoryEntry x = a.Entry(id);
        const auto other = b.Find(x.address);
        if (!other) std::abort();
        const HistoryEntry y = b.Entry(*other);
        if (x.title != y.title || x.visits != y.visits || x.firstVisit != y.firstVisit || x.lastVisit != y.lastVisit)
            std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    std::vector<HistoryRecord> records;
    std::size_t length = 0;
    try {
        length = ReadHistoryFile(bytes, [&](const HistoryRecord& record) { records.push_back(record); });
    } catch (const HistoryFileError& error) {
        if (error.Message().empty()) std::abort();
        return 0;
    }
    if (length > size) std::abort();

    std::string written = length == 0 ? std::string() : HistoryFileHeader();
    for (const HistoryRecord& record : records) AppendHistoryRecord(written, record);
    if (written != bytes.substr(0, length)) std::abort();

    const HistoryStore store = HistoryStore::Load(bytes);
    // A torn end, or no header, must be rewritten before anything is appended.
    if ((length == 0 || length != size) && !store.CompactionDue()) std::abort();
    CheckSameHistory(store, HistoryStore::Load(store.CompactedFile()));

    for (const std::u16string_view typed : {u"h", u"www.", u"http://a", u"ＡＢ"}) {
        if (SuggestAddresses(typed, {}, store).size() > kMaxSuggestions) std::abort();
    }
    // Typing an address in full offers at least that address's run.
    for (const HistoryStore::Id id : store.Newest()) {
        const std::u16string address = store.Address(id);
        if (TrimmedInput(address) != address || AddressMatchStart(std::u16string_view(address)) == address.size())
            continue;
        const std::vector<Suggestion> offered = SuggestAddresses(address, {}, store);
        if (offered.empty() || offered.size() > kMaxSuggestions) std::abort();
    }
    return 0;
}
