#pragma once
// OLE, loaded and started on first use. The first frame needs neither
// ole32 nor oleaut32: only the engines, the folder picker and the file
// dialog do, and each calls Require before its first OLE call. (Under Wine
// the input method loads ole32 for every thread with windows; what start
// saves there is oleaut32 and the hidden window that OleInitialize makes.)
#include <windows.h>
#include <oleauto.h>

namespace vesko::ole {

// Loads both libraries and starts OLE on this thread, once; later calls
// return at once. Raises AppError with the reason when it cannot.
void Require();
// Ends what Require started, if it started anything: at the program's end.
void Shutdown();

// The program's calls into the two libraries, each looked up on its first
// call. Where a library cannot be had they fail as the calls themselves do
// (an error code, a null string, a length of 0).
HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* outer, DWORD context, REFIID iid, void** object);
HRESULT GetErrorInfo(DWORD reserved, IErrorInfo** info);
BSTR SysAllocStringLen(const OLECHAR* text, UINT length);
void SysFreeString(BSTR text);
UINT SysStringLen(BSTR text);
void VariantInit(VARIANTARG* v);
HRESULT VariantClear(VARIANTARG* v);
HRESULT VariantCopyInd(VARIANT* out, const VARIANTARG* in);
HRESULT VariantChangeType(VARIANTARG* out, const VARIANTARG* in, USHORT flags, VARTYPE type);

}  // namespace vesko::ole
