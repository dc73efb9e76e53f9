#include "common/Ole.h"

#include "common/Error.h"
#include "common/SystemLibrary.h"

namespace vesko::ole {
namespace {

constexpr wchar_t kOle32[] = L"ole32.dll";
constexpr wchar_t kOleAut32[] = L"oleaut32.dll";
// What a call answers when its library could not be loaded.
constexpr HRESULT kUnavailable = HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND);

bool started = false;

}  // namespace

void Require() {
    if (started) return;
    const auto initialize = SystemFunction<HRESULT(WINAPI*)(LPVOID)>(kOle32, "OleInitialize");
    // The engines' events cannot be read without oleaut32: refuse now rather
    // than lose them later.
    if (!initialize || !SystemFunction(kOleAut32, "VariantChangeType")) throw AppError(SystemMessage(GetLastError()));
    const HRESULT hr = initialize(nullptr);
    if (FAILED(hr)) throw AppError(OleErrorMessage(hr, nullptr, IID_IUnknown));
    // S_FALSE too: OLE was started on this thread already, and is ended once
    // more all the same.
    started = true;
}

void Shutdown() {
    if (!started) return;
    started = false;
    if (const auto uninitialize = SystemFunction<void(WINAPI*)()>(kOle32, "OleUninitialize")) uninitialize();
}

HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* outer, DWORD context, REFIID iid, void** object) {
    static const auto call =
        SystemFunction<HRESULT(WINAPI*)(REFCLSID, IUnknown*, DWORD, REFIID, void**)>(kOle32, "CoCreateInstance");
    if (call) return call(clsid, outer, context, iid, object);
    if (object) *object = nullptr;
    return kUnavailable;
}

HRESULT CoGetClassObject(REFCLSID clsid, DWORD context, REFIID iid, void** object) {
    static const auto call = SystemFunction<HRESULT(WINAPI*)(REFCLSID, DWORD, COSERVERINFO*, REFIID, void**)>(
        kOle32, "CoGetClassObject");
    if (call) return call(clsid, context, nullptr, iid, object);
    if (object) *object = nullptr;
    return kUnavailable;
}

HRESULT GetErrorInfo(DWORD reserved, IErrorInfo** info) {
    static const auto call = SystemFunction<HRESULT(WINAPI*)(DWORD, IErrorInfo**)>(kOle32, "GetErrorInfo");
    if (call) return call(reserved, info);
    if (info) *info = nullptr;
    return kUnavailable;
}

BSTR SysAllocStringLen(const OLECHAR* text, UINT length) {
    static const auto call = SystemFunction<BSTR(WINAPI*)(const OLECHAR*, UINT)>(kOleAut32, "SysAllocStringLen");
    return call ? call(text, length) : nullptr;
}

void SysFreeString(BSTR text) {
    static const auto call = SystemFunction<void(WINAPI*)(BSTR)>(kOleAut32, "SysFreeString");
    if (call) call(text);
}

UINT SysStringLen(BSTR text) {
    static const auto call = SystemFunction<UINT(WINAPI*)(BSTR)>(kOleAut32, "SysStringLen");
    return call ? call(text) : 0;
}

void VariantInit(VARIANTARG* v) {
    static const auto call = SystemFunction<void(WINAPI*)(VARIANTARG*)>(kOleAut32, "VariantInit");
    if (call)
        call(v);
    else
        v->vt = VT_EMPTY;
}

HRESULT VariantClear(VARIANTARG* v) {
    static const auto call = SystemFunction<HRESULT(WINAPI*)(VARIANTARG*)>(kOleAut32, "VariantClear");
    return call ? call(v) : kUnavailable;
}

HRESULT VariantCopyInd(VARIANT* out, const VARIANTARG* in) {
    static const auto call = SystemFunction<HRESULT(WINAPI*)(VARIANT*, const VARIANTARG*)>(kOleAut32, "VariantCopyInd");
    return call ? call(out, in) : kUnavailable;
}

HRESULT VariantChangeType(VARIANTARG* out, const VARIANTARG* in, USHORT flags, VARTYPE type) {
    static const auto call = SystemFunction<HRESULT(WINAPI*)(VARIANTARG*, const VARIANTARG*, USHORT, VARTYPE)>(
        kOleAut32, "VariantChangeType");
    return call ? call(out, in, flags, type) : kUnavailable;
}

}  // namespace vesko::ole
