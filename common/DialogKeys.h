#pragma once
// Modeless windows whose controls take Tab, the arrow keys, Enter and
// Escape the way a dialog box's do. The message loop asks here first.
#include <windows.h>

namespace vesko {

void RegisterDialogWindow(HWND hwnd);
void UnregisterDialogWindow(HWND hwnd);

// Gives `msg` to IsDialogMessage of the registered window that holds its
// target; true when it was handled there.
bool TranslateDialogMessage(MSG& msg);

}  // namespace vesko
