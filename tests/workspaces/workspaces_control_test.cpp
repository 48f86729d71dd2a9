// Workspaces and geosets opened as a user opens them: "Add" in the Layer Control of a control
// active in a test site, the file chosen in the file chooser. Every import runs under a watchdog:
// a path that names a device once made the import wait for ever.
#include "ZmaVOMap2/dialogs/DialogResources.h"
#include "ZmaVOMap2/engine/EngineDispatch.h"
#include "ZmaVOMap2/engine/EngineMembers.h"
#include "tests/commands/CommandsFixture.h"
#include "tests/dialogs/DialogScript.h"
#include "tests/support/TestSupport.h"
#include "tests/support/Watchdog.h"

#include <fstream>

using namespace dialogtest;
using platform::ComPtr;
using Names = std::vector<std::string>;

namespace {

// The folder of the tables GDAL made ("roads.tab", "many\t0.tab" ...), as Wine sees it.
std::string Maps() { return platform::ToAnsi(testsupport::WinePath(WORKSPACE_TABLES_UNIX)) + "\\maps\\"; }

class LayerControlImport : public commandtest::SitedMap {
protected:
    struct Outcome {
        Names rows;                       // the rows the import added to the Layer Control, top first
        std::vector<std::wstring> boxes;  // the messages the import showed
    };

    // Writes `lines` as the file `name` beside the tables.
    static void Write(const std::string& name, const Names& lines) {
        std::ofstream file(Maps() + name, std::ios::binary);
        for (const std::string& line : lines) file << line << "\r\n";
    }

    // Writes `lines` as the file `name` beside the tables and opens it through the Layer Control.
    Outcome Import(const std::string& name, const Names& lines) {
        Write(name, lines);
        const std::wstring path = platform::ToWide(Maps() + name);
        Outcome out;
        DialogScript script;
        script
            .Then([&](HWND d) {
                const size_t before = RowTexts(d).size();
                Click(d, IDC_LAYER_ADD);
                out.rows = RowTexts(d);
                out.rows.resize(out.rows.size() - before);
                Click(d, IDOK);
            })
            .Then([&](HWND d) { ChooseFile(d, path); });
        Dialogs().Clear();
        EXPECT_EQ(watchdog_.Guard("the Layer Control opening " + name, [&] { return automation_->LayersDlg(); }), S_OK)
            << name;
        for (const testsupport::DialogAnswerer::Answered& a : Dialogs().Dialogs())
            if (a.caption == L"Map Module - Add new layer") out.boxes.push_back(a.text);
        return out;
    }

    static std::string GeosetTable(int number, const std::string& path) {
        return "\"\\TABLE\\" + std::to_string(number) + "\\FILE\" = \"" + path + "\"";
    }

