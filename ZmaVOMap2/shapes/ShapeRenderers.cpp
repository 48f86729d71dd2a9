#include "ZmaVOMap2/shapes/ShapeRenderers.h"

#include "ZmaVOMap2/layers/PenWidth.h"
#include "ZmaVOMap2/shapes/ShapeConversions.h"
#include "ZmaVOMap2/shapes/SpotlightRenderers.h"
#include "platform/Gdiplus.h"
#include "platform/UniqueHandle.h"

#include <algorithm>
#include <cmath>

namespace {

// Outline width in 1/96 inch when the item gives none; scaled to the device.
constexpr int kDefaultLineWidth = 3;
// How far the inner cut-out of a donut segment reaches past its radial edges, in degrees.
constexpr double kDonutClipMargin = 5.0;

struct OutlineStyle {
    long width;
    long type;
    ShapeRgb colour;
};

// The item's own width and line type for outline items; the default width, solid, otherwise.
template <class Hollow>
OutlineStyle OutlineOf(HDC dc, const ShapeInfo& item, const VARIANT& colour) {
    OutlineStyle style = {0, 0, ShapeColour(colour)};
    if (auto* hollow = dynamic_cast<const Hollow*>(&item)) {
        style.width = hollow->lineWidth;
        style.type = hollow->lineType;
    }
    style.width = penwidth::DevicePixels(style.width, ::MulDiv(kDefaultLineWidth, ::GetDeviceCaps(dc, LOGPIXELSY), 96));
    return style;
}

Gdiplus::DashStyle DashOf(long lineType) {
    switch (lineType) {
    case 0: return Gdiplus::DashStyleSolid;
    case 1: return Gdiplus::DashStyleDash;
    case 2: return Gdiplus::DashStyleDot;
    case 3: return Gdiplus::DashStyleDashDot;
    case 4: return Gdiplus::DashStyleDashDotDot;
    default: return Gdiplus::DashStyleDash;
    }
}

// A GDI+ graphics object on the device context with anti-aliasing, as every shape draws.
class SmoothGraphics : public Gdiplus::Graphics {
public:
    explicit SmoothGraphics(HDC dc) : Gdiplus::Graphics(dc) { SetSmoothingMode(Gdiplus::SmoothingModeAntiAlias); }
};

class OutlinePen : public Gdiplus::Pen {
public:
    explicit OutlinePen(const OutlineStyle& s)
        : Gdiplus::Pen(Gdiplus::Color(255, s.colour.red, s.colour.green, s.colour.blue), static_cast<Gdiplus::REAL>(s.width)) {
        SetDashStyle(DashOf(s.type));
    }
};

class FillBrush : public Gdiplus::SolidBrush {
public:
    FillBrush(const VARIANT& colour, double opacity)
        : Gdiplus::SolidBrush(MakeColour(ShapeColour(colour), OpacityAlpha(opacity))) {}

private:
    static Gdiplus::Color MakeColour(const ShapeRgb& c, BYTE alpha) { return Gdiplus::Color(alpha, c.red, c.green, c.blue); }
};

// A GDI pen of the style with a hollow brush, selected into the DC for the object's life.
class GdiOutline {
public:
    GdiOutline(HDC dc, const OutlineStyle& s)
        : pen_(::CreatePen(s.type != 0 ? PS_DASH : PS_SOLID, s.width == 1 && s.type != 0 ? 0 : s.width,
                           ToColorRef(s.colour))),
          brush_(HollowBrush()),
          selectPen_(dc, pen_.Get()),
          selectBrush_(dc, brush_.Get()) {}

private:
    static HBRUSH HollowBrush() {
        LOGBRUSH hollow = {BS_HOLLOW, 0, 0};
        return ::CreateBrushIndirect(&hollow);
    }
    platform::UniqueHPen pen_;
    platform::UniqueHBrush brush_;
    platform::SelectObjectRestorer selectPen_;
    platform::SelectObjectRestorer selectBrush_;
};

struct Sector {
    Gdiplus::REAL start;
    Gdiplus::REAL sweep;
};
Sector GdiplusSector(double startAngle, double endAngle) {
    return {static_cast<Gdiplus::REAL>(GdiplusStartAngle(startAngle)),
            static_cast<Gdiplus::REAL>(DonutSweepAngle(startAngle, endAngle))};
}
SectorAngles ShapeSector(double startAngle, double endAngle) { return {startAngle, DonutSweepAngle(startAngle, endAngle)}; }

long Width(const RECT& r) { return r.right - r.left; }
long Height(const RECT& r) { return r.bottom - r.top; }

POINT CentreOf(const PixelCircle& c) {
    const RECT box = BoxOf({c.cx, c.cy, 0});
    return {box.left, box.top};
}

// GDI's Pie from the end angle's radial point to the start angle's: with the default
// counterclockwise arc direction, the sector runs clockwise from start to end on the screen.
void GdiPie(HDC dc, const RECT& box, POINT centre, long radius, double startAngle, double endAngle) {
    const POINT from = RadialPoint(centre, radius, endAngle);
    const POINT to = RadialPoint(centre, radius, startAngle);
    ::Pie(dc, box.left, box.top, box.right, box.bottom, from.x, from.y, to.x, to.y);
}

// The inner cut-out of a donut segment: the inner pie widened by the margin on both sides, its
// angles taken modulo 360 as whole degrees.
struct CutOut {
    long start, end;
};
CutOut DonutCutOut(double startAngle, double endAngle) {
    return {static_cast<long>(startAngle - kDonutClipMargin) % 360, static_cast<long>(endAngle + kDonutClipMargin) % 360};
}

// Clips the graphics to the clip rectangle without the widened inner pie: drawn as it is when the
// donut fits the drawing bound, else as its part inside the bound.
void ClipAwayInnerPie(Gdiplus::Graphics& graphics, const RECT& clip, const PixelCircle& inner,
                      const DonutSegmentInfo& donut, bool fits) {
    const CutOut cut = DonutCutOut(donut.startAngle, donut.endAngle);
    Gdiplus::GraphicsPath path(Gdiplus::FillModeAlternate);
    if (fits) {
        const RECT innerBox = BoxOf(inner);
        path.AddPie(static_cast<INT>(innerBox.left), static_cast<INT>(innerBox.top), static_cast<INT>(Width(innerBox)),
                    static_cast<INT>(Height(innerBox)), static_cast<Gdiplus::REAL>(cut.start + 270.0),
                    static_cast<Gdiplus::REAL>(DonutSweepAngle(cut.start, cut.end)));
    } else {
        shapepaths::AddPolygons(path, AreaInBound(inner, ShapeSector(cut.start, cut.end), BoundAround(clip)));
    }
    Gdiplus::Region region(Gdiplus::Rect(clip.left, clip.top, Width(clip), Height(clip)));
    region.Exclude(&path);
    graphics.SetClip(&region, Gdiplus::CombineModeReplace);
}

// A donut segment's inner and outer circles, whichever radius the host gave first.
struct DonutCircles {
    PixelCircle inner, outer;
};
DonutCircles DonutCirclesOf(IDispatch* map, const DonutSegmentInfo& donut) {
    const PixelCircle a = ScreenCircle(map, donut.latitude, donut.longitude, donut.startRadius);
    const PixelCircle b = ScreenCircle(map, donut.latitude, donut.longitude, donut.endRadius);
    return a.r <= b.r ? DonutCircles{a, b} : DonutCircles{b, a};
}

// Keeps the device context's clip region (or its lack of one) and puts it back.
class SavedClip {
public:
    explicit SavedClip(HDC dc) : dc_(dc), region_(::CreateRectRgn(0, 0, 0, 0)) {
        hasClip_ = region_ && ::GetClipRgn(dc_, region_.Get()) == 1;
    }
    ~SavedClip() { ::SelectClipRgn(dc_, hasClip_ ? region_.Get() : nullptr); }
    SavedClip(const SavedClip&) = delete;
    SavedClip& operator=(const SavedClip&) = delete;
    bool HasClip() const noexcept { return hasClip_; }

private:
    HDC dc_;
    platform::UniqueHRgn region_;
    bool hasClip_ = false;
};

std::vector<Gdiplus::PointF> FloatPoints(const PixelPath& path) {
    std::vector<Gdiplus::PointF> points;
    points.reserve(path.size());
    for (const PixelPoint& p : path)
        points.emplace_back(static_cast<Gdiplus::REAL>(p.x), static_cast<Gdiplus::REAL>(p.y));
    return points;
}

std::vector<POINT> WholePoints(const PixelPath& path) {
    std::vector<POINT> points;
    points.reserve(path.size());
    for (const PixelPoint& p : path) points.push_back({std::lround(p.x), std::lround(p.y)});
    return points;
}

}  // namespace

