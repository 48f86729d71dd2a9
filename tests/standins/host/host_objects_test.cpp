// Objects the host hands to the control: the screen legend, the label style, the string list,
// the region set and the attribute collection.
#include "tests/standins/host/HostTestSupport.h"

#include "platform/Dispatch.h"

#include <olectl.h>

using hosttest::Create;
using hosttest::Query;
using platform::Bstr;
using platform::ComPtr;
using platform::Variant;

namespace {

Variant Missing() {
    Variant v;
    v.vt = VT_ERROR;
    v.scode = DISP_E_PARAMNOTFOUND;
    return v;
}

DISPID IdOf(IDispatch* d, const wchar_t* name) {
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    DISPID id = DISPID_UNKNOWN;
    EXPECT_EQ(d->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id), S_OK) << name;
    return id;
}

TEST(Legend, AnswersTheInterfacesTheControlQueriesFromWhatItKeeps) {
    ComPtr<IUnknown> host = Create<IUnknown>(CLSID_HostLegend);
    ASSERT_TRUE(host);
    ComPtr<IHostVOLegend> kept = Query<IHostVOLegend>(host);
    ASSERT_TRUE(kept);
    ComPtr<IHostLegendSeries> series = Query<IHostLegendSeries>(kept);
    ComPtr<IHostLegendText> texts = Query<IHostLegendText>(kept);
    ComPtr<IHostLegendTest> test = Query<IHostLegendTest>(kept);
    ASSERT_TRUE(series && texts && test);

    Bstr a(L"{S1}"), b(L"{S2}"), label(L"Serving RxLev"), text;
    ASSERT_EQ(test->AddSeries(a.Get(), label.Get()), S_OK);
    ASSERT_EQ(texts->GetSeriesText(a.Get(), text.Put()), S_OK);
    EXPECT_EQ(text.Wide(), L"Serving RxLev");
    EXPECT_EQ(texts->GetSeriesText(b.Get(), text.Put()), E_INVALIDARG);

    ASSERT_EQ(series->SetCheckBox(a.Get(), VARIANT_FALSE), S_OK);
    VARIANT_BOOL present = VARIANT_FALSE, checked = VARIANT_TRUE;
    long visibility = 0;
    ASSERT_EQ(test->GetSeries(a.Get(), &present, &checked, &visibility, text.Put()), S_OK);
    EXPECT_EQ(present, VARIANT_TRUE);
    EXPECT_EQ(checked, VARIANT_FALSE);

    ASSERT_EQ(series->RemoveSeries(a.Get(), Missing()), S_OK);
    EXPECT_EQ(texts->GetSeriesText(a.Get(), text.Put()), E_INVALIDARG);
    std::vector<std::wstring> calls = hosttest::Calls(host.Get());
    ASSERT_EQ(calls.size(), 5u);
    EXPECT_EQ(calls[1], L"GetSeriesText({S2})");
    EXPECT_EQ(calls[2], L"SetCheckBox({S1}, 0)");
    EXPECT_EQ(calls[3], L"RemoveSeries({S1}, <missing>)");

    // The late-bound path reaches the same members.
    IDispatch* dispatch = series.Get();
    Variant args[2];
    args[1] = Variant(L"{S1}");
    args[0] = Variant(true);
    EXPECT_EQ(platform::InvokeByDispid(dispatch, IdOf(dispatch, L"SetCheckBox"), DISPATCH_METHOD, args, 2, nullptr), S_OK);
    ASSERT_EQ(test->GetSeries(a.Get(), &present, &checked, &visibility, text.Put()), S_OK);
    EXPECT_EQ(checked, VARIANT_TRUE);
}

