// Test entry: OLE on this thread, as the program has it. With
// "--save-loop <path> <event>" the program is instead the child process of
// the interrupted-save test, with "--record-loop ..." that of the history
// kill test, with "--session-loop ..." that of the session kill test, with
// "--hold-file ..." another program that holds a file open.
#include <gtest/gtest.h>
#include <ole2.h>
#include <shellapi.h>

#include <cstdint>
#include <string>

#include "tests/support/FileHolder.h"

namespace vesko::test {
int SaveLoop(const std::wstring& path, const std::wstring& eventName);
int RecordLoop(const std::wstring& path, long next, const std::wstring& mappingName);
int SessionLoop(const std::wstring& dir, std::uint32_t seed, const std::wstring& mappingName);
}

int main(int argc, char** argv) {
    int count = 0;
    wchar_t** args = CommandLineToArgvW(GetCommandLineW(), &count);
    if (args && count == 4 && std::wstring(args[1]) == L"--save-loop") return vesko::test::SaveLoop(args[2], args[3]);
    if (args && count == 5 && std::wstring(args[1]) == L"--record-loop")
        return vesko::test::RecordLoop(args[2], _wtol(args[3]), args[4]);
    if (args && count == 5 && std::wstring(args[1]) == L"--session-loop")
        return vesko::test::SessionLoop(args[2], static_cast<std::uint32_t>(wcstoul(args[3], nullptr, 10)), args[4]);
    if (args && count == 6 && std::wstring(args[1]) == L"--hold-file")
        return vesko::test::HoldFile(args[2], static_cast<DWORD>(_wtoi(args[3])), _wtoi(args[4]), args[5]);
    LocalFree(args);

    ::testing::InitGoogleTest(&argc, argv);
    OleInitialize(nullptr);
    const int result = RUN_ALL_TESTS();
    OleUninitialize();
    return result;
}
