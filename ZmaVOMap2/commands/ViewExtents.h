// What the view commands do to the engine's view: show an extent.
#pragma once

#include "ZmaVOMap2/engine/Geometry.h"

#include <windows.h>
#include <oleauto.h>

// Makes the engine map show the extent.
void SetEngineBounds(IDispatch* engineMap, const ZmaExtent& extent);
