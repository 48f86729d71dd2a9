// The control's print members as a host calls them: QuickPrint in each quick-print layout on the
// prefix's printer (kept for the picture judge with the layout a job of the same settings gets),
// Print with the map's title and without a printer, what QuickPrint refuses, the host's legends
// held however the host lets go of them, the layout switch, writes that must not land in another
// layout, reads that find no value, and the print-job properties.
#include "tests/printing/PrintFixture.h"

#include "ZmaVOMap2/printing/PrintJobPreparation.h"
#include "ZmaVOMap2/services/RegistrySettings.h"
#include "tests/control/ControlFixture.h"
#include "tests/datalayers/DisplayFixture.h"
#include "tests/support/DialogAnswerer.h"
#include "tests/support/ScriptHost.h"
#include "tests/support/TestSupport.h"

#include "platform/Result.h"

namespace printtest {
namespace {

using platform::Bstr;
using platform::Variant;

class PrintMembersTest : public PrintTest {
protected:
    void SetUp() override {
        PrintTest::SetUp();
        testsupport::DialogAnswerer::Current()->Clear();
        map2_ = controltest::As<IZmaVadAZ2>(control_.Get());
        ASSERT_EQ(::CoCreateInstance(CLSID_HostLoggingManager, nullptr, CLSCTX_INPROC_SERVER, IID_IHostLogStore,
                                     logStore_.PutVoid()),
                  S_OK);
        logStore_->ClearEntries();
    }

    bool Logged(long level, const std::wstring& text) {
        long count = 0;
        logStore_->get_EntryCount(&count);
        for (long i = 0; i < count; ++i) {
            BSTR channel = nullptr, message = nullptr, file = nullptr;
            long at = 0, line = 0;
            logStore_->GetEntry(i, &channel, &at, &message, &file, &line);
            Bstr c = Bstr::Attach(channel), m = Bstr::Attach(message), f = Bstr::Attach(file);
            if (at == level && m.Wide() == text) return true;
        }
        return false;
    }

