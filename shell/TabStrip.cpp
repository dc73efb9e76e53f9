#include "shell/TabStrip.h"

#include <windowsx.h>

#include <algorithm>

#include "common/Error.h"
#include "common/ErrorReport.h"
#include "common/Glyphs.h"
#include "res/resource.h"

namespace vesko {
namespace {

constexpr size_t kMaxTabCharacters = 24;
constexpr int kTipWidth = 480;  // a long caption wraps in its tip

bool IsLowSurrogate(wchar_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

// What a tab shows of a caption: its first 24 characters, "…" when there
// are more, and every "&" doubled, since a tab takes a single one as the
// mark of an access key.
std::wstring TabText(const std::wstring& caption) {
    size_t end = 0;
    for (size_t characters = 0; end < caption.size() && characters < kMaxTabCharacters; ++characters) {
        ++end;
        if (end < caption.size() && IsLowSurrogate(caption[end])) ++end;  // one character, two units
    }
    std::wstring text;
    for (size_t i = 0; i < end; ++i) {
        if (caption[i] == L'&') text += L'&';
        text += caption[i];
    }
    if (end < caption.size()) text += L'\u2026';
    return text;
}

// The engines' window icons at 16 by 16, with their alpha: an image list
// of 32 bits draws their soft edges over whatever the tab is painted with.
HIMAGELIST CreatePictures() {
    UniqueImageList list(ImageList_Create(kGlyphSize, kGlyphSize, ILC_COLOR32 | ILC_MASK, 2, 0));
    if (!list) return nullptr;
    for (int id : {IDI_CHILD_IE, IDI_CHILD_MZ}) {
        const HICON icon = static_cast<HICON>(
            LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id), IMAGE_ICON, kGlyphSize, kGlyphSize, 0));
        const int added = icon ? ImageList_AddIcon(list.get(), icon) : -1;
        if (icon) DestroyIcon(icon);
        if (added < 0) return nullptr;  // tabs without pictures rather than the wrong ones
    }
    return list.release();
}

int PictureOf(EngineKind engine) { return engine == EngineKind::IE ? 0 : 1; }

}  // namespace

