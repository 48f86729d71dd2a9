// A data layer over host datasets in a collection: initialisation, display fields and their
// attribute codes, the three drawing passes into a memory DC, selection and showing it.
#include "tests/datalayers/DataLayerFixture.h"

#include "ZmaVOMap2/engine/EngineDispatch.h"
#include "ZmaVOMap2/engine/EngineIds.h"
#include "ZmaVOMap2/datalayers/StyleSettings.h"
#include "ZmaVOMap2/datalayers/ZmaVadAZDataLayer.h"

#include <cmath>
#include <memory>

using platform::Bstr;
using platform::ComPtr;
using platform::Variant;
using namespace dltest;

namespace {

const wchar_t kGuid[] = L"{5A5A5A5A-1111-2222-3333-444444444444}";
const COLORREF kRed = RGB(255, 0, 0), kGreen = RGB(0, 255, 0), kWhite = RGB(255, 255, 255);

class LayerTest : public DataLayerTest {
protected:
    void SetUp() override {
        DataLayerTest::SetUp();
        RendererOptimiserDataset::ResetNoPositionMessage();
        for (const CLSID* c : {&SymbolDrawing::kPlain, &SymbolDrawing::kCellSites})
            if (auto settings = RendererSettings(*c)) settings->ResetSettings();
    }
    void TearDown() override {
        layer_.reset();
        DataLayerTest::TearDown();
    }

    // A point layer over `dataset` showing `fields`, attached and initialised, labels off.
    CZmaVadAZDataLayer& MakeLayer(IHostDataset* dataset, const std::vector<std::wstring>& fields,
                                  int type = CZmaVadAZLayer::kTypeDataset) {
        std::unique_ptr<RendererOptimiserInterface> optimiser;
        const CLSID* renderer = &SymbolDrawing::kPlain;
        if (type == CZmaVadAZLayer::kTypeCellSites) {
            optimiser = std::make_unique<RendererOptimiserCellSites>(L"");
            renderer = &SymbolDrawing::kCellSites;
        } else {
            optimiser = std::make_unique<RendererOptimiserDataset>();
        }
        // The old layer goes first: it takes its engine layer out of the map by name.
        layer_.reset();
        layer_ = std::make_unique<CZmaVadAZDataLayer>(map_.Get(), 1, layers_.get(), std::move(optimiser), renderer, L"");
        EXPECT_EQ(layer_->Attach("Points", type), S_OK);
        layer_->SetLayerKey(kGuid);
        layer_->SetDataset(dataset);
        EXPECT_EQ(layer_->Initialise(fields), S_OK);
        layer_->GetLabelProperties()->SetVisible(false);
        return *layer_;
    }

    void DrawFrame(MemoryCanvas& canvas) {
        const ZmaExtent extent = ViewExtent();
        ASSERT_TRUE(layer_->OnDrawUserLayer(canvas.Dc(), canvas.Rect(), extent));
        ASSERT_TRUE(layer_->Draw(canvas.Dc(), canvas.Rect(), extent));
        ASSERT_TRUE(layer_->DrawSecondPass(canvas.Dc(), canvas.Rect(), extent));
        ASSERT_TRUE(layer_->DrawLabels(canvas.Dc(), canvas.Rect(), extent));
    }

    LatLon Inside(double fx, double fy) const {
        ZmaExtent e = ViewExtent();
        return {e.bottom + (e.top - e.bottom) * fy, e.left + (e.right - e.left) * fx};
    }

    long Counter(REFCLSID clsid, bool labels) {
        long n = 0;
        auto settings = RendererSettings(clsid);
        labels ? settings->get_LabelsDrawn(&n) : settings->get_SymbolsDrawn(&n);
        return n;
    }

    std::unique_ptr<CZmaVadAZDataLayer> layer_;
};

struct SampleRow {
    double lon, lat;
};

std::vector<SampleRow> ReadRows(IHostDataset* dataset) {
    std::vector<SampleRow> rows;
    ComPtr<IHostRows> cursor;
    dataset->QueryInterface(__uuidof(IHostRows), cursor.PutVoid());
    ComPtr<IHostField> lat = Field(dataset, L"Latitude"), lon = Field(dataset, L"Longitude");
    long count = 0;
    cursor->get_RowCount(&count);
    for (long i = 0; i < count; ++i) {
        cursor->MoveTo(i);
        Variant x, y;
        lon->get_CurrentValue(x.Put());
        lat->get_CurrentValue(y.Put());
        rows.push_back({x.dblVal, y.dblVal});
    }
    return rows;
}

}  // namespace

