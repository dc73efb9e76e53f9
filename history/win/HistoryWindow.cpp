#include "history/win/HistoryWindow.h"

#include <iterator>
#include <memory>
#include <utility>

#include "common/Error.h"
#include "common/ErrorReport.h"
#include "common/ModelessDialogs.h"
#include "common/Text.h"
#include "res/resource.h"

namespace vesko {
namespace {

constexpr wchar_t kClassName[] = L"Tfrm_History";
constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
constexpr int kClientWidth = 600;
constexpr int kClientHeight = 380;
constexpr int kTxtSearch = 101;
constexpr int kLvHistory = 102;
constexpr int kBtnClear = 103;

const ControlSpec kControls[] = {
    {L"EDIT", L"", WS_TABSTOP | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE, kTxtSearch, 8, 8, 460, 22},
    {WC_LISTVIEWW, L"", WS_TABSTOP | LVS_REPORT | LVS_SHOWSELALWAYS | LVS_NOSORTHEADER, WS_EX_CLIENTEDGE, kLvHistory, 8,
     38, 584, 334},
    {L"BUTTON", L"すべて削除", WS_TABSTOP | BS_PUSHBUTTON, 0, kBtnClear, 476, 7, 116, 24},
};

std::wstring Wide(const std::u16string& text) { return std::wstring(text.begin(), text.end()); }

// A visit's time as the user reads it, in local time.
std::wstring LocalTime(std::int64_t time) {
    FILETIME utc{static_cast<DWORD>(time), static_cast<DWORD>(static_cast<std::uint64_t>(time) >> 32)};
    FILETIME local{};
    SYSTEMTIME st{};
    if (!FileTimeToLocalFileTime(&utc, &local) || !FileTimeToSystemTime(&local, &st)) return std::wstring();
    return Format(L"%04u/%02u/%02u %02u:%02u", st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute);
}

void AddColumns(HWND list) {
    const struct {
        const wchar_t* title;
        int width;
    } columns[] = {{L"タイトル", 190}, {L"アドレス", 210}, {L"最終訪問", 130}, {L"回数", 40}};
    for (int k = 0; k < static_cast<int>(std::size(columns)); ++k) {
        LVCOLUMNW column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM | (k == 3 ? LVCF_FMT : 0);
        column.fmt = LVCFMT_RIGHT;
        column.pszText = const_cast<wchar_t*>(columns[k].title);
        column.cx = columns[k].width;
        column.iSubItem = k;
        if (SendMessageW(list, LVM_INSERTCOLUMNW, k, reinterpret_cast<LPARAM>(&column)) < 0)
            throw AppError(SystemMessage(ERROR_NOT_ENOUGH_MEMORY));
    }
}

}  // namespace

Tfrm_History* Tfrm_History::Show(HistoryKeeper& history, HWND owner, OpenPage open) {
    if (HWND window = FindWindowExW(nullptr, nullptr, kClassName, nullptr)) {
        if (Tfrm_History* existing = FromHandle<Tfrm_History>(window)) {
            SetForegroundWindow(window);
            return existing;
        }
    }
    const INITCOMMONCONTROLSEX icc{sizeof icc, ICC_LISTVIEW_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&icc);
    RegisterClassOnce(kClassName, COLOR_BTNFACE, IDI_VESKO);
    std::unique_ptr<Tfrm_History> form(new Tfrm_History(history, std::move(open)));
    const SIZE outer = OuterSizeForClient(kClientWidth, kClientHeight, kStyle, 0);
    form->Window::Create(0, kClassName, L"履歴", kStyle, CW_USEDEFAULT, CW_USEDEFAULT, outer.cx, outer.cy, owner);
    Tfrm_History* self = GiveToWindow(std::move(form));
    self->focus_.ShowWith(self->Handle(), self->controls_.txtSearch);
    return self;
}

void Tfrm_History::CreateControls() {
    font_ = CreateFormFont();
    HWND* const handles[] = {&controls_.txtSearch, &controls_.lvHistory, &controls_.btnClear};
    for (size_t i = 0; i < std::size(kControls); ++i) *handles[i] = CreateControl(Handle(), kControls[i], font_.get());
    ListView_SetExtendedListViewStyle(controls_.lvHistory, LVS_EX_FULLROWSELECT);
    AddColumns(controls_.lvHistory);
    Fill();
}

// The entries that match the search box, newest first.
void Tfrm_History::Fill() {
    const std::wstring query = WindowText(controls_.txtSearch);
    const HistoryStore& store = history_.Store();
    const std::vector<HistoryStore::Id> ids = store.Newest(std::u16string(query.begin(), query.end()));
    SendMessageW(controls_.lvHistory, WM_SETREDRAW, FALSE, 0);
    ListView_DeleteAllItems(controls_.lvHistory);
    addresses_.clear();
    for (const HistoryStore::Id id : ids) {
        const HistoryEntry entry = store.Entry(id);
        std::wstring cells[] = {Wide(entry.title), Wide(entry.address), LocalTime(entry.lastVisit),
                                std::to_wstring(entry.visits)};
        LVITEMW item{};
        item.mask = LVIF_TEXT;
        item.iItem = static_cast<int>(addresses_.size());
        item.pszText = cells[0].data();
        if (SendMessageW(controls_.lvHistory, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)) < 0) break;
        for (int k = 1; k < 4; ++k) ListView_SetItemText(controls_.lvHistory, item.iItem, k, cells[k].data());
        addresses_.push_back(Wide(entry.address));
    }
    SendMessageW(controls_.lvHistory, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(controls_.lvHistory, nullptr, TRUE);
}

std::vector<std::wstring> Tfrm_History::Selected() const {
    std::vector<std::wstring> selected;
    for (int row = ListView_GetNextItem(controls_.lvHistory, -1, LVNI_SELECTED); row >= 0;
         row = ListView_GetNextItem(controls_.lvHistory, row, LVNI_SELECTED))
        if (static_cast<size_t>(row) < addresses_.size()) selected.push_back(addresses_[static_cast<size_t>(row)]);
    return selected;
}

void Tfrm_History::txtSearchChange() { Fill(); }

void Tfrm_History::OpenSelected() {
    const std::vector<std::wstring> selected = Selected();
    if (!selected.empty() && open_) open_(selected.front());
}

void Tfrm_History::DeleteSelected() {
    const std::vector<std::wstring> selected = Selected();
    if (selected.empty()) return;
    history_.Delete(selected);
    Fill();
}

void Tfrm_History::btnClearClick() {
    if (MessageBoxW(Handle(), L"履歴をすべて削除しますか？", ApplicationTitle().c_str(),
                    MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) != IDYES)
        return;
    history_.Clear();
    Fill();
}

LRESULT Tfrm_History::OnListNotify(const NMHDR& header) {
    if (header.code == NM_DBLCLK || header.code == NM_RETURN) {
        OpenSelected();
    } else if (header.code == LVN_KEYDOWN && reinterpret_cast<const NMLVKEYDOWN&>(header).wVKey == VK_DELETE) {
        DeleteSelected();
    }
    return 0;
}

LRESULT Tfrm_History::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_CREATE:
        CreateControls();
        AddModelessDialog(Handle());
        return 0;
    case WM_ACTIVATE:
        focus_.OnActivate(Handle(), wp);
        return 0;
    case WM_COMMAND:
        if (LOWORD(wp) == kTxtSearch && HIWORD(wp) == EN_CHANGE) txtSearchChange();
        if (LOWORD(wp) == kBtnClear && HIWORD(wp) == BN_CLICKED) btnClearClick();
        return 0;
    case WM_NOTIFY: {
        const auto& header = *reinterpret_cast<const NMHDR*>(lp);
        return header.idFrom == kLvHistory ? OnListNotify(header) : 0;
    }
    case WM_DESTROY:
        RemoveModelessDialog(Handle());
        return 0;
    default:
        return DefaultProc(msg, wp, lp);
    }
}

}  // namespace vesko
