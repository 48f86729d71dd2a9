#include "ZmaVOMap2/projection/CoordinateSystem.h"

#include <cmath>

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kDegree = kPi / 180.0;
// WGS84.
constexpr double kSemiMajorAxis = 6378137.0;
constexpr double kFlattening = 1.0 / 298.257223563;
constexpr double kScale = 0.9996;
constexpr double kFalseEasting = 500000.0;
constexpr double kFalseNorthingSouth = 10000000.0;
constexpr int kOrder = 6;

// The constants of the series in the third flattening n, computed once.
struct Series {
    double e;                  // first eccentricity
    double rectifyingRadius;   // A: the meridian arc per radian of rectifying latitude
    double alpha[kOrder + 1];  // forward (1-based)
    double beta[kOrder + 1];   // inverse (1-based)

    Series() {
        const double f = kFlattening;
        e = std::sqrt(f * (2.0 - f));
        const double n = f / (2.0 - f);
        const double n2 = n * n, n3 = n2 * n, n4 = n3 * n, n5 = n4 * n, n6 = n5 * n;
        rectifyingRadius = kSemiMajorAxis / (1.0 + n) * (1.0 + n2 / 4.0 + n4 / 64.0 + n6 / 256.0);
        alpha[0] = beta[0] = 0.0;
        alpha[1] = n / 2 - 2 * n2 / 3 + 5 * n3 / 16 + 41 * n4 / 180 - 127 * n5 / 288 + 7891 * n6 / 37800;
        alpha[2] = 13 * n2 / 48 - 3 * n3 / 5 + 557 * n4 / 1440 + 281 * n5 / 630 - 1983433 * n6 / 1935360;
        alpha[3] = 61 * n3 / 240 - 103 * n4 / 140 + 15061 * n5 / 26880 + 167603 * n6 / 181440;
        alpha[4] = 49561 * n4 / 161280 - 179 * n5 / 168 + 6601661 * n6 / 7257600;
        alpha[5] = 34729 * n5 / 80640 - 3418889 * n6 / 1995840;
        alpha[6] = 212378941 * n6 / 319334400;
        beta[1] = n / 2 - 2 * n2 / 3 + 37 * n3 / 96 - n4 / 360 - 81 * n5 / 512 + 96199 * n6 / 604800;
        beta[2] = n2 / 48 + n3 / 15 - 437 * n4 / 1440 + 46 * n5 / 105 - 1118711 * n6 / 3870720;
        beta[3] = 17 * n3 / 480 - 37 * n4 / 840 - 209 * n5 / 4480 + 5569 * n6 / 90720;
        beta[4] = 4397 * n4 / 161280 - 11 * n5 / 504 - 830251 * n6 / 7257600;
        beta[5] = 4583 * n5 / 161280 - 108847 * n6 / 3991680;
        beta[6] = 20648693 * n6 / 638668800;
    }
};

const Series& Constants() {
    static const Series series;
    return series;
}

// tan of the conformal latitude from tan of the geodetic latitude.
double ConformalTangent(double tau, double e) {
    const double root = std::sqrt(1.0 + tau * tau);
    const double sigma = std::sinh(e * std::atanh(e * tau / root));
    return tau * std::sqrt(1.0 + sigma * sigma) - sigma * root;
}

// The inverse of ConformalTangent, by Newton's method (converges in two or three steps).
double GeodeticTangent(double conformal, double e) {
    const double oneMinusE2 = 1.0 - e * e;
    double tau = conformal;
    for (int i = 0; i < 8; ++i) {
        const double tauPrime = ConformalTangent(tau, e);
        const double root = std::sqrt(1.0 + tau * tau);
        const double delta = (conformal - tauPrime) / std::sqrt(1.0 + tauPrime * tauPrime) *
                             (1.0 + oneMinusE2 * tau * tau) / (oneMinusE2 * root);
        tau += delta;
        if (std::fabs(delta) <= 1e-14 * std::fmax(1.0, std::fabs(tau))) break;
    }
    return tau;
}

// y += sign * sum c[j] sin(2j xi) cosh(2j eta), x += sign * sum c[j] cos(2j xi) sinh(2j eta). The
// multiple angles come from the recurrences f((j+1)a) = 2 g(a) f(ja) - f((j-1)a), so a point
// costs four transcendental calls instead of four per term: radius selections project every row.
// `s1`, `c1`, `sh1`, `ch1` are sin 2xi, cos 2xi, sinh 2eta and cosh 2eta.
void AddSeries(const double (&c)[kOrder + 1], double s1, double c1, double sh1, double ch1, double sign, double& y,
               double& x) {
    double sPrev = 0.0, cPrev = 1.0, shPrev = 0.0, chPrev = 1.0;  // j = 0
    double sj = s1, cj = c1, shj = sh1, chj = ch1;                // j = 1
    for (int j = 1; j <= kOrder; ++j) {
        y += sign * c[j] * sj * chj;
        x += sign * c[j] * cj * shj;
        const double sNext = 2 * c1 * sj - sPrev, cNext = 2 * c1 * cj - cPrev;
        const double shNext = 2 * ch1 * shj - shPrev, chNext = 2 * ch1 * chj - chPrev;
        sPrev = sj, cPrev = cj, shPrev = shj, chPrev = chj;
        sj = sNext, cj = cNext, shj = shNext, chj = chNext;
    }
}

}  // namespace

