#include "sites/win/SiteRules.h"

#include <algorithm>
#include <iterator>
#include <memory>
#include <string_view>
#include <utility>

#include "bookmarks/BookmarkFile.h"
#include "common/Error.h"
#include "common/ErrorReport.h"
#include "common/Files.h"
#include "common/ModelessDialogs.h"
#include "common/Text.h"
#include "res/resource.h"
#include "sites/win/SiteRulesFile.h"

namespace vesko {
namespace {

constexpr wchar_t kClassName[] = L"Tfrm_SiteRules";
constexpr DWORD kStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD kExStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;
constexpr int kClientWidth = 432;
constexpr int kClientHeight = 287;

enum ControlId { kLvSites = 101, kBtnAdd, kBtnDel, kTxtSite, kCmbEngine, kBtnOK, kBtnCancel };

// The engines in the order the choice lists them.
constexpr SiteEngine kEngines[] = {SiteEngine::InternetExplorer, SiteEngine::Gecko, SiteEngine::None};

// In Tab order: the list, its buttons, the rule's site and engine, then
// OK and Cancel. Labels take no focus.
constexpr DWORD kButton = WS_TABSTOP | BS_PUSHBUTTON;
const ControlSpec kControls[] = {
    {WC_LISTVIEWW, L"", WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS | LVS_NOSORTHEADER,
     WS_EX_CLIENTEDGE, kLvSites, 12, 12, 320, 168},
    {L"BUTTON", L"追加", kButton, 0, kBtnAdd, 344, 12, 76, 23},
    {L"BUTTON", L"削除", kButton | WS_DISABLED, 0, kBtnDel, 344, 41, 76, 23},
    {L"STATIC", L"サイト：", 0, 0, -1, 12, 195, 64, 14},
    {L"EDIT", L"", WS_TABSTOP | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE, kTxtSite, 80, 192, 252, 20},
    {L"STATIC", L"エンジン：", 0, 0, -1, 12, 221, 64, 14},
    // The height includes the opened list.
    {WC_COMBOBOXW, L"", WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST, 0, kCmbEngine, 80, 218, 150, 120},
    {L"BUTTON", L"OK", kButton, 0, kBtnOK, 256, 252, 76, 23},
    {L"BUTTON", L"キャンセル", kButton, 0, kBtnCancel, 344, 252, 76, 23},
};

// Over the middle of the owner, or of the screen without one.
POINT CentredOn(HWND owner, SIZE size) {
    RECT area{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    if (owner) GetWindowRect(owner, &area);
    return POINT{std::max(0L, area.left + (area.right - area.left - size.cx) / 2),
                 std::max(0L, area.top + (area.bottom - area.top - size.cy) / 2)};
}

std::u16string TrimmedSpaces(std::wstring_view text) {
    const size_t first = text.find_first_not_of(L" \t");
    if (first == std::wstring_view::npos) return std::u16string();
    return ToU16(text.substr(first, text.find_last_not_of(L" \t") - first + 1));
}

int TextWidth(HWND control, HFONT font, const wchar_t* text) {
    const WindowDC dc(control);
    const ScopedSelect select(dc.Get(), font);
    SIZE extent{};
    GetTextExtentPoint32W(dc.Get(), text, lstrlenW(text), &extent);
    return extent.cx;
}

}  // namespace

const wchar_t* Tfrm_SiteRules::EngineName(SiteEngine engine) {
    switch (engine) {
    case SiteEngine::InternetExplorer:
        return L"Internet Explorer";
    case SiteEngine::Gecko:
        return L"Gekko";  // the engine menu's name for it
    case SiteEngine::None:
        break;
    }
    return L"切り替えない";
}

Tfrm_SiteRules::Tfrm_SiteRules(std::wstring path, SiteList list, std::optional<FileFingerprint> read,
                               std::function<void()> saved)
    : path_(std::move(path)), list_(std::move(list)), baseline_(read), saved_(std::move(saved)) {}

Tfrm_SiteRules* Tfrm_SiteRules::Create(const std::wstring& path, HWND owner, std::function<void()> saved) {
    // Read before any window exists: a file that cannot be read leaves none.
    SiteRulesFile file = ReadSiteRulesFile(path);
    const INITCOMMONCONTROLSEX icc{sizeof icc, ICC_LISTVIEW_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&icc);
    RegisterClassOnce(kClassName, COLOR_BTNFACE, IDI_VESKO);
    std::unique_ptr<Tfrm_SiteRules> form(new Tfrm_SiteRules(path, std::move(file.list), file.read, std::move(saved)));
    const SIZE outer = OuterSizeForClient(kClientWidth, kClientHeight, kStyle, kExStyle);
    const POINT at = CentredOn(owner, outer);
    form->Window::Create(kExStyle, kClassName, L"サイト別エンジン", kStyle, at.x, at.y, outer.cx, outer.cy, owner);
    Tfrm_SiteRules* self = GiveToWindow(std::move(form));
    // Typing goes to the site first: adding a rule is the usual errand.
    self->focus_.ShowWith(self->Handle(), self->controls_.txtSite);
    return self;
}

void Tfrm_SiteRules::CreateControls() {
    font_ = CreateFormFont();
    SendMessageW(Handle(), WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
    HWND* const handles[] = {&controls_.lvSites,   &controls_.btnAdd,  &controls_.btnDel,
                             &controls_.lblSite,   &controls_.txtSite, &controls_.lblEngine,
                             &controls_.cmbEngine, &controls_.btnOK,   &controls_.btnCancel};
    static_assert(std::size(handles) == std::size(kControls), "one handle per control");
    for (size_t i = 0; i < std::size(kControls); ++i) *handles[i] = CreateControl(Handle(), kControls[i], font_.get());
    ListView_SetExtendedListViewStyle(controls_.lvSites, LVS_EX_FULLROWSELECT);
    AddColumns();
    for (const SiteEngine engine : kEngines)
        SendMessageW(controls_.cmbEngine, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(EngineName(engine)));
    Choose(SiteEngine::InternetExplorer);
    SendMessageW(controls_.txtSite, EM_SETLIMITTEXT, 0, 0);
}

// The engine column as wide as its longest text, the site column the rest
// beside a vertical scroll bar.
void Tfrm_SiteRules::AddColumns() {
    const HWND list = controls_.lvSites;
    constexpr int kPadding = 16;  // the list view's margins around a cell's text
    int engineWidth = TextWidth(list, font_.get(), L"エンジン");
    for (const SiteEngine engine : kEngines)
        engineWidth = std::max(engineWidth, TextWidth(list, font_.get(), EngineName(engine)));
    engineWidth += kPadding;
    RECT client;
    GetClientRect(list, &client);
    const int siteWidth = client.right - engineWidth - GetSystemMetrics(SM_CXVSCROLL);
    const struct {
        const wchar_t* title;
        int width;
    } columns[] = {{L"サイト", siteWidth}, {L"エンジン", engineWidth}};
    for (int k = 0; k < 2; ++k) {
        LVCOLUMNW column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
        column.pszText = const_cast<wchar_t*>(columns[k].title);
        column.cx = columns[k].width;
        column.iSubItem = k;
        if (SendMessageW(list, LVM_INSERTCOLUMNW, k, reinterpret_cast<LPARAM>(&column)) < 0)
            throw AppError(SystemMessage(ERROR_NOT_ENOUGH_MEMORY));
    }
}

// One row per rule, in file order: row k is rule k.
void Tfrm_SiteRules::FillList() {
    for (size_t k = 0; k < list_.Rules().size(); ++k) InsertRow(k);
}

void Tfrm_SiteRules::InsertRow(std::size_t index) {
    LVITEMW item{};
    item.iItem = static_cast<int>(index);
    if (SendMessageW(controls_.lvSites, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)) < 0)
        throw AppError(SystemMessage(ERROR_NOT_ENOUGH_MEMORY));
    ShowRow(index);
}

void Tfrm_SiteRules::ShowRow(std::size_t index) {
    const SiteRule& rule = list_.Rules()[index];
    std::wstring url = ToWide(rule.url);
    ListView_SetItemText(controls_.lvSites, static_cast<int>(index), 0, url.data());
    ListView_SetItemText(controls_.lvSites, static_cast<int>(index), 1, const_cast<wchar_t*>(EngineName(rule.engine)));
}

std::optional<std::size_t> Tfrm_SiteRules::SelectedRow() const {
    const int row = ListView_GetNextItem(controls_.lvSites, -1, LVNI_SELECTED);
    if (row < 0) return std::nullopt;
    return static_cast<std::size_t>(row);
}

void Tfrm_SiteRules::SelectRow(std::optional<std::size_t> index) {
    if (!index) {
        if (const std::optional<std::size_t> row = SelectedRow())
            ListView_SetItemState(controls_.lvSites, static_cast<int>(*row), 0, LVIS_SELECTED);
        return;
    }
    const int row = static_cast<int>(*index);
    ListView_SetItemState(controls_.lvSites, row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    ListView_EnsureVisible(controls_.lvSites, row, FALSE);
}

SiteEngine Tfrm_SiteRules::ChosenEngine() const {
    const LRESULT chosen = SendMessageW(controls_.cmbEngine, CB_GETCURSEL, 0, 0);
    if (chosen < 0 || chosen >= static_cast<LRESULT>(std::size(kEngines))) return SiteEngine::InternetExplorer;
    return kEngines[chosen];
}

void Tfrm_SiteRules::Choose(SiteEngine engine) {
    const auto at = std::find(std::begin(kEngines), std::end(kEngines), engine) - std::begin(kEngines);
    SendMessageW(controls_.cmbEngine, CB_SETCURSEL, static_cast<WPARAM>(at), 0);
}

void Tfrm_SiteRules::SetSiteText(const std::u16string& text) {
    filling_ = true;
    SetWindowTextW(controls_.txtSite, ToWide(text).c_str());
    filling_ = false;
}

void Tfrm_SiteRules::UpdateButtons() { EnableWindow(controls_.btnDel, SelectedRow().has_value()); }

void Tfrm_SiteRules::lvSitesChange() {
    const std::optional<std::size_t> row = SelectedRow();
    if (row && *row < list_.Rules().size()) {
        const SiteRule& rule = list_.Rules()[*row];
        SetSiteText(rule.url);
        Choose(rule.engine);
    }
    UpdateButtons();
}

void Tfrm_SiteRules::txtSiteChange() {
    if (filling_) return;
    // Another site is a new rule: the selected one is no longer the one
    // the box and the choice describe, and must not change with them.
    const std::optional<std::size_t> row = SelectedRow();
    if (row && ToU16(WindowText(controls_.txtSite)) != list_.Rules()[*row].url) SelectRow(std::nullopt);
}

void Tfrm_SiteRules::cmbEngineChange() {
    const std::optional<std::size_t> row = SelectedRow();
    if (!row) return;
    const SiteRule& rule = list_.Rules()[*row];
    try {
        list_.Replace(*row, rule.url, ChosenEngine());
    } catch (const SiteListError& e) {
        // A rule read from the file whose site can never match.
        Choose(rule.engine);
        throw AppError(NotARuleMessage(rule.url, e));
    }
    ShowRow(*row);
}

void Tfrm_SiteRules::btnAddClick() {
    const std::u16string url = TrimmedSpaces(WindowText(controls_.txtSite));
    const SiteEngine engine = ChosenEngine();
    std::u16string why;
    const std::optional<SiteUrl> site = ParseSiteUrl(url, &why);
    if (!site) throw AppError(NotARuleMessage(url, SiteListError(why)));
    // A second rule for a site would never decide: the first one wins.
    if (const std::optional<std::size_t> existing = FindRule(list_, *site)) {
        list_.Replace(*existing, list_.Rules()[*existing].url, engine);
        ShowRow(*existing);
        SelectRow(*existing);
        return;
    }
    const std::size_t row = list_.Rules().size();
    list_.Add(url, engine);
    try {
        InsertRow(row);
    } catch (...) {
        list_.Remove(row);  // the list shows every rule, and only those
        throw;
    }
    SelectRow(row);
}

void Tfrm_SiteRules::btnDelClick() {
    const std::optional<std::size_t> row = SelectedRow();
    if (!row) return;
    // Nothing selected afterwards: a second press cannot take another rule.
    SelectRow(std::nullopt);
    list_.Remove(*row);
    ListView_DeleteItem(controls_.lvSites, static_cast<int>(*row));
    SetSiteText(u"");
    UpdateButtons();
}

bool Tfrm_SiteRules::ChangedSinceRead(std::optional<FileFingerprint>& now) const {
    now = CurrentFingerprint(path_);
    return now != baseline_;
}

bool Tfrm_SiteRules::AskOverwrite() { return AskReplaceChangedFile(Handle(), path_, L"ウィンドウ"); }

void Tfrm_SiteRules::btnOKClick() {
    // Another dialog or program may have saved since this one read the
    // file: never drop its rules without the user's word.
    std::optional<FileFingerprint> now;
    while (ChangedSinceRead(now)) {
        if (!AskOverwrite()) return;
        // Agreed to replace this version; should the save fail, the next
        // OK asks only if it changes again.
        baseline_ = now;
    }
    baseline_ = SaveSiteRulesFile(path_, list_);
    if (saved_) saved_();
    DestroyWindow(Handle());
}

void Tfrm_SiteRules::btnCancelClick() { DestroyWindow(Handle()); }

LRESULT Tfrm_SiteRules::OnCommand(WORD id, WORD code) {
    if (id == kTxtSite && code == EN_CHANGE) txtSiteChange();
    if (id == kCmbEngine && code == CBN_SELCHANGE) cmbEngineChange();
    if (code != BN_CLICKED) return 0;
    switch (id) {
    case kBtnAdd:
        btnAddClick();
        break;
    case kBtnDel:
        btnDelClick();
        break;
    case kBtnOK:
        btnOKClick();
        break;
    case kBtnCancel:
        btnCancelClick();
        break;
    default:
        break;
    }
    return 0;
}

void Tfrm_SiteRules::OnCreate() {
    CreateControls();
    FillList();
}

LRESULT Tfrm_SiteRules::FormMessage(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_COMMAND:
        // Commands from controls only: Enter and Escape come without one.
        return lp ? OnCommand(LOWORD(wp), HIWORD(wp)) : 0;
    case WM_NOTIFY: {
        const auto* header = reinterpret_cast<const NMHDR*>(lp);
        if (header->idFrom == kLvSites && header->code == LVN_ITEMCHANGED) {
            const auto* change = reinterpret_cast<const NMLISTVIEW*>(lp);
            if ((change->uChanged & LVIF_STATE) && ((change->uNewState ^ change->uOldState) & LVIS_SELECTED))
                lvSitesChange();
        }
        return 0;
    }
    default:
        return DefaultProc(msg, wp, lp);
    }
}

}  // namespace vesko
