// The control's outgoing events: two event interfaces, one connection point each. The older
// interface carries the first four events; the second carries those four and nine more.
#pragma once

#include "platform/ConnectionPoint.h"

class CProxy_IZmaVOMapXEvents {
public:
    CProxy_IZmaVOMapXEvents(IUnknown* owner, IConnectionPointContainer* container);

    platform::ConnectionPoint& Point() noexcept { return point_; }
    void Fire_SelectionChanged(BSTR seriesId);
    void Fire_SeriesRemoved(BSTR seriesId);
    void Fire_CurrentToolChanged(long tool);
    void Fire_GetField(BSTR fieldName, BSTR seriesGuid);

private:
    platform::ConnectionPoint point_;
};

class CProxy_IZmaVOMapXEvents2 {
public:
    CProxy_IZmaVOMapXEvents2(IUnknown* owner, IConnectionPointContainer* container);

    platform::ConnectionPoint& Point() noexcept { return point_; }
    void Fire_SelectionChanged(BSTR seriesId);
    void Fire_SeriesRemoved(BSTR seriesId);
    void Fire_CurrentToolChanged(long tool);
    void Fire_GetField(BSTR fieldName, BSTR seriesGuid);
    void Fire_LayerVisibilityChanged();
    void Fire_MarkerChanged();
    void Fire_EditAttributes();
    void Fire_EnhancedDrawingModeChanged(VARIANT_BOOL enhanced);
    void Fire_FeatureSelected(BSTR layer, long index);
    void Fire_UnitsChanged(BSTR newUnits);
    void Fire_SyncZoom(long streamHandle);

private:
    platform::ConnectionPoint point_;
};

// DISPIDs shared by both interfaces.
namespace ControlEventIds {
// The control's own event numbers (not the engine's).
enum : DISPID {
    kSelectionChanged = 1,
    kSeriesRemoved = 2,
    kCurrentToolChanged = 3,
    kGetField = 4,
    kLayerVisibilityChanged = 5,
    kMarkerChanged = 6,
    kEditAttributes = 7,
    kEnhancedDrawingModeChanged = 10,
    kFeatureSelected = 11,
    kUnitsChanged = 12,
    kSyncZoom = 13,
};
}  // namespace ControlEventIds

// Both interfaces as the control fires them: the four shared events reach the second interface's
// sinks first. The control is held while each event runs, since a host may release it in a
// handler.
class ControlEvents {
public:
    ControlEvents(IUnknown* owner, IConnectionPointContainer* container);
    ControlEvents(const ControlEvents&) = delete;
    ControlEvents& operator=(const ControlEvents&) = delete;

    // The connection points in the order the container lists them.
    platform::ConnectionPoint* const* Points(size_t& count) noexcept;

    void Fire_SelectionChanged(BSTR seriesId);
    void Fire_SeriesRemoved(BSTR seriesId);
    void Fire_GetField(BSTR fieldName, BSTR seriesGuid);
    void Fire_CurrentToolChanged(long tool);
    void Fire_LayerVisibilityChanged();
    void Fire_MarkerChanged();
    void Fire_EditAttributes();
    void Fire_EnhancedDrawingModeChanged(VARIANT_BOOL enhanced);
    void Fire_UnitsChanged(BSTR newUnits);
    void Fire_SyncZoom(long streamHandle);
    void Fire_FeatureSelected(BSTR layer, long index);

private:
    IUnknown* owner_;
    CProxy_IZmaVOMapXEvents events1_;
    CProxy_IZmaVOMapXEvents2 events2_;
    platform::ConnectionPoint* points_[2];
};
