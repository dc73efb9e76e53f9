#pragma once
// Errors that reach the user. Each carries the message the standard error
// box shows; nothing else in the program displays errors.
#include <windows.h>
#include <unknwn.h>

#include <exception>
#include <string>

namespace vesko {

class AppError : public std::exception {
public:
    explicit AppError(std::wstring message);
    const std::wstring& Message() const { return message_; }
    // The message in UTF-8, for diagnostics.
    const char* what() const noexcept override { return utf8_.c_str(); }

private:
    std::wstring message_;
    std::string utf8_;
};

// The system's text for a Win32 error or HRESULT, without the trailing line
// break; empty when the system has none.
std::wstring SystemMessage(DWORD code);

// The message for a window or control the system would not create: its
// text for the error code, or, where the call left none (the text for 0
// says the operation succeeded), "ウィンドウを作成できません".
std::wstring WindowCreationMessage(DWORD code);

// The message of a failed COM call: the object's error description when it
// left one, else the system's text for the code, else "OLE エラー %.8x".
std::wstring OleErrorMessage(HRESULT hr, IUnknown* object, REFIID iid);

// Raises AppError for a failing HRESULT, with OleErrorMessage's text.
void OleCheck(HRESULT hr, IUnknown* object, REFIID iid);

// The message the error box shows: a period is appended when the last
// character sorts after '.' (so Japanese messages always get one).
std::wstring WithClosingPeriod(std::wstring message);

// The text of whatever exception is in flight, for the catch-all boundaries.
std::wstring CurrentExceptionMessage();

}  // namespace vesko
