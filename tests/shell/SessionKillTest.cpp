// The session under kills: a child process runs the frame, and a driver
// in it opens, navigates, moves, activates, closes and reopens windows,
// step after step drawn from a seed, waiting after each until the frame
// is idle. It
// is killed (TerminateProcess) at a random moment. session.xml must then
// read, and hold the windows (and those closed) of the last step the
// driver finished or of the one it was in, which the same seed replayed
// here on a plain list gives; every tenth trial, a frame started on the
// file must bring those windows back. VESKO_SESSION_KILL_TRIALS sets the
// number of trials (100).
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "browser/BrowserChild.h"
#include "common/ErrorReport.h"
#include "session/Session.h"
#include "shell/MainForm.h"
#include "tests/support/BoxAnswer.h"
#include "tests/support/EngineDouble.h"
#include "tests/support/FrameFixture.h"

namespace vesko::test {
namespace {

constexpr UINT kKilled = 77;  // the exit code the parent kills with
constexpr std::size_t kMostWindows = 8;

struct Shared {
    volatile long finished;  // the last step the driver finished
    volatile long errors;    // error boxes the frame would have shown
};

std::wstring Wide(const std::u16string& text) { return std::wstring(text.begin(), text.end()); }

// The driver's steps from a seed, each applied to a plain session as the
// frame should leave its file: windows in the order they opened, each
// with the address it was last asked to show, the active one, and the
// closed ones newest first. A new or reopened window comes on top and
// active; closing the active one activates the next below it, as MDI
// does.
class Script {
public:
    enum Kind { Open, Navigate, Move, Activate, Close, Reopen };
    struct Step {
        Kind kind;
        std::size_t window;  // index into the windows before the step
        SessionWindow page;  // the window opened or reopened, the address loaded, the rectangle moved to
    };

    explicit Script(std::uint32_t seed) : random_(seed) {}

    Step Next() {
        const std::u16string n = Number(++steps_);
        const std::size_t count = now_.windows.size();
        Step step{Kind(random_() % 6), count ? random_() % count : 0, {}};
        if (step.kind == Reopen && now_.closed.empty()) step.kind = Open;
        if (count == 0 && step.kind != Reopen) step.kind = Open;
        if ((step.kind == Open || step.kind == Reopen) && count >= kMostWindows) step.kind = Close;
        step.page.caption = u"窓 " + n;
        step.page.address = u"https://例え.jp/step" + n + u"?q=" + n;
        step.page.rect = RandomRect();
        if (step.kind == Reopen) step.page = now_.closed.front();
        Apply(step);
        return step;
    }
    const Session& Now() const { return now_; }

private:
    static std::u16string Number(long n) {
        const std::string digits = std::to_string(n);
        return std::u16string(digits.begin(), digits.end());
    }
    WindowRect RandomRect() {
        const int left = static_cast<int>(random_() % 500) - 60, top = static_cast<int>(random_() % 300) - 40;
        return WindowRect{left, top, left + 200 + static_cast<int>(random_() % 400),
                          top + 150 + static_cast<int>(random_() % 300)};
    }
    void Apply(const Step& step) {
        std::vector<SessionWindow>& windows = now_.windows;
        const auto at = static_cast<std::ptrdiff_t>(step.window);
        switch (step.kind) {
        case Reopen:
            now_.closed.erase(now_.closed.begin());
            [[fallthrough]];
        case Open:
            windows.push_back(step.page);
            ids_.push_back(++lastId_);
            Raise(lastId_);
            break;
        case Navigate:
            windows[step.window].address = step.page.address;
            break;
        case Move:
            windows[step.window].rect = step.page.rect;
            break;
        case Activate:
            Raise(ids_[step.window]);
            break;
        case Close:
            now_.closed.insert(now_.closed.begin(), windows[step.window]);
            if (now_.closed.size() > kMaxClosedWindows) now_.closed.pop_back();
            zOrder_.erase(std::find(zOrder_.begin(), zOrder_.end(), ids_[step.window]));
            windows.erase(windows.begin() + at);
            ids_.erase(ids_.begin() + at);
            break;
        }
        now_.active.reset();
        if (!zOrder_.empty())
            now_.active = static_cast<std::size_t>(std::find(ids_.begin(), ids_.end(), zOrder_.front()) - ids_.begin());
    }
    void Raise(int id) {
        zOrder_.erase(std::remove(zOrder_.begin(), zOrder_.end(), id), zOrder_.end());
        zOrder_.insert(zOrder_.begin(), id);
    }

