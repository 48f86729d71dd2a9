// The renderer optimisers over host datasets and the engine stand-in's view: who owns a pixel,
// what is drawn in which order, hit tests, extents and the rebuild rules.
#include "tests/datalayers/DataLayerFixture.h"

#include "ZmaVOMap2/datalayers/RendererOptimiser.h"
#include "ZmaVOMap2/datalayers/ZmaVadAZDataLayer.h"

#include <stdexcept>

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

long Reads(IHostDataset* dataset) {
    long reads = 0;
    SetupOf(dataset)->get_ValueReads(&reads);
    return reads;
}

// Rejects the rows whose "Level" is odd.
class EvenRows : public RendererRowValidatorInterface {
public:
    explicit EvenRows(IHostDataset* dataset) : level_(Field(dataset, L"Level")) {}
    bool ValidateRow() override {
        Variant v;
        level_->get_CurrentValue(v.Put());
        return v.vt == VT_I4 && v.lVal % 2 == 0;
    }

private:
    ComPtr<IHostField> level_;
};

class OptimiserTest : public DataLayerTest {
protected:
    void SetUp() override {
        DataLayerTest::SetUp();
        RendererOptimiserDataset::ResetNoPositionMessage();
    }

    template <class Optimiser>
    void Bind(Optimiser& optimiser, IHostDataset* dataset) {
        optimiser.SetMap(map_.Get());
        optimiser.SetSources(dataset, Field(dataset, L"Latitude").Get(), Field(dataset, L"Longitude").Get());
    }

    // A point well inside the view, moved by whole pixels.
    LatLon Inside(double fx, double fy) const {
        ZmaExtent e = ViewExtent();
        return {e.bottom + (e.top - e.bottom) * fy, e.left + (e.right - e.left) * fx};
    }
};

}  // namespace

