// The registration and tiling dialogs worked as a user works them, from this program's own copy
// of their resources: typed values, the file and folder choosers answered, the coordinate-system
// and units pickers, presets, OK and Cancel, and what they refuse.
#include "ZmaVOMap2/dialogs/DialogResources.h"
#include "ZmaVOMap2/services/RegistryStrings.h"
#include "ZmaVOMap2/raster/RasterRegistrationDlg.h"
#include "ZmaVOMap2/raster/RasterResources.h"
#include "ZmaVOMap2/raster/RasterTileDlg.h"
#include "platform/Com.h"
#include "tests/raster/RasterFixture.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <sstream>

using namespace dialogtest;
using namespace rastertest;

namespace {

using Texts = std::vector<std::wstring>;
using Strings = std::vector<std::string>;

void TypeEdges(HWND d, const char* left, const char* top, const char* right, const char* bottom) {
    Type(d, IDC_REGISTER_LEFT, left);
    Type(d, IDC_REGISTER_TOP, top);
    Type(d, IDC_REGISTER_RIGHT, right);
    Type(d, IDC_REGISTER_BOTTOM, bottom);
}

// Queues the user's moves for the pickers the registration dialog opens and answers the buttons
// to press in it. "P1.0" picks member 0 of category 1 of the projection list, "U0" the first
// unit offered; "Pc" and "Uc" cancel.
std::vector<int> PlanPickers(DialogScript& script, const std::string& moves) {
    std::vector<int> buttons;
    std::istringstream words(moves);
    for (std::string move; words >> move;) {
        const bool projection = move[0] == 'P';
        buttons.push_back(projection ? IDC_REGISTER_PROJECTION : IDC_REGISTER_UNITS);
        script.Then([move, projection](HWND d) {
            if (move[1] == 'c') return Click(d, IDCANCEL);
            if (projection) {
                ::SendDlgItemMessageW(d, IDC_COORDSYS_CATEGORY, CB_SETCURSEL, static_cast<WPARAM>(move[1] - '0'), 0);
                ::SendMessageW(d, WM_COMMAND, MAKEWPARAM(IDC_COORDSYS_CATEGORY, CBN_SELCHANGE), 0);
                ::SendDlgItemMessageW(d, IDC_COORDSYS_MEMBERS, LB_SETCURSEL, static_cast<WPARAM>(move[3] - '0'), 0);
                ::SendMessageW(d, WM_COMMAND, MAKEWPARAM(IDC_COORDSYS_MEMBERS, LBN_SELCHANGE), 0);
            } else {
                ::SendDlgItemMessageW(d, IDC_UNITS_COMBO, CB_SETCURSEL, static_cast<WPARAM>(move[1] - '0'), 0);
            }
            Click(d, IDOK);
        });
    }
    return buttons;
}

class Registration : public ::testing::Test {
protected:
    ProjectionList projections_;
    Prompts prompts_;
    const std::string folder_ = Folder("register");
};

TEST_F(Registration, OKWritesTheTableBesideTheImageAndBrowseRemembersTheFolder) {
    const std::string image = folder_ + "\\site plan.bmp";
    WriteBitmap(image, 640, 480);
    testsupport::WriteString(HKEY_CURRENT_USER, L"Software\\Zemro\\Terravex\\Directories", L"MapImageDirectory", L"C:\\maps");
    prompts_.chosen = std::wstring(image.begin(), image.end());
    std::string shown;
    DialogScript script;
    script.Then([&](HWND d) {
        Click(d, IDC_REGISTER_BROWSE);
        shown = TextOf(d, IDC_REGISTER_SOURCE);
        TypeEdges(d, "10", "50", " 11", "49 ");
        Click(d, IDOK);
    });
    CRasterRegistrationDlg dialog;
    EXPECT_EQ(dialog.DoModal(nullptr), IDOK);
    EXPECT_EQ(script.Captions(), Texts{L"Raster Image Registration"});
    EXPECT_EQ(prompts_.lastTitle + L" " + prompts_.lastFilter + L" " + prompts_.lastExtension + L" " + prompts_.lastFolder,
              L"Open Layer Bitmap images (*.bmp)|*.bmp|JPEG images (*.jpg)|*.jpg| *.bmp C:\\maps");
    EXPECT_EQ(shown, image);
    EXPECT_EQ(ReadRegistryString("Directories", "MapImageDirectory"), folder_);

    // Text mode: each line feed is written as CR LF; the last line has none.
    EXPECT_EQ(dialog.TablePath(), platform::ToWide(folder_ + "\\site plan.TAB"));
    EXPECT_EQ(ReadAll(platform::ToAnsi(dialog.TablePath())),
              "!table\r\n!version 300\r\n!charset WindowsLatin1\r\n\r\nDefinition Table\r\nFile \"site plan.bmp\"\r\n"
              "Type \"RASTER\"\r\n(10, 50) (0, 0) Label \"Pt1\",\r\n(10, 49) (0, 479) Label \"Pt2\",\r\n"
              "(11, 50) (639, 0) Label \"Pt3\",\r\n(11, 49) (639, 479) Label \"Pt4\"\r\n"
              "CoordSys Earth Projection 1, 104\r\nUnits \"degree\"");
    EXPECT_EQ(prompts_.boxes, Texts{});
}

TEST_F(Registration, TheProjectionAndUnitsChosenEndTheTable) {
    // The projection list's categories: 0 longitude / latitude, 1 UTM in metres and in feet,
    // 2 non-earth without a unit and in kilometres.
    const struct {
        const char* moves;
        const char* ending;
    } cases[] = {
        {"P0.0", "CoordSys Earth Projection 1, 104\r\nUnits \"degree\""},
        {"P1.0", "CoordSys Earth Projection 8, 104, 7, 9, 0, 0.9996, 500000, 0\r\nUnits \"m\""},
        // Degrees chosen by the user stay through another earth system, not through a non-earth one.
        {"P1.0 U0 P1.1", "CoordSys Earth Projection 8, 104, 3, 9, 0, 0.9996, 500000, 0\r\nUnits \"degree\""},
        {"P1.0 U0 P2.0", "CoordSys NonEarth\r\nUnits \"m\""},
        {"P2.1", "CoordSys NonEarth\r\nUnits \"km\""},
        {"P1.1 U1", "CoordSys Earth Projection 8, 104, 3, 9, 0, 0.9996, 500000, 0\r\nUnits \"ft\""},
        {"Pc Uc", "CoordSys Earth Projection 1, 104\r\nUnits \"degree\""},
        // Longitude / latitude offers degrees alone; a non-earth system its unit alone.
        {"P0.0 U1", "CoordSys Earth Projection 1, 104\r\nUnits \"degree\""},
        {"P2.0 U0", "CoordSys NonEarth\r\nUnits \"m\""},
    };
    const std::string image = folder_ + "\\site.bmp";
    WriteBitmap(image, 40, 30);
    for (const auto& c : cases) {
        DialogScript script;
        std::vector<int> buttons;
        script.Then([&](HWND d) {
            Type(d, IDC_REGISTER_SOURCE, image.c_str());
            TypeEdges(d, "1", "2", "3", "0");
            for (int button : buttons) Click(d, button);
            Click(d, IDOK);
        });
        buttons = PlanPickers(script, c.moves);
        CRasterRegistrationDlg dialog;
        EXPECT_EQ(dialog.DoModal(nullptr), IDOK) << c.moves;
        const std::string table = ReadAll(platform::ToAnsi(dialog.TablePath()));
        EXPECT_EQ(table.substr(table.find("CoordSys")), c.ending) << c.moves;
    }
}

TEST_F(Registration, WhatCannotBeWrittenIsRefusedAndTheDialogStaysOpen) {
    const std::string image = folder_ + "\\site.bmp", blocked = folder_ + "\\blocked.bmp";
    WriteBitmap(image, 40, 30);
    WriteBitmap(blocked, 40, 30);
    ::CreateDirectoryA((folder_ + "\\blocked.TAB").c_str(), nullptr);
    std::ofstream(folder_ + "\\notes.bmp") << "not a picture";
    const std::wstring invalid = L"Invalid pathname", missing = L"Missing coordinate value";
    const struct {
        std::string source;
        const char* top;
        std::wstring box;
        int focused;
    } cases[] = {
        {"", "2", invalid, IDC_REGISTER_SOURCE},
        {folder_ + "\\missing.bmp", "2", invalid, IDC_REGISTER_SOURCE},
        {folder_ + "\\notes.bmp", "2", L"", IDC_REGISTER_SOURCE},
        {image, "12.5x", missing, IDC_REGISTER_TOP},
        {image, "", missing, IDC_REGISTER_TOP},
        {blocked, "2", L"The raster table " + std::wstring(folder_.begin(), folder_.end()) + L"\\blocked.TAB cannot be written.",
         IDC_REGISTER_SOURCE},
    };
    for (const auto& c : cases) {
        prompts_.boxes.clear();
        int focused = 0;
        DialogScript script;
        script.Then([&](HWND d) {
            Type(d, IDC_REGISTER_SOURCE, c.source.c_str());
            TypeEdges(d, "1", c.top, "3", "0");
            Click(d, IDOK);
            focused = ::IsWindowVisible(d) ? ::GetDlgCtrlID(::GetFocus()) : -1;
            Click(d, IDCANCEL);
        });
        CRasterRegistrationDlg dialog;
        EXPECT_EQ(dialog.DoModal(nullptr), IDCANCEL) << c.source;
        EXPECT_EQ(focused, c.focused) << c.source;
        EXPECT_EQ(prompts_.boxes, c.box.empty() ? Texts{} : Texts{L"Raster Registration Tool: " + c.box}) << c.source;
    }
    EXPECT_FALSE(Exists(folder_ + "\\site.TAB"));
}

// Without the engine's list of coordinate systems, Projection opens no picker: it says what is
// missing, the registry value or the file, and the dialog stays as it was. A folder named with a
// blank and a dot, and a final backslash, is the engine's folder all the same.
TEST_F(Registration, ProjectionNamesWhatKeepsTheEnginesListFromBeingRead) {
    const std::string empty = Folder("engine-empty"), unreadable = Folder("engine-unreadable"),
                      blank = Folder("engine-blank"), dotted = Folder("engine 4.0");
    ::CreateDirectoryA((unreadable + "\\Mapinfow.prj").c_str(), nullptr);
    std::ofstream(blank + "\\Mapinfow.prj") << "";
    std::ofstream(dotted + "\\Mapinfow.prj", std::ios::binary) << ProjectionList::Text();
    const std::wstring list = L"Raster Registration Tool: The map engine's list of coordinate systems \"";
    const struct {
        std::string folder;  // the value names it; none when the value is missing
        std::wstring box;    // none: the picker opens
    } cases[] = {
        {"",
         L"Raster Registration Tool: The map engine's list of coordinate systems cannot be found: the registry value "
         L"\"CommonDLLDir\" of HKEY_LOCAL_MACHINE\\SOFTWARE\\MapInfo\\MapX\\4.0, the engine's folder, is missing."},
        {empty, list + platform::ToWide(empty) + L"\\Mapinfow.prj\" does not exist."},
        {unreadable, list + platform::ToWide(unreadable) + L"\\Mapinfow.prj\" cannot be read."},
        {blank, list + platform::ToWide(blank) + L"\\Mapinfow.prj\" cannot be read."},
        {dotted + "\\", L""},
    };
    for (const auto& c : cases) {
        c.folder.empty() ? projections_.Forget() : projections_.Name(platform::ToWide(c.folder));
        prompts_.boxes.clear();
        DialogScript script;
        script.Then([](HWND d) {
            Click(d, IDC_REGISTER_PROJECTION);
            Click(d, IDCANCEL);
        });
        if (c.box.empty()) script.Then([](HWND d) { Click(d, IDCANCEL); });
        CRasterRegistrationDlg dialog;
        EXPECT_EQ(dialog.DoModal(nullptr), IDCANCEL) << c.folder;
        EXPECT_EQ(script.Captions(), c.box.empty() ? (Texts{L"Raster Image Registration", L"Select a coordinate system"})
                                                   : Texts{L"Raster Image Registration"})
            << c.folder;
        EXPECT_EQ(prompts_.boxes, c.box.empty() ? Texts{} : Texts{c.box}) << c.folder;
    }
}

// The tiler's dialog; `work` runs in it once it is open, then it is closed.
class Tiler : public ::testing::Test {
protected:
    void Run(std::function<void(HWND)> work) {
        DialogScript script;
        script.Then([&](HWND d) {
            work(d);
            Click(d, IDCANCEL);
        });
        CRasterTileDlg dialog(200, 200);
        EXPECT_EQ(dialog.DoModal(nullptr), IDCANCEL);
    }
    void Browse(HWND d, const std::string& table) {
        prompts_.chosen = std::wstring(table.begin(), table.end());
        Click(d, IDC_TILE_BROWSE_TABLE);
    }