namespace shapepaths {

void AddPolygons(Gdiplus::GraphicsPath& path, const std::vector<PixelPath>& polygons) {
    for (const PixelPath& polygon : polygons) {
        const std::vector<Gdiplus::PointF> points = FloatPoints(polygon);
        path.AddPolygon(points.data(), static_cast<INT>(points.size()));
    }
}

void DrawPolylines(Gdiplus::Graphics& graphics, Gdiplus::Pen& pen, const std::vector<PixelPath>& lines) {
    for (const PixelPath& line : lines) {
        const std::vector<Gdiplus::PointF> points = FloatPoints(line);
        graphics.DrawLines(&pen, points.data(), static_cast<INT>(points.size()));
    }
}

void DrawPolylines(HDC dc, const std::vector<PixelPath>& lines) {
    for (const PixelPath& line : lines) {
        const std::vector<POINT> points = WholePoints(line);
        ::Polyline(dc, points.data(), static_cast<int>(points.size()));
    }
}

HRGN PolygonRegion(const std::vector<PixelPath>& polygons) {
    std::vector<POINT> points;
    std::vector<INT> counts;
    for (const PixelPath& polygon : polygons) {
        const std::vector<POINT> whole = WholePoints(polygon);
        points.insert(points.end(), whole.begin(), whole.end());
        counts.push_back(static_cast<INT>(whole.size()));
    }
    if (counts.empty()) return nullptr;
    return ::CreatePolyPolygonRgn(points.data(), counts.data(), static_cast<int>(counts.size()), WINDING);
}

}  // namespace shapepaths

