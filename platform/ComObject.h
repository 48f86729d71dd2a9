// The COM object base: a class lists its interfaces once and gets QueryInterface, AddRef and
// Release. Entries of the list are interfaces the class derives from, `DualImpl<I>` (an
// interface with IDispatch over our own type information), or `Also<I, Via>` (answer I with the
// Via base, for an interface that is a base of another one, such as IDispatch or IPersist).
//
//   class Foo : public platform::ComObject<Foo, DualImpl<IFoo>, Also<IDispatch, DualImpl<IFoo>>,
//                                          IPersistStreamInit, Also<IPersist, IPersistStreamInit>>
//
// Hooks the derived class may declare (found statically, no virtual calls):
//   HRESULT FinalConstruct();          run by CreateInstanceOf before the first query
//   void FinalRelease();               run when the last reference goes
//   bool IsRefCountFrozen() const;     while true, AddRef and Release answer 1 and change nothing
//   HRESULT QueryInterfaceImpl(REFIID, void**);  replace the lookup (call InternalQueryInterface)
//   static constexpr bool kLocksModule = false;  objects that must not keep the module loaded
#pragma once

#include "platform/Com.h"
#include "platform/Module.h"
#include "platform/Result.h"

#include <climits>
#include <new>

namespace platform {

// The interface id of an entry; DualImpl<I> specialises it to I's id.
template <class I>
struct InterfaceIdOf {
    static const IID& Get() { return __uuidof(I); }
};
template <class I>
inline const IID& InterfaceId() { return InterfaceIdOf<I>::Get(); }

template <class I, class Via>
struct Also {};

// An empty base that stands in the base list for an Also<> entry.
template <class I, class Via>
struct AlsoMarker {};

template <class T>
struct EntryTraits {
    using Base = T;
    using Interface = T;
    using Via = T;
};
template <class I, class V>
struct EntryTraits<Also<I, V>> {
    using Base = AlsoMarker<I, V>;
    using Interface = I;
    using Via = V;
};

template <class Derived, class... Entries>
class ComObject : public EntryTraits<Entries>::Base... {
public:
    static constexpr bool kLocksModule = true;

    ComObject() noexcept {
        if (Derived::kLocksModule) Module::Lock();
    }
    virtual ~ComObject() {
        if (Derived::kLocksModule) Module::Unlock();
    }
    ComObject(const ComObject&) = delete;
    ComObject& operator=(const ComObject&) = delete;

    STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        return static_cast<Derived*>(this)->QueryInterfaceImpl(iid, out);
    }

    STDMETHODIMP_(ULONG) AddRef() override {
        if (static_cast<Derived*>(this)->IsRefCountFrozen()) return 1;
        return static_cast<ULONG>(::InterlockedIncrement(&refs_));
    }

    STDMETHODIMP_(ULONG) Release() override {
        if (static_cast<Derived*>(this)->IsRefCountFrozen()) return 1;
        LONG n = ::InterlockedDecrement(&refs_);
        if (n == 0) {
            // Keep stray AddRef/Release pairs during final release from deleting us twice.
            refs_ = LONG_MIN / 2;
            static_cast<Derived*>(this)->FinalRelease();
            delete static_cast<Derived*>(this);
        }
        return static_cast<ULONG>(n);
    }

    // Default hooks.
    HRESULT FinalConstruct() { return S_OK; }
    void FinalRelease() {}
    bool IsRefCountFrozen() const noexcept { return false; }
    HRESULT QueryInterfaceImpl(REFIID iid, void** out) { return InternalQueryInterface(iid, out); }

    // The plain table lookup: IUnknown (the first entry) and every listed interface.
    HRESULT InternalQueryInterface(REFIID iid, void** out) {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (IsEqualIID(iid, IID_IUnknown)) {
            *out = Identity();
        } else {
            (void)(... || Match<Entries>(iid, out));
        }
        if (!*out) return E_NOINTERFACE;
        static_cast<IUnknown*>(*out)->AddRef();
        return S_OK;
    }

    // For the creation protocol: drops the reference held around FinalConstruct without freeing.
    void ReleaseWithoutDelete() noexcept {
        if (!static_cast<Derived*>(this)->IsRefCountFrozen()) ::InterlockedDecrement(&refs_);
    }

    IUnknown* Identity() noexcept { return IdentityOf<Entries...>(); }
    LONG RefCount() const noexcept { return refs_; }

private:
    template <class First, class... Rest>
    IUnknown* IdentityOf() noexcept {
        using Via = typename EntryTraits<First>::Via;
        return static_cast<Via*>(static_cast<Derived*>(this));
    }

    template <class Entry>
    bool Match(REFIID iid, void** out) noexcept {
        using I = typename EntryTraits<Entry>::Interface;
        using Via = typename EntryTraits<Entry>::Via;
        if (!IsEqualIID(iid, InterfaceId<I>())) return false;
        *out = static_cast<Via*>(static_cast<Derived*>(this));
        return true;
    }

    LONG refs_ = 0;
};

// Creates an object with one reference and no FinalConstruct (for internal objects).
template <class T, class... Args>
ComPtr<T> MakeObject(Args&&... args) {
    T* p = new (std::nothrow) T(std::forward<Args>(args)...);
    if (!p) ThrowHr(E_OUTOFMEMORY);
    return ComPtr<T>(p);
}

// The creation protocol of a class factory: allocate, run FinalConstruct with one reference held
// (so that references taken and dropped during it cannot free the object), drop it without
// freeing, then ask for the interface. A failure frees the object and hands nothing out.
template <class T, class... Args>
HRESULT CreateInstanceOf(REFIID iid, void** out, Args&&... args) {
    if (!out) return E_POINTER;
    *out = nullptr;
    T* p = new (std::nothrow) T(std::forward<Args>(args)...);
    if (!p) return E_OUTOFMEMORY;
    p->AddRef();
    HRESULT hr = p->FinalConstruct();
    p->ReleaseWithoutDelete();
    if (SUCCEEDED(hr)) hr = p->QueryInterface(iid, out);
    if (FAILED(hr)) {
        *out = nullptr;
        delete p;
    }
    return hr;
}

}  // namespace platform
