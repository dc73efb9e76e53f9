#pragma once
// OLE, loaded and started on first use. ole32 and oleaut32, with combase
// and rpcrt4 behind them, are a good part of a start under Wine, and the
// first frame needs none of them: only the engines, the folder picker and
// the file dialog do, and each calls Require before its first OLE call.
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
