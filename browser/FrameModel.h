#pragma once
// The state of the frame and its browser windows, with no window in it:
// the selected engine, the children in window-list order with what each
// one's engine last reported, what the frame's shared controls show, and
// the new-window requests waiting for the message loop. The frame and the
// children render it; user actions and engine events change it through
// the operations below, each of which tells the listener what it wrote.
#include <array>
#include <deque>
#include <optional>
#include <string>
#include <vector>

namespace vesko {

enum class EngineKind { IE, Gecko };
enum class NavButton { Back, Forward, Stop, Reload };

// One state per navigation button, indexed by NavButton.
using NavStates = std::array<bool, 4>;

using ChildId = unsigned;
constexpr ChildId kNoChild = 0;

struct ChildState {
    ChildId id = kNoChild;
    EngineKind engine = EngineKind::IE;
    std::wstring caption;
    std::wstring address;         // the engine's address when it last reported one
    std::wstring lastStatusText;  // LastStatusText
    int progress = 0;             // the raw Progress of the last report (the window's Tag)
    NavStates saved{};            // the buttons as they are brought back on activation
    int zoom = 100;               // percent
    // Site rules: whether a rule put the window in an engine other than the
    // selected one, whether it has started to show a page other than a
    // blank one, the address of its last top-level navigation, and the
    // addresses its chain of navigations has switched engines on.
    bool ruled = false;
    bool shownPage = false;
    // The current top-level navigation failed, or its page reported a title.
    bool navigationFailed = false;
    bool titleReported = false;
    std::wstring lastNavigated;
    std::vector<std::wstring> chain;
};

// What the frame's shared controls show.
struct FrameView {
    std::wstring address;
    std::wstring status;
    int progress = 0;  // the bar, 0 to 100
    NavStates buttons{};
};

struct PageRequest {
    std::wstring caption;
    std::wstring address;
    // A window that changes engines by a site rule: the engine, the new
    // window's routing, and the window that goes once it is open.
    bool switchEngine = false;
    EngineKind engine = EngineKind::IE;
    bool ruled = false;
    std::vector<std::wstring> chain;
    ChildId replaces = kNoChild;
};

// What an operation wrote; the listener shows those parts again. A part
// is reported whenever it is written, changed or not: the address box may
// hold typed text that the write must replace.
enum ModelChange : unsigned {
    kAddressChanged = 1u << 0,
    kStatusChanged = 1u << 1,
    kProgressChanged = 1u << 2,
    kButtonsChanged = 1u << 3,
    kEngineChanged = 1u << 4,    // the selection or whether Gecko may be chosen
    kCaptionChanged = 1u << 5,   // of the child named with the change
    kChildrenChanged = 1u << 6,  // a child came, went or became active
    kRequestQueued = 1u << 7,
    kWindowOptionsChanged = 1u << 8,  // the tab bar, the session options, the closed windows
    kPageAddressChanged = 1u << 9,    // of the child named with the change, not shown by the frame
};

class FrameModelListener {
public:
    virtual void ModelChanged(unsigned changes, ChildId child) = 0;

protected:
    ~FrameModelListener() = default;
};

// The Gecko switch (config.ini's Option/Mozilla) counts as on for the
// engine menu whenever it is not 0, but only the value 1 makes the Mozilla
// folder current before a window opens: a hand-edited 2 enables the menu
// item and moves nothing.
inline bool GeckoSwitchOn(int mozilla) { return mozilla != 0; }
inline bool GeckoSwitchMovesFolder(int mozilla) { return mozilla == 1; }

class FrameModel {
public:
    void SetListener(FrameModelListener* listener) { listener_ = listener; }

    // The engine new windows get, and whether Gecko may be chosen. The two
    // are independent: a selected Gecko may be one that cannot be chosen.
    EngineKind SelectedEngine() const { return selected_; }
    bool GeckoSelectable() const { return geckoSelectable_; }
    void SelectEngine(EngineKind engine);
    void SetGeckoSelectable(bool selectable);
    // The start-up rule: exactly "IE" selects IE, anything else Gecko; a
    // switch of 0 leaves Gecko unchoosable.
    void ApplyStartSettings(const std::wstring& lastEngine, int mozilla);
    // What File > new opens in the selected engine.
    PageRequest NewPage() const;
    // The value config.ini's LastEngine keeps for the selection.
    std::wstring LastEngineText() const;

