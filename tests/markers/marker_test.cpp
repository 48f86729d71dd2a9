// Markers as a host places and tracks them: dropped from its windows, moved with the select
// tool, deleted with the Delete key, recoloured, snapped onto the route, and every change read
// back in order.
#include "tests/control/MapSiteFixture.h"
#include "tests/support/MarkerData.h"

#include "ZmaVOMap2/engine/EngineMembers.h"

#include "platform/ComObject.h"

#include <cstdio>
#include <cstring>
#include <vector>

using platform::Bstr;
using platform::ComPtr;
using platform::Variant;
using namespace displaytest;
using testsupport::MarkerData;

namespace sitetest {
namespace {

// The engine's members the tests call that the control does not.
constexpr DISPID kAddXY = 5, kCreateLine = 7;

struct Change {
    HRESULT hr;
    long number;
    double longitude, latitude;
    VARIANT_BOOL gps;
};

class Markers : public MapSiteTest {
protected:
    void SetUp() override {
        MapSiteTest::SetUp();
        ShowArea(9.99, 49.99, 10.01, 50.01);
        markers_ = controltest::As<IZmaVadAZMarkerHandling>(unknown_.Get());
        ASSERT_TRUE(markers_);
    }

    HRESULT Drop(std::vector<unsigned char> bytes, int x, int y, bool offered = true) {
        auto data = platform::MakeObject<MarkerData>(std::move(bytes), offered);
        ComPtr<IUnknown> unknown;
        data->QueryInterface(IID_IUnknown, unknown.PutVoid());
        return control_->HandleDragDrop(unknown.Get(), x, y);
    }

    Change Next() {
        Change c = {S_OK, -1, -1.0, -1.0, 7};
        c.hr = markers_->GetNextMarkerChange(&c.number, &c.longitude, &c.latitude, &c.gps);
        return c;
    }

    ComPtr<IDispatch> MarkersLayer() {
        Variant layers = Get(map_.Get(), 5), layer;
        Invoke(layers.pdispVal, 6, DISPATCH_METHOD | DISPATCH_PROPERTYGET, {Text(L"Markers")}, &layer);
        return ComPtr<IDispatch>(layer.vt == VT_DISPATCH ? layer.pdispVal : nullptr);
    }
    // The markers' features: (key value, symbol colour, x, y).
    struct Symbol {
        std::wstring label;
        long colour;
        double x, y;
    };
    std::vector<Symbol> Symbols() {
        std::vector<Symbol> out;
        Variant all = Get(MarkersLayer().Get(), Engine::Layer::kAllFeatures);
        const long count = Get(all.pdispVal, Engine::Collection::kCount).ToLong();
        for (long i = 1; i <= count; ++i) {
            Variant feature, point;
            Call(all.pdispVal, Engine::Collection::kFeatureItem, {Variant(i)}, &feature);
            Variant style = Get(feature.pdispVal, Engine::Feature::kStyle);
            point = Get(feature.pdispVal, Engine::Feature::kPoint);
            out.push_back({Get(feature.pdispVal, 17).ToWide(), Get(style.pdispVal, 15).ToLong(),
                           Get(point.pdispVal, 1).ToDouble(), Get(point.pdispVal, 2).ToDouble()});
        }
        return out;
    }

    // A table layer the host opened, holding line features made of the given parts.
    void AddRoute(const std::vector<std::vector<MapPoint>>& features, bool keepView = false) {
        wchar_t folder[MAX_PATH] = {};
        ::GetTempPathW(MAX_PATH, folder);
        const std::wstring path =
            std::wstring(folder) + L"route_" + std::to_wstring(::GetCurrentProcessId()) + L"_" + std::to_wstring(++routes_) + L".tab";
        if (FILE* empty = _wfopen(path.c_str(), L"wb")) {  // a table without features
            std::fputs("!table\n", empty);
            std::fclose(empty);
        }
        ASSERT_EQ(control_->AddTemporaryTabLayer(Bstr(path).Get()), S_OK);
        Variant layers = Get(map_.Get(), 5), layer, factory = Get(map_.Get(), 49);
        Invoke(layers.pdispVal, 6, DISPATCH_METHOD | DISPATCH_PROPERTYGET, {Variant(1L)}, &layer);
        for (const auto& line : features) {
            ComPtr<IDispatch> points;
            ASSERT_EQ(controltest::EngineHooks(unknown_.Get())->NewPoints(points.Put()), S_OK);
            for (const MapPoint& p : line) Call(points.Get(), kAddXY, {Variant(p.x), Variant(p.y)});
            Variant feature;
            ASSERT_EQ(Call(factory.pdispVal, kCreateLine, {Variant(points.Get())}, &feature), S_OK);
            ASSERT_EQ(Call(layer.pdispVal, 21, {feature}), S_OK);
        }
        // The route's view again: opening the table zoomed to it.
        if (!keepView) ShowArea(9.99, 49.99, 10.02, 50.02);
    }

