// The collection's per-series operations behind the control's members and printing: the colour
// role of a series' field, the list of point dataset layers, and the legend texts handed to the
// print legend.
#include "tests/datalayers/DisplayFixture.h"
#include "tests/layers/LayerFixture.h"

#include "ZmaVOMap2/datalayers/ZmaVadAZDataLayer.h"
#include "ZmaVOMap2/layers/ZmaVadAZDatasetComposition.h"

using namespace layertest;
using displaytest::FieldConfiguration;
using displaytest::NewDataset;
using platform::Bstr;
using platform::ComPtr;

namespace {

const wchar_t kPoints[] = L"{D0000000-0000-0000-0000-0000000000A1}";
const wchar_t kCells[] = L"{D0000000-0000-0000-0000-0000000000C1}";

class SeriesCollection : public LayerTest {
protected:
    CZmaVadAZLayer* ShowPoints(IUnknown* legend = nullptr, IUnknown* printLegend = nullptr) {
        ComPtr<IDispatch> points = NewDataset({{L"Latitude", 13}, {L"Longitude", 12}, {L"RxLev", 5}, {L"RxQual", 5}}, 3);
        EXPECT_EQ(datasets_->DisplayDataset(points.Get(), L"RxLev", legend, printLegend, kPoints), S_OK);
        return layers_->FindLayer(kPoints);
    }
};

TEST_F(SeriesCollection, DataLayersAreThePointDatasetLayersFromTheTop) {
    OpenTable("roads");
    EXPECT_TRUE(layers_->GetDataLayers().empty()) << "tables only";
    CZmaVadAZLayer* points = ShowPoints();
    ComPtr<IDispatch> cells = NewDataset({{L"Latitude", 13}, {L"Longitude", 12}, {L"Site_Name", 6}}, 2);
    datasets_->CreateMultiDMapping(cells.Get(), kCells, FieldConfiguration(L"CellRefs", {L"Site_Name"}).Get());
    ASSERT_TRUE(layers_->FindLayer(kCells));
    EXPECT_EQ(layers_->GetDataLayers(), std::vector<CZmaVadAZLayer*>{points});
}

TEST_F(SeriesCollection, TheCellColourFieldTakesTheRoleOnTheLayerAndInTheComposition) {
    CZmaVadAZLayer* layer = ShowPoints();
    CZmaVadAZDataLayer* data = AsDataLayer(layer);
    ASSERT_TRUE(data);
    CZmaVadAZDatasetComposition* composition = layers_->FindCompositionByKey(kPoints);
    ASSERT_TRUE(composition);
    AppendLayerEntry(*composition, std::make_shared<std::wstring>(L"RxLev"), std::make_shared<std::wstring>(kPoints), 3);

    ASSERT_EQ(layers_->SetCellColourField(kPoints, "RxQual", 3), S_OK);
    EXPECT_EQ(data->GetAttributeCodes().at(L"RxQual"), 3);
    EXPECT_EQ(data->GetDisplayFields().front(), L"RxQual");
    auto colourEntry = [&]() -> std::wstring {
        for (const auto& d : composition->Dimensions())
            if (d.code == 3) return *d.fieldName;
        return L"<none>";
    };
    EXPECT_EQ(colourEntry(), L"RxQual");

    // An empty field takes the role away in both places.
    ASSERT_EQ(layers_->SetCellColourField(kPoints, "", 3), S_OK);
    EXPECT_EQ(colourEntry(), L"<none>");
    for (const auto& entry : data->GetAttributeCodes()) EXPECT_NE(entry.second, 3) << entry.first.c_str();
    EXPECT_EQ(layers_->SetCellColourField(L"{unknown}", "RxQual", 3), S_OK) << "no layer: nothing to do";
}

TEST_F(SeriesCollection, BeforePrintingThePrintLegendGetsTheScreenLegendsTextOfEachSeries) {
    ComPtr<IUnknown> legend, printLegend;
    ASSERT_EQ(::CoCreateInstance(CLSID_HostLegend, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, legend.PutVoid()), S_OK);
    ASSERT_EQ(::CoCreateInstance(CLSID_HostPrintLegend, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                                 printLegend.PutVoid()),
              S_OK);
    ShowPoints(legend.Get(), printLegend.Get());
    ComPtr<IHostLegendTest> screen;
    ASSERT_EQ(legend->QueryInterface(IID_IHostLegendTest, screen.PutVoid()), S_OK);
    ASSERT_EQ(screen->AddSeries(Bstr(kPoints).Get(), Bstr(L"Drive 1 RxLev").Get()), S_OK);

    layers_->PrepareForPrinting();
    ComPtr<IHostCallLog> log;
    ASSERT_EQ(printLegend->QueryInterface(IID_IHostCallLog, log.PutVoid()), S_OK);
    BSTR text = nullptr;
    log->get_CallText(&text);
    const std::wstring calls = Bstr::Attach(text).Wide();
    EXPECT_NE(calls.find(L"SetLegendText(" + std::wstring(kPoints) + L", Drive 1 RxLev)"), std::wstring::npos) << calls;
}

}  // namespace
