// Hosts whose data changes under a shown map, and hosts that show or remove a dataset from inside
// a frame: through a sited control, with the pixels of each layer counted, every frame under a
// watchdog.
#include "tests/control/MapSiteFixture.h"
#include "tests/support/TestSupport.h"
#include "tests/support/Watchdog.h"

#include <functional>
#include <string>
#include <vector>

using namespace displaytest;
using platform::Bstr;
using platform::ComPtr;
using platform::Variant;

namespace {

const wchar_t kSeriesA[] = L"{A4900000-0000-0000-0000-0000000000A1}";
const wchar_t kSeriesB[] = L"{A4900000-0000-0000-0000-0000000000B2}";
constexpr DISPID kEventGetField = 4;
constexpr COLORREF kSymbol = RGB(255, 0, 0), kSelected = RGB(0, 255, 0), kCircle = RGB(0, 0, 255);
// Quarters of the view (the scale bar lies below the rows of the bottom ones).
const RECT kQuarters[] = {{0, 0, 200, 150}, {0, 150, 200, 300}, {200, 0, 400, 150}, {200, 150, 400, 300}};
enum Quarter { kTopLeft, kBottomLeft, kTopRight, kBottomRight };

class HostChanges : public sitetest::MapSiteTest {
protected:
    // About 14 km across round 10 E, 50 N.
    void ShowView() { ASSERT_EQ(Call(map_.Get(), 35, {Variant(9.0), Variant(10.0), Variant(50.0)}), S_OK); }
    // Rows first..first+count-1 on a grid in the quarter, 14 by 10 pixels apart, 10 to a line.
    void Place(IDispatch* dataset, long first, long count, Quarter quarter) {
        for (long i = 0; i < count; ++i) {
            const sitetest::MapPoint p = ToMap(static_cast<float>(kQuarters[quarter].left + 20 + 14 * (i % 10)),
                                               static_cast<float>(kQuarters[quarter].top + 15 + 10 * (i / 10)));
            SetValue(dataset, first + i, L"Latitude", Variant(p.y));
            SetValue(dataset, first + i, L"Longitude", Variant(p.x));
            SetValue(dataset, first + i, L"RxLev", Variant(-70.0));  // a row without a value is not drawn
        }
    }
    ComPtr<IDispatch> Dataset(long rows, Quarter quarter) {
        ComPtr<IDispatch> dataset = NewDataset({{L"Latitude", 13}, {L"Longitude", 12}, {L"RxLev", 5}, {L"Speed", 5}}, rows);
        Place(dataset.Get(), 0, rows < 100 ? rows : 100, quarter);
        return dataset;
    }
    HRESULT Show(IDispatch* dataset, const wchar_t* field, const wchar_t* series) {
        return control_->DisplayDataset(dataset, Variant(field), Bstr(series).Get());
    }
    void Frame() { watchdog_.Guard("a frame", [&] { DrawView(); }); }
    // The pixels of the colour in each quarter of the last frame.
    std::vector<long> Count(COLORREF colour) {
        std::vector<long> counts;
        for (const RECT& q : kQuarters) {
            long n = 0;
            for (long y = q.top; y < q.bottom; ++y)
                for (long x = q.left; x < q.right; ++x) n += Pixel(x, y) == colour;
            counts.push_back(n);
        }
        return counts;
    }
    static long LogLinesWith(const std::wstring& part) {
        long n = 0;
        for (const std::wstring& line : testsupport::HostLogLines()) n += line.find(part) != std::wstring::npos;
        return n;
    }

