// Filter regions as a host edits them: its region set handed to the control, polygons drawn with
// the polygon-filter tool added to the set and outlined on the map, the set emptied, and a set
// that refuses its calls answered with its error.
#include "tests/control/MapSiteFixture.h"

#include "tests/support/TestSupport.h"

#include <algorithm>

using platform::ComPtr;
using platform::Variant;
using namespace displaytest;

namespace sitetest {
namespace {

struct Ring {
    std::vector<MapPoint> points;
};

class Regions : public MapSiteTest {
protected:
    void SetUp() override {
        controltest::SetHostFaults(L"");
        MapSiteTest::SetUp();
        ShowArea(9.99, 49.99, 10.01, 50.01);
        filter_ = controltest::As<IZmaVadAZRegionFilter>(unknown_.Get());
        ASSERT_TRUE(filter_);
        set_ = NewSet();
    }
    void TearDown() override {
        MapSiteTest::TearDown();
        controltest::SetHostFaults(L"");
    }

    static ComPtr<IRegionSet> NewSet() {
        ComPtr<IRegionSet> set;
        EXPECT_EQ(::CoCreateInstance(CLSID_HostRegionSet, nullptr, CLSCTX_INPROC_SERVER, IID_IRegionSet, set.PutVoid()),
                  S_OK);
        return set;
    }
    HRESULT Edit(IRegionSet* set) {
        ComPtr<IUnknown> unknown;
        if (set) set->QueryInterface(IID_IUnknown, unknown.PutVoid());
        return filter_->EditRegionSet(unknown.Get());
    }

    // Every polygon of the set, as points.
    std::vector<Ring> Polygons(IRegionSet* set) {
        std::vector<Ring> out;
        unsigned long regions = 0;
        EXPECT_EQ(set->GetCount(&regions), S_OK);
        for (unsigned long i = 0; i < regions; ++i) {
            ComPtr<IUnknown> unknown;
            set->GetRegion(i, IID_IRegion, unknown.Put());
            ComPtr<IRegion> region = controltest::As<IRegion>(unknown.Get());
            unsigned long polygons = 0;
            region->GetCount(&polygons);
            for (unsigned long j = 0; j < polygons; ++j) {
                region->GetPolygon(j, IID_IRegionPolygon, unknown.Put());
                ComPtr<IRegionPolygon> polygon = controltest::As<IRegionPolygon>(unknown.Get());
                unsigned long count = 0;
                polygon->GetCount(&count);
                Ring ring;
                for (unsigned long k = 0; k < count; ++k) {
                    MapPoint p;
                    polygon->GetLongitude(k, &p.x);
                    polygon->GetLatitude(k, &p.y);
                    ring.points.push_back(p);
                }
                out.push_back(ring);
            }
        }
        return out;
    }

    void DrawTriangle() {
        SetEngineTool(4);
        Click(100, 60);
        Click(300, 60);
        Click(300, 220);
        DoubleClick(300, 220);
    }

    ComPtr<IZmaVadAZRegionFilter> filter_;
    ComPtr<IRegionSet> set_;
};

TEST_F(Regions, OnlyARegionSetIsAccepted) {
    EXPECT_EQ(Edit(nullptr), E_POINTER);
    ComPtr<IUnknown> notASet;
    ASSERT_EQ(control_->QueryInterface(IID_IUnknown, notASet.PutVoid()), S_OK);
    EXPECT_EQ(filter_->EditRegionSet(notASet.Get()), E_POINTER);
    EXPECT_EQ(filter_->ClearAllRegions(), S_OK);
    EXPECT_EQ(filter_->TurnOffRegionEditing(), S_OK);
    auto names = EngineLayerNames();
    EXPECT_EQ(std::count(names.begin(), names.end(), L"Region1"), 0);
}

TEST_F(Regions, APolygonDrawnWithTheFilterToolBecomesARegionOutlinedOnePixelWide) {
    ASSERT_EQ(Edit(set_.Get()), S_OK);
    DrawTriangle();
    auto polygons = Polygons(set_.Get());
    ASSERT_EQ(polygons.size(), 1u);
    const auto& ring = polygons[0].points;
    ASSERT_EQ(ring.size(), 4u);
    EXPECT_DOUBLE_EQ(ring.front().x, ring.back().x);
    EXPECT_DOUBLE_EQ(ring.front().y, ring.back().y);
    const MapPoint corner = ToMap(100, 60);
    EXPECT_NEAR(ring[0].x, corner.x, 1e-9);
    EXPECT_NEAR(ring[0].y, corner.y, 1e-9);

    DrawView();
    POINT a = ToPixel(ring[0]), b = ToPixel(ring[1]);
    const int y = a.y, midX = (a.x + b.x) / 2;
    EXPECT_EQ(b.y, y);
    EXPECT_TRUE(IsBlack(midX, y));
    EXPECT_FALSE(IsBlack(midX, y - 1));
    EXPECT_FALSE(IsBlack(midX, y + 1));
    POINT c = ToPixel(ring[2]);
    EXPECT_TRUE(IsBlack(c.x, (b.y + c.y) / 2));
    EXPECT_FALSE(IsBlack(c.x + 1, (b.y + c.y) / 2));

    EXPECT_EQ(filter_->ClearAllRegions(), S_OK);
    EXPECT_TRUE(Polygons(set_.Get()).empty());
    DrawView();
    EXPECT_FALSE(IsBlack(midX, y));
}

TEST_F(Regions, ASecondSetReplacesTheFirstLayerAndTurningOffRemovesIt) {
    ASSERT_EQ(Edit(set_.Get()), S_OK);
    ComPtr<IRegionSet> second = NewSet();
    ASSERT_EQ(Edit(second.Get()), S_OK);
    DrawTriangle();
    EXPECT_TRUE(Polygons(set_.Get()).empty());
    EXPECT_EQ(Polygons(second.Get()).size(), 1u);
    auto names = EngineLayerNames();
    ASSERT_FALSE(names.empty());
    EXPECT_EQ(names.front(), L"Region1");

    EXPECT_EQ(filter_->TurnOffRegionEditing(), S_OK);
    names = EngineLayerNames();
    EXPECT_EQ(std::count(names.begin(), names.end(), L"Region1"), 0);
    DrawTriangle();
    EXPECT_EQ(Polygons(second.Get()).size(), 1u);
}

TEST_F(Regions, ARefusingRegionSetIsAnsweredWithItsErrorNotACrash) {
    controltest::SetHostFaults(L"regionset.AddRegion=0x80070005,regionset.RemoveAll=0x8007000E");
    ComPtr<IRegionSet> refusing = NewSet();
    ASSERT_EQ(Edit(refusing.Get()), S_OK);
    DrawTriangle();  // the control's event handler logs the refusal
    EXPECT_TRUE(Polygons(refusing.Get()).empty());
    EXPECT_EQ(filter_->ClearAllRegions(), E_OUTOFMEMORY);
    DrawView();
}

}  // namespace
}  // namespace sitetest
