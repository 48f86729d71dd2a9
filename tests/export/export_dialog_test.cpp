// The export dialogs driven as a user would: layers checked, a folder typed or browsed, OK.
#include "tests/export/ExportFixture.h"

#include "ZmaVOMap2/export/ExportLayersDlg.h"
#include "ZmaVOMap2/export/ExportResource.h"
#include "ZmaVOMap2/layers/ZmaVadAZLayerCollection.h"
#include "ZmaVOMap2/services/RegistrySettings.h"
#include "tests/support/TestSupport.h"

#include <commctrl.h>

using platform::ComPtr;
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
            wchar_t text[100] = {};
            ListView_GetItemText(List(dialog), i, 0, text, 100);
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
        EXPECT_EQ(BoxTexts(), std::vector<std::wstring>{L"These layers could not be exported: Drive."});
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

}  // namespace
