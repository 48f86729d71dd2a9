// The Layer Control dialog as a host and the context menu open it, from the control's own module,
// and the order of the map's layers as the dialog and the host's layer members change it: what
// the dialog lists is what the engine holds, in the engine's order.
#include "ZmaVOMap2/commands/CommandResources.h"
#include "ZmaVOMap2/dialogs/DialogResources.h"
#include "ZmaVOMap2/dialogs/MapSeriesDlg.h"
#include "ZmaVOMap2/engine/EngineDispatch.h"
#include "ZmaVOMap2/engine/EngineMembers.h"
#include "tests/commands/CommandsFixture.h"
#include "tests/datalayers/DisplayFixture.h"
#include "tests/dialogs/DialogScript.h"
#include "tests/imagery/ImagerySettings.h"
#include "tests/support/DibCanvas.h"
#include "tests/support/TestSite.h"
#include "tests/support/Watchdog.h"

#include <commctrl.h>

#include "MapEngine.h"

#include <algorithm>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <utility>

namespace {

using commandtest::SitedMap;
using platform::Bstr;
using platform::Variant;
using Names = std::vector<std::string>;

constexpr DISPID kLayersDlg = 0x11;
constexpr DISPID kEngineAutoRedraw = 6;

class LayerControlOfTheMap : public SitedMap {};

TEST_F(LayerControlOfTheMap, LayersDlgAndMapLayersOpenTheDialogOverTheMapsLayers) {
    std::vector<std::wstring> captions;
    int rows = -1;
    bool redrawWhileOpen = true;
    WorkDialogs([&](HWND dialog) {
        wchar_t caption[128] = {};
        ::GetWindowTextW(dialog, caption, 128);
        captions.push_back(caption);
        rows = static_cast<int>(::SendDlgItemMessageW(dialog, IDC_LAYER_LIST, LVM_GETITEMCOUNT, 0, 0));
        redrawWhileOpen = EngineGet(kEngineAutoRedraw).ToBool();
        ::PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    });

    // Through automation, as a host calls it: S_OK whatever the dialog answers.
    EXPECT_EQ(automation_->LayersDlg(), S_OK);
    ASSERT_EQ(captions.size(), 1u);
    EXPECT_EQ(captions[0], L"Layer Control");
    EXPECT_EQ(rows, 2);  // the annotations and imagery layers of a new map
    EXPECT_FALSE(redrawWhileOpen);
    EXPECT_TRUE(EngineGet(kEngineAutoRedraw).ToBool());

    // Through IDispatch by name, and from the context menu's "Map Layers".
    DISPID id = 0;
    LPOLESTR name = const_cast<LPOLESTR>(L"LayersDlg");
    ASSERT_EQ(automation_->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &id), S_OK);
    EXPECT_EQ(id, kLayersDlg);
    DISPPARAMS none = {};
    EXPECT_EQ(automation_->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &none, nullptr, nullptr, nullptr), S_OK);
    Command(ID_MAP_LAYERS);
    EXPECT_EQ(captions.size(), 3u);
}

