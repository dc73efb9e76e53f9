// Vesko: a web browser carrying two engines side by side.
#include <windows.h>

#include <cstdlib>

#include "browser/BrowserEmulation.h"
#include "common/ErrorReport.h"
#include "common/Files.h"
#include "shell/Application.h"

#if defined(__GLIBCXX__)
// libstdc++'s handler for std::terminate writes the exception's demangled
// type to standard error, which a windowed program does not have, and
// brings a demangler and printf along: a seventh of the program. The
// standard's own default, abort, which that handler ends in too, stands in.
namespace __gnu_cxx {
void __verbose_terminate_handler() { std::abort(); }
}  // namespace __gnu_cxx
#endif

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    try {
        vesko::TApplication app;
        app.SetTitle(L"Vesko");
        // Before any engine loads: the control reads its switch then.
        try {
            vesko::EnsureNewestDocumentMode(vesko::ExecutableFileName());
        } catch (...) {
            vesko::ReportCurrentException();
        }
        app.CreateMainForm();
        app.CreateHiddenForms();
        return app.Run();
    } catch (...) {
        vesko::ReportCurrentException();
        return 1;
    }
}
