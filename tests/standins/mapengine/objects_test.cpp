// The smaller engine objects the control reaches through the map: annotations, datasets and
// fields, label properties, the feature factory.
#include "tests/standins/mapengine/EngineFixture.h"

#include <cmath>

namespace enginetest {
namespace {

class MapObjects : public ::testing::Test {
protected:
    void SetUp() override {
        unknown_ = CreateMap();
        ASSERT_TRUE(unknown_);
        map_ = MapDispatch(unknown_.Get());
        layers_ = Object(Get(map_.Get(), map::kLayers));
    }

    ComPtr<IUnknown> unknown_;
    ComPtr<IDispatch> map_, layers_;
};

TEST_F(MapObjects, TextAnnotationsAreAddedCountedAndRemoved) {
    ComPtr<EventSink> sink = platform::MakeObject<EventSink>();
    SinkConnection connection(unknown_.Get(), sink.Get());
    ComPtr<IDispatch> annotations = Object(Get(map_.Get(), map::kAnnotations));
    ComPtr<IDispatch> added = Object(Call(annotations.Get(), 6, {Variant(L"Hello"), Variant(5.0), Variant(6.0)}));
    Call(annotations.Get(), 6, {Variant(L"World"), Variant(7.0), Variant(8.0)});
    EXPECT_EQ(Get(annotations.Get(), 2).ToLong(), 2);
    ComPtr<IDispatch> first = Object(Call(annotations.Get(), 4, {Variant(1L)}));
    EXPECT_EQ(Get(first.Get(), 1).ToLong(), 6);  // text
    ComPtr<IDispatch> graphic = Object(Get(first.Get(), 2));
    EXPECT_EQ(Text(Get(graphic.Get(), 1)), L"Hello");  // caption
    Put(graphic.Get(), 2, Variant(9.5));               // x
    EXPECT_DOUBLE_EQ(Number(Get(graphic.Get(), 2)), 9.5);
    ASSERT_EQ(sink->Of(7).size(), 2u);  // AnnotationAdded
    EXPECT_EQ(sink->Of(7)[0].types, (std::vector<VARTYPE>{VT_DISPATCH}));

    Call(annotations.Get(), 5, {Variant(1L)});  // Remove
    EXPECT_EQ(Get(annotations.Get(), 2).ToLong(), 1);
    Call(annotations.Get(), 7);  // RemoveAll
    EXPECT_EQ(Get(annotations.Get(), 2).ToLong(), 0);
    HRESULT hr = S_OK;
    Call(annotations.Get(), 4, {Variant(1L)}, &hr);
    EXPECT_EQ(hr, DISP_E_BADINDEX);
}

TEST_F(MapObjects, LayerDatasetsExposeTheTableFieldsForLabels) {
    TempFile table(L".TAB");
    ComPtr<IDispatch> layer = Object(Call(layers_.Get(), 10, {Variant(L"labelled"), Variant(table.Path())}));
    ComPtr<IDispatch> datasets = Object(Get(map_.Get(), map::kDatasets));
    ComPtr<IDispatch> dataset = Object(Call(datasets.Get(), 2, {Variant(short{6}), Variant(layer.Get())}));
    ASSERT_TRUE(dataset);
    EXPECT_EQ(Object(Get(dataset.Get(), 7)).Get(), layer.Get());
    ComPtr<IDispatch> fields = Object(Get(dataset.Get(), 3));
    ASSERT_GE(Get(fields.Get(), 1).ToLong(), 1);
    ComPtr<IDispatch> field = Object(Call(fields.Get(), 3, {Variant(1L)}));
    std::wstring name = Text(Get(field.Get(), 2));
    EXPECT_EQ(Object(Call(fields.Get(), 3, {Variant(name)})).Get(), field.Get());

    ComPtr<IDispatch> labels = Object(Get(layer.Get(), 5));
    Put(labels.Get(), 9, Variant(dataset.Get()));
    Variant result;
    EXCEPINFO info = {};
    EXPECT_EQ(Invoke(labels.Get(), 13, DISPATCH_PROPERTYPUTREF, {Variant(field.Get())}, &result, &info), S_OK);
    EXPECT_EQ(Text(Get(Object(Get(labels.Get(), 13)).Get(), 2)), name);
    Put(labels.Get(), 7, Variant(short{8}));
    EXPECT_EQ(Get(labels.Get(), 7).iVal, 8);  // the offset is 16-bit

    HRESULT hr = S_OK;
    Call(datasets.Get(), 2, {Variant(short{1}), Variant(layer.Get())}, &hr);
    EXPECT_EQ(hr, E_INVALIDARG);
    Call(fields.Get(), 3, {Variant(L"NoSuchField")}, &hr);
    EXPECT_EQ(hr, DISP_E_BADINDEX);
}

TEST_F(MapObjects, CircularRegionsSpanTheirRadiusOnTheGround) {
    Put(map_.Get(), map::kMapUnit, Variant(1L));  // km
    ComPtr<IDispatch> point;
    ASSERT_EQ(::CoCreateInstance(CLSID_EnginePoint, nullptr, CLSCTX_ALL, IID_IDispatch, point.PutVoid()), S_OK);
    Call(point.Get(), 3, {Variant(10.0), Variant(60.0)});
    ComPtr<IDispatch> factory = Object(Get(map_.Get(), map::kFeatureFactory));
    Variant missing;
    missing.vt = VT_ERROR;
    missing.scode = DISP_E_PARAMNOTFOUND;
    ComPtr<IDispatch> circle =
        Object(Call(factory.Get(), 11, {Variant(short{1}), Variant(point.Get()), Variant(50.0), missing, missing, missing}));
    ASSERT_TRUE(circle);
    EXPECT_EQ(Get(circle.Get(), 2).ToLong(), 0);  // region
    ComPtr<IDispatch> bounds = Object(Get(circle.Get(), 7));
    double xmin = Number(Get(bounds.Get(), 1)), ymax = Number(Get(bounds.Get(), 4));
    EXPECT_NEAR(Number(Call(map_.Get(), map::kDistance, {Variant(10.0), Variant(60.0), Variant(10.0), Variant(ymax)})), 50.0, 0.5);
    EXPECT_NEAR(Number(Call(map_.Get(), map::kDistance, {Variant(xmin), Variant(60.0), Variant(10.0), Variant(60.0)})), 50.0, 0.5);
    // The parts hold the ring.
    ComPtr<IDispatch> parts = Object(Get(circle.Get(), 9));
    EXPECT_EQ(Get(Object(Call(parts.Get(), 2, {Variant(1L)})).Get(), 1).ToLong(), 100);

    HRESULT hr = S_OK;
    Call(factory.Get(), 11, {Variant(short{1}), Variant(point.Get()), Variant(-1.0)}, &hr);
    EXPECT_EQ(hr, E_INVALIDARG);
    Call(factory.Get(), 11, {Variant(short{1}), Variant(map_.Get()), Variant(1.0)}, &hr);
    EXPECT_EQ(hr, E_INVALIDARG);  // not a point
}

}  // namespace
}  // namespace enginetest
