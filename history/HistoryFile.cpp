#include "history/HistoryFile.h"

#include <array>
#include <string>

namespace vesko {
namespace {

constexpr char kHeader[] = {'V', 'e', 's', 'k', 'o', 'H', 's', 1};
constexpr std::size_t kHeaderSize = sizeof kHeader;
constexpr std::size_t kFrameSize = 8;  // length and checksum
constexpr std::size_t kMinBody = 1;    // Clear: the kind alone
// Entry with both strings at their longest.
constexpr std::size_t kMaxBody = 1 + 8 + 8 + 4 + 4 + 2 * kHistoryMaxAddress + 4 + 2 * kHistoryMaxTitle;

// Slicing by four: four table lookups per four bytes.
using CrcTables = std::array<std::array<std::uint32_t, 256>, 4>;

CrcTables MakeCrcTables() {
    CrcTables tables{};
    for (std::uint32_t n = 0; n < 256; ++n) {
        std::uint32_t c = n;
        for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        tables[0][n] = c;
    }
    for (std::uint32_t n = 0; n < 256; ++n)
        for (std::size_t t = 1; t < 4; ++t) tables[t][n] = (tables[t - 1][n] >> 8) ^ tables[0][tables[t - 1][n] & 0xFF];
    return tables;
}

std::uint32_t CrcUpdate(std::uint32_t c, std::string_view bytes) {
    static const CrcTables t = MakeCrcTables();
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    std::size_t n = bytes.size();
    for (; n >= 4; n -= 4, p += 4) {
        c ^= static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
             static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
        c = t[3][c & 0xFF] ^ t[2][(c >> 8) & 0xFF] ^ t[1][(c >> 16) & 0xFF] ^ t[0][c >> 24];
    }
    for (; n > 0; --n, ++p) c = t[0][(c ^ *p) & 0xFF] ^ (c >> 8);
    return c;
}

// CRC-32 (IEEE) of the record's length field and body, which lie apart.
std::uint32_t RecordCrc(std::string_view length, std::string_view body) {
    return CrcUpdate(CrcUpdate(0xFFFFFFFFu, length), body) ^ 0xFFFFFFFFu;
}

void PutU32(std::string& out, std::uint32_t value) {
    for (int k = 0; k < 4; ++k) out += static_cast<char>((value >> (8 * k)) & 0xFF);
}

void PutI64(std::string& out, std::int64_t value) {
    const auto bits = static_cast<std::uint64_t>(value);
    for (int k = 0; k < 8; ++k) out += static_cast<char>((bits >> (8 * k)) & 0xFF);
}

void PutText(std::string& out, std::u16string_view text) {
    PutU32(out, static_cast<std::uint32_t>(text.size()));
    std::size_t at = out.size();
    out.resize(at + 2 * text.size());
    for (char16_t c : text) {
        out[at++] = static_cast<char>(c & 0xFF);
        out[at++] = static_cast<char>(c >> 8);
    }
}

std::uint32_t GetU32(std::string_view bytes, std::size_t at) {
    std::uint32_t value = 0;
    for (int k = 3; k >= 0; --k) value = (value << 8) | static_cast<unsigned char>(bytes[at + k]);
    return value;
}

// A title cut to the longest kept, never between the halves of a pair.
std::u16string_view KeptTitle(std::u16string_view title) {
    if (title.size() <= kHistoryMaxTitle) return title;
    std::size_t size = kHistoryMaxTitle;
    if (title[size - 1] >= 0xD800 && title[size - 1] <= 0xDBFF) --size;
    return title.substr(0, size);
}

bool StartsWithNoCase(std::u16string_view text, std::u16string_view prefix) {
    if (text.size() < prefix.size()) return false;
    for (std::size_t k = 0; k < prefix.size(); ++k) {
        char16_t c = text[k];
        if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c + 32);
        if (c != prefix[k]) return false;
    }
    return true;
}

[[noreturn]] void Damaged(std::size_t offset) {
    std::u16string digits;
    for (const char c : std::to_string(offset)) digits += static_cast<char16_t>(c);
    throw HistoryFileError(u"履歴ファイルの " + digits + u" バイト目からが壊れています");
}

}  // namespace

HistoryFileError::HistoryFileError(std::u16string message)
    : std::runtime_error("damaged history file"), message_(std::move(message)) {}

HistoryRecord VisitRecord(std::u16string_view address, std::u16string_view title, std::int64_t time) {
    HistoryRecord record;
    record.kind = HistoryRecordKind::Visit;
    record.time = time;
    record.address = address;
    record.title = KeptTitle(title);
    return record;
}

HistoryRecord TitleRecord(std::u16string_view address, std::u16string_view title) {
    HistoryRecord record;
    record.kind = HistoryRecordKind::Title;
    record.address = address;
    record.title = KeptTitle(title);
    return record;
}

HistoryRecord DeleteRecord(std::u16string_view address) {
    HistoryRecord record;
    record.kind = HistoryRecordKind::Delete;
    record.address = address;
    return record;
}

HistoryRecord ClearRecord() {
    HistoryRecord record;
    record.kind = HistoryRecordKind::Clear;
    return record;
}

bool ShouldRecordVisit(std::u16string_view address) {
    return !address.empty() && address.size() <= kHistoryMaxAddress && !StartsWithNoCase(address, u"about:");
}

std::string HistoryFileHeader() { return std::string(kHeader, kHeaderSize); }