    Prompts prompts_;
    const std::string folder_ = Folder("tiler");
};

TEST_F(Tiler, BrowsingReadsTheSourceTableAndTheCheckBoxPresetsTheCounts) {
    WriteBitmap(folder_ + "\\site.bmp", 450, 300);
    const std::string good = WriteRegisteredTable(folder_, "site.bmp", 10, 50, 11, 49, 450, 300);
    const std::string missing = WriteRegisteredTable(folder_, "gone.bmp", 10, 50, 11, 49, 450, 300);
    std::ofstream(folder_ + "\\roads.tab") << "!table\n\nDefinition Table\n  Type NATIVE Charset \"WindowsLatin1\"\n";
    // Control points along the top row alone leave the rows below nowhere.
    std::ofstream(folder_ + "\\row.tab") << "!table\n\nDefinition Table\nFile \"site.bmp\"\nType \"RASTER\"\n"
                                            "(10, 50) (0, 0) Label \"Pt1\",\n(11, 50) (449, 0) Label \"Pt2\",\n"
                                            "(10.5, 50) (224, 0) Label \"Pt3\"\nCoordSys Earth Projection 1, 104\n";
    char current[MAX_PATH] = {};
    ::GetCurrentDirectoryA(MAX_PATH, current);

    Strings seen;
    auto look = [&](HWND d) {
        seen.push_back(TextOf(d, IDC_TILE_TABLE) + "|" + TextOf(d, IDC_TILE_FOLDER) + "|" + TextOf(d, IDC_TILE_ACROSS) +
                       " x " + TextOf(d, IDC_TILE_DOWN) + (IsEnabled(d, IDC_TILE_ACROSS) ? " on" : " off") +
                       (IsEnabled(d, IDC_TILE_DOWN_LABEL) ? " on" : " off"));
    };
    Run([&](HWND d) {
        look(d);
        Browse(d, missing);
        Browse(d, folder_ + "\\roads.tab");
        Browse(d, folder_ + "\\row.tab");
        look(d);
        Browse(d, good);
        ClickBox(d, IDC_TILE_BY_COUNT);
        look(d);
        ClickBox(d, IDC_TILE_BY_COUNT);
        prompts_.chosenFolder = L"C:\\tiles";
        Click(d, IDC_TILE_BROWSE_FOLDER);
        look(d);
    });
    const std::string here = current;
    EXPECT_EQ(seen, (Strings{"|" + here + "| x  off off", "|" + here + "| x  off off", good + "|" + here + "|2 x 1 on on",
                             good + "|C:\\tiles|2 x 1 off off"}));
    EXPECT_EQ(prompts_.boxes, (Texts{L"Map Raster Tiler: Failed to load the registered image.",
                                     L"Map Raster Tiler: The specified layer is not a raster.",
                                     L"Map Raster Tiler: The control points of the table do not place its image on the map."}));
    EXPECT_EQ(prompts_.flags,
              (std::vector<UINT>{MB_OK | MB_ICONEXCLAMATION, MB_OK | MB_ICONEXCLAMATION, MB_OK | MB_ICONEXCLAMATION}));
    EXPECT_EQ(prompts_.lastTitle + L" " + prompts_.lastFilter + L" " + prompts_.folderTitle,
              L"Select Raster Layer MapInfo Tables (*.tab)|*.tab| Choose a folder");
}

TEST_F(Tiler, StartRefusesCountsThatLeaveNoPixelAndAFolderThatIsNotThere) {
    WriteBitmap(folder_ + "\\small.bmp", 150, 120);
    const std::string table = WriteRegisteredTable(folder_, "small.bmp", 10, 50, 11, 49, 150, 120);
    const std::wstring counts = L"The number of tiles must be from 1 to 150 across and from 1 to 120 down.";
    const struct {
        const char* across;  // typed after checking the box; null keeps the presets (0 x 0 here)
        const char* down;
        std::string folder;
        std::wstring box;
    } cases[] = {
        {nullptr, nullptr, folder_, counts},
        {"0", "2", folder_, counts},
        {"-3", "2", folder_, counts},
        {"151", "1", folder_, counts},
        {"2abc", "2", folder_, counts},
        {"2", "1,5", folder_, counts},
        {"2", "2", folder_ + "\\not here",
         L"The index " + std::wstring(folder_.begin(), folder_.end()) + L"\\not here\\small.atr cannot be created."},
    };
    for (const auto& c : cases) {
        prompts_.boxes.clear();
        Run([&](HWND d) {
            Browse(d, table);
            Type(d, IDC_TILE_FOLDER, c.folder.c_str());
            ClickBox(d, IDC_TILE_BY_COUNT);
            if (c.across) {
                Type(d, IDC_TILE_ACROSS, c.across);
                Type(d, IDC_TILE_DOWN, c.down);
            }
            Click(d, IDOK);
        });
        EXPECT_EQ(prompts_.boxes, Texts{L"Raster Tiling Tool: " + c.box});
        EXPECT_FALSE(Exists(folder_ + "\\small.atr") || Exists(folder_ + "\\smalltl1.bmp"));
    }
}

}  // namespace
