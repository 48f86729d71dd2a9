// The host's filter regions over the map: a region set of the host (sets of polygons the host
// filters its measurements by), drawn as black outlines and extended by every polygon the user
// draws with the polygon-filter tool. The set belongs to the host; the layer reads and extends it.
#pragma once

#include "ZmaVOMap2/layers/ZmaVadAZLayer.h"
#include "platform/Com.h"

#include "HostInterfaces.h"

#include <vector>

class CZmaVadAZRegionLayer : public CZmaVadAZLayer {
public:
    // A user-draw engine layer "Region<n>" at the top of the engine's layers. Raises E_POINTER for
    // a null region set and the engine's failures.
    CZmaVadAZRegionLayer(IRegionSet* regions, IDispatch* map, CZmaVadAZLayerCollection* owner);

    // One new region holding one polygon with the ring's points in order (the ring repeats its
    // first point last). Raises the region set's refusal.
    void AddPolygon(const std::vector<ZmaPointD>& ring);
    // Empties the host's set. Raises its refusal.
    void ClearAllRegions();

    bool IsSelectable() override { return true; }
    HRESULT SetSelectable(bool) override { return S_OK; }
    // The bounds of every point of every polygon; false (and the rectangle zeroed) with no point.
    int GetExtent(IDispatch* rectangle) override;
    // Outlines one pixel wide per 96 dots per inch. Raises a refused conversion or region call.
    bool Draw(HDC dc, const RECT& rect, const ZmaExtent& extent) override;
    // Takes the click while the polygon-filter tool is in use.
    bool OnToolUsed(long x, long y, double mapX, double mapY) override;
    void Redraw() override;
    bool IsSavedAsTableLayer() override { return false; }

    IRegionSet* RegionSet() const noexcept { return regions_.Get(); }

private:
    // Every polygon of the set, as its points (longitude as x).
    template <class Visit>
    void ForEachPolygon(Visit&& visit);

    platform::ComPtr<IRegionSet> regions_;
};

// The control's region operations over the collection: at most one region layer, found by its
// type code.
namespace regions {
CZmaVadAZRegionLayer* Find(CZmaVadAZLayerCollection& collection);
// Replaces any region layer by a new one over `set`, at the top with the cursor on it.
void Edit(CZmaVadAZLayerCollection& collection, IRegionSet* set);
HRESULT TurnOff(CZmaVadAZLayerCollection& collection);
// The polygon-filter tool finished a ring; nothing happens without a region layer.
void AddPolygon(CZmaVadAZLayerCollection& collection, const std::vector<ZmaPointD>& ring);
}  // namespace regions
