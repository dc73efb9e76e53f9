#pragma once
// OpenDialog: the common file-open dialog of File > open, with the one
// filter that shows every file.
#include <windows.h>

#include <string>

namespace vesko {

// The full path of the file the user chose; empty when they cancelled.
// Raises AppError when the dialog cannot be shown.
std::wstring ExecuteOpenDialog(HWND owner);

}  // namespace vesko
