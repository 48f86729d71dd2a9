// A shown dataset exported as a user exports it: a control active in a test site, the host's
// dataset shown through IDispatch, then "Export to TAB" or "Export to KML" in the Layer Control,
// the folder typed, the layer checked, OK. A frame tells how many rows the map draws; GDAL and an
// XML parser read the files back (export_gdal_check.py).
#include "ZmaVOMap2/dialogs/DialogResources.h"
#include "ZmaVOMap2/export/ExportResource.h"
#include "tests/commands/CommandsFixture.h"
#include "tests/datalayers/DisplayFixture.h"
#include "tests/dialogs/DialogScript.h"
#include "tests/support/DibCanvas.h"
#include "tests/support/TestSupport.h"
#include "tests/support/Watchdog.h"

#include <commctrl.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <limits>
#include <tuple>

using namespace dialogtest;
using controltest::As;
using displaytest::Call;
using displaytest::Text;
using platform::Bstr;
using platform::ComPtr;
using platform::Variant;

namespace {

const wchar_t kSeries[] = L"{E4900000-0000-0000-0000-000000000049}";
constexpr long kRows = 200;
using Changes = std::vector<std::tuple<long, const wchar_t*, Variant>>;

class MapExport : public commandtest::SitedMap {
protected:
    // kRows rows 0.02 degrees apart on a grid of 20 by 10 from 50 N, 10 E, "RxLev" = -40.5 - row
    // with a value formatter, and the `changes` (row, field, value) made before they are shown.
    void Show(const Changes& changes = {}) {
        dataset_ = displaytest::NewDataset({{L"Latitude", 13}, {L"Longitude", 12}, {L"RxLev", 5}}, kRows);
        for (long row = 0; row < kRows; ++row)
            for (auto [field, value] : {std::pair(L"Latitude", 50.0 + 0.02 * (row / 20)),
                                        std::pair(L"Longitude", 10.0 + 0.02 * (row % 20)), std::pair(L"RxLev", -40.5 - row)})
                displaytest::SetValue(dataset_.Get(), row, field, Variant(value));
        for (const auto& [row, field, value] : changes) displaytest::SetValue(dataset_.Get(), row, field, value);
        ComPtr<IHostFieldStyleSetup> style;
        ::CoCreateInstance(CLSID_HostFieldStyle, nullptr, CLSCTX_INPROC_SERVER, IID_IHostFieldStyleSetup, style.PutVoid());
        ASSERT_TRUE(style);
        style->SetDefaults(Bstr(L"Map Symbols").Get(), 0x808080, 10.0, 33);
        ComPtr<IHostFields> fields;
        ComPtr<IHostField> field;
        ComPtr<IHostPropertyCollection> properties;
        As<IHostDataset>(dataset_.Get())->get_Fields(fields.Put());
        fields->Item(Variant(L"RxLev"), field.Put());
        field->get_Properties(properties.Put());
        properties->Add(Variant(As<IDispatch>(style.Get()).Get()), displaytest::Missing(), displaytest::Missing());
        ASSERT_EQ(Call(automation_.Get(), displaytest::kDisplayDataset, {Variant(dataset_.Get()), Text(L"RxLev"), Text(kSeries)}),
                  S_OK);
    }

    // The symbols one frame of the map draws.
    long DrawnSymbols() {
        ComPtr<IHostRendererTest> renderer;
        ::CoCreateInstance(CLSID_HostPointRenderer, nullptr, CLSCTX_INPROC_SERVER, IID_IHostRendererTest, renderer.PutVoid());
        renderer->ResetCounters();
        testsupport::DibCanvas canvas(400, 300);
        EXPECT_EQ(canvas.DrawView(control_.Get()), S_OK);
        long symbols = 0;
        renderer->get_SymbolsDrawn(&symbols);
        return symbols;
    }
    // The folder "<build>/exports/<name>", as Wine names it.
    static std::wstring OutFolder(const std::string& name) {
        const std::wstring folder = testsupport::WinePath((std::string(EXPORT_TEST_OUT_UNIX) + "/" + name).c_str());
        ::CreateDirectoryW(folder.c_str(), nullptr);
        return folder;
    }

    // "Export to TAB" (or to KML) in the Layer Control, the layer "RxLev" into OutFolder(name),
    // where no file of that export is left from before: the messages the export showed.
    std::vector<std::wstring> Export(bool kml, const std::string& name) {
        const std::wstring folder = OutFolder(name);
        ::DeleteFileW((folder + (kml ? L"\\RxLev.kml" : L"\\RxLev.TAB")).c_str());
        DialogScript script;
        script.Then([&](HWND layerControl) {
                  Click(layerControl, kml ? IDC_LAYER_EXPORT_KML : IDC_LAYER_EXPORT_TAB);
                  Click(layerControl, IDCANCEL);
              })
            .Then([&](HWND exportDialog) {
                ::SetDlgItemTextW(exportDialog, IDC_EXPORT_FOLDER, folder.c_str());
                HWND list = ::GetDlgItem(exportDialog, IDC_EXPORT_LAYERS);
                LVFINDINFOW find = {LVFI_STRING, L"RxLev"};
                ListView_SetCheckState(list, ListView_FindItem(list, -1, &find), TRUE);
                Click(exportDialog, IDOK);
            });
        Dialogs().Clear();
        EXPECT_EQ(watchdog_.Guard("the export", [&] { return automation_->LayersDlg(); }), S_OK);
        std::vector<std::wstring> messages;
        for (const testsupport::DialogAnswerer::Answered& a : Dialogs().Dialogs())
            if (a.caption == L"Map Module") messages.push_back(a.text);
        return messages;
    }

