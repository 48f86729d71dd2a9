// Displaying host datasets through the control's dispatch interface, as a host does: the checks
// that come first, the refusal of data without positions, the usage record, the layers built for
// points, cell references and cell sites, and the operations on a displayed series.
#include "tests/datalayers/DisplayFixture.h"

#include "tests/support/DialogAnswerer.h"

#include "platform/Result.h"

using namespace displaytest;
using platform::ComPtr;
using platform::Variant;

namespace {

const wchar_t kSeriesA[] = L"{A0000000-0000-0000-0000-00000000000A}";
const wchar_t kSeriesB[] = L"{B0000000-0000-0000-0000-00000000000B}";
const wchar_t kNotMappable[] = L"The dataset does not contain mappable data and cannot be displayed.";

bool Contains(const std::wstring& text, const std::wstring& part) { return text.find(part) != std::wstring::npos; }

bool DialogSaid(const std::wstring& text) {
    auto* answerer = testsupport::DialogAnswerer::Current();
    if (!answerer) return false;
    for (const auto& dialog : answerer->Dialogs())
        if (Contains(dialog.text, text)) return true;
    return false;
}

ComPtr<IDispatch> PointDataset(long rows = 20) {
    return NewDataset({{L"Latitude", 13}, {L"Longitude", 12}, {L"RxLev", 5}, {L"Quality", 3}}, rows);
}

class DisplayDataset : public DisplayTest {};

TEST_F(DisplayDataset, ChecksItsArgumentsFirstAndTakesOnlyATextFieldList) {
    ComPtr<IDispatch> dataset = PointDataset();
    // Before initialisation too: the argument checks come before the state check.
    EXPECT_EQ(Display(dataset.Get(), Variant(3L), kSeriesA), E_INVALIDARG);
    EXPECT_EQ(Display(nullptr, Text(L"RxLev"), kSeriesA), E_INVALIDARG);
    // Types whose code merely shares a bit with the text type are not field lists.
    EXPECT_EQ(Display(dataset.Get(), Variant(static_cast<IDispatch*>(dataset.Get())), kSeriesA), E_INVALIDARG);
    EXPECT_EQ(Display(dataset.Get(), Variant(true), kSeriesA), E_INVALIDARG);
    EXPECT_EQ(Display(dataset.Get(), Text(L"RxLev"), kSeriesA), E_UNEXPECTED);
    EXPECT_TRUE(UsageRecords().empty());

    Initialise();
    // A script passes its variables by reference.
    BSTR text = ::SysAllocString(L"RxLev");
    Variant byReference;
    byReference.vt = VT_BSTR | VT_BYREF;
    byReference.pbstrVal = &text;
    EXPECT_EQ(Display(dataset.Get(), byReference, kSeriesA), S_OK);
    ::SysFreeString(text);
    std::wstring name;
    EXPECT_EQ(Description(kSeriesA, name), S_OK);
    EXPECT_EQ(name, L"RxLev");
}

TEST_F(DisplayDataset, RefusesDataWithoutPositionsAndStillDrawsAndRecordsUsage) {
    Initialise();
    auto before = EngineLayerNames();
    ComPtr<IDispatch> dataset = NewDataset({{L"RxLev", 5}}, 5);

    HRESULT hr = Display(dataset.Get(), Text(L"RxLev"), kSeriesA);
    EXPECT_TRUE(FAILED(hr)) << std::hex << hr;
    EXPECT_TRUE(DialogSaid(kNotMappable));
    EXPECT_EQ(EngineLayerNames(), before);
    EXPECT_TRUE(Get(EngineMap().Get(), kEngineAutoRedraw).ToBool());
    EXPECT_EQ(UsageRecords(), std::vector<std::wstring>{L"AUL,19,MHandle displayed,Map,RxLev"});

    // Nothing of the failed attempt stays: the same series is refused again rather than taken
    // for already shown, and is not listed.
    std::wstring description;
    EXPECT_EQ(Description(kSeriesA, description), DISP_E_BADINDEX);
    EXPECT_TRUE(FAILED(Display(dataset.Get(), Text(L"RxLev"), kSeriesA)));
    EXPECT_TRUE(DisplayedGuids().empty());
}

TEST_F(DisplayDataset, AFailedDisplayDoesNotLeaveNewLayersOnTop) {
    Initialise();
    ComPtr<IDispatch> bad = NewDataset({{L"RxLev", 5}}, 5);
    EXPECT_TRUE(FAILED(Display(bad.Get(), Text(L"RxLev"), kSeriesA)));

    // A point dataset mapped by configuration zooms the map only when it is displayed as a new
    // top layer: after the failure it must not.
    std::vector<double> view = MapBounds();
    ComPtr<IDispatch> dataset = MakeSampleDataset();
    ComPtr<IDispatch> configuration = FieldConfiguration(nullptr, {L"RxLev"});
    EXPECT_EQ(Call(Control(), kCreateMultiDMapping, {Variant(dataset.Get()), Text(kSeriesB), Variant(configuration.Get())}),
              S_OK);
    EXPECT_EQ(DisplayedGuids(), std::vector<std::wstring>{kSeriesB});
    EXPECT_EQ(MapBounds(), view);
}

// A display either fails, with a description and the map as it was, or succeeds: bringing the
// first series into view is no part of showing it, and a view the engine refuses stays as it was.
TEST_F(DisplayDataset, FailsOnlyForItsOwnFailureAndDescribesIt) {
    Initialise();
    std::vector<double> view = MapBounds();
    ::SetEnvironmentVariableW(L"VADAZ_ENGINE_FAULTS", L"fail-bounds");
    const HRESULT refusedView = Display(MakeSampleDataset().Get(), Text(L"RxLev"), kSeriesA);
    ::SetEnvironmentVariableW(L"VADAZ_ENGINE_FAULTS", nullptr);
    EXPECT_EQ(refusedView, S_OK);
    EXPECT_EQ(MapBounds(), view);

    const std::vector<std::wstring> layers = EngineLayerNames();
    ComPtr<IZmaVadAZ> typed;
    ASSERT_EQ(control_->QueryInterface(IID_IZmaVadAZ, typed.PutVoid()), S_OK);
    const HRESULT hr = typed->DisplayDataset(PointDataset().Get(), Text(L"Missing"), platform::Bstr(kSeriesB).Get());
    EXPECT_EQ(hr, DISP_E_BADINDEX);
    EXPECT_FALSE(platform::ComError::FromCall(hr).Description().empty());
    EXPECT_EQ(EngineLayerNames(), layers);
    EXPECT_EQ(MapBounds(), view);
    EXPECT_EQ(DisplayedGuids(), std::vector<std::wstring>{kSeriesA});
}

TEST_F(DisplayDataset, ShowsASeriesOnceUnderItsFieldName) {
    Initialise();
    ComPtr<IDispatch> dataset = PointDataset();

    EXPECT_EQ(Display(dataset.Get(), Text(L"RxLev"), kSeriesA), S_OK);
    auto names = EngineLayerNames();
    ASSERT_FALSE(names.empty());
    EXPECT_EQ(names.front(), L"RxLev");

    // A dispatch caller sees S_FALSE as success: the second call is made on the typed interface.
    ComPtr<IZmaVadAZ> typed;
    ASSERT_EQ(control_->QueryInterface(IID_IZmaVadAZ, typed.PutVoid()), S_OK);
    platform::Bstr guid(kSeriesA);
    EXPECT_EQ(typed->DisplayDataset(dataset.Get(), Text(L"RxLev"), guid.Get()), S_FALSE);
    EXPECT_EQ(EngineLayerNames(), names);

    EXPECT_EQ(Display(dataset.Get(), Text(L"Missing"), kSeriesB), DISP_E_BADINDEX);
    std::wstring description;
    EXPECT_EQ(Description(kSeriesB, description), DISP_E_BADINDEX);
    EXPECT_EQ(Description(kSeriesA, description), S_OK);
    EXPECT_EQ(description, L"RxLev");
    EXPECT_EQ(DisplayedGuids(), std::vector<std::wstring>{kSeriesA});

    // Every call is recorded, whatever it answered.
    EXPECT_EQ(UsageRecords().size(), 3u);
}

TEST_F(DisplayDataset, NamesTheLayerAfterTheFieldsLongNameAndUsesTheFieldListAsGiven) {
    Initialise();
    ComPtr<IDispatch> dataset = PointDataset();
    SetFieldLongName(dataset.Get(), L"RxLev", L"Serving - Level");
    EXPECT_EQ(Display(dataset.Get(), Text(L"RxLev"), kSeriesA), S_OK);
    std::wstring description;
    EXPECT_EQ(Description(kSeriesA, description), S_OK);
    EXPECT_EQ(description, L" Level RxLev");

    // A list of two names is not a field of the dataset; the record still carries it unchanged.
    EXPECT_EQ(Display(dataset.Get(), Text(L"RxLev,Quality"), kSeriesB), DISP_E_BADINDEX);
    auto records = UsageRecords();
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[1], L"AUL,19,MHandle displayed,Map,RxLev,Quality");
}

