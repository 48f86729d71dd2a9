// What the optimisers keep between frames (every row's position, a zoom level's pixels, the cell
// sites' pixel index) gives the answers of an optimiser that has just read the rows, whatever
// way the view got where it is; and the kept rows follow the host's changes once it reports them.
#include "tests/datalayers/DataLayerFixture.h"

#include "ZmaVOMap2/engine/EngineDispatch.h"
#include "ZmaVOMap2/engine/EngineIds.h"
#include "ZmaVOMap2/datalayers/RendererOptimiser.h"
#include "ZmaVOMap2/datalayers/ZmaVadAZDataLayer.h"

#include <functional>
#include <memory>

using platform::Bstr;
using platform::ComPtr;
using platform::Variant;
using namespace dltest;

namespace {

std::vector<int> Walk(RendererOptimiserInterface& optimiser) {
    std::vector<int> rows;
    for (int row = optimiser.Reset(); row != -1; row = optimiser.MoveNext()) rows.push_back(row);
    return rows;
}

// The pixel each drawn row is drawn at.
std::vector<POINT> DrawPositions(RendererOptimiserInterface& optimiser) {
    std::vector<POINT> pixels;
    for (int row = optimiser.Reset(); row != -1; row = optimiser.MoveNext()) {
        POINT p = {-1, -1};
        optimiser.GetDrawPosition(p);
        pixels.push_back(p);
    }
    return pixels;
}

long Reads(IHostDataset* dataset) {
    long reads = 0;
    SetupOf(dataset)->get_ValueReads(&reads);
    return reads;
}

class CacheTest : public DataLayerTest {
protected:
    void SetUp() override {
        DataLayerTest::SetUp();
        RendererOptimiserDataset::ResetNoPositionMessage();
        RendererSettings(SymbolDrawing::kPlain)->put_Logging(VARIANT_FALSE);
        RendererSettings(SymbolDrawing::kCellSites)->put_Logging(VARIANT_FALSE);
        sample_ = Create<IHostSampleDataset>(CLSID_SampleDataset);
        sample_->put_RowCount(12000);
        sample_.As(dataset_);
        double x0, y0, x1, y1;
        sample_->GetRouteBounds(&x0, &y0, &x1, &y1);
        route_ = {x0, y1, x1, y0};
        ShowView(400, 300, route_);
    }

    template <class Optimiser>
    void Bind(Optimiser& optimiser) {
        optimiser.SetMap(map_.Get());
        optimiser.SetSources(dataset_.Get(), Field(dataset_.Get(), L"Latitude").Get(),
                             Field(dataset_.Get(), L"Longitude").Get());
    }

    // Moves the engine's view by screen pixels (whole ones as the engine itself counts them).
    void Pan(double dx, double dy) {
        EngineDispatch map(map_.Get());
        double x, y;
        EngineScreenToMap(map, static_cast<float>(200 + dx), static_cast<float>(150 + dy), x, y);
        map.Put(EngineMap::kCenterX, Variant(x));
        map.Put(EngineMap::kCenterY, Variant(y));
    }

    // Every answer of `kept` equals that of an optimiser that reads the rows for this view only
    // (from `reference_` when set: the same rows without the ones a filter rejects).
    template <class Optimiser, class... Args>
    void ExpectFreshAnswers(Optimiser& kept, double offsetX, double offsetY, Args... args) {
        const ZmaExtent view = ViewExtent();
        kept.Update(view_, view, offsetX, offsetY, false);
        Optimiser fresh(args...);
        IHostDataset* source = reference_ ? reference_.Get() : dataset_.Get();
        fresh.SetMap(map_.Get());
        fresh.SetSources(source, Field(source, L"Latitude").Get(), Field(source, L"Longitude").Get());
        fresh.Update(view_, view, offsetX, offsetY, false);

        const std::vector<int> drawn = Walk(fresh);
        ASSERT_FALSE(drawn.empty());
        EXPECT_EQ(Walk(kept), drawn);
        const std::vector<POINT> keptPixels = DrawPositions(kept), freshPixels = DrawPositions(fresh);
        ASSERT_EQ(keptPixels.size(), freshPixels.size());
        for (size_t i = 0; i < keptPixels.size(); ++i) {
            EXPECT_EQ(keptPixels[i].x, freshPixels[i].x) << "entry " << i;
            EXPECT_EQ(keptPixels[i].y, freshPixels[i].y) << "entry " << i;
        }
        int differences = 0;
        for (long y = 0; y < view_.bottom; ++y)
            for (long x = 0; x < view_.right; ++x)
                if (kept.ItemAtPixel({x, y}) != fresh.ItemAtPixel({x, y})) ++differences;
        EXPECT_EQ(differences, 0);

        ComPtr<IHostRenderer> renderer = Renderer(std::is_same<Optimiser, RendererOptimiserCellSites>::value
                                                      ? SymbolDrawing::kCellSites
                                                      : SymbolDrawing::kPlain);
        int hits = 0;
        for (long y = 3; y < view_.bottom; y += 7) {
            for (long x = 2; x < view_.right; x += 7) {
                const int row = fresh.HitTest({x, y}, renderer.Get());
                EXPECT_EQ(kept.HitTest({x, y}, renderer.Get()), row) << x << "," << y;
                if (row != -1) ++hits;
            }
        }
        EXPECT_GT(hits, 0);

        SelectRows(dataset_.Get(), selection_);
        if (reference_) SelectRows(reference_.Get(), selection_);
        kept.ClearSelectedItems();
        EXPECT_EQ(kept.GetSelectedItems(), fresh.GetSelectedItems());
        ZmaExtent keptData, freshData;
        EXPECT_EQ(kept.GetDataExtent(keptData), fresh.GetDataExtent(freshData));
        EXPECT_TRUE(extent::Equal(keptData, freshData));
    }

