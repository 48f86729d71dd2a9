// The export dialogs driven as a user would: layers checked, a folder typed or browsed, OK.
#include "tests/export/ExportFixture.h"

#include "ZmaVOMap2/export/ExportLayersDlg.h"
#include "ZmaVOMap2/export/ExportResource.h"
#include "ZmaVOMap2/layers/ZmaVadAZLayerCollection.h"
#include "ZmaVOMap2/mitab/mitab.h"
#include "ZmaVOMap2/services/RegistrySettings.h"
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
        std::unique_ptr<ExportLayersDlg> dialog;
        if (kml)
            dialog = std::make_unique<CExportKMLDlg>(layers_.get());
        else
            dialog = std::make_unique<CExportTABDlg>(layers_.get());
        HWND hwnd = dialog->Create(nullptr);
        ::SetDlgItemTextW(hwnd, IDC_EXPORT_FOLDER, folder.c_str());
        for (const std::wstring& name : names) Check(hwnd, name);
        Click(hwnd, IDOK);
        return dialog->Result();
    }
    // The names of the files in a folder, sorted.
    static std::vector<std::wstring> FilesIn(const std::wstring& folder) {
        std::vector<std::wstring> names;
        WIN32_FIND_DATAW found = {};
        HANDLE search = ::FindFirstFileW((folder + L"\\*").c_str(), &found);
        if (search == INVALID_HANDLE_VALUE) return names;
        do {
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(found.cFileName);
        } while (::FindNextFileW(search, &found));
        ::FindClose(search);
        std::sort(names.begin(), names.end());
        return names;
    }
    // An empty folder "<build>/exports/<parent>/<name>", for names beyond the ANSI code page.
    static std::wstring WideFolder(const std::string& parent, const std::wstring& name) {
        const std::wstring folder = platform::ToWide(OutFolder(parent)) + L"\\" + name;
        ::CreateDirectoryW(folder.c_str(), nullptr);
        for (const std::wstring& file : FilesIn(folder)) ::DeleteFileW((folder + L"\\" + file).c_str());
        return folder;
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
    const std::wstring working = L"C:\\export_working";
    ::CreateDirectoryW(working.c_str(), nullptr);
    ::CreateDirectoryW((working + L"\\out").c_str(), nullptr);
    wchar_t before[MAX_PATH] = {};
    ::GetCurrentDirectoryW(MAX_PATH, before);
    ASSERT_TRUE(::SetCurrentDirectoryW(working.c_str()));
    const wchar_t kChoose[] = L" is not a full path (such as C:\\Exports). Choose the folder to export into.";
    const struct {
        const wchar_t* folder;
        std::wstring box;
    } cases[] = {{L"", L"Choose the folder to export into."},
                 {L"\\", std::wstring(L"The folder \"\\\"") + kChoose},
                 {L"C:", std::wstring(L"The folder \"C:\"") + kChoose},
                 {L"C:out", std::wstring(L"The folder \"C:out\"") + kChoose},
                 {L"out", std::wstring(L"The folder \"out\"") + kChoose}};
    for (bool kml : {false, true}) {
        for (const auto& c : cases) {
            answers_.boxes.clear();
            EXPECT_EQ(RunExport(kml, c.folder, {L"Drive"}), 0) << "stays open: " << c.folder;
            EXPECT_EQ(BoxTexts(), std::vector<std::wstring>{c.box}) << c.folder;
        }
    }
    ::SetCurrentDirectoryW(before);
    for (const std::wstring& folder : {std::wstring(L"C:\\"), working, working + L"\\out"})
        for (const std::wstring& file : FilesIn(folder))
            EXPECT_NE(file.substr(0, 5), L"Drive") << "written into " << folder;
}