TEST(DataLayerClasses, SymbolDrawingClassesAreTheHostsOwn) {
    EXPECT_TRUE(::IsEqualCLSID(SymbolDrawing::kPlain, CLSID_HostPointRenderer));
    EXPECT_TRUE(::IsEqualCLSID(SymbolDrawing::kEnhanced, CLSID_HostEnhancedRenderer));
    EXPECT_TRUE(::IsEqualCLSID(SymbolDrawing::kCellSites, CLSID_HostCellSiteRenderer));
    EXPECT_TRUE(::IsEqualCLSID(SymbolDrawing::kFieldRenderer, CLSID_HostFieldRenderer));
    EXPECT_TRUE(::IsEqualIID(SymbolDrawing::kDrawerInterface, __uuidof(IHostRenderer)));
}

TEST_F(LayerTest, SampleDriveTestIsDrawnAtTheEnginePixels) {
    ComPtr<IHostSampleDataset> sample = Create<IHostSampleDataset>(CLSID_SampleDataset);
    ASSERT_TRUE(sample);
    sample->put_RowCount(3000);
    double x0, y0, x1, y1;
    sample->GetRouteBounds(&x0, &y0, &x1, &y1);
    ShowView(320, 240, {x0, y1, x1, y0});
    ComPtr<IHostDataset> dataset;
    sample.As(dataset);

    RendererSettings(SymbolDrawing::kPlain)->put_Logging(VARIANT_FALSE);
    CZmaVadAZDataLayer& layer = MakeLayer(dataset.Get(), {L"RxLev"});
    MemoryCanvas canvas(320, 240);
    DrawFrame(canvas);

    const std::vector<SampleRow> rows = ReadRows(dataset.Get());
    std::vector<POINT> pixels;
    for (const SampleRow& r : rows) pixels.push_back(EnginePixel(r.lon, r.lat));
    for (size_t i = 0; i < rows.size(); i += 250)
        EXPECT_EQ(canvas.Pixel(pixels[i].x, pixels[i].y), kRed) << "row " << i << " at " << pixels[i].x << "," << pixels[i].y;
    // Away from every row the map stays as it was.
    int checked = 0;
    for (int y = 5; y < 240; y += 23) {
        for (int x = 5; x < 320; x += 29) {
            bool distant = true;
            for (const POINT& p : pixels) {
                if (std::abs(p.x - x) <= 5 && std::abs(p.y - y) <= 5) {
                    distant = false;
                    break;
                }
            }
            if (!distant) continue;
            EXPECT_EQ(canvas.Pixel(x, y), kWhite) << x << "," << y;
            ++checked;
        }
    }
    EXPECT_GT(checked, 10);

    // One symbol per occupied pixel, fewer than the rows.
    auto* optimiser = dynamic_cast<RendererOptimiserDataset*>(layer.GetOptimiser());
    ASSERT_NE(optimiser, nullptr);
    EXPECT_EQ(Counter(SymbolDrawing::kPlain, false), static_cast<long>(optimiser->DrawList().size()));
    EXPECT_LT(optimiser->DrawList().size(), rows.size());
}

TEST_F(LayerTest, InitialiseRefusesDatasetsWithoutPositions) {
    auto optimiser = std::make_unique<RendererOptimiserDataset>();
    CZmaVadAZDataLayer layer(map_.Get(), 1, layers_.get(), std::move(optimiser), &SymbolDrawing::kPlain, L"");
    EXPECT_EQ(layer.Initialise({L"Level"}), E_POINTER);

    ComPtr<IHostDatasetSetup> setup = Create<IHostDatasetSetup>(CLSID_HostDataset);
    long position = 0;
    setup->AddField(Bstr(L"Latitude").Get(), 5, &position);  // a decimal, not a latitude
    setup->AddField(Bstr(L"Longitude").Get(), 12, &position);
    ComPtr<IHostDataset> dataset;
    setup.As(dataset);
    layer.SetDataset(dataset.Get());
    EXPECT_TRUE(FAILED(layer.Initialise({L"Longitude"})));
    ASSERT_EQ(prompts_.boxes.size(), 1u);
    EXPECT_EQ(prompts_.boxes[0].text, L"The dataset does not contain mappable data and cannot be displayed.");
    EXPECT_EQ(prompts_.boxes[0].caption, L"Map Module");
}

