#include "ZmaVOMap2/overlays/ZmaVadAZOverviewRegion.h"

#include "ZmaVOMap2/engine/EngineDispatch.h"
#include "ZmaVOMap2/engine/EngineIds.h"
#include "platform/Gdiplus.h"
#include "platform/Result.h"

#include <algorithm>
#include <cmath>

using platform::ComPtr;
using platform::Variant;

namespace {

constexpr float kMaxBoxSide = 100.0f;
constexpr float kBoxOffset = 20.0f;  // from the drawing target's corner to the map area of the box
constexpr float kBoxMargin = 10.0f;  // around the map area
constexpr float kOutlineBand = 2.0f; // a click this close to the region's outline zooms to it

constexpr Gdiplus::ARGB kBoxFill = 0x80FFFFFF;
constexpr Gdiplus::ARGB kBoxOutline = 0x80000000;
constexpr Gdiplus::ARGB kRegionOutline = 0x80000000;
constexpr Gdiplus::ARGB kViewOutline = 0x80FF0000;

// A side of the box never collapses: degenerate views still show a visible line.
float AtLeastOne(float size) { return (size == 0.0f || !std::isfinite(size)) ? 1.0f : size; }

bool Contains(const CZmaVadAZOverviewRegion::FrameF& r, float x, float y) {
    return x >= r.x && x < r.x + r.width && y >= r.y && y < r.y + r.height;
}

ZmaExtent ViewOf(const EngineDispatch& map) {
    ComPtr<IDispatch> bounds = platform::RequireDispatch(map.Get(Engine::Map::kBounds));
    EngineDispatch rect(bounds.Get());
    return {rect.Get(Engine::Rectangle::kXMin).ToDouble(), rect.Get(Engine::Rectangle::kYMax).ToDouble(),
            rect.Get(Engine::Rectangle::kXMax).ToDouble(), rect.Get(Engine::Rectangle::kYMin).ToDouble()};
}

// Map coordinates to window pixels through the engine.
POINTFLOAT MapToScreen(const EngineDispatch& map, double x, double y) {
    const EngineScreenPoint p = EngineMapToScreen(map, x, y);
    return {p.x, p.y};
}

CZmaVadAZOverviewRegion::FrameF MapInto(const ZmaExtent& e, const ZmaExtent& c,
                                        const CZmaVadAZOverviewRegion::FrameF& frame) {
    const double cw = c.right - c.left;
    const double ch = c.top - c.bottom;
    CZmaVadAZOverviewRegion::FrameF r;
    r.x = static_cast<float>(frame.x + (e.left - c.left) / cw * frame.width);
    r.y = static_cast<float>(frame.y + (c.top - e.top) / ch * frame.height);
    r.width = AtLeastOne(static_cast<float>((e.right - e.left) / cw * frame.width));
    r.height = AtLeastOne(static_cast<float>((e.top - e.bottom) / ch * frame.height));
    return r;
}

Gdiplus::RectF ToGdiplus(const CZmaVadAZOverviewRegion::FrameF& r) { return {r.x, r.y, r.width, r.height}; }

}  // namespace

bool CZmaVadAZOverviewRegion::IsEmpty(const ZmaExtent& e) noexcept {
    return e.left == 0.0 && e.top == 0.0 && e.right == 0.0 && e.bottom == 0.0;
}

void CZmaVadAZOverviewRegion::Union(ZmaExtent& extent, const ZmaExtent& other) noexcept {
    extent.left = std::min(extent.left, other.left);
    extent.top = std::max(extent.top, other.top);
    extent.right = std::max(extent.right, other.right);
    extent.bottom = std::min(extent.bottom, other.bottom);
}

