#include "browser/SiteSwitch.h"

#include <algorithm>

namespace vesko {

bool RuleEngine(const RuleVerdict& verdict, EngineKind& engine) {
    if (!verdict.matched || verdict.engine == SiteEngine::None) return false;
    engine = verdict.engine == SiteEngine::InternetExplorer ? EngineKind::IE : EngineKind::Gecko;
    return true;
}

SwitchDecision DecideSwitch(const ChildState& child, EngineKind selected, const RuleVerdict& verdict,
                            const std::wstring& url) {
    SwitchDecision decision;
    if (std::find(child.chain.begin(), child.chain.end(), url) != child.chain.end()) return decision;
    EngineKind target = selected;
    if (verdict.matched) {
        if (!RuleEngine(verdict, target)) return decision;  // "None" never switches
    } else if (!child.ruled) {
        return decision;
    }
    if (target == child.engine) return decision;
    decision.switchEngine = true;
    decision.target = target;
    decision.ruled = verdict.matched && target != selected;
    decision.closeSource = !child.shownPage;
    decision.chain = child.chain;
    if (!child.lastNavigated.empty()) decision.chain.push_back(child.lastNavigated);
    decision.chain.push_back(url);
    return decision;
}

}  // namespace vesko
