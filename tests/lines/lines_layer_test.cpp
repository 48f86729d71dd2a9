// Serving and neighbour lines of a cell-site layer over a point dataset, as the dataset display
// builds them: drawn from the selected points to their cells' symbols, dashed to the neighbours,
// coloured and labelled by fields, hit by the rollover, and their settings written and read.
#include "tests/datalayers/DataLayerFixture.h"
#include "tests/datalayers/DisplayFixture.h"

#include "ZmaVOMap2/datalayers/DatasetDisplay.h"
#include "ZmaVOMap2/datalayers/StyleSettings.h"
#include "ZmaVOMap2/datalayers/ZmaVadAZDataLayer.h"
#include "ZmaVOMap2/engine/EngineDispatch.h"
#include "ZmaVOMap2/engine/EngineIds.h"
#include "ZmaVOMap2/lines/LineOperations.h"
#include "ZmaVOMap2/lines/ZmaVadAZLinesToNborsLayer.h"
#include "ZmaVOMap2/lines/ZmaVadAZLinesToPointsLayer.h"
#include "ZmaVOMap2/lines/ZmaVadAZLinesToSectorsLayer.h"
#include "ZmaVOMap2/lines/ZmaVadAZLinesToServersLayer.h"
#include "ZmaVOMap2/mitab/mitab.h"
#include "ZmaVOMap2/overlays/RolloverTip.h"
#include "platform/Xml.h"
#include "tests/support/TestSupport.h"

#include <cmath>
#include <cstdio>

using namespace dltest;
using displaytest::FieldConfiguration;
using displaytest::NewDataset;
using displaytest::SetValue;
using platform::Bstr;
using platform::ComPtr;
using platform::Variant;

namespace {

const wchar_t kSites[] = L"{517E5000-0000-0000-0000-000000000001}";
const wchar_t kPoints[] = L"{901175A0-0000-0000-0000-000000000002}";
const COLORREF kBlack = RGB(0, 0, 0), kWhite = RGB(255, 255, 255), kBlue = RGB(0, 0, 255);

// Cells 101, 102, 103; two points: the first served by 101 with neighbour 102, the second
// served by nobody with neighbour 103.
struct Site {
    long handle;
    double lat, lon;
};
const Site kCells[] = {{101, 50.15, 10.05}, {102, 50.15, 10.35}, {103, 50.0, 10.2}};
const LatLon kPointAt[] = {{49.95, 10.1}, {49.95, 10.3}};

class LinesTest : public DataLayerTest {
protected:
    void SetUp() override {
        DataLayerTest::SetUp();
        layers_->SetLinesLayerPersistence(datasets_.get());
        for (const CLSID* c : {&SymbolDrawing::kPlain, &SymbolDrawing::kCellSites})
            if (auto settings = RendererSettings(*c)) settings->ResetSettings();
        rollovertip::Hide(nullptr);

        sites_ = NewDataset({{L"Latitude", 13}, {L"Longitude", 12}, {L"Azimuth", 5}, {L"ElementHandle", 3}}, 3);
        for (long row = 0; row < 3; ++row) {
            SetValue(sites_.Get(), row, L"Latitude", Variant(kCells[row].lat));
            SetValue(sites_.Get(), row, L"Longitude", Variant(kCells[row].lon));
            SetValue(sites_.Get(), row, L"ElementHandle", Variant(kCells[row].handle));
        }
        points_ = NewDataset({{L"Latitude", 13}, {L"Longitude", 12}, {L"Level", 3}, {L"ServingSectorHandle", 3},
                              {L"NeighborSectorHandle_1", 3}, {L"Quality", 3}},
                             2);
        const long serving[] = {101, 0}, neighbour[] = {102, 103};
        for (long row = 0; row < 2; ++row) {
            SetValue(points_.Get(), row, L"Latitude", Variant(kPointAt[row].lat));
            SetValue(points_.Get(), row, L"Longitude", Variant(kPointAt[row].lon));
            SetValue(points_.Get(), row, L"Level", Variant(row));
            SetValue(points_.Get(), row, L"ServingSectorHandle", Variant(serving[row]));
            SetValue(points_.Get(), row, L"NeighborSectorHandle_1", Variant(neighbour[row]));
            SetValue(points_.Get(), row, L"Quality", Variant(row + 5));
        }
        ASSERT_EQ(datasets_->CreateMultiDMapping(sites_.Get(), kSites, FieldConfiguration(L"CellRefs", {L"Azimuth"}).Get()),
                  S_OK);
        ASSERT_EQ(datasets_->DisplayDataset(points_.Get(), L"Level", nullptr, nullptr, kPoints), S_OK);
        ShowView(400, 300, {10.0, 50.2, 10.4, 49.9});
        cellSites_ = AsDataLayer(layers_->FindLayer(std::wstring(kSites)));
        pointLayer_ = AsDataLayer(layers_->FindLayerByExactKey(kPoints));
        ASSERT_TRUE(cellSites_ && pointLayer_);
        serving_ = dynamic_cast<CZmaVadAZLinesToServersLayer*>(cellSites_->GetLineLayer(CZmaVadAZDataLayer::kLineA));
        neighbours_ = dynamic_cast<CZmaVadAZLinesToNborsLayer*>(cellSites_->GetLineLayer(CZmaVadAZDataLayer::kLineB));
        ASSERT_TRUE(serving_ && neighbours_);
        cellSites_->GetLabelProperties()->SetVisible(false);
        pointLayer_->GetLabelProperties()->SetVisible(false);
    }

    void DrawFrame(MemoryCanvas& canvas) {
        // The engine asks for each user-drawn layer from the bottom up; the top one's request also
        // draws every layer's passes.
        std::vector<CZmaVadAZLayer*> held = layers_->Layers();
        bool passes = false;
        for (auto it = held.rbegin(); it != held.rend(); ++it) {
            if (!(*it)->IsUserDrawn()) continue;
            ComPtr<IDispatch> engineLayer = (*it)->GetMapXLayer();
            passes = layers_->OnDrawUserLayer(canvas.Dc(), engineLayer.Get(), canvas.Rect(), ViewExtent(), false);
        }
        ASSERT_TRUE(passes);
    }

    void SelectPoints(const std::vector<long>& rows) {
        ComPtr<IHostDataset> typed;
        points_->QueryInterface(IID_IHostDataset, typed.PutVoid());
        SelectRows(typed.Get(), rows);
        pointLayer_->UpdateSelection(true);
    }

