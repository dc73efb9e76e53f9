#include "common/ModelessDialogs.h"

#include <algorithm>
#include <vector>

namespace vesko {
namespace {

std::vector<HWND>& Dialogs() {
    static std::vector<HWND> dialogs;
    return dialogs;
}

}  // namespace

void AddModelessDialog(HWND dialog) {
    auto& dialogs = Dialogs();
    if (std::find(dialogs.begin(), dialogs.end(), dialog) == dialogs.end()) dialogs.push_back(dialog);
}

void RemoveModelessDialog(HWND dialog) {
    auto& dialogs = Dialogs();
    dialogs.erase(std::remove(dialogs.begin(), dialogs.end(), dialog), dialogs.end());
}

bool IsModelessDialogMessage(MSG& msg) {
    if (!msg.hwnd) return false;
    // A copy: handling the message may open or close dialogs.
    const std::vector<HWND> dialogs = Dialogs();
    for (HWND dialog : dialogs) {
        if (msg.hwnd == dialog || IsChild(dialog, msg.hwnd)) return IsDialogMessageW(dialog, &msg) != FALSE;
    }
    return false;
}

LRESULT ModelessForm::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_CREATE:
        OnCreate();
        AddModelessDialog(Handle());
        return 0;
    case WM_ACTIVATE:
        focus_.OnActivate(Handle(), wp);
        return 0;
    case WM_DESTROY:
        RemoveModelessDialog(Handle());
        return 0;
    default:
        return FormMessage(msg, wp, lp);
    }
}

}  // namespace vesko
