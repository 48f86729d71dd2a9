// The map view as the host and the commands move it: bounds of layers, zoom to layers and to a
// box, keeping several maps at one zoom, and the map's size on paper. It works on the engine's
// map object and the layer collection of one control; the control makes one for each call.
//
// Before every change of the view that it makes itself it sets the control's view-change stage
// to 2, so that the engine's view-changed handling takes the change as the control's own.
#pragma once

#include "platform/Com.h"

#include "HostInterfaces.h"

class CZmaVadAZLayer;
class CZmaVadAZLayerCollection;
class ViewChangeTracker;

class MapViewport {
public:
    // `map` is the engine map (E_POINTER is raised at the first use when null); `layers` may be
    // null before the map is initialised.
    MapViewport(IDispatch* map, CZmaVadAZLayerCollection* layers, ViewChangeTracker& viewChanges) noexcept
        : map_(map), layers_(layers), viewChanges_(viewChanges) {}

    // The layer of a series key, else of a layer name; null when none has it.
    CZmaVadAZLayer* FindLayer(const std::wstring& keyOrName) const;

    // The layer's extent grown by `padding` on each side (0.04 when negative); for a layer whose
    // extent is one point, the current view moved to centre on it. For a data layer the box is
    // kept inside the world (moved back, or cut where wider). Null without a finite extent.
    platform::ComPtr<IDispatch> GetLayersBounds(CZmaVadAZLayer* layer, double padding);
    // Moves the view to GetLayersBounds; nothing happens without bounds.
    void ZoomToLayersBounds(CZmaVadAZLayer* layer, double padding);
    // Fits the union of the series' bounds; ids that name no layer, or layers without bounds,
    // are skipped, and with nothing left the view stays. Answers ZoomToBoundingBox's result.
    HRESULT ZoomToLayers(IHostStringList* ids, double padding);
    // Fits the box (checked as latitudes and longitudes first); a box without area pans the view
    // to its corner at the current zoom.
    HRESULT ZoomToBoundingBox(double startLat, double startLong, double endLat, double endLong);
    // Centres the map and sets its zoom to zoom / (pixel / (trunc(width) - trunc(height))), the
    // rule the hosts rely on; when that difference is not positive the zoom is left alone.
    void SyncZoomAll(double centreX, double centreY, double zoom, long pixel);
    // The map's paper size in the unit converter's unit 9, truncated.
    void GetMapDimensions(IHostUnitConverter* converter, long& width, long& height);
    // Lets a visible background imagery layer choose the view for its tiles in the map's window:
    // the rectangle grows to the scale of a tile level and becomes the map's bounds. Without
    // visible imagery nothing happens.
    void SnapZoomToBackgroundMap(IDispatch* rectangle);

private:
    void SetBounds(IDispatch* rectangle);

    IDispatch* map_;
    CZmaVadAZLayerCollection* layers_;
    ViewChangeTracker& viewChanges_;
};

// A new engine rectangle ("MapX.Rectangle.4").
platform::ComPtr<IDispatch> NewEngineRectangle();