    POINT PointPixel(int row) const { return EnginePixel(kPointAt[row].lon, kPointAt[row].lat); }
    // Where a line to the cell ends: the cell's symbol, drawn above the site.
    POINT CellPixel(int cell) const {
        POINT p = EnginePixel(kCells[cell].lon, kCells[cell].lat);
        p.y -= 6;
        return p;
    }
    static POINT Along(POINT from, POINT to, double t) {
        const double dx = to.x - from.x, dy = to.y - from.y, length = std::sqrt(dx * dx + dy * dy);
        return {from.x + static_cast<long>(t * dx / length), from.y + static_cast<long>(t * dy / length)};
    }
    static POINT Fraction(POINT from, POINT to, double f) {
        return {from.x + static_cast<long>((to.x - from.x) * f), from.y + static_cast<long>((to.y - from.y) * f)};
    }
    int CountAlong(MemoryCanvas& canvas, POINT from, POINT to, COLORREF colour) {
        int n = 0;
        for (double f = 0.2; f < 0.81; f += 0.1) {
            POINT p = Fraction(from, to, f);
            if (canvas.Pixel(p.x, p.y) == colour) ++n;
        }
        return n;
    }

    ComPtr<IDispatch> sites_, points_;
    CZmaVadAZDataLayer* cellSites_ = nullptr;
    CZmaVadAZDataLayer* pointLayer_ = nullptr;
    CZmaVadAZLinesToServersLayer* serving_ = nullptr;
    CZmaVadAZLinesToNborsLayer* neighbours_ = nullptr;
};

TEST_F(LinesTest, TheCellSiteLayerIsTiedToItsLineLayersWhichHoldBothDatasets) {
    EXPECT_EQ(serving_->GetName(), "Lines to serving cells");
    EXPECT_EQ(neighbours_->GetName(), "Lines to neighbor cells");
    EXPECT_EQ(serving_->GetType(), CZmaVadAZLayer::kTypeLines);
    EXPECT_EQ(serving_->GetSeriesGuid(), std::wstring(kSites));
    ASSERT_EQ(serving_->GetDatasetCount(), 2);
    EXPECT_EQ(serving_->Entries().back().seriesGuid, kPoints);
    EXPECT_EQ(neighbours_->GetDatasetCount(), 2);
    // The other two kinds, the lines between cell sites and between positions, are line layers too.
    EXPECT_NE(AsCellLineLayer(cellSites_->GetLineLayer(CZmaVadAZDataLayer::kLineC)), nullptr);
    EXPECT_NE(AsCellLineLayer(cellSites_->GetLineLayer(CZmaVadAZDataLayer::kLineD)), nullptr);
}

TEST_F(LinesTest, LinesRunFromTheSelectedPointsToTheirCellSymbols) {
    MemoryCanvas before(400, 300);
    DrawFrame(before);
    EXPECT_EQ(CountAlong(before, PointPixel(0), CellPixel(0), kBlack), 0) << "no selection, no lines";

    SelectPoints({0});
    MemoryCanvas canvas(400, 300);
    DrawFrame(canvas);
    // The serving line is solid, all the way.
    EXPECT_EQ(CountAlong(canvas, PointPixel(0), CellPixel(0), kBlack), 7);
    // The neighbour line is dashed: its first dash is drawn from the cell end.
    EXPECT_EQ(canvas.Pixel(Along(CellPixel(1), PointPixel(0), 10).x, Along(CellPixel(1), PointPixel(0), 10).y), kBlack);
    // The second point is not selected: its neighbour line is not drawn.
    POINT unselected = Along(CellPixel(2), PointPixel(1), 10);
    EXPECT_EQ(canvas.Pixel(unselected.x, unselected.y), kWhite);
    // Away from the lines there is background.
    EXPECT_EQ(canvas.Pixel(380, 150), kWhite);
    EXPECT_EQ(canvas.Pixel(10, 290), kWhite);
}

TEST_F(LinesTest, GdiDashesAndGapsAreTwentyPixelsLongAt96Dpi) {
    ASSERT_EQ(::GetDeviceCaps(MemoryCanvas(4, 4).Dc(), LOGPIXELSY), 96);
    SelectPoints({1});
    layers_->SetEnhancedDrawingMode(VARIANT_FALSE);
    MemoryCanvas canvas(400, 300);
    DrawFrame(canvas);
    const POINT cell = CellPixel(2), point = PointPixel(1);
    for (double t : {6.0, 14.0, 46.0, 54.0}) {
        POINT p = Along(cell, point, t);
        EXPECT_EQ(canvas.Pixel(p.x, p.y), kBlack) << "dash at " << t;
    }
    // The last dash is shortened so that it ends at the point end.
    for (double t : {24.0, 34.0, 64.0, 74.0}) {
        POINT p = Along(cell, point, t);
        EXPECT_EQ(canvas.Pixel(p.x, p.y), kWhite) << "gap at " << t;
    }
}

TEST_F(LinesTest, ColourByFieldColoursTheLinesAndToggledOffLinesAreNotDrawn) {
    // The field's style gives Quality 5 the colour blue.
    ComPtr<IHostFieldStyleSetup> style = Create<IHostFieldStyleSetup>(CLSID_HostFieldStyle);
    long index = 0;
    style->AddClass(Variant(5L), Variant(6L), Bstr(L"good").Get(), 0, 1.0, kBlue, &index);
    ComPtr<IHostPropertyCollection> properties;
    ComPtr<IHostDataset> typed;
    points_->QueryInterface(IID_IHostDataset, typed.PutVoid());
    Field(typed.Get(), L"Quality")->get_Properties(properties.Put());
    ComPtr<IDispatch> styleObject;
    style.As(styleObject);
    properties->Add(Variant(styleObject.Get()), Variant::Missing(), Variant::Missing());

    const std::wstring key = std::wstring(kSites);
    ASSERT_EQ(datasets_->SetLinesToCellsField(key, L"Quality", false, false), S_OK);
    Bstr read;
    ASSERT_EQ(datasets_->GetLinesToCellsField(key, read.Put(), false, false), S_OK);
    EXPECT_EQ(read.Wide(), L"Quality");
    Bstr neighbourColour;
    ASSERT_EQ(datasets_->GetLinesToCellsField(key, neighbourColour.Put(), true, false), S_OK);
    EXPECT_EQ(neighbourColour.Wide(), L"None");

    SelectPoints({0});
    MemoryCanvas canvas(400, 300);
    DrawFrame(canvas);
    EXPECT_EQ(CountAlong(canvas, PointPixel(0), CellPixel(0), kBlue), 7);

    ASSERT_EQ(datasets_->ToggleLines(false, 0), S_OK);
    EXPECT_TRUE(serving_->IsDisabled());
    EXPECT_FALSE(neighbours_->IsDisabled());
    MemoryCanvas hidden(400, 300);
    DrawFrame(hidden);
    EXPECT_EQ(CountAlong(hidden, PointPixel(0), CellPixel(0), kBlue), 0);
    EXPECT_EQ(datasets_->ToggleLines(true, 7), S_OK);
    EXPECT_TRUE(serving_->IsDisabled()) << "unknown options change nothing";
}

TEST_F(LinesTest, TheRolloverFallsFromTheDataLayerToTheLineUnderTheCursor) {
    // The tooltip shows while the host has an active window.
    HWND frame = ::CreateWindowExW(0, L"STATIC", L"host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 100, 400, 300,
                                   nullptr, nullptr, nullptr, nullptr);
    ::SetActiveWindow(frame);
    SelectPoints({0});
    datasets_->SetLinesToCellsField(std::wstring(kSites), L"Level", false, true);
    MemoryCanvas canvas(400, 300);
    DrawFrame(canvas);
    const POINT onLine = Fraction(PointPixel(0), CellPixel(0), 0.5);
    EXPECT_TRUE(cellSites_->HitTest(onLine.x, onLine.y, 0, 0));
    EXPECT_EQ(rollovertip::CurrentText(), "Level: 0");
    EXPECT_FALSE(cellSites_->HitTest(390, 150, 0, 0));
    EXPECT_EQ(rollovertip::CurrentText(), "");
    ::DestroyWindow(frame);
}

TEST_F(LinesTest, ServingLabelsAreDrawnAlongTheLineThroughTheLabelStyle) {
    SelectPoints({0});
    datasets_->SetLinesToCellsField(std::wstring(kSites), L"Level", false, true);
    cellSites_->GetLabelProperties()->SetVisible(true);
    cellSites_->GetLabelProperties()->SetLabelZoom(false, 0, 0);
    ComPtr<IHostLabelStyle> style = serving_->GetLabelProperties()->GetStyle();
    ASSERT_TRUE(style);
    ComPtr<IHostCallLog> log;
    style.As(log);
    log->ClearCalls();
    MemoryCanvas canvas(400, 300);
    DrawFrame(canvas);
    std::vector<std::wstring> calls = CallLines(style.Get());
    auto drawn = std::find_if(calls.begin(), calls.end(),
                              [](const std::wstring& c) { return c.find(L"DrawText(") == 0; });
    ASSERT_NE(drawn, calls.end());
    EXPECT_NE(drawn->find(L"Level: 0"), std::wstring::npos);
}

TEST_F(LinesTest, AMissingFieldIsAskedForOnceAndTheWalksRowIsKept) {
    ComPtr<IHostDataset> typed;
    points_->QueryInterface(IID_IHostDataset, typed.PutVoid());
    ComPtr<IHostRows> rows;
    typed->QueryInterface(IID_IHostRows, rows.PutVoid());
    rows->MoveTo(1);
    // The host's handler moves the cursor and still has no such field.
    host_.onGetField = [&] { rows->MoveTo(0); };
    ComPtr<IHostField> field;
    EXPECT_FALSE(serving_->GetFieldValue(L"Missing", kPoints, typed.Get(), field));
    EXPECT_EQ(host_.getFieldRequests, (std::vector<std::wstring>{std::wstring(L"Missing|") + kPoints}));
    long row = -1;
    rows->get_CurrentRow(&row);
    EXPECT_EQ(row, 1);
    EXPECT_FALSE(serving_->GetFieldValue(L"None", kPoints, typed.Get(), field));
    EXPECT_EQ(host_.getFieldRequests.size(), 1u);
}

TEST_F(LinesTest, SettingsAreWrittenInOrderAndReadBack) {
    ComPtr<IXMLDOMDocument2> document = platform::CreateXmlDocument();
    ComPtr<IXMLDOMElement> element;
    document->createElement(Bstr(L"LinesToServers").Get(), element.Put());
    ComPtr<IXMLDOMNode> appended;
    document->appendChild(element.Get(), appended.Put());
    CZmaVadAZLinesToServersLayer fresh(map_.Get(), layers_.get());
    ASSERT_EQ(fresh.SaveSettings(element.Get()), S_OK);

    ComPtr<IXMLDOMNamedNodeMap> attributes;
    element->get_attributes(attributes.Put());
    long count = 0;
    attributes->get_length(&count);
    std::vector<std::wstring> names, values;
    for (long i = 0; i < count; ++i) {
        ComPtr<IXMLDOMNode> attribute;
        attributes->get_item(i, attribute.Put());
        Bstr name;
        attribute->get_nodeName(name.Put());
        Variant value;
        attribute->get_nodeValue(value.Put());
        names.push_back(name.Wide());
        values.push_back(value.ToWide());
    }
    EXPECT_EQ(names, (std::vector<std::wstring>{L"drawoption", L"colorbyfield", L"Technology", L"labelbyfield", L"visible",
                                                L"Disable", L"SeriesGUID", L"DiscValue"}));
    EXPECT_EQ(values, (std::vector<std::wstring>{L"1", L"None", L"", L"None", L"-1", L"0", L"", L""}));
    ComPtr<IXMLDOMNode> labels;
    element->selectSingleNode(Bstr(L"LabelSettings").Get(), labels.Put());
    EXPECT_TRUE(labels);

    serving_->SetDrawOption(0);
    serving_->SetColorByField(L"Quality");
    serving_->SetLabelByField(L"Level");
    serving_->SetDisabled(true);
    ComPtr<IXMLDOMElement> saved;
    document->createElement(Bstr(L"LinesToServers").Get(), saved.Put());
    ASSERT_EQ(serving_->SaveSettings(saved.Get()), S_OK);
    ASSERT_EQ(fresh.LoadLineSettings(saved.Get(), CZmaVadAZLabelProperties::kCurrentVersion), S_OK);
    EXPECT_EQ(fresh.GetDrawOption(), 0);
    EXPECT_EQ(fresh.GetColorByField(), L"Quality");
    EXPECT_EQ(fresh.GetLabelByField(), L"Level");
    EXPECT_TRUE(fresh.IsDisabled());
    EXPECT_EQ(fresh.GetSeriesGuid(), std::wstring(kSites));

    saved->removeAttribute(Bstr(L"colorbyfield").Get());
    EXPECT_THROW(fresh.LoadLineSettings(saved.Get(), CZmaVadAZLabelProperties::kCurrentVersion), platform::ComError);
}

TEST_F(LinesTest, DatasetEntriesAreKeptBySeriesAndReplacedOnlyWhenAsked) {
    CZmaVadAZLinesToNborsLayer lines(map_.Get(), layers_.get());
    ComPtr<IHostDataset> a, b;
    points_->QueryInterface(IID_IHostDataset, a.PutVoid());
    sites_->QueryInterface(IID_IHostDataset, b.PutVoid());
    lines.SetDataset(a.Get(), L"S", {}, 1);
    lines.SetDataset(b.Get(), L"S", {}, 1);
    EXPECT_EQ(lines.Entries().front().dataset.Get(), a.Get());
    lines.SetDataset(b.Get(), L"S", {}, 2);
    EXPECT_EQ(lines.GetDatasetCount(), 1);
    EXPECT_EQ(lines.Entries().front().dataset.Get(), b.Get());
    std::wstring series;
    EXPECT_TRUE(lines.FindDataset(b.Get(), series));
    EXPECT_EQ(series, L"S");
    lines.SetDataset(a.Get(), L"T", {}, 3);
    EXPECT_EQ(lines.GetSeriesGuid(), L"T");
    lines.RemoveDataset(L"S");
    EXPECT_FALSE(lines.FindDataset(b.Get(), series));
}

TEST_F(LinesTest, CachedLinesFollowEachDatasetsOwnViewAndTheWcdmaShiftIsApplied) {
    std::vector<long> indexes;
    ComPtr<IHostDataset> typed;
    points_->QueryInterface(IID_IHostDataset, typed.PutVoid());
    CZmaVadAZLinesToNborsLayer::CollectNeighborFields(typed.Get(), indexes);
    EXPECT_EQ(indexes, std::vector<long>{1});
    std::wstring indexed = L"plain";
    EXPECT_FALSE(CZmaVadAZLinesToNborsLayer::MakeIndexedFieldName(L"L", 3, indexed));
    EXPECT_TRUE(CZmaVadAZLinesToNborsLayer::MakeIndexedFieldName(L"L_", 3, indexed));
    EXPECT_EQ(indexed, L"L_3");
    neighbours_->SetTechnology(L"wcdma");
    EXPECT_EQ(neighbours_->IndexShift(), 1);

    // Draw option 0 reuses the cache for an unchanged view and rebuilds it after a pan.
    serving_->SetDrawOption(0);
    MemoryCanvas first(400, 300);
    DrawFrame(first);
    EXPECT_EQ(CountAlong(first, PointPixel(0), CellPixel(0), kBlack), 7);
    ShowView(400, 300, {10.05, 50.2, 10.45, 49.9});
    MemoryCanvas panned(400, 300);
    DrawFrame(panned);
    EXPECT_EQ(CountAlong(panned, PointPixel(0), CellPixel(0), kBlack), 7) << "the lines moved with the view";
}

}  // namespace

