#include "ZmaVOMap2/control/EngineDispatch.h"

#include "platform/Result.h"

#include <vector>

using platform::Variant;

namespace {
std::vector<VARIANT> Reversed(std::initializer_list<Variant> args) {
    std::vector<VARIANT> out;
    out.reserve(args.size());
    for (auto it = args.end(); it != args.begin();) {
        --it;
        out.push_back(*it);  // shallow: the initializer list keeps ownership
    }
    return out;
}
}  // namespace

Variant EngineDispatch::Get(DISPID id, std::initializer_list<Variant> args) const {
    auto reversed = Reversed(args);
    return Invoke(id, DISPATCH_PROPERTYGET | DISPATCH_METHOD, reversed.data(), static_cast<UINT>(reversed.size()), false);
}

void EngineDispatch::Put(DISPID id, const VARIANT& value) const {
    VARIANT arg = value;
    Invoke(id, DISPATCH_PROPERTYPUT, &arg, 1, true);
}

Variant EngineDispatch::Call(DISPID id, std::initializer_list<Variant> args) const {
    auto reversed = Reversed(args);
    return Invoke(id, DISPATCH_METHOD, reversed.data(), static_cast<UINT>(reversed.size()), false);
}

Variant EngineDispatch::CallWith(DISPID id, VARIANT* args, UINT count) const {
    std::vector<VARIANT> reversed(args, args + count);
    std::vector<VARIANT>(reversed.rbegin(), reversed.rend()).swap(reversed);
    return Invoke(id, DISPATCH_METHOD, reversed.data(), count, false);
}

Variant EngineDispatch::Invoke(DISPID id, WORD flags, VARIANT* argsReversed, UINT count, bool put) const {
    if (!object_) platform::ThrowHr(E_POINTER);
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS params = {argsReversed, put ? &named : nullptr, count, put ? 1u : 0u};
    EXCEPINFO info = {};
    Variant result;
    HRESULT hr = object_->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, put ? nullptr : result.Put(), &info,
                                 nullptr);
    if (SUCCEEDED(hr)) return result;
    if (hr == DISP_E_EXCEPTION) {
        if (info.pfnDeferredFillIn) info.pfnDeferredFillIn(&info);
        HRESULT code = info.scode ? info.scode : (info.wCode ? MAKE_HRESULT(SEVERITY_ERROR, FACILITY_ITF, info.wCode) : hr);
        std::wstring text = info.bstrDescription ? info.bstrDescription : L"";
        std::wstring source = info.bstrSource ? info.bstrSource : L"";
        ::SysFreeString(info.bstrDescription);
        ::SysFreeString(info.bstrSource);
        ::SysFreeString(info.bstrHelpFile);
        if (!text.empty()) throw platform::ComError(code, text, source);
        platform::ThrowHr(code);
    }
    platform::ThrowCall(hr);
}
