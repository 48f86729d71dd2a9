// The print-settings service and the print legend.
#include "tests/standins/host/HostTestSupport.h"

#include <olectl.h>

using hosttest::Create;
using hosttest::Query;
using platform::Bstr;
using platform::ComPtr;
using platform::Variant;

namespace {

const wchar_t kCustom[] = L"terravex://Map/Printing/Layouts/customQuickPrintLayout.xml";

class PrintSettingsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ComPtr<IHostPackageTest> package = Create<IHostPackageTest>(CLSID_HostPackageManager);
        ASSERT_TRUE(package);
        Bstr folder(writable_.Path());
        ASSERT_EQ(package->put_WritableRoot(folder.Get()), S_OK);
        settings_ = Create<IMapPrintSettings>(CLSID_MapPrintSettings);
        ASSERT_TRUE(settings_);
    }
    void TearDown() override {
        ComPtr<IHostPackageTest> package = Create<IHostPackageTest>(CLSID_HostPackageManager);
        Bstr none;
        if (package) package->put_WritableRoot(none.Get());
    }

    VARIANT_BOOL Load(IMapPrintSettings* s, const Variant& source) {
        VARIANT_BOOL loaded = VARIANT_FALSE;
        EXPECT_EQ(s->Load(source, &loaded), S_OK);
        return loaded;
    }

    // Changes every value away from the default layout.
    void ChangeEverything(IMapPrintSettings* s) {
        ASSERT_EQ(s->put_PrintTitle(VARIANT_FALSE), S_OK);
        ASSERT_EQ(s->put_PrintTitleBorder(VARIANT_TRUE), S_OK);
        ASSERT_EQ(s->put_TitleAlignment(Variant(L"right")), S_OK);
        ASSERT_EQ(s->put_PositionTitleAboveMap(VARIANT_FALSE), S_OK);
        ASSERT_EQ(s->put_LeftMargin(1234), S_OK);
        ASSERT_EQ(s->put_TopMargin(2345), S_OK);
        ASSERT_EQ(s->put_RightMargin(3456), S_OK);
        ASSERT_EQ(s->put_BottomMargin(4567), S_OK);
        ASSERT_EQ(s->put_PrintLegend(VARIANT_FALSE), S_OK);
        ASSERT_EQ(s->put_FixedLegendSize(VARIANT_TRUE), S_OK);
        ASSERT_EQ(s->put_LegendPosition(135), S_OK);
        ASSERT_EQ(s->put_MapSize(2), S_OK);
        ASSERT_EQ(s->put_ContentCentered(VARIANT_FALSE), S_OK);
        ASSERT_EQ(s->put_PrintMapBorder(VARIANT_FALSE), S_OK);
        ASSERT_EQ(s->put_Width(10160), S_OK);
        ASSERT_EQ(s->put_Height(7777), S_OK);
        ASSERT_EQ(s->put_ScaleDenominator(49999), S_OK);
        ASSERT_EQ(s->put_TitleFontColor(0x00FF8000), S_OK);
        ASSERT_EQ(s->put_OrientationLandscape(1), S_OK);
        ComPtr<IFont> font;
        ASSERT_EQ(s->get_TitleFont(font.Put()), S_OK);
        Bstr name(L"Courier New");
        ASSERT_EQ(font->put_Name(name.Get()), S_OK);
        CY size;
        size.int64 = 105000;  // 10.5 points
        ASSERT_EQ(font->put_Size(size), S_OK);
        ASSERT_EQ(font->put_Italic(TRUE), S_OK);
        ASSERT_EQ(font->put_Bold(FALSE), S_OK);
    }

    hosttest::ScratchFolder writable_;
    ComPtr<IMapPrintSettings> settings_;
};

