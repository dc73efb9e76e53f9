#include "shell/MainForm.h"

#include <commdlg.h>

#include <algorithm>
#include <vector>

#include "bookmarks/BookMark.h"
#include "bookmarks/BookmarkFile.h"
#include "browser/BrowserChild.h"
#include "browser/childIE.h"
#include "browser/childMoz.h"
#include "common/Error.h"
#include "common/ErrorReport.h"
#include "common/Form.h"
#include "common/Glyphs.h"
#include "common/Ole.h"
#include "common/SystemLibrary.h"
#include "common/Text.h"
#include "options/Option.h"
#include "res/resource.h"
#include "shell/About.h"

namespace vesko {
namespace {

constexpr wchar_t kClassName[] = L"TMainForm";
constexpr UINT WM_OPEN_REQUESTED_WINDOW = WM_APP + 1;

// Layout in pixels.
constexpr int kCoolBarHeight = 57;
constexpr int kBandHeight = 24;
constexpr int kBottomBarHeight = 19;
constexpr int kBarControlHeight = 17;
constexpr int kAddressControlTop = 2;
constexpr int kAddressControlHeight = 20;
constexpr int kLabel1Width = 44;
constexpr int kAddressWidth = 105;
constexpr int kBtnMoveLeft = 149;
constexpr int kBtnMoveWidth = 41;
constexpr int kAddressMinWidth = 40;  // what a band dragged narrow leaves the address box
constexpr int kStatusWidth = 370;
constexpr int kProgressWidth = 127;
constexpr int kResizedProgressWidth = 130;
constexpr int kNarrowBottomBar = 260;

int CommandOf(NavButton button) {
    switch (button) {
    case NavButton::Back:
        return IDM_NAV_BACK;
    case NavButton::Forward:
        return IDM_NAV_FORWARD;
    case NavButton::Stop:
        return IDM_NAV_STOP;
    case NavButton::Reload:
        return IDM_NAV_RELOAD;
    }
    return 0;
}

std::wstring ModuleDirectory() {
    std::vector<wchar_t> path(MAX_PATH);
    for (;;) {
        const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (n == 0) throw AppError(SystemMessage(GetLastError()));
        if (n < path.size()) {
            std::wstring full(path.data(), n);
            return full.substr(0, full.find_last_of(L"\\/") + 1);
        }
        path.resize(path.size() * 2);
    }
}

// The submenu of `menu`, at any depth, that holds `command` itself.
HMENU PopupHolding(HMENU menu, UINT command) {
    for (int i = 0, n = GetMenuItemCount(menu); i < n; ++i) {
        const HMENU sub = GetSubMenu(menu, i);
        if (!sub) continue;
        for (int j = 0, m = GetMenuItemCount(sub); j < m; ++j)
            if (GetMenuItemID(sub, j) == command) return sub;
        if (const HMENU deeper = PopupHolding(sub, command)) return deeper;
    }
    return nullptr;
}

void EnableCommand(HMENU menu, UINT command, bool enabled) {
    EnableMenuItem(menu, command, MF_BYCOMMAND | (enabled ? MF_ENABLED : MF_GRAYED));
}

// A band of the cool bar holding `child`, with a gripper to move and size it.
void AddBand(HWND coolBar, HWND child, UINT id, int minWidth, int width, bool ownRow) {
    REBARBANDINFOW band{};
    band.cbSize = REBARBANDINFOW_V6_SIZE;
    band.fMask = RBBIM_STYLE | RBBIM_CHILD | RBBIM_CHILDSIZE | RBBIM_SIZE | RBBIM_ID;
    band.fStyle = RBBS_GRIPPERALWAYS | RBBS_CHILDEDGE | (ownRow ? RBBS_BREAK : 0);
    band.hwndChild = child;
    band.cxMinChild = static_cast<UINT>(minWidth);
    band.cyMinChild = kBandHeight;
    band.cx = static_cast<UINT>(width);
    band.wID = id;
    // The rebar fails only when it cannot allocate the band.
    if (!SendMessageW(coolBar, RB_INSERTBANDW, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&band)))
        throw AppError(SystemMessage(ERROR_NOT_ENOUGH_MEMORY));
}

int WidthOf(HWND hwnd) {
    RECT r;
    GetWindowRect(hwnd, &r);
    return r.right - r.left;
}

void SetWidth(HWND hwnd, int width) {
    RECT r;
    GetWindowRect(hwnd, &r);
    SetWindowPos(hwnd, nullptr, 0, 0, std::max(0, width), r.bottom - r.top, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// What the options dialog reads, writes and switches on the frame.
Tfrm_Option::Frame OptionDialogFrame(TMainForm& form) {
    Tfrm_Option::Frame frame;
    frame.window = form.Handle();
    frame.readValues = [&form] {
        const SettingsFile settings = form.Settings();
        return Tfrm_Option::Values{settings.ReadInteger(kSectionOption, kKeyMozilla, 0) != 0,
                                   settings.ReadString(kSectionOption, kKeyMozPath, std::wstring())};
    };
    frame.writeValues = [&form](const Tfrm_Option::Values& values) {
        // "Mozilla" is not attempted when "MozPath" could not be written.
        const SettingsFile settings = form.Settings();
        settings.WriteString(kSectionOption, kKeyMozPath, values.mozPath);
        settings.WriteString(kSectionOption, kKeyMozilla, values.mozilla ? L"1" : L"0");
    };
    frame.setGeckoItemEnabled = [&form](bool enabled) { form.SetGeckoItemEnabled(enabled); };
    return frame;
}

}  // namespace

std::wstring InOutErrorMessage(DWORD code) {
    switch (code) {
    case 2:
        return L"ファイルが見つかりません";
    case 3:
        return L"不正なファイル名です";
    case 4:
        return L"オープンしたファイルが多すぎます";
    case 5:
        return L"ファイルへのアクセスが拒否されました";
    default:
        return Format(L"I/O エラー (%d)", static_cast<int>(code));
    }
}

TMainForm::TMainForm(MainFormOptions options) : options_(std::move(options)) {
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    INITCOMMONCONTROLSEX icc{sizeof icc,
                             ICC_BAR_CLASSES | ICC_COOL_CLASSES | ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&icc);

    RegisterClassOnce(kClassName, COLOR_BTNFACE, IDI_VESKO);

    menu_ = LoadMenuW(instance, MAKEINTRESOURCEW(IDR_MAINMENU));
    accelerators_ = LoadAcceleratorsW(instance, MAKEINTRESOURCEW(IDR_ACCELERATORS));
    if (!menu_ || !accelerators_) throw AppError(SystemMessage(GetLastError()));
    // Menu items report their position rather than a 16-bit id: there may
    // be more bookmarks than ids.
    MENUINFO info{};
    info.cbSize = sizeof info;
    info.fMask = MIM_STYLE | MIM_APPLYTOSUBMENUS;
    info.dwStyle = MNS_NOTIFYBYPOS;
    SetMenuInfo(menu_, &info);
    fileMenu_ = PopupHolding(menu_, IDM_FILE_CLOSE);
    mnuBookMark_ = PopupHolding(menu_, IDM_BOOKMARK_EDIT);
    toolMenu_ = PopupHolding(menu_, IDM_OPTION);
    windowMenu_ = PopupHolding(menu_, IDM_WINDOW_CASCADE);

    try {
        Create(0, kClassName, ApplicationTitle().c_str(), WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, CW_USEDEFAULT,
               CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr, menu_);
    } catch (...) {
        // A window that got far enough took its menu down with it.
        if (IsMenu(menu_)) DestroyMenu(menu_);
        throw;
    }
    FormCreate();
}

TMainForm::~TMainForm() {
    // Destroy the window while every member still exists: the children
    // write into the frame's controls as they go.
    if (Handle()) DestroyWindow(Handle());
}

void TMainForm::CreateControls() {
    const HWND frame = Handle();
    font_ = CreateFormFont();
    labelFont_ = CreateFormFont(13);

    RECT client;
    GetClientRect(frame, &client);
    CreateCoolBar(client.right);
    CreateBottomBar(client);

    CLIENTCREATESTRUCT ccs{windowMenu_, IDM_FIRST_CHILD};
    const int top = CoolBarHeight();
    mdiClient_ =
        CreateWindowExW(WS_EX_CLIENTEDGE, L"MDICLIENT", nullptr,
                        WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS | WS_VSCROLL | WS_HSCROLL, 0, top,
                        client.right, std::max(0, static_cast<int>(client.bottom) - top - kBottomBarHeight), frame,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_MDICLIENT)), GetModuleHandleW(nullptr), &ccs);
    if (!mdiClient_) throw AppError(SystemMessage(GetLastError()));
    // With no children the client shows no scroll bars. It hides them
    // itself at its first recalculation, but only after the frame has
    // drawn them, and themed scroll bars are slow to draw: hidden now, the
    // client starts in the state that recalculation leaves it in.
    ShowScrollBar(mdiClient_, SB_BOTH, FALSE);
    // The bottom bar as the first resize will leave it, so that showing
    // the frame does not move and repaint what it has just drawn.
    FormResize();
}

