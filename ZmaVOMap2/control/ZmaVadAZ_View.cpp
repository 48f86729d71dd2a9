// The control's zoom and bounds members: thin entry points over MapViewport. A view change the
// engine draws at once fires the layers' requests to the host: each member holds the control.
#include "ZmaVOMap2/control/ZmaVadAZ.h"

#include "ZmaVOMap2/engine/EngineDispatch.h"
#include "ZmaVOMap2/engine/EngineIds.h"
#include "ZmaVOMap2/layers/ZmaVadAZLayerCollection.h"
#include "platform/Result.h"

using platform::ComPtr;
using platform::Variant;

MapViewport CZmaVadAZ::Viewport() { return view_.Viewport(engine_.MapOrThrow(), layers_.Collection()); }

void CZmaVadAZ::GetMapDimensions(long& width, long& height) {
    Viewport().GetMapDimensions(engine_.UnitConverter(), width, height);
}

STDMETHODIMP CZmaVadAZ::SetZoom(double dZoom, LONG iNewWidth, LONG iNewHeight, LONG iRealWidth, LONG iRealHeight) {
    OperationScope operation(operations_);
    COM_TRY {
        view_.SetZoom({dZoom, iNewWidth, iNewHeight, iRealWidth, iRealHeight});
        EngineDispatch(engine_.MapOrThrow()).Put(Engine::Map::kAutoRedraw, Variant(true));
        return S_OK;
    }
    COM_CATCH_RETURN();
}

STDMETHODIMP CZmaVadAZ::ZoomToLayer(BSTR bstrSeriesID, double padding) {
    OperationScope operation(operations_);
    COM_TRY {
        MapViewport view = Viewport();
        // A series the map does not show leaves the view as it is.
        if (CZmaVadAZLayer* layer = view.FindLayer(bstrSeriesID ? bstrSeriesID : L""))
            view.ZoomToLayersBounds(layer, padding);
        return S_OK;
    }
    COM_CATCH_RETURN();
}

STDMETHODIMP CZmaVadAZ::GetLayerBounds(BSTR SeriesID, IDispatch** rectangle) {
    COM_TRY {
        if (!rectangle) return E_POINTER;
        MapViewport view = Viewport();
        CZmaVadAZLayer* layer = view.FindLayer(SeriesID ? SeriesID : L"");
        if (!layer) throw platform::ComError(E_INVALIDARG, L"No layer of the map has the series or name given.", L"VadAZ");
        ComPtr<IDispatch> bounds = view.GetLayersBounds(layer, 0.0);
        if (!bounds) return S_FALSE;
        *rectangle = bounds.Detach();
        return S_OK;
    }
    COM_CATCH_RETURN();
}

STDMETHODIMP CZmaVadAZ::ZoomToLayers(IDispatch* ids, double padding) {
    OperationScope operation(operations_);
    COM_TRY {
        if (!ids) throw platform::ComError(E_INVALIDARG, L"No series list was given.", L"VadAZ");
        ComPtr<IHostStringList> list;
        if (FAILED(ids->QueryInterface(__uuidof(IHostStringList), list.PutVoid())) || !list)
            throw platform::ComError(E_INVALIDARG, L"The series list is not a string list.", L"VadAZ");
        return Viewport().ZoomToLayers(list.Get(), padding);
    }
    COM_CATCH_RETURN();
}

STDMETHODIMP CZmaVadAZ::ZoomToBoundingBox(double startLat, double startLong, double endLat, double endLong) {
    OperationScope operation(operations_);
    COM_TRY { return Viewport().ZoomToBoundingBox(startLat, startLong, endLat, endLong); }
    COM_CATCH_RETURN();
}

// Hosts call it for every map they keep in step and do not look at the answer.
STDMETHODIMP CZmaVadAZ::SyncZoomAll(double dCentreX, double dCentreY, double dZoom, LONG lPixel) {
    OperationScope operation(operations_);
    COM_TRY { Viewport().SyncZoomAll(dCentreX, dCentreY, dZoom, lPixel); }
    COM_CATCH_LOG();
    return S_OK;
}