ShapeRendererBase::Reach ShapeRendererBase::ReachOf(const PixelCircle& circle) const {
    if (!BoxMeets(circle, clip_)) return Reach::kMisses;
    return FitsIn(circle, Bound()) ? Reach::kFits : Reach::kBeyond;
}

bool ShapeRenderer::Act(const ShapeInfo& item) {
    IDispatch* map = Map();
    HDC dc = Dc();
    const RECT& clip = Clip();
    const ZmaExtent& extent = Extent();
    switch (item.type) {
    case kShapeCircle:
        return CircleRenderer(map, dc, clip, extent, useGdiPlus_).Act(item);
    case kShapeFilledCircle:
        if (useGdiPlus_) return FilledCircleRenderer(map, dc, clip, extent).Act(item);
        return CircleRenderer(map, dc, clip, extent, false).Act(item);
    case kShapeSpotlightCircle:
        if (useGdiPlus_) return SpotlightCircleRenderer(map, dc, clip, extent).Act(item);
        return CircleRenderer(map, dc, clip, extent, false).Act(item);
    case kShapePie:
        return PieRenderer(map, dc, clip, extent, useGdiPlus_).Act(item);
    case kShapeFilledPie:
        if (useGdiPlus_) return FilledPieRenderer(map, dc, clip, extent).Act(item);
        return PieRenderer(map, dc, clip, extent, false).Act(item);
    case kShapeSpotlightPie:
        if (useGdiPlus_) return SpotlightPieRenderer(map, dc, clip, extent).Act(item);
        return PieRenderer(map, dc, clip, extent, false).Act(item);
    case kShapeDonutSegment:
        return DonutSegmentRenderer(map, dc, clip, extent, useGdiPlus_).Act(item);
    case kShapeFilledDonutSegment:
        if (useGdiPlus_) return FilledDonutSegmentRenderer(map, dc, clip, extent).Act(item);
        return DonutSegmentRenderer(map, dc, clip, extent, false).Act(item);
    default:
        return true;
    }
}

bool CircleRenderer::Act(const ShapeInfo& item) {
    auto* circle = dynamic_cast<const CircleInfo*>(&item);
    if (!circle) return true;
    const PixelCircle c = ScreenCircle(Map(), circle->latitude, circle->longitude, circle->radius);
    const Reach reach = ReachOf(c);
    if (reach == Reach::kMisses) return true;
    const OutlineStyle style = OutlineOf<HollowCircleInfo>(Dc(), item, circle->colour);
    const RECT box = BoxOf(c);
    if (useGdiPlus_) {
        SmoothGraphics graphics(Dc());
        OutlinePen pen(style);
        if (reach == Reach::kFits)
            graphics.DrawEllipse(&pen, static_cast<INT>(box.left), static_cast<INT>(box.top),
                                 static_cast<INT>(Width(box)), static_cast<INT>(Height(box)));
        else
            shapepaths::DrawPolylines(graphics, pen, ArcInBound(c, kFullTurn, Bound()));
    } else {
        GdiOutline outline(Dc(), style);
        if (reach == Reach::kFits)
            ::Ellipse(Dc(), box.left, box.top, box.right, box.bottom);
        else
            shapepaths::DrawPolylines(Dc(), ArcInBound(c, kFullTurn, Bound()));
    }
    return true;
}

