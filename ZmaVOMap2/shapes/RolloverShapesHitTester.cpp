#include "ZmaVOMap2/shapes/RolloverShapesHitTester.h"

#include "ZmaVOMap2/engine/EngineDispatch.h"
#include "ZmaVOMap2/engine/EngineIds.h"
#include "ZmaVOMap2/overlays/RolloverTip.h"
#include "ZmaVOMap2/shapes/ShapeConversions.h"
#include "ZmaVOMap2/shapes/ShapeRenderers.h"
#include "platform/Gdiplus.h"
#include "platform/Result.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <memory>

using platform::Variant;

namespace {

// How near the circumference the cursor must come to hit a circle, in pixels.
constexpr long kRolloverHitTolerance = 3;

HWND MapWindow(IDispatch* map) {
    return reinterpret_cast<HWND>(static_cast<LONG_PTR>(EngineDispatch(map).Get(EngineMap::kWindowHandle).ToLong()));
}

// A graphics object on the map's window, for the visibility tests.
std::unique_ptr<Gdiplus::Graphics> MapWindowGraphics(HWND window) { return std::make_unique<Gdiplus::Graphics>(window); }

// The bound of what can be under the cursor: around the map window and the cursor.
DrawingBound HitBound(HWND window, const EngineScreenPoint& mouse) {
    RECT area = {0, 0, 0, 0};
    if (window) ::GetClientRect(window, &area);
    const LONG x = static_cast<LONG>(std::max(-1e9f, std::min(mouse.x, 1e9f)));
    const LONG y = static_cast<LONG>(std::max(-1e9f, std::min(mouse.y, 1e9f)));
    const RECT cursor = {x, y, x + 1, y + 1};
    ::UnionRect(&area, &area, &cursor);
    return BoundAround(area);
}

// A pie of the circle with the shape's angles: as it is when it fits the bound, else its part
// inside the bound.
void AddShapePie(Gdiplus::GraphicsPath& path, const PixelCircle& circle, double startAngle, double endAngle,
                 const DrawingBound& bound) {
    if (!FitsIn(circle, bound)) {
        shapepaths::AddPolygons(path, AreaInBound(circle, {startAngle, DonutSweepAngle(startAngle, endAngle)}, bound));
        return;
    }
    const RECT box = BoxOf(circle);
    path.AddPie(static_cast<INT>(box.left), static_cast<INT>(box.top), static_cast<INT>(box.right - box.left),
                static_cast<INT>(box.bottom - box.top), static_cast<Gdiplus::REAL>(GdiplusStartAngle(startAngle)),
                static_cast<Gdiplus::REAL>(DonutSweepAngle(startAngle, endAngle)));
}

}  // namespace

IDispatch* RolloverHitTesterBase::MapOrThrow() const { return platform::ThrowIfNull(map_.Get(), E_POINTER); }

bool RolloverHitTesterBase::Hit(const ShapeInfo& item) {
    ShowRolloverTip(mouse_, platform::ToAnsi(ShapeToolTip(item)), -1, owner_);
    hit_ = true;
    return false;
}

bool RolloverShapesHitTester::Act(const ShapeInfo& item) {
    auto run = [&](auto&& tester) {
        const bool goOn = tester.Act(item);
        hit_ = tester.HasHit();
        return goOn;
    };
    switch (item.type) {
    case kShapeCircle: case kShapeFilledCircle: case kShapeSpotlightCircle:
        return run(RolloverCirclesHitTester(map_.Get(), mouse_, mapX_, mapY_, owner_));
    case kShapePie: case kShapeFilledPie: case kShapeSpotlightPie:
        return run(RolloverPiesHitTester(map_.Get(), mouse_, mapX_, mapY_, owner_));
    case kShapeDonutSegment: case kShapeFilledDonutSegment:
        return run(RolloverDonutSegmentsHitTester(map_.Get(), mouse_, mapX_, mapY_, owner_));
    default:
        return true;
    }
}

bool RolloverCirclesHitTester::Act(const ShapeInfo& item) {
    auto* circle = dynamic_cast<const CircleInfo*>(&item);
    if (!circle) return true;
    IDispatch* map = MapOrThrow();
    const double d = EngineDispatch(map)
                         .Call(EngineMap::kDistance, {Variant(circle->longitude), Variant(circle->latitude),
                                                      Variant(mapX_), Variant(mapY_)})
                         .ToDouble();
    const double radius = ConvertToUserUnits(map, circle->radius);
    // In double precision: a circumference beyond any device is under no cursor.
    const double dp = DistanceInPixels(map, d), rp = DistanceInPixels(map, radius);
    if (!std::isfinite(rp) || !(std::fabs(dp - rp) < kRolloverHitTolerance)) return true;
    return Hit(item);
}

bool RolloverPiesHitTester::Act(const ShapeInfo& item) {
    auto* pie = dynamic_cast<const PieInfo*>(&item);
    if (!pie) return true;
    IDispatch* map = MapOrThrow();
    const PixelCircle circle = ScreenCircle(map, pie->latitude, pie->longitude, pie->radius);
    const HWND window = MapWindow(map);
    const EngineScreenPoint mouse = EngineMapToScreen(EngineDispatch(map), mapX_, mapY_);
    Gdiplus::GraphicsPath path(Gdiplus::FillModeAlternate);
    if (circle.r > 0) AddShapePie(path, circle, pie->startAngle, pie->endAngle, HitBound(window, mouse));
    std::unique_ptr<Gdiplus::Graphics> graphics = MapWindowGraphics(window);
    if (!path.IsVisible(mouse.x, mouse.y, graphics.get())) return true;
    return Hit(item);
}

bool RolloverDonutSegmentsHitTester::Act(const ShapeInfo& item) {
    auto* donut = dynamic_cast<const DonutSegmentInfo*>(&item);
    if (!donut) return true;
    IDispatch* map = MapOrThrow();
    // Hit where it is drawn: between the smaller and the larger radius, whichever came first.
    PixelCircle inner = ScreenCircle(map, donut->latitude, donut->longitude, donut->startRadius);
    PixelCircle outer = ScreenCircle(map, donut->latitude, donut->longitude, donut->endRadius);
    if (inner.r > outer.r) std::swap(inner, outer);
    const HWND window = MapWindow(map);
    const EngineScreenPoint mouse = EngineMapToScreen(EngineDispatch(map), mapX_, mapY_);
    const DrawingBound bound = HitBound(window, mouse);
    Gdiplus::GraphicsPath outerPath(Gdiplus::FillModeAlternate), innerPath(Gdiplus::FillModeAlternate);
    if (outer.r > 0) AddShapePie(outerPath, outer, donut->startAngle, donut->endAngle, bound);
    if (inner.r > 0) AddShapePie(innerPath, inner, donut->startAngle, donut->endAngle, bound);
    Gdiplus::Region ring(&outerPath);
    ring.Exclude(&innerPath);
    std::unique_ptr<Gdiplus::Graphics> graphics = MapWindowGraphics(window);
    if (!ring.IsVisible(mouse.x, mouse.y, graphics.get())) return true;
    return Hit(item);
}
