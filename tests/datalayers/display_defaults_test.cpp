// The defaults that the collection gives a new layer: by the kind of a dataset layer, or by the
// name of a table file; the label settings that survive a reload of cell-reference data; and the
// technology prefix of a dataset.
#include "tests/datalayers/DisplayFixture.h"
#include "tests/layers/LayerFixture.h"

#include "ZmaVOMap2/datalayers/DatasetDisplay.h"
#include "ZmaVOMap2/datalayers/ZmaVadAZDataLayer.h"
#include "ZmaVOMap2/layers/ZmaVadAZDatasetComposition.h"
#include "ZmaVOMap2/layers/ZmaVadAZLabelProperties.h"

#include "platform/Xml.h"

#include <olectl.h>

using namespace layertest;
using displaytest::FieldConfiguration;
using displaytest::NewDataset;
using displaytest::SetDatasetLongName;
using displaytest::Text;
using platform::ComPtr;
using platform::Variant;

namespace {

const wchar_t kSeries[] = L"{D0000000-0000-0000-0000-00000000000D}";

struct StyleFacts {
    std::wstring font;
    long points = 0;
    bool bold = false, italic = false, halo = false, opaque = false;
    OLE_COLOR text = 0, back = 0;
};

StyleFacts FactsOf(const CZmaVadAZLabelProperties& labels) {
    StyleFacts facts;
    ComPtr<IHostLabelStyle> style = labels.GetStyle();
    if (!style) return facts;
    ComPtr<IFont> font;
    style->get_Font(font.Put());
    if (font) {
        BSTR name = nullptr;
        font->get_Name(&name);
        facts.font = platform::Bstr::Attach(name).Wide();
        CY size = {};
        font->get_Size(&size);
        facts.points = static_cast<long>(size.int64 / 10000);
        BOOL on = FALSE;
        font->get_Bold(&on);
        facts.bold = on != FALSE;
        font->get_Italic(&on);
        facts.italic = on != FALSE;
    }
    VARIANT_BOOL flag = VARIANT_FALSE;
    style->get_Halo(&flag);
    facts.halo = flag != VARIANT_FALSE;
    style->get_Opaque(&flag);
    facts.opaque = flag != VARIANT_FALSE;
    style->get_TextColor(&facts.text);
    style->get_BackColor(&facts.back);
    return facts;
}

class LayerDefaults : public LayerTest {
protected:
    CZmaVadAZLayer* MapCells(IDispatch* dataset, const std::vector<std::wstring>& fields) {
        datasets_->CreateMultiDMapping(dataset, kSeries, FieldConfiguration(L"CellRefs", fields).Get());
        return layers_->FindLayer(kSeries);
    }
    ComPtr<IDispatch> Sites() {
        return NewDataset({{L"Latitude", 13}, {L"Longitude", 12}, {L"Site_Name", 6}, {L"Azimuth", 5}}, 3);
    }
};

TEST_F(LayerDefaults, EachKindOfDatasetLayerGetsItsRow) {
    ComPtr<IDispatch> points = NewDataset({{L"Latitude", 13}, {L"Longitude", 12}, {L"RxLev", 5}}, 3);
    ASSERT_EQ(datasets_->DisplayDataset(points.Get(), L"RxLev", nullptr, nullptr, kSeries), S_OK);
    CZmaVadAZLayer* layer = layers_->FindLayer(kSeries);
    ASSERT_TRUE(layer);
    const CZmaVadAZLabelProperties& pointLabels = *layer->GetLabelProperties();
    EXPECT_EQ(pointLabels.GetDataField(), "");
    EXPECT_FALSE(pointLabels.GetVisible());
    int x = 0, y = 0;
    pointLabels.GetOffset(x, y);
    EXPECT_EQ(x, 2);
    EXPECT_EQ(y, 12);
    StyleFacts facts = FactsOf(pointLabels);
    EXPECT_EQ(facts.points, 9);
    EXPECT_FALSE(facts.halo || facts.opaque);
    layers_->RemoveLayer(layer, false, false);

    // Cell references without an azimuth: the sites row, bold italic names above the site.
    layer = MapCells(Sites().Get(), {L"Site_Name"});
    ASSERT_TRUE(layer);
    EXPECT_EQ(layer->GetType(), CZmaVadAZLayer::kTypeCellReferences);
    const CZmaVadAZLabelProperties& siteLabels = *layer->GetLabelProperties();
    EXPECT_EQ(siteLabels.GetDataField(), "Site_Name");
    EXPECT_TRUE(siteLabels.GetOverlap());
    EXPECT_EQ(siteLabels.GetAlignment(), 2);
    double zoomMin = -1, zoomMax = -1;
    EXPECT_TRUE(siteLabels.GetLabelZoom(&zoomMin, &zoomMax));
    EXPECT_EQ(zoomMax, 10.0);
    facts = FactsOf(siteLabels);
    EXPECT_EQ(facts.points, 8);
    EXPECT_TRUE(facts.bold && facts.italic && facts.halo);
    EXPECT_EQ(facts.back, 0xFFFFFFu);
    layers_->RemoveLayer(layer, false, false);

    // With an azimuth they are cell sites: sector names.
    layer = MapCells(Sites().Get(), {L"Site_Name", L"Azimuth"});
    ASSERT_TRUE(layer);
    EXPECT_EQ(layer->GetType(), CZmaVadAZLayer::kTypeCellSites);
    EXPECT_EQ(layer->GetLabelProperties()->GetDataField(), "Sector_ID");
    layer->GetLabelProperties()->GetOffset(x, y);
    EXPECT_EQ(x, 1);
    EXPECT_EQ(y, 1);
}

TEST_F(LayerDefaults, TableRowsMatchTheBeginningOfTheFileNameNotOfItsFolders) {
    CZmaVadAZLayer* roads = OpenTable("PC_roads");
    ASSERT_TRUE(roads);
    // Table files of kinds without a row of their own go by their names.
    roads->SetType(CZmaVadAZLayer::kTypeAtrList);
    ASSERT_EQ(layers_->ApplyLayerDefaults(roads), S_OK);
    EXPECT_TRUE(roads->GetZoomLayering());
    EXPECT_EQ(roads->GetZoomMax(), 5.0);
    StyleFacts facts = FactsOf(*roads->GetLabelProperties());
    EXPECT_EQ(facts.points, 6);
    EXPECT_TRUE(facts.halo);
    EXPECT_EQ(facts.text, 0xFFFFFFu);

    CZmaVadAZLayer* other = OpenTable("zz_misc");
    ASSERT_TRUE(other);
    other->SetType(CZmaVadAZLayer::kTypeAtrList);
    other->SetZoomLayering(true);
    ASSERT_EQ(layers_->ApplyLayerDefaults(other), S_OK);
    EXPECT_FALSE(other->GetZoomLayering());

    EXPECT_THROW(layers_->ApplyLayerDefaults(nullptr), platform::ComError);
}

TEST_F(LayerDefaults, CellReferenceLabelsSurviveAReloadUntilCleared) {
    ComPtr<IDispatch> sites = Sites();
    CZmaVadAZLayer* layer = MapCells(sites.Get(), {L"Site_Name"});
    ASSERT_TRUE(layer);
    layer->GetLabelProperties()->SetDataField("Cell_Name");
    layers_->UpdateCellRefData();
    layer->GetLabelProperties()->SetDataField("Changed again");
    layers_->UpdateCellRefData();  // the first copy stays

    layers_->RemoveLayer(layer, false, false);
    layer = MapCells(sites.Get(), {L"Site_Name"});
    ASSERT_TRUE(layer);
    EXPECT_EQ(layer->GetLabelProperties()->GetDataField(), "Cell_Name");

    layers_->ClearCellRefData();
    layers_->RemoveLayer(layer, false, false);
    layer = MapCells(sites.Get(), {L"Site_Name"});
    ASSERT_TRUE(layer);
    EXPECT_EQ(layer->GetLabelProperties()->GetDataField(), "Site_Name");
}

TEST_F(LayerDefaults, TheTechnologyIsTheLongNameUpToItsFirstUnderscore) {
    ComPtr<IDispatch> dataset = NewDataset({{L"RxLev", 5}}, 0);
    EXPECT_EQ(datasets_->GetDatasetNamePrefix(dataset.Get()), "");
    SetDatasetLongName(dataset.Get(), L"GSM_Drive_1");
    EXPECT_EQ(datasets_->GetDatasetNamePrefix(dataset.Get()), "GSM");
    ComPtr<IDispatch> plain = NewDataset({{L"RxLev", 5}}, 0);
    SetDatasetLongName(plain.Get(), L"Drive");
    EXPECT_EQ(datasets_->GetDatasetNamePrefix(plain.Get()), "");
    ComPtr<IDispatch> leading = NewDataset({{L"RxLev", 5}}, 0);
    SetDatasetLongName(leading.Get(), L"_Drive");
    EXPECT_EQ(datasets_->GetDatasetNamePrefix(leading.Get()), "");
}

TEST_F(LayerDefaults, AFailedBuildKeepsNeitherCompositionNorLayer) {
    ComPtr<IDispatch> unmappable = NewDataset({{L"RxLev", 5}}, 2);
    int before = layers_->GetCount();
    EXPECT_THROW(datasets_->DisplayDataset(unmappable.Get(), L"RxLev", nullptr, nullptr, kSeries), platform::ComError);
    EXPECT_EQ(layers_->FindDatasetComposition(kSeries), nullptr);
    EXPECT_EQ(layers_->GetCount(), before);
    EXPECT_EQ(layers_->FindLayer(kSeries), nullptr);
}

}  // namespace

