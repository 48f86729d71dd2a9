#include "ZmaVOMap2/raster/PixelMapping.h"

#include <cmath>

namespace raster {

std::optional<PixelMapping> PixelMapping::Fit(const std::vector<TiePoint>& points) {
    if (points.size() < 3) return std::nullopt;
    PixelMapping m;
    const double n = static_cast<double>(points.size());
    for (const TiePoint& p : points) {
        m.c0_ += p.column / n;
        m.r0_ += p.row / n;
        m.x0_ += p.x / n;
        m.y0_ += p.y / n;
    }
    // Least squares over the centred points: two normal equations for each map axis.
    double cc = 0, cr = 0, rr = 0, cx = 0, rx = 0, cy = 0, ry = 0;
    for (const TiePoint& p : points) {
        const double c = p.column - m.c0_, r = p.row - m.r0_, x = p.x - m.x0_, y = p.y - m.y0_;
        cc += c * c;
        cr += c * r;
        rr += r * r;
        cx += c * x;
        rx += r * x;
        cy += c * y;
        ry += r * y;
    }
    // Zero exactly when the pixel positions lie on one line (Cauchy-Schwarz); a sliver of the
    // product is rounding.
    const double det = cc * rr - cr * cr;
    if (!(det > 1e-9 * cc * rr)) return std::nullopt;
    m.xc_ = (cx * rr - rx * cr) / det;
    m.xr_ = (rx * cc - cx * cr) / det;
    m.yc_ = (cy * rr - ry * cr) / det;
    m.yr_ = (ry * cc - cy * cr) / det;
    for (double v : {m.x0_, m.y0_, m.xc_, m.xr_, m.yc_, m.yr_})
        if (!std::isfinite(v)) return std::nullopt;
    return m;
}

void PixelMapping::ToMap(double column, double row, double& x, double& y) const noexcept {
    const double c = column - c0_, r = row - r0_;
    x = x0_ + xc_ * c + xr_ * r;
    y = y0_ + yc_ * c + yr_ * r;
}

}  // namespace raster
