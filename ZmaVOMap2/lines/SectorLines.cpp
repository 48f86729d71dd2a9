#include "ZmaVOMap2/lines/SectorLines.h"

#include "ZmaVOMap2/layers/HostColour.h"
#include "ZmaVOMap2/layers/PenWidth.h"
#include "ZmaVOMap2/lines/LineGeometry.h"
#include "ZmaVOMap2/overlays/RolloverTip.h"
#include "platform/Gdiplus.h"
#include "platform/Result.h"
#include "platform/UniqueHandle.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <memory>

namespace {

// The angle constant of the arrow geometry, kept as the drawn arrows always had it.
constexpr double kP = 3.141596;
constexpr int kHitTolerance = 3;

int Scaled(HDC dc, int n) { return ::MulDiv(n, ::GetDeviceCaps(dc, LOGPIXELSY), 96); }

// The direction of the segment in [0, 2P), y downwards.
double Direction(POINT from, POINT to) {
    const double dx = to.x - from.x, dy = to.y - from.y;
    const double length = std::sqrt(dx * dx + dy * dy);
    const double b = std::acos(std::fabs(dx) / length);
    if (dx >= 0 && dy >= 0) return b;
    if (dx < 0 && dy >= 0) return kP - b;
    if (dx < 0) return kP + b;
    return 2 * kP - b;
}

struct Wings {
    double x1, y1, x2, y2;
};

// The two wing ends of an open arrow whose tip is at (tipX, tipY), pointing along `angle`.
Wings ArrowWings(HDC dc, double tipX, double tipY, double angle) {
    const double back = Scaled(dc, 10), half = Scaled(dc, 7);
    const double bx = tipX - back * std::cos(angle), by = tipY - back * std::sin(angle);
    return {bx + half * std::cos(angle - 0.5 * kP), by + half * std::sin(angle - 0.5 * kP),
            bx + half * std::cos(angle + 0.5 * kP), by + half * std::sin(angle + 0.5 * kP)};
}

int PenWidth(HDC dc, const SectorLine& line) { return penwidth::DevicePixels(line.lineWidth, Scaled(dc, 3)); }

bool SameEnds(const POINT& a, const POINT& b) { return a.x == b.x && a.y == b.y; }

// Whether any of an arrowhead with its tip at `marker` can show in `rect`: its wings reach s(10)
// back and s(7) aside from the tip, the pen's width further. A tip far outside (a proportion of
// 1e308) or not a number is not drawn at all: drawing towards it would take without end.
bool ArrowCanShow(HDC dc, const RECT& rect, const MarkerPoint& marker, int penWidth) {
    if (!std::isfinite(marker.x) || !std::isfinite(marker.y)) return false;
    const double reach = Scaled(dc, 17) + penWidth;
    return marker.x >= rect.left - reach && marker.x <= rect.right + reach && marker.y >= rect.top - reach &&
           marker.y <= rect.bottom + reach;
}

}  // namespace

double LengthSquared(double x, double y) { return x * x + y * y; }

bool SectorLineHit(POINT cursor, POINT start, POINT end) { return IsCursorOnLine(cursor, start, end, kHitTolerance); }

// --- Renderer --------------------------------------------------------------------------------------

SectorLineRenderer::SectorLineRenderer(bool antiAlias, HDC dc, const RECT& drawingRect)
    : dc_(dc), rect_(drawingRect), antiAlias_(antiAlias) {}

bool SectorLineRenderer::operator()(const POINT& start, const POINT& end, const MarkerPoint& marker,
                                    const SectorLine& line, long /*index*/) {
    try {
        if (antiAlias_)
            DrawGdiPlus(start, end, marker, line);
        else
            DrawGdi(start, end, marker, line);
    }
    CATCH_SWALLOW("one line that cannot be drawn must not keep the others from being drawn");
    return true;
}

void SectorLineRenderer::DrawGdiDashes(HDC dc, const RECT& clip, POINT from, POINT to) {
    const double dx = to.x - from.x, dy = to.y - from.y;
    const long length = static_cast<long>(std::sqrt(dx * dx + dy * dy));
    long dash = Scaled(dc, 20);
    if (length - dash < 0) return;
    const double ux = dx / length, uy = dy / length;
    long pos = 0;
    do {
        const POINT p = {from.x + static_cast<long>(pos * ux), from.y + static_cast<long>(pos * uy)};
        if (::PtInRect(&clip, p)) {
            ::MoveToEx(dc, p.x, p.y, nullptr);
            ::LineTo(dc, from.x + static_cast<long>((pos + dash) * ux), from.y + static_cast<long>((pos + dash) * uy));
        }
        pos += 2 * dash;
        // The last dash is shortened to end where the line ends.
        if (pos < length && pos > length - dash) dash = length - pos;
    } while (pos <= length - dash);
}

