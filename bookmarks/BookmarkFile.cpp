#include "bookmarks/BookmarkFile.h"

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <optional>
#include <string_view>

#include "bookmarks/xml/BookmarkReader.h"
#include "bookmarks/xml/BookmarkWriter.h"
#include "bookmarks/xml/XmlParser.h"
#include "common/AtomicFile.h"
#include "common/Error.h"
#include "common/Files.h"
#include "common/Text.h"

namespace vesko {

namespace {

// Saves come from the UI thread, but nothing forbids another.
std::atomic<unsigned> saveCount{0};

// Where wchar_t is UTF-16 as well, the characters are copied as they are:
// appending a range of another character type builds a temporary string
// and copies it unit by unit.
template <typename To, typename From>
void AppendUnits(std::basic_string<To>& out, std::basic_string_view<From> text) {
    if constexpr (sizeof(To) == sizeof(From)) {
        const size_t at = out.size();
        out.resize(at + text.size());
        if (!text.empty()) std::memcpy(&out[at], text.data(), text.size() * sizeof(From));
    } else {
        out.append(text.begin(), text.end());
    }
}

size_t Depth(const XmlNode* root) {
    size_t deepest = 0;
    BookmarkWalk walk(root);
    BookmarkWalk::Step step;
    while (walk.Next(step)) deepest = std::max(deepest, step.depth);
    return deepest;
}

}  // namespace

std::wstring ToWide(const std::u16string& text) {
    std::wstring wide;
    AppendUnits(wide, std::u16string_view(text));
    return wide;
}

void AppendWideText(std::wstring& out, const XmlNode* node) {
    if (!node) return;
    if (const std::optional<std::u16string_view> piece = node->SingleText()) {
        AppendUnits(out, *piece);
        return;
    }
    AppendUnits(out, std::u16string_view(node->Text()));
}

std::u16string ToU16(std::wstring_view text) {
    std::u16string units;
    AppendUnits(units, text);
    return units;
}

BookmarkDocument LoadBookmarkDocument(const std::wstring& path) {
    BookmarkDocument result;
    std::string bytes;
    DWORD error = ERROR_SUCCESS;
    if (!ReadWholeFile(path, bytes, error)) {
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return result;
        result.exists = true;
        result.error = Format(L"%ls を読み込めません: %ls", path.c_str(), SystemMessage(error).c_str());
        return result;
    }
    result = ParseBookmarkDocument(bytes, path);
    result.read = FingerprintOf(bytes);
    return result;
}

std::optional<std::string> ReadBookmarkBytes(const std::wstring& path) {
    std::string bytes;
    DWORD error = ERROR_SUCCESS;
    if (!ReadWholeFile(path, bytes, error)) return std::nullopt;
    return bytes;
}

BookmarkDocument ParseBookmarkDocument(const std::string& bytes, const std::wstring& path) {
    BookmarkDocument result;
    result.exists = true;
    XmlParseResult parsed = ParseXml(bytes);
    if (!parsed.Ok()) {
        result.error =
            Format(L"%ls を読み込めません (%u 行 %u 列): %ls", path.c_str(), static_cast<unsigned>(parsed.error.line),
                   static_cast<unsigned>(parsed.error.column), ToWide(parsed.error.message).c_str());
        return result;
    }
    // An entry inside n folders is an element with content inside n + 1
    // others: only a file nested that deep can hold entries too deep, and
    // only then do the entries need a walk.
    if (parsed.depth >= kMaxBookmarkDepth + 2 && Depth(parsed.document.root.get()) >= kMaxBookmarkDepth) {
        result.error = Format(L"%ls を読み込めません: フォルダの入れ子が %u 段を超えています", path.c_str(),
                              static_cast<unsigned>(kMaxBookmarkDepth));
        return result;
    }
    result.document = std::move(parsed.document);
    result.entriesAtMost = parsed.elements / 2;
    result.textUnits = parsed.textUnits;
    return result;
}

std::string SaveBookmarkFile(const std::wstring& path, const std::vector<BookmarkEntry>& entries,
                             bool keepOldAsBackup) {
    std::string bytes = WriteBookmarkFile(entries);
    if (keepOldAsBackup) {
        std::string old;
        DWORD error = ERROR_SUCCESS;
        if (ReadWholeFile(path, old, error))
            ReplaceFileContents(path + L".bak", old);
        else if (error != ERROR_FILE_NOT_FOUND)
            throw AppError(WriteFailureMessage(path, error));
    }
    ReplaceFileContents(path, bytes);
    ++saveCount;
    return bytes;
}

unsigned BookmarkSaveCount() { return saveCount.load(); }

}  // namespace vesko
