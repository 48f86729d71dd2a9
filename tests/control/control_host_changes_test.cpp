// Hosts whose data changes under a shown map, and hosts that show or remove a dataset or move a layer
// from inside a frame: through a sited control, with the pixels of each layer counted, every frame
// under a watchdog.
#include "tests/control/MapSiteFixture.h"
#include "tests/imagery/ImagerySettings.h"
#include "tests/support/MarkerData.h"
#include "tests/support/TestSupport.h"
#include "tests/support/Watchdog.h"

#include <algorithm>

using namespace displaytest;
using platform::Bstr;
using platform::ComPtr;
using platform::Variant;

namespace {

const wchar_t* const kSeries[] = {L"{A4900000-0000-0000-0000-0000000000A1}", L"{A4900000-0000-0000-0000-0000000000B2}",
                                  L"{A4900000-0000-0000-0000-0000000000C3}"};
// A picture: the pixels of the symbols, then of the selected rows, then of the circle, per quarter.
const COLORREF kColours[] = {RGB(255, 0, 0), RGB(0, 255, 0), RGB(0, 0, 255)};
constexpr int kTopLeft = 0, kBottomLeft = 1, kTopRight = 2, kBottomRight = 3, kSelected = 4, kCircle = 8;

class HostChanges : public sitetest::MapSiteTest {
protected:
    void ShowView() { ShowArea(9.9, 49.96, 10.1, 50.04); }
    // Rows first to first + 99 with a value, 10 to a line 14 pixels apart, 10 pixels between lines.
    void Place(IDispatch* dataset, long first, int quarter) {
        for (long i = 0; i < 100; ++i) {
            const auto p = ToMap(quarter / 2 * 200.0f + 20 + 14 * (i % 10), quarter % 2 * 150.0f + 15 + 10 * (i / 10));
            SetValue(dataset, first + i, L"Latitude", Variant(p.y));
            SetValue(dataset, first + i, L"Longitude", Variant(p.x));
            SetValue(dataset, first + i, L"RxLev", Variant(-70.0));
        }
    }
    HRESULT Show(IDispatch* dataset, int series) {
        return control_->DisplayDataset(dataset, Variant(L"RxLev"), Bstr(kSeries[series]).Get());
    }
    std::vector<long> Frame() {
        watchdog_.Guard("a frame", [&] { DrawView(); });
        std::vector<long> picture(12);
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x)
                for (int c = 0; c < 3; ++c) picture[4 * c + x / 200 * 2 + y / 150] += Pixel(x, y) == kColours[c];
        return picture;
    }

    testsupport::Watchdog watchdog_;
};

// How dataset A fails from then on: the host call it fails, or rows 100 to 199 gone without a word.
struct HostChange {
    const char* what;
    const wchar_t* call;
    HRESULT failure;
};
const HostChange kChanges[] = {
    {"MoveToFails", L"MoveTo", E_FAIL}, {"Disconnected", L"*", RPC_E_DISCONNECTED}, {"RowsGoneUnannounced", nullptr}};

class OneLayersData : public HostChanges, public ::testing::WithParamInterface<HostChange> {};

