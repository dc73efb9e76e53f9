// The frame opening pages and finding its windows: which engine a window
// gets (the selected one, or the one a site rule names), new-window
// requests, and navigations that move to the other engine by the site rules.
#include "browser/BrowserChild.h"
#include "browser/childIE.h"
#include "browser/childMoz.h"
#include "common/Error.h"
#include "common/Files.h"
#include "common/Ole.h"
#include "shell/MainForm.h"
#include "sites/SiteUrl.h"
#include "sites/win/SiteRulesFile.h"

namespace vesko {
namespace {

const wchar_t* EngineName(EngineKind engine) { return engine == EngineKind::IE ? L"Internet Explorer" : L"Gekko"; }

}  // namespace

void TMainForm::OpenPage(const std::wstring& caption, const std::wstring& address) {
    PageRequest page;
    page.caption = caption;
    page.address = address;
    page.engine = model_.SelectedEngine();
    EngineKind ruleEngine = page.engine;
    if (siteRules_ && RuleEngine(siteRules_->VerdictFor(address), ruleEngine)) {
        page.ruled = ruleEngine != page.engine;
        page.engine = ruleEngine;
    }
    const std::wstring status = OpenRouted(page);
    if (!status.empty()) model_.ShowStatus(status);
}

std::wstring TMainForm::OpenRouted(const PageRequest& page) {
    // A rule that names Gecko where it cannot be had is no error: the page
    // opens in IE, and the status line says why.
    if (page.ruled && page.engine == EngineKind::Gecko && !GeckoAvailable()) {
        PageRequest inIE = page;
        inIE.engine = EngineKind::IE;
        inIE.ruled = false;
        OpenPageIn(inIE);
        return L"Gecko が使えないため Internet Explorer で開きました";
    }
    OpenPageIn(page);
    return page.switchEngine ? std::wstring(L"サイト別エンジン: ") + EngineName(page.engine) : std::wstring();
}

std::vector<BrowserChild*> TMainForm::Children() const {
    // Windows closed since leave their entries until the area is asked.
    if (windows_.size() > 2 * model_.Children().size() + 16) return FindChildren();
    std::vector<BrowserChild*> ordered;
    for (const ChildState& state : model_.Children()) {
        const auto found = windows_.find(state.id);
        BrowserChild* child = found == windows_.end() ? nullptr : FromHandle<BrowserChild>(found->second);
        // A window made some other way, or gone: the MDI area tells.
        if (!child || child->Id() != state.id) return FindChildren();
        ordered.push_back(child);
    }
    return ordered;
}

std::vector<BrowserChild*> TMainForm::FindChildren() const {
    windows_.clear();
    for (HWND h = GetWindow(mdiClient_, GW_CHILD); h; h = GetWindow(h, GW_HWNDNEXT))
        if (BrowserChild* child = FromHandle<BrowserChild>(h)) windows_[child->Id()] = h;
    std::vector<BrowserChild*> ordered;
    for (const ChildState& state : model_.Children()) {
        const auto found = windows_.find(state.id);
        if (found != windows_.end()) ordered.push_back(FromHandle<BrowserChild>(found->second));
    }
    return ordered;
}

BrowserChild* TMainForm::OpenPageIn(const PageRequest& page) {
    const SettingsFile settings = Settings();
    const std::wstring mozPath = settings.ReadString(kSectionOption, kKeyMozPath, std::wstring());
    const int mozilla = settings.ReadInteger(kSectionOption, kKeyMozilla, 0);
    // The Gecko control finds its files relative to the current directory.
    if (GeckoSwitchMovesFolder(mozilla) && !SetCurrentDirectoryW(mozPath.c_str()))
        throw AppError(InOutErrorMessage(GetLastError()));

    BrowserChild* child = page.engine == EngineKind::IE ? static_cast<BrowserChild*>(Tfrm_IE::Create(*this))
                                                        : static_cast<BrowserChild*>(Tfrm_MZ::Create(*this));
    windows_[child->Id()] = child->Handle();
    model_.SetRouting(child->Id(), page.ruled, page.chain);
    child->SetCaption(page.caption);
    child->Navigate(page.address);
    return child;
}

bool TMainForm::GeckoAvailable() const {
    if (!GeckoSwitchOn(Settings().ReadInteger(kSectionOption, kKeyMozilla, 0))) return false;
    ole::Require();
    ComPtr<IClassFactory> factory;
    return SUCCEEDED(ole::CoGetClassObject(CLSID_MozillaBrowser, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER,
                                           IID_IClassFactory, reinterpret_cast<void**>(&factory)));
}

void TMainForm::OpenRequestedWindow() {
    const auto request = model_.TakeRequest();
    if (!request) return;
    if (!request->switchEngine) {
        OpenPage(request->caption, request->address);
        return;
    }
    const std::wstring status = OpenRouted(*request);
    // A window that had shown no page is not left behind, empty.
    for (BrowserChild* window : Children())
        if (window->Id() == request->replaces) SendMessageW(window->Handle(), WM_CLOSE, 0, 0);
    if (!status.empty()) model_.ShowStatus(status);
}

void TMainForm::AlwaysOtherEngine1Execute() {
    BrowserChild* child = ActiveChild();
    if (!child || !model_.CanOpenInOtherEngine()) return;
    std::wstring address = child->LocationURL();
    if (address.empty()) address = AddressText();
    const auto page = ParsePageAddress(std::u16string(address.begin(), address.end()));
    if (!page) return;  // no site to name
    PageRequest request;
    request.caption = child->Caption();
    request.address = address;
    request.engine = child->Engine() == EngineKind::IE ? EngineKind::Gecko : EngineKind::IE;
    request.ruled = request.engine != model_.SelectedEngine();
    request.switchEngine = true;
    AddSiteRule(siteRules_->Path(), page->host,
                request.engine == EngineKind::IE ? SiteEngine::InternetExplorer : SiteEngine::Gecko);
    const std::wstring status = OpenRouted(request);
    if (!status.empty()) model_.ShowStatus(status);
}

void TMainForm::PageLoaded(ChildId id, const std::wstring& url) {
    model_.PageAddress(id, url);
    const ChildState* child = model_.Find(id);
    // A page that failed to load is no visit; a title comes with the visit
    // only once the engine has reported one for it.
    if (!child || child->navigationFailed || !history_) return;
    history_->RecordVisit(url, child->titleReported ? child->caption : std::wstring());
}

void TMainForm::TitleReported(const std::wstring& url, const std::wstring& title) {
    if (history_) history_->RecordTitle(url, title);
}

bool TMainForm::BeforeNavigate(ChildId id, const std::wstring& url) {
    const ChildState* child = model_.Find(id);
    if (!child || !siteRules_) return false;
    SwitchDecision decision = DecideSwitch(*child, model_.SelectedEngine(), siteRules_->VerdictFor(url), url);
    if (decision.switchEngine && decision.target == EngineKind::Gecko && !GeckoAvailable()) {
        model_.ShowStatus(L"Gecko が使えないため Internet Explorer で開きました");
        decision.switchEngine = child->engine != EngineKind::IE;
        decision.target = EngineKind::IE;
        decision.ruled = false;
    }
    if (!decision.switchEngine) {
        model_.NavigationStarted(id, url);
        return false;
    }
    PageRequest request;
    request.address = url;
    request.switchEngine = true;
    request.engine = decision.target;
    request.ruled = decision.ruled;
    request.chain = std::move(decision.chain);
    request.replaces = decision.closeSource ? id : kNoChild;
    model_.QueueSwitch(std::move(request));
    return true;
}

}  // namespace vesko
