#include "ZmaVOMap2/projection/CoordinateSystem.h"

#include <cmath>

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kDegree = kPi / 180.0;
// WGS84.
constexpr double kSemiMajor = 6378137.0;
constexpr double kFlattening = 1.0 / 298.257223563;
// UTM.
constexpr double kScale = 0.9996;
constexpr double kFalseEasting = 500000.0;
constexpr double kSouthFalseNorthing = 10000000.0;

struct Series {
    double n, e, radius;  // third flattening, eccentricity, rectifying radius times the scale
    double alpha[3], beta[3], delta[3];
};

const Series& Krueger() {
    static const Series s = [] {
        Series r{};
        const double n = kFlattening / (2.0 - kFlattening);
        const double n2 = n * n, n3 = n2 * n;
        r.n = n;
        r.e = std::sqrt(kFlattening * (2.0 - kFlattening));
        r.radius = kScale * kSemiMajor / (1.0 + n) * (1.0 + n2 / 4.0 + n2 * n2 / 64.0);
        r.alpha[0] = n / 2.0 - 2.0 * n2 / 3.0 + 5.0 * n3 / 16.0;
        r.alpha[1] = 13.0 * n2 / 48.0 - 3.0 * n3 / 5.0;
        r.alpha[2] = 61.0 * n3 / 240.0;
        r.beta[0] = n / 2.0 - 2.0 * n2 / 3.0 + 37.0 * n3 / 96.0;
        r.beta[1] = n2 / 48.0 + n3 / 15.0;
        r.beta[2] = 17.0 * n3 / 480.0;
        r.delta[0] = 2.0 * n - 2.0 * n2 / 3.0 - 2.0 * n3;
        r.delta[1] = 7.0 * n2 / 3.0 - 8.0 * n3 / 5.0;
        r.delta[2] = 56.0 * n3 / 15.0;
        return r;
    }();
    return s;
}

double CentralMeridian(int zone) { return (zone * 6.0 - 183.0) * kDegree; }

}  // namespace

int CCoordinateSystem::ZoneOf(double latitude, double longitude) noexcept {
    double lon = std::fmod(longitude + 180.0, 360.0);
    if (lon < 0) lon += 360.0;
    int zone = static_cast<int>(lon / 6.0) + 1;
    if (zone > 60) zone = 60;
    lon -= 180.0;
    // South-west Norway is zone 32 west of 12 degrees east.
    if (latitude >= 56.0 && latitude < 64.0 && lon >= 3.0 && lon < 12.0) zone = 32;
    // Svalbard uses the odd zones 31, 33, 35 and 37 only.
    if (latitude >= 72.0 && latitude < 84.0 && lon >= 0.0 && lon < 42.0) {
        if (lon < 9.0) zone = 31;
        else if (lon < 21.0) zone = 33;
        else if (lon < 33.0) zone = 35;
        else zone = 37;
    }
    return zone;
}

void CCoordinateSystem::InitUTM(double latitude, double longitude) noexcept {
    SetZone(ZoneOf(latitude, longitude), latitude >= 0.0);
}

void CCoordinateSystem::SetZone(int zone, bool north) noexcept {
    zone_ = zone;
    north_ = north;
}

bool CCoordinateSystem::ForwardProjection(const CCoordinate& geographic, CCoordinate& projected) const noexcept {
    if (!IsInitialised() || geographic.GetKind() != CCoordinate::kGeographic) return false;
    const double phi = geographic.GetY() * kDegree;
    if (!(std::fabs(phi) < kPi / 2.0)) return false;
    const Series& s = Krueger();
    double lambda = geographic.GetX() * kDegree - CentralMeridian(zone_);
    lambda = std::remainder(lambda, 2.0 * kPi);

    const double sinPhi = std::sin(phi);
    const double t = std::sinh(std::atanh(sinPhi) - s.e * std::atanh(s.e * sinPhi));
    const double xiPrime = std::atan2(t, std::cos(lambda));
    const double etaPrime = std::atanh(std::sin(lambda) / std::sqrt(1.0 + t * t));
    double xi = xiPrime, eta = etaPrime;
    for (int j = 1; j <= 3; ++j) {
        xi += s.alpha[j - 1] * std::sin(2.0 * j * xiPrime) * std::cosh(2.0 * j * etaPrime);
        eta += s.alpha[j - 1] * std::cos(2.0 * j * xiPrime) * std::sinh(2.0 * j * etaPrime);
    }
    const double easting = kFalseEasting + s.radius * eta;
    const double northing = s.radius * xi + (north_ ? 0.0 : kSouthFalseNorthing);
    projected = CCoordinate(easting, northing, geographic.GetZ(), CCoordinate::kProjected);
    return std::isfinite(easting) && std::isfinite(northing);
}

bool CCoordinateSystem::InverseProjection(const CCoordinate& projected, CCoordinate& geographic) const noexcept {
    if (!IsInitialised() || projected.GetKind() != CCoordinate::kProjected) return false;
    const Series& s = Krueger();
    const double xi = (projected.GetY() - (north_ ? 0.0 : kSouthFalseNorthing)) / s.radius;
    const double eta = (projected.GetX() - kFalseEasting) / s.radius;
    double xiPrime = xi, etaPrime = eta;
    for (int j = 1; j <= 3; ++j) {
        xiPrime -= s.beta[j - 1] * std::sin(2.0 * j * xi) * std::cosh(2.0 * j * eta);
        etaPrime -= s.beta[j - 1] * std::cos(2.0 * j * xi) * std::sinh(2.0 * j * eta);
    }
    const double chi = std::asin(std::sin(xiPrime) / std::cosh(etaPrime));
    double phi = chi;
    for (int j = 1; j <= 3; ++j) phi += s.delta[j - 1] * std::sin(2.0 * j * chi);
    const double lambda = CentralMeridian(zone_) + std::atan2(std::sinh(etaPrime), std::cos(xiPrime));
    geographic = CCoordinate(std::remainder(lambda, 2.0 * kPi) / kDegree, phi / kDegree, projected.GetZ(),
                             CCoordinate::kGeographic);
    return std::isfinite(phi) && std::isfinite(lambda);
}
