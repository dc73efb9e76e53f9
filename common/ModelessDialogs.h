#pragma once
// Modeless dialogs share the program's one message loop. The loop offers
// each message to the dialog it belongs to, so that Tab, Shift+Tab and the
// arrow keys move between the dialog's controls.
#include <windows.h>

#include "common/Form.h"
#include "common/Window.h"

namespace vesko {

void AddModelessDialog(HWND dialog);
void RemoveModelessDialog(HWND dialog);

// True when `msg` was meant for a registered dialog and has been handled
// as dialog navigation.
bool IsModelessDialogMessage(MSG& msg);

// A plain window that works as a modeless dialog: registered with the loop
// while it lives, its controls made when it is created, the keyboard focus
// kept while another window is active.
class ModelessForm : public Window {
protected:
    // Makes the controls (from WM_CREATE); raises as window creation does.
    virtual void OnCreate() = 0;
    // Every other message.
    virtual LRESULT FormMessage(UINT msg, WPARAM wp, LPARAM lp) { return DefaultProc(msg, wp, lp); }

    FocusKeeper focus_;

private:
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) final;
};

}  // namespace vesko
