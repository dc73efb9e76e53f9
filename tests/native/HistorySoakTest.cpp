// The append path under kills: a child process records visits to
// history.dat as the window layer does (one record per visit, appended),
// and is killed at a random moment. Each trial then reads the file as the
// next start would: it must never be damaged, and must hold every visit
// the child reported complete. Like the next start, a trial rewrites the
// file when it ended torn or compaction is due, and the next child appends
// after it. VESKO_HISTORY_SOAK_TRIALS sets the number of trials (100).
#include "history/HistoryStore.h"

#include "tests/native/TestSupport.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>

namespace vesko {
namespace {

constexpr int kAddresses = 97;

std::u16string AddressOf(long visit) {
    std::u16string number;
    for (const char c : std::to_string(visit % kAddresses)) number += static_cast<char16_t>(c);
    return u"https://例え.jp/page/" + number;
}

// Writes all of `bytes` at the file's end, as the window layer's append does.
void AppendAll(int fd, const char* bytes, std::size_t size) {
    while (size > 0) {
        const ssize_t written = write(fd, bytes, size);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) _exit(3);
        bytes += written;
        size -= static_cast<std::size_t>(written);
    }
}

[[noreturn]] void RecordVisitsForever(const std::string& path, long next, int report) {
    const int fd = open(path.c_str(), O_WRONLY | O_APPEND);
    if (fd < 0) _exit(2);
    for (long visit = next;; ++visit) {
        const std::string record =
            EncodeHistoryRecord(VisitRecord(AddressOf(visit), u"ページ " + AddressOf(visit), visit));
        // Every other record in two writes, so that kills also fall inside one.
        const std::size_t first = visit % 2 ? record.size() / 2 : record.size();
        AppendAll(fd, record.data(), first);
        AppendAll(fd, record.data() + first, record.size() - first);
        if (write(report, &visit, sizeof visit) != sizeof visit) _exit(4);
    }
}

std::string ReadWhole(const std::string& path) {
    std::string bytes;
    if (FILE* file = std::fopen(path.c_str(), "rb")) {
        char buffer[65536];
        for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, file)) > 0;) bytes.append(buffer, n);
        std::fclose(file);
    }
    return bytes;
}

void ReplaceWhole(const std::string& path, const std::string& bytes) {
    const std::string temporary = path + ".tmp";
    FILE* file = std::fopen(temporary.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    ASSERT_EQ(std::fwrite(bytes.data(), 1, bytes.size(), file), bytes.size());
    ASSERT_EQ(std::fclose(file), 0);
    ASSERT_EQ(std::rename(temporary.c_str(), path.c_str()), 0);
}

// Starts a child recording from visit `next`, kills it after `delay` µs,
// and returns the last visit it reported complete (next - 1 if none).
long RunAndKill(const std::string& path, long next, unsigned delay) {
    int pipes[2];
    EXPECT_EQ(pipe(pipes), 0);
    const pid_t child = fork();
    if (child == 0) {
        close(pipes[0]);
        RecordVisitsForever(path, next, pipes[1]);
    }
    close(pipes[1]);
    usleep(delay);
    kill(child, SIGKILL);
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFSIGNALED(status)) << "the recording child ended by itself, status " << status;
    long reported = next - 1;
    for (long visit; read(pipes[0], &visit, sizeof visit) == sizeof visit;) reported = visit;
    close(pipes[0]);
    return reported;
}

// Visits 1..n went to address visit % kAddresses at time visit.
void ExpectExactlyVisitsUpTo(const HistoryStore& store, long n) {
    ASSERT_EQ(store.Size(), static_cast<std::size_t>(std::min<long>(n, kAddresses)));
    for (long a = 1; a <= std::min<long>(n, kAddresses); ++a) {
        const HistoryEntry entry = store.Entry(*store.Find(AddressOf(a)));
        const long last = a + (n - a) / kAddresses * kAddresses;
        EXPECT_EQ(entry.firstVisit, a);
        EXPECT_EQ(entry.lastVisit, last);
        EXPECT_EQ(entry.visits, static_cast<std::uint32_t>((last - a) / kAddresses + 1));
    }
}

TEST(HistoryFileSoak, KilledRecordingNeverLosesACompletedVisitNorDamagesTheFile) {
    const char* asked = std::getenv("VESKO_HISTORY_SOAK_TRIALS");
    const int trials = asked ? std::atoi(asked) : 100;
    const std::string path = testing::TempDir() + "history-soak-" + std::to_string(getpid()) + ".dat";
    ReplaceWhole(path, HistoryFileHeader());
    std::mt19937 random(std::random_device{}());
    long recorded = 0;
    int torn = 0;
    int rewritten = 0;
    for (int trial = 0; trial < trials && !HasFatalFailure(); ++trial) {
        const long reported = RunAndKill(path, recorded + 1, random() % 4000);
        const std::string bytes = ReadWhole(path);
        HistoryStore store;
        ASSERT_NO_THROW(store = HistoryStore::Load(bytes)) << "trial " << trial;
        long total = 0;
        for (const HistoryStore::Id id : store.Newest()) total += store.Entry(id).visits;
        ASSERT_GE(total, reported) << "trial " << trial << ": a visit reported complete is missing";
        ASSERT_LE(total, reported + 1) << "trial " << trial;
        ExpectExactlyVisitsUpTo(store, total);
        recorded = total;
        if (ReadHistoryFile(bytes, [](const HistoryRecord&) {}) != bytes.size()) ++torn;
        if (store.CompactionDue()) {
            ReplaceWhole(path, store.CompactedFile());
            ++rewritten;
        }
    }
    std::printf("%d trials, %ld visits recorded, %d torn ends cut off, %d rewrites\n", trials, recorded, torn,
                rewritten);
    RecordProperty("visits", static_cast<int>(recorded));
    RecordProperty("torn", torn);
    std::remove(path.c_str());
}

}  // namespace
}  // namespace vesko
