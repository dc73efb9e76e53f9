#pragma once
// TAboutBox: the program's name and version. One instance is created
// hidden at start and shown modally, again and again, by Help > About.
#include <windows.h>

#include "common/Form.h"
#include "common/Window.h"

namespace vesko {

class TAboutBox final : public Window {
public:
    // The box, hidden, owned by `owner`. Its window and controls are made
    // when first needed: the box of program start may never be shown.
    explicit TAboutBox(HWND owner);
    ~TAboutBox() override;

    // Shows the box centred on the screen and returns when it is hidden
    // again (OK, Enter or the close box): IDOK or IDCANCEL. Every other
    // window of the program ignores input meanwhile.
    int ShowModal();

    struct ControlHandles {
        HWND Panel1, ProductName, Version, Label1, OKButton;
    };
    // The box's controls, made with its window on first use.
    const ControlHandles& Controls();

private:
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;
    void Build();  // the window and its controls
    void EndModal(int result);

    HWND owner_;
    ControlHandles controls_{};
    UniqueFont font_;
    FocusKeeper focus_;
    int modalResult_ = 0;
    bool modal_ = false;
};

}  // namespace vesko
