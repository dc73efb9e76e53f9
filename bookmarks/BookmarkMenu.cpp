#include "bookmarks/BookmarkMenu.h"

#include <algorithm>
#include <limits>

#include "bookmarks/BookmarkFile.h"
#include "bookmarks/xml/BookmarkReader.h"
#include "common/Error.h"
#include "common/Glyphs.h"

namespace vesko {
namespace {

// Between a picture and its caption, which some menus set flush against it.
constexpr int kPictureGap = 3;
// Below this the whole scan takes less than starting a thread for it.
constexpr size_t kTopLevelScanThreadBytes = 256 * 1024;

}  // namespace

// The whole tree in compact form, as the full reading gives it, for the
// levels of a file that the scan cannot vouch for.
class BookmarkTable {
public:
    struct Entry {
        uint32_t text;  // the name's offset in text_; the URL follows it
        uint32_t nameLength;
        uint32_t urlLength;
        uint32_t end;  // the index after the entry and all inside it
        bool folder;
    };

    explicit BookmarkTable(const XmlNode* root);
    const Entry& At(uint32_t index) const { return entries_[index]; }
    std::wstring Name(uint32_t index) const { return text_.substr(At(index).text, At(index).nameLength); }
    std::wstring Url(uint32_t index) const {
        return text_.substr(At(index).text + At(index).nameLength, At(index).urlLength);
    }
    // The entries of the folder at `path` (its position on each level from
    // the top; empty for the top level) as [first, end); false when there
    // is no such folder.
    bool FolderEntries(const std::vector<uint32_t>& path, uint32_t& first, uint32_t& end) const;

private:
    std::vector<Entry> entries_;  // pre-order
    std::wstring text_;
};

BookmarkTable::BookmarkTable(const XmlNode* root) {
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
    entries_.shrink_to_fit();
    text_.shrink_to_fit();
}

bool BookmarkTable::FolderEntries(const std::vector<uint32_t>& path, uint32_t& first, uint32_t& end) const {
    first = 0;
    end = static_cast<uint32_t>(entries_.size());
    for (const uint32_t position : path) {
        uint32_t index = first;
        for (uint32_t k = 0; k < position && index < end; ++k) index = entries_[index].end;
        if (index >= end || !entries_[index].folder) return false;
        first = index + 1;
        end = entries_[index].end;
    }
    return true;
}

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

BookmarkMenu::BookmarkMenu() = default;
BookmarkMenu::~BookmarkMenu() { JoinTopLevelScan(); }

void BookmarkMenu::Defer(HMENU menu, std::string bytes, std::wstring path) {
    JoinTopLevelScan();
    scan_.reset();
    menu_ = menu;
    path_ = std::move(path);
    bytes_ = std::move(bytes);
    savesSeen_ = BookmarkSaveCount();
    StartTopLevelScan();
}

void BookmarkMenu::StartTopLevelScan() {
    if (bytes_.size() < kTopLevelScanThreadBytes || bytes_.size() > std::numeric_limits<uint32_t>::max()) return;
    scan_ = std::make_unique<BookmarkLevelScan>(bytes_, kMaxBookmarkDepth + 2);
    // Without the thread the first opening scans, as for a small file.
    scanThread_ = CreateThread(nullptr, 0, ScanTopLevel, this, 0, nullptr);
}

DWORD WINAPI BookmarkMenu::ScanTopLevel(LPVOID self) {
    auto& menu = *static_cast<BookmarkMenu*>(self);
    try {
        menu.topLevel_ = menu.scan_->TopLevel();
        menu.topLevelFound_ = true;
    } catch (...) {
        // Out of memory: the first opening tries again and says so.
    }
    return 0;
}

void BookmarkMenu::JoinTopLevelScan() {
    if (!scanThread_) return;
    WaitForSingleObject(scanThread_, INFINITE);
    CloseHandle(scanThread_);
    scanThread_ = nullptr;
}

bool BookmarkMenu::TopLevelScanned() const {
    return !scanThread_ || WaitForSingleObject(scanThread_, 0) == WAIT_OBJECT_0;
}

void BookmarkMenu::OnInitMenuPopup(HMENU submenu) {
    if (!submenu) return;
    if (submenu == menu_ && BookmarkSaveCount() != savesSeen_) Reload();
    const auto found = levels_.find(submenu);
    if (submenu == menu_ && found == levels_.end()) {
        Level& top = levels_[menu_];
        top.filled = true;
        // Below the items the menu holds when the first bookmark item comes.
        firstPosition_ = static_cast<UINT>(std::max(GetMenuItemCount(menu_), 0));
        Fill(menu_, top, firstPosition_);
        if (!top.items.empty()) GivePictureColumnToFixedItems();
        return;
    }
    if (found == levels_.end() || found->second.filled) return;
    // Once only, even if the system refuses an item half-way.
    found->second.filled = true;
    // Items of every depth report their position, like the menu bar; set
    // before any item can be chosen, and not for the menus never opened.
    MENUINFO info{};
    info.cbSize = sizeof info;
    info.fMask = MIM_STYLE;
    info.dwStyle = MNS_NOTIFYBYPOS;
    SetMenuInfo(submenu, &info);
    Fill(submenu, found->second, 0);
}

// The items of the file as it was go, their submenus with them, and the
// file is read again, to be shown as it was at start.
void BookmarkMenu::Reload() {
    JoinTopLevelScan();
    topLevelFound_ = false;
    const auto top = levels_.find(menu_);
    if (top != levels_.end()) {
        // From the last: no deletion then moves the items after it.
        for (size_t k = top->second.items.size(); k > 0; --k)
            DeleteMenu(menu_, firstPosition_ + static_cast<UINT>(k - 1), MF_BYPOSITION);
    }
    levels_.clear();
    scan_.reset();
    table_.reset();
    tableRead_ = false;
    savesSeen_ = BookmarkSaveCount();
    bytes_ = ReadBookmarkBytes(path_).value_or(std::string());
}

void BookmarkMenu::Fill(HMENU menu, Level& level, UINT position) {
    if (!level.fromTable && FillScanned(menu, level, position)) return;
    FillFromTable(menu, level, position);
}

bool BookmarkMenu::FillScanned(HMENU menu, Level& level, UINT position) {
    // Where the items lie is kept in 32 bits; a larger file is read whole.
    if (bytes_.size() > std::numeric_limits<uint32_t>::max()) return false;
    // Element nesting that deep may hold entries too deep to show, which
    // the full reading refuses.
    if (!scan_) scan_ = std::make_unique<BookmarkLevelScan>(bytes_, kMaxBookmarkDepth + 2);
    std::optional<std::vector<LevelEntry>> entries;
    if (!level.path.empty()) {
        entries = scan_->FolderLevel(level.begin, level.end);
    } else {
        JoinTopLevelScan();
        entries = topLevelFound_ ? std::move(topLevel_) : scan_->TopLevel();
        topLevelFound_ = false;
        topLevel_.reset();
    }
    if (!entries) return false;
    for (const LevelEntry& entry : *entries) {
        const Made made{static_cast<uint32_t>(entry.begin), static_cast<uint32_t>(entry.end), entry.folder};
        AddItem(menu, level, position++, ToWide(entry.name), made, entry.hasEntries);
    }
    return true;
}

// The level as the full reading gives it, where the scan cannot vouch for
// what it found; a file the full reading refuses shows no items there.
void BookmarkMenu::FillFromTable(HMENU menu, Level& level, UINT position) {
    const BookmarkTable* table = Table();
    if (!table) return;
    if (!level.fromTable) {
        level.fromTable = true;
        if (!table->FolderEntries(level.path, level.begin, level.end)) return;
    }
    for (uint32_t index = level.begin; index < level.end; index = table->At(index).end) {
        const BookmarkTable::Entry& entry = table->At(index);
        AddItem(menu, level, position++, table->Name(index), Made{index, 0, entry.folder},
                entry.folder && entry.end > index + 1);
    }
}

void BookmarkMenu::AddItem(HMENU menu, Level& level, UINT position, const std::wstring& name, Made made,
                           bool hasEntries) {
    HMENU submenu = nullptr;
    if (hasEntries) {
        submenu = CreatePopupMenu();
        if (!submenu) throw AppError(SystemMessage(GetLastError()));
    }
    MakeMenuItem(menu, BookmarkCaption(name), position, submenu, level.items.size() + 1);
    level.items.push_back(made);
    if (!submenu) return;
    Level inner;
    inner.path = level.path;
    inner.path.push_back(static_cast<uint32_t>(level.items.size() - 1));
    inner.fromTable = level.fromTable;
    inner.begin = level.fromTable ? made.begin + 1 : made.begin;
    inner.end = level.fromTable ? table_->At(made.begin).end : made.end;
    levels_.emplace(submenu, std::move(inner));
}

// Captions without a picture get the picture's column too: some menus
// indent every caption by it but measure only the items that have one.
void BookmarkMenu::GivePictureColumnToFixedItems() const {
    for (UINT position = 0; position < firstPosition_; ++position) {
        MENUITEMINFOW mii{};
        mii.cbSize = sizeof mii;
        mii.fMask = MIIM_FTYPE | MIIM_BITMAP;
        if (GetMenuItemInfoW(menu_, position, TRUE, &mii) && !(mii.fType & MFT_SEPARATOR) && !mii.hbmpItem) {
            mii.fMask = MIIM_BITMAP;
            mii.hbmpItem = HBMMENU_CALLBACK;
            SetMenuItemInfoW(menu_, position, TRUE, &mii);
        }
    }
}

const BookmarkTable* BookmarkMenu::Table() {
    if (!tableRead_) {
        tableRead_ = true;
        const BookmarkDocument file = ParseBookmarkDocument(bytes_, path_);
        if (file.Root()) table_ = std::make_unique<BookmarkTable>(file.Root());
    }
    return table_.get();
}

const BookmarkMenu::Made* BookmarkMenu::ItemOf(HMENU menu, ULONG_PTR itemData, const Level** level) const {
    // Only data this object handed out, in menus it made.
    const auto found = menu ? levels_.find(menu) : levels_.end();
    if (found == levels_.end() || itemData == 0 || itemData > found->second.items.size()) return nullptr;
    if (level) *level = &found->second;
    return &found->second.items[itemData - 1];
}

std::optional<BookmarkMenu::Item> BookmarkMenu::Find(HMENU menu, ULONG_PTR itemData) const {
    const Level* level = nullptr;
    const Made* item = ItemOf(menu, itemData, &level);
    if (!item) return std::nullopt;
    if (item->folder) return Item{std::wstring(), true};
    // The URL is read again from the file's bytes rather than kept.
    if (level->fromTable) return Item{table_->Url(item->begin), false};
    return Item{ToWide(scan_->Url(item->begin, item->end)), false};
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
    const Made* item = ItemOf(reinterpret_cast<HMENU>(draw.hwndItem), draw.itemData);
    if (!item || !glyphs) return true;
    const RECT& r = draw.rcItem;
    const int y = r.top + (r.bottom - r.top - kGlyphSize) / 2;
    ImageList_Draw(glyphs, item->folder ? kFolderGlyph : kPageGlyph, draw.hDC, r.left, y, ILD_TRANSPARENT);
    return true;
}

}  // namespace vesko
