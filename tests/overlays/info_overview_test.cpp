// The overview box against the engine stand-in: its size and contents as drawn, and what a click
// on it does to the engine's view.
#include "ZmaVOMap2/engine/EngineDispatch.h"
#include "ZmaVOMap2/engine/EngineIds.h"
#include "ZmaVOMap2/overlays/ZmaVadAZOverviewRegion.h"
#include "platform/Gdiplus.h"
#include "platform/Result.h"
#include "tests/overlays/InfoTestSupport.h"

#include <gtest/gtest.h>

using platform::ComPtr;
using platform::Variant;

namespace {

class OverviewBox : public ::testing::Test {
protected:
    void SetUp() override {
        Gdiplus::GdiplusStartupInput input;
        ASSERT_EQ(Gdiplus::GdiplusStartup(&gdiplus_, &input, nullptr), Gdiplus::Ok);
        HRESULT hr = ::CoCreateInstance(ExternalIds::kEngineMap, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                                        map_.PutVoid());
        ASSERT_EQ(hr, S_OK) << "the map engine stand-in is not registered";
        overview_.SetVisible(true);
    }
    void TearDown() override {
        map_.Reset();
        if (gdiplus_) Gdiplus::GdiplusShutdown(gdiplus_);
    }

    ZmaExtent View() {
        Variant bounds = EngineDispatch(map_.Get()).Get(Engine::Map::kBounds);
        EngineDispatch r(bounds.pdispVal);
        return {r.Get(Engine::Rectangle::kXMin).ToDouble(), r.Get(Engine::Rectangle::kYMax).ToDouble(),
                r.Get(Engine::Rectangle::kXMax).ToDouble(), r.Get(Engine::Rectangle::kYMin).ToDouble()};
    }
    double Get(DISPID id) { return EngineDispatch(map_.Get()).Get(id).ToDouble(); }
    bool Click(long x, long y) { return overview_.HitTest(map_.Get(), POINT{x, y}); }
    void DrawInto(MemoryCanvas& canvas) { overview_.Draw(canvas.dc(), map_.Get(), 0, 0); }

    ULONG_PTR gdiplus_ = 0;
    ComPtr<IDispatch> map_;
    CZmaVadAZOverviewRegion overview_;
};

}  // namespace

TEST(OverviewExtents, EmptyMeansAllZeros) {
    EXPECT_TRUE(CZmaVadAZOverviewRegion::IsEmpty(ZmaExtent{}));
    EXPECT_FALSE(CZmaVadAZOverviewRegion::IsEmpty(ZmaExtent{0, 0, 0, 1e-9}));
    ZmaExtent a = {0, 10, 5, 2};
    CZmaVadAZOverviewRegion::Union(a, ZmaExtent{-3, 4, 8, -1});
    EXPECT_EQ(a.left, -3);
    EXPECT_EQ(a.top, 10);
    EXPECT_EQ(a.right, 8);
    EXPECT_EQ(a.bottom, -1);
}

TEST_F(OverviewBox, WithoutARegionTheViewFillsTheBox) {
    MemoryCanvas canvas(300, 300);
    DrawInto(canvas);
    const auto& frame = overview_.LastFrame();
    EXPECT_EQ(frame.x, 20.0f);
    EXPECT_EQ(frame.y, 20.0f);
    EXPECT_EQ(frame.width, 100.0f);  // the stand-in's window is wider than high
    EXPECT_NEAR(frame.height, 75.0f, 0.01f);
    // The red view outline is inside the box; nothing is drawn beyond the box and its margin.
    EXPECT_GT(canvas.ReddishIn({15, 15, 125, 100}), 20);
    EXPECT_GT(canvas.InkIn({9, 9, 132, 107}), 0);
    EXPECT_EQ(canvas.InkIn({135, 0, 300, 300}), 0);
    EXPECT_EQ(canvas.InkIn({0, 110, 300, 300}), 0);
}

