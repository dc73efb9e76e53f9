#include "shell/Commands.h"

#include <string>
#include <vector>

#include "browser/FrameModel.h"
#include "common/Error.h"
#include "res/resource.h"
#include "sites/SiteUrl.h"
#include "shell/MainForm.h"

namespace vesko {
namespace {

bool AnyChild(const FrameModel& m) { return !m.Children().empty(); }
bool HasActiveChild(const FrameModel& m) { return m.Active() != kNoChild; }
bool IESelected(const FrameModel& m) { return m.SelectedEngine() == EngineKind::IE; }
bool GeckoSelected(const FrameModel& m) { return m.SelectedEngine() == EngineKind::Gecko; }
bool GeckoSelectable(const FrameModel& m) { return m.GeckoSelectable(); }
bool OtherEngine(const FrameModel& m) { return m.CanOpenInOtherEngine(); }
// A rule needs a site: an http or https page.
bool OtherEngineForSite(const FrameModel& m) {
    if (!m.CanOpenInOtherEngine()) return false;
    const std::wstring& address = m.ActiveState()->address;
    return ParsePageAddress(std::u16string(address.begin(), address.end())).has_value();
}

void MdiMessage(TMainForm& f, UINT msg, WPARAM wp) { SendMessageW(f.MdiClient(), msg, wp, 0); }

// Cut, copy and paste act on the edit box that has the focus, and only
// while it has a selection or the clipboard holds text.
void EditFocused(UINT message) {
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

constexpr Shortcut Ctrl(WORD key, const wchar_t* text) { return Shortcut{FCONTROL, key, text}; }

// Page commands have no `execute`: the active child carries them out.
const std::vector<Command> kCommands = {
    {IDM_FILE_NEW, L"新規作成(&N)", Ctrl('N', L"Ctrl+N"), L"新規|新規ファイルの作成", nullptr, nullptr,
     [](TMainForm& f) { f.FileNew1Execute(); }},
    {IDM_FILE_OPEN, L"開く(&O)...", Ctrl('O', L"Ctrl+O"), L"開く|ファイルを開く", nullptr, nullptr,
     [](TMainForm& f) { f.FileOpen1Execute(); }},
    {IDM_FILE_CLOSE, L"閉じる(&C)", {}, L"閉じる|現在のファイルを閉じる", HasActiveChild, nullptr, nullptr},
    {IDM_FILE_SAVE, L"上書き保存(&S)", Ctrl('S', L"Ctrl+S"), L"保存|現在のファイルを保存", HasActiveChild, nullptr,
     nullptr},
    {IDM_FILE_SAVEAS, L"名前をつけて保存(&A)...", {}, L"別名保存|ファイルに別の名前をつけて保存", HasActiveChild,
     nullptr, nullptr},
    {IDM_FILE_PRINT, L"印刷(&P)...", Ctrl('P', L"Ctrl+P"), L"", HasActiveChild, nullptr, nullptr},
    {IDM_FILE_PRINT_PREVIEW, L"印刷プレビュー(&V)...", {}, L"", HasActiveChild, nullptr, nullptr},
    {IDM_FILE_PAGE_SETUP, L"ページ設定(&U)...", {}, L"", HasActiveChild, nullptr, nullptr},
    {IDM_VIEW_FIND, L"ページ内検索(&F)...", Ctrl('F', L"Ctrl+F"), L"", HasActiveChild, nullptr, nullptr},
    {IDM_VIEW_ZOOM_IN, L"拡大(&I)", Ctrl(VK_OEM_PLUS, L"Ctrl++"), L"", HasActiveChild, nullptr, nullptr},
    {IDM_VIEW_ZOOM_OUT, L"縮小(&O)", Ctrl(VK_OEM_MINUS, L"Ctrl+-"), L"", HasActiveChild, nullptr, nullptr},
    {IDM_VIEW_ZOOM_RESET, L"標準のサイズ(&R)", Ctrl('0', L"Ctrl+0"), L"", HasActiveChild, nullptr, nullptr},
    {IDM_FILE_EXIT, L"終了(&X)", {}, L"終了|アプリケーションの終了", nullptr, nullptr,
     [](TMainForm& f) { f.FileExit1Execute(); }},
    {IDM_BOOKMARK_EDIT, L"ブックマークを編集", {}, L"", nullptr, nullptr, [](TMainForm& f) { f.mnuEditClick(); }},
    {IDM_BOOKMARK_ADD, L"このページを追加(&D)...", Ctrl('D', L"Ctrl+D"), L"", HasActiveChild, nullptr,
     [](TMainForm& f) { f.AddBookmark1Execute(); }},
    {IDM_BOOKMARK_IMPORT, L"インポート(&I)...", {}, L"", nullptr, nullptr, [](TMainForm& f) { f.Import1Execute(); }},
    {IDM_BOOKMARK_IMPORT_FAVORITES, L"お気に入りのインポート(&F)...", {}, L"", nullptr, nullptr,
     [](TMainForm& f) { f.ImportFavorites1Execute(); }},
    {IDM_BOOKMARK_EXPORT, L"エクスポート(&E)...", {}, L"", nullptr, nullptr, [](TMainForm& f) { f.Export1Execute(); }},
    {IDM_ENGINE_IE, L"Internet Explorer", {}, L"", nullptr, IESelected, [](TMainForm& f) { f.IE_ItemClick(); }},
    {IDM_ENGINE_MOZ, L"Gekko", {}, L"", GeckoSelectable, GeckoSelected, [](TMainForm& f) { f.Moz_ItemClick(); }},
    {IDM_OPTION, L"オプション", {0, VK_F12, L"F12"}, L"", nullptr, nullptr, [](TMainForm& f) { f.mnuOptionClick(); }},
    {IDM_OTHER_ENGINE, L"別のエンジンで開く(&E)", Ctrl('E', L"Ctrl+E"),
     L"表示中のページを別のエンジンの新しいウィンドウで開きます", OtherEngine, nullptr,
     [](TMainForm& f) { f.OtherEngine1Execute(); }},
    {IDM_SITE_RULES, L"サイト別エンジン(&R)...", {}, L"", nullptr, nullptr,
     [](TMainForm& f) { f.SiteRules1Execute(); }},
    {IDM_SITE_ALWAYS, L"このサイトを常に別のエンジンで開く(&L)", {}, L"", OtherEngineForSite, nullptr,
     [](TMainForm& f) { f.AlwaysOtherEngine1Execute(); }},
    {IDM_HISTORY, L"履歴(&H)", Ctrl('H', L"Ctrl+H"), L"", nullptr, nullptr, [](TMainForm& f) { f.History1Execute(); }},
    {IDM_WINDOW_CASCADE, L"重ねて表示(&C)", {}, L"並べて表示", AnyChild, nullptr,
     [](TMainForm& f) { MdiMessage(f, WM_MDICASCADE, 0); }},
    {IDM_WINDOW_TILE_HORZ, L"水平に並べて表示(&H)", {}, L"水平に並べて表示", AnyChild, nullptr,
     [](TMainForm& f) { MdiMessage(f, WM_MDITILE, MDITILE_HORIZONTAL); }},
    {IDM_WINDOW_TILE_VERT, L"垂直に並べて表示(&V)", {}, L"垂直に並べて表示", AnyChild, nullptr,
     [](TMainForm& f) { MdiMessage(f, WM_MDITILE, MDITILE_VERTICAL); }},
    {IDM_WINDOW_MINIMIZE_ALL, L"すべてを最小化(&M)", {}, L"すべてを最小化", AnyChild, nullptr,
     [](TMainForm& f) { f.MinimizeAllChildren(); }},
    {IDM_WINDOW_ARRANGE, L"アイコンの整列(&A)", {}, L"アイコンの整列", AnyChild, nullptr,
     [](TMainForm& f) { MdiMessage(f, WM_MDIICONARRANGE, 0); }},
    {IDM_WINDOW_TAB_BAR, L"タブバー(&T)", {}, L"", nullptr, [](const FrameModel& m) { return m.TabBar(); },
     [](TMainForm& f) { f.TabBar1Execute(); }},
    {IDM_WINDOW_RESTORE_SESSION, L"終了時のウィンドウを次回も開く(&S)", {}, L"", nullptr,
     [](const FrameModel& m) { return m.RestoreSession(); }, [](TMainForm& f) { f.RestoreSession1Execute(); }},
    {IDM_WINDOW_REOPEN_CLOSED, L"閉じたウィンドウを開く(&R)", {FCONTROL | FSHIFT, 'T', L"Ctrl+Shift+T"}, L"",
     [](const FrameModel& m) { return m.ClosedWindows() > 0; }, nullptr, [](TMainForm& f) { f.ReopenClosed1Execute(); }},
    {IDM_HELP_ABOUT, L"バージョン情報(&A)...", {}, L"バージョン情報|バージョンなど固有情報を表示", nullptr, nullptr,
     [](TMainForm& f) { f.HelpAbout1Execute(); }},
    // Shortcuts only, for the edit box that has the focus.
    {IDM_EDIT_CUT, nullptr, Ctrl('X', nullptr), L"", nullptr, nullptr, [](TMainForm&) { EditFocused(WM_CUT); }},
    {IDM_EDIT_COPY, nullptr, Ctrl('C', nullptr), L"", nullptr, nullptr,
     [](TMainForm&) { EditFocused(WM_COPY); }},
    {IDM_EDIT_PASTE, nullptr, Ctrl('V', nullptr), L"", nullptr, nullptr,
     [](TMainForm&) { EditFocused(WM_PASTE); }},
    // The tool bar's buttons and the address bar's.
    {IDM_NAV_BACK, nullptr, {}, L"", HasActiveChild, nullptr, nullptr},
    {IDM_NAV_FORWARD, nullptr, {}, L"", HasActiveChild, nullptr, nullptr},
    {IDM_NAV_STOP, nullptr, {}, L"", HasActiveChild, nullptr, nullptr},
    {IDM_NAV_RELOAD, nullptr, {}, L"", HasActiveChild, nullptr, nullptr},
    {IDC_BTNMOVE, nullptr, {}, L"", nullptr, nullptr, [](TMainForm& f) { f.btnMoveClick(); }},
};

struct MenuNode {
    enum Kind { Item, Separator, Popup } kind;
    UINT id;                 // Item: the command
    const wchar_t* caption;  // Popup only
    const wchar_t* hint;     // Popup only; shown nowhere
    std::vector<MenuNode> children;
};

// Further keys of commands. "+" is on the key of ";" on a Japanese
// keyboard and on that of "=" on a US one, the same virtual key
// (VK_OEM_PLUS), which counts with Shift or without; the numeric pad has
// "+", "-" and "0" of its own.
struct AlternateKey {
    UINT id;
    BYTE modifiers;
    WORD key;
};
const AlternateKey kAlternateKeys[] = {
    {IDM_VIEW_ZOOM_IN, FCONTROL | FSHIFT, VK_OEM_PLUS},
    {IDM_VIEW_ZOOM_IN, FCONTROL, VK_ADD},
    {IDM_VIEW_ZOOM_OUT, FCONTROL, VK_SUBTRACT},
    {IDM_VIEW_ZOOM_RESET, FCONTROL, VK_NUMPAD0},
};

MenuNode Item(UINT id) { return {MenuNode::Item, id, nullptr, nullptr, {}}; }
MenuNode Separator() { return {MenuNode::Separator, 0, nullptr, nullptr, {}}; }
MenuNode Popup(const wchar_t* caption, const wchar_t* hint, std::vector<MenuNode> items) {
    return {MenuNode::Popup, 0, caption, hint, std::move(items)};
}

// A menu bar or a popup, as a tree of commands.
const std::vector<MenuNode>& MenuBarLayout() {
    static const std::vector<MenuNode> layout = {
        Popup(L"ファイル(&F)", L"ファイル関連の機能",
              {Item(IDM_FILE_NEW), Item(IDM_FILE_OPEN), Item(IDM_FILE_CLOSE), Item(IDM_FILE_SAVE),
               Item(IDM_FILE_SAVEAS), Separator(), Item(IDM_FILE_PRINT), Item(IDM_FILE_PRINT_PREVIEW),
               Item(IDM_FILE_PAGE_SETUP), Separator(), Item(IDM_FILE_EXIT)}),
        Popup(L"表示(&V)", L"表示関連の機能",
              {Item(IDM_VIEW_FIND), Separator(), Item(IDM_VIEW_ZOOM_IN), Item(IDM_VIEW_ZOOM_OUT),
               Item(IDM_VIEW_ZOOM_RESET)}),
        // The bookmarks follow the separator.
        Popup(L"ブックマーク(&A)", L"",
              {Item(IDM_BOOKMARK_EDIT), Item(IDM_BOOKMARK_ADD), Item(IDM_BOOKMARK_IMPORT),
               Item(IDM_BOOKMARK_IMPORT_FAVORITES), Item(IDM_BOOKMARK_EXPORT), Separator()}),
        Popup(L"ツール(&T)", L"ツール関連の機能",
              {Popup(L"エンジン", L"ブラウザエンジンの切り替え", {Item(IDM_ENGINE_IE), Item(IDM_ENGINE_MOZ)}),
               Item(IDM_OPTION), Separator(), Item(IDM_OTHER_ENGINE), Item(IDM_SITE_RULES),
               Item(IDM_SITE_ALWAYS), Separator(), Item(IDM_HISTORY)}),
        // The window system lists the windows after these.
        Popup(L"ウィンドウ(&W)", L"ウィンドウ操作の機能",
              {Item(IDM_WINDOW_CASCADE), Item(IDM_WINDOW_TILE_HORZ), Item(IDM_WINDOW_TILE_VERT),
               Item(IDM_WINDOW_MINIMIZE_ALL), Item(IDM_WINDOW_ARRANGE), Separator(), Item(IDM_WINDOW_TAB_BAR),
               Item(IDM_WINDOW_REOPEN_CLOSED), Item(IDM_WINDOW_RESTORE_SESSION)}),
        Popup(L"ヘルプ(&H)", L"ヘルプトピック", {Item(IDM_HELP_ABOUT)}),
    };
    return layout;
}

void AppendTo(HMENU menu, const MenuNode& node) {
    BOOL done = FALSE;
    if (node.kind == MenuNode::Separator) {
        done = AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    } else if (node.kind == MenuNode::Popup) {
        UniqueMenu popup(CreatePopupMenu());
        if (!popup) throw AppError(SystemMessage(GetLastError()));
        for (const MenuNode& child : node.children) AppendTo(popup.get(), child);
        done = AppendMenuW(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(popup.get()), node.caption);
        if (done) popup.release();  // now the parent's
    } else {
        const Command* command = FindCommand(node.id);
        std::wstring caption = command->caption;
        if (command->shortcut.text) caption += std::wstring(L"\t") + command->shortcut.text;
        done = AppendMenuW(menu, MF_STRING, node.id, caption.c_str());
    }
    if (!done) throw AppError(SystemMessage(GetLastError()));
}

}  // namespace

const Command* FindCommand(UINT id) {
    for (const Command& command : kCommands)
        if (command.id == id) return &command;
    return nullptr;
}

UniqueMenu BuildMenuBar() {
    UniqueMenu bar(CreateMenu());
    if (!bar) throw AppError(SystemMessage(GetLastError()));
    for (const MenuNode& node : MenuBarLayout()) AppendTo(bar.get(), node);
    // Items report their position rather than a 16-bit id: there may be
    // more bookmarks than ids.
    MENUINFO info{};
    info.cbSize = sizeof info;
    info.fMask = MIM_STYLE | MIM_APPLYTOSUBMENUS;
    info.dwStyle = MNS_NOTIFYBYPOS;
    SetMenuInfo(bar.get(), &info);
    return bar;
}

UniqueAccelerators BuildAccelerators() {
    std::vector<ACCEL> keys;
    for (const Command& command : kCommands)
        if (command.shortcut.key)
            keys.push_back(ACCEL{static_cast<BYTE>(FVIRTKEY | command.shortcut.modifiers), command.shortcut.key,
                                 static_cast<WORD>(command.id)});
    for (const AlternateKey& alternate : kAlternateKeys)
        keys.push_back(ACCEL{static_cast<BYTE>(FVIRTKEY | alternate.modifiers), alternate.key,
                             static_cast<WORD>(alternate.id)});
    UniqueAccelerators table(CreateAcceleratorTableW(keys.data(), static_cast<int>(keys.size())));
    if (!table) throw AppError(SystemMessage(GetLastError()));
    return table;
}

void UpdateMenuStates(HMENU menu, const TMainForm& frame) {
    for (int i = 0, n = GetMenuItemCount(menu); i < n; ++i) {
        const Command* command = FindCommand(GetMenuItemID(menu, i));
        if (!command) continue;
        const UINT id = command->id;
        EnableMenuItem(menu, id, MF_BYCOMMAND | (frame.IsCommandEnabled(*command) ? MF_ENABLED : MF_GRAYED));
        if (command->checked)
            CheckMenuItem(menu, id, MF_BYCOMMAND | (command->checked(frame.Model()) ? MF_CHECKED : MF_UNCHECKED));
    }
}

}  // namespace vesko
