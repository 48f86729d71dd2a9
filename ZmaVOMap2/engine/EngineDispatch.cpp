#include "ZmaVOMap2/engine/EngineDispatch.h"

#include "ZmaVOMap2/engine/EngineIds.h"
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

Variant EngineDispatch::GetByName(const wchar_t* name, std::initializer_list<Variant> args) const {
    if (!object_) platform::ThrowHr(E_POINTER);
    DISPID id = DISPID_UNKNOWN;
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    THROW_IF_FAILED(object_->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id));
    return Get(id, args);
}

Variant EngineDispatch::Call(DISPID id, std::initializer_list<Variant> args) const {
    auto reversed = Reversed(args);
    return Invoke(id, DISPATCH_METHOD, reversed.data(), static_cast<UINT>(reversed.size()), false);
}

HRESULT EngineDispatch::TryCall(DISPID id, std::initializer_list<Variant> args, Variant& result) const {
    if (!object_) return E_POINTER;
    auto reversed = Reversed(args);
    DISPPARAMS params = {reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
    EXCEPINFO info = {};
    const HRESULT hr = object_->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, result.Put(), &info, nullptr);
    ::SysFreeString(info.bstrDescription);
    ::SysFreeString(info.bstrSource);
    ::SysFreeString(info.bstrHelpFile);
    return hr;
}

Variant EngineDispatch::CallWith(DISPID id, VARIANT* args, UINT count) const {
    std::vector<VARIANT> reversed(args, args + count);
    std::vector<VARIANT>(reversed.rbegin(), reversed.rend()).swap(reversed);
    return Invoke(id, DISPATCH_METHOD, reversed.data(), count, false);
}

EnginePropertyRestorer::EnginePropertyRestorer(const EngineDispatch& object, DISPID id)
    : object_(object), id_(id), saved_(object.Get(id)) {}

EnginePropertyRestorer::EnginePropertyRestorer(const EngineDispatch& object, DISPID id, const VARIANT& value)
    : object_(object), id_(id), saved_(value) {}

EnginePropertyRestorer::~EnginePropertyRestorer() {
    if (restored_) return;
    try {
        object_.Put(id_, saved_);
    }
    COM_CATCH_LOG();
}

void EnginePropertyRestorer::Restore() {
    restored_ = true;
    object_.Put(id_, saved_);
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

namespace {

// Both directions pass the four values by reference; screen to map reads the screen values, map
// to screen the map values.
void ConvertCoord(const EngineDispatch& map, float& screenX, float& screenY, double& mapX, double& mapY,
                  short direction) {
    VARIANT args[5];
    args[0].vt = VT_R4 | VT_BYREF;
    args[0].pfltVal = &screenX;
    args[1].vt = VT_R4 | VT_BYREF;
    args[1].pfltVal = &screenY;
    args[2].vt = VT_R8 | VT_BYREF;
    args[2].pdblVal = &mapX;
    args[3].vt = VT_R8 | VT_BYREF;
    args[3].pdblVal = &mapY;
    args[4].vt = VT_I2;
    args[4].iVal = direction;
    map.CallWith(Engine::Map::kConvertCoord, args, 5);
}

}  // namespace

void EngineScreenToMap(const EngineDispatch& map, float x, float y, double& mapX, double& mapY) {
    mapX = 0;
    mapY = 0;
    ConvertCoord(map, x, y, mapX, mapY, Engine::Conversion::kScreenToMap);
}

EngineScreenPoint EngineMapToScreen(const EngineDispatch& map, double x, double y) {
    EngineScreenPoint p;
    ConvertCoord(map, p.x, p.y, x, y, Engine::Conversion::kMapToScreen);
    return p;
}