TEST_F(DisplayDataset, TheFirstPointDatasetBringsItsRouteIntoView) {
    Initialise();
    ComPtr<IDispatch> sample = MakeSampleDataset();
    ComPtr<IHostSampleDataset> route;
    ASSERT_EQ(sample->QueryInterface(IID_IHostSampleDataset, route.PutVoid()), S_OK);
    double west = 0, south = 0, east = 0, north = 0;
    route->GetRouteBounds(&west, &south, &east, &north);

    ASSERT_EQ(Display(sample.Get(), Text(L"RxLev"), kSeriesA), S_OK);
    std::vector<double> view = MapBounds();
    double centreX = (view[0] + view[2]) / 2, centreY = (view[1] + view[3]) / 2;
    EXPECT_GT(centreX, west);
    EXPECT_LT(centreX, east);
    EXPECT_GT(centreY, south);
    EXPECT_LT(centreY, north);
    EXPECT_GT(view[2] - view[0], (east - west) * 0.5);
    EXPECT_LT(view[2] - view[0], (east - west) * 1.5);

    // The second one leaves the view alone.
    ASSERT_EQ(Put(EngineMap().Get(), kEngineZoom, Variant(500.0)), S_OK);
    std::vector<double> zoomed = MapBounds();
    ASSERT_EQ(Display(MakeSampleDataset(100).Get(), Text(L"Speed"), kSeriesB), S_OK);
    EXPECT_EQ(MapBounds(), zoomed);
}

