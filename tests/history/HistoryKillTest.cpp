// The history under kills, on the Windows path: a child process records
// visits through HistoryKeeper, as the frame does for each completed page,
// and is killed (TerminateProcess) at a random moment. Each trial then
// reads history.dat as the next start would: it must never read as
// damaged, and must hold every visit the child finished before the one it
// was in. The next child starts from that file, so its own first use
// (reading, cutting a torn end, compacting) is killed now and then too.
// VESKO_HISTORY_KILL_TRIALS sets the number of trials (100).
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>

#include "history/HistoryFile.h"
#include "history/HistoryStore.h"
#include "common/Files.h"
#include "history/win/HistoryKeeper.h"

namespace vesko::test {
namespace {

constexpr long kAddresses = 97;

std::wstring AddressOf(long visit) { return L"https://例え.jp/page/" + std::to_wstring(visit % kAddresses); }

std::u16string U16(const std::wstring& text) { return std::u16string(text.begin(), text.end()); }

int KillTrials() {
    wchar_t text[16] = {};
    const DWORD n = GetEnvironmentVariableW(L"VESKO_HISTORY_KILL_TRIALS", text, 16);
    const int trials = n && n < 16 ? _wtoi(text) : 0;
    return trials > 0 ? trials : 100;
}

struct Shared {
    volatile long finished;  // the last visit RecordVisit returned from
};

class ChildRun {
public:
    ChildRun(const std::wstring& path, long next, int trial) {
        const std::wstring name = L"VeskoHistoryKill-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                                  std::to_wstring(trial);
        mapping_ = CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof(Shared),
                                      name.c_str());
        shared_ = static_cast<Shared*>(MapViewOfFile(mapping_, FILE_MAP_ALL_ACCESS, 0, 0, sizeof(Shared)));
        shared_->finished = next - 1;
        wchar_t self[MAX_PATH];
        GetModuleFileNameW(nullptr, self, MAX_PATH);
        std::wstring command = L"\"" + std::wstring(self) + L"\" --record-loop \"" + path + L"\" " +
                               std::to_wstring(next) + L" " + name;
        STARTUPINFOW si{};
        si.cb = sizeof si;
        started_ = CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi_);
    }
    ~ChildRun() {
        if (started_) {
            CloseHandle(pi_.hThread);
            CloseHandle(pi_.hProcess);
        }
        UnmapViewOfFile(shared_);
        CloseHandle(mapping_);
    }
    bool Started() const { return started_; }
    // Waits until the child has finished `visit`, then kills it `delay` ms
    // later; the last visit it finished.
    long KillAfter(long visit, DWORD delay) {
        for (int waited = 0; shared_->finished < visit && waited < 20000; waited += 5) {
            if (WaitForSingleObject(pi_.hProcess, 5) == WAIT_OBJECT_0) break;
        }
        Sleep(delay);
        TerminateProcess(pi_.hProcess, 9);
        WaitForSingleObject(pi_.hProcess, INFINITE);
        return shared_->finished;
    }

private:
    HANDLE mapping_ = nullptr;
    Shared* shared_ = nullptr;
    PROCESS_INFORMATION pi_{};
    bool started_ = false;
};

// Visits 1..n went to address visit % kAddresses.
void ExpectExactlyVisitsUpTo(const HistoryStore& store, long n) {
    ASSERT_EQ(store.Size(), static_cast<std::size_t>(std::min(n, kAddresses)));
    for (long a = 1; a <= std::min(n, kAddresses); ++a) {
        const auto id = store.Find(U16(AddressOf(a)));
        ASSERT_TRUE(id) << a;
        EXPECT_EQ(store.Entry(*id).visits, static_cast<std::uint32_t>((n - a) / kAddresses + 1)) << a;
    }
}

TEST(HistoryKill, KilledWhileRecordingNeverLosesAFinishedVisitNorDamagesTheFile) {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    const std::wstring path = std::wstring(temp) + L"history-kill-" + std::to_wstring(GetCurrentProcessId()) + L".dat";
    DeleteFileW(path.c_str());
    std::mt19937 random(std::random_device{}());
    long recorded = 0;
    int torn = 0;
    const int trials = KillTrials();
    for (int trial = 0; trial < trials && !HasFatalFailure(); ++trial) {
        ChildRun child(path, recorded + 1, trial);
        ASSERT_TRUE(child.Started()) << "trial " << trial << ": error " << GetLastError();
        // Past the child's start (which reads the file) most times, in it
        // now and then.
        const long finished = child.KillAfter(trial % 8 ? recorded + 1 : recorded, random() % 25);

        std::string bytes;
        DWORD error = 0;
        HistoryStore store;
        if (ReadWholeFile(path, bytes, error)) {
            ASSERT_NO_THROW(store = HistoryStore::Load(bytes)) << "trial " << trial << ": the file reads as damaged";
        }
        long total = 0;
        for (const HistoryStore::Id id : store.Newest()) total += static_cast<long>(store.Entry(id).visits);
        ASSERT_GE(total, finished) << "trial " << trial << ": a finished visit is missing";
        ASSERT_LE(total, finished + 1) << "trial " << trial;
        ExpectExactlyVisitsUpTo(store, total);
        if (ReadHistoryFile(bytes, [](const HistoryRecord&) {}) != bytes.size()) ++torn;
        recorded = total;
    }
    std::printf("%d trials, %ld visits recorded, %d torn ends cut off\n", trials, recorded, torn);
    RecordProperty("visits", static_cast<int>(recorded));
    RecordProperty("torn", torn);
    DeleteFileW(path.c_str());
}

}  // namespace

// The child of the kill test: records visits from `next` on until killed,
// saying after each one which it has finished.
int RecordLoop(const std::wstring& path, long next, const std::wstring& mappingName) {
    HANDLE mapping = OpenFileMappingW(FILE_MAP_ALL_ACCESS, FALSE, mappingName.c_str());
    auto* shared = static_cast<Shared*>(MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, sizeof(Shared)));
    if (!shared) return 2;
    HistoryKeeper keeper(path);
    for (long visit = next;; ++visit) {
        keeper.RecordVisit(AddressOf(visit), L"ページ " + std::to_wstring(visit % kAddresses));
        shared->finished = visit;
    }
}

}  // namespace vesko::test
