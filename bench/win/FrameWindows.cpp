// The start-up baseline for the frame: a program that makes exactly the
// windows the frame is made of, of the same classes and styles, and
// nothing else (no settings, no files, no engines): the frame with its
// menu bar, the rebar with the navigation tool bar and the address bar
// (label, edit box, button), the bottom bar with the status line and the
// progress bar, the MDI client, and the hidden tab strip with its tip
// window. It shows the frame and waits in its message loop, as
// bench_window does. No product code is linked, so that it stays a
// baseline; the tool bar's glyphs are blank ones of the same size.
#include <windows.h>
#include <commctrl.h>

#include <vector>

namespace {

constexpr int kBandHeight = 24;
constexpr int kCoolBarHeight = 57;
constexpr int kBottomBarHeight = 19;
constexpr int kGlyphSize = 16;
constexpr UINT kWindowMenuFirstChild = 50000;
constexpr int kWindowMenu = 4;  // where MDI lists the windows

struct Frame {
    HWND coolBar = nullptr, bottomBar = nullptr, mdiClient = nullptr, tabs = nullptr;
};
Frame g_frame;

// The menu bar's shape: six menus with the frame's captions and as many
// items (the Bookmarks menu's entries are made when it first opens).
HMENU BuildMenuBar() {
    struct Menu {
        const wchar_t* caption;
        std::vector<const wchar_t*> items;  // nullptr: a separator
    };
    constexpr int kTools = 3;  // its engine submenu leads it
    const Menu menus[] = {
        {L"ファイル(&F)",
         {L"新規作成(&N)\tCtrl+N", L"開く(&O)...\tCtrl+O", L"閉じる(&C)", L"上書き保存(&S)\tCtrl+S",
          L"名前をつけて保存(&A)...", nullptr, L"印刷(&P)...\tCtrl+P", L"印刷プレビュー(&V)...",
          L"ページ設定(&U)...", nullptr, L"終了(&X)"}},
        {L"表示(&V)", {L"ページ内検索(&F)...\tCtrl+F", nullptr, L"拡大(&I)\tCtrl++", L"縮小(&O)\tCtrl+-",
                       L"標準のサイズ(&R)\tCtrl+0"}},
        {L"ブックマーク(&A)", {L"ブックマークを編集", L"このページを追加(&D)...\tCtrl+D", L"インポート(&I)...",
                               L"お気に入りのインポート(&F)...", L"エクスポート(&E)...", nullptr}},
        {L"ツール(&T)", {L"オプション\tF12", nullptr, L"別のエンジンで開く(&E)\tCtrl+E", L"サイト別エンジン(&R)...",
                         L"このサイトを常に別のエンジンで開く(&L)", nullptr, L"履歴(&H)\tCtrl+H"}},
        {L"ウィンドウ(&W)", {L"重ねて表示(&C)", L"水平に並べて表示(&H)", L"垂直に並べて表示(&V)",
                             L"すべてを最小化(&M)", L"アイコンの整列(&A)", nullptr, L"タブバー(&T)",
                             L"閉じたウィンドウを開く(&R)\tCtrl+Shift+T", L"終了時のウィンドウを次回も開く(&S)"}},
        {L"ヘルプ(&H)", {L"バージョン情報(&A)..."}},
    };
    HMENU bar = CreateMenu();
    UINT id = 1000;
    for (int i = 0; i < 6; ++i) {
        const Menu& menu = menus[i];
        HMENU popup = CreatePopupMenu();
        if (i == kTools) {
            HMENU engines = CreatePopupMenu();
            AppendMenuW(engines, MF_STRING, id++, L"Internet Explorer");
            AppendMenuW(engines, MF_STRING, id++, L"Gekko");
            AppendMenuW(popup, MF_POPUP, reinterpret_cast<UINT_PTR>(engines), L"エンジン");
        }
        for (const wchar_t* item : menu.items)
            AppendMenuW(popup, item ? MF_STRING : MF_SEPARATOR, item ? id++ : 0, item);
        AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(popup), menu.caption);
    }
    MENUINFO info{};
    info.cbSize = sizeof info;
    info.fMask = MIM_STYLE | MIM_APPLYTOSUBMENUS;
    info.dwStyle = MNS_NOTIFYBYPOS;
    SetMenuInfo(bar, &info);
    return bar;
}

HFONT Font(int pixelHeight) {
    return CreateFontW(-pixelHeight, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET, OUT_DEFAULT_PRECIS,
                       CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, L"ＭＳ Ｐゴシック");
}

