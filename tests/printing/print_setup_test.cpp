// The control's ConfigurePrinting as a host calls it, worked through the page set-up on the
// prefix's printer: margins and orientation go into the custom layout and into the next print,
// "Options..." opens the "Print Map" sheet on the same settings, Cancel changes nothing, and what
// it refuses.
#include "ZmaVOMap2/printing/PrintingResource.h"
#include "ZmaVOMap2/services/RegistrySettings.h"
#include "tests/control/ControlFixture.h"
#include "tests/printing/ModalScript.h"
#include "tests/printing/PrintFixture.h"
#include "tests/support/DialogAnswerer.h"
#include "tests/support/TestSupport.h"

#include <cmath>
#include <fstream>
#include <functional>
#include <iterator>
#include <set>

namespace printtest {
namespace {

using platform::Bstr;
using platform::Variant;

const wchar_t kCustomAddress[] = L"terravex://Map/Printing/Layouts/customQuickPrintLayout.xml";
// The system page set-up's controls.
const int kMarginEdits[] = {0x483, 0x484, 0x485, 0x486};
constexpr int kLandscape = 0x421;

std::wstring FreshFolder() {
    wchar_t temp[MAX_PATH] = {}, name[40] = {};
    ::GetTempPathW(MAX_PATH, temp);
    GUID id = {};
    ::CoCreateGuid(&id);
    ::StringFromGUID2(id, name, 40);
    std::wstring folder = std::wstring(temp) + L"print-setup-" + name;
    ::CreateDirectoryW(folder.c_str(), nullptr);
    return folder;
}

bool Exists(const std::wstring& path) { return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

ComPtr<IMapPrintSettings> CustomLayout() {
    ComPtr<IMapPrintSettings> settings;
    ::CoCreateInstance(CLSID_MapPrintSettings, nullptr, CLSCTX_ALL, IID_IMapPrintSettings, settings.PutVoid());
    VARIANT_BOOL loaded = VARIANT_FALSE;
    if (settings) settings->Load(Variant(kCustomAddress), &loaded);
    EXPECT_EQ(loaded, VARIANT_TRUE);
    return settings;
}

class PageSetupTest : public PrintTest {
protected:
    void SetUp() override {
        PrintTest::SetUp();
        map2_ = controltest::As<IZmaVadAZ2>(control_.Get());
        ASSERT_EQ(map2_->put_VOPrintLegend(legend_.Get()), S_OK);
        testsupport::DialogAnswerer::Current()->Clear();
    }

    // Each test starts without a custom layout of earlier tests.
    std::wstring writable_ = FreshFolder();
    enginetest::ScopedEnvironment writableRoot_{L"VADAZ_HOST_PACKAGE_WRITABLE", writable_.c_str()};
    ScopedMeasure metric_{L"0"};
    ComPtr<IZmaVadAZ2> map2_;
};

TEST_F(PageSetupTest, OkWritesMarginsAndOrientationIntoTheCustomLayoutAndTheNextPrint) {
    ASSERT_EQ(map2_->put_TitleFontColor(Variant(L"0000ff")), S_OK);  // the judge's title colour
    ASSERT_EQ(map2_->put_QuickPrintLayout(QUICK_PRINT_LAYOUT_PORTRAIT), S_OK);
    ModalScript script;
    script.For(L"Page Setup", {[](HWND d) {
                                   EXPECT_TRUE(IsShown(d, ID_PRINT_OPTIONS));
                                   // 15 mm on every side, the paper turned.
                                   for (int edit : kMarginEdits) Type(d, edit, L"15");
                                   Click(d, kLandscape);
                               },
                               [](HWND d) { Click(d, IDOK); }});
    ASSERT_EQ(map2_->ConfigurePrinting(), S_OK) << ErrorText();
    long layout = -1;
    EXPECT_EQ((map2_->get_QuickPrintLayout(&layout), layout), QUICK_PRINT_LAYOUT_CUSTOM);
    ComPtr<IMapPrintSettings> custom = CustomLayout();
    for (auto get : {&IMapPrintSettings::get_LeftMargin, &IMapPrintSettings::get_TopMargin,
                     &IMapPrintSettings::get_RightMargin, &IMapPrintSettings::get_BottomMargin}) {
        long margin = 0;
        EXPECT_EQ(((custom.Get()->*get)(&margin), margin), 1500);
    }
    long landscape = 0;
    EXPECT_EQ((custom->get_OrientationLandscape(&landscape), landscape), 1);
    // The copy OK keeps lies beside the layout documents, never in a drive's root.
    EXPECT_TRUE(Exists(writable_ + L"\\Map\\Printing\\Layouts\\retrieved.xml"));
    EXPECT_FALSE(Exists(L"C:\\retrieved.xml") || Exists(writable_ + L"\\retrieved.xml"));

    ::DeleteFileW(OutputFile().c_str());
    ASSERT_EQ(map2_->QuickPrint(Bstr(L"after set-up").Get()), S_OK) << ErrorText();
    std::ifstream printed(OutputFile().c_str());
    std::string text((std::istreambuf_iterator<char>(printed)), std::istreambuf_iterator<char>());
    EXPECT_NE(text.find("%%Orientation: Landscape"), std::string::npos);
    // A job over the same layout: the judge finds its parts within the 15 mm margins.
    settings_ = custom;
    support_.SetOrientation(DMORIENT_LANDSCAPE);
    std::unique_ptr<MapPrintJobInfo> job = NewJob(L"after set-up");
    job->GetPageCount();
    KeepForJudge("setup-margins-landscape", job->Layout());
}

TEST_F(PageSetupTest, OptionsOpensTheSheetOnTheSameSettingsAndOkKeepsWhatItChanged) {
    ModalScript script;
    script
        .For(L"Page Setup", {[](HWND d) { Click(d, ID_PRINT_OPTIONS); }, [](HWND d) { Click(d, IDOK); }})
        .For(L"Print Map", {[](HWND s) { ShowPage(s, 1); },
                            [](HWND s) {
                                // The layout's legend lies to the right, beside the map.
                                EXPECT_TRUE(IsChecked(PageOf(s, 1), IDC_LEGEND_RIGHT));
                                Click(PageOf(s, 1), IDC_LEGEND_TOP);
                                ShowPage(s, 2);
                            },
                            [](HWND s) {
                                Type(PageOf(s, 2), IDC_TITLE_TEXT, L"North survey");
                                Click(s, IDOK);
                            }});
    ASSERT_EQ(map2_->ConfigurePrinting(), S_OK) << ErrorText();
    EXPECT_TRUE(script.Finished());
    long position = -1;
    EXPECT_EQ((CustomLayout()->get_LegendPosition(&position), position), 90);
    Bstr title;
    EXPECT_EQ(map2_->get_Title(title.Put()), S_OK);
    EXPECT_EQ(title.Wide(), L"North survey");
    std::wstring stored;
    EXPECT_TRUE(testsupport::ReadString(HKEY_CURRENT_USER, RegistrySettings::kMapQuickPrintKey, L"MapTitle", stored));
    EXPECT_EQ(stored, L"North survey");
    testsupport::DeleteValue(HKEY_CURRENT_USER, RegistrySettings::kMapQuickPrintKey, L"MapTitle");
}

TEST_F(PageSetupTest, TheMapPageTakesOnlyASizeAndAScaleThePrintCanUseAndAFreshMapKeepsThem) {
    // A box of the map page, the texts refused with one message while the sheet stays, the value
    // then taken, and that value as a fresh map reads it from the custom layout.
    struct Case {
        int edit;
        std::vector<std::wstring> refused;
        const wchar_t* accepted;
        std::wstring caption, told;
        std::function<double(IZmaVadAZ2*)> kept;
        double expected;
    };
    const std::wstring many(300, L'9');
    const auto width = [](IZmaVadAZ2* map) { Variant centimetres; map->get_Width(centimetres.Put()); return centimetres.dblVal; };
    const auto denominator = [](IZmaVadAZ2* map) { double scale = 0; map->get_Scale(&scale); return std::round(1 / scale); };
    const Case cases[] = {
        {IDC_MAP_WIDTH, {L"nan", L"inf", L"1e308", L"2147483648", many, L"1,5", L"500.01"}, L"25",
         L"An invalid map dimension has been chosen", L"The map width must be a number from 10 to 500 cm.", width, 25},
        // Miles on a centimetre of paper, from 1:1 to the largest denominator the settings hold.
        {IDC_MAP_SCALE, {L"", L"0", L"-5", L"nan", L"inf", L"1e308", L"2147483648", many, L"12abc", L"1,5", L"13343.85"},
         L"0.25", L"Map Module", L"The scale must be a number from 6.213712e-06 to 13343.84 miles.", denominator, 40234},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.edit);
        testsupport::DialogAnswerer::Current()->Clear();
        size_t stayed = 0;
        ModalScript script;
        script.For(L"Page Setup", {[](HWND d) { Click(d, ID_PRINT_OPTIONS); }, [](HWND d) { Click(d, IDOK); }})
            .For(L"Print Map", {[](HWND s) {
                                    // A custom size, at a scale of the user's ("Other..." in the list).
                                    Click(PageOf(s, 0), IDC_MAP_CUSTOM);
                                    ::SendDlgItemMessageW(PageOf(s, 0), IDC_MAP_PRESETS, CB_SETCURSEL, 0, 0);
                                },
                                [&](HWND s) {
                                    HWND page = PageOf(s, 0);
                                    EXPECT_TRUE(IsEnabled(page, c.edit));
                                    for (const std::wstring& text : c.refused) {
                                        Type(page, c.edit, text.c_str());
                                        Click(s, IDOK);
                                        stayed += ::IsWindow(s) && CurrentPage(s) == page && TextOf(page, c.edit) == text;
                                    }
                                    Type(page, c.edit, c.accepted);
                                    Click(s, IDOK);
                                }});
        ASSERT_EQ(map2_->ConfigurePrinting(), S_OK) << ErrorText();
        EXPECT_EQ(stayed, c.refused.size());
        std::set<std::wstring> told;
        for (const auto& box : testsupport::DialogAnswerer::Current()->Dialogs())
            if (box.caption == c.caption) told.insert(box.text);
        EXPECT_EQ(told, std::set<std::wstring>{c.told});
        ComPtr<IUnknown> fresh;
        ASSERT_EQ(controltest::CreateControl(fresh), S_OK);
        EXPECT_EQ(c.kept(controltest::As<IZmaVadAZ2>(fresh.Get()).Get()), c.expected);
    }
}

// A scale the settings hold at either end of the range, 1:1 and the largest denominator, for a map
// of a custom size centred on the window: the map page shows it and takes it back as it is, with
// OK at once, though its text rounds it past that end.
TEST_F(PageSetupTest, TheMapPageTakesTheScaleItShowsAtEitherEnd) {
    ASSERT_EQ(map2_->put_MapSize(Bstr(L"custom").Get()), S_OK);
    ASSERT_EQ(map2_->put_ContentCentered(VARIANT_TRUE), S_OK);
    for (const double denominator : {1.0, 2147483647.0}) {
        SCOPED_TRACE(denominator);
        ASSERT_EQ(map2_->put_Scale(1 / denominator), S_OK);
        testsupport::DialogAnswerer::Current()->Clear();
        std::wstring told;
        ModalScript script;
        script.For(L"Page Setup", {[](HWND d) { Click(d, ID_PRINT_OPTIONS); }, [](HWND d) { Click(d, IDOK); }})
            .For(L"Print Map", {[&told](HWND s) {
                                    Click(s, IDOK);
                                    for (const auto& box : testsupport::DialogAnswerer::Current()->Dialogs())
                                        told += box.caption == L"Map Module" ? box.text : L"";
                                    if (!told.empty()) Click(s, IDCANCEL);
                                }});
        ASSERT_EQ(map2_->ConfigurePrinting(), S_OK) << ErrorText();
        EXPECT_EQ(told, L"");
        double scale = 0;
        EXPECT_EQ((map2_->get_Scale(&scale), std::round(1 / scale)), denominator);
    }
}

// The 0 the map page shows where it has no scale stands for none: a scale that the size cannot give
// keeps the one the settings held, and the next print prints at it; back at the window's view the
// scale follows the width; settings that hold no scale are told that a custom map needs one when the
// page is left as it opened, and the sheet stays open for it.
TEST_F(PageSetupTest, TheMapPageNeverTakesThe0ItShowsForNoScale) {
    struct Case {
        const char* name;
        double held;  // the denominator of the scale held before, 0 for none
        std::vector<ModalScript::Step> steps;
        double kept;
        const wchar_t* told = L"";  // the start of what the user was told
    };
    const ModalScript::Step emptyWidth = [](HWND s) { Type(PageOf(s, 0), IDC_MAP_WIDTH, L""); };
    const Case cases[] = {
        {"the width emptied, then centred at 20 x 15", 50000,
         {emptyWidth,
          [](HWND s) {
              HWND page = PageOf(s, 0);
              EXPECT_EQ(TextOf(page, IDC_MAP_SCALE), L"0.000000000");
              EXPECT_FALSE(IsEnabled(page, IDC_MAP_SCALE));
              Click(page, IDC_MAP_CENTRED);
              Type(page, IDC_MAP_WIDTH, L"20");
              Type(page, IDC_MAP_HEIGHT, L"15");
              Click(s, IDOK);
          }},
         50000},
        // 12.5 mi of the window's view on 20 cm.
        {"the width emptied, centred, then the same as the window at 20 wide", 50000,
         {emptyWidth,
          [](HWND s) {
              HWND page = PageOf(s, 0);
              Click(page, IDC_MAP_CENTRED);
              Type(page, IDC_MAP_WIDTH, L"20");
              Click(page, IDC_MAP_SAME);
              Click(s, IDOK);
          }},
         100584},
        // 1 cm of paper for 1 mile.
        {"no scale held, OK at once, then 1 typed", 0,
         {[](HWND s) { Click(s, IDOK); },
          [](HWND s) {
              HWND page = PageOf(s, 0);
              Type(page, IDC_MAP_SCALE, L"1");
              Click(s, IDOK);
          }},
         160934, L"The scale"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(map2_->put_MapSize(Bstr(L"custom").Get()), S_OK);
        ASSERT_EQ(map2_->put_ContentCentered(VARIANT_FALSE), S_OK);
        if (c.held) {
            ASSERT_EQ(map2_->put_Scale(1 / c.held), S_OK);
        } else {
            // Only a layout document holds no scale; the set-up reads the custom one afresh.
            ASSERT_EQ(map2_->put_QuickPrintLayout(QUICK_PRINT_LAYOUT_PORTRAIT), S_OK);
            ComPtr<IMapPrintSettings> custom = CustomLayout();
            ASSERT_EQ(custom->put_ScaleDenominator(0), S_OK);
            ASSERT_EQ(custom->Save(Variant(kCustomAddress)), S_OK);
        }
        testsupport::DialogAnswerer::Current()->Clear();
        ModalScript script;
        script.For(L"Page Setup", {[](HWND d) { Click(d, ID_PRINT_OPTIONS); }, [](HWND d) { Click(d, IDOK); }})
            .For(L"Print Map", c.steps);
        ASSERT_EQ(map2_->ConfigurePrinting(), S_OK) << ErrorText();
        EXPECT_TRUE(script.Finished());
        std::wstring told;
        for (const auto& box : testsupport::DialogAnswerer::Current()->Dialogs())
            if (box.caption == L"Map Module" || box.caption == L"An invalid map dimension has been chosen") told += box.text;
        EXPECT_EQ(told.substr(0, std::wcslen(c.told)), c.told) << platform::ToAnsi(told);
        if (!*c.told) {
            EXPECT_EQ(told, L"");
        }
        double scale = 0;
        ASSERT_EQ(map2_->get_Scale(&scale), S_OK) << ErrorText();
        EXPECT_EQ(std::round(1 / scale), c.kept);
        ::DeleteFileW(OutputFile().c_str());
        ASSERT_EQ(map2_->QuickPrint(Bstr(L"kept scale").Get()), S_OK) << ErrorText();
        EXPECT_GE(PrintedPages(), 1);
    }
}

TEST_F(PageSetupTest, OptionsThatCannotOpenSayWhyAndTheSetUpStaysOpen) {
    // The sheet's own unit converter is missing (the map's was made with the map).
    enginetest::ScopedEnvironment faults(L"VADAZ_HOST_FAULTS", L"unitconverter.create");
    ModalScript script;
    script.For(L"Page Setup", {[](HWND d) { Click(d, ID_PRINT_OPTIONS); },
                               [](HWND d) {
                                   bool told = false;
                                   for (const auto& box : testsupport::DialogAnswerer::Current()->Dialogs())
                                       told = told || (box.caption == L"Map Module" &&
                                                       box.text.find(L"unit converter is not available") != std::wstring::npos);
                                   EXPECT_TRUE(told);
                                   Click(d, IDOK);
                               }});
    EXPECT_EQ(map2_->ConfigurePrinting(), S_OK) << ErrorText();
}

TEST_F(PageSetupTest, CancelPutsBackTheLayoutAndNothingIsSaved) {
    ASSERT_EQ(map2_->put_QuickPrintLayout(QUICK_PRINT_LAYOUT_PORTRAIT), S_OK);
    ModalScript script;
    script.For(L"Page Setup", {[](HWND d) {
        for (int edit : kMarginEdits) Type(d, edit, L"40");
        Click(d, IDCANCEL);
    }});
    EXPECT_EQ(map2_->ConfigurePrinting(), S_FALSE);
    long layout = -1, margin = 0;
    EXPECT_EQ((map2_->get_QuickPrintLayout(&layout), layout), QUICK_PRINT_LAYOUT_PORTRAIT);
    EXPECT_EQ((CustomLayout()->get_LeftMargin(&margin), margin), 1000);
}

TEST_F(PageSetupTest, TheSetUpStartsFromTheUsersOwnLayoutAndNeverSavesABatchLayout) {
    // The user's layout: 12.5 mm on the left, a blue title; the batch layout: 43.21 mm, a red title.
    ASSERT_EQ(map2_->put_LeftMargin(12.5), S_OK);
    ASSERT_EQ(map2_->put_TitleFontColor(Variant(L"0x0000ff")), S_OK);
    ComPtr<IMapPrintSettings> other = CustomLayout();
    ASSERT_EQ(other->put_LeftMargin(4321), S_OK);
    ASSERT_EQ(other->put_TitleFontColor(RGB(255, 0, 0)), S_OK);
    Bstr batch;
    ASSERT_EQ(other->get_LayoutXml(batch.Put()), S_OK);
    const auto shows = [](HWND d) {
        EXPECT_EQ(TextOf(d, kMarginEdits[0]).rfind(L"12.5", 0), 0u) << TextOf(d, kMarginEdits[0]);
    };
    double margin = 0;
    long stored = 0;
    OLE_COLOR colour = 0;

    // Cancel: the map holds the batch layout again.
    ASSERT_EQ(map2_->put_BatchPrintLayout(batch.Get()), S_OK);
    {
        ModalScript script;
        script.For(L"Page Setup", {[&](HWND d) {
            shows(d);
            Click(d, IDCANCEL);
        }});
        EXPECT_EQ(map2_->ConfigurePrinting(), S_FALSE);
    }
    EXPECT_NEAR((map2_->get_LeftMargin(&margin), margin), 43.21, 1e-9);

    // OK: the user's own layout is saved, not the batch layout's.
    {
        ModalScript script;
        script.For(L"Page Setup", {[&](HWND d) {
            shows(d);
            Click(d, IDOK);
        }});
        ASSERT_EQ(map2_->ConfigurePrinting(), S_OK) << ErrorText();
    }
    EXPECT_NEAR((map2_->get_LeftMargin(&margin), margin), 12.5, 1e-9);
    EXPECT_EQ((CustomLayout()->get_LeftMargin(&stored), stored), 1250);
    EXPECT_EQ((CustomLayout()->get_TitleFontColor(&colour), colour), RGB(0, 0, 255));
}

TEST_F(PageSetupTest, TheUsersMeasureShowsMarginsInItsUnitAndStoresThemExactly) {
    struct Case {
        const wchar_t* measure;
        const wchar_t* shown;  // 25.4 mm
    } const cases[] = {{L"0", L"25.4"}, {L"1", L"1"}};
    for (const Case& c : cases) {
        ScopedMeasure measure(c.measure);
        ASSERT_EQ(map2_->put_LeftMargin(25.4), S_OK);
        ModalScript script;
        script.For(L"Page Setup", {[&](HWND d) {
            EXPECT_EQ(TextOf(d, kMarginEdits[0]).rfind(c.shown, 0), 0u) << TextOf(d, kMarginEdits[0]);
            Click(d, IDOK);
        }});
        ASSERT_EQ(map2_->ConfigurePrinting(), S_OK) << ErrorText();
        long margin = 0;
        EXPECT_EQ((CustomLayout()->get_LeftMargin(&margin), margin), 2540) << c.measure;
    }
}

TEST_F(PageSetupTest, WithoutAPrinterOrACustomLayoutNothingIsShownAndTheHostIsTold) {
    {
        // A service without a default layout: a new map has no custom layout to set up.
        enginetest::ScopedEnvironment writable(L"VADAZ_HOST_PACKAGE_WRITABLE", FreshFolder().c_str());
        enginetest::ScopedEnvironment faults(L"VADAZ_HOST_FAULTS", L"printsettings.DefaultLayout");
        ComPtr<IUnknown> created;
        ASSERT_EQ(controltest::CreateControl(created), S_OK);
        ComPtr<IZmaVadAZ2> other = controltest::As<IZmaVadAZ2>(created.Get());
        ASSERT_EQ(other->put_QuickPrintLayout(QUICK_PRINT_LAYOUT_PORTRAIT), S_OK);
        EXPECT_EQ(other->ConfigurePrinting(), E_FAIL);
        EXPECT_EQ(ErrorText(), L"The custom print layout cannot be loaded");
        long layout = -1;
        EXPECT_EQ((other->get_QuickPrintLayout(&layout), layout), QUICK_PRINT_LAYOUT_PORTRAIT);
    }
    std::wstring said;
    EXPECT_EQ(WithoutDefaultPrinter([](IZmaVadAZ2* map) { return map->ConfigurePrinting(); }, said), E_FAIL);
    EXPECT_EQ(said, L"There is no printer available.  Please configure a default printer.");
    const auto& dialogs = testsupport::DialogAnswerer::Current()->Dialogs();
    ASSERT_EQ(dialogs.size(), 1u);
    EXPECT_EQ(dialogs[0].caption, L"Map Module");
}

}  // namespace
}  // namespace printtest
