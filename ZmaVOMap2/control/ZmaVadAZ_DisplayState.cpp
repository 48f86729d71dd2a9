// The control's display state: whether it repaints after changes, the drawing mode, the map's
// distance unit as text, and the stage of the view-change handling.
#include "ZmaVOMap2/control/ZmaVadAZ.h"

#include "ZmaVOMap2/engine/DistanceUnits.h"
#include "ZmaVOMap2/engine/EngineDispatch.h"
#include "ZmaVOMap2/engine/EngineIds.h"
#include "ZmaVOMap2/layers/ZmaVadAZLayerCollection.h"
#include "platform/Result.h"

using platform::Bstr;
using platform::Variant;

STDMETHODIMP CZmaVadAZ::get_ScreenUpdating(VARIANT_BOOL* pVal) {
    if (!pVal) return E_POINTER;
    *pVal = view_.ScreenUpdating() ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
}

STDMETHODIMP CZmaVadAZ::put_ScreenUpdating(VARIANT_BOOL newVal) {
    COM_TRY {
        view_.SetScreenUpdating(newVal != 0);
        // Switching updates back on shows at once what changed meanwhile.
        view_.RepaintIfUpdating(engine_);
        return S_OK;
    }
    COM_CATCH_RETURN();
}

STDMETHODIMP CZmaVadAZ::get_EnhancedDrawingMode(VARIANT_BOOL* pVal) {
    if (!pVal) return E_POINTER;
    COM_TRY {
        return layers_.Require().GetEnhancedDrawingMode(pVal);
    }
    COM_CATCH_RETURN();
}

STDMETHODIMP CZmaVadAZ::put_EnhancedDrawingMode(VARIANT_BOOL newVal) {
    COM_TRY {
        HRESULT result = layers_.Require().SetEnhancedDrawingMode(newVal);
        view_.RepaintIfUpdating(engine_);
        return result;
    }
    COM_CATCH_RETURN();
}

STDMETHODIMP CZmaVadAZ::get_Units(BSTR* pVal) {
    if (!pVal) return E_POINTER;
    COM_TRY {
        long code = EngineDispatch(engine_.MapOrThrow()).Get(Engine::Map::kDistanceUnit).ToLong();
        std::wstring name = DistanceUnits::GetUnitName(code);
        if (name.empty()) return E_FAIL;
        *pVal = Bstr(name).Detach();
        return S_OK;
    }
    COM_CATCH_RETURN();
}

STDMETHODIMP CZmaVadAZ::put_Units(BSTR newVal) {
    // The host may answer UnitsChanged by releasing the control.
    OperationScope operation(operations_);
    COM_TRY {
        if (!newVal) throw platform::ComError(E_INVALIDARG, L"No distance unit was given", L"VadAZ");
        // Parsed before the engine is touched: an unknown name changes nothing.
        const long code = DistanceUnits::ParseUnitName(newVal);
        EngineDispatch(engine_.MapOrThrow()).Put(Engine::Map::kDistanceUnit, Variant(code));
        view_.RepaintIfUpdating(engine_);
        events_.Fire_UnitsChanged(newVal);
        return S_OK;
    }
    COM_CATCH_RETURN();
}

STDMETHODIMP CZmaVadAZ::ResetViewChangeStage() {
    view_.Changes().SetStage(2);
    return S_OK;
}
