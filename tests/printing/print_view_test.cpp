// Printing a map that a host holds in place, with its background imagery: the printed map at the
// scale asked for and the control's own layers on it, on every sheet (measured on the pages by
// the picture judge), the picture exported at a scale, and the screen's view given back exactly
// by every print, preview, batch print and export, however it ends.
#include "tests/printing/PrintFixture.h"

#include "ZmaVOMap2/services/RegistrySettings.h"
#include "tests/control/ControlFixture.h"
#include "tests/datalayers/DisplayFixture.h"
#include "tests/support/DialogAnswerer.h"
#include "tests/support/TestSite.h"
#include "tests/support/TestSupport.h"
#include "tests/support/Watchdog.h"

#include <cmath>
#include <sstream>

namespace printtest {
namespace {

using platform::Bstr;
using platform::Variant;

constexpr double kLongitude = 10.0, kLatitude = 50.0;
constexpr long kDenominator = 50000;
constexpr long kMetre = 7, kCentimetre = 6;
// Host colours (0xRRGGBB): red points, a magenta circle, a cyan line.
constexpr long kPointColour = 0xFF0000, kCircleColour = 0xFF00FF, kLineColour = 0x00FFFF;

struct LonLat {
    double lon, lat;
};

class SitedPrintTest : public PrintTest {
protected:
    void SetUp() override {
        // The imagery's tiles come from a port that refuses at once: no page waits for a network.
        testsupport::WriteString(HKEY_CURRENT_USER, RegistrySettings::kRootKey, L"BackgroundMapTileServer",
                                 L"http://127.0.0.1:1/r%d/tiles/");
        PrintTest::SetUp();
        testsupport::DialogAnswerer::Current()->Clear();
        // The host's form: the map in place in a window of its own, its imagery kept.
        site_ = platform::MakeObject<testsupport::TestSite>(400, 300);
        ASSERT_EQ(controltest::CreateControl(control_), S_OK);
        ASSERT_EQ(testsupport::ActivateInPlace(control_.Get(), *site_.Get()), S_OK);
        map2_ = controltest::As<IZmaVadAZ2>(control_.Get());
        ASSERT_EQ(map2_->get_MapX(map_.Put()), S_OK);
        ASSERT_EQ(map2_->put_VOPrintLegend(legend_.Get()), S_OK);
        ASSERT_EQ(map2_->put_TitleFontColor(Variant(L"0000ff")), S_OK);  // the picture judge's title colour
        FollowPages();
        enginetest::Put(map_.Get(), enginetest::map::kMapUnit, Variant(kMetre));
        ShowFarCellSite();
        Show(8000);
    }
    // Lines between points come with the first cell-site layer: one site, far from the prints.
    void ShowFarCellSite() {
        ComPtr<IDispatch> sites =
            displaytest::NewDataset({{L"Latitude", 13}, {L"Longitude", 12}, {L"Azimuth", 5}, {L"ElementHandle", 3}}, 1);
        displaytest::SetValue(sites.Get(), 0, L"Latitude", Variant(20.0));
        displaytest::SetValue(sites.Get(), 0, L"Longitude", Variant(-40.0));
        displaytest::SetValue(sites.Get(), 0, L"ElementHandle", Variant(1L));
        ASSERT_EQ(map2_->CreateMultiDMapping(sites.Get(), Bstr(L"{far-site}").Get(),
                                             displaytest::FieldConfiguration(L"CellRefs", {L"Azimuth"}).Get()),
                  S_OK);
    }
    void TearDown() override {
        testsupport::DialogAnswerer::Current()->SetAction(nullptr);
        if (control_) testsupport::CloseInPlace(control_.Get());
        PrintTest::TearDown();
        testsupport::DeleteValue(HKEY_CURRENT_USER, RegistrySettings::kRootKey, L"BackgroundMapTileServer");
    }

    // A view of about `metres` across at the test's place; the imagery snaps it to a tile level.
    void Show(double metres) {
        enginetest::Call(map_.Get(), enginetest::map::kZoomTo, {Variant(metres), Variant(kLongitude), Variant(kLatitude)});
    }