TabStrip::TabStrip(HWND frame, HFONT font, FrameModel& model, Actions actions)
    : model_(model), actions_(std::move(actions)), pictures_(CreatePictures()) {
    // Never the focus: the keyboard stays with the page.
    tab_ = CreateWindowExW(0, WC_TABCONTROLW, nullptr, WS_CHILD | WS_CLIPSIBLINGS | TCS_FOCUSNEVER, 0, 0, 0, 0, frame,
                           nullptr, GetModuleHandleW(nullptr), nullptr);
    if (!tab_) throw AppError(SystemMessage(GetLastError()));
    SendMessageW(tab_, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    TabCtrl_SetImageList(tab_, pictures_.get());
    // A tip of our own, with the whole caption as its text: no notification
    // has to come back through the frame.
    tip_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP, 0, 0, 0, 0,
                           frame, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (tip_) {
        SendMessageW(tip_, TTM_SETMAXTIPWIDTH, 0, kTipWidth);
        TOOLINFOW tool{};
        tool.cbSize = sizeof tool;
        tool.hwnd = tab_;
        tool.lpszText = const_cast<wchar_t*>(L"");
        SendMessageW(tip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    }
    SetWindowSubclass(tab_, &TabStrip::SubclassProc, 1, reinterpret_cast<DWORD_PTR>(this));
}

TabStrip::~TabStrip() {
    // The frame's end has usually taken both windows already.
    if (IsWindow(tab_)) {
        RemoveWindowSubclass(tab_, &TabStrip::SubclassProc, 1);
        DestroyWindow(tab_);
    }
    if (IsWindow(tip_)) DestroyWindow(tip_);
}

bool TabStrip::Render() {
    std::vector<Tab> tabs;
    for (const ChildState& child : model_.Children()) tabs.push_back(Tab{child.id, child.caption, child.engine});
    // Only what differs is written, so that a change of the active window
    // or of one caption does not redraw every tab.
    while (shown_.size() > tabs.size()) {
        TabCtrl_DeleteItem(tab_, static_cast<int>(shown_.size() - 1));
        shown_.pop_back();
    }
    for (size_t i = 0; i < tabs.size(); ++i) {
        if (i < shown_.size() && shown_[i] == tabs[i]) continue;
        if (!ShowTab(i, tabs[i], i >= shown_.size())) break;  // the rest come with the next change
    }
    TabCtrl_SetCurSel(tab_, IndexOf(model_.Active()));
    SyncTip();
    const bool visible = model_.TabBar() && !shown_.empty();
    if (visible == visible_) return false;
    visible_ = visible;
    ShowWindow(tab_, visible ? SW_SHOWNA : SW_HIDE);
    return true;
}

bool TabStrip::ShowTab(size_t index, const Tab& tab, bool insert) {
    std::wstring text = TabText(tab.caption);
    TCITEMW item{};
    item.mask = TCIF_TEXT | TCIF_IMAGE | TCIF_PARAM;
    item.pszText = text.data();
    item.iImage = pictures_ ? PictureOf(tab.engine) : -1;
    item.lParam = static_cast<LPARAM>(tab.id);
    const WPARAM at = static_cast<WPARAM>(index);
    if (!insert) {
        SendMessageW(tab_, TCM_SETITEMW, at, reinterpret_cast<LPARAM>(&item));
        shown_[index] = tab;
    } else if (SendMessageW(tab_, TCM_INSERTITEMW, at, reinterpret_cast<LPARAM>(&item)) >= 0) {
        shown_.push_back(tab);
    } else {
        return false;
    }
    return true;
}

void TabStrip::SyncTip() {
    if (!tip_) return;
    TOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.hwnd = tab_;
    GetClientRect(tab_, &tool.rect);
    // No text, no tip: away from the tabs.
    std::wstring text = hovered_ >= 0 && static_cast<size_t>(hovered_) < shown_.size() ? shown_[hovered_].caption : L"";
    tool.lpszText = text.data();  // the tip keeps a copy
    SendMessageW(tip_, TTM_SETTOOLINFOW, 0, reinterpret_cast<LPARAM>(&tool));
}

void TabStrip::Hover(POINT point) {
    TCHITTESTINFO hit{point, 0};
    const int tab = TabCtrl_HitTest(tab_, &hit);
    if (tab == hovered_) return;
    hovered_ = tab;
    // The old tab's tip goes; the new one's comes after the usual pause.
    if (tip_) SendMessageW(tip_, TTM_POP, 0, 0);
    SyncTip();
}

RECT TabStrip::Layout(const RECT& area) const {
    if (!visible_) return area;
    // The height of the row of tabs over an empty page, as the control
    // itself reckons it for its font and pictures.
    RECT strip{area.left, 0, area.right, 0};
    TabCtrl_AdjustRect(tab_, TRUE, &strip);
    const int height = std::min(strip.bottom - strip.top, std::max(0L, area.bottom - area.top));
    SetWindowPos(tab_, nullptr, area.left, area.top, area.right - area.left, height, SWP_NOZORDER | SWP_NOACTIVATE);
    return RECT{area.left, area.top + height, area.right, area.bottom};
}

int TabStrip::IndexOf(ChildId id) const {
    for (size_t i = 0; i < shown_.size(); ++i)
        if (shown_[i].id == id) return static_cast<int>(i);
    return -1;
}

ChildId TabStrip::ChildAt(POINT point) const {
    TCHITTESTINFO hit{point, 0};
    const int index = TabCtrl_HitTest(tab_, &hit);
    return index >= 0 && static_cast<size_t>(index) < shown_.size() ? shown_[static_cast<size_t>(index)].id : kNoChild;
}

size_t TabStrip::DropPosition(int dragged, int x) const {
    // Measured against the others alone, the position holds still once
    // the tab has moved: its neighbours move away from the pointer.
    size_t position = 0;
    for (int i = 0, n = static_cast<int>(shown_.size()); i < n; ++i) {
        if (i == dragged) continue;
        RECT r{};
        // A tab scrolled out of sight lies left of the dragged one if it
        // comes before it.
        const bool left = TabCtrl_GetItemRect(tab_, i, &r) ? (r.left + r.right) / 2 < x : i < dragged;
        if (left) ++position;
    }
    return position;
}

void TabStrip::OnDrag(POINT point) {
    const int index = IndexOf(pressed_);
    if (index < 0) return;  // the window has gone meanwhile
    const size_t position = DropPosition(index, point.x);
    if (position != static_cast<size_t>(index)) model_.MoveChild(pressed_, position);
}

UniqueMenu TabStrip::BuildMenu(ChildId id) const {
    UniqueMenu menu(CreatePopupMenu());
    if (!menu) throw AppError(SystemMessage(GetLastError()));
    // The rule of Tools > 別のエンジンで開く, for this tab's window: Gecko
    // windows always, IE ones while Gecko may be chosen.
    const ChildState* state = model_.Find(id);
    const bool otherEngine = state && (state->engine == EngineKind::Gecko || model_.GeckoSelectable());
    const bool others = model_.Children().size() > 1;
    const bool made =
        AppendMenuW(menu.get(), MF_STRING, kMenuClose, L"閉じる") &&
        AppendMenuW(menu.get(), MF_STRING | (otherEngine ? 0 : MF_GRAYED), kMenuOtherEngine, L"別のエンジンで開く") &&
        AppendMenuW(menu.get(), MF_STRING | (others ? 0 : MF_GRAYED), kMenuCloseOthers,
                    L"他のウィンドウをすべて閉じる");
    if (!made) throw AppError(SystemMessage(GetLastError()));
    return menu;
}

void TabStrip::RunMenuItem(ChildId id, UINT item) {
    if (!model_.Find(id)) return;
    switch (item) {
    case kMenuClose:
        actions_.close(id);
        break;
    case kMenuOtherEngine:
        actions_.otherEngine(id);
        break;
    case kMenuCloseOthers:
        actions_.closeOthers(id);
        break;
    default:
        break;
    }
}

void TabStrip::ShowMenu(ChildId id, POINT point) {
    const UniqueMenu menu = BuildMenu(id);
    ClientToScreen(tab_, &point);
    // The strip owns the menu, so that the frame's menu handling never
    // sees it; the choice comes back here.
    const UINT item = static_cast<UINT>(
        TrackPopupMenuEx(menu.get(), TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_NONOTIFY, point.x, point.y, tab_, nullptr));
    if (item) RunMenuItem(id, item);
}

bool TabStrip::OnMouse(UINT msg, WPARAM wp, POINT point) {
    switch (msg) {
    case WM_LBUTTONDOWN:
        // The control's own selection is not used: the tab follows the
        // model once the window is active.
        pressed_ = ChildAt(point);
        if (pressed_ == kNoChild) return false;
        SetCapture(tab_);
        actions_.activate(pressed_);
        return true;
    case WM_MOUSEMOVE:
        if (pressed_ != kNoChild && (wp & MK_LBUTTON)) OnDrag(point);
        return false;  // the control tracks the tab under the pointer
    case WM_LBUTTONUP:
        if (pressed_ == kNoChild) return false;
        pressed_ = kNoChild;
        if (GetCapture() == tab_) ReleaseCapture();
        return true;
    case WM_LBUTTONDBLCLK:
    case WM_MBUTTONUP: {
        const ChildId id = ChildAt(point);
        const bool pressedHere = msg == WM_LBUTTONDBLCLK || id == middlePressed_;
        middlePressed_ = kNoChild;
        if (id == kNoChild || !pressedHere) return false;
        actions_.close(id);
        return true;
    }
    case WM_MBUTTONDOWN:
    case WM_MBUTTONDBLCLK:  // the second of two quick middle clicks
        middlePressed_ = ChildAt(point);
        return middlePressed_ != kNoChild;
    case WM_RBUTTONDOWN:
        return ChildAt(point) != kNoChild;
    case WM_RBUTTONUP:
        if (const ChildId id = ChildAt(point)) {
            ShowMenu(id, point);
            return true;
        }
        return false;
    default:
        return false;
    }
}

LRESULT CALLBACK TabStrip::SubclassProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR data) {
    auto* self = reinterpret_cast<TabStrip*>(data);
    if (msg == WM_MOUSEMOVE) self->Hover(POINT{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)});
    if (msg >= WM_MOUSEFIRST && msg <= WM_MBUTTONDBLCLK && self->tip_) {
        MSG relayed{hwnd, msg, wp, lp, static_cast<DWORD>(GetMessageTime()), {}};
        SendMessageW(self->tip_, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&relayed));
    }
    if (msg >= WM_MOUSEFIRST && msg <= WM_MBUTTONDBLCLK) {
        // What the frame does may fail (an engine that cannot be made);
        // that is reported, and never unwinds through the control.
        try {
            if (self->OnMouse(msg, wp, POINT{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)})) return 0;
        } catch (...) {
            ReportCurrentException();
            return 0;
        }
    } else if (msg == WM_CAPTURECHANGED) {
        self->pressed_ = kNoChild;
    } else if (msg == WM_NCDESTROY) {
        RemoveWindowSubclass(hwnd, &TabStrip::SubclassProc, 1);
    }
    const LRESULT result = DefSubclassProc(hwnd, msg, wp, lp);
    // A new size or a scroll moves other tabs under the pointer.
    if (msg == WM_SIZE || msg == WM_HSCROLL) {
        self->hovered_ = -1;
        self->SyncTip();
    }
    return result;
}

}  // namespace vesko
