#include "ZmaVOMap2/control/ControlEvents.h"

#include "VadAZ.h"

using platform::ComPtr;
using platform::Variant;

namespace {

Variant BstrArg(BSTR s) {
    // A copy of the string, so that a handler that keeps or frees it cannot touch the caller's.
    Variant v;
    v.vt = VT_BSTR;
    v.bstrVal = s ? ::SysAllocStringLen(s, ::SysStringLen(s)) : nullptr;
    if (s && !v.bstrVal) platform::ThrowHr(E_OUTOFMEMORY);
    return v;
}

}  // namespace

CProxy_IZmaVOMapXEvents::CProxy_IZmaVOMapXEvents(IUnknown* owner, IConnectionPointContainer* container)
    : point_(owner, container, DIID__IZmaVOMapXEvents) {}

void CProxy_IZmaVOMapXEvents::Fire_SelectionChanged(BSTR seriesId) {
    Variant args[] = {BstrArg(seriesId)};
    point_.FireDispatch(ControlEventIds::kSelectionChanged, args, 1);
}

void CProxy_IZmaVOMapXEvents::Fire_SeriesRemoved(BSTR seriesId) {
    Variant args[] = {BstrArg(seriesId)};
    point_.FireDispatch(ControlEventIds::kSeriesRemoved, args, 1);
}

void CProxy_IZmaVOMapXEvents::Fire_CurrentToolChanged(long tool) {
    Variant args[] = {Variant(tool)};
    point_.FireDispatch(ControlEventIds::kCurrentToolChanged, args, 1);
}

void CProxy_IZmaVOMapXEvents::Fire_GetField(BSTR fieldName, BSTR seriesGuid) {
    Variant args[] = {BstrArg(seriesGuid), BstrArg(fieldName)};  // last argument first
    point_.FireDispatch(ControlEventIds::kGetField, args, 2);
}

CProxy_IZmaVOMapXEvents2::CProxy_IZmaVOMapXEvents2(IUnknown* owner, IConnectionPointContainer* container)
    : point_(owner, container, DIID__IZmaVOMapXEvents2) {}

void CProxy_IZmaVOMapXEvents2::Fire_SelectionChanged(BSTR seriesId) {
    Variant args[] = {BstrArg(seriesId)};
    point_.FireDispatch(ControlEventIds::kSelectionChanged, args, 1);
}

void CProxy_IZmaVOMapXEvents2::Fire_SeriesRemoved(BSTR seriesId) {
    Variant args[] = {BstrArg(seriesId)};
    point_.FireDispatch(ControlEventIds::kSeriesRemoved, args, 1);
}

void CProxy_IZmaVOMapXEvents2::Fire_CurrentToolChanged(long tool) {
    Variant args[] = {Variant(tool)};
    point_.FireDispatch(ControlEventIds::kCurrentToolChanged, args, 1);
}

void CProxy_IZmaVOMapXEvents2::Fire_GetField(BSTR fieldName, BSTR seriesGuid) {
    Variant args[] = {BstrArg(seriesGuid), BstrArg(fieldName)};
    point_.FireDispatch(ControlEventIds::kGetField, args, 2);
}

void CProxy_IZmaVOMapXEvents2::Fire_LayerVisibilityChanged() {
    point_.FireDispatch(ControlEventIds::kLayerVisibilityChanged, nullptr, 0);
}

void CProxy_IZmaVOMapXEvents2::Fire_MarkerChanged() { point_.FireDispatch(ControlEventIds::kMarkerChanged, nullptr, 0); }

void CProxy_IZmaVOMapXEvents2::Fire_EditAttributes() { point_.FireDispatch(ControlEventIds::kEditAttributes, nullptr, 0); }

void CProxy_IZmaVOMapXEvents2::Fire_EnhancedDrawingModeChanged(VARIANT_BOOL enhanced) {
    // Sent as a 16-bit integer holding VARIANT_TRUE or VARIANT_FALSE unchanged.
    Variant args[] = {Variant(static_cast<short>(enhanced))};
    point_.FireDispatch(ControlEventIds::kEnhancedDrawingModeChanged, args, 1);
}

void CProxy_IZmaVOMapXEvents2::Fire_FeatureSelected(BSTR layer, long index) {
    Variant args[] = {Variant(index), BstrArg(layer)};
    point_.FireDispatch(ControlEventIds::kFeatureSelected, args, 2);
}

void CProxy_IZmaVOMapXEvents2::Fire_UnitsChanged(BSTR newUnits) {
    Variant args[] = {BstrArg(newUnits)};
    point_.FireDispatch(ControlEventIds::kUnitsChanged, args, 1);
}

void CProxy_IZmaVOMapXEvents2::Fire_SyncZoom(long streamHandle) {
    Variant args[] = {Variant(streamHandle)};
    point_.FireDispatch(ControlEventIds::kSyncZoom, args, 1);
}

ControlEvents::ControlEvents(IUnknown* owner, IConnectionPointContainer* container)
    : owner_(owner), events1_(owner, container), events2_(owner, container) {
    points_[0] = &events2_.Point();
    points_[1] = &events1_.Point();
}

platform::ConnectionPoint* const* ControlEvents::Points(size_t& count) noexcept {
    count = 2;
    return points_;
}

void ControlEvents::Fire_SelectionChanged(BSTR seriesId) {
    ComPtr<IUnknown> hold(owner_);
    events2_.Fire_SelectionChanged(seriesId);
    events1_.Fire_SelectionChanged(seriesId);
}

void ControlEvents::Fire_SeriesRemoved(BSTR seriesId) {
    ComPtr<IUnknown> hold(owner_);
    events2_.Fire_SeriesRemoved(seriesId);
    events1_.Fire_SeriesRemoved(seriesId);
}

void ControlEvents::Fire_GetField(BSTR fieldName, BSTR seriesGuid) {
    ComPtr<IUnknown> hold(owner_);
    events2_.Fire_GetField(fieldName, seriesGuid);
    events1_.Fire_GetField(fieldName, seriesGuid);
}

void ControlEvents::Fire_CurrentToolChanged(long tool) {
    ComPtr<IUnknown> hold(owner_);
    events2_.Fire_CurrentToolChanged(tool);
    events1_.Fire_CurrentToolChanged(tool);
}

void ControlEvents::Fire_LayerVisibilityChanged() {
    ComPtr<IUnknown> hold(owner_);
    events2_.Fire_LayerVisibilityChanged();
}

void ControlEvents::Fire_MarkerChanged() {
    ComPtr<IUnknown> hold(owner_);
    events2_.Fire_MarkerChanged();
}

void ControlEvents::Fire_EditAttributes() {
    ComPtr<IUnknown> hold(owner_);
    events2_.Fire_EditAttributes();
}

void ControlEvents::Fire_EnhancedDrawingModeChanged(VARIANT_BOOL enhanced) {
    ComPtr<IUnknown> hold(owner_);
    events2_.Fire_EnhancedDrawingModeChanged(enhanced);
}

void ControlEvents::Fire_UnitsChanged(BSTR newUnits) {
    ComPtr<IUnknown> hold(owner_);
    events2_.Fire_UnitsChanged(newUnits);
}

void ControlEvents::Fire_SyncZoom(long streamHandle) {
    ComPtr<IUnknown> hold(owner_);
    events2_.Fire_SyncZoom(streamHandle);
}

void ControlEvents::Fire_FeatureSelected(BSTR layer, long index) {
    ComPtr<IUnknown> hold(owner_);
    events2_.Fire_FeatureSelected(layer, index);
}