TEST_F(LayerTest, AttributeCodesAreChosenOnceAndKeptWithTheDataset) {
    ComPtr<IHostDataset> dataset = MakePointDataset({Inside(0.5, 0.5)});
    ComPtr<IHostDatasetSetup> setup = SetupOf(dataset.Get());
    long position = 0;
    setup->AddField(Bstr(L"Speed").Get(), 5, &position);

    // Three fields without styles and without stored codes: colour, size, character.
    CZmaVadAZDataLayer& layer = MakeLayer(dataset.Get(), {L"Level", L"Name", L"Speed"});
    EXPECT_EQ(layer.GetAttributeCodes(), (std::map<std::wstring, long>{{L"Level", 3}, {L"Name", 1}, {L"Speed", 0}}));
    EXPECT_EQ(std::vector<std::wstring>(layer.GetDisplayFields().begin(), layer.GetDisplayFields().end()),
              (std::vector<std::wstring>{L"Speed", L"Name", L"Level"}));
    EXPECT_EQ(LoadStyleSettings(dataset.Get(), L"Level", kGuid), 3);
    EXPECT_EQ(LoadStyleSettings(dataset.Get(), L"Name", kGuid), 1);
    EXPECT_EQ(LoadStyleSettings(dataset.Get(), L"Speed", kGuid), 0);

    // Stored codes are taken as they are, and nothing is written.
    ASSERT_EQ(SaveStyleSettings(dataset.Get(), L"Level", kGuid, 1), S_OK);
    ASSERT_EQ(SaveStyleSettings(dataset.Get(), L"Name", kGuid, 0), S_OK);
    ASSERT_EQ(SaveStyleSettings(dataset.Get(), L"Speed", kGuid, 3), S_OK);
    CZmaVadAZDataLayer& again = MakeLayer(dataset.Get(), {L"Level", L"Name", L"Speed"});
    EXPECT_EQ(again.GetAttributeCodes(), (std::map<std::wstring, long>{{L"Level", 1}, {L"Name", 0}, {L"Speed", 3}}));

    // The colour moves to another field; the field that held it loses its entry.
    again.SetColourField(L"Level", CZmaVadAZDataLayer::kCodeColour);
    EXPECT_EQ(again.GetAttributeCodes(), (std::map<std::wstring, long>{{L"Level", 3}, {L"Name", 0}}));
    EXPECT_EQ(again.GetDisplayFields().front(), L"Level");
    EXPECT_EQ(again.GetDisplayFields().size(), 3u);
    again.SetColourField(L"", CZmaVadAZDataLayer::kCodeColour);
    EXPECT_EQ(again.GetAttributeCodes(), (std::map<std::wstring, long>{{L"Name", 0}}));
}

TEST_F(LayerTest, AStoredCodeForSomeFieldsOnlyIsChosenAfresh) {
    ComPtr<IHostDataset> dataset = MakePointDataset({Inside(0.5, 0.5)});
    ASSERT_EQ(SaveStyleSettings(dataset.Get(), L"Level", kGuid, 1), S_OK);
    CZmaVadAZDataLayer& layer = MakeLayer(dataset.Get(), {L"Level", L"Name"});
    EXPECT_EQ(layer.GetAttributeCodes(), (std::map<std::wstring, long>{{L"Level", 3}, {L"Name", 1}}));
    EXPECT_EQ(layer.GetDisplayFields().size(), 2u) << "each field once";
}