    ComPtr<IDispatch> dataset_;
    testsupport::Watchdog watchdog_{60000};
};

const std::vector<std::wstring> kComplete = {L"File export complete."};

// The map leaves out a row whose position is no number, not finite, off the world or at (0, 0);
// both exports write exactly the rows it draws and count the others in their log lines, and the
// table reads back every value as it is, although 1e308, 1e20 and 1e-320 fit no decimal column.
// "expected.txt" lists the drawn rows (longitude, latitude, RxLev) for export_gdal_check.py.
TEST_F(MapExport, BothExportsWriteTheRowsTheMapDrawsWithTheirValuesAsTheyAre) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const std::vector<long> off = {3, 10, 11, 20, 21, 40, 41};
    Changes changes = {{3, L"Latitude", Variant(L"abc")}, {10, L"Longitude", Variant(1e308)},
                       {11, L"Longitude", Variant(-1e300)}, {20, L"Latitude", Variant(0.0)},
                       {20, L"Longitude", Variant(0.0)},   {21, L"Latitude", Variant(-0.0)},
                       {21, L"Longitude", Variant(-0.0)},  {40, L"Latitude", Variant(90.5)},
                       {41, L"Latitude", Variant(nan)}};
    std::vector<double> levels;
    for (long row = 0; row < kRows; ++row) levels.push_back(-40.5 - row);
    const double unusual[] = {nan, 1e308, -0.0, 1e-320, -70.5, 1e20};
    for (long i = 0; i < 6; ++i) {
        levels[100 + i] = unusual[i];
        changes.emplace_back(100 + i, L"RxLev", Variant(unusual[i]));
    }
    Show(changes);
    ASSERT_EQ(DrawnSymbols(), kRows - 7);
    std::ofstream expected(platform::ToAnsi(OutFolder("map_rows") + L"\\expected.txt"));
    for (long row = 0; row < kRows; ++row) {
        char line[80];
        std::snprintf(line, sizeof line, std::isnan(levels[row]) ? "%.2f %.2f nan\n" : "%.2f %.2f %.17g\n",
                      10.0 + 0.02 * (row % 20), 50.0 + 0.02 * (row / 20), levels[row]);
        if (std::find(off.begin(), off.end(), row) == off.end()) expected << line;
    }
    expected.close();

    testsupport::ClearHostLog();
    EXPECT_EQ(Export(false, "map_rows"), kComplete);
    EXPECT_EQ(Export(true, "map_rows"), kComplete);
    std::vector<std::wstring> log;
    for (const std::wstring& line : testsupport::HostLogLines())
        if (line.find(L" export of the layer ") != std::wstring::npos) log.push_back(line);
    EXPECT_EQ(log, (std::vector<std::wstring>{
                       L"TAB export of the layer \"RxLev\": 193 rows written, 7 rows without a position on the map left "
                       L"out, 0 values with characters the table's character set cannot hold (written with \"?\")",
                       L"KML export of the layer \"RxLev\": 193 placemarks written, 7 rows without a position on the map "
                       L"left out"}));
}

// The host renames the field the layer shows and says so: the map still draws every row (with the
// default look), and both exports refuse alike with the reason, writing nothing.
TEST_F(MapExport, AFieldTheHostRenamedFailsBothExportsAlikeWithTheReason) {
    Show();
    ASSERT_EQ(As<IHostDatasetSetup>(dataset_.Get())->RenameField(Bstr(L"RxLev").Get(), Bstr(L"Signal").Get()), S_OK);
    ASSERT_EQ(Call(automation_.Get(), displaytest::kNotifyChange,
                   {Text(kSeries), Variant(0L), Variant(static_cast<IDispatch*>(nullptr)), displaytest::Missing()}),
              S_OK);
    EXPECT_EQ(DrawnSymbols(), kRows);
    const std::vector<std::wstring> refused = {
        L"These layers could not be exported:\nRxLev: The dataset no longer has the field \"RxLev\" that the layer shows."};
    EXPECT_EQ(Export(false, "renamed"), refused);
    EXPECT_EQ(Export(true, "renamed"), refused);
    const std::wstring folder = OutFolder("renamed");
    for (const wchar_t* file : {L"\\RxLev.TAB", L"\\RxLev.kml"})
        EXPECT_EQ(::GetFileAttributesW((folder + file).c_str()), INVALID_FILE_ATTRIBUTES) << file;
}

}  // namespace