namespace {

TEST_F(LinesTest, AHostThatRemovesTheCellSitesInsideGetFieldLeavesTheFrameAndTheMoveSound) {
    SelectPoints({0});
    serving_->SetColorByField(L"Missing");
    host_.onGetField = [&] {
        host_.onGetField = nullptr;
        datasets_->RemoveDataset(kSites, Variant::Missing());
    };
    MemoryCanvas canvas(400, 300);
    DrawFrame(canvas);
    EXPECT_FALSE(host_.getFieldRequests.empty());
    EXPECT_EQ(layers_->FindLayerByExactKey(kSites), nullptr);
    MemoryCanvas after(400, 300);
    DrawFrame(after);
    EXPECT_EQ(CountAlong(after, PointPixel(0), CellPixel(0), kBlack), 0) << "no cell sites, no lines";
}

TEST_F(LinesTest, AHostThatRemovesTheCellSitesDuringTheRolloverLeavesTheMoveSound) {
    SelectPoints({0});
    serving_->SetLabelByField(L"Missing");
    MemoryCanvas canvas(400, 300);
    DrawFrame(canvas);
    host_.onGetField = [&] {
        host_.onGetField = nullptr;
        datasets_->RemoveDataset(kSites, Variant::Missing());
    };
    const POINT onLine = Fraction(PointPixel(0), CellPixel(0), 0.5);
    const size_t before = host_.getFieldRequests.size();
    layers_->DispatchMouseMove(onLine, ZmaPointD{0, 0});
    EXPECT_EQ(host_.getFieldRequests.size(), before + 1);
    EXPECT_EQ(layers_->FindLayerByExactKey(kSites), nullptr);
    layers_->DispatchMouseMove(onLine, ZmaPointD{0, 0});
}

}  // namespace

