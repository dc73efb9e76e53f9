// Vesko: a web browser carrying two engines side by side.
#include <windows.h>

#include "common/ErrorReport.h"
#include "shell/Application.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    try {
        vesko::TApplication app;
        app.SetTitle(L"Vesko");
        app.CreateMainForm();
        app.CreateHiddenForms();
        return app.Run();
    } catch (...) {
        vesko::ReportCurrentException();
        return 1;
    }
}
