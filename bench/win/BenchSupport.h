// Shared by the Windows-side benchmarks: a precise clock, medians, the
// generated bookmark files, and the one-JSON-object-per-line output that
// scripts/bench.sh gathers into a table.
#pragma once
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "bench/common/BookmarkGenerator.h"
#include "bookmarks/xml/BookmarkWriter.h"
#include "common/Files.h"

namespace vesko::bench {

inline double Now() {
    static const double frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return static_cast<double>(f.QuadPart);
    }();
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return static_cast<double>(t.QuadPart) / frequency;
}

inline double Median(std::vector<double> samples) {
    if (samples.empty()) return 0;
    std::sort(samples.begin(), samples.end());
    const size_t n = samples.size();
    return n % 2 ? samples[n / 2] : (samples[n / 2 - 1] + samples[n / 2]) / 2;
}

inline int RunsFromArgs(int argc, wchar_t** argv, int fallback) {
    for (int i = 1; i + 1 < argc; ++i)
        if (wcscmp(argv[i], L"--runs") == 0) return std::max(5, _wtoi(argv[i + 1]));
    return fallback;
}

[[noreturn]] inline void Fail(const char* what) {
    std::fprintf(stderr, "bench: %s (error %lu)\n", what, GetLastError());
    std::fflush(stderr);
    ExitProcess(2);
}

inline std::wstring TempDir(const wchar_t* tag) {
    wchar_t base[MAX_PATH];
    GetTempPathW(MAX_PATH, base);
    for (int n = 0;; ++n) {
        wchar_t name[MAX_PATH + 64];
        swprintf(name, MAX_PATH + 64, L"%lsvesko-bench-%ls-%lu-%d\\", base, tag, GetCurrentProcessId(), n);
        if (CreateDirectoryW(name, nullptr)) return name;
        if (GetLastError() != ERROR_ALREADY_EXISTS) Fail("cannot create a temporary folder");
    }
}

inline void WriteBytes(const std::wstring& path, const std::string& bytes) {
    HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) Fail("cannot create a file");
    DWORD written = 0;
    const bool ok =
        WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) && written == bytes.size();
    CloseHandle(h);
    if (!ok) Fail("cannot write a file");
}

inline std::string ReadBytes(const std::wstring& path) {
    std::string bytes;
    DWORD error = ERROR_SUCCESS;
    if (!ReadWholeFile(path, bytes, error)) Fail("cannot read a file");
    return bytes;
}

// The generated bookmark file of `count` entries, as the product writes it.
inline std::string GeneratedFile(size_t count) { return WriteBookmarkFile(GenerateBookmarks(count)); }

inline void RemoveFolder(const std::wstring& dir) {
    for (const FolderEntry& entry : ListFolder(dir))
        if (!entry.isFolder) DeleteFileW((dir + entry.name).c_str());
    RemoveDirectoryW(dir.c_str());
}

// One timing beside its baseline, both medians of the same runs.
inline void PrintTiming(const char* group, const char* name, size_t entries, const std::vector<double>& seconds,
                        const char* baseline, const std::vector<double>& baselineSeconds, size_t perCount = 0) {
    const double ms = Median(seconds) * 1e3;
    const double baseMs = Median(baselineSeconds) * 1e3;
    std::printf(
        "{\"group\":\"%s\",\"name\":\"%s\",\"entries\":%zu,\"runs\":%zu,\"ms\":%.4f,"
        "\"baseline\":\"%s\",\"baseline_ms\":%.4f,\"ratio\":%.3f",
        group, name, entries, seconds.size(), ms, baseline, baseMs, baseMs > 0 ? ms / baseMs : 0.0);
    if (perCount) std::printf(",\"per_entry_us\":%.4f", ms * 1e3 / static_cast<double>(perCount));
    std::printf("}\n");
    std::fflush(stdout);
}

}  // namespace vesko::bench
