#pragma once
// The frame's bars: the cool bar with the navigation tool bar and the
// address bar, and the bottom bar with the status line and the progress
// bar. They show what the frame's model says; the address box is also
// where the user types.
#include <windows.h>
#include <commctrl.h>

#include <memory>
#include <string>

#include "browser/FrameModel.h"
#include "common/Handles.h"
#include "shell/ControlBar.h"

namespace vesko {

class FrameBars {
public:
    // Creates every bar inside `frame`, whose notifications go to it.
    FrameBars(HWND frame, HFONT font, HFONT labelFont);
    FrameBars(const FrameBars&) = delete;
    FrameBars& operator=(const FrameBars&) = delete;

    // Places the bars in the frame's client area and returns the rectangle
    // the MDI area takes between them.
    RECT Layout() const;
    // The bottom bar's widths after a change of the frame's size.
    void FormResize() const;
    // The first layout, before the MDI area exists.
    RECT InitialMdiRect() const;

    // What the model shows in the bars.
    void ShowAddress(const std::wstring& text) const;
    void ShowStatus(const std::wstring& text) const;
    void ShowProgress(int value) const;
    void ShowButtons(const NavStates& states) const;

    // What the bars show now.
    std::wstring AddressText() const;
    std::wstring StatusText() const;
    int Progress() const;
    bool IsButtonEnabled(NavButton button) const;

    HWND CoolBar() const { return coolBar1_; }
    HWND NavigationBar() const { return toolBar2_; }
    HWND AddressBar() const { return toolBar3_->Handle(); }
    HWND Label() const { return label1_; }
    HWND AddressBox() const { return txtAddress_; }
    HWND MoveButton() const { return btnMove_; }
    HWND BottomBar() const { return toolBar1_->Handle(); }
    HWND StatusBar() const { return statusBar1_; }
    HWND ProgressBar() const { return progressBar1_; }
    // The glyphs of the tool bar, also the Bookmarks menu's pictures.
    HIMAGELIST Glyphs() const { return imageList1_.get(); }

private:
    void CreateCoolBar(HWND frame, HFONT font, HFONT labelFont, int width);
    void CreateAddressBar(HWND frame, HFONT font, HFONT labelFont, int width);
    void CreateBottomBar(HWND frame, HFONT font, const RECT& client);
    void LayoutAddressBar(int barWidth) const;
    int CoolBarHeight() const;

    HWND frame_;
    UniqueImageList imageList1_;
    UniqueImageList disabledImageList1_;  // ToolBar2's disabled buttons
    HWND coolBar1_ = nullptr;
    int coolBarMargin_ = 0;
    HWND toolBar2_ = nullptr;
    std::unique_ptr<ControlBar> toolBar3_;
    HWND label1_ = nullptr;
    HWND txtAddress_ = nullptr;
    HWND btnMove_ = nullptr;
    std::unique_ptr<ControlBar> toolBar1_;
    HWND statusBar1_ = nullptr;
    HWND progressBar1_ = nullptr;
};

}  // namespace vesko
