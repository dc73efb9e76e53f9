#pragma once
// System DLLs that the first frame does not use are loaded when first
// wanted, never imported: under Wine each one, and what it brings with
// it, adds to every start (shell32 alone costs a third of a bare window's).
#include <windows.h>

namespace vesko {

// The address of `name` in the system DLL `dll` (loaded from the system
// folder on first use, and kept), or null with the reason in GetLastError.
FARPROC SystemFunction(const wchar_t* dll, const char* name);

template <typename F>
F SystemFunction(const wchar_t* dll, const char* name) {
    // Through the generic function type, which converts to any other.
    return reinterpret_cast<F>(reinterpret_cast<void (*)()>(SystemFunction(dll, name)));
}

}  // namespace vesko
