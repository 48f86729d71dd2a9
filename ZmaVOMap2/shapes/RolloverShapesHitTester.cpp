#include "ZmaVOMap2/shapes/RolloverShapesHitTester.h"

#include "ZmaVOMap2/engine/EngineDispatch.h"
#include "ZmaVOMap2/engine/EngineIds.h"
#include "ZmaVOMap2/overlays/RolloverTip.h"
#include "ZmaVOMap2/shapes/ShapeConversions.h"
#include "platform/Gdiplus.h"
#include "platform/Result.h"

#include <algorithm>
#include <cstdlib>
#include <memory>

using platform::Variant;

namespace {

// How near the circumference the cursor must come to hit a circle, in pixels.
constexpr long kRolloverHitTolerance = 3;

// A pie of `radius` pixels around `centre` with the shape's angles.
void AddShapePie(Gdiplus::GraphicsPath& path, POINT centre, long radius, double startAngle, double endAngle) {
    path.AddPie(static_cast<INT>(centre.x - radius), static_cast<INT>(centre.y - radius), static_cast<INT>(2 * radius),
                static_cast<INT>(2 * radius), static_cast<Gdiplus::REAL>(GdiplusStartAngle(startAngle)),
                static_cast<Gdiplus::REAL>(DonutSweepAngle(startAngle, endAngle)));
}

// A graphics object on the map's window, for the visibility tests.
std::unique_ptr<Gdiplus::Graphics> MapWindowGraphics(IDispatch* map) {
    const long handle = EngineDispatch(map).Get(EngineMap::kWindowHandle).ToLong();
    return std::make_unique<Gdiplus::Graphics>(reinterpret_cast<HWND>(static_cast<LONG_PTR>(handle)));
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
    const long dp = DistanceToPixels(map, d);
    const long rp = DistanceToPixels(map, radius);
    if (std::labs(dp - rp) >= kRolloverHitTolerance) return true;
    return Hit(item);
}

bool RolloverPiesHitTester::Act(const ShapeInfo& item) {
    auto* pie = dynamic_cast<const PieInfo*>(&item);
    if (!pie) return true;
    IDispatch* map = MapOrThrow();
    const POINT c = MapToScreenPoint(map, pie->latitude, pie->longitude);
    const long r = RadiusToPixels(map, pie->radius);
    Gdiplus::GraphicsPath path(Gdiplus::FillModeAlternate);
    AddShapePie(path, c, r, pie->startAngle, pie->endAngle);
    std::unique_ptr<Gdiplus::Graphics> graphics = MapWindowGraphics(map);
    const EngineScreenPoint mouse = EngineMapToScreen(EngineDispatch(map), mapX_, mapY_);
    if (!path.IsVisible(mouse.x, mouse.y, graphics.get())) return true;
    return Hit(item);
}

bool RolloverDonutSegmentsHitTester::Act(const ShapeInfo& item) {
    auto* donut = dynamic_cast<const DonutSegmentInfo*>(&item);
    if (!donut) return true;
    IDispatch* map = MapOrThrow();
    const POINT c = MapToScreenPoint(map, donut->latitude, donut->longitude);
    // Hit where it is drawn: between the smaller and the larger radius, whichever came first.
    const long r1 = RadiusToPixels(map, donut->startRadius);
    const long r2 = RadiusToPixels(map, donut->endRadius);
    Gdiplus::GraphicsPath outer(Gdiplus::FillModeAlternate), inner(Gdiplus::FillModeAlternate);
    AddShapePie(outer, c, std::max(r1, r2), donut->startAngle, donut->endAngle);
    AddShapePie(inner, c, std::min(r1, r2), donut->startAngle, donut->endAngle);
    Gdiplus::Region ring(&outer);
    ring.Exclude(&inner);
    const EngineScreenPoint mouse = EngineMapToScreen(EngineDispatch(map), mapX_, mapY_);
    std::unique_ptr<Gdiplus::Graphics> graphics = MapWindowGraphics(map);
    if (!ring.IsVisible(mouse.x, mouse.y, graphics.get())) return true;
    return Hit(item);
}
