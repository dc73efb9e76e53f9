#pragma once
// Tfrm_IE: a browser child window hosting Internet Explorer's control.
#include "browser/BrowserChild.h"

namespace vesko {

class Tfrm_IE final : public BrowserChild {
public:
    static Tfrm_IE* Create(BrowserFrame& frame);

private:
    explicit Tfrm_IE(BrowserFrame& frame);
};

}  // namespace vesko
