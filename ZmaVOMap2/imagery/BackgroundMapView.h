// What the control does with its imagery layer: find it, snap the map's scale to its tile levels,
// show its properties dialog, and repaint the square of a tile that arrived. The control's
// members only call these.
#pragma once

#include <windows.h>
#include <oaidl.h>

class CZmaVadAZBackgroundMapLayer;
class CZmaVadAZLayerCollection;

// The collection's first layer of type 15, when it is an imagery layer; null otherwise.
CZmaVadAZBackgroundMapLayer* FindBackgroundMapLayer(const CZmaVadAZLayerCollection* layers);
// Whether the map has imagery that shows, so that its scale follows the tile levels.
bool IsBackgroundMapVisible(const CZmaVadAZLayerCollection* layers);

// With visible imagery: lets the imagery layer choose the tile level for the map's bounds
// `rectangle` in a window of `pixels` (the rectangle grows to the level's scale), keeps the level
// in the layer and gives the map the rectangle. Without visible imagery nothing happens. Raises
// E_POINTER without a map.
void SnapZoomToBackgroundMap(CZmaVadAZLayerCollection* layers, IDispatch* map, IDispatch* rectangle,
                             const RECT& pixels);

// Runs the imagery's properties dialog under `parent`, then refreshes the map whatever button
// closed it. S_FALSE when the map has no imagery layer.
HRESULT ShowBackgroundMapProperties(CZmaVadAZLayerCollection* layers, IDispatch* map, HWND parent);