void AppendHistoryRecord(std::string& out, const HistoryRecord& record) {
    const bool clear = record.kind == HistoryRecordKind::Clear;
    if (clear != record.address.empty() || record.address.size() > kHistoryMaxAddress)
        throw std::invalid_argument("history record with a bad address");
    if (record.kind == HistoryRecordKind::Entry && (record.visits == 0 || record.firstVisit > record.time))
        throw std::invalid_argument("history entry with bad visits");
    const std::size_t start = out.size();
    out.append(8, '\0');  // length and checksum, filled in below
    out += static_cast<char>(record.kind);
    if (record.kind == HistoryRecordKind::Entry) {
        PutI64(out, record.firstVisit);
        PutI64(out, record.time);
        PutU32(out, record.visits);
    } else if (record.kind == HistoryRecordKind::Visit) {
        PutI64(out, record.time);
    }
    if (!clear) PutText(out, record.address);
    if (record.kind != HistoryRecordKind::Delete && !clear) PutText(out, KeptTitle(record.title));

    std::string frame;
    PutU32(frame, static_cast<std::uint32_t>(out.size() - start - 8));
    PutU32(frame, RecordCrc(std::string_view(frame).substr(0, 4), std::string_view(out).substr(start + 8)));
    out.replace(start, 8, frame);
}

std::string EncodeHistoryRecord(const HistoryRecord& record) {
    std::string out;
    AppendHistoryRecord(out, record);
    return out;
}

namespace {

// The end of the record that starts at `at` when its frame checks out.
std::size_t CheckedRecordEnd(std::string_view bytes, std::size_t at) {
    if (bytes.size() - at < kFrameSize + kMinBody) return 0;
    const std::uint32_t length = GetU32(bytes, at);
    if (length < kMinBody || length > kMaxBody || length > bytes.size() - at - kFrameSize) return 0;
    if (RecordCrc(bytes.substr(at, 4), bytes.substr(at + kFrameSize, length)) != GetU32(bytes, at + 4)) return 0;
    return at + kFrameSize + length;
}

// Reads a body whose checksum held; any inconsistency is damage.
class BodyReader {
public:
    BodyReader(std::string_view body, std::size_t offset) : body_(body), offset_(offset) {}

    std::int64_t I64() {
        Need(8);
        std::uint64_t value = 0;
        for (int k = 7; k >= 0; --k) value = (value << 8) | static_cast<unsigned char>(body_[at_ + k]);
        at_ += 8;
        return static_cast<std::int64_t>(value);
    }
    std::uint32_t U32() {
        Need(4);
        at_ += 4;
        return GetU32(body_, at_ - 4);
    }
    std::u16string Text(std::size_t most) {
        const std::uint32_t units = U32();
        if (units > most) Damaged(offset_);
        Need(2 * std::size_t{units});
        std::u16string text(units, u'\0');
        for (std::size_t k = 0; k < units; ++k)
            text[k] = static_cast<char16_t>(static_cast<unsigned char>(body_[at_ + 2 * k]) |
                                            static_cast<unsigned char>(body_[at_ + 2 * k + 1]) << 8);
        at_ += 2 * std::size_t{units};
        return text;
    }
    void End() const {
        if (at_ != body_.size()) Damaged(offset_);
    }

private:
    void Need(std::size_t count) const {
        if (body_.size() - at_ < count) Damaged(offset_);
    }

    std::string_view body_;
    std::size_t offset_;
    std::size_t at_ = 1;  // past the kind
};

HistoryRecord DecodeBody(std::string_view body, std::size_t offset) {
    HistoryRecord record;
    BodyReader read(body, offset);
    record.kind = static_cast<HistoryRecordKind>(static_cast<unsigned char>(body[0]));
    switch (record.kind) {
    case HistoryRecordKind::Entry:
        record.firstVisit = read.I64();
        record.time = read.I64();
        record.visits = read.U32();
        if (record.visits == 0 || record.firstVisit > record.time) Damaged(offset);
        break;
    case HistoryRecordKind::Visit:
        record.time = read.I64();
        break;
    case HistoryRecordKind::Title:
    case HistoryRecordKind::Delete:
    case HistoryRecordKind::Clear:
        break;
    default:
        Damaged(offset);
    }
    if (record.kind != HistoryRecordKind::Clear) {
        record.address = read.Text(kHistoryMaxAddress);
        if (record.address.empty()) Damaged(offset);
    }
    if (record.kind != HistoryRecordKind::Delete && record.kind != HistoryRecordKind::Clear)
        record.title = read.Text(kHistoryMaxTitle);
    read.End();
    return record;
}

}  // namespace

std::size_t ReadHistoryFile(std::string_view bytes, const std::function<void(const HistoryRecord&)>& each) {
    const std::string_view header(kHeader, kHeaderSize);
    if (bytes.size() < kHeaderSize) {
        if (header.substr(0, bytes.size()) != bytes) throw HistoryFileError(u"履歴ファイルではありません");
        return 0;
    }
    if (bytes.substr(0, kHeaderSize - 1) != header.substr(0, kHeaderSize - 1))
        throw HistoryFileError(u"履歴ファイルではありません");
    if (bytes[kHeaderSize - 1] != kHeader[kHeaderSize - 1])
        throw HistoryFileError(u"この版では読めない履歴ファイルです");

    std::size_t at = kHeaderSize;
    while (at < bytes.size()) {
        const std::size_t end = CheckedRecordEnd(bytes, at);
        if (end == 0) {
            // Torn only if it is no longer than one record, as one append
            // writes, and nothing that checks out follows.
            if (bytes.size() - at > kFrameSize + kMaxBody) Damaged(at);
            for (std::size_t later = at + 1; later < bytes.size(); ++later)
                if (CheckedRecordEnd(bytes, later) != 0) Damaged(at);
            return at;
        }
        each(DecodeBody(bytes.substr(at + kFrameSize, end - at - kFrameSize), at));
        at = end;
    }
    return at;
}

}  // namespace vesko
