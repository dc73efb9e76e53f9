#pragma once
// Reading whole files and listing folders.
#include <windows.h>

#include <string>
#include <vector>

namespace vesko {

// Reads the whole file at `path` (1 GiB at most), sharing it with writers
// and waiting out another program's brief hold on it. False with the
// system's error code when it cannot be opened or read (ERROR_FILE_NOT_FOUND
// or ERROR_PATH_NOT_FOUND: there is no file).
bool ReadWholeFile(const std::wstring& path, std::string& bytes, DWORD& error);

// The message of an input/output failure, by system code (a directory
// that cannot be made current, say).
std::wstring InOutErrorMessage(DWORD code);

// The folder of the running program, with a trailing separator. Raises
// AppError when the system cannot say.
std::wstring ExecutableDirectory();

// The file name of the running program ("vesko.exe").
std::wstring ExecutableFileName();

struct FolderEntry {
    std::wstring name;
    bool isFolder;
};

// What `folder` (ending with a separator) holds, without "." and "..";
// empty when it cannot be listed.
std::vector<FolderEntry> ListFolder(const std::wstring& folder);

}  // namespace vesko
