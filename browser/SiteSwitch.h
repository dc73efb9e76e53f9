#pragma once
// Which engine a navigation belongs in, by the site rules: the decision
// alone, on a window's state in the frame's model, with no window in it.
#include <string>
#include <vector>

#include "browser/FrameModel.h"
#include "sites/SiteList.h"

namespace vesko {

// What the rules say of an address: whether one matches, and its engine
// (None: the window stays in the engine it has).
struct RuleVerdict {
    bool matched = false;
    SiteEngine engine = SiteEngine::None;
};

struct SwitchDecision {
    bool switchEngine = false;
    EngineKind target = EngineKind::IE;
    // The window that asked had shown no page yet: it goes.
    bool closeSource = false;
    // The new window's: whether a rule put it in an engine other than the
    // selected one, and the addresses this chain of navigations has
    // switched on, which never switch again within it.
    bool ruled = false;
    std::vector<std::wstring> chain;
};

// The engine a rule names, if it names one.
bool RuleEngine(const RuleVerdict& verdict, EngineKind& engine);

// A top-level navigation of `child` to `url` is about to start. It moves
// to a new window when a rule names the other engine, or when a rule had
// put the window in an engine other than `selected` and no rule covers
// `url` (back to the selected one). An address already switched on in
// the window's chain stays where it is, so a redirect that bounces between
// two sites ends in the engine of the first switch.
SwitchDecision DecideSwitch(const ChildState& child, EngineKind selected, const RuleVerdict& verdict,
                            const std::wstring& url);

}  // namespace vesko
