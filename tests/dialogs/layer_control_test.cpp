// The Layer Control dialog worked through its window: the buttons by selection, the four check
// cells, reordering, removing and adding layers, and the commands that leave for other dialogs.
#include "ZmaVOMap2/services/RegistryStrings.h"
#include "ZmaVOMap2/dialogs/DialogResources.h"
#include "ZmaVOMap2/dialogs/MapSeriesDlg.h"
#include "ZmaVOMap2/engine/EngineIds.h"
#include "tests/dialogs/DialogScript.h"
#include "tests/layers/LayerFixture.h"

#include <algorithm>
#include <fstream>

using namespace dialogtest;
using platform::Variant;
using Names = std::vector<std::string>;

namespace {

class LayerControl : public layertest::LayerTest {
protected:
    void SetUp() override {
        LayerTest::SetUp();
        prompts_ = std::make_unique<ScriptedPrompts>();
    }
    void TearDown() override {
        prompts_.reset();
        LayerTest::TearDown();
    }
    INT_PTR Run() {
        CMapSeriesDlg dialog(map_.Get(), *layers_, nullptr, &links_);
        return dialog.DoModal(nullptr);
    }
    // Tables "a", "b", "c" ... opened in that order, so the last is on top; type 4 (editable and
    // selectable kinds) unless told otherwise.
    void OpenTables(const Names& names, int type = CZmaVadAZLayer::kTypeTable) {
        for (const std::string& name : names) OpenTable(name)->SetType(type);
    }
    CZmaVadAZLayer* Layer(const char* name) { return layers_->FindLayerByName(platform::ToWide(name)); }
    bool AutoRedraw() { return EngineDispatch(map_.Get()).Get(Engine::Map::kAutoRedraw).ToBool(); }
    std::map<int, bool> Buttons(HWND d) {
        std::map<int, bool> on;
        for (int id : {IDC_LAYER_UP, IDC_LAYER_DOWN, IDC_LAYER_ADD, IDC_LAYER_REMOVE, IDC_LAYER_DISPLAY, IDC_LAYER_LABELS,
                       IDC_LAYER_LINES, IDC_LAYER_OFFSET})
            on[id] = IsEnabled(d, id);
        return on;
    }

