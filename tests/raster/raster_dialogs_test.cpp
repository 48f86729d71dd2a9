// The registration and tiling dialogs worked as a user works them, from this program's own copy
// of their resources: typed values, the file and folder choosers answered, the coordinate-system
// and units pickers, presets, OK and Cancel, and what they refuse.
#include "ZmaVOMap2/commands/CommandResources.h"
#include "ZmaVOMap2/commands/RegistryStrings.h"
#include "ZmaVOMap2/raster/RasterRegistrationDlg.h"
#include "ZmaVOMap2/raster/RasterResources.h"
#include "ZmaVOMap2/raster/RasterTileDlg.h"
#include "tests/raster/RasterFixture.h"
#include "tests/support/TestSupport.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <map>

using namespace dialogtest;
using namespace rastertest;

namespace {

using Texts = std::vector<std::wstring>;

// Picks member `member` of category `category` in the coordinate-system picker.
void PickCoordSys(HWND d, int category, int member) {
    HWND combo = ::GetDlgItem(d, IDC_COORDSYS_CATEGORY);
    ::SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(category), 0);
    ::SendMessageW(d, WM_COMMAND, MAKEWPARAM(IDC_COORDSYS_CATEGORY, CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
    HWND list = ::GetDlgItem(d, IDC_COORDSYS_MEMBERS);
    ::SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(member), 0);
    ::SendMessageW(d, WM_COMMAND, MAKEWPARAM(IDC_COORDSYS_MEMBERS, LBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
    Click(d, IDOK);
}

std::vector<std::string> UnitsOffered(HWND d, int& selected) {
    std::vector<std::string> items;
    for (LRESULT i = 0; i < ::SendDlgItemMessageA(d, IDC_UNITS_COMBO, CB_GETCOUNT, 0, 0); ++i) {
        char text[64] = {};
        ::SendDlgItemMessageA(d, IDC_UNITS_COMBO, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
        items.push_back(text);
    }
    selected = static_cast<int>(::SendDlgItemMessageA(d, IDC_UNITS_COMBO, CB_GETCURSEL, 0, 0));
    return items;
}

void TypeEdges(HWND d, const char* left, const char* top, const char* right, const char* bottom) {
    Type(d, IDC_REGISTER_LEFT, left);
    Type(d, IDC_REGISTER_TOP, top);
    Type(d, IDC_REGISTER_RIGHT, right);
    Type(d, IDC_REGISTER_BOTTOM, bottom);
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

    EXPECT_EQ(prompts_.lastTitle, L"Open Layer");
    EXPECT_EQ(prompts_.lastFilter, L"Bitmap images (*.bmp)|*.bmp|JPEG images (*.jpg)|*.jpg|");
    EXPECT_EQ(prompts_.lastExtension, L"*.bmp");
    EXPECT_EQ(prompts_.lastFolder, L"C:\\maps");
    EXPECT_EQ(shown, image);
    EXPECT_EQ(ReadRegistryString("Directories", "MapImageDirectory"), folder_);

    // Text mode: each line feed is written as CR LF; the last line has none.
    EXPECT_EQ(dialog.TablePath(), folder_ + "\\site plan.TAB");
    EXPECT_EQ(ReadAll(dialog.TablePath()),
              "!table\r\n!version 300\r\n!charset WindowsLatin1\r\n\r\nDefinition Table\r\nFile \"site plan.bmp\"\r\n"
              "Type \"RASTER\"\r\n(10, 50) (0, 0) Label \"Pt1\",\r\n(10, 49) (0, 479) Label \"Pt2\",\r\n"
              "(11, 50) (639, 0) Label \"Pt3\",\r\n(11, 49) (639, 479) Label \"Pt4\"\r\n"
              "CoordSys Earth Projection 1, 104\r\nUnits \"degree\"");
    EXPECT_EQ(prompts_.boxes, Texts{});
}

TEST_F(Registration, TheProjectionAndUnitsChosenEndTheTable) {
    // Categories of the list: 0 longitude / latitude, 1 UTM (metres, feet), 2 non-earth (none, km).
    using Step = std::function<void(HWND)>;
    const Step utmMetres = [](HWND d) { PickCoordSys(d, 1, 0); };
    const Step utmFeet = [](HWND d) { PickCoordSys(d, 1, 1); };
    const struct Case {
        std::vector<int> buttons;  // pressed in the registration dialog before OK
        std::vector<Step> pickers;
        const char* ending;
    } cases[] = {
        {{IDC_REGISTER_PROJECTION}, {[](HWND d) { PickCoordSys(d, 0, 0); }},
         "CoordSys Earth Projection 1, 104\r\nUnits \"degree\""},
        {{IDC_REGISTER_PROJECTION}, {utmMetres}, "CoordSys Earth Projection 8, 104, 7, 9, 0, 0.9996, 500000, 0\r\nUnits \"m\""},
        // Degrees chosen by the user stay through another earth system ...
        {{IDC_REGISTER_PROJECTION, IDC_REGISTER_UNITS, IDC_REGISTER_PROJECTION},
         {utmMetres, [](HWND d) {
              ::SendDlgItemMessageW(d, IDC_UNITS_COMBO, CB_SETCURSEL, 0, 0);
              Click(d, IDOK);
          },
          utmFeet},
         "CoordSys Earth Projection 8, 104, 3, 9, 0, 0.9996, 500000, 0\r\nUnits \"degree\""},
        // ... but not through a non-earth one, whose units come from its clause.
        {{IDC_REGISTER_PROJECTION, IDC_REGISTER_UNITS, IDC_REGISTER_PROJECTION},
         {utmMetres, [](HWND d) {
              ::SendDlgItemMessageW(d, IDC_UNITS_COMBO, CB_SETCURSEL, 0, 0);
              Click(d, IDOK);
          },
          [](HWND d) { PickCoordSys(d, 2, 0); }},
         "CoordSys NonEarth\r\nUnits \"m\""},
        {{IDC_REGISTER_PROJECTION}, {[](HWND d) { PickCoordSys(d, 2, 1); }}, "CoordSys NonEarth\r\nUnits \"km\""},
        // Cancelled pickers change nothing.
        {{IDC_REGISTER_PROJECTION, IDC_REGISTER_UNITS},
         {[](HWND d) { Click(d, IDCANCEL); }, [](HWND d) { Click(d, IDCANCEL); }},
         "CoordSys Earth Projection 1, 104\r\nUnits \"degree\""},
    };
    const std::string image = folder_ + "\\site.bmp";
    WriteBitmap(image, 40, 30);
    for (const Case& c : cases) {
        DialogScript script;
        script.Then([&](HWND d) {
            Type(d, IDC_REGISTER_SOURCE, image.c_str());
            TypeEdges(d, "1", "2", "3", "0");
            for (int button : c.buttons) Click(d, button);
            Click(d, IDOK);
        });
        for (const Step& step : c.pickers) script.Then(step);
        CRasterRegistrationDlg dialog;
        EXPECT_EQ(dialog.DoModal(nullptr), IDOK);
        const std::string table = ReadAll(dialog.TablePath());
        EXPECT_EQ(table.substr(table.find("CoordSys")), c.ending);
    }

    // What the units picker offers: degrees and the clause's unit for an earth system, the unit
    // alone for a non-earth one and degrees alone for longitude / latitude.
    const struct {
        Step pick;
        std::vector<std::string> offered;
        int selected;
    } offers[] = {{utmFeet, {"degree", "foot"}, 1},
                  {[](HWND d) { PickCoordSys(d, 2, 1); }, {"kilometer"}, 0},
                  {[](HWND d) { PickCoordSys(d, 0, 0); }, {"degree"}, 0}};
    for (const auto& o : offers) {
        std::vector<std::string> offered;
        int selected = -2;
        DialogScript script;
        script
            .Then([&](HWND d) {
                Click(d, IDC_REGISTER_PROJECTION);
                Click(d, IDC_REGISTER_UNITS);
                Click(d, IDCANCEL);
            })
            .Then(o.pick)
            .Then([&](HWND d) {
                offered = UnitsOffered(d, selected);
                Click(d, IDCANCEL);
            });
        CRasterRegistrationDlg dialog;
        EXPECT_EQ(dialog.DoModal(nullptr), IDCANCEL);
        EXPECT_EQ(offered, o.offered);
        EXPECT_EQ(selected, o.selected);
    }
}

TEST_F(Registration, WhatCannotBeWrittenIsRefusedAndTheDialogStaysOpen) {
    const std::string image = folder_ + "\\site.bmp";
    WriteBitmap(image, 40, 30);
    const std::string notAnImage = folder_ + "\\notes.bmp";
    std::ofstream(notAnImage) << "not a picture";
    const std::string blocked = folder_ + "\\blocked.bmp";
    WriteBitmap(blocked, 40, 30);
    ::CreateDirectoryA((folder_ + "\\blocked.TAB").c_str(), nullptr);
    const struct {
        std::string source;
        const char* top;
        std::wstring box;
        int focused;
    } cases[] = {
        {"", "2", L"Raster Registration Tool: Invalid pathname", IDC_REGISTER_SOURCE},
        {folder_ + "\\missing.bmp", "2", L"Raster Registration Tool: Invalid pathname", IDC_REGISTER_SOURCE},
        {notAnImage, "2", L"", IDC_REGISTER_SOURCE},
        {image, "12.5x", L"Raster Registration Tool: Missing coordinate value", IDC_REGISTER_TOP},
        {image, "", L"Raster Registration Tool: Missing coordinate value", IDC_REGISTER_TOP},
        {blocked, "2",
         L"Raster Registration Tool: The raster table " + std::wstring(folder_.begin(), folder_.end()) +
             L"\\blocked.TAB cannot be written.",
         IDC_REGISTER_SOURCE},
    };
    for (const auto& c : cases) {
        prompts_.boxes.clear();
        int focused = 0;
        bool open = false;
        DialogScript script;
        script.Then([&](HWND d) {
            Type(d, IDC_REGISTER_SOURCE, c.source.c_str());
            TypeEdges(d, "1", c.top, "3", "0");
            Click(d, IDOK);
            open = ::IsWindowVisible(d) != FALSE;
            focused = ::GetDlgCtrlID(::GetFocus());
            Click(d, IDCANCEL);
        });
        CRasterRegistrationDlg dialog;
        EXPECT_EQ(dialog.DoModal(nullptr), IDCANCEL) << c.source;
        EXPECT_TRUE(open);
        EXPECT_EQ(focused, c.focused) << c.source;
        EXPECT_EQ(prompts_.boxes, c.box.empty() ? Texts{} : Texts{c.box}) << c.source;
        EXPECT_TRUE(dialog.TablePath().empty());
    }
    EXPECT_FALSE(Exists(folder_ + "\\site.TAB"));
}

// The tiler's dialog over a registered image; `work` runs in it once it is open.
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
    const std::string vector = folder_ + "\\roads.tab";
    std::ofstream(vector) << "!table\n!version 300\n\nDefinition Table\n  Type NATIVE Charset \"WindowsLatin1\"\n";
    char current[MAX_PATH] = {};
    ::GetCurrentDirectoryA(MAX_PATH, current);

    std::map<std::string, std::string> seen;
    Run([&](HWND d) {
        seen["folder"] = TextOf(d, IDC_TILE_FOLDER);
        seen["counts enabled"] = IsEnabled(d, IDC_TILE_ACROSS) || IsEnabled(d, IDC_TILE_DOWN_LABEL) ? "yes" : "no";
        Browse(d, missing);
        seen["after missing image"] = TextOf(d, IDC_TILE_TABLE);
        Browse(d, vector);
        seen["after vector table"] = TextOf(d, IDC_TILE_TABLE);
        Browse(d, good);
        seen["after raster"] = TextOf(d, IDC_TILE_TABLE);
        seen["clip map"] = ::FindWindowExW(d, nullptr, L"VadAZClipMap", L"Clip map") ? "yes" : "no";
        ClickBox(d, IDC_TILE_BY_COUNT);
        seen["preset"] = TextOf(d, IDC_TILE_ACROSS) + " x " + TextOf(d, IDC_TILE_DOWN);
        seen["counts enabled after check"] = IsEnabled(d, IDC_TILE_ACROSS) && IsEnabled(d, IDC_TILE_DOWN_LABEL) ? "yes" : "no";
        ClickBox(d, IDC_TILE_BY_COUNT);
        seen["counts enabled after uncheck"] = IsEnabled(d, IDC_TILE_DOWN) ? "yes" : "no";
        prompts_.chosenFolder = L"C:\\tiles";
        Click(d, IDC_TILE_BROWSE_FOLDER);
        seen["chosen folder"] = TextOf(d, IDC_TILE_FOLDER);
    });
    EXPECT_EQ(seen, (std::map<std::string, std::string>{{"folder", current},
                                                         {"counts enabled", "no"},
                                                         {"after missing image", ""},
                                                         {"after vector table", ""},
                                                         {"after raster", good},
                                                         {"clip map", "yes"},
                                                         {"preset", "2 x 1"},
                                                         {"counts enabled after check", "yes"},
                                                         {"counts enabled after uncheck", "no"},
                                                         {"chosen folder", "C:\\tiles"}}));
    EXPECT_EQ(prompts_.boxes, (Texts{L"Map Raster Tiler: Failed to load the registered image.",
                                     L"Map Raster Tiler: The specified layer is not a raster."}));
    EXPECT_EQ(prompts_.flags, (std::vector<UINT>{MB_OK | MB_ICONEXCLAMATION, MB_OK | MB_ICONEXCLAMATION}));
    EXPECT_EQ(prompts_.lastTitle, L"Select Raster Layer");
    EXPECT_EQ(prompts_.lastFilter, L"MapInfo Tables (*.tab)|*.tab|");
    EXPECT_EQ(prompts_.folderTitle, L"Choose a folder");
}

TEST_F(Tiler, StartRefusesCountsThatLeaveNoPixelAndAFolderThatIsNotThere) {
    WriteBitmap(folder_ + "\\small.bmp", 150, 120);
    const std::string table = WriteRegisteredTable(folder_, "small.bmp", 10, 50, 11, 49, 150, 120);
    const std::wstring counts = L"Raster Tiling Tool: The number of tiles must be from 1 to 150 across and from 1 to 120 down.";
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
        {"2", "2", folder_ + "\\not here",
         L"Raster Tiling Tool: The index " + std::wstring(folder_.begin(), folder_.end()) +
             L"\\not here\\small.atr cannot be created."},
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
        EXPECT_EQ(prompts_.boxes, Texts{c.box});
        EXPECT_FALSE(Exists(folder_ + "\\small.atr"));
        EXPECT_FALSE(Exists(folder_ + "\\smalltl1.bmp"));
    }
}

}  // namespace