    // Each test starts without a custom layout of earlier tests.
    enginetest::ScopedEnvironment writable_{L"VADAZ_HOST_PACKAGE_WRITABLE", FreshFolder(L"print-members").c_str()};
    ComPtr<IZmaVadAZ2> map2_;
    ComPtr<IHostLogStore> logStore_;
};

TEST_F(PrintMembersTest, QuickPrintPrintsEachLayoutAsItsSettingsSay) {
    auto custom = [](IZmaVadAZ2* m) {
        m->put_MapSize(Bstr(L"custom").Get());
        m->put_Width(Variant(L"15 cm"));
        m->put_Height(Variant(L"100 mm"));
        m->put_LeftMargin(20);
        m->put_TopMargin(15);
        m->put_RightMargin(10);
        m->put_BottomMargin(25);
        m->put_PositionTitleAboveMap(VARIANT_FALSE);
        m->put_LegendPosition(Bstr(L"top left").Get());
        m->put_TitleFontColor(Variant(L"0000ff"));  // the judge's title colour
    };
    struct Case {
        const char* name;
        long layout;
        std::function<void(IZmaVadAZ2*)> write;
        bool landscape;
        SIZE map;  // the size of the printed map, when the settings do not give it
    } const cases[] = {
        {"quick-portrait", QUICK_PRINT_LAYOUT_PORTRAIT, nullptr, false, {}},
        {"quick-landscape", QUICK_PRINT_LAYOUT_LANDSCAPE, nullptr, true, {}},
        {"quick-custom-title-below", QUICK_PRINT_LAYOUT_CUSTOM,
         [&](IZmaVadAZ2* m) {
             custom(m);
             m->put_ContentCentered(VARIANT_TRUE);
             m->put_OrientationLandscape(VARIANT_TRUE);
         },
         true, {}},
        // 10 km at 1:50000 is 20 cm wide, in the 400 x 300 window's shape.
        {"quick-custom-at-scale", QUICK_PRINT_LAYOUT_CUSTOM,
         [&](IZmaVadAZ2* m) {
             m->put_ContentCentered(VARIANT_FALSE);
             m->put_Scale(0.00002);
             m->put_OrientationLandscape(VARIANT_FALSE);
             enginetest::Put(map_.Get(), enginetest::map::kMapUnit, Variant(1L));
             enginetest::Call(map_.Get(), enginetest::map::kZoomTo, {Variant(10.0), Variant(10.0), Variant(50.0)});
         },
         false, {20000, 15000}},
    };
    const wchar_t* addresses[] = {L"terravex://Map/Printing/Layouts/defaultPortraitMapPrintLayout.xml",
                                  L"terravex://Map/Printing/Layouts/defaultLandscapeMapPrintLayout.xml", kCustomAddress};
    ASSERT_EQ(map2_->put_VOPrintLegend(legend_.Get()), S_OK);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(SUCCEEDED(map2_->put_QuickPrintLayout(static_cast<ENUM_QUICK_PRINT_LAYOUT>(c.layout))));
        if (c.write) c.write(map2_.Get());
        Variant widthBefore, widthAfter;
        map2_->get_Width(widthBefore.Put());
        ::DeleteFileW(OutputFile().c_str());
        const std::wstring title = platform::ToWide(c.name);
        ASSERT_EQ(map2_->QuickPrint(Bstr(title).Get()), S_OK) << ErrorText();
        EXPECT_EQ(PrintedHeader("%%Title: "), "Map Module - " + std::string(c.name));
        EXPECT_EQ(PrintedHeader("%%Orientation: "), c.landscape ? "Landscape" : "Portrait");
        map2_->get_Width(widthAfter.Put());
        EXPECT_EQ(widthAfter.dblVal, widthBefore.dblVal) << "printing changed the user's width";

        // A job of the test's over the same layout document: the judge finds its parts on the page.
        settings_ = LoadedSettings(addresses[c.layout]);
        support_.SetOrientation(c.landscape ? DMORIENT_LANDSCAPE : DMORIENT_PORTRAIT);
        std::unique_ptr<MapPrintJobInfo> job = NewJob(title);
        if (c.map.cx) job->SetMapExtent(c.map);
        job->GetPageCount();
        KeepForJudge(c.name, job->Layout());
    }
}

TEST_F(PrintMembersTest, PrintTakesTheMapsTitleAndEveryRefusalIsAnError) {
    ASSERT_EQ(map2_->QuickPrint(Bstr(L"no legend").Get()), E_FAIL);
    EXPECT_EQ(ErrorText(), L"No print legend was handed over (VOPrintLegend)");
    ASSERT_EQ(map2_->put_VOPrintLegend(legend_.Get()), S_OK);
    testsupport::WriteString(HKEY_CURRENT_USER, RegistrySettings::kMapQuickPrintKey, L"MapTitle", L"Survey North");
    ASSERT_EQ(map2_->Print(), S_OK) << ErrorText();
    EXPECT_EQ(PrintedHeader("%%Title: "), "Map Module - Survey North");
    testsupport::DeleteValue(HKEY_CURRENT_USER, RegistrySettings::kMapQuickPrintKey, L"MapTitle");
    {
        enginetest::ScopedEnvironment faults(L"VADAZ_HOST_FAULTS", L"printsettings.create");
        ComPtr<IUnknown> other;
        ASSERT_EQ(controltest::CreateControl(other), S_OK);
        EXPECT_EQ(controltest::As<IZmaVadAZ2>(other.Get())->QuickPrint(Bstr(L"no settings").Get()), E_FAIL);
        EXPECT_EQ(ErrorText(), L"The host's print settings are not available");
    }

    // Without a default printer the user is told (the answerer presses OK), and so is the host.
    const std::wstring output = OutputFile();
    ::DeleteFileW(output.c_str());
    std::wstring said;
    EXPECT_EQ(WithoutDefaultPrinter([](IZmaVadAZ2* map) { return map->Print(); }, said), E_FAIL);
    EXPECT_EQ(said, L"There is no printer available.  Please configure a default printer.");
    const auto& dialogs = testsupport::DialogAnswerer::Current()->Dialogs();
    ASSERT_EQ(dialogs.size(), 1u);
    EXPECT_EQ(dialogs[0].caption, L"Map Module");
    EXPECT_NE(dialogs[0].text.find(said), std::wstring::npos);
    EXPECT_EQ(::GetFileAttributesW(output.c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(PrintMembersTest, LegendsAScriptHandsOverAndLetsGoOfStillPrintAndFollowTheSeries) {
    // Nothing but the map keeps either legend once its statement is done.
    const wchar_t script[] = LR"(
        Map.VOLegend = new ActiveXObject("VadazHost.Legend");
        Map.VOPrintLegend = new ActiveXObject("VadazHost.PrintLegend");
        CollectGarbage();
        Map.DisplayDataset(Points, "RxLev", "{held-1}");
        Map.DisplayDataset(Points, "RxLev", "{held-2}");
        CollectGarbage();
        Map.SetDatasetVisible("{held-1}", 0);
        Map.UpdateLegendCheckBoxes();
        Map.RemoveDataset("{held-1}", true);
        CollectGarbage();
        Map.QuickPrint("Held legends");
    )";
    ComPtr<IDispatch> points = displaytest::NewDataset({{L"Latitude", 13}, {L"Longitude", 12}, {L"RxLev", 5}}, 10);
    std::wstring error;
    ComPtr<IDispatch> map = controltest::As<IDispatch>(control_.Get());
    ASSERT_EQ(testsupport::RunScript(L"JScript", script, {{L"Map", map.Get()}, {L"Points", points.Get()}}, &error), S_OK)
        << error;
    EXPECT_EQ(PrintedHeader("%%Title: "), "Map Module - Held legends");
    EXPECT_NE(PrintedPagesText().find("1.00 0.78 0.00 setrgbcolor"), std::string::npos) << "no legend on the page";

    // The map holds a legend until another comes, PreDestroy or its last release; the layers'
    // check boxes go to the one held.
    const std::pair<CLSID, HRESULT (STDMETHODCALLTYPE IZmaVadAZ2::*)(IUnknown*)> kinds[] = {
        {CLSID_HostLegend, &IZmaVadAZ2::put_VOLegend}, {CLSID_HostPrintLegend, &IZmaVadAZ2::put_VOPrintLegend}};
    const Bstr series(L"{held-3}");
    std::vector<ComPtr<IHostCallLog>> held;
    for (const auto& kind : kinds) {
        ComPtr<IHostCallLog> first, second;
        ASSERT_EQ(::CoCreateInstance(kind.first, nullptr, CLSCTX_ALL, IID_IHostCallLog, first.PutVoid()), S_OK);
        ASSERT_EQ(::CoCreateInstance(kind.first, nullptr, CLSCTX_ALL, IID_IHostCallLog, second.PutVoid()), S_OK);
        ASSERT_EQ((map2_.Get()->*kind.second)(first.Get()), S_OK);
        EXPECT_EQ(References(first.Get()), 2u);
        ASSERT_EQ(map2_->DisplayDataset(points.Get(), Variant(L"RxLev"), series.Get()), S_OK);
        ASSERT_EQ((map2_.Get()->*kind.second)(second.Get()), S_OK);
        EXPECT_EQ(References(first.Get()), 1u) << "the first legend is kept";
        first->ClearCalls();
        ASSERT_EQ(map2_->SetDatasetVisible(series.Get(), 0), S_OK);
        ASSERT_EQ(map2_->UpdateLegendCheckBoxes(), S_OK);
        Bstr firstCalls, secondCalls;
        first->get_CallText(firstCalls.Put());
        second->get_CallText(secondCalls.Put());
        EXPECT_EQ(firstCalls.Wide(), L"");
        EXPECT_NE(secondCalls.Wide().find(L"SetCheckBox"), std::wstring::npos) << secondCalls.Wide();
        ASSERT_EQ(map2_->RemoveDataset(series.Get(), Variant(false)), S_OK);
        held.push_back(second);
    }
    ASSERT_EQ(map2_->PreDestroy(), S_OK);
    for (const ComPtr<IHostCallLog>& legend : held) EXPECT_EQ(References(legend.Get()), 1u) << "kept after PreDestroy";
    ComPtr<IUnknown> other;
    ASSERT_EQ(controltest::CreateControl(other), S_OK);
    ASSERT_EQ(controltest::As<IZmaVadAZ2>(other.Get())->put_VOPrintLegend(held[1].Get()), S_OK);
    other.Reset();
    EXPECT_EQ(References(held[1].Get()), 1u) << "kept after the last release";
}

TEST_F(PrintMembersTest, ALayoutIsSelectedOnlyWhenItsDocumentLoads) {
    long layout = -1;
    Bstr text;
    EXPECT_EQ(map2_->put_QuickPrintLayout(QUICK_PRINT_LAYOUT_LANDSCAPE), S_OK);
    EXPECT_EQ(map2_->get_QuickPrintLayoutAsText(text.Put()), S_OK);
    EXPECT_EQ(text.Wide(), L"landscape");
    EXPECT_EQ(map2_->put_QuickPrintLayout(QUICK_PRINT_LAYOUT_LANDSCAPE), S_FALSE);
    EXPECT_EQ(map2_->put_QuickPrintLayout(static_cast<ENUM_QUICK_PRINT_LAYOUT>(7)), E_INVALIDARG);
    {
        enginetest::ScopedEnvironment root(L"VADAZ_HOST_PACKAGE_ROOT", FreshFolder(L"print-members").c_str());
        EXPECT_EQ(map2_->put_QuickPrintLayout(QUICK_PRINT_LAYOUT_PORTRAIT), S_FALSE);
        EXPECT_TRUE(Logged(30000, L"Could not load file for layout 0"));
    }
    {
        enginetest::ScopedEnvironment faults(L"VADAZ_HOST_FAULTS", L"printsettings.Load");
        EXPECT_EQ(map2_->put_QuickPrintLayout(QUICK_PRINT_LAYOUT_PORTRAIT), E_FAIL);
        EXPECT_TRUE(Logged(40000, L"Could not set print layout. Error: Fault switched on: printsettings.Load"));
    }
    EXPECT_EQ(map2_->get_QuickPrintLayout(&layout), S_OK);
    EXPECT_EQ(layout, QUICK_PRINT_LAYOUT_LANDSCAPE);
    // This test's map found no custom layout: it made one of the default layout.
    EXPECT_TRUE(LoadedSettings(kCustomAddress));
}

TEST_F(PrintMembersTest, AWriteLandsInTheCustomLayoutOrNowhere) {
    // A service without a default layout: a new map has no custom layout to select.
    enginetest::ScopedEnvironment writable(L"VADAZ_HOST_PACKAGE_WRITABLE", FreshFolder(L"print-members").c_str());
    enginetest::ScopedEnvironment faults(L"VADAZ_HOST_FAULTS", L"printsettings.DefaultLayout");
    ComPtr<IUnknown> created;
    ASSERT_EQ(controltest::CreateControl(created), S_OK);
    ComPtr<IZmaVadAZ2> other = controltest::As<IZmaVadAZ2>(created.Get());
    EXPECT_TRUE(Logged(30000, L"Could not load file for layout 2"));
    ASSERT_EQ(other->put_QuickPrintLayout(QUICK_PRINT_LAYOUT_PORTRAIT), S_OK);
    EXPECT_EQ(other->put_LeftMargin(30), E_FAIL);
    EXPECT_EQ(ErrorText(), L"The custom print layout cannot be loaded: the setting was not written");
    double margin = 0;
    long layout = -1;
    EXPECT_EQ(other->get_LeftMargin(&margin), S_OK);
    EXPECT_EQ(margin, 10.0);  // the portrait layout's
    EXPECT_EQ(other->get_QuickPrintLayout(&layout), S_OK);
    EXPECT_EQ(layout, QUICK_PRINT_LAYOUT_PORTRAIT);
    VARIANT_BOOL loaded = VARIANT_TRUE;
    EXPECT_EQ(settings_->Load(Variant(kCustomAddress), &loaded), S_OK);
    EXPECT_EQ(loaded, VARIANT_FALSE) << "a custom layout was saved";

    // A write the settings refuse puts back the layout the map had.
    enginetest::ScopedEnvironment refused(L"VADAZ_HOST_FAULTS", L"printsettings.put_TopMargin");
    ASSERT_EQ(map2_->put_QuickPrintLayout(QUICK_PRINT_LAYOUT_PORTRAIT), S_OK);
    EXPECT_EQ(map2_->put_TopMargin(5), E_FAIL);
    EXPECT_EQ(map2_->get_QuickPrintLayout(&layout), S_OK);
    EXPECT_EQ(layout, QUICK_PRINT_LAYOUT_PORTRAIT);
}

TEST_F(PrintMembersTest, TitleFontWritesAreInPointsAndExactlyVariantTrue) {
    ComPtr<IFont> font;
    CY size = {};
    BOOL italic = TRUE;
    ASSERT_EQ(map2_->put_TitleFontHeight(10), S_OK);
    ASSERT_EQ(map2_->put_TitleFontItalic(1), S_OK);
    ASSERT_EQ(LoadedSettings(kCustomAddress)->get_TitleFont(font.Put()), S_OK);
    font->get_Size(&size);
    font->get_Italic(&italic);
    EXPECT_EQ((size.int64 + 5000) / 10000, 10);  // the font may hold the size it realised
    EXPECT_FALSE(italic);
}

TEST_F(PrintMembersTest, ReadsOfNoValueSayPropertyNotSet) {
    settings_->put_LegendPosition(17);
    settings_->put_MapSize(9);
    settings_->put_ScaleDenominator(0);
    ASSERT_EQ(settings_->Save(Variant(kCustomAddress)), S_OK);
    enginetest::ScopedEnvironment faults(L"VADAZ_HOST_FAULTS", L"printsettings.get_PrintTitle");
    ComPtr<IUnknown> created;
    ASSERT_EQ(controltest::CreateControl(created), S_OK);
    ComPtr<IZmaVadAZ2> other = controltest::As<IZmaVadAZ2>(created.Get());
    Bstr text;
    double number = 0;
    VARIANT_BOOL flag = VARIANT_FALSE;
    const std::function<HRESULT()> reads[] = {
        [&] { return other->get_LegendPosition(text.Put()); },
        [&] { return other->get_MapSize(text.Put()); },
        [&] { return other->get_Scale(&number); },
        [&] { return other->get_PrintTitle(&flag); },
    };
    for (const auto& read : reads) {
        EXPECT_EQ(read(), E_FAIL);
        EXPECT_EQ(ErrorText(), L"Property not set");
    }
    EXPECT_EQ(other->get_PrintTitle(nullptr), E_POINTER);
}

TEST_F(PrintMembersTest, PrintJobPropertiesKeepWhatTheHostGave) {
    VARIANT_BOOL batch = 0;
    Bstr title, layout;
    EXPECT_EQ(map2_->put_IsBatchPrinting(1), S_OK);
    EXPECT_EQ(map2_->get_IsBatchPrinting(&batch), S_OK);
    EXPECT_EQ(batch, 1);  // not made a VARIANT_TRUE
    EXPECT_EQ(map2_->get_IsBatchPrinting(nullptr), E_INVALIDARG);
    // Neither a stored title nor a measurement layer: no title.
    testsupport::DeleteValue(HKEY_CURRENT_USER, RegistrySettings::kMapQuickPrintKey, L"MapTitle");
    EXPECT_EQ(map2_->get_Title(title.Put()), S_OK);
    EXPECT_EQ(title.Wide(), L"");
    EXPECT_EQ(map2_->get_Title(nullptr), E_INVALIDARG);
    ASSERT_EQ(map2_->get_BatchPrintLayout(layout.Put()), S_OK);
    EXPECT_EQ(map2_->put_BatchPrintLayout(layout.Get()), S_OK);
}

TEST_F(PrintMembersTest, ABatchLayoutIsNeverSavedAndWhatComesNextStartsFromTheUsersOwnLayout) {
    // The user's custom layout has 12.5 mm on the left; the batch layout 43.21 mm.
    ASSERT_EQ(map2_->put_LeftMargin(12.5), S_OK);
    ComPtr<IMapPrintSettings> other = LoadedSettings(L"terravex://Map/Printing/Layouts/defaultPortraitMapPrintLayout.xml");
    ASSERT_EQ(other->put_LeftMargin(4321), S_OK);
    Bstr batch, alignment;
    ASSERT_EQ(other->get_LayoutXml(batch.Put()), S_OK);
    const auto margin = [](IZmaVadAZ2* map) {
        double millimetres = 0;
        EXPECT_EQ(map->get_LeftMargin(&millimetres), S_OK);
        return millimetres;
    };
    ComPtr<IUnknown> fresh;
    const auto freshMap = [&] { return controltest::As<IZmaVadAZ2>(fresh.Get()).Get(); };
    struct Case {
        const char* what;
        std::function<IZmaVadAZ2*()> then;  // answers the map read afterwards
        double reads;
    } const cases[] = {
        // A print takes the batch layout and leaves it held.
        {"a print", [&] {
             EXPECT_EQ(map2_->put_VOPrintLegend(legend_.Get()), S_OK);
             EXPECT_EQ(map2_->QuickPrint(Bstr(L"batch").Get()), S_OK) << ErrorText();
             return map2_.Get();
         }, 43.21},
        {"a refused write", [&] {
             EXPECT_EQ(map2_->put_LegendPosition(Bstr(L"middle").Get()), E_INVALIDARG);
             return map2_.Get();
         }, 43.21},
        {"a write", [&] {
             EXPECT_EQ(map2_->put_TitleAlignment(Bstr(L"right").Get()), S_OK);
             return map2_.Get();
         }, 12.5},
        {"portrait and back", [&] {
             EXPECT_EQ(map2_->put_QuickPrintLayout(QUICK_PRINT_LAYOUT_PORTRAIT), S_OK);
             EXPECT_EQ(map2_->put_QuickPrintLayout(QUICK_PRINT_LAYOUT_CUSTOM), S_OK);
             return map2_.Get();
         }, 12.5},
        {"a new map", [&] { EXPECT_EQ(controltest::CreateControl(fresh), S_OK); return freshMap(); }, 12.5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_EQ(map2_->put_BatchPrintLayout(batch.Get()), S_OK);
        EXPECT_NEAR(margin(map2_.Get()), 43.21, 1e-9);
        EXPECT_NEAR(margin(c.then()), c.reads, 1e-9);
        long stored = 0;
        EXPECT_EQ((LoadedSettings(kCustomAddress)->get_LeftMargin(&stored), stored), 1250);
    }
    EXPECT_EQ(freshMap()->get_TitleAlignment(alignment.Put()), S_OK);
    EXPECT_EQ(alignment.Wide(), L"right") << "the write was not saved into the user's own layout";
}

TEST_F(PrintMembersTest, TheTitleColourIsAWholeNumberOfAnyWidthOrHexadecimalTextFrom0To0xFFFFFF) {
    const wchar_t *negative = L"The colour is negative", *above = L"The colour is above 0xFFFFFF",
                  *noNumber = L"A colour is a number 0xRRGGBB or its hexadecimal text",
                  *signedText = L"A colour's text is hexadecimal digits without a sign";
    // Each value by itself, as a reference to it, and as a reference to a variant holding it (as
    // VBScript passes a variable); read back as "rrggbb", or refused with the earlier colour kept.
    const auto check = [&](const VARIANT& value, const wchar_t* reads, const wchar_t* refusal) {
        VARIANT toValue, toVariant;
        toValue.vt = VT_BYREF | value.vt;
        toValue.byref = value.vt == VT_DECIMAL ? static_cast<void*>(const_cast<DECIMAL*>(&value.decVal))
                                                : static_cast<void*>(const_cast<LONGLONG*>(&value.llVal));
        toVariant.vt = VT_BYREF | VT_VARIANT;
        toVariant.pvarVal = const_cast<VARIANT*>(&value);
        for (const VARIANT& form : {value, toValue, toVariant}) {
            SCOPED_TRACE(form.vt);
            ASSERT_EQ(map2_->put_TitleFontColor(Variant(L"123456")), S_OK);
            EXPECT_EQ(map2_->put_TitleFontColor(form), reads ? S_OK : E_INVALIDARG);
            if (!reads) {
                EXPECT_EQ(ErrorText(), std::wstring(refusal));
            }
            Variant colour;
            EXPECT_EQ(map2_->get_TitleFontColor(colour.Put()), S_OK);
            EXPECT_STREQ(colour.bstrVal, reads ? reads : L"123456");
        }
    };
    struct Number {
        VARTYPE vt;
        LONGLONG value;
        const wchar_t* reads;  // null: refused
        const wchar_t* refusal;
    } const numbers[] = {
        {VT_I1, -1, nullptr, negative}, {VT_I2, -256, nullptr, negative}, {VT_I4, -5, nullptr, negative},
        {VT_INT, -5, nullptr, negative}, {VT_I8, -(1LL << 32) + 255, nullptr, negative},
        {VT_R4, -1, nullptr, noNumber}, {VT_R8, -1, nullptr, noNumber}, {VT_CY, -1, nullptr, noNumber},
        {VT_DECIMAL, -1, nullptr, noNumber},
        {VT_I1, 0, L"000000", nullptr}, {VT_UI1, 255, L"0000ff", nullptr}, {VT_UI2, 0xFF00, L"00ff00", nullptr},
        {VT_I4, 0xFFFFFF, L"ffffff", nullptr}, {VT_UI4, 0xFFFFFF, L"ffffff", nullptr},
        {VT_INT, 0xFF0000, L"ff0000", nullptr}, {VT_UINT, 0xFFFFFF, L"ffffff", nullptr},
        {VT_I8, 0xFFFFFF, L"ffffff", nullptr}, {VT_UI8, 0xFFFFFF, L"ffffff", nullptr},
        {VT_I4, 0x1000000, nullptr, above}, {VT_UI4, 0xFF0000FF, nullptr, above},
        {VT_I8, (1LL << 32) + 255, nullptr, above}, {VT_UI8, 0x1000000, nullptr, above},
    };
    for (const Number& n : numbers) {
        SCOPED_TRACE(testing::Message() << "vt " << n.vt << " " << n.value);
        VARIANT whole, value;
        whole.vt = VT_I8;
        whole.llVal = n.value;
        ::VariantInit(&value);
        ASSERT_EQ(::VariantChangeType(&value, &whole, 0, n.vt), S_OK);
        check(value, n.reads, n.refusal);
    }
    const struct {
        const wchar_t* text;
        const wchar_t* reads;
        const wchar_t* refusal;
    } texts[] = {
        {L"-1", nullptr, signedText}, {L" -ff", nullptr, signedText}, {L"+ff", nullptr, signedText},
        {L"0x00ff00", L"00ff00", nullptr}, {L"0X0000FF", L"0000ff", nullptr}, {L" ffffff", L"ffffff", nullptr},
        {L"ff8000 orange", L"ff8000", nullptr}, {L"0x", L"000000", nullptr}, {L"1000000", nullptr, above},
        {L"0x1000000", nullptr, above}, {L"ffffffffffffffffffff", nullptr, above},
    };
    for (const auto& t : texts) {
        SCOPED_TRACE(platform::ToAnsi(t.text));
        check(Variant(t.text), t.reads, t.refusal);
    }
    // A refused colour was not saved either.
    OLE_COLOR stored = 0;
    EXPECT_EQ((LoadedSettings(kCustomAddress)->get_TitleFontColor(&stored), stored), RGB(0x12, 0x34, 0x56));
}

TEST(MapSizeFromScale, ShowsTheViewAtTheScaleInTheWindowsShapeAndNeverBelowTheSmallestMap) {
    const SIZE smallest = GetDefaultSize();
    struct Case {
        double viewWidth;
        long denominator;
        SIZE window, expected;
    } const cases[] = {
        {1e9, 50000, {400, 300}, {20000, 15000}},  // 10 km at 1:50000
        {1e9, 50000, {300, 600}, {20000, 40000}},
        {1e9, 50000, {800, 100}, smallest},  // 20 cm wide but 2.5 cm high: both sides become the smallest's
        {1e9, 500000, {400, 300}, smallest},
        {1e9, 50000, {400, 0}, {20000, 20000 * smallest.cy / smallest.cx}},
        {1e9, 50000, {0, 0}, {20000, 20000 * smallest.cy / smallest.cx}},
    };
    for (const Case& c : cases) {
        const SIZE size = MapSizeFromScale(c.viewWidth, c.denominator, c.window);
        EXPECT_EQ(size.cx, c.expected.cx) << c.denominator << " " << c.window.cx << "x" << c.window.cy;
        EXPECT_EQ(size.cy, c.expected.cy) << c.denominator << " " << c.window.cx << "x" << c.window.cy;
    }
    EXPECT_EQ(Raised([] { MapSizeFromScale(1e9, 0, {400, 300}); }), E_INVALIDARG);
    EXPECT_EQ(Raised([] { MapSizeFromScale(1e30, 1, {400, 300}); }), E_INVALIDARG);
}

}  // namespace
}  // namespace printtest
