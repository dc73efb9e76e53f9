#pragma once
// What a browser child window needs of the frame it lives in: the MDI area
// it is made in, and the model it reports to.
#include <windows.h>

#include <string>

#include "browser/FrameModel.h"

namespace vesko {

class BrowserFrame {
public:
    virtual HWND MdiClient() const = 0;
    virtual FrameModel& Model() = 0;
    // A window's top-level navigation to `url` is about to start; true when
    // it is cancelled there because it opens elsewhere (site rules).
    virtual bool BeforeNavigate(ChildId child, const std::wstring& url) = 0;
    // A window's page has loaded (a visit, for the history), or its engine
    // reported the page's title.
    virtual void PageLoaded(ChildId child, const std::wstring& url) = 0;
    virtual void TitleReported(const std::wstring& url, const std::wstring& title) = 0;
    // A window has been moved, sized, minimized, maximized or restored (at
    // the end of a move by the user).
    virtual void ChildPlaced(ChildId child) = 0;

protected:
    ~BrowserFrame() = default;
};

}  // namespace vesko