TEST_F(PrintSettingsTest, GetsAnswerTheLastPutAndTheFontChangesInPlace) {
    ChangeEverything(settings_.Get());
    VARIANT_BOOL flag = VARIANT_TRUE;
    long value = 0;
    EXPECT_EQ(settings_->get_PrintTitle(&flag), S_OK);
    EXPECT_EQ(flag, VARIANT_FALSE);
    EXPECT_EQ(settings_->get_FixedLegendSize(&flag), S_OK);
    EXPECT_EQ(flag, VARIANT_TRUE);
    EXPECT_EQ(settings_->get_LeftMargin(&value), S_OK);
    EXPECT_EQ(value, 1234);
    EXPECT_EQ(settings_->get_BottomMargin(&value), S_OK);
    EXPECT_EQ(value, 4567);
    EXPECT_EQ(settings_->get_LegendPosition(&value), S_OK);
    EXPECT_EQ(value, 135);
    EXPECT_EQ(settings_->get_ScaleDenominator(&value), S_OK);
    EXPECT_EQ(value, 49999);
    EXPECT_EQ(settings_->get_OrientationLandscape(&value), S_OK);
    EXPECT_EQ(value, 1);
    OLE_COLOR colour = 0;
    EXPECT_EQ(settings_->get_TitleFontColor(&colour), S_OK);
    EXPECT_EQ(colour, 0x00FF8000u);
    Variant alignment;
    EXPECT_EQ(settings_->get_TitleAlignment(alignment.Put()), S_OK);
    EXPECT_EQ(alignment.ToWide(), L"right");

    // The font is one object that callers change in place.
    ComPtr<IFont> font, again;
    ASSERT_EQ(settings_->get_TitleFont(font.Put()), S_OK);
    ASSERT_EQ(settings_->get_TitleFont(again.Put()), S_OK);
    EXPECT_EQ(font.Get(), again.Get());
    BOOL italic = FALSE;
    ASSERT_EQ(again->get_Italic(&italic), S_OK);
    EXPECT_TRUE(italic);
    EXPECT_EQ(settings_->get_PrintTitle(nullptr), E_POINTER);
}

TEST_F(PrintSettingsTest, SaveThenLoadRestoresEveryValue) {
    ChangeEverything(settings_.Get());
    ASSERT_EQ(settings_->Save(Variant(kCustom)), S_OK);
    EXPECT_TRUE(hosttest::FileExists(writable_.Path() + L"\\Map\\Printing\\Layouts\\customQuickPrintLayout.xml"));

    ComPtr<IMapPrintSettings> other = Create<IMapPrintSettings>(CLSID_MapPrintSettings);
    ASSERT_EQ(Load(other.Get(), Variant(kCustom)), VARIANT_TRUE);
    Bstr saved, restored;
    ASSERT_EQ(settings_->get_LayoutXml(saved.Put()), S_OK);
    ASSERT_EQ(other->get_LayoutXml(restored.Put()), S_OK);
    EXPECT_EQ(restored.Wide(), saved.Wide());

    long value = 0;
    EXPECT_EQ(other->get_Height(&value), S_OK);
    EXPECT_EQ(value, 7777);
    ComPtr<IFont> font;
    ASSERT_EQ(other->get_TitleFont(font.Put()), S_OK);
    CY size = {};
    BOOL italic = FALSE, bold = TRUE;
    font->get_Size(&size);
    font->get_Italic(&italic);
    font->get_Bold(&bold);
    EXPECT_EQ(size.int64, 105000);
    EXPECT_TRUE(italic);
    EXPECT_FALSE(bold);

    // The text form loads as well.
    ComPtr<IMapPrintSettings> third = Create<IMapPrintSettings>(CLSID_MapPrintSettings);
    VARIANT_BOOL loaded = VARIANT_FALSE;
    ASSERT_EQ(third->LoadXml(saved.Get(), &loaded), S_OK);
    EXPECT_EQ(loaded, VARIANT_TRUE);
    EXPECT_EQ(third->get_Width(&value), S_OK);
    EXPECT_EQ(value, 10160);
}