void TMainForm::CreateCoolBar(int width) {
    const ControlSpec coolBar{REBARCLASSNAMEW,
                              L"",
                              WS_CLIPCHILDREN | WS_CLIPSIBLINGS | RBS_VARHEIGHT | RBS_BANDBORDERS | CCS_NODIVIDER |
                                  CCS_NORESIZE | CCS_NOPARENTALIGN,
                              0,
                              IDC_COOLBAR1,
                              0,
                              0,
                              width,
                              kCoolBarHeight};
    coolBar1_ = CreateControl(Handle(), coolBar, nullptr);

    // Band 1: the navigation tool bar.
    imageList1_.reset(CreateGlyphImageList(IDB_GLYPHS, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}));
    // Grey pictures of our own: those derived from a mask lose the edges.
    disabledImageList1_.reset(
        CreateGlyphImageList(IDB_GLYPHS, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}, GlyphLook::Disabled));
    const DWORD flat = TBSTYLE_FLAT | CCS_NORESIZE | CCS_NOPARENTALIGN | CCS_NODIVIDER;
    const ControlSpec toolBar2{TOOLBARCLASSNAMEW, nullptr, flat, 0, IDC_TOOLBAR2, 0, 0, width, kBandHeight};
    toolBar2_ = CreateControl(coolBar1_, toolBar2, font_.get());
    SendMessageW(toolBar2_, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    SendMessageW(toolBar2_, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(imageList1_.get()));
    SendMessageW(toolBar2_, TB_SETDISABLEDIMAGELIST, 0, reinterpret_cast<LPARAM>(disabledImageList1_.get()));
    TBBUTTON buttons[] = {
        {0, IDM_FILE_NEW, TBSTATE_ENABLED, BTNS_BUTTON, {}, 0, 0},
        {8, 0, 0, BTNS_SEP, {}, 0, 0},
        {1, IDM_NAV_BACK, 0, BTNS_BUTTON, {}, 0, 0},
        {2, IDM_NAV_FORWARD, 0, BTNS_BUTTON, {}, 0, 0},
        {3, IDM_NAV_STOP, 0, BTNS_BUTTON, {}, 0, 0},
        {4, IDM_NAV_RELOAD, 0, BTNS_BUTTON, {}, 0, 0},
    };
    SendMessageW(toolBar2_, TB_ADDBUTTONSW, sizeof buttons / sizeof buttons[0], reinterpret_cast<LPARAM>(buttons));
    RECT last{};
    SendMessageW(toolBar2_, TB_GETITEMRECT, sizeof buttons / sizeof buttons[0] - 1, reinterpret_cast<LPARAM>(&last));
    AddBand(coolBar1_, toolBar2_, IDC_TOOLBAR2, last.right, width, false);

    // Band 2, a row of its own: the address bar.
    CreateAddressBar(width);
    AddBand(coolBar1_, toolBar3_->Handle(), IDC_TOOLBAR3, kLabel1Width + kBtnMoveWidth + kAddressMinWidth, width, true);
    // The bar keeps its laid-out height over its two rows (the rebar's own
    // rows may differ from it by a pixel or so); when the user puts both
    // bands in one row, it loses the height of a row.
    coolBarMargin_ = kCoolBarHeight - static_cast<int>(SendMessageW(coolBar1_, RB_GETBARHEIGHT, 0, 0));
}

