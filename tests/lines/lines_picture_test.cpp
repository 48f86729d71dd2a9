// Serving and neighbour lines from every row (draw option 0) of a drive test whose rows repeat
// each other pixel by pixel: a frame draws every line of every row once, as a walk that offers
// every row's lines and reads every position from the host would; and a frame that meets the same
// lines over the same pixels puts back the picture kept from the frame before, which is what
// drawing them would give, while every change that alters the lines draws them afresh.
#include "tests/datalayers/DataLayerFixture.h"
#include "tests/datalayers/DisplayFixture.h"

#include "ZmaVOMap2/datalayers/DatasetDisplay.h"
#include "ZmaVOMap2/datalayers/ZmaVadAZDataLayer.h"
#include "ZmaVOMap2/lines/ZmaVadAZLinesToNborsLayer.h"
#include "ZmaVOMap2/lines/ZmaVadAZLinesToServersLayer.h"

#include <functional>

using namespace dltest;
using displaytest::FieldConfiguration;
using displaytest::NewDataset;
using displaytest::SetValue;
using platform::Bstr;
using platform::ComPtr;
using platform::Variant;

namespace {

const wchar_t kSites[] = L"{517E5000-0000-0000-0000-0000000000E1}";
const wchar_t kPoints[] = L"{901175A0-0000-0000-0000-0000000000E2}";
const COLORREF kBlue = RGB(0, 0, 255);

struct Site {
    long handle;
    double lat, lon;
};
const Site kCells[] = {{101, 50.15, 10.05}, {102, 50.15, 10.35}, {103, 50.0, 10.2}, {104, 49.93, 10.33}};

// Runs of consecutive rows at one position (each row a hair apart, on the same pixel) with the
// same serving cell and two neighbours; "?" handles are texts.
struct RunOfRows {
    int rows;
    Variant lat, lon;
    Variant serving, first, second;
};

Variant Null() {
    Variant v;
    v.vt = VT_NULL;
    return v;
}

std::vector<RunOfRows> Runs() {
    return {
        {8, Variant(50.0), Variant(10.05), Variant(101L), Variant(102L), Variant(103L)},
        {5, Variant(50.0), Variant(10.05), Variant(102L), Variant(101L), Variant(0L)},       // a handover on the pixel
        {6, Variant(49.95), Variant(10.2), Variant(103L), Variant(999L), Variant(104L)},     // an unknown cell
        {1, Null(), Variant(10.1), Variant(101L), Variant(102L), Variant(103L)},             // no position
        {1, Variant(), Variant(10.3), Variant(102L), Variant(101L), Variant(104L)},          // latitude empty: none
        {4, Variant(50.1), Variant(10.3), Variant(L"104"), Variant(L"x"), Variant(102L)},    // handles as texts
        {1, Variant(0.0), Variant(0.0), Variant(101L), Variant(102L), Variant(103L)},        // at (0, 0): none
        {3, Variant(50.0), Variant(10.05), Variant(101L), Variant(102L), Variant(103L)},     // the first run again
        {2, Variant(50.5), Variant(10.6), Variant(101L), Variant(104L), Variant(103L)},      // outside the view
    };
}

class LinePictureTest : public DataLayerTest {
protected:
    void SetUp() override {
        DataLayerTest::SetUp();
        sites_ = NewDataset({{L"Latitude", 13}, {L"Longitude", 12}, {L"Azimuth", 5}, {L"ElementHandle", 3}}, 4);
        for (long row = 0; row < 4; ++row) {
            SetValue(sites_.Get(), row, L"Latitude", Variant(kCells[row].lat));
            SetValue(sites_.Get(), row, L"Longitude", Variant(kCells[row].lon));
            SetValue(sites_.Get(), row, L"ElementHandle", Variant(kCells[row].handle));
        }
        long count = 0;
        for (const RunOfRows& run : Runs()) count += run.rows;
        points_ = NewDataset({{L"Latitude", 13}, {L"Longitude", 12}, {L"Level", 3}, {L"ServingSectorHandle", 3},
                              {L"NeighborSectorHandle_1", 3}, {L"NeighborSectorHandle_2", 3}},
                             count);
        long row = 0;
        for (const RunOfRows& run : Runs()) {
            for (int i = 0; i < run.rows; ++i, ++row) {
                const double hair = i * 1e-9;
                SetValue(points_.Get(), row, L"Latitude", run.lat.vt == VT_R8 && run.lat.dblVal != 0 ? Variant(run.lat.dblVal + hair) : run.lat);
                SetValue(points_.Get(), row, L"Longitude", run.lon);
                SetValue(points_.Get(), row, L"Level", Variant(row % 7));
                SetValue(points_.Get(), row, L"ServingSectorHandle", run.serving);
                SetValue(points_.Get(), row, L"NeighborSectorHandle_1", run.first);
                SetValue(points_.Get(), row, L"NeighborSectorHandle_2", run.second);
            }
        }
        ASSERT_EQ(datasets_->CreateMultiDMapping(sites_.Get(), kSites, FieldConfiguration(L"CellRefs", {L"Azimuth"}).Get()),
                  S_OK);
        ASSERT_EQ(datasets_->DisplayDataset(points_.Get(), L"Level", nullptr, nullptr, kPoints), S_OK);
        cellSites_ = AsDataLayer(layers_->FindLayer(std::wstring(kSites)));
        pointLayer_ = AsDataLayer(layers_->FindLayerByExactKey(kPoints));
        ASSERT_TRUE(cellSites_ && pointLayer_);
        serving_ = dynamic_cast<CZmaVadAZLinesToServersLayer*>(cellSites_->GetLineLayer(CZmaVadAZDataLayer::kLineA));
        neighbours_ = dynamic_cast<CZmaVadAZLinesToNborsLayer*>(cellSites_->GetLineLayer(CZmaVadAZDataLayer::kLineB));
        ASSERT_TRUE(serving_ && neighbours_);
        serving_->SetDrawOption(0);
        neighbours_->SetDrawOption(0);
        cellSites_->GetLabelProperties()->SetVisible(false);
        pointLayer_->GetLabelProperties()->SetVisible(false);
    }

