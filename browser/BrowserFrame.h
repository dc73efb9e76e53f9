#pragma once
// What a browser child window needs of the frame it lives in: the shared
// controls it writes, the active child, and the way to open a new page.
#include <windows.h>

#include <string>

namespace vesko {

class BrowserChild;

enum class NavButton { Back, Forward, Stop, Reload };
enum class EngineKind { IE, Gecko };

class BrowserFrame {
public:
    virtual HWND MdiClient() const = 0;
    virtual BrowserChild* ActiveChild() const = 0;

    virtual void SetAddressText(const std::wstring& text) = 0;
    virtual void SetStatusText(const std::wstring& text) = 0;
    // The progress bar; values outside 0..100 show as its nearer end.
    virtual void SetProgress(int value) = 0;
    virtual int Progress() const = 0;
    virtual bool IsButtonEnabled(NavButton button) const = 0;
    virtual void EnableButton(NavButton button, bool enabled) = 0;

    // Opens `address` in a new window once the caller has returned to the
    // message loop, so that an engine event never waits on a new window.
    virtual void RequestNewWindow(const std::wstring& caption, const std::wstring& address) = 0;

protected:
    ~BrowserFrame() = default;
};

}  // namespace vesko