    testsupport::Watchdog watchdog_{30000};
};

// --- A frame draws every layer whatever one layer's data does --------------------------------

struct HostChange {
    const char* what;
    const wchar_t* call;  // FailCalls' call name; null: rows 100 to 199 go without a word
    HRESULT failure;
    bool keepsFirstRows;  // dataset A's first 100 rows still draw
};

class OneLayersData : public HostChanges, public ::testing::WithParamInterface<HostChange> {};

// Bottom to top: A (100 rows top left, 100 bottom left), B (100 rows top right, row 5 selected),
// a filled circle bottom right.
TEST_P(OneLayersData, LeavesEveryOtherLayerDrawnAndIsLoggedOnce) {
    ShowView();
    ComPtr<IDispatch> a = Dataset(200, kTopLeft), b = Dataset(100, kTopRight);
    Place(a.Get(), 100, 100, kBottomLeft);
    const sitetest::MapPoint centre = ToMap(320, 210);
    ASSERT_EQ(Show(a.Get(), L"RxLev", kSeriesA), S_OK);
    ASSERT_EQ(Show(b.Get(), L"RxLev", kSeriesB), S_OK);
    ASSERT_EQ(control_->DrawFilledCircle(centre.y, centre.x, Variant(L"1 km"), Variant(0x0000FFL), 1.0, Bstr(L"c").Get()), S_OK);
    SelectRows(b.Get(), {5});
    ASSERT_EQ(control_->NotifySelectionChange(Bstr(kSeriesB).Get()), S_OK);
    ShowView();
    Frame();
    const std::vector<long> symbols = Count(kSymbol), selected = Count(kSelected), circle = Count(kCircle);
    ASSERT_GT(symbols[kTopLeft] * symbols[kBottomLeft] * symbols[kTopRight] * selected[kTopRight] * circle[kBottomRight], 0);
    testsupport::ClearHostLog();

    ComPtr<IHostDatasetSetup> setup;
    ASSERT_EQ(a->QueryInterface(IID_IHostDatasetSetup, setup.PutVoid()), S_OK);
    const HostChange& change = GetParam();
    ASSERT_EQ(change.call ? setup->FailCalls(Bstr(change.call).Get(), change.failure) : setup->RemoveRows(100, 100), S_OK);
    for (int frame = 0; frame < 3; ++frame) {
        if (frame == 1) {  // the user moves the view and back: the rows are placed anew
            ASSERT_EQ(Call(map_.Get(), 35, {Variant(20.0), Variant(10.05), Variant(50.02)}), S_OK);
            Frame();
            ShowView();
        }
        Frame();
        const std::vector<long> now = Count(kSymbol);
        EXPECT_EQ(now[kTopLeft], change.keepsFirstRows ? symbols[kTopLeft] : 0) << frame;
        EXPECT_EQ(now[kBottomLeft], 0) << frame;
        EXPECT_EQ(now[kTopRight], symbols[kTopRight]) << frame;
        EXPECT_EQ(Count(kSelected)[kTopRight], selected[kTopRight]) << frame;
        EXPECT_EQ(Count(kCircle)[kBottomRight], circle[kBottomRight]) << frame;
    }
    EXPECT_EQ(LogLinesWith(change.call ? L"(drawing the layer" : L"Error: 0x"), change.call ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(HostChanges, OneLayersData,
                         ::testing::Values(HostChange{"MoveToFails", L"MoveTo", E_FAIL, false},
                                           HostChange{"Disconnected", L"*", RPC_E_DISCONNECTED, false},
                                           HostChange{"RowsGoneUnannounced", nullptr, S_OK, true}),
                         [](const ::testing::TestParamInfo<HostChange>& info) { return std::string(info.param.what); });

// --- A notification reaches every layer of the dataset --------------------------------------------

TEST_F(HostChanges, ANotificationUnderOneSeriesMovesTheRowsOfEverySeriesOfThatDataset) {
    ShowView();
    ComPtr<IDispatch> shared = Dataset(100, kTopLeft);
    ASSERT_EQ(Show(shared.Get(), L"RxLev", kSeriesA), S_OK);
    ASSERT_EQ(Show(shared.Get(), L"Speed", kSeriesB), S_OK);
    ShowView();
    Frame();
    const long drawn = Count(kSymbol)[kTopLeft];
    ASSERT_GT(drawn, 0);
    Place(shared.Get(), 0, 100, kBottomLeft);  // the same rows, elsewhere
    ASSERT_EQ(control_->NotifyChange(Bstr(kSeriesA).Get(), NOTIFY_FLAGS_UPDATE_ALL, nullptr, Missing()), S_OK);
    Frame();
    EXPECT_EQ(Count(kSymbol), (std::vector<long>{0, drawn, 0, 0}));
}

// --- A host that shows or removes a dataset from inside a frame ------------------------------

TEST_F(HostChanges, ADatasetShownFromAFramesCallbackIsRefusedOneRemovedLeavesTheEngineAfterTheFrame) {
    ShowView();
    ComPtr<IDispatch> route = MakeSampleDataset(200), points = Dataset(30, kTopRight), more = Dataset(20, kBottomRight);
    ASSERT_EQ(Show(route.Get(), L"RxLev", kSeriesA), S_OK);
    ASSERT_EQ(Show(points.Get(), L"RxLev", kSeriesB), S_OK);
    ASSERT_EQ(control_->ShowDirection(VARIANT_TRUE), S_OK);
    const size_t engineLayers = EngineLayerNames().size();

    // The route has no distances: its arrows are built in every frame, which asks the host for them.
    HRESULT shown = S_FALSE, removed = S_FALSE;
    std::wstring description;
    size_t layersWhileDrawing = 0;
    events_->onEvent = [&](DISPID id) {
        if (id != kEventGetField || shown != S_FALSE) return;
        shown = Show(more.Get(), L"RxLev", L"{A4900000-0000-0000-0000-0000000000C3}");
        ComPtr<IErrorInfo> info;
        BSTR text = nullptr;
        if (::GetErrorInfo(0, info.Put()) == S_OK && SUCCEEDED(info->GetDescription(&text))) description = Bstr::Attach(text).Wide();
        removed = control_->RemoveDataset(Bstr(kSeriesB).Get(), Variant(true));
        layersWhileDrawing = EngineLayerNames().size();
    };
    Frame();
    events_->onEvent = nullptr;
    EXPECT_EQ(shown, E_UNEXPECTED);
    EXPECT_NE(description.find(L"drawing a frame"), std::wstring::npos);
    EXPECT_EQ(removed, S_OK);
    EXPECT_EQ(layersWhileDrawing, engineLayers) << "the engine's list stays as it is while the engine walks it";
    EXPECT_EQ(EngineLayerNames().size(), engineLayers - 1);
    EXPECT_TRUE(events_->Saw(std::wstring(L"2:") + kSeriesB)) << "SeriesRemoved";

    // The map draws again, and the dataset is shown once the frame is drawn.
    Frame();
    EXPECT_EQ(Show(more.Get(), L"RxLev", L"{A4900000-0000-0000-0000-0000000000C3}"), S_OK);
    EXPECT_EQ(EngineLayerNames().size(), engineLayers);
    Frame();
}

}  // namespace
