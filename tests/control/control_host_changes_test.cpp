// Hosts whose data changes under a shown map: through a sited control, with the pixels of each
// layer counted, every frame under a watchdog.
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

}  // namespace
