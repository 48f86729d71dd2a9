#include "ZmaVOMap2/layers/CollectionRouting.h"

namespace CollectionRouting {

void SetRefreshEnabled(CZmaVadAZLayerCollection&, bool) {}
void DispatchMouseDown(CZmaVadAZLayerCollection&, POINT, const ZmaPointD&, bool) {}
void DispatchMouseUp(CZmaVadAZLayerCollection&, POINT, const ZmaPointD&) {}
void DispatchMouseMove(CZmaVadAZLayerCollection&, POINT, const ZmaPointD&) {}
void DispatchDoubleClick(CZmaVadAZLayerCollection&) {}
void DispatchKeyDown(CZmaVadAZLayerCollection&, short, short) {}
void ApplyPendingLayerOffsets(CZmaVadAZLayerCollection&, double, double) {}
void SelectByRadius(CZmaVadAZLayerCollection&, const ZmaPointD&, double, bool) {}
void SelectByRectangle(CZmaVadAZLayerCollection&, const ZmaExtent&) {}
void SelectByPolygon(CZmaVadAZLayerCollection&, const std::vector<ZmaPointD>&) {}
void EndRegionEditing(CZmaVadAZLayerCollection&, const std::vector<ZmaPointD>&) {}
bool IsBackgroundMapVisible(const CZmaVadAZLayerCollection&) { return false; }

}  // namespace CollectionRouting
