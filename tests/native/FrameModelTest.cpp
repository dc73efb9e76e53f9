// The frame's rules on its model, without windows.
#include "browser/FrameModel.h"

#include <gtest/gtest.h>

#include <climits>
#include <vector>

namespace vesko {
namespace {

NavStates States(bool back, bool forward, bool stop, bool reload) { return {back, forward, stop, reload}; }

TEST(FrameModel, StartSettingsSelectTheEngineAndWhetherGeckoMayBeChosen) {
    struct Case {
        const wchar_t* lastEngine;
        int mozilla;
        EngineKind selected;
        bool selectable;
    } cases[] = {
        {L"IE", 0, EngineKind::IE, false},       // the defaults of a missing file
        {L"Gecko", 1, EngineKind::Gecko, true},  //
        {L"ie", 2, EngineKind::Gecko, true},     // only exactly "IE" is IE
        {L"Gecko", 0, EngineKind::Gecko, false}, // selected, yet cannot be chosen again
    };
    for (const Case& c : cases) {
        FrameModel model;
        model.ApplyStartSettings(c.lastEngine, c.mozilla);
        EXPECT_EQ(model.SelectedEngine(), c.selected) << c.lastEngine;
        EXPECT_EQ(model.GeckoSelectable(), c.selectable) << c.lastEngine << " " << c.mozilla;
    }
    EXPECT_TRUE(GeckoSwitchOn(2));
    EXPECT_FALSE(GeckoSwitchMovesFolder(2)) << "only 1 makes the Mozilla folder current";
    EXPECT_TRUE(GeckoSwitchMovesFolder(1));
}

TEST(FrameModel, NewPageAndTheSavedEngineFollowTheSelection) {
    FrameModel model;
    model.SelectEngine(EngineKind::IE);
    EXPECT_EQ(model.NewPage().caption, L"Internet Explorer");
    EXPECT_EQ(model.NewPage().address, L"");
    EXPECT_EQ(model.LastEngineText(), L"IE");
    model.SelectEngine(EngineKind::Gecko);
    EXPECT_EQ(model.NewPage().caption, L"Mozilla");
    EXPECT_EQ(model.NewPage().address, L"about:blank");
    EXPECT_EQ(model.LastEngineText(), L"Gecko");
}

TEST(FrameModel, NewWindowRequestOpensTheAskersLastStatusText) {
    FrameModel model;
    const ChildId ie = model.AddChild(EngineKind::IE);
    const ChildId mz = model.AddChild(EngineKind::Gecko);
    model.NewWindow2(ie);  // before any status text: an empty address
    model.StatusTextChange(mz, L"http://example.jp/次へ");
    model.NewWindow2(mz);
    auto first = model.TakeRequest();
    auto second = model.TakeRequest();
    ASSERT_TRUE(first && second);
    EXPECT_EQ(first->caption, L"Internet Explorer");
    EXPECT_EQ(first->address, L"");
    EXPECT_EQ(second->caption, L"Mozilla");
    EXPECT_EQ(second->address, L"http://example.jp/次へ");
    EXPECT_FALSE(model.TakeRequest());
}

TEST(FrameModel, IEProgressMapsToPercentAndLeavesStopAlone) {
    struct Case {
        int progress, max, before, after;
    } cases[] = {{-1, 10000, 50, 0}, {0, 0, 50, 0}, {5, 0, 50, 50}, {2500, 10000, 0, 25}, {INT_MAX, 1, 0, 100}};
    for (const Case& c : cases) {
        FrameModel model;
        const ChildId ie = model.AddChild(EngineKind::IE);
        model.ShowProgress(c.before);
        model.ShowButton(NavButton::Stop, true);
        model.ProgressChange(ie, c.progress, c.max);
        EXPECT_EQ(model.View().progress, c.after) << c.progress << "/" << c.max;
        EXPECT_TRUE(model.View().buttons[static_cast<size_t>(NavButton::Stop)]);
        EXPECT_EQ(model.Find(ie)->progress, c.progress);
    }
}

TEST(FrameModel, GeckoProgressEndsTheLoadAtAFullBar) {
    struct Case {
        int progress, max, before, after;
        bool stop;
    } cases[] = {{50, 100, 0, 50, true}, {100, 100, 0, 0, false}, {0, 100, 30, 30, true}, {0, 100, 100, 0, false},
                 {7, 0, 40, 40, true}};
    for (const Case& c : cases) {
        FrameModel model;
        const ChildId mz = model.AddChild(EngineKind::Gecko);
        model.ShowProgress(c.before);
        model.ProgressChange(mz, c.progress, c.max);
        EXPECT_EQ(model.View().progress, c.after) << c.progress << "/" << c.max << " from " << c.before;
        EXPECT_EQ(model.View().buttons[static_cast<size_t>(NavButton::Stop)], c.stop) << c.progress << "/" << c.max;
    }
}

TEST(FrameModel, EachWindowBringsBackItsOwnStateOnActivation) {
    FrameModel model;
    model.ShowButton(NavButton::Back, true);
    model.ShowButton(NavButton::Reload, true);
    const ChildId a = model.AddChild(EngineKind::IE);
    EXPECT_EQ(model.Find(a)->saved, States(true, false, false, false)) << "a new window starts from the frame's buttons";
    model.Activate(a, L"http://a.example/");
    model.ProgressChange(a, 5000, 0);  // the raw value is kept, the bar does not move
    model.CommandStateChange(a, 1, true);
    model.StatusTextChange(a, L"a の状態");

    const ChildId b = model.AddChild(EngineKind::Gecko);
    model.Activate(b, L"http://b.example/");
    EXPECT_EQ(model.View().progress, 0);
    EXPECT_EQ(model.View().buttons, States(true, true, false, false));
    // A background window's report shows in the frame, but its states are
    // saved into the active one.
    model.CommandStateChange(a, 2, false);
    EXPECT_EQ(model.View().buttons, States(false, true, false, true));
    EXPECT_EQ(model.Find(b)->saved, States(false, true, false, true));
    EXPECT_EQ(model.Find(a)->saved, States(true, true, false, true));

    model.Activate(a, L"http://a.example/2");
    EXPECT_EQ(model.View().address, L"http://a.example/2");
    EXPECT_EQ(model.View().progress, 100) << "raw 5000 fills the bar";
    EXPECT_EQ(model.View().buttons, States(true, true, false, true));
    EXPECT_EQ(model.View().status, L"a の状態") << "the status is left as it is";
}

TEST(FrameModel, ClosingClearsTheFrameButKeepsBackForwardAndStop) {
    FrameModel model;
    const ChildId a = model.AddChild(EngineKind::IE);
    const ChildId b = model.AddChild(EngineKind::IE);
    model.Activate(b, L"http://b.example/");
    model.StatusTextChange(b, L"読み込み中");
    model.ShowProgress(30);
    for (NavButton button : {NavButton::Back, NavButton::Forward, NavButton::Stop, NavButton::Reload})
        model.ShowButton(button, true);
    model.CloseChild(b);
    model.RemoveChild(b);
    EXPECT_EQ(model.View().address, L"");
    EXPECT_EQ(model.View().status, L"");
    EXPECT_EQ(model.View().progress, 0);
    EXPECT_EQ(model.View().buttons, States(true, true, true, false));
    EXPECT_EQ(model.Active(), kNoChild);
    ASSERT_EQ(model.Children().size(), 1u);
    EXPECT_EQ(model.Children()[0].id, a);
}

TEST(FrameModel, OtherEngineNeedsAnActiveWindowAndGeckoOnlyWhileItMayBeChosen) {
    FrameModel model;
    EXPECT_FALSE(model.CanOpenInOtherEngine());
    const ChildId ie = model.AddChild(EngineKind::IE);
    model.Activate(ie, L"");
    EXPECT_TRUE(model.CanOpenInOtherEngine());
    model.SetGeckoSelectable(false);
    EXPECT_FALSE(model.CanOpenInOtherEngine());
    const ChildId mz = model.AddChild(EngineKind::Gecko);
    model.Activate(mz, L"");
    EXPECT_TRUE(model.CanOpenInOtherEngine()) << "IE can always be had";
}

TEST(FrameModel, ZoomStepsStopAtTheirEndsAndShowInTheStatusLine) {
    int percent = 100;
    std::vector<int> up;
    for (int i = 0; i < 8; ++i) up.push_back(percent = NextZoom(percent, +1));
    EXPECT_EQ(up, (std::vector<int>{110, 125, 150, 175, 200, 250, 300, 300}));
    percent = 100;
    std::vector<int> down;
    for (int i = 0; i < 6; ++i) down.push_back(percent = NextZoom(percent, -1));
    EXPECT_EQ(down, (std::vector<int>{90, 80, 67, 50, 50, 50}));

    FrameModel model;
    const ChildId a = model.AddChild(EngineKind::IE);
    const ChildId b = model.AddChild(EngineKind::Gecko);
    model.SetZoom(a, 125);
    EXPECT_EQ(model.View().status, L"拡大率: 125%");
    EXPECT_EQ(model.Find(a)->zoom, 125);
    EXPECT_EQ(model.Find(b)->zoom, 100) << "each window has its own";
}

TEST(FrameModel, AWindowMovesInTheOrderWithItsStateAndStaysActive) {
    FrameModel model;
    const ChildId a = model.AddChild(EngineKind::IE, L"a");
    const ChildId b = model.AddChild(EngineKind::Gecko, L"b");
    const ChildId c = model.AddChild(EngineKind::IE, L"c");
    model.Activate(a, L"http://a.example/");
    auto order = [&model] {
        std::wstring captions;
        for (const ChildState& child : model.Children()) captions += child.caption;
        return captions;
    };
    model.MoveChild(a, 1);
    EXPECT_EQ(order(), L"bac");
    model.MoveChild(b, 99);  // past the end: last
    EXPECT_EQ(order(), L"acb");
    model.MoveChild(c, 0);
    EXPECT_EQ(order(), L"cab");
    model.MoveChild(kNoChild, 0);  // no such window: nothing moves
    EXPECT_EQ(order(), L"cab");
    EXPECT_EQ(model.Active(), a);
    EXPECT_EQ(model.Find(a)->address, L"http://a.example/");
    EXPECT_EQ(model.Find(b)->engine, EngineKind::Gecko);
}

}  // namespace
}  // namespace vesko