// A host's calls and the dialog's buttons over a map whose layers come and go.
class LayerOrder : public SitedMap {
protected:
    // The engine's layers from the top: name and table file.
    std::vector<std::pair<std::string, std::string>> EngineLayers() {
        EngineDispatch layers(EngineGet(Engine::Map::kLayers).pdispVal);
        std::vector<std::pair<std::string, std::string>> out;
        for (long i = 1, count = layers.Get(Engine::Layers::kCount).ToLong(); i <= count; ++i) {
            EngineDispatch layer(layers.Call(Engine::Layers::kItem, {Variant(i)}).pdispVal);
            out.emplace_back(platform::ToAnsi(layer.Get(Engine::Layer::kName).ToWide()),
                             platform::ToAnsi(layer.Get(Engine::Layer::kFileSpec).ToWide()));
        }
        return out;
    }
    Names EngineNames() {
        Names names;
        for (const auto& layer : EngineLayers()) names.push_back(layer.first);
        return names;
    }
    static std::string WriteFile(const std::wstring& folder, const std::string& name, const std::string& text) {
        const std::string path = platform::ToAnsi(folder) + "\\" + name;
        std::ofstream(path) << text;
        return path;
    }
    // A table of one point in the engine's text form.
    static std::string WriteTable(const std::wstring& folder, const std::string& name) {
        return WriteFile(folder, name + ".tab",
                         "!table\n!version 300\n!charset WindowsLatin1\n\nDefinition Table\n"
                         "  Type NATIVE Charset \"WindowsLatin1\"\n  Fields 1\n    Name Char (64) ;\n"
                         "!feature\t2\tk1\tv1\t\t10.000000\t50.000000\t\t0\t\n");
    }
    // Opens the Layer Control and runs `steps`, the first in the Layer Control itself.
    void InLayerControl(std::vector<std::function<void(HWND)>> steps) {
        dialogtest::DialogScript script;
        for (auto& step : steps) script.Then(std::move(step));
        EXPECT_EQ(watchdog_.Guard("LayersDlg", [&] { return automation_->LayersDlg(); }), S_OK);
        EXPECT_TRUE(script.Finished());
    }
    // A map of its own, for each case but the first.
    void Renew() {
        TearDown();
        SetUp();
    }
    // The user adds the file through the Layer Control's Add and its file chooser.
    void AddInLayerControl(const std::string& path) {
        InLayerControl({[](HWND d) {
                            dialogtest::Click(d, IDC_LAYER_ADD);
                            dialogtest::Click(d, IDOK);
                        },
                        [path](HWND d) { dialogtest::ChooseFile(d, platform::ToWide(path)); }});
    }

    testsupport::Watchdog watchdog_;
};

// The tiles of a list file are one row and a block of engine layers, the last listed on top.
Names AsEngineLayers(const Names& rows) {
    Names names;
    for (const std::string& row : rows) {
        if (row == "tiles")
            names.insert(names.end(), {"tile3", "tile2", "tile1"});
        else
            names.push_back(row);
    }
    return names;
}

