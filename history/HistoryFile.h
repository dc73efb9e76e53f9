// history.dat: an append-only log of records behind an 8-byte header
// ("VeskoHs" and a version byte, now 1). Every record is
//
//   u32 body length | u32 CRC-32 of (the length's 4 bytes + body) | body
//
// and a body is one kind byte followed by the kind's fields (integers
// little-endian, times as FILETIME: 100-ns units since 1601-01-01 UTC, as
// GetSystemTimeAsFileTime gives them; a string is a u32 count of UTF-16
// units and the units, little-endian):
//
//   Visit  time, address, title      one visit
//   Title  address, title            the title the engine reported later
//   Delete address                   the address removed
//   Clear                            everything removed
//   Entry  first, last, visits, address, title
//                                    an address whole (compacted files)
//
// The window layer appends one record per change in one write and flushes
// it, so that a crash or a power loss tears at most the last record. The
// reader cuts such a torn end off: a record that does not check out is the
// torn end when what is left is no longer than the longest record and no
// record that does check out starts anywhere in it.
// Anything else - a header that is not ours, a bad record with good ones
// after it, a checked record whose body makes no sense - is damage and
// raises HistoryFileError.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace vesko {

// Addresses longer than this are not recorded (they are data: addresses,
// nothing one would complete); titles are kept up to the second figure.
constexpr std::size_t kHistoryMaxAddress = 8192;
constexpr std::size_t kHistoryMaxTitle = 1024;

enum class HistoryRecordKind : std::uint8_t { Visit = 1, Title = 2, Delete = 3, Clear = 4, Entry = 5 };

struct HistoryRecord {
    HistoryRecordKind kind = HistoryRecordKind::Visit;
    std::int64_t time = 0;        // Visit: when; Entry: the last visit
    std::int64_t firstVisit = 0;  // Entry only
    std::uint32_t visits = 0;     // Entry only, at least 1
    std::u16string address;       // empty only for Clear
    std::u16string title;         // Visit, Title and Entry

    bool operator==(const HistoryRecord& other) const {
        return kind == other.kind && time == other.time && firstVisit == other.firstVisit && visits == other.visits &&
               address == other.address && title == other.title;
    }
    bool operator!=(const HistoryRecord& other) const { return !(*this == other); }
};

HistoryRecord VisitRecord(std::u16string_view address, std::u16string_view title, std::int64_t time);
HistoryRecord TitleRecord(std::u16string_view address, std::u16string_view title);
HistoryRecord DeleteRecord(std::u16string_view address);
HistoryRecord ClearRecord();

// Whether a completed navigation to `address` is a visit to keep: not an
// about: page, not empty, not longer than kHistoryMaxAddress.
bool ShouldRecordVisit(std::u16string_view address);

// A history file that cannot be read; Message() says why, in Japanese.
class HistoryFileError : public std::runtime_error {
public:
    explicit HistoryFileError(std::u16string message);
    const std::u16string& Message() const { return message_; }

private:
    std::u16string message_;
};

// The bytes that begin every history file.
std::string HistoryFileHeader();
// Appends the record's bytes to `out`. A record the reader would refuse
// (an empty or overlong address, no visits, first visit after the last)
// raises std::invalid_argument; an overlong title is cut to
// kHistoryMaxTitle.
void AppendHistoryRecord(std::string& out, const HistoryRecord& record);
std::string EncodeHistoryRecord(const HistoryRecord& record);

// Reads a whole file, calling `each` for every record in order. Returns
// the length of what was read; anything after it is a torn end, to be
// rewritten before anything is appended. No bytes (a missing file) and a
// torn header are an empty history of length 0. Damage raises
// HistoryFileError.
std::size_t ReadHistoryFile(std::string_view bytes, const std::function<void(const HistoryRecord&)>& each);

}  // namespace vesko
