#pragma once
// Hosting of a browser engine ActiveX control: created from its class id,
// activated in place inside a window, driven through IWebBrowser2 and heard
// through the DWebBrowserEvents2 connection point.
#include <windows.h>
#include <exdisp.h>
#include <ole2.h>

#include <string>

#include "common/ComPtr.h"

namespace vesko {

// The engine events a child window handles; the others are ignored.
class EngineEvents {
public:
    virtual void StatusTextChange(const std::wstring& text) = 0;
    virtual void ProgressChange(int progress, int progressMax) = 0;
    virtual void CommandStateChange(int command, bool enable) = 0;
    virtual void TitleChange(const std::wstring& text) = 0;
    // Returns the value for Cancel; the new-window object is never set.
    virtual bool NewWindow2() = 0;
    // A navigation is about to start; `topLevel` is false for a frame
    // inside the page. Returns the value for Cancel.
    virtual bool BeforeNavigate2(const std::wstring& url, bool topLevel) = 0;
    // A document has finished loading, or could not be loaded.
    virtual void DocumentComplete(bool topLevel) = 0;
    virtual void NavigateError(bool topLevel) = 0;

protected:
    ~EngineEvents() = default;
};

class OleSite;
class EventSink;

class EngineControl {
public:
    EngineControl(const CLSID& clsid, SIZE designExtent);
    EngineControl(const EngineControl&) = delete;
    EngineControl& operator=(const EngineControl&) = delete;
    virtual ~EngineControl();

    // Creates the control and activates it in place inside `host`. Raises
    // AppError with the system's message when it cannot be created.
    void Create(HWND host, EngineEvents* events);
    // Disconnects events and releases the control; safe to call twice.
    void Destroy();

    // Places the control inside the host's client area.
    void SetBounds(const RECT& bounds);
    const RECT& Bounds() const { return bounds_; }

    void Navigate(const std::wstring& url);
    void GoBack();
    void GoForward();
    void Stop();
    void Refresh();
    std::wstring LocationURL();
    // The OLECMDF flags of an engine command; 0 when the engine cannot
    // tell, which makes the command unavailable.
    DWORD QueryStatusWB(OLECMDID command);
    // Runs an engine command. False when the user cancelled it; any other
    // failure raises AppError.
    bool ExecWB(OLECMDID command, OLECMDEXECOPT option);
    // The same with a number for the command (a zoom in percent).
    bool ExecWB(OLECMDID command, OLECMDEXECOPT option, int value);
    // The engine's own find dialog: through ExecWB where the engine takes
    // it there, else through its document's command target (IE's way).
    bool CanFind();
    void Find();

    // Offers a keyboard message to the control before the frame's own
    // accelerators; true when the control consumed it.
    bool TranslateAccelerator(MSG& msg);

    // Whether an event's IDispatch argument is this control itself (the
    // page) rather than a frame inside it.
    bool IsSelf(IDispatch* dispatch);
    // Called by the site when the control announces its active object.
    void SetActiveObject(IOleInPlaceActiveObject* active);

private:
    IWebBrowser2& Browser();
    bool Exec(OLECMDID command, OLECMDEXECOPT option, VARIANT* in);
    ComPtr<IOleCommandTarget> DocumentCommands();

    CLSID clsid_;
    SIZE designExtent_;
    HWND host_ = nullptr;
    RECT bounds_{};
    ComPtr<OleSite> site_;
    ComPtr<EventSink> sink_;
    DWORD adviseCookie_ = 0;
    ComPtr<IOleObject> object_;
    ComPtr<IWebBrowser2> browser_;
    ComPtr<IOleInPlaceActiveObject> activeObject_;
    ComPtr<IConnectionPoint> connectionPoint_;
};

// Internet Explorer's WebBrowser control.
class TWebBrowser : public EngineControl {
public:
    TWebBrowser();
};

// The Mozilla ActiveX browser control (Gecko).
class TMozillaBrowser : public EngineControl {
public:
    TMozillaBrowser();
};

extern const CLSID CLSID_MozillaBrowser;

}  // namespace vesko