HWND Control(HWND parent, const wchar_t* cls, const wchar_t* text, DWORD style, DWORD exStyle, int id, int x, int y,
             int w, int h, HFONT font) {
    HWND control = CreateWindowExW(exStyle, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, w, h, parent,
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
    if (control && font) SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    return control;
}

// `count` blank 32-bit glyphs with their mask, as the frame's lists hold.
HIMAGELIST BlankGlyphs(int count) {
    HIMAGELIST list = ImageList_Create(kGlyphSize, kGlyphSize, ILC_COLOR32 | ILC_MASK, count, 0);
    BITMAPINFO bi{};
    bi.bmiHeader = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), kGlyphSize * count, -kGlyphSize, 1, 32, BI_RGB, 0, 0, 0,
                                    0, 0};
    void* bits = nullptr;
    HBITMAP colour = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HBITMAP mask = CreateBitmap(kGlyphSize * count, kGlyphSize, 1, 1, nullptr);
    ImageList_Add(list, colour, mask);
    DeleteObject(colour);
    DeleteObject(mask);
    return list;
}

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
    SendMessageW(coolBar, RB_INSERTBANDW, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&band));
}

LRESULT CALLBACK BarProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_COMMAND || msg == WM_NOTIFY) return SendMessageW(GetAncestor(hwnd, GA_ROOT), msg, wp, lp);
    return DefWindowProcW(hwnd, msg, wp, lp);
}

HWND Bar(HWND parent, int x, int y, int w, int h) {
    return CreateWindowExW(0, L"BenchControlBar", L"", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS, x,
                           y, w, h, parent, nullptr, GetModuleHandleW(nullptr), nullptr);
}

