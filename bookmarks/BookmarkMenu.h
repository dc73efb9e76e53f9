#pragma once
// The bookmark items of the frame's Bookmarks menu: one item per entry
// below the fixed items, a submenu for every folder with entries, the URL
// kept only as the item's hint.
//
// The file is read at start and its bytes kept as they were. Each menu is
// made when it first opens, from what a scan of its level of the file
// finds, so that neither start-up nor the first opening waits for the whole
// file to be parsed, and the menu keeps no more than the bytes and where
// its items lie in them. Finding where the top-level entries end means
// reading every byte, so for a large file a thread of its own does that
// while the frame starts, and the first opening only makes the items.
// After a save by this program (BookmarkSaveCount) the menu reads the file
// again when it next opens; a change made by another program shows at the
// next start.
#include <windows.h>
#include <commctrl.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "bookmarks/xml/BookmarkLevelScan.h"

namespace vesko {

class BookmarkTable;

class BookmarkMenu {
public:
    // What an item carries.
    struct Item {
        std::wstring hint;  // the bookmark's URL; empty for a folder
        bool folder = false;
    };

    // Pictures of the frame's image list.
    static constexpr int kFolderGlyph = 11;
    static constexpr int kPageGlyph = 12;

    BookmarkMenu();
    ~BookmarkMenu();
    BookmarkMenu(const BookmarkMenu&) = delete;
    BookmarkMenu& operator=(const BookmarkMenu&) = delete;

    // Keeps the bytes of the file at `path` as read now (empty for a file
    // that is missing or cannot be read), for `menu` to show when it first
    // opens. The bookmark items go below the items `menu` holds then.
    void Defer(HMENU menu, std::string bytes, std::wstring path);
    // For WM_INITMENUPOPUP: makes the items of the deferred menu or of a
    // folder's submenu the first time it opens, and those of the deferred
    // menu again after this program saved a bookmark file. Other menus are
    // left alone. Raises AppError when the system refuses a menu item; the
    // items made until then stay.
    void OnInitMenuPopup(HMENU submenu);
    // True once nothing is left for the first opening but making the items.
    bool TopLevelScanned() const;

    // The bookmark item with `itemData` in `menu`, or nothing for other
    // menu items.
    std::optional<Item> Find(HMENU menu, ULONG_PTR itemData) const;

    // The pictures are drawn by the program from an image list with alpha
    // (HBMMENU_CALLBACK): 32-bit menu bitmaps do not show their
    // transparency everywhere. True when the message was for one of them.
    static bool MeasurePicture(MEASUREITEMSTRUCT& measure);
    bool DrawPicture(const DRAWITEMSTRUCT& draw, HIMAGELIST glyphs) const;

    // Creates a menu item with the caption at `position` of `parent`, with a
    // picture drawn through MeasurePicture and DrawPicture.
    static void MakeMenuItem(HMENU parent, const std::wstring& caption, UINT position, HMENU submenu,
                             ULONG_PTR itemData);

private:
    // An item made: its entry's element in bytes_, or for an item of the
    // full reading its entry's index in table_ (in `begin`).
    struct Made {
        uint32_t begin;
        uint32_t end;
        bool folder;
    };
    // One menu of bookmark items: the top level or a folder's submenu.
    struct Level {
        std::vector<uint32_t> path;  // the folder's position on each level from the top; empty at the top
        uint32_t begin = 0;          // the folder's element, or with fromTable its entries
        uint32_t end = 0;
        bool fromTable = false;
        bool filled = false;
        std::vector<Made> items;
    };

    void StartTopLevelScan();
    void JoinTopLevelScan();
    static DWORD WINAPI ScanTopLevel(LPVOID self);
    void Reload();
    void Fill(HMENU menu, Level& level, UINT position);
    bool FillScanned(HMENU menu, Level& level, UINT position);
    void FillFromTable(HMENU menu, Level& level, UINT position);
    void AddItem(HMENU menu, Level& level, UINT position, const std::wstring& name, Made made, bool hasEntries);
    void GivePictureColumnToFixedItems() const;
    const BookmarkTable* Table();
    const Made* ItemOf(HMENU menu, ULONG_PTR itemData, const Level** level = nullptr) const;

    HMENU menu_ = nullptr;
    UINT firstPosition_ = 0;  // of the first bookmark item: below the fixed items
    std::wstring path_;
    std::string bytes_;
    unsigned savesSeen_ = 0;                   // BookmarkSaveCount when bytes_ was read
    std::unique_ptr<BookmarkLevelScan> scan_;  // over bytes_, once a menu opens
    std::unique_ptr<BookmarkTable> table_;     // the full reading, for levels the scan cannot read
    bool tableRead_ = false;
    // The thread finding the top level; it reads only bytes_ and *scan_,
    // which stay as they are until it is joined.
    HANDLE scanThread_ = nullptr;
    std::optional<std::vector<LevelEntry>> topLevel_;  // what it found
    bool topLevelFound_ = false;
    std::unordered_map<HMENU, Level> levels_;
};

// "&" and the name, with any "&" inside the name shown as itself.
std::wstring BookmarkCaption(const std::wstring& name);

}  // namespace vesko