namespace {

TEST_F(LinesTest, ARemovedPointDatasetLeavesTheLineLayers) {
    ASSERT_EQ(datasets_->RemoveDataset(kPoints, Variant::Missing()), S_OK);
    EXPECT_EQ(serving_->GetDatasetCount(), 1);
    EXPECT_EQ(neighbours_->GetDatasetCount(), 1);
    EXPECT_EQ(serving_->Entries().front().seriesGuid, kSites);
}

}  // namespace

namespace {

// The features of a table we wrote: "cell lon,lat > point lon,lat | label".
std::vector<std::string> TableLines(const std::string& file) {
    std::vector<std::string> lines;
    mitab_handle table = mitab_c_open(file.c_str());
    if (!table) return lines;
    for (int id = mitab_c_next_feature_id(table, -1); id != -1; id = mitab_c_next_feature_id(table, id)) {
        mitab_feature feature = mitab_c_read_feature(table, id);
        char text[200];
        std::snprintf(text, sizeof text, "%.3f,%.3f > %.3f,%.3f | %s", mitab_c_get_vertex_x(feature, 0, 0),
                      mitab_c_get_vertex_y(feature, 0, 0), mitab_c_get_vertex_x(feature, 0, 1),
                      mitab_c_get_vertex_y(feature, 0, 1), mitab_c_get_field_as_string(feature, 0));
        lines.push_back(text);
        mitab_c_destroy_feature(feature);
    }
    mitab_c_close(table);
    return lines;
}

TEST_F(LinesTest, TheTablesHoldEveryLineBeforeAnyFrameAndAfterAPanUnderTheirOwnNames) {
    const std::string folder = platform::ToAnsi(testsupport::WinePath(LINES_TAB_OUT_UNIX));
    serving_->SetDrawOption(0);
    neighbours_->SetDrawOption(0);
    serving_->SetLabelByField(L"Level");
    neighbours_->SetLabelByField(L"Level");
    // Named by the layer base's rule: the layer's and the data layer's names without blanks.
    ASSERT_EQ(serving_->ExportToTab(platform::ToWide(folder), "Site_Name - Azimuth"), S_OK);
    ASSERT_EQ(neighbours_->ExportToTab(platform::ToWide(folder), "Site_Name - Azimuth"), S_OK);
    const std::vector<std::string> servingLines = {"10.050,50.150 > 10.100,49.950 | Level: 0"};
    const std::vector<std::string> neighbourLines = {"10.350,50.150 > 10.100,49.950 | Level: 0",
                                                     "10.200,50.000 > 10.300,49.950 | Level: 1"};
    EXPECT_EQ(TableLines(folder + "\\Linestoservingcells-Site_Name-Azimuth.TAB"), servingLines);
    EXPECT_EQ(TableLines(folder + "\\Linestoneighborcells-Site_Name-Azimuth.TAB"), neighbourLines);

    // A frame of a view that shows none of the points changes nothing in the tables.
    ShowView(400, 300, {11.0, 51.2, 11.4, 50.9});
    MemoryCanvas canvas(400, 300);
    DrawFrame(canvas);
    ASSERT_EQ(serving_->ExportToTab(platform::ToWide(folder), "Panned"), S_OK);
    ASSERT_EQ(neighbours_->ExportToTab(platform::ToWide(folder), "Panned"), S_OK);
    EXPECT_EQ(TableLines(folder + "\\Linestoservingcells-Panned.TAB"), servingLines);
    EXPECT_EQ(TableLines(folder + "\\Linestoneighborcells-Panned.TAB"), neighbourLines);

    EXPECT_EQ(serving_->ExportToTab(platform::ToWide(folder + "\\no such folder"), "Panned"), E_FAIL);
}

// A label takes the table's character set: a character it cannot hold is "?", never a look-alike.
TEST_F(LinesTest, LineLabelsHoldNoLookAlikeLetters) {
    const std::string folder = platform::ToAnsi(testsupport::WinePath(LINES_TAB_OUT_UNIX));
    ComPtr<IHostDatasetSetup> setup;
    points_->QueryInterface(__uuidof(IHostDatasetSetup), setup.PutVoid());
    long position = 0;
    setup->AddField(Bstr(L"Sector\u03bc").Get(), 6, &position);
    SetValue(points_.Get(), 0, L"Sector\u03bc", Variant(L"\u0394 caf\u00e9"));
    serving_->SetDrawOption(0);
    serving_->SetLabelByField(L"Sector\u03bc");
    ASSERT_EQ(serving_->ExportToTab(platform::ToWide(folder), "Greek"), S_OK);
    EXPECT_EQ(TableLines(folder + "\\Linestoservingcells-Greek.TAB"),
              std::vector<std::string>{"10.050,50.150 > 10.100,49.950 | Sector?: ? caf\xe9"});
}

TEST_F(LinesTest, ACellSiteLayersTableExportWritesItsLineTablesBesideThePoints) {
    const std::string folder = platform::ToAnsi(testsupport::WinePath(LINES_TAB_OUT_UNIX)) + "\\cellsites";
    ::CreateDirectoryA(folder.c_str(), nullptr);
    // GDAL later counts the tables of the folder: those of an earlier run go first.
    WIN32_FIND_DATAA found;
    const HANDLE search = ::FindFirstFileA((folder + "\\*.*").c_str(), &found);
    for (BOOL more = search != INVALID_HANDLE_VALUE; more; more = ::FindNextFileA(search, &found))
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) ::DeleteFileA((folder + "\\" + found.cFileName).c_str());
    if (search != INVALID_HANDLE_VALUE) ::FindClose(search);
    serving_->SetDrawOption(0);
    neighbours_->SetDrawOption(0);
    serving_->SetLabelByField(L"Level");
    neighbours_->SetLabelByField(L"Level");
    MemoryCanvas canvas(400, 300);
    DrawFrame(canvas);
    // The points table writes the formatted "Azimuth" of each site.
    ComPtr<IHostDataset> typed;
    ASSERT_EQ(sites_->QueryInterface(IID_IHostDataset, typed.PutVoid()), S_OK);
    ComPtr<IHostFieldStyleSetup> style = Create<IHostFieldStyleSetup>(CLSID_HostFieldStyle);
    style->SetDefaults(Bstr(L"Map Symbols").Get(), 0x00808080, 10.0, 33);
    ComPtr<IHostPropertyCollection> properties;
    Field(typed.Get(), L"Azimuth")->get_Properties(properties.Put());
    ComPtr<IDispatch> object;
    style.As(object);
    properties->Add(Variant(object.Get()), Variant::Missing(), Variant::Missing());
    for (long row = 0; row < 3; ++row) SetValue(sites_.Get(), row, L"Azimuth", Variant(90.0 * row));
    // The sites shown again, their symbols' colour styled by it.
    ASSERT_EQ(SaveStyleSettings(typed.Get(), L"Azimuth", kSites, 3), S_OK);
    ASSERT_EQ(datasets_->RemoveDataset(kSites, Variant::Missing()), S_OK);
    ASSERT_EQ(datasets_->CreateMultiDMapping(sites_.Get(), kSites, FieldConfiguration(L"CellRefs", {L"Azimuth"}).Get()),
              S_OK);
    cellSites_ = AsDataLayer(layers_->FindLayer(std::wstring(kSites)));
    ASSERT_TRUE(cellSites_);
    ASSERT_EQ(cellSites_->GetLineLayer(CZmaVadAZDataLayer::kLineA), serving_);
    DrawFrame(canvas);
    const HRESULT exported = cellSites_->ExportTab(platform::ToWide(folder));
    ComPtr<IErrorInfo> info;
    Bstr why;
    if (::GetErrorInfo(0, info.Put()) == S_OK) info->GetDescription(why.Put());
    ASSERT_EQ(exported, S_OK) << platform::ToAnsi(why.Wide());
    std::wstring widePoints;
    cellSites_->GetTabFileName(widePoints, platform::ToWide(folder));
    const std::string points = platform::ToAnsi(widePoints);
    const std::string name = points.substr(folder.size() + 1, points.size() - folder.size() - 5);
    EXPECT_EQ(TableLines(folder + "\\Linestoservingcells-" + name + ".TAB").size(), 1u);
    EXPECT_EQ(TableLines(folder + "\\Linestoneighborcells-" + name + ".TAB").size(), 2u);
    mitab_handle table = mitab_c_open(points.c_str());
    ASSERT_TRUE(table) << "the points table is still there";
    mitab_c_close(table);
}

}  // namespace