bool CCoordinateSystem::InitUTM(double latitude, double longitude) noexcept {
    if (!(latitude >= -90.0 && latitude <= 90.0 && longitude >= -180.0 && longitude <= 180.0)) {
        zone_ = 0;
        return false;
    }
    int zone = static_cast<int>(std::floor((longitude + 180.0) / 6.0)) + 1;
    if (zone > 60) zone = 60;  // 180 degrees east is the east edge of zone 60
    zone_ = zone;
    south_ = latitude < 0.0;
    centralMeridian_ = zone * 6.0 - 183.0;
    return true;
}

bool CCoordinateSystem::ForwardProjection(const CCoordinate& in, CCoordinate& out) const noexcept {
    if (!zone_ || in.GetKind() != CCoordinate::kGeographic) return false;
    const double latitude = in.GetY();
    double dLon = std::remainder(in.GetX() - centralMeridian_, 360.0);
    if (!(latitude >= -90.0 && latitude <= 90.0) || !(std::fabs(dLon) < 90.0)) return false;

    const Series& s = Constants();
    const double lambda = dLon * kDegree;
    // xi and eta, and their sines and cosines read off the same triangle (no further calls).
    double xi, eta, sinXi, cosXi, sinhEta, coshEta;
    if (std::fabs(latitude) == 90.0) {
        xi = latitude > 0 ? kPi / 2 : -kPi / 2;
        eta = 0.0;
        sinXi = latitude > 0 ? 1.0 : -1.0;
        cosXi = 0.0;
        sinhEta = 0.0;
        coshEta = 1.0;
    } else {
        const double tauPrime = ConformalTangent(std::tan(latitude * kDegree), s.e);
        const double cosLambda = std::cos(lambda);
        const double hypot = std::sqrt(tauPrime * tauPrime + cosLambda * cosLambda);
        xi = std::atan2(tauPrime, cosLambda);
        sinXi = tauPrime / hypot;
        cosXi = cosLambda / hypot;
        sinhEta = std::sin(lambda) / hypot;
        coshEta = std::sqrt(1.0 + sinhEta * sinhEta);
        eta = std::asinh(sinhEta);
    }
    double x = eta, y = xi;
    AddSeries(s.alpha, 2 * sinXi * cosXi, cosXi * cosXi - sinXi * sinXi, 2 * sinhEta * coshEta,
              coshEta * coshEta + sinhEta * sinhEta, 1.0, y, x);
    const double easting = kScale * s.rectifyingRadius * x + kFalseEasting;
    double northing = kScale * s.rectifyingRadius * y;
    if (south_) northing += kFalseNorthingSouth;
    out = CCoordinate(easting, northing, in.GetZ(), CCoordinate::kProjected);
    return true;
}

bool CCoordinateSystem::InverseProjection(const CCoordinate& in, CCoordinate& out) const noexcept {
    if (!zone_ || in.GetKind() != CCoordinate::kProjected) return false;
    const Series& s = Constants();
    double northing = in.GetY();
    if (south_) northing -= kFalseNorthingSouth;
    const double xi = northing / (kScale * s.rectifyingRadius);
    const double eta = (in.GetX() - kFalseEasting) / (kScale * s.rectifyingRadius);
    double xiPrime = xi, etaPrime = eta;
    AddSeries(s.beta, std::sin(2 * xi), std::cos(2 * xi), std::sinh(2 * eta), std::cosh(2 * eta), -1.0, xiPrime,
              etaPrime);
    const double sinhEta = std::sinh(etaPrime);
    const double cosXi = std::cos(xiPrime);
    const double tauPrime = std::sin(xiPrime) / std::sqrt(sinhEta * sinhEta + cosXi * cosXi);
    const double latitude = std::atan(GeodeticTangent(tauPrime, s.e)) / kDegree;
    const double longitude = std::remainder(centralMeridian_ + std::atan2(sinhEta, cosXi) / kDegree, 360.0);
    out = CCoordinate(longitude, latitude, in.GetZ(), CCoordinate::kGeographic);
    return true;
}
