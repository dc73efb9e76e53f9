#pragma once
// Owners for the system's handles: one small type per kind, each freeing
// its handle the way the system asks for that kind. Borrowed handles stay
// plain HWND/HFONT/...; only these types ever free one.
#include <windows.h>
#include <commctrl.h>

#include <memory>
#include <type_traits>
#include <utility>

namespace vesko {

struct GdiObjectDeleter {
    void operator()(HGDIOBJ object) const {
        if (object) DeleteObject(object);
    }
};
template <class Handle>
using UniqueGdi = std::unique_ptr<std::remove_pointer_t<Handle>, GdiObjectDeleter>;
using UniqueFont = UniqueGdi<HFONT>;
using UniqueBitmap = UniqueGdi<HBITMAP>;

struct ImageListDeleter {
    void operator()(HIMAGELIST list) const {
        if (list) ImageList_Destroy(list);
    }
};
using UniqueImageList = std::unique_ptr<std::remove_pointer_t<HIMAGELIST>, ImageListDeleter>;

struct MenuDeleter {
    void operator()(HMENU menu) const {
        if (menu) DestroyMenu(menu);
    }
};
using UniqueMenu = std::unique_ptr<std::remove_pointer_t<HMENU>, MenuDeleter>;

struct AcceleratorDeleter {
    void operator()(HACCEL table) const {
        if (table) DestroyAcceleratorTable(table);
    }
};
using UniqueAccelerators = std::unique_ptr<std::remove_pointer_t<HACCEL>, AcceleratorDeleter>;

struct RegistryKeyDeleter {
    void operator()(HKEY key) const {
        if (key) RegCloseKey(key);
    }
};
using UniqueRegistryKey = std::unique_ptr<std::remove_pointer_t<HKEY>, RegistryKeyDeleter>;

// A kernel handle (a file, a process, an event). Invalid is INVALID_HANDLE_VALUE
// or null, as the call that made it reports failure.
class UniqueHandle {
public:
    UniqueHandle() = default;
    explicit UniqueHandle(HANDLE handle) : handle_(handle) {}
    UniqueHandle(UniqueHandle&& o) noexcept : handle_(std::exchange(o.handle_, nullptr)) {}
    UniqueHandle& operator=(UniqueHandle&& o) noexcept {
        if (this != &o) Reset(std::exchange(o.handle_, nullptr));
        return *this;
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    ~UniqueHandle() { Reset(); }

    HANDLE Get() const { return handle_; }
    explicit operator bool() const { return handle_ && handle_ != INVALID_HANDLE_VALUE; }
    void Reset(HANDLE handle = nullptr) {
        const HANDLE old = std::exchange(handle_, handle);
        if (old && old != INVALID_HANDLE_VALUE) CloseHandle(old);
    }

private:
    HANDLE handle_ = nullptr;
};

// A search handle from FindFirstFile.
struct FindDeleter {
    void operator()(HANDLE find) const {
        if (find && find != INVALID_HANDLE_VALUE) FindClose(find);
    }
};
using UniqueFind = std::unique_ptr<void, FindDeleter>;

// A window's device context from GetDC (null window: the screen's).
class WindowDC {
public:
    explicit WindowDC(HWND hwnd) : hwnd_(hwnd), dc_(GetDC(hwnd)) {}
    ~WindowDC() {
        if (dc_) ReleaseDC(hwnd_, dc_);
    }
    WindowDC(const WindowDC&) = delete;
    WindowDC& operator=(const WindowDC&) = delete;
    HDC Get() const { return dc_; }

private:
    HWND hwnd_;
    HDC dc_;
};

// A memory device context compatible with `dc`.
class MemoryDC {
public:
    explicit MemoryDC(HDC dc) : dc_(CreateCompatibleDC(dc)) {}
    ~MemoryDC() {
        if (dc_) DeleteDC(dc_);
    }
    MemoryDC(const MemoryDC&) = delete;
    MemoryDC& operator=(const MemoryDC&) = delete;
    HDC Get() const { return dc_; }

private:
    HDC dc_;
};

// Selects an object into a device context and puts the previous one back.
class ScopedSelect {
public:
    ScopedSelect(HDC dc, HGDIOBJ object) : dc_(dc), old_(SelectObject(dc, object)) {}
    ~ScopedSelect() {
        if (old_ && old_ != HGDI_ERROR) SelectObject(dc_, old_);
    }
    ScopedSelect(const ScopedSelect&) = delete;
    ScopedSelect& operator=(const ScopedSelect&) = delete;

private:
    HDC dc_;
    HGDIOBJ old_;
};

}  // namespace vesko
