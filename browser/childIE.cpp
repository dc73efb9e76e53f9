#include "browser/childIE.h"

#include "res/resource.h"

namespace vesko {
namespace {
const BrowserChild::Traits kTraits{EngineKind::IE, L"Tfrm_IE", L"frm_IE", IDI_CHILD_IE, 8, 28, L"Internet Explorer"};
}

Tfrm_IE::Tfrm_IE(BrowserFrame& frame) : BrowserChild(frame, std::make_unique<TWebBrowser>(), kTraits) {}

Tfrm_IE* Tfrm_IE::Create(BrowserFrame& frame) {
    return static_cast<Tfrm_IE*>(Show(std::unique_ptr<BrowserChild>(new Tfrm_IE(frame))));
}

void Tfrm_IE::TWeb_IEProgressChange(int progress, int progressMax) {
    tag_ = progress;
    if (progressMax != 0) {
        frame_.SetProgress(ScaledProgress(progress, progressMax));
    } else if (progress == 0) {
        frame_.SetProgress(0);
    }
}

}  // namespace vesko
