#include "ZmaVOMap2/shapes/ShapeGeometry.h"

#include "ZmaVOMap2/layers/PenWidth.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kPi = 3.14159265358979323846;
// How far a flattened arc may stray from the true one, in pixels.
constexpr double kFlatness = 0.25;

double Radians(double degrees) { return degrees * kPi / 180.0; }

// The point at shape angle `theta` (radians from north, clockwise; y grows downwards).
PixelPoint On(const PixelCircle& c, double theta) { return {c.cx + c.r * std::sin(theta), c.cy - c.r * std::cos(theta)}; }

bool Inside(const DrawingBound& b, const PixelPoint& p) {
    return p.x >= b.left && p.x <= b.right && p.y >= b.top && p.y <= b.bottom;
}

double Normalised(double angle) {
    angle = std::fmod(angle, 2 * kPi);
    return angle < 0 ? angle + 2 * kPi : angle;
}

// What a circle is to the bound, and a circle of moderate size that the bound cannot tell from it.
struct LocalCircle {
    enum Kind { kOutside, kCovers, kCrosses } kind;
    PixelCircle circle;
};

LocalCircle Localise(const PixelCircle& c, const DrawingBound& b) {
    if (!(c.r > 0) || !std::isfinite(c.cx) || !std::isfinite(c.cy)) return {LocalCircle::kOutside, c};
    const double bx = (b.left + b.right) / 2, by = (b.top + b.bottom) / 2;
    const double half = std::hypot(b.right - b.left, b.bottom - b.top) / 2;
    if (std::isinf(c.r)) return {LocalCircle::kCovers, c};
    const double distance = std::hypot(c.cx - bx, c.cy - by);
    const double gap = distance - c.r;  // from the circumference out to the bound's centre
    if (gap >= half) return {LocalCircle::kOutside, c};
    if (-gap >= half) return {LocalCircle::kCovers, c};
    // Over the bound, a circle of this radius bends less than kFlatness away from any larger one
    // that touches it at the same point: the larger one is replaced by it, so that the arithmetic
    // stays in the range where doubles keep fractions of a pixel.
    const double local = 2 * half * half / kFlatness + 1;
    if (c.r <= local) return {LocalCircle::kCrosses, c};
    const double ux = (bx - c.cx) / distance, uy = (by - c.cy) / distance;
    return {LocalCircle::kCrosses, {bx - ux * (local + gap), by - uy * (local + gap), local}};
}

// The angles at which the circle crosses the lines of the bound's edges, in [0, 2 pi).
std::vector<double> Crossings(const PixelCircle& c, const DrawingBound& b) {
    std::vector<double> angles;
    for (double x : {b.left, b.right}) {
        const double s = (x - c.cx) / c.r;
        if (std::fabs(s) > 1) continue;
        const double a = std::asin(s);
        angles.push_back(Normalised(a));
        angles.push_back(Normalised(kPi - a));
    }
    for (double y : {b.top, b.bottom}) {
        const double k = (c.cy - y) / c.r;
        if (std::fabs(k) > 1) continue;
        const double a = std::acos(k);
        angles.push_back(Normalised(a));
        angles.push_back(Normalised(-a));
    }
    return angles;
}

// The arc of the whole circle inside the bound, from `start` on: pieces of angles relative to it.
struct Span {
    double from, to;
};
std::vector<Span> SpansInside(const PixelCircle& c, double start, const DrawingBound& b) {
    std::vector<double> cuts = {0.0, 2 * kPi};
    for (double a : Crossings(c, b)) cuts.push_back(Normalised(a - start));
    std::sort(cuts.begin(), cuts.end());
    std::vector<Span> spans;
    for (size_t i = 0; i + 1 < cuts.size(); ++i) {
        const double from = cuts[i], to = cuts[i + 1];
        if (!(to - from > 1e-12)) continue;
        if (!Inside(b, On(c, start + (from + to) / 2))) continue;
        if (!spans.empty() && spans.back().to >= from - 1e-12)
            spans.back().to = to;
        else
            spans.push_back({from, to});
    }
    // A piece across the start joins the last one to the first.
    if (spans.size() > 1 && spans.front().from <= 1e-12 && spans.back().to >= 2 * kPi - 1e-12) {
        spans.front().from = spans.back().from - 2 * kPi;
        spans.pop_back();
    }
    return spans;
}

