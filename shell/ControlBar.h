#pragma once
// A plain bar that holds controls and passes their notifications on to
// the frame, so that the frame handles every command in one place.
#include "common/Window.h"

namespace vesko {

class ControlBar final : public Window {
public:
    enum class Edge { None, Bands };

    // Creates the bar as a child of `parent`; notifications go to `target`.
    ControlBar(HWND parent, HWND target, const RECT& bounds, Edge edge = Edge::None);

    // For Edge::Bands: the y coordinate of the line between two bands.
    void SetBandLine(int y) { bandLine_ = y; }

private:
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;
    HWND target_;
    Edge edge_;
    int bandLine_ = -1;
};

}  // namespace vesko
