// Working sets of the frame in one process per scenario, each measured by
// the process itself once idle and handed back as its exit code (KB):
//   bare        this program with COM and the engine doubles, no frame
//   idle        the frame, no child windows
//   children10  the frame with 10 child windows (engine double)
//   children50  the frame with 50 child windows
//   editor100k  the frame with a bookmark editor of 100,000 entries open
// Usage: bench_memory [--runs N]; bench_memory --scenario NAME runs one.
#include <windows.h>
#include <commctrl.h>
#include <ole2.h>
#include <psapi.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "bench/win/BenchSupport.h"
#include "bookmarks/BookMark.h"
#include "shell/MainForm.h"
#include "tests/support/EngineDouble.h"

namespace {

using namespace vesko;
using namespace vesko::bench;

constexpr DWORD kFailed = 0xFFFFFFFF;

void PumpIdle() {
    // Until the queue stays empty for a moment.
    for (int quiet = 0; quiet < 5;) {
        MSG msg;
        bool any = false;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
            any = true;
        }
        quiet = any ? 0 : quiet + 1;
        Sleep(20);
    }
}

DWORD WorkingSetKb() {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    if (!GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters)) return kFailed;
    return static_cast<DWORD>(counters.WorkingSetSize / 1024);
}

DWORD RunScenario(const std::wstring& name) {
    if (FAILED(OleInitialize(nullptr))) return kFailed;
    DWORD result = kFailed;
    {
        test::EngineDoubles engines;
        const std::wstring dir = TempDir(L"memory");
        WriteBytes(dir + L"config.ini", "[Option]\r\nMozilla=0\r\n");
        if (name == L"bare") {
            PumpIdle();
            result = WorkingSetKb();
        } else {
            MainFormOptions options;
            options.programDir = dir;
            options.quitOnDestroy = false;
            FrameModel model;
            auto frame = std::make_unique<TMainForm>(model, options);
            PumpIdle();
            int children = name == L"children10" ? 10 : name == L"children50" ? 50 : 0;
            for (int i = 0; i < children; ++i) frame->FileNew1Execute();
            Tfrm_BMEdit* editor = nullptr;
            if (name == L"editor100k") {
                WriteBytes(dir + L"big.xml", GeneratedFile(100000));
                editor = Tfrm_BMEdit::Create(dir + L"big.xml", frame->Handle());
                editor->Show();
            }
            PumpIdle();
            // Measured before the check, which copies the editor's URLs.
            const DWORD kb = WorkingSetKb();
            const bool ready = frame->ChildCount() == children && (!editor || editor->UrlList().size() == 100000) &&
                               engines.LiveCount() == size_t(children);
            if (ready) result = kb;
            if (editor) editor->btnCancelClick();
            frame.reset();
            PumpIdle();
        }
        RemoveFolder(dir);
    }
    OleUninitialize();
    return result;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc == 3 && wcscmp(argv[1], L"--scenario") == 0) {
        INITCOMMONCONTROLSEX icc{sizeof icc, ICC_TREEVIEW_CLASSES | ICC_BAR_CLASSES};
        InitCommonControlsEx(&icc);
        return static_cast<int>(RunScenario(argv[2]));
    }
    const int runs = RunsFromArgs(argc, argv, 5);
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    const wchar_t* scenarios[] = {L"bare", L"idle", L"children10", L"children50", L"editor100k"};
    const char* names[] = {"bench process, COM only (no frame)", "frame idle (in-process)", "frame + 10 child windows",
                           "frame + 50 child windows", "frame + 100,000-entry editor open"};
    std::vector<std::vector<double>> kilobytes(5);
    for (int run = 0; run < runs; ++run) {
        for (int i = 0; i < 5; ++i) {
            std::wstring commandLine = L"\"" + std::wstring(self) + L"\" --scenario " + scenarios[i];
            STARTUPINFOW si{};
            si.cb = sizeof si;
            PROCESS_INFORMATION pi{};
            if (!CreateProcessW(self, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
                Fail("CreateProcess");
            if (WaitForSingleObject(pi.hProcess, 300000) != WAIT_OBJECT_0) {
                TerminateProcess(pi.hProcess, kFailed);
                WaitForSingleObject(pi.hProcess, 5000);
            }
            DWORD code = kFailed;
            GetExitCodeProcess(pi.hProcess, &code);
            CloseHandle(pi.hThread);
            CloseHandle(pi.hProcess);
            if (code == kFailed || code == 0) {
                std::fprintf(stderr, "bench: memory scenario %ls failed (exit %lu)\n", scenarios[i], code);
                return 2;
            }
            kilobytes[static_cast<size_t>(i)].push_back(static_cast<double>(code));
        }
    }
    for (int i = 0; i < 5; ++i)
        std::printf("{\"group\":\"memory\",\"name\":\"%s\",\"runs\":%d,\"kb\":%.0f}\n", names[i], runs,
                    Median(kilobytes[static_cast<size_t>(i)]));
    return 0;
}
