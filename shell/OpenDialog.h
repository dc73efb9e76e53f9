#pragma once
// The common file dialogs: File > open (every file), and the bookmark
// import and export, each with its own filter.
#include <windows.h>

#include <string>

namespace vesko {

// A filter as "説明|*.a;*.b|説明|*.*", the form Delphi and .NET write it.
// The full path of the file the user chose; empty when they cancelled.
// Raises AppError when the dialog cannot be shown.
std::wstring ExecuteOpenDialog(HWND owner, const std::wstring& filter = L"すべてのファイル(*.*)|*.*");
// The same for a file to write: `defaultName` proposed, `extension` added
// when the user types a name without one, and the system asking before a
// file is replaced.
std::wstring ExecuteSaveDialog(HWND owner, const std::wstring& filter, const std::wstring& defaultName,
                               const wchar_t* extension);

}  // namespace vesko
