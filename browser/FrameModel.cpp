#include "browser/FrameModel.h"

#include <algorithm>
#include <climits>
#include <iterator>
#include <utility>

namespace vesko {
namespace {

// CommandStateChange's commands (CSC_NAVIGATEFORWARD, CSC_NAVIGATEBACK).
constexpr int kCommandForward = 1;
constexpr int kCommandBack = 2;

constexpr size_t Index(NavButton button) { return static_cast<size_t>(button); }

constexpr int kZoomSteps[] = {50, 67, 80, 90, 100, 110, 125, 150, 175, 200, 250, 300};

}  // namespace

int NextZoom(int percent, int direction) {
    if (direction > 0) {
        for (int step : kZoomSteps)
            if (step > percent) return step;
    } else {
        for (auto it = std::rbegin(kZoomSteps); it != std::rend(kZoomSteps); ++it)
            if (*it < percent) return *it;
    }
    return percent;
}

int ScaledProgress(int progress, int progressMax) {
    const long long scaled = static_cast<long long>(progress) * 100 / progressMax;
    return static_cast<int>(std::clamp<long long>(scaled, INT_MIN, INT_MAX));
}

void FrameModel::Notify(unsigned changes, ChildId child) {
    if (listener_) listener_->ModelChanged(changes, child);
}

void FrameModel::SelectEngine(EngineKind engine) {
    selected_ = engine;
    Notify(kEngineChanged);
}

void FrameModel::SetGeckoSelectable(bool selectable) {
    geckoSelectable_ = selectable;
    Notify(kEngineChanged);
}

void FrameModel::ApplyStartSettings(const std::wstring& lastEngine, int mozilla) {
    selected_ = lastEngine == L"IE" ? EngineKind::IE : EngineKind::Gecko;
    geckoSelectable_ = GeckoSwitchOn(mozilla);
    Notify(kEngineChanged);
}

PageRequest FrameModel::NewPage() const {
    // IE opens an empty address; Gecko needs a page to show a blank one.
    PageRequest page;
    page.caption = selected_ == EngineKind::IE ? L"Internet Explorer" : L"Mozilla";
    if (selected_ == EngineKind::Gecko) page.address = L"about:blank";
    return page;
}

std::wstring FrameModel::LastEngineText() const { return selected_ == EngineKind::IE ? L"IE" : L"Gecko"; }

const ChildState* FrameModel::Find(ChildId id) const {
    const auto it = std::find_if(children_.begin(), children_.end(), [id](const ChildState& c) { return c.id == id; });
    return it == children_.end() ? nullptr : &*it;
}

ChildState* FrameModel::Get(ChildId id) { return const_cast<ChildState*>(std::as_const(*this).Find(id)); }

bool FrameModel::CanOpenInOtherEngine() const {
    const ChildState* active = ActiveState();
    return active && (active->engine == EngineKind::Gecko || geckoSelectable_);
}

ChildId FrameModel::AddChild(EngineKind engine, const std::wstring& caption) {
    ChildState child;
    child.id = nextId_++;
    child.engine = engine;
    child.caption = caption;
    child.saved = view_.buttons;
    child.saved[Index(NavButton::Reload)] = false;
    children_.push_back(std::move(child));
    Notify(kChildrenChanged, children_.back().id);
    return children_.back().id;
}

void FrameModel::Activate(ChildId id, const std::wstring& locationUrl) {
    ChildState* child = Get(id);
    if (!child) return;
    active_ = id;
    child->address = locationUrl;
    view_.address = locationUrl;
    SetBar(child->progress);
    view_.buttons = child->saved;
    Notify(kChildrenChanged | kAddressChanged | kProgressChanged | kButtonsChanged, id);
}

void FrameModel::CloseChild(ChildId id) {
    if (!Find(id)) return;
    view_.progress = 0;
    view_.address.clear();
    view_.status.clear();
    view_.buttons[Index(NavButton::Reload)] = false;
    Notify(kProgressChanged | kAddressChanged | kStatusChanged | kButtonsChanged, id);
}

void FrameModel::RemoveChild(ChildId id) {
    const auto it = std::find_if(children_.begin(), children_.end(), [id](const ChildState& c) { return c.id == id; });
    if (it == children_.end()) return;
    children_.erase(it);
    if (active_ == id) active_ = kNoChild;
    Notify(kChildrenChanged, id);
}

void FrameModel::SetCaption(ChildId id, const std::wstring& caption) {
    ChildState* child = Get(id);
    if (!child) return;
    child->caption = caption;
    Notify(kCaptionChanged, id);
}

void FrameModel::StatusTextChange(ChildId id, const std::wstring& text) {
    ChildState* child = Get(id);
    if (!child) return;
    view_.status = text;
    child->lastStatusText = text;
    Notify(kStatusChanged, id);
}

void FrameModel::TitleChange(ChildId id, const std::wstring& title, const std::wstring& locationUrl) {
    ChildState* child = Get(id);
    if (!child) return;
    child->caption = title;
    child->address = locationUrl;
    child->titleReported = true;
    view_.address = locationUrl;
    Notify(kCaptionChanged | kAddressChanged, id);
}

void FrameModel::ProgressChange(ChildId id, int progress, int progressMax) {
    ChildState* child = Get(id);
    if (!child) return;
    child->progress = progress;
    unsigned changes = 0;
    if (child->engine == EngineKind::IE) {
        // IE leaves Stop to its command states and shows a 0 of 0 as empty.
        if (progressMax != 0) {
            SetBar(ScaledProgress(progress, progressMax));
            changes |= kProgressChanged;
        } else if (progress == 0) {
            SetBar(0);
            changes |= kProgressChanged;
        }
    } else {
        // Gecko's reports drive Stop: a full bar ends the load.
        if (progress != 0 && progressMax != 0) SetBar(ScaledProgress(progress, progressMax));
        const bool done = view_.progress == 100;
        if (done) SetBar(0);
        view_.buttons[Index(NavButton::Stop)] = !done;
        changes |= kProgressChanged | kButtonsChanged;
    }
    if (changes) Notify(changes, id);
}

void FrameModel::CommandStateChange(ChildId id, int command, bool enable) {
    if (!Find(id)) return;
    if (command == kCommandForward)
        view_.buttons[Index(NavButton::Forward)] = enable;
    else if (command == kCommandBack)
        view_.buttons[Index(NavButton::Back)] = enable;
    view_.buttons[Index(NavButton::Reload)] = true;
    // The states go to the active window, which need not be the sender.
    if (ChildState* active = Get(active_)) active->saved = view_.buttons;
    Notify(kButtonsChanged, id);
}

void FrameModel::NewWindow2(ChildId id) {
    const ChildState* child = Find(id);
    if (!child) return;
    PageRequest request;
    request.caption = child->engine == EngineKind::IE ? L"Internet Explorer" : L"Mozilla";
    request.address = child->lastStatusText;
    requests_.push_back(std::move(request));
    Notify(kRequestQueued, id);
}

void FrameModel::QueueSwitch(PageRequest request) {
    requests_.push_back(std::move(request));
    Notify(kRequestQueued);
}

void FrameModel::SetRouting(ChildId id, bool ruled, std::vector<std::wstring> chain) {
    if (ChildState* child = Get(id)) {
        child->ruled = ruled;
        child->chain = std::move(chain);
    }
}

void FrameModel::NavigationStarted(ChildId id, const std::wstring& url) {
    ChildState* child = Get(id);
    if (!child) return;
    child->lastNavigated = url;
    child->navigationFailed = false;
    child->titleReported = false;
    if (!url.empty() && url != L"about:blank") child->shownPage = true;
}

void FrameModel::NavigationFailed(ChildId id) {
    if (ChildState* child = Get(id)) child->navigationFailed = true;
}

void FrameModel::EndChain(ChildId id) {
    if (ChildState* child = Get(id)) child->chain.clear();
}

void FrameModel::ShowStatus(const std::wstring& text) {
    view_.status = text;
    Notify(kStatusChanged);
}

std::optional<PageRequest> FrameModel::TakeRequest() {
    if (requests_.empty()) return std::nullopt;
    PageRequest request = std::move(requests_.front());
    requests_.pop_front();
    return request;
}

void FrameModel::SetZoom(ChildId id, int percent) {
    ChildState* child = Get(id);
    if (!child) return;
    child->zoom = percent;
    view_.status = L"拡大率: " + std::to_wstring(percent) + L"%";
    Notify(kStatusChanged, id);
}

void FrameModel::ShowAddress(const std::wstring& address) {
    view_.address = address;
    Notify(kAddressChanged);
}

void FrameModel::ShowProgress(int value) {
    SetBar(value);
    Notify(kProgressChanged);
}

void FrameModel::ShowButton(NavButton button, bool enabled) {
    view_.buttons[Index(button)] = enabled;
    Notify(kButtonsChanged);
}

void FrameModel::PageAddress(ChildId id, const std::wstring& address) {
    ChildState* child = Get(id);
    if (!child || child->address == address) return;
    child->address = address;
    Notify(kPageAddressChanged, id);
}

void FrameModel::MoveChild(ChildId id, std::size_t position) {
    const auto it = std::find_if(children_.begin(), children_.end(), [id](const ChildState& c) { return c.id == id; });
    if (it == children_.end()) return;
    const std::size_t from = static_cast<std::size_t>(it - children_.begin());
    const std::size_t to = std::min(position, children_.size() - 1);
    if (from == to) return;
    ChildState moving = std::move(*it);
    children_.erase(it);
    children_.insert(children_.begin() + static_cast<std::ptrdiff_t>(to), std::move(moving));
    Notify(kChildrenChanged, id);
}

void FrameModel::SetTabBar(bool shown) {
    tabBar_ = shown;
    Notify(kWindowOptionsChanged);
}

void FrameModel::SetRestoreSession(bool restore) {
    restoreSession_ = restore;
    Notify(kWindowOptionsChanged);
}

void FrameModel::SetClosedWindows(std::size_t count) {
    if (count == closedWindows_) return;
    closedWindows_ = count;
    Notify(kWindowOptionsChanged);
}

}  // namespace vesko
