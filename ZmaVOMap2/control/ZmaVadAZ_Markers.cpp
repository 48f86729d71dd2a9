// Markers and filter regions: IZmaVadAZMarkerHandling, IZmaVadAZRegionFilter and HandleDragDrop.
#include "ZmaVOMap2/control/ZmaVadAZ.h"

STDMETHODIMP CZmaVadAZ::OpenMarkerLayer(VARIANT_BOOL bSnapToTrack) { return markers_.Open(bSnapToTrack == VARIANT_TRUE); }
STDMETHODIMP CZmaVadAZ::GetNextMarkerChange(LONG* plMsgNum, double* pdLong, double* pdLat, VARIANT_BOOL* pbGpsSet) {
    return markers_.NextChange(plMsgNum, pdLong, pdLat, pbGpsSet);
}
STDMETHODIMP CZmaVadAZ::SetMarkerStationary(LONG lMsgNum, VARIANT_BOOL bStationary) {
    return markers_.SetStationary(lMsgNum, bStationary == VARIANT_TRUE);
}
STDMETHODIMP CZmaVadAZ::ResetMarkerLayer() { return markers_.Reset(); }
STDMETHODIMP CZmaVadAZ::BringMarkerLayerToTop() { return markers_.BringToTop(); }
STDMETHODIMP CZmaVadAZ::RemoveMarkerLayer() { return markers_.Remove(); }
STDMETHODIMP CZmaVadAZ::HandleDragDrop(IUnknown* pDataObject, LONG lScreenX, LONG lScreenY) {
    return markers_.HandleDrop(pDataObject, lScreenX, lScreenY);
}

STDMETHODIMP CZmaVadAZ::EditRegionSet(IUnknown* pRegionSet) { return markers_.EditRegions(pRegionSet); }
STDMETHODIMP CZmaVadAZ::TurnOffRegionEditing() { return markers_.TurnOffRegionEditing(); }
STDMETHODIMP CZmaVadAZ::ClearAllRegions() { return markers_.ClearRegions(); }
