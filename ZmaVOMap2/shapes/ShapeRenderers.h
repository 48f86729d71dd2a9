// Drawing the shapes of the shapes layer, one renderer per item kind. With GDI+ (enhanced drawing
// on the screen) shapes are anti-aliased and fills are translucent; with plain GDI (printing,
// exporting, enhanced drawing off) every shape is an outline.
#pragma once

#include "ZmaVOMap2/engine/Geometry.h"
#include "ZmaVOMap2/shapes/ShapeInfo.h"
#include "platform/Com.h"

#include <windows.h>

// What every renderer draws with: the map that converts positions and radii, the device context,
// the clip rectangle in device pixels and the frame's view extent (carried, never read).
class ShapeRendererBase : public ShapesActionInterface {
public:
    ShapeRendererBase(IDispatch* map, HDC dc, const RECT& clip, const ZmaExtent& extent)
        : map_(map), dc_(dc), clip_(clip), extent_(extent) {}

protected:
    IDispatch* Map() const noexcept { return map_.Get(); }
    HDC Dc() const noexcept { return dc_; }
    const RECT& Clip() const noexcept { return clip_; }
    const ZmaExtent& Extent() const noexcept { return extent_; }
    // The box of a circle of `radius` pixels around `centre`; false when it misses the clip
    // rectangle (also for a radius of 0 or less): then nothing is drawn.
    bool BoxInClip(POINT centre, long radius, RECT& box) const;

private:
    platform::ComPtr<IDispatch> map_;
    HDC dc_;
    RECT clip_;
    ZmaExtent extent_;
};

// Picks the renderer of each item's kind and drawing mode and lets it draw the item.
class ShapeRenderer : public ShapeRendererBase {
public:
    ShapeRenderer(IDispatch* map, HDC dc, const RECT& clip, const ZmaExtent& extent, bool useGdiPlus)
        : ShapeRendererBase(map, dc, clip, extent), useGdiPlus_(useGdiPlus) {}
    bool Act(const ShapeInfo& item) override;

private:
    bool useGdiPlus_;
};

// Outlines: circles, pies and donut segments of any kind, in the item's line style for outline
// items and in a solid line of the default width for filled and spotlight items.
class CircleRenderer : public ShapeRendererBase {
public:
    CircleRenderer(IDispatch* map, HDC dc, const RECT& clip, const ZmaExtent& extent, bool useGdiPlus)
        : ShapeRendererBase(map, dc, clip, extent), useGdiPlus_(useGdiPlus) {}
    bool Act(const ShapeInfo& item) override;

private:
    bool useGdiPlus_;
};

class PieRenderer : public ShapeRendererBase {
public:
    PieRenderer(IDispatch* map, HDC dc, const RECT& clip, const ZmaExtent& extent, bool useGdiPlus)
        : ShapeRendererBase(map, dc, clip, extent), useGdiPlus_(useGdiPlus) {}
    bool Act(const ShapeInfo& item) override;

private:
    bool useGdiPlus_;
};

class DonutSegmentRenderer : public ShapeRendererBase {
public:
    DonutSegmentRenderer(IDispatch* map, HDC dc, const RECT& clip, const ZmaExtent& extent, bool useGdiPlus)
        : ShapeRendererBase(map, dc, clip, extent), useGdiPlus_(useGdiPlus) {}
    bool Act(const ShapeInfo& item) override;

private:
    bool useGdiPlus_;
};

// Translucent fills, always with GDI+.
class FilledCircleRenderer : public ShapeRendererBase {
public:
    using ShapeRendererBase::ShapeRendererBase;
    bool Act(const ShapeInfo& item) override;
};

class FilledPieRenderer : public ShapeRendererBase {
public:
    using ShapeRendererBase::ShapeRendererBase;
    bool Act(const ShapeInfo& item) override;
};

class FilledDonutSegmentRenderer : public ShapeRendererBase {
public:
    using ShapeRendererBase::ShapeRendererBase;
    bool Act(const ShapeInfo& item) override;
};
