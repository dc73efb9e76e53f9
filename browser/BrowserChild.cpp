#include "browser/BrowserChild.h"

#include <algorithm>

#include "res/resource.h"

namespace vesko {
namespace {

// What a page command needs of its window.
struct PageCommand {
    UINT id;
    bool (*available)(EngineControl& control);  // null: always
    void (*run)(EngineControl& control, HWND window);
};

bool CanSave(EngineControl& c) { return (c.QueryStatusWB(OLECMDID_SAVEAS) & OLECMDF_ENABLED) != 0; }
// The engine's own save dialog writes the page; cancelling it is no error.
void SavePage(EngineControl& c, HWND) { c.ExecWB(OLECMDID_SAVEAS, OLECMDEXECOPT_PROMPTUSER); }

const PageCommand kPageCommands[] = {
    {IDM_NAV_BACK, nullptr, [](EngineControl& c, HWND) { c.GoBack(); }},
    {IDM_NAV_FORWARD, nullptr, [](EngineControl& c, HWND) { c.GoForward(); }},
    {IDM_NAV_STOP, nullptr, [](EngineControl& c, HWND) { c.Stop(); }},
    {IDM_NAV_RELOAD, nullptr, [](EngineControl& c, HWND) { c.Refresh(); }},
    // Save and save as alike: a page has no file of its own to save over.
    {IDM_FILE_SAVE, CanSave, SavePage},
    {IDM_FILE_SAVEAS, CanSave, SavePage},
    {IDM_FILE_CLOSE, nullptr, [](EngineControl&, HWND window) { SendMessageW(window, WM_CLOSE, 0, 0); }},
};

const PageCommand* FindPageCommand(UINT id) {
    for (const PageCommand& command : kPageCommands)
        if (command.id == id) return &command;
    return nullptr;
}

}  // namespace

BrowserChild::BrowserChild(BrowserFrame& frame, std::unique_ptr<EngineControl> control, const Traits& traits)
    : model_(frame.Model()), mdiClient_(frame.MdiClient()), control_(std::move(control)), traits_(traits) {}

BrowserChild* BrowserChild::Show(std::unique_ptr<BrowserChild> child) {
    RegisterClassOnce(child->traits_.className, COLOR_WINDOW, child->traits_.iconId, CS_HREDRAW | CS_VREDRAW);
    child->CreateMdiChild(child->mdiClient_, child->traits_.className, child->traits_.componentName);
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
    return row && (!row->available || row->available(*control_));
}

void BrowserChild::Execute(UINT command) {
    if (const PageCommand* row = FindPageCommand(command)) row->run(*control_, Handle());
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

void BrowserChild::TitleChange(const std::wstring& text) { model_.TitleChange(id_, text, control_->LocationURL()); }

void BrowserChild::CommandStateChange(int command, bool enable) { model_.CommandStateChange(id_, command, enable); }

bool BrowserChild::NewWindow2() {
    model_.NewWindow2(id_);
    return true;
}

}  // namespace vesko
