// The standard class factory for a class built on ComObject.
#pragma once

#include "platform/ComObject.h"
#include "platform/Result.h"

namespace platform {

template <class T>
class ClassFactory : public ComObject<ClassFactory<T>, IClassFactory> {
public:
    // The module caches its class objects; they must not keep it loaded.
    static constexpr bool kLocksModule = false;

    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (outer) return CLASS_E_NOAGGREGATION;
        COM_TRY {
            return CreateInstanceOf<T>(iid, out);
        }
        COM_CATCH_RETURN();
    }

    STDMETHODIMP LockServer(BOOL lock) override {
        if (lock) Module::Lock(); else Module::Unlock();
        return S_OK;
    }
};

// For ClassEntry::createClassObject.
template <class Factory>
HRESULT CreateClassObject(REFIID iid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    Factory* f = new (std::nothrow) Factory();
    if (!f) return E_OUTOFMEMORY;
    f->AddRef();
    HRESULT hr = f->QueryInterface(iid, out);
    f->Release();
    return hr;
}

template <class T>
HRESULT CreateDefaultClassObject(REFIID iid, void** out) {
    return CreateClassObject<ClassFactory<T>>(iid, out);
}

}  // namespace platform
