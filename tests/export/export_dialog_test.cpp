// The export dialogs driven as a user would: layers checked, a folder typed or browsed, OK.
#include "tests/export/ExportFixture.h"

#include "ZmaVOMap2/export/ExportLayersDlg.h"
#include "ZmaVOMap2/export/ExportResource.h"
#include "ZmaVOMap2/layers/ZmaVadAZLayerCollection.h"
#include "ZmaVOMap2/services/RegistrySettings.h"
#include "tests/raster/RasterFixture.h"
#include "tests/support/RecordingLog.h"
#include "tests/support/TestSupport.h"

#include <commctrl.h>

#include <algorithm>
#include <fstream>
#include <limits>
#include <memory>

using platform::ComPtr;
using platform::Variant;
using namespace exporttest;

namespace {

bool Exists(const std::string& path) { return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

class DialogTest : public ExportTest {
protected:
    void SetUp() override {
        ExportTest::SetUp();
        testsupport::DeleteValue(HKEY_CURRENT_USER, RegistrySettings::kDirectoriesKey, L"MapLayerExportDirectory");
    }
    void TearDown() override {
        testsupport::DeleteValue(HKEY_CURRENT_USER, RegistrySettings::kDirectoriesKey, L"MapLayerExportDirectory");
        ExportTest::TearDown();
    }

    // A table layer "roads", a region layer "zone" and a data layer "Drive" (top).
    void FillCollection() {
        ASSERT_TRUE(OpenTable("roads"));
        CZmaVadAZLayer* zone = OpenTable("zone");
        ASSERT_TRUE(zone);
        zone->SetType(CZmaVadAZLayer::kTypeRegion);
        dataset_ = dltest::MakePointDataset({{51.0, -0.5}, {51.1, -0.4}});
        AttachStyle(dataset_.Get(), L"Level", {{-1000, 1000, 40, 8, 0x00336699}});
        MakeLayer(dataset_.Get(), {L"Level"}, {3}, "Drive", CZmaVadAZLayer::kTypeDataset, true);
    }

    static HWND List(HWND dialog) { return ::GetDlgItem(dialog, IDC_EXPORT_LAYERS); }
    static std::vector<std::wstring> Items(HWND dialog) {
        std::vector<std::wstring> names;
        for (int i = 0; i < ListView_GetItemCount(List(dialog)); ++i) {
            wchar_t text[400] = {};
            ListView_GetItemText(List(dialog), i, 0, text, 400);
            names.push_back(text);
        }
        return names;
    }
    static void Check(HWND dialog, const std::wstring& name) {
        const std::vector<std::wstring> names = Items(dialog);
        for (size_t i = 0; i < names.size(); ++i)
            if (names[i] == name) ListView_SetCheckState(List(dialog), static_cast<int>(i), TRUE);
    }
    static std::wstring Folder(HWND dialog) {
        wchar_t text[MAX_PATH] = {};
        ::GetDlgItemTextW(dialog, IDC_EXPORT_FOLDER, text, MAX_PATH);
        return text;
    }
    static void Click(HWND dialog, int id) {
        ::SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(::GetDlgItem(dialog, id)));
    }
    std::vector<std::wstring> BoxTexts() const {
        std::vector<std::wstring> texts;
        for (const auto& box : answers_.boxes) texts.push_back(box.text);
        return texts;
    }

    // A user's run of the TAB or KML dialog: the folder typed, the named layers checked, OK
    // pressed. Answers how the dialog ended (0: it stays open).
    INT_PTR RunExport(bool kml, const std::wstring& folder, const std::vector<std::wstring>& names) {
        std::unique_ptr<ExportLayersDlg> dialog = std::make_unique<CExportTABDlg>(layers_.get());
        if (kml) dialog = std::make_unique<CExportKMLDlg>(layers_.get());
        HWND hwnd = dialog->Create(nullptr);
        ::SetDlgItemTextW(hwnd, IDC_EXPORT_FOLDER, folder.c_str());
        for (const std::wstring& name : names) Check(hwnd, name);
        Click(hwnd, IDOK);
        return dialog->Result();
    }
    ComPtr<IHostDataset> dataset_;
};

TEST_F(DialogTest, TheTabDialogExportsTheCheckedLayersAndSaysSo) {
    FillCollection();
    CExportTABDlg dialog(layers_.get());
    HWND hwnd = dialog.Create(nullptr);
    ASSERT_TRUE(hwnd);
    wchar_t caption[64] = {};
    ::GetWindowTextW(hwnd, caption, 64);
    EXPECT_STREQ(caption, L"Export to TAB");
    EXPECT_EQ(Items(hwnd), (std::vector<std::wstring>{L"Drive", L"roads"})) << "top first, no region layer";
    EXPECT_TRUE(ListView_GetExtendedListViewStyle(List(hwnd)) & LVS_EX_CHECKBOXES);

    const std::string folder = OutFolder("dialog_tab");
    ::SetDlgItemTextW(hwnd, IDC_EXPORT_FOLDER, platform::ToWide(folder).c_str());
    Check(hwnd, L"Drive");
    Check(hwnd, L"roads");
    Click(hwnd, IDOK);
    EXPECT_EQ(dialog.Result(), IDOK);
    EXPECT_EQ(BoxTexts(), std::vector<std::wstring>{L"File export complete."});
    EXPECT_EQ(answers_.boxes[0].caption, L"Map Module");
    EXPECT_TRUE(Exists(folder + "\\Drive.TAB"));
    EXPECT_TRUE(Exists(folder + "\\roads.tab"));
}

TEST_F(DialogTest, NothingCheckedClosesWithoutAWordAndFailuresAreNamed) {
    FillCollection();
    {
        CExportTABDlg dialog(layers_.get());
        HWND hwnd = dialog.Create(nullptr);
        Click(hwnd, IDOK);
        EXPECT_EQ(dialog.Result(), IDOK);
        EXPECT_TRUE(answers_.boxes.empty());
    }
    {
        CExportTABDlg dialog(layers_.get());
        HWND hwnd = dialog.Create(nullptr);
        ::SetDlgItemTextW(hwnd, IDC_EXPORT_FOLDER, L"Z:\\no\\such\\folder");
        Check(hwnd, L"Drive");
        Click(hwnd, IDOK);
        EXPECT_EQ(dialog.Result(), IDOK);
        EXPECT_EQ(BoxTexts(), std::vector<std::wstring>{L"These layers could not be exported:\n"
                                                        L"Drive: The folder \"Z:\\no\\such\\folder\" does not exist."});
    }
    {
        CExportTABDlg dialog(layers_.get());
        dialog.Create(nullptr);
        Click(dialog.Handle(), IDCANCEL);
        EXPECT_EQ(dialog.Result(), IDCANCEL);
    }
    // Shown modally, as the Layer Control shows it: the test program's answerer presses OK.
    answers_.boxes.clear();
    CExportKMLDlg modal(layers_.get());
    EXPECT_EQ(modal.DoModal(nullptr), IDOK);
    EXPECT_TRUE(answers_.boxes.empty());
}

TEST_F(DialogTest, TheKmlDialogListsTheLayersThatWriteKml) {
    FillCollection();
    CExportKMLDlg dialog(layers_.get());
    HWND hwnd = dialog.Create(nullptr);
    wchar_t caption[64] = {};
    ::GetWindowTextW(hwnd, caption, 64);
    EXPECT_STREQ(caption, L"Export to KML");
    EXPECT_EQ(Items(hwnd), std::vector<std::wstring>{L"Drive"});
    const std::string folder = OutFolder("dialog_kml");
    ::SetDlgItemTextW(hwnd, IDC_EXPORT_FOLDER, platform::ToWide(folder).c_str());
    Check(hwnd, L"Drive");
    Click(hwnd, IDOK);
    EXPECT_EQ(BoxTexts(), std::vector<std::wstring>{L"File export complete."});
    EXPECT_TRUE(Exists(folder + "\\Drive.kml"));
}

TEST_F(DialogTest, TheFolderStartsAtTheWorkingFolderAndABrowsedOneIsRemembered) {
    FillCollection();
    char current[MAX_PATH] = {};
    ::GetCurrentDirectoryA(MAX_PATH, current);
    const std::string chosen = OutFolder("browsed");
    {
        CExportKMLDlg dialog(layers_.get());
        HWND hwnd = dialog.Create(nullptr);
        EXPECT_EQ(Folder(hwnd), platform::ToWide(current));
        Click(hwnd, IDC_EXPORT_BROWSE);  // the user chose nothing
        EXPECT_EQ(Folder(hwnd), platform::ToWide(current));
        answers_.folder = platform::ToWide(chosen);
        Click(hwnd, IDC_EXPORT_BROWSE);
        EXPECT_EQ(Folder(hwnd), answers_.folder);
        EXPECT_EQ(answers_.browseTitles, (std::vector<std::wstring>(2, L"Choose the destination folder")));
    }
    CExportTABDlg other(layers_.get());
    EXPECT_EQ(Folder(other.Create(nullptr)), platform::ToWide(chosen)) << "both dialogs share the folder";
}

TEST_F(DialogTest, CheckingOneOfSeveralSelectedLayersChecksThemAll) {
    FillCollection();
    CExportTABDlg dialog(layers_.get());
    HWND hwnd = dialog.Create(nullptr);
    ListView_SetItemState(List(hwnd), 0, LVIS_SELECTED, LVIS_SELECTED);
    ListView_SetItemState(List(hwnd), 1, LVIS_SELECTED, LVIS_SELECTED);
    ListView_SetCheckState(List(hwnd), 1, TRUE);
    EXPECT_TRUE(ListView_GetCheckState(List(hwnd), 0));
    ListView_SetCheckState(List(hwnd), 0, FALSE);
    EXPECT_FALSE(ListView_GetCheckState(List(hwnd), 1));
}

TEST_F(DialogTest, WithoutACollectionTheDialogOpensEmpty) {
    CExportTABDlg dialog(nullptr);
    HWND hwnd = dialog.Create(nullptr);
    ASSERT_TRUE(hwnd);
    EXPECT_TRUE(Items(hwnd).empty());
}

// A folder not given in full would put the files wherever the process works, or in its drive's
// root: the dialog refuses it, writes nothing and stays open for another.
TEST_F(DialogTest, AFolderNotGivenInFullIsRefusedAndNothingIsWritten) {
    FillCollection();
    wchar_t before[MAX_PATH] = {};
    ::GetCurrentDirectoryW(MAX_PATH, before);
    ::CreateDirectoryW(L"C:\\export_working", nullptr);
    ::CreateDirectoryW(L"C:\\export_working\\out", nullptr);
    ASSERT_TRUE(::SetCurrentDirectoryW(L"C:\\export_working"));
    for (bool kml : {false, true}) {
        for (const std::wstring folder : {L"", L"\\", L"C:", L"C:out", L"out"}) {
            answers_.boxes.clear();
            EXPECT_EQ(RunExport(kml, folder, {L"Drive"}), 0) << "stays open: " << folder;
            const std::wstring why =
                folder.empty() ? L"" : L"The folder \"" + folder + L"\" is not a full path (such as C:\\Exports). ";
            EXPECT_EQ(BoxTexts(), std::vector<std::wstring>{why + L"Choose the folder to export into."});
        }
    }
    ::SetCurrentDirectoryW(before);
    for (const std::string folder : {"C:", "C:\\export_working", "C:\\export_working\\out"})
        for (const char* file : {"\\Drive.TAB", "\\Drive.kml"}) EXPECT_FALSE(Exists(folder + file)) << folder + file;

    // A server's pipes, its IPC$ share or mailslots, however spelt, are no folder: each layer is
    // refused before anything there is asked.
    for (bool kml : {false, true})
        for (const std::wstring folder : {L"\\\\srv\\pipe", L"\\\\srv\\\\pipe\\roads", L"//srv//MailSlot./x",
                                                 L"\\\\srv\\IPC$", L"//srv/ipc$ /x"}) {
            answers_.boxes.clear();
            EXPECT_EQ(RunExport(kml, folder, {L"Drive"}), IDOK);
            EXPECT_EQ(BoxTexts(), std::vector<std::wstring>{L"These layers could not be exported:\nDrive: The folder \"" +
                                                            folder + L"\" is no folder of files."});
        }
}

// Device names, names no file may bear and names with no file name at all: each layer that
// fails is named once, shortened, its control characters escaped, with the reason; the others
// are written.
TEST_F(DialogTest, EveryLayerThatCannotBeExportedIsNamedOnceWithTheReason) {
    dataset_ = dltest::MakePointDataset({{51.0, -0.5}, {51.1, -0.4}});
    AttachStyle(dataset_.Get(), L"Level", {{-1000, 1000, 40, 8, 0x00336699}});
    const std::vector<std::wstring> names = {L"NUL", L"CON", L"COM1", L"AUX.data", L"tab\there\nline", L"<>|",
                                             std::wstring(300, L'x'), L"Good"};
    for (const std::wstring& name : names)
        MakeLayer(dataset_.Get(), {L"Level"}, {3}, platform::ToAnsi(name), CZmaVadAZLayer::kTypeDataset, true);
    for (const std::wstring ext : {L".TAB", L".kml"}) {
        const bool kml = ext == L".kml";
        const std::wstring folder = platform::ToWide(OutFolder("refused" + platform::ToAnsi(ext)));
        // The long name: its first 60 characters, and why its file could not be made, cut at 200.
        const std::wstring cannot = (kml ? L"Cannot write \"" : L"Cannot create the table \"") + folder + L"\\";
        std::wstring expected = L"These layers could not be exported:\n" + std::wstring(60, L'x') + L"...: " +
                                (cannot + std::wstring(300, L'x')).substr(0, 200) + L"...\n" +
                                L"<>|: The name gives no file name.\n" + L"tab\\there\\nline: \"tab\\there\\nline" + ext +
                                L"\" holds characters that no file name may hold.";
        for (const std::wstring device : {L"AUX.data", L"COM1", L"CON", L"NUL"})
            expected += L"\n" + device + L": \"" + device + ext + L"\" is the name of a device, not of a file.";
        answers_.boxes.clear();
        EXPECT_EQ(RunExport(kml, folder, names), IDOK);
        EXPECT_EQ(BoxTexts(), std::vector<std::wstring>{expected}) << "one message, and no \"File export complete.\"";
        EXPECT_EQ(FilesIn(folder), kml ? std::vector<std::wstring>{L"Good.kml"}
                                       : (std::vector<std::wstring>{L"Good.DAT", L"Good.ID", L"Good.MAP", L"Good.TAB"}));
    }
}

// A layer's tables are copied with their files or the layer is named with the reason: a list layer copies each of
// its tables under the table's own file name, unchanged, so that a raster tile still finds its image; a table
// whose .TAB file is gone is never reported as exported, and a layer with no table at all is not listed. Into the
// tables' own folder, however it is spelled, a list whose names differ from its files' only in case leaves them be.
TEST_F(DialogTest, ATableLayerIsExportedWithEveryFileOfItsTablesOrNamedWithTheReason) {
    WriteTable("tile_a", 1);
    WriteTable("y", 1, {100});
    WriteTable("y.old", 1, {100});
    rastertest::WriteRegisteredTable(FolderA(), "my tile.bmp", 10.0, 51.0, 10.1, 50.9, 8, 6);
    rastertest::WriteBitmap(FolderA() + "\\my tile.bmp", 8, 6);
    std::ofstream(FolderA() + "\\y.notes.txt") << "notes";
    const std::string list = FolderA() + "\\tiles.atr";
    std::ofstream(list) << "tile_a.tab\ny.tab\ny.old.tab\nmy tile.TAB\n";
    ASSERT_TRUE(layers_->AddTemporaryTabLayer(CZmaVadAZLayer::kTypeOtherTable, list.c_str()));
    ASSERT_TRUE(OpenTable("gone"));
    ASSERT_TRUE(OpenTable("half"));
    for (const std::wstring& file : FilesIn(platform::ToWide(FolderA())))
        if (file.rfind(L"gone.", 0) == 0 || (file.rfind(L"half.", 0) == 0 && file != L"half.ID"))
            ::DeleteFileW((platform::ToWide(FolderA()) + L"\\" + file).c_str());
    ASSERT_TRUE(layers_->AddLayer("Shapes", CZmaVadAZLayer::kTypeShapes, "", L"", "", L"", L""));
    {
        CExportTABDlg dialog(layers_.get());
        EXPECT_EQ(Items(dialog.Create(nullptr)), (std::vector<std::wstring>{L"half", L"gone", L"tiles"}));
    }

    const std::wstring tiles = platform::ToWide(OutFolder("list_layer"));
    EXPECT_EQ(RunExport(false, tiles, {L"tiles"}), IDOK);
    EXPECT_EQ(BoxTexts(), std::vector<std::wstring>{L"File export complete."});
    FileSet expected;
    for (const auto& [name, bytes] : FileBytes(platform::ToWide(FolderA())))
        for (const wchar_t* table : {L"tile_a.", L"y.", L"y.old.", L"my tile."})
            if (::lstrcmpiW(name.substr(0, name.find_last_of(L'.') + 1).c_str(), table) == 0) expected[name] = bytes;
    EXPECT_EQ(expected.size(), 7u);
    EXPECT_TRUE(FileBytes(tiles) == expected);
    EXPECT_TRUE(layers_->AddTemporaryTabLayer(CZmaVadAZLayer::kTypeRasterTable,
                                              platform::ToAnsi(tiles + L"\\my tile.TAB").c_str()))
        << "the tile opens with its image";
    // Again into the same folder: "No" keeps the earlier files and counts as done, as "Yes" does.
    for (int answer : {IDNO, IDYES}) {
        answers_.boxes.clear();
        answers_.answer = answer;
        EXPECT_EQ(RunExport(false, tiles, {L"tiles"}), IDOK);
        EXPECT_EQ(BoxTexts(), (std::vector<std::wstring>{L"File \"tile_a.TAB\" already exists. Replace?",
                                                         L"File export complete."}));
        EXPECT_TRUE(FileBytes(tiles) == expected);
    }

    const std::wstring none = platform::ToWide(OutFolder("no_table"));
    answers_.boxes.clear();
    EXPECT_EQ(RunExport(false, none, {L"half", L"gone"}), IDOK);
    EXPECT_EQ(BoxTexts(), std::vector<std::wstring>{L"These layers could not be exported:\n"
                                                    L"half: The table \"" + platform::ToWide(FolderA()) +
                                                    L"\\half.tab\" is not there.\n"
                                                    L"gone: The table \"" + platform::ToWide(FolderA()) +
                                                    L"\\gone.tab\" is not there."});
    EXPECT_TRUE(FilesIn(none).empty());

    std::ofstream(FolderA() + "\\upper.atr") << "TILE_A.tab\nMY TILE.tab\n";
    ASSERT_TRUE(layers_->AddTemporaryTabLayer(CZmaVadAZLayer::kTypeOtherTable, (FolderA() + "\\upper.atr").c_str()));
    const FileSet before = FileBytes(platform::ToWide(FolderA()));
    std::wstring slashes = platform::ToWide(FolderA()) + L"/";
    std::replace(slashes.begin(), slashes.end(), L'\\', L'/');
    answers_.boxes.clear();
    EXPECT_EQ(RunExport(false, slashes, {L"upper"}), IDOK);
    EXPECT_EQ(BoxTexts(), std::vector<std::wstring>{L"File export complete."});
    EXPECT_TRUE(FileBytes(platform::ToWide(FolderA())) == before);

    // A list one of whose tables is gone copies none of them.
    ::DeleteFileA((FolderA() + "\\y.tab").c_str());
    answers_.boxes.clear();
    EXPECT_EQ(RunExport(false, none, {L"tiles"}), IDOK);
    EXPECT_EQ(BoxTexts(), std::vector<std::wstring>{L"These layers could not be exported:\ntiles: The table \"" +
                                                    platform::ToWide(FolderA()) + L"\\y.tab\" is not there."});
    EXPECT_TRUE(FilesIn(none).empty());
}

// A table the map opened under another spelling of its name, its short name or with a trailing dot, is exported with
// its files, and a tile so named still finds its image; a list that names one table twice copies it once.
TEST_F(DialogTest, ATableOpenedUnderAnotherSpellingIsExportedWithItsFiles) {
    WriteTable("y", 1, {100});
    rastertest::WriteRegisteredTable(FolderA(), "long tile.bmp", 10.0, 51.0, 10.1, 50.9, 8, 6);
    rastertest::WriteBitmap(FolderA() + "\\long tile.bmp", 8, 6);
    char path[MAX_PATH] = {};
    ASSERT_TRUE(::GetShortPathNameA((FolderA() + "\\long tile.TAB").c_str(), path, MAX_PATH));
    const std::string tile = path, shortName = tile.substr(tile.find_last_of('\\') + 1);
    ASSERT_NE(shortName, "long tile.TAB");
    std::ofstream(FolderA() + "\\twice.atr") << "y.tab\n.\\Y.TAB\n" << shortName << "\n";
    ASSERT_TRUE(layers_->AddTemporaryTabLayer(CZmaVadAZLayer::kTypeOtherTable, (FolderA() + "\\twice.atr").c_str()));
    for (const auto& [opened, name] : {std::pair(FolderA() + "\\y.tab.", "Dotted"), std::pair(tile, "Short tile")}) {
        CZmaVadAZLayer* layer = layers_->AddTemporaryTabLayer(CZmaVadAZLayer::kTypeOtherTable, opened.c_str());
        ASSERT_TRUE(layer) << opened;
        layer->SetName(name);
    }

    const std::wstring folder = platform::ToWide(OutFolder("spellings"));
    EXPECT_EQ(RunExport(false, folder, {L"twice", L"Dotted", L"Short tile"}), IDOK);
    EXPECT_EQ(BoxTexts(), std::vector<std::wstring>{L"File export complete."});
    const std::wstring shortBase = platform::ToWide(shortName.substr(0, shortName.size() - 4));
    std::vector<std::wstring> expected = {L"y.tab", L"y.ID", shortBase + L".TAB", shortBase + L".bmp", L"Dotted.tab",
                                          L"Dotted.ID", L"Shorttile.TAB", L"Shorttile.bmp"};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(FilesIn(folder), expected);
    for (const std::wstring& table : {shortBase + L".TAB", std::wstring(L"Shorttile.TAB")})
        EXPECT_TRUE(layers_->AddTemporaryTabLayer(CZmaVadAZLayer::kTypeRasterTable,
                                                  platform::ToAnsi(folder + L"\\" + table).c_str()))
            << "opens with its image: " << platform::ToAnsi(table);
}

// Rows whose position is NaN or infinite are left out of both exports and counted in the log
// line; a value that is not finite neither sizes its column nor reads back as a number
// (export_gdal_check.py reads the values, the column and the placemarks back).
TEST_F(DialogTest, RowsWithoutAFinitePositionAreLeftOutAndValuesThatAreNotFiniteStayWhatTheyAre) {
    const double nan = std::numeric_limits<double>::quiet_NaN(), inf = std::numeric_limits<double>::infinity();
    dataset_ = dltest::MakePointDataset({{50.0, 10.0}, {50.0, nan}, {nan, 10.1}, {50.1, inf}, {-inf, 10.2},
                                         {50.2, 10.3}, {50.3, 10.4}, {50.4, 10.5}, {50.5, 10.6}});
    const double levels[] = {-70.5, 1, 2, 3, 4, -80.25, -inf, -101.5, nan};
    for (long row = 0; row < 9; ++row) dltest::SetupOf(dataset_.Get())->SetValue(row, Variant(L"Level"), Variant(levels[row]));
    AttachStyle(dataset_.Get(), L"Level", {{-1000, 1000, 40, 8, 0x00336699}}, 2);
    MakeLayer(dataset_.Get(), {L"Level"}, {3}, "Unusual", CZmaVadAZLayer::kTypeDataset, true);

    testsupport::RecordingLog log;
    const std::wstring folder = platform::ToWide(OutFolder("nonfinite"));
    EXPECT_EQ(RunExport(false, folder, {L"Unusual"}), IDOK);
    EXPECT_EQ(RunExport(true, folder, {L"Unusual"}), IDOK);
    EXPECT_EQ(BoxTexts(), std::vector<std::wstring>(2, L"File export complete."));
    EXPECT_EQ(log.lines, (std::vector<std::string>{
                             "TAB export of the layer \"Unusual\": 5 rows written, 4 rows without a position on the map left "
                             "out, 0 values with characters the table's character set cannot hold (written with \"?\")",
                             "KML export of the layer \"Unusual\": 5 placemarks written, 4 rows without a position on the map "
                             "left out"}));
}

// Text beyond the ANSI code page: a folder keeps it on its way to the files and in the dialogs'
// memory; a table's texts and the file name of a layer named after a field get "?" where the
// table's character set has no such letter, never a look-alike, and the log line counts the texts
// changed (export_gdal_check.py reads the files back).
TEST_F(DialogTest, TextBeyondTheAnsiCodePageKeepsItsFolderAndIsNoLookAlikeInATable) {
    dataset_ = dltest::MakePointDataset({{50.0, 10.0}, {50.1, 10.1}, {50.2, 10.2}});
    ComPtr<IHostDatasetSetup> setup = dltest::SetupOf(dataset_.Get());
    const wchar_t field[] = L"\u03a3\u03ae\u03bc\u03b1";
    long position = 0;
    setup->AddField(platform::Bstr(field).Get(), 6, &position);
    const wchar_t* texts[] = {L"\u0394\u03bf\u03ba\u03b9\u03bc\u03ae", L"Caf\u00e9 5\u20ac", L"r2"};
    for (long row = 0; row < 3; ++row) setup->SetValue(row, Variant(field), Variant(texts[row]));
    AttachStyle(dataset_.Get(), field, {});
    ASSERT_EQ(datasets_->DisplayDataset(dataset_.Get(), field, nullptr, nullptr, L"{6B6B6B6B-1111-2222-3333-555555555555}"),
              S_OK);
    const std::wstring folder = platform::ToWide(OutFolder("greek")) + L"\\greek_\u03a6\u03ac\u03ba\u03b5\u03bb\u03bf\u03c2";
    ::CreateDirectoryW(folder.c_str(), nullptr);
    for (const std::wstring& file : FilesIn(folder)) ::DeleteFileW((folder + L"\\" + file).c_str());

    testsupport::RecordingLog log;
    EXPECT_EQ(RunExport(false, folder, {L"____"}), IDOK);
    EXPECT_EQ(RunExport(true, folder, {L"____"}), IDOK);
    EXPECT_EQ(BoxTexts(), std::vector<std::wstring>(2, L"File export complete."));
    EXPECT_EQ(FilesIn(folder), (std::vector<std::wstring>{L"____.DAT", L"____.ID", L"____.MAP", L"____.TAB", L"____.kml"}))
        << "no look-alike letters in a layer's file name either";
    const std::string counted = "TAB export of the layer \"____\": 3 rows written, 0 rows without a position on the map left "
                                "out, 1 values with characters the table's character set cannot hold (written with \"?\")";
    EXPECT_NE(std::find(log.lines.begin(), log.lines.end(), counted), log.lines.end());

    answers_.folder = folder;
    {
        CExportTABDlg dialog(layers_.get());
        Click(dialog.Create(nullptr), IDC_EXPORT_BROWSE);
    }
    CExportKMLDlg other(layers_.get());
    EXPECT_EQ(Folder(other.Create(nullptr)), folder);
}

}  // namespace