namespace {

TEST_F(LinesTest, LineLayersTravelWithTheCollectionsSettings) {
    serving_->SetColorByField(L"Quality");
    neighbours_->SetLabelByField(L"Level");
    neighbours_->SetDrawOption(0);
    ComPtr<IXMLDOMDocument2> document = platform::CreateXmlDocument();
    ComPtr<IXMLDOMElement> root;
    document->createElement(Bstr(L"map").Get(), root.Put());
    ComPtr<IXMLDOMNode> appended;
    document->appendChild(root.Get(), appended.Put());
    ASSERT_EQ(layers_->SaveLayers(root.Get()), S_OK);

    ComPtr<IXMLDOMNodeList> steps;
    root->selectNodes(Bstr(L"layers/Layer[LinesToServers]").Get(), steps.Put());
    long count = 0;
    steps->get_length(&count);
    ASSERT_EQ(count, 1);
    ComPtr<IXMLDOMNode> neighbourNode;
    root->selectSingleNode(Bstr(L"layers/Layer/LinesToNBors").Get(), neighbourNode.Put());
    ASSERT_TRUE(neighbourNode);

    // Another map takes them over from the settings.
    CZmaVadAZLayerCollection other(host_.folder, host_, map_.Get());
    CZmaVadAZDatasetDisplay display(other);
    other.SetLinesLayerPersistence(&display);
    ASSERT_EQ(other.LoadLayers(root.Get()), S_OK);
    ComPtr<IDispatch> sites = NewDataset({{L"Latitude", 13}, {L"Longitude", 12}, {L"Azimuth", 5}}, 1);
    ASSERT_EQ(display.CreateMultiDMapping(sites.Get(), L"{517E5000-0000-0000-0000-0000000000EE}",
                                          FieldConfiguration(L"CellRefs", {L"Azimuth"}).Get()),
              S_OK);
    CZmaVadAZDataLayer* rebuilt = AsDataLayer(other.FindLayerByExactKey(L"{517E5000-0000-0000-0000-0000000000EE}"));
    ASSERT_TRUE(rebuilt);
    CellLineLayerInterface* servingLines = AsCellLineLayer(rebuilt->GetLineLayer(CZmaVadAZDataLayer::kLineA));
    CellLineLayerInterface* neighbourLines = AsCellLineLayer(rebuilt->GetLineLayer(CZmaVadAZDataLayer::kLineB));
    ASSERT_TRUE(servingLines && neighbourLines);
    EXPECT_EQ(servingLines->GetColorByField(), L"Quality");
    EXPECT_EQ(neighbourLines->GetLabelByField(), L"Level");
    EXPECT_EQ(neighbourLines->GetDrawOption(), 0);
}

}  // namespace

