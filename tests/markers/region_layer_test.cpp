// The region layer over the engine stand-in, without a control: the extent of the host's regions.
#include "tests/layers/LayerFixture.h"

#include "ZmaVOMap2/markers/ZmaVadAZRegionLayer.h"

#include "HostInterfaces.h"

using platform::ComPtr;
using platform::Variant;

namespace layertest {
namespace {

class RegionLayer : public LayerTest {
protected:
    ComPtr<IRegionSet> NewSet() {
        ComPtr<IRegionSet> set;
        EXPECT_EQ(::CoCreateInstance(CLSID_HostRegionSet, nullptr, CLSCTX_INPROC_SERVER, IID_IRegionSet, set.PutVoid()),
                  S_OK);
        return set;
    }
    ComPtr<IDispatch> NewRectangle() {
        CLSID rectangleClass;
        EXPECT_EQ(::CLSIDFromProgID(L"MapX.Rectangle.4", &rectangleClass), S_OK);
        ComPtr<IDispatch> rectangle;
        EXPECT_EQ(::CoCreateInstance(rectangleClass, nullptr, CLSCTX_ALL, IID_IDispatch, rectangle.PutVoid()), S_OK);
        EngineDispatch(rectangle.Get()).Call(7, {Variant(1.0), Variant(2.0), Variant(3.0), Variant(4.0)});
        return rectangle;
    }
    static std::vector<double> Corners(IDispatch* rectangle) {
        EngineDispatch r(rectangle);
        return {r.Get(1).ToDouble(), r.Get(2).ToDouble(), r.Get(3).ToDouble(), r.Get(4).ToDouble()};
    }
};

TEST_F(RegionLayer, TheExtentCoversEveryPointAndIsEmptyWithoutOne) {
    ComPtr<IRegionSet> set = NewSet();
    CZmaVadAZRegionLayer layer(set.Get(), map_.Get(), layers_.get());
    ComPtr<IDispatch> rectangle = NewRectangle();
    EXPECT_EQ(layer.GetExtent(rectangle.Get()), 0);
    EXPECT_EQ(Corners(rectangle.Get()), (std::vector<double>{0, 0, 0, 0}));

    layer.AddPolygon({{10.5, 50.0}, {11.25, 50.5}, {10.75, 49.75}, {10.5, 50.0}});
    EXPECT_EQ(layer.GetExtent(rectangle.Get()), 1);
    EXPECT_EQ(Corners(rectangle.Get()), (std::vector<double>{10.5, 49.75, 11.25, 50.5}));

    // A polygon of one point widens the extent like any other point, and draws nothing.
    layer.AddPolygon({{12.0, 48.0}});
    EXPECT_EQ(layer.GetExtent(rectangle.Get()), 1);
    EXPECT_EQ(Corners(rectangle.Get()), (std::vector<double>{10.5, 48.0, 12.0, 50.5}));
    layer.ClearAllRegions();
    EXPECT_EQ(layer.GetExtent(rectangle.Get()), 0);
}

}  // namespace
}  // namespace layertest
