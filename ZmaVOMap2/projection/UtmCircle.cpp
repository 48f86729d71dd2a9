#include "ZmaVOMap2/projection/UtmCircle.h"

#include <cmath>

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kEarthRadius = 6.3e6;  // a little less than the smallest radius of curvature
// The linear estimate is trusted only away from the poles and for circles of local size.
constexpr double kLinearLatitudeLimit = 80.0;
constexpr double kLinearRadiusLimit = 200e3;

}  // namespace

bool UtmCircle::Init(double latitude, double longitude, double radiusMetres) noexcept {
    radiusSquared_ = -1;
    CCoordinate centre;
    if (!utm_.InitUTM(latitude, longitude) ||
        !utm_.ForwardProjection(CCoordinate(longitude, latitude, 0, CCoordinate::kGeographic), centre) ||
        !(radiusMetres >= 0))
        return false;
    latitude_ = latitude;
    longitude_ = longitude;
    centreX_ = centre.GetX();
    centreY_ = centre.GetY();
    radiusSquared_ = radiusMetres * radiusMetres;

    // On the ground no point within the radius is further than the radius over the smallest
    // scale of the zone (0.9996); twice that in degrees bounds the box generously.
    latitudeReach_ = 2.0 * radiusMetres / 110000.0;
    const double farthest = std::fabs(latitude) + latitudeReach_;
    longitudeReach_ = farthest < 89.0 ? 2.0 * radiusMetres / (111000.0 * std::cos(farthest * kPi / 180.0)) : 360.0;

    surelyInside_ = surelyOutside_ = -1;
    if (std::fabs(latitude) > kLinearLatitudeLimit || radiusMetres > kLinearRadiusLimit || radiusMetres == 0) return true;
    // The projection's derivatives at the centre, from points a small step away.
    const double step = 1e-4;
    CCoordinate east, north;
    if (!utm_.ForwardProjection(CCoordinate(longitude + step, latitude, 0, CCoordinate::kGeographic), east) ||
        !utm_.ForwardProjection(CCoordinate(longitude, latitude + step, 0, CCoordinate::kGeographic), north))
        return true;
    xPerLon_ = (east.GetX() - centreX_) / step;
    yPerLon_ = (east.GetY() - centreY_) / step;
    xPerLat_ = (north.GetX() - centreX_) / step;
    yPerLat_ = (north.GetY() - centreY_) / step;
    // The linear estimate's relative error grows with the distance over the earth's radius and
    // with the meridians' convergence (tan of the latitude); the margin is several times that,
    // plus 1 % for the finite-difference derivatives and rounding.
    const double reach = std::fabs(latitude) + latitudeReach_;
    const double relative =
        0.01 + 8.0 * (radiusMetres / kEarthRadius) * (1.0 + std::tan(std::fmin(reach, kLinearLatitudeLimit + 5) * kPi / 180.0));
    if (relative >= 0.5) return true;
    const double inner = 1.0 - relative, outer = 1.0 + relative;
    surelyInside_ = radiusSquared_ * inner * inner;
    surelyOutside_ = radiusSquared_ * outer * outer;
    return true;
}

bool UtmCircle::ContainsExactly(double longitude, double latitude) const noexcept {
    CCoordinate p;
    if (!utm_.ForwardProjection(CCoordinate(longitude, latitude, 0, CCoordinate::kGeographic), p)) return false;
    const double dx = p.GetX() - centreX_, dy = p.GetY() - centreY_;
    return dx * dx + dy * dy <= radiusSquared_;
}

bool UtmCircle::Contains(double longitude, double latitude) const noexcept {
    if (radiusSquared_ < 0) return false;
    const double dLat = latitude - latitude_;
    const double dLon = std::remainder(longitude - longitude_, 360.0);
    if (std::fabs(dLat) > latitudeReach_ || std::fabs(dLon) > longitudeReach_) return false;
    if (surelyInside_ >= 0) {
        const double x = xPerLon_ * dLon + xPerLat_ * dLat, y = yPerLon_ * dLon + yPerLat_ * dLat;
        const double estimate = x * x + y * y;
        if (estimate < surelyInside_) return true;
        if (estimate > surelyOutside_) return false;
    }
    return ContainsExactly(longitude, latitude);
}