namespace {

TEST_F(LinesTest, ALabelAlongTheLineHasItsOffsetTurnedWithTheLine) {
    ComPtr<IHostDataset> typed;
    points_->QueryInterface(IID_IHostDataset, typed.PutVoid());
    ComPtr<IHostLabelStyle> style = serving_->GetLabelProperties()->GetStyle();
    ASSERT_TRUE(style);
    ComPtr<IHostCallLog> log;
    style.As(log);
    MemoryCanvas canvas(400, 300);
    ComPtr<IHostRows> rows;
    typed->QueryInterface(IID_IHostRows, rows.PutVoid());
    rows->MoveTo(1);
    CZmaVadAZLabelProperties& labels = *serving_->GetLabelProperties();
    labels.SetOffset(10, 0);
    auto drawn = [&](int position, POINT to) {
        labels.SetPosition(position);
        log->ClearCalls();
        EXPECT_TRUE(serving_->DrawLabel(canvas.Dc(), Field(typed.Get(), L"Level").Get(), {100, 100}, {100, 100}, to));
        std::vector<std::wstring> calls = CallLines(style.Get());
        return calls.empty() ? std::wstring() : calls.back();
    };
    // A line to the right (90 degrees): the offset along x turns to point down the screen.
    EXPECT_EQ(drawn(1, {200, 100}).find(L"DrawText(") == 0, true);
    EXPECT_NE(drawn(1, {200, 100}).find(L"100, 110, -90"), std::wstring::npos) << drawn(1, {200, 100});
    // Upwards (0 degrees) the offset stays as it is; label position 0 turns the text across the line.
    EXPECT_NE(drawn(0, {100, 0}).find(L"110, 100, 90"), std::wstring::npos) << drawn(0, {100, 0});
    // Horizontal labels keep their offset whatever the line does.
    EXPECT_NE(drawn(2, {200, 100}).find(L"110, 100, 0"), std::wstring::npos) << drawn(2, {200, 100});

    // A null value draws nothing.
    Variant null;
    null.vt = VT_NULL;
    SetupOf(typed.Get())->SetValue(0, Variant(L"Level"), null);
    rows->MoveTo(0);
    EXPECT_FALSE(serving_->DrawLabel(canvas.Dc(), Field(typed.Get(), L"Level").Get(), {100, 100}, {100, 100}, {200, 100}));
}

}  // namespace