    ComPtr<IHostSampleDataset> sample_;
    ComPtr<IHostDataset> dataset_;
    ComPtr<IHostDataset> reference_;
    std::vector<long> selection_ = {5, 6, 700, 1500, 2222, 3999, 11999};
    ZmaExtent route_;
};

}  // namespace

TEST_F(CacheTest, PansByWholePixelsGiveTheAnswersOfAFreshReading) {
    RendererOptimiserDataset points;
    Bind(points);
    points.Update(view_, ViewExtent(), 0, 0, false);
    const long reads = Reads(dataset_.Get());

    // East and west only: the engine's degree of longitude follows the centre's latitude, so a
    // pan north or south changes the scale.
    Pan(7, 0);
    ExpectFreshAnswers(points, 0, 0);
    Pan(-3, 0);
    ExpectFreshAnswers(points, 0, 0);
    Pan(-120, 0);  // part of the route leaves the view
    ExpectFreshAnswers(points, 0, 0);
    EXPECT_GE(points.ShiftedFrames(), 2) << "the pans reused the zoom level's pixels";
    // Only the fresh optimisers read rows (two values each, and the selection).
    ComPtr<IHostRows> rows = hostdata::Rows(dataset_.Get());
    EXPECT_LT(Reads(dataset_.Get()) - reads, 4 * 2 * hostdata::RowCount(rows.Get()));
}

TEST_F(CacheTest, SubPixelPansZoomsAndOffsetsGiveTheAnswersOfAFreshReading) {
    RendererOptimiserDataset points;
    Bind(points);
    points.Update(view_, ViewExtent(), 0, 0, false);

    Pan(2.5, -0.25);
    ExpectFreshAnswers(points, 0, 0);
    ShowView(400, 300, route_);
    ExpectFreshAnswers(points, 0, 0);
    // Out and in again to the same view: that level's pixels come back.
    const double w = route_.right - route_.left, h = route_.top - route_.bottom;
    ShowView(400, 300, {route_.left - w / 2, route_.top + h / 2, route_.right + w / 2, route_.bottom - h / 2});
    ExpectFreshAnswers(points, 0, 0);
    ShowView(400, 300, route_);
    const long shifted = points.ShiftedFrames();
    ExpectFreshAnswers(points, 0, 0);
    EXPECT_EQ(points.ShiftedFrames(), shifted + 1);
    // Offsets move every row; pans after them still agree.
    ExpectFreshAnswers(points, 0.003, -0.0021);
    Pan(-9, 4);
    ExpectFreshAnswers(points, 0.003, -0.0021);
}