TEST_F(LayerTest, SelectionIsDrawnAgainAndRecordedInTheDataset) {
    const LatLon a = Inside(0.25, 0.5), b = Inside(0.75, 0.5);
    ComPtr<IHostDataset> dataset = MakePointDataset({a, b});
    CZmaVadAZDataLayer& layer = MakeLayer(dataset.Get(), {L"Level"});
    MemoryCanvas canvas(view_.right, view_.bottom);
    DrawFrame(canvas);
    const POINT pa = EnginePixel(a.lon, a.lat), pb = EnginePixel(b.lon, b.lat);
    EXPECT_EQ(canvas.Pixel(pa.x, pa.y), kRed);
    EXPECT_EQ(canvas.Pixel(pb.x, pb.y), kRed);

    // A click on b selects it and tells the host with the series GUID.
    EXPECT_TRUE(layer.OnToolUsed(pb.x + 1, pb.y, 0, 0));
    ASSERT_EQ(host_.selectionChanges.size(), 1u);
    EXPECT_EQ(host_.selectionChanges[0], kGuid);
    EXPECT_TRUE(layer.IsSelectionNamed());
    ComPtr<IHostPropertyCollection> entries;
    dataset->get_NamedEntries(entries.Put());
    VARIANT_BOOL named = VARIANT_FALSE;
    entries->HasKey(Bstr(L"selected " + platform::ToWide(layer.GetName())).Get(), &named);
    EXPECT_EQ(named, VARIANT_TRUE);

    MemoryCanvas second(view_.right, view_.bottom);
    DrawFrame(second);
    EXPECT_EQ(second.Pixel(pa.x, pa.y), kRed);
    EXPECT_EQ(second.Pixel(pb.x, pb.y), kGreen);

    // The arrow keys step the selection; at the end it stays.
    EXPECT_TRUE(layer.OnKeyDown(37, 0));
    ComPtr<IHostStringList> selection;
    dataset->get_SelectedRows(selection.Put());
    Variant first;
    selection->Item(Variant(0L), first.Put());
    EXPECT_EQ(first.lVal, 0);
    EXPECT_TRUE(layer.OnKeyDown(37, 0));
    selection->Item(Variant(0L), first.Put());
    EXPECT_EQ(first.lVal, 0);
    EXPECT_FALSE(layer.OnKeyDown(40, 0));

    layer.ClearSelection();
    EXPECT_FALSE(layer.IsSelectionNamed());
    entries->HasKey(Bstr(L"selected " + platform::ToWide(layer.GetName())).Get(), &named);
    EXPECT_EQ(named, VARIANT_FALSE);
    long count = -1;
    selection->get_Count(&count);
    EXPECT_EQ(count, 0);
    EXPECT_FALSE(layer.OnKeyDown(39, 0)) << "no selection to move";
}

TEST_F(LayerTest, AreaSelectionsUseStrictEdgesAndAnInclusiveRadius) {
    // Binary fractions, so that "on the edge" and "on the circle" are exact.
    ComPtr<IHostDataset> dataset =
        MakePointDataset({{50.0, 10.125}, {50.0625, 10.25}, {50.125, 10.25}, {50.0625, 10.1875}});
    CZmaVadAZDataLayer& layer = MakeLayer(dataset.Get(), {L"Level"});
    MemoryCanvas canvas(view_.right, view_.bottom);
    DrawFrame(canvas);
    ComPtr<IHostStringList> selection;
    dataset->get_SelectedRows(selection.Put());
    auto selected = [&]() {
        std::vector<long> rows;
        long count = 0;
        selection->get_Count(&count);
        for (long i = 0; i < count; ++i) {
            Variant v;
            selection->Item(Variant(i), v.Put());
            rows.push_back(v.lVal);
        }
        selection->Clear();
        return rows;
    };

    // Row 0 lies on the left edge, row 2 on the top edge.
    layer.SelectInRectangle({10.125, 50.125, 10.3125, 49.9});
    EXPECT_EQ(selected(), (std::vector<long>{1, 3}));
    EXPECT_EQ(host_.selectionChanges.size(), 1u);
    EXPECT_EQ(host_.selectionChanges[0], kGuid);

    // Rows 2 and 3 lie exactly on the circle round row 1.
    layer.SelectInRadius({10.25, 50.0625}, 0.0625);
    EXPECT_EQ(selected(), (std::vector<long>{1, 2, 3}));

    layer.SelectInPolygon({10.0, 50.2, 10.4, 49.9}, {{10.0, 49.9}, {10.4, 49.9}, {10.0, 50.2}, {10.0, 49.9}});
    EXPECT_EQ(selected(), (std::vector<long>{0}));
}