TEST(LabelStyle, KeepsItsFontColoursAndFlags) {
    ComPtr<IHostLabelStyle> style = Create<IHostLabelStyle>(CLSID_HostLabelStyle);
    ASSERT_TRUE(style);
    ComPtr<IFont> font;
    ASSERT_EQ(style->get_Font(font.Put()), S_OK);
    ASSERT_TRUE(font);
    ComPtr<IFont> clone;
    ASSERT_EQ(font->Clone(clone.Put()), S_OK);
    Bstr name(L"Times New Roman");
    ASSERT_EQ(clone->put_Name(name.Get()), S_OK);
    ASSERT_EQ(style->putref_Font(clone.Get()), S_OK);
    ComPtr<IFont> again;
    ASSERT_EQ(style->get_Font(again.Put()), S_OK);
    EXPECT_EQ(again.Get(), clone.Get());
    EXPECT_EQ(style->putref_Font(nullptr), E_POINTER);

    ASSERT_EQ(style->put_TextColor(0x0000FF), S_OK);
    ASSERT_EQ(style->put_BackColor(0x00FF00), S_OK);
    ASSERT_EQ(style->put_Opaque(VARIANT_TRUE), S_OK);
    ASSERT_EQ(style->put_Halo(VARIANT_TRUE), S_OK);
    ASSERT_EQ(style->put_AllCaps(VARIANT_TRUE), S_OK);
    OLE_COLOR colour = 0;
    VARIANT_BOOL flag = VARIANT_FALSE;
    EXPECT_EQ(style->get_TextColor(&colour), S_OK);
    EXPECT_EQ(colour, 0x0000FFu);
    EXPECT_EQ(style->get_BackColor(&colour), S_OK);
    EXPECT_EQ(colour, 0x00FF00u);
    EXPECT_EQ(style->get_Opaque(&flag), S_OK);
    EXPECT_EQ(flag, VARIANT_TRUE);
    EXPECT_EQ(style->get_Shadow(&flag), S_OK);
    EXPECT_EQ(flag, VARIANT_FALSE);
    EXPECT_EQ(style->get_DoubleSpace(&flag), S_OK);
    EXPECT_EQ(flag, VARIANT_FALSE);

    // Through IDispatch, as script hosts and the type information see it.
    ComPtr<IDispatch> dispatch = Query<IDispatch>(style);
    Variant shadow(true);
    EXPECT_EQ(platform::InvokeByDispid(dispatch.Get(), IdOf(dispatch.Get(), L"Shadow"), DISPATCH_PROPERTYPUT, &shadow,
                                       1, nullptr),
              S_OK);
    EXPECT_EQ(style->get_Shadow(&flag), S_OK);
    EXPECT_EQ(flag, VARIANT_TRUE);
}

TEST(LabelStyle, DrawsTextAtAPointWithARotation) {
    ComPtr<IHostLabelStyle> style = Create<IHostLabelStyle>(CLSID_HostLabelStyle);
    ASSERT_TRUE(style);
    Bstr text(L"Cell 17");
    int level = hosttest::InkAfter(80, 80, [&](HDC dc) {
        EXPECT_EQ(style->DrawText(static_cast<OLE_HANDLE>(reinterpret_cast<UINT_PTR>(dc)), 10, 40, 0.0, text.Get()), S_OK);
    });
    int turned = hosttest::InkAfter(80, 80, [&](HDC dc) {
        EXPECT_EQ(style->DrawText(static_cast<OLE_HANDLE>(reinterpret_cast<UINT_PTR>(dc)), 40, 70, 90.0, text.Get()),
                  S_OK);
    });
    EXPECT_GT(level, 0);
    EXPECT_GT(turned, 0);
    EXPECT_EQ(style->DrawText(0, 0, 0, 0.0, text.Get()), E_INVALIDARG);
}

TEST(StringList, CountsAndHandsOutItemsFromZero) {
    ComPtr<IHostStringList> list = Create<IHostStringList>(CLSID_HostStringList);
    ASSERT_TRUE(list);
    ASSERT_EQ(list->Add(Variant(L"{G1}"), Missing(), Missing()), S_OK);
    ASSERT_EQ(list->Add(Variant(L"{G2}"), Missing(), Missing()), S_OK);
    ASSERT_EQ(list->Add(Variant(42L), Variant(L"k"), Missing()), S_OK);
    ASSERT_EQ(list->Add(Variant(43L), Variant(L"k"), Missing()), S_OK);  // equal keys are accepted
    long count = 0;
    ASSERT_EQ(list->get_Count(&count), S_OK);
    EXPECT_EQ(count, 4);
    Variant item;
    ASSERT_EQ(list->Item(Variant(0L), item.Put()), S_OK);
    EXPECT_EQ(item.ToWide(), L"{G1}");
    ASSERT_EQ(list->Item(Variant(L"2"), item.Put()), S_OK);
    EXPECT_EQ(item.vt, VT_I4);
    EXPECT_EQ(item.lVal, 42);
    EXPECT_EQ(list->Item(Variant(4L), item.Put()), DISP_E_BADINDEX);
    EXPECT_EQ(list->Item(Variant(-1L), item.Put()), DISP_E_BADINDEX);
    ASSERT_EQ(list->Clear(), S_OK);
    ASSERT_EQ(list->get_Count(&count), S_OK);
    EXPECT_EQ(count, 0);

    std::vector<std::wstring> calls = hosttest::Calls(list.Get());
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(calls[0], L"Add({G1}, <missing>, <missing>)");
}

