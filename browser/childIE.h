#pragma once
// Tfrm_IE: a browser child window hosting Internet Explorer's control.
#include "browser/BrowserChild.h"

namespace vesko {

class Tfrm_IE final : public BrowserChild {
public:
    static Tfrm_IE* Create(BrowserFrame& frame);

private:
    explicit Tfrm_IE(BrowserFrame& frame);
    void ProgressChange(int progress, int progressMax) override { TWeb_IEProgressChange(progress, progressMax); }
    void TWeb_IEProgressChange(int progress, int progressMax);
};

}  // namespace vesko