int TMainForm::CoolBarHeight() const {
    return static_cast<int>(SendMessageW(coolBar1_, RB_GETBARHEIGHT, 0, 0)) + coolBarMargin_;
}

void TMainForm::CreateAddressBar(int width) {
    toolBar3_ = std::make_unique<ControlBar>(coolBar1_, Handle(), RECT{0, 0, width, kBandHeight});
    const HWND bar = toolBar3_->Handle();
    const ControlSpec rows[] = {
        {L"STATIC", L"アドレス", SS_CENTERIMAGE, 0, IDC_LABEL1, 0, kAddressControlTop, kLabel1Width,
         kAddressControlHeight},
        {L"EDIT", L"", WS_TABSTOP | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE, IDC_TXTADDRESS, kLabel1Width, kAddressControlTop,
         kAddressWidth, kAddressControlHeight},
        {L"BUTTON", L"移動", WS_TABSTOP | BS_PUSHBUTTON, 0, IDC_BTNMOVE, kBtnMoveLeft, kAddressControlTop,
         kBtnMoveWidth, kAddressControlHeight},
    };
    label1_ = CreateControl(bar, rows[0], labelFont_.get());
    txtAddress_ = CreateControl(bar, rows[1], font_.get());
    btnMove_ = CreateControl(bar, rows[2], font_.get());
    SendMessageW(txtAddress_, EM_SETLIMITTEXT, 0, 0);  // addresses of any length
    SetWindowSubclass(txtAddress_, &TMainForm::AddressProc, 1, reinterpret_cast<DWORD_PTR>(this));
    // The band sizes the bar; the address box takes what the button leaves.
    toolBar3_->OnResize = [this](int barWidth) { LayoutAddressBar(barWidth); };
}

