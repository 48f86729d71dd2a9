#include "ZmaVOMap2/projection/CoordinateSystem.h"
#include "ZmaVOMap2/shapes/ZmaVadAZMarkerLayer.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {
CCoordinate Forward(const CCoordinateSystem& utm, double lon, double lat) {
    CCoordinate out;
    EXPECT_TRUE(utm.ForwardProjection(CCoordinate(lon, lat, 0, CCoordinate::kGeographic), out));
    return out;
}
}  // namespace

TEST(Utm, ZonesFollowLongitudeWithTheNorwegianAndSvalbardExceptions) {
    EXPECT_EQ(31, CCoordinateSystem::ZoneOf(0, 3));
    EXPECT_EQ(32, CCoordinateSystem::ZoneOf(48, 8.5));
    EXPECT_EQ(32, CCoordinateSystem::ZoneOf(60, 5));
    EXPECT_EQ(33, CCoordinateSystem::ZoneOf(78, 15));
    EXPECT_EQ(1, CCoordinateSystem::ZoneOf(0, -180));
    EXPECT_EQ(60, CCoordinateSystem::ZoneOf(0, 179.9));
}

TEST(Utm, TheCentralMeridianAndEquatorGiveTheFalseOrigin) {
    CCoordinateSystem utm;
    utm.InitUTM(0.5, 3);
    CCoordinate p = Forward(utm, 3, 0);
    EXPECT_NEAR(500000.0, p.GetX(), 1e-6);
    EXPECT_NEAR(0.0, p.GetY(), 1e-6);
    // One degree of latitude on the meridian: 110574.4 m scaled by 0.9996.
    EXPECT_NEAR(110574.389 * 0.9996, Forward(utm, 3, 1).GetY(), 0.01);
    utm.InitUTM(-10, 3);
    EXPECT_NEAR(10000000.0, Forward(utm, 3, 0).GetY(), 1e-6);
}

TEST(Utm, InverseReturnsTheForwardInputEvenZonesAway) {
    CCoordinateSystem utm;
    utm.InitUTM(48.1, 11.5);
    for (double lon : {9.0, 11.5, 14.9, 20.0}) {
        CCoordinate p = Forward(utm, lon, 48.1), back;
        ASSERT_TRUE(utm.InverseProjection(p, back));
        EXPECT_NEAR(lon, back.GetX(), 1e-8);
        EXPECT_NEAR(48.1, back.GetY(), 1e-8);
    }
    CCoordinate none;
    EXPECT_FALSE(CCoordinateSystem().ForwardProjection(CCoordinate(1, 1, 0, CCoordinate::kGeographic), none));
}

TEST(MarkerDrop, APayloadNeedsFiveBytesAndATerminatedLabelInsideTheBlock) {
    unsigned char good[] = {7, 0, 0, 0, 1, 'A', 'b', 0};
    MarkerDrop drop;
    ASSERT_TRUE(ParseMarkerDrop(good, sizeof good, drop));
    EXPECT_EQ(7, drop.messageNumber);
    EXPECT_TRUE(drop.stationary);
    EXPECT_EQ("Ab", drop.label);
    EXPECT_FALSE(ParseMarkerDrop(good, 4, drop));
    EXPECT_FALSE(ParseMarkerDrop(good, 5, drop));
    EXPECT_FALSE(ParseMarkerDrop(good, 7, drop));  // the label's zero lies outside the block
}
