#include "bookmarks/BookmarkMenu.h"

#include <vector>

#include "bookmarks/xml/BookmarkReader.h"
#include "bookmarks/BookmarkFile.h"
#include "common/Error.h"

namespace vesko {

std::wstring BookmarkCaption(const std::wstring& name) {
    std::wstring caption = L"&";
    caption.reserve(name.size() + 1);
    for (wchar_t c : name) {
        caption += c;
        if (c == L'&') caption += L'&';
    }
    return caption;
}

void BookmarkMenu::MakeMenuItem(HMENU parent, const std::wstring& caption, UINT position, HMENU submenu,
                                HBITMAP picture, const Item* item) {
    MENUITEMINFOW mii{};
    mii.cbSize = sizeof mii;
    mii.fMask = MIIM_STRING | MIIM_BITMAP | MIIM_DATA | MIIM_STATE | (submenu ? MIIM_SUBMENU : 0);
    mii.fState = MFS_ENABLED;
    mii.dwTypeData = const_cast<wchar_t*>(caption.c_str());
    mii.hbmpItem = picture;
    mii.dwItemData = reinterpret_cast<ULONG_PTR>(item);
    mii.hSubMenu = submenu;
    if (!InsertMenuItemW(parent, position, TRUE, &mii)) {
        const DWORD error = GetLastError();
        if (submenu) DestroyMenu(submenu);
        throw AppError(SystemMessage(error));
    }
}

void BookmarkMenu::LoadBookMark(HMENU menu, const XmlNode* root, HBITMAP folderPicture, HBITMAP pagePicture) {
    // The menu of each open level: [0] is the Bookmarks menu itself.
    std::vector<HMENU> levels{menu};
    BookmarkWalk walk(root);
    BookmarkWalk::Step step;
    while (walk.Next(step)) {
        const XmlNode& entry = *step.entry;
        const bool folder = IsFolderEntry(entry);
        items_.push_back(Item{folder ? std::wstring() : ToWide(BookmarkUrl(entry))});

        HMENU submenu = nullptr;
        if (folder && FirstFolderEntry(entry)) {
            submenu = CreatePopupMenu();
            if (!submenu) throw AppError(SystemMessage(GetLastError()));
            // Items of every depth report their position, like the menu bar.
            MENUINFO info{};
            info.cbSize = sizeof info;
            info.fMask = MIM_STYLE;
            info.dwStyle = MNS_NOTIFYBYPOS;
            SetMenuInfo(submenu, &info);
        }
        const UINT position = static_cast<UINT>(step.position) + (step.depth == 0 ? kFirstPosition : 0);
        MakeMenuItem(levels[step.depth], BookmarkCaption(ToWide(EntryName(entry))), position, submenu,
                     folder ? folderPicture : pagePicture, &items_.back());
        if (submenu) {
            levels.resize(step.depth + 1);
            levels.push_back(submenu);
        }
    }
}

const BookmarkMenu::Item* BookmarkMenu::Find(ULONG_PTR itemData) const {
    if (!itemData) return nullptr;
    // Only addresses handed out by this menu count.
    for (const Item& item : items_)
        if (reinterpret_cast<ULONG_PTR>(&item) == itemData) return &item;
    return nullptr;
}

}  // namespace vesko