    testsupport::Watchdog watchdog_{60000};
};

// A device, a pipe, a stream or a wildcard where a workspace or geoset names a table, or a file of
// statements to read, or where a list names a table, is refused as in every other document, in
// whatever spelling the system would open: logged, told among the import's messages (ten at most,
// then one that counts the rest; a list only logs), and the other tables still open.
TEST_F(LayerControlImport, PathsThatNameNoPlainFileAreRefusedLoggedAndCounted) {
    Names manyDevices{GeosetTable(1, "roads.tab")};
    for (const char* device : {"COM1", "COM2", "COM3", "COM4", "COM5", "COM6", "COM7", "COM8", "COM9", "LPT1",
                               "LPT2", "CON"})
        manyDevices.push_back(GeosetTable(static_cast<int>(manyDevices.size()) + 1, device));
    // Spellings the system opens as a pipe (a server's IPC$ share among them), a mailslot or a device,
    // and names it opens as files.
    const Names refused{"\\\\srv\\\\pipe\\roads.tab", "\\\\srv\\pipe.\\roads.tab", "//srv//mailslot/roads.tab",
                        "\\\\\\SRV\\PIPE \\roads.tab", "\\\\srv\\.\\MailSlot..\\roads.tab", "\\\\.\\pipe\\roads.tab",
                        "\\\\?\\UNC\\srv\\pipe\\roads.tab", "\\\\srv\\IPC$\\roads.tab", "//SRV/ipc$. /roads.tab",
                        Maps() + "nul.tab", Maps() + "COM1 .tab",
                        Maps() + "LPT1..tab", Maps() + "COM1.tab\\."};
    const std::string upAndDown = Maps() + "sub\\..\\..\\my.data\\my roads.v2.tab";
    Names spellings{GeosetTable(1, "roads.tab"), GeosetTable(2, upAndDown)}, list{"roads.tab", "..\\my.data\\my roads.v2.tab"};
    for (const std::string& path : refused) {
        spellings.push_back(GeosetTable(static_cast<int>(spellings.size()) + 1, path));
        list.push_back(path);
    }
    const struct Case {
        const char* name;
        Names lines;
        Names rows;                       // top first
        size_t refusals;
        std::vector<const char*> logged;  // the ends of refused paths, as logged
        size_t boxes;
    } cases[] = {
        {"devices.gst",
         {GeosetTable(1, "roads.tab"), GeosetTable(2, "COM1"), GeosetTable(3, "COM1.tab"), GeosetTable(4, "CONOUT$"),
          GeosetTable(5, "CONOUT$.tab"), GeosetTable(6, "roads.tab:hidden"), GeosetTable(7, "r*.tab"),
          GeosetTable(8, "\\\\localhost\\pipe\\roads.tab"), GeosetTable(9, "//localhost/MailSlot/roads.tab")},
         {"roads"},
         8,
         {"\\COM1\"", "\\COM1\"", "\\CONOUT$\"", "\\CONOUT$\"", "roads.tab:hidden\"", "r*.tab\"",
          "\\\\localhost\\pipe\\roads.tab\"", "//localhost/MailSlot/roads.tab\""},
         8},
        {"devices.wor",
         {"Open Table \"COM1\" Interactive", "Open Table \"CONOUT$.tab\" As D", "Open Table \"roads.tab\" As R",
          "Open Table \"r?ads\" As W", "Map From R, D, W"},
         {"roads (2)"},
         3,
         {"\\COM1\"", "\\CONOUT$\"", "r?ads.TAB\""},
         3},
        {"many devices.gst", manyDevices, {"roads (3)"}, 12, {"\\CON\""}, 11},
        {"spellings.gst", spellings, {"roads (4)", "my roads.v2"}, refused.size(),
         {"\\\\srv\\\\pipe\\roads.tab\"", "\\\\srv\\pipe.\\roads.tab\"", "//srv//mailslot/roads.tab\"",
          "\\\\\\SRV\\PIPE \\roads.tab\"", "\\\\srv\\.\\MailSlot..\\roads.tab\"", "\\\\srv\\IPC$\\roads.tab\"",
          "//SRV/ipc$. /roads.tab\"", "\\COM1 .tab\"", "\\COM1.tab\\.\""},
         11},
        // A file of statements (opened without an alias) and a table, each spelt as a pipe.
        {"spellings.wor",
         {"Open Table \"\\\\srv\\pipe.\\statements\" Interactive", "Open Table \"//srv//mailslot/roads\" As M",
          "Open Table \"roads.tab\" As R", "Map From R, M"},
         {"roads (5)"},
         2,
         {"statements.TAB\"", "//srv//mailslot/roads.TAB\""},
         2},
        {"spellings.atr", list, {"spellings"}, refused.size(), {"\\\\srv\\\\pipe\\roads.tab\"", "COM1 .tab\""}, 0},
    };
    for (const Case& c : cases) {
        testsupport::ClearHostLog();
        const Outcome outcome = Import(c.name, c.lines);
        // Only the plain tables open; each case adds roads once more to the same map, under a name of its own.
        EXPECT_EQ(outcome.rows, c.rows) << c.name;
        EXPECT_EQ(outcome.boxes.size(), c.boxes) << c.name;
        for (const std::wstring& box : outcome.boxes)
            EXPECT_TRUE(box.find(L"does not name a table file") != std::wstring::npos ||
                        box.find(L" further messages about") != std::wstring::npos)
                << c.name << ": " << platform::ToAnsi(box);
        const std::vector<std::wstring> log = testsupport::HostLogLines();
        size_t leftOut = 0;
        for (const std::wstring& line : log) leftOut += line.find(L"is left out") != std::wstring::npos;
        EXPECT_EQ(leftOut, c.refusals) << c.name;
        for (const char* path : c.logged) {
            bool found = false;
            for (const std::wstring& line : log)
                found |= line.find(L"is left out") != std::wstring::npos && line.find(platform::ToWide(path)) != std::wstring::npos;
            EXPECT_TRUE(found) << c.name << ": " << path;
        }
    }
}

// A geoset line indented before its key sets nothing and names no table.
TEST_F(LayerControlImport, AnIndentedGeosetLineIsNoSetting) {
    const Outcome outcome = Import("indented.gst", {GeosetTable(1, "roads.tab"), "\"\\TABLE\\1\\DESCRIPTION\" = \"Main\"",
                                                    "  \"\\TABLE\\1\\ISVISIBLE\" = \"FALSE\"",
                                                    "\t" + GeosetTable(2, "rivers.tab")});
    EXPECT_EQ(outcome.rows, (Names{"Main"}));
    EXPECT_TRUE(outcome.boxes.empty());
    ComPtr<IDispatch> layers = platform::DispatchOf(EngineGet(Engine::Map::kLayers));
    ComPtr<IDispatch> roads = platform::DispatchOf(EngineDispatch(layers.Get()).Call(Engine::Layers::kItem, {platform::Variant(1L)}));
    EXPECT_TRUE(EngineDispatch(roads.Get()).Get(Engine::Layer::kVisible).ToBool());
}

// A geoset's table to be edited takes editing from the map's annotations, and one not to be
// edited leaves it where it is: one layer at a time is edited.
TEST_F(LayerControlImport, AGeosetsEditableTableIsTheOneLayerEdited) {
    ASSERT_EQ(EditedLayers(map_.Get()), (Names{"Annotations", "Annotations"}));
    Import("kept.gst", {GeosetTable(1, "roads.tab"), "\"\\TABLE\\1\\EDITABLE\" = \"FALSE\""});
    EXPECT_EQ(EditedLayers(map_.Get()), (Names{"Annotations", "Annotations"}));
    Import("edited.gst", {GeosetTable(1, "rivers.tab"), "\"\\TABLE\\1\\EDITABLE\" = \"TRUE\""});
    EXPECT_EQ(EditedLayers(map_.Get()), (Names{"rivers", "rivers"}));
}

// Thousands of tables of one folder open, first on top.
TEST_F(LayerControlImport, AGeosetOfThreeThousandTablesOpensThemAll) {
    Names lines, expected;
    for (int n = 0; n < 3000; ++n) {
        lines.push_back(GeosetTable(n + 1, "many\\t" + std::to_string(n) + ".tab"));
        expected.push_back("t" + std::to_string(n));
    }
    const Outcome outcome = Import("many.gst", lines);
    EXPECT_EQ(outcome.rows, expected);
    EXPECT_TRUE(outcome.boxes.empty());
}

// The folder "links" holds L and M, two links to itself: a file of statements there that opens
// "L\a" and "M\a" names itself in ever new ways (L\a, M\a, L\L\a, L\M\a ...). It is read once
// whatever name reaches it, the import ends, and the loop is told once among its messages.
TEST_F(LayerControlImport, AWorkspaceThatReachesItselfThroughFolderLinksEnds) {
    Write("links\\a.TAB", {"Open Table \"L\\a\" Interactive", "Open Table \"M\\a\" Interactive",
                           "Open Table \"" + Maps() + "rivers.tab\" As W"});
    testsupport::ClearHostLog();
    const Outcome outcome =
        Import("links.wor", {"Open Table \"links\\a\" Interactive", "Open Table \"roads.tab\" As R", "Map From R, W"});
    EXPECT_EQ(outcome.rows, (Names{"roads", "rivers"}));
    ASSERT_EQ(outcome.boxes.size(), 1u);
    EXPECT_NE(outcome.boxes[0].find(L"links\\a.TAB is reached again as " + platform::ToWide(Maps()) + L"links\\L\\a.TAB"),
              std::wstring::npos)
        << platform::ToAnsi(outcome.boxes[0]);
    size_t logged = 0;  // L\a and M\a
    for (const std::wstring& line : testsupport::HostLogLines())
        logged += line.find(L"is reached again as") != std::wstring::npos;
    EXPECT_EQ(logged, 2u);
}

}  // namespace
