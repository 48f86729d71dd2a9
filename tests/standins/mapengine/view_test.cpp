// The map's view model through DISPIDs: conversions, distances, zoom, centre and bounds.
#include "tests/standins/mapengine/EngineFixture.h"

#include <cmath>

namespace enginetest {
namespace {

class MapView : public ::testing::Test {
protected:
    void SetUp() override {
        unknown_ = CreateMap();
        ASSERT_TRUE(unknown_);
        map_ = MapDispatch(unknown_.Get());
    }

    void ToMap(float sx, float sy, double& x, double& y) { ScreenToMap(map_.Get(), sx, sy, x, y); }

    void ToScreen(double x, double y, float& sx, float& sy) { MapToScreen(map_.Get(), x, y, sx, sy); }

    double BoundsWidthOnGround() {
        ComPtr<IDispatch> r = Object(Get(map_.Get(), map::kBounds));
        double xmin = Number(Get(r.Get(), 1)), xmax = Number(Get(r.Get(), 3));
        double cy = Number(Get(map_.Get(), map::kCenterY));
        return Number(Call(map_.Get(), map::kDistance, {Variant(xmin), Variant(cy), Variant(xmax), Variant(cy)}));
    }

    ComPtr<IUnknown> unknown_;
    ComPtr<IDispatch> map_;
};

double Haversine(double lon1, double lat1, double lon2, double lat2) {
    const double r = 3.14159265358979323846 / 180.0;
    double a = std::pow(std::sin((lat2 - lat1) * r / 2), 2) +
               std::cos(lat1 * r) * std::cos(lat2 * r) * std::pow(std::sin((lon2 - lon1) * r / 2), 2);
    return 2 * 6371.0 * std::asin(std::sqrt(a));  // km
}

TEST_F(MapView, ConvertCoordRoundTripsInBothDirections) {
    Call(map_.Get(), map::kZoomTo, {Variant(250.0), Variant(8.55), Variant(47.37)});
    const float points[][2] = {{0, 0}, {320, 240}, {17.25f, 433.5f}, {639, 1}};
    for (const auto& p : points) {
        double x, y, x2, y2;
        float sx, sy;
        ToMap(p[0], p[1], x, y);
        ToScreen(x, y, sx, sy);
        EXPECT_NEAR(sx, p[0], 1e-3);
        EXPECT_NEAR(sy, p[1], 1e-3);
        ToMap(sx, sy, x2, y2);
        EXPECT_NEAR(x2, x, 1e-9);
        EXPECT_NEAR(y2, y, 1e-9);
    }
    // The centre of the window is the centre of the view; north is up.
    double cx, cy, nx, ny;
    ToMap(320, 240, cx, cy);
    EXPECT_NEAR(cx, 8.55, 1e-9);
    EXPECT_NEAR(cy, 47.37, 1e-9);
    ToMap(320, 0, nx, ny);
    EXPECT_GT(ny, cy);
}

TEST_F(MapView, ConvertCoordAcceptsScreenValuesByValueAndRefusesOtherDirections) {
    double x = 0, y = 0;
    Variant mx, my;
    mx.vt = VT_R8 | VT_BYREF, mx.pdblVal = &x;
    my.vt = VT_R8 | VT_BYREF, my.pdblVal = &y;
    Call(map_.Get(), map::kConvertCoord, {Variant(0.0f), Variant(0.0f), mx, my, Variant(short{1})});
    EXPECT_LT(x, Number(Get(map_.Get(), map::kCenterX)));
    HRESULT hr = S_OK;
    Call(map_.Get(), map::kConvertCoord, {Variant(0.0f), Variant(0.0f), mx, my, Variant(short{2})}, &hr);
    EXPECT_EQ(hr, E_INVALIDARG);
    mx.vt = my.vt = VT_EMPTY;
}

TEST_F(MapView, DistanceIsGreatCircleInTheCurrentUnit) {
    struct Pair {
        double lon1, lat1, lon2, lat2;
    } pairs[] = {
        {-0.1278, 51.5074, 2.3522, 48.8566},     // London - Paris
        {-74.006, 40.7128, -118.2437, 34.0522},  // New York - Los Angeles
        {139.6917, 35.6895, 151.2093, -33.8688}, // Tokyo - Sydney
    };
    Put(map_.Get(), map::kMapUnit, Variant(1L));  // km
    for (const Pair& p : pairs) {
        double got = Number(Call(map_.Get(), map::kDistance, {Variant(p.lon1), Variant(p.lat1), Variant(p.lon2), Variant(p.lat2)}));
        double want = Haversine(p.lon1, p.lat1, p.lon2, p.lat2);
        EXPECT_NEAR(got, want, want * 0.005);
    }
    Put(map_.Get(), map::kMapUnit, Variant(0L));  // miles
    double miles = Number(Call(map_.Get(), map::kDistance, {Variant(-0.1278), Variant(51.5074), Variant(2.3522), Variant(48.8566)}));
    EXPECT_NEAR(miles, Haversine(-0.1278, 51.5074, 2.3522, 48.8566) / 1.609344, 0.5);
}

TEST_F(MapView, ZoomCentreAndBoundsStayConsistentAcrossUnits) {
    Put(map_.Get(), map::kMapUnit, Variant(1L));
    Call(map_.Get(), map::kZoomTo, {Variant(100.0), Variant(10.0), Variant(50.0)});
    EXPECT_DOUBLE_EQ(Number(Get(map_.Get(), map::kZoom)), 100.0);
    EXPECT_NEAR(BoundsWidthOnGround(), 100.0, 0.5);

    // The same view measured in metres and in miles.
    Put(map_.Get(), map::kMapUnit, Variant(7L));
    EXPECT_NEAR(Number(Get(map_.Get(), map::kZoom)), 100000.0, 1e-6);
    EXPECT_NEAR(BoundsWidthOnGround(), 100000.0, 500);
    Put(map_.Get(), map::kMapUnit, Variant(0L));
    EXPECT_NEAR(Number(Get(map_.Get(), map::kZoom)), 100.0 / 1.609344, 1e-9);
    EXPECT_DOUBLE_EQ(Number(Get(map_.Get(), map::kCenterX)), 10.0);
    EXPECT_DOUBLE_EQ(Number(Get(map_.Get(), map::kCenterY)), 50.0);

    // Putting the bounds back gives the same zoom and centre.
    Variant bounds = Get(map_.Get(), map::kBounds);
    Call(map_.Get(), map::kZoomTo, {Variant(5.0), Variant(0.0), Variant(0.0)});
    Put(map_.Get(), map::kBounds, bounds);
    EXPECT_NEAR(Number(Get(map_.Get(), map::kZoom)), 100.0 / 1.609344, 1e-6);
    EXPECT_NEAR(Number(Get(map_.Get(), map::kCenterX)), 10.0, 1e-9);
    EXPECT_NEAR(Number(Get(map_.Get(), map::kCenterY)), 50.0, 1e-9);
}

TEST_F(MapView, RefusesUnknownUnitsAndImpossibleViews) {
    HRESULT hr = S_OK;
    Put(map_.Get(), map::kMapUnit, Variant(14L), &hr);
    EXPECT_EQ(hr, E_INVALIDARG);
    Put(map_.Get(), map::kZoom, Variant(0.0), &hr);
    EXPECT_EQ(hr, E_INVALIDARG);
    Put(map_.Get(), map::kCenterY, Variant(91.0), &hr);
    EXPECT_EQ(hr, E_INVALIDARG);
    Put(map_.Get(), map::kPaperUnit, Variant(99L), &hr);
    EXPECT_EQ(hr, E_INVALIDARG);
}

TEST_F(MapView, PaperSizeFollowsTheWindowAndThePaperUnit) {
    Call(map_.Get(), map::kSetSize, {Variant(960L), Variant(480L)});
    EXPECT_FLOAT_EQ(static_cast<float>(Number(Get(map_.Get(), map::kScreenWidth))), 960.0f);
    Put(map_.Get(), map::kPaperUnit, Variant(2L));  // inch, at 96 pixels per inch
    EXPECT_NEAR(Number(Get(map_.Get(), map::kPaperWidth)), 10.0, 1e-9);
    EXPECT_NEAR(Number(Get(map_.Get(), map::kPaperHeight)), 5.0, 1e-9);
    Put(map_.Get(), map::kPaperUnit, Variant(5L));  // mm
    EXPECT_NEAR(Number(Get(map_.Get(), map::kPaperWidth)), 254.0, 1e-9);
}

}  // namespace
}  // namespace enginetest
