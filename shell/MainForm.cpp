#include "shell/MainForm.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "bookmarks/BookMark.h"
#include "bookmarks/BookmarkFile.h"
#include "browser/BrowserChild.h"
#include "common/Error.h"
#include "common/ErrorReport.h"
#include "common/Files.h"
#include "options/Option.h"
#include "res/resource.h"
#include "shell/About.h"
#include "history/win/HistoryWindow.h"
#include "shell/OpenDialog.h"
#include "sites/win/SiteRules.h"
#include "sites/win/SiteRulesFile.h"

namespace vesko {
namespace {

constexpr wchar_t kClassName[] = L"TMainForm";
constexpr UINT WM_OPEN_REQUESTED_WINDOW = WM_APP + 1;
// The session's changes of one message are written together, before the
// next message from the user.
constexpr UINT WM_WRITE_SESSION = WM_APP + 2;

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

// What the options dialog reads, writes and switches on the frame.
Tfrm_Option::Frame OptionDialogFrame(TMainForm& form) {
    Tfrm_Option::Frame frame;
    frame.window = form.Handle();
    frame.readValues = [&form] {
        const SettingsFile settings = form.Settings();
        return Tfrm_Option::Values{GeckoSwitchOn(settings.ReadInteger(kSectionOption, kKeyMozilla, 0)),
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

TMainForm::TMainForm(FrameModel& model, MainFormOptions options) : model_(model), options_(std::move(options)) {
    INITCOMMONCONTROLSEX icc{sizeof icc,
                             ICC_BAR_CLASSES | ICC_COOL_CLASSES | ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&icc);
    RegisterClassOnce(kClassName, COLOR_BTNFACE, IDI_VESKO);

    UniqueMenu menu = BuildMenuBar();
    accelerators_ = BuildAccelerators();
    mnuBookMark_ = PopupHolding(menu.get(), IDM_BOOKMARK_EDIT);
    windowMenu_ = PopupHolding(menu.get(), IDM_WINDOW_CASCADE);
    // Destroying a window that got as far as WM_CREATE takes its menu down
    // with it; one that did not leaves the menu to its owner here.
    menu_ = menu.get();
    Create(0, kClassName, ApplicationTitle().c_str(), WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, CW_USEDEFAULT,
           CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr, menu_);
    menu.release();
    model_.SetListener(this);
    ShowEngineItems();
    // Like every handler, the creation handler reports what goes wrong
    // and leaves a usable frame behind.
    try {
        FormCreate();
    } catch (...) {
        ReportCurrentException();
    }
}

TMainForm::~TMainForm() {
    // Destroy the window while every member still exists: the children
    // report to the model as they go.
    if (Handle()) DestroyWindow(Handle());
    model_.SetListener(nullptr);
}

void TMainForm::CreateControls() {
    const HWND frame = Handle();
    font_ = CreateFormFont();
    labelFont_ = CreateFormFont(13);
    bars_ = std::make_unique<FrameBars>(frame, font_.get(), labelFont_.get());
    SetWindowSubclass(bars_->AddressBox(), &TMainForm::AddressProc, 1, reinterpret_cast<DWORD_PTR>(this));
    completion_ = std::make_unique<AddressCompletion>(
        frame, bars_->AddressBox(), [this](const std::wstring& typed) { return Suggest(typed); },
        [this] { btnMoveClick(); });

    CLIENTCREATESTRUCT ccs{windowMenu_, IDM_FIRST_CHILD};
    const RECT area = bars_->InitialMdiRect();
    mdiClient_ = CreateWindowExW(WS_EX_CLIENTEDGE, L"MDICLIENT", nullptr,
                                 WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS | WS_VSCROLL | WS_HSCROLL,
                                 area.left, area.top, area.right - area.left, area.bottom - area.top, frame,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_MDICLIENT)),
                                 GetModuleHandleW(nullptr), &ccs);
    if (!mdiClient_) throw AppError(SystemMessage(GetLastError()));
    // With no children the client shows no scroll bars. It hides them
    // itself at its first recalculation, but only after the frame has
    // drawn them, and themed scroll bars are slow to draw: hidden now, the
    // client starts in the state that recalculation leaves it in.
    ShowScrollBar(mdiClient_, SB_BOTH, FALSE);
    // The bottom bar as the first resize will leave it, so that showing
    // the frame does not move and repaint what it has just drawn.
    bars_->FormResize();
    CreateTabStrip();
}

void TMainForm::FormCreate() {
    ShowWindow(Handle(), SW_SHOW);
    UpdateWindow(Handle());
    programDir_ = options_.programDir.empty() ? ExecutableDirectory() : options_.programDir;
    if (programDir_.back() != L'\\' && programDir_.back() != L'/') programDir_ += L'\\';

    LoadBookMark();
    siteRules_ = std::make_unique<SiteRules>(programDir_ + kSiteRulesFileName);
    history_ = std::make_unique<HistoryKeeper>(programDir_ + kHistoryFileName);
    const SettingsFile settings = Settings();
    if (!settings.Exists()) {
        // A dialog that cannot open is reported; start-up goes on.
        try {
            mnuOptionClick();
        } catch (...) {
            ReportCurrentException();
        }
    }
    model_.ApplyStartSettings(settings.ReadString(kSectionGeneral, kKeyLastEngine, L"IE"),
                              settings.ReadInteger(kSectionOption, kKeyMozilla, 0));
    model_.SetTabBar(settings.ReadInteger(kSectionGeneral, kKeyTabBar, 1) != 0);
    try {
        StartSession();
    } catch (...) {
        ReportCurrentException();
    }
}

void TMainForm::LayoutBars() {
    if (!bars_) return;
    RECT area = bars_->Layout();
    if (tabs_) area = tabs_->Layout(area);  // the strip takes its height from the MDI area
    SetWindowPos(mdiClient_, nullptr, area.left, area.top, area.right - area.left, area.bottom - area.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

void TMainForm::FormClose() {
    EndSession();
    // A settings file that cannot be written is reported, but never keeps
    // the user from quitting.
    try {
        Settings().WriteString(kSectionGeneral, kKeyLastEngine, model_.LastEngineText());
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
        bookmarks_.Defer(mnuBookMark_, ReadBookmarkBytes(BookmarkPath()).value_or(std::string()), BookmarkPath());
    } catch (...) {
        ReportCurrentException();
    }
}

void TMainForm::iventMenuClick(const vesko::BookmarkMenu::Item& item) {
    if (item.hint.empty()) return;
    model_.ShowAddress(item.hint);
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

void TMainForm::ModelChanged(unsigned changes, ChildId child) {
    const FrameView& view = model_.View();
    if (bars_) {
        if (changes & kAddressChanged) bars_->ShowAddress(view.address);
        if (changes & kStatusChanged) bars_->ShowStatus(view.status);
        if (changes & kProgressChanged) bars_->ShowProgress(view.progress);
        if (changes & kButtonsChanged) bars_->ShowButtons(view.buttons);
    }
    if (changes & kEngineChanged) ShowEngineItems();
    if (changes & kCaptionChanged) {
        const ChildState* state = model_.Find(child);
        for (BrowserChild* window : Children())
            if (state && window->Id() == child) window->ShowCaption(state->caption);
    }
    if (changes & (kChildrenChanged | kCaptionChanged | kPageAddressChanged)) SessionChanged();
    if (tabs_ && (changes & (kChildrenChanged | kCaptionChanged | kWindowOptionsChanged)) && tabs_->Render())
        LayoutBars();
    // An engine never waits on a new window: it opens from the loop.
    if (changes & kRequestQueued) PostMessageW(Handle(), WM_OPEN_REQUESTED_WINDOW, 0, 0);
}

void TMainForm::SessionChanged() {
    if (!std::exchange(sessionDue_, true)) PostMessageW(Handle(), WM_WRITE_SESSION, 0, 0);
}

void TMainForm::ShowEngineItems() {
    CheckMenuItem(menu_, IDM_ENGINE_IE,
                  MF_BYCOMMAND | (model_.SelectedEngine() == EngineKind::IE ? MF_CHECKED : MF_UNCHECKED));
    CheckMenuItem(menu_, IDM_ENGINE_MOZ,
                  MF_BYCOMMAND | (model_.SelectedEngine() == EngineKind::Gecko ? MF_CHECKED : MF_UNCHECKED));
    EnableMenuItem(menu_, IDM_ENGINE_MOZ, MF_BYCOMMAND | (model_.GeckoSelectable() ? MF_ENABLED : MF_GRAYED));
}

bool TMainForm::IsIESelected() const { return (GetMenuState(menu_, IDM_ENGINE_IE, MF_BYCOMMAND) & MF_CHECKED) != 0; }

bool TMainForm::IsGeckoItemEnabled() const {
    return (GetMenuState(menu_, IDM_ENGINE_MOZ, MF_BYCOMMAND) & (MF_GRAYED | MF_DISABLED)) == 0;
}

BrowserChild* TMainForm::ActiveChild() const {
    for (BrowserChild* window : Children())
        if (window->Id() == model_.Active()) return window;
    return nullptr;
}

TMainForm::ControlHandles TMainForm::Controls() const {
    return {bars_->CoolBar(),   bars_->NavigationBar(), bars_->AddressBar(), bars_->Label(),
            bars_->AddressBox(), bars_->MoveButton(),   bars_->BottomBar(),  bars_->StatusBar(),
            bars_->ProgressBar(), mdiClient_};
}

void TMainForm::FileNew1Execute() {
    const PageRequest page = model_.NewPage();
    OpenPage(page.caption, page.address);
}

void TMainForm::FileOpen1Execute() {
    const std::wstring file = ExecuteOpenDialog(Handle());
    if (!file.empty()) OpenPage(std::wstring(), file);
}

void TMainForm::FileExit1Execute() { PostMessageW(Handle(), WM_CLOSE, 0, 0); }

void TMainForm::OtherEngine1Execute() {
    BrowserChild* child = ActiveChild();
    if (!child || !model_.CanOpenInOtherEngine()) return;
    std::wstring address = child->LocationURL();
    if (address.empty()) address = AddressText();
    const EngineKind other = child->Engine() == EngineKind::IE ? EngineKind::Gecko : EngineKind::IE;
    PageRequest page;
    page.caption = child->Caption();
    page.address = address;
    page.engine = other;
    OpenPageIn(page);
}

void TMainForm::HelpAbout1Execute() {
    if (aboutBox_) aboutBox_->ShowModal();
}

void TMainForm::mnuEditClick() {
    Tfrm_BMEdit* editor = Tfrm_BMEdit::Create(BookmarkPath(), Handle());
    editor->Show();
    editor->SetURLText(AddressText());
    const ChildState* active = model_.ActiveState();
    editor->SetNameText(active ? active->caption : std::wstring());
}

void TMainForm::History1Execute() {
    Tfrm_History::Show(*history_, Handle(), [this](const std::wstring& address) { OpenPage(std::wstring(), address); });
}

void TMainForm::SiteRules1Execute() { Tfrm_SiteRules::Create(siteRules_->Path(), Handle()); }

Tfrm_Option* TMainForm::CreateOptionDialog() { return Tfrm_Option::Create(OptionDialogFrame(*this)); }

std::unique_ptr<Tfrm_Option> TMainForm::CreateHiddenOptionDialog() {
    return Tfrm_Option::CreateHidden(OptionDialogFrame(*this));
}

void TMainForm::MinimizeAllChildren() {
    const std::vector<BrowserChild*> children = Children();
    for (auto it = children.rbegin(); it != children.rend(); ++it) ShowWindow((*it)->Handle(), SW_MINIMIZE);
}

bool TMainForm::IsCommandEnabled(const Command& command) const {
    if (command.enabled && !command.enabled(model_)) return false;
    if (command.execute) return true;
    BrowserChild* child = ActiveChild();
    return child && child->CanExecute(command.id);
}

bool TMainForm::RunCommand(UINT id) {
    const Command* command = FindCommand(id);
    if (!command) return false;
    if (!IsCommandEnabled(*command)) return true;
    if (command->execute)
        command->execute(*this);
    else if (BrowserChild* child = ActiveChild())
        child->Execute(id);
    return true;
}

bool TMainForm::PreTranslateMessage(MSG& msg) {
    if (!Handle() || (msg.hwnd != Handle() && !IsChild(Handle(), msg.hwnd))) return false;
    if (msg.message == WM_MOUSEWHEEL && (GET_KEYSTATE_WPARAM(msg.wParam) & MK_CONTROL)) {
        // Ctrl with the wheel zooms the page in steps, as the keys do.
        BrowserChild* child = ActiveChild();
        if (!child || !child->Contains(msg.hwnd)) return false;
        RunCommand(GET_WHEEL_DELTA_WPARAM(msg.wParam) > 0 ? IDM_VIEW_ZOOM_IN : IDM_VIEW_ZOOM_OUT);
        return true;
    }
    if (msg.message < WM_KEYFIRST || msg.message > WM_KEYLAST) return false;
    // The page gets its keys first (Tab, Backspace, its own shortcuts).
    if (BrowserChild* child = ActiveChild(); child && child->Contains(msg.hwnd) && child->TranslateAccelerator(msg))
        return true;
    if (TranslateMDISysAccel(mdiClient_, &msg)) return true;
    return TranslateAcceleratorW(Handle(), accelerators_.get(), &msg) != 0;
}

LRESULT TMainForm::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_CREATE:
        CreateControls();
        return 0;
    case WM_SIZE:
        // Not passed on: the default would stretch the MDI area over the bars.
        LayoutBars();
        if (bars_) bars_->FormResize();
        return 0;
    case WM_COMMAND:
        // Menus, accelerators, tool buttons and btnMove; other controls'
        // notifications and the window list go to the default handling.
        if (completion_ && completion_->OnListCommand(reinterpret_cast<HWND>(lp), HIWORD(wp))) return 0;
        if ((lp == 0 || HIWORD(wp) == BN_CLICKED) && RunCommand(LOWORD(wp))) return 0;
        return DefaultProc(msg, wp, lp);
    case WM_NOTIFY:
        if (bars_ && reinterpret_cast<const NMHDR*>(lp)->hwndFrom == bars_->CoolBar() &&
            reinterpret_cast<const NMHDR*>(lp)->code == RBN_HEIGHTCHANGE)
            LayoutBars();
        return DefaultProc(msg, wp, lp);
    case WM_MENUCOMMAND:
        OnMenuCommand(reinterpret_cast<HMENU>(lp), static_cast<int>(wp));
        return 0;
    case WM_INITMENUPOPUP:
        // A folder's items are made when it first opens; a refusal leaves
        // the items made so far and is reported.
        try {
            bookmarks_.OnInitMenuPopup(reinterpret_cast<HMENU>(wp));
        } catch (...) {
            ReportCurrentException();
        }
        UpdateMenuStates(reinterpret_cast<HMENU>(wp), *this);
        return DefaultProc(msg, wp, lp);
    case WM_MEASUREITEM:
        if (wp == 0 && vesko::BookmarkMenu::MeasurePicture(*reinterpret_cast<MEASUREITEMSTRUCT*>(lp))) return TRUE;
        return DefaultProc(msg, wp, lp);
    case WM_DRAWITEM:
        if (wp == 0 && bars_ && bookmarks_.DrawPicture(*reinterpret_cast<const DRAWITEMSTRUCT*>(lp), bars_->Glyphs()))
            return TRUE;
        return DefaultProc(msg, wp, lp);
    case WM_OPEN_REQUESTED_WINDOW:
        OpenRequestedWindow();
        return 0;
    case WM_WRITE_SESSION:
        WriteSession();
        return 0;
    case WM_CLOSE:
        FormClose();
        DestroyWindow(Handle());
        return 0;
    case WM_DESTROY:
        session_.reset();  // the windows closing with the frame stay in the session
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
