#include "browser/BrowserChild.h"

#include <algorithm>
#include <climits>

namespace vesko {

BrowserChild::BrowserChild(BrowserFrame& frame, std::unique_ptr<EngineControl> control, const Traits& traits)
    : frame_(frame), control_(std::move(control)), traits_(traits) {}

BrowserChild* BrowserChild::Show(std::unique_ptr<BrowserChild> child) {
    RegisterClassOnce(child->traits_.className, COLOR_WINDOW, child->traits_.iconId, CS_HREDRAW | CS_VREDRAW);
    child->CreateMdiChild(child->frame_.MdiClient(), child->traits_.className, child->traits_.componentName);
    return GiveToWindow(std::move(child));
}

std::wstring BrowserChild::Caption() const { return WindowText(Handle()); }

void BrowserChild::SetCaption(const std::wstring& caption) { SetWindowTextW(Handle(), caption.c_str()); }

bool BrowserChild::SavedState(NavButton button) const {
    switch (button) {
    case NavButton::Back:
        return backState_;
    case NavButton::Forward:
        return frwrdState_;
    case NavButton::Stop:
        return stopState_;
    case NavButton::Reload:
        return reLoadState_;
    }
    return false;
}

bool BrowserChild::CanSave() { return (control_->QueryStatusWB(OLECMDID_SAVEAS) & OLECMDF_ENABLED) != 0; }

void BrowserChild::SavePage() { control_->ExecWB(OLECMDID_SAVEAS, OLECMDEXECOPT_PROMPTUSER); }

bool BrowserChild::Contains(HWND hwnd) const { return hwnd && (hwnd == Handle() || IsChild(Handle(), hwnd)); }

LRESULT BrowserChild::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_CREATE:
        control_->Create(Handle(), this);
        FormCreate();
        return 0;
    case WM_SIZE: {
        const LRESULT result = DefaultProc(msg, wp, lp);
        FormResize();
        return result;
    }
    case WM_MDIACTIVATE: {
        const LRESULT result = DefaultProc(msg, wp, lp);
        if (reinterpret_cast<HWND>(lp) == Handle()) FormActivate();
        return result;
    }
    case WM_SETFOCUS: {
        const LRESULT result = DefaultProc(msg, wp, lp);
        // Keyboard input belongs to the page, as in any browser window.
        if (HWND view = GetWindow(Handle(), GW_CHILD)) SetFocus(view);
        return result;
    }
    case WM_CLOSE:
        FormClose();
        return DefaultProc(msg, wp, lp);
    case WM_DESTROY:
        control_->Destroy();
        return DefaultProc(msg, wp, lp);
    default:
        return DefaultProc(msg, wp, lp);
    }
}

LRESULT BrowserChild::DefaultProc(UINT msg, WPARAM wp, LPARAM lp) { return DefMDIChildProcW(Handle(), msg, wp, lp); }

int BrowserChild::ScaledProgress(int progress, int progressMax) {
    const long long scaled = static_cast<long long>(progress) * 100 / progressMax;
    return static_cast<int>(std::clamp<long long>(scaled, INT_MIN, INT_MAX));
}

void BrowserChild::Fit(int outerWidth, int outerHeight) {
    const RECT bounds{0, 0, std::max(0, outerWidth - traits_.fitWidthMargin),
                      std::max(0, outerHeight - traits_.fitHeightMargin)};
    control_->SetBounds(bounds);
}

void BrowserChild::FitToCurrentSize() {
    RECT r;
    GetWindowRect(Handle(), &r);
    Fit(r.right - r.left, r.bottom - r.top);
}

void BrowserChild::FormCreate() {
    FormResize();
    // A new window starts from what the previously active one showed.
    backState_ = frame_.IsButtonEnabled(NavButton::Back);
    frwrdState_ = frame_.IsButtonEnabled(NavButton::Forward);
    stopState_ = frame_.IsButtonEnabled(NavButton::Stop);
}

void BrowserChild::FormResize() { FitToCurrentSize(); }

void BrowserChild::FormActivate() {
    frame_.SetAddressText(control_->LocationURL());
    frame_.SetProgress(tag_);
    frame_.EnableButton(NavButton::Back, backState_);
    frame_.EnableButton(NavButton::Forward, frwrdState_);
    frame_.EnableButton(NavButton::Stop, stopState_);
    frame_.EnableButton(NavButton::Reload, reLoadState_);
}

void BrowserChild::FormClose() {
    frame_.SetProgress(0);
    frame_.SetAddressText(std::wstring());
    frame_.SetStatusText(std::wstring());
    frame_.EnableButton(NavButton::Reload, false);
}

void BrowserChild::StatusTextChange(const std::wstring& text) {
    frame_.SetStatusText(text);
    lastStatusText_ = text;
}

void BrowserChild::TitleChange(const std::wstring& text) {
    SetCaption(text);
    frame_.SetAddressText(control_->LocationURL());
}

void BrowserChild::CommandStateChange(int command, bool enable) {
    if (command == CSC_NAVIGATEFORWARD)
        frame_.EnableButton(NavButton::Forward, enable);
    else if (command == CSC_NAVIGATEBACK)
        frame_.EnableButton(NavButton::Back, enable);
    frame_.EnableButton(NavButton::Reload, true);

    // The states go to the active window, which need not be the sender.
    BrowserChild* active = frame_.ActiveChild();
    if (!active) return;
    active->backState_ = frame_.IsButtonEnabled(NavButton::Back);
    active->frwrdState_ = frame_.IsButtonEnabled(NavButton::Forward);
    active->stopState_ = frame_.IsButtonEnabled(NavButton::Stop);
    active->reLoadState_ = frame_.IsButtonEnabled(NavButton::Reload);
}

bool BrowserChild::NewWindow2() {
    frame_.RequestNewWindow(traits_.newWindowCaption, lastStatusText_);
    return true;
}

}  // namespace vesko
