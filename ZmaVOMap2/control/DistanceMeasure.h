// The distance tool's measurement: from where the button went down to where the mouse is now,
// drawn over the map with the engine's distance between the two points.
#pragma once

#include "ZmaVOMap2/engine/Geometry.h"

#include <windows.h>

class EngineDispatch;

class DistanceMeasure {
public:
    void Begin(float x, float y, const ZmaPointD& mapPos) noexcept;
    void Track(float x, float y) noexcept;
    void End() noexcept { active_ = false; }
    bool IsActive() const noexcept { return active_; }
    float LastX() const noexcept { return lastX_; }
    float LastY() const noexcept { return lastY_; }

    // Draws the line from the start to the last position and the distance beside it into the
    // engine window. `lastMap` is the last position in map coordinates.
    void DrawOverlay(EngineDispatch& map, HWND window, const ZmaPointD& lastMap) const;

private:
    bool active_ = false;
    float startX_ = 0, startY_ = 0, lastX_ = 0, lastY_ = 0;
    ZmaPointD startMap_;
};