    std::unique_ptr<ScriptedPrompts> prompts_;
    RecordingLinks links_;
};

TEST_F(LayerControl, ButtonsFollowTheSelectionAndRedrawWaitsForTheDialog) {
    DialogScript script;
    std::map<int, bool> empty;
    bool redrawWhileOpen = true;
    std::wstring face;
    script.Then([&](HWND d) {
        empty = Buttons(d);
        LOGFONTW font = {};
        ::GetObjectW(reinterpret_cast<HFONT>(::SendDlgItemMessageW(d, IDC_LAYER_LIST, WM_GETFONT, 0, 0)), sizeof font, &font);
        face = font.lfFaceName;
        redrawWhileOpen = AutoRedraw();
        Click(d, IDOK);
    });
    EXPECT_EQ(Run(), IDOK);
    EXPECT_EQ(script.Captions(), (std::vector<std::wstring>{L"Layer Control"}));
    EXPECT_FALSE(redrawWhileOpen);
    EXPECT_TRUE(AutoRedraw());
    EXPECT_EQ(face, L"Arial");
    EXPECT_EQ(empty, (std::map<int, bool>{{IDC_LAYER_UP, false}, {IDC_LAYER_DOWN, false}, {IDC_LAYER_ADD, true},
                                          {IDC_LAYER_REMOVE, false}, {IDC_LAYER_DISPLAY, false}, {IDC_LAYER_LABELS, false},
                                          {IDC_LAYER_LINES, false}, {IDC_LAYER_OFFSET, false}}));

    OpenTables({"a", "b", "c"});
    Layer("a")->SetType(CZmaVadAZLayer::kTypeAnnotations);
    Names rows;
    std::map<int, bool> top, bottom, two;
    int cursorOnBottom = -2;
    DialogScript script2;
    script2.Then([&](HWND d) {
        rows = RowTexts(d);
        top = Buttons(d);
        SelectRows(d, {2});
        bottom = Buttons(d);
        cursorOnBottom = layers_->CursorIndex();
        SelectRows(d, {0, 1});
        two = Buttons(d);
        Click(d, IDCANCEL);
    });
    EXPECT_EQ(Run(), IDCANCEL);
    EXPECT_EQ(rows, (Names{"c", "b", "a"}));
    // The top row: no Up; the current layer may still be removed.
    EXPECT_FALSE(top[IDC_LAYER_UP]);
    EXPECT_TRUE(top[IDC_LAYER_DOWN]);
    EXPECT_TRUE(top[IDC_LAYER_REMOVE]);
    EXPECT_TRUE(top[IDC_LAYER_DISPLAY]);
    EXPECT_FALSE(top[IDC_LAYER_LINES]);
    EXPECT_FALSE(top[IDC_LAYER_OFFSET]);
    // The bottom row is the annotations layer: no Down, no Display, never removed.
    EXPECT_TRUE(bottom[IDC_LAYER_UP]);
    EXPECT_FALSE(bottom[IDC_LAYER_DOWN]);
    EXPECT_FALSE(bottom[IDC_LAYER_DISPLAY]);
    EXPECT_FALSE(bottom[IDC_LAYER_REMOVE]);
    EXPECT_EQ(cursorOnBottom, 2);
    EXPECT_EQ(two, (std::map<int, bool>{{IDC_LAYER_UP, false}, {IDC_LAYER_DOWN, true}, {IDC_LAYER_ADD, false},
                                        {IDC_LAYER_REMOVE, true}, {IDC_LAYER_DISPLAY, false}, {IDC_LAYER_LABELS, false},
                                        {IDC_LAYER_LINES, false}, {IDC_LAYER_OFFSET, true}}));
    Layer("a")->SetType(CZmaVadAZLayer::kTypeTable);
}

TEST_F(LayerControl, ACellSwitchesItsRowOrEverySelectedRow) {
    OpenTables({"a", "b", "c"});
    DialogScript script;
    script.Then([&](HWND d) {
        ClickCell(d, 1, CMapSeriesDlg::kCellVisible);  // b alone
        EXPECT_FALSE(Layer("b")->IsVisible());
        EXPECT_TRUE(Layer("a")->IsVisible() && Layer("c")->IsVisible());

        // Three rows selected, the clicked one visible: all three become invisible.
        SelectRows(d, {0, 1, 2});
        ClickCell(d, 2, CMapSeriesDlg::kCellVisible);
        EXPECT_FALSE(Layer("a")->IsVisible() || Layer("b")->IsVisible() || Layer("c")->IsVisible());
        SelectRows(d, {0, 1, 2});
        ClickCell(d, 0, CMapSeriesDlg::kCellVisible);
        EXPECT_TRUE(Layer("a")->IsVisible() && Layer("b")->IsVisible() && Layer("c")->IsVisible());

        const bool labels = Layer("c")->GetLabelsVisible();
        ClickCell(d, 0, CMapSeriesDlg::kCellLabels);
        EXPECT_NE(Layer("c")->GetLabelsVisible(), labels);
        EXPECT_EQ(Layer("b")->GetLabelsVisible(), labels);

        const bool selectable = Layer("a")->IsSelectable();
        SelectRows(d, {1, 2});
        ClickCell(d, 2, CMapSeriesDlg::kCellSelectable);
        EXPECT_NE(Layer("a")->IsSelectable(), selectable);
        EXPECT_NE(Layer("b")->IsSelectable(), selectable);
        EXPECT_EQ(Layer("c")->IsSelectable(), selectable);
        Click(d, IDOK);
    });
    EXPECT_EQ(Run(), IDOK);
    EXPECT_TRUE(script.Finished());
}

// One layer at a time is edited: a click on a layer's editable cell takes editing from whichever
// layer has it, the engine's insertion layer with it; a click on the edited layer stops editing.
// Rows moved up or down change nothing of that.
TEST_F(LayerControl, TheEditableCellMovesEditingFromWhicheverLayerHasIt) {
    OpenTables({"a", "b", "c"});
    // A plain table that cannot be edited has an unavailable cell.
    Layer("c")->SetType(CZmaVadAZLayer::kTypeOtherTable);
    ASSERT_EQ(layers_->CreateAnnotationsLayer(FolderA().c_str()), S_OK);
    const auto row = [](HWND d, const char* name) {
        const Names rows = RowTexts(d);
        return static_cast<int>(std::find(rows.begin(), rows.end(), name) - rows.begin());
    };
    // The layer whose cell is clicked (or, with `move`, whose row moves that way), and the edited
    // layers then, with the engine's insertion layer last.
    const struct {
        const char* layer;
        int move;
        Names after;
    } steps[] = {
        {"a", 0, {"a", "a"}},
        {"Annotations", 0, {"Annotations", "Annotations"}},
        {"Annotations", 0, {"<none>"}},
        {"c", 0, {"<none>"}},
        {"b", 0, {"b", "b"}},
        {"b", IDC_LAYER_UP, {"b", "b"}},
        {"a", 0, {"a", "a"}},
        {"a", IDC_LAYER_DOWN, {"a", "a"}},
        {"Annotations", 0, {"Annotations", "Annotations"}},
        {"b", 0, {"b", "b"}},
    };
    DialogScript script;
    script.Then([&](HWND d) {
        for (const auto& step : steps) {
            SCOPED_TRACE(std::string(step.layer) + (step.move ? " moved" : " clicked"));
            if (step.move) {
                SelectRows(d, {row(d, step.layer)});
                Click(d, step.move);
            } else {
                ClickCell(d, row(d, step.layer), CMapSeriesDlg::kCellEditable);
            }
            EXPECT_EQ(EditedLayers(map_.Get()), step.after);
        }
        Click(d, IDOK);
    });
    EXPECT_EQ(Run(), IDOK);
    EXPECT_TRUE(script.Finished());
}

TEST_F(LayerControl, UpAndDownMoveTheLayersWithTheirRows) {
    OpenTables({"a", "b", "c", "d"});
    DialogScript script;
    Names afterUp, afterDown, rowsUp, rowsDown;
    std::vector<int> selectedUp, selectedDown;
    script.Then([&](HWND d) {
        SelectRows(d, {1, 2});  // c and b
        Click(d, IDC_LAYER_UP);
        afterUp = LayerNames();
        rowsUp = RowTexts(d);
        selectedUp = SelectedRows(d);
        SelectRows(d, {0, 2});  // c and d
        Click(d, IDC_LAYER_DOWN);
        afterDown = LayerNames();
        rowsDown = RowTexts(d);
        selectedDown = SelectedRows(d);
        Click(d, IDOK);
    });
    EXPECT_EQ(Run(), IDOK);
    EXPECT_EQ(afterUp, (Names{"c", "b", "d", "a"}));
    EXPECT_EQ(rowsUp, afterUp);
    EXPECT_EQ(selectedUp, (std::vector<int>{0, 1}));
    EXPECT_EQ(afterDown, (Names{"b", "c", "a", "d"}));
    EXPECT_EQ(rowsDown, afterDown);
    // The engine's list moved in step.
    EXPECT_EQ(EngineLayerNames(), afterDown);
}

TEST_F(LayerControl, RemoveStopsAtDirectionAndRegionLayers) {
    OpenTables({"a", "b", "c", "d"});
    Layer("b")->SetType(CZmaVadAZLayer::kTypeRegion);
    DialogScript script;
    Names rows;
    script.Then([&](HWND d) {
        SelectRows(d, {0, 1, 2});
        Click(d, IDC_LAYER_REMOVE);
        rows = RowTexts(d);
        Click(d, IDOK);
    });
    EXPECT_EQ(Run(), IDOK);
    EXPECT_EQ(rows, (Names{"b", "a"}));
    EXPECT_EQ(LayerNames(), (Names{"b", "a"}));
    ASSERT_EQ(prompts_->boxes.size(), 1u);
    EXPECT_EQ(prompts_->boxes[0], L"Map: It is not possible to remove layers of this type.");
    EXPECT_TRUE(prompts_->flags[0] & MB_ICONINFORMATION);

    Layer("b")->SetType(CZmaVadAZLayer::kTypeDirection);
    prompts_->boxes.clear();
    DialogScript again;
    again.Then([&](HWND d) {
        Click(d, IDC_LAYER_REMOVE);
        Click(d, IDOK);
    });
    Run();
    EXPECT_EQ(LayerNames(), (Names{"b", "a"}));
    EXPECT_EQ(prompts_->boxes.size(), 1u);
    Layer("b")->SetType(CZmaVadAZLayer::kTypeTable);
}

TEST_F(LayerControl, AddOpensTablesAndListsAtTheTopAndRemembersTheFolder) {
    OpenTable("base");
    const std::string table = WriteTable("extra", 1, {100});
    WriteTable("tile_a", 1, {100});
    WriteTable("tile_b", 1, {100});
    const std::string list = FolderA() + "\\tiles.atr";
    {
        std::ofstream file(list);
        file << "tile_a.tab\ntile_b.tab\n";
    }
    WriteTable("x", 1, {100});
    WriteTable("y", 1, {100});

    DialogScript script;
    Names afterTable, afterList, afterTwo;
    script.Then([&](HWND d) {
        prompts_->chosen = platform::ToWide(table);
        Click(d, IDC_LAYER_ADD);
        afterTable = RowTexts(d);
        prompts_->chosen = platform::ToWide(list);
        Click(d, IDC_LAYER_ADD);
        afterList = RowTexts(d);
        prompts_->chosen = platform::ToWide(FolderA()) + std::wstring(L"\0x.tab\0y.tab", 12);
        Click(d, IDC_LAYER_ADD);
        afterTwo = RowTexts(d);
        // A workspace that cannot be read opens nothing and says so; a cancelled chooser adds nothing.
        prompts_->chosen = platform::ToWide(FolderA()) + L"\\city.wor";
        Click(d, IDC_LAYER_ADD);
        prompts_->chosen.clear();
        Click(d, IDC_LAYER_ADD);
        EXPECT_EQ(RowTexts(d), afterTwo);
        Click(d, IDOK);
    });
    EXPECT_EQ(Run(), IDOK);
    EXPECT_EQ(prompts_->lastTitle, L"Open Layer");
    EXPECT_EQ(prompts_->lastExtension, L"*.tab");
    EXPECT_EQ(prompts_->lastFilter,
              L"All Map Files and Workspaces (*.tab, *.wor, *.gst, *.atr)|*.tab;*.wor;*.gst;*.atr|"
              L"MapInfo Map Files (*.tab)|*.tab|MapInfo Workspaces (*.wor)|*.wor|MapInfo Geosets (*.gst)|*.gst|"
              L"Tiled Rasters (*.atr)|*.atr|");
    EXPECT_EQ(prompts_->lastOpen.nMaxFile, 2600u);
    EXPECT_TRUE(prompts_->lastOpen.Flags & OFN_ALLOWMULTISELECT);
    EXPECT_EQ(prompts_->lastFolder, platform::ToWide(FolderA()));
    EXPECT_EQ(ReadRegistryString("Directories", "MapLayerDirectory"), FolderA());

    EXPECT_EQ(afterTable, (Names{"extra", "base"}));
    EXPECT_EQ(afterList, (Names{"tiles", "extra", "base"}));
    EXPECT_EQ(Layer("tiles")->GetType(), CZmaVadAZLayer::kTypeAtrList);
    EXPECT_EQ(afterTwo, (Names{"y", "x", "tiles", "extra", "base"}));
    EXPECT_EQ(LayerNames(), afterTwo);
    ASSERT_EQ(prompts_->boxes.size(), 1u);
    EXPECT_EQ(prompts_->boxes[0], L"Map Module - Add new layer: The file " + platform::ToWide(FolderA()) + L"\\city.wor cannot be read.");
}

TEST_F(LayerControl, AddOpensWorkspacesAndGeosetsAndListsTheirLayers) {
    OpenTable("base");
    for (const char* name : {"w1", "w2", "w3", "g1", "extra"}) WriteTable(name, 1, {100});
    auto write = [&](const char* name, const std::string& text) {
        std::ofstream(FolderA() + "\\" + name) << text;
        return platform::ToWide(FolderA() + "\\" + name);
    };
    const std::wstring workspace = write("ws.wor", "Open Table \"w1.tab\" As W1\nOpen Table \"w2.tab\" As W2\nMap From W1, W2\n");
    const std::wstring geoset = write("town.gst", "\"\\TABLE\\1\\FILE\" = \"g1.tab\"\n");
    write("ws2.wor", "Open Table \"w3.tab\" As W3\nMap From W3\n");

    DialogScript script;
    Names afterWorkspace, afterGeoset, afterTwo;
    script.Then([&](HWND d) {
        prompts_->chosen = workspace;
        Click(d, IDC_LAYER_ADD);
        afterWorkspace = RowTexts(d);
        prompts_->chosen = geoset;
        Click(d, IDC_LAYER_ADD);
        afterGeoset = RowTexts(d);
        // Among several files a workspace lists no layer one by one; the list is made again.
        prompts_->chosen = platform::ToWide(FolderA()) + std::wstring(L"\0ws2.wor\0extra.tab", 18);
        Click(d, IDC_LAYER_ADD);
        afterTwo = RowTexts(d);
        Click(d, IDOK);
    });
    EXPECT_EQ(Run(), IDOK);
    EXPECT_EQ(afterWorkspace, (Names{"w1", "w2", "base"}));
    EXPECT_EQ(afterGeoset, (Names{"g1", "w1", "w2", "base"}));
    EXPECT_EQ(afterTwo, (Names{"extra", "w3", "g1", "w1", "w2", "base"}));
    EXPECT_EQ(LayerNames(), afterTwo);
    EXPECT_TRUE(prompts_->boxes.empty());
}

TEST_F(LayerControl, ExportsAndHelpGoThroughTheLinksAndAFailedKmlExportIsSwallowed) {
    OpenTables({"a"});
    DialogScript script;
    script.Then([&](HWND d) {
        EXPECT_FALSE(::IsWindowVisible(::GetDlgItem(d, IDC_LAYER_HELP)));
        Click(d, IDC_LAYER_EXPORT_TAB);
        Click(d, IDC_LAYER_EXPORT_KML);
        Click(d, IDC_LAYER_HELP);
        Click(d, IDOK);
    });
    EXPECT_EQ(Run(), IDOK);
    EXPECT_EQ(links_.calls, (Names{"tab", "kml", "help 131194"}));
}

}  // namespace
