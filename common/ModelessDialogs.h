#pragma once
// Modeless dialogs share the program's one message loop. The loop offers
// each message to the dialog it belongs to, so that Tab, Shift+Tab and the
// arrow keys move between the dialog's controls.
#include <windows.h>

namespace vesko {

void AddModelessDialog(HWND dialog);
void RemoveModelessDialog(HWND dialog);

// True when `msg` was meant for a registered dialog and has been handled
// as dialog navigation.
bool IsModelessDialogMessage(MSG& msg);

}  // namespace vesko