TEST_F(OverviewBox, AWideRegionGivesAFlatBoxAndATallOneANarrowBox) {
    MemoryCanvas canvas(300, 300);
    overview_.SetRegion({-150, 10, 150, -10});
    DrawInto(canvas);
    EXPECT_EQ(overview_.LastFrame().width, 100.0f);
    EXPECT_LT(overview_.LastFrame().height, 100.0f);

    overview_.SetRegion({-5, 85, 5, -85});
    DrawInto(canvas);
    EXPECT_EQ(overview_.LastFrame().height, 100.0f);
    EXPECT_LT(overview_.LastFrame().width, 100.0f);
}

TEST_F(OverviewBox, AClickInsideRecentresAtTheSameZoom) {
    MemoryCanvas canvas(300, 300);
    DrawInto(canvas);
    const ZmaExtent view = View();
    const double zoom = Get(Engine::Map::kZoom);
    const auto frame = overview_.LastFrame();
    ASSERT_TRUE(Click(45, 30));
    const double expectedX = view.left + (view.right - view.left) * (45 - frame.x) / frame.width;
    const double expectedY = view.top - (view.top - view.bottom) * (30 - frame.y) / frame.height;
    EXPECT_NEAR(Get(Engine::Map::kCenterX), expectedX, 1e-6);
    EXPECT_NEAR(Get(Engine::Map::kCenterY), expectedY, 1e-6);
    EXPECT_NEAR(Get(Engine::Map::kZoom), zoom, zoom * 1e-9);
}

TEST_F(OverviewBox, AClickOnTheRegionsOutlineZoomsToTheRegion) {
    const ZmaExtent view = View();
    const ZmaExtent region = {view.left - 20, view.top + 10, view.right + 20, view.bottom - 10};
    overview_.SetRegion(region);
    MemoryCanvas canvas(300, 300);
    DrawInto(canvas);
    const auto frame = overview_.RegionFrame();
    // The region is the combined extent: it fills the box, and the red view sits inside it.
    EXPECT_NEAR(frame.x, overview_.LastFrame().x, 0.01f);
    EXPECT_NEAR(frame.width, overview_.LastFrame().width, 0.01f);
    EXPECT_GT(canvas.ReddishIn({static_cast<long>(frame.x) + 5, static_cast<long>(frame.y) + 5,
                                static_cast<long>(frame.x + frame.width) - 5,
                                static_cast<long>(frame.y + frame.height) - 5}),
              20);
    const double zoom = Get(Engine::Map::kZoom);
    ASSERT_TRUE(Click(static_cast<long>(frame.x) + 1, static_cast<long>(frame.y + frame.height / 2)));
    EXPECT_GT(Get(Engine::Map::kZoom), zoom);
    const ZmaExtent shown = View();
    EXPECT_LE(shown.left, region.left + 1e-6);
    EXPECT_GE(shown.right, region.right - 1e-6);
    EXPECT_NEAR(Get(Engine::Map::kCenterX), (region.left + region.right) / 2, 1e-6);
    EXPECT_NEAR(Get(Engine::Map::kCenterY), (region.top + region.bottom) / 2, 1e-6);
}

TEST_F(OverviewBox, ClicksAreNotTakenOutsideTheBoxBeforeTheFirstDrawOrWhileHidden) {
    const double centre = Get(Engine::Map::kCenterX);
    EXPECT_FALSE(Click(50, 50));  // not drawn yet
    MemoryCanvas canvas(300, 300);
    DrawInto(canvas);
    EXPECT_FALSE(Click(200, 200));
    EXPECT_FALSE(Click(120, 50));  // the right edge is outside
    overview_.SetVisible(false);
    EXPECT_FALSE(Click(50, 50));
    EXPECT_EQ(Get(Engine::Map::kCenterX), centre);

    MemoryCanvas hidden(300, 300);
    DrawInto(hidden);
    EXPECT_EQ(hidden.InkIn({0, 0, 300, 300}), 0);
}
