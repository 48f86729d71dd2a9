// The lines configuration sheet worked through its window over line layers the test keeps: the
// labels document of the technology, the fields chosen, typed and picked, OK with the question
// to apply the settings to every cell-site layer of the technology, and Cancel.
#include "ZmaVOMap2/dialogs/DialogResources.h"
#include "ZmaVOMap2/dialogs/LinesToCellsPropertiesDlg.h"
#include "tests/dialogs/DialogScript.h"

#include "HostInterfaces.h"

#include <commctrl.h>
#include <gtest/gtest.h>

using namespace dialogtest;
using platform::Bstr;
using platform::ComPtr;

namespace {

struct FakeLines : LinesLayerSettings {
    explicit FakeLines(std::string tech, int option = 1) : technology(std::move(tech)), drawOption(option) {}
    std::string GetTechnology() override { return technology; }
    bool GetDisabled() override { return disabled; }
    void SetDisabled(bool on) override { disabled = on; }
    int GetDrawOption() override { return drawOption; }
    void SetDrawOption(int option) override { drawOption = option; }
    std::string GetColorByField() override { return color; }
    void SetColorByField(const std::string& field) override { color = field; }
    std::string GetLabelByField() override { return label; }
    void SetLabelByField(const std::string& field) override { label = field; }

    std::string technology;
    bool disabled = false;
    int drawOption;
    std::string color, label;
};

class LinesSheet : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(::CoCreateInstance(CLSID_HostPackageManager, nullptr, CLSCTX_ALL, IID_IHostPackageManager,
                                     packages_.PutVoid()),
                  S_OK);
        packages_->Start();
        ASSERT_EQ(::CoCreateInstance(CLSID_HostAttributes, nullptr, CLSCTX_ALL, IID_IUnknown, attributes_.PutVoid()), S_OK);
        ComPtr<IHostAttributesSetup> setup;
        ASSERT_EQ(attributes_.As(setup), S_OK);
        Bstr array(L"NeighborEcNo"), plain(L"ServingLevel");
        setup->AddAttribute(array.Get(), VARIANT_TRUE);
        setup->AddAttribute(plain.Get(), VARIANT_FALSE);
    }
    void TearDown() override {
        ComPtr<IHostPackageTest> test;
        if (packages_ && SUCCEEDED(packages_.As(test))) test->Revoke();
    }
    std::vector<LinesLayerPair> AllCellSites() {
        return {{&serving_, &neighbour_}, {&otherServing_, &otherNeighbour_}, {&lteServing_, &lteNeighbour_}};
    }
    INT_PTR Run(CLinesToCellsPropertiesDlg& sheet) { return sheet.DoModal(); }
    static HWND Page(HWND sheet) { return reinterpret_cast<HWND>(::SendMessageW(sheet, PSM_GETCURRENTPAGEHWND, 0, 0)); }
    static std::vector<std::string> Items(HWND page, int id) {
        std::vector<std::string> items;
        for (LRESULT i = 0, n = ::SendDlgItemMessageA(page, id, CB_GETCOUNT, 0, 0); i < n; ++i) {
            char text[128] = {};
            ::SendDlgItemMessageA(page, id, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
            items.push_back(text);
        }
        return items;
    }
    static void Choose(HWND page, int id, const char* text) {
        const LRESULT at = ::SendDlgItemMessageA(page, id, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(text));
        ::SendDlgItemMessageA(page, id, CB_SETCURSEL, static_cast<WPARAM>(at), 0);
        ::SendMessageW(page, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(::GetDlgItem(page, id)));
    }

    ComPtr<IHostPackageManager> packages_;
    ComPtr<IUnknown> attributes_;
    ScriptedPrompts prompts_;
    FakeLines serving_{"UMTS"}, neighbour_{"UMTS", 2};
    FakeLines otherServing_{"UMTS", 0}, otherNeighbour_{"UMTS", 0};
    FakeLines lteServing_{"LTE"}, lteNeighbour_{"LTE"};
    CLinesToCellsPropertiesDlg* sheet_ = nullptr;
};

