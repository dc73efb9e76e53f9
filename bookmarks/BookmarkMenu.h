#pragma once
// The bookmark items of the frame's Bookmarks menu: one item per entry
// below the fixed items, a submenu for every folder with entries, the URL
// kept only as the item's hint.
//
// The file is read at start and kept as it was; its items are made when
// the menu first opens, from a compact form of the entries, and each
// submenu when it first opens, so that a large file costs neither start-up
// time nor menu memory.
#include <windows.h>
#include <commctrl.h>

#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "bookmarks/xml/XmlNode.h"

namespace vesko {

class BookmarkMenu {
public:
    // What an item carries.
    struct Item {
        std::wstring hint;  // the bookmark's URL; empty for a folder
        bool folder = false;
    };

    // Position of the first bookmark item: below mnuEdit and N4.
    static constexpr UINT kFirstPosition = 2;
    // Pictures of the frame's image list.
    static constexpr int kFolderGlyph = 11;
    static constexpr int kPageGlyph = 12;

    BookmarkMenu() = default;
    BookmarkMenu(const BookmarkMenu&) = delete;
    BookmarkMenu& operator=(const BookmarkMenu&) = delete;

    // Keeps the bytes of the file at `path` as read now, for `menu` to show
    // when it first opens.
    void Defer(HMENU menu, std::string bytes, std::wstring path);
    // Keeps the entries of the file's tree.
    void Read(const XmlNode* root);
    // Appends the top-level entries to `menu`. Submenus become part of
    // `menu` and are destroyed with it. Raises AppError when the system
    // refuses a menu item; the items made until then stay. Called after the
    // tree is freed, its memory can go back to the system: nothing made here
    // lies between its blocks.
    void LoadBookMark(HMENU menu);
    // For WM_INITMENUPOPUP: makes the items of the deferred menu or of a
    // folder's submenu the first time it opens. Other menus are left alone.
    // Raises as LoadBookMark.
    void OnInitMenuPopup(HMENU submenu);

    // The bookmark item with `itemData` in `menu`, or nothing for other
    // menu items.
    std::optional<Item> Find(HMENU menu, ULONG_PTR itemData) const;
    size_t ItemCount() const { return entries_.size(); }

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
    struct Entry {
        uint32_t text;  // the name's offset in text_; the URL follows it
        uint32_t nameLength;
        uint32_t urlLength;
        uint32_t end;  // the index after the entry and all inside it
        bool folder;
    };
    struct Submenu {
        uint32_t folder;  // the folder's entry
        bool filled;
    };

    // Makes the items of the entries in [first, end) at `position` on.
    void AddLevel(HMENU menu, uint32_t first, uint32_t end, UINT position);
    const Entry* EntryOf(HMENU menu, ULONG_PTR itemData) const;

    HMENU menu_ = nullptr;
    std::optional<std::string> deferred_;  // the file's bytes, until first opened
    std::wstring path_;
    std::vector<Entry> entries_;  // pre-order
    std::wstring text_;
    std::unordered_map<HMENU, Submenu> submenus_;
};

// "&" and the name, with any "&" inside the name shown as itself.
std::wstring BookmarkCaption(const std::wstring& name);

}  // namespace vesko
