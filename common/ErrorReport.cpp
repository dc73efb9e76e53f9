#include "common/ErrorReport.h"

#include "common/Error.h"

namespace vesko {
namespace {

std::wstring& Title() {
    static std::wstring title = L"Vesko";
    return title;
}

HWND& Owner() {
    static HWND owner = nullptr;
    return owner;
}

ErrorSink& Sink() {
    static ErrorSink sink;
    return sink;
}

}  // namespace

void SetApplicationTitle(std::wstring title) { Title() = std::move(title); }
const std::wstring& ApplicationTitle() { return Title(); }
void SetErrorOwner(HWND owner) { Owner() = owner; }
void SetErrorSink(ErrorSink sink) { Sink() = std::move(sink); }

void ShowError(const std::wstring& message) {
    const std::wstring text = WithClosingPeriod(message);
    if (Sink()) {
        Sink()(text);
        return;
    }
    HWND owner = Owner();
    if (owner && !IsWindow(owner)) owner = nullptr;
    MessageBoxW(owner, text.c_str(), Title().c_str(), MB_OK | MB_ICONERROR);
}

void ReportCurrentException() noexcept {
    try {
        ShowError(CurrentExceptionMessage());
    } catch (...) {
        // Nothing sensible is left to do if even reporting fails.
    }
}

}  // namespace vesko
