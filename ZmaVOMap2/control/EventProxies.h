// The control's two outgoing event interfaces, one connection point each. The older interface
// carries the first four events; the second carries those four and nine more.
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
constexpr DISPID kSelectionChanged = 1;
constexpr DISPID kSeriesRemoved = 2;
constexpr DISPID kCurrentToolChanged = 3;
constexpr DISPID kGetField = 4;
constexpr DISPID kLayerVisibilityChanged = 5;
constexpr DISPID kMarkerChanged = 6;
constexpr DISPID kEditAttributes = 7;
constexpr DISPID kEnhancedDrawingModeChanged = 10;
constexpr DISPID kFeatureSelected = 11;
constexpr DISPID kUnitsChanged = 12;
constexpr DISPID kSyncZoom = 13;
}  // namespace ControlEventIds
