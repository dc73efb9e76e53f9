#include "tests/support/FileHolder.h"

#include <gtest/gtest.h>

namespace vesko::test {

FileHolder::FileHolder(const std::wstring& path, DWORD milliseconds, Sharing sharing) {
    static int count = 0;
    const std::wstring events =
        L"VeskoHold-" + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(++count);
    const UniqueHandle held(CreateEventW(nullptr, TRUE, FALSE, (events + L"-held").c_str()));
    release_.Reset(CreateEventW(nullptr, TRUE, FALSE, (events + L"-release").c_str()));
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring command = L"\"" + std::wstring(self) + L"\" --hold-file \"" + path + L"\" " +
                           std::to_wstring(milliseconds) + L" " + std::to_wstring(sharing) + L" " + events;
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
        CloseHandle(pi.hThread);
        process_.Reset(pi.hProcess);
        const HANDLE either[] = {held.Get(), process_.Get()};
        holding_ = WaitForMultipleObjects(2, either, FALSE, 20000) == WAIT_OBJECT_0;
    }
    EXPECT_TRUE(Holding()) << "the holder could not open the file";
}

FileHolder::~FileHolder() { Release(); }

void FileHolder::Release() {
    SetEvent(release_.Get());
    if (process_) WaitForSingleObject(process_.Get(), 30000);
}

int HoldFile(const std::wstring& path, DWORD milliseconds, int sharing, const std::wstring& events) {
    const DWORD share = sharing == FileHolder::kReadersWelcome ? FILE_SHARE_READ : 0;
    const UniqueHandle file(CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, share, nullptr, OPEN_EXISTING,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
    const UniqueHandle held(OpenEventW(EVENT_MODIFY_STATE, FALSE, (events + L"-held").c_str()));
    const UniqueHandle release(OpenEventW(SYNCHRONIZE, FALSE, (events + L"-release").c_str()));
    if (!file || !held || !release) return 1;
    SetEvent(held.Get());
    WaitForSingleObject(release.Get(), milliseconds);
    return 0;
}

}  // namespace vesko::test