void SectorLineRenderer::DrawGdi(const POINT& start, const POINT& end, const MarkerPoint& marker, const SectorLine& line) {
    COLORREF colour = 0;
    ReadHostColour(line.lineColor, colour);
    platform::UniqueHPen pen(::CreatePen(PS_SOLID, PenWidth(dc_, line), colour));
    const HGDIOBJ old = ::SelectObject(dc_, pen.Get());
    if (line.lineType == 0) {
        ::MoveToEx(dc_, start.x, start.y, nullptr);
        ::LineTo(dc_, end.x, end.y);
    } else {
        DrawGdiDashes(dc_, rect_, start, end);
    }
    // Two ends on one pixel give no direction: such a line gets no arrow.
    if (line.drawArrow && !SameEnds(start, end) && ArrowCanShow(dc_, rect_, marker, PenWidth(dc_, line))) {
        const double tipX = std::floor(marker.x + 0.5), tipY = std::floor(marker.y + 0.5);
        const Wings w = ArrowWings(dc_, tipX, tipY, Direction(start, end));
        ::MoveToEx(dc_, static_cast<long>(w.x1), static_cast<long>(w.y1), nullptr);
        ::LineTo(dc_, static_cast<long>(tipX), static_cast<long>(tipY));
        ::LineTo(dc_, static_cast<long>(w.x2), static_cast<long>(w.y2));
    }
    ::SelectObject(dc_, old);
}

void SectorLineRenderer::DrawGdiPlus(const POINT& start, const POINT& end, const MarkerPoint& marker,
                                     const SectorLine& line) {
    COLORREF colour = 0;
    ReadHostColour(line.lineColor, colour);
    Gdiplus::Graphics graphics(dc_);
    graphics.SetSmoothingMode(Gdiplus::SmoothingModeAntiAlias);
    Gdiplus::Pen pen(Gdiplus::Color(255, GetRValue(colour), GetGValue(colour), GetBValue(colour)),
                     static_cast<Gdiplus::REAL>(PenWidth(dc_, line)));
    switch (line.lineType) {
    case 0: pen.SetDashStyle(Gdiplus::DashStyleSolid); break;
    case 2: pen.SetDashStyle(Gdiplus::DashStyleDot); break;
    case 3: pen.SetDashStyle(Gdiplus::DashStyleDashDot); break;
    case 4: pen.SetDashStyle(Gdiplus::DashStyleDashDotDot); break;
    default: pen.SetDashStyle(Gdiplus::DashStyleDash); break;
    }
    graphics.DrawLine(&pen, static_cast<INT>(start.x), static_cast<INT>(start.y), static_cast<INT>(end.x),
                      static_cast<INT>(end.y));
    if (line.drawArrow && !SameEnds(start, end) && ArrowCanShow(dc_, rect_, marker, PenWidth(dc_, line))) {
        const Wings w = ArrowWings(dc_, marker.x, marker.y, Direction(start, end));
        graphics.DrawLine(&pen, static_cast<Gdiplus::REAL>(w.x1), static_cast<Gdiplus::REAL>(w.y1), marker.x, marker.y);
        graphics.DrawLine(&pen, static_cast<Gdiplus::REAL>(w.x2), static_cast<Gdiplus::REAL>(w.y2), marker.x, marker.y);
    }
}

// --- Hit testers -----------------------------------------------------------------------------------

bool ClickSectorLinesHitTester::operator()(const POINT& start, const POINT& end, const MarkerPoint& /*marker*/,
                                           const SectorLine& /*line*/, long index) {
    if (!SectorLineHit(cursor_, start, end)) return true;
    hitIndex_ = index;
    hit_ = true;
    return false;
}

bool RolloverSectorLinesHitTester::operator()(const POINT& start, const POINT& end, const MarkerPoint& /*marker*/,
                                              const SectorLine& line, long /*index*/) {
    if (!SectorLineHit(cursor_, start, end)) return true;
    ShowRolloverTip(cursor_, platform::ToAnsi(line.toolTip.Wide()), start.x | start.y, layer_);
    hit_ = true;
    return false;
}
