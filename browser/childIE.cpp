#include "browser/childIE.h"

#include "res/resource.h"

namespace vesko {
namespace {
const BrowserChild::Traits kTraits{EngineKind::IE, L"Tfrm_IE", L"frm_IE", IDI_CHILD_IE, 8, 28};
}

Tfrm_IE::Tfrm_IE(BrowserFrame& frame) : BrowserChild(frame, std::make_unique<TWebBrowser>(), kTraits) {}

Tfrm_IE* Tfrm_IE::Create(BrowserFrame& frame) {
    return static_cast<Tfrm_IE*>(Show(std::unique_ptr<BrowserChild>(new Tfrm_IE(frame))));
}

}  // namespace vesko
