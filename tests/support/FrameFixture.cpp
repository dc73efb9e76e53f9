#include "tests/support/FrameFixture.h"

#include <atomic>
#include <cstring>
#include <vector>

#include "browser/BrowserChild.h"
#include "common/ErrorReport.h"
#include "common/Files.h"
#include "common/Handles.h"

namespace vesko::test {

namespace {
const wchar_t* g_refusedClass = nullptr;
}

RefuseWindowClass::RefuseWindowClass(const wchar_t* className) {
    g_refusedClass = className;
    hook_ = SetWindowsHookExW(WH_CBT, &RefuseWindowClass::Hook, nullptr, GetCurrentThreadId());
    EXPECT_NE(hook_, nullptr);
}

RefuseWindowClass::~RefuseWindowClass() {
    if (hook_) UnhookWindowsHookEx(hook_);
    g_refusedClass = nullptr;
}

LRESULT CALLBACK RefuseWindowClass::Hook(int code, WPARAM wp, LPARAM lp) {
    if (code == HCBT_CREATEWND && g_refusedClass) {
        const wchar_t* name = reinterpret_cast<CBT_CREATEWNDW*>(lp)->lpcs->lpszClass;
        if (!IS_INTRESOURCE(name) && lstrcmpiW(name, g_refusedClass) == 0) return 1;
    }
    return CallNextHookEx(nullptr, code, wp, lp);
}

std::wstring MakeTempDir() {
    static std::atomic<int> counter{0};
    wchar_t base[MAX_PATH];
    GetTempPathW(MAX_PATH, base);
    for (;;) {
        wchar_t name[MAX_PATH + 64];
        wsprintfW(name, L"%svesko-test-%lu-%lu-%d\\", base, GetCurrentProcessId(), GetTickCount(), counter++);
        if (CreateDirectoryW(name, nullptr)) return name;
        if (GetLastError() != ERROR_ALREADY_EXISTS) return std::wstring();
    }
}

void RemoveTree(const std::wstring& dir) {
    if (dir.empty()) return;
    for (const FolderEntry& entry : ListFolder(dir)) {
        const std::wstring path = dir + entry.name;
        if (entry.isFolder) {
            RemoveTree(path + L"\\");
        } else {
            SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileW(path.c_str());
        }
    }
    RemoveDirectoryW(dir.c_str());
}

void WriteFileBytes(const std::wstring& path, const std::string& bytes) {
    const UniqueHandle file(
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(file);
    DWORD written = 0;
    WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    ASSERT_EQ(written, bytes.size());
}

std::string ReadFileBytes(const std::wstring& path) {
    std::string bytes;
    DWORD error = ERROR_SUCCESS;
    return ReadWholeFile(path, bytes, error) ? bytes : std::string();
}

bool FileExists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

RECT RectIn(HWND control) {
    RECT r;
    GetWindowRect(control, &r);
    MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

bool MenuEnables(HWND frame, UINT command) {
    HMENU sub = SubMenuWith(frame, command);
    SendMessageW(frame, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(sub), 0);
    return (GetMenuState(sub, command, MF_BYCOMMAND) & (MF_GRAYED | MF_DISABLED)) == 0;
}

bool PressCtrl(TMainForm& frame, HWND target, WPARAM key, bool shift) {
    BYTE keys[256];
    GetKeyboardState(keys);
    BYTE held[256];
    memcpy(held, keys, sizeof keys);
    held[VK_CONTROL] = 0x80;
    if (shift) held[VK_SHIFT] = 0x80;
    SetKeyboardState(held);
    MSG msg{target, WM_KEYDOWN, key, 0, 0, {}};
    const bool taken = frame.PreTranslateMessage(msg);
    if (taken) FrameTest::Pump();
    SetKeyboardState(keys);
    return taken;
}

HMENU SubMenuWith(HWND frame, UINT command) {
    HMENU bar = GetMenu(frame);
    for (int i = 0; i < GetMenuItemCount(bar); ++i) {
        HMENU sub = GetSubMenu(bar, i);
        for (int j = 0; sub && j < GetMenuItemCount(sub); ++j)
            if (GetMenuItemID(sub, j) == command) return sub;
    }
    return nullptr;
}

void FrameTest::SetUp() {
    wchar_t cwd[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, cwd);
    savedCurrentDir_ = cwd;
    dir_ = MakeTempDir();
    ASSERT_FALSE(dir_.empty());
    SetErrorSink([this](const std::wstring& text) { errors_.push_back(text); });
    engines_ = std::make_unique<EngineDoubles>();
}

void FrameTest::TearDown() {
    CloseFrame();
    if (engines_) {
        EXPECT_EQ(engines_->LiveCount(), 0u) << "an engine was never released";
    }
    engines_.reset();
    SetErrorSink({});
    SetCurrentDirectoryW(savedCurrentDir_.c_str());
    RemoveTree(dir_);
}

TMainForm& FrameTest::Frame() {
    if (!frame_) {
        MainFormOptions options;
        options.programDir = dir_;
        options.quitOnDestroy = false;
        frame_ = std::make_unique<TMainForm>(model_, options);
    }
    return *frame_;
}

void FrameTest::CloseFrame() {
    frame_.reset();
    Pump();
}

void FrameTest::Pump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

void FrameTest::WriteConfig(const wchar_t* section, const wchar_t* key, const std::wstring& value) {
    ASSERT_TRUE(WritePrivateProfileStringW(section, key, value.c_str(), ConfigPath().c_str()));
    WritePrivateProfileStringW(nullptr, nullptr, nullptr, ConfigPath().c_str());  // flush the cache
}

std::wstring FrameTest::ReadConfig(const wchar_t* section, const wchar_t* key) {
    wchar_t buffer[4096];
    const DWORD n = GetPrivateProfileStringW(section, key, L"<absent>", buffer, 4096, ConfigPath().c_str());
    return std::wstring(buffer, n);
}

std::wstring FrameTest::ClassOf(BrowserChild* child) {
    wchar_t name[64] = {};
    GetClassNameW(child->Handle(), name, 64);
    return name;
}

RECT FrameTest::ChildRect(HWND child) {
    RECT r;
    GetWindowRect(child, &r);
    return r;
}

}  // namespace vesko::test
