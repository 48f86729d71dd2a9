// The zone choice of the UTM projection (PROJ judges the projection itself: compare_with_cs2cs.py).
#include "ZmaVOMap2/projection/CoordinateSystem.h"

#include <gtest/gtest.h>

TEST(Utm, ZonesFollowLongitudeWithTheNorwegianAndSvalbardExceptions) {
    EXPECT_EQ(31, CCoordinateSystem::ZoneOf(0, 3));
    EXPECT_EQ(32, CCoordinateSystem::ZoneOf(48, 8.5));
    EXPECT_EQ(32, CCoordinateSystem::ZoneOf(60, 5));
    EXPECT_EQ(31, CCoordinateSystem::ZoneOf(60, 2.9));
    EXPECT_EQ(33, CCoordinateSystem::ZoneOf(78, 15));
    EXPECT_EQ(35, CCoordinateSystem::ZoneOf(78, 21));
    EXPECT_EQ(1, CCoordinateSystem::ZoneOf(0, -180));
    EXPECT_EQ(60, CCoordinateSystem::ZoneOf(0, 179.9));
    EXPECT_EQ(1, CCoordinateSystem::ZoneOf(0, 180));
}

TEST(Utm, NothingIsProjectedBeforeAZoneIsChosen) {
    CCoordinate out;
    EXPECT_FALSE(CCoordinateSystem().ForwardProjection(CCoordinate(1, 1, 0, CCoordinate::kGeographic), out));
    CCoordinateSystem utm;
    utm.InitUTM(50, 10);
    EXPECT_FALSE(utm.ForwardProjection(CCoordinate(1, 90, 0, CCoordinate::kGeographic), out));
    EXPECT_TRUE(utm.ForwardProjection(CCoordinate(10, 50, 0, CCoordinate::kGeographic), out));
}