PixelPath Flattened(const PixelCircle& c, double start, const Span& span) {
    double step = kPi / 16;
    if (c.r > kFlatness) step = std::min(step, 2 * std::acos(1 - kFlatness / c.r));
    const double length = span.to - span.from;
    const int n = std::max(1, static_cast<int>(std::ceil(length / step)));
    PixelPath path;
    path.reserve(static_cast<size_t>(n) + 1);
    for (int k = 0; k <= n; ++k) path.push_back(On(c, start + span.from + length * k / n));
    return path;
}

// The half-plane of points p with (p - origin) . normal >= 0.
struct HalfPlane {
    PixelPoint origin, normal;
    double Side(const PixelPoint& p) const { return (p.x - origin.x) * normal.x + (p.y - origin.y) * normal.y; }
    PixelPoint Cut(const PixelPoint& a, const PixelPoint& b) const {
        const double sa = Side(a), sb = Side(b), t = sa / (sa - sb);
        return {a.x + (b.x - a.x) * t, a.y + (b.y - a.y) * t};
    }
};

PixelPath ClipPolygon(const PixelPath& polygon, const HalfPlane& h) {
    PixelPath out;
    for (size_t i = 0; i < polygon.size(); ++i) {
        const PixelPoint& a = polygon[i];
        const PixelPoint& b = polygon[(i + 1) % polygon.size()];
        const bool aIn = h.Side(a) >= 0, bIn = h.Side(b) >= 0;
        if (aIn) out.push_back(a);
        if (aIn != bIn) out.push_back(h.Cut(a, b));
    }
    return out;
}

std::vector<PixelPath> ClipPolyline(const PixelPath& line, const HalfPlane& h) {
    std::vector<PixelPath> pieces;
    PixelPath current;
    for (size_t i = 0; i < line.size(); ++i) {
        const bool in = h.Side(line[i]) >= 0;
        if (i > 0 && in != (h.Side(line[i - 1]) >= 0)) {
            current.push_back(h.Cut(line[i - 1], line[i]));
            if (!in) {
                pieces.push_back(std::move(current));
                current.clear();
            }
        }
        if (in) current.push_back(line[i]);
    }
    if (current.size() > 1) pieces.push_back(std::move(current));
    pieces.erase(std::remove_if(pieces.begin(), pieces.end(), [](const PixelPath& p) { return p.size() < 2; }),
                 pieces.end());
    return pieces;
}

// A sector split into wedges of at most half a turn, each the meeting of two half-planes through
// the centre.
std::vector<std::pair<HalfPlane, HalfPlane>> Wedges(const PixelCircle& c, SectorAngles sector) {
    std::vector<std::pair<HalfPlane, HalfPlane>> wedges;
    const double start = Radians(sector.start), sweep = Radians(sector.sweep);
    const int parts = sweep > kPi ? 2 : 1;
    const PixelPoint centre = {c.cx, c.cy};
    for (int i = 0; i < parts; ++i) {
        const double from = start + sweep * i / parts, to = start + sweep * (i + 1) / parts;
        // Clockwise of the first edge, and anticlockwise of the second.
        const HalfPlane after = {centre, {std::sin(from + kPi / 2), -std::cos(from + kPi / 2)}};
        const HalfPlane before = {centre, {std::sin(to - kPi / 2), -std::cos(to - kPi / 2)}};
        wedges.push_back({after, before});
    }
    return wedges;
}

bool WholeTurn(SectorAngles sector) { return !(sector.sweep < 360.0); }

// The disc inside the bound: one convex polygon.
PixelPath DiscInBound(const LocalCircle& local, const DrawingBound& b) {
    const PixelPath corners = {{b.left, b.top}, {b.right, b.top}, {b.right, b.bottom}, {b.left, b.bottom}};
    if (local.kind == LocalCircle::kCovers) return corners;
    if (local.kind == LocalCircle::kOutside) return {};
    const PixelCircle& c = local.circle;
    PixelPath points;
    for (const Span& span : SpansInside(c, 0, b)) {
        const PixelPath arc = Flattened(c, 0, span);
        points.insert(points.end(), arc.begin(), arc.end());
    }
    for (const PixelPoint& corner : corners)
        if (std::hypot(corner.x - c.cx, corner.y - c.cy) < c.r) points.push_back(corner);
    if (points.size() < 3) return {};
    // Convex: the points in the order of their angle around a point inside.
    PixelPoint middle = {0, 0};
    for (const PixelPoint& p : points) middle.x += p.x, middle.y += p.y;
    middle.x /= points.size(), middle.y /= points.size();
    std::sort(points.begin(), points.end(), [&](const PixelPoint& a, const PixelPoint& p) {
        return std::atan2(a.y - middle.y, a.x - middle.x) < std::atan2(p.y - middle.y, p.x - middle.x);
    });
    return points;
}

}  // namespace