void CZmaVadAZOverviewRegion::Draw(HDC dc, IDispatch* engineMap, long left, long top) {
    if (!visible_ || !dc) return;
    EngineDispatch map(platform::ThrowIfNull(engineMap));
    const ZmaExtent view = ViewOf(map);
    ZmaExtent combined = view;
    const bool hasRegion = !IsEmpty(region_);
    if (hasRegion) Union(combined, region_);

    // The box keeps the combined extent's shape on screen, at most 100 pixels on its long side.
    const POINTFLOAT p1 = MapToScreen(map, combined.left, combined.top);
    const POINTFLOAT p2 = MapToScreen(map, combined.right, combined.bottom);
    const float aspect = (p2.y - p1.y) / (p2.x - p1.x);
    FrameF frame;
    frame.x = static_cast<float>(left) + kBoxOffset;
    frame.y = static_cast<float>(top) + kBoxOffset;
    if (aspect <= 1.0f) {
        frame.width = kMaxBoxSide;
        frame.height = AtLeastOne(kMaxBoxSide * aspect);
    } else {
        frame.width = AtLeastOne(kMaxBoxSide / aspect);
        frame.height = kMaxBoxSide;
    }
    const FrameF outer = {frame.x - kBoxMargin, frame.y - kBoxMargin, frame.width + 2 * kBoxMargin,
                          frame.height + 2 * kBoxMargin};

    const FrameF viewFrame = MapInto(view, combined, frame);
    FrameF regionFrame;
    if (hasRegion) {
        regionFrame = MapInto(region_, combined, frame);
        regionFrame_ = regionFrame;
    }
    if (!IsEmpty(combined)) {
        lastFrame_ = frame;
        lastCombined_ = combined;
    }

    Gdiplus::Graphics graphics(dc);
    graphics.SetSmoothingMode(Gdiplus::SmoothingModeAntiAlias);
    Gdiplus::SolidBrush fill{Gdiplus::Color(kBoxFill)};
    Gdiplus::Pen boxPen(Gdiplus::Color(kBoxOutline), 1.0f);
    graphics.FillRectangle(&fill, ToGdiplus(outer));
    graphics.DrawRectangle(&boxPen, ToGdiplus(outer));
    if (hasRegion) {
        Gdiplus::Pen regionPen(Gdiplus::Color(kRegionOutline), 2.0f);
        graphics.DrawRectangle(&regionPen, ToGdiplus(regionFrame));
    }
    Gdiplus::Pen viewPen(Gdiplus::Color(kViewOutline), 2.0f);
    graphics.DrawRectangle(&viewPen, ToGdiplus(viewFrame));
}

bool CZmaVadAZOverviewRegion::HitTest(IDispatch* engineMap, POINT point) {
    if (!visible_ || IsEmpty(lastCombined_)) return false;
    const float x = static_cast<float>(point.x);
    const float y = static_cast<float>(point.y);
    if (!Contains(lastFrame_, x, y)) return false;

    EngineDispatch map(platform::ThrowIfNull(engineMap));
    const FrameF& r = regionFrame_;
    const FrameF grown = {r.x - kOutlineBand, r.y - kOutlineBand, r.width + 2 * kOutlineBand,
                          r.height + 2 * kOutlineBand};
    const FrameF shrunk = {r.x + kOutlineBand, r.y + kOutlineBand, r.width - 2 * kOutlineBand,
                           r.height - 2 * kOutlineBand};
    // Without a region there is no outline to hit, whatever an earlier draw left in the frame.
    if (!IsEmpty(region_) && Contains(grown, x, y) && !Contains(shrunk, x, y)) {
        CLSID rectangleClass = {};
        THROW_IF_FAILED(::CLSIDFromProgID(L"MapX.Rectangle.4", &rectangleClass));
        ComPtr<IDispatch> rectangle;
        THROW_IF_FAILED(::CoCreateInstance(rectangleClass, nullptr, CLSCTX_ALL, IID_IDispatch, rectangle.PutVoid()));
        EngineDispatch(rectangle.Get())
            .Call(Engine::Rectangle::kSet,
                  {Variant(region_.left), Variant(region_.top), Variant(region_.right), Variant(region_.bottom)});
        map.Put(Engine::Map::kBounds, Variant(rectangle.Get()));
        return true;
    }

    const ZmaExtent& c = lastCombined_;
    const double mapX = c.left + (c.right - c.left) * (x - lastFrame_.x) / lastFrame_.width;
    const double mapY = c.top - (c.top - c.bottom) * (y - lastFrame_.y) / lastFrame_.height;
    const double zoom = map.Get(Engine::Map::kZoom).ToDouble();
    map.Call(Engine::Map::kZoomTo, {Variant(zoom), Variant(mapX), Variant(mapY)});
    return true;
}
