// A table that GDAL wrote, added to the engine stand-in's map as a layer: its features are read
// through our MITAB library and drawn at the pixels their coordinates convert to.
#include "tests/standins/mapengine/EngineFixture.h"
#include "tests/support/TestSupport.h"

#include "platform/UniqueHandle.h"

#include <windows.h>

namespace enginetest {
namespace {

constexpr DISPID kLayersAdd = 4, kLayerAllFeatures = 26, kFeaturesCount = 1;
constexpr int kWidth = 640, kHeight = 480;

// True when a pixel within one of (x, y) is black: every feature of the table is drawn in black.
bool BlackNear(HDC dc, int x, int y) {
    for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx)
            if ((::GetPixel(dc, x + dx, y + dy) & 0xFFFFFF) == 0) return true;
    return false;
}

TEST(EngineTables, ATableWrittenByGdalIsDrawnWhereItsCoordinatesSay) {
    const std::wstring path = testsupport::WinePath(MITAB_TEST_OUT_UNIX) + L"\\from_gdal\\mixed.tab";
    ASSERT_NE(::GetFileAttributesW(path.c_str()), INVALID_FILE_ATTRIBUTES) << "gdal_check.py make must run first";
    ComPtr<IUnknown> unknown = CreateMap();
    ASSERT_TRUE(unknown);
    ComPtr<IDispatch> map = MapDispatch(unknown.Get());
    ComPtr<IDispatch> layers = Object(Get(map.Get(), map::kLayers));
    ComPtr<IDispatch> layer = Object(Call(layers.Get(), kLayersAdd, {Variant(path)}));
    ASSERT_TRUE(layer);
    EXPECT_EQ(Get(Object(Get(layer.Get(), kLayerAllFeatures)).Get(), kFeaturesCount).ToLong(), 5);

    Call(map.Get(), map::kSetSize, {Variant(static_cast<long>(kWidth)), Variant(static_cast<long>(kHeight))});
    Call(map.Get(), map::kZoomTo, {Variant(500.0), Variant(1.75), Variant(51.0)});
    ComPtr<IViewObjectEx> view;
    ASSERT_EQ(unknown->QueryInterface(IID_IViewObjectEx, view.PutVoid()), S_OK);
    platform::UniqueCreatedDC memory(::CreateCompatibleDC(nullptr));
    BITMAPINFO bi = {{sizeof(BITMAPINFOHEADER), kWidth, -kHeight, 1, 32}};
    void* bits = nullptr;
    platform::UniqueHBitmap bitmap(::CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
    platform::SelectObjectRestorer select(memory.Get(), bitmap.Get());
    RECTL bounds = {0, 0, kWidth, kHeight};
    ASSERT_EQ(view->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, memory.Get(), &bounds, nullptr, nullptr, 0), S_OK);

    // Two points, a vertex of the line, one of each part of the two-part line, corners of the park.
    const double drawn[][2] = {{-0.5, 51.25}, {1.125, 52.0}, {0.5, 50.5}, {2.5, 50.5}, {2.9, 50.9}, {4.0, 50.0}, {3.0, 51.0}};
    for (const auto& p : drawn) {
        float sx, sy;
        MapToScreen(map.Get(), p[0], p[1], sx, sy);
        EXPECT_TRUE(BlackNear(memory.Get(), static_cast<int>(sx + 0.5f), static_cast<int>(sy + 0.5f)))
            << p[0] << "," << p[1] << " at " << sx << "," << sy;
    }
    // Nothing where the table has nothing.
    const double empty[][2] = {{1.6, 51.6}, {-0.3, 50.2}};
    for (const auto& p : empty) {
        float sx, sy;
        MapToScreen(map.Get(), p[0], p[1], sx, sy);
        EXPECT_FALSE(BlackNear(memory.Get(), static_cast<int>(sx + 0.5f), static_cast<int>(sy + 0.5f))) << p[0] << "," << p[1];
    }
}

}  // namespace
}  // namespace enginetest
