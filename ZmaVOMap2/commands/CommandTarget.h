// What the map's commands need of the control that owns them. The control implements it; the
// commands never see the control class itself.
#pragma once

#include "platform/Com.h"

#include "VadAZ.h"

#include <windows.h>

class CZmaVadAZLayer;
class CZmaVadAZLayerCollection;
class CZmaVadAZInfoDisplay;
class CZmaVadAZOverviewRegion;

// The zoom the host last gave with SetZoom, and the window sizes it was given for.
struct ZoomRecord {
    double zoom = 0;
    long newWidth = 0, newHeight = 0, realWidth = 0, realHeight = 0;
};

// The map's size and display origin, as the info display places its box by them.
struct MapPlacement {
    long width = 0, height = 0, left = 0, top = 0;
};

// The view before the last view change.
struct PreviousView {
    double zoom = 0, centerX = 0, centerY = 0;
};

class CommandTarget {
public:
    // The engine's map object (no reference added); null when there is none.
    virtual IDispatch* EngineMap() = 0;
    // The engine's window; when it is not known yet, looks it up through the engine's client
    // site (the site's window's first child). Null when there is none.
    virtual HWND FindEngineWindow() = 0;
    virtual CZmaVadAZLayerCollection* LayerCollection() const noexcept = 0;
    virtual CZmaVadAZInfoDisplay* InfoDisplay() const noexcept = 0;
    virtual CZmaVadAZOverviewRegion* OverviewRegion() const noexcept = 0;
    virtual bool IsScreenUpdating() = 0;
    // The annotation editing mode that the CurrentTool property switches.
    virtual bool InAnnotationMode() const noexcept = 0;
    // The control's own automation interface (no reference added).
    virtual IZmaVadAZ2* Automation() = 0;

    virtual MapPlacement Placement() const noexcept = 0;
    virtual PreviousView LastView() const noexcept = 0;
    virtual ZoomRecord& Zoom() noexcept = 0;
    virtual void SetViewChangeStage(long stage) noexcept = 0;
    // The layer's extent grown by `padding`; null when the layer has none.
    virtual platform::ComPtr<IDispatch> LayerBounds(CZmaVadAZLayer* layer, double padding) = 0;
    // The engine export with the exporting flag set for its duration.
    virtual HRESULT ExportMapImage(IDispatch* engineMap, BSTR path, short format) = 0;
    // The exporting flag: while it is set, drawn frames are pictures of the map, not the screen.
    virtual void SetExporting(bool exporting) noexcept = 0;
    // The position of the next imagery tile downloaded for this map; false when none is waiting.
    virtual bool PopDownloadedTile(POINT& tile) = 0;
    // The "New Raster" command: the raster registration tool, then its table as a layer.
    virtual void NewRaster() = 0;

    // The control's events.
    virtual void FireCurrentToolChanged(long tool) = 0;
    virtual void FireSyncZoom(long streamHandle) = 0;
    virtual void FireUnitsChanged(BSTR units) = 0;
    virtual void FireEnhancedDrawingModeChanged(VARIANT_BOOL enhanced) = 0;

protected:
    ~CommandTarget() = default;
};
