// Layer automation as a host uses it: showing and hiding the map, a temporary table opened,
// replaced and removed, layers brought to the top, a dataset replaced, annotations cleared, the
// view locked against selections, the host's attributes object handed over, and the layers that
// datasets bring: each draws its own rows.
#include "tests/control/MapSiteFixture.h"
#include "tests/support/TestSupport.h"

#include "ZmaVOMap2/engine/EngineMembers.h"

#include <algorithm>

using platform::Bstr;
using platform::ComPtr;
using platform::Variant;
using namespace displaytest;

namespace sitetest {
namespace {

constexpr wchar_t kFirst[] = L"{3A1B2C3D-0001-4E5F-8A9B-0C1D2E3F4A5B}";
constexpr wchar_t kSecond[] = L"{3A1B2C3D-0002-4E5F-8A9B-0C1D2E3F4A5B}";

class LayerMembers : public MapSiteTest {
protected:
    std::vector<double> Bounds() {
        Variant bounds = Get(map_.Get(), 29);
        return {Get(bounds.pdispVal, 1).ToDouble(), Get(bounds.pdispVal, 2).ToDouble(), Get(bounds.pdispVal, 3).ToDouble(),
                Get(bounds.pdispVal, 4).ToDouble()};
    }
    bool Contains(const std::vector<double>& b, const MapPoint& p) {
        return b[0] <= p.x && p.x <= b[2] && b[1] <= p.y && p.y <= b[3];
    }
    ComPtr<IDispatch> EngineLayer(const std::wstring& name) {
        Variant layers = Get(map_.Get(), 5), layer;
        if (FAILED(Invoke(layers.pdispVal, 6, DISPATCH_METHOD | DISPATCH_PROPERTYGET, {Text(name.c_str())}, &layer)))
            return nullptr;
        return ComPtr<IDispatch>(layer.pdispVal);
    }
    std::wstring ErrorText() {
        ComPtr<IErrorInfo> info;
        if (::GetErrorInfo(0, info.Put()) != S_OK || !info) return L"";
        BSTR text = nullptr;
        info->GetDescription(&text);
        return Bstr::Attach(text).Wide();
    }
    ComPtr<IDispatch> PointsAt(double x, double y, long rows) {
        ComPtr<IDispatch> dataset = NewDataset({{L"Latitude", 13}, {L"Longitude", 12}, {L"RxLev", 5}}, rows);
        for (long r = 0; r < rows; ++r) {
            SetValue(dataset.Get(), r, L"Longitude", Variant(x + r * 0.0005));
            SetValue(dataset.Get(), r, L"Latitude", Variant(y));
            SetValue(dataset.Get(), r, L"RxLev", Variant(-70.0));
        }
        return dataset;
    }
};

TEST_F(LayerMembers, SetVisibleShowsAndHidesTheMapAndOnlyVariantTrueCountsAsTrue) {
    HWND window = EngineWindow();
    auto shown = [&] { return (::GetWindowLongW(window, GWL_STYLE) & WS_VISIBLE) != 0; };
    ASSERT_TRUE(shown());
    EXPECT_EQ(control_->SetVisible(static_cast<VARIANT_BOOL>(1)), S_OK);
    EXPECT_FALSE(shown());
    EXPECT_EQ(control_->SetVisible(static_cast<VARIANT_BOOL>(1)), S_OK);
    EXPECT_FALSE(shown());
    EXPECT_EQ(control_->SetVisible(VARIANT_TRUE), S_OK);
    EXPECT_TRUE(shown());
    EXPECT_EQ(control_->SetVisible(VARIANT_TRUE), S_OK);
    EXPECT_TRUE(shown());
}

TEST_F(LayerMembers, ATemporaryTableIsOpenedUnselectableZoomedToAndReplacedByTheNext) {
    const std::wstring first = WriteTable(L"tempA", {{11.0, 51.0}, {11.2, 51.1}});
    const std::wstring second = WriteTable(L"tempB", {{-3.0, 40.0}, {-2.9, 40.05}});
    const size_t before = EngineLayerNames().size();

    ASSERT_EQ(control_->AddTemporaryTabLayer(Bstr(first).Get()), S_OK);
    auto names = EngineLayerNames();
    ASSERT_EQ(names.size(), before + 1);
    ComPtr<IDispatch> layer = EngineLayer(names.front());
    EXPECT_FALSE(Get(layer.Get(), 3).ToBool());  // not selectable
    EXPECT_TRUE(Contains(Bounds(), {11.1, 51.05}));

    ASSERT_EQ(control_->AddTemporaryTabLayer(Bstr(second).Get()), S_OK);
    names = EngineLayerNames();
    EXPECT_EQ(names.size(), before + 1);
    EXPECT_TRUE(Contains(Bounds(), {-2.95, 40.02}));
    EXPECT_FALSE(Contains(Bounds(), {11.1, 51.05}));

    EXPECT_EQ(control_->RemoveTemporaryTabLayer(), S_OK);
    EXPECT_EQ(EngineLayerNames().size(), before);
    EXPECT_EQ(control_->RemoveTemporaryTabLayer(), S_FALSE);
}

TEST_F(LayerMembers, MoveLayerToTopFindsByKeyOrNameAndRefusesTheUnknown) {
    ASSERT_EQ(control_->DisplayDataset(PointsAt(10.0, 50.0, 3).Get(), Variant(L"RxLev"), Bstr(kFirst).Get()), S_OK);
    ASSERT_EQ(control_->DisplayDataset(PointsAt(10.0, 50.002, 3).Get(), Variant(L"RxLev"), Bstr(kSecond).Get()), S_OK);
    const std::wstring top = EngineLayerNames().front();
    const std::wstring table = WriteTable(L"tempTop", {{10.0, 50.0}});
    ASSERT_EQ(control_->AddTemporaryTabLayer(Bstr(table).Get()), S_OK);
    const std::wstring tableName = EngineLayerNames().front();

    EXPECT_EQ(control_->MoveLayerToTop(Bstr(kFirst).Get()), S_OK);
    const std::wstring firstName = EngineLayerNames().front();
    EXPECT_NE(firstName, tableName);
    EXPECT_EQ(control_->MoveLayerToTop(Bstr(tableName).Get()), S_OK);
    EXPECT_EQ(EngineLayerNames().front(), tableName);

    EXPECT_EQ(control_->MoveLayerToTop(Bstr(L"{00000000-0000-0000-0000-000000000000}").Get()), E_FAIL);
    EXPECT_FALSE(ErrorText().empty());
    EXPECT_EQ(control_->MoveLayerToTop(Bstr(L"").Get()), E_FAIL);
    (void)top;
}

TEST_F(LayerMembers, UpdateDatasetReplacesTheRowsOfTheSeriesAndAnEmptyKeyMatchesNothing) {
    ShowArea(9.99, 49.99, 10.01, 50.01);
    const MapPoint a = ToMap(100, 100), b = ToMap(300, 200);
    ASSERT_EQ(control_->DisplayDataset(PointsAt(a.x, a.y, 1).Get(), Variant(L"RxLev"), Bstr(kFirst).Get()), S_OK);
    ShowArea(9.99, 49.99, 10.01, 50.01);
    DrawView();
    const COLORREF background = Pixel(5, 5);
    const COLORREF symbol = Pixel(100, 100);
    EXPECT_NE(symbol, background);
    EXPECT_EQ(Pixel(300, 200), background);

    ComPtr<IDispatch> moved = PointsAt(b.x, b.y, 1);
    EXPECT_EQ(control_->UpdateDataset(Bstr(L"").Get(), moved.Get()), E_FAIL);
    EXPECT_EQ(control_->UpdateDataset(Bstr(kSecond).Get(), moved.Get()), E_FAIL);
    DrawView();
    EXPECT_EQ(Pixel(100, 100), symbol);

    EXPECT_EQ(control_->UpdateDataset(Bstr(kFirst).Get(), moved.Get()), S_OK);
    DrawView();
    EXPECT_EQ(Pixel(300, 200), symbol);
    EXPECT_EQ(Pixel(100, 100), background);
}

TEST_F(LayerMembers, ClearAnnotationsEmptiesTheAnnotationsLayerAndTheMapsOwnAnnotations) {
    ComPtr<IDispatch> annotations = EngineLayer(L"Annotations");
    ASSERT_TRUE(annotations);
    Variant factory = Get(map_.Get(), 49), point, text;
    CLSID pointClass = {0x968303A6, 0x8F18, 0x11D0, {0x87, 0x96, 0x00, 0xAA, 0x00, 0xB7, 0xEF, 0x73}};
    ComPtr<IDispatch> at;
    ASSERT_EQ(::CoCreateInstance(pointClass, nullptr, CLSCTX_ALL, IID_IDispatch, at.PutVoid()), S_OK);
    Call(at.Get(), 3, {Variant(10.0), Variant(50.0)});
    for (int i = 0; i < 3; ++i) {
        ASSERT_EQ(Call(factory.pdispVal, 8, {Variant(at.Get()), Text(L"note")}, &text), S_OK);
        ASSERT_EQ(Call(annotations.Get(), 21, {text}), S_OK);
    }
    Variant own = Get(map_.Get(), 3);
    Call(own.pdispVal, 6, {Text(L"free"), Variant(10.0), Variant(50.0)});
    Variant all = Get(annotations.Get(), Engine::Layer::kAllFeatures);
    ASSERT_EQ(Get(all.pdispVal, 1).ToLong(), 3);

    EXPECT_EQ(control_->ClearAnnotations(), S_OK);
    all = Get(annotations.Get(), Engine::Layer::kAllFeatures);
    EXPECT_EQ(Get(all.pdispVal, 1).ToLong(), 0);
    EXPECT_EQ(Get(own.pdispVal, 2).ToLong(), 0);
}

TEST_F(LayerMembers, ALockedViewStaysWhereItIsWhenTheSelectionLiesOutside) {
    ComPtr<IDispatch> dataset = PointsAt(10.0, 50.0, 5);
    ASSERT_EQ(control_->DisplayDataset(dataset.Get(), Variant(L"RxLev"), Bstr(kFirst).Get()), S_OK);
    ShowArea(12.0, 52.0, 12.02, 52.02);
    DrawView();
    SelectRows(dataset.Get(), {2});
    ASSERT_EQ(control_->SetLockMapView(VARIANT_TRUE), S_OK);
    ASSERT_EQ(control_->NotifySelectionChange(Bstr(kFirst).Get()), S_OK);
    EXPECT_FALSE(Contains(Bounds(), {10.001, 50.0}));

    ASSERT_EQ(control_->SetLockMapView(static_cast<VARIANT_BOOL>(1)), S_OK);  // only VARIANT_TRUE locks
    DrawView();
    ASSERT_EQ(control_->NotifySelectionChange(Bstr(kFirst).Get()), S_OK);
    EXPECT_TRUE(Contains(Bounds(), {10.001, 50.0}));
}

TEST_F(LayerMembers, TheAttributesObjectMustOfferTheAttributesInterface) {
    EXPECT_EQ(control_->putref_Attributes(nullptr), E_POINTER);
    ComPtr<IDispatch> notAttributes = PointsAt(1, 1, 1);
    EXPECT_EQ(control_->putref_Attributes(notAttributes.Get()), E_NOINTERFACE);
    ComPtr<IDispatch> attributes;
    ASSERT_EQ(::CoCreateInstance(CLSID_HostAttributes, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, attributes.PutVoid()),
              S_OK);
    EXPECT_EQ(control_->putref_Attributes(attributes.Get()), S_OK);
    // Without an imagery layer there are no imagery properties to show.
    testsupport::RemoveBackgroundMap(unknown_.Get());
    EXPECT_EQ(control_->DisplayBackgroundMapLayerProperties(), S_FALSE);
}

// Two series showing fields of the same name: the engine asks each layer to draw by its name, so
// each has a name of its own, and each draws its own rows, also while the other is hidden.
TEST_F(LayerMembers, TwoSeriesOfOneFieldGetEngineLayersOfTheirOwnAndEachDrawsItsRows) {
    ShowArea(9.99, 49.99, 10.01, 50.01);
    const MapPoint a = ToMap(100, 100), b = ToMap(300, 200);
    ASSERT_EQ(control_->DisplayDataset(PointsAt(a.x, a.y, 1).Get(), Variant(L"RxLev"), Bstr(kFirst).Get()), S_OK);
    ASSERT_EQ(control_->DisplayDataset(PointsAt(b.x, b.y, 1).Get(), Variant(L"RxLev"), Bstr(kSecond).Get()), S_OK);
    ShowArea(9.99, 49.99, 10.01, 50.01);
    const std::vector<std::wstring> names = EngineLayerNames();
    EXPECT_EQ(std::count(names.begin(), names.end(), L"RxLev"), 1);
    EXPECT_EQ(std::count(names.begin(), names.end(), L"RxLev (2)"), 1);

    const struct {
        VARIANT_BOOL first, second;
    } shown[] = {{VARIANT_TRUE, VARIANT_TRUE}, {VARIANT_TRUE, 0}, {0, VARIANT_TRUE}};
    for (const auto& s : shown) {
        ASSERT_EQ(control_->SetDatasetVisible(Bstr(kFirst).Get(), s.first), S_OK);
        ASSERT_EQ(control_->SetDatasetVisible(Bstr(kSecond).Get(), s.second), S_OK);
        DrawView();
        const COLORREF background = Pixel(5, 5);
        EXPECT_EQ(Pixel(100, 100) != background, s.first != 0) << "first " << s.first << ", second " << s.second;
        EXPECT_EQ(Pixel(300, 200) != background, s.second != 0) << "first " << s.first << ", second " << s.second;
    }
}

// A cell-site dataset split by "LayerType": a layer per type, each drawing the sites of its type.
TEST_F(LayerMembers, CellSitesSplitByLayerTypeEachDrawTheSitesOfTheirType) {
    ShowArea(9.99, 49.99, 10.01, 50.01);
    const struct {
        POINT at;
        const wchar_t* type;
    } sites[] = {{{100, 100}, L"Macro"}, {{300, 200}, L"Indoor"}, {{200, 250}, L"Macro/Roof"}};
    ComPtr<IDispatch> dataset = NewDataset(
        {{L"Latitude", 13}, {L"Longitude", 12}, {L"Azimuth", 5}, {L"ElementHandle", 3}, {L"LayerType", 6}}, 3);
    for (long row = 0; row < 3; ++row) {
        const MapPoint p = ToMap(static_cast<float>(sites[row].at.x), static_cast<float>(sites[row].at.y));
        SetValue(dataset.Get(), row, L"Longitude", Variant(p.x));
        SetValue(dataset.Get(), row, L"Latitude", Variant(p.y));
        SetValue(dataset.Get(), row, L"Azimuth", Variant(90.0 * row));
        SetValue(dataset.Get(), row, L"ElementHandle", Variant(row + 1));
        SetValue(dataset.Get(), row, L"LayerType", Text(sites[row].type));
    }
    ASSERT_EQ(control_->CreateMultiDMapping(dataset.Get(), Bstr(kFirst).Get(),
                                            FieldConfiguration(L"CellRefs", {L"Azimuth"}).Get()),
              S_OK);
    const std::vector<std::wstring> names = EngineLayerNames();
    for (const wchar_t* type : {L"Azimuth:macro", L"Azimuth:indoor", L"Azimuth:macro_roof"})
        EXPECT_EQ(std::count(names.begin(), names.end(), type), 1) << platform::ToAnsi(type);

    // A site's symbol is drawn above its position, in the stand-in renderer's colour.
    auto drawn = [&](POINT at) { return Pixel(at.x, at.y - 6) == RGB(255, 0, 0); };
    DrawView();
    for (const auto& site : sites) EXPECT_TRUE(drawn(site.at)) << platform::ToAnsi(site.type);
    ASSERT_EQ(control_->SetDatasetVisible(Bstr(std::wstring(kFirst) + L"_macro").Get(), 0), S_OK);
    DrawView();
    EXPECT_FALSE(drawn(sites[0].at));
    EXPECT_TRUE(drawn(sites[1].at));
    EXPECT_TRUE(drawn(sites[2].at));
}

}  // namespace
}  // namespace sitetest
