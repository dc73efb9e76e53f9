#pragma once
// The one place where errors reach the user: the standard error box.
#include <windows.h>

#include <functional>
#include <string>

namespace vesko {

// The application title: the caption of every error box.
void SetApplicationTitle(std::wstring title);
const std::wstring& ApplicationTitle();

// The window that owns error boxes (the frame, once it exists).
void SetErrorOwner(HWND owner);

// Shows `message` in the standard error box (caption = application title,
// error icon, OK), after applying the closing-period rule.
void ShowError(const std::wstring& message);

// Call inside a catch block at a boundary (window procedure, COM method,
// engine event): reports the exception in flight and swallows it.
void ReportCurrentException() noexcept;

// Replaces the message box, for tests. Receives the final text, period
// included. Passing an empty function restores the message box.
using ErrorSink = std::function<void(const std::wstring& text)>;
void SetErrorSink(ErrorSink sink);

}  // namespace vesko