    void Frame(MemoryCanvas& canvas, bool printing = false) {
        bool passes = false;
        std::vector<CZmaVadAZLayer*> held = layers_->Layers();
        for (auto it = held.rbegin(); it != held.rend(); ++it) {
            if (!(*it)->IsUserDrawn()) continue;
            ComPtr<IDispatch> engineLayer = (*it)->GetMapXLayer();
            passes = layers_->OnDrawUserLayer(canvas.Dc(), engineLayer.Get(), canvas.Rect(), ViewExtent(), printing);
        }
        ASSERT_TRUE(passes);
    }
    // The frame as drawing every line would give it.
    void FreshFrame(MemoryCanvas& canvas) {
        serving_->Picture().Forget();
        neighbours_->Picture().Forget();
        Frame(canvas);
    }
    long Reused() const { return serving_->Picture().Reused() + neighbours_->Picture().Reused(); }
    static int Differences(const MemoryCanvas& a, const MemoryCanvas& b) {
        int n = 0;
        for (int y = 0; y < a.Height(); ++y)
            for (int x = 0; x < a.Width(); ++x) n += a.Pixel(x, y) != b.Pixel(x, y);
        return n;
    }
    static int Count(const MemoryCanvas& canvas, COLORREF colour) {
        int n = 0;
        for (int y = 0; y < canvas.Height(); ++y)
            for (int x = 0; x < canvas.Width(); ++x) n += canvas.Pixel(x, y) == colour;
        return n;
    }
    IHostDataset* Points() const {
        ComPtr<IHostDataset> typed;
        points_->QueryInterface(IID_IHostDataset, typed.PutVoid());
        return typed.Get();
    }

