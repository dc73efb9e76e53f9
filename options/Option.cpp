#include "options/Option.h"

#include <commctrl.h>

#include <cstdlib>
#include <memory>
#include <utility>

#include "common/Error.h"
#include "common/Handles.h"
#include "common/ModelessDialogs.h"
#include "common/Text.h"
#include "res/resource.h"

namespace vesko {
namespace {

constexpr wchar_t kClassName[] = L"Tfrm_Option";

constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_CLIPCHILDREN;
constexpr DWORD kExStyle = WS_EX_TOOLWINDOW;
constexpr RECT kPlace{250, 174, 250 + 305, 174 + 117};  // outer rectangle, where designed

constexpr int kGlyphWidth = 16;
constexpr int kGlyphHeight = 15;

// In Tab order; neither push button is a default or cancel button.
const ControlSpec kControls[] = {
    {L"BUTTON", L"OK", WS_TABSTOP | BS_PUSHBUTTON, 0, IDC_OPTION_BUTTON1, 128, 56, 73, 25},
    {L"EDIT", L"", WS_TABSTOP | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE, IDC_OPTION_TXTMOZPATH, 16, 32, 249, 20},
    {L"BUTTON", L"", WS_TABSTOP | BS_PUSHBUTTON | BS_BITMAP, 0, IDC_OPTION_BITBTN1, 264, 32, 20, 20},
    {L"BUTTON", L"Cancel", WS_TABSTOP | BS_PUSHBUTTON, 0, IDC_OPTION_BUTTON2, 216, 56, 75, 25},
    {L"BUTTON", L"Geckoを使用する", WS_TABSTOP | BS_AUTOCHECKBOX, 0, IDC_OPTION_CHKMOZ, 8, 8, 129, 17},
};

int Luminance(COLORREF c) { return (GetRValue(c) * 299 + GetGValue(c) * 587 + GetBValue(c) * 114) / 1000; }

// Text that stays readable on `background`: the window text colour, or the
// window colour where the background is as dark as the text (the caption
// text colour is white on most systems, black on some).
COLORREF ReadableTextOn(COLORREF background) {
    const COLORREF text = GetSysColor(COLOR_WINDOWTEXT);
    const COLORREF window = GetSysColor(COLOR_WINDOW);
    const int b = Luminance(background);
    return std::abs(Luminance(text) - b) >= std::abs(Luminance(window) - b) ? text : window;
}

// The browse glyph on the button face; magenta marks the transparent parts.
UniqueBitmap CreateBrowseGlyph() {
    const UniqueImageList list(ImageList_LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDB_BROWSE),
                                                    kGlyphWidth, 0, RGB(255, 0, 255), IMAGE_BITMAP,
                                                    LR_CREATEDIBSECTION));
    if (!list) return nullptr;
    const WindowDC screen(nullptr);
    UniqueBitmap glyph(CreateCompatibleBitmap(screen.Get(), kGlyphWidth, kGlyphHeight));
    const MemoryDC dc(screen.Get());
    if (glyph && dc.Get()) {
        const ScopedSelect select(dc.Get(), glyph.get());
        RECT all{0, 0, kGlyphWidth, kGlyphHeight};
        FillRect(dc.Get(), &all, GetSysColorBrush(COLOR_BTNFACE));
        ImageList_Draw(list.get(), 0, dc.Get(), 0, 0, ILD_TRANSPARENT);
    }
    return glyph;
}

std::wstring UnsavablePathMessage(const std::wstring& path) {
    return Format(L"フォルダ「%ls」の名前には、設定ファイルに保存できない文字が含まれています", path.c_str());
}

}  // namespace

Tfrm_Option::Tfrm_Option(Frame frame) : frame_(std::move(frame)), selectFolder_(this) {
    selectFolder_.SetCaption(L"Mozillaのあるフォルダを選択してください。");
}

Tfrm_Option* Tfrm_Option::Create(Frame frame) {
    RegisterClassOnce(kClassName, COLOR_BTNFACE);
    std::unique_ptr<Tfrm_Option> form(new Tfrm_Option(std::move(frame)));
    form->Window::Create(kExStyle, kClassName, L"オプション", kStyle, kPlace.left, kPlace.top,
                         kPlace.right - kPlace.left, kPlace.bottom - kPlace.top, form->frame_.window);
    Tfrm_Option* self = GiveToWindow(std::move(form));
    self->Show();
    return self;
}

std::unique_ptr<Tfrm_Option> Tfrm_Option::CreateHidden(Frame frame) {
    // A hidden top-level window costs an X window under Wine, and start-up
    // would pay for one that can never be seen.
    std::unique_ptr<Tfrm_Option> form(new Tfrm_Option(std::move(frame)));
    const Frame& f = form->frame_;
    if (f.setGeckoItemEnabled) f.setGeckoItemEnabled(f.readValues ? f.readValues().mozilla : false);
    return form;
}