DrawingBound BoundAround(const RECT& clip) {
    const double width = clip.right - clip.left, height = clip.bottom - clip.top;
    const double margin = 2 * std::hypot(width, height) + penwidth::kWidest;
    return {clip.left - margin, clip.top - margin, clip.right + margin, clip.bottom + margin};
}

bool BoxMeets(const PixelCircle& c, const RECT& clip) {
    if (!(c.r > 0) || !std::isfinite(c.cx) || !std::isfinite(c.cy)) return false;
    return c.cx - c.r < clip.right && c.cx + c.r > clip.left && c.cy - c.r < clip.bottom && c.cy + c.r > clip.top;
}

bool FitsIn(const PixelCircle& c, const DrawingBound& b) {
    return c.cx - c.r >= b.left && c.cx + c.r <= b.right && c.cy - c.r >= b.top && c.cy + c.r <= b.bottom;
}

RECT BoxOf(const PixelCircle& c) {
    // Held to a range that cannot overflow, for circles that do not fit any bound.
    auto held = [](double v) { return static_cast<LONG>(std::isnan(v) ? 0 : std::max(-1e9, std::min(v, 1e9))); };
    const LONG x = held(c.cx), y = held(c.cy), r = held(c.r);
    return {x - r, y - r, x + r, y + r};
}

std::vector<PixelPath> ArcInBound(const PixelCircle& circle, SectorAngles sector, const DrawingBound& bound) {
    const LocalCircle local = Localise(circle, bound);
    if (local.kind != LocalCircle::kCrosses) return {};
    std::vector<PixelPath> arcs;
    for (const Span& span : SpansInside(local.circle, 0, bound)) arcs.push_back(Flattened(local.circle, 0, span));
    if (WholeTurn(sector)) return arcs;
    std::vector<PixelPath> inSector;
    for (const auto& wedge : Wedges(circle, sector))
        for (const PixelPath& arc : arcs)
            for (const PixelPath& piece : ClipPolyline(arc, wedge.first))
                for (PixelPath& part : ClipPolyline(piece, wedge.second)) inSector.push_back(std::move(part));
    return inSector;
}

PixelPath RadiusInBound(const PixelCircle& circle, double angle, double from, double to, const DrawingBound& b) {
    const double dx = std::sin(Radians(angle)), dy = -std::cos(Radians(angle));
    double low = from, high = to;
    // Liang and Barsky: the stretch of the ray inside each pair of edges.
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {circle.cx - b.left, b.right - circle.cx, circle.cy - b.top, b.bottom - circle.cy};
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0) {
            if (q[i] < 0) return {};
            continue;
        }
        const double t = q[i] / p[i];
        if (p[i] < 0)
            low = std::max(low, t);
        else
            high = std::min(high, t);
    }
    if (!(low <= high)) return {};
    return {{circle.cx + dx * low, circle.cy + dy * low}, {circle.cx + dx * high, circle.cy + dy * high}};
}

std::vector<PixelPath> PieOutlineInBound(const PixelCircle& circle, SectorAngles sector, const DrawingBound& bound) {
    std::vector<PixelPath> outline = ArcInBound(circle, sector, bound);
    const int edges = WholeTurn(sector) ? 1 : 2;
    for (int i = 0; i < edges; ++i) {
        PixelPath edge = RadiusInBound(circle, sector.start + i * sector.sweep, 0, circle.r, bound);
        if (!edge.empty()) outline.push_back(std::move(edge));
    }
    return outline;
}

std::vector<PixelPath> AreaInBound(const PixelCircle& circle, SectorAngles sector, const DrawingBound& bound) {
    PixelPath disc = DiscInBound(Localise(circle, bound), bound);
    if (disc.empty()) return {};
    if (WholeTurn(sector)) return {disc};
    std::vector<PixelPath> areas;
    for (const auto& wedge : Wedges(circle, sector)) {
        PixelPath part = ClipPolygon(ClipPolygon(disc, wedge.first), wedge.second);
        if (part.size() >= 3) areas.push_back(std::move(part));
    }
    return areas;
}
