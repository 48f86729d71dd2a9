// Draws the map into any device context: a light background with a graticule, then the layers
// from the bottom to the top (user-draw layers through the container's DrawUserLayer event), the
// annotations, and the drawing-stage notifications.
#pragma once

#include "standins/mapengine/Annotations.h"
#include "standins/mapengine/Layers.h"
#include "standins/mapengine/ViewModel.h"

#include <windows.h>

namespace mapengine {

class RenderCallbacks {
public:
    // `dc` has its origin at the top left of the drawing; `full` and `invalid` are in its pixels.
    virtual void DrawUserLayer(Layer& layer, HDC dc, const RECT& full, const RECT& invalid) = 0;
    virtual void DrawingStage(short stage) = 0;

protected:
    ~RenderCallbacks() = default;
};

// Draws into `device` (a rectangle in the DC's device pixels) whatever the DC's mapping; `view`
// must already have that rectangle's size.
void RenderMap(HDC dc, const RECT& device, const ViewModel& view, const LayerList& layers,
               const Annotations* annotations, RenderCallbacks& callbacks);

// The distance in degrees between the graticule's lines for a view.
double GraticuleStepOf(const ViewModel& view);

// The frame of a printed map: a dark green line on the inner edge of `device` (device pixels),
// thick enough to show at 72 dpi.
void DrawPrintFrame(HDC dc, const RECT& device);

// A rectangle in the DC's logical units as device pixels.
RECT TargetInDevicePixels(HDC dc, const RECT& target);

}  // namespace mapengine