TEST_F(CacheTest, RowsAreReadOnceAndAgainOnlyWhenTheHostReportsAChange) {
    const ZmaExtent view = ViewExtent();
    const LatLon a = {view.bottom + (view.top - view.bottom) * 0.5, view.left + (view.right - view.left) * 0.3};
    const LatLon b = {view.bottom + (view.top - view.bottom) * 0.6, view.left + (view.right - view.left) * 0.7};
    ComPtr<IHostDataset> dataset = MakePointDataset({a, b});
    RendererOptimiserDataset points;
    points.SetMap(map_.Get());
    points.SetSources(dataset.Get(), Field(dataset.Get(), L"Latitude").Get(), Field(dataset.Get(), L"Longitude").Get());
    points.Update(view_, view, 0, 0, false);
    ZmaExtent data;
    ASSERT_TRUE(points.GetDataExtent(data));

    // Pans, offsets and the extent read no row again.
    const long reads = Reads(dataset.Get());
    Pan(3.5, 1);
    points.Update(view_, ViewExtent(), 0, 0, false);
    points.Update(view_, ViewExtent(), 0.001, 0, false);
    ASSERT_TRUE(points.GetDataExtent(data));
    EXPECT_EQ(Reads(dataset.Get()), reads);

    // The host moves row 1; once told, the optimiser draws it where it went, with the extent.
    ShowView(400, 300, {10.0, 50.2, 10.4, 49.9});
    const LatLon moved = {b.lat - 0.05, b.lon - 0.1};
    ComPtr<IHostDatasetSetup> setup = SetupOf(dataset.Get());
    setup->SetValue(1, Variant(L"Latitude"), Variant(moved.lat));
    setup->SetValue(1, Variant(L"Longitude"), Variant(moved.lon));
    points.Update(view_, ViewExtent(), 0, 0, false);
    points.InvalidateRows();
    points.Update(view_, ViewExtent(), 0, 0, false);
    EXPECT_GT(Reads(dataset.Get()), reads);
    EXPECT_EQ(points.ItemAtPixel(EnginePixel(moved.lon, moved.lat)), 1);
    EXPECT_EQ(points.ItemAtPixel(EnginePixel(b.lon, b.lat)), -1);
    ASSERT_TRUE(points.GetDataExtent(data));
    EXPECT_DOUBLE_EQ(data.bottom, moved.lat);
    EXPECT_DOUBLE_EQ(data.right, a.lon);
}

TEST_F(CacheTest, CellSitesAnswerTheTopmostSiteWhateverTheViewsBefore) {
    // The sample's 12000 sites crowd a few hundred pixels: many share one.
    RendererOptimiserCellSites sites(L"");
    Bind(sites);
    sites.Update(view_, ViewExtent(), 0, 0, false);
    EXPECT_EQ(sites.GetElementHandleIndex().size(), 12000u);
    Pan(5, -2);
    ExpectFreshAnswers(sites, 0, 0, std::wstring());
    Pan(1.5, 0.5);
    ExpectFreshAnswers(sites, 0.002, 0, std::wstring());

    // The element index follows a change of the rows.
    ComPtr<IHostDatasetSetup> setup = SetupOf(dataset_.Get());
    setup->SetValue(0, Variant(L"ElementHandle"), Variant(99999L));
    EXPECT_EQ(sites.GetElementHandleIndex().count(99999), 0u);
    sites.InvalidateRows();
    sites.Update(view_, ViewExtent(), 0.002, 0, false);
    EXPECT_EQ(sites.GetElementHandleIndex().at(99999), 0);
    EXPECT_EQ(sites.GetElementHandleIndex().count(1), 0u);
}

TEST_F(CacheTest, CellSiteHitTestsAnswerTheHighestRowWhoseSymbolCoversTheCursor) {
    // Crowded pixels, a hit radius larger than the symbol and a symbol standing off its site: the
    // answer must be the highest row in the box whose symbol covers the cursor, not merely the
    // highest row of the nearest or the first pixel.
    RendererOptimiserCellSites sites(L"");
    Bind(sites);
    sites.Update(view_, ViewExtent(), 0, 0, false);
    const std::vector<int> rows = Walk(sites);
    const std::vector<POINT> pixels = DrawPositions(sites);
    ASSERT_EQ(rows.size(), pixels.size());
    ComPtr<IHostRenderer> renderer = Renderer(SymbolDrawing::kCellSites);
    int radius = 0;
    ASSERT_EQ(renderer->GetHitRadius(&radius), S_OK);

    int hits = 0, checked = 0;
    for (long y = 0; y < view_.bottom; y += 3) {
        for (long x = 1; x < view_.right; x += 3) {
            const RECT box = {x - radius, y - radius, x + radius, y + radius};
            int expected = -1;
            for (size_t i = rows.size(); i-- > 0 && expected == -1;) {
                if (!::PtInRect(&box, pixels[i])) continue;
                VARIANT_BOOL covered = VARIANT_FALSE;
                renderer->HitTest(x - pixels[i].x, y - pixels[i].y, &covered);
                if (covered == VARIANT_TRUE) expected = rows[i];
            }
            ASSERT_EQ(sites.HitTest({x, y}, renderer.Get()), expected) << x << "," << y;
            if (expected != -1) ++hits;
            ++checked;
        }
    }
    EXPECT_GT(hits, 50);
    EXPECT_GT(checked - hits, 50);
}

