#include "bookmarks/BookmarkMenu.h"

#include <limits>

#include "bookmarks/BookmarkFile.h"
#include "bookmarks/xml/BookmarkReader.h"
#include "common/Error.h"
#include "common/Glyphs.h"

namespace vesko {
namespace {

// Between a picture and its caption, which some menus set flush against it.
constexpr int kPictureGap = 3;

}  // namespace

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
                                ULONG_PTR itemData) {
    MENUITEMINFOW mii{};
    mii.cbSize = sizeof mii;
    mii.fMask = MIIM_STRING | MIIM_BITMAP | MIIM_DATA | MIIM_STATE | (submenu ? MIIM_SUBMENU : 0);
    mii.fState = MFS_ENABLED;
    mii.dwTypeData = const_cast<wchar_t*>(caption.c_str());
    mii.hbmpItem = HBMMENU_CALLBACK;
    mii.dwItemData = itemData;
    mii.hSubMenu = submenu;
    if (!InsertMenuItemW(parent, position, TRUE, &mii)) {
        const DWORD error = GetLastError();
        if (submenu) DestroyMenu(submenu);
        throw AppError(SystemMessage(error));
    }
}

void BookmarkMenu::Defer(HMENU menu, std::string bytes, std::wstring path) {
    menu_ = menu;
    deferred_ = std::move(bytes);
    path_ = std::move(path);
}

void BookmarkMenu::Read(const XmlNode* root) {
    entries_.clear();
    text_.clear();
    std::vector<uint32_t> open;  // the folders around the current entry
    BookmarkWalk walk(root);
    BookmarkWalk::Step step;
    while (walk.Next(step)) {
        if (entries_.size() >= std::numeric_limits<uint32_t>::max()) break;
        const auto index = static_cast<uint32_t>(entries_.size());
        while (open.size() > step.depth) {
            entries_[open.back()].end = index;
            open.pop_back();
        }
        // The name and URL as EntryName and BookmarkUrl read them.
        const XmlNode& entry = *step.entry;
        const bool folder = IsFolderEntry(entry);
        const size_t start = text_.size();
        AppendWideText(text_, EntryNameNode(entry));
        const size_t nameEnd = text_.size();
        if (!folder) AppendWideText(text_, BookmarkUrlNode(entry));
        entries_.push_back(Entry{static_cast<uint32_t>(start), static_cast<uint32_t>(nameEnd - start),
                                 static_cast<uint32_t>(text_.size() - nameEnd), index + 1, folder});
        if (folder) open.push_back(index);
    }
    for (uint32_t folder : open) entries_[folder].end = static_cast<uint32_t>(entries_.size());
}

void BookmarkMenu::LoadBookMark(HMENU menu) {
    menu_ = menu;
    entries_.shrink_to_fit();
    text_.shrink_to_fit();
    if (entries_.empty()) return;

    AddLevel(menu, 0, static_cast<uint32_t>(entries_.size()), kFirstPosition);
    // Captions without a picture get the picture's column too: some menus
    // indent every caption by it but measure only the items that have one.
    for (UINT position = 0; position < kFirstPosition; ++position) {
        MENUITEMINFOW mii{};
        mii.cbSize = sizeof mii;
        mii.fMask = MIIM_FTYPE | MIIM_BITMAP;
        if (GetMenuItemInfoW(menu, position, TRUE, &mii) && !(mii.fType & MFT_SEPARATOR) && !mii.hbmpItem) {
            mii.fMask = MIIM_BITMAP;
            mii.hbmpItem = HBMMENU_CALLBACK;
            SetMenuItemInfoW(menu, position, TRUE, &mii);
        }
    }
}

void BookmarkMenu::AddLevel(HMENU menu, uint32_t first, uint32_t end, UINT position) {
    for (uint32_t index = first; index < end; index = entries_[index].end) {
        const Entry& entry = entries_[index];
        HMENU submenu = nullptr;
        if (entry.folder && entry.end > index + 1) {
            submenu = CreatePopupMenu();
            if (!submenu) throw AppError(SystemMessage(GetLastError()));
            // Items of every depth report their position, like the menu bar.
            MENUINFO info{};
            info.cbSize = sizeof info;
            info.fMask = MIM_STYLE;
            info.dwStyle = MNS_NOTIFYBYPOS;
            SetMenuInfo(submenu, &info);
        }
        MakeMenuItem(menu, BookmarkCaption(text_.substr(entry.text, entry.nameLength)), position++, submenu, index + 1);
        if (submenu) submenus_.emplace(submenu, Submenu{index, false});
    }
}

void BookmarkMenu::OnInitMenuPopup(HMENU submenu) {
    if (submenu == menu_ && deferred_) {
        std::string bytes = std::move(*deferred_);
        deferred_.reset();
        {
            // A file that cannot be read gives no items, as at start.
            const BookmarkDocument file = ParseBookmarkDocument(bytes, path_);
            bytes = std::string();
            if (!file.Root()) return;
            Read(file.Root());
        }
        LoadBookMark(menu_);
        return;
    }
    const auto found = submenus_.find(submenu);
    if (found == submenus_.end() || found->second.filled) return;
    // Once only, even if the system refuses an item half-way.
    found->second.filled = true;
    const uint32_t folder = found->second.folder;
    AddLevel(submenu, folder + 1, entries_[folder].end, 0);
}

const BookmarkMenu::Entry* BookmarkMenu::EntryOf(HMENU menu, ULONG_PTR itemData) const {
    // Only data this object handed out, in menus it made.
    if (!menu || itemData == 0 || itemData > entries_.size()) return nullptr;
    if (menu != menu_ && submenus_.find(menu) == submenus_.end()) return nullptr;
    return &entries_[itemData - 1];
}

std::optional<BookmarkMenu::Item> BookmarkMenu::Find(HMENU menu, ULONG_PTR itemData) const {
    const Entry* entry = EntryOf(menu, itemData);
    if (!entry) return std::nullopt;
    return Item{text_.substr(entry->text + entry->nameLength, entry->urlLength), entry->folder};
}

bool BookmarkMenu::MeasurePicture(MEASUREITEMSTRUCT& measure) {
    if (measure.CtlType != ODT_MENU) return false;
    measure.itemWidth = kGlyphSize + kPictureGap;
    measure.itemHeight = kGlyphSize;
    return true;
}

bool BookmarkMenu::DrawPicture(const DRAWITEMSTRUCT& draw, HIMAGELIST glyphs) const {
    if (draw.CtlType != ODT_MENU) return false;
    // The fixed items keep an empty picture column.
    const Entry* entry = EntryOf(reinterpret_cast<HMENU>(draw.hwndItem), draw.itemData);
    if (!entry || !glyphs) return true;
    const RECT& r = draw.rcItem;
    const int y = r.top + (r.bottom - r.top - kGlyphSize) / 2;
    ImageList_Draw(glyphs, entry->folder ? kFolderGlyph : kPageGlyph, draw.hDC, r.left, y, ILD_TRANSPARENT);
    return true;
}

}  // namespace vesko