TEST_F(LayerTest, ZoomToSelectionReadsTheBoundsOfTheSelectedRowsOnly) {
    ComPtr<IHostDataset> dataset = MakePointDataset({{50.0, 10.125}, {50.0625, 10.25}, {50.125, 10.3125}, {50.03, 10.2}});
    CZmaVadAZDataLayer& layer = MakeLayer(dataset.Get(), {L"Level"});
    MemoryCanvas canvas(view_.right, view_.bottom);
    DrawFrame(canvas);
    ZmaExtent bounds;
    EXPECT_FALSE(layer.GetSelectionBounds(bounds)) << "nothing selected yet";

    layer.SelectInRectangle({10.2, 50.2, 10.4, 49.9});
    ASSERT_TRUE(layer.GetSelectionBounds(bounds));
    EXPECT_DOUBLE_EQ(bounds.left, 10.25);
    EXPECT_DOUBLE_EQ(bounds.right, 10.3125);
    EXPECT_DOUBLE_EQ(bounds.top, 50.125);
    EXPECT_DOUBLE_EQ(bounds.bottom, 50.0625);

    layer.ClearSelection();
    EXPECT_FALSE(layer.GetSelectionBounds(bounds));
}

TEST_F(LayerTest, LabelsSkipOverlapsAndRepeatedTexts) {
    // Three rows 10 pixels apart, the middle one with the first one's text.
    const ZmaExtent e = ViewExtent();
    const double step = 10.0 * (e.right - e.left) / view_.right;
    const LatLon a = Inside(0.3, 0.5);
    ComPtr<IHostDataset> dataset = MakePointDataset({a, {a.lat, a.lon + step}, {a.lat, a.lon + 2 * step}, Inside(0.7, 0.2)});
    SetupOf(dataset.Get())->SetValue(1, Variant(L"Name"), Variant(L"r0"));
    CZmaVadAZDataLayer& layer = MakeLayer(dataset.Get(), {L"Level"});
    CZmaVadAZLabelProperties& labels = *layer.GetLabelProperties();
    labels.SetVisible(true);
    labels.SetDataField("Name");

    auto labelsDrawn = [&]() {
        RendererSettings(SymbolDrawing::kPlain)->ResetCounters();
        MemoryCanvas canvas(view_.right, view_.bottom);
        DrawFrame(canvas);
        return Counter(SymbolDrawing::kPlain, true);
    };
    labels.SetOverlap(true);
    labels.SetDuplicate(false);
    EXPECT_EQ(labelsDrawn(), 4);
    // Labels of 40 pixels on rows 10 apart: only the first of the three is drawn.
    labels.SetOverlap(false);
    EXPECT_EQ(labelsDrawn(), 2);
    // "r0", "r0", "r2": the repeat is left out, the third text drawn.
    labels.SetOverlap(true);
    labels.SetDuplicate(true);
    EXPECT_EQ(labelsDrawn(), 3);
    labels.SetVisible(false);
    EXPECT_EQ(labelsDrawn(), 0);
}

TEST_F(LayerTest, ShowSelectionCentresTheMapOnRowsOutOfView) {
    const ZmaExtent before = ViewExtent();
    const double width = before.right - before.left;
    ComPtr<IHostDataset> dataset = MakePointDataset({Inside(0.5, 0.5), {50.05, before.right + width}});
    CZmaVadAZDataLayer& layer = MakeLayer(dataset.Get(), {L"Level"});
    MemoryCanvas canvas(view_.right, view_.bottom);
    DrawFrame(canvas);

    // Nothing selected: the map stays.
    EXPECT_EQ(layer.ShowSelection(), S_OK);
    EXPECT_DOUBLE_EQ(ViewExtent().left, before.left);

    SelectRows(dataset.Get(), {1});
    EXPECT_EQ(layer.ShowSelection(), S_OK);
    const ZmaExtent after = ViewExtent();
    EXPECT_NEAR((after.left + after.right) / 2, before.right + width, 1e-6);
    EXPECT_NEAR(after.right - after.left, width, 1e-6) << "the zoom is kept";
    EXPECT_TRUE(layer.IsSelectionNamed());
}

