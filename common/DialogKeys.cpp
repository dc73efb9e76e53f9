#include "common/DialogKeys.h"

#include <algorithm>
#include <vector>

namespace vesko {
namespace {
std::vector<HWND>& Windows() {
    static std::vector<HWND> windows;
    return windows;
}
}  // namespace

void RegisterDialogWindow(HWND hwnd) {
    if (hwnd && std::find(Windows().begin(), Windows().end(), hwnd) == Windows().end()) Windows().push_back(hwnd);
}

void UnregisterDialogWindow(HWND hwnd) {
    Windows().erase(std::remove(Windows().begin(), Windows().end(), hwnd), Windows().end());
}

bool TranslateDialogMessage(MSG& msg) {
    if (!msg.hwnd) return false;
    for (HWND window : Windows())
        if (msg.hwnd == window || IsChild(window, msg.hwnd)) return IsDialogMessageW(window, &msg) != FALSE;
    return false;
}

}  // namespace vesko
