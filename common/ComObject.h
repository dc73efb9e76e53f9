#pragma once
// The IUnknown of the program's own COM objects: one reference count, and
// QueryInterface answered from a table of the interfaces an object serves.
#include <unknwn.h>

#include <cstddef>

namespace vesko {

// One row of an interface table: the id, and how to reach the interface
// from the object.
template <class Object>
struct ComInterface {
    const IID* iid;
    IUnknown* (*get)(Object* object);
};

// The row for `Interface`, reached through `Via` where the object derives
// from it more than once (IOleWindow through IOleInPlaceSite, say).
template <class Object, class Interface, class Via = Interface>
ComInterface<Object> Entry(const IID& iid) {
    return {&iid, [](Object* object) -> IUnknown* { return static_cast<Interface*>(static_cast<Via*>(object)); }};
}

// QueryInterface over a table; IID_IUnknown is the first row's interface.
template <class Object, size_t N>
HRESULT QueryFromTable(Object* object, const ComInterface<Object> (&table)[N], REFIID iid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    for (const ComInterface<Object>& row : table) {
        if (IsEqualIID(iid, *row.iid) || (&row == &table[0] && IsEqualIID(iid, IID_IUnknown))) {
            IUnknown* found = row.get(object);
            found->AddRef();
            *out = found;
            return S_OK;
        }
    }
    return E_NOINTERFACE;
}

// Derived serves the interfaces Served... and names them in a table that a
// static member returns (a function, whose body sees the whole class):
//     static const auto& Interfaces() {
//         static const ComInterface<Derived> table[] = {Entry<Derived, IFoo>(IID_IFoo), ...};
//         return table;
//     }
// The count starts at one, the maker's reference; the last Release calls
// Derived::FinalRelease, which deletes the object unless Derived has its
// own (an object that lives elsewhere and only counts).
template <class Derived, class... Served>
class ComObject : public Served... {
public:
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
        return QueryFromTable(static_cast<Derived*>(this), Derived::Interfaces(), iid, out);
    }
    STDMETHODIMP_(ULONG) AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&refs_)); }
    STDMETHODIMP_(ULONG) Release() override {
        const LONG n = InterlockedDecrement(&refs_);
        if (n == 0) static_cast<Derived*>(this)->FinalRelease();
        return static_cast<ULONG>(n);
    }

    // References held now, the maker's included.
    LONG References() const { return refs_; }

protected:
    ComObject() = default;
    ~ComObject() = default;
    ComObject(const ComObject&) = delete;
    ComObject& operator=(const ComObject&) = delete;

    void FinalRelease() { delete static_cast<Derived*>(this); }

private:
    LONG refs_ = 1;
};

}  // namespace vesko
