// Start-up under Wine: from CreateProcess until the program has shown its
// window and its message loop waits for input (WaitForInputIdle), for the
// baseline window program, for vesko.exe with no bookmark file, with a
// 10,000-entry one and with a 100,000-entry one. Also each program's working set once idle, and the size
// of vesko.exe. Given bench_frame_windows.exe (the frame's own windows and
// nothing else), also vesko.exe with no session.xml against it.
// Usage: bench_startup vesko.exe bench_window.exe [bench_frame_windows.exe] [--runs N]
#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <string>
#include <vector>

#include "bench/win/BenchSupport.h"
#include "history/HistoryFile.h"

namespace {

using namespace vesko::bench;

struct Launch {
    double seconds = 0;
    SIZE_T workingSet = 0;
};

struct FindShown {
    DWORD pid;
    std::vector<HWND> windows;
};

BOOL CALLBACK CollectShown(HWND hwnd, LPARAM lp) {
    auto* find = reinterpret_cast<FindShown*>(lp);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (pid == find->pid && IsWindowVisible(hwnd)) find->windows.push_back(hwnd);
    return TRUE;
}

Launch StartOnce(const std::wstring& exe, const std::wstring& dir) {
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    std::wstring commandLine = L"\"" + exe + L"\"";
    Launch launch;
    const double start = Now();
    if (!CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, dir.c_str(), &si, &pi))
        Fail("CreateProcess");
    const DWORD idle = WaitForInputIdle(pi.hProcess, 60000);
    launch.seconds = Now() - start;
    if (idle != 0) Fail("the program never became idle");

    FindShown shown{pi.dwProcessId, {}};
    EnumWindows(CollectShown, reinterpret_cast<LPARAM>(&shown));
    if (shown.windows.empty()) Fail("idle without a visible window");

    // Settled a moment, so that the figure is the idle one.
    Sleep(300);
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    if (!GetProcessMemoryInfo(pi.hProcess, &counters, sizeof counters)) Fail("GetProcessMemoryInfo");
    launch.workingSet = counters.WorkingSetSize;

    for (HWND hwnd : shown.windows) PostMessageW(hwnd, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(pi.hProcess, 20000) != WAIT_OBJECT_0) {
        TerminateProcess(pi.hProcess, 1);
        WaitForSingleObject(pi.hProcess, 5000);
        Fail("the program did not close");
    }
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return launch;
}

std::wstring Folder(const std::wstring& path) { return path.substr(0, path.find_last_of(L"\\/") + 1); }

// A program folder of its own: vesko.exe, a config.ini that keeps the
// options dialog from opening at first start, and optionally bookmarks.
// A site list of `count` rules, each naming a host of its own.
std::string GeneratedSites(int count) {
    std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<site-list version=\"1\">\n";
    for (int i = 0; i < count; ++i)
        xml += "  <site url=\"host" + std::to_string(i) + ".example.co.jp/path\"><open-in>" +
               (i % 2 ? "IE11" : "MSEdge") + "</open-in></site>\n";
    return xml + "</site-list>\n";
}

// A history of `count` addresses, one visit each.
std::string GeneratedHistory(int count) {
    std::string bytes = vesko::HistoryFileHeader();
    for (int i = 0; i < count; ++i) {
        const std::string address = "http://host" + std::to_string(i) + ".example.co.jp/page";
        vesko::AppendHistoryRecord(bytes, vesko::VisitRecord(std::u16string(address.begin(), address.end()), u"ページ",
                                                             132000000000000000LL + i));
    }
    return bytes;
}

std::wstring MakeProgramFolder(const std::wstring& vesko, const wchar_t* tag, const std::string* bookmarks) {
    const std::wstring dir = TempDir(tag);
    if (!CopyFileW(vesko.c_str(), (dir + L"vesko.exe").c_str(), FALSE)) Fail("cannot copy vesko.exe");
    WriteBytes(dir + L"config.ini", "[Option]\r\nMozilla=0\r\n");
    if (bookmarks) WriteBytes(dir + L"bookmark.xml", *bookmarks);
    return dir;
}