    std::mt19937 random_;
    long steps_ = 0;
    Session now_;
    std::vector<int> ids_;     // parallel to now_.windows
    std::vector<int> zOrder_;  // topmost (active) first
    int lastId_ = 0;
};

Script After(std::uint32_t seed, long steps) {
    Script script(seed);
    for (long i = 0; i < steps; ++i) script.Next();
    return script;
}

bool SameWindows(const Session& a, const Session& b) {
    return a.windows == b.windows && a.active == b.active && a.closed == b.closed;
}

// A window as the step that gave it its address ("q=" names it) and its
// rectangle, for the failure message.
std::string Describe(const Session& session) {
    std::ostringstream out;
    for (const SessionWindow& w : session.windows) {
        const std::size_t at = w.address.rfind(u"q=");
        out << "[" << (at == std::u16string::npos ? "-" : std::string(w.address.begin() + at + 2, w.address.end()))
            << " " << w.rect.left << "," << w.rect.top << "," << w.rect.right << "," << w.rect.bottom << "] ";
    }
    out << "active " << (session.active ? static_cast<long>(*session.active) : -1L) << ", " << session.closed.size()
        << " closed";
    return out.str();
}

int KillTrials() {
    wchar_t text[16] = {};
    const DWORD n = GetEnvironmentVariableW(L"VESKO_SESSION_KILL_TRIALS", text, 16);
    const int trials = n && n < 16 ? _wtoi(text) : 0;
    return trials > 0 ? trials : 100;
}

class ChildRun {
public:
    ChildRun(const std::wstring& dir, std::uint32_t seed, int trial) {
        const std::wstring name =
            L"VeskoSessionKill-" + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(trial);
        mapping_ = CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof(Shared), name.c_str());
        shared_ = static_cast<Shared*>(MapViewOfFile(mapping_, FILE_MAP_ALL_ACCESS, 0, 0, sizeof(Shared)));
        wchar_t self[MAX_PATH];
        GetModuleFileNameW(nullptr, self, MAX_PATH);
        // Without its final separator: a backslash before the closing quote
        // would escape it.
        std::wstring command = L"\"" + std::wstring(self) + L"\" --session-loop \"" +
                               dir.substr(0, dir.size() - 1) + L"\" " + std::to_wstring(seed) + L" " + name;
        STARTUPINFOW si{};
        si.cb = sizeof si;
        started_ = shared_ &&
                   CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi_);
    }
    ~ChildRun() {
        if (started_) {
            TerminateProcess(pi_.hProcess, kKilled);
            CloseHandle(pi_.hThread);
            CloseHandle(pi_.hProcess);
        }
        if (shared_) UnmapViewOfFile(shared_);
        CloseHandle(mapping_);
    }
    bool Started() const { return started_; }
    // Waits until the driver has finished `step`, then kills it `delay` ms
    // later. False when it ended by itself.
    bool KillAfter(long step, DWORD delay) {
        for (int waited = 0; shared_->finished < step && waited < 60000; waited += 5)
            if (WaitForSingleObject(pi_.hProcess, 5) == WAIT_OBJECT_0) return false;
        Sleep(delay);
        if (WaitForSingleObject(pi_.hProcess, 0) == WAIT_OBJECT_0) return false;
        TerminateProcess(pi_.hProcess, kKilled);
        WaitForSingleObject(pi_.hProcess, INFINITE);
        DWORD code = 0;
        return GetExitCodeProcess(pi_.hProcess, &code) && code == kKilled;
    }
    long Finished() const { return shared_->finished; }
    long Errors() const { return shared_->errors; }

private:
    HANDLE mapping_ = nullptr;
    Shared* shared_ = nullptr;
    PROCESS_INFORMATION pi_{};
    bool started_ = false;
};

