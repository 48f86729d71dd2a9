#include "ZmaVOMap2/control/ToolSelection.h"

#include "ZmaVOMap2/commands/MapCommands.h"
#include "ZmaVOMap2/control/ControlEngine.h"
#include "ZmaVOMap2/control/DistanceMeasure.h"
#include "ZmaVOMap2/control/MapLayers.h"
#include "ZmaVOMap2/engine/EngineDispatch.h"
#include "ZmaVOMap2/engine/EngineIds.h"
#include "ZmaVOMap2/layers/ZmaVadAZLayerCollection.h"
#include "platform/Result.h"
#include "platform/Window.h"

using platform::Variant;

namespace {

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
    current_ = tool;
    if (!engine_.Map()) platform::ThrowHr(E_FAIL);
    CZmaVadAZLayerCollection& layers = layers_.Require();
    if (tool != VO_MAP_TOOL_DISTANCE) measure_.End();

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
