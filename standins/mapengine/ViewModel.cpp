#include "standins/mapengine/ViewModel.h"

#include "standins/mapengine/EngineDispatch.h"
#include "standins/mapengine/Units.h"

#include <algorithm>
#include <cmath>

namespace mapengine {

namespace {
constexpr double kMetresPerDegree = kPi * kEarthRadiusMetres / 180.0;
constexpr double kPixelsPerInch = 96.0;
constexpr long kMile = 0;
constexpr long kInch = 2;
}  // namespace

ViewModel::ViewModel()
    : centerX_(0.0), centerY_(0.0), zoomMetres_(5000.0 * 1609.344), distanceUnit_(kMile), paperUnit_(kInch),
      width_(640), height_(480) {}

void ViewModel::SetCenter(double x, double y) {
    if (!std::isfinite(x) || !std::isfinite(y) || y < -90.0 || y > 90.0) {
        Fail(E_INVALIDARG, L"The centre is outside the map");
    }
    centerX_ = x;
    centerY_ = y;
}

double ViewModel::Zoom() const { return zoomMetres_ / MetresPerUnit(distanceUnit_); }

void ViewModel::SetZoom(double zoom) {
    if (!std::isfinite(zoom) || zoom <= 0.0) Fail(E_INVALIDARG, L"The zoom must be greater than 0");
    zoomMetres_ = zoom * MetresPerUnit(distanceUnit_);
}

void ViewModel::SetDistanceUnit(long unit) {
    MetresPerUnit(unit);  // refuses unknown codes
    distanceUnit_ = unit;
}

void ViewModel::SetPaperUnit(long unit) {
    MetresPerUnit(unit);
    paperUnit_ = unit;
}

void ViewModel::SetSize(int width, int height) {
    width_ = std::max(width, 1);
    height_ = std::max(height, 1);
}

double ViewModel::CosCenter() const {
    // Near the poles the parallels shrink to nothing; keep the projection invertible there.
    return std::max(std::cos(centerY_ * kPi / 180.0), 0.01);
}

double ViewModel::PixelsPerDegree() const { return width_ * kMetresPerDegree / zoomMetres_; }

void ViewModel::ScreenToMap(double sx, double sy, double& x, double& y) const {
    double k = PixelsPerDegree();
    x = centerX_ + (sx - width_ / 2.0) / (k * CosCenter());
    y = centerY_ - (sy - height_ / 2.0) / k;
}

void ViewModel::MapToScreen(double x, double y, double& sx, double& sy) const {
    double k = PixelsPerDegree();
    sx = width_ / 2.0 + (x - centerX_) * k * CosCenter();
    sy = height_ / 2.0 - (y - centerY_) * k;
}

GeoRect ViewModel::Bounds() const {
    GeoRect r;
    ScreenToMap(0, height_, r.xmin, r.ymin);
    ScreenToMap(width_, 0, r.xmax, r.ymax);
    return r;
}

void ViewModel::ShowFromTopLeft(double x, double y, double pixelsPerDegree) {
    if (!std::isfinite(pixelsPerDegree) || pixelsPerDegree <= 0.0) Fail(E_INVALIDARG, L"The scale must be positive");
    const double centerY = y - (height_ / 2.0) / pixelsPerDegree;
    SetCenter(centerX_, centerY);
    SetCenter(x + (width_ / 2.0) / (pixelsPerDegree * CosCenter()), centerY);
    zoomMetres_ = width_ * kMetresPerDegree / pixelsPerDegree;
}

void ViewModel::SetBounds(const GeoRect& r) {
    double w = std::fabs(r.xmax - r.xmin);
    double h = std::fabs(r.ymax - r.ymin);
    if (!std::isfinite(w) || !std::isfinite(h) || (w <= 0.0 && h <= 0.0)) {
        Fail(E_INVALIDARG, L"The rectangle is empty");
    }
    SetCenter((r.xmin + r.xmax) / 2.0, (r.ymin + r.ymax) / 2.0);
    // Pixels per degree (of latitude) that fit the width and the height; the smaller one wins.
    double byWidth = w > 0 ? width_ / (w * CosCenter()) : HUGE_VAL;
    double byHeight = h > 0 ? height_ / h : HUGE_VAL;
    double k = std::min(byWidth, byHeight);
    zoomMetres_ = width_ * kMetresPerDegree / k;
}

double ViewModel::PaperWidth() const { return (width_ / kPixelsPerInch) * MetresPerUnit(kInch) / MetresPerUnit(paperUnit_); }

double ViewModel::PaperHeight() const { return (height_ / kPixelsPerInch) * MetresPerUnit(kInch) / MetresPerUnit(paperUnit_); }

double ViewModel::Distance(double x1, double y1, double x2, double y2) const {
    return GreatCircleMetres(x1, y1, x2, y2) / MetresPerUnit(distanceUnit_);
}

}  // namespace mapengine
