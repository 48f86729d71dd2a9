// Routing of the engine's mouse, key and tool events to the layers, and the imagery snap state
// the control asks the collection about. Mouse routing and selection come with the layers'
// routing; until then events stop here.
#pragma once

#include "ZmaVOMap2/control/Geometry.h"

#include <windows.h>

#include <vector>

class CZmaVadAZLayerCollection;

namespace CollectionRouting {

void SetRefreshEnabled(CZmaVadAZLayerCollection& layers, bool enabled);
void DispatchMouseDown(CZmaVadAZLayerCollection& layers, POINT point, const ZmaPointD& mapPos, bool keepSelection);
void DispatchMouseUp(CZmaVadAZLayerCollection& layers, POINT point, const ZmaPointD& mapPos);
void DispatchMouseMove(CZmaVadAZLayerCollection& layers, POINT point, const ZmaPointD& mapPos);
void DispatchDoubleClick(CZmaVadAZLayerCollection& layers);
void DispatchKeyDown(CZmaVadAZLayerCollection& layers, short keyCode, short shift);
void ApplyPendingLayerOffsets(CZmaVadAZLayerCollection& layers, double dx, double dy);
void SelectByRadius(CZmaVadAZLayerCollection& layers, const ZmaPointD& centre, double radius, bool projected);
void SelectByRectangle(CZmaVadAZLayerCollection& layers, const ZmaExtent& extent);
void SelectByPolygon(CZmaVadAZLayerCollection& layers, const std::vector<ZmaPointD>& ring);
// Ends the region layer's editing with the ring drawn by the polygon-filter tool.
void EndRegionEditing(CZmaVadAZLayerCollection& layers, const std::vector<ZmaPointD>& ring);
// Whether the background imagery layer is there and visible.
bool IsBackgroundMapVisible(const CZmaVadAZLayerCollection& layers);

}  // namespace CollectionRouting
