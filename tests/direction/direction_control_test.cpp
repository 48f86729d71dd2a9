// Drive-direction arrows as a host shows them: ShowDirection over displayed datasets, the
// arrows drawn beside the route pointing the way it was driven, kept through saved settings, and
// a route out of time order reported once.
#include "tests/control/MapSiteFixture.h"

#include "ZmaVOMap2/control/ZmaVadAZ.h"
#include "ZmaVOMap2/direction/ZmaVadAZDirectionLayer.h"
#include "ZmaVOMap2/layers/LayerFactory.h"
#include "ZmaVOMap2/layers/ZmaVadAZLayerCollection.h"
#include "platform/ComObject.h"
#include "platform/Xml.h"
#include "tests/support/DialogAnswerer.h"
#include "tests/support/Watchdog.h"

#include <algorithm>
#include <cstdio>
#include <fstream>

using platform::Bstr;
using platform::ComPtr;
using platform::Variant;
using namespace displaytest;

namespace sitetest {
namespace {

constexpr wchar_t kSeries[] = L"{6B0F3D29-5C1E-4B7A-9E0D-2A4C8F1E7B11}";
constexpr wchar_t kOtherSeries[] = L"{1D2E3F40-5A6B-4C7D-8E9F-A0B1C2D3E4F5}";

struct RouteRow {
    float x, y;  // where the row lies on the screen of the test's view
    long distance;
    double time;
};

class Directions : public MapSiteTest {
protected:
    HRESULT MakeControl(ComPtr<IUnknown>& control) override {
        HRESULT hr = platform::CreateInstanceOf<CZmaVadAZ>(IID_IUnknown, control.PutVoid());
        if (SUCCEEDED(hr)) self_ = static_cast<CZmaVadAZ*>(controltest::As<IZmaVadAZ2>(control.Get()).Get());
        return hr;
    }
    void SetUp() override {
        MapSiteTest::SetUp();
        ShowView();
        if (auto* answerer = testsupport::DialogAnswerer::Current()) answerer->Clear();
    }
    void ShowView() { ShowArea(9.99, 49.99, 10.01, 50.01); }

