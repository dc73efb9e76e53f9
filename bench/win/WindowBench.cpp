// Windows and the session at scale: the frame in-process with the engine
// double, in a program folder of its own so that session.xml is really
// written. Each run of each scenario is a fresh process, which writes its
// figures to a file:
//   open     the frame, then 200 IE windows opened one by one (OpenPage),
//            each timed from the call until the frame is idle again, the
//            tab strip and the session's write included; the working set
//            and private bytes idle with 0, 50 and 200 windows
//   restore  the frame started on a session.xml of 200 IE windows
//            (RestoreSession=1, running="0"), timed from creating it until
//            it is idle with the 200 open
//   plain    one plain MDI child opened in a bare MDI frame: the baseline
//            of the first window
// Usage: bench_windows [--runs N]; bench_windows --scenario NAME FILE.
#include <windows.h>
#include <commctrl.h>
#include <ole2.h>
#include <psapi.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "bench/win/BenchSupport.h"
#include "session/Session.h"
#include "shell/MainForm.h"
#include "tests/support/EngineDouble.h"

namespace {

using namespace vesko;
using namespace vesko::bench;

constexpr int kWindows = 200;
constexpr int kFigures = 16;  // what one run of a scenario hands back

// Runs what is queued, paints included, until nothing is left: the frame
// is idle and waits for the user.
void PumpIdle() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

struct Memory {
    double workingSetKb = 0, privateKb = 0;
};

// Private bytes are the commit charge, PagefileUsage, which Wine fills in
// (it leaves PrivateUsage at 0).
Memory MemoryNow() {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    if (!GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters)) Fail("GetProcessMemoryInfo");
    return {static_cast<double>(counters.WorkingSetSize) / 1024, static_cast<double>(counters.PagefileUsage) / 1024};
}

std::wstring ProgramFolder(const char* config) {
    const std::wstring dir = TempDir(L"windows");
    WriteBytes(dir + L"config.ini", config);
    return dir;
}

// The frame started in `dir`, with the time until it is idle in `seconds`.
std::unique_ptr<TMainForm> OpenFrame(FrameModel& model, const std::wstring& dir, double& seconds) {
    MainFormOptions options;
    options.programDir = dir;
    options.quitOnDestroy = false;
    const double start = Now();
    auto frame = std::make_unique<TMainForm>(model, options);
    PumpIdle();
    seconds = Now() - start;
    return frame;
}

// The frame's windows written to its session.xml.
std::size_t SavedWindows(const std::wstring& dir) {
    return ReadSessionFile(ReadBytes(dir + kSessionFileName)).windows.size();
}

std::wstring Address(int n) { return L"http://host" + std::to_wstring(n) + L".example.co.jp/page"; }

// figures: start-up, the 200 windows' sum, the 1st, 50th and 200th window
// (seconds), working set and private bytes at 0, 50 and 200 windows, the
// 2nd window.
std::vector<double> RunOpen(std::vector<double>& each) {
    test::EngineDoubles engines;
    const std::wstring dir = ProgramFolder("[Option]\r\nMozilla=0\r\n");
    std::vector<double> figures(kFigures);
    FrameModel model;
    auto frame = OpenFrame(model, dir, figures[0]);
    Memory memory[3] = {MemoryNow(), {}, {}};
    for (int n = 1; n <= kWindows; ++n) {
        const double t = Now();
        frame->OpenPage(std::wstring(), Address(n));
        PumpIdle();
        each.push_back(Now() - t);
        if (n == 50) memory[1] = MemoryNow();
    }
    memory[2] = MemoryNow();
    if (frame->ChildCount() != kWindows || engines.LiveCount() != size_t(kWindows) || SavedWindows(dir) != kWindows)
        Fail("the 200 windows are not all open and written");
    for (double t : each) figures[1] += t;
    figures[2] = each[0];
    figures[3] = each[49];
    figures[4] = each[kWindows - 1];
    figures[11] = each[1];
    for (int i = 0; i < 3; ++i) {
        figures[static_cast<size_t>(5 + i)] = memory[i].workingSetKb;
        figures[static_cast<size_t>(8 + i)] = memory[i].privateKb;
    }
    frame.reset();
    PumpIdle();
    RemoveFolder(dir);
    return figures;
}

