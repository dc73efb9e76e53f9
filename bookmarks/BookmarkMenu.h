#pragma once
// The bookmark items of the frame's Bookmarks menu: one item per entry
// below the fixed items, a submenu for every folder with entries, the URL
// kept only as the item's hint.
#include <windows.h>

#include <deque>
#include <string>

#include "bookmarks/xml/XmlNode.h"

namespace vesko {

class BookmarkMenu {
public:
    // What an item carries; its address is the menu item's data.
    struct Item {
        std::wstring hint;  // the bookmark's URL; empty for a folder
    };

    // Position of the first bookmark item: below mnuEdit and N4.
    static constexpr UINT kFirstPosition = 2;

    BookmarkMenu() = default;
    BookmarkMenu(const BookmarkMenu&) = delete;
    BookmarkMenu& operator=(const BookmarkMenu&) = delete;

    // Appends the entries of the file's tree to `menu`. Submenus become
    // part of `menu` and are destroyed with it. Raises AppError when the
    // system refuses a menu item; the items made until then stay.
    void LoadBookMark(HMENU menu, const XmlNode* root, HBITMAP folderPicture, HBITMAP pagePicture);

    // The item behind a menu item's data, or null for other menu items.
    const Item* Find(ULONG_PTR itemData) const;

    size_t ItemCount() const { return items_.size(); }

    // Creates a menu item with the caption at `position` of `parent`.
    static void MakeMenuItem(HMENU parent, const std::wstring& caption, UINT position, HMENU submenu,
                             HBITMAP picture, const Item* item);

private:
    std::deque<Item> items_;  // stable addresses
};

// "&" and the name, with any "&" inside the name shown as itself.
std::wstring BookmarkCaption(const std::wstring& name);

}  // namespace vesko