TEST_F(LinesSheet, TheTechnologysFieldsAreOfferedAndOkGoesToEveryLayerOfTheTechnology) {
    serving_.color = "NeighborSC_";
    serving_.label = "CustomField";
    prompts_.answer = IDYES;
    std::vector<std::wstring> tabs;
    std::vector<std::string> offered;
    std::string shownColor, shownLabel;
    bool selectionChecked = false;
    DialogScript script;
    script.Then([&](HWND sheet) {
        HWND tab = reinterpret_cast<HWND>(::SendMessageW(sheet, PSM_GETTABCONTROL, 0, 0));
        for (int i = 0; i < 2; ++i) {
            wchar_t text[64] = {};
            TCITEMW item = {};
            item.mask = TCIF_TEXT;
            item.pszText = text;
            item.cchTextMax = 64;
            ::SendMessageW(tab, TCM_GETITEMW, i, reinterpret_cast<LPARAM>(&item));
            tabs.push_back(text);
        }
        HWND page = Page(sheet);
        offered = Items(page, IDC_SERVER_COLOR);
        shownColor = TextOf(page, IDC_SERVER_COLOR);
        shownLabel = TextOf(page, IDC_SERVER_LABEL);
        selectionChecked = IsChecked(page, IDC_SERVER_SELECTION);
        Choose(page, IDC_SERVER_COLOR, "ServingEcIo");
        // A typed name that the host calls a per-neighbour attribute is stored with "_".
        ::SendDlgItemMessageW(page, IDC_SERVER_LABEL, CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
        ::SetDlgItemTextA(page, IDC_SERVER_LABEL, "NeighborEcNo");

        // The neighbour page: all data points, its label from the picker beside it.
        ::SendMessageW(sheet, PSM_SETCURSEL, 1, 0);
        HWND second = Page(sheet);
        EXPECT_TRUE(IsChecked(second, IDC_NEIGHBOUR_SELECTION));  // draw option 2 shows as the selection
        ::CheckDlgButton(second, IDC_NEIGHBOUR_DISABLE, BST_CHECKED);
        Click(second, IDC_NEIGHBOUR_DISABLE);
        Click(sheet, IDOK);
    });
    CLinesToCellsPropertiesDlg sheet(nullptr, &serving_, &neighbour_, attributes_.Get(), [this] { return AllCellSites(); });
    EXPECT_EQ(Run(sheet), IDOK);
    EXPECT_TRUE(script.Finished());

    EXPECT_EQ(tabs, (std::vector<std::wstring>{L"Best Server", L"Monitored Set"}));
    EXPECT_EQ(offered, (std::vector<std::string>{"None", "ServingSC", "ServingEcIo", "NeighborSC", "NeighborEcIo"}));
    EXPECT_EQ(shownColor, "NeighborSC");
    EXPECT_EQ(shownLabel, "CustomField");
    EXPECT_TRUE(selectionChecked);

    EXPECT_EQ(serving_.color, "ServingEcIo");
    EXPECT_EQ(serving_.label, "NeighborEcNo_");
    EXPECT_EQ(serving_.drawOption, 1);
    EXPECT_TRUE(neighbour_.disabled);
    EXPECT_EQ(neighbour_.drawOption, 2);  // kept, not rewritten to 1
    ASSERT_EQ(prompts_.boxes.size(), 1u);
    EXPECT_EQ(prompts_.boxes[0], L"Apply to All Layers: Do you want to apply your new settings to all UMTS lines-to-cells?");

    // Every cell-site layer of the technology took the settings; the other technology did not.
    EXPECT_EQ(otherServing_.color, "ServingEcIo");
    EXPECT_EQ(otherServing_.label, "NeighborEcNo_");
    EXPECT_EQ(otherServing_.drawOption, 1);
    EXPECT_TRUE(otherNeighbour_.disabled);
    EXPECT_EQ(otherNeighbour_.drawOption, 2);
    EXPECT_EQ(lteServing_.color, "");
    EXPECT_FALSE(lteNeighbour_.disabled);
}

TEST_F(LinesSheet, ArrayEntriesAndPickedNamesAndAnUnopenedPage) {
    serving_.color = "NeighborEcIo_";
    neighbour_.label = "Untouched";
    prompts_.answer = IDNO;
    DialogScript script;
    script.Then([&](HWND sheet) {
        HWND page = Page(sheet);
        EXPECT_EQ(TextOf(page, IDC_SERVER_COLOR), "NeighborEcIo");
        // The user opens the picker beside the colour box and picks an attribute of the host's
        // collection: the colour box takes it, the label box does not.
        const std::string labelBefore = TextOf(page, IDC_SERVER_LABEL);
        HWND picker = ::GetDlgItem(page, IDC_SERVER_COLOR_PICKER);
        ASSERT_TRUE(picker);
        EXPECT_TRUE(::GetDlgItem(page, IDC_SERVER_LABEL_PICKER));
        ::SendMessageW(picker, BM_CLICK, 0, 0);
        HWND list = ::FindWindowW(L"VadazAttributePickerList", nullptr);
        ASSERT_TRUE(list);
        HWND box = ::GetDlgItem(list, 100);
        std::vector<std::wstring> listed;
        for (LRESULT i = 0, n = ::SendMessageW(box, LB_GETCOUNT, 0, 0); i < n; ++i) {
            wchar_t text[64] = {};
            ::SendMessageW(box, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text));
            listed.push_back(text);
        }
        EXPECT_EQ(listed, (std::vector<std::wstring>{L"NeighborEcNo", L"ServingLevel"}));
        ::SendMessageW(box, LB_SETCURSEL, 1, 0);
        ::SendMessageW(list, WM_COMMAND, MAKEWPARAM(100, LBN_SELCHANGE), reinterpret_cast<LPARAM>(box));
        EXPECT_FALSE(::IsWindow(list));
        EXPECT_EQ(TextOf(page, IDC_SERVER_LABEL), labelBefore);
        EXPECT_EQ(::SendDlgItemMessageW(page, IDC_SERVER_COLOR, CB_GETCURSEL, 0, 0), CB_ERR);
        EXPECT_EQ(TextOf(page, IDC_SERVER_COLOR), "ServingLevel");
        Choose(page, IDC_SERVER_LABEL, "NeighborSC");
        Click(sheet, IDOK);
    });
    CLinesToCellsPropertiesDlg sheet(nullptr, &serving_, &neighbour_, attributes_.Get(), [this] { return AllCellSites(); });
    sheet_ = &sheet;
    EXPECT_EQ(Run(sheet), IDOK);
    EXPECT_EQ(serving_.color, "ServingLevel");
    EXPECT_EQ(serving_.label, "NeighborSC_");  // an "Array" entry
    EXPECT_EQ(neighbour_.label, "Untouched");  // the page was never shown
    EXPECT_EQ(prompts_.boxes.size(), 1u);
    EXPECT_EQ(otherServing_.label, "");  // answered No
}