    ComPtr<IDispatch> Route(const std::vector<RouteRow>& rows) {
        ComPtr<IDispatch> dataset = NewDataset(
            {{L"Latitude", 13}, {L"Longitude", 12}, {L"Distance", 3}, {L"Time", 5}, {L"RxLev", 5}}, static_cast<long>(rows.size()));
        for (size_t i = 0; i < rows.size(); ++i) {
            const MapPoint p = ToMap(rows[i].x, rows[i].y);
            const long row = static_cast<long>(i);
            SetValue(dataset.Get(), row, L"Longitude", Variant(p.x));
            SetValue(dataset.Get(), row, L"Latitude", Variant(p.y));
            SetValue(dataset.Get(), row, L"Distance", Variant(rows[i].distance));
            SetValue(dataset.Get(), row, L"Time", Variant(rows[i].time));
            SetValue(dataset.Get(), row, L"RxLev", Variant(-70.0));
        }
        return dataset;
    }
    // An eastward route along y = 100 with a row every 60 pixels and 300 of distance.
    ComPtr<IDispatch> EastwardRoute() {
        return Route({{100, 100, 0, 1}, {160, 100, 300, 2}, {220, 100, 600, 3}, {280, 100, 900, 4}, {340, 100, 1200, 5}});
    }
    void Display(IDispatch* dataset, const wchar_t* series = kSeries) {
        ASSERT_EQ(control_->DisplayDataset(dataset, Variant(L"RxLev"), Bstr(series).Get()), S_OK);
        ShowView();  // the first dataset brings itself into view; the test's view comes back
    }
    int DirectionLayers() {
        auto names = EngineLayerNames();
        return static_cast<int>(std::count_if(names.begin(), names.end(),
                                              [](const std::wstring& n) { return n.rfind(L"Direction", 0) == 0; }));
    }
    bool Shown() {
        VARIANT_BOOL shown = VARIANT_FALSE;
        EXPECT_EQ(control_->IsDirectionShown(&shown), S_OK);
        return shown == VARIANT_TRUE;
    }
    bool BlackNear(int x, int y) {
        for (int dx = -1; dx <= 1; ++dx)
            for (int dy = -1; dy <= 1; ++dy)
                if (IsBlack(x + dx, y + dy)) return true;
        return false;
    }
    // An arrow drawn for travel to the east from (x, y): shaft 9-10 pixels below, barbs back
    // from the head at x + 9.
    bool EastwardArrowAt(int x, int y) {
        return BlackNear(x - 8, y + 9) && BlackNear(x + 6, y + 9) && BlackNear(x + 4, y + 5) && BlackNear(x + 4, y + 13);
    }
    // A package root holding only an arrow configuration with one rule for every route.
    void ServeArrowSpacing(long spacing) {
        wchar_t temp[MAX_PATH] = {};
        ::GetTempPathW(MAX_PATH, temp);
        root_ = std::wstring(temp) + L"direction_pkg_" + std::to_wstring(::GetCurrentProcessId());
        ::CreateDirectoryW(root_.c_str(), nullptr);
        ::CreateDirectoryW((root_ + L"\\Bin").c_str(), nullptr);
        ::CreateDirectoryW((root_ + L"\\Bin\\XMLFiles").c_str(), nullptr);
        std::ofstream((root_ + L"\\Bin\\XMLFiles\\DriveDirectionConfig.xml").c_str())
            << "<DriveDirectionConfig><ArrowDistances><ArrowDistance MaxDistance=\"\" ArrowDistance=\"" << spacing
            << "\"/></ArrowDistances></DriveDirectionConfig>";
        package_ = PackageTest();
        ASSERT_TRUE(package_);
        ASSERT_EQ(package_->put_Root(Bstr(root_).Get()), S_OK);
    }
    static ComPtr<IHostPackageTest> PackageTest() {
        ComPtr<IHostPackageTest> package;
        ::CoCreateInstance(CLSID_HostPackageManager, nullptr, CLSCTX_INPROC_SERVER, IID_IHostPackageTest, package.PutVoid());
        return package;
    }
    void TearDown() override {
        if (package_) package_->put_Root(Bstr(L"").Get());
        MapSiteTest::TearDown();
    }
    std::vector<testsupport::DialogAnswerer::Answered> Boxes() {
        auto* answerer = testsupport::DialogAnswerer::Current();
        return answerer ? answerer->Dialogs() : std::vector<testsupport::DialogAnswerer::Answered>();
    }
    // The "DirectionPoint" elements the control saves.
    std::vector<std::wstring> SavedPoints(IZmaVadAZ2* control) {
        ComPtr<IXMLDOMDocument2> document = platform::CreateXmlDocument();
        ComPtr<IXMLDOMElement> root;
        document->createElement(Bstr(L"root").Get(), root.Put());
        document->appendChild(root.Get(), nullptr);
        ComPtr<IDispatch> node = controltest::As<IDispatch>(root.Get());
        EXPECT_EQ(control->SaveToXML(node.Get()), S_OK);
        ComPtr<IXMLDOMNodeList> points;
        root->selectNodes(Bstr(L"//Layer[@layertype='10']/DirectionPoints/DirectionPoint").Get(), points.Put());
        std::vector<std::wstring> out;
        long count = 0;
        points->get_length(&count);
        for (long i = 0; i < count; ++i) {
            ComPtr<IXMLDOMNode> point;
            points->get_item(i, point.Put());
            BSTR xml = nullptr;
            point->get_xml(&xml);
            out.push_back(Bstr::Attach(xml).Wide());
        }
        return out;
    }