TEST_F(LayerOrder, TheTilesOfAListFileKeepTheirPlaceWhateverCameAboveThemAndWent) {
    const std::wstring folder = commandtest::TestFolder(L"tiles");
    for (const char* tile : {"tile1", "tile2", "tile3"}) WriteTable(folder, tile);
    const std::string list = WriteFile(folder, "tiles.atr", "tile1.tab\ntile2.tab\ntile3.tab\n");
    const Bstr roads(platform::ToWide(WriteTable(folder, "roads")));
    platform::ComPtr<IDispatch> points = displaytest::NewDataset({{L"Latitude", 13}, {L"Longitude", 12}, {L"RxLev", 5}}, 1);
    displaytest::SetValue(points.Get(), 0, L"Longitude", Variant(10.0));
    displaytest::SetValue(points.Get(), 0, L"Latitude", Variant(50.0));
    const Bstr series(L"{3A1B2C3D-0001-4E5F-8A9B-0C1D2E3F4A5B}");

    const struct {
        const char* above;  // what came above the tiles
        std::function<void()> put;
        std::vector<int> buttons;  // pressed on the tiles' row
        Names rows;                // listed at the end
    } cases[] = {
        {"a table opened and removed again",
         [&] {
             watchdog_.Guard("AddTemporaryTabLayer", [&] { return automation_->AddTemporaryTabLayer(roads.Get()); });
             watchdog_.Guard("RemoveTemporaryTabLayer", [&] { return automation_->RemoveTemporaryTabLayer(); });
         },
         {IDC_LAYER_DOWN, IDC_LAYER_UP, IDC_LAYER_REMOVE},
         {"Annotations", "Background map1"}},
        {"a dataset shown on top",
         [&] {
             watchdog_.Guard("DisplayDataset",
                             [&] { return automation_->DisplayDataset(points.Get(), Variant(L"RxLev"), series.Get()); });
         },
         {IDC_LAYER_DOWN, IDC_LAYER_UP, IDC_LAYER_UP},
         {"tiles", "RxLev", "Annotations", "Background map1"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.above);
        if (&c != cases) Renew();
        AddInLayerControl(list);
        c.put();
        // Before and after each button the rows and the engine's layers tell the same order.
        std::vector<std::pair<Names, Names>> seen;
        InLayerControl({[&](HWND d) {
            seen.emplace_back(AsEngineLayers(dialogtest::RowTexts(d)), EngineNames());
            for (int button : c.buttons) {
                const Names rows = dialogtest::RowTexts(d);
                dialogtest::SelectRows(d, {static_cast<int>(std::find(rows.begin(), rows.end(), "tiles") - rows.begin())});
                dialogtest::Click(d, button);
                seen.emplace_back(AsEngineLayers(dialogtest::RowTexts(d)), EngineNames());
            }
            dialogtest::Click(d, IDOK);
        }});
        ASSERT_EQ(seen.size(), c.buttons.size() + 1);
        for (const auto& s : seen) EXPECT_EQ(s.second, s.first);
        EXPECT_EQ(seen.back().first, AsEngineLayers(c.rows));

        // The map lets every layer go, and says nothing.
        Dialogs().Clear();
        EXPECT_EQ(watchdog_.Guard("PreDestroy", [&] { return automation_->PreDestroy(); }), S_OK);
        EXPECT_EQ(EngineNames(), Names{});
        EXPECT_TRUE(Dialogs().Dialogs().empty()) << platform::ToAnsi(Dialogs().Dialogs().front().text);
    }
}

TEST_F(LayerOrder, TwoTablesOfOneFileNameStayTwoLayersWhenTheHostsTableGoes) {
    const Bstr first(platform::ToWide(WriteTable(commandtest::TestFolder(L"a"), "roads")));
    const std::wstring imported = commandtest::TestFolder(L"b");
    WriteTable(imported, "roads");
    const std::string geoset = WriteFile(imported, "town.gst", "\"\\TABLE\\1\\FILE\" = \"roads.tab\"\n");
    const Bstr next(platform::ToWide(WriteTable(commandtest::TestFolder(L"c"), "roads")));
    // Which of the folders "..._a", "..._b", "..._c" a table lies in.
    auto origin = [](const std::string& file) { return platform::ToLower(file.substr(file.find_last_of('\\') - 1, 1)); };

    const struct {
        const char* how;  // the host's table taken off the map
        std::function<HRESULT()> takeOff;
        Names origins;  // of the tables left, from the top
    } cases[] = {
        {"removed", [&] { return automation_->RemoveTemporaryTabLayer(); }, {"b"}},
        {"replaced", [&] { return automation_->AddTemporaryTabLayer(next.Get()); }, {"c", "b"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.how);
        if (&c != cases) Renew();
        ASSERT_EQ(watchdog_.Guard("AddTemporaryTabLayer", [&] { return automation_->AddTemporaryTabLayer(first.Get()); }),
                  S_OK);
        AddInLayerControl(geoset);
        EXPECT_EQ(EngineNames(), (Names{"roads (2)", "roads", "Annotations", "Background map1"}));

        EXPECT_EQ(watchdog_.Guard(c.how, c.takeOff), S_OK);
        Names origins;
        for (const auto& layer : EngineLayers())
            if (platform::ToLower(layer.second).find("roads.tab") != std::string::npos) origins.push_back(origin(layer.second));
        EXPECT_EQ(origins, c.origins);
        Names rows;
        InLayerControl({[&](HWND d) {
            rows = dialogtest::RowTexts(d);
            dialogtest::Click(d, IDOK);
        }});
        EXPECT_EQ(rows, EngineNames());
    }
}

// A layer's labels as the user sees them: on the map, in the "Show" box of its Label Properties and
// in its labels square in the Layer Control. The engine shows a table's labels only while the
// table's automatic labelling and its label visibility are both on; a layer the control draws
// keeps whether it shows them in its own label settings.
class LayerLabels : public LayerOrder {
protected:
    void SetUp() override {
        LayerOrder::SetUp();
        // The map is drawn without imagery, whose tiles no server here gives.
        InLayerControl({[](HWND d) {
            const Names rows = dialogtest::RowTexts(d);
            dialogtest::SelectRows(d, {static_cast<int>(std::find(rows.begin(), rows.end(), "Background map1") - rows.begin())});
            dialogtest::Click(d, IDC_LAYER_REMOVE);
            dialogtest::Click(d, IDOK);
        }});
        table_ = platform::ToAnsi(commandtest::TestFolder(L"labels")) + "\\roads.tab";
        dialogtest::WriteRoads(table_);
    }
    static EngineDispatch Roads(IDispatch* map) {
        EngineDispatch layers(displaytest::Get(map, Engine::Map::kLayers).pdispVal);
        return EngineDispatch(layers.Call(Engine::Layers::kItem, {Variant(L"roads")}).pdispVal);
    }
    static EngineDispatch RoadsLabels(IDispatch* map) {
        return EngineDispatch(Roads(map).Get(Engine::Layer::kLabelProperties).pdispVal);
    }
    // The table's automatic labelling and label visibility.
    struct Switches {
        bool autoLabel, visible;
        bool operator==(const Switches& o) const { return autoLabel == o.autoLabel && visible == o.visible; }
    };
    static Switches SwitchesOf(IDispatch* map) {
        return {Roads(map).Get(Engine::Layer::kAutoLabel).ToBool(), RoadsLabels(map).Get(Engine::Labels::kVisible).ToBool()};
    }
    static void Set(IDispatch* map, Switches s) {
        Roads(map).Put(Engine::Layer::kAutoLabel, Variant(s.autoLabel));
        RoadsLabels(map).Put(Engine::Labels::kVisible, Variant(s.visible));
    }
    // Whether the table's label shows on the map, drawn as a host draws the control, in a colour
    // (magenta) nothing else on the map has.
    static bool LabelsOnMap(IUnknown* control, IDispatch* map) {
        const COLORREF kLabels = RGB(230, 0, 230);
        EngineDispatch(RoadsLabels(map).Get(Engine::Labels::kStyle).pdispVal).Put(Engine::Style::kTextFontColor, Variant(long{kLabels}));
        EngineDispatch view(map);
        view.Put(Engine::Map::kCenterX, Variant(10.0));
        view.Put(Engine::Map::kCenterY, Variant(50.0));
        testsupport::DibCanvas canvas(400, 300);
        EXPECT_EQ(canvas.DrawView(control), S_OK);
        for (int y = 0; y < canvas.Height(); ++y) {
            for (int x = 0; x < canvas.Width(); ++x) {
                // Glyphs smoothed into the light map keep the colour's red and blue well above its green.
                const COLORREF c = canvas.Pixel(x, y);
                if (GetGValue(c) + 60 <= GetRValue(c) && GetGValue(c) + 60 <= GetBValue(c)) return true;
            }
        }
        return false;
    }
    bool LabelsOnMap() { return LabelsOnMap(control_.Get(), map_.Get()); }

    // What the user does with a layer's labels, and what Show and the labels square showed before.
    enum Action { kOk, kSwitchShow, kSquare };
    struct Seen {
        bool show, square;
    };
    Seen Act(const std::string& layer, Action action) {
        Seen seen = {};
        const auto row = [layer](HWND d) {
            const Names rows = dialogtest::RowTexts(d);
            return static_cast<int>(std::find(rows.begin(), rows.end(), layer) - rows.begin());
        };
        const auto label = [&seen, action](HWND d) {
            seen.show = dialogtest::IsChecked(d, IDC_LABEL_SHOW);
            if (action == kSwitchShow) ::SendDlgItemMessageW(d, IDC_LABEL_SHOW, BM_CLICK, 0, 0);
            dialogtest::Click(d, IDOK);
        };
        std::vector<std::function<void(HWND)>> steps = {[&](HWND d) {
            seen.square = dialogtest::IsCellTicked(d, row(d), CMapSeriesDlg::kCellLabels);
            if (action == kSquare) {
                dialogtest::ClickCell(d, row(d), CMapSeriesDlg::kCellLabels);
                dialogtest::Click(d, IDOK);
                return;
            }
            dialogtest::SelectRows(d, {row(d)});
            dialogtest::Click(d, IDC_LAYER_LABELS);
            dialogtest::Click(d, IDOK);
        }};
        if (action != kSquare) steps.push_back(label);
        InLayerControl(std::move(steps));
        if (action == kSquare) seen.show = seen.square;  // Label Properties was not opened
        return seen;
    }

    std::string table_;
};

TEST_F(LayerLabels, ATableOpenedShowsNoneUntilTheUserShowsThemAndShowAndTheSquareSayWhatTheMapShows) {
    AddInLayerControl(table_);
    const struct {
        const char* what;
        std::optional<Switches> host;  // what a host set before the step
        Action action;
        bool before;  // shown on the map, ticked in Show and the square
        Switches after;
    } steps[] = {
        {"a table just opened, OK", {}, kOk, false, {true, false}},
        {"Show ticked", {}, kSwitchShow, false, {true, true}},
        {"OK", {}, kOk, true, {true, true}},
        {"the square cleared", {}, kSquare, true, {true, false}},
        {"the square ticked", {}, kSquare, false, {true, true}},
        {"Show cleared", {}, kSwitchShow, true, {true, false}},
        {"automatic labelling off, visibility on: OK", Switches{false, true}, kOk, false, {false, true}},
        {"automatic labelling off: the square ticked", {}, kSquare, false, {true, true}},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.what);
        if (step.host) Set(map_.Get(), *step.host);
        EXPECT_EQ(LabelsOnMap(), step.before);
        const Seen seen = Act("roads", step.action);
        EXPECT_EQ(seen.show, step.before);
        EXPECT_EQ(seen.square, step.before);
        EXPECT_TRUE(SwitchesOf(map_.Get()) == step.after);
        EXPECT_EQ(LabelsOnMap(), step.after.autoLabel && step.after.visible);
    }
}

// The engine's switch allows duplicate texts when on; the box hides them when ticked.
TEST_F(LayerLabels, HideDuplicatesIsTickedWhileATableAllowsNoneAndOkWritesTheOpposite) {
    AddInLayerControl(table_);
    const struct {
        bool allowed;  // the engine's switch before
        bool click;
        bool ticked;  // the box as the dialog shows it
        bool allowedAfter;
    } cases[] = {
        {true, false, false, true},
        {false, false, true, false},
        {true, true, false, false},
        {false, true, true, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.allowed) + " click " + std::to_string(c.click));
        RoadsLabels(map_.Get()).Put(Engine::Labels::kDuplicate, Variant(c.allowed));
        RoadsLabels(map_.Get()).Put(Engine::Labels::kPartialSegments, Variant(false));
        bool ticked = !c.ticked;
        InLayerControl({[](HWND d) {
                            const Names rows = dialogtest::RowTexts(d);
                            dialogtest::SelectRows(d, {static_cast<int>(std::find(rows.begin(), rows.end(), "roads") - rows.begin())});
                            dialogtest::Click(d, IDC_LAYER_LABELS);
                            dialogtest::Click(d, IDOK);
                        },
                        [&](HWND d) {
                            ticked = dialogtest::IsChecked(d, IDC_LABEL_DUPLICATE);
                            if (c.click) ::SendDlgItemMessageW(d, IDC_LABEL_DUPLICATE, BM_CLICK, 0, 0);
                            dialogtest::Click(d, IDOK);
                        }});
        EXPECT_EQ(ticked, c.ticked);
        EXPECT_EQ(RoadsLabels(map_.Get()).Get(Engine::Labels::kDuplicate).ToBool(), c.allowedAfter);
        // The maximum number of labels was left as shown: the labelling of lines partly in view stays.
        EXPECT_FALSE(RoadsLabels(map_.Get()).Get(Engine::Labels::kPartialSegments).ToBool());
    }
}