class MultiDimensionalMapping : public DisplayTest {
protected:
    HRESULT Map(IDispatch* dataset, const wchar_t* guid, IDispatch* configuration) {
        return Call(Control(), kCreateMultiDMapping, {Variant(dataset), Text(guid), Variant(configuration)});
    }
};

TEST_F(MultiDimensionalMapping, BuildsCellReferenceLayersThatAreNotListedAsPointSeries) {
    Initialise();
    ASSERT_EQ(Put(Control(), kVOPrintLegend, Variant(printLegend_.Get())), S_OK);
    ComPtr<IDispatch> sites = NewDataset({{L"Latitude", 13}, {L"Longitude", 12}, {L"Site_Name", 6}}, 4);

    EXPECT_EQ(Map(sites.Get(), kSeriesA, FieldConfiguration(L"CellRefs", {L"Site_Name"}).Get()), S_OK);
    std::wstring description;
    EXPECT_EQ(Description(kSeriesA, description), S_OK);
    EXPECT_EQ(description, L"Site_Name");
    EXPECT_TRUE(DisplayedGuids().empty());
    EXPECT_TRUE(Contains(PrintLegendCalls(), L"AddSeries"));

    ComPtr<IZmaVadAZ> typed;
    ASSERT_EQ(control_->QueryInterface(IID_IZmaVadAZ, typed.PutVoid()), S_OK);
    platform::Bstr guid(kSeriesB);
    EXPECT_EQ(typed->CreateMultiDMapping(sites.Get(), guid.Get(), FieldConfiguration(L"CellRefs", {L"Nope"}).Get()),
              S_FALSE);
    EXPECT_EQ(Description(kSeriesB, description), DISP_E_BADINDEX);
    EXPECT_EQ(Map(sites.Get(), kSeriesB, FieldConfiguration(L"CellRefs", {}, false).Get()), E_UNEXPECTED);
}