bool FilledCircleRenderer::Act(const ShapeInfo& item) {
    auto* circle = dynamic_cast<const FilledCircleInfo*>(&item);
    if (!circle) return true;
    const PixelCircle c = ScreenCircle(Map(), circle->latitude, circle->longitude, circle->radius);
    const Reach reach = ReachOf(c);
    if (reach == Reach::kMisses) return true;
    SmoothGraphics graphics(Dc());
    FillBrush brush(circle->colour, circle->opacity);
    if (reach == Reach::kFits) {
        const RECT box = BoxOf(c);
        graphics.FillEllipse(&brush, static_cast<INT>(box.left), static_cast<INT>(box.top),
                             static_cast<INT>(Width(box)), static_cast<INT>(Height(box)));
    } else {
        Gdiplus::GraphicsPath area(Gdiplus::FillModeAlternate);
        shapepaths::AddPolygons(area, AreaInBound(c, kFullTurn, Bound()));
        graphics.FillPath(&brush, &area);
    }
    return true;
}

bool PieRenderer::Act(const ShapeInfo& item) {
    auto* pie = dynamic_cast<const PieInfo*>(&item);
    if (!pie) return true;
    const PixelCircle c = ScreenCircle(Map(), pie->latitude, pie->longitude, pie->radius);
    const Reach reach = ReachOf(c);
    if (reach == Reach::kMisses) return true;
    const OutlineStyle style = OutlineOf<HollowPieInfo>(Dc(), item, pie->colour);
    const RECT box = BoxOf(c);
    if (useGdiPlus_) {
        SmoothGraphics graphics(Dc());
        OutlinePen pen(style);
        if (reach == Reach::kFits) {
            const Sector s = GdiplusSector(pie->startAngle, pie->endAngle);
            graphics.DrawPie(&pen, static_cast<INT>(box.left), static_cast<INT>(box.top), static_cast<INT>(Width(box)),
                             static_cast<INT>(Height(box)), s.start, s.sweep);
        } else {
            shapepaths::DrawPolylines(graphics, pen,
                                      PieOutlineInBound(c, ShapeSector(pie->startAngle, pie->endAngle), Bound()));
        }
    } else {
        GdiOutline outline(Dc(), style);
        if (reach == Reach::kFits)
            GdiPie(Dc(), box, CentreOf(c), static_cast<long>(c.r), pie->startAngle, pie->endAngle);
        else
            shapepaths::DrawPolylines(Dc(), PieOutlineInBound(c, ShapeSector(pie->startAngle, pie->endAngle), Bound()));
    }
    return true;
}

bool FilledPieRenderer::Act(const ShapeInfo& item) {
    auto* pie = dynamic_cast<const FilledPieInfo*>(&item);
    if (!pie) return true;
    const PixelCircle c = ScreenCircle(Map(), pie->latitude, pie->longitude, pie->radius);
    const Reach reach = ReachOf(c);
    if (reach == Reach::kMisses) return true;
    SmoothGraphics graphics(Dc());
    FillBrush brush(pie->colour, pie->opacity);
    if (reach == Reach::kFits) {
        const RECT box = BoxOf(c);
        const Sector s = GdiplusSector(pie->startAngle, pie->endAngle);
        graphics.FillPie(&brush, static_cast<INT>(box.left), static_cast<INT>(box.top), static_cast<INT>(Width(box)),
                         static_cast<INT>(Height(box)), s.start, s.sweep);
    } else {
        Gdiplus::GraphicsPath area(Gdiplus::FillModeAlternate);
        shapepaths::AddPolygons(area, AreaInBound(c, ShapeSector(pie->startAngle, pie->endAngle), Bound()));
        graphics.FillPath(&brush, &area);
    }
    return true;
}

