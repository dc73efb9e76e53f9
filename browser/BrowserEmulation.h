#pragma once
// The document mode of the system's WebBrowser control. A program that
// hosts it gets the control's oldest mode unless the control's own
// per-program switch in the registry says otherwise; most of today's pages
// break in that mode. The switch is the control's, not a Vesko setting.
#include <string>

namespace vesko {

// The newest mode, as the system's own browser uses it.
constexpr unsigned long kNewestDocumentMode = 11001;

// Sets the switch for the program file `exeName` (e.g. "vesko.exe") to the
// newest mode when it is missing; a value already there, the user's own,
// is left as it is. Raises AppError when the registry refuses the write.
void EnsureNewestDocumentMode(const std::wstring& exeName);

}  // namespace vesko
