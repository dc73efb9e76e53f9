#pragma once
// The strip of tabs between the cool bar and the MDI area: one tab per
// window, in the model's order of the windows, each with the window's
// caption and its engine's picture; the active window's tab is selected.
// A click activates a window, a middle click or a double click closes it,
// a drag moves it in the order, and a right click offers a menu for it.
// The strip reads the model and leaves what acts on windows to the frame.
#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <string>
#include <vector>

#include "browser/FrameModel.h"
#include "common/Handles.h"

namespace vesko {

// config.ini's [General] key for whether the strip shows (1, the default)
// or not (0).
inline constexpr wchar_t kKeyTabBar[] = L"TabBar";

class TabStrip {
public:
    // What the frame does for a window the user picked on the strip.
    struct Actions {
        std::function<void(ChildId)> activate;
        std::function<void(ChildId)> close;
        std::function<void(ChildId)> otherEngine;  // its page in a new window of the other engine
        std::function<void(ChildId)> closeOthers;
    };
    // The items of a tab's menu.
    enum MenuItem : UINT { kMenuClose = 1, kMenuOtherEngine, kMenuCloseOthers };

    // Creates the strip, hidden, inside `frame`. Raises AppError when the
    // control cannot be made.
    TabStrip(HWND frame, HFONT font, FrameModel& model, Actions actions);
    ~TabStrip();
    TabStrip(const TabStrip&) = delete;
    TabStrip& operator=(const TabStrip&) = delete;

    // Shows the model's windows. True when the strip has just appeared or
    // gone, so that the frame lays out its area again.
    bool Render();
    // Takes the strip's height from the top of `area` (the MDI area) and
    // returns what is left; a hidden strip takes nothing.
    RECT Layout(const RECT& area) const;

    // The window whose tab lies at `point` (client pixels), or kNoChild.
    ChildId ChildAt(POINT point) const;
    // A tab's menu, and carrying out one of its items.
    UniqueMenu BuildMenu(ChildId id) const;
    void RunMenuItem(ChildId id, UINT item);

    HWND Handle() const { return tab_; }
    HWND ToolTip() const { return tip_; }
    bool Visible() const { return visible_; }

private:
    struct Tab {
        ChildId id;
        std::wstring caption;
        EngineKind engine;
        bool operator==(const Tab& o) const { return id == o.id && caption == o.caption && engine == o.engine; }
    };

    static LRESULT CALLBACK SubclassProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id, DWORD_PTR data);
    // A mouse message: true when it was the strip's own and is done.
    bool OnMouse(UINT msg, WPARAM wp, POINT point);
    void OnDrag(POINT point);
    void ShowMenu(ChildId id, POINT point);
    // False when the control could not take a new tab.
    bool ShowTab(size_t index, const Tab& tab, bool insert);
    // The tip tells the whole caption of the tab under the pointer.
    void SyncTip();
    void Hover(POINT point);
    int IndexOf(ChildId id) const;
    // Where a dragged tab goes: after every other tab whose middle lies
    // left of `x`. A small slip of the pointer never gets that far.
    size_t DropPosition(int dragged, int x) const;

    FrameModel& model_;
    Actions actions_;
    UniqueImageList pictures_;  // IE's, then Gecko's
    HWND tab_ = nullptr;
    HWND tip_ = nullptr;
    std::vector<Tab> shown_;  // what the tabs show, in their order
    // One tip over the whole strip, given the caption of the tab under the
    // pointer: a tip per tab would have to follow every tab's place at each
    // change, which costs more the more windows are open.
    int hovered_ = -1;
    bool visible_ = false;
    // The tab held down with the left button, which a drag moves, and the
    // one held down with the middle button.
    ChildId pressed_ = kNoChild;
    ChildId middlePressed_ = kNoChild;
};

}  // namespace vesko
