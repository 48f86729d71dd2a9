// The engine's mouse, key and tool events, offered to the own layers from the top of the map
// down, and the selection tools over the data layers.
#include "ZmaVOMap2/layers/ZmaVadAZLayerCollection.h"

#include "ZmaVOMap2/engine/EngineDispatch.h"
#include "ZmaVOMap2/engine/EngineMembers.h"
#include "ZmaVOMap2/layers/LayerHost.h"
#include "ZmaVOMap2/layers/ZmaVadAZLayer.h"
#include "platform/Result.h"

#include <cfloat>

// The layers' handlers fire events, and a host may remove layers from its handlers: each loop
// below walks the list as it stood when the loop began and skips what was removed meanwhile.

void CZmaVadAZLayerCollection::DispatchMouseMove(POINT point, const ZmaPointD& mapPos) {
    RestoreSelectability();
    // A hit test may pump messages or fire events, in which the host may remove layers.
    BusyScope busy(*this);
    for (CZmaVadAZLayer* layer : Layers()) {
        if (!Contains(layer)) continue;
        if (layer->IsVisibleAtCurrentZoom() && layer->HitTest(point.x, point.y, mapPos.x, mapPos.y)) break;
    }
}

bool CZmaVadAZLayerCollection::DispatchMouseDown(POINT point, const ZmaPointD& mapPos, bool keepSelection) {
    if (!keepSelection) {
        for (CZmaVadAZLayer* held : Layers()) {
            if (!Contains(held)) continue;
            held->ClearSelection();
        }
    }

    savedSelectability_.clear();
    selectabilitySaved_ = true;
    // The layer that takes the click keeps it for itself: the engine must not also select
    // features of the layers below while it handles the same click.
    bool taken = false;
    for (CZmaVadAZLayer* held : Layers()) {
        CZmaVadAZLayer* layer = held;
        if (!Contains(layer) || !layer->IsVisibleAtCurrentZoom() || !layer->IsSelectable()) continue;
        savedSelectability_[layer] = true;
        if (taken)
            layer->SetSelectable(false);
        else
            taken = layer->OnToolUsed(point.x, point.y, mapPos.x, mapPos.y);
    }
    if (taken) return true;

    for (CZmaVadAZLayer* held : Layers()) {
        if (!Contains(held)) continue;
        if (held->IsVisibleAtCurrentZoom() && held->IsSelectable()) held->NotifySelectionChanged();
    }
    return false;
}

void CZmaVadAZLayerCollection::DispatchMouseUp(POINT point, const ZmaPointD& mapPos) {
    for (CZmaVadAZLayer* held : Layers()) {
        if (!Contains(held)) continue;
        if (held->IsVisibleAtCurrentZoom() && held->OnMouseUp(point.x, point.y, mapPos.x, mapPos.y)) break;
    }
    RestoreSelectability();
}

void CZmaVadAZLayerCollection::DispatchDoubleClick() {
    RestoreSelectability();
    for (CZmaVadAZLayer* held : Layers()) {
        if (!Contains(held)) continue;
        if (held->IsVisibleAtCurrentZoom() && held->OnDoubleClick()) break;
    }
}

void CZmaVadAZLayerCollection::DispatchKeyDown(short keyCode, short shift) {
    for (CZmaVadAZLayer* held : Layers()) {
        if (!Contains(held)) continue;
        if (held->IsVisibleAtCurrentZoom() && held->OnKeyDown(keyCode, shift)) break;
    }
    RestoreSelectability();
}

void CZmaVadAZLayerCollection::RestoreSelectability() {
    if (!selectabilitySaved_) return;
    for (const auto& entry : savedSelectability_) entry.first->SetSelectable(entry.second);
    savedSelectability_.clear();
    selectabilitySaved_ = false;
    RefreshMap();
}

void CZmaVadAZLayerCollection::ClearAllSelections() {
    for (CZmaVadAZLayer* held : Layers()) {
        if (!Contains(held)) continue;
        held->ClearSelection();
    }
}

void CZmaVadAZLayerCollection::SelectByRectangle(const ZmaExtent& extent) {
    ClearAllSelections();
    for (CZmaVadAZLayer* held : Layers()) {
        if (!Contains(held)) continue;
        if (held->IsVisibleAtCurrentZoom()) held->SelectInRectangle(extent);
    }
}

void CZmaVadAZLayerCollection::SelectByRadius(const ZmaPointD& centre, double radius, bool projected) {
    ClearAllSelections();
    for (CZmaVadAZLayer* held : Layers()) {
        if (!Contains(held)) continue;
        if (!held->IsVisibleAtCurrentZoom()) continue;
        if (projected)
            held->SelectInRadiusProjected(centre, radius);
        else
            held->SelectInRadius(centre, radius);
    }
}

void CZmaVadAZLayerCollection::SelectByPolygon(const std::vector<ZmaPointD>& points) {
    // The last point closes the ring and adds nothing to the bounds.
    ZmaExtent bounds = {DBL_MAX, -DBL_MAX, -DBL_MAX, DBL_MAX};
    const size_t corners = points.empty() ? 0 : points.size() - 1;
    for (size_t i = 0; i < corners; ++i) {
        const ZmaPointD& p = points[i];
        if (p.x < bounds.left) bounds.left = p.x;
        if (p.x > bounds.right) bounds.right = p.x;
        if (p.y > bounds.top) bounds.top = p.y;
        if (p.y < bounds.bottom) bounds.bottom = p.y;
    }
    ClearAllSelections();
    for (CZmaVadAZLayer* held : Layers()) {
        if (!Contains(held)) continue;
        if (held->IsVisibleAtCurrentZoom()) held->SelectInPolygon(bounds, points);
    }
}

HRESULT CZmaVadAZLayerCollection::ApplyPendingLayerOffsets(double x, double y) {
    try {
        for (CZmaVadAZLayer* layer : pendingOffsetLayers_)
            if (layer) layer->SetOffset(x, y);
        pendingOffsetLayers_.clear();
        RefreshMap();
        return S_OK;
    } CATCH_RETURN_QUIET()
}

void CZmaVadAZLayerCollection::RefreshMap() {
    if (!refresh_ || !host_->IsScreenUpdating() || !map_) return;
    EngineDispatch(map_.Get()).Call(Engine::Map::kRefresh);
}
