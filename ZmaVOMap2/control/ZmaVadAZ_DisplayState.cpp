// The control's display state: whether it repaints after changes, the drawing mode, the map's
// distance unit as text, the stage of the view-change handling, and the window the map draws in.
#include "ZmaVOMap2/control/ZmaVadAZ.h"

#include "ZmaVOMap2/engine/DistanceUnits.h"
#include "ZmaVOMap2/engine/EngineDispatch.h"
#include "ZmaVOMap2/engine/EngineIds.h"
#include "ZmaVOMap2/layers/ZmaVadAZLayerCollection.h"
#include "platform/Result.h"

#include <cstring>

using platform::Bstr;
using platform::Variant;

namespace {

// The unit names a host may set: English and British spellings, any case.
long ParseDistanceUnits(const wchar_t* name) {
    std::string text = platform::ToAnsi(name);
    if (!text.empty()) ::CharLowerBuffA(&text[0], static_cast<DWORD>(text.size()));
    static const struct {
        const char* name;
        long code;
    } kNames[] = {
        {"mile", DistanceUnits::kMile},     {"kilometer", DistanceUnits::kKilometer},
        {"kilometre", DistanceUnits::kKilometer}, {"meter", DistanceUnits::kMeter},
        {"metre", DistanceUnits::kMeter},   {"yard", DistanceUnits::kYard},
        {"foot", DistanceUnits::kFoot},
    };
    for (const auto& entry : kNames)
        if (text == entry.name) return entry.code;
    throw platform::ComError(E_INVALIDARG, L"Unknown distance unit \"" + platform::ToWide(text) +
                                               L"\": mile, kilometer, meter, yard or foot", L"VadAZ");
}

}  // namespace

STDMETHODIMP CZmaVadAZ::get_ScreenUpdating(VARIANT_BOOL* pVal) {
    if (!pVal) return E_POINTER;
    *pVal = screenUpdating_ ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
}

STDMETHODIMP CZmaVadAZ::put_ScreenUpdating(VARIANT_BOOL newVal) {
    COM_TRY {
        screenUpdating_ = newVal != 0;
        // Switching updates back on shows at once what changed meanwhile.
        RepaintIfUpdating();
        return S_OK;
    }
    COM_CATCH_RETURN();
}

STDMETHODIMP CZmaVadAZ::get_EnhancedDrawingMode(VARIANT_BOOL* pVal) {
    if (!pVal) return E_POINTER;
    COM_TRY {
        return RequireLayers().GetEnhancedDrawingMode(pVal);
    }
    COM_CATCH_RETURN();
}

STDMETHODIMP CZmaVadAZ::put_EnhancedDrawingMode(VARIANT_BOOL newVal) {
    COM_TRY {
        HRESULT result = RequireLayers().SetEnhancedDrawingMode(newVal);
        RepaintIfUpdating();
        return result;
    }
    COM_CATCH_RETURN();
}

STDMETHODIMP CZmaVadAZ::get_Units(BSTR* pVal) {
    if (!pVal) return E_POINTER;
    COM_TRY {
        long code = EngineDispatch(EngineMapOrThrow()).Get(EngineMap::kDistanceUnit).ToLong();
        std::wstring name = DistanceUnits::GetUnitName(code);
        if (name.empty()) return E_FAIL;
        *pVal = Bstr(name).Detach();
        return S_OK;
    }
    COM_CATCH_RETURN();
}

STDMETHODIMP CZmaVadAZ::put_Units(BSTR newVal) {
    // The host may answer UnitsChanged by releasing the control.
    OperationScope operation(*this);
    COM_TRY {
        if (!newVal) throw platform::ComError(E_INVALIDARG, L"No distance unit was given", L"VadAZ");
        // Parsed before the engine is touched: an unknown name changes nothing.
        long code = ParseDistanceUnits(newVal);
        EngineDispatch(EngineMapOrThrow()).Put(EngineMap::kDistanceUnit, Variant(code));
        RepaintIfUpdating();
        Fire_UnitsChanged(newVal);
        return S_OK;
    }
    COM_CATCH_RETURN();
}

STDMETHODIMP CZmaVadAZ::ResetViewChangeStage() {
    viewChanges_.SetStage(2);
    return S_OK;
}

HWND CZmaVadAZ::GetMapWindow() {
    if (IsSubclassed() && engineWindow_) return engineWindow_;
    if (!engineDispatch_) return nullptr;
    try {
        const long handle = EngineDispatch(engineDispatch_.Get()).Get(EngineMap::kWindowHandle).ToLong();
        return reinterpret_cast<HWND>(static_cast<LONG_PTR>(handle));
    }
    COM_CATCH_LOG();
    return nullptr;
}