// The live engine of a window.
std::size_t EngineOf(EngineDoubles& engines, BrowserChild* child) {
    for (std::size_t i = 0; i < engines.Count(); ++i)
        if (engines.Record(i).alive && engines.Record(i).host == child->Handle()) return i;
    throw std::logic_error("a window without an engine");
}

// One step on the frame, as the user and the engine take it. An engine
// starts each navigation it is asked for at once (BeforeNavigate2) and
// finishes it later: a new page loads in a step of its own.
void Drive(TMainForm& frame, EngineDoubles& engines, const Script::Step& step) {
    if (step.kind == Script::Open || step.kind == Script::Reopen) {
        if (step.kind == Script::Open) {
            frame.OpenPage(Wide(step.page.caption), Wide(step.page.address));
            const WindowRect& r = step.page.rect;
            SetWindowPos(frame.Children().back()->Handle(), nullptr, r.left, r.top, r.right - r.left,
                         r.bottom - r.top, SWP_NOZORDER | SWP_NOACTIVATE);
        } else {
            frame.ReopenClosed1Execute();
        }
        engines.FireBeforeNavigate2(EngineOf(engines, frame.Children().back()), Wide(step.page.address));
        return;
    }
    BrowserChild* child = frame.Children().at(step.window);
    const std::size_t engine = EngineOf(engines, child);
    const WindowRect& r = step.page.rect;
    switch (step.kind) {
    case Script::Navigate:
        engines.FireBeforeNavigate2(engine, Wide(step.page.address));
        engines.Record(engine).locationURL = Wide(step.page.address);
        engines.FireDocumentComplete(engine);
        break;
    case Script::Move:
        SetWindowPos(child->Handle(), nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
        break;
    case Script::Activate:
        SendMessageW(frame.MdiClient(), WM_MDIACTIVATE, reinterpret_cast<WPARAM>(child->Handle()), 0);
        break;
    default:
        SendMessageW(child->Handle(), WM_CLOSE, 0, 0);
        break;
    }
}

RECT NormalRect(HWND window) {
    WINDOWPLACEMENT placement{};
    placement.length = sizeof placement;
    GetWindowPlacement(window, &placement);
    return placement.rcNormalPosition;
}

// The next start after the kill, told Yes: the same windows in the same
// places, the same one active.
void ExpectRestored(const std::wstring& dir, const Session& expected) {
    std::vector<std::wstring> errors;
    SetErrorSink([&errors](const std::wstring& text) { errors.push_back(text); });
    EngineDoubles engines;
    {
        FrameModel model;
        BoxAnswer yes(IDYES);
        TMainForm frame(model, MainFormOptions{dir, false});
        FrameTest::Pump();
        EXPECT_EQ(yes.shown, !expected.windows.empty());
        const std::vector<BrowserChild*> children = frame.Children();
        ASSERT_EQ(children.size(), expected.windows.size());
        for (std::size_t i = 0; i < children.size(); ++i) {
            const SessionWindow& w = expected.windows[i];
            EXPECT_EQ(children[i]->Caption(), Wide(w.caption));
            EXPECT_EQ(engines.Record(i).navigated, std::vector<std::wstring>{Wide(w.address)});
            const RECT r = NormalRect(children[i]->Handle());
            EXPECT_EQ((WindowRect{r.left, r.top, r.right, r.bottom}), w.rect) << i;
        }
        if (expected.active) {
            EXPECT_EQ(frame.ActiveChild(), children[*expected.active]);
        }
    }
    FrameTest::Pump();
    EXPECT_EQ(engines.LiveCount(), 0u);
    EXPECT_TRUE(errors.empty()) << (errors.empty() ? "" : std::string(errors[0].begin(), errors[0].end()));
    SetErrorSink({});
}

TEST(SessionKill, KilledAtRandomTheSessionFileIsWholeAndHoldsEveryFinishedChange) {
    std::mt19937 random(std::random_device{}());
    const int trials = KillTrials();
    long steps = 0;
    int atLastFinished = 0, atStepInProgress = 0, beforeFirstWrite = 0, restored = 0;
    int trial = 0;
    for (; trial < trials && !HasFailure(); ++trial) {
        const std::wstring dir = MakeTempDir();
        ASSERT_FALSE(dir.empty());
        WriteFileBytes(dir + L"config.ini", "[Option]\r\nMozilla=0\r\n");
        const std::uint32_t seed = random();
        long finished = 0;
        {
            ChildRun child(dir, seed, trial);
            ASSERT_TRUE(child.Started()) << "trial " << trial << ": error " << GetLastError();
            // Step 0 kills it while it starts, and so before its first write
            // now and then.
            ASSERT_TRUE(child.KillAfter(static_cast<long>(random() % 40), random() % 30))
                << "trial " << trial << " (seed " << seed << "): the child ended by itself after step "
                << child.Finished();
            finished = child.Finished();
            EXPECT_EQ(child.Errors(), 0) << "trial " << trial << " (seed " << seed << ")";
        }
        steps += finished;
        const std::string bytes = ReadFileBytes(dir + L"session.xml");
        if (bytes.empty()) {
            EXPECT_EQ(finished, 0) << "trial " << trial << ": no session.xml after a finished step";
            ++beforeFirstWrite;
        } else {
            Session saved;
            ASSERT_NO_THROW(saved = ReadSessionFile(bytes)) << "trial " << trial << ": session.xml is damaged";
            EXPECT_TRUE(saved.running);
            const Script last = After(seed, finished);
            Script next = last;
            next.Next();
            if (SameWindows(saved, last.Now())) {
                ++atLastFinished;
            } else if (SameWindows(saved, next.Now())) {
                ++atStepInProgress;
            } else {
                ADD_FAILURE() << "trial " << trial << " (seed " << seed << "), killed after step " << finished
                              << "\n  file:       " << Describe(saved) << "\n  finished:   " << Describe(last.Now())
                              << "\n  in progress: " << Describe(next.Now());
            }
            if (trial % 10 == 9 && !HasFailure()) {
                ExpectRestored(dir, saved);
                ++restored;
            }
        }
        RemoveTree(dir);
    }
    std::printf("%d trials, %ld steps finished; the file as after the last finished step %d times, as after the "
                "step in progress %d, not yet written %d; %d restored\n",
                trial, steps, atLastFinished, atStepInProgress, beforeFirstWrite, restored);
    RecordProperty("steps", static_cast<int>(steps));
    RecordProperty("finished", atLastFinished);
    RecordProperty("inprogress", atStepInProgress);
    RecordProperty("unwritten", beforeFirstWrite);
    RecordProperty("restored", restored);
}

}  // namespace

// The child of the kill test: the frame in a program folder of its own,
// driven from `seed` until killed, saying after each step, once the frame
// is idle, which it has finished.
int SessionLoop(const std::wstring& dir, std::uint32_t seed, const std::wstring& mappingName) {
    HANDLE mapping = OpenFileMappingW(FILE_MAP_ALL_ACCESS, FALSE, mappingName.c_str());
    auto* shared = static_cast<Shared*>(MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, sizeof(Shared)));
    if (!shared || FAILED(OleInitialize(nullptr))) return 2;
    SetErrorSink([shared](const std::wstring&) { ++shared->errors; });
    EngineDoubles engines;
    FrameModel model;
    TMainForm frame(model, MainFormOptions{dir, false});
    FrameTest::Pump();
    Script script(seed);
    for (long number = 1;; ++number) {
        Drive(frame, engines, script.Next());
        FrameTest::Pump();
        shared->finished = number;
    }
}

}  // namespace vesko::test