TEST_F(PrintSettingsTest, LoadsDefaultsShippedLayoutsAndReportsWhatItCannotLoad) {
    ChangeEverything(settings_.Get());
    EXPECT_EQ(Load(settings_.Get(), Variant(L"terravex://Map/Printing/Layouts/NoSuchLayout.xml")), VARIANT_FALSE);
    long value = 0;
    EXPECT_EQ(settings_->get_LeftMargin(&value), S_OK);
    EXPECT_EQ(value, 1234);  // a failed load changes nothing

    EXPECT_EQ(Load(settings_.Get(), Variant(0L)), VARIANT_TRUE);
    EXPECT_EQ(settings_->get_LeftMargin(&value), S_OK);
    EXPECT_EQ(value, 1000);

    EXPECT_EQ(Load(settings_.Get(), Variant(L"terravex://Map/Printing/Layouts/defaultLandscapeMapPrintLayout.xml")),
              VARIANT_TRUE);
    EXPECT_EQ(settings_->get_OrientationLandscape(&value), S_OK);
    EXPECT_EQ(value, 1);
    EXPECT_EQ(Load(settings_.Get(), Variant(L"terravex://Map/Printing/Layouts/defaultPortraitMapPrintLayout.xml")),
              VARIANT_TRUE);
    EXPECT_EQ(settings_->get_OrientationLandscape(&value), S_OK);
    EXPECT_EQ(value, 0);

    VARIANT_BOOL loaded = VARIANT_TRUE;
    Bstr garbage(L"<notALayout/>"), broken(L"<MapPrintLayout");
    EXPECT_EQ(settings_->LoadXml(garbage.Get(), &loaded), S_OK);
    EXPECT_EQ(loaded, VARIANT_FALSE);
    EXPECT_EQ(settings_->LoadXml(broken.Get(), &loaded), S_OK);
    EXPECT_EQ(loaded, VARIANT_FALSE);
    EXPECT_EQ(settings_->Load(Variant(1L), &loaded), E_INVALIDARG);
    EXPECT_EQ(settings_->FinishDefaultLayout(), S_OK);
}

TEST_F(PrintSettingsTest, ASaveToTheDriveRootLandsInTheWritableFolderAndIsLogged) {
    hosttest::ClearCalls(settings_.Get());
    ASSERT_EQ(settings_->Save(Variant(L"\\retrieved.xml")), S_OK);
    EXPECT_TRUE(hosttest::FileExists(writable_.Path() + L"\\retrieved.xml"));
    std::vector<std::wstring> calls = hosttest::Calls(settings_.Get());
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0], L"Save(\\retrieved.xml)");

    hosttest::ScopedFaults faults(L"printsettings.Save=0x80070005");
    ComPtr<IMapPrintSettings> faulty = Create<IMapPrintSettings>(CLSID_MapPrintSettings);
    EXPECT_EQ(faulty->Save(Variant(kCustom)), E_ACCESSDENIED);
}

struct SeriesState {
    bool present;
    bool checked;
    long visibility;
    std::wstring text;
};

SeriesState StateOf(IHostLegendTest* legend, const wchar_t* guid) {
    Bstr g(guid), text;
    VARIANT_BOOL present = VARIANT_FALSE, checked = VARIANT_FALSE;
    long visibility = -5;
    EXPECT_EQ(legend->GetSeries(g.Get(), &present, &checked, &visibility, text.Put()), S_OK);
    return {present == VARIANT_TRUE, checked == VARIANT_TRUE, visibility, text.Wide()};
}

