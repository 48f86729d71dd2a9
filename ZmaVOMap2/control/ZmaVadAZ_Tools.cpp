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

bool IsAnnotationTool(long tool) {
    switch (tool) {
    case VO_MAP_TOOL_TEXT: case VO_MAP_TOOL_ADDLINE: case VO_MAP_TOOL_ADDPOLYLINE: case VO_MAP_TOOL_ADDREGION:
    case VO_MAP_TOOL_ADDPOINT:
        return true;
    default:
        return false;
    }
}

// A script's argument as the type the member needs: by-reference variants unwrapped, anything
// that does not convert refused.
Variant ConvertedArgument(const VARIANT& argument, VARTYPE type) {
    Variant value;
    if (FAILED(platform::CopyIndirect(value.Put(), argument)) || FAILED(::VariantChangeType(&value, &value, 0, type)))
        throw platform::ComError(E_INVALIDARG, L"SelectByRadius needs numbers for the latitude, longitude and radius.", L"VadAZ");
    return value;
}

// Puts the engine's distance unit back however the scope is left.
class DistanceUnitRestorer {
public:
    explicit DistanceUnitRestorer(IDispatch* map)
        : map_(map), saved_(map_.Get(EngineMap::kDistanceUnit)) {}
    ~DistanceUnitRestorer() {
        try {
            map_.Put(EngineMap::kDistanceUnit, saved_);
        } catch (...) {
        }
    }
    DistanceUnitRestorer(const DistanceUnitRestorer&) = delete;
    DistanceUnitRestorer& operator=(const DistanceUnitRestorer&) = delete;

private:
    EngineDispatch map_;
    Variant saved_;
};

}  // namespace

STDMETHODIMP CZmaVadAZ::get_CurrentTool(LONG* pVal) {
    COM_TRY {
        platform::ThrowIfNull(pVal);
        if (!engineDispatch_) platform::ThrowHr(E_FAIL);
        *pVal = EngineCurrentTool();
        return S_OK;
    }
    COM_CATCH_RETURN();
}

STDMETHODIMP CZmaVadAZ::put_CurrentTool(LONG newVal) {
    // The host may answer CurrentToolChanged by releasing the control.
    OperationScope operation(*this);
    COM_TRY {
        currentTool_ = newVal;
        if (!engineDispatch_) platform::ThrowHr(E_FAIL);
        CZmaVadAZLayerCollection& layers = RequireLayers();
        if (newVal != VO_MAP_TOOL_DISTANCE) measure_.End();

        // Text typed with the engine's text tool becomes layer features as soon as another tool
        // is chosen.
        if (EngineCurrentTool() == VO_MAP_TOOL_TEXT && newVal != VO_MAP_TOOL_TEXT) THROW_IF_FAILED(layers.SetCurrentTool());

        if (newVal != VO_MAP_TOOL_EDITTEXT) {
            if (annotationMode_) THROW_IF_FAILED(layers.SetCurrentTool());
            annotationMode_ = false;
        } else if (!annotationMode_) {
            const HRESULT hr = layers.InitialiseAnnotations();
            if (FAILED(hr)) {
                platform::Prompts().MessageBox(nullptr, L"Failed to initialize annotations", L"Map Module", MB_OK);
                return hr;
            }
            EngineDispatch(EngineMapOrThrow()).Put(EngineMap::kCurrentTool, Variant(static_cast<long>(VO_MAP_TOOL_ARROW)));
            currentTool_ = VO_MAP_TOOL_ARROW;
            annotationMode_ = true;
            return S_OK;
        }

        if (IsAnnotationTool(newVal)) {
            SelectAnnotationTool(newVal);
            return S_OK;
        }
        EngineDispatch(EngineMapOrThrow()).Put(EngineMap::kCurrentTool, Variant(static_cast<long>(newVal)));
        return S_OK;
    }
    COM_CATCH_RETURN();
}

STDMETHODIMP CZmaVadAZ::get_DistanceUnit(LONG* pVal) {
    COM_TRY {
        platform::ThrowIfNull(pVal);
        if (!engineDispatch_) platform::ThrowHr(E_UNEXPECTED);
        *pVal = EngineDispatch(engineDispatch_.Get()).Get(EngineMap::kDistanceUnit).ToLong();
        return S_OK;
    }
    COM_CATCH_RETURN();
}

STDMETHODIMP CZmaVadAZ::put_DistanceUnit(LONG newVal) {
    COM_TRY {
        if (!engineDispatch_) platform::ThrowHr(E_UNEXPECTED);
        EngineDispatch(engineDispatch_.Get()).Put(EngineMap::kDistanceUnit, Variant(static_cast<long>(newVal)));
        return S_OK;
    }
    COM_CATCH_RETURN();
}

STDMETHODIMP CZmaVadAZ::get_PaperUnits(LONG* pVal) {
    COM_TRY {
        platform::ThrowIfNull(pVal);
        if (!engineDispatch_) platform::ThrowHr(E_UNEXPECTED);
        *pVal = EngineDispatch(engineDispatch_.Get()).Get(EngineMap::kPaperUnit).ToLong();
        return S_OK;
    }
    COM_CATCH_RETURN();
}

STDMETHODIMP CZmaVadAZ::put_PaperUnits(LONG newVal) {
    COM_TRY {
        if (!engineDispatch_) platform::ThrowHr(E_UNEXPECTED);
        EngineDispatch(engineDispatch_.Get()).Put(EngineMap::kPaperUnit, Variant(static_cast<long>(newVal)));
        return S_OK;
    }
    COM_CATCH_RETURN();
}

STDMETHODIMP CZmaVadAZ::SelectByRadius(VARIANT varLat, VARIANT varLong, VARIANT varRad) {
    // The host may answer SelectionChanged by releasing the control or removing the series.
    OperationScope operation(*this);
    COM_TRY {
        const double latitude = ConvertedArgument(varLat, VT_R8).dblVal;
        const double longitude = ConvertedArgument(varLong, VT_R8).dblVal;
        const long radius = ConvertedArgument(varRad, VT_I4).lVal;
        CZmaVadAZLayerCollection& layers = RequireLayers();
        // The radius is in metres, whatever unit the user has chosen for the map.
        DistanceUnitRestorer restore(EngineMapOrThrow());
        EngineDispatch(EngineMapOrThrow()).Put(EngineMap::kDistanceUnit, Variant(kDistanceUnitMeter));
        layers.SelectByRadius({latitude, longitude}, static_cast<double>(radius), true);
        return S_OK;
    }
    COM_CATCH_RETURN();
}

STDMETHODIMP CZmaVadAZ::SetDisplayOrigin(LONG x, LONG y) {
    drawingTarget_.left = x;
    drawingTarget_.top = y;
    return S_OK;
}
