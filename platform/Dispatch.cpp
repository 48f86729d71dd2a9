#include "platform/Dispatch.h"

namespace platform {

HRESULT InvokeByDispid(IDispatch* d, DISPID id, WORD flags, VARIANT* argsReversed, UINT count, VARIANT* result) {
    if (!d) return E_POINTER;
    DISPPARAMS params = {argsReversed, nullptr, count, 0};
    DISPID named = DISPID_PROPERTYPUT;
    if (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) {
        params.rgdispidNamedArgs = &named;
        params.cNamedArgs = 1;
    }
    return d->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, result, nullptr, nullptr);
}

}  // namespace platform