namespace {

TEST_F(LinesTest, TheWcdmaNeighbourShiftIsTheSameOnScreenAndInTheTable) {
    ComPtr<IHostDataset> typed;
    points_->QueryInterface(IID_IHostDataset, typed.PutVoid());
    long position = 0;
    SetupOf(typed.Get())->AddField(Bstr(L"Lab_1").Get(), 6, &position);
    SetupOf(typed.Get())->AddField(Bstr(L"Lab_2").Get(), 6, &position);
    SetupOf(typed.Get())->SetValue(0, Variant(L"Lab_1"), Variant(L"first"));
    SetupOf(typed.Get())->SetValue(0, Variant(L"Lab_2"), Variant(L"second"));
    neighbours_->SetTechnology(L"WCDMA");
    neighbours_->SetLabelByField(L"Lab_");

    HWND frame = ::CreateWindowExW(0, L"STATIC", L"host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 100, 400, 300,
                                   nullptr, nullptr, nullptr, nullptr);
    ::SetActiveWindow(frame);
    SelectPoints({0});
    MemoryCanvas canvas(400, 300);
    DrawFrame(canvas);
    const POINT onLine = Fraction(PointPixel(0), CellPixel(1), 0.5);
    EXPECT_TRUE(neighbours_->HitTest(onLine.x, onLine.y, 0, 0));
    EXPECT_EQ(rollovertip::CurrentText(), "Lab_2: second");
    ::DestroyWindow(frame);

    const std::string folder = platform::ToAnsi(testsupport::WinePath(LINES_TAB_OUT_UNIX));
    ASSERT_EQ(neighbours_->ExportToTab(platform::ToWide(folder), "Wcdma"), S_OK);
    EXPECT_EQ(TableLines(folder + "\\Linestoneighborcells-Wcdma.TAB"),
              (std::vector<std::string>{"10.350,50.150 > 10.100,49.950 | Lab_2: second"}));
}

TEST_F(LinesTest, EachDatasetsCachedLinesFollowTheViewOnTheirOwn) {
    const wchar_t kMore[] = L"{901175A0-0000-0000-0000-000000000003}";
    // Shown through a field of another name: the engine layer's name comes from the field.
    ComPtr<IDispatch> more = NewDataset({{L"Latitude", 13}, {L"Longitude", 12}, {L"Strength", 3}, {L"ServingSectorHandle", 3}}, 1);
    SetValue(more.Get(), 0, L"Latitude", Variant(50.05));
    SetValue(more.Get(), 0, L"Longitude", Variant(10.3));
    SetValue(more.Get(), 0, L"Strength", Variant(7L));
    SetValue(more.Get(), 0, L"ServingSectorHandle", Variant(101L));
    ASSERT_EQ(datasets_->DisplayDataset(more.Get(), L"Strength", nullptr, nullptr, kMore), S_OK);
    AsDataLayer(layers_->FindLayerByExactKey(kMore))->GetLabelProperties()->SetVisible(false);
    ASSERT_EQ(serving_->GetDatasetCount(), 3);
    serving_->SetDrawOption(0);

    MemoryCanvas first(400, 300);
    DrawFrame(first);
    const POINT morePoint = EnginePixel(10.3, 50.05);
    EXPECT_EQ(CountAlong(first, morePoint, CellPixel(0), kBlack), 7);
    ShowView(400, 300, {9.98, 50.22, 10.38, 49.92});
    MemoryCanvas panned(400, 300);
    DrawFrame(panned);
    const POINT moved = EnginePixel(10.3, 50.05);
    EXPECT_EQ(CountAlong(panned, moved, CellPixel(0), kBlack), 7) << "both datasets' lines moved";
    EXPECT_EQ(CountAlong(panned, PointPixel(0), CellPixel(0), kBlack), 7);
}

}  // namespace

// --- Lines between cell sectors and between positions ------------------------------------------------