TEST_F(OptimiserTest, TwoRowsOnOnePixel) {
    const LatLon a = Inside(0.3, 0.4), c = Inside(0.7, 0.6);
    ComPtr<IHostDataset> dataset = MakePointDataset({a, a, c});
    const POINT pa = EnginePixel(a.lon, a.lat);

    // Points: the lower row number owns the pixel and alone is drawn.
    RendererOptimiserDataset points;
    Bind(points, dataset.Get());
    points.Update(view_, ViewExtent(), 0, 0, false);
    EXPECT_EQ(Walk(points), (std::vector<int>{0, 2}));
    EXPECT_EQ(points.ItemAtPixel(pa), 0);
    ComPtr<IHostRenderer> pointRenderer = Renderer(SymbolDrawing::kPlain);
    EXPECT_EQ(points.HitTest({pa.x + 1, pa.y + 1}, pointRenderer.Get()), 0);

    // Cell sites: both rows are drawn, and the higher one is on top for the pixel and the hit.
    RendererOptimiserCellSites sites(L"");
    Bind(sites, dataset.Get());
    sites.Update(view_, ViewExtent(), 0, 0, false);
    EXPECT_EQ(Walk(sites), (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(sites.ItemAtPixel(pa), 1);
    // The stand-in's site symbol stands 6 pixels above the site.
    ComPtr<IHostRenderer> siteRenderer = Renderer(SymbolDrawing::kCellSites);
    EXPECT_EQ(sites.HitTest({pa.x, pa.y - 6}, siteRenderer.Get()), 1);
    EXPECT_EQ(sites.HitTest({pa.x, pa.y + 8}, siteRenderer.Get()), -1) << "in the radius, off the symbol";
}

TEST_F(OptimiserTest, HitTestTakesTheNearestDrawnRowAndTheSymbolDecides) {
    const LatLon a = Inside(0.5, 0.5);
    ComPtr<IHostDataset> dataset = MakePointDataset({a});
    const POINT pa = EnginePixel(a.lon, a.lat);
    ComPtr<IHostRenderer> renderer = Renderer(SymbolDrawing::kPlain);

    RendererOptimiserDataset points;
    Bind(points, dataset.Get());
    points.Update(view_, ViewExtent(), 0, 0, false);
    EXPECT_EQ(points.HitTest(pa, renderer.Get()), 0);
    EXPECT_EQ(points.HitTest({pa.x + 2, pa.y - 2}, renderer.Get()), 0);
    EXPECT_EQ(points.HitTest({pa.x + 3, pa.y + 3}, renderer.Get()), -1) << "inside the radius square, off the symbol";
    EXPECT_EQ(points.HitTest({pa.x + 4, pa.y}, renderer.Get()), -1) << "outside the radius";
    EXPECT_EQ(points.HitTest({-5, -5}, renderer.Get()), -1) << "outside the view";
}

TEST_F(OptimiserTest, DrawingRectangleAwayFromTheCornerIsScannedWhole) {
    // The frame's rectangle starts at (100, 50): pixels carry that corner, and a row near the
    // right edge of that rectangle is still found by the hit test.
    const LatLon a = Inside(0.97, 0.1);
    ComPtr<IHostDataset> dataset = MakePointDataset({a});
    const POINT engine = EnginePixel(a.lon, a.lat);
    const RECT moved = {100, 50, 500, 350};

    RendererOptimiserDataset points;
    Bind(points, dataset.Get());
    points.Update(moved, ViewExtent(), 0, 0, false);
    const POINT pixel = {engine.x + 100, engine.y + 50};
    EXPECT_EQ(points.ItemAtPixel(pixel), 0);
    ComPtr<IHostRenderer> renderer = Renderer(SymbolDrawing::kPlain);
    EXPECT_EQ(points.HitTest({pixel.x + 1, pixel.y}, renderer.Get()), 0);
}

TEST_F(OptimiserTest, RowsWithoutPositionsAndTheRowFilter) {
    const LatLon a = Inside(0.2, 0.2), b = Inside(0.4, 0.4), c = Inside(0.6, 0.6), d = Inside(0.8, 0.8);
    ComPtr<IHostDataset> dataset = MakePointDataset({a, b, {0.0, 0.0}, c, d});
    ComPtr<IHostDatasetSetup> setup = SetupOf(dataset.Get());
    Variant null;
    null.vt = VT_NULL;
    setup->SetValue(4, Variant(L"Latitude"), null);

    EvenRows even(dataset.Get());
    RendererOptimiserDataset points;
    Bind(points, dataset.Get());
    points.SetRowFilter(&even);
    points.Update(view_, ViewExtent(), 0, 0, false);
    // Row 1 and 3 are odd, row 2 lies at 0,0 and row 4 has no latitude.
    EXPECT_EQ(Walk(points), (std::vector<int>{0}));
    ZmaExtent data;
    ASSERT_TRUE(points.GetDataExtent(data));
    EXPECT_DOUBLE_EQ(data.left, a.lon);
    EXPECT_DOUBLE_EQ(data.right, a.lon);
    EXPECT_TRUE(prompts_.boxes.empty());

    // The extent asked for before any frame (a host's first display zooms to it) leaves the
    // rejected rows out too.
    RendererOptimiserDataset early;
    Bind(early, dataset.Get());
    early.SetRowFilter(&even);
    ASSERT_TRUE(early.GetDataExtent(data));
    EXPECT_DOUBLE_EQ(data.left, a.lon);
    EXPECT_DOUBLE_EQ(data.right, a.lon);
    early.Update(view_, ViewExtent(), 0, 0, false);
    EXPECT_EQ(Walk(early), (std::vector<int>{0}));
}

// Counts the questions of the even-level filter.
class CountingEvenRows : public EvenRows {
public:
    using EvenRows::EvenRows;
    bool ValidateRow() override {
        ++asked;
        return EvenRows::ValidateRow();
    }
    long asked = 0;
};

TEST_F(OptimiserTest, TheFilterJudgesARowWhenItWouldTakeAPixel) {
    // 400 rows crowd one spot, two lie far out. Seen whole, the crowd shares a pixel or two; a
    // view deep into the crowd spreads it over many pixels and is placed by walking the kept
    // rows, where the first accepted row of each pixel must win as if the rows were read anew.
    const LatLon spot = Inside(0.5, 0.5);
    std::vector<LatLon> rows = {{spot.lat - 1.0, spot.lon - 1.0}, {spot.lat + 1.0, spot.lon + 1.0}};
    unsigned seed = 12345;
    auto next = [&seed] { return (seed = seed * 1103515245u + 12345u) / 65536u % 1000u / 1000.0; };
    for (int i = 0; i < 400; ++i) rows.push_back({spot.lat + (next() - 0.5) * 0.004, spot.lon + (next() - 0.5) * 0.004});
    ComPtr<IHostDataset> dataset = MakePointDataset(rows);
    // The reference: the same rows, the odd ones (which the filter rejects) without a position.
    std::vector<LatLon> accepted = rows;
    for (size_t i = 1; i < accepted.size(); i += 2) accepted[i] = {0.0, 0.0};
    ComPtr<IHostDataset> reference = MakePointDataset(accepted);

    CountingEvenRows even(dataset.Get());
    RendererOptimiserDataset points;
    Bind(points, dataset.Get());
    points.SetRowFilter(&even);
    ShowView(400, 300, {spot.lon - 1.2, spot.lat + 1.2, spot.lon + 1.2, spot.lat - 1.2});
    points.Update(view_, ViewExtent(), 0, 0, false);
    EXPECT_LT(even.asked, 20) << "most rows found their pixel taken and were not asked";

    ShowView(400, 300, {spot.lon - 0.002, spot.lat + 0.0015, spot.lon + 0.002, spot.lat - 0.0015});
    points.Update(view_, ViewExtent(), 0, 0, false);
    RendererOptimiserDataset fresh;
    Bind(fresh, reference.Get());
    fresh.Update(view_, ViewExtent(), 0, 0, false);
    const std::vector<int> drawn = Walk(fresh);
    ASSERT_GT(drawn.size(), 100u);
    EXPECT_EQ(Walk(points), drawn);
    for (long y = 0; y < view_.bottom; ++y)
        for (long x = 0; x < view_.right; ++x) ASSERT_EQ(points.ItemAtPixel({x, y}), fresh.ItemAtPixel({x, y})) << x << "," << y;
    ZmaExtent kept, expected;
    ASSERT_TRUE(points.GetDataExtent(kept));
    ASSERT_TRUE(fresh.GetDataExtent(expected));
    EXPECT_TRUE(extent::Equal(kept, expected));
}

TEST_F(OptimiserTest, NoCoordinatesIsToldOnceAndOnlyAfterReadingRows) {
    // Panning away from known data reads nothing and says nothing.
    const LatLon a = Inside(0.5, 0.5);
    ComPtr<IHostDataset> good = MakePointDataset({a});
    RendererOptimiserDataset points;
    Bind(points, good.Get());
    points.Update(view_, ViewExtent(), 0, 0, false);
    const long before = Reads(good.Get());
    const ZmaExtent away = {20.0, 40.2, 20.4, 39.9};
    points.Update(view_, away, 0, 0, false);
    EXPECT_EQ(Reads(good.Get()), before);
    EXPECT_EQ(Walk(points), std::vector<int>{});
    // An empty dataset has no rows to lack coordinates.
    ComPtr<IHostDataset> empty = MakePointDataset({});
    RendererOptimiserDataset nothing;
    Bind(nothing, empty.Get());
    nothing.Update(view_, ViewExtent(), 0, 0, false);
    EXPECT_TRUE(prompts_.boxes.empty());

    // Rows that all lack coordinates: one message for the whole process.
    ComPtr<IHostDataset> blank = MakePointDataset({{0, 0}, {0, 0}});
    RendererOptimiserDataset first, second;
    Bind(first, blank.Get());
    Bind(second, blank.Get());
    first.Update(view_, ViewExtent(), 0, 0, false);
    second.Update(view_, ViewExtent(), 0, 0, false);
    first.Update(view_, away, 0, 0, false);
    ASSERT_EQ(prompts_.boxes.size(), 1u);
    EXPECT_EQ(prompts_.boxes[0].text, L"Unable to plot data on map without latitude and longitude information.");
    EXPECT_EQ(prompts_.boxes[0].caption, L"Map Module");
}

TEST_F(OptimiserTest, TheCacheIsKeptUntilTheViewOrTheOffsetsChange) {
    const LatLon a = Inside(0.5, 0.5);
    ComPtr<IHostDataset> dataset = MakePointDataset({a, Inside(0.25, 0.75)});
    RendererOptimiserDataset points;
    Bind(points, dataset.Get());
    points.Update(view_, ViewExtent(), 0, 0, false);
    ZmaExtent before;
    ASSERT_TRUE(points.GetDataExtent(before));

    const long reads = Reads(dataset.Get());
    points.Update(view_, ViewExtent(), 0, 0, false);
    EXPECT_EQ(Reads(dataset.Get()), reads) << "the same view replays the cache";

    // Moving the layer moves the extent by the same amount and the rows with it.
    const double dx = 0.01, dy = -0.02;
    points.Update(view_, ViewExtent(), dx, dy, false);
    ZmaExtent after;
    ASSERT_TRUE(points.GetDataExtent(after));
    EXPECT_DOUBLE_EQ(after.left, before.left + dx);
    EXPECT_DOUBLE_EQ(after.right, before.right + dx);
    EXPECT_DOUBLE_EQ(after.top, before.top + dy);
    EXPECT_DOUBLE_EQ(after.bottom, before.bottom + dy);
    EXPECT_EQ(points.ItemAtPixel(EnginePixel(a.lon + dx, a.lat + dy)), 0);
}

TEST_F(OptimiserTest, SelectionExtentAndItsInnerBox) {
    const ZmaExtent view = ViewExtent();
    const double d = 0.05 * std::min(view.right - view.left, view.top - view.bottom);
    const LatLon a = Inside(0.3, 0.3), b = Inside(0.6, 0.7);
    const LatLon edge = {view.bottom + (view.top - view.bottom) / 2, view.left + d};
    ComPtr<IHostDataset> dataset = MakePointDataset({a, b, edge, {0, 0}});

    RendererOptimiserDataset points;
    Bind(points, dataset.Get());
    points.Update(view_, view, 0, 0, false);
    ZmaExtent selected;
    EXPECT_TRUE(points.GetSelectionExtent(selected)) << "nothing selected";
    EXPECT_TRUE(extent::IsEmpty(selected));

    SelectRows(dataset.Get(), {0, 1, 3});
    EXPECT_TRUE(points.GetSelectionExtent(selected));
    EXPECT_DOUBLE_EQ(selected.left, a.lon);
    EXPECT_DOUBLE_EQ(selected.right, b.lon);
    EXPECT_DOUBLE_EQ(selected.bottom, a.lat);
    EXPECT_DOUBLE_EQ(selected.top, b.lat);

    SelectRows(dataset.Get(), {2});
    EXPECT_FALSE(points.GetSelectionExtent(selected)) << "a row on the inner box's edge is not well inside";
}

TEST_F(OptimiserTest, SelectedItemsAreThePixelOwnersOfTheSelection) {
    const LatLon a = Inside(0.3, 0.4), c = Inside(0.7, 0.6);
    ComPtr<IHostDataset> dataset = MakePointDataset({a, a, c, Inside(0.5, 0.5)});
    RendererOptimiserDataset points;
    Bind(points, dataset.Get());
    points.Update(view_, ViewExtent(), 0, 0, false);
    SelectRows(dataset.Get(), {2, 1});
    // Row 1 shares row 0's pixel: row 0 stands for it. Pixel order: a lies left of c.
    points.Update(view_, ViewExtent(), 0, 0, true);
    EXPECT_EQ(Walk(points), (std::vector<int>{0, 2}));

    // A new view brings new owners; the list follows it.
    ShowView(400, 300, {9.9, 50.3, 10.5, 49.8});
    points.Update(view_, ViewExtent(), 0, 0, true);
    EXPECT_EQ(Walk(points), (std::vector<int>{0, 2}));
    points.Update(view_, ViewExtent(), 0, 0, false);
    EXPECT_EQ(Walk(points), (std::vector<int>{0, 2, 3}));
}

TEST_F(OptimiserTest, TheElementIndexKeepsTheFirstRowOfEveryHandleInAnyOrder) {
    std::vector<LatLon> rows;
    for (int i = 0; i < 8; ++i) rows.push_back(Inside(0.1 + 0.1 * i, 0.5));
    ComPtr<IHostDataset> dataset = MakePointDataset(rows);
    ComPtr<IHostDatasetSetup> setup = SetupOf(dataset.Get());
    long position = 0;
    setup->AddField(Bstr(L"ElementHandle").Get(), 3, &position);
    // Handles out of order, repeated, zero, empty and as text.
    const Variant handles[] = {Variant(7L), Variant(3L), Variant(7L), Variant(0L), Variant(3L), Variant(5L), Variant(L"12"), Variant()};
    for (long row = 0; row < 8; ++row) setup->SetValue(row, Variant(L"ElementHandle"), handles[row]);

    RendererOptimiserCellSites sites(L"");
    Bind(sites, dataset.Get());
    sites.Update(view_, ViewExtent(), 0, 0, false);
    EXPECT_EQ(sites.GetElementHandleIndex().Entries(), (std::vector<std::pair<int, int>>{{3, 1}, {5, 5}, {7, 0}, {12, 6}}));
    ASSERT_TRUE(sites.MoveToElement(3));
    ZmaPointD p;
    ASSERT_TRUE(sites.GetMapPosition(p));
    EXPECT_DOUBLE_EQ(p.x, rows[1].lon);
    EXPECT_EQ(sites.GetElementHandleIndex().at(12), 6);
    EXPECT_THROW(sites.GetElementHandleIndex().at(4), std::out_of_range);
    EXPECT_FALSE(sites.MoveToElement(4));
}

TEST_F(OptimiserTest, CellSitesFilterByLayerTypeAndIndexElements) {
    const LatLon a = Inside(0.2, 0.5), b = Inside(0.5, 0.5), c = Inside(0.8, 0.5);
    ComPtr<IHostDataset> dataset = MakePointDataset({a, b, c, Inside(0.6, 0.6)});
    ComPtr<IHostDatasetSetup> setup = SetupOf(dataset.Get());
    long position = 0;
    setup->AddField(Bstr(L"LayerType").Get(), 6, &position);
    setup->AddField(Bstr(L"ElementHandle").Get(), 3, &position);
    setup->SetValue(0, Variant(L"LayerType"), Variant(L"GSM"));
    setup->SetValue(1, Variant(L"LayerType"), Variant(L"umts"));
    setup->SetValue(2, Variant(L"LayerType"), Variant(L"gsm"));
    Variant null;
    null.vt = VT_NULL;
    setup->SetValue(3, Variant(L"LayerType"), null);
    for (long row = 0; row < 4; ++row) setup->SetValue(row, Variant(L"ElementHandle"), Variant(row < 3 ? 100 + row : 100L));

    RendererOptimiserCellSites sites(L"Gsm");
    Bind(sites, dataset.Get());
    sites.Update(view_, ViewExtent(), 0, 0, false);
    EXPECT_EQ(Walk(sites), (std::vector<int>{0, 2}));
    // Handles of shown rows, the first row of each.
    EXPECT_EQ(sites.GetElementHandleIndex().Entries(), (std::vector<std::pair<int, int>>{{100, 0}, {102, 2}}));
    ASSERT_TRUE(sites.MoveToElement(102));
    ZmaPointD p;
    ASSERT_TRUE(sites.GetMapPosition(p));
    EXPECT_DOUBLE_EQ(p.x, c.lon);
    EXPECT_FALSE(sites.MoveToElement(0));
    EXPECT_FALSE(sites.MoveToElement(101));

    // Moving the layer moves the sites' pixels with it.
    sites.Update(view_, ViewExtent(), 0.01, 0, false);
    EXPECT_EQ(sites.ItemAtPixel(EnginePixel(a.lon + 0.01, a.lat)), 0);
}