    ComPtr<IZmaVadAZMarkerHandling> markers_;
    int routes_ = 0;
};

TEST_F(Markers, TheLayerOpensOnceAndEveryMethodAnswersSFalseWithoutIt) {
    Change none = Next();
    EXPECT_EQ(none.hr, S_FALSE);
    EXPECT_EQ(none.number, -1);
    EXPECT_EQ(markers_->SetMarkerStationary(1, VARIANT_TRUE), S_FALSE);
    EXPECT_EQ(markers_->ResetMarkerLayer(), S_FALSE);
    EXPECT_EQ(markers_->BringMarkerLayerToTop(), S_FALSE);
    EXPECT_EQ(markers_->RemoveMarkerLayer(), S_FALSE);
    EXPECT_EQ(Drop(MarkerData::Payload(1, 0, "x"), 10, 10), S_FALSE);

    EXPECT_EQ(markers_->OpenMarkerLayer(VARIANT_FALSE), S_OK);
    EXPECT_EQ(markers_->OpenMarkerLayer(VARIANT_TRUE), S_FALSE);
    EXPECT_TRUE(MarkersLayer());
    EXPECT_EQ(markers_->RemoveMarkerLayer(), S_OK);
    EXPECT_FALSE(MarkersLayer());
    EXPECT_EQ(markers_->OpenMarkerLayer(VARIANT_FALSE), S_OK);
}

TEST_F(Markers, ADroppedMarkerIsQueuedAnnouncedAndShownInItsColour) {
    ASSERT_EQ(markers_->OpenMarkerLayer(VARIANT_FALSE), S_OK);
    events_->Take();
    ASSERT_EQ(Drop(MarkerData::Payload(7, 1, "Seven"), 100, 120), S_OK);
    EXPECT_EQ(TakeMarkerEvents(), 1);
    const MapPoint at = ToMap(100, 120);
    Change first = Next();
    EXPECT_EQ(first.hr, S_OK);
    EXPECT_EQ(first.number, 7);
    EXPECT_DOUBLE_EQ(first.longitude, at.x);
    EXPECT_DOUBLE_EQ(first.latitude, at.y);
    EXPECT_EQ(first.gps, VARIANT_TRUE);
    Change second = Next();
    EXPECT_EQ(second.hr, S_FALSE);
    EXPECT_EQ(second.number, -1);

    auto symbols = Symbols();
    ASSERT_EQ(symbols.size(), 1u);
    EXPECT_EQ(symbols[0].label, L"Marker:Seven");
    EXPECT_EQ(symbols[0].colour, 255);
    // Turning it black queues nothing and fires nothing.
    EXPECT_EQ(markers_->SetMarkerStationary(7, VARIANT_FALSE), S_OK);
    EXPECT_EQ(Symbols()[0].colour, 0);
    EXPECT_EQ(markers_->SetMarkerStationary(8, VARIANT_TRUE), S_FALSE);
    EXPECT_EQ(Next().hr, S_FALSE);
    EXPECT_EQ(TakeMarkerEvents(), 0);
}

TEST_F(Markers, DropsWithoutTheFormatOrWithABrokenPayloadAddNothing) {
    ASSERT_EQ(markers_->OpenMarkerLayer(VARIANT_FALSE), S_OK);
    events_->Take();
    EXPECT_EQ(Drop(MarkerData::Payload(3, 0, "a"), 50, 50, false), S_OK);
    EXPECT_EQ(Drop({1, 0, 0}, 50, 50), E_INVALIDARG);
    std::vector<unsigned char> unterminated = MarkerData::Payload(3, 0, "abc");
    unterminated.pop_back();
    EXPECT_EQ(Drop(unterminated, 50, 50), E_INVALIDARG);
    EXPECT_TRUE(Symbols().empty());
    EXPECT_EQ(Next().hr, S_FALSE);
    EXPECT_EQ(TakeMarkerEvents(), 0);
}

TEST_F(Markers, TheSelectToolMovesAMarkerAndTheDeleteKeyRemovesIt) {
    ASSERT_EQ(markers_->OpenMarkerLayer(VARIANT_FALSE), S_OK);
    ASSERT_EQ(Drop(MarkerData::Payload(4, 0, "Four"), 100, 100), S_OK);
    ASSERT_EQ(Drop(MarkerData::Payload(5, 0, "Five"), 300, 200), S_OK);
    Next(), Next();
    events_->Take();

    // The Delete key with another tool is taken by the marker layer without effect.
    SetEngineTool(1000);
    PressKey(VK_DELETE);
    EXPECT_EQ(Symbols().size(), 2u);

    SetEngineTool(1007);
    Click(100, 100);  // selects the marker under the cursor
    Drag(100, 100, 200, 150);
    EXPECT_EQ(TakeMarkerEvents(), 1);
    const MapPoint to = ToMap(200, 150);
    Change moved = Next();
    EXPECT_EQ(moved.hr, S_OK);
    EXPECT_EQ(moved.number, 4);
    EXPECT_DOUBLE_EQ(moved.longitude, to.x);
    EXPECT_DOUBLE_EQ(moved.latitude, to.y);
    auto symbols = Symbols();
    ASSERT_EQ(symbols.size(), 2u);
    EXPECT_DOUBLE_EQ(symbols[0].x, to.x);
    EXPECT_DOUBLE_EQ(symbols[0].y, to.y);

    Click(200, 150);  // selects the moved marker: a plain click moves nothing
    EXPECT_EQ(Next().hr, S_FALSE);
    PressKey(VK_DELETE);
    EXPECT_EQ(TakeMarkerEvents(), 1);
    Change deleted = Next();
    EXPECT_EQ(deleted.hr, S_OK);
    EXPECT_EQ(deleted.number, 4);
    EXPECT_EQ(deleted.longitude, 0.0);
    EXPECT_EQ(deleted.latitude, 0.0);
    EXPECT_EQ(deleted.gps, VARIANT_FALSE);
    symbols = Symbols();
    ASSERT_EQ(symbols.size(), 1u);
    EXPECT_EQ(symbols[0].label, L"Marker:Five");

    EXPECT_EQ(markers_->ResetMarkerLayer(), S_OK);
    EXPECT_TRUE(Symbols().empty());
}

TEST_F(Markers, AMarkerTheEngineRefusesToAddOrDeleteIsNeitherQueuedNorAnnounced) {
    ASSERT_EQ(markers_->OpenMarkerLayer(VARIANT_FALSE), S_OK);
    events_->Take();
    controltest::SetEngineFaults(L"fail-addfeature");
    EXPECT_EQ(Drop(MarkerData::Payload(9, 0, "Nine"), 100, 100), E_FAIL);
    controltest::SetEngineFaults(L"");
    EXPECT_TRUE(Symbols().empty());
    EXPECT_EQ(Next().hr, S_FALSE);
    EXPECT_EQ(TakeMarkerEvents(), 0);

    ASSERT_EQ(Drop(MarkerData::Payload(9, 0, "Nine"), 100, 100), S_OK);
    Next();
    events_->Take();
    SetEngineTool(1007);
    Click(100, 100);
    controltest::SetEngineFaults(L"fail-deletefeature");
    PressKey(VK_DELETE);
    controltest::SetEngineFaults(L"");
    EXPECT_EQ(Symbols().size(), 1u);
    EXPECT_EQ(Next().hr, S_FALSE);
    EXPECT_EQ(TakeMarkerEvents(), 0);
    // The marker is still known: the Delete key removes it once the engine agrees.
    PressKey(VK_DELETE);
    EXPECT_TRUE(Symbols().empty());
    EXPECT_EQ(Next().number, 9);
}

TEST_F(Markers, AStationaryMarkerSnapsOntoTheRouteWithoutChangingTheMapsUnit) {
    AddRoute({{{10.000, 50.000}, {10.010, 50.000}}, {{10.000, 50.010}, {10.010, 50.010}}});
    ASSERT_EQ(markers_->OpenMarkerLayer(VARIANT_TRUE), S_OK);
    ASSERT_EQ(Put(map_.Get(), 25, Variant(1L)), S_OK);

    // Beside the middle of the first segment: onto the segment, not one of its ends.
    POINT beside = ToPixel({10.004, 50.002});
    ASSERT_EQ(Drop(MarkerData::Payload(1, 1, "a"), beside.x, beside.y), S_OK);
    Change a = Next();
    EXPECT_NEAR(a.latitude, 50.000, 1e-6);
    EXPECT_NEAR(a.longitude, ToMap(static_cast<float>(beside.x), static_cast<float>(beside.y)).x, 1e-4);
    EXPECT_GT(a.longitude, 10.001);
    EXPECT_LT(a.longitude, 10.009);

    // Beyond the route's end: onto its last point.
    POINT beyond = ToPixel({10.015, 49.998});
    ASSERT_EQ(Drop(MarkerData::Payload(2, 1, "b"), beyond.x, beyond.y), S_OK);
    Change b = Next();
    EXPECT_NEAR(b.longitude, 10.010, 1e-7);
    EXPECT_NEAR(b.latitude, 50.000, 1e-7);

    // Between the two separate lines: onto one of them, never onto a segment joining them.
    POINT between = ToPixel({10.005, 50.005});
    ASSERT_EQ(Drop(MarkerData::Payload(3, 1, "c"), between.x, between.y), S_OK);
    Change c = Next();
    // (Parallels curve slightly in the projection: a few centimetres off the line.)
    EXPECT_TRUE(std::abs(c.latitude - 50.000) < 1e-6 || std::abs(c.latitude - 50.010) < 1e-6) << c.latitude;

    EXPECT_EQ(Get(map_.Get(), 25).ToLong(), 1L);
}

TEST_F(Markers, ARouteAcrossZonesIsMeasuredInTheZoneOfTheMarker) {
    // Along the 60th parallel from 0 to 30 degrees east: five UTM zones. Measured in the zone of
    // the route's first point, a marker four degrees north of the route's far end would slide
    // along it by some 0.05 degrees; measured in its own zone, it drops almost straight south.
    std::vector<MapPoint> parallel;
    for (int i = 0; i <= 600; ++i) parallel.push_back({i * 0.05, 60.0});
    AddRoute({parallel}, true);
    ShowArea(0.0, 55.0, 30.0, 65.0);
    ASSERT_EQ(markers_->OpenMarkerLayer(VARIANT_TRUE), S_OK);
    const POINT at = ToPixel({25.0, 64.0});
    const MapPoint dropped = ToMap(static_cast<float>(at.x), static_cast<float>(at.y));
    ASSERT_EQ(Drop(MarkerData::Payload(1, 1, "far"), at.x, at.y), S_OK);
    Change c = Next();
    EXPECT_NEAR(c.longitude, dropped.x, 0.02);
    EXPECT_NEAR(c.latitude, 60.0, 0.001);
}

TEST_F(Markers, WithoutARouteASnappingDropAddsNothing) {
    AddRoute({});
    ASSERT_EQ(markers_->OpenMarkerLayer(VARIANT_TRUE), S_OK);
    events_->Take();
    EXPECT_EQ(Drop(MarkerData::Payload(1, 0, "a"), 50, 50), S_FALSE);
    EXPECT_TRUE(Symbols().empty());
    EXPECT_EQ(TakeMarkerEvents(), 0);
}

TEST_F(Markers, LabelsShowOnlyWhileTheMarkerLayerIsOnTop) {
    ASSERT_EQ(markers_->OpenMarkerLayer(VARIANT_FALSE), S_OK);
    ComPtr<IDispatch> layer = MarkersLayer();
    EXPECT_TRUE(Get(layer.Get(), 6).ToBool());
    AddRoute({{{10.0, 50.0}, {10.01, 50.0}}});  // a table opened above the markers
    EXPECT_FALSE(Get(layer.Get(), 6).ToBool());
    EXPECT_EQ(markers_->BringMarkerLayerToTop(), S_OK);
    EXPECT_TRUE(Get(layer.Get(), 6).ToBool());

    Variant layers = Get(map_.Get(), 5), route;
    Invoke(layers.pdispVal, 6, DISPATCH_METHOD | DISPATCH_PROPERTYGET, {Variant(2L)}, &route);
    EXPECT_EQ(control_->MoveLayerToTop(Bstr(Get(route.pdispVal, 1).ToWide()).Get()), S_OK);
    EXPECT_FALSE(Get(layer.Get(), 6).ToBool());
}

TEST_F(Markers, ManyDropsLeaveOneRepaintToTheHostsMessageLoop) {
    ::ShowWindow(site_->Window(), SW_SHOWNA);
    ASSERT_EQ(markers_->OpenMarkerLayer(VARIANT_FALSE), S_OK);
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&msg);
    ComPtr<IEngineTestHooks> hooks = controltest::EngineHooks(unknown_.Get());
    ASSERT_EQ(hooks->ClearCalls(), S_OK);
    for (long i = 0; i < 50; ++i) ASSERT_EQ(Drop(MarkerData::Payload(i, 0, "m"), 10 + i * 7, 100), S_OK);
    // No drop has the map drawn again: the view is marked for the one repaint to come.
    EXPECT_FALSE(controltest::EngineLogContains(hooks.Get(), L"Map.Refresh(-550) call"));
    EXPECT_TRUE(::GetUpdateRect(EngineWindow(), nullptr, FALSE));
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&msg);
    EXPECT_FALSE(::GetUpdateRect(EngineWindow(), nullptr, FALSE));
    EXPECT_EQ(Symbols().size(), 50u);
}

}  // namespace
}  // namespace sitetest
