#include <gtest/gtest.h>
#include <windows.h>

#include "browser/BrowserChild.h"
#include "browser/EngineControl.h"
#include "res/resource.h"
#include "tests/support/FrameFixture.h"

namespace vesko::test {
namespace {

class ChildWindow : public FrameTest {
protected:
    // Opens a window of the given engine and returns its engine's index.
    size_t Open(bool ie) {
        if (ie)
            Frame().IE_ItemClick();
        else
            Frame().Moz_ItemClick();
        Frame().FileNew1Execute();
        return engines_->Count() - 1;
    }
    BrowserChild* ChildOf(size_t engine) { return FromHandle<BrowserChild>(engines_->Record(engine).host); }
    void Activate(size_t engine) {
        SendMessageW(Frame().MdiClient(), WM_MDIACTIVATE, reinterpret_cast<WPARAM>(ChildOf(engine)->Handle()), 0);
    }
    void SetButtons(bool back, bool forward, bool stop, bool reload) {
        Frame().EnableButton(NavButton::Back, back);
        Frame().EnableButton(NavButton::Forward, forward);
        Frame().EnableButton(NavButton::Stop, stop);
        Frame().EnableButton(NavButton::Reload, reload);
    }
    std::vector<bool> Buttons() {
        return {Frame().IsButtonEnabled(NavButton::Back), Frame().IsButtonEnabled(NavButton::Forward),
                Frame().IsButtonEnabled(NavButton::Stop), Frame().IsButtonEnabled(NavButton::Reload)};
    }
    std::vector<bool> Saved(size_t engine) {
        BrowserChild* c = ChildOf(engine);
        return {c->SavedState(NavButton::Back), c->SavedState(NavButton::Forward), c->SavedState(NavButton::Stop),
                c->SavedState(NavButton::Reload)};
    }
};

TEST_F(ChildWindow, InternetExplorerProgressRule) {
    const size_t ie = Open(true);
    Frame().EnableButton(NavButton::Stop, true);
    const struct {
        int progress, max, before, after;
    } rows[] = {{-1, 10000, 50, 0}, {0, 0, 50, 0},     {5, 0, 50, 50},       {2500, 10000, 0, 25}, {3, 4, 0, 75},
                {200, 100, 0, 100}, {-50, 100, 40, 0}, {INT_MAX, 1, 0, 100}, {INT_MIN, -1, 7, 100}};
    for (const auto& r : rows) {
        Frame().SetProgress(r.before);
        engines_->FireProgressChange(ie, r.progress, r.max);
        EXPECT_EQ(Frame().Progress(), r.after) << r.progress << "/" << r.max;
        EXPECT_EQ(ChildOf(ie)->Tag(), r.progress);
        EXPECT_TRUE(Frame().IsButtonEnabled(NavButton::Stop)) << "IE leaves Stop alone";
    }
}

TEST_F(ChildWindow, GeckoProgressRule) {
    const size_t mz = Open(false);
    const struct {
        int progress, max, before, after;
        bool stop;
    } rows[] = {{50, 100, 0, 50, true}, {100, 100, 0, 0, false}, {0, 100, 50, 50, true},   {5, 0, 30, 30, true},
                {0, 0, 30, 30, true},   {0, 100, 100, 0, false}, {-1, 10000, 20, 0, true}, {150, 100, 10, 0, false}};
    for (const auto& r : rows) {
        Frame().SetProgress(r.before);
        Frame().EnableButton(NavButton::Stop, !r.stop);
        engines_->FireProgressChange(mz, r.progress, r.max);
        EXPECT_EQ(Frame().Progress(), r.after) << r.progress << "/" << r.max << " from " << r.before;
        EXPECT_EQ(Frame().IsButtonEnabled(NavButton::Stop), r.stop) << r.progress << "/" << r.max;
        EXPECT_EQ(ChildOf(mz)->Tag(), r.progress);
    }
}

TEST_F(ChildWindow, ActivationRestoresAddressProgressAndButtons) {
    const size_t a = Open(true);
    engines_->Record(a).locationURL = L"http://a.example/";
    engines_->FireProgressChange(a, 5000, 0);      // Tag 5000, bar untouched
    engines_->FireCommandStateChange(a, 2, true);  // Back on, saved into a
    const auto savedA = Saved(a);

    const size_t b = Open(false);
    engines_->Record(b).locationURL = L"http://b.example/";
    engines_->FireProgressChange(b, 42, 0);
    engines_->FireStatusTextChange(b, L"b の状態");

    Activate(a);
    EXPECT_EQ(Frame().AddressText(), L"http://a.example/");
    EXPECT_EQ(Frame().Progress(), 100) << "raw 5000 fills the bar";
    EXPECT_EQ(Buttons(), savedA);
    EXPECT_EQ(Frame().StatusText(), L"b の状態") << "status is left as it is";

    Activate(b);
    EXPECT_EQ(Frame().AddressText(), L"http://b.example/");
    EXPECT_EQ(Frame().Progress(), 42);

    engines_->FireProgressChange(b, -1, 0);
    Activate(a);
    Activate(b);
    EXPECT_EQ(Frame().Progress(), 0);
}

TEST_F(ChildWindow, NewWindowStartsFromTheFramesButtonsWithReloadOff) {
    SetButtons(true, false, true, true);
    const size_t a = Open(true);
    EXPECT_EQ(Saved(a), (std::vector<bool>{true, false, true, false}));
    EXPECT_EQ(Buttons(), (std::vector<bool>{true, false, true, false}));
    EXPECT_EQ(Frame().Progress(), 0);
}

TEST_F(ChildWindow, CommandStateChangeSavesIntoTheActiveWindowNotTheSender) {
    const size_t a = Open(true);
    const size_t b = Open(true);  // active
    const auto savedA = Saved(a);
    engines_->FireCommandStateChange(a, 1, true);
    EXPECT_TRUE(Frame().IsButtonEnabled(NavButton::Forward));
    EXPECT_TRUE(Frame().IsButtonEnabled(NavButton::Reload));
    EXPECT_EQ(Saved(b), Buttons());
    EXPECT_EQ(Saved(a), savedA) << "the background sender keeps its own states";

    engines_->FireCommandStateChange(b, 2, true);
    engines_->FireCommandStateChange(b, 2, false);
    EXPECT_FALSE(Frame().IsButtonEnabled(NavButton::Back));
    EXPECT_FALSE(Saved(b)[0]);

    SetButtons(false, true, true, false);
    engines_->FireCommandStateChange(b, -1, true);
    EXPECT_EQ(Buttons(), (std::vector<bool>{false, true, true, true})) << "only Reload changes";
    EXPECT_EQ(Saved(b), Buttons());
}

TEST_F(ChildWindow, StatusTitleAndIgnoredEvents) {
    const size_t a = Open(true);
    const size_t b = Open(false);
    engines_->Record(a).locationURL = L"http://a.example/";
    engines_->FireStatusTextChange(a, L"読み込み中 http://a.example/next");
    EXPECT_EQ(Frame().StatusText(), L"読み込み中 http://a.example/next");
    EXPECT_EQ(ChildOf(a)->LastStatusText(), L"読み込み中 http://a.example/next");

    // A title from a background window: its caption, its address.
    engines_->FireTitleChange(a, L"ページ A");
    EXPECT_EQ(ChildOf(a)->Caption(), L"ページ A");
    EXPECT_EQ(Frame().AddressText(), L"http://a.example/");
    EXPECT_EQ(Frame().ActiveChild(), ChildOf(b));

    engines_->FireStatusTextChange(a, L"");
    EXPECT_EQ(Frame().StatusText(), L"");
    EXPECT_EQ(ChildOf(a)->LastStatusText(), L"");

    const auto before = Buttons();
    const int progress = Frame().Progress();
    for (DISPID id : {104, 106, 112, 250, 252, 253, 254, 255, 256, 257, 258, 259, 260, 271}) engines_->FireOther(a, id);
    EXPECT_EQ(Buttons(), before);
    EXPECT_EQ(Frame().Progress(), progress);
    EXPECT_EQ(ChildOf(a)->Caption(), L"ページ A");
    EXPECT_TRUE(errors_.empty());
}

TEST_F(ChildWindow, ClosingOneOfTwoClearsTheSharedControls) {
    const size_t a = Open(true);
    engines_->Record(a).locationURL = L"http://a.example/";
    engines_->FireProgressChange(a, 30, 100);
    engines_->FireCommandStateChange(a, 2, true);
    const auto savedA = Saved(a);
    const size_t b = Open(true);
    engines_->Record(b).locationURL = L"http://b.example/";
    engines_->FireStatusTextChange(b, L"b");
    engines_->FireCommandStateChange(b, 1, true);
    SetButtons(true, true, true, true);

    SendMessageW(ChildOf(b)->Handle(), WM_CLOSE, 0, 0);
    EXPECT_EQ(Frame().ChildCount(), 1);
    EXPECT_FALSE(engines_->Record(b).alive) << "the engine goes with its window";
    // The remaining window was activated and restored itself.
    EXPECT_EQ(Frame().ActiveChild(), ChildOf(a));
    EXPECT_EQ(Frame().AddressText(), L"http://a.example/");
    EXPECT_EQ(Frame().Progress(), 30);
    EXPECT_EQ(Buttons(), savedA);
    EXPECT_EQ(Frame().StatusText(), L"");

    SetButtons(true, true, true, true);
    SendMessageW(ChildOf(a)->Handle(), WM_CLOSE, 0, 0);
    EXPECT_EQ(Frame().ChildCount(), 0);
    EXPECT_EQ(Frame().AddressText(), L"");
    EXPECT_EQ(Frame().Progress(), 0);
    EXPECT_EQ(Buttons(), (std::vector<bool>{true, true, true, false})) << "only Reload is switched off";
}

TEST_F(ChildWindow, EngineIsTornDownInOrder) {
    const size_t a = Open(true);
    EXPECT_TRUE(engines_->Record(a).advised);
    SendMessageW(Frame().Handle(), WM_COMMAND, IDM_FILE_CLOSE, 0);
    const auto& calls = engines_->Record(a).calls;
    std::vector<std::wstring> tail(calls.end() - 4, calls.end());
    EXPECT_EQ(tail, (std::vector<std::wstring>{L"Unadvise", L"InPlaceDeactivate", L"Close", L"SetClientSite(null)"}));
    EXPECT_FALSE(engines_->Record(a).alive);
}

TEST_F(ChildWindow, ControlFitsTheWindowByEachEnginesMargins) {
    const size_t ie = Open(true);
    const size_t mz = Open(false);
    for (const auto& [engine, dw, dh] : {std::tuple<size_t, int, int>{ie, 8, 28}, {mz, 10, 30}}) {
        HWND hwnd = ChildOf(engine)->Handle();
        SendMessageW(Frame().MdiClient(), WM_MDIRESTORE, reinterpret_cast<WPARAM>(hwnd), 0);
        SetWindowPos(hwnd, nullptr, 0, 0, 400, 300, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        RECT r = engines_->Record(engine).bounds;
        EXPECT_EQ(r.left, 0);
        EXPECT_EQ(r.top, 0);
        EXPECT_EQ(r.right, 400 - dw);
        EXPECT_EQ(r.bottom, 300 - dh);
        SetWindowPos(hwnd, nullptr, 0, 0, 5, 5, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        r = engines_->Record(engine).bounds;
        EXPECT_GE(r.right, 0);
        EXPECT_GE(r.bottom, 0);
    }
}

TEST_F(ChildWindow, NewWindowRequestOpensTheSelectedEngineAfterTheEvent) {
    const size_t ie = Open(true);
    engines_->FireStatusTextChange(ie, L"http://popup.example/");
    engines_->FireStatusTextChange(ie, L"http://popup.example/later");
    Frame().Moz_ItemClick();

    EXPECT_EQ(engines_->FireNewWindow2(ie), VARIANT_TRUE);
    EXPECT_EQ(Frame().ChildCount(), 1) << "no window while the engine's event is on the stack";
    Pump();
    ASSERT_EQ(Frame().ChildCount(), 2);
    EXPECT_TRUE(IsEqualCLSID(engines_->Last().clsid, CLSID_MozillaBrowser));
    EXPECT_EQ(ClassOf(Frame().ActiveChild()), L"Tfrm_MZ");
    EXPECT_EQ(Frame().ActiveChild()->Caption(), L"Internet Explorer");
    EXPECT_EQ(engines_->Last().navigated, std::vector<std::wstring>{L"http://popup.example/later"});

    // From the Gecko window, before it reported any status: an empty address.
    const size_t mz = engines_->Count() - 1;
    Frame().IE_ItemClick();
    EXPECT_EQ(engines_->FireNewWindow2(mz), VARIANT_TRUE);
    Pump();
    ASSERT_EQ(Frame().ChildCount(), 3);
    EXPECT_EQ(ClassOf(Frame().ActiveChild()), L"Tfrm_IE");
    EXPECT_EQ(Frame().ActiveChild()->Caption(), L"Mozilla");
    EXPECT_EQ(engines_->Last().navigated, std::vector<std::wstring>{L""});
    EXPECT_TRUE(errors_.empty());
}

TEST_F(ChildWindow, NewWindowFailureIsReportedFromTheFrameNotTheEvent) {
    const size_t ie = Open(true);
    engines_->FailCreation(CLSID_WebBrowser, E_OUTOFMEMORY);
    EXPECT_EQ(engines_->FireNewWindow2(ie), VARIANT_TRUE);
    EXPECT_TRUE(errors_.empty());
    Pump();
    ASSERT_EQ(errors_.size(), 1u);
    EXPECT_EQ(Frame().ChildCount(), 1);
    // The requester still works.
    engines_->FireStatusTextChange(ie, L"ok");
    EXPECT_EQ(Frame().StatusText(), L"ok");
}

TEST_F(ChildWindow, ChildrenOfEachEngineCarryTheirOwnIcon) {
    const size_t ie = Open(true);
    const size_t mz = Open(false);
    const auto iconOf = [&](size_t engine) {
        return reinterpret_cast<HICON>(GetClassLongPtrW(ChildOf(engine)->Handle(), GCLP_HICON));
    };
    EXPECT_NE(iconOf(ie), nullptr);
    EXPECT_NE(iconOf(mz), nullptr);
    EXPECT_NE(iconOf(ie), iconOf(mz));
}

}  // namespace
}  // namespace vesko::test