std::string SessionOf200() {
    Session session;
    for (int n = 1; n <= kWindows; ++n) {
        const std::wstring address = Address(n);
        const int offset = (n % 20) * 20;
        session.windows.push_back(SessionWindow{SessionEngine::IE, u"ページ", std::u16string(address.begin(), address.end()),
                                                WindowShow::Normal, WindowRect{offset, offset, offset + 600, offset + 400}});
    }
    session.active = kWindows - 1;
    return WriteSessionFile(session);
}

// figures: the time from creating the frame until it is idle with the 200
// windows of the session open.
std::vector<double> RunRestore() {
    test::EngineDoubles engines;
    const std::wstring dir = ProgramFolder("[General]\r\nRestoreSession=1\r\n[Option]\r\nMozilla=0\r\n");
    WriteBytes(dir + kSessionFileName, SessionOf200());
    std::vector<double> figures(kFigures);
    FrameModel model;
    auto frame = OpenFrame(model, dir, figures[0]);
    if (frame->ChildCount() != kWindows || engines.LiveCount() != size_t(kWindows) || SavedWindows(dir) != kWindows)
        Fail("the session's 200 windows are not all restored and written");
    frame.reset();
    PumpIdle();
    RemoveFolder(dir);
    return figures;
}

LRESULT CALLBACK PlainFrameProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    static HWND client = nullptr;
    if (msg == WM_CREATE) {
        CLIENTCREATESTRUCT ccs{nullptr, 50000};
        client = CreateWindowExW(WS_EX_CLIENTEDGE, L"MDICLIENT", nullptr, WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0,
                                 800, 500, hwnd, nullptr, GetModuleHandleW(nullptr), &ccs);
        return client ? 0 : -1;
    }
    return DefFrameProcW(hwnd, client, msg, wp, lp);
}

LRESULT CALLBACK PlainChildProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    return DefMDIChildProcW(hwnd, msg, wp, lp);
}

// figures: one plain MDI child (a child window inside it, as an engine's
// view is), from the call until idle.
std::vector<double> RunPlain() {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpfnWndProc = PlainFrameProc;
    wc.lpszClassName = L"BenchPlainFrame";
    RegisterClassExW(&wc);
    wc.lpfnWndProc = PlainChildProc;
    wc.lpszClassName = L"BenchPlainChild";
    RegisterClassExW(&wc);
    HWND frame = CreateWindowExW(0, L"BenchPlainFrame", L"Plain", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN | WS_VISIBLE,
                                 CW_USEDEFAULT, CW_USEDEFAULT, 900, 650, nullptr, nullptr, wc.hInstance, nullptr);
    if (!frame) Fail("cannot create the plain frame");
    PumpIdle();
    HWND client = GetWindow(frame, GW_CHILD);
    std::vector<double> figures(kFigures);
    const double start = Now();
    MDICREATESTRUCTW mcs{L"BenchPlainChild", L"Plain", wc.hInstance, CW_USEDEFAULT, CW_USEDEFAULT,
                         CW_USEDEFAULT,      CW_USEDEFAULT, 0, 0};
    HWND child = reinterpret_cast<HWND>(SendMessageW(client, WM_MDICREATE, 0, reinterpret_cast<LPARAM>(&mcs)));
    if (!child) Fail("cannot create the plain child");
    RECT r;
    GetClientRect(child, &r);
    CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE, 0, 0, r.right, r.bottom, child, nullptr, wc.hInstance,
                    nullptr);
    PumpIdle();
    figures[0] = Now() - start;
    DestroyWindow(frame);
    PumpIdle();
    return figures;
}

int RunScenario(const std::wstring& name, const std::wstring& out) {
    if (FAILED(OleInitialize(nullptr))) Fail("OleInitialize");
    std::vector<double> each;
    const std::vector<double> figures = name == L"open"      ? RunOpen(each)
                                        : name == L"restore" ? RunRestore()
                                                             : RunPlain();
    std::string text;
    for (double f : figures) text += std::to_string(f) + " ";
    text += "\n";
    for (double t : each) text += std::to_string(t) + " ";
    WriteBytes(out, text + "\n");
    OleUninitialize();
    return 0;
}