// Bottom to top: A (100 rows top left, 100 bottom left), B (100 rows top right, row 5 selected),
// a filled circle bottom right.
TEST_P(OneLayersData, LeavesEveryOtherLayerDrawnAndIsLoggedOnce) {
    ShowView();
    ComPtr<IDispatch> a = NewDataset({{L"Latitude", 13}, {L"Longitude", 12}, {L"RxLev", 5}}, 200);
    ComPtr<IDispatch> b = NewDataset({{L"Latitude", 13}, {L"Longitude", 12}, {L"RxLev", 5}}, 100);
    Place(a.Get(), 0, kTopLeft);
    Place(a.Get(), 100, kBottomLeft);
    Place(b.Get(), 0, kTopRight);
    const sitetest::MapPoint centre = ToMap(320, 210);
    ASSERT_EQ(Show(a.Get(), 0), S_OK);
    ASSERT_EQ(Show(b.Get(), 1), S_OK);
    ASSERT_EQ(control_->DrawFilledCircle(centre.y, centre.x, Variant(L"1 km"), Variant(0xFFL), 1.0, Bstr(L"c").Get()),
              S_OK);
    SelectRows(b.Get(), {5});
    ASSERT_EQ(control_->NotifySelectionChange(Bstr(kSeries[1]).Get()), S_OK);
    ShowView();
    std::vector<long> expected = Frame();
    for (int i : {kTopLeft, kBottomLeft, kTopRight, kSelected + kTopRight, kCircle + kBottomRight})
        ASSERT_GT(expected[i], 0) << i;
    const HostChange& change = GetParam();
    if (change.call) expected[kTopLeft] = 0;  // a failing layer draws nothing, rows left still draw
    expected[kBottomLeft] = 0;
    testsupport::ClearHostLog();
    ComPtr<IHostDatasetSetup> setup = controltest::As<IHostDatasetSetup>(a.Get());
    ASSERT_EQ(change.call ? setup->FailCalls(Bstr(change.call).Get(), change.failure) : setup->RemoveRows(100, 100),
              S_OK);
    EXPECT_EQ(Frame(), expected);
    // The user moves the view and back: the rows are placed anew.
    ShowArea(10.0, 50.0, 10.2, 50.1);
    Frame();
    ShowView();
    EXPECT_EQ(Frame(), expected);
    long logged = 0;
    for (const std::wstring& line : testsupport::HostLogLines())
        logged += line.find(change.call ? L"(drawing the layer" : L"Error: 0x") != line.npos;
    EXPECT_EQ(logged, change.call ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(HostChanges, OneLayersData, ::testing::ValuesIn(kChanges),
                         [](const ::testing::TestParamInfo<HostChange>& info) { return std::string(info.param.what); });

TEST_F(HostChanges, ANotificationUnderOneSeriesMovesTheRowsOfEverySeriesOfThatDataset) {
    ShowView();
    ComPtr<IDispatch> shared = NewDataset({{L"Latitude", 13}, {L"Longitude", 12}, {L"RxLev", 5}}, 100);
    Place(shared.Get(), 0, kTopLeft);
    ASSERT_EQ(Show(shared.Get(), 0), S_OK);
    ASSERT_EQ(Show(shared.Get(), 1), S_OK);
    ShowView();
    std::vector<long> expected = Frame();
    ASSERT_GT(expected[kTopLeft], 0);
    std::swap(expected[kTopLeft], expected[kBottomLeft]);  // the same rows, elsewhere
    Place(shared.Get(), 0, kBottomLeft);
    ASSERT_EQ(control_->NotifyChange(Bstr(kSeries[0]).Get(), NOTIFY_FLAGS_UPDATE_ALL, nullptr, Missing()), S_OK);
    EXPECT_EQ(Frame(), expected);
}

// The route has no distances: its arrows are built in every frame, which asks the host for them.
TEST_F(HostChanges, ADatasetShownFromAFramesCallbackIsRefusedOneRemovedLeavesTheEngineAfterTheFrame) {
    ComPtr<IDispatch> more = MakeSampleDataset(20);
    ASSERT_EQ(Show(MakeSampleDataset(200).Get(), 0), S_OK);
    ASSERT_EQ(Show(MakeSampleDataset(30).Get(), 1), S_OK);
    ASSERT_EQ(control_->ShowDirection(VARIANT_TRUE), S_OK);
    size_t layers = EngineLayerNames().size(), layersWhileDrawing = 0;
    HRESULT shown = S_FALSE;
    Bstr why;
    events_->onEvent = [&](DISPID id) {
        if (id != 4 || shown != S_FALSE) return;  // GetField
        control_->RemoveDataset(Bstr(kSeries[1]).Get(), Variant(true));
        layersWhileDrawing = EngineLayerNames().size();
        shown = Show(more.Get(), 2);
        ComPtr<IErrorInfo> info;
        if (::GetErrorInfo(0, info.Put()) == S_OK) info->GetDescription(why.Put());
    };
    Frame();
    events_->onEvent = nullptr;
    EXPECT_EQ(shown, E_UNEXPECTED);
    EXPECT_NE(why.Wide().find(L"drawing a frame"), std::wstring::npos);
    EXPECT_EQ(layersWhileDrawing, layers) << "the engine's list stays as it is while the engine walks it";
    EXPECT_EQ(EngineLayerNames().size(), layers - 1);
    EXPECT_TRUE(events_->Saw(std::wstring(L"2:") + kSeries[1])) << "SeriesRemoved";
    // The map draws again, and the dataset is shown once the frame is drawn.
    Frame();
    EXPECT_EQ(Show(more.Get(), 2), S_OK);
}

// A host's handler moves a layer to the top from inside a frame. Bottom to top before the move: the layer
// below the datasets, A (top left), B (bottom left), the direction layers (whose arrows every frame seeks,
// asking the host for a field), then the other layer. The layers: a table of one black point (top right),
// a red marker (bottom right).
class LayerMovedInAFrame : public HostChanges {
protected:
    enum Layer { kTable, kMarkers, kDatasetA };
    // The red pixels per quarter, the black ones top right.
    std::vector<long> Picture() {
        watchdog_.Guard("a frame", [&] { DrawView(); });
        std::vector<long> counts(4);
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x)
                counts[x / 200 * 2 + y / 150] += Pixel(x, y) == (x >= 200 && y < 150 ? RGB(0, 0, 0) : RGB(255, 0, 0));
        return counts;
    }
    ComPtr<IZmaVadAZMarkerHandling> Markers() { return controltest::As<IZmaVadAZMarkerHandling>(unknown_.Get()); }
    // Answers the opened layer's name.
    std::wstring Open(Layer layer) {
        ShowView();
        if (layer == kTable) {
            EXPECT_EQ(control_->AddTemporaryTabLayer(Bstr(WriteTable(L"moved", {ToMap(300, 75)})).Get()), S_OK);
        } else {
            EXPECT_EQ(Markers()->OpenMarkerLayer(VARIANT_FALSE), S_OK);
            ShowView();
            auto data = platform::MakeObject<testsupport::MarkerData>(testsupport::MarkerData::Payload(1, 1, "m"));
            EXPECT_EQ(control_->HandleDragDrop(controltest::As<IUnknown>(data.Get()).Get(), 300, 225), S_OK);
        }
        return EngineLayerNames().front();
    }
    // The layers' names or series as a saved map places them, from the top.
    std::vector<std::wstring> SavedOrder() {
        ComPtr<IXMLDOMNodeList> found;
        imagerytest::SaveSettings(control_.Get())->selectNodes(Bstr(L".//LayerOrders").Get(), found.Put());
        std::vector<std::wstring> names;
        for (ComPtr<IXMLDOMNode> node; found && found->nextNode(node.Put()) == S_OK && node;) {
            ComPtr<IXMLDOMElement> order;
            node->QueryInterface(IID_IXMLDOMElement, order.PutVoid());
            platform::GetAttribute(order.Get(), L"LayerName", names.emplace_back());
        }
        return names;
    }
    static std::vector<std::wstring> ToTop(std::vector<std::wstring> names, const std::wstring& name) {
        auto at = std::find(names.begin(), names.end(), name);
        EXPECT_NE(at, names.end()) << platform::ToAnsi(name);
        if (at != names.end()) std::rotate(names.begin(), at, at + 1);
        return names;
    }
};

TEST_F(LayerMovedInAFrame, LeavesTheFrameWholeAndTheEnginesOrderAsTheMapsOnceDrawn) {
    const struct {
        const char* what;
        Layer below, above, moved;  // a table by its name, a dataset by its series
    } cases[] = {{"a table", kTable, kMarkers, kTable},
                 {"the marker layer", kMarkers, kTable, kMarkers},
                 {"a dataset", kTable, kMarkers, kDatasetA}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        if (&c != cases) { TearDown(); SetUp(); }
        ShowView();
        ComPtr<IDispatch> a = NewDataset({{L"Latitude", 13}, {L"Longitude", 12}, {L"RxLev", 5}}, 100);
        ComPtr<IDispatch> b = NewDataset({{L"Latitude", 13}, {L"Longitude", 12}, {L"RxLev", 5}}, 100);
        Place(a.Get(), 0, kTopLeft);
        Place(b.Get(), 0, kBottomLeft);
        std::wstring names[3];
        names[c.below] = Open(c.below);
        ASSERT_EQ(Show(a.Get(), 0), S_OK);
        names[kDatasetA] = EngineLayerNames().front();
        ASSERT_EQ(Show(b.Get(), 1), S_OK);
        ASSERT_EQ(control_->ShowDirection(VARIANT_TRUE), S_OK);
        names[c.above] = Open(c.above);
        ShowView();  // showing a dataset or opening a table zooms to it
        const std::vector<long> whole = Picture();
        for (long count : whole) ASSERT_GT(count, 0);
        const std::vector<std::wstring> engineBefore = EngineLayerNames(), savedBefore = SavedOrder();
        const std::wstring saved = c.moved == kDatasetA ? kSeries[0] : names[c.moved];

        HRESULT moved = S_FALSE;
        std::vector<std::wstring> engineWhileDrawing;
        events_->onEvent = [&](DISPID id) {
            if (id != 4 || moved != S_FALSE) return;  // GetField
            moved = c.moved == kMarkers ? Markers()->BringMarkerLayerToTop()
                                        : control_->MoveLayerToTop(Bstr(saved).Get());
            engineWhileDrawing = EngineLayerNames();
        };
        EXPECT_EQ(Picture(), whole) << "every layer is drawn in the frame";
        events_->onEvent = nullptr;
        EXPECT_EQ(moved, S_OK);
        EXPECT_EQ(engineWhileDrawing, engineBefore) << "the engine's list stays as it is while the engine walks it";
        EXPECT_EQ(EngineLayerNames(), ToTop(engineBefore, names[c.moved]));
        EXPECT_EQ(SavedOrder(), ToTop(savedBefore, saved));
    }
}

}  // namespace