void CreateCoolBar(HWND frame, HFONT font, HFONT labelFont, int width) {
    const DWORD rebarStyle = WS_CLIPCHILDREN | WS_CLIPSIBLINGS | RBS_VARHEIGHT | RBS_BANDBORDERS | CCS_NODIVIDER |
                             CCS_NORESIZE | CCS_NOPARENTALIGN;
    g_frame.coolBar = Control(frame, REBARCLASSNAMEW, L"", rebarStyle, 0, 3008, 0, 0, width, kCoolBarHeight, nullptr);
    const DWORD flat = TBSTYLE_FLAT | CCS_NORESIZE | CCS_NOPARENTALIGN | CCS_NODIVIDER;
    HWND toolBar = Control(g_frame.coolBar, TOOLBARCLASSNAMEW, nullptr, flat, 0, 3004, 0, 0, width, kBandHeight, font);
    SendMessageW(toolBar, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    SendMessageW(toolBar, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(BlankGlyphs(13)));
    SendMessageW(toolBar, TB_SETDISABLEDIMAGELIST, 0, reinterpret_cast<LPARAM>(BlankGlyphs(13)));
    TBBUTTON buttons[] = {
        {0, 1000, TBSTATE_ENABLED, BTNS_BUTTON, {}, 0, 0}, {8, 0, 0, BTNS_SEP, {}, 0, 0},
        {1, 1101, 0, BTNS_BUTTON, {}, 0, 0},               {2, 1102, 0, BTNS_BUTTON, {}, 0, 0},
        {3, 1103, 0, BTNS_BUTTON, {}, 0, 0},               {4, 1104, 0, BTNS_BUTTON, {}, 0, 0},
    };
    SendMessageW(toolBar, TB_ADDBUTTONSW, 6, reinterpret_cast<LPARAM>(buttons));
    RECT last{};
    SendMessageW(toolBar, TB_GETITEMRECT, 5, reinterpret_cast<LPARAM>(&last));
    AddBand(g_frame.coolBar, toolBar, 3004, last.right, width, false);

    HWND addressBar = Bar(g_frame.coolBar, 0, 0, width, kBandHeight);
    Control(addressBar, L"STATIC", L"アドレス", SS_CENTERIMAGE, 0, 3003, 0, 2, 44, 20, labelFont);
    HWND edit = Control(addressBar, L"EDIT", L"", WS_TABSTOP | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE, 3001, 44, 2, 105, 20,
                        font);
    Control(addressBar, L"BUTTON", L"移動", WS_TABSTOP | BS_PUSHBUTTON, 0, 3002, 149, 2, 41, 20, font);
    SendMessageW(edit, EM_SETLIMITTEXT, 0, 0);
    AddBand(g_frame.coolBar, addressBar, 3009, 44 + 41 + 40, width, true);
}

void CreateBottomBar(HWND frame, HFONT font, const RECT& client) {
    g_frame.bottomBar = Bar(frame, 0, client.bottom - kBottomBarHeight, client.right, kBottomBarHeight);
    HWND status = Control(g_frame.bottomBar, STATUSCLASSNAMEW, L"", CCS_NOPARENTALIGN | CCS_NORESIZE | CCS_NODIVIDER,
                          0, 3005, 0, 1, 370, 17, font);
    HWND progress = Control(g_frame.bottomBar, PROGRESS_CLASSW, L"", PBS_SMOOTH, 0, 3006, 370, 1, 127, 17, nullptr);
    int parts[] = {-1};
    SendMessageW(status, SB_SETPARTS, 1, reinterpret_cast<LPARAM>(parts));
    SendMessageW(progress, PBM_SETRANGE32, 0, 100);
    SendMessageW(progress, PBM_SETPOS, 0, 0);
}

void CreateTabStrip(HWND frame, HFONT font) {
    g_frame.tabs = CreateWindowExW(0, WC_TABCONTROLW, nullptr, WS_CHILD | WS_CLIPSIBLINGS | TCS_FOCUSNEVER, 0, 0, 0, 0,
                                   frame, nullptr, GetModuleHandleW(nullptr), nullptr);
    SendMessageW(g_frame.tabs, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    TabCtrl_SetImageList(g_frame.tabs, BlankGlyphs(2));
    HWND tip = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP, 0, 0,
                               0, 0, frame, nullptr, GetModuleHandleW(nullptr), nullptr);
    SendMessageW(tip, TTM_SETMAXTIPWIDTH, 0, 480);
}

void CreateControls(HWND frame, HMENU windowMenu) {
    HFONT font = Font(12), labelFont = Font(13);
    RECT client;
    GetClientRect(frame, &client);
    CreateCoolBar(frame, font, labelFont, client.right);
    CreateBottomBar(frame, font, client);
    CLIENTCREATESTRUCT ccs{windowMenu, kWindowMenuFirstChild};
    const int top = static_cast<int>(SendMessageW(g_frame.coolBar, RB_GETBARHEIGHT, 0, 0));
    g_frame.mdiClient = CreateWindowExW(
        WS_EX_CLIENTEDGE, L"MDICLIENT", nullptr,
        WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS | WS_VSCROLL | WS_HSCROLL, 0, top, client.right,
        client.bottom - top - kBottomBarHeight, frame, nullptr, GetModuleHandleW(nullptr), &ccs);
    ShowScrollBar(g_frame.mdiClient, SB_BOTH, FALSE);
    CreateTabStrip(frame, font);
}

// The frame's layout: the rebar on top, the bottom bar, the MDI area
// between them.
void Layout(HWND frame) {
    RECT client;
    GetClientRect(frame, &client);
    const int top = static_cast<int>(SendMessageW(g_frame.coolBar, RB_GETBARHEIGHT, 0, 0));
    const int bottom = client.bottom - kBottomBarHeight > top ? client.bottom - kBottomBarHeight : top;
    SetWindowPos(g_frame.coolBar, nullptr, 0, 0, client.right, top, SWP_NOZORDER | SWP_NOACTIVATE);
    SetWindowPos(g_frame.bottomBar, nullptr, 0, bottom, client.right, kBottomBarHeight, SWP_NOZORDER | SWP_NOACTIVATE);
    SetWindowPos(g_frame.mdiClient, nullptr, 0, top, client.right, bottom - top, SWP_NOZORDER | SWP_NOACTIVATE);
}

LRESULT CALLBACK FrameProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_CREATE:
        CreateControls(hwnd, GetSubMenu(GetMenu(hwnd), kWindowMenu));
        return 0;
    case WM_SIZE:
        if (g_frame.mdiClient) Layout(hwnd);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefFrameProcW(hwnd, g_frame.mdiClient, msg, wp, lp);
    }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_BAR_CLASSES | ICC_COOL_CLASSES | ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&icc);
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpfnWndProc = FrameProc;
    wc.lpszClassName = L"BenchFrameWindows";
    if (!RegisterClassExW(&wc)) return 1;
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = BarProc;
    wc.lpszClassName = L"BenchControlBar";
    if (!RegisterClassExW(&wc)) return 1;

    HMENU menu = BuildMenuBar();
    HWND frame = CreateWindowExW(0, L"BenchFrameWindows", L"Vesko", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN,
                                 CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr, menu, instance,
                                 nullptr);
    if (!frame || !g_frame.mdiClient) return 1;
    ShowWindow(frame, SW_SHOW);
    UpdateWindow(frame);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (TranslateMDISysAccel(g_frame.mdiClient, &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return 0;
}
