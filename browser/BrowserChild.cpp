#include "browser/BrowserChild.h"

#include <algorithm>

#include "res/resource.h"

namespace vesko {

struct BrowserChild::PageCommand {
    UINT id;
    bool (BrowserChild::*available)();
    void (BrowserChild::*run)();
};

const BrowserChild::PageCommand* BrowserChild::FindPageCommand(UINT id) {
    // Save and save as alike: a page has no file of its own to save over.
    static const PageCommand commands[] = {
        {IDM_NAV_BACK, &BrowserChild::Always, &BrowserChild::GoBack},
        {IDM_NAV_FORWARD, &BrowserChild::Always, &BrowserChild::GoForward},
        {IDM_NAV_STOP, &BrowserChild::Always, &BrowserChild::Stop},
        {IDM_NAV_RELOAD, &BrowserChild::Always, &BrowserChild::Refresh},
        {IDM_FILE_CLOSE, &BrowserChild::Always, &BrowserChild::Close},
        {IDM_FILE_SAVE, &BrowserChild::CanSave, &BrowserChild::Save},
        {IDM_FILE_SAVEAS, &BrowserChild::CanSave, &BrowserChild::Save},
        {IDM_FILE_PRINT, &BrowserChild::CanPrint, &BrowserChild::Print},
        {IDM_FILE_PRINT_PREVIEW, &BrowserChild::CanPreview, &BrowserChild::Preview},
        {IDM_FILE_PAGE_SETUP, &BrowserChild::CanSetUpPage, &BrowserChild::SetUpPage},
        {IDM_VIEW_FIND, &BrowserChild::CanFind, &BrowserChild::Find},
        {IDM_VIEW_ZOOM_IN, &BrowserChild::CanZoom, &BrowserChild::ZoomIn},
        {IDM_VIEW_ZOOM_OUT, &BrowserChild::CanZoom, &BrowserChild::ZoomOut},
        {IDM_VIEW_ZOOM_RESET, &BrowserChild::CanZoom, &BrowserChild::ZoomReset},
    };
    for (const PageCommand& command : commands)
        if (command.id == id) return &command;
    return nullptr;
}


BrowserChild::BrowserChild(BrowserFrame& frame, std::unique_ptr<EngineControl> control, const Traits& traits)
    : frame_(frame), model_(frame.Model()), control_(std::move(control)), traits_(traits) {}

BrowserChild* BrowserChild::Show(std::unique_ptr<BrowserChild> child) {
    RegisterClassOnce(child->traits_.className, COLOR_WINDOW, child->traits_.iconId, CS_HREDRAW | CS_VREDRAW);
    child->CreateMdiChild(child->frame_.MdiClient(), child->traits_.className, child->traits_.componentName);
    return GiveToWindow(std::move(child));
}

const ChildState& BrowserChild::State() const {
    static const ChildState none;
    const ChildState* state = model_.Find(id_);
    return state ? *state : none;
}

std::wstring BrowserChild::Caption() const { return State().caption; }

bool BrowserChild::CanExecute(UINT command) {
    const PageCommand* row = FindPageCommand(command);
    return row && (this->*row->available)();
}

void BrowserChild::Execute(UINT command) {
    if (const PageCommand* row = FindPageCommand(command)) (this->*row->run)();
}

void BrowserChild::ZoomTo(int percent) {
    if (percent == State().zoom) return;
    control_->ExecWB(OLECMDID_OPTICAL_ZOOM, OLECMDEXECOPT_DONTPROMPTUSER, percent);
    model_.SetZoom(id_, percent);
}

bool BrowserChild::Contains(HWND hwnd) const { return hwnd && (hwnd == Handle() || IsChild(Handle(), hwnd)); }

LRESULT BrowserChild::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_CREATE:
        id_ = model_.AddChild(traits_.engine, traits_.componentName);
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
    case WM_ENTERSIZEMOVE:
        movingOrSizing_ = true;
        return DefaultProc(msg, wp, lp);
    case WM_EXITSIZEMOVE:
        movingOrSizing_ = false;
        frame_.ChildPlaced(id_);
        return DefaultProc(msg, wp, lp);
    case WM_WINDOWPOSCHANGED: {
        const LRESULT result = DefaultProc(msg, wp, lp);
        const auto& pos = *reinterpret_cast<const WINDOWPOS*>(lp);
        // A move by the user counts once, when it ends.
        if (!movingOrSizing_ && (pos.flags & (SWP_NOMOVE | SWP_NOSIZE)) != (SWP_NOMOVE | SWP_NOSIZE))
            frame_.ChildPlaced(id_);
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

void BrowserChild::OnFinalMessage() {
    // Also a window whose creation failed leaves the model.
    model_.RemoveChild(id_);
    Window::OnFinalMessage();
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

void BrowserChild::FormCreate() { FormResize(); }

void BrowserChild::FormResize() { FitToCurrentSize(); }

void BrowserChild::FormActivate() { model_.Activate(id_, control_->LocationURL()); }

void BrowserChild::FormClose() { model_.CloseChild(id_); }

void BrowserChild::StatusTextChange(const std::wstring& text) { model_.StatusTextChange(id_, text); }

void BrowserChild::ProgressChange(int progress, int progressMax) { model_.ProgressChange(id_, progress, progressMax); }

void BrowserChild::TitleChange(const std::wstring& text) {
    const std::wstring url = control_->LocationURL();
    model_.TitleChange(id_, text, url);
    frame_.TitleReported(url, text);
}

void BrowserChild::CommandStateChange(int command, bool enable) { model_.CommandStateChange(id_, command, enable); }

bool BrowserChild::NewWindow2() {
    model_.NewWindow2(id_);
    return true;
}

bool BrowserChild::BeforeNavigate2(const std::wstring& url, bool topLevel) {
    return topLevel && frame_.BeforeNavigate(id_, url);
}

void BrowserChild::DocumentComplete(bool topLevel) {
    if (!topLevel) return;
    model_.EndChain(id_);
    frame_.PageLoaded(id_, control_->LocationURL());
}

void BrowserChild::NavigateError(bool topLevel) {
    if (topLevel) model_.NavigationFailed(id_);
}

}  // namespace vesko