bool DonutSegmentRenderer::Act(const ShapeInfo& item) {
    auto* donut = dynamic_cast<const DonutSegmentInfo*>(&item);
    if (!donut) return true;
    const DonutCircles circles = DonutCirclesOf(Map(), *donut);
    const Reach reach = ReachOf(circles.outer);
    if (reach == Reach::kMisses) return true;
    const bool fits = reach == Reach::kFits;
    const OutlineStyle style = OutlineOf<HollowDonutSegmentInfo>(Dc(), item, donut->colour);
    const SectorAngles sector = ShapeSector(donut->startAngle, donut->endAngle);
    // Beyond the bound: both pies' arcs and radial edges inside it.
    std::vector<PixelPath> outlines;
    if (!fits) {
        outlines = PieOutlineInBound(circles.outer, sector, Bound());
        const std::vector<PixelPath> inner = PieOutlineInBound(circles.inner, sector, Bound());
        outlines.insert(outlines.end(), inner.begin(), inner.end());
    }
    const RECT outerBox = BoxOf(circles.outer), innerBox = BoxOf(circles.inner);
    const POINT centre = CentreOf(circles.outer);
    if (useGdiPlus_) {
        SmoothGraphics graphics(Dc());
        if (circles.inner.r > 0) ClipAwayInnerPie(graphics, Clip(), circles.inner, *donut, fits);
        OutlinePen pen(style);
        if (!fits) {
            shapepaths::DrawPolylines(graphics, pen, outlines);
            return true;
        }
        const Sector s = GdiplusSector(donut->startAngle, donut->endAngle);
        graphics.DrawPie(&pen, static_cast<INT>(outerBox.left), static_cast<INT>(outerBox.top),
                         static_cast<INT>(Width(outerBox)), static_cast<INT>(Height(outerBox)), s.start, s.sweep);
        graphics.DrawPie(&pen, static_cast<INT>(innerBox.left), static_cast<INT>(innerBox.top),
                         static_cast<INT>(Width(innerBox)), static_cast<INT>(Height(innerBox)), s.start, s.sweep);
        return true;
    }
    // The cut-out is taken from the frame's own clip (or the clip rectangle when the frame has
    // none), and that clip is put back afterwards: the engine and the print path clip frames.
    SavedClip saved(Dc());
    if (circles.inner.r > 0) {
        if (!saved.HasClip()) {
            platform::UniqueHRgn rectangle(::CreateRectRgnIndirect(&Clip()));
            ::SelectClipRgn(Dc(), rectangle.Get());
        }
        const CutOut cut = DonutCutOut(donut->startAngle, donut->endAngle);
        ::BeginPath(Dc());
        if (fits) {
            GdiPie(Dc(), innerBox, centre, static_cast<long>(circles.inner.r), cut.start, cut.end);
        } else {
            for (const PixelPath& polygon : AreaInBound(circles.inner, ShapeSector(cut.start, cut.end), Bound())) {
                const std::vector<POINT> points = WholePoints(polygon);
                ::Polygon(Dc(), points.data(), static_cast<int>(points.size()));
            }
        }
        ::EndPath(Dc());
        ::SelectClipPath(Dc(), RGN_DIFF);
    }
    GdiOutline outline(Dc(), style);
    if (!fits) {
        shapepaths::DrawPolylines(Dc(), outlines);
        return true;
    }
    GdiPie(Dc(), innerBox, centre, static_cast<long>(circles.inner.r), donut->startAngle, donut->endAngle);
    GdiPie(Dc(), outerBox, centre, static_cast<long>(circles.outer.r), donut->startAngle, donut->endAngle);
    return true;
}

bool FilledDonutSegmentRenderer::Act(const ShapeInfo& item) {
    auto* donut = dynamic_cast<const FilledDonutSegmentInfo*>(&item);
    if (!donut) return true;
    const DonutCircles circles = DonutCirclesOf(Map(), *donut);
    const Reach reach = ReachOf(circles.outer);
    if (reach == Reach::kMisses) return true;
    const bool fits = reach == Reach::kFits;
    SmoothGraphics graphics(Dc());
    if (circles.inner.r > 0) ClipAwayInnerPie(graphics, Clip(), circles.inner, *donut, fits);
    FillBrush brush(donut->colour, donut->opacity);
    if (fits) {
        const RECT outerBox = BoxOf(circles.outer);
        const Sector s = GdiplusSector(donut->startAngle, donut->endAngle);
        graphics.FillPie(&brush, static_cast<INT>(outerBox.left), static_cast<INT>(outerBox.top),
                         static_cast<INT>(Width(outerBox)), static_cast<INT>(Height(outerBox)), s.start, s.sweep);
    } else {
        Gdiplus::GraphicsPath area(Gdiplus::FillModeAlternate);
        shapepaths::AddPolygons(area, AreaInBound(circles.outer, ShapeSector(donut->startAngle, donut->endAngle), Bound()));
        graphics.FillPath(&brush, &area);
    }
    return true;
}
