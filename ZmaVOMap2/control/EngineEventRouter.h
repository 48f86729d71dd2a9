// The engine's events as the control handles them: mouse, keys, tools, view changes and
// drawing, each handed to the layers, the overlays and the view state. It keeps what the events
// need between them (distance measuring, panning) and its connection to the engine.
#pragma once

#include "ZmaVOMap2/control/DistanceMeasure.h"
#include "ZmaVOMap2/engine/Geometry.h"
#include "ZmaVOMap2/engine/MapXEventListener.h"

#include <vector>

class CZmaVadAZInfoDisplay;
class CZmaVadAZOverviewRegion;
class ControlEngine;
class EngineWindow;
class MapCommands;
class MapLayers;
class MapSetup;
class Operations;
class ToolSelection;
class ViewState;

// The parts the events reach.
struct EngineEventParts {
    IUnknown* owner;
    ControlEngine& engine;
    ViewState& view;
    MapLayers& layers;
    CZmaVadAZInfoDisplay& infoDisplay;
    CZmaVadAZOverviewRegion& overview;
    EngineWindow& window;
    MapCommands& commands;
    ToolSelection& tools;  // the offset line hands a tool back through it
    const MapSetup& setup;
    Operations& operations;
};

class EngineEventRouter final : public EngineEventHandler {
public:
    explicit EngineEventRouter(const EngineEventParts& parts) noexcept : p_(parts) {}
    EngineEventRouter(const EngineEventRouter&) = delete;
    EngineEventRouter& operator=(const EngineEventRouter&) = delete;

    // Connects to the engine's events (nothing when connected already), and disconnects.
    void Connect();
    void Disconnect();
    // Around view changes the control makes itself: the events are not the user's. Never fail.
    void Suspend();
    void Resume();
    DistanceMeasure& Measure() noexcept { return measure_; }

    void OnMapMouseDown(short button, short shift, float x, float y) override;
    void OnMapMouseUp(short button, short shift, float x, float y) override;
    void OnMapMouseMove(short button, short shift, float x, float y) override;
    void OnMapDblClick() override;
    void OnMapKeyDown(short keyCode, short shift) override;
    void OnMapToolUsed(short tool, double x1, double y1, double x2, double y2) override;
    void OnMapPolyToolUsed(short tool, long flags, IDispatch* points) override;
    void OnMapViewChanged() override;
    void OnMapDrawUserLayer(IDispatch* layer, HDC outputDC, HDC attributeDC, IDispatch* fullRect,
                            IDispatch* invalidRect) override;
    void OnMapDrawStage(short stage) override;
    void OnMapRecalcInfoDisplay() override;
    void OnMapFeatureToolStatus(long status) override;
    void EnterEngineEvent() noexcept override;
    void LeaveEngineEvent() noexcept override;

private:
    // The info display's coordinates for a map position, in the drawing target of the moment.
    void UpdateCoordinates(const ZmaPointD& mapPos);
    ZmaExtent DrawnExtent(const RECT& pixels);
    // A point of the offset tool's line, or its end, with the line's points so far.
    void OnOffsetLine(long flags, const std::vector<ZmaPointD>& line);

    EngineEventParts p_;
    CMapXEventListener listener_{*this};
    DistanceMeasure measure_;
    bool panning_ = false;
    // Whether Suspend found the events connected.
    bool suspended_ = false;
};
