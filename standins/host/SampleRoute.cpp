// The sample drive test: one smooth closed route through a city-sized area, sampled evenly
// whatever the row count, with measurements that change smoothly along it. Everything is a
// function of the row number and the row count, so the same count always gives the same rows.
#include "standins/host/Dataset.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace hoststandin {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kCentreLatitude = 50.0;
constexpr double kCentreLongitude = 10.0;
constexpr double kHalfWidthKm = 6.0;   // east-west
constexpr double kHalfHeightKm = 4.5;  // north-south
constexpr double kKmPerDegreeLatitude = 111.32;

double KmPerDegreeLongitude() { return kKmPerDegreeLatitude * std::cos(kCentreLatitude * kPi / 180.0); }

// A point of the route for t in [0, 1), as fractions of the half sizes (each within -1..1).
void RouteAt(double t, double* east, double* north) {
    *east = 0.75 * std::sin(2 * kPi * t) + 0.25 * std::sin(6 * kPi * t + 0.5);
    *north = 0.6 * std::sin(4 * kPi * t) + 0.4 * std::cos(2 * kPi * t);
}

// A small deterministic jitter in [-1, 1] per row (splitmix64 of the row number).
double Jitter(uint64_t row) {
    uint64_t z = row + 0x9E3779B97F4A7C15ull;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    z ^= z >> 31;
    return static_cast<double>(z >> 11) / static_cast<double>(1ull << 52) - 1.0;
}

}  // namespace

void SampleRouteBounds(double* minLon, double* minLat, double* maxLon, double* maxLat) {
    double dLon = kHalfWidthKm / KmPerDegreeLongitude();
    double dLat = kHalfHeightKm / kKmPerDegreeLatitude;
    *minLon = kCentreLongitude - dLon;
    *maxLon = kCentreLongitude + dLon;
    *minLat = kCentreLatitude - dLat;
    *maxLat = kCentreLatitude + dLat;
}

void BuildSampleRoute(DatasetData& data, size_t rows) {
    auto latitude = std::make_unique<DoubleColumn>();
    auto longitude = std::make_unique<DoubleColumn>();
    auto handle = std::make_unique<LongColumn>();
    auto rxLev = std::make_unique<DoubleColumn>();
    auto speed = std::make_unique<DoubleColumn>();
    auto quality = std::make_unique<LongColumn>();
    auto time = std::make_unique<DoubleColumn>();
    latitude->values.resize(rows);
    longitude->values.resize(rows);
    handle->values.resize(rows);
    rxLev->values.resize(rows);
    speed->values.resize(rows);
    quality->values.resize(rows);
    time->values.resize(rows);

    const double kmPerLon = KmPerDegreeLongitude();
    // Where the two serving sites of the sample stand, in the same fractions as the route.
    const double sites[2][2] = {{-0.4, 0.2}, {0.5, -0.3}};
    for (size_t i = 0; i < rows; ++i) {
        double t = static_cast<double>(i) / static_cast<double>(rows);
        double east = 0, north = 0;
        RouteAt(t, &east, &north);
        latitude->values[i] = kCentreLatitude + north * kHalfHeightKm / kKmPerDegreeLatitude;
        longitude->values[i] = kCentreLongitude + east * kHalfWidthKm / kmPerLon;
        handle->values[i] = static_cast<long>(i + 1);

        double nearestKm = 1e9;
        for (const auto& site : sites) {
            double dx = (east - site[0]) * kHalfWidthKm;
            double dy = (north - site[1]) * kHalfHeightKm;
            nearestKm = std::min(nearestKm, std::sqrt(dx * dx + dy * dy));
        }
        double level = -48.0 - 11.0 * nearestKm + 2.0 * Jitter(i);
        level = std::max(-110.0, std::min(-40.0, level));
        rxLev->values[i] = std::round(level * 10.0) / 10.0;
        speed->values[i] = std::round((35.0 + 15.0 * std::sin(6 * kPi * t + 1.0) + Jitter(i + rows)) * 10.0) / 10.0;
        quality->values[i] = std::max(0L, std::min(7L, static_cast<long>((-level - 50.0) / 8.0)));
        time->values[i] = static_cast<double>(i);
    }

    data.rowCount = rows;
    data.AddField(L"Latitude", kFieldLatitude, std::move(latitude));
    data.AddField(L"Longitude", kFieldLongitude, std::move(longitude));
    data.AddField(L"ElementHandle", kFieldWhole, std::move(handle));
    data.AddField(L"RxLev", kFieldDecimal, std::move(rxLev));
    data.AddField(L"Speed", kFieldDecimal, std::move(speed));
    data.AddField(L"Quality", kFieldWhole, std::move(quality));
    data.AddField(L"Time", kFieldDecimal, std::move(time));
}

}  // namespace hoststandin
