#include "ZmaVOMap2/shapes/SpotlightRenderers.h"

#include "ZmaVOMap2/shapes/ShapeConversions.h"
#include "platform/Gdiplus.h"
#include "platform/UniqueHandle.h"

namespace {

// Lays the item's tint over the clip rectangle wherever the graphics' clip lets it through.
void Tint(Gdiplus::Graphics& graphics, const RECT& clip, const VARIANT& colour, double opacity) {
    const ShapeRgb c = ShapeColour(colour);
    Gdiplus::SolidBrush brush(Gdiplus::Color(OpacityAlpha(opacity), c.red, c.green, c.blue));
    graphics.FillRectangle(&brush, static_cast<INT>(clip.left), static_cast<INT>(clip.top),
                           static_cast<INT>(clip.right - clip.left), static_cast<INT>(clip.bottom - clip.top));
}

}  // namespace

bool SpotlightCircleRenderer::Act(const ShapeInfo& item) {
    auto* circle = dynamic_cast<const FilledCircleInfo*>(&item);
    if (!circle) return true;
    const PixelCircle c = ScreenCircle(Map(), circle->latitude, circle->longitude, circle->radius);
    const Reach reach = ReachOf(c);
    if (reach == Reach::kMisses) return true;
    Gdiplus::Graphics graphics(Dc());
    graphics.SetSmoothingMode(Gdiplus::SmoothingModeAntiAlias);
    {
        const RECT box = BoxOf(c);
        platform::UniqueHRgn spot(reach == Reach::kFits
                                      ? ::CreateEllipticRgn(box.left, box.top, box.right, box.bottom)
                                      : shapepaths::PolygonRegion(AreaInBound(c, kFullTurn, Bound())));
        platform::UniqueHRgn outside(::CreateRectRgnIndirect(&Clip()));
        if (spot) ::CombineRgn(outside.Get(), outside.Get(), spot.Get(), RGN_DIFF);
        graphics.SetClip(outside.Get(), Gdiplus::CombineModeReplace);
    }
    Tint(graphics, Clip(), circle->colour, circle->opacity);
    return true;
}

bool SpotlightPieRenderer::Act(const ShapeInfo& item) {
    auto* pie = dynamic_cast<const FilledPieInfo*>(&item);
    if (!pie) return true;
    const PixelCircle c = ScreenCircle(Map(), pie->latitude, pie->longitude, pie->radius);
    const Reach reach = ReachOf(c);
    if (reach == Reach::kMisses) return true;
    Gdiplus::Graphics graphics(Dc());
    graphics.SetSmoothingMode(Gdiplus::SmoothingModeAntiAlias);
    {
        Gdiplus::GraphicsPath path(Gdiplus::FillModeAlternate);
        if (reach == Reach::kFits) {
            const RECT box = BoxOf(c);
            path.AddPie(static_cast<INT>(box.left), static_cast<INT>(box.top), static_cast<INT>(box.right - box.left),
                        static_cast<INT>(box.bottom - box.top),
                        static_cast<Gdiplus::REAL>(GdiplusStartAngle(pie->startAngle)),
                        static_cast<Gdiplus::REAL>(DonutSweepAngle(pie->startAngle, pie->endAngle)));
        } else {
            const SectorAngles sector = {pie->startAngle, DonutSweepAngle(pie->startAngle, pie->endAngle)};
            shapepaths::AddPolygons(path, AreaInBound(c, sector, Bound()));
        }
        const RECT& clip = Clip();
        Gdiplus::Region outside(Gdiplus::Rect(clip.left, clip.top, clip.right - clip.left, clip.bottom - clip.top));
        outside.Exclude(&path);
        graphics.SetClip(&outside, Gdiplus::CombineModeReplace);
    }
    Tint(graphics, Clip(), pie->colour, pie->opacity);
    return true;
}