// Device names, names no file may bear and names with no file name at all: each layer that
// fails is named once, shortened, its control characters escaped, with the reason; the others
// are written.
TEST_F(DialogTest, EveryLayerThatCannotBeExportedIsNamedOnceWithTheReason) {
    dataset_ = dltest::MakePointDataset({{51.0, -0.5}, {51.1, -0.4}});
    AttachStyle(dataset_.Get(), L"Level", {{-1000, 1000, 40, 8, 0x00336699}});
    const std::string longName(300, 'x');
    const std::vector<std::string> names = {"NUL", "CON", "COM1", "AUX.data", "tab\there\nline", "<>|", longName, "Good"};
    for (const std::string& name : names)
        MakeLayer(dataset_.Get(), {L"Level"}, {3}, name, CZmaVadAZLayer::kTypeDataset, true);
    std::vector<std::wstring> all;
    for (const std::string& name : names) all.push_back(platform::ToWide(name));

    for (bool kml : {false, true}) {
        const std::wstring folder = platform::ToWide(OutFolder(kml ? "refused_kml" : "refused_tab"));
        const std::wstring ext = kml ? L".kml" : L".TAB";
        const std::vector<std::pair<std::wstring, std::wstring>> expected = {
            {L"NUL", L"\"NUL" + ext + L"\" is the name of a device, not of a file."},
            {L"CON", L"\"CON" + ext + L"\" is the name of a device, not of a file."},
            {L"COM1", L"\"COM1" + ext + L"\" is the name of a device, not of a file."},
            {L"AUX.data", L"\"AUX.data" + ext + L"\" is the name of a device, not of a file."},
            {L"tab\\there\\nline", L"\"tab\\there\\nline" + ext + L"\" holds characters that no file name may hold."},
            {L"<>|", L"The name gives no file name."}};
        answers_.boxes.clear();
        EXPECT_EQ(RunExport(kml, folder, all), IDOK);
        ASSERT_EQ(answers_.boxes.size(), 1u) << "one message, and no \"File export complete.\"";
        std::wstring text = answers_.boxes[0].text;
        const std::wstring head = L"These layers could not be exported:";
        ASSERT_EQ(text.substr(0, head.size()), head);
        EXPECT_EQ(std::count(text.begin(), text.end(), L'\n'), 7) << "a line per layer: " << text;
        for (const auto& e : expected)
            EXPECT_NE(text.find(L"\n" + e.first + L": " + e.second), std::wstring::npos) << text;
        // The long name: its first 60 characters, and why its file could not be made.
        const size_t at = text.find(L"\n" + std::wstring(60, L'x') + L"...: Cannot ");
        ASSERT_NE(at, std::wstring::npos) << text;
        const size_t end = text.find(L'\n', at + 1);
        EXPECT_LE((end == std::wstring::npos ? text.size() : end) - at, 280u) << "the reason is shortened too";
        EXPECT_EQ(text.find(L"Good"), std::wstring::npos);
        EXPECT_EQ(FilesIn(folder), kml ? std::vector<std::wstring>{L"Good.kml"}
                                       : (std::vector<std::wstring>{L"Good.DAT", L"Good.ID", L"Good.MAP", L"Good.TAB"}));
    }
}

// Rows whose position is NaN or infinite are left out of both exports and counted in the log
// line; a value that is not finite neither sizes its column nor reads back as a number.
TEST_F(DialogTest, RowsWithoutAFinitePositionAreLeftOutAndValuesThatAreNotFiniteStayWhatTheyAre) {
    const double nan = std::numeric_limits<double>::quiet_NaN(), inf = std::numeric_limits<double>::infinity();
    dataset_ = dltest::MakePointDataset({{50.0, 10.0}, {50.0, nan}, {nan, 10.1}, {50.1, inf}, {-inf, 10.2},
                                         {50.2, 10.3}, {50.3, 10.4}, {50.4, 10.5}, {50.5, 10.6}});
    const double levels[] = {-70.5, 1, 2, 3, 4, -80.25, -inf, -101.5, nan};
    for (long row = 0; row < 9; ++row) dltest::SetupOf(dataset_.Get())->SetValue(row, Variant(L"Level"), Variant(levels[row]));
    AttachStyle(dataset_.Get(), L"Level", {{-1000, 1000, 40, 8, 0x00336699}}, 2);
    MakeLayer(dataset_.Get(), {L"Level"}, {3}, "Unusual", CZmaVadAZLayer::kTypeDataset, true);

    RecordingLog log;
    const std::string folder = OutFolder("nonfinite");
    EXPECT_EQ(RunExport(false, platform::ToWide(folder), {L"Unusual"}), IDOK);
    EXPECT_EQ(RunExport(true, platform::ToWide(folder), {L"Unusual"}), IDOK);
    EXPECT_EQ(BoxTexts(), std::vector<std::wstring>(2, L"File export complete."));
    EXPECT_EQ(log.lines, (std::vector<std::string>{
                             "TAB export of the layer \"Unusual\": 5 rows written, 4 rows without a finite position left "
                             "out, 0 values with characters the table's character set cannot hold (written with \"?\")",
                             "KML export of the layer \"Unusual\": 5 placemarks written, 4 rows without a finite position "
                             "left out"}));

    mitab_handle table = mitab_c_open((folder + "\\Unusual.TAB").c_str());
    ASSERT_TRUE(table);
    std::vector<std::string> values;
    for (int id = mitab_c_next_feature_id(table, -1); id != -1; id = mitab_c_next_feature_id(table, id)) {
        mitab_feature f = mitab_c_read_feature(table, id);
        values.push_back(mitab_c_get_field_as_string(f, 0));
        mitab_c_destroy_feature(f);
    }
    mitab_c_close(table);
    EXPECT_EQ(values, (std::vector<std::string>{"-70.50", "-80.25", "-inf", "-101.50", "nan"}));
    std::ifstream definition(UnixOf(folder) + "/Unusual.TAB");
    const std::string tab((std::istreambuf_iterator<char>(definition)), std::istreambuf_iterator<char>());
    EXPECT_NE(tab.find("Level Decimal (7,2)"), std::string::npos) << tab;
}

