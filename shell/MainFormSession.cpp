// The frame's session: its windows written to session.xml as they change,
// brought back after a crash (or at every start when the user wants), and
// windows closed lately opened again.
#include <algorithm>
#include <utility>

#include "browser/BrowserChild.h"
#include "common/Error.h"
#include "common/ErrorReport.h"
#include "shell/MainForm.h"
#include "session/win/SessionKeeper.h"

namespace vesko {
namespace {

inline constexpr wchar_t kKeyRestoreSession[] = L"RestoreSession";

std::u16string U16(const std::wstring& text) { return std::u16string(text.begin(), text.end()); }
std::wstring Wide(const std::u16string& text) { return std::wstring(text.begin(), text.end()); }

SessionWindow SessionWindowOf(HWND window, const ChildState& state) {
    SessionWindow saved;
    saved.engine = state.engine == EngineKind::Gecko ? SessionEngine::Gecko : SessionEngine::IE;
    saved.caption = U16(state.caption);
    // An engine names the page's address once the page has come; until
    // then the window is kept by the address it was sent to, or a window
    // killed while loading would come back blank.
    saved.address = U16(state.address.empty() ? state.lastNavigated : state.address);
    WINDOWPLACEMENT placement{};
    placement.length = sizeof placement;
    if (GetWindowPlacement(window, &placement)) {
        const RECT& r = placement.rcNormalPosition;
        saved.rect = WindowRect{r.left, r.top, r.right, r.bottom};
    }
    saved.show = IsZoomed(window) ? WindowShow::Maximized : IsIconic(window) ? WindowShow::Minimized : WindowShow::Normal;
    return saved;
}

// Puts a reopened window where it was: its normal rectangle, then its state.
void Place(HWND mdiClient, HWND window, const SessionWindow& saved) {
    if (saved.rect.right > saved.rect.left && saved.rect.bottom > saved.rect.top) {
        WINDOWPLACEMENT placement{};
        placement.length = sizeof placement;
        GetWindowPlacement(window, &placement);
        placement.rcNormalPosition = RECT{saved.rect.left, saved.rect.top, saved.rect.right, saved.rect.bottom};
        placement.showCmd = IsZoomed(window) ? SW_SHOWMAXIMIZED : SW_SHOWNORMAL;
        SetWindowPlacement(window, &placement);
    }
    if (saved.show == WindowShow::Maximized)
        SendMessageW(mdiClient, WM_MDIMAXIMIZE, reinterpret_cast<WPARAM>(window), 0);
    else if (saved.show == WindowShow::Minimized)
        ShowWindow(window, SW_MINIMIZE);
    else if (IsZoomed(window) || IsIconic(window))
        SendMessageW(mdiClient, WM_MDIRESTORE, reinterpret_cast<WPARAM>(window), 0);
}

}  // namespace

void TMainForm::StartSession() {
    session_ = std::make_unique<SessionKeeper>(programDir_ + kSessionFileName);
    model_.SetRestoreSession(Settings().ReadInteger(kSectionGeneral, kKeyRestoreSession, 0) == 1);
    std::optional<Session> previous = session_->ReadPrevious();
    if (!previous) {
        session_->Begin({});
        return;
    }
    bool restore = false;
    if (!previous->windows.empty()) {
        restore = previous->running
                      ? MessageBoxW(Handle(), L"前回は正常に終了しませんでした。開いていたウィンドウを復元しますか？",
                                    ApplicationTitle().c_str(), MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON1) == IDYES
                      : model_.RestoreSession();
    }
    // Windows not brought back can still be reopened one by one, the last
    // of them first.
    Session kept;
    kept.closed = previous->closed;
    if (!restore)
        for (const SessionWindow& window : previous->windows) RememberClosed(kept, window);
    session_->Begin(std::move(kept.closed));
    model_.SetClosedWindows(session_->ClosedCount());
    if (restore) RestoreWindows(previous->windows, previous->active);
}

void TMainForm::RestoreWindows(const std::vector<SessionWindow>& windows, std::optional<std::size_t> active) {
    std::vector<BrowserChild*> opened;
    bool inIE = false;
    {
        // One write when all are open, not one per window, and one drawing:
        // each window put in its place would repaint those it uncovers.
        restoring_ = true;
        SendMessageW(mdiClient_, WM_SETREDRAW, FALSE, 0);
        struct Quiet {
            bool& flag;
            HWND client;
            ~Quiet() {
                flag = false;
                SendMessageW(client, WM_SETREDRAW, TRUE, 0);
                RedrawWindow(client, nullptr, nullptr, RDW_ERASE | RDW_FRAME | RDW_INVALIDATE | RDW_ALLCHILDREN);
            }
        } quiet{restoring_, mdiClient_};
        for (const SessionWindow& window : windows) {
            try {
                opened.push_back(OpenSessionWindow(window, inIE));
            } catch (...) {
                ReportCurrentException();
                opened.push_back(nullptr);
            }
        }
        if (active && *active < opened.size() && opened[*active])
            SendMessageW(mdiClient_, WM_MDIACTIVATE, reinterpret_cast<WPARAM>(opened[*active]->Handle()), 0);
    }
    WriteSession();
    if (inIE) model_.ShowStatus(L"Gecko が使えないため Internet Explorer で開いたウィンドウがあります");
}

BrowserChild* TMainForm::OpenSessionWindow(const SessionWindow& window, bool& inIE) {
    PageRequest page;
    page.caption = Wide(window.caption);
    page.address = Wide(window.address);
    page.engine = window.engine == SessionEngine::Gecko ? EngineKind::Gecko : EngineKind::IE;
    if (page.engine == EngineKind::Gecko && !GeckoAvailable()) {
        page.engine = EngineKind::IE;
        inIE = true;
    }
    BrowserChild* child = OpenPageIn(page);
    Place(mdiClient_, child->Handle(), window);
    return child;
}

void TMainForm::WriteSession() {
    sessionDue_ = false;
    if (!session_ || session_->Ended() || restoring_) return;
    // A file that cannot be written is said once, until a write succeeds.
    try {
        std::vector<std::pair<ChildId, SessionWindow>> now;
        std::vector<SessionWindow> windows;
        std::optional<std::size_t> active;
        const std::vector<BrowserChild*> children = Children();
        for (const ChildState& state : model_.Children()) {
            const auto it = std::find_if(children.begin(), children.end(),
                                         [&](BrowserChild* c) { return c->Id() == state.id; });
            if (it == children.end()) continue;
            if (state.id == model_.Active()) active = windows.size();
            windows.push_back(SessionWindowOf((*it)->Handle(), state));
            now.emplace_back(state.id, windows.back());
        }
        for (const auto& [id, window] : lastWindows_)
            if (!model_.Find(id)) session_->Closed(window);
        lastWindows_ = std::move(now);
        session_->Update(std::move(windows), active);
        model_.SetClosedWindows(session_->ClosedCount());
        sessionFailed_ = false;
    } catch (...) {
        if (!std::exchange(sessionFailed_, true)) ReportCurrentException();
    }
}

void TMainForm::EndSession() {
    if (!session_) return;
    WriteSession();
    try {
        session_->End();
    } catch (...) {
        ReportCurrentException();
    }
}

void TMainForm::ReopenClosed1Execute() {
    if (!session_) return;
    const std::optional<SessionWindow> window = session_->TakeLastClosed();
    model_.SetClosedWindows(session_->ClosedCount());
    if (!window) return;
    bool inIE = false;
    try {
        OpenSessionWindow(*window, inIE);
    } catch (...) {
        // Not opened: it stays the one to reopen.
        session_->Closed(*window);
        model_.SetClosedWindows(session_->ClosedCount());
        throw;
    }
    if (inIE) model_.ShowStatus(L"Gecko が使えないため Internet Explorer で開きました");
}

void TMainForm::RestoreSession1Execute() {
    const bool restore = !model_.RestoreSession();
    Settings().WriteString(kSectionGeneral, kKeyRestoreSession, restore ? L"1" : L"0");
    model_.SetRestoreSession(restore);
}

void TMainForm::ChildPlaced(ChildId) { SessionChanged(); }

}  // namespace vesko