namespace {

TEST_F(LayerDefaults, ASeriesShownAgainAfterALoadTakesItsSavedSettings) {
    ComPtr<IDispatch> points = NewDataset({{L"Latitude", 13}, {L"Longitude", 12}, {L"RxLev", 5}}, 3);
    ASSERT_EQ(datasets_->DisplayDataset(points.Get(), L"RxLev", nullptr, nullptr, kSeries), S_OK);
    CZmaVadAZLayer* layer = layers_->FindLayer(kSeries);
    layer->SetVisible(false);
    layer->GetLabelProperties()->SetVisible(true);
    layer->GetLabelProperties()->SetDataField("RxLev");

    ComPtr<IXMLDOMDocument2> document = platform::CreateXmlDocument();
    ComPtr<IXMLDOMElement> settings = platform::CreateChildElement(document.Get(), L"mapsettings");
    ASSERT_EQ(layers_->SaveLayers(settings.Get()), S_OK);
    ComPtr<IXMLDOMNode> saved;
    settings->selectSingleNode(platform::Bstr(L"layers/DatasetComposition[@visible='0']/LabelProperties").Get(),
                               saved.Put());
    EXPECT_TRUE(saved);

    // A new map that loads the settings, then shows the same series.
    datasets_.reset();
    layers_.reset();
    map_ = CreateEngineMap();
    host_.map = map_.Get();
    layers_ = std::make_unique<CZmaVadAZLayerCollection>(host_.folder, host_, map_.Get());
    datasets_ = std::make_unique<CZmaVadAZDatasetDisplay>(*layers_);
    ASSERT_EQ(layers_->LoadLayers(settings.Get()), S_OK);
    ASSERT_EQ(datasets_->DisplayDataset(points.Get(), L"RxLev", nullptr, nullptr, kSeries), S_OK);
    CZmaVadAZLayer* shown = layers_->FindLayer(kSeries);
    ASSERT_TRUE(shown);
    EXPECT_FALSE(shown->IsVisible());
    EXPECT_TRUE(shown->GetLabelProperties()->GetVisible());
    EXPECT_EQ(shown->GetLabelProperties()->GetDataField(), "RxLev");
}

}  // namespace