TEST_F(LinesSheet, CancelWritesNothingAndAnUnknownTechnologyOffersOnlyNone) {
    FakeLines odd("Tech \"with\" 'quotes'"), oddNeighbour("Tech \"with\" 'quotes'");
    DialogScript script;
    std::vector<std::string> offered;
    std::wstring tab;
    script.Then([&](HWND sheet) {
        HWND page = Page(sheet);
        offered = Items(page, IDC_SERVER_COLOR);
        Choose(page, IDC_SERVER_COLOR, "None");
        Click(sheet, IDCANCEL);
    });
    CLinesToCellsPropertiesDlg sheet(nullptr, &odd, &oddNeighbour, nullptr, nullptr);
    EXPECT_EQ(Run(sheet), IDCANCEL);
    EXPECT_EQ(offered, (std::vector<std::string>{"None"}));
    EXPECT_EQ(odd.color, "");
    EXPECT_TRUE(prompts_.boxes.empty());
    EXPECT_EQ(XPathLiteral(L"a\"b'c"), L"concat(\"a\", '\"', \"b'c\")");

    // A long technology name with quotes is asked about whole.
    const std::string technology = "Tech \"" + std::string(500, 'x') + "\" 'end'";
    FakeLines longServing(technology), longNeighbour(technology);
    prompts_.answer = IDNO;
    DialogScript again;
    again.Then([&](HWND sheet) {
        Click(Page(sheet), IDC_SERVER_DISABLE);
        Click(sheet, IDOK);
    });
    CLinesToCellsPropertiesDlg changed(nullptr, &longServing, &longNeighbour, nullptr, nullptr);
    EXPECT_EQ(Run(changed), IDOK);
    ASSERT_EQ(prompts_.boxes.size(), 1u);
    EXPECT_EQ(prompts_.boxes[0], L"Apply to All Layers: Do you want to apply your new settings to all " +
                                     platform::ToWide(technology) + L" lines-to-cells?");
    EXPECT_EQ(XPathLiteral(L"a\"b"), L"'a\"b'");
}

}  // namespace