TEST(PrintLegend, KeepsWhatTheControlTellsItPerSeries) {
    ComPtr<IHostPrintLegend> legend = Create<IHostPrintLegend>(CLSID_HostPrintLegend);
    ASSERT_TRUE(legend);
    ComPtr<IHostLegendTest> test = Query<IHostLegendTest>(legend);
    Bstr a(L"{A}"), b(L"{B}"), text(L"RxLev (dBm)");
    Variant missing;
    missing.vt = VT_ERROR;
    missing.scode = DISP_E_PARAMNOTFOUND;
    ASSERT_EQ(legend->AddSeries(nullptr, a.Get(), nullptr), S_OK);
    ASSERT_EQ(legend->AddSeries(nullptr, b.Get(), nullptr), S_OK);
    ASSERT_EQ(legend->SetCheckBox(a.Get(), VARIANT_FALSE), S_OK);
    ASSERT_EQ(legend->SetVisibility(a.Get(), 0), S_OK);
    ASSERT_EQ(legend->SetLegendText(b.Get(), text.Get()), S_OK);
    ASSERT_EQ(legend->RemoveSeries(b.Get(), missing), S_OK);

    SeriesState sa = StateOf(test.Get(), L"{A}"), sb = StateOf(test.Get(), L"{B}");
    EXPECT_TRUE(sa.present);
    EXPECT_FALSE(sa.checked);
    EXPECT_EQ(sa.visibility, 0);
    EXPECT_FALSE(sb.present);
    EXPECT_EQ(sb.text, L"RxLev (dBm)");
    EXPECT_FALSE(StateOf(test.Get(), L"{C}").present);

    std::vector<std::wstring> calls = hosttest::Calls(legend.Get());
    ASSERT_EQ(calls.size(), 6u);
    EXPECT_EQ(calls[5], L"RemoveSeries({B}, <missing>)");
}

TEST(PrintLegend, FillsTheDimensionTheCallerLeavesOpenAndDrawsItself) {
    ComPtr<IHostPrintLegend> legend = Create<IHostPrintLegend>(CLSID_HostPrintLegend);
    ASSERT_TRUE(legend);
    for (const wchar_t* g : {L"{1}", L"{2}", L"{3}"}) {
        Bstr guid(g);
        ASSERT_EQ(legend->AddSeries(nullptr, guid.Get(), nullptr), S_OK);
    }
    // A column beside the map: the height is the limit, two columns of lines are needed.
    long width = 0, height = 1000;
    ASSERT_EQ(legend->Measure(nullptr, &width, &height), S_OK);
    EXPECT_EQ(height, 1000);
    EXPECT_GT(width, 0);
    long oneColumn = 0, tall = 100000;
    ASSERT_EQ(legend->Measure(nullptr, &oneColumn, &tall), S_OK);
    EXPECT_LT(oneColumn, width);
    // Rows above or below: the width is the limit.
    long wide = 100000, rows = 0, narrow = 1, manyRows = 0;
    ASSERT_EQ(legend->Measure(nullptr, &wide, &rows), S_OK);
    ASSERT_EQ(legend->Measure(nullptr, &narrow, &manyRows), S_OK);
    EXPECT_GT(rows, 0);
    EXPECT_GT(manyRows, rows);

    ASSERT_EQ(legend->SetArrangement(2), S_OK);
    long arrangement = 0;
    ASSERT_EQ(Query<IHostLegendTest>(legend)->get_Arrangement(&arrangement), S_OK);
    EXPECT_EQ(arrangement, 2);

    EXPECT_GT(hosttest::InkAfter(120, 90, [&](HDC dc) { EXPECT_EQ(legend->Draw(dc, 5, 5, 110, 80), S_OK); }), 0);
    EXPECT_GT(hosttest::InkAfter(120, 90, [&](HDC dc) {
                  EXPECT_EQ(legend->DrawFixed(dc, 5, 5, 110, 80, -1, 0, 1), S_OK);
              }),
              0);
    ComPtr<IViewObjectEx> view = Query<IViewObjectEx>(legend);
    ASSERT_TRUE(view);
    RECTL bounds = {0, 0, 100, 60};
    EXPECT_GT(hosttest::InkAfter(100, 60, [&](HDC dc) {
                  EXPECT_EQ(view->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, dc, &bounds, nullptr, nullptr, 0),
                            S_OK);
              }),
              0);
    EXPECT_EQ(legend->Draw(nullptr, 0, 0, 10, 10), E_INVALIDARG);
}

}  // namespace
