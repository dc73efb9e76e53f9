// The frame's strip of tabs: what its clicks and its menu do to the
// windows, and Window > タブバー.
#include <vector>

#include "browser/BrowserChild.h"
#include "shell/MainForm.h"

namespace vesko {
namespace {

BrowserChild* WindowOf(const TMainForm& frame, ChildId id) {
    for (BrowserChild* child : frame.Children())
        if (child->Id() == id) return child;
    return nullptr;
}

// Through the MDI area, as the window list does, so that the window
// reports its activation to the model like any other.
void Activate(TMainForm& frame, ChildId id) {
    BrowserChild* child = WindowOf(frame, id);
    if (!child) return;
    const WPARAM window = reinterpret_cast<WPARAM>(child->Handle());
    // A minimized window's tab is picked to see its page.
    if (IsIconic(child->Handle())) SendMessageW(frame.MdiClient(), WM_MDIRESTORE, window, 0);
    SendMessageW(frame.MdiClient(), WM_MDIACTIVATE, window, 0);
}

void Close(TMainForm& frame, ChildId id) {
    if (BrowserChild* child = WindowOf(frame, id)) SendMessageW(child->Handle(), WM_CLOSE, 0, 0);
}

void CloseOthers(TMainForm& frame, ChildId id) {
    Activate(frame, id);
    // By handle: each window is gone once it has closed.
    std::vector<HWND> others;
    for (BrowserChild* child : frame.Children())
        if (child->Id() != id) others.push_back(child->Handle());
    for (HWND other : others)
        if (IsWindow(other)) SendMessageW(other, WM_CLOSE, 0, 0);
}

}  // namespace

void TMainForm::CreateTabStrip() {
    TabStrip::Actions actions;
    actions.activate = [this](ChildId id) { Activate(*this, id); };
    actions.close = [this](ChildId id) { Close(*this, id); };
    actions.otherEngine = [this](ChildId id) {
        Activate(*this, id);
        if (model_.Active() == id) OtherEngine1Execute();
    };
    actions.closeOthers = [this](ChildId id) { CloseOthers(*this, id); };
    tabs_ = std::make_unique<TabStrip>(Handle(), font_.get(), model_, std::move(actions));
}

void TMainForm::TabBar1Execute() {
    const bool shown = !model_.TabBar();
    model_.SetTabBar(shown);
    Settings().WriteString(kSectionGeneral, kKeyTabBar, shown ? L"1" : L"0");
}

}  // namespace vesko
