#include "common/SystemLibrary.h"

#include <string>

namespace vesko {

FARPROC SystemFunction(const wchar_t* dll, const char* name) {
    // By full path: a DLL of the same name beside the program is never taken.
    wchar_t folder[MAX_PATH];
    const UINT length = GetSystemDirectoryW(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return nullptr;
    const std::wstring path = std::wstring(folder, length) + L"\\" + dll;
    HMODULE module = GetModuleHandleW(path.c_str());
    if (!module) module = LoadLibraryW(path.c_str());
    return module ? GetProcAddress(module, name) : nullptr;
}

}  // namespace vesko
