#include "bookmarks/BookmarkFile.h"

#include <windows.h>

#include <algorithm>

#include "bookmarks/xml/BookmarkReader.h"
#include "bookmarks/xml/BookmarkWriter.h"
#include "bookmarks/xml/XmlParser.h"
#include "common/AtomicFile.h"
#include "common/Error.h"
#include "common/Files.h"
#include "common/Text.h"

namespace vesko {

std::wstring ToWide(const std::u16string& text) { return std::wstring(text.begin(), text.end()); }

void AppendWideText(std::wstring& out, const XmlNode* node) {
    if (!node) return;
    if (const std::u16string* piece = node->SingleText()) {
        out.append(piece->begin(), piece->end());
        return;
    }
    const std::u16string text = node->Text();
    out.append(text.begin(), text.end());
}

std::u16string ToU16(const std::wstring& text) { return std::u16string(text.begin(), text.end()); }

namespace {

size_t Depth(const XmlNode* root) {
    size_t deepest = 0;
    BookmarkWalk walk(root);
    BookmarkWalk::Step step;
    while (walk.Next(step)) deepest = std::max(deepest, step.depth);
    return deepest;
}

}  // namespace

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
    if (Depth(parsed.document.root.get()) >= kMaxBookmarkDepth) {
        result.error = Format(L"%ls を読み込めません: フォルダの入れ子が %u 段を超えています", path.c_str(),
                              static_cast<unsigned>(kMaxBookmarkDepth));
        return result;
    }
    result.document = std::move(parsed.document);
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
    return bytes;
}

}  // namespace vesko
