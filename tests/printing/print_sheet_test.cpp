// The "Print Map" sheet: every setting it exchanges with the print settings, the room it leaves
// for the map, the arithmetic of a printed map's size, and its three pages worked by a user.
#include "ZmaVOMap2/printing/PrintingResource.h"
#include "ZmaVOMap2/printing/QuickPrintDlg.h"
#include "tests/printing/ModalScript.h"
#include "tests/standins/mapengine/EngineFixture.h"

#include "platform/Number.h"
#include "platform/Result.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

namespace printtest {
namespace {

using platform::Bstr;
using platform::ComPtr;
using platform::Variant;
using S = IMapPrintSettings;

constexpr long kKilometre = 1;  // the engine's distance unit code

ComPtr<IMapPrintSettings> DefaultSettings() {
    ComPtr<IMapPrintSettings> settings;
    EXPECT_EQ(::CoCreateInstance(CLSID_MapPrintSettings, nullptr, CLSCTX_ALL, IID_IMapPrintSettings, settings.PutVoid()),
              S_OK);
    VARIANT_BOOL loaded = VARIANT_FALSE;
    if (settings) settings->Load(Variant(0L), &loaded);
    return settings;
}

long Number(IMapPrintSettings* s, HRESULT (STDMETHODCALLTYPE S::*get)(long*)) {
    long value = -1;
    EXPECT_EQ((s->*get)(&value), S_OK);
    return value;
}

std::wstring Alignment(IMapPrintSettings* s) {
    Variant value;
    s->get_TitleAlignment(value.Put());
    return value.vt == VT_BSTR ? value.bstrVal : L"?";
}

HRESULT Raised(const std::function<void()>& action, std::wstring* description = nullptr) {
    try {
        action();
        return S_OK;
    } catch (const platform::ComError& e) {
        if (description) *description = e.Description();
        return e.Error();
    }
}

class SheetTest : public ::testing::Test {
protected:
    void SetUp() override {
        settings_ = DefaultSettings();
        ASSERT_EQ(::CoCreateInstance(CLSID_HostPrintLegend, nullptr, CLSCTX_ALL, IID_IHostPrintLegend, legend_.PutVoid()),
                  S_OK);
        for (const wchar_t* series : {L"{A1}", L"{B2}", L"{C3}"}) legend_->AddSeries(nullptr, Bstr(series).Get(), nullptr);
    }

    // A 10 km view in a window of 20 x 15 cm, on an A4 landscape page less 1 cm margins.
    std::unique_ptr<CQuickPrintDlg> NewSheet(SIZE window = {20000, 15000}) {
        auto sheet = std::make_unique<CQuickPrintDlg>(nullptr, legend_.Get());
        sheet->SetMapDistanceUnit(kKilometre);
        sheet->SetViewWidth(10.0);
        sheet->SetWindowSize(window);
        sheet->SetPrintableSize({27700, 19000});
        return sheet;
    }