    // The map position that prints `east` and `south` (0.01 mm of paper at the test's scale) from
    // the map's centre: the view's pixels are linear in the ground.
    LonLat OnPaper(double east, double south) {
        const double width = enginetest::Number(enginetest::Get(map_.Get(), enginetest::map::kScreenWidth));
        const double height = enginetest::Number(enginetest::Get(map_.Get(), enginetest::map::kScreenHeight));
        const double pixelsPerMetre = width / enginetest::Number(enginetest::Get(map_.Get(), enginetest::map::kZoom));
        LonLat at = {};
        enginetest::ScreenToMap(map_.Get(), static_cast<float>(width / 2 + east * kDenominator / 1e5 * pixelsPerMetre),
                                static_cast<float>(height / 2 + south * kDenominator / 1e5 * pixelsPerMetre), at.lon,
                                at.lat);
        return at;
    }

    // The control's own layers: a point (a 100 m disc) at each offset on paper from the centre of
    // the map that `layout` places, a 1 km circle round the centre and a line from it 1 km east;
    // the judge's marks, on the sheet.
    std::string Mark(const std::vector<POINT>& points, const MapPageLayout& layout) {
        const RECT map = Unflipped(layout.mapRect);
        const long cx = (map.left + map.right) / 2, cy = (map.top + map.bottom) / 2, km = 100000 * 1000 / kDenominator;
        const LonLat centre = OnPaper(0, 0), east = OnPaper(km, 0);
        std::ostringstream marks;
        marks << "points " << points.size();
        for (const POINT& p : points) {
            const LonLat at = OnPaper(p.x, p.y);
            EXPECT_EQ(map2_->DrawFilledCircle(at.lat, at.lon, Variant(100.0), Variant(kPointColour), 1.0, nullptr),
                      S_OK);
            marks << " " << cx + p.x << " " << cy + p.y;
        }
        EXPECT_EQ(map2_->DrawCircle(centre.lat, centre.lon, Variant(1000.0), 1, 0, Variant(kCircleColour), nullptr),
                  S_OK);
        EXPECT_EQ(map2_->DrawLineBetweenPoints(Variant(centre.lon), Variant(centre.lat), Variant(east.lon),
                                               Variant(east.lat), 1, 0, Variant(kLineColour)),
                  S_OK);
        marks << " circle " << cx << " " << cy << " " << km << " line " << cx << " " << cy << " " << cx + km << " " << cy;
        return marks.str();
    }

    // The judge's graticule: the spacing on paper (0.001 mm) of the lines the engine drew last.
    std::string Grid(const std::wstring& member) {
        return " grid " + std::to_string(std::lround(GroundMetres(LoggedStep(member)) / kDenominator * 1e6));
    }

    // The ground length of `step` degrees of latitude, in metres.
    double GroundMetres(double step) {
        return enginetest::Number(enginetest::Call(map_.Get(), enginetest::map::kDistance,
                                                   {Variant(kLongitude), Variant(kLatitude), Variant(kLongitude),
                                                    Variant(kLatitude + step)}));
    }

    // The graticule step of the last print or export the engine logged.
    double LoggedStep(const std::wstring& member) {
        const std::wstring prefix = member + L" graticule ";
        double step = 0;
        for (const std::wstring& line : enginetest::CallLines(map_.Get()))
            if (line.compare(0, prefix.size(), prefix) == 0) step = testsupport::NumberIn(line.substr(prefix.size()));
        EXPECT_GT(step, 0) << "the engine logged no graticule";
        return step;
    }

    // The layout a job of the control's custom layout gets.
    MapPageLayout CustomLayout(bool landscape) {
        settings_ = LoadedSettings(kCustomAddress);
        support_.SetOrientation(landscape ? DMORIENT_LANDSCAPE : DMORIENT_PORTRAIT);
        std::unique_ptr<MapPrintJobInfo> job = NewJob();
        job->GetPageCount();
        return job->Layout();
    }

    // The map the user printed: 12 x 9 cm (or as given) at 1:50 000 in the custom layout.
    void CustomAtScale(const wchar_t* width = L"12 cm", const wchar_t* height = L"9 cm") {
        ASSERT_EQ(map2_->put_MapSize(Bstr(L"custom").Get()), S_OK);
        ASSERT_EQ(map2_->put_ContentCentered(VARIANT_TRUE), S_OK);
        ASSERT_EQ(map2_->put_Width(Variant(width)), S_OK);
        ASSERT_EQ(map2_->put_Height(Variant(height)), S_OK);
        ASSERT_EQ(map2_->put_Scale(1.0 / kDenominator), S_OK);
    }

