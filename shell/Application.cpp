#include "shell/Application.h"

#include "bookmarks/BookMark.h"
#include "common/ErrorReport.h"
#include "common/ModelessDialogs.h"
#include "common/Ole.h"
#include "options/Option.h"

namespace vesko {

TApplication::TApplication() = default;

TApplication::~TApplication() {
    // The hidden options dialog holds the frame's callbacks.
    optionDialog_.reset();
    mainForm_.reset();
    ole::Shutdown();
}

void TApplication::SetTitle(const std::wstring& title) { SetApplicationTitle(title); }

TMainForm& TApplication::CreateMainForm(MainFormOptions options) {
    mainForm_ = std::make_unique<TMainForm>(model_, std::move(options));
    SetErrorOwner(mainForm_->Handle());
    return *mainForm_;
}

void TApplication::CreateHiddenForms() {
    // Hidden and never shown: the menu commands open editors of their own.
    bookmarkEditor_ = Tfrm_BMEdit::CreateHidden(mainForm_->BookmarkPath());
    // Never shown either; creating it applies the Gecko switch to the
    // frame's menu once more.
    optionDialog_ = mainForm_->CreateHiddenOptionDialog();
    aboutBox_ = std::make_unique<TAboutBox>(mainForm_->Handle());
    mainForm_->SetAboutBox(aboutBox_.get());
}

void TApplication::ProcessMessage(MSG& msg) {
    if (IsModelessDialogMessage(msg)) return;
    if (mainForm_ && mainForm_->PreTranslateMessage(msg)) return;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
}

int TApplication::Run() {
    MSG msg;
    for (;;) {
        const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
        if (got == 0) return static_cast<int>(msg.wParam);
        if (got == -1) return 1;
        ProcessMessage(msg);
    }
}

}  // namespace vesko