    CZmaVadAZ* self_ = nullptr;
    std::wstring root_;
    ComPtr<IHostPackageTest> package_;
};

TEST_F(Directions, ArrowsStandAtTheConfiguredSpacingBesideTheRoutePointingTheWayItWasDriven) {
    ServeArrowSpacing(1000);
    Display(EastwardRoute().Get());
    events_->Take();
    ASSERT_EQ(control_->ShowDirection(VARIANT_TRUE), S_OK);
    EXPECT_TRUE(events_->Saw(L"4:Distance"));
    EXPECT_TRUE(Shown());

    DrawView();
    // Spacing 1000 over a route of 1200: arrows on the rows at 0 and at 900 (the pair across 1000).
    EXPECT_TRUE(EastwardArrowAt(100, 100));
    EXPECT_TRUE(EastwardArrowAt(280, 100));
    EXPECT_FALSE(BlackNear(160 - 8, 109));
    EXPECT_FALSE(BlackNear(220 - 8, 109));
    // Nothing above the route: the arrows lie to the right of the direction of travel.
    EXPECT_FALSE(BlackNear(100, 91));
}

TEST_F(Directions, AWestwardRouteGetsArrowsAboveItAtTheDefaultSpacing) {
    Display(Route({{340, 150, 0, 1}, {280, 150, 300, 2}, {220, 150, 600, 3}, {160, 150, 900, 4}}).Get());
    ASSERT_EQ(control_->ShowDirection(VARIANT_TRUE), S_OK);
    DrawView();
    // Default spacing 500 over 900: pairs (0, 300) and (300, 600); no target lies past 900.
    for (int x : {340, 280}) {
        EXPECT_TRUE(BlackNear(x + 8, 150 - 10)) << x;
        EXPECT_TRUE(BlackNear(x - 6, 150 - 10)) << x;
        EXPECT_FALSE(BlackNear(x, 150 + 9)) << x;
    }
    EXPECT_FALSE(BlackNear(220 - 6, 150 - 10));
}

TEST_F(Directions, WithEnhancedDrawingTheArrowsAreDrawnSmoothly) {
    ASSERT_EQ(control_->put_EnhancedDrawingMode(VARIANT_TRUE), S_OK);
    Display(EastwardRoute().Get());
    ASSERT_EQ(control_->ShowDirection(VARIANT_TRUE), S_OK);
    DrawView();
    auto dark = [&](int x, int y) {
        for (int dy = -2; dy <= 2; ++dy)
            if (GetRValue(Pixel(x, y + dy)) < 96 && GetGValue(Pixel(x, y + dy)) < 96) return true;
        return false;
    };
    EXPECT_TRUE(dark(100 - 8, 109));
    EXPECT_TRUE(dark(100 + 6, 109));
    EXPECT_FALSE(dark(160 - 8, 91));
}

TEST_F(Directions, OneDirectionLayerPerShownDatasetFollowsItsVisibility) {
    ComPtr<IDispatch> route = EastwardRoute();
    Display(route.Get());
    EXPECT_FALSE(Shown());
    Display(route.Get(), kOtherSeries);  // a second series over the same dataset
    ASSERT_EQ(control_->ShowDirection(VARIANT_TRUE), S_OK);
    ASSERT_EQ(control_->ShowDirection(VARIANT_TRUE), S_OK);
    EXPECT_EQ(DirectionLayers(), 1);
    ASSERT_EQ(control_->RemoveDataset(Bstr(kOtherSeries).Get(), Missing()), S_OK);

    ASSERT_EQ(control_->SetDatasetVisible(Bstr(kSeries).Get(), 0), S_OK);
    ASSERT_EQ(control_->ShowDirection(VARIANT_TRUE), S_OK);
    EXPECT_EQ(DirectionLayers(), 1);
    EXPECT_TRUE(Shown());  // hidden, but there
    DrawView();
    EXPECT_FALSE(EastwardArrowAt(100, 100));
    ASSERT_EQ(control_->SetDatasetVisible(Bstr(kSeries).Get(), 1), S_OK);
    ASSERT_EQ(control_->ShowDirection(VARIANT_TRUE), S_OK);
    DrawView();
    EXPECT_TRUE(EastwardArrowAt(100, 100));

    ASSERT_EQ(control_->RemoveDataset(Bstr(kSeries).Get(), Missing()), S_OK);
    ASSERT_EQ(control_->ShowDirection(VARIANT_TRUE), S_OK);
    EXPECT_EQ(DirectionLayers(), 0);
    EXPECT_FALSE(Shown());

    Display(route.Get(), kOtherSeries);
    ASSERT_EQ(control_->ShowDirection(VARIANT_TRUE), S_OK);
    EXPECT_TRUE(Shown());
    ASSERT_EQ(control_->ShowDirection(VARIANT_FALSE), S_OK);
    EXPECT_FALSE(Shown());
    EXPECT_EQ(DirectionLayers(), 0);
}

TEST_F(Directions, SavedArrowsComeBackWithTheStreamWithoutTheirDatasetAndAreNotDuplicated) {
    Display(EastwardRoute().Get());
    ASSERT_EQ(control_->ShowDirection(VARIANT_TRUE), S_OK);
    const auto saved = SavedPoints(control_.Get());
    ASSERT_EQ(saved.size(), 3u);

    ComPtr<IStream> stream;
    ASSERT_EQ(::CreateStreamOnHGlobal(nullptr, TRUE, stream.Put()), S_OK);
    ASSERT_EQ(controltest::As<IPersistStreamInit>(unknown_.Get())->Save(stream.Get(), TRUE), S_OK);
    LARGE_INTEGER start = {};
    stream->Seek(start, STREAM_SEEK_SET, nullptr);

    ComPtr<IUnknown> loaded;
    ASSERT_EQ(controltest::CreateControl(loaded), S_OK);
    ASSERT_EQ(controltest::As<IPersistStreamInit>(loaded.Get())->Load(stream.Get()), S_OK);
    ComPtr<IZmaVadAZ2> second = controltest::As<IZmaVadAZ2>(loaded.Get());
    VARIANT_BOOL shown = VARIANT_FALSE;
    ASSERT_EQ(second->IsDirectionShown(&shown), S_OK);
    EXPECT_EQ(shown, VARIANT_TRUE);
    EXPECT_EQ(SavedPoints(second.Get()), saved);
    controltest::As<IOleObject>(loaded.Get())->Close(OLECLOSE_NOSAVE);

    // Through the settings document as well, into a map that has no layers yet.
    ComPtr<IXMLDOMDocument2> document = platform::CreateXmlDocument();
    ComPtr<IXMLDOMElement> root;
    document->createElement(Bstr(L"root").Get(), root.Put());
    document->appendChild(root.Get(), nullptr);
    ASSERT_EQ(control_->SaveToXML(controltest::As<IDispatch>(root.Get()).Get()), S_OK);
    ComPtr<IUnknown> third;
    ASSERT_EQ(controltest::CreateControl(third), S_OK);
    ComPtr<IZmaVadAZ2> fromXml = controltest::As<IZmaVadAZ2>(third.Get());
    ComPtr<IXMLDOMNode> settings;
    root->get_firstChild(settings.Put());
    ASSERT_EQ(fromXml->LoadFromXML(controltest::As<IDispatch>(settings.Get()).Get()), S_OK);
    EXPECT_EQ(SavedPoints(fromXml.Get()), saved);
    controltest::As<IOleObject>(third.Get())->Close(OLECLOSE_NOSAVE);
}

TEST_F(Directions, ALoadedLayerIsAdoptedByItsSeriesNotDuplicated) {
    ComPtr<IDispatch> route = EastwardRoute();
    Display(route.Get());
    ASSERT_EQ(control_->ShowDirection(VARIANT_TRUE), S_OK);
    ComPtr<IStream> stream;
    ASSERT_EQ(::CreateStreamOnHGlobal(nullptr, TRUE, stream.Put()), S_OK);
    ASSERT_EQ(controltest::As<IPersistStreamInit>(unknown_.Get())->Save(stream.Get(), TRUE), S_OK);
    LARGE_INTEGER start = {};
    stream->Seek(start, STREAM_SEEK_SET, nullptr);
    // The map is closed and opened again from its settings; the host shows its dataset again.
    TearDown();
    unknown_ = nullptr;
    ASSERT_EQ(MakeControl(unknown_), S_OK);
    control_ = controltest::As<IZmaVadAZ2>(unknown_.Get());
    ASSERT_EQ(controltest::As<IPersistStreamInit>(unknown_.Get())->Load(stream.Get()), S_OK);
    ASSERT_EQ(control_->get_MapX(map_.Put()), S_OK);
    ASSERT_EQ(DirectionLayers(), 1);
    ASSERT_EQ(control_->DisplayDataset(route.Get(), Variant(L"RxLev"), Bstr(kSeries).Get()), S_OK);
    ASSERT_EQ(control_->ShowDirection(VARIANT_TRUE), S_OK);
    EXPECT_EQ(DirectionLayers(), 1);
}

TEST_F(Directions, ARouteOutOfTimeOrderIsReportedOnceAndGetsNoArrows) {
    ComPtr<IDispatch> backwards = Route({{100, 100, 0, 5}, {160, 100, 300, 4}, {220, 100, 600, 6}});
    Display(backwards.Get());
    EXPECT_EQ(control_->ShowDirection(VARIANT_TRUE), E_FAIL);
    EXPECT_FALSE(Shown());
    auto boxes = Boxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, L"Map");
    EXPECT_NE(boxes[0].text.find(L"not sorted chronologically"), std::wstring::npos);

