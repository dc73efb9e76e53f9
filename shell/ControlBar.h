#pragma once
// A plain bar that holds controls and passes their notifications on to
// the frame, so that the frame handles every command in one place.
#include <functional>

#include "common/Window.h"

namespace vesko {

class ControlBar final : public Window {
public:
    // Creates the bar as a child of `parent`; notifications go to `target`.
    // Raises AppError when the window cannot be made.
    ControlBar(HWND parent, HWND target, const RECT& bounds);

    // Runs after every change of the bar's size, with its new client width:
    // a bar inside a cool bar band is sized by the band, not by the frame.
    std::function<void(int width)> OnResize;

private:
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;
    HWND target_;
};

}  // namespace vesko