TEST(RegionSet, BuildsRegionsOfPolygonsAndEmptiesThem) {
    ComPtr<IRegionSet> set = Create<IRegionSet>(CLSID_HostRegionSet);
    ASSERT_TRUE(set);
    ComPtr<IUnknown> unknown;
    ASSERT_EQ(set->AddRegion(IID_IRegion, unknown.Put()), S_OK);
    ComPtr<IRegion> region = Query<IRegion>(unknown);
    ASSERT_EQ(region->AddPolygon(IID_IRegionPolygon, unknown.Put()), S_OK);
    ComPtr<IRegionPolygon> polygon = Query<IRegionPolygon>(unknown);
    const double ring[][2] = {{10.0, 50.0}, {11.0, 50.0}, {11.0, 51.0}, {10.0, 50.0}};
    for (const auto& p : ring) ASSERT_EQ(polygon->AppendPoint(p[0], p[1]), S_OK);
    ASSERT_EQ(set->AddRegion(IID_IRegion, unknown.Put()), S_OK);

    unsigned long count = 0;
    ASSERT_EQ(set->GetCount(&count), S_OK);
    EXPECT_EQ(count, 2u);
    ASSERT_EQ(set->GetRegion(0, IID_IRegion, unknown.Put()), S_OK);
    ComPtr<IRegion> first = Query<IRegion>(unknown);
    ASSERT_EQ(first->GetCount(&count), S_OK);
    EXPECT_EQ(count, 1u);
    ASSERT_EQ(first->GetPolygon(0, IID_IRegionPolygon, unknown.Put()), S_OK);
    ComPtr<IRegionPolygon> read = Query<IRegionPolygon>(unknown);
    ASSERT_EQ(read->GetCount(&count), S_OK);
    EXPECT_EQ(count, 4u);
    double lat = 0, lon = 0;
    ASSERT_EQ(read->GetLatitude(2, &lat), S_OK);
    ASSERT_EQ(read->GetLongitude(2, &lon), S_OK);
    EXPECT_EQ(lat, 51.0);
    EXPECT_EQ(lon, 11.0);
    EXPECT_EQ(read->GetLatitude(4, &lat), E_INVALIDARG);
    EXPECT_EQ(set->GetRegion(2, IID_IRegion, unknown.Put()), E_INVALIDARG);
    EXPECT_EQ(set->AddRegion(IID_IRegionPolygon, unknown.Put()), E_NOINTERFACE);

    ASSERT_EQ(set->RemoveAll(), S_OK);
    ASSERT_EQ(set->GetCount(&count), S_OK);
    EXPECT_EQ(count, 0u);
}

TEST(Attributes, HandOutAttributesByNameWithTheirArrayFlag) {
    ComPtr<IHostAttributes> attributes = Create<IHostAttributes>(CLSID_HostAttributes);
    ASSERT_TRUE(attributes);
    ComPtr<IHostAttributesSetup> setup = Query<IHostAttributesSetup>(attributes);
    Bstr single(L"ServingRxLev"), perNeighbour(L"NeighborRxLev_");
    ASSERT_EQ(setup->AddAttribute(single.Get(), VARIANT_FALSE), S_OK);
    ASSERT_EQ(setup->AddAttribute(perNeighbour.Get(), VARIANT_TRUE), S_OK);

    ComPtr<IHostAttribute> attribute;
    VARIANT_BOOL isArray = VARIANT_TRUE;
    ASSERT_EQ(attributes->Item(Variant(L"ServingRxLev"), attribute.Put()), S_OK);
    ASSERT_EQ(attribute->IsArray(&isArray), S_OK);
    EXPECT_EQ(isArray, VARIANT_FALSE);
    ASSERT_EQ(attributes->Item(Variant(L"NeighborRxLev_"), attribute.Put()), S_OK);
    ASSERT_EQ(attribute->IsArray(&isArray), S_OK);
    EXPECT_EQ(isArray, VARIANT_TRUE);
    Bstr name;
    ASSERT_EQ(attribute->GetName(name.Put()), S_OK);
    EXPECT_EQ(name.Wide(), L"NeighborRxLev_");

    EXPECT_TRUE(FAILED(attributes->Item(Variant(L"Unknown"), attribute.Put())));
    EXPECT_FALSE(attribute);
    EXPECT_EQ(attributes->Item(Variant(1L), attribute.Put()), DISP_E_TYPEMISMATCH);
    // Handed to the attribute picker as IDispatch.
    EXPECT_TRUE(Query<IDispatch>(attributes));
}

}  // namespace