    // A layer from saved settings without arrows builds them when first drawn: the user hears
    // about the order once, not at every repaint.
    CZmaVadAZLayerCollection* layers = self_->LayerCollection();
    std::unique_ptr<CZmaVadAZLayer> layer = LayerFactory::Instance().Create(CZmaVadAZLayer::kTypeDirection, map_.Get(), layers);
    ComPtr<IXMLDOMDocument2> document = platform::CreateXmlDocument();
    VARIANT_BOOL ok = VARIANT_FALSE;
    ASSERT_EQ(document->loadXML(Bstr(std::wstring(L"<Layer layertype='10' layerfilespec='' GUID='") + kSeries +
                                     L"'><DirectionPoints/></Layer>").Get(), &ok), S_OK);
    ComPtr<IXMLDOMElement> element;
    document->get_documentElement(element.Put());
    ASSERT_EQ(layer->LoadSettings(element.Get(), 3), S_OK);
    layers->InsertAtTop(std::move(layer));
    testsupport::DialogAnswerer::Current()->Clear();
    DrawView();
    DrawView();
    EXPECT_EQ(Boxes().size(), 1u);
}

TEST_F(Directions, MalformedSavedDirectionLayersAreRefused) {
    CZmaVadAZLayerCollection* layers = self_->LayerCollection();
    auto load = [&](const wchar_t* xml) {
        std::unique_ptr<CZmaVadAZLayer> layer =
            LayerFactory::Instance().Create(CZmaVadAZLayer::kTypeDirection, map_.Get(), layers);
        ComPtr<IXMLDOMDocument2> document = platform::CreateXmlDocument();
        VARIANT_BOOL ok = VARIANT_FALSE;
        document->loadXML(Bstr(xml).Get(), &ok);
        ComPtr<IXMLDOMElement> element;
        document->get_documentElement(element.Put());
        return layer->LoadSettings(element.Get(), 3);
    };
    EXPECT_EQ(load(L"<Layer layertype='10' GUID='g'/>"), E_POINTER);
    EXPECT_EQ(load(L"<Layer layertype='10' GUID='g'><DirectionPoints><!-- c --></DirectionPoints></Layer>"), E_POINTER);
    EXPECT_EQ(load(L"<Layer layertype='10' GUID='g'><DirectionPoints><DirectionPoint X0='1' Y0='2' X1='3'/></DirectionPoints></Layer>") == S_OK, false);
    EXPECT_EQ(load(L"<Layer layertype='10' GUID='g'><DirectionPoints><DirectionPoint X0='1' Y0='2' X1='3' Y1='4'/></DirectionPoints></Layer>"), S_OK);
}

TEST_F(Directions, ManySavedArrowsLoadAndAFrameConvertsOnlyAHandfulOfPositionsThroughTheEngine) {
    // One eastward arrow in the view, and a hundred thousand on a route far away.
    const MapPoint a = ToMap(100, 100), b = ToMap(160, 100);
    std::wstring xml = std::wstring(L"<Layer layertype='10' layerfilespec='' GUID='") + kSeries + L"'><DirectionPoints>";
    auto point = [&xml](double x0, double y0, double x1, double y1) {
        wchar_t text[160];
        std::swprintf(text, 160, L"<DirectionPoint X0='%.9f' Y0='%.9f' X1='%.9f' Y1='%.9f'/>", x0, y0, x1, y1);
        xml += text;
    };
    point(a.x, a.y, b.x, b.y);
    for (int i = 0; i < 100000; ++i) point(20 + i * 1e-4, 40.0, 20 + i * 1e-4 + 5e-5, 40.0);
    xml += L"</DirectionPoints></Layer>";
    ComPtr<IXMLDOMDocument2> document = platform::CreateXmlDocument();
    VARIANT_BOOL ok = VARIANT_FALSE;
    ASSERT_EQ(document->loadXML(Bstr(xml).Get(), &ok), S_OK);
    ComPtr<IXMLDOMElement> element;
    document->get_documentElement(element.Put());

    CZmaVadAZLayerCollection* layers = self_->LayerCollection();
    std::unique_ptr<CZmaVadAZLayer> layer = LayerFactory::Instance().Create(CZmaVadAZLayer::kTypeDirection, map_.Get(), layers);
    testsupport::Watchdog watchdog(20000);
    watchdog.Arm("loading 100001 arrows");
    ASSERT_EQ(layer->LoadSettings(element.Get(), 3), S_OK);
    ASSERT_EQ(static_cast<CZmaVadAZDirectionLayer*>(layer.get())->Arrows().size(), 100001u);
    layers->InsertAtTop(std::move(layer));

    ComPtr<IEngineTestHooks> hooks = controltest::EngineHooks(unknown_.Get());
    ASSERT_EQ(hooks->ClearCalls(), S_OK);
    watchdog.Arm("a frame of 100001 arrows");
    DrawView();
    watchdog.Arm("after the frame");
    EXPECT_TRUE(EastwardArrowAt(100, 100));
    LONG calls = 0, conversions = 0;
    hooks->CallCount(&calls);
    for (LONG i = 0; i < calls; ++i) {
        BSTR text = nullptr;
        hooks->CallText(i, &text);
        if (Bstr::Attach(text).Wide().find(L"(34) call") != std::wstring::npos) ++conversions;
    }
    EXPECT_LT(conversions, 50);
}

}  // namespace
}  // namespace sitetest