TEST_F(LayerLabels, ADataLayerKeepsWhetherItShowsThemInItsOwnLabelSettings) {
    platform::ComPtr<IDispatch> points = displaytest::NewDataset({{L"Latitude", 13}, {L"Longitude", 12}, {L"RxLev", 5}}, 1);
    displaytest::SetValue(points.Get(), 0, L"Longitude", Variant(10.0));
    displaytest::SetValue(points.Get(), 0, L"Latitude", Variant(50.0));
    ASSERT_EQ(automation_->DisplayDataset(points.Get(), Variant(L"RxLev"),
                                          Bstr(L"{3A1B2C3D-0002-4E5F-8A9B-0C1D2E3F4A5B}").Get()),
              S_OK);
    std::optional<bool> shown;  // as the dialog first shows it
    for (Action action : {kOk, kSwitchShow, kOk, kSquare, kOk, kSquare, kSwitchShow, kOk}) {
        SCOPED_TRACE(action);
        const Seen seen = Act("RxLev", action);
        EXPECT_EQ(seen.square, seen.show);
        if (shown) {
            EXPECT_EQ(seen.show, *shown);
        }
        shown = action == kOk ? seen.show : !seen.show;
    }
}

TEST_F(LayerLabels, AreShownAfterASaveAndALoadAsBefore) {
    AddInLayerControl(table_);
    for (const Switches s : {Switches{true, true}, Switches{true, false}, Switches{false, true}}) {
        SCOPED_TRACE(std::to_string(s.autoLabel) + std::to_string(s.visible));
        Set(map_.Get(), s);
        // The host's document, and the control's own stream.
        std::vector<platform::ComPtr<IStream>> saved = {imagerytest::StreamOf(imagerytest::SaveSettings(automation_.Get()).Get())};
        saved.emplace_back();
        ASSERT_EQ(::CreateStreamOnHGlobal(nullptr, TRUE, saved.back().Put()), S_OK);
        ASSERT_EQ(controltest::As<IPersistStreamInit>(control_.Get())->Save(saved.back().Get(), TRUE), S_OK);
        LARGE_INTEGER start = {};
        saved.back()->Seek(start, STREAM_SEEK_SET, nullptr);
        for (const auto& stream : saved) {
            auto site = platform::MakeObject<testsupport::TestSite>(400, 300);
            platform::ComPtr<IUnknown> loaded;
            ASSERT_EQ(controltest::CreateControl(loaded), S_OK);
            ASSERT_EQ(testsupport::ActivateInPlace(loaded.Get(), *site.Get(), stream.Get()), S_OK);
            platform::ComPtr<IDispatch> engine;
            ASSERT_EQ(controltest::As<IZmaVadAZ2>(loaded.Get())->get_MapX(engine.Put()), S_OK);
            EXPECT_TRUE(SwitchesOf(engine.Get()) == s);
            EXPECT_EQ(LabelsOnMap(loaded.Get(), engine.Get()), s.autoLabel && s.visible);
            testsupport::CloseInPlace(loaded.Get());
        }
    }
}

