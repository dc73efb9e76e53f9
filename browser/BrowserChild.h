#pragma once
// Behaviour shared by the two browser child windows: an MDI child hosting
// one engine control and reporting its events to the frame.
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
        const wchar_t* newWindowCaption;
    };

    EngineKind Engine() const { return traits_.engine; }
    std::wstring Caption() const;
    void SetCaption(const std::wstring& caption);
    const std::wstring& LastStatusText() const { return lastStatusText_; }
    // The last raw Progress value (kept in the window's tag).
    int Tag() const { return tag_; }
    bool SavedState(NavButton button) const;

    // The frame's commands for the page this window shows; engine failures
    // raise AppError.
    void Navigate(const std::wstring& url) { control_->Navigate(url); }
    void GoBack() { control_->GoBack(); }
    void GoForward() { control_->GoForward(); }
    void Stop() { control_->Stop(); }
    void Refresh() { control_->Refresh(); }
    std::wstring LocationURL() { return control_->LocationURL(); }
    // Whether the engine can save the page now.
    bool CanSave();
    // The engine's own save dialog writes the page; cancelling it is no error.
    void SavePage();
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

    virtual void FormCreate();
    virtual void FormResize();
    virtual void FormActivate();
    virtual void FormClose();
    // Progress x 100 / ProgressMax, truncated, without overflowing.
    static int ScaledProgress(int progress, int progressMax);
    void Fit(int outerWidth, int outerHeight);
    void FitToCurrentSize();

    // Engine events with the behaviour both windows share.
    void StatusTextChange(const std::wstring& text) override;
    void TitleChange(const std::wstring& text) override;
    void CommandStateChange(int command, bool enable) override;
    bool NewWindow2() override;

    BrowserFrame& frame_;
    int tag_ = 0;

private:
    std::unique_ptr<EngineControl> control_;
    Traits traits_;
    std::wstring lastStatusText_;
    bool backState_ = false;
    bool frwrdState_ = false;
    bool stopState_ = false;
    bool reLoadState_ = false;
};

}  // namespace vesko