void TMainForm::CreateBottomBar(const RECT& client) {
    toolBar1_ = std::make_unique<ControlBar>(Handle(), Handle(),
                                             RECT{0, client.bottom - kBottomBarHeight, client.right, client.bottom});
    const HWND bar = toolBar1_->Handle();
    const ControlSpec rows[] = {
        {STATUSCLASSNAMEW, L"", CCS_NOPARENTALIGN | CCS_NORESIZE | CCS_NODIVIDER, 0, IDC_STATUSBAR1, 0, 1, kStatusWidth,
         kBarControlHeight},
        {PROGRESS_CLASSW, L"", PBS_SMOOTH, 0, IDC_PROGRESSBAR1, kStatusWidth, 1, kProgressWidth, kBarControlHeight},
    };
    statusBar1_ = CreateControl(bar, rows[0], font_.get());
    progressBar1_ = CreateControl(bar, rows[1], nullptr);
    int parts[] = {-1};
    SendMessageW(statusBar1_, SB_SETPARTS, 1, reinterpret_cast<LPARAM>(parts));
    SendMessageW(progressBar1_, PBM_SETRANGE32, 0, 100);
    SendMessageW(progressBar1_, PBM_SETPOS, 0, 0);
}

void TMainForm::FormCreate() {
    ShowWindow(Handle(), SW_SHOW);
    UpdateWindow(Handle());
    programDir_ = options_.programDir.empty() ? ModuleDirectory() : options_.programDir;
    if (programDir_.back() != L'\\' && programDir_.back() != L'/') programDir_ += L'\\';

    LoadBookMark();

    const SettingsFile settings = Settings();
    if (!settings.Exists()) mnuOptionClick();

    if (settings.ReadString(kSectionGeneral, kKeyLastEngine, L"IE") == L"IE")
        IE_ItemClick();
    else
        Moz_ItemClick();
    if (settings.ReadInteger(kSectionOption, kKeyMozilla, 0) == 0) SetGeckoItemEnabled(false);
}

