#include "ZmaVOMap2/control/MarkerMembers.h"

#include "ZmaVOMap2/control/ControlEngine.h"
#include "ZmaVOMap2/control/MapLayers.h"
#include "ZmaVOMap2/control/Operations.h"
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

HRESULT MarkerMembers::Open(bool snapToTrack) {
    COM_TRY {
        CZmaVadAZLayerCollection& layers = layers_.Require(E_FAIL);
        return markers::Open(layers, snapToTrack);
    } COM_CATCH_RETURN();
}

HRESULT MarkerMembers::NextChange(LONG* plMsgNum, double* pdLong, double* pdLat, VARIANT_BOOL* pbGpsSet) {
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

HRESULT MarkerMembers::SetStationary(long lMsgNum, bool stationary) {
    COM_TRY {
        CZmaVadAZLayerCollection& layers = layers_.Require(E_FAIL);
        CZmaVadAZMarkerLayer* layer = markers::Find(layers);
        return layer ? layer->SetMarkerStationary(lMsgNum, stationary) : S_FALSE;
    } COM_CATCH_RETURN();
}

HRESULT MarkerMembers::Reset() {
    OperationScope operation(operations_);
    COM_TRY {
        CZmaVadAZLayerCollection& layers = layers_.Require(E_FAIL);
        CZmaVadAZMarkerLayer* layer = markers::Find(layers);
        return layer ? layer->ResetMarkerLayer() : S_FALSE;
    } COM_CATCH_RETURN();
}

HRESULT MarkerMembers::BringToTop() {
    COM_TRY {
        CZmaVadAZLayerCollection& layers = layers_.Require(E_FAIL);
        CZmaVadAZMarkerLayer* layer = markers::Find(layers);
        return layer && layers.MoveLayerToTop(layer) ? S_OK : S_FALSE;
    } COM_CATCH_RETURN();
}

HRESULT MarkerMembers::Remove() {
    OperationScope operation(operations_);
    COM_TRY {
        CZmaVadAZLayerCollection& layers = layers_.Require(E_FAIL);
        CZmaVadAZMarkerLayer* layer = markers::Find(layers);
        return layer ? layers.RemoveLayer(layer, true, false) : S_FALSE;
    } COM_CATCH_RETURN();
}

HRESULT MarkerMembers::HandleDrop(IUnknown* pDataObject, long lScreenX, long lScreenY) {
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

HRESULT MarkerMembers::EditRegions(IUnknown* pRegionSet) {
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

HRESULT MarkerMembers::TurnOffRegionEditing() {
    COM_TRY {
        CZmaVadAZLayerCollection& layers = layers_.Require(E_FAIL);
        regions::TurnOff(layers);
        return S_OK;
    } COM_CATCH_RETURN();
}

HRESULT MarkerMembers::ClearRegions() {
    COM_TRY {
        CZmaVadAZLayerCollection& layers = layers_.Require(E_FAIL);
        if (CZmaVadAZRegionLayer* layer = regions::Find(layers)) layer->ClearAllRegions();
        return S_OK;
    } COM_CATCH_RETURN();
}
