#pragma once
// OLE, loaded and started on first use. The first frame needs neither
// ole32 nor oleaut32: only the engines, the folder picker and the file
// dialog do, and each calls Require before its first OLE call. (Under Wine
// the input method loads ole32 for every thread with windows; what start
// saves there is oleaut32 and the hidden window that OleInitialize makes.)
#include <windows.h>
#include <oleauto.h>

#include <memory>
#include <string>
#include <utility>

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
HRESULT CoGetClassObject(REFCLSID clsid, DWORD context, REFIID iid, void** object);
HRESULT GetErrorInfo(DWORD reserved, IErrorInfo** info);
BSTR SysAllocStringLen(const OLECHAR* text, UINT length);
void SysFreeString(BSTR text);
UINT SysStringLen(BSTR text);
void VariantInit(VARIANTARG* v);
HRESULT VariantClear(VARIANTARG* v);
HRESULT VariantCopyInd(VARIANT* out, const VARIANTARG* in);
HRESULT VariantChangeType(VARIANTARG* out, const VARIANTARG* in, USHORT flags, VARTYPE type);

// Owns a BSTR. A null one costs no call, so holding none loads nothing.
class UniqueBstr {
public:
    UniqueBstr() = default;
    explicit UniqueBstr(BSTR text) : text_(text) {}
    UniqueBstr(UniqueBstr&& o) noexcept : text_(std::exchange(o.text_, nullptr)) {}
    UniqueBstr& operator=(UniqueBstr&& o) noexcept {
        if (this != std::addressof(o)) Reset(std::exchange(o.text_, nullptr));
        return *this;
    }
    UniqueBstr(const UniqueBstr&) = delete;
    UniqueBstr& operator=(const UniqueBstr&) = delete;
    ~UniqueBstr() { Reset(); }

    BSTR Get() const { return text_; }
    explicit operator bool() const { return text_ != nullptr; }
    // Frees what it holds first, so it can be handed to an out-parameter.
    BSTR* operator&() {
        Reset();
        return &text_;
    }
    void Reset(BSTR text = nullptr) {
        if (const BSTR old = std::exchange(text_, text)) ole::SysFreeString(old);
    }
    // The whole string, embedded nulls included; empty for none.
    std::wstring Text() const { return text_ ? std::wstring(text_, ole::SysStringLen(text_)) : std::wstring(); }

private:
    BSTR text_ = nullptr;
};

// Owns a VARIANT: starts empty and is cleared (VariantClear) when it goes.
class ScopedVariant {
public:
    ScopedVariant() { ole::VariantInit(&value_); }
    ~ScopedVariant() { ole::VariantClear(&value_); }
    ScopedVariant(const ScopedVariant&) = delete;
    ScopedVariant& operator=(const ScopedVariant&) = delete;

    // For a call that fills it: the call must find it empty, or clear it
    // first as VariantCopy and VariantChangeType do.
    VARIANT* Get() { return &value_; }
    const VARIANT* operator->() const { return &value_; }

private:
    VARIANT value_{};
};

}  // namespace vesko::ole