    const std::vector<ChildState>& Children() const { return children_; }
    const ChildState* Find(ChildId id) const;
    ChildId Active() const { return active_; }
    const ChildState* ActiveState() const { return Find(active_); }
    // Whether the active window's page may open in the other engine: IE
    // always, Gecko only while it may be chosen.
    bool CanOpenInOtherEngine() const;

    const FrameView& View() const { return view_; }

    // A window is made: it starts with Back, Forward and Stop as the frame
    // shows them (as the previously active window left them), Reload off.
    ChildId AddChild(EngineKind engine, const std::wstring& caption = std::wstring());
    // It becomes the active one: the frame shows its address (what its
    // engine says now), its progress and its buttons; the status stays.
    void Activate(ChildId id, const std::wstring& locationUrl);
    // It closes: the frame's address, status and progress clear and Reload
    // goes off, whichever window closes; Back, Forward and Stop stay.
    void CloseChild(ChildId id);
    // Its window is gone.
    void RemoveChild(ChildId id);
    void SetCaption(ChildId id, const std::wstring& caption);

    // Engine reports. Any window's report shows in the frame, active or not.
    void StatusTextChange(ChildId id, const std::wstring& text);
    void TitleChange(ChildId id, const std::wstring& title, const std::wstring& locationUrl);
    void ProgressChange(ChildId id, int progress, int progressMax);
    void CommandStateChange(ChildId id, int command, bool enable);
    // A page asks for a new window: it opens, in the engine selected by
    // then, the asking window's last status text. That text is what the
    // engines leave there while a link is pointed at, which is how a link
    // that wants a new window names its address to this program.
    void NewWindow2(ChildId id);
    std::optional<PageRequest> TakeRequest();
    // A navigation that belongs in the other engine opens there instead.
    void QueueSwitch(PageRequest request);

    // Site rules' bookkeeping of a window (see ChildState).
    void SetRouting(ChildId id, bool ruled, std::vector<std::wstring> chain);
    void NavigationStarted(ChildId id, const std::wstring& url);
    void NavigationFailed(ChildId id);
    // The user navigates anew, or a page has finished: a new chain begins.
    void EndChain(ChildId id);
    void ShowStatus(const std::wstring& text);

    // The window's zoom has changed: the status line says so.
    void SetZoom(ChildId id, int percent);

    // A window's engine has reported the address of the page it shows now
    // (the frame's address box keeps what it shows).
    void PageAddress(ChildId id, const std::wstring& address);

    // A window moves in the order of the windows (a tab dragged).
    void MoveChild(ChildId id, std::size_t position);

    // The Window menu's options (config.ini's TabBar and RestoreSession),
    // and how many closed windows can be opened again.
    bool TabBar() const { return tabBar_; }
    bool RestoreSession() const { return restoreSession_; }
    std::size_t ClosedWindows() const { return closedWindows_; }
    void SetTabBar(bool shown);
    void SetRestoreSession(bool restore);
    void SetClosedWindows(std::size_t count);

    // Direct writes to what the frame shows.
    void ShowAddress(const std::wstring& address);
    void ShowProgress(int value);
    void ShowButton(NavButton button, bool enabled);

private:
    ChildState* Get(ChildId id);
    void Notify(unsigned changes, ChildId child = kNoChild);
    void SetBar(int value) { view_.progress = value < 0 ? 0 : value > 100 ? 100 : value; }

    FrameModelListener* listener_ = nullptr;
    EngineKind selected_ = EngineKind::IE;
    bool geckoSelectable_ = true;
    std::vector<ChildState> children_;
    ChildId active_ = kNoChild;
    ChildId nextId_ = 1;
    FrameView view_;
    std::deque<PageRequest> requests_;
    bool tabBar_ = true;
    bool restoreSession_ = false;
    std::size_t closedWindows_ = 0;
};

// The zoom one step in (direction > 0) or out from `percent`, through
// 50, 67, 80, 90, 100, 110, 125, 150, 175, 200, 250 and 300; the ends
// stay where they are.
int NextZoom(int percent, int direction);

// Progress x 100 / ProgressMax in 32-bit arithmetic, truncated, with no
// overflow.
int ScaledProgress(int progress, int progressMax);

}  // namespace vesko
