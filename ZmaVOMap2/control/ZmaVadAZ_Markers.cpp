// Markers and filter regions: IZmaVadAZMarkerHandling, IZmaVadAZRegionFilter and HandleDragDrop,
// gates in front of the marker and region layers.
#include "ZmaVOMap2/control/ZmaVadAZ.h"

#include "ZmaVOMap2/engine/EngineDispatch.h"
#include "ZmaVOMap2/layers/ZmaVadAZLayerCollection.h"
#include "ZmaVOMap2/markers/ZmaVadAZMarkerLayer.h"
#include "ZmaVOMap2/markers/ZmaVadAZRegionLayer.h"
#include "platform/Result.h"

using platform::ComPtr;

namespace {
// An error with information of its own, for members that answer without an exception.
[[noreturn]] void Refuse(HRESULT hr, const wchar_t* text) { throw platform::ComError(hr, text, L"VadAZ"); }
}  // namespace

STDMETHODIMP CZmaVadAZ::OpenMarkerLayer(VARIANT_BOOL bSnapToTrack) {
    COM_TRY {
        CZmaVadAZLayerCollection& layers = layers_.Require(E_FAIL);
        return markers::Open(layers, bSnapToTrack == VARIANT_TRUE);
    } COM_CATCH_RETURN();
}

STDMETHODIMP CZmaVadAZ::GetNextMarkerChange(LONG* plMsgNum, double* pdLong, double* pdLat, VARIANT_BOOL* pbGpsSet) {
    COM_TRY {
        if (!plMsgNum || !pdLong || !pdLat || !pbGpsSet) Refuse(E_POINTER, L"An output is missing");
        CZmaVadAZLayerCollection& layers = layers_.Require(E_FAIL);
        CZmaVadAZMarkerLayer* layer = markers::Find(layers);
        if (!layer) return S_FALSE;
        long number = 0;
        double longitude = 0, latitude = 0;
        bool gps = false;
        const HRESULT hr = layer->GetNextMarkerChange(number, longitude, latitude, gps);
        if (hr != S_OK) return hr;
        *plMsgNum = number;
        *pdLong = longitude;
        *pdLat = latitude;
        *pbGpsSet = gps ? VARIANT_TRUE : VARIANT_FALSE;
        return S_OK;
    } COM_CATCH_RETURN();
}

STDMETHODIMP CZmaVadAZ::SetMarkerStationary(LONG lMsgNum, VARIANT_BOOL bStationary) {
    COM_TRY {
        CZmaVadAZLayerCollection& layers = layers_.Require(E_FAIL);
        CZmaVadAZMarkerLayer* layer = markers::Find(layers);
        return layer ? layer->SetMarkerStationary(lMsgNum, bStationary == VARIANT_TRUE) : S_FALSE;
    } COM_CATCH_RETURN();
}

STDMETHODIMP CZmaVadAZ::ResetMarkerLayer() {
    OperationScope operation(operations_);
    COM_TRY {
        CZmaVadAZLayerCollection& layers = layers_.Require(E_FAIL);
        CZmaVadAZMarkerLayer* layer = markers::Find(layers);
        return layer ? layer->ResetMarkerLayer() : S_FALSE;
    } COM_CATCH_RETURN();
}

STDMETHODIMP CZmaVadAZ::BringMarkerLayerToTop() {
    COM_TRY {
        CZmaVadAZLayerCollection& layers = layers_.Require(E_FAIL);
        CZmaVadAZMarkerLayer* layer = markers::Find(layers);
        return layer && layers.MoveLayerToTop(layer) ? S_OK : S_FALSE;
    } COM_CATCH_RETURN();
}

STDMETHODIMP CZmaVadAZ::RemoveMarkerLayer() {
    OperationScope operation(operations_);
    COM_TRY {
        CZmaVadAZLayerCollection& layers = layers_.Require(E_FAIL);
        CZmaVadAZMarkerLayer* layer = markers::Find(layers);
        return layer ? layers.RemoveLayer(layer, true, false) : S_FALSE;
    } COM_CATCH_RETURN();
}

STDMETHODIMP CZmaVadAZ::HandleDragDrop(IUnknown* pDataObject, LONG lScreenX, LONG lScreenY) {
    // The drop is announced with MarkerChanged, whose handler may release the control.
    OperationScope operation(operations_);
    COM_TRY {
        CZmaVadAZLayerCollection& layers = layers_.Require(E_FAIL);
        if (!engine_.Map()) Refuse(E_POINTER, L"The map engine is missing");
        double x = 0, y = 0;
        EngineScreenToMap(EngineDispatch(engine_.Map()), static_cast<float>(lScreenX),
                          static_cast<float>(lScreenY), x, y);
        CZmaVadAZMarkerLayer* layer = markers::Find(layers);
        if (!layer) return S_FALSE;
        ComPtr<IDataObject> data;
        if (!pDataObject || FAILED(pDataObject->QueryInterface(IID_IDataObject, data.PutVoid())))
            Refuse(E_POINTER, L"The drop carries no data object");
        return layer->HandleDrop(data.Get(), x, y);
    } COM_CATCH_RETURN();
}

STDMETHODIMP CZmaVadAZ::EditRegionSet(IUnknown* pRegionSet) {
    COM_TRY {
        if (!pRegionSet) Refuse(E_POINTER, L"No region set was given");
        ComPtr<IRegionSet> set;
        if (FAILED(pRegionSet->QueryInterface(IID_IRegionSet, set.PutVoid())) || !set)
            Refuse(E_POINTER, L"The object is not a region set");
        CZmaVadAZLayerCollection& layers = layers_.Require(E_FAIL);
        regions::Edit(layers, set.Get());
        return S_OK;
    } COM_CATCH_RETURN();
}

STDMETHODIMP CZmaVadAZ::TurnOffRegionEditing() {
    COM_TRY {
        CZmaVadAZLayerCollection& layers = layers_.Require(E_FAIL);
        regions::TurnOff(layers);
        return S_OK;
    } COM_CATCH_RETURN();
}

STDMETHODIMP CZmaVadAZ::ClearAllRegions() {
    COM_TRY {
        CZmaVadAZLayerCollection& layers = layers_.Require(E_FAIL);
        if (CZmaVadAZRegionLayer* layer = regions::Find(layers)) layer->ClearAllRegions();
        return S_OK;
    } COM_CATCH_RETURN();
}
