#include "ZmaVOMap2/engine/ScreenProjection.h"

#include "ZmaVOMap2/engine/EngineDispatch.h"
#include "ZmaVOMap2/engine/EngineMembers.h"
#include "platform/Result.h"

#include <cfloat>
#include <cmath>

using platform::Variant;

namespace {

// Largest difference, in pixels, between a probe and the transformation that still counts as
// the same value: a few units in the last place of a single-precision screen coordinate (the
// probes themselves are rounded to single precision, which bounds the transformation's error in
// the view to about three half units).
constexpr double kTolerance = 3e-4;

}  // namespace

void ScreenProjection::EngineToScreen(double x, double y, float& sx, float& sy) const {
    if (!map_) platform::ThrowHr(E_POINTER);
    const EngineScreenPoint p = EngineMapToScreen(EngineDispatch(map_.Get()), x, y);
    sx = p.x;
    sy = p.y;
}

void ScreenProjection::ToScreen(double x, double y, float& sx, float& sy) const {
    if (!affine_) return EngineToScreen(x, y, sx, sy);
    sx = static_cast<float>(ax_ + bx_ * x + cx_ * y);
    sy = static_cast<float>(ay_ + by_ * x + cy_ * y);
}

void ScreenProjection::Prepare(const ZmaExtent& view) {
    affine_ = false;
    const double x0 = view.left, x1 = view.right, y0 = view.bottom, y1 = view.top;
    if (!(std::isfinite(x0) && std::isfinite(x1) && std::isfinite(y0) && std::isfinite(y1))) return;
    if (!(x1 - x0 > 1e-9) || !(y1 - y0 > 1e-9)) return;

    float s00x, s00y, s10x, s10y, s01x, s01y;
    EngineToScreen(x0, y0, s00x, s00y);
    EngineToScreen(x1, y0, s10x, s10y);
    EngineToScreen(x0, y1, s01x, s01y);
    bx_ = (double(s10x) - s00x) / (x1 - x0);
    by_ = (double(s10y) - s00y) / (x1 - x0);
    cx_ = (double(s01x) - s00x) / (y1 - y0);
    cy_ = (double(s01y) - s00y) / (y1 - y0);
    ax_ = s00x - bx_ * x0 - cx_ * y0;
    ay_ = s00y - by_ * x0 - cy_ * y0;

    // The transformation must reproduce further points, inside the view and out of it.
    const double checks[][2] = {{x1, y1},
                                {(x0 + x1) / 2, (y0 + y1) / 2},
                                {x0 + (x1 - x0) * 0.173, y0 + (y1 - y0) * 0.791},
                                {x0 + (x1 - x0) * 0.887, y0 + (y1 - y0) * 0.129},
                                {x0 - (x1 - x0), y1 + (y1 - y0)}};
    for (const auto& p : checks) {
        float ex, ey;
        EngineToScreen(p[0], p[1], ex, ey);
        const double px = ax_ + bx_ * p[0] + cx_ * p[1];
        const double py = ay_ + by_ * p[0] + cy_ * p[1];
        const double allowed = kTolerance + 1e-7 * (std::fabs(ex) + std::fabs(ey));
        if (std::fabs(px - ex) > allowed || std::fabs(py - ey) > allowed) return;
    }
    affine_ = true;
}