TEST_F(CacheTest, CellSitesAskedForTheirExtentAfterAChangeListEverySiteOnce) {
    RendererOptimiserCellSites sites(L"");
    Bind(sites);
    sites.Update(view_, ViewExtent(), 0, 0, false);
    const std::vector<int> drawn = Walk(sites);
    ASSERT_FALSE(drawn.empty());
    // The host reports a change and the extent is asked for before the next frame: the sites are
    // placed again for it, and the list still holds each of them once.
    sites.InvalidateRows();
    ZmaExtent data;
    ASSERT_TRUE(sites.GetDataExtent(data));
    EXPECT_EQ(Walk(sites), drawn);
    sites.Update(view_, ViewExtent(), 0, 0, false);
    EXPECT_EQ(Walk(sites), drawn);
}

namespace {

// Accepts the rows whose "Quality" is even, counting how often it is asked.
class EvenQuality : public RendererRowValidatorInterface {
public:
    explicit EvenQuality(IHostDataset* dataset) : quality_(Field(dataset, L"Quality")) {}
    bool ValidateRow() override {
        ++asked;
        Variant v;
        quality_->get_CurrentValue(v.Put());
        return v.vt == VT_I4 && v.lVal % 2 == 0;
    }
    long asked = 0;

private:
    ComPtr<IHostField> quality_;
};

}  // namespace

TEST_F(CacheTest, ARowFilterAskedOnlyWhenNeededGivesTheAnswersOfTheRowsItAccepts) {
    // The reference: a second sample whose rejected rows have no position, read without a filter.
    ComPtr<IHostSampleDataset> other = Create<IHostSampleDataset>(CLSID_SampleDataset);
    other->put_RowCount(12000);
    other.As(reference_);
    ComPtr<IHostDatasetSetup> setup = SetupOf(reference_.Get());
    ComPtr<IHostRows> rows;
    reference_.As(rows);
    ComPtr<IHostField> quality = Field(reference_.Get(), L"Quality");
    Variant null;
    null.vt = VT_NULL;
    long rejected = 0;
    selection_.clear();
    for (long i = 0; i < 12000; ++i) {
        rows->MoveTo(i);
        Variant v;
        quality->get_CurrentValue(v.Put());
        if (v.vt == VT_I4 && v.lVal % 2 == 0) {
            // A selected row that the filter rejects still shows through the row on its pixel;
            // the reference has no position for it, so the selection holds accepted rows only.
            if (i % 1500 == 0 || i == 11999) selection_.push_back(i);
            continue;
        }
        setup->SetValue(i, Variant(L"Latitude"), null);
        ++rejected;
    }
    ASSERT_GT(rejected, 1000);

    // Each way of reaching a view starts from a first frame at the route, and asks for the extent
    // (which needs every verdict) only at the end of the comparison: until then the verdicts are
    // asked for as rows claim pixels.
    const struct {
        const char* name;
        std::function<void(RendererOptimiserDataset&)> move;
        double offsetX, offsetY;
    } ways[] = {
        {"first frame", [](RendererOptimiserDataset&) {}, 0, 0},
        {"a zoom level's pixels", [&](RendererOptimiserDataset&) { Pan(7, 0); }, 0, 0},
        {"a zoom level moved by whole pixels",
         [&](RendererOptimiserDataset& points) {
             Pan(7, 0);
             points.Update(view_, ViewExtent(), 0, 0, false);
             Pan(-3, 0);
         },
         0, 0},
        {"a moved layer", [](RendererOptimiserDataset&) {}, 0.001, -0.002},
        {"a view far out, whole runs of rows on a pixel",
         [&](RendererOptimiserDataset&) {
             const double w = route_.right - route_.left, h = route_.top - route_.bottom;
             ShowView(400, 300, {route_.left - 4 * w, route_.top + 4 * h, route_.right + 4 * w, route_.bottom - 4 * h});
         },
         0, 0},
    };
    for (const auto& way : ways) {
        SCOPED_TRACE(way.name);
        ShowView(400, 300, route_);
        EvenQuality filter(dataset_.Get());
        RendererOptimiserDataset points;
        Bind(points);
        points.SetRowFilter(&filter);
        points.Update(view_, ViewExtent(), 0, 0, false);
        EXPECT_LT(filter.asked, 12000) << "the first frame asks only the rows that find a free pixel";
        way.move(points);
        ExpectFreshAnswers(points, way.offsetX, way.offsetY);
        EXPECT_EQ(filter.asked, 12000) << "every row was asked once: the extent needs them all, and verdicts are kept";
    }
}