TEST_F(LayerTest, WithoutTheHostRendererThePassReportsIt) {
    ComPtr<IHostDataset> dataset = MakePointDataset({Inside(0.5, 0.5)});
    CZmaVadAZDataLayer& layer = MakeLayer(dataset.Get(), {L"Level"});
    const CLSID unknown = {0x12345678, 0x1111, 0x2222, {1, 2, 3, 4, 5, 6, 7, 8}};
    layer.SetSymbolDrawingClass(unknown);
    MemoryCanvas canvas(view_.right, view_.bottom);
    EXPECT_TRUE(layer.OnDrawUserLayer(canvas.Dc(), canvas.Rect(), ViewExtent()));
    try {
        layer.Draw(canvas.Dc(), canvas.Rect(), ViewExtent());
        ADD_FAILURE() << "the pass went on without a renderer";
    } catch (const platform::ComError& e) {
        EXPECT_EQ(e.Error(), E_POINTER);
    }
}

TEST_F(LayerTest, TooltipTextNamesEachDisplayFieldOrTakesTheExpression) {
    const LatLon a = Inside(0.4, 0.5);
    ComPtr<IHostDataset> dataset = MakePointDataset({Inside(0.2, 0.5), a});
    ComPtr<IHostDatasetSetup> setup = SetupOf(dataset.Get());
    long position = 0;
    setup->AddField(Bstr(L"TCHList").Get(), 6, &position);
    setup->SetValue(1, Variant(L"TCHList"), Variant(L"12;40;77"));
    ComPtr<IHostRows> rows;
    dataset->QueryInterface(__uuidof(IHostRows), rows.PutVoid());

    CZmaVadAZDataLayer& layer = MakeLayer(dataset.Get(), {L"Level", L"Name"});
    rows->MoveTo(1);
    std::wstring text;
    ASSERT_TRUE(layer.BuildTooltipText(text));
    EXPECT_EQ(text, L"Name: r1\nLevel: 1");

    layer.SetTooltipExpression(L"\"row \" & Name");
    layer.SetUseTooltipExpression(true);
    ASSERT_TRUE(layer.BuildTooltipText(text));
    EXPECT_EQ(text, L"row r1");

    // A row whose display fields are all empty has no tooltip, though the mouse is on it.
    Variant empty;
    setup->SetValue(1, Variant(L"Name"), empty);
    setup->SetValue(1, Variant(L"Level"), empty);
    layer.SetUseTooltipExpression(false);
    EXPECT_FALSE(layer.BuildTooltipText(text));
    // (A field without a stored code and without a style, which needs no value formatter.)
    CZmaVadAZDataLayer& single = MakeLayer(dataset.Get(), {L"TCHList"});
    MemoryCanvas canvas(view_.right, view_.bottom);
    DrawFrame(canvas);
    const POINT pa = EnginePixel(a.lon, a.lat);
    EXPECT_TRUE(single.HitTest(pa.x, pa.y, 0, 0));
    EXPECT_FALSE(single.HitTest(pa.x, pa.y + 40, 0, 0));

    // Cell sites add their traffic channels, one list separated by commas.
    CZmaVadAZDataLayer& sites = MakeLayer(dataset.Get(), {L"Level"}, CZmaVadAZLayer::kTypeCellSites);
    setup->SetValue(1, Variant(L"Level"), Variant(5L));
    rows->MoveTo(1);
    ASSERT_TRUE(sites.BuildTooltipText(text));
    EXPECT_EQ(text, L"Level: 5\nTCHList: 12,40,77");
    setup->SetValue(1, Variant(L"Level"), empty);
    EXPECT_FALSE(sites.BuildTooltipText(text)) << "the channel list alone is no tooltip";
}

