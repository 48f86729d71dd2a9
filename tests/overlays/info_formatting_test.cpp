// The figures the info display shows: the scale bar's round length and unit, the coordinates
// text in each format, and the length conversions they rest on.
#include "ZmaVOMap2/engine/DistanceUnits.h"
#include "ZmaVOMap2/overlays/ZmaVadAZInfoDisplay.h"

#include <gtest/gtest.h>

#include <string>

namespace DU = DistanceUnits;

namespace {

std::wstring Angle(double v) { return CZmaVadAZInfoDisplay::FormatAngle(v, false); }
const std::wstring kDeg = L"\u00B0";

}  // namespace

// A 200-pixel target over a 500-pixel view that covers `shown` units under the target.
TEST(ScaleBar, ChoosesARoundLengthInTheLargestFittingUnitOfTheGroup) {
    struct Case {
        double shown;
        long unit;
        const char* label;
        long length;
    } cases[] = {
        {4, DU::kKilometer, "4 Km", 200},
        {4000, DU::kMeter, "4 Km", 200},          // climbs to km
        {15840, DU::kFoot, "3 Miles", 200},       // feet, yards, miles
        {0.5, DU::kFoot, "6 Inches", 200},        // climbs down
        {0.0004, DU::kMeter, "0.40 mm", 200},     // below one unit of the smallest
        {1, DU::kMile, "1 Mile", 200},            // singular
        {1.5, DU::kMile, "2 Miles", 267},         // the bar follows the rounded length
        {2.5, DU::kMile, "2 Miles", 160},         // halves go to even
        {47, DU::kMeter, "45 m", 191},            // steps of 5 above 10
        {157, DU::kMeter, "150 m", 191},          // steps of 10 above 100
        {260, DU::kMeter, "250 m", 192},          // steps of 50 above 200
        {10, DU::kMeter, "10 m", 200},
        {200, DU::kMeter, "200 m", 200},
        {0.000004, DU::kMeter, "Error - scale too small", -1},
        {4, DU::kDegree, "Error - missing scale units", -1},
    };
    for (const Case& c : cases) {
        CZmaVadAZInfoDisplay display;
        display.SetScaleBarTarget(200);
        display.FormatScaleBar(500, c.shown * 500.0 / 200.0, c.unit);
        EXPECT_STREQ(display.ScaleBarLabel(), c.label) << c.shown;
        EXPECT_EQ(display.ScaleBarLength(), c.length) << c.shown;
    }
}

TEST(Coordinates, DecimalDegreesAndMetres) {
    EXPECT_EQ(CZmaVadAZInfoDisplay::FormatCoordinates(12.3456789, -3.5, 0), L"  12.345679 Lon, -3.500000 Lat  ");
    // The test prefix runs with an English user locale.
    EXPECT_EQ(CZmaVadAZInfoDisplay::FormatCoordinates(1234567.5, -41.6, 2), L"  1,234,568 Meters, -42 Meters");
    EXPECT_EQ(CZmaVadAZInfoDisplay::FormatNumber(-1234), L"-1,234");
}

TEST(Coordinates, DegreesMinutesSecondsAreNotPadded) {
    EXPECT_EQ(Angle(5.0 + 3.0 / 60 + 7.5 / 3600), L"5" + kDeg + L"3'7.50\"");
    EXPECT_EQ(CZmaVadAZInfoDisplay::FormatCoordinates(0.5, 0.25, 1),
              L"  0" + kDeg + L"30'0.00\" Lon, 0" + kDeg + L"15'0.00\" Lat  ");
}

TEST(Coordinates, TheSignStaysWhenTheDegreesAreZero) {
    EXPECT_EQ(Angle(-12.25), L"-12" + kDeg + L"15'0.00\"");
    EXPECT_EQ(Angle(-0.5), L"-0" + kDeg + L"30'0.00\"");
    EXPECT_EQ(Angle(-0.01), L"-0" + kDeg + L"0'36.00\"");
}

TEST(Coordinates, SecondsThatRoundToSixtyCarry) {
    EXPECT_EQ(Angle(10.0 + 59.999 / 3600), L"10" + kDeg + L"1'0.00\"");
    EXPECT_EQ(Angle(-(10.0 + 59.999 / 3600)), L"-10" + kDeg + L"1'0.00\"");
    EXPECT_EQ(Angle(10.0 + 59.0 / 60 + 59.999 / 3600), L"11" + kDeg + L"0'0.00\"");
}

TEST(DistanceUnits, ConvertByExactRatios) {
    EXPECT_EQ(DU::ConvertLength(1, DU::kKilometer, DU::kMillimeter), 1000000.0);
    EXPECT_EQ(DU::ConvertLength(1, DU::kMile, DU::kFoot), 5280.0);
    EXPECT_EQ(DU::ConvertLength(1, DU::kMile, DU::kInch), 63360.0);
    EXPECT_EQ(DU::ConvertLength(1, DU::kInch, DU::kMillimeter), 25.4);
    EXPECT_EQ(DU::ConvertLengthToTarget(1, DU::kMile, DU::kFoot), 5280.0);
}

TEST(DistanceUnits, FindTheFirstSuffixInTableOrder) {
    long code = -1;
    EXPECT_TRUE(DU::FindUnitSuffix("10 km", code));
    EXPECT_EQ(code, DU::kKilometer);
    EXPECT_TRUE(DU::FindUnitSuffix("5 min", code));
    EXPECT_EQ(code, DU::kInch);  // "in" comes before "mi"
    code = 99;
    EXPECT_FALSE(DU::FindUnitSuffix("12 m", code));
    EXPECT_EQ(code, 99);
    EXPECT_EQ(DU::GetUnitName(DU::kYard), L"yard");
    EXPECT_EQ(DU::GetUnitName(20), L"");
}
