#include "bookmarks/BookmarkTransfer.h"

#include <algorithm>
#include <string_view>

#include "bookmarks/BookmarkFile.h"
#include "bookmarks/interchange/ImportFolder.h"
#include "bookmarks/interchange/InternetShortcut.h"
#include "bookmarks/interchange/NetscapeBookmarks.h"
#include "bookmarks/xml/BookmarkReader.h"
#include "common/AtomicFile.h"
#include "common/Error.h"
#include "common/Files.h"

namespace vesko {
namespace {

// Explorer's order: case ignored, runs of digits by their value.
bool ExplorerLess(const std::wstring& a, const std::wstring& b) {
    int order = CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE | SORT_DIGITSASNUMBERS, a.c_str(), -1, b.c_str(), -1);
    if (order == 0) order = CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a.c_str(), -1, b.c_str(), -1);
    return order == CSTR_LESS_THAN;
}

bool EndsWithUrl(const std::wstring& name) {
    return name.size() > 4 && CompareStringOrdinal(name.c_str() + name.size() - 4, 4, L".url", 4, TRUE) == CSTR_EQUAL;
}

// One level: its folders, then its shortcuts, each in Explorer's order.
struct Level {
    std::vector<std::wstring> folders, shortcuts;
};

Level ListLevel(const std::wstring& folder) {
    Level level;
    for (FolderEntry& entry : ListFolder(folder)) {
        if (entry.isFolder)
            level.folders.push_back(std::move(entry.name));
        else if (EndsWithUrl(entry.name))
            level.shortcuts.push_back(std::move(entry.name));
    }
    std::sort(level.folders.begin(), level.folders.end(), ExplorerLess);
    std::sort(level.shortcuts.begin(), level.shortcuts.end(), ExplorerLess);
    return level;
}

// Walks the tree with a list of its own, not the call stack, so that no
// depth of folders can exhaust it (the depth of what is kept is bounded
// when it is saved).
struct Pending {
    std::wstring path;  // with a trailing separator
    std::size_t depth;
    std::wstring name;
    bool folder;
};

void ReadShortcut(const Pending& item, std::vector<BookmarkEntry>& out, std::size_t& unreadable) {
    std::string bytes;
    DWORD error = 0;
    const auto url = ReadWholeFile(item.path, bytes, error) ? ReadInternetShortcutUrl(bytes) : std::nullopt;
    if (!url) {
        ++unreadable;
        return;
    }
    out.push_back(BookmarkEntry{item.depth, false, ToU16(item.name.substr(0, item.name.size() - 4)), *url});
}

std::vector<BookmarkEntry> ReadBookmarksForExport(const std::wstring& bookmarkPath) {
    const BookmarkDocument document = LoadBookmarkDocument(bookmarkPath);
    if (document.Unreadable()) throw AppError(document.error);
    return ReadBookmarkEntries(document.Root());
}

std::size_t CountLinks(const std::vector<BookmarkEntry>& entries) {
    return static_cast<std::size_t>(
        std::count_if(entries.begin(), entries.end(), [](const BookmarkEntry& e) { return !e.isFolder; }));
}

}  // namespace

std::vector<BookmarkEntry> ReadFavoritesFolder(const std::wstring& folder, std::size_t& unreadable) {
    std::vector<BookmarkEntry> entries;
    std::vector<Pending> stack{{folder.back() == L'\\' ? folder : folder + L'\\', 0, L"", true}};
    bool root = true;
    while (!stack.empty()) {
        const Pending item = std::move(stack.back());
        stack.pop_back();
        if (!item.folder) {
            ReadShortcut(item, entries, unreadable);
            continue;
        }
        std::size_t depth = item.depth;
        if (!root) entries.push_back(BookmarkEntry{depth++, true, ToU16(item.name), {}});
        root = false;
        const Level level = ListLevel(item.path);
        // Pushed last to first, so that they come off in order.
        for (auto it = level.shortcuts.rbegin(); it != level.shortcuts.rend(); ++it)
            stack.push_back({item.path + *it, depth, *it, false});
        for (auto it = level.folders.rbegin(); it != level.folders.rend(); ++it)
            stack.push_back({item.path + *it + L'\\', depth, *it, true});
    }
    return entries;
}

void SaveImported(const std::wstring& bookmarkPath, const std::vector<BookmarkEntry>& imported) {
    const BookmarkDocument document = LoadBookmarkDocument(bookmarkPath);
    // Never over a file that could not be read: the editor says why, and
    // keeps it beside when it saves.
    if (document.Unreadable()) throw AppError(document.error);
    std::vector<BookmarkEntry> tree = ReadBookmarkEntries(document.Root());
    SYSTEMTIME today{};
    GetLocalTime(&today);
    AppendImportFolder(tree, ImportFolderName(today.wYear, today.wMonth, today.wDay), imported);
    SaveBookmarkFile(bookmarkPath, tree, false);
}

ImportCount ImportInterchangeFile(const std::wstring& bookmarkPath, const std::wstring& source) {
    std::string bytes;
    DWORD error = 0;
    if (!ReadWholeFile(source, bytes, error)) throw AppError(source + L" を読み込めません: " + SystemMessage(error));
    std::vector<BookmarkEntry> imported;
    try {
        imported = ReadBookmarkInterchange(bytes);
    } catch (const InterchangeError& e) {
        throw AppError(source + L"\n" + ToWide(e.Message()));
    }
    SaveImported(bookmarkPath, imported);
    return ImportCount{CountLinks(imported), 0};
}

ImportCount ImportFavorites(const std::wstring& bookmarkPath, const std::wstring& folder) {
    const DWORD attributes = GetFileAttributesW(folder.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY))
        throw AppError(folder + L" を読み込めません: " + SystemMessage(ERROR_PATH_NOT_FOUND));
    ImportCount count;
    const std::vector<BookmarkEntry> imported = ReadFavoritesFolder(folder, count.unreadable);
    SaveImported(bookmarkPath, imported);
    count.imported = CountLinks(imported);
    return count;
}

void ExportBookmarks(const std::wstring& bookmarkPath, const std::wstring& target) {
    ReplaceFileContents(target, WriteBookmarkInterchange(ReadBookmarksForExport(bookmarkPath)));
}

std::wstring ImportMessage(const ImportCount& count) {
    const std::wstring imported = std::to_wstring(count.imported);
    if (count.unreadable == 0) return imported + L" 件のブックマークをインポートしました";
    return imported + L" 件をインポートしました（" + std::to_wstring(count.unreadable) + L" 件は読めませんでした）";
}

}  // namespace vesko