// One run of a scenario in a process of its own: its figures, and the
// time of each window when it opens them.
std::vector<double> RunInProcess(const wchar_t* scenario, std::vector<double>& each) {
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    const std::wstring dir = TempDir(L"windows-run");
    const std::wstring out = dir + L"figures.txt";
    std::wstring commandLine = L"\"" + std::wstring(self) + L"\" --scenario " + scenario + L" \"" + out + L"\"";
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(self, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        Fail("CreateProcess");
    if (WaitForSingleObject(pi.hProcess, 600000) != WAIT_OBJECT_0) TerminateProcess(pi.hProcess, 2);
    WaitForSingleObject(pi.hProcess, INFINITE);
    DWORD code = 2;
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    if (code != 0) Fail("a scenario failed");
    const std::string text = ReadBytes(out);
    RemoveFolder(dir);
    std::vector<double> figures;
    const char* p = text.c_str();
    char* end = nullptr;
    for (double value = std::strtod(p, &end); end != p; value = std::strtod(p, &end)) {
        (figures.size() < kFigures ? figures : each).push_back(value);
        p = end;
    }
    if (figures.size() != kFigures) Fail("a scenario's figures are missing");
    return figures;
}

void PrintPerWindow(const char* name, const std::vector<double>& at0, const std::vector<double>& atN, int n) {
    std::vector<double> perWindow;
    for (size_t i = 0; i < at0.size(); ++i) perWindow.push_back((atN[i] - at0[i]) / n);
    std::printf("{\"group\":\"windows\",\"name\":\"%s, %d windows\",\"runs\":%zu,\"kb_per_window\":%.2f}\n", name, n,
                perWindow.size(), Median(perWindow));
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc == 4 && wcscmp(argv[1], L"--scenario") == 0) {
        INITCOMMONCONTROLSEX icc{sizeof icc, ICC_BAR_CLASSES | ICC_TAB_CLASSES};
        InitCommonControlsEx(&icc);
        return RunScenario(argv[2], argv[3]);
    }
    const int runs = RunsFromArgs(argc, argv, 5);
    // figure index -> the runs' values
    std::vector<std::vector<double>> open(kFigures), restore(kFigures), plain(kFigures);
    std::vector<std::vector<double>> eachWindow(kWindows);
    for (int run = 0; run < runs; ++run) {
        std::vector<double> each, none;
        const std::vector<double> p = RunInProcess(L"plain", none);
        const std::vector<double> o = RunInProcess(L"open", each);
        const std::vector<double> r = RunInProcess(L"restore", none);
        for (size_t i = 0; i < kFigures; ++i) {
            plain[i].push_back(p[i]);
            open[i].push_back(o[i]);
            restore[i].push_back(r[i]);
        }
        for (size_t i = 0; i < each.size() && i < kWindows; ++i) eachWindow[i].push_back(each[i]);
    }
    PrintTiming("windows", "open the 1st window", 1, open[2], "a plain MDI child in a bare MDI frame", plain[0]);
    PrintTiming("windows", "open the 2nd window", 2, open[11], "open the 1st window", open[2]);
    PrintTiming("windows", "open the 50th window", 50, open[3], "open the 1st window", open[2]);
    PrintTiming("windows", "open the 200th window", 200, open[4], "open the 1st window", open[2]);
    std::vector<double> oneByOne;
    for (size_t i = 0; i < open[0].size(); ++i) oneByOne.push_back(open[0][i] + open[1][i]);
    PrintTiming("windows", "start-up, 200-window session restored", 200, restore[0],
                "start-up, then 200 windows opened one by one", oneByOne);
    PrintPerWindow("working set per window", open[5], open[6], 50);
    PrintPerWindow("working set per window", open[5], open[7], 200);
    PrintPerWindow("private bytes per window", open[8], open[9], 50);
    PrintPerWindow("private bytes per window", open[8], open[10], 200);
    // How the cost of a window grows with the windows open, for RESULTS.md.
    for (int n : {1, 2, 10, 25, 50, 100, 150, 200})
        std::fprintf(stderr, "window %d: %.3f ms\n", n, Median(eachWindow[static_cast<size_t>(n - 1)]) * 1e3);
    return 0;
}
