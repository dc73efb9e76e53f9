#pragma once
// The frame's commands as one table: what each is called, its shortcut and
// hint, when it is enabled and what it does. The menu bar and the
// shortcuts are made from it, and every menu, key and tool button runs a
// command through it. Commands that act on a page go to the active child,
// which carries them out itself.
#include <windows.h>

#include "common/Handles.h"

namespace vesko {

class TMainForm;
class FrameModel;

struct Shortcut {
    BYTE modifiers = 0;  // FCONTROL, FSHIFT, FALT
    WORD key = 0;        // a virtual key; 0: none
    const wchar_t* text = nullptr;  // as the menu shows it
};

struct Command {
    UINT id;
    const wchar_t* caption;  // the menu item's, "&" marking the access key
    Shortcut shortcut;
    const wchar_t* hint;  // short|long; shown nowhere
    // Whether it may run now; null: always. A page command is also
    // enabled only while there is an active child that says it can.
    bool (*enabled)(const FrameModel& model);
    bool (*checked)(const FrameModel& model);  // null: never checked
    // What it does; null: the active child carries it out.
    void (*execute)(TMainForm& frame);
};

// The row of `id`, or null.
const Command* FindCommand(UINT id);

// The menu bar, each item showing its command's caption and shortcut.
// Raises AppError when the system refuses a menu.
UniqueMenu BuildMenuBar();
// The shortcuts of every command that has one.
UniqueAccelerators BuildAccelerators();
// Sets the enabled and checked states of the items of `menu` (not of its
// submenus) from the table.
void UpdateMenuStates(HMENU menu, const TMainForm& frame);

}  // namespace vesko