    ComPtr<IDispatch> sites_, points_;
    CZmaVadAZDataLayer* cellSites_ = nullptr;
    CZmaVadAZDataLayer* pointLayer_ = nullptr;
    CZmaVadAZLinesToServersLayer* serving_ = nullptr;
    CZmaVadAZLinesToNborsLayer* neighbours_ = nullptr;
};

// Every line a walk over every row gives, each pair of ends once, in the layers' order.
struct EveryLine : LinesToServersActionInterface, LinesToNeighboursActionInterface {
    PixelLineSet<ServerLineRecord> serving, neighbours;
    bool operator()(POINT cellEnd, POINT pointEnd, const GeoPoint&, const GeoPoint&, IHostDataset*&) override {
        serving.Insert({cellEnd, pointEnd, 0});
        return true;
    }
    bool operator()(POINT cellEnd, POINT pointEnd, const GeoPoint&, const GeoPoint&, long, IHostDataset*&) override {
        neighbours.Insert({cellEnd, pointEnd, 0});
        return true;
    }
};

std::vector<PictureLine> Black(PixelLineSet<ServerLineRecord>& set) {
    std::vector<PictureLine> lines;
    for (const ServerLineRecord& r : set.Lines()) lines.push_back({r.cellEnd, r.pointEnd, RGB(0, 0, 0)});
    return lines;
}

TEST_F(LinePictureTest, AFrameDrawsEveryLineOfEveryRowOnceAsAWalkOverEveryRowReadFromTheHostGivesThem) {
    for (bool smooth : {true, false}) {
        layers_->SetEnhancedDrawingMode(smooth ? VARIANT_TRUE : VARIANT_FALSE);
        MemoryCanvas drawn(400, 300);
        Frame(drawn);

        // The reference: positions read from the host (the point layer keeps none now), every
        // row's lines offered, painted over the frame without lines.
        pointLayer_->GetOptimiser()->InvalidateRows();
        EveryLine every;
        for (const auto& entry : serving_->Entries()) serving_->WalkLines(entry, view_, ViewExtent(), every);
        for (const auto& entry : neighbours_->Entries()) neighbours_->BuildLines(entry, view_, ViewExtent(), every);
        EXPECT_EQ(every.serving.Size(), 5u) << "four runs on three pixels, one outside";
        EXPECT_GT(every.neighbours.Size(), 6u);
        serving_->SetDisabled(true);
        neighbours_->SetDisabled(true);
        MemoryCanvas expected(400, 300);
        Frame(expected);
        serving_->SetDisabled(false);
        neighbours_->SetDisabled(false);
        LineStyle style;
        style.width = 2;
        style.smooth = smooth;
        style.view = expected.Rect();
        PaintLines(expected.Dc(), style, Black(every.serving));
        style.dashed = true;
        PaintLines(expected.Dc(), style, Black(every.neighbours));
        ::GdiFlush();
        EXPECT_EQ(Differences(drawn, expected), 0) << (smooth ? "GDI+" : "GDI");
    }
}

TEST_F(LinePictureTest, AnUnchangedFramePutsBackItsPictureAndEveryChangeOfTheLinesDrawsThemAfresh) {
    // Colours by Level: 0 to 3 blue, the rest the line colour.
    ComPtr<IHostFieldStyleSetup> style = Create<IHostFieldStyleSetup>(CLSID_HostFieldStyle);
    long index = 0;
    style->AddClass(Variant(0L), Variant(4L), Bstr(L"low").Get(), 0, 1.0, kBlue, &index);
    ComPtr<IHostPropertyCollection> properties;
    Field(Points(), L"Level")->get_Properties(properties.Put());
    ComPtr<IDispatch> styleObject;
    style.As(styleObject);
    properties->Add(Variant(styleObject.Get()), Variant::Missing(), Variant::Missing());

    const COLORREF none = CLR_INVALID;
    const struct {
        const char* change;
        std::function<void()> apply;
        bool kept;         // whether the picture may stand for the frame after the change
        COLORREF shows = CLR_INVALID;  // a colour the frame then holds
    } changes[] = {
        {"nothing", [] {}, true},
        {"a pan", [&] { ShowView(400, 300, {10.02, 50.2, 10.42, 49.9}); }, false},
        {"nothing after the pan", [] {}, true},
        {"rows the host reports changed",
         [&] {
             SetValue(points_.Get(), 0, L"ServingSectorHandle", Variant(103L));
             ASSERT_EQ(datasets_->NotifyChange(kPoints, 0, nullptr, Variant::Missing()), S_OK);
         },
         false},
        {"the lines switched off and on again",
         [&] {
             MemoryCanvas hidden(400, 300);
             serving_->SetDisabled(true);
             Frame(hidden);
             serving_->SetDisabled(false);
         },
         true},
        {"the colour field", [&] { serving_->SetColorByField(L"Level"); }, false, kBlue},
        {"a colour value the host changed unannounced", [&] { SetValue(points_.Get(), 0, L"Level", Variant(6L)); }, false},
        {"the label field", [&] { serving_->SetLabelByField(L"Level"); }, true},
        {"the selected lines only, with a selection",
         [&] {
             serving_->SetDrawOption(1);
             SelectRows(Points(), {14});
             pointLayer_->UpdateSelection(true);
         },
         false},
        {"another selection",
         [&] {
             SelectRows(Points(), {0});
             pointLayer_->UpdateSelection(true);
         },
         false},
        {"plain GDI", [&] { layers_->SetEnhancedDrawingMode(VARIANT_FALSE); }, false},
        {"a printed frame in between",
         [&] {
             MemoryCanvas printed(400, 300);
             Frame(printed, true);
         },
         true},
    };
    MemoryCanvas first(400, 300);
    Frame(first);
    for (const auto& c : changes) {
        c.apply();
        const long before = Reused();
        MemoryCanvas drawn(400, 300);
        Frame(drawn);
        EXPECT_EQ(Reused() > before, c.kept) << c.change;
        MemoryCanvas fresh(400, 300);
        FreshFrame(fresh);
        EXPECT_EQ(Differences(drawn, fresh), 0) << c.change;
        if (c.shows != none) {
            EXPECT_GT(Count(drawn, c.shows), 0) << c.change;
        }
    }
}

TEST_F(LinePictureTest, SomethingNewUnderTheLinesDrawsThemAfresh) {
    MemoryCanvas first(400, 300);
    Frame(first);
    MemoryCanvas dark(400, 300, false);
    Frame(dark);
    MemoryCanvas fresh(400, 300, false);
    FreshFrame(fresh);
    EXPECT_EQ(Differences(dark, fresh), 0);
    EXPECT_EQ(Reused(), 0);
}

}  // namespace