TEST_F(MultiDimensionalMapping, SplitsCellSitesByTheirLayerType) {
    Initialise();
    ComPtr<IDispatch> sites =
        NewDataset({{L"Latitude", 13}, {L"Longitude", 12}, {L"Azimuth", 5}, {L"LayerType", 6}}, 4);
    SetDatasetLongName(sites.Get(), L"GSM_Sites");
    SetValue(sites.Get(), 0, L"LayerType", Text(L"Macro"));
    SetValue(sites.Get(), 1, L"LayerType", Text(L"Micro"));
    SetValue(sites.Get(), 2, L"LayerType", Text(L"MACRO"));

    EXPECT_EQ(Map(sites.Get(), kSeriesA, FieldConfiguration(L"CellRefs", {L"Azimuth"}).Get()), S_OK);
    auto names = EngineLayerNames();
    EXPECT_NE(std::find(names.begin(), names.end(), L"Azimuth:macro"), names.end());
    EXPECT_NE(std::find(names.begin(), names.end(), L"Azimuth:micro"), names.end());
    EXPECT_TRUE(DisplayedGuids().empty());
}

class DisplayedSeries : public DisplayTest {
protected:
    void SetUp() override {
        DisplayTest::SetUp();
        Initialise();
        ASSERT_EQ(Put(Control(), kVOPrintLegend, Variant(printLegend_.Get())), S_OK);
        dataset_ = PointDataset();
        ASSERT_EQ(Display(dataset_.Get(), Text(L"RxLev"), kSeriesA), S_OK);
        events_->Take();
    }
    ComPtr<IDispatch> dataset_;
};

TEST_F(DisplayedSeries, RemovingTellsTheHostOnlyWhenAskedAndTheLegendAlways) {
    EXPECT_EQ(Call(Control(), kRemoveDataset, {Text(kSeriesB), Missing()}), S_OK);
    EXPECT_TRUE(Contains(PrintLegendCalls(), kSeriesB));

    EXPECT_EQ(Call(Control(), kRemoveDataset, {Text(kSeriesA), Variant(1L)}), S_OK);
    EXPECT_TRUE(events_->Saw(std::wstring(L"2:") + kSeriesA));
    EXPECT_FALSE(EngineLayer(L"RxLev"));
    EXPECT_TRUE(DisplayedGuids().empty());

    ASSERT_EQ(Display(dataset_.Get(), Text(L"RxLev"), kSeriesB), S_OK);
    events_->Take();
    EXPECT_EQ(Call(Control(), kRemoveDataset, {Text(kSeriesB), Missing()}), S_OK);
    EXPECT_FALSE(events_->Saw(std::wstring(L"2:") + kSeriesB));
    EXPECT_FALSE(EngineLayer(L"RxLev"));
}

TEST_F(DisplayedSeries, HidingReachesTheEngineLayerTheHostAndThePrintLegend) {
    EXPECT_EQ(Call(Control(), kSetDatasetVisible, {Text(kSeriesA), Variant(0L)}), S_OK);
    ComPtr<IDispatch> layer = EngineLayer(L"RxLev");
    ASSERT_TRUE(layer);
    EXPECT_FALSE(Get(layer.Get(), kLayerVisible).ToBool());
    EXPECT_TRUE(events_->Saw(L"5"));
    EXPECT_TRUE(Contains(PrintLegendCalls(), L"SetVisibility"));

    EXPECT_EQ(Call(Control(), kSetDatasetVisible, {Text(kSeriesA), Variant(1L)}), S_OK);
    EXPECT_TRUE(Get(layer.Get(), kLayerVisible).ToBool());
    // An unknown series changes nothing and is no failure.
    EXPECT_EQ(Call(Control(), kSetDatasetVisible, {Text(kSeriesB), Variant(0L)}), S_OK);
}