void Tfrm_Option::CreateControls() {
    font_ = CreateFormFont();
    HWND* const handles[] = {&controls_.Button1, &controls_.txtMozPath, &controls_.BitBtn1, &controls_.Button2,
                             &controls_.chkMoz};
    for (size_t i = 0; i < sizeof kControls / sizeof kControls[0]; ++i)
        *handles[i] = CreateControl(Handle(), kControls[i], font_.get());
    glyph_ = CreateBrowseGlyph();
    SendMessageW(controls_.BitBtn1, BM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(glyph_.get()));
}

void Tfrm_Option::FormCreate() {
    const Values values = frame_.readValues ? frame_.readValues() : Values{};
    SetChecked(values.mozilla);
    // Applies the rule also when the box starts unticked and did not change.
    chkMozClick();
    SetWindowTextW(controls_.txtMozPath, values.mozPath.c_str());
}

void Tfrm_Option::Show() {
    ShowWindow(Handle(), SW_SHOW);
    SetForegroundWindow(Handle());
}

bool Tfrm_Option::IsChecked() const { return SendMessageW(controls_.chkMoz, BM_GETCHECK, 0, 0) == BST_CHECKED; }

void Tfrm_Option::SetChecked(bool checked) {
    if (IsChecked() == checked) return;
    SendMessageW(controls_.chkMoz, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
    chkMozClick();
}

void Tfrm_Option::chkMozClick() {
    const bool checked = IsChecked();
    chkMozTag_ = checked ? 1 : 0;
    txtMozPathColor_ = checked ? COLOR_CAPTIONTEXT : COLOR_INACTIVEBORDER;
    EnableWindow(controls_.txtMozPath, checked);
    InvalidateRect(controls_.txtMozPath, nullptr, TRUE);
    EnableWindow(controls_.BitBtn1, checked);
    // At once, and Cancel does not take it back.
    if (frame_.setGeckoItemEnabled) frame_.setGeckoItemEnabled(checked);
}

void Tfrm_Option::BitBtn1Click() {
    // The picker is modal to this dialog too. Should the dialog go while
    // the browser is open (its owner closing), this object still lives
    // until this handler has returned, with no window.
    struct ModalToThis {
        Tfrm_Option& form;
        BOOL wasEnabled;
        ~ModalToThis() {
            if (form.Handle()) EnableWindow(form.Handle(), wasEnabled);
        }
    } modal{*this, !EnableWindow(Handle(), FALSE)};
    const bool confirmed = selectFolder_.Execute();
    if (!Handle()) return;
    // The picker hands the foreground to the frame; come back on top of it.
    if (IsWindowVisible(Handle())) SetForegroundWindow(Handle());
    if (!confirmed) return;
    // The shell's ANSI path turns a character the code page lacks into "?",
    // which no folder name holds: the box would name another folder.
    const std::wstring& path = selectFolder_.FolderPath();
    if (path.find(L'?') != std::wstring::npos) throw AppError(UnsavablePathMessage(path));
    SetWindowTextW(controls_.txtMozPath, path.c_str());
}

void Tfrm_Option::Button1Click() {
    const std::wstring path = WindowText(controls_.txtMozPath);
    // config.ini is in the system's code page: a character it lacks would be
    // saved as "?" and the setting would name another folder.
    if (!FitsAnsi(path)) throw AppError(UnsavablePathMessage(path));
    // A failed write raises and leaves the dialog open.
    if (frame_.writeValues) frame_.writeValues(Values{chkMozTag_ != 0, path});
    Close();
}

void Tfrm_Option::Button2Click() { Close(); }

void Tfrm_Option::Close() { DestroyWindow(Handle()); }

void Tfrm_Option::OnCreate() {
    CreateControls();
    FormCreate();
}

LRESULT Tfrm_Option::FormMessage(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_COMMAND:
        // Enter and Escape arrive as IDOK and IDCANCEL without a control:
        // neither button is the default or cancel button, so they do nothing.
        if (HIWORD(wp) == BN_CLICKED && lp != 0) {
            switch (LOWORD(wp)) {
            case IDC_OPTION_CHKMOZ:
                chkMozClick();
                break;
            case IDC_OPTION_BITBTN1:
                BitBtn1Click();
                break;
            case IDC_OPTION_BUTTON1:
                Button1Click();
                break;
            case IDC_OPTION_BUTTON2:
                Button2Click();
                break;
            default:
                break;
            }
        }
        return 0;
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC:
        // A disabled edit box asks with WM_CTLCOLORSTATIC.
        if (reinterpret_cast<HWND>(lp) == controls_.txtMozPath) {
            const HDC dc = reinterpret_cast<HDC>(wp);
            SetBkColor(dc, GetSysColor(txtMozPathColor_));
            // The edit box greys its text itself while it is disabled.
            if (msg == WM_CTLCOLOREDIT) SetTextColor(dc, ReadableTextOn(GetSysColor(txtMozPathColor_)));
            return reinterpret_cast<LRESULT>(GetSysColorBrush(txtMozPathColor_));
        }
        return DefaultProc(msg, wp, lp);
    case WM_CLOSE:
        Close();
        return 0;
    default:
        return DefaultProc(msg, wp, lp);
    }
}

}  // namespace vesko
