#pragma once
// Tfrm_MZ: a browser child window hosting the Mozilla (Gecko) control.
#include "browser/BrowserChild.h"

namespace vesko {

class Tfrm_MZ final : public BrowserChild {
public:
    static Tfrm_MZ* Create(BrowserFrame& frame);

private:
    explicit Tfrm_MZ(BrowserFrame& frame);
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;
    void FormActivate() override;
    void FormCanResize();
};

}  // namespace vesko