TEST_F(LayerLabels, AWorkspacesTableShowsThemAsItsLabelVisibilitySays) {
    const struct {
        const char* visibility;
        bool visible;  // the table's label visibility, and so Show and the square
        bool zoomRange;
        bool onMap;
    } cases[] = {
        {"On", true, false, true},
        {"Off", false, false, false},
        {"Zoom (0, 100000) Units \"km\"", true, true, true},  // the view within the range
        {"Zoom (0, 0.001) Units \"km\"", true, true, false},  // the view wider than the range
    };
    bool first = true;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.visibility);
        if (!first) Renew();
        first = false;
        const std::string folder = table_.substr(0, table_.find_last_of('\\'));
        const std::string workspace = WriteFile(
            platform::ToWide(folder), "town.wor",
            "!Workspace\n!Version 650\n!Charset WindowsLatin1\nOpen Table \"roads.tab\" As Roads Interactive\n"
            "Map From Roads\nSet Map\n  Layer 1\n    Display Graphic\n"
            "    Label Line None Position Right Font (\"Arial\",0,9,0) Pen (1,2,0)\n"
            "      With Name Parallel On Auto On Overlap Off Duplicates On Offset 2\n"
            "      Visibility " + std::string(c.visibility) + "\n");
        AddInLayerControl(workspace);
        EXPECT_TRUE(SwitchesOf(map_.Get()) == (Switches{true, c.visible}));
        EXPECT_EQ(RoadsLabels(map_.Get()).Get(Engine::Labels::kLabelZoom).ToBool(), c.zoomRange);
        EXPECT_EQ(LabelsOnMap(), c.onMap);
        const Seen seen = Act("roads", kOk);
        EXPECT_EQ(seen.show, c.visible);
        EXPECT_EQ(seen.square, c.visible);
        EXPECT_TRUE(SwitchesOf(map_.Get()) == (Switches{true, c.visible})) << "OK changed the labels";
    }
}

