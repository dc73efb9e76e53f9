#pragma once
// A fresh program directory, engine doubles under both class ids, an error
// box that records instead of showing, and a frame opened on demand.
#include <gtest/gtest.h>
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "shell/MainForm.h"
#include "tests/support/EngineDouble.h"

namespace vesko::test {

class FrameTest : public ::testing::Test {
public:
    // Runs posted messages until the queue is empty.
    static void Pump();

protected:
    void SetUp() override;
    void TearDown() override;

    // Opens the frame (config.ini as the test left it).
    TMainForm& Frame();
    void CloseFrame();

    std::wstring ConfigPath() const { return dir_ + L"config.ini"; }
    void WriteConfig(const wchar_t* section, const wchar_t* key, const std::wstring& value);
    std::wstring ReadConfig(const wchar_t* section, const wchar_t* key);

    // The child windows, topmost first.
    std::vector<BrowserChild*> Children() { return Frame().Children(); }
    static std::wstring ClassOf(BrowserChild* child);
    static RECT ChildRect(HWND child);  // outer rectangle in screen pixels

    std::wstring dir_;
    std::unique_ptr<EngineDoubles> engines_;
    FrameModel model_;
    std::unique_ptr<TMainForm> frame_;
    std::vector<std::wstring> errors_;

private:
    std::wstring savedCurrentDir_;
};

// While it lives, the system refuses to create windows of one class on
// this thread, as when it runs out of resources.
class RefuseWindowClass {
public:
    explicit RefuseWindowClass(const wchar_t* className);
    ~RefuseWindowClass();
    RefuseWindowClass(const RefuseWindowClass&) = delete;
    RefuseWindowClass& operator=(const RefuseWindowClass&) = delete;

private:
    static LRESULT CALLBACK Hook(int code, WPARAM wp, LPARAM lp);
    HHOOK hook_;
};

std::wstring MakeTempDir();
void RemoveTree(const std::wstring& dir);

void WriteFileBytes(const std::wstring& path, const std::string& bytes);
std::string ReadFileBytes(const std::wstring& path);  // empty when unreadable
bool FileExists(const std::wstring& path);

// Opens the menu holding `command` as the user would and tells whether the
// command is enabled.
bool MenuEnables(HWND frame, UINT command);

// Presses Ctrl+key (with Shift too when asked) with the focus in `target`
// and offers it to the frame as the message loop does; true when a
// shortcut took it.
bool PressCtrl(TMainForm& frame, HWND target, WPARAM key, bool shift = false);

// A control's rectangle in its parent's client area.
RECT RectIn(HWND control);

// The menu bar's submenu holding a command, wherever a maximized child's
// system menu has pushed it.
HMENU SubMenuWith(HWND frame, UINT command);

}  // namespace vesko::test