TEST_F(DisplayedSeries, ChangesAreAcceptedForEveryFlag) {
    for (long flag : {0L, 1L, 2L})
        EXPECT_EQ(Call(Control(), kNotifyChange, {Text(kSeriesA), Variant(flag), Variant(static_cast<IDispatch*>(nullptr)),
                                                  Missing()}),
                  S_OK);
    EXPECT_EQ(Call(Control(), kNotifyChange, {Text(kSeriesB), Variant(0L), Variant(static_cast<IDispatch*>(nullptr)),
                                              Missing()}),
              S_OK);
}

TEST_F(DisplayedSeries, ASelectionChangeKeepsTheHostsSelectedRows) {
    SelectRows(dataset_.Get(), {3, 5});
    EXPECT_EQ(Call(Control(), kNotifySelectionChange, {Text(kSeriesA)}), S_OK);
    EXPECT_EQ(SelectedRows(dataset_.Get()), (std::vector<long>{3, 5}));
    // A series no layer shows spreads the selection of the nearest visible data layer.
    EXPECT_EQ(Call(Control(), kNotifySelectionChange, {Text(kSeriesB)}), S_OK);
    EXPECT_EQ(SelectedRows(dataset_.Get()), (std::vector<long>{3, 5}));
}

TEST_F(DisplayedSeries, QueriesCheckTheirArguments) {
    EXPECT_EQ(Call(Control(), kGetDisplayedGUIDs, {Variant(static_cast<IDispatch*>(nullptr))}), E_INVALIDARG);
    ComPtr<IZmaVadAZ> typed;
    ASSERT_EQ(control_->QueryInterface(IID_IZmaVadAZ, typed.PutVoid()), S_OK);
    platform::Bstr guid(kSeriesA);
    EXPECT_EQ(typed->GetAttributeDescriptionFromGUID(guid.Get(), nullptr), E_INVALIDARG);
}

TEST(DatasetMethodsBeforeInitialisation, AnswerAsTheHostExpects) {
    ComPtr<IUnknown> control;
    ASSERT_EQ(::CoCreateInstance(CLSID_VadAZ2, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, control.PutVoid()), S_OK);
    ComPtr<IDispatch> map;
    ASSERT_EQ(control->QueryInterface(IID_IDispatch, map.PutVoid()), S_OK);
    EXPECT_EQ(Call(map.Get(), kSetDatasetVisible, {Text(kSeriesA), Variant(0L)}), S_OK);
    EXPECT_EQ(Call(map.Get(), kNotifyChange, {Text(kSeriesA), Variant(0L), Variant(static_cast<IDispatch*>(nullptr)),
                                              Missing()}),
              S_OK);
    EXPECT_EQ(Call(map.Get(), kRemoveDataset, {Text(kSeriesA), Missing()}), E_UNEXPECTED);
    EXPECT_EQ(Call(map.Get(), kNotifySelectionChange, {Text(kSeriesA)}), E_UNEXPECTED);
    EXPECT_EQ(Call(map.Get(), kCreateMultiDMapping,
                   {Variant(static_cast<IDispatch*>(nullptr)), Text(kSeriesA), Variant(static_cast<IDispatch*>(nullptr))}),
              E_UNEXPECTED);
    ComPtr<IZmaVadAZ> typed;
    ASSERT_EQ(control->QueryInterface(IID_IZmaVadAZ, typed.PutVoid()), S_OK);
    typed->PreDestroy();
}

}  // namespace
