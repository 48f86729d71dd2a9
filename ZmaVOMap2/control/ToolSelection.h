// The CurrentTool property: the tool the host chose, and the annotation editing mode that the
// text-editing tool switches on. Text typed with the engine's text tool becomes layer features
// as soon as another tool is chosen. With it the members the tools work with: the map's distance
// and paper units, and selection by radius.
#pragma once

#include <windows.h>
#include <oaidl.h>

#include "VadAZ.h"

class ControlEngine;
class DistanceMeasure;
class MapCommands;
class MapLayers;
class Operations;

class ToolSelection {
public:
    ToolSelection(Operations& operations, ControlEngine& engine, MapLayers& layers, DistanceMeasure& measure,
                  MapCommands& commands) noexcept
        : operations_(operations), engine_(engine), layers_(layers), measure_(measure), commands_(commands) {}

    // The tool the host chose last (the engine may show another: the annotation tools are its own).
    long Current() const noexcept { return current_; }
    // The tool the map gets back when the offset tool's line ends: the host's, or when the host chose
    // the offset tool itself, the host's tool before it. Never the offset tool.
    long HandBackAfterOffset() noexcept {
        if (current_ == VO_MAP_TOOL_OFFSET) current_ = beforeOffset_;
        return current_;
    }
    bool InAnnotationMode() const noexcept { return annotationMode_; }
    // Chooses a tool; raises what the engine or the layers refuse.
    HRESULT Select(long tool);

    // The members, each a whole entry point (its own error barrier). The host may answer
    // CurrentToolChanged and SelectionChanged by releasing the control: those hold the operation.
    HRESULT GetTool(LONG* tool);
    HRESULT SetTool(long tool);
    // The engine map's distance unit, or its paper unit (`paper`); E_UNEXPECTED without the map.
    HRESULT GetUnit(LONG* unit, bool paper);
    HRESULT SetUnit(long unit, bool paper);
    // The rows within the radius (whole metres, whatever unit the map shows) of a position.
    HRESULT SelectByRadius(const VARIANT& latitude, const VARIANT& longitude, const VARIANT& radius);

private:
    Operations& operations_;
    ControlEngine& engine_;
    MapLayers& layers_;
    DistanceMeasure& measure_;
    MapCommands& commands_;
    long current_ = VO_MAP_TOOL_ARROW;
    long beforeOffset_ = VO_MAP_TOOL_ARROW;
    bool annotationMode_ = false;
};
