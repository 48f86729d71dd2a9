#include "ZmaVOMap2/control/ToolSelection.h"

#include "ZmaVOMap2/commands/MapCommands.h"
#include "ZmaVOMap2/control/ControlEngine.h"
#include "ZmaVOMap2/control/DistanceMeasure.h"
#include "ZmaVOMap2/control/MapLayers.h"
#include "ZmaVOMap2/control/Operations.h"
#include "ZmaVOMap2/engine/DistanceUnits.h"
#include "ZmaVOMap2/engine/EngineDispatch.h"
#include "ZmaVOMap2/engine/EngineIds.h"
#include "ZmaVOMap2/layers/ZmaVadAZLayerCollection.h"
#include "platform/Result.h"
#include "platform/Window.h"

using platform::Variant;

namespace {

// A script's argument as the type the member needs: by-reference variants unwrapped, anything
// that does not convert refused.
Variant ConvertedArgument(const VARIANT& argument, VARTYPE type) {
    Variant value;
    if (FAILED(platform::CopyIndirect(value.Put(), argument)) || FAILED(::VariantChangeType(&value, &value, 0, type)))
        throw platform::ComError(E_INVALIDARG, L"SelectByRadius needs numbers for the latitude, longitude and radius.", L"VadAZ");
    return value;
}

bool IsAnnotationTool(long tool) {
    switch (tool) {
    case VO_MAP_TOOL_TEXT: case VO_MAP_TOOL_ADDLINE: case VO_MAP_TOOL_ADDPOLYLINE: case VO_MAP_TOOL_ADDREGION:
    case VO_MAP_TOOL_ADDPOINT:
        return true;
    default:
        return false;
    }
}

}  // namespace

HRESULT ToolSelection::Select(long tool) {
    if (current_ != VO_MAP_TOOL_OFFSET) beforeOffset_ = current_;
    current_ = tool;
    if (!engine_.Map()) platform::ThrowHr(E_FAIL);
    CZmaVadAZLayerCollection& layers = layers_.Require();
    if (tool != VO_MAP_TOOL_DISTANCE) measure_.End();
    // Layers waiting for an offset line wait for the tool they were given, not for one the host
    // chooses later (the offset tool included).
    layers.DropPendingOffsetLayers();

    if (engine_.CurrentTool() == VO_MAP_TOOL_TEXT && tool != VO_MAP_TOOL_TEXT) THROW_IF_FAILED(layers.SetCurrentTool());

    if (tool != VO_MAP_TOOL_EDITTEXT) {
        if (annotationMode_) THROW_IF_FAILED(layers.SetCurrentTool());
        annotationMode_ = false;
    } else if (!annotationMode_) {
        const HRESULT hr = layers.InitialiseAnnotations();
        if (FAILED(hr)) {
            platform::Prompts().MessageBox(nullptr, L"Failed to initialize annotations", L"Map Module", MB_OK);
            return hr;
        }
        EngineDispatch(engine_.MapOrThrow()).Put(Engine::Map::kCurrentTool, Variant(static_cast<long>(VO_MAP_TOOL_ARROW)));
        current_ = VO_MAP_TOOL_ARROW;
        annotationMode_ = true;
        return S_OK;
    }

    if (IsAnnotationTool(tool)) {
        commands_.SelectAnnotationTool(tool);
        return S_OK;
    }
    EngineDispatch(engine_.MapOrThrow()).Put(Engine::Map::kCurrentTool, Variant(tool));
    return S_OK;
}

HRESULT ToolSelection::GetTool(LONG* tool) {
    COM_TRY {
        platform::ThrowIfNull(tool);
        if (!engine_.Map()) platform::ThrowHr(E_FAIL);
        *tool = engine_.CurrentTool();
        return S_OK;
    }
    COM_CATCH_RETURN();
}

HRESULT ToolSelection::SetTool(long tool) {
    OperationScope operation(operations_);
    COM_TRY { return Select(tool); }
    COM_CATCH_RETURN();
}

HRESULT ToolSelection::GetUnit(LONG* unit, bool paper) {
    COM_TRY {
        platform::ThrowIfNull(unit);
        if (!engine_.Map()) platform::ThrowHr(E_UNEXPECTED);
        *unit = EngineDispatch(engine_.Map()).Get(paper ? Engine::Map::kPaperUnit : Engine::Map::kDistanceUnit).ToLong();
        return S_OK;
    }
    COM_CATCH_RETURN();
}

HRESULT ToolSelection::SetUnit(long unit, bool paper) {
    COM_TRY {
        if (!engine_.Map()) platform::ThrowHr(E_UNEXPECTED);
        EngineDispatch(engine_.Map()).Put(paper ? Engine::Map::kPaperUnit : Engine::Map::kDistanceUnit, Variant(unit));
        return S_OK;
    }
    COM_CATCH_RETURN();
}

HRESULT ToolSelection::SelectByRadius(const VARIANT& latitudeArgument, const VARIANT& longitudeArgument,
                                      const VARIANT& radiusArgument) {
    OperationScope operation(operations_);
    COM_TRY {
        const double latitude = ConvertedArgument(latitudeArgument, VT_R8).dblVal;
        const double longitude = ConvertedArgument(longitudeArgument, VT_R8).dblVal;
        const long radius = ConvertedArgument(radiusArgument, VT_I4).lVal;
        CZmaVadAZLayerCollection& layers = layers_.Require();
        // The radius is in metres, whatever unit the user has chosen for the map.
        EngineDispatch map(engine_.MapOrThrow());
        EnginePropertyRestorer restore(map, Engine::Map::kDistanceUnit);
        map.Put(Engine::Map::kDistanceUnit, Variant(static_cast<long>(DistanceUnits::kMeter)));
        layers.SelectByRadius({latitude, longitude}, static_cast<double>(radius), true);
        return S_OK;
    }
    COM_CATCH_RETURN();
}
