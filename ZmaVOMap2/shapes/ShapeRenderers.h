// Drawing the shapes of the shapes layer, one renderer per item kind. With GDI+ (enhanced drawing
// on the screen) shapes are anti-aliased and fills are translucent; with plain GDI (printing,
// exporting, enhanced drawing off) every shape is an outline.
#pragma once

#include "ZmaVOMap2/engine/Geometry.h"
#include "ZmaVOMap2/shapes/ShapeGeometry.h"
#include "ZmaVOMap2/shapes/ShapeInfo.h"
#include "platform/Com.h"

#include <windows.h>

#include <vector>

namespace Gdiplus {
class Graphics;
class GraphicsPath;
class Pen;
}  // namespace Gdiplus

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
    // Where a shape of `circle` falls: its box misses the clip rectangle (also for a radius of 0
    // or less: nothing is drawn), lies within the drawing bound (drawn as it is), or reaches past
    // it (drawn as its part inside the bound).
    enum class Reach { kMisses, kFits, kBeyond };
    Reach ReachOf(const PixelCircle& circle) const;
    DrawingBound Bound() const { return BoundAround(clip_); }

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

// Drawing the parts of a shape inside the drawing bound.
namespace shapepaths {
// Polygons added to a path as closed figures.
void AddPolygons(Gdiplus::GraphicsPath& path, const std::vector<PixelPath>& polygons);
void DrawPolylines(Gdiplus::Graphics& graphics, Gdiplus::Pen& pen, const std::vector<PixelPath>& lines);
// With the pen selected into the device context.
void DrawPolylines(HDC dc, const std::vector<PixelPath>& lines);
// A GDI region covering the polygons; null for none.
HRGN PolygonRegion(const std::vector<PixelPath>& polygons);
}  // namespace shapepaths
