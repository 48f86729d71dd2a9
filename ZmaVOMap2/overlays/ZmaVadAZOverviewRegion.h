// The overview box: a small translucent box in the top-left corner of the map window that shows a
// stored region (for example a whole drive-test route) together with the current view, so the
// user sees where the view lies within the region. A click on the region's outline zooms to the
// region; a click elsewhere in the box re-centres the map there.
#pragma once

#include "ZmaVOMap2/engine/Geometry.h"

#include <windows.h>
#include <oleauto.h>

class CZmaVadAZOverviewRegion {
public:
    // A rectangle in box pixels.
    struct FrameF {
        float x = 0, y = 0, width = 0, height = 0;
    };

    CZmaVadAZOverviewRegion() = default;
    virtual ~CZmaVadAZOverviewRegion() = default;
    CZmaVadAZOverviewRegion(const CZmaVadAZOverviewRegion&) = delete;
    CZmaVadAZOverviewRegion& operator=(const CZmaVadAZOverviewRegion&) = delete;

    // {left, top, right, bottom} in the engine map's coordinates; all zeros for no region.
    void SetRegion(const ZmaExtent& region) noexcept { region_ = region; }
    const ZmaExtent& GetRegion() const noexcept { return region_; }
    bool IsEmpty() const noexcept { return IsEmpty(region_); }

    void SetVisible(bool visible) noexcept { visible_ = visible; }
    bool IsVisible() const noexcept { return visible_; }

    // Draws the box with anti-aliasing; `left` and `top` are the drawing target's origin. Nothing
    // unless visible. Engine failures are raised as ComError.
    void Draw(HDC dc, IDispatch* engineMap, long left, long top);
    // Whether a click at `point` (pixels of the map window) was the box's; it then zooms or
    // re-centres the map. Refers to the box as last drawn: before the first draw nothing is taken.
    bool HitTest(IDispatch* engineMap, POINT point);

    // The box as last drawn, for the hit test and for checks of the drawing.
    const FrameF& LastFrame() const noexcept { return lastFrame_; }
    const FrameF& RegionFrame() const noexcept { return regionFrame_; }

    static bool IsEmpty(const ZmaExtent& extent) noexcept;
    // Grows `extent` to cover `other` (top is the larger y, bottom the smaller).
    static void Union(ZmaExtent& extent, const ZmaExtent& other) noexcept;

private:
    ZmaExtent region_;
    FrameF regionFrame_;
    ZmaExtent lastCombined_;
    FrameF lastFrame_;
    bool visible_ = false;
};
