// The control's tool, unit and selection members: the CurrentTool state machine with annotation
// editing, the engine's distance and paper units, selection by radius and the display origin.
#include "ZmaVOMap2/control/ZmaVadAZ.h"

#include "ZmaVOMap2/engine/EngineDispatch.h"
#include "ZmaVOMap2/engine/EngineIds.h"
#include "ZmaVOMap2/layers/ZmaVadAZLayerCollection.h"
#include "platform/Result.h"
#include "platform/Window.h"

using platform::Variant;

namespace {

constexpr long kDistanceUnitMeter = 7;

// A script's argument as the type the member needs: by-reference variants unwrapped, anything
// that does not convert refused.
Variant ConvertedArgument(const VARIANT& argument, VARTYPE type) {
    Variant value;
    if (FAILED(platform::CopyIndirect(value.Put(), argument)) || FAILED(::VariantChangeType(&value, &value, 0, type)))
        throw platform::ComError(E_INVALIDARG, L"SelectByRadius needs numbers for the latitude, longitude and radius.", L"VadAZ");
    return value;
}

}  // namespace

STDMETHODIMP CZmaVadAZ::get_CurrentTool(LONG* pVal) {
    COM_TRY {
        platform::ThrowIfNull(pVal);
        if (!engine_.Map()) platform::ThrowHr(E_FAIL);
        *pVal = engine_.CurrentTool();
        return S_OK;
    }
    COM_CATCH_RETURN();
}

STDMETHODIMP CZmaVadAZ::put_CurrentTool(LONG newVal) {
    // The host may answer CurrentToolChanged by releasing the control.
    OperationScope operation(operations_);
    COM_TRY { return tools_.Select(newVal); }
    COM_CATCH_RETURN();
}

STDMETHODIMP CZmaVadAZ::get_DistanceUnit(LONG* pVal) {
    COM_TRY {
        platform::ThrowIfNull(pVal);
        if (!engine_.Map()) platform::ThrowHr(E_UNEXPECTED);
        *pVal = EngineDispatch(engine_.Map()).Get(Engine::Map::kDistanceUnit).ToLong();
        return S_OK;
    }
    COM_CATCH_RETURN();
}

STDMETHODIMP CZmaVadAZ::put_DistanceUnit(LONG newVal) {
    COM_TRY {
        if (!engine_.Map()) platform::ThrowHr(E_UNEXPECTED);
        EngineDispatch(engine_.Map()).Put(Engine::Map::kDistanceUnit, Variant(static_cast<long>(newVal)));
        return S_OK;
    }
    COM_CATCH_RETURN();
}

STDMETHODIMP CZmaVadAZ::get_PaperUnits(LONG* pVal) {
    COM_TRY {
        platform::ThrowIfNull(pVal);
        if (!engine_.Map()) platform::ThrowHr(E_UNEXPECTED);
        *pVal = EngineDispatch(engine_.Map()).Get(Engine::Map::kPaperUnit).ToLong();
        return S_OK;
    }
    COM_CATCH_RETURN();
}

STDMETHODIMP CZmaVadAZ::put_PaperUnits(LONG newVal) {
    COM_TRY {
        if (!engine_.Map()) platform::ThrowHr(E_UNEXPECTED);
        EngineDispatch(engine_.Map()).Put(Engine::Map::kPaperUnit, Variant(static_cast<long>(newVal)));
        return S_OK;
    }
    COM_CATCH_RETURN();
}

STDMETHODIMP CZmaVadAZ::SelectByRadius(VARIANT varLat, VARIANT varLong, VARIANT varRad) {
    // The host may answer SelectionChanged by releasing the control or removing the series.
    OperationScope operation(operations_);
    COM_TRY {
        const double latitude = ConvertedArgument(varLat, VT_R8).dblVal;
        const double longitude = ConvertedArgument(varLong, VT_R8).dblVal;
        const long radius = ConvertedArgument(varRad, VT_I4).lVal;
        CZmaVadAZLayerCollection& layers = layers_.Require();
        // The radius is in metres, whatever unit the user has chosen for the map.
        EngineDispatch map(engine_.MapOrThrow());
        EnginePropertyRestorer restore(map, Engine::Map::kDistanceUnit);
        map.Put(Engine::Map::kDistanceUnit, Variant(kDistanceUnitMeter));
        layers.SelectByRadius({latitude, longitude}, static_cast<double>(radius), true);
        return S_OK;
    }
    COM_CATCH_RETURN();
}

STDMETHODIMP CZmaVadAZ::SetDisplayOrigin(LONG x, LONG y) {
    view_.SetDisplayOrigin(x, y);
    return S_OK;
}
