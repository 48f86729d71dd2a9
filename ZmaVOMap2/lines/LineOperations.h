// The line layers the control's line members reach: the one lines-to-sectors layer of the map
// (made on first use), the cell-site lines and the point lines.
#pragma once

#include <vector>

class CZmaVadAZLayerCollection;
class CZmaVadAZLinesToPointsLayer;
class CZmaVadAZLinesToSectorsLayer;

// The first layer of type 13 in the list; made at the top of the list when there is none. Null,
// after telling the user, when it cannot be made.
CZmaVadAZLinesToSectorsLayer* GetLinesToSectorsLayer(CZmaVadAZLayerCollection& collection);
// The layer of lines between cell sites: the one tied to the collection's cell-site layer; null
// without a cell-site layer.
CZmaVadAZLinesToPointsLayer* GetCellSiteLinesLayer(CZmaVadAZLayerCollection& collection);
// The layer of lines between positions: the one tied to the collection's cell-site layer, which
// draws it; null without a cell-site layer.
CZmaVadAZLinesToPointsLayer* GetPointLinesLayer(CZmaVadAZLayerCollection& collection);
// The layers of lines between cell sites, or between positions, of every cell-site layer on the
// map, each once: one per technology. Empty without a cell-site layer.
std::vector<CZmaVadAZLinesToPointsLayer*> GetAllCellSiteLinesLayers(CZmaVadAZLayerCollection& collection);
std::vector<CZmaVadAZLinesToPointsLayer*> GetAllPointLinesLayers(CZmaVadAZLayerCollection& collection);