TEST_F(LayerTest, AFilteringStyleFieldDropsZeroRowsAndMarksTheSymbols) {
    const LatLon a = Inside(0.3, 0.5), b = Inside(0.6, 0.5);
    // Row 2 shares row 1's pixel and holds 0: the filter is never asked of it while drawing, but
    // an area selection must still leave it out.
    ComPtr<IHostDataset> dataset = MakePointDataset({a, b, b});
    SetupOf(dataset.Get())->SetValue(2, Variant(L"Level"), Variant(0L));
    ComPtr<IHostFieldStyleSetup> style = Create<IHostFieldStyleSetup>(CLSID_HostFieldStyle);
    style->put_StyleFlags(0x40);
    style->put_AttributeCode(3);
    ComPtr<IHostPropertyCollection> properties;
    Field(dataset.Get(), L"Level")->get_Properties(properties.Put());
    Variant missing;
    missing.vt = VT_ERROR;
    missing.scode = DISP_E_PARAMNOTFOUND;
    ComPtr<IDispatch> styleObject;
    style.As(styleObject);
    properties->Add(Variant(styleObject.Get()), missing, missing);

    // One display field with a style: its own code, written back.
    CZmaVadAZDataLayer& layer = MakeLayer(dataset.Get(), {L"Level"});
    EXPECT_EQ(layer.GetAttributeCodes(), (std::map<std::wstring, long>{{L"Level", 3}}));
    EXPECT_EQ(LoadStyleSettings(dataset.Get(), L"Level", kGuid), 3);

    ComPtr<IHostRenderer> any = Renderer(SymbolDrawing::kPlain);
    ComPtr<IHostCallLog> log;
    any.As(log);
    log->ClearCalls();
    MemoryCanvas canvas(view_.right, view_.bottom);
    DrawFrame(canvas);
    const std::vector<std::wstring> calls = CallLines(any.Get());
    EXPECT_NE(std::find_if(calls.begin(), calls.end(),
                           [](const std::wstring& c) { return c.find(L"AddFieldRenderer(Level, 3)") == 0; }),
              calls.end());
    EXPECT_TRUE(layer.IsStyleFiltered());

    // Row 0 holds 0 in the filtering field: not drawn; row 1 is drawn with the filtering code.
    const POINT pa = EnginePixel(a.lon, a.lat), pb = EnginePixel(b.lon, b.lat);
    EXPECT_EQ(canvas.Pixel(pa.x, pa.y), kWhite);
    EXPECT_EQ(canvas.Pixel(pb.x, pb.y), RGB(255, 0, 255));
    layer.SelectInRectangle(ViewExtent());
    ComPtr<IHostStringList> selection;
    dataset->get_SelectedRows(selection.Put());
    long count = 0;
    selection->get_Count(&count);
    EXPECT_EQ(count, 1);
}

TEST_F(LayerTest, ExtentCodesAndDatasetFollowTheHost) {
    const LatLon a = Inside(0.25, 0.25), b = Inside(0.75, 0.6);
    ComPtr<IHostDataset> dataset = MakePointDataset({a, b});
    CZmaVadAZDataLayer& layer = MakeLayer(dataset.Get(), {L"Level", L"Name"});

    // The data extent goes into an engine rectangle.
    CLSID rectangleClass;
    ASSERT_EQ(::CLSIDFromProgID(L"MapX.Rectangle.4", &rectangleClass), S_OK);
    ComPtr<IDispatch> rectangle;
    ASSERT_EQ(::CoCreateInstance(rectangleClass, nullptr, CLSCTX_ALL, IID_IDispatch, rectangle.PutVoid()), S_OK);
    EXPECT_EQ(layer.GetExtent(rectangle.Get()), 1);
    EngineDispatch r(rectangle.Get());
    EXPECT_DOUBLE_EQ(r.Get(Engine::Rectangle::kXMin).ToDouble(), a.lon);
    EXPECT_DOUBLE_EQ(r.Get(Engine::Rectangle::kXMax).ToDouble(), b.lon);
    EXPECT_DOUBLE_EQ(r.Get(Engine::Rectangle::kYMin).ToDouble(), a.lat);
    EXPECT_DOUBLE_EQ(r.Get(Engine::Rectangle::kYMax).ToDouble(), b.lat);

    // Codes changed in the dataset are read again when the host says so.
    ASSERT_EQ(SaveStyleSettings(dataset.Get(), L"Name", kGuid, 0), S_OK);
    EXPECT_EQ(layer.RefreshFromDataset(), S_OK);
    EXPECT_EQ(layer.GetAttributeCodes(), (std::map<std::wstring, long>{{L"Level", 3}, {L"Name", 0}}));

    // The first selected row is in view when it owns its pixel.
    EXPECT_FALSE(layer.CheckSelectionInView());
    layer.GetOptimiser()->Update(view_, ViewExtent(), 0, 0, false);
    SelectRows(dataset.Get(), {1});
    EXPECT_TRUE(layer.CheckSelectionInView());

    // Another dataset for the same layer: its rows are drawn from the next frame on.
    const LatLon c = Inside(0.5, 0.9);
    ComPtr<IHostDataset> other = MakePointDataset({c});
    ASSERT_EQ(layer.ReplaceDataset(other.Get()), S_OK);
    EXPECT_EQ(layer.GetDataset(), other.Get());
    ZmaExtent data;
    layer.GetOptimiser()->Update(view_, ViewExtent(), 0, 0, false);
    ASSERT_TRUE(layer.GetOptimiser()->GetDataExtent(data));
    EXPECT_DOUBLE_EQ(data.left, c.lon);
    EXPECT_DOUBLE_EQ(data.top, c.lat);
}

