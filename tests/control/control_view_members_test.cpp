// The view members a host calls through IDispatch: zoom to layers and boxes, layer bounds,
// keeping maps in step, the zoom record, the current tool with annotation editing, and units.
// What they do is read back from the engine stand-in.
#include "tests/datalayers/DisplayFixture.h"
#include "tests/support/DibCanvas.h"
#include "tests/support/TestSupport.h"

#include "ZmaVOMap2/control/ZmaVadAZ.h"
#include "ZmaVOMap2/engine/EngineMembers.h"
#include "platform/ComObject.h"

#include "MapEngine.h"

#include <cmath>
#include <limits>

using namespace displaytest;
using platform::Bstr;
using platform::ComPtr;
using platform::Variant;

namespace {

enum : DISPID {
    kCurrentTool = 0xC,
    kPaperUnits = 0x12,
    kDistanceUnit = 0x14,
    kSetZoom = 0x22,
    kZoomToLayer = 0x26,
    kSetDisplayOrigin = 0x65,
    kZoomToBoundingBox = 0x71,
    kZoomToLayers = 0x72,
    kGetLayerBounds = 0x7B,
    kSyncZoomAll = 0x89,
};
// Engine members.
enum : DISPID {
    kEngineAnnotations = 3,
    kEngineCenterX = 8,
    kEngineCenterY = 9,
    kEnginePaperHeight = 12,
    kEnginePaperWidth = 13,
    kEnginePaperUnit = 15,
    kEngineCurrentTool = 20,
    kEngineSetSize = 42,
    kEngineFeatureFactory = 49,
    kAnnotationsCount = 2,
    kRectXMin = 1, kRectYMin = 2, kRectXMax = 3, kRectYMax = 4,
};
const wchar_t kGuidA[] = L"{A0000000-1111-4000-8000-0000000000AA}";
const wchar_t kGuidB[] = L"{B0000000-1111-4000-8000-0000000000BB}";

struct Box {
    double xMin, yMin, xMax, yMax;
};

Box BoxOf(IDispatch* rectangle) {
    return {Get(rectangle, kRectXMin).ToDouble(), Get(rectangle, kRectYMin).ToDouble(), Get(rectangle, kRectXMax).ToDouble(),
            Get(rectangle, kRectYMax).ToDouble()};
}

// The engine keeps its window's aspect: a box it was given lies inside the view, touching two
// opposite sides, centred.
void ExpectFitted(const std::vector<double>& view, const Box& box) {
    const double eps = 1e-7;
    EXPECT_LE(view[0], box.xMin + eps);
    EXPECT_LE(view[1], box.yMin + eps);
    EXPECT_GE(view[2], box.xMax - eps);
    EXPECT_GE(view[3], box.yMax - eps);
    const bool wide = std::abs((view[2] - view[0]) - (box.xMax - box.xMin)) < 1e-6;
    const bool tall = std::abs((view[3] - view[1]) - (box.yMax - box.yMin)) < 1e-6;
    EXPECT_TRUE(wide || tall);
    EXPECT_NEAR((view[0] + view[2]) / 2, (box.xMin + box.xMax) / 2, 1e-6);
    EXPECT_NEAR((view[1] + view[3]) / 2, (box.yMin + box.yMax) / 2, 1e-6);
}

// A failing call through the dual interface, with the description its error information gives.
std::wstring ErrorText() {
    ComPtr<IErrorInfo> info;
    if (::GetErrorInfo(0, info.Put()) != S_OK || !info) return L"";
    BSTR text = nullptr;
    info->GetDescription(&text);
    return Bstr::Attach(text).Wide();
}

class ViewMembers : public DisplayTest {
protected:
    void SetUp() override {
        DisplayTest::SetUp();
        Initialise();
        testsupport::RemoveBackgroundMap(control_.Get());
        // A known window size: 640 by 480 pixels.
        ASSERT_EQ(Call(EngineMap().Get(), kEngineSetSize, {Variant(640L), Variant(480L)}), S_OK);
        automation_ = [&] {
            ComPtr<IZmaVadAZ2> a;
            control_->QueryInterface(IID_IZmaVadAZ2, a.PutVoid());
            return a;
        }();
    }
    double EngineDouble(DISPID id) { return Get(EngineMap().Get(), id).ToDouble(); }
    Box LayerBounds(const wchar_t* guid) {
        Variant rectangle;
        EXPECT_EQ(Call(Control(), kGetLayerBounds, {Text(guid)}, &rectangle), S_OK);
        return rectangle.vt == VT_DISPATCH ? BoxOf(rectangle.pdispVal) : Box{};
    }
    // A map of its own, as a fresh control gives it: its first dataset brings itself into view.
    void FreshMap() {
        TearDown();
        SetUp();
    }
    ComPtr<IZmaVadAZ2> automation_;
};

TEST_F(ViewMembers, ZoomToLayerPadsByTheGivenShareOrFourPercent) {
    ASSERT_EQ(Display(MakeSampleDataset(200).Get(), Text(L"RxLev"), kGuidA), S_OK);
    const Box extent = LayerBounds(kGuidA);
    ASSERT_LT(extent.xMin, extent.xMax);

    ASSERT_EQ(Call(Control(), kZoomToLayer, {Text(kGuidA), Variant(0.0)}), S_OK);
    ExpectFitted(MapBounds(), extent);

    ASSERT_EQ(Call(Control(), kZoomToLayer, {Text(kGuidA), Variant(-1.0)}), S_OK);
    const double dx = (extent.xMax - extent.xMin) * 0.04, dy = (extent.yMax - extent.yMin) * 0.04;
    ExpectFitted(MapBounds(), {extent.xMin - dx, extent.yMin - dy, extent.xMax + dx, extent.yMax + dy});

    // A series the map does not show leaves the view alone.
    const std::vector<double> before = MapBounds();
    EXPECT_EQ(Call(Control(), kZoomToLayer, {Text(L"{nothing}"), Variant(0.0)}), S_OK);
    EXPECT_EQ(MapBounds(), before);
}

TEST_F(ViewMembers, ASinglePointLayerIsCentredWithoutChangingTheZoom) {
    ComPtr<IDispatch> one = NewDataset({{L"Latitude", 13}, {L"Longitude", 12}, {L"RxLev", 3}}, 1);
    SetValue(one.Get(), 0, L"RxLev", Variant(5L));
    ASSERT_EQ(Display(one.Get(), Text(L"RxLev"), kGuidA), S_OK);
    ASSERT_EQ(Call(Control(), kZoomToBoundingBox, {Variant(40.0), Variant(0.0), Variant(30.0), Variant(20.0)}), S_OK);
    const double zoom = Get(EngineMap().Get(), kEngineZoom).ToDouble();
    const Box point = LayerBounds(kGuidA);

    ASSERT_EQ(Call(Control(), kZoomToLayer, {Text(kGuidA), Variant(-1.0)}), S_OK);
    EXPECT_DOUBLE_EQ(Get(EngineMap().Get(), kEngineZoom).ToDouble(), zoom);
    std::vector<double> view = MapBounds();
    EXPECT_NEAR((view[0] + view[2]) / 2, (point.xMin + point.xMax) / 2, 1e-6);
    EXPECT_NEAR((view[1] + view[3]) / 2, (point.yMin + point.yMax) / 2, 1e-6);
}

// --- Rows no map can show ----------------------------------------------------------------------

using Rows = std::vector<std::pair<double, double>>;

ComPtr<IDispatch> Dataset(const Rows& rows) {
    ComPtr<IDispatch> dataset = NewDataset({{L"Latitude", 13}, {L"Longitude", 12}, {L"RxLev", 3}}, static_cast<long>(rows.size()));
    for (long r = 0; r < static_cast<long>(rows.size()); ++r) {
        SetValue(dataset.Get(), r, L"Longitude", Variant(rows[r].first));
        SetValue(dataset.Get(), r, L"Latitude", Variant(rows[r].second));
        SetValue(dataset.Get(), r, L"RxLev", Variant(r));
    }
    return dataset;
}

// A row at a position no map holds is left out of the first view, the bounds and ZoomToLayer;
// padding past the world's edge is moved back inside, or cut where the rows span the world.
TEST_F(ViewMembers, ADatasetsViewCoversItsRowsOnTheMapAndEndsAtTheWorldsEdge) {
    const double inf = std::numeric_limits<double>::infinity();
    const struct {
        const char* what;
        Rows rows;
        Box fitted;
    } cases[] = {
        {"longitudes 1e308, +Infinity and 200, latitudes -Infinity and 95",
         {{10.0, 50.0}, {1e308, 50.01}, {inf, 50.01}, {10.01, -inf}, {200.0, 50.01}, {10.01, 95.0}, {10.02, 50.02}},
         {10.0 - 0.0008, 50.0 - 0.0008, 10.02 + 0.0008, 50.02 + 0.0008}},
        // 4 % of 19.9 degrees on either side: 21.492 degrees that end at the edges.
        {"the north-east corner", {{160.0, 70.0}, {179.9, 89.9}}, {180.0 - 21.492, 90.0 - 21.492, 180.0, 90.0}},
        {"the whole world", {{-179.5, -89.5}, {179.5, 89.5}}, {-180.0, -90.0, 180.0, 90.0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        FreshMap();
        EXPECT_EQ(Display(Dataset(c.rows).Get(), Text(L"RxLev"), kGuidA), S_OK);
        ExpectFitted(MapBounds(), c.fitted);
        const Box b = LayerBounds(kGuidA);
        EXPECT_TRUE(b.xMin >= c.fitted.xMin && b.yMin >= c.fitted.yMin && b.xMax <= c.fitted.xMax &&
                    b.yMax <= c.fitted.yMax);
        ASSERT_EQ(Call(Control(), kZoomToBoundingBox, {Variant(40.0), Variant(0.0), Variant(30.0), Variant(20.0)}), S_OK);
        EXPECT_EQ(Call(Control(), kZoomToLayer, {Text(kGuidA), Variant(-1.0)}), S_OK);
        ExpectFitted(MapBounds(), c.fitted);
    }

    // The host's selection shown: a selected row off the map does not take the view with it.
    ComPtr<IDispatch> selected = Dataset({{10.0, 50.0}, {1e308, 50.01}});
    ASSERT_EQ(Display(selected.Get(), Text(L"RxLev"), kGuidB), S_OK);
    ASSERT_EQ(Call(Control(), kZoomToBoundingBox, {Variant(40.0), Variant(0.0), Variant(30.0), Variant(20.0)}), S_OK);
    testsupport::DibCanvas canvas(640, 480, false);
    ASSERT_EQ(canvas.DrawView(control_.Get()), S_OK);  // the view the selection is judged in
    SelectRows(selected.Get(), {0, 1});
    EXPECT_EQ(Call(Control(), kNotifySelectionChange, {Text(kGuidB)}), S_OK);
    EXPECT_NEAR(EngineDouble(kEngineCenterX), 10.0, 1e-9);
    EXPECT_NEAR(EngineDouble(kEngineCenterY), 50.0, 1e-9);

    // No row on the map: no bounds, and neither the first view nor ZoomToLayer moves.
    FreshMap();
    const std::vector<double> fresh = MapBounds();
    EXPECT_EQ(Display(Dataset({{1e308, 95.0}, {200.0, inf}}).Get(), Text(L"RxLev"), kGuidA), S_OK);
    IDispatch* none = nullptr;
    EXPECT_EQ(automation_->GetLayerBounds(Bstr(kGuidA).Get(), &none), S_FALSE);
    EXPECT_EQ(Call(Control(), kZoomToLayer, {Text(kGuidA), Variant(-1.0)}), S_OK);
    EXPECT_EQ(MapBounds(), fresh);
}

TEST_F(ViewMembers, GetLayerBoundsNamesMissingLayersAndLayersWithoutAnExtent) {
    Variant rectangle;
    EXPECT_EQ(Call(Control(), kGetLayerBounds, {Text(L"{nothing}")}, &rectangle), E_INVALIDARG);
    // The annotations layer of a fresh map holds nothing: no bounds, and the out-argument stays.
    IDispatch* untouched = reinterpret_cast<IDispatch*>(0x1234);
    IDispatch* out = untouched;
    Bstr name(L"Annotations");
    EXPECT_EQ(automation_->GetLayerBounds(name.Get(), &out), S_FALSE);
    EXPECT_EQ(out, untouched);
}

TEST_F(ViewMembers, ZoomToBoundingBoxFitsPansAndRefusesOutOfRangeCoordinates) {
    ASSERT_EQ(Call(Control(), kZoomToBoundingBox, {Variant(52.0), Variant(9.0), Variant(50.0), Variant(12.0)}), S_OK);
    ExpectFitted(MapBounds(), {9.0, 50.0, 12.0, 52.0});

    // A box without area pans the view to its corner; the engine keeps its width in degrees
    // (the height follows the latitude).
    const std::vector<double> fitted = MapBounds();
    ASSERT_EQ(Call(Control(), kZoomToBoundingBox, {Variant(48.5), Variant(7.25), Variant(48.5), Variant(7.25)}), S_OK);
    const std::vector<double> panned = MapBounds();
    EXPECT_NEAR(panned[2] - panned[0], fitted[2] - fitted[0], 1e-6);
    EXPECT_NEAR(EngineDouble(kEngineCenterX), 7.25, 1e-6);
    EXPECT_NEAR(EngineDouble(kEngineCenterY), 48.5, 1e-6);

    const std::vector<double> before = MapBounds();
    EXPECT_EQ(automation_->ZoomToBoundingBox(91.0, 9.0, 50.0, 12.0), E_FAIL);
    EXPECT_EQ(ErrorText(), L"Latitude out of range, must be in the range -90 to +90");
    EXPECT_EQ(automation_->ZoomToBoundingBox(50.0, 9.0, 51.0, -181.0), E_FAIL);
    EXPECT_EQ(ErrorText(), L"Longitude out of range, must be in the range -180 to +180");
    EXPECT_EQ(automation_->ZoomToBoundingBox(std::nan(""), 9.0, 51.0, 10.0), E_FAIL);
    EXPECT_EQ(MapBounds(), before) << "a refused box leaves the view";
}

TEST_F(ViewMembers, ZoomToLayersFitsTheUnionAndIgnoresUnknownIds) {
    ASSERT_EQ(Display(MakeSampleDataset(100).Get(), Text(L"RxLev"), kGuidA), S_OK);
    ComPtr<IDispatch> second = NewDataset({{L"Latitude", 13}, {L"Longitude", 12}, {L"RxLev", 3}}, 20);
    for (long r = 0; r < 20; ++r) SetValue(second.Get(), r, L"RxLev", Variant(r));
    ASSERT_EQ(Display(second.Get(), Text(L"RxLev"), kGuidB), S_OK);
    const Box a = LayerBounds(kGuidA), b = LayerBounds(kGuidB);

    ComPtr<IHostStringList> ids;
    ASSERT_EQ(::CoCreateInstance(CLSID_HostStringList, nullptr, CLSCTX_INPROC_SERVER, IID_IHostStringList,
                                 ids.PutVoid()),
              S_OK);
    ids->Add(Text(L"{unknown}"), Missing(), Missing());
    const std::vector<double> before = MapBounds();
    EXPECT_EQ(Call(Control(), kZoomToLayers, {Variant(static_cast<IDispatch*>(ids.Get())), Variant(0.0)}), S_OK);
    EXPECT_EQ(MapBounds(), before) << "all ids missing: no move";

    ids->Add(Text(kGuidA), Missing(), Missing());
    ids->Add(Text(kGuidB), Missing(), Missing());
    EXPECT_EQ(Call(Control(), kZoomToLayers, {Variant(static_cast<IDispatch*>(ids.Get())), Variant(0.0)}), S_OK);
    ExpectFitted(MapBounds(), {std::min(a.xMin, b.xMin), std::min(a.yMin, b.yMin), std::max(a.xMax, b.xMax),
                               std::max(a.yMax, b.yMax)});
    EXPECT_EQ(Call(Control(), kZoomToLayers, {Variant(static_cast<IDispatch*>(nullptr)), Variant(0.0)}), E_INVALIDARG);
}

TEST_F(ViewMembers, SyncZoomAllDividesByWidthLessHeightAndLeavesTheZoomWhenThatIsNotPositive) {
    // 640 - 480 = 160 pixels: zoom 10 at 80 pixels becomes 10 / (80 / 160) = 20.
    ASSERT_EQ(Call(Control(), kSyncZoomAll, {Variant(10.5), Variant(50.5), Variant(10.0), Variant(80L)}), S_OK);
    EXPECT_NEAR(EngineDouble(kEngineCenterX), 10.5, 1e-9);
    EXPECT_NEAR(EngineDouble(kEngineCenterY), 50.5, 1e-9);
    EXPECT_NEAR(Get(EngineMap().Get(), kEngineZoom).ToDouble(), 20.0, 1e-9);

    for (long height : {640L, 700L}) {
        ASSERT_EQ(Call(EngineMap().Get(), kEngineSetSize, {Variant(640L), Variant(height)}), S_OK);
        const double zoom = Get(EngineMap().Get(), kEngineZoom).ToDouble();
        EXPECT_EQ(Call(Control(), kSyncZoomAll, {Variant(11.0), Variant(51.0), Variant(10.0), Variant(80L)}), S_OK);
        EXPECT_EQ(Get(EngineMap().Get(), kEngineZoom).ToDouble(), zoom) << height;
        EXPECT_NEAR(EngineDouble(kEngineCenterX), 11.0, 1e-9) << "the centre still moves";
    }
}

TEST_F(ViewMembers, SetZoomKeepsTheRecordAndSwitchesRedrawOn) {
    ASSERT_EQ(Put(EngineMap().Get(), kEngineAutoRedraw, Variant(false)), S_OK);
    // VBScript passes small integers as VT_I2.
    EXPECT_EQ(Call(Control(), kSetZoom, {Variant(2.5), Variant(short{300}), Variant(short{200}), Variant(320L), Variant(240L)}),
              S_OK);
    EXPECT_TRUE(Get(EngineMap().Get(), kEngineAutoRedraw).ToBool());
    EXPECT_EQ(Call(Control(), kSetDisplayOrigin, {Variant(short{4}), Variant(7L)}), S_OK);
}

TEST_F(ViewMembers, UnitsPassThroughToTheEngine) {
    EXPECT_EQ(Put(Control(), kDistanceUnit, Variant(short{7})), S_OK);
    EXPECT_EQ(Get(EngineMap().Get(), kEngineDistanceUnit).ToLong(), 7);
    EXPECT_EQ(Get(Control(), kDistanceUnit).ToLong(), 7);
    EXPECT_EQ(Put(Control(), kPaperUnits, Variant(3L)), S_OK);
    EXPECT_EQ(Get(EngineMap().Get(), kEnginePaperUnit).ToLong(), 3);
    EXPECT_EQ(Get(Control(), kPaperUnits).ToLong(), 3);
    LONG* nowhere = nullptr;
    EXPECT_EQ(automation_->get_DistanceUnit(nowhere), E_POINTER);
    EXPECT_EQ(automation_->get_CurrentTool(nowhere), E_POINTER);
}

// --- The current tool ------------------------------------------------------------------------------

class ToolMembers : public ViewMembers {
protected:
    long EngineTool() { return Get(EngineMap().Get(), kEngineCurrentTool).ToLong(); }
    long AnnotationCount() {
        Variant annotations = Get(EngineMap().Get(), kEngineAnnotations);
        return Get(annotations.pdispVal, kAnnotationsCount).ToLong();
    }
    // Text features of the annotations layer, through the engine.
    long TextFeatures() {
        ComPtr<IDispatch> layer = EngineLayer(L"Annotations");
        Variant features = Get(layer.Get(), Engine::Layer::kAllFeatures);
        return Get(features.pdispVal, Engine::Collection::kCount).ToLong();
    }
    void AddTextFeature(const wchar_t* text) {
        Variant factory = Get(EngineMap().Get(), kEngineFeatureFactory);
        CLSID pointClass;
        ASSERT_EQ(::CLSIDFromString(L"{968303A6-8F18-11D0-8796-00AA00B7EF73}", &pointClass), S_OK);
        ComPtr<IDispatch> point;
        ASSERT_EQ(::CoCreateInstance(pointClass, nullptr, CLSCTX_ALL, IID_IDispatch, point.PutVoid()), S_OK);
        Call(point.Get(), Engine::Point::kSet, {Variant(10.0), Variant(50.0)});
        Variant feature;
        ASSERT_EQ(Call(factory.pdispVal, Engine::FeatureFactory::kCreateText, {Variant(point.Get()), Text(text)}, &feature), S_OK);
        ASSERT_EQ(Call(EngineLayer(L"Annotations").Get(), Engine::Layer::kAddFeature, {feature}), S_OK);
    }
};

TEST_F(ToolMembers, EditTextMovesAnnotationsIntoTheEngineAndOtherToolsMoveThemBack) {
    AddTextFeature(L"Site 1");
    AddTextFeature(L"Site 2");
    ASSERT_EQ(TextFeatures(), 2);

    ASSERT_EQ(Put(Control(), kCurrentTool, Variant(short{VO_MAP_TOOL_EDITTEXT})), S_OK);
    EXPECT_EQ(AnnotationCount(), 2);
    EXPECT_EQ(TextFeatures(), 0);
    EXPECT_EQ(EngineTool(), VO_MAP_TOOL_ARROW);
    EXPECT_EQ(Get(Control(), kCurrentTool).ToLong(), VO_MAP_TOOL_ARROW);

    ASSERT_EQ(Put(Control(), kCurrentTool, Variant(static_cast<long>(VO_MAP_TOOL_SELECT))), S_OK);
    EXPECT_EQ(AnnotationCount(), 0);
    EXPECT_EQ(TextFeatures(), 2);
    EXPECT_EQ(EngineTool(), VO_MAP_TOOL_SELECT);
}

TEST_F(ToolMembers, AnnotationToolsTellTheHostAndUnknownToolsAnswerTheEnginesError) {
    ASSERT_EQ(Put(Control(), kCurrentTool, Variant(static_cast<long>(VO_MAP_TOOL_PAN))), S_OK);
    events_->Take();
    for (long tool : {1006L, 1012L, 1013L, 1014L, 1015L}) {
        EXPECT_EQ(Put(Control(), kCurrentTool, Variant(tool)), S_OK) << tool;
        EXPECT_TRUE(events_->Saw(L"3:" + std::to_wstring(tool))) << tool;
        EXPECT_EQ(EngineTool(), tool) << "the annotation routine selects it";
    }
    // Leaving the text tool turns its text into layer features at once.
    ASSERT_EQ(Put(Control(), kCurrentTool, Variant(1006L)), S_OK);
    Variant annotations = Get(EngineMap().Get(), kEngineAnnotations);
    ASSERT_EQ(Call(annotations.pdispVal, 6, {Text(L"typed"), Variant(10.0), Variant(50.0)}), S_OK);
    ASSERT_EQ(Put(Control(), kCurrentTool, Variant(static_cast<long>(VO_MAP_TOOL_ZOOMIN))), S_OK);
    EXPECT_EQ(AnnotationCount(), 0);
    EXPECT_EQ(TextFeatures(), 1);

    const HRESULT engine = Put(EngineMap().Get(), kEngineCurrentTool, Variant(4242L));
    ASSERT_TRUE(FAILED(engine));
    EXPECT_EQ(Put(Control(), kCurrentTool, Variant(4242L)), engine);
}

// --- In-process members the commands and printing call -------------------------------------------

TEST(ViewComponent, MapDimensionsAreThePaperSizeInTheConvertersUnitNine) {
    ComPtr<IUnknown> unknown;
    ASSERT_EQ(platform::CreateInstanceOf<CZmaVadAZ>(IID_IUnknown, unknown.PutVoid()), S_OK);
    ComPtr<IZmaVadAZ2> automation;
    ASSERT_EQ(unknown->QueryInterface(IID_IZmaVadAZ2, automation.PutVoid()), S_OK);
    CZmaVadAZ* control = static_cast<CZmaVadAZ*>(automation.Get());
    IDispatch* map = control->EngineMap();
    ASSERT_EQ(Call(map, kEngineSetSize, {Variant(640L), Variant(480L)}), S_OK);
    ComPtr<IHostUnitConverter> converter;
    ASSERT_EQ(::CoCreateInstance(CLSID_HostUnitConverter, nullptr, CLSCTX_INPROC_SERVER, IID_IHostUnitConverter,
                                 converter.PutVoid()),
              S_OK);
    // Engine paper units and the converter's codes for them.
    for (auto [engineUnit, converterUnit] : {std::pair{0L, 8L}, {1L, 14L}, {3L, 5L}, {31L, 7L}, {2L, 4L}, {99L, 4L}}) {
        if (FAILED(Put(map, kEnginePaperUnit, Variant(engineUnit)))) continue;  // a unit the engine does not know
        double w = 0, h = 0;
        converter->Convert(Get(map, kEnginePaperWidth).ToDouble(), converterUnit, 9, &w);
        converter->Convert(Get(map, kEnginePaperHeight).ToDouble(), converterUnit, 9, &h);
        long width = -1, height = -1;
        control->GetMapDimensions(width, height);
        EXPECT_EQ(width, static_cast<long>(std::floor(w))) << engineUnit;
        EXPECT_EQ(height, static_cast<long>(std::floor(h))) << engineUnit;
    }
    ComPtr<IOleObject> ole;
    unknown->QueryInterface(IID_IOleObject, ole.PutVoid());
    ole->Close(OLECLOSE_NOSAVE);
}

}  // namespace