    // Each test starts without a custom layout of earlier tests.
    enginetest::ScopedEnvironment writable_{L"VADAZ_HOST_PACKAGE_WRITABLE", FreshFolder(L"sited-print").c_str()};
    testsupport::Watchdog watchdog_{60000};
    ComPtr<testsupport::TestSite> site_;
    ComPtr<IZmaVadAZ2> map2_;
};

TEST_F(SitedPrintTest, TheMapPrintsAtItsScaleWithTheOwnLayersOnItOnEverySheet) {
    // Points 6 cm apart across a map two sheets wide, clear of the sheets' edges; the map is tall
    // enough for two lines of its coarser graticule.
    std::vector<POINT> spread;
    for (long x : {-12000, -6000, 0, 6000, 12000})
        for (long y : {-3000, 0, 3000}) spread.push_back({x, y});
    struct Case {
        const char* name;
        const wchar_t *width, *height;
        double leftMargin, topMargin;  // millimetres
        const wchar_t* legend;
        bool titleAbove, landscape, hostZoom, imagery;
        std::vector<POINT> points;  // 0.01 mm from the map's centre
    } const cases[] = {
        {"sited-at-scale", L"12 cm", L"9 cm", 10, 10, L"bottom", true, false, false, true, {{0, 0}}},
        {"sited-margins-legend-right", L"12 cm", L"9 cm", 40, 30, L"right", false, false, true, true, {{0, 0}, {4000, -2500}}},
        {"sited-landscape-legend-left", L"12 cm", L"9 cm", 10, 10, L"left", true, true, false, true, {{0, 0}}},
        {"sited-two-sheets-wide", L"30 cm", L"14 cm", 10, 10, L"top", true, false, false, true, spread},
        {"sited-at-scale-no-imagery", L"12 cm", L"9 cm", 10, 10, L"bottom", true, false, false, false, {{0, 0}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (!c.imagery) testsupport::RemoveBackgroundMap(control_.Get());
        map2_->ClearShapes();
        map2_->ClearLinesBetweenPoints();
        CustomAtScale(c.width, c.height);
        ASSERT_EQ(map2_->put_LeftMargin(c.leftMargin), S_OK);
        ASSERT_EQ(map2_->put_TopMargin(c.topMargin), S_OK);
        ASSERT_EQ(map2_->put_LegendPosition(Bstr(c.legend).Get()), S_OK);
        ASSERT_EQ(map2_->put_PositionTitleAboveMap(c.titleAbove ? VARIANT_TRUE : VARIANT_FALSE), S_OK);
        ASSERT_EQ(map2_->put_OrientationLandscape(c.landscape ? VARIANT_TRUE : VARIANT_FALSE), S_OK);
        // A host that sized the map with SetZoom: its screen offset is not the page's.
        if (c.hostZoom) {
            ASSERT_EQ(map2_->SetZoom(8000, 400, 300, 420, 320), S_OK);
        }
        const MapPageLayout layout = CustomLayout(c.landscape);  // as the control's job lays it out
        const std::string marks = Mark(c.points, layout);
        ClearEngineCalls();
        ::DeleteFileW(OutputFile().c_str());
        const Bstr title(platform::ToWide(c.name));
        ASSERT_EQ(watchdog_.Guard(std::string("QuickPrint ") + c.name, [&] { return map2_->QuickPrint(title.Get()); }), S_OK)
            << ErrorText();
        KeepForJudge(c.name, layout, 1, marks + Grid(L"Map.PrintMap"));
    }
}

TEST_F(SitedPrintTest, APictureExportedAtAScaleShowsTheGroundAtThatScale) {
    // The picture's size is the view's ground in the distance unit times the scale, taken as
    // lengths in the paper unit: both in centimetres, 1 cm of picture (at 96 pixels per inch) is
    // 500 m of ground.
    enginetest::Put(map_.Get(), enginetest::map::kPaperUnit, Variant(kCentimetre));
    enginetest::Put(map_.Get(), enginetest::map::kMapUnit, Variant(kCentimetre));
    ClearEngineCalls();
    const std::wstring picture = JudgeFolder() + L"\\sited-export-at-scale.bmp";
    ::DeleteFileW(picture.c_str());
    ASSERT_EQ(watchdog_.Guard("ExportAsPictureAtScale",
                      [&] { return map2_->ExportAsPictureAtScale(Bstr(picture).Get(), 1.0 / kDenominator); }),
              S_OK)
        << ErrorText();
    enginetest::Put(map_.Get(), enginetest::map::kMapUnit, Variant(kMetre));
    KeepPictureForJudge("sited-export-at-scale.bmp", "dpi 96" + Grid(L"Map.ExportMap"));
}

TEST_F(SitedPrintTest, EveryPrintPreviewBatchAndExportGivesTheScreenItsViewBack) {
    // A measurement layer that batch printing prints a page of.
    ComPtr<IDispatch> dataset = displaytest::NewDataset({{L"Latitude", 13}, {L"Longitude", 12}, {L"RxLev", 5}}, 10);
    ASSERT_EQ(displaytest::Call(controltest::As<IDispatch>(control_.Get()).Get(), displaytest::kDisplayDataset,
                                {Variant(dataset.Get()), displaytest::Text(L"RxLev"), displaytest::Text(L"{view-rxlev}")}),
              S_OK);
    ASSERT_EQ(map2_->SetDefaultBatchPrintFlagsForDataLayer(Bstr(L"{view-rxlev}").Get(), VARIANT_TRUE, VARIANT_FALSE),
              S_OK);
    const std::wstring picture = FreshFolder(L"sited-export") + L"\\view.bmp";
    auto cancelAtFirstPage = [] {
        if (HWND dialog = ::FindWindowW(L"#32770", L"Print Progress"))
            ::SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    };
    struct Case {
        const char* name;
        double viewMetres;
        const wchar_t* width;
        std::function<void()> duringPage;
        const wchar_t* engineFaults;
        std::function<HRESULT()> run;
        bool succeeds;
    } const cases[] = {
        {"QuickPrint", 8000, L"12 cm", nullptr, L"", [&] { return map2_->QuickPrint(Bstr(L"view").Get()); }, true},
        {"QuickPrint of a 50 m view", 50, L"12 cm", nullptr, L"", [&] { return map2_->QuickPrint(Bstr(L"view").Get()); },
         true},
        {"QuickPrint cancelled", 8000, L"50 cm", cancelAtFirstPage, L"",
         [&] { return map2_->QuickPrint(Bstr(L"view").Get()); }, true},
        {"QuickPrint failed", 8000, L"12 cm", nullptr, L"fail-printmap",
         [&] { return map2_->QuickPrint(Bstr(L"view").Get()); }, false},
        {"QuickBatchPrint", 8000, L"12 cm", nullptr, L"", [&] { return map2_->QuickBatchPrint(); }, true},
        {"PrintPreview", 8000, L"12 cm", nullptr, L"",
         [&] {
             const HRESULT hr = map2_->PrintPreview();
             testsupport::PumpMessages();
             if (HWND frame = PreviewFrame()) ::DestroyWindow(frame);
             return SUCCEEDED(hr) ? S_OK : hr;
         },
         true},
        {"ExportAsPictureAtScale", 8000, L"12 cm", nullptr, L"",
         [&] { return map2_->ExportAsPictureAtScale(Bstr(picture).Get(), 1.0 / kDenominator); }, true},
        // A picture larger than the engine draws.
        {"ExportAsPictureAtScale failed", 8000, L"12 cm", nullptr, L"",
         [&] { return map2_->ExportAsPictureAtScale(Bstr(picture).Get(), 1.0); }, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Show(c.viewMetres);
        CustomAtScale(c.width);
        const std::vector<double> before = EngineState();
        bool first = true;
        DuringEachPage([&] {
            if (first && c.duringPage) c.duringPage();
            first = false;
        });
        HRESULT hr = S_OK;
        {
            enginetest::ScopedEnvironment faults(L"VADAZ_ENGINE_FAULTS", c.engineFaults);
            hr = watchdog_.Guard(c.name, c.run);
        }
        DuringEachPage(nullptr);
        EXPECT_EQ(SUCCEEDED(hr), c.succeeds) << std::hex << hr;
        EXPECT_EQ(EngineState(), before);
    }
}

}  // namespace
}  // namespace printtest
