#include "browser/childMoz.h"

#include "res/resource.h"

namespace vesko {
namespace {
const BrowserChild::Traits kTraits{EngineKind::Gecko, L"Tfrm_MZ", L"frm_MZ", IDI_CHILD_MZ, 10, 30};
}

Tfrm_MZ::Tfrm_MZ(BrowserFrame& frame) : BrowserChild(frame, std::make_unique<TMozillaBrowser>(), kTraits) {}

Tfrm_MZ* Tfrm_MZ::Create(BrowserFrame& frame) {
    return static_cast<Tfrm_MZ*>(Show(std::unique_ptr<BrowserChild>(new Tfrm_MZ(frame))));
}

LRESULT Tfrm_MZ::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_WINDOWPOSCHANGING) {
        const auto* pos = reinterpret_cast<const WINDOWPOS*>(lp);
        if (!(pos->flags & SWP_NOSIZE)) FormCanResize();
    }
    return BrowserChild::HandleMessage(msg, wp, lp);
}

// Fits the control to the size the window has before the new one applies;
// the resize always goes ahead.
void Tfrm_MZ::FormCanResize() { FitToCurrentSize(); }

void Tfrm_MZ::FormActivate() {
    BrowserChild::FormActivate();
    FitToCurrentSize();
}

}  // namespace vesko
