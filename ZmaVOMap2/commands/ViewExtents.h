// What the view commands ask of the layers: the extent of all layers, the bounds of everything
// selected, and the style dialog of the selected annotation.
#pragma once

#include "ZmaVOMap2/engine/Geometry.h"

#include <windows.h>
#include <oleauto.h>

class CZmaVadAZLayerCollection;

// The union of the layers' extents {left, top, right, bottom}; {0, 0, 0, 0} when no layer has an
// extent of its own (a point or a line has none).
ZmaExtent EntireMapExtent(CZmaVadAZLayerCollection& layers);

// Makes the engine map show the extent.
void SetEngineBounds(IDispatch* engineMap, const ZmaExtent& extent);

// Fits the map to the selection: named selections of data layers are merged, a selection in an
// engine table layer replaces what was gathered above it. A single point is centred at the same
// zoom; nothing selected leaves the view alone. Raises E_UNEXPECTED without an engine map.
HRESULT ZoomToSelectedFeatures(CZmaVadAZLayerCollection& layers);

// Offers the engine's style dialog for the first selected feature of the annotations layer and
// updates the feature when the user accepts.
HRESULT ApplyFeatureStyle(CZmaVadAZLayerCollection& layers);
