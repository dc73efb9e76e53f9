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
    {WC_LISTVIEWW, L"", WS_TABSTOP | LVS_REPORT | LVS_SHOWSELALWAYS | LVS_NOSORTHEADER | LVS_OWNERDATA, WS_EX_CLIENTEDGE, kLvHistory, 8,
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

// The entries that match the search box, newest first. The list is
// virtual: it asks for the text of the rows it shows, so a history of any
// size opens at once.
void Tfrm_History::Fill() {
    const std::wstring query = WindowText(controls_.txtSearch);
    rows_ = history_.Store().Newest(std::u16string(query.begin(), query.end()));
    ListView_SetItemState(controls_.lvHistory, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
    ListView_SetItemCountEx(controls_.lvHistory, static_cast<int>(rows_.size()), 0);
    InvalidateRect(controls_.lvHistory, nullptr, TRUE);
}

// Rows hold ids of the store, which only this window removes from (and
// then fills the list again), so an id in the list always names its entry.
void Tfrm_History::GetCellText(NMLVDISPINFOW& info) {
    LVITEMW& item = info.item;
    if (!(item.mask & LVIF_TEXT) || item.iItem < 0 || static_cast<size_t>(item.iItem) >= rows_.size()) return;
    const HistoryEntry entry = history_.Store().Entry(rows_[static_cast<size_t>(item.iItem)]);
    switch (item.iSubItem) {
    case 0: cell_ = Wide(entry.title); break;
    case 1: cell_ = Wide(entry.address); break;
    case 2: cell_ = LocalTime(entry.lastVisit); break;
    default: cell_ = std::to_wstring(entry.visits); break;
    }
    if (item.cchTextMax > 0) lstrcpynW(item.pszText, cell_.c_str(), item.cchTextMax);
}

std::vector<std::wstring> Tfrm_History::Selected() const {
    std::vector<std::wstring> selected;
    const HistoryStore& store = history_.Store();
    for (int row = ListView_GetNextItem(controls_.lvHistory, -1, LVNI_SELECTED); row >= 0;
         row = ListView_GetNextItem(controls_.lvHistory, row, LVNI_SELECTED))
        if (static_cast<size_t>(row) < rows_.size()) selected.push_back(Wide(store.Address(rows_[static_cast<size_t>(row)])));
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

LRESULT Tfrm_History::OnListNotify(NMHDR& header) {
    if (header.code == LVN_GETDISPINFOW) {
        GetCellText(reinterpret_cast<NMLVDISPINFOW&>(header));
    } else if (header.code == NM_DBLCLK || header.code == NM_RETURN) {
        OpenSelected();
    } else if (header.code == LVN_KEYDOWN && reinterpret_cast<const NMLVKEYDOWN&>(header).wVKey == VK_DELETE) {
        DeleteSelected();
    }
    return 0;
}

void Tfrm_History::OnCreate() {
    CreateControls();
}

LRESULT Tfrm_History::FormMessage(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_COMMAND:
        if (LOWORD(wp) == kTxtSearch && HIWORD(wp) == EN_CHANGE) txtSearchChange();
        if (LOWORD(wp) == kBtnClear && HIWORD(wp) == BN_CLICKED) btnClearClick();
        return 0;
    case WM_NOTIFY: {
        auto& header = *reinterpret_cast<NMHDR*>(lp);
        return header.idFrom == kLvHistory ? OnListNotify(header) : 0;
    }
    default:
        return DefaultProc(msg, wp, lp);
    }
}

}  // namespace vesko
