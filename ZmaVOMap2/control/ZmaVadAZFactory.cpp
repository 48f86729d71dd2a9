#include "ZmaVOMap2/control/ZmaVadAZFactory.h"

#include "ZmaVOMap2/control/ZmaVadAZ.h"
#include "platform/Result.h"

STDMETHODIMP CZmaVadAZFactory::CreateInstance(IUnknown* outer, REFIID iid, void** out) {
    COM_TRY {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (outer) return CLASS_E_NOAGGREGATION;
        return platform::CreateInstanceOf<CZmaVadAZ>(iid, out);
    }
    COM_CATCH_RETURN();
}

STDMETHODIMP CZmaVadAZFactory::LockServer(BOOL lock) {
    if (lock) platform::Module::Lock(); else platform::Module::Unlock();
    return S_OK;
}
