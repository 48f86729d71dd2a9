// The map control's class factory: one cached instance per module.
#pragma once

#include "platform/ComObject.h"

class CZmaVadAZFactory : public platform::ComObject<CZmaVadAZFactory, IClassFactory> {
public:
    static constexpr bool kLocksModule = false;

    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID iid, void** out) override;
    STDMETHODIMP LockServer(BOOL lock) override;
};
