#include "ZmaVOMap2/imagery/BackgroundMapView.h"

#include "ZmaVOMap2/engine/EngineDispatch.h"
#include "ZmaVOMap2/engine/EngineIds.h"
#include "ZmaVOMap2/imagery/BackgroundMapPropertiesDlg.h"
#include "ZmaVOMap2/imagery/ZmaVadAZBackgroundMapLayer.h"
#include "ZmaVOMap2/layers/ZmaVadAZLayerCollection.h"
#include "platform/Result.h"

using platform::Variant;

CZmaVadAZBackgroundMapLayer* FindBackgroundMapLayer(const CZmaVadAZLayerCollection* layers) {
    if (!layers) return nullptr;
    return dynamic_cast<CZmaVadAZBackgroundMapLayer*>(layers->FindLayerByType(CZmaVadAZLayer::kTypeBackgroundMap));
}

bool IsBackgroundMapVisible(const CZmaVadAZLayerCollection* layers) {
    CZmaVadAZBackgroundMapLayer* imagery = FindBackgroundMapLayer(layers);
    return imagery && imagery->IsVisible();
}

void SnapZoomToBackgroundMap(CZmaVadAZLayerCollection* layers, IDispatch* map, IDispatch* rectangle,
                             const RECT& pixels) {
    CZmaVadAZBackgroundMapLayer* imagery = FindBackgroundMapLayer(layers);
    if (!imagery || !imagery->IsVisible()) return;
    platform::ThrowIfNull(map);
    imagery->SetZoomLevel(imagery->GetBestZoomLevel(map, rectangle, pixels));
    EngineDispatch(map).Put(Engine::Map::kBounds, Variant(rectangle));
}

HRESULT ShowBackgroundMapProperties(CZmaVadAZLayerCollection* layers, IDispatch* map, HWND parent) {
    CZmaVadAZBackgroundMapLayer* imagery = FindBackgroundMapLayer(layers);
    if (!imagery) return S_FALSE;
    {
        CBackgroundMapPropertiesDlg dialog(*imagery);
        dialog.DoModal(parent);
    }
    EngineDispatch(platform::ThrowIfNull(map)).Call(Engine::Map::kRefresh);
    return S_OK;
}