TEST_F(LayerTest, RowsTheHostChangesAreDrawnAnewOnceItSaysSo) {
    const LatLon a = Inside(0.3, 0.5), b = Inside(0.6, 0.5), moved = Inside(0.8, 0.2);
    ComPtr<IHostDataset> dataset = MakePointDataset({a, b});
    CZmaVadAZDataLayer& layer = MakeLayer(dataset.Get(), {L"Level"});
    MemoryCanvas first(view_.right, view_.bottom);
    DrawFrame(first);
    const POINT pb = EnginePixel(b.lon, b.lat), pm = EnginePixel(moved.lon, moved.lat);
    EXPECT_EQ(first.Pixel(pb.x, pb.y), kRed);

    // The host moves row 1 and reports it (what the control's NotifyChange hands on).
    ComPtr<IHostDatasetSetup> setup = SetupOf(dataset.Get());
    setup->SetValue(1, Variant(L"Latitude"), Variant(moved.lat));
    setup->SetValue(1, Variant(L"Longitude"), Variant(moved.lon));
    ASSERT_EQ(layer.RefreshFromDataset(), S_OK);
    MemoryCanvas second(view_.right, view_.bottom);
    DrawFrame(second);
    EXPECT_EQ(second.Pixel(pm.x, pm.y), kRed);
    EXPECT_EQ(second.Pixel(pb.x, pb.y), kWhite);
    ZmaExtent data;
    ASSERT_TRUE(layer.GetOptimiser()->GetDataExtent(data));
    EXPECT_DOUBLE_EQ(data.right, moved.lon);
}

TEST_F(LayerTest, AStyleThatStartsFilteringJudgesTheKeptRowsAgain) {
    const LatLon a = Inside(0.3, 0.5), b = Inside(0.6, 0.5);
    ComPtr<IHostDataset> dataset = MakePointDataset({a, b});
    ComPtr<IHostFieldStyleSetup> style = Create<IHostFieldStyleSetup>(CLSID_HostFieldStyle);
    style->put_AttributeCode(3);
    ComPtr<IHostPropertyCollection> properties;
    Field(dataset.Get(), L"Level")->get_Properties(properties.Put());
    Variant missing;
    missing.vt = VT_ERROR;
    missing.scode = DISP_E_PARAMNOTFOUND;
    ComPtr<IDispatch> styleObject;
    style.As(styleObject);
    properties->Add(Variant(styleObject.Get()), missing, missing);
    CZmaVadAZDataLayer& layer = MakeLayer(dataset.Get(), {L"Level"});
    const POINT pa = EnginePixel(a.lon, a.lat);
    MemoryCanvas first(view_.right, view_.bottom);
    DrawFrame(first);
    EXPECT_NE(first.Pixel(pa.x, pa.y), kWhite) << "row 0 counts while the style does not filter";

    // Same view, but row 0's value of 0 now leaves it out.
    style->put_StyleFlags(0x40);
    MemoryCanvas second(view_.right, view_.bottom);
    DrawFrame(second);
    EXPECT_TRUE(layer.IsStyleFiltered());
    EXPECT_EQ(second.Pixel(pa.x, pa.y), kWhite);
    EXPECT_EQ(layer.GetOptimiser()->ItemAtPixel({pa.x, pa.y}), -1);
}