void PrintMemory(const char* name, const std::vector<double>& kilobytes) {
    std::printf("{\"group\":\"memory\",\"name\":\"%s\",\"runs\":%zu,\"kb\":%.0f}\n", name, kilobytes.size(),
                Median(kilobytes));
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: bench_startup vesko.exe bench_window.exe [bench_frame_windows.exe] [--runs N]\n");
        return 2;
    }
    const int runs = RunsFromArgs(argc, argv, 7);
    const std::wstring vesko = argv[1];
    const std::wstring baseline = argv[2];
    const std::wstring frameWindows = argc > 3 && wcsncmp(argv[3], L"--", 2) != 0 ? argv[3] : std::wstring();

    const std::string bookmarks = GeneratedFile(10000);
    const std::string manyBookmarks = GeneratedFile(100000);
    const std::wstring plainDir = MakeProgramFolder(vesko, L"start", nullptr);
    const std::wstring markedDir = MakeProgramFolder(vesko, L"start10k", &bookmarks);
    const std::wstring manyDir = MakeProgramFolder(vesko, L"start100k", &manyBookmarks);
    const std::wstring rulesDir = MakeProgramFolder(vesko, L"startrules", nullptr);
    WriteBytes(rulesDir + L"sites.xml", GeneratedSites(10000));
    const std::wstring historyDir = MakeProgramFolder(vesko, L"starthistory", nullptr);
    WriteBytes(historyDir + L"history.dat", GeneratedHistory(100000));
    const std::wstring baselineDir = Folder(baseline);
    // Every start here finds no session.xml, as the first start does.
    const std::wstring noSessionDir = MakeProgramFolder(vesko, L"startnosession", nullptr);

    struct Variant {
        std::wstring exe, dir;
        std::vector<double> seconds, kilobytes;
        bool freshSession = false;
    };
    Variant variants[] = {{baseline, baselineDir, {}, {}},
                          {plainDir + L"vesko.exe", plainDir, {}, {}},
                          {markedDir + L"vesko.exe", markedDir, {}, {}},
                          {manyDir + L"vesko.exe", manyDir, {}, {}},
                          {rulesDir + L"vesko.exe", rulesDir, {}, {}},
                          {historyDir + L"vesko.exe", historyDir, {}, {}},
                          {frameWindows, frameWindows.empty() ? std::wstring() : Folder(frameWindows), {}, {}},
                          {noSessionDir + L"vesko.exe", noSessionDir, {}, {}, true}};
    const auto start = [](Variant& v) {
        if (v.freshSession) DeleteFileW((v.dir + L"session.xml").c_str());
        return StartOnce(v.exe, v.dir);
    };
    // One start each to warm the file cache, then the runs interleaved so
    // that a passing load affects every program alike.
    for (Variant& v : variants)
        if (!v.exe.empty()) start(v);
    for (int run = 0; run < runs; ++run) {
        for (Variant& v : variants) {
            if (v.exe.empty()) continue;
            const Launch launch = start(v);
            v.seconds.push_back(launch.seconds);
            v.kilobytes.push_back(static_cast<double>(launch.workingSet) / 1024.0);
        }
    }
    PrintTiming("startup", "start-up, no bookmark file", 0, variants[1].seconds, "baseline window program",
                variants[0].seconds);
    PrintTiming("startup", "start-up, 10,000 bookmarks", 10000, variants[2].seconds, "baseline window program",
                variants[0].seconds);
    PrintTiming("startup", "start-up, 100,000 bookmarks", 100000, variants[3].seconds, "baseline window program",
                variants[0].seconds);
    PrintTiming("startup", "start-up, 10,000 site rules", 10000, variants[4].seconds, "start-up, no site list",
                variants[1].seconds);
    PrintTiming("startup", "start-up, 100,000 addresses of history", 100000, variants[5].seconds,
                "start-up, no history", variants[1].seconds);
    if (!frameWindows.empty())
        PrintTiming("startup", "start-up, no session", 0, variants[7].seconds, "the frame's windows alone",
                    variants[6].seconds);
    PrintMemory("baseline window program, idle", variants[0].kilobytes);
    PrintMemory("vesko.exe frame, idle", variants[1].kilobytes);
    PrintMemory("vesko.exe frame, idle, 10,000 bookmarks", variants[2].kilobytes);
    PrintMemory("vesko.exe frame, idle, 100,000 bookmarks", variants[3].kilobytes);
    if (!frameWindows.empty()) PrintMemory("the frame's windows alone, idle", variants[6].kilobytes);

    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(vesko.c_str(), GetFileExInfoStandard, &data)) Fail("cannot stat vesko.exe");
    std::printf("{\"group\":\"size\",\"name\":\"vesko.exe\",\"bytes\":%lu}\n", data.nFileSizeLow);

    RemoveFolder(plainDir);
    RemoveFolder(markedDir);
    RemoveFolder(manyDir);
    RemoveFolder(rulesDir);
    RemoveFolder(historyDir);
    RemoveFolder(noSessionDir);
    return 0;
}
