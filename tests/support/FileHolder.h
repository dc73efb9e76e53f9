#pragma once
// Another program holding a file open, as virus scanners, indexers and
// sync clients do: a second process (this test program started again)
// opens the file and keeps it until released or until its time is up.
#include <windows.h>

#include <string>

#include "common/Handles.h"

namespace vesko::test {

class FileHolder {
public:
    enum Sharing { kNoSharing, kReadersWelcome };
    // Returns once the file is held. `sharing` is what the holder lets
    // others do meanwhile.
    FileHolder(const std::wstring& path, DWORD milliseconds, Sharing sharing);
    ~FileHolder();  // releases the file and waits for the process
    FileHolder(const FileHolder&) = delete;
    FileHolder& operator=(const FileHolder&) = delete;

    bool Holding() const { return holding_; }
    void Release();

private:
    bool holding_ = false;
    UniqueHandle release_;
    UniqueHandle process_;
};

// The holding process: "--hold-file <path> <milliseconds> <sharing> <events>".
int HoldFile(const std::wstring& path, DWORD milliseconds, int sharing, const std::wstring& events);

}  // namespace vesko::test
