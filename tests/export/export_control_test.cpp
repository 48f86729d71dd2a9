// A shown dataset exported as a user exports it, from the Layer Control of a control in a test site;
// export_gdal_check.py reads the files back and knows the rows the map draws.
#include "tests/export/ExportFixture.h"

#include "ZmaVOMap2/dialogs/DialogResources.h"
#include "ZmaVOMap2/export/ExportResource.h"
#include "tests/commands/CommandsFixture.h"
#include "tests/datalayers/DisplayFixture.h"
#include "tests/dialogs/DialogScript.h"
#include "tests/support/TestSupport.h"
#include "tests/support/Watchdog.h"

#include <commctrl.h>

#include <limits>
#include <tuple>

using namespace displaytest;
using controltest::As;
using platform::Bstr;
using platform::Variant;
using Lines = std::vector<std::wstring>;

namespace {

const wchar_t kSeries[] = L"{E4900000-0000-0000-0000-000000000049}";

class MapExport : public commandtest::SitedMap {
protected:
    // The symbols one frame of the map draws.
    long DrawnSymbols() {
        platform::ComPtr<IHostRendererTest> renderer = dltest::RendererSettings(CLSID_HostPointRenderer);
        renderer->ResetCounters();
        EXPECT_EQ(testsupport::DibCanvas(400, 300).DrawView(control_.Get()), S_OK);
        long symbols = 0;
        renderer->get_SymbolsDrawn(&symbols);
        return symbols;
    }

    // "Export to TAB" (or KML) of "RxLev" into `folder` from the Layer Control: its messages, then its log lines.
    Lines Export(int command, const std::wstring& folder) {
        dialogtest::DialogScript script;
        script.Then([&](HWND layerControl) {
            for (int button : {command, IDCANCEL}) dialogtest::Click(layerControl, button);
        });
        script.Then([&](HWND exportDialog) {
            ::SetDlgItemTextW(exportDialog, IDC_EXPORT_FOLDER, folder.c_str());
            ListView_SetCheckState(::GetDlgItem(exportDialog, IDC_EXPORT_LAYERS), 0, TRUE);  // the shown layer, on top
            dialogtest::Click(exportDialog, IDOK);
        });
        Dialogs().Clear();
        testsupport::ClearHostLog();
        EXPECT_EQ(watchdog_.Guard("the export", [&] { return automation_->LayersDlg(); }), S_OK);
        Lines seen;
        for (const testsupport::DialogAnswerer::Answered& a : Dialogs().Dialogs())
            if (a.caption == L"Map Module") seen.push_back(a.text);
        for (const std::wstring& line : testsupport::HostLogLines())
            if (line.find(L" export of the layer ") != std::wstring::npos) seen.push_back(line);
        return seen;
    }

    testsupport::Watchdog watchdog_{60000};
};

// The map leaves out a row whose position is no number, not finite, off the world or at (0, 0); both exports
// write exactly the rows it draws, count the others and keep every value, although 1e308, 1e20 and 1e-320 fit
// no decimal column. A field the host renamed leaves those rows drawn and both exports refuse it alike.
TEST_F(MapExport, BothExportsWriteTheRowsTheMapDrawsAndRefuseAFieldTheHostRenamedAlike) {
    const double nan = std::numeric_limits<double>::quiet_NaN(), unusual[] = {nan, 1e308, -0.0, 1e-320, -70.5, 1e20};
    platform::ComPtr<IDispatch> dataset = NewDataset({{L"Latitude", 13}, {L"Longitude", 12}, {L"RxLev", 5}}, 200);
    for (long row = 0; row < 200; ++row) {  // a grid of 20 by 10 rows 0.02 degrees apart from 50 N, 10 E
        SetValue(dataset.Get(), row, L"Latitude", Variant(50.0 + 0.02 * (row / 20)));
        SetValue(dataset.Get(), row, L"Longitude", Variant(10.0 + 0.02 * (row % 20)));
        SetValue(dataset.Get(), row, L"RxLev", Variant(row >= 100 && row < 106 ? unusual[row - 100] : -40.5 - row));
    }
    const std::tuple<long, const wchar_t*, Variant> off[] = {
        {3, L"Latitude", Variant(L"abc")}, {10, L"Longitude", Variant(1e308)}, {11, L"Longitude", Variant(-1e300)},
        {20, L"Latitude", Variant(0.0)},   {20, L"Longitude", Variant(0.0)},   {21, L"Latitude", Variant(-0.0)},
        {21, L"Longitude", Variant(-0.0)}, {40, L"Latitude", Variant(90.5)},   {41, L"Latitude", Variant(nan)}};
    for (const auto& [row, field, value] : off) SetValue(dataset.Get(), row, field, value);
    exporttest::AttachStyle(As<IHostDataset>(dataset.Get()).Get(), L"RxLev", {});
    ASSERT_EQ(Call(automation_.Get(), kDisplayDataset, {Variant(dataset.Get()), Text(L"RxLev"), Text(kSeries)}), S_OK);
    ASSERT_EQ(DrawnSymbols(), 193);

    const std::wstring folder = platform::ToWide(exporttest::OutFolder("map_rows"));
    EXPECT_EQ(Export(IDC_LAYER_EXPORT_TAB, folder),
              (Lines{L"File export complete.",
                     L"TAB export of the layer \"RxLev\": 193 rows written, 7 rows without a position on the map left "
                     L"out, 0 values with characters the table's character set cannot hold (written with \"?\")"}));
    EXPECT_EQ(Export(IDC_LAYER_EXPORT_KML, folder),
              (Lines{L"File export complete.",
                     L"KML export of the layer \"RxLev\": 193 placemarks written, 7 rows without a position on the map "
                     L"left out"}));

    ASSERT_EQ(As<IHostDatasetSetup>(dataset.Get())->RenameField(Bstr(L"RxLev").Get(), Bstr(L"Signal").Get()), S_OK);
    const Variant noRenderer(static_cast<IDispatch*>(nullptr));
    ASSERT_EQ(Call(automation_.Get(), kNotifyChange, {Text(kSeries), Variant(0L), noRenderer, Missing()}), S_OK);
    EXPECT_EQ(DrawnSymbols(), 193);
    const std::wstring renamed = platform::ToWide(exporttest::OutFolder("renamed"));
    for (int command : {IDC_LAYER_EXPORT_TAB, IDC_LAYER_EXPORT_KML})
        EXPECT_EQ(Export(command, renamed), Lines{L"These layers could not be exported:\nRxLev: The dataset no longer "
                                                  L"has the field \"RxLev\" that the layer shows."});
    for (const wchar_t* file : {L"\\RxLev.TAB", L"\\RxLev.kml"})
        EXPECT_EQ(::GetFileAttributesW((renamed + file).c_str()), INVALID_FILE_ATTRIBUTES) << file;
}

}  // namespace
