// Facts about the UTM coordinate system that the comparison with cs2cs does not cover: how the
// zone is chosen and kept, and which inputs are refused.
#include "ZmaVOMap2/projection/CoordinateSystem.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

CCoordinate Geo(double lon, double lat) { return CCoordinate(lon, lat, 0, CCoordinate::kGeographic); }

TEST(UtmCoordinateSystem, TheZoneComesFromTheLongitudeAndTheHemisphereFromTheLatitude) {
    CCoordinateSystem utm;
    ASSERT_TRUE(utm.InitUTM(51.5, -0.1));
    EXPECT_EQ(30, utm.Zone());
    EXPECT_FALSE(utm.IsSouth());
    ASSERT_TRUE(utm.InitUTM(-33.9, 18.4));
    EXPECT_EQ(34, utm.Zone());
    EXPECT_TRUE(utm.IsSouth());
    ASSERT_TRUE(utm.InitUTM(0.0, -180.0));
    EXPECT_EQ(1, utm.Zone());
    ASSERT_TRUE(utm.InitUTM(0.0, 180.0));
    EXPECT_EQ(60, utm.Zone());
}

TEST(UtmCoordinateSystem, TheCentralMeridianMapsToTheFalseEastingAndTheEquatorToTheFalseNorthing) {
    CCoordinateSystem north, south;
    ASSERT_TRUE(north.InitUTM(10.0, 3.0));
    ASSERT_TRUE(south.InitUTM(-10.0, 3.0));
    CCoordinate p;
    ASSERT_TRUE(north.ForwardProjection(Geo(3.0, 0.0), p));
    EXPECT_NEAR(500000.0, p.GetX(), 1e-6);
    EXPECT_NEAR(0.0, p.GetY(), 1e-6);
    ASSERT_TRUE(south.ForwardProjection(Geo(3.0, 0.0), p));
    EXPECT_NEAR(10000000.0, p.GetY(), 1e-6);
}

TEST(UtmCoordinateSystem, TheZoneStaysFixedForPointsBeyondIt) {
    // Radius selections measure around their centre in the centre's zone, even across the edge.
    CCoordinateSystem utm;
    ASSERT_TRUE(utm.InitUTM(50.0, 5.9));  // zone 31, meridian 3
    CCoordinate a, b, back;
    ASSERT_TRUE(utm.ForwardProjection(Geo(5.9, 50.0), a));
    ASSERT_TRUE(utm.ForwardProjection(Geo(6.1, 50.0), b));
    EXPECT_EQ(31, utm.Zone());
    // 0.2 degrees of longitude at 50 degrees north is about 14.3 km, and continuous across 6 E.
    EXPECT_NEAR(14.34e3, b.GetX() - a.GetX(), 50.0);
    ASSERT_TRUE(utm.InverseProjection(b, back));
    EXPECT_NEAR(6.1, back.GetX(), 1e-9);
    EXPECT_NEAR(50.0, back.GetY(), 1e-9);
}

TEST(UtmCoordinateSystem, RefusesWhatItCannotProject) {
    CCoordinateSystem utm;
    CCoordinate out(1, 2, 3, CCoordinate::kProjected);
    EXPECT_FALSE(utm.ForwardProjection(Geo(0, 0), out)) << "no zone yet";
    const double nan = std::numeric_limits<double>::quiet_NaN();
    EXPECT_FALSE(utm.InitUTM(nan, 0.0));
    EXPECT_FALSE(utm.InitUTM(91.0, 0.0));
    EXPECT_FALSE(utm.InitUTM(0.0, 180.5));
    ASSERT_TRUE(utm.InitUTM(0.0, 3.0));
    EXPECT_FALSE(utm.ForwardProjection(Geo(93.0, 0.0), out)) << "90 degrees from the meridian";
    EXPECT_FALSE(utm.ForwardProjection(Geo(3.0, nan), out));
    EXPECT_FALSE(utm.ForwardProjection(CCoordinate(3.0, 0.0, 0, CCoordinate::kProjected), out));
    EXPECT_FALSE(utm.InverseProjection(Geo(3.0, 0.0), out));
    EXPECT_EQ(1.0, out.GetX()) << "a refused projection leaves the output alone";
}

}  // namespace

// --- The circle radius selections measure with ---------------------------------------------------

#include "ZmaVOMap2/projection/UtmCircle.h"

namespace {

TEST(UtmCircle, DecidesEveryPointAsTheExactProjectionDoes) {
    // Points on rays from the centre at distances around the radius, where the estimate is
    // least sure, at several latitudes and radii.
    int decided = 0;
    for (double latitude : {0.0, 37.5, 51.2, 69.9, 79.5, -45.0, 84.0}) {
        for (double radius : {25.0, 400.0, 5000.0, 60000.0, 180000.0, 500000.0}) {
            const double longitude = 7.3;
            UtmCircle circle;
            ASSERT_TRUE(circle.Init(latitude, longitude, radius));
            CCoordinateSystem utm;
            ASSERT_TRUE(utm.InitUTM(latitude, longitude));
            CCoordinate c;
            ASSERT_TRUE(utm.ForwardProjection(Geo(longitude, latitude), c));
            for (int ray = 0; ray < 72; ++ray) {
                const double angle = ray * 5.0 * 3.14159265358979 / 180.0;
                for (double share : {0.3, 0.9, 0.97, 0.99, 0.999, 1.0, 1.001, 1.01, 1.03, 1.1, 1.5}) {
                    // A first guess in degrees, then the exact distance decides.
                    const double d = radius * share;
                    const double lat = latitude + d * std::sin(angle) / 111000.0;
                    const double lon = longitude + d * std::cos(angle) / (111000.0 * std::cos(latitude * 3.14159265358979 / 180.0));
                    if (lat > 90.0 || lat < -90.0) continue;
                    CCoordinate p;
                    bool inside = false;
                    if (utm.ForwardProjection(Geo(lon, lat), p)) {
                        const double dx = p.GetX() - c.GetX(), dy = p.GetY() - c.GetY();
                        inside = dx * dx + dy * dy <= radius * radius;
                    }
                    EXPECT_EQ(circle.Contains(lon, lat), inside) << latitude << " " << radius << " " << ray << " " << share;
                    ++decided;
                }
            }
        }
    }
    EXPECT_GT(decided, 3000);
}

TEST(UtmCircle, AZeroRadiusHoldsItsCentreAndAnUnprojectableCentreNothing) {
    UtmCircle circle;
    ASSERT_TRUE(circle.Init(50.0, 10.0, 0.0));
    EXPECT_TRUE(circle.Contains(10.0, 50.0));
    EXPECT_FALSE(circle.Contains(10.000001, 50.0));
    EXPECT_FALSE(circle.Init(95.0, 10.0, 100.0));
    EXPECT_FALSE(circle.Contains(10.0, 95.0));
    EXPECT_FALSE(circle.Init(50.0, 10.0, std::numeric_limits<double>::quiet_NaN()));
}

}  // namespace
