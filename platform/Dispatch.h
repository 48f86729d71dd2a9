// IDispatch for a dual interface over the module's own type information (ITypeInfo::Invoke).
#pragma once

#include "platform/ComObject.h"
#include "platform/Result.h"

namespace platform {

// Type information of interface `iid` from the module's type library, loaded once per interface.
template <class I>
ITypeInfo* CachedTypeInfo() {
    static ITypeInfo* info = Module::TypeInfo(__uuidof(I));  // kept until the process ends
    return info;
}

template <class I>
class DualImpl : public I {
public:
    STDMETHODIMP GetTypeInfoCount(UINT* count) override {
        if (!count) return E_POINTER;
        *count = 1;
        return S_OK;
    }

    STDMETHODIMP GetTypeInfo(UINT index, LCID, ITypeInfo** info) override {
        if (!info) return E_POINTER;
        *info = nullptr;
        if (index != 0) return DISP_E_BADINDEX;
        COM_TRY {
            *info = CachedTypeInfo<I>();
            (*info)->AddRef();
            return S_OK;
        }
        COM_CATCH_RETURN();
    }

    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {
        COM_TRY {
            return CachedTypeInfo<I>()->GetIDsOfNames(names, count, ids);
        }
        COM_CATCH_RETURN();
    }

    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                        EXCEPINFO* excepInfo, UINT* argErr) override {
        COM_TRY {
            return CachedTypeInfo<I>()->Invoke(static_cast<I*>(this), id, flags, params, result, excepInfo, argErr);
        }
        COM_CATCH_RETURN();
    }
};

template <class I>
struct InterfaceIdOf<DualImpl<I>> {
    static const IID& Get() { return __uuidof(I); }
};

// Calls a member of an automation object by DISPID (for stand-ins and tests).
HRESULT InvokeByDispid(IDispatch* d, DISPID id, WORD flags, VARIANT* argsReversed, UINT count, VARIANT* result);

}  // namespace platform
