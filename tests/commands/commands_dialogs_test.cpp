// The small dialogs of the commands, run from this program's own resources and driven as a user
// would: the units picker, the coordinate-system picker and the number edit.
#include "ZmaVOMap2/commands/ImageExport.h"
#include "ZmaVOMap2/dialogs/DialogResources.h"
#include "ZmaVOMap2/services/NumberEdit.h"
#include "ZmaVOMap2/dialogs/PickCoordSysDlg.h"
#include "ZmaVOMap2/services/RegistryStrings.h"
#include "ZmaVOMap2/dialogs/UnitsPickerDlg.h"
#include "platform/Com.h"
#include "tests/commands/FakeCommandTarget.h"
#include "tests/support/DialogAnswerer.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>

namespace {

std::function<void(HWND)> g_work;
HWND g_dialog = nullptr;

void CALLBACK RunWork(HWND, UINT, UINT_PTR timer, DWORD) {
    ::KillTimer(nullptr, timer);
    if (g_work && ::IsWindow(g_dialog)) g_work(g_dialog);
}

// Runs `work` on the next dialog once it has settled.
class DialogWork {
public:
    explicit DialogWork(std::function<void(HWND)> work) {
        g_work = std::move(work);
        testsupport::DialogAnswerer::Current()->SetAction([](HWND dialog) {
            g_dialog = dialog;
            ::SetTimer(nullptr, 0, 20, &RunWork);
        });
    }
    ~DialogWork() {
        testsupport::DialogAnswerer::Current()->SetAction(nullptr);
        g_work = nullptr;
    }
};

std::vector<std::string> ComboItems(HWND dialog, int id) {
    std::vector<std::string> items;
    const LRESULT n = ::SendDlgItemMessageA(dialog, id, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < n; ++i) {
        char text[128] = {};
        ::SendDlgItemMessageA(dialog, id, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
        items.push_back(text);
    }
    return items;
}

void Press(HWND dialog, int id) { ::PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0); }

TEST(UnitsPicker, OffersDegreesAndTheUnitAndAnswersTheAbbreviation) {
    CUnitsPickerDlg dialog;
    dialog.unitCode = 7;
    dialog.initialSelection = 1;
    std::vector<std::string> offered;
    {
        DialogWork work([&](HWND d) {
            offered = ComboItems(d, IDC_UNITS_COMBO);
            Press(d, IDOK);
        });
        EXPECT_EQ(dialog.DoModal(nullptr), IDOK);
    }
    EXPECT_EQ(offered, (std::vector<std::string>{"degree", "meter"}));
    EXPECT_EQ(dialog.result, "m");  // not the length table's "mt"

    CUnitsPickerDlg surveyed;
    surveyed.unitCode = 8;
    surveyed.degreeHidden = true;
    surveyed.initialSelection = 0;
    {
        DialogWork work([&](HWND d) {
            offered = ComboItems(d, IDC_UNITS_COMBO);
            Press(d, IDOK);
        });
        EXPECT_EQ(surveyed.DoModal(nullptr), IDOK);
    }
    EXPECT_EQ(offered, (std::vector<std::string>{"survey ft"}));
    EXPECT_EQ(surveyed.result, "survey ft");

    CUnitsPickerDlg cancelled;
    cancelled.unitCode = 0;
    cancelled.initialSelection = 0;
    {
        DialogWork work([&](HWND d) { Press(d, IDCANCEL); });
        EXPECT_EQ(cancelled.DoModal(nullptr), IDCANCEL);
    }
    EXPECT_EQ(cancelled.result, "");
}

std::wstring WriteListFile() {
    wchar_t folder[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, folder);
    std::wstring path = std::wstring(folder) + L"coordsys_" + std::to_wstring(::GetCurrentProcessId()) + L".prj";
    FILE* file = _wfopen(path.c_str(), L"w");
    std::fputs("\"--- Longitude / Latitude ---\"\n"
               "\"Longitude / Latitude\", 1, 0\n"
               "\"Longitude / Latitude (WGS 84)\", 1, 104\n"
               "\n"
               "\"--- Universal Transverse Mercator (WGS 84) ---\"\n"
               "\"UTM Zone 31, Northern Hemisphere (WGS 84)\", 8, 104, 7, 3, 0, 0.9996, 500000, 0\n"
               "\"UTM Zone 32, Northern Hemisphere (WGS 84)\", 8, 104, 7, 9, 0, 0.9996, 500000, 0\n"
               "\"UTM Zone 33, Northern Hemisphere (WGS 84)\", 8, 104, 7, 15, 0, 0.9996, 500000, 0\n",
               file);
    std::fclose(file);
    return path;
}

TEST(CoordSysPicker, ReadsTheListFileByCategory) {
    const std::wstring path = WriteListFile();
    auto categories = CPickCoordSysDlg::ReadListFile(path);
    ASSERT_EQ(categories.size(), 2u);
    EXPECT_EQ(categories[0].name, "Longitude / Latitude");
    EXPECT_EQ(categories[1].name, "Universal Transverse Mercator (WGS 84)");
    ASSERT_EQ(categories[1].members.size(), 3u);
    EXPECT_EQ(categories[1].members[1].name, "UTM Zone 32, Northern Hemisphere (WGS 84)");
    EXPECT_EQ(categories[1].members[1].definition, "8, 104, 7, 9, 0, 0.9996, 500000, 0");
    EXPECT_TRUE(CPickCoordSysDlg::ReadListFile(L"Z:\\no\\such\\list.prj").empty());

    // The user picks the second category and its third member.
    CPickCoordSysDlg dialog(path);
    std::vector<std::string> shown;
    {
        DialogWork work([&](HWND d) {
            shown = ComboItems(d, IDC_COORDSYS_CATEGORY);
            HWND combo = ::GetDlgItem(d, IDC_COORDSYS_CATEGORY);
            ::SendMessageW(combo, CB_SETCURSEL, 1, 0);
            ::SendMessageW(d, WM_COMMAND, MAKEWPARAM(IDC_COORDSYS_CATEGORY, CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
            HWND list = ::GetDlgItem(d, IDC_COORDSYS_MEMBERS);
            EXPECT_EQ(::SendMessageW(list, LB_GETCOUNT, 0, 0), 3);
            ::SendMessageW(list, LB_SETCURSEL, 2, 0);
            ::SendMessageW(d, WM_COMMAND, MAKEWPARAM(IDC_COORDSYS_MEMBERS, LBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
            Press(d, IDOK);
        });
        EXPECT_EQ(dialog.DoModal(nullptr), IDOK);
    }
    EXPECT_EQ(shown, (std::vector<std::string>{"Longitude / Latitude", "Universal Transverse Mercator (WGS 84)"}));
    ASSERT_TRUE(dialog.Result());
    EXPECT_EQ(dialog.Result()->name, "Universal Transverse Mercator (WGS 84)");
    EXPECT_EQ(dialog.Result()->selectedMember, 2);
    ::DeleteFileW(path.c_str());
}

TEST(NumberEdit, TakesOnlyASignedDecimalNumber) {
    HWND edit = ::CreateWindowExW(0, L"EDIT", L"", WS_POPUP, 0, 0, 100, 20, nullptr, nullptr, nullptr, nullptr);
    ASSERT_TRUE(edit);
    CNumberEdit number(2);
    ASSERT_TRUE(number.Subclass(edit));
    auto type = [&](const char* keys) {
        for (const char* k = keys; *k; ++k) ::SendMessageW(edit, WM_CHAR, static_cast<WPARAM>(*k), 0);
    };
    type("-1.5");
    EXPECT_DOUBLE_EQ(number.GetValue(), -1.5);
    type(".-x7e");  // a second point, a late minus and letters are swallowed
    char text[32] = {};
    ::GetWindowTextA(edit, text, sizeof text);
    EXPECT_STREQ(text, "-1.57");
    type("\b\b");
    ::GetWindowTextA(edit, text, sizeof text);
    EXPECT_STREQ(text, "-1.");
    number.SetValue(0.25);
    ::GetWindowTextA(edit, text, sizeof text);
    EXPECT_STREQ(text, "0.25");
    // The standard "select all" and "clear" commands work on the box.
    ::SendMessageW(edit, WM_COMMAND, 0xE12A, 0);
    ::SendMessageW(edit, WM_COMMAND, 0xE120, 0);
    EXPECT_EQ(::GetWindowTextLengthW(edit), 0);
    number.Unsubclass();
    ::DestroyWindow(edit);
}

TEST(MapImageExport, AFailureIsToldAndLoggedAndTheFolderRemembered) {
    commandtest::FakeCommandTarget target;
    target.exportResult = E_FAIL;
    target.exportError = L"The disk is full";
    commandtest::FakePrompts prompts;
    prompts.savePath = L"C:\\maps\\exported\\view.png";
    commandtest::RecordingLog log;
    CLSID fsoClass;
    ASSERT_EQ(::CLSIDFromProgID(L"Scripting.FileSystemObject", &fsoClass), S_OK);
    platform::ComPtr<IDispatch> anyMap;
    ASSERT_EQ(::CoCreateInstance(fsoClass, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, anyMap.PutVoid()), S_OK);

    ExportMapAsImage(target, anyMap.Get(), 5);
    EXPECT_EQ(prompts.title, L"Export Map as Image");
    EXPECT_EQ(target.exports, (std::vector<std::wstring>{L"C:\\maps\\exported\\view.png 5"}));
    EXPECT_EQ(prompts.boxes, (std::vector<std::wstring>{L"Map Module: The disk is full"}));
    ASSERT_EQ(log.lines.size(), 1u);
    EXPECT_EQ(log.lines[0], "Error: 0x80004005The disk is full");
    EXPECT_EQ(ReadRegistryString("Directories", "MapImageDirectory"), "C:\\maps\\exported");

    // Codes outside the seven formats and a cancelled dialog export nothing.
    ExportMapAsImage(target, anyMap.Get(), 7);
    prompts.savePath.clear();
    ExportMapAsImage(target, anyMap.Get(), 1);
    EXPECT_EQ(target.exports.size(), 1u);
}

}  // namespace
