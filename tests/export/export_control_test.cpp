// A shown dataset exported as a user exports it, from the Layer Control of a control in a test site;
// export_gdal_check.py reads the files back and knows the rows the map draws.
#include "tests/export/ExportFixture.h"

#include "ZmaVOMap2/dialogs/DialogResources.h"
#include "ZmaVOMap2/export/ExportResource.h"
#include "tests/commands/CommandsFixture.h"
#include "tests/datalayers/DisplayFixture.h"
#include "tests/dialogs/DialogScript.h"
#include "tests/support/DibCanvas.h"
#include "tests/raster/RasterFixture.h"
#include "tests/support/HeldFile.h"
#include "tests/support/TestSupport.h"
#include "tests/support/Watchdog.h"

#include <commctrl.h>

#include <algorithm>
#include <fstream>
#include <limits>
#include <optional>
#include <tuple>
#include <vector>

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

    // "Export to TAB" (or KML) of the layer named `layer` (the top one when null), or of every layer the dialog lists
    // when `listed` is given to take their names, into `folder` from the Layer Control: its messages, then its log
    // lines.
    Lines Export(int command, const std::wstring& folder, const wchar_t* layer = nullptr, Lines* listed = nullptr) {
        dialogtest::DialogScript script;
        script.Then([&](HWND layerControl) {
            for (int button : {command, IDCANCEL}) dialogtest::Click(layerControl, button);
        });
        script.Then([&](HWND exportDialog) {
            ::SetDlgItemTextW(exportDialog, IDC_EXPORT_FOLDER, folder.c_str());
            HWND list = ::GetDlgItem(exportDialog, IDC_EXPORT_LAYERS);
            for (int row = 0; listed && row < ListView_GetItemCount(list); ++row) {
                wchar_t name[200] = {};
                ListView_GetItemText(list, row, 0, name, 200);
                listed->push_back(name);
                ListView_SetCheckState(list, row, TRUE);
            }
            if (!listed) ListView_SetCheckState(list, layer ? RowNamed(list, layer) : 0, TRUE);  // else the shown layer, on top
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

    // A second export into a folder that holds an earlier one, which fails.
    struct FailedExport {
        IDispatch* failing;  // a host dataset whose MoveNext fails
        std::wstring held;   // a file of the folder that another program has open
    };

    // Each failure is told as the layer's (a file held, by its path), and the folder keeps every earlier file with
    // its bytes, and no other.
    void ExpectEachFailureKeepsTheFolder(const std::wstring& folder, const wchar_t* layer,
                                         const std::vector<FailedExport>& trials) {
        const exporttest::FileSet earlier = exporttest::FileBytes(folder);
        const Bstr moveNext(L"MoveNext");
        for (const auto& [failing, held] : trials) {
            std::optional<testsupport::HeldFile> holder;
            if (!held.empty()) holder.emplace(folder + L"\\" + held);
            if (failing) As<IHostDatasetSetup>(failing)->FailCalls(moveNext.Get(), E_FAIL);
            const Lines told = Export(IDC_LAYER_EXPORT_TAB, folder, layer);
            if (failing) As<IHostDatasetSetup>(failing)->FailCalls(moveNext.Get(), S_OK);
            holder.reset();
            const std::wstring why =
                held.empty() ? L"" : L"Cannot replace \"" + folder + L"\\" + held + L"\", which another program has open: ";
            ASSERT_EQ(told.size(), 1u) << platform::ToAnsi(held);
            EXPECT_EQ(told[0].rfind(L"These layers could not be exported:\n" + std::wstring(layer) + L": " + why, 0), 0u)
                << platform::ToAnsi(told[0]);
            EXPECT_TRUE(exporttest::FileBytes(folder) == earlier) << platform::ToAnsi(held);
        }
    }

    static int RowNamed(HWND list, const wchar_t* name) {
        LVFINDINFOW find = {LVFI_STRING, name};
        const int row = ListView_FindItem(list, -1, &find);
        EXPECT_GE(row, 0) << "no layer " << platform::ToAnsi(name);
        return row;
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

// A second export into the folder of a first replaces all of its table; one that fails, in the host's walk or on a
// file of the table that another program has open, keeps every file with its bytes (export_gdal_check.py reads the
// table back, with the values of the export that succeeded, and compares it with a copy made before the failures).
TEST_F(MapExport, AnExportReplacesTheEarlierTableWholeOrNotAtAll) {
    platform::ComPtr<IDispatch> dataset = NewDataset({{L"Latitude", 13}, {L"Longitude", 12}, {L"RxLev", 5}}, 30);
    const auto fill = [&](double level) {
        for (long row = 0; row < 30; ++row) {
            SetValue(dataset.Get(), row, L"Latitude", Variant(50.0 + 0.01 * row));
            SetValue(dataset.Get(), row, L"Longitude", Variant(10.0));
            SetValue(dataset.Get(), row, L"RxLev", Variant(level - row));
        }
    };
    fill(-40.5);
    exporttest::AttachStyle(As<IHostDataset>(dataset.Get()).Get(), L"RxLev", {});
    ASSERT_EQ(Call(automation_.Get(), kDisplayDataset, {Variant(dataset.Get()), Text(L"RxLev"), Text(kSeries)}), S_OK);
    const std::wstring folder = platform::ToWide(exporttest::OutFolder("replaced"));
    ASSERT_EQ(Export(IDC_LAYER_EXPORT_TAB, folder).front(), L"File export complete.");
    const exporttest::FileSet first = exporttest::FileBytes(folder);
    fill(-70.5);
    ASSERT_EQ(Export(IDC_LAYER_EXPORT_TAB, folder).front(), L"File export complete.");
    EXPECT_EQ(exporttest::FileBytes(folder).size(), 4u);
    EXPECT_NE(exporttest::FileBytes(folder)[L"RxLev.DAT"], first.at(L"RxLev.DAT"));
    exporttest::CopyFiles(folder, platform::ToWide(exporttest::OutFolder("replaced_before_failures")));

    fill(-10.5);
    ExpectEachFailureKeepsTheFolder(folder, L"RxLev",
                                    {{dataset.Get(), L""}, {nullptr, L"RxLev.DAT"}, {nullptr, L"RxLev.ID"}});
}

// The last-write time of a file in 100-nanosecond steps; 0 when it cannot be read.
ULONGLONG LastWriteTime(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    if (!::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return 0;
    return (ULONGLONG{data.ftLastWriteTime.dwHighDateTime} << 32) | data.ftLastWriteTime.dwLowDateTime;
}

// Every file an export copies keeps the last-write time of the file it copies, as a copy made by the system does:
// a table written in 2001 reads as written then, under the layer's name or its own, a raster table's image as well.
// Only a raster table's .TAB renamed with its image is written anew, and may read as written today.
TEST_F(MapExport, EachCopiedFileKeepsItsSourcesLastWriteTime) {
    const std::wstring source = platform::ToWide(exporttest::OutFolder("dated_sources"));
    const std::string ansi = platform::ToAnsi(source);
    std::ofstream(ansi + "\\old roads.tab") << "!table\n!version 300\n!charset WindowsLatin1\n\nDefinition Table\n"
                                               "  Type NATIVE Charset \"WindowsLatin1\"\n  Fields 1\n"
                                               "    Name Char (64) ;\n";
    for (const char* file : {"old roads.DAT", "old roads.MAP", "old roads.ID"})
        std::ofstream(ansi + "\\" + file) << file;
    rastertest::WriteRegisteredTable(ansi, "old tile.bmp", 10.0, 51.0, 10.1, 50.9, 8, 6);
    rastertest::WriteBitmap(ansi + "\\old tile.bmp", 8, 6);
    std::ofstream(ansi + "\\tiles.atr") << "old tile.TAB\n";
    // Each file written at its own minute of 1 January 2001.
    SYSTEMTIME written = {2001, 1, 1, 1, 12, 0, 0, 0};
    for (const std::wstring& file : exporttest::FilesIn(source)) {
        FILETIME time = {};
        ++written.wMinute;
        platform::UniqueFile opened(::CreateFileW((source + L"\\" + file).c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr,
                                                  OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(::SystemTimeToFileTime(&written, &time) && opened &&
                    ::SetFileTime(opened.Get(), nullptr, nullptr, &time));
    }

    const struct {
        const wchar_t *opened, *layer;
        std::vector<std::pair<std::wstring, std::wstring>> copies;  // (copy, its source)
        std::wstring writtenAnew;
    } cases[] = {
        {L"old roads.tab", L"old roads",
         {{L"oldroads.DAT", L"old roads.DAT"}, {L"oldroads.ID", L"old roads.ID"}, {L"oldroads.MAP", L"old roads.MAP"},
          {L"oldroads.tab", L"old roads.tab"}}},
        {L"old tile.TAB", L"old tile", {{L"oldtile.bmp", L"old tile.bmp"}}, L"oldtile.TAB"},
        {L"tiles.atr", L"tiles", {{L"old tile.TAB", L"old tile.TAB"}, {L"old tile.bmp", L"old tile.bmp"}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(platform::ToAnsi(c.opened));
        ASSERT_EQ(automation_->AddTemporaryTabLayer(Bstr(source + L"\\" + c.opened).Get()), S_OK);
        const std::wstring folder = platform::ToWide(exporttest::OutFolder("dated_copies"));
        ASSERT_EQ(Export(IDC_LAYER_EXPORT_TAB, folder, c.layer), Lines{L"File export complete."});
        Lines expected = c.writtenAnew.empty() ? Lines{} : Lines{c.writtenAnew};
        for (const auto& [copy, original] : c.copies) {
            expected.push_back(copy);
            EXPECT_EQ(LastWriteTime(folder + L"\\" + copy), LastWriteTime(source + L"\\" + original))
                << platform::ToAnsi(copy);
        }
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(exporttest::FilesIn(folder), expected);
    }
}

// --- Lines to cells over rows the map does not draw ------------------------------------------------

const wchar_t kSiteSeries[] = L"{517E5000-0000-0000-0000-0000000000F1}";
const wchar_t kSites[] = L"Azimuth";

// Cells 1 and 2 in the middle of the view and 12 rows served by 1 with neighbour 2, with lines for every data point
// (chosen in the Lines Configuration): rows 2 (longitude 500), 5 (latitude 95), 7 (latitude "abc") and 9
// (latitude -120) are rows the map does not draw.
class CellSiteLines : public MapExport {
protected:
    void SetUp() override {
        MapExport::SetUp();
        sites_ = NewDataset({{L"Latitude", 13}, {L"Longitude", 12}, {L"Azimuth", 5}, {L"ElementHandle", 3}}, 2);
        for (long row = 0; row < 2; ++row) {
            SetValue(sites_.Get(), row, L"Latitude", Variant(50.0));
            SetValue(sites_.Get(), row, L"Longitude", Variant(10.0 + 0.04 * row));
            SetValue(sites_.Get(), row, L"ElementHandle", Variant(row + 1));
            SetValue(sites_.Get(), row, L"Azimuth", Variant(90.0 * row));
        }
        points_ = NewDataset({{L"Latitude", 13}, {L"Longitude", 12}, {L"RxLev", 5}, {L"ServingSectorHandle", 3},
                              {L"NeighborSectorHandle_1", 3}}, 12);
        for (long row = 0; row < 12; ++row) {
            SetValue(points_.Get(), row, L"Latitude", Variant(49.975 + 0.002 * (row % 3)));
            SetValue(points_.Get(), row, L"Longitude", Variant(9.98 + 0.007 * row));
            SetValue(points_.Get(), row, L"RxLev", Variant(-70.0));
            SetValue(points_.Get(), row, L"ServingSectorHandle", Variant(1L));
            SetValue(points_.Get(), row, L"NeighborSectorHandle_1", Variant(2L));
        }
        const std::tuple<long, const wchar_t*, Variant> off[] = {
            {2, L"Longitude", Variant(500.0)}, {5, L"Latitude", Variant(95.0)},
            {7, L"Latitude", Variant(L"abc")}, {9, L"Latitude", Variant(-120.0)}};
        for (const auto& [row, field, value] : off) SetValue(points_.Get(), row, field, value);
        exporttest::AttachStyle(As<IHostDataset>(sites_.Get()).Get(), L"Azimuth", {});
        exporttest::AttachStyle(As<IHostDataset>(points_.Get()).Get(), L"RxLev", {});
        ASSERT_EQ(automation_->CreateMultiDMapping(sites_.Get(), Bstr(kSiteSeries).Get(),
                                                   FieldConfiguration(L"CellRefs", {L"Azimuth"}).Get()), S_OK);
        ASSERT_EQ(Call(automation_.Get(), kDisplayDataset, {Variant(points_.Get()), Text(L"RxLev"), Text(kSeries)}), S_OK);

        // The Layer Control's Lines of the cell sites: serving and neighbour lines of every data point.
        dialogtest::DialogScript script;
        script.Then([&](HWND layerControl) {
            HWND list = ::GetDlgItem(layerControl, IDC_LAYER_LIST);
            ListView_SetItemState(list, RowNamed(list, kSites), LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
            for (int button : {IDC_LAYER_LINES, IDOK}) dialogtest::Click(layerControl, button);
        });
        script.Then([&](HWND sheet) {
            for (int page = 0; page < 2; ++page) {
                PropSheet_SetCurSel(sheet, nullptr, page);
                HWND shown = PropSheet_GetCurrentPageHwnd(sheet);
                ::CheckDlgButton(shown, page ? IDC_NEIGHBOUR_SELECTION : IDC_SERVER_SELECTION, BST_UNCHECKED);
                ::CheckDlgButton(shown, page ? IDC_NEIGHBOUR_ALL_POINTS : IDC_SERVER_ALL_POINTS, BST_CHECKED);
            }
            dialogtest::Click(sheet, IDOK);
        });
        script.Then([](HWND applyToAll) { dialogtest::Click(applyToAll, IDNO); });
        EXPECT_EQ(watchdog_.Guard("the lines configuration", [&] { return automation_->LayersDlg(); }), S_OK);
        EXPECT_TRUE(script.Finished());
    }

    // The pixels of a frame round the cells that change when both line layers hide.
    std::vector<bool> LinePixels() {
        EXPECT_EQ(PutEngineBounds(map_.Get(), 9.95, 49.94, 10.1, 50.04), S_OK);
        testsupport::DibCanvas shown(400, 300), hidden(400, 300);
        EXPECT_EQ(shown.DrawView(control_.Get()), S_OK);
        for (long lines : {0L, 1L}) EXPECT_EQ(automation_->ToggleLines(VARIANT_FALSE, lines), S_OK);
        EXPECT_EQ(hidden.DrawView(control_.Get()), S_OK);
        for (long lines : {0L, 1L}) EXPECT_EQ(automation_->ToggleLines(VARIANT_TRUE, lines), S_OK);
        std::vector<bool> pixels;
        for (int y = 0; y < 300; ++y)
            for (int x = 0; x < 400; ++x) pixels.push_back(shown.Pixel(x, y) != hidden.Pixel(x, y));
        return pixels;
    }

    platform::ComPtr<IDispatch> sites_, points_;
};

// The lines go to the 8 rows the map draws, on the screen and in the tables (export_gdal_check.py reads them): the
// rows after the one whose latitude is a text keep theirs, and the four rows left out are counted.
TEST_F(CellSiteLines, AreDrawnAndExportedForTheRowsTheMapDrawsOnly) {
    const std::vector<bool> drawn = LinePixels();
    EXPECT_GT(std::count(drawn.begin(), drawn.end(), true), 1000);
    EXPECT_EQ(Export(IDC_LAYER_EXPORT_TAB, platform::ToWide(exporttest::OutFolder("cell_site_lines")), kSites),
              (Lines{L"File export complete.",
                     std::wstring(L"TAB export of the layer \"") + kSites + L"\": 2 rows written, 0 rows without a "
                     L"position on the map left out, 0 values with characters the table's character set cannot hold "
                     L"(written with \"?\")",
                     L"TAB export of the layer \"Lines to serving cells\": 8 lines written, 4 rows without a position "
                     L"on the map left out",
                     L"TAB export of the layer \"Lines to neighbor cells\": 8 lines written, 4 rows without a position "
                     L"on the map left out"}));

    // The same frame as that of a drive test without those rows.
    for (long row : {9L, 7L, 5L, 2L}) ASSERT_EQ(As<IHostDatasetSetup>(points_.Get())->RemoveRows(row, 1), S_OK);
    ASSERT_EQ(automation_->NotifyChange(Bstr(kSeries).Get(), NOTIFY_FLAGS_UPDATE_ALL, nullptr, Missing()), S_OK);
    EXPECT_TRUE(LinePixels() == drawn);
}

// A cell-site export whose line walk fails (the host's dataset refuses to move on) keeps none of its tables: the
// points, the serving lines written so far and the neighbour lines.
TEST_F(CellSiteLines, AFailedExportLeavesTheFolderAsItWas) {
    const std::wstring folder = platform::ToWide(exporttest::OutFolder("cell_site_lines_failed"));
    ASSERT_TRUE(::CloseHandle(::CreateFileW((folder + L"\\kept.txt").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                            FILE_ATTRIBUTE_NORMAL, nullptr)));
    const std::vector<std::wstring> before = exporttest::FilesIn(folder);
    ASSERT_EQ(As<IHostDatasetSetup>(points_.Get())->FailCalls(Bstr(L"MoveNext").Get(), E_FAIL), S_OK);
    const Lines told = Export(IDC_LAYER_EXPORT_TAB, folder, kSites);
    ASSERT_EQ(As<IHostDatasetSetup>(points_.Get())->FailCalls(Bstr(L"MoveNext").Get(), S_OK), S_OK);
    ASSERT_EQ(told.size(), 1u);
    EXPECT_EQ(told[0].rfind(std::wstring(L"These layers could not be exported:\n") + kSites + L": ", 0), 0u)
        << platform::ToAnsi(told[0]);
    EXPECT_EQ(exporttest::FilesIn(folder), before);
}

// The three tables of a cell-site export are replaced together or not at all: a failure in the walk of the sites or
// of the lines to cells, or on a file of the lines' tables that another program has open, keeps every earlier file
// (export_gdal_check.py reads them back and compares them with a copy made before the failures).
TEST_F(CellSiteLines, AFailedExportKeepsEveryTableOfTheEarlierOne) {
    const std::wstring folder = platform::ToWide(exporttest::OutFolder("cell_site_lines_kept"));
    ASSERT_EQ(Export(IDC_LAYER_EXPORT_TAB, folder, kSites).front(), L"File export complete.");
    ASSERT_EQ(exporttest::FilesIn(folder).size(), 12u);
    exporttest::CopyFiles(folder, platform::ToWide(exporttest::OutFolder("cell_site_lines_kept_before_failures")));
    ExpectEachFailureKeepsTheFolder(folder, kSites,
                                    {{sites_.Get(), L""}, {points_.Get(), L""},
                                     {nullptr, L"Linestoneighborcells-Azimuth.DAT"}, {nullptr, L"Azimuth.TAB"}});
}

// Every layer the TAB dialog lists can be exported: with the imagery every map has, shapes, direction arrows, a line
// between cell sectors and the lines to cells beside the sites, the points and the annotations, the dialog lists
// the three layers that have tables, and checking all it lists ends complete, as it does in the KML dialog.
TEST_F(CellSiteLines, TheTabDialogListsOnlyLayersWithTablesAndExportsAllItLists) {
    ASSERT_EQ(automation_->DrawCircle(50.0, 10.0, Variant(L"1 km"), 1, 0, Variant(0xFFL), Bstr(L"circle").Get()), S_OK);
    ASSERT_EQ(automation_->ShowDirection(VARIANT_TRUE), S_OK);
    long index = -1;
    const Bstr sites(kSiteSeries), tip(L"sectors");
    ASSERT_EQ(automation_->DrawLineBetweenCellSectors(sites.Get(), 0, sites.Get(), 1, 2, 0, Variant(0xFFL), tip.Get(),
                                                      VARIANT_FALSE, 0.5, &index),
              S_OK);
    const std::wstring folder = platform::ToWide(exporttest::OutFolder("every_listed"));
    for (int command : {IDC_LAYER_EXPORT_TAB, IDC_LAYER_EXPORT_KML}) {
        Lines listed;
        const Lines seen = Export(command, folder, nullptr, &listed);
        const auto boxes = std::count_if(seen.begin(), seen.end(), [](const std::wstring& line) {
            return line.find(L" export of the layer ") == std::wstring::npos;
        });
        EXPECT_EQ(boxes, 1);
        EXPECT_EQ(seen.empty() ? L"" : seen.front(), L"File export complete.");
        EXPECT_EQ(listed, command == IDC_LAYER_EXPORT_TAB ? (Lines{kSites, L"RxLev", L"Annotations"})
                                                          : (Lines{kSites, L"RxLev"}));
    }
    EXPECT_EQ(exporttest::FilesIn(folder).size(), 19u) << "two tables of points, two of lines, the annotations, two KML";
}

}  // namespace