// Text the table's character set cannot hold becomes "?" (never a look-alike letter) and is
// counted; the layer named after a field of such characters is named the same way.
TEST_F(DialogTest, TextTheTableCannotHoldBecomesQuestionMarksAndIsCounted) {
    dataset_ = dltest::MakePointDataset({{50.0, 10.0}, {50.1, 10.1}, {50.2, 10.2}});
    ComPtr<IHostDatasetSetup> setup = dltest::SetupOf(dataset_.Get());
    long position = 0;
    setup->AddField(platform::Bstr(L"\u03a3\u03ae\u03bc\u03b1").Get(), 3, &position);
    const wchar_t* names[] = {L"\u0394\u03bf\u03ba\u03b9\u03bc\u03ae", L"Caf\u00e9 5\u20ac", L"r2"};
    for (long row = 0; row < 3; ++row) {
        setup->SetValue(row, Variant(L"Name"), Variant(names[row]));
        setup->SetValue(row, Variant(L"\u03a3\u03ae\u03bc\u03b1"), Variant(row * 10.0));
    }
    AttachStyle(dataset_.Get(), L"Name", {});
    AttachStyle(dataset_.Get(), L"Level", {{-1000, 1000, 40, 8, 0x00336699}});
    AttachStyle(dataset_.Get(), L"\u03a3\u03ae\u03bc\u03b1", {{-1000, 1000, 40, 8, 0x00336699}});
    MakeLayer(dataset_.Get(), {L"Level", L"Name"}, {3, 5}, "Texts", CZmaVadAZLayer::kTypeDataset, true);
    ASSERT_EQ(datasets_->DisplayDataset(dataset_.Get(), L"\u03a3\u03ae\u03bc\u03b1", nullptr, nullptr,
                                        L"{6B6B6B6B-1111-2222-3333-555555555555}"),
              S_OK);

    RecordingLog log;
    const std::string folder = OutFolder("charset");
    EXPECT_EQ(RunExport(false, platform::ToWide(folder), {L"Texts", L"____"}), IDOK);
    EXPECT_EQ(BoxTexts(), std::vector<std::wstring>{L"File export complete."});
    const std::string counted = "\"Texts\": 3 rows written, 0 rows without a finite position left out, 1 values";
    EXPECT_EQ(std::count_if(log.lines.begin(), log.lines.end(),
                            [&](const std::string& line) { return line.find(counted) != std::string::npos; }),
              1);
    EXPECT_TRUE(Exists(folder + "\\____.TAB")) << "no look-alike letters in the layer's name either";

    mitab_handle table = mitab_c_open((folder + "\\Texts.TAB").c_str());
    ASSERT_TRUE(table);
    std::vector<std::string> texts;
    for (int id = mitab_c_next_feature_id(table, -1); id != -1; id = mitab_c_next_feature_id(table, id)) {
        mitab_feature f = mitab_c_read_feature(table, id);
        texts.push_back(mitab_c_get_field_as_string(f, 0));
        mitab_c_destroy_feature(f);
    }
    mitab_c_close(table);
    EXPECT_EQ(texts, (std::vector<std::string>{"??????", "Caf\xe9 5\x80", "r2"}));
}

// The folder goes to the files as the user typed it, whatever its characters, and is remembered
// so.
TEST_F(DialogTest, AFolderBeyondTheAnsiCodePageTakesBothExports) {
    FillCollection();
    const std::wstring folder = WideFolder("greek", L"greek_\u03a6\u03ac\u03ba\u03b5\u03bb\u03bf\u03c2");
    EXPECT_EQ(RunExport(false, folder, {L"Drive"}), IDOK);
    EXPECT_EQ(RunExport(true, folder, {L"Drive"}), IDOK);
    EXPECT_EQ(BoxTexts(), std::vector<std::wstring>(2, L"File export complete."));
    EXPECT_EQ(FilesIn(folder),
              (std::vector<std::wstring>{L"Drive.DAT", L"Drive.ID", L"Drive.MAP", L"Drive.TAB", L"Drive.kml"}));

    answers_.folder = folder;
    {
        CExportTABDlg dialog(layers_.get());
        Click(dialog.Create(nullptr), IDC_EXPORT_BROWSE);
    }
    CExportKMLDlg other(layers_.get());
    EXPECT_EQ(Folder(other.Create(nullptr)), folder);
}

}  // namespace