    ScopedMeasure metric_{L"0"};
    RecordingPrompts prompts_;
    ComPtr<IMapPrintSettings> settings_;
    ComPtr<IHostPrintLegend> legend_;
};

TEST_F(SheetTest, LoadThenStoreKeepsEverySettingAndMendsWhatCannotBePrinted) {
    struct Case {
        const char* name;
        std::function<void(IMapPrintSettings*)> stored;
        std::function<void(IMapPrintSettings*)> expect;
    } const cases[] = {
        {"every setting changed",
         [](IMapPrintSettings* s) {
             s->put_ContentCentered(VARIANT_TRUE);
             s->put_MapSize(2);
             s->put_Width(25000);
             s->put_Height(16000);
             s->put_ScaleDenominator(25000);
             s->put_PrintMapBorder(VARIANT_FALSE);
             s->put_PrintLegend(VARIANT_FALSE);
             s->put_LegendPosition(135);
             s->put_FixedLegendSize(VARIANT_TRUE);
             s->put_PrintTitle(VARIANT_FALSE);
             s->put_PrintTitleBorder(VARIANT_TRUE);
             s->put_PositionTitleAboveMap(VARIANT_FALSE);
             s->put_TitleAlignment(Variant(L"right"));
             s->put_TitleFontColor(RGB(10, 20, 30));
             ComPtr<IFont> font;
             s->get_TitleFont(font.Put());
             font->put_Name(Bstr(L"DejaVu Sans Mono").Get());
             font->put_Size(CY{{120000, 0}});
             font->put_Italic(TRUE);
             font->put_Underline(TRUE);
             font->put_Weight(FW_NORMAL);
         },
         [](IMapPrintSettings* s) {
             VARIANT_BOOL flag = 0;
             EXPECT_EQ((s->get_ContentCentered(&flag), flag), VARIANT_TRUE);
             EXPECT_EQ(Number(s, &S::get_MapSize), 2);
             EXPECT_EQ(Number(s, &S::get_Width), 25000);
             EXPECT_EQ(Number(s, &S::get_Height), 16000);
             EXPECT_EQ(Number(s, &S::get_ScaleDenominator), 25000);
             EXPECT_EQ((s->get_PrintMapBorder(&flag), flag), VARIANT_FALSE);
             EXPECT_EQ((s->get_PrintLegend(&flag), flag), VARIANT_FALSE);
             EXPECT_EQ(Number(s, &S::get_LegendPosition), 135);
             EXPECT_EQ((s->get_FixedLegendSize(&flag), flag), VARIANT_TRUE);
             EXPECT_EQ((s->get_PrintTitle(&flag), flag), VARIANT_FALSE);
             EXPECT_EQ((s->get_PrintTitleBorder(&flag), flag), VARIANT_TRUE);
             EXPECT_EQ((s->get_PositionTitleAboveMap(&flag), flag), 0);
             EXPECT_EQ(Alignment(s), L"right");
             OLE_COLOR colour = 0;
             EXPECT_EQ((s->get_TitleFontColor(&colour), colour), RGB(10, 20, 30));
             ComPtr<IFont> font;
             s->get_TitleFont(font.Put());
             Bstr name;
             CY size = {};
             BOOL italic = FALSE, underline = FALSE, bold = TRUE;
             font->get_Name(name.Put());
             font->get_Size(&size);
             font->get_Italic(&italic);
             font->get_Underline(&underline);
             font->get_Bold(&bold);
             EXPECT_EQ(name.Wide(), L"DejaVu Sans Mono");
             EXPECT_EQ((size.int64 + 5000) / 10000, 12);
             EXPECT_TRUE(italic && underline && !bold);
         }},
        // One side below the smallest printed map (10 x 7.5 cm) grows; the other stays.
        {"a custom size too narrow",
         [](IMapPrintSettings* s) {
             s->put_Width(9999);
             s->put_Height(8000);
         },
         [](IMapPrintSettings* s) {
             EXPECT_EQ(Number(s, &S::get_Width), 10000);
             EXPECT_EQ(Number(s, &S::get_Height), 8000);
         }},
        {"a legend position that is no direction, a map size out of range",
         [](IMapPrintSettings* s) {
             s->put_LegendPosition(30);
             s->put_MapSize(7);
         },
         [](IMapPrintSettings* s) {
             EXPECT_EQ(Number(s, &S::get_LegendPosition), 225);
             EXPECT_EQ(Number(s, &S::get_MapSize), 2);
         }},
        {"the British spelling of centre, no scale",
         [](IMapPrintSettings* s) {
             s->put_TitleAlignment(Variant(L"centre"));
             s->put_ScaleDenominator(0);
         },
         [](IMapPrintSettings* s) {
             EXPECT_EQ(Alignment(s), L"left");
             EXPECT_EQ(Number(s, &S::get_ScaleDenominator), 0);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ComPtr<IMapPrintSettings> stored = DefaultSettings(), copy = DefaultSettings();
        c.stored(stored.Get());
        auto sheet = NewSheet();
        EXPECT_TRUE(sheet->LoadSettings(stored.Get()));
        EXPECT_TRUE(sheet->StoreSettings(copy.Get()));
        c.expect(copy.Get());
    }
}

TEST_F(SheetTest, SettingsWithoutATitleFontOrThatAreNoneAreRefused) {
    auto sheet = NewSheet();
    EXPECT_FALSE(sheet->LoadSettings(legend_.Get()));
    EXPECT_FALSE(sheet->LoadSettings(nullptr));
    {
        enginetest::ScopedEnvironment faults(L"VADAZ_HOST_FAULTS", L"printsettings.NoTitleFont");
        ComPtr<IMapPrintSettings> fontless = DefaultSettings();
        fontless->put_TitleFontColor(RGB(1, 2, 3));
        fontless->put_LegendPosition(270);
        EXPECT_FALSE(sheet->LoadSettings(fontless.Get()));
        EXPECT_EQ(sheet->LegendPage().Position(), 270);
        EXPECT_EQ(sheet->TitlePage().Colour(), RGB(0, 0, 0)) << "the colour goes with the font";
    }
    enginetest::ScopedEnvironment faults(L"VADAZ_HOST_FAULTS", L"printsettings.get_MapSize");
    ComPtr<IMapPrintSettings> failing = DefaultSettings();
    std::wstring said;
    EXPECT_EQ(Raised([&] { sheet->LoadSettings(failing.Get()); }, &said), E_FAIL);
    EXPECT_EQ(said, L"Fault switched on: printsettings.get_MapSize");
}

TEST_F(SheetTest, TheMapGetsThePageLessTheTitleAndALegendBesideIt) {
    // The legend's own measure of itself with one side given.
    auto measured = [&](long width, long height) {
        legend_->Measure(nullptr, &width, &height);
        return SIZE{width, height};
    };
    // The title block: a line of the default title font (14 points) and half a line below it.
    auto titled = NewSheet();
    titled->TitlePage().SetTitle(L"Drive test 17");
    const long title = 19000 - titled->ComputeMapArea().cy;
    const long line = 14 * 2540 / 72;
    EXPECT_GT(title, line);
    EXPECT_LT(title, 2 * line);
    struct Case {
        const char* name;
        bool title, legend;
        long angle;
        SIZE taken;  // by the legend
    } const cases[] = {
        {"nothing but the map", false, false, 0, {}},
        {"a legend to the right", false, true, 0, {measured(0, 19000).cx, 0}},
        {"a legend to the left under a title", true, true, 180, {measured(0, 19000 - title).cx, 0}},
        {"a legend above", false, true, 90, {0, measured(27700, 0).cy}},
        {"a legend in a corner over the map", true, true, 45, {}},
        {"a legend not shown", true, false, 0, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto sheet = NewSheet();
        sheet->TitlePage().SetPrintTitle(c.title);
        sheet->TitlePage().SetTitle(L"Drive test 17");
        sheet->LegendPage().SetShowLegend(c.legend);
        sheet->LegendPage().SetPosition(c.angle);
        const SIZE area = sheet->ComputeMapArea();
        EXPECT_EQ(area.cx, 27700 - c.taken.cx);
        EXPECT_EQ(area.cy, 19000 - (c.title ? title : 0) - c.taken.cy);
    }
    auto tiny = NewSheet();
    tiny->SetPrintableSize({100, 100});
    const SIZE area = tiny->ComputeMapArea();
    EXPECT_EQ(area.cy, 0) << "no room is no room, not less";
}

TEST_F(SheetTest, APrintedMapGrowsInItsShapeToTheSmallestAndFitsInItsShape) {
    struct Case {
        SIZE size, enlarged;
    } const cases[] = {
        {{20000, 15000}, {20000, 15000}}, {{5000, 2000}, {18750, 7500}}, {{9000, 6000}, {11250, 7500}},
        {{3000, 7000}, {10000, 23333}},   {{0, 2000}, {0, 2000}},
    };
    for (const Case& c : cases) {
        const SIZE got = EnlargeToMinimum(c.size);
        EXPECT_EQ(got.cx, c.enlarged.cx) << c.size.cx << " x " << c.size.cy;
        EXPECT_EQ(got.cy, c.enlarged.cy) << c.size.cx << " x " << c.size.cy;
    }
    EXPECT_EQ(FitShape(4.0 / 3.0, {27700, 19000}).cx, 25333);
    EXPECT_EQ(FitShape(4.0 / 3.0, {27700, 19000}).cy, 19000);
    EXPECT_EQ(FitShape(2.0, {27700, 19000}).cy, 13850);
}

// --- The pages, worked by a user -------------------------------------------------------------------

// The preset list's entry for a denominator, or -1.
long PresetIndex(HWND page, unsigned long denominator) {
    HWND combo = ::GetDlgItem(page, IDC_MAP_PRESETS);
    for (LRESULT i = 0, n = ::SendMessageW(combo, CB_GETCOUNT, 0, 0); i < n; ++i)
        if (static_cast<unsigned long>(::SendMessageW(combo, CB_GETITEMDATA, i, 0)) == denominator) return static_cast<long>(i);
    return -1;
}

long SelectedPreset(HWND page) { return static_cast<long>(::SendDlgItemMessageW(page, IDC_MAP_PRESETS, CB_GETCURSEL, 0, 0)); }

void ChoosePreset(HWND page, unsigned long denominator) {
    HWND combo = ::GetDlgItem(page, IDC_MAP_PRESETS);
    ::SendMessageW(combo, CB_SETCURSEL, PresetIndex(page, denominator), 0);
    ::SendMessageW(page, WM_COMMAND, MAKEWPARAM(IDC_MAP_PRESETS, CBN_SELENDOK), reinterpret_cast<LPARAM>(combo));
}

TEST_F(SheetTest, TheMapPageKeepsSizeAndScaleTogetherAndRefusesAMapTooSmall) {
    settings_->put_MapSize(2);
    settings_->put_ContentCentered(VARIANT_FALSE);
    settings_->put_Width(20000);
    settings_->put_Height(15000);
    settings_->put_ScaleDenominator(50000);
    auto sheet = NewSheet();
    ASSERT_TRUE(sheet->LoadSettings(settings_.Get()));
    auto edits = [](HWND page) { return TextOf(page, IDC_MAP_WIDTH) + L" x " + TextOf(page, IDC_MAP_HEIGHT); };
    ModalScript script;
    script.For(L"Print Map",
               {[&](HWND s) {
                    // 1:50 000 shows 0.5 km on a centimetre of paper: the 10 km view on 20 cm.
                    HWND page = PageOf(s, 0);
                    EXPECT_EQ(edits(page), L"20.00 x 15.00");
                    EXPECT_EQ(TextOf(page, IDC_MAP_SCALE), L"0.5");
                    EXPECT_EQ(TextOf(page, IDC_MAP_SCALE_UNIT), L"kilometers");
                    EXPECT_EQ(SelectedPreset(page), PresetIndex(page, 50000));
                    EXPECT_TRUE(IsChecked(page, IDC_MAP_CUSTOM) && IsChecked(page, IDC_MAP_SAME));
                    ChoosePreset(page, 25000);
                },
                [&](HWND s) {
                    HWND page = PageOf(s, 0);
                    EXPECT_EQ(TextOf(page, IDC_MAP_SCALE), L"0.250000000");
                    EXPECT_EQ(edits(page), L"40.00 x 30.00");
                    EXPECT_FALSE(IsEnabled(page, IDC_MAP_SCALE)) << "a preset is not typed";
                    Type(page, IDC_MAP_WIDTH, L"30");
                },
                [&](HWND s) {
                    HWND page = PageOf(s, 0);
                    EXPECT_EQ(edits(page), L"30 x 22.50");
                    EXPECT_EQ(TextOf(page, IDC_MAP_SCALE), L"0.333333333");
                    EXPECT_EQ(SelectedPreset(page), 0) << "Custom...";
                    EXPECT_TRUE(IsEnabled(page, IDC_MAP_SCALE));
                    Click(page, IDC_MAP_WINDOW);
                },
                [&](HWND s) {
                    HWND page = PageOf(s, 0);
                    EXPECT_EQ(edits(page), L"20.00 x 15.00");
                    EXPECT_EQ(SelectedPreset(page), PresetIndex(page, 50000));
                    EXPECT_FALSE(IsEnabled(page, IDC_MAP_WIDTH));
                    EXPECT_FALSE(IsEnabled(page, IDC_MAP_CENTRED)) << "the window's view is the window's";
                    Click(page, IDC_MAP_FIT);
                },
                [&](HWND s) {
                    // The window's shape as large as the page allows beside the legend.
                    const SIZE fitted = FitShape(4.0 / 3.0, sheet->ComputeMapArea());
                    const std::string expected = platform::FormatFixed(fitted.cx / 1000.0, 2) + " x " +
                                                 platform::FormatFixed(fitted.cy / 1000.0, 2);
                    EXPECT_EQ(edits(PageOf(s, 0)), platform::ToWide(expected));
                    Click(PageOf(s, 0), IDC_MAP_CUSTOM);
                },
                [&](HWND s) {
                    Type(PageOf(s, 0), IDC_MAP_WIDTH, L"5");
                    ShowPage(s, 1);
                },
                [&](HWND s) {
                    EXPECT_EQ(CurrentPage(s), PageOf(s, 0)) << "a map 5 cm wide cannot be left behind";
                    ASSERT_FALSE(prompts_.boxes.empty());
                    EXPECT_EQ(prompts_.boxes.back(),
                              L"An invalid map dimension has been chosen: The map width that you have chosen is too "
                              L"small.  It must be at least 10.00 cm.");
                    EXPECT_EQ(::GetFocus(), ::GetDlgItem(PageOf(s, 0), IDC_MAP_WIDTH));
                    Type(PageOf(s, 0), IDC_MAP_WIDTH, L"12");
                },
                [&](HWND s) { Click(s, IDOK); }});
    ASSERT_EQ(sheet->DoModal(), IDOK);
    EXPECT_TRUE(script.Finished());
    ASSERT_TRUE(sheet->StoreSettings(settings_.Get()));
    EXPECT_EQ(Number(settings_.Get(), &S::get_MapSize), 2);
    EXPECT_EQ(Number(settings_.Get(), &S::get_Width), 12000);
    EXPECT_EQ(Number(settings_.Get(), &S::get_Height), 9000);
    EXPECT_EQ(Number(settings_.Get(), &S::get_ScaleDenominator), 83333);  // 10 km on 12 cm
}

TEST_F(SheetTest, OpeningAndClosingKeepsTheCustomSizeAndAWindowTooSmallTurnsCustom) {
    struct Case {
        const char* name;
        long mode;
        SIZE window;
        const wchar_t* scaleTyped;  // into "1 cm =" before OK
        long storedMode;
        SIZE storedSize;
        long storedDenominator;
    } const cases[] = {
        // Fitting to the page shows the page's size; the custom size stays the user's.
        {"fit to page", 1, {20000, 15000}, L" 0.25\t", 1, {18000, 12000}, 25000},
        {"a window smaller than the smallest map", 0, {8000, 6000}, L"2 km", 2, {10000, 7500}, 50000},
        {"the window's size", 0, {20000, 15000}, L"abc", 0, {18000, 12000}, 50000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        settings_->put_MapSize(c.mode);
        settings_->put_Width(18000);
        settings_->put_Height(12000);
        settings_->put_ScaleDenominator(50000);
        auto sheet = NewSheet(c.window);
        ASSERT_TRUE(sheet->LoadSettings(settings_.Get()));
        const bool small = c.window.cx < 10000;
        ModalScript script;
        script.For(L"Print Map", {[&](HWND s) {
                                      EXPECT_EQ(IsEnabled(PageOf(s, 0), IDC_MAP_WINDOW), !small);
                                      EXPECT_EQ(IsChecked(PageOf(s, 0), IDC_MAP_CUSTOM), small);
                                      ::SetDlgItemTextW(PageOf(s, 0), IDC_MAP_SCALE, c.scaleTyped);
                                  },
                                  [&](HWND s) { Click(s, IDOK); }});
        ASSERT_EQ(sheet->DoModal(), IDOK);
        ComPtr<IMapPrintSettings> stored = DefaultSettings();
        ASSERT_TRUE(sheet->StoreSettings(stored.Get()));
        EXPECT_EQ(Number(stored.Get(), &S::get_MapSize), c.storedMode);
        EXPECT_EQ(Number(stored.Get(), &S::get_Width), c.storedSize.cx);
        EXPECT_EQ(Number(stored.Get(), &S::get_Height), c.storedSize.cy);
        EXPECT_EQ(Number(stored.Get(), &S::get_ScaleDenominator), c.storedDenominator) << "a scale that is no number is refused";
    }
}

TEST_F(SheetTest, TheLegendButtonsGiveTheirAnglesAndTheOverlapChoosesTheGroup) {
    settings_->put_PrintLegend(VARIANT_TRUE);
    settings_->put_LegendPosition(225);
    auto sheet = NewSheet();
    ASSERT_TRUE(sheet->LoadSettings(settings_.Get()));
    struct Button {
        int id;
        long angle;
    };
    const Button corners[] = {{IDC_LEGEND_BOTTOM_RIGHT, 315}, {IDC_LEGEND_BOTTOM_LEFT, 225}, {IDC_LEGEND_TOP_LEFT, 135},
                              {IDC_LEGEND_TOP_RIGHT, 45}};
    const Button sides[] = {{IDC_LEGEND_RIGHT, 0}, {IDC_LEGEND_BOTTOM, 270}, {IDC_LEGEND_LEFT, 180}, {IDC_LEGEND_TOP, 90}};
    auto clickEach = [&](HWND page, const Button (&buttons)[4]) {
        for (const Button& b : buttons) {
            Click(page, b.id);
            EXPECT_EQ(sheet->LegendPage().CurrentPosition(), b.angle) << b.id;
            for (const Button& other : buttons) EXPECT_EQ(IsChecked(page, other.id), other.id == b.id) << other.id;
        }
    };
    ModalScript script;
    script.For(L"Print Map", {[&](HWND s) { ShowPage(s, 1); },
                              [&](HWND s) {
                                  HWND page = PageOf(s, 1);
                                  // 225 checks its corner, and the first side stands ready.
                                  EXPECT_TRUE(IsChecked(page, IDC_LEGEND_BOTTOM_LEFT) && IsChecked(page, IDC_LEGEND_RIGHT));
                                  EXPECT_TRUE(IsShown(page, IDC_LEGEND_TOP_LEFT) && IsShown(page, IDC_LEGEND_NOTE));
                                  EXPECT_FALSE(IsShown(page, IDC_LEGEND_TOP));
                                  clickEach(page, corners);
                                  Click(page, IDC_LEGEND_OVERLAP);
                              },
                              [&](HWND s) {
                                  HWND page = PageOf(s, 1);
                                  EXPECT_TRUE(IsShown(page, IDC_LEGEND_TOP));
                                  EXPECT_FALSE(IsShown(page, IDC_LEGEND_TOP_LEFT) || IsShown(page, IDC_LEGEND_NOTE));
                                  clickEach(page, sides);
                                  Click(page, IDC_LEGEND_SHOW);
                              },
                              [&](HWND s) {
                                  HWND page = PageOf(s, 1);
                                  EXPECT_FALSE(IsEnabled(page, IDC_LEGEND_TOP) || IsEnabled(page, IDC_LEGEND_PICTURE));
                                  Click(s, IDOK);
                              }});
    ASSERT_EQ(sheet->DoModal(), IDOK);
    ASSERT_TRUE(sheet->StoreSettings(settings_.Get()));
    VARIANT_BOOL shown = VARIANT_TRUE;
    EXPECT_EQ((settings_->get_PrintLegend(&shown), shown), VARIANT_FALSE);
    EXPECT_EQ(Number(settings_.Get(), &S::get_LegendPosition), 90) << "a hidden legend keeps its place";
}

// The colour list entry of a colour in the font dialog.
void ChooseColour(HWND dialog, COLORREF colour) {
    HWND colours = ::GetDlgItem(dialog, 0x473);
    for (LRESULT i = 0, n = ::SendMessageW(colours, CB_GETCOUNT, 0, 0); i < n; ++i) {
        if (static_cast<COLORREF>(::SendMessageW(colours, CB_GETITEMDATA, i, 0)) != colour) continue;
        ::SendMessageW(colours, CB_SETCURSEL, i, 0);
        ::SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(0x473, CBN_SELCHANGE), reinterpret_cast<LPARAM>(colours));
    }
}

TEST_F(SheetTest, TheTitlePageTakesAFontAndColourAndRefusesAnEmptyTitle) {
    auto sheet = NewSheet();
    ASSERT_TRUE(sheet->LoadSettings(settings_.Get()));
    sheet->TitlePage().SetTitle(L"Route 7");
    const std::wstring longTitle(600, L'x');
    ModalScript script;
    script
        .For(L"Print Map", {[&](HWND s) { ShowPage(s, 2); },
                            [&](HWND s) {
                                EXPECT_EQ(TextOf(PageOf(s, 2), IDC_TITLE_TEXT), L"Route 7");
                                Type(PageOf(s, 2), IDC_TITLE_TEXT, L"");
                                ShowPage(s, 0);
                            },
                            [&](HWND s) {
                                EXPECT_EQ(CurrentPage(s), PageOf(s, 2));
                                ASSERT_FALSE(prompts_.boxes.empty());
                                EXPECT_EQ(prompts_.boxes.back(), L"Page Setup: \"Map Title\" cannot be empty.");
                                Click(PageOf(s, 2), IDC_TITLE_PRINT);
                            },
                            [&](HWND s) {
                                EXPECT_FALSE(IsEnabled(PageOf(s, 2), IDC_TITLE_TEXT));
                                Click(PageOf(s, 2), IDC_TITLE_PRINT);
                                Type(PageOf(s, 2), IDC_TITLE_TEXT, longTitle.c_str());
                                Click(PageOf(s, 2), IDC_TITLE_RIGHT);
                                Click(PageOf(s, 2), IDC_TITLE_FONT);
                            },
                            [&](HWND s) { Click(s, IDOK); }})
        .For(L"Font", {[&](HWND d) {
                 ::SendDlgItemMessageW(d, 0x472, CB_SELECTSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(L"20"));
                 ::SendMessageW(d, WM_COMMAND, MAKEWPARAM(0x472, CBN_SELCHANGE), reinterpret_cast<LPARAM>(::GetDlgItem(d, 0x472)));
                 Click(d, 0x411);  // underline
                 ChooseColour(d, RGB(255, 0, 0));
                 Click(d, IDOK);
             }});
    ASSERT_EQ(sheet->DoModal(), IDOK);
    EXPECT_EQ(sheet->TitlePage().Title(), longTitle) << "a title too long to print stays as typed";
    ASSERT_TRUE(sheet->StoreSettings(settings_.Get()));
    EXPECT_EQ(Alignment(settings_.Get()), L"right");
    OLE_COLOR colour = 0;
    EXPECT_EQ((settings_->get_TitleFontColor(&colour), colour), RGB(255, 0, 0));
    ComPtr<IFont> font;
    settings_->get_TitleFont(font.Put());
    CY size = {};
    BOOL underline = FALSE;
    font->get_Size(&size);
    font->get_Underline(&underline);
    EXPECT_EQ((size.int64 + 5000) / 10000, 20);
    EXPECT_TRUE(underline);
}

TEST_F(SheetTest, WithoutTheUnitConverterThePagesSayWhyOnceAndKeepWorking) {
    enginetest::ScopedEnvironment faults(L"VADAZ_HOST_FAULTS", L"unitconverter.create");
    std::wstring said;
    EXPECT_EQ(Raised([&] { NewSheet()->LoadSettings(settings_.Get()); }, &said), E_POINTER);
    const std::wstring why = L"The host's unit converter is not available: printed lengths cannot be converted";
    EXPECT_EQ(said, why);
    settings_->put_ScaleDenominator(0);
    auto sheet = NewSheet();
    ASSERT_TRUE(sheet->LoadSettings(settings_.Get()));
    ModalScript script;
    script.For(L"Print Map", {[&](HWND s) {
                                  EXPECT_EQ(prompts_.boxes, std::vector<std::wstring>{L"Map Module: " + why});
                                  Click(PageOf(s, 0), IDC_MAP_CUSTOM);
                                  Click(PageOf(s, 0), IDC_MAP_WINDOW);
                                  ShowPage(s, 2);
                              },
                              [&](HWND s) {
                                  Type(PageOf(s, 2), IDC_TITLE_TEXT, L"Still printing");
                                  Click(s, IDOK);
                              }});
    ASSERT_EQ(sheet->DoModal(), IDOK);
    EXPECT_EQ(prompts_.boxes.size(), 1u) << "one message, then beeps";
    EXPECT_EQ(sheet->TitlePage().Title(), L"Still printing");
}

}  // namespace
}  // namespace printtest