namespace {

SectorLine Styled(long type, long width) {
    SectorLine line;
    line.lineType = type;
    line.lineWidth = width;
    line.lineColor = Variant(0L);
    return line;
}

bool Black(const MemoryCanvas& canvas, int x, int y) { return canvas.Pixel(x, y) == RGB(0, 0, 0); }

TEST(SectorLineRendering, GdiDashesAre20PixelsWithEqualGapsAndTheLastEndsAtTheLinesEnd) {
    ASSERT_EQ(::GetDeviceCaps(MemoryCanvas(4, 4).Dc(), LOGPIXELSY), 96);
    MemoryCanvas canvas(200, 60);
    SectorLineRenderer renderer(false, canvas.Dc(), canvas.Rect());
    const MarkerPoint marker;
    renderer({10, 10}, {60, 10}, marker, Styled(1, 1), 0);
    for (int x : {10, 20, 29, 50, 55, 59}) EXPECT_TRUE(Black(canvas, x, 10)) << x;
    for (int x : {31, 35, 39, 61}) EXPECT_FALSE(Black(canvas, x, 10)) << x;
    // Any type but 0 draws the same dashes in GDI; shorter than one dash, nothing shows.
    renderer({10, 30}, {25, 30}, marker, Styled(7, 1), 0);
    for (int x = 8; x < 28; ++x) EXPECT_FALSE(Black(canvas, x, 30)) << x;
    // Width 0 is 3 pixels at 96 dots per inch.
    renderer({100, 40}, {180, 40}, marker, Styled(0, 0), 0);
    EXPECT_TRUE(Black(canvas, 140, 39) && Black(canvas, 140, 40) && Black(canvas, 140, 41));
    EXPECT_FALSE(Black(canvas, 140, 37) || Black(canvas, 140, 43));
}

TEST(SectorLineRendering, AClickHitsALineWithinThreePixelsHorizontalAndVerticalOnesToo) {
    const struct {
        POINT cursor, a, b;
        bool hit;
        const char* what;
    } cases[] = {
        {{50, 54}, {0, 0}, {100, 100}, true, "2.8 pixels off"},
        {{50, 55}, {0, 0}, {100, 100}, false, "3.5 pixels off"},
        {{50, 12}, {0, 10}, {100, 10}, true, "2 pixels beside a horizontal line"},
        {{30, 50}, {30, 100}, {30, 0}, true, "on a vertical line"},
        {{50, 13}, {0, 10}, {100, 10}, false, "3 pixels beside a horizontal line"},
        {{103, 10}, {0, 10}, {100, 10}, false, "3 pixels beyond its end"},
        {{5, 5}, {5, 5}, {5, 5}, false, "a line of no length"},
    };
    for (const auto& c : cases) EXPECT_EQ(SectorLineHit(c.cursor, c.a, c.b), c.hit) << c.what;
}

class CountingAction : public LinesToSectorsActionInterface {
public:
    bool operator()(const POINT&, const POINT&, const MarkerPoint&, const SectorLine&, long index) override {
        indices.push_back(index);
        return true;
    }
    std::vector<long> indices;
};

ComPtr<IDispatch> NewRectangle() {
    CLSID clsid;
    EXPECT_EQ(::CLSIDFromProgID(L"MapX.Rectangle.4", &clsid), S_OK);
    ComPtr<IDispatch> rectangle;
    EXPECT_EQ(::CoCreateInstance(clsid, nullptr, CLSCTX_ALL, IID_IDispatch, rectangle.PutVoid()), S_OK);
    return rectangle;
}

std::vector<double> Edges(IDispatch* rectangle) {
    EngineDispatch r(rectangle);
    return {r.Get(Engine::Rectangle::kXMin).ToDouble(), r.Get(Engine::Rectangle::kYMin).ToDouble(),
            r.Get(Engine::Rectangle::kXMax).ToDouble(), r.Get(Engine::Rectangle::kYMax).ToDouble()};
}

TEST_F(LinesTest, SectorLinesSkipLayersThatPlaceNoSectorsShowTheirTooltipAndFrameTheirExtent) {
    HWND frame = ::CreateWindowExW(0, L"STATIC", L"host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 100, 400, 300,
                                   nullptr, nullptr, nullptr, nullptr);
    ::SetActiveWindow(frame);
    CZmaVadAZLinesToSectorsLayer* sectors = GetLinesToSectorsLayer(*layers_);
    ASSERT_TRUE(sectors);
    EXPECT_EQ(layers_->Layers().front(), sectors);
    EXPECT_EQ(GetLinesToSectorsLayer(*layers_), sectors) << "one per map";
    long index = -1;
    Bstr sites(kSites), points(kPoints), tip(L"handover");
    // A series of measurement points has no sectors: its line is passed over, without harm.
    ASSERT_EQ(sectors->AddLine(points.Get(), 0, sites.Get(), 1, 2, 0, Variant(0L), tip.Get(), false, 0.5, &index), S_OK);
    ASSERT_EQ(sectors->AddLine(sites.Get(), 0, sites.Get(), 2, 2, 0, Variant(0L), tip.Get(), true, 0.5, &index), S_OK);
    EXPECT_EQ(index, 1);
    EXPECT_EQ(sectors->AddLine(sites.Get(), 0, sites.Get(), 2, 2, 0, Variant(0L), tip.Get(), true, 0.5, nullptr), E_POINTER);
    const POINT onLine = Fraction(CellPixel(0), CellPixel(2), 0.3);
    EXPECT_FALSE(sectors->HitTest(onLine.x, onLine.y, 0, 0)) << "no view before the first frame";
    MemoryCanvas canvas(400, 300);
    DrawFrame(canvas);
    CountingAction walked;
    EXPECT_EQ(sectors->ForEachLine(walked), S_OK);
    EXPECT_EQ(walked.indices, std::vector<long>{1});
    EXPECT_EQ(CountAlong(canvas, CellPixel(0), CellPixel(2), kBlack), 7);

    EXPECT_TRUE(sectors->HitTest(onLine.x, onLine.y, 0, 0));
    EXPECT_EQ(rollovertip::CurrentText(), "handover");
    EXPECT_FALSE(sectors->HitTest(onLine.x + 40, onLine.y, 0, 0));
    EXPECT_EQ(rollovertip::CurrentText(), "");

    // The bounds of the visible lines' ends.
    ASSERT_TRUE(sectors->SetLineVisible(0, false));
    ComPtr<IDispatch> rectangle = NewRectangle();
    EXPECT_EQ(sectors->GetExtent(rectangle.Get()), 1);
    const std::vector<double> edges = Edges(rectangle.Get());
    EXPECT_NEAR(edges[0], 10.05, 1e-9);
    EXPECT_NEAR(edges[1], 50.0, 1e-9);
    EXPECT_NEAR(edges[2], 10.2, 1e-9);
    EXPECT_NEAR(edges[3], 50.15, 1e-9);
    ASSERT_TRUE(sectors->SetLineVisible(1, false));
    ASSERT_TRUE(sectors->SetLineVisible(0, false));
    EXPECT_FALSE(sectors->SetLineVisible(2, false));
    EXPECT_EQ(sectors->GetExtent(rectangle.Get()), 0) << "hidden lines count for nothing";
    ::DestroyWindow(frame);
}

TEST_F(LinesTest, PointLinesOfTheCellSiteLayerAreMadeRealAndFrameTheirExtent) {
    auto* cellSiteLines = dynamic_cast<CZmaVadAZLinesToPointsLayer*>(cellSites_->GetLineLayer(CZmaVadAZDataLayer::kLineC));
    auto* pointLines = dynamic_cast<CZmaVadAZLinesToPointsLayer*>(cellSites_->GetLineLayer(CZmaVadAZDataLayer::kLineD));
    ASSERT_TRUE(cellSiteLines && pointLines);
    EXPECT_EQ(cellSiteLines->GetName(), "Lines between cellsites");
    EXPECT_EQ(pointLines->GetName(), "Lines between points");
    EXPECT_EQ(GetCellSiteLinesLayer(*layers_), cellSiteLines);
    EXPECT_EQ(GetPointLinesLayer(*layers_), pointLines) << "a map with cell sites draws them itself";

    ASSERT_EQ(cellSiteLines->AddLineBetweenCellsites(0, 2, 0, 0, Variant(0L)), S_OK);
    ASSERT_EQ(pointLines->AddLineBetweenPoints(10.1, 49.95, 10.3, 49.95, 0, 1, Variant(0L)), S_OK);
    ASSERT_EQ(pointLines->AddLineBetweenPoints(10.3, 49.95, 10.1, 49.95, 0, 1, Variant(0L)), S_OK);
    ASSERT_EQ(pointLines->AddLineBetweenPoints(10.1, 49.95, 10.3, 49.95, 0, 0, Variant(L"FF")), S_OK);
    ASSERT_EQ(pointLines->Lines().size(), 2u) << "reversed is another line; the same ends replace";
    EXPECT_EQ(pointLines->Lines().back().type, 0) << "the replacement moves to the end";
    MemoryCanvas canvas(400, 300);
    DrawFrame(canvas);
    EXPECT_EQ(CountAlong(canvas, EnginePixel(10.05, 50.15), EnginePixel(10.2, 50.0), kBlack), 7);

    ComPtr<IDispatch> rectangle = NewRectangle();
    EXPECT_EQ(pointLines->GetExtent(rectangle.Get()), 1);
    const std::vector<double> edges = Edges(rectangle.Get());
    EXPECT_NEAR(edges[0], 10.1, 1e-9);
    EXPECT_NEAR(edges[2], 10.3, 1e-9);
    EXPECT_NEAR(edges[1], 49.95, 1e-9);
    ASSERT_EQ(pointLines->ClearLines(), S_OK);
    EXPECT_EQ(pointLines->GetExtent(rectangle.Get()), 0);
}

TEST_F(LinesTest, LinesBetweenPositionsMoveWithTheHostsZoomOffset) {
    CZmaVadAZLinesToPointsLayer* lines = GetPointLinesLayer(*layers_);
    ASSERT_TRUE(lines);
    ASSERT_EQ(lines->AddLineBetweenPoints(10.1, 50.05, 10.3, 49.95, 0, 0, Variant(0xFFL)), S_OK);
    host_.zoomOffset = {5, 7};
    MemoryCanvas canvas(400, 300);
    DrawFrame(canvas);
    const POINT a = EnginePixel(10.1, 50.05), b = EnginePixel(10.3, 49.95);
    EXPECT_EQ(CountAlong(canvas, {a.x - 5, a.y - 7}, {b.x - 5, b.y - 7}, kBlue), 7);
    EXPECT_EQ(CountAlong(canvas, a, b, kBlue), 0);
}

}  // namespace
