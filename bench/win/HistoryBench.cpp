// The history's window parts under Wine, with history files of 1,000 and
// 100,000 addresses: opening the history window (the file read at first
// use, the list filled) against opening it with no history, and recording
// one visit through the keeper (the record appended to history.dat and
// flushed) against appending the same bytes with the same calls.
#include <windows.h>

#include <vector>

#include "bench/common/HistoryGenerator.h"
#include "bench/win/BenchSupport.h"
#include "history/win/HistoryKeeper.h"
#include "history/win/HistoryWindow.h"

using namespace vesko;
using namespace vesko::bench;

namespace {

void PumpMessages() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

// Opens the window on a fresh keeper of `path` (so the file is read at
// first use, as after start-up) and closes it again; the time to open.
double OpenHistoryWindow(const std::wstring& path, HWND owner) {
    HistoryKeeper keeper(path);
    const double start = Now();
    Tfrm_History* window = Tfrm_History::Show(keeper, owner, [](const std::wstring&) {});
    UpdateWindow(window->Handle());
    const double seconds = Now() - start;
    DestroyWindow(window->Handle());
    PumpMessages();
    return seconds;
}

void AppendFlushed(const std::wstring& path, const std::string& bytes) {
    HANDLE file = CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD written = 0;
    if (file == INVALID_HANDLE_VALUE ||
        !WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
        !FlushFileBuffers(file))
        Fail("cannot append");
    CloseHandle(file);
}

struct VisitTimes {
    std::vector<double> keeper, append;
};

// 200 visits a run, half of them to addresses already there.
VisitTimes RecordVisits(const std::wstring& path, int runs) {
    HistoryKeeper keeper(path);
    const std::vector<HistoryStore::Id> ids = keeper.Store().Newest();
    VisitTimes times;
    const std::wstring scratch = path + L".append";
    WriteBytes(scratch, HistoryFileHeader());
    for (int run = 0; run < runs; ++run) {
        std::vector<std::wstring> addresses;
        for (int k = 0; k < 200; ++k) {
            const std::u16string old = keeper.Store().Address(ids[(k * 7919u + run * 104729u) % ids.size()]);
            addresses.push_back(k % 2 ? std::wstring(old.begin(), old.end())
                                      : L"https://new.example/" + std::to_wstring(run) + L"/" + std::to_wstring(k));
        }
        double start = Now();
        for (const std::wstring& address : addresses) keeper.RecordVisit(address, L"新しいページ");
        times.keeper.push_back((Now() - start) / 200);
        start = Now();
        for (const std::wstring& address : addresses)
            AppendFlushed(scratch, EncodeHistoryRecord(
                                       VisitRecord(std::u16string(address.begin(), address.end()), u"新しいページ", kNow)));
        times.append.push_back((Now() - start) / 200);
    }
    DeleteFileW(scratch.c_str());
    return times;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const int runs = RunsFromArgs(argc, argv, 7);
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&icc);
    HWND owner = CreateWindowExW(0, L"STATIC", L"owner", WS_OVERLAPPEDWINDOW, 0, 0, 800, 600, nullptr, nullptr,
                                 nullptr, nullptr);
    const std::wstring dir = TempDir(L"history");
    const std::wstring empty = dir + L"none.dat";  // no file: no history
    SplitMix64 random(20261209);
    for (const size_t count : {size_t{1000}, size_t{100000}}) {
        const std::wstring path = dir + L"history.dat";
        WriteBytes(path, GenerateHistoryFile(count, random));
        std::vector<double> open, openEmpty;
        for (int run = 0; run < runs; ++run) {
            open.push_back(OpenHistoryWindow(path, owner));
            openEmpty.push_back(OpenHistoryWindow(empty, owner));
        }
        PrintTiming("history", "open the history window (read at first use)", count, open,
                    "open it with no history", openEmpty);
        const VisitTimes visits = RecordVisits(path, runs);
        PrintTiming("history", "record one visit", count, visits.keeper, "append and flush the same record",
                    visits.append);
        DeleteFileW(path.c_str());
    }
    RemoveFolder(dir);
    DestroyWindow(owner);
    return 0;
}
