// The CurrentTool property: the tool the host chose, and the annotation editing mode that the
// text-editing tool switches on. Text typed with the engine's text tool becomes layer features
// as soon as another tool is chosen.
#pragma once

#include "VadAZ.h"

class ControlEngine;
class DistanceMeasure;
class MapCommands;
class MapLayers;

class ToolSelection {
public:
    ToolSelection(ControlEngine& engine, MapLayers& layers, DistanceMeasure& measure, MapCommands& commands) noexcept
        : engine_(engine), layers_(layers), measure_(measure), commands_(commands) {}

    // The tool the host chose last (the engine may show another: the annotation tools are its own).
    long Current() const noexcept { return current_; }
    bool InAnnotationMode() const noexcept { return annotationMode_; }
    // Chooses a tool; raises what the engine or the layers refuse.
    HRESULT Select(long tool);

private:
    ControlEngine& engine_;
    MapLayers& layers_;
    DistanceMeasure& measure_;
    MapCommands& commands_;
    long current_ = VO_MAP_TOOL_ARROW;
    bool annotationMode_ = false;
};