void TMainForm::LayoutBars() {
    if (!toolBar1_) return;
    RECT client;
    GetClientRect(Handle(), &client);
    const int width = client.right;
    const int coolBarHeight = CoolBarHeight();
    const int bottomTop = std::max(static_cast<int>(client.bottom) - kBottomBarHeight, coolBarHeight);
    SetWindowPos(coolBar1_, nullptr, 0, 0, width, coolBarHeight, SWP_NOZORDER | SWP_NOACTIVATE);
    SetWindowPos(toolBar1_->Handle(), nullptr, 0, bottomTop, width, kBottomBarHeight, SWP_NOZORDER | SWP_NOACTIVATE);
    SetWindowPos(mdiClient_, nullptr, 0, coolBarHeight, width, bottomTop - coolBarHeight,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

void TMainForm::FormResize() {
    if (!toolBar1_) return;
    const int bottomBarWidth = WidthOf(toolBar1_->Handle());
    if (bottomBarWidth > kNarrowBottomBar) {
        const int statusWidth = bottomBarWidth - kResizedProgressWidth;
        SetWindowPos(statusBar1_, nullptr, 0, 1, statusWidth, kBarControlHeight, SWP_NOZORDER | SWP_NOACTIVATE);
        SetWindowPos(progressBar1_, nullptr, statusWidth, 1, kResizedProgressWidth, kBarControlHeight,
                     SWP_NOZORDER | SWP_NOACTIVATE);
    }
    // The cool bar sizes ToolBar2 and ToolBar3 to their bands, and the
    // address bar follows its band (LayoutAddressBar).
}

void TMainForm::LayoutAddressBar(int barWidth) {
    if (!btnMove_) return;
    const int moveWidth = WidthOf(btnMove_);
    SetWindowPos(btnMove_, nullptr, barWidth - moveWidth, kAddressControlTop, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    SetWidth(txtAddress_, barWidth - moveWidth - WidthOf(label1_));
}

void TMainForm::FormClose() {
    // A settings file that cannot be written is reported, but never keeps
    // the user from quitting.
    try {
        Settings().WriteString(kSectionGeneral, kKeyLastEngine, IsIESelected() ? L"IE" : L"Gecko");
    } catch (...) {
        ReportCurrentException();
    }
}

std::wstring TMainForm::BookmarkPath() const { return programDir_ + kBookmarkFileName; }

void TMainForm::LoadBookMark() {
    // A missing or unreadable file gives no items; the editor tells why.
    try {
        // Only the bytes now: the items are made from them when the menu
        // first opens, and start-up does not wait for a large file.
        if (auto bytes = ReadBookmarkBytes(BookmarkPath()))
            bookmarks_.Defer(mnuBookMark_, std::move(*bytes), BookmarkPath());
    } catch (...) {
        ReportCurrentException();
    }
}

void TMainForm::iventMenuClick(const vesko::BookmarkMenu::Item& item) {
    if (item.hint.empty()) return;
    SetWindowTextW(txtAddress_, item.hint.c_str());
    OpenPage(std::wstring(), AddressText());
}

void TMainForm::OnMenuCommand(HMENU menu, int position) {
    MENUITEMINFOW mii{};
    mii.cbSize = sizeof mii;
    mii.fMask = MIIM_ID | MIIM_DATA | MIIM_SUBMENU;
    if (!GetMenuItemInfoW(menu, static_cast<UINT>(position), TRUE, &mii) || mii.hSubMenu) return;
    if (const auto item = bookmarks_.Find(menu, mii.dwItemData)) {
        iventMenuClick(*item);
        return;
    }
    // Every other item: as if it had sent its id.
    HandleMessage(WM_COMMAND, MAKEWPARAM(mii.wID, 0), 0);
}

void TMainForm::OpenPage(const std::wstring& caption, const std::wstring& address) {
    OpenPageIn(IsIESelected() ? EngineKind::IE : EngineKind::Gecko, caption, address);
}

void TMainForm::OpenPageIn(EngineKind engine, const std::wstring& caption, const std::wstring& address) {
    const SettingsFile settings = Settings();
    const std::wstring mozPath = settings.ReadString(kSectionOption, kKeyMozPath, std::wstring());
    const int mozilla = settings.ReadInteger(kSectionOption, kKeyMozilla, 0);
    // The Gecko control finds its files relative to the current directory.
    if (mozilla == 1 && !SetCurrentDirectoryW(mozPath.c_str())) throw AppError(InOutErrorMessage(GetLastError()));

    BrowserChild* child = engine == EngineKind::IE ? static_cast<BrowserChild*>(Tfrm_IE::Create(*this))
                                                   : static_cast<BrowserChild*>(Tfrm_MZ::Create(*this));
    child->SetCaption(caption);
    child->Navigate(address);
}

void TMainForm::RequestNewWindow(const std::wstring& caption, const std::wstring& address) {
    newWindowRequests_.emplace_back(caption, address);
    PostMessageW(Handle(), WM_OPEN_REQUESTED_WINDOW, 0, 0);
}

void TMainForm::OpenRequestedWindow() {
    if (newWindowRequests_.empty()) return;
    const auto request = std::move(newWindowRequests_.front());
    newWindowRequests_.pop_front();
    OpenPage(request.first, request.second);
}

bool TMainForm::IsIESelected() const { return (GetMenuState(menu_, IDM_ENGINE_IE, MF_BYCOMMAND) & MF_CHECKED) != 0; }

bool TMainForm::IsGeckoItemEnabled() const {
    return (GetMenuState(menu_, IDM_ENGINE_MOZ, MF_BYCOMMAND) & (MF_GRAYED | MF_DISABLED)) == 0;
}

void TMainForm::SetGeckoItemEnabled(bool enabled) { EnableCommand(menu_, IDM_ENGINE_MOZ, enabled); }

void TMainForm::IE_ItemClick() {
    CheckMenuItem(menu_, IDM_ENGINE_IE, MF_BYCOMMAND | MF_CHECKED);
    CheckMenuItem(menu_, IDM_ENGINE_MOZ, MF_BYCOMMAND | MF_UNCHECKED);
}

void TMainForm::Moz_ItemClick() {
    CheckMenuItem(menu_, IDM_ENGINE_MOZ, MF_BYCOMMAND | MF_CHECKED);
    CheckMenuItem(menu_, IDM_ENGINE_IE, MF_BYCOMMAND | MF_UNCHECKED);
}

std::vector<BrowserChild*> TMainForm::Children() const {
    std::vector<BrowserChild*> children;
    for (HWND h = GetWindow(mdiClient_, GW_CHILD); h; h = GetWindow(h, GW_HWNDNEXT))
        if (BrowserChild* child = FromHandle<BrowserChild>(h)) children.push_back(child);
    return children;
}

int TMainForm::ChildCount() const { return static_cast<int>(Children().size()); }

BrowserChild* TMainForm::ActiveChild() const {
    return FromHandle<BrowserChild>(reinterpret_cast<HWND>(SendMessageW(mdiClient_, WM_MDIGETACTIVE, 0, 0)));
}

std::wstring TMainForm::AddressText() const { return WindowText(txtAddress_); }

void TMainForm::SetAddressText(const std::wstring& text) { SetWindowTextW(txtAddress_, text.c_str()); }

std::wstring TMainForm::StatusText() const {
    const auto length = LOWORD(SendMessageW(statusBar1_, SB_GETTEXTLENGTHW, 0, 0));
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    SendMessageW(statusBar1_, SB_GETTEXTW, 0, reinterpret_cast<LPARAM>(text.data()));
    text.resize(length);
    return text;
}

void TMainForm::SetStatusText(const std::wstring& text) {
    SendMessageW(statusBar1_, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

void TMainForm::SetProgress(int value) {
    SendMessageW(progressBar1_, PBM_SETPOS, static_cast<WPARAM>(std::clamp(value, 0, 100)), 0);
}

int TMainForm::Progress() const { return static_cast<int>(SendMessageW(progressBar1_, PBM_GETPOS, 0, 0)); }

bool TMainForm::IsButtonEnabled(NavButton button) const {
    return SendMessageW(toolBar2_, TB_ISBUTTONENABLED, static_cast<WPARAM>(CommandOf(button)), 0) != 0;
}

void TMainForm::EnableButton(NavButton button, bool enabled) {
    SendMessageW(toolBar2_, TB_ENABLEBUTTON, static_cast<WPARAM>(CommandOf(button)),
                 MAKELPARAM(enabled ? TRUE : FALSE, 0));
}

TMainForm::ControlHandles TMainForm::Controls() const {
    return {coolBar1_, toolBar2_,           toolBar3_->Handle(), label1_,       txtAddress_,
            btnMove_,  toolBar1_->Handle(), statusBar1_,         progressBar1_, mdiClient_};
}

void TMainForm::FileNew1Execute() {
    if (IsIESelected())
        OpenPage(L"Internet Explorer", std::wstring());
    else
        OpenPage(L"Mozilla", L"about:blank");
}

void TMainForm::FileOpen1Execute() {
    std::vector<wchar_t> file(32768, L'\0');
    static const wchar_t filter[] = L"すべてのファイル(*.*)\0*.*\0";
    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = Handle();
    ofn.lpstrFilter = filter;
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = file.data();
    ofn.nMaxFile = static_cast<DWORD>(file.size());
    ofn.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_ENABLESIZING;
    // comdlg32 loads when the dialog is first wanted, not at start; the
    // shell behind the dialog wants OLE.
    ole::Require();
    const auto getOpenFileName = SystemFunction<BOOL(WINAPI*)(OPENFILENAMEW*)>(L"comdlg32.dll", "GetOpenFileNameW");
    if (!getOpenFileName) throw AppError(SystemMessage(GetLastError()));
    if (!getOpenFileName(&ofn)) return;
    OpenPage(std::wstring(), file.data());
}

void TMainForm::FileExit1Execute() { PostMessageW(Handle(), WM_CLOSE, 0, 0); }

bool TMainForm::CanSave() const {
    BrowserChild* child = ActiveChild();
    return child && child->CanSave();
}

void TMainForm::FileSave1Execute() {
    if (CanSave()) ActiveChild()->SavePage();
}

bool TMainForm::CanOpenInOtherEngine() const {
    const BrowserChild* child = ActiveChild();
    // Gecko may be used only while its switch is on; IE always.
    return child && (child->Engine() == EngineKind::Gecko || IsGeckoItemEnabled());
}

void TMainForm::OtherEngine1Execute() {
    if (!CanOpenInOtherEngine()) return;
    BrowserChild* child = ActiveChild();
    std::wstring address = child->LocationURL();
    if (address.empty()) address = AddressText();
    const EngineKind other = child->Engine() == EngineKind::IE ? EngineKind::Gecko : EngineKind::IE;
    OpenPageIn(other, child->Caption(), address);
}

void TMainForm::HelpAbout1Execute() {
    if (aboutBox_) aboutBox_->ShowModal();
}

void TMainForm::mnuEditClick() {
    Tfrm_BMEdit* editor = Tfrm_BMEdit::Create(BookmarkPath(), Handle());
    editor->Show();
    editor->SetURLText(AddressText());
    BrowserChild* active = ActiveChild();
    editor->SetNameText(active ? active->Caption() : std::wstring());
}

void TMainForm::mnuOptionClick() { CreateOptionDialog(); }

Tfrm_Option* TMainForm::CreateOptionDialog() { return Tfrm_Option::Create(OptionDialogFrame(*this)); }

std::unique_ptr<Tfrm_Option> TMainForm::CreateHiddenOptionDialog() {
    return Tfrm_Option::CreateHidden(OptionDialogFrame(*this));
}

void TMainForm::BackCtrlClick() {
    if (BrowserChild* child = ActiveChild()) child->GoBack();
}

void TMainForm::FrwrdCtrlClick() {
    if (BrowserChild* child = ActiveChild()) child->GoForward();
}

void TMainForm::StopCtrlClick() {
    if (BrowserChild* child = ActiveChild()) child->Stop();
}

void TMainForm::ReLoadCtrlClick() {
    if (BrowserChild* child = ActiveChild()) child->Refresh();
}

void TMainForm::btnMoveClick() {
    const std::wstring address = AddressText();
    if (ChildCount() == 0) {
        OpenPage(std::wstring(), address);
        return;
    }
    if (BrowserChild* child = ActiveChild()) child->Navigate(address);
}

void TMainForm::txtAddressKeyDown(WPARAM key) {
    if (key == VK_RETURN) btnMoveClick();
}

LRESULT CALLBACK TMainForm::AddressProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR data) {
    // Enter with Alt held arrives as a system key; the rule is the same.
    if (msg == WM_KEYDOWN || msg == WM_SYSKEYDOWN) {
        try {
            reinterpret_cast<TMainForm*>(data)->txtAddressKeyDown(wp);
        } catch (...) {
            ReportCurrentException();
        }
    } else if ((msg == WM_CHAR || msg == WM_SYSCHAR) && (wp == L'\r' || wp == L'\n')) {
        return 0;  // Enter has done its work; spare the beep.
    } else if (msg == WM_NCDESTROY) {
        RemoveWindowSubclass(hwnd, &TMainForm::AddressProc, 1);
    }
    return DefSubclassProc(hwnd, msg, wp, lp);
}

void TMainForm::EditCommand(UINT message) {
    HWND focus = GetFocus();
    wchar_t className[16] = {};
    if (!focus || !GetClassNameW(focus, className, 16) || lstrcmpiW(className, L"Edit") != 0) return;
    if (message == WM_PASTE) {
        if (!IsClipboardFormatAvailable(CF_UNICODETEXT)) return;
    } else {
        DWORD start = 0, end = 0;
        SendMessageW(focus, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
        if (start == end) return;
    }
    SendMessageW(focus, message, 0, 0);
}

void TMainForm::MinimizeAllChildren() {
    const std::vector<BrowserChild*> children = Children();
    for (auto it = children.rbegin(); it != children.rend(); ++it) ShowWindow((*it)->Handle(), SW_MINIMIZE);
}

void TMainForm::OnCommand(int id) {
    switch (id) {
    case IDM_FILE_NEW:
        FileNew1Execute();
        break;
    case IDM_FILE_OPEN:
        FileOpen1Execute();
        break;
    case IDM_FILE_CLOSE:
        if (BrowserChild* child = ActiveChild()) SendMessageW(child->Handle(), WM_CLOSE, 0, 0);
        break;
    case IDM_FILE_SAVE:
    case IDM_FILE_SAVEAS:
        FileSave1Execute();
        break;
    case IDM_FILE_EXIT:
        FileExit1Execute();
        break;
    case IDM_BOOKMARK_EDIT:
        mnuEditClick();
        break;
    case IDM_ENGINE_IE:
        IE_ItemClick();
        break;
    case IDM_ENGINE_MOZ:
        if (IsGeckoItemEnabled()) Moz_ItemClick();
        break;
    case IDM_OPTION:
        mnuOptionClick();
        break;
    case IDM_OTHER_ENGINE:
        OtherEngine1Execute();
        break;
    case IDM_WINDOW_CASCADE:
        SendMessageW(mdiClient_, WM_MDICASCADE, 0, 0);
        break;
    case IDM_WINDOW_TILE_HORZ:
        SendMessageW(mdiClient_, WM_MDITILE, MDITILE_HORIZONTAL, 0);
        break;
    case IDM_WINDOW_TILE_VERT:
        SendMessageW(mdiClient_, WM_MDITILE, MDITILE_VERTICAL, 0);
        break;
    case IDM_WINDOW_MINIMIZE_ALL:
        MinimizeAllChildren();
        break;
    case IDM_WINDOW_ARRANGE:
        SendMessageW(mdiClient_, WM_MDIICONARRANGE, 0, 0);
        break;
    case IDM_HELP_ABOUT:
        HelpAbout1Execute();
        break;
    case IDM_EDIT_CUT:
        EditCommand(WM_CUT);
        break;
    case IDM_EDIT_COPY:
        EditCommand(WM_COPY);
        break;
    case IDM_EDIT_PASTE:
        EditCommand(WM_PASTE);
        break;
    case IDM_NAV_BACK:
        BackCtrlClick();
        break;
    case IDM_NAV_FORWARD:
        FrwrdCtrlClick();
        break;
    case IDM_NAV_STOP:
        StopCtrlClick();
        break;
    case IDM_NAV_RELOAD:
        ReLoadCtrlClick();
        break;
    case IDC_BTNMOVE:
        btnMoveClick();
        break;
    default:
        break;
    }
}

void TMainForm::OnInitMenuPopup(HMENU menu) {
    // A folder's items are made when it first opens; a refusal leaves the
    // items made so far and is reported.
    try {
        bookmarks_.OnInitMenuPopup(menu);
    } catch (...) {
        ReportCurrentException();
    }
    if (menu == windowMenu_) {
        const bool any = ChildCount() > 0;
        for (UINT id : {IDM_WINDOW_CASCADE, IDM_WINDOW_TILE_HORZ, IDM_WINDOW_TILE_VERT, IDM_WINDOW_MINIMIZE_ALL,
                        IDM_WINDOW_ARRANGE})
            EnableCommand(menu, id, any);
    } else if (menu == fileMenu_) {
        EnableCommand(menu, IDM_FILE_CLOSE, ActiveChild() != nullptr);
        const bool canSave = CanSave();
        EnableCommand(menu, IDM_FILE_SAVE, canSave);
        EnableCommand(menu, IDM_FILE_SAVEAS, canSave);
    } else if (menu == toolMenu_) {
        EnableCommand(menu, IDM_OTHER_ENGINE, CanOpenInOtherEngine());
    }
}

bool TMainForm::PreTranslateMessage(MSG& msg) {
    if (msg.message < WM_KEYFIRST || msg.message > WM_KEYLAST || !Handle()) return false;
    if (msg.hwnd != Handle() && !IsChild(Handle(), msg.hwnd)) return false;
    // The page gets its keys first (Tab, Backspace, its own shortcuts).
    if (BrowserChild* child = ActiveChild(); child && child->Contains(msg.hwnd) && child->TranslateAccelerator(msg))
        return true;
    if (TranslateMDISysAccel(mdiClient_, &msg)) return true;
    return TranslateAcceleratorW(Handle(), accelerators_, &msg) != 0;
}

LRESULT TMainForm::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_CREATE:
        CreateControls();
        return 0;
    case WM_SIZE:
        // Not passed on: the default would stretch the MDI area over the bars.
        LayoutBars();
        FormResize();
        return 0;
    case WM_COMMAND: {
        // Menus, accelerators, tool buttons and btnMove; other controls'
        // notifications and the window list go to the default handling.
        const int id = LOWORD(wp);
        const bool command = lp == 0 || HIWORD(wp) == BN_CLICKED;
        if (command && id >= IDM_FILE_NEW && id < IDM_BOOKMARK_FIRST) {
            OnCommand(id);
            return 0;
        }
        return DefaultProc(msg, wp, lp);
    }
    case WM_NOTIFY: {
        const auto* header = reinterpret_cast<const NMHDR*>(lp);
        if (header->hwndFrom == coolBar1_ && header->code == RBN_HEIGHTCHANGE) LayoutBars();
        return DefaultProc(msg, wp, lp);
    }
    case WM_MENUCOMMAND:
        OnMenuCommand(reinterpret_cast<HMENU>(lp), static_cast<int>(wp));
        return 0;
    case WM_INITMENUPOPUP:
        OnInitMenuPopup(reinterpret_cast<HMENU>(wp));
        return DefaultProc(msg, wp, lp);
    case WM_MEASUREITEM:
        if (wp == 0 && vesko::BookmarkMenu::MeasurePicture(*reinterpret_cast<MEASUREITEMSTRUCT*>(lp))) return TRUE;
        return DefaultProc(msg, wp, lp);
    case WM_DRAWITEM:
        if (wp == 0 && bookmarks_.DrawPicture(*reinterpret_cast<const DRAWITEMSTRUCT*>(lp), imageList1_.get()))
            return TRUE;
        return DefaultProc(msg, wp, lp);
    case WM_OPEN_REQUESTED_WINDOW:
        OpenRequestedWindow();
        return 0;
    case WM_CLOSE:
        FormClose();
        DestroyWindow(Handle());
        return 0;
    case WM_DESTROY:
        if (options_.quitOnDestroy) PostQuitMessage(0);
        return 0;
    default:
        return DefaultProc(msg, wp, lp);
    }
}

LRESULT TMainForm::DefaultProc(UINT msg, WPARAM wp, LPARAM lp) {
    return DefFrameProcW(Handle(), mdiClient_, msg, wp, lp);
}

}  // namespace vesko
