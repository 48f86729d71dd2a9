// Shapes far larger than the view. A radius of a million metres on a street map, or of 1e308 in
// any unit, gives pixel radii and boxes far past what GDI (27-bit coordinates) and GDI+ (which
// flattens the whole figure) can draw in bounded time. Nothing of a shape can show outside a
// bound a few times the view around the view, so a shape whose box leaves that bound is drawn as
// the part of it inside the bound: its arcs and edges as polylines, its area as convex polygons,
// all in moderate coordinates. Shapes inside the bound are drawn as they are.
#pragma once

#include <windows.h>

#include <vector>

struct PixelPoint {
    double x, y;
};
using PixelPath = std::vector<PixelPoint>;

// A circle in device pixels, centre and radius in double precision (the radius may be infinite).
struct PixelCircle {
    double cx, cy, r;
};

// Shape angles, degrees from north clockwise: the start and the sweep (0 to 360; 360 a full turn).
struct SectorAngles {
    double start, sweep;
};
constexpr SectorAngles kFullTurn = {0.0, 360.0};

// The rectangle outside which nothing drawn can show in a clip rectangle.
struct DrawingBound {
    double left, top, right, bottom;
};
// `clip` grown on every side by twice its diagonal and the widest pen.
DrawingBound BoundAround(const RECT& clip);

// Whether the circle's box overlaps `clip` (never for a radius of 0 or less, or not a number).
bool BoxMeets(const PixelCircle& circle, const RECT& clip);
// Whether the circle's box lies inside the bound, so that it can be drawn as it is.
bool FitsIn(const PixelCircle& circle, const DrawingBound& bound);
// The circle's box in whole pixels; meaningful only for a circle that fits a bound.
RECT BoxOf(const PixelCircle& circle);

// The sector's arc inside the bound, as polylines.
std::vector<PixelPath> ArcInBound(const PixelCircle& circle, SectorAngles sector, const DrawingBound& bound);
// The radial edge at `angle` from `from` to `to` pixels away from the centre, inside the bound;
// empty when it misses the bound.
PixelPath RadiusInBound(const PixelCircle& circle, double angle, double from, double to, const DrawingBound& bound);
// A pie's outline inside the bound: its arc and its two radial edges (one for a whole turn).
std::vector<PixelPath> PieOutlineInBound(const PixelCircle& circle, SectorAngles sector, const DrawingBound& bound);
// The sector's area inside the bound, as convex polygons that do not overlap.
std::vector<PixelPath> AreaInBound(const PixelCircle& circle, SectorAngles sector, const DrawingBound& bound);
