#pragma once
// Behaviour shared by the two browser child windows: an MDI child hosting
// one engine control, reporting its events to the frame's model and
// carrying out the commands that act on its page.
#include <windows.h>

#include <memory>
#include <string>

#include "browser/BrowserFrame.h"
#include "browser/EngineControl.h"
#include "common/Window.h"

namespace vesko {

class BrowserChild : public Window, protected EngineEvents {
public:
    // Window-class details that differ between the engines.
    struct Traits {
        EngineKind engine;
        const wchar_t* className;
        const wchar_t* componentName;  // also the design caption
        int iconId;
        int fitWidthMargin;
        int fitHeightMargin;
    };

    // The window's entry in the frame's model.
    ChildId Id() const { return id_; }
    EngineKind Engine() const { return traits_.engine; }
    std::wstring Caption() const;
    void SetCaption(const std::wstring& caption) { model_.SetCaption(id_, caption); }
    // Shows the caption the model holds.
    void ShowCaption(const std::wstring& caption) { SetWindowTextW(Handle(), caption.c_str()); }
    const std::wstring& LastStatusText() const { return State().lastStatusText; }
    // The last raw Progress value (the window's tag).
    int Tag() const { return State().progress; }
    bool SavedState(NavButton button) const { return State().saved[static_cast<size_t>(button)]; }

    // Engine failures raise AppError.
    void Navigate(const std::wstring& url) { control_->Navigate(url); }
    std::wstring LocationURL() { return control_->LocationURL(); }
    // The frame's commands for the page this window shows: whether one is
    // available now, and carrying it out.
    bool CanExecute(UINT command);
    void Execute(UINT command);
    // Offers a keyboard message to the page; true when it took it.
    bool TranslateAccelerator(MSG& msg) { return control_->TranslateAccelerator(msg); }

    // True when `hwnd` is this window or lies inside it.
    bool Contains(HWND hwnd) const;

protected:
    BrowserChild(BrowserFrame& frame, std::unique_ptr<EngineControl> control, const Traits& traits);

    // Builds the window in the frame's MDI area: the control is created,
    // FormCreate runs, the window is shown and activated. On failure no
    // window remains and the error is raised.
    static BrowserChild* Show(std::unique_ptr<BrowserChild> child);

    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;
    LRESULT DefaultProc(UINT msg, WPARAM wp, LPARAM lp) override;
    void OnFinalMessage() override;

    virtual void FormCreate();
    virtual void FormResize();
    virtual void FormActivate();
    virtual void FormClose();
    void Fit(int outerWidth, int outerHeight);
    void FitToCurrentSize();

    // Engine events: each goes to the model.
    void StatusTextChange(const std::wstring& text) override;
    void ProgressChange(int progress, int progressMax) override;
    void TitleChange(const std::wstring& text) override;
    void CommandStateChange(int command, bool enable) override;
    bool NewWindow2() override;
    bool BeforeNavigate2(const std::wstring& url, bool topLevel) override;
    void DocumentComplete(bool topLevel) override;
    void NavigateError(bool topLevel) override;

private:
    struct PageCommand;
    static const PageCommand* FindPageCommand(UINT id);
    const ChildState& State() const;

    // What the page commands ask of the engine and do with it.
    bool Always() { return true; }
    bool EngineCan(OLECMDID command) { return (control_->QueryStatusWB(command) & OLECMDF_ENABLED) != 0; }
    bool CanSave() { return EngineCan(OLECMDID_SAVEAS); }
    bool CanPrint() { return EngineCan(OLECMDID_PRINT); }
    bool CanPreview() { return EngineCan(OLECMDID_PRINTPREVIEW); }
    bool CanSetUpPage() { return EngineCan(OLECMDID_PAGESETUP); }
    bool CanZoom() { return EngineCan(OLECMDID_OPTICAL_ZOOM); }
    bool CanFind() { return control_->CanFind(); }
    void GoBack() { control_->GoBack(); }
    void GoForward() { control_->GoForward(); }
    void Stop() { control_->Stop(); }
    void Refresh() { control_->Refresh(); }
    void Close() { SendMessageW(Handle(), WM_CLOSE, 0, 0); }
    // The engines' own dialogs; a cancelled one is no error.
    void Save() { control_->ExecWB(OLECMDID_SAVEAS, OLECMDEXECOPT_PROMPTUSER); }
    void Print() { control_->ExecWB(OLECMDID_PRINT, OLECMDEXECOPT_PROMPTUSER); }
    void Preview() { control_->ExecWB(OLECMDID_PRINTPREVIEW, OLECMDEXECOPT_PROMPTUSER); }
    void SetUpPage() { control_->ExecWB(OLECMDID_PAGESETUP, OLECMDEXECOPT_PROMPTUSER); }
    void Find() { control_->Find(); }
    void ZoomIn() { ZoomTo(NextZoom(State().zoom, +1)); }
    void ZoomOut() { ZoomTo(NextZoom(State().zoom, -1)); }
    void ZoomReset() { ZoomTo(100); }
    void ZoomTo(int percent);

    BrowserFrame& frame_;
    bool movingOrSizing_ = false;  // inside the user's move or size loop
    FrameModel& model_;
    ChildId id_ = kNoChild;
    std::unique_ptr<EngineControl> control_;
    Traits traits_;
};

}  // namespace vesko