// A map saved from its stream with a table above its annotations and the table edited comes back
// in a new control as it was: the annotations layer is "Annotations" again, below the table,
// whatever temporary file now holds its annotation; the table alone is edited; and the map saves
// its layers as before.
TEST_F(LayerOrder, AMapLoadedFromItsStreamKeepsItsAnnotationsLayerAndTheLayerEdited) {
    AddInLayerControl(WriteTable(commandtest::TestFolder(L"annotated"), "roads"));
    const auto layer = [](IDispatch* map, const wchar_t* name) {
        EngineDispatch layers(displaytest::Get(map, Engine::Map::kLayers).pdispVal);
        return platform::ComPtr<IDispatch>(layers.Call(Engine::Layers::kItem, {Variant(name)}).pdispVal);
    };
    platform::ComPtr<IDispatch> point;
    ASSERT_EQ(::CoCreateInstance(CLSID_EnginePoint, nullptr, CLSCTX_ALL, IID_IDispatch, point.PutVoid()), S_OK);
    EngineDispatch(point.Get()).Call(Engine::Point::kSet, {Variant(10.0), Variant(50.0)});
    Variant factory = EngineGet(Engine::Map::kFeatureFactory);
    Variant text = EngineDispatch(factory.pdispVal).Call(Engine::FeatureFactory::kCreateText,
                                                         {Variant(point.Get()), Variant(L"Drive test start")});
    EngineDispatch(layer(map_.Get(), L"Annotations").Get()).Call(Engine::Layer::kAddFeature, {text, Variant::Missing()});
    InLayerControl({[](HWND d) {
        const Names rows = dialogtest::RowTexts(d);
        dialogtest::ClickCell(d, static_cast<int>(std::find(rows.begin(), rows.end(), "roads") - rows.begin()),
                              CMapSeriesDlg::kCellEditable);
        dialogtest::Click(d, IDOK);
    }});
    // The layers from the top, then those edited and the engine's insertion layer.
    const auto layers = [](IDispatch* map) {
        EngineDispatch list(displaytest::Get(map, Engine::Map::kLayers).pdispVal);
        Names names;
        for (long i = 1, count = list.Get(Engine::Layers::kCount).ToLong(); i <= count; ++i)
            names.push_back(platform::ToAnsi(
                EngineDispatch(list.Call(Engine::Layers::kItem, {Variant(i)}).pdispVal).Get(Engine::Layer::kName).ToWide()));
        for (const std::string& edited : dialogtest::EditedLayers(map)) names.push_back("edited: " + edited);
        return names;
    };
    // What a saved map keeps of its layers: each "Layer" element's type and name, and the order.
    const auto kept = [](IZmaVadAZ2* map) {
        platform::ComPtr<IXMLDOMElement> saved = imagerytest::SaveSettings(map);
        platform::ComPtr<IXMLDOMNodeList> nodes;
        saved->selectNodes(Bstr(L"mapsettings/layers/Layer/@layertype | mapsettings/layers/Layer/@amendedlayername | "
                                L"mapsettings/layers/LayerOrders/@LayerName").Get(),
                           nodes.Put());
        std::vector<std::wstring> texts;
        long count = 0;
        nodes->get_length(&count);
        for (long i = 0; i < count; ++i) {
            platform::ComPtr<IXMLDOMNode> node;
            Bstr value;
            nodes->get_item(i, node.Put());
            node->get_text(value.Put());
            texts.push_back(value.Wide());
        }
        return texts;
    };
    const Names before = layers(map_.Get());
    ASSERT_EQ(before, (Names{"roads", "Annotations", "Background map1", "edited: roads", "edited: roads"}));
    const std::vector<std::wstring> keptBefore = kept(automation_.Get());

    platform::ComPtr<IStream> stream;
    ASSERT_EQ(::CreateStreamOnHGlobal(nullptr, TRUE, stream.Put()), S_OK);
    ASSERT_EQ(controltest::As<IPersistStreamInit>(control_.Get())->Save(stream.Get(), TRUE), S_OK);
    LARGE_INTEGER start = {};
    stream->Seek(start, STREAM_SEEK_SET, nullptr);
    auto site = platform::MakeObject<testsupport::TestSite>(640, 480);
    platform::ComPtr<IUnknown> loaded;
    ASSERT_EQ(controltest::CreateControl(loaded), S_OK);
    ASSERT_EQ(testsupport::ActivateInPlace(loaded.Get(), *site.Get(), stream.Get()), S_OK);
    platform::ComPtr<IZmaVadAZ2> loadedMap = controltest::As<IZmaVadAZ2>(loaded.Get());
    platform::ComPtr<IDispatch> engine;
    ASSERT_EQ(loadedMap->get_MapX(engine.Put()), S_OK);
    EXPECT_EQ(layers(engine.Get()), before);
    platform::ComPtr<IDispatch> annotations = layer(engine.Get(), L"Annotations");
    ASSERT_TRUE(annotations);
    Variant features = EngineDispatch(annotations.Get()).Get(Engine::Layer::kAllFeatures);
    EXPECT_EQ(EngineDispatch(features.pdispVal).Get(Engine::Collection::kCount).ToLong(), 1);
    EXPECT_EQ(kept(loadedMap.Get()), keptBefore);
    testsupport::CloseInPlace(loaded.Get());
}

}  // namespace
