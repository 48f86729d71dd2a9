// What a user types into the map's dialogs, opened as the user opens them from a control active in
// a test site: each value typed and OK pressed, the message read, then the map saved and loaded
// into a fresh control; and the view of the whole world over imagery, saved and loaded again.
#include "ZmaVOMap2/commands/CommandResources.h"
#include "ZmaVOMap2/dialogs/DialogResources.h"
#include "ZmaVOMap2/engine/EngineDispatch.h"
#include "ZmaVOMap2/engine/EngineMembers.h"
#include "ZmaVOMap2/imagery/ImageryResource.h"
#include "ZmaVOMap2/raster/RasterResources.h"
#include "tests/commands/CommandsFixture.h"
#include "tests/datalayers/DisplayFixture.h"
#include "tests/dialogs/DialogScript.h"
#include "tests/imagery/ImagerySettings.h"
#include "tests/raster/RasterFixture.h"
#include "tests/support/TestSupport.h"
#include "tests/support/Watchdog.h"
#include "platform/Number.h"

#include <algorithm>
#include <functional>
#include <set>

namespace {

using namespace dialogtest;
using namespace commandtest;
using platform::ComPtr;
using Step = std::function<void(HWND)>;
const wchar_t kLabelOffset[] = L"//DatasetComposition/LabelProperties/@offsetx";

// The node `xpath` selects in a saved map, and its text ("<none>" when there is none).
ComPtr<IXMLDOMNode> At(IXMLDOMElement* saved, const wchar_t* xpath) {
    ComPtr<IXMLDOMNode> node;
    saved->selectSingleNode(platform::Bstr(xpath).Get(), node.Put());
    return node;
}
std::wstring TextAt(IXMLDOMElement* saved, const wchar_t* xpath) {
    platform::Bstr text;
    ComPtr<IXMLDOMNode> node = At(saved, xpath);
    return node && SUCCEEDED(node->get_text(text.Put())) ? text.Wide() : L"<none>";
}

// A control active in a wide site of its own, as a host's form holds it: new, or loading a saved
// map from the form's stream or, as a host's document goes, through LoadFromXML. A map loaded
// from a stream gets imagery, which snaps a view to its tile levels: a map saved without imagery
// is loaded from the document into a map that has none.
struct FreshMap {
    explicit FreshMap(IXMLDOMElement* saved = nullptr, bool fromStream = false)
        : site(platform::MakeObject<testsupport::TestSite>(1100, 400)) {
        EXPECT_EQ(controltest::CreateControl(control), S_OK);
        ComPtr<IStream> stream = fromStream ? imagerytest::StreamOf(saved) : nullptr;
        EXPECT_EQ(testsupport::ActivateInPlace(control.Get(), *site.Get(), stream.Get()), S_OK);
        map = controltest::As<IZmaVadAZ2>(control.Get());
        map->get_MapX(engine.Put());
        if (!saved || fromStream) return;
        if (!imagerytest::ImageryElement(saved)) testsupport::RemoveBackgroundMap(control.Get());
        EXPECT_EQ(map->LoadFromXML(saved), S_OK);
    }
    ~FreshMap() { testsupport::CloseInPlace(control.Get()); }
    std::vector<double> View() {
        std::vector<double> view;
        for (DISPID id : {kEngineZoom, kEngineCenterX, kEngineCenterY})
            view.push_back(displaytest::Get(engine.Get(), id).ToDouble());
        return view;
    }
    ComPtr<testsupport::TestSite> site;
    ComPtr<IUnknown> control;
    ComPtr<IZmaVadAZ2> map;
    ComPtr<IDispatch> engine;
};

// The texts every number box refuses, whatever its range, and those of one box besides.
std::vector<std::string> Refused(std::vector<std::string> besides = {}) {
    besides.insert(besides.end(), {"nan", "inf", "-1e308", "2147483648", std::string(300, '9'), "1,5", "12abc"});
    return besides;
}

class TypedNumbers : public SitedMap {
protected:
    // Zoom to Scale opens with the length unit of the map's unit, not the one a run chose before.
    void SetUp() override {
        SitedMap::SetUp();
        testsupport::DeleteValue(HKEY_CURRENT_USER, L"Software\\Zemro\\Terravex\\MapInformation", L"ZoomToScaleUnitSel");
    }

    // One dialog: how it opens (after the steps of the dialogs it opens from), what is set before
    // typing, the edit whose texts are typed, the messages they bring, the value then taken, and
    // the attribute of a saved map that keeps it.
    struct Case {
        const char* name;
        std::function<void()> open;
        std::vector<Step> from;
        Step prepare;
        int edit;
        std::vector<std::string> refused;
        const char* accepted;
        std::set<std::wstring> told;
        const wchar_t *kept, *expected;
    };

    // The Layer Control's step: the user selects the row of `layer` and presses `button`.
    static Step Pick(const char* layer, int button) {
        return [layer, button](HWND d) {
            const std::vector<std::string> rows = RowTexts(d);
            SelectRows(d, {static_cast<int>(std::find(rows.begin(), rows.end(), layer) - rows.begin())});
            Click(d, button);
            Click(d, IDOK);
        };
    }

    // Each refused text typed and OK pressed brings one message, and the dialog stays with the
    // text; then the accepted value closes it, and a fresh map loaded from the saved one keeps it.
    void Run(const Case& c) {
        SCOPED_TRACE(c.name);
        std::set<std::wstring> told;
        {
            DialogScript script;
            for (const Step& step : c.from) script.Then(step);
            script.Then([&](HWND d) {
                if (c.prepare) c.prepare(d);
                for (const std::string& text : c.refused) {
                    Dialogs().Clear();
                    Type(d, c.edit, text.c_str());
                    Click(d, IDOK);
                    std::wstring messages = ::IsWindow(d) && TextOf(d, c.edit) == text ? L"" : L"taken: ";
                    for (const auto& box : Dialogs().Dialogs())
                        if (box.caption == L"Map Module" || box.caption == L"Raster Registration Tool")
                            messages += box.text;
                    told.insert(messages);
                }
                Type(d, c.edit, c.accepted);
                Click(d, IDOK);
            });
            watchdog_.Guard(c.name, c.open);
        }
        EXPECT_EQ(told, c.told);
        if (!c.kept) return;
        ComPtr<IXMLDOMElement> saved = imagerytest::SaveSettings(automation_.Get());
        FreshMap fresh(saved.Get(), bool(imagerytest::ImageryElement(saved.Get())));
        Show(fresh.map.Get());
        EXPECT_EQ(TextAt(imagerytest::SaveSettings(fresh.map.Get()).Get(), c.kept), c.expected);
    }

    // OK pressed on `dialog`: the messages it brought since the answerer was cleared. A dialog that
    // stays is cancelled.
    std::wstring PressOk(HWND dialog) {
        std::wstring told;
        Click(dialog, IDOK);
        for (const auto& box : Dialogs().Dialogs()) told += box.caption == L"Map Module" ? box.text : L"";
        if (::IsWindowVisible(dialog)) Click(dialog, IDCANCEL);
        return told;
    }

    // The host shows its dataset, which takes the settings a loaded map holds for it.
    void Show(IZmaVadAZ2* map) {
        ASSERT_EQ(map->DisplayDataset(points_.Get(), platform::Variant(L"RxLev"), series_.Get()), S_OK);
    }

    // The user adds the table at `path` in the Layer Control.
    void AddTable(const std::string& path) {
        DialogScript script;
        script.Then([](HWND d) { for (int button : {IDC_LAYER_ADD, IDOK}) Click(d, button); })
            .Then([&path](HWND d) { ChooseFile(d, platform::ToWide(path)); });
        watchdog_.Guard("adding the table", [this] { automation_->LayersDlg(); });
    }

    // How many labels the engine draws at most on the engine layer `name`.
    long LabelCount(const char* name) {
        EngineDispatch layers(EngineGet(Engine::Map::kLayers).pdispVal);
        EngineDispatch layer(layers.Call(Engine::Layers::kItem, {platform::Variant(platform::ToWide(name))}).pdispVal);
        return EngineDispatch(layer.Get(Engine::Layer::kLabelProperties).pdispVal).Get(Engine::Labels::kLabelMax).ToLong();
    }

    testsupport::Watchdog watchdog_;
    ComPtr<IDispatch> points_ = displaytest::MakeSampleDataset(20);
    const platform::Bstr series_{L"{3A1B2C3D-0049-4E5F-8A9B-0C1D2E3F4A5B}"};
};

TEST_F(TypedNumbers, EveryDialogTakesOnlyNumbersTheMapCanUseAndASavedMapKeepsThem) {
    Show(automation_.Get());
    const std::string folder = rastertest::Folder("numbers"), image = folder + "\\plan.bmp";
    WriteRoads(folder + "\\roads.tab");
    rastertest::WriteBitmap(image, 40, 30);

    const auto layersDlg = [this] { automation_->LayersDlg(); };
    const auto properties = [this] { automation_->DisplayBackgroundMapLayerProperties(); };
    const auto zoomToScale = [this] { Command(ID_ZOOM_TO_SCALE); };
    // The user adds the table in the Layer Control, then opens its display properties.
    const std::vector<Step> addTable = {[](HWND d) {
                                            Click(d, IDC_LAYER_ADD);
                                            Pick("roads", IDC_LAYER_DISPLAY)(d);
                                        },
                                        [&folder](HWND d) { ChooseFile(d, platform::ToWide(folder + "\\roads.tab")); }};
    const Step zoomLayering = [](HWND d) { rastertest::ClickBox(d, IDC_PROP_ZOOM_LAYERING); };
    const Step edges = [&image](HWND d) {
        Type(d, IDC_REGISTER_SOURCE, image.c_str());
        Type(d, IDC_REGISTER_TOP, "0.0145");
        Type(d, IDC_REGISTER_RIGHT, "10.039");
        Type(d, IDC_REGISTER_BOTTOM, "-0.0145");
    };
    const std::set<std::wstring> zoom = {L"The minimum zoom must be a number from 0 to 24901.46 Mi."};
    const Case cases[] = {
        {"display properties of a data layer", layersDlg, {Pick("RxLev", IDC_LAYER_DISPLAY)}, zoomLayering,
         IDC_PROP_ZOOM_MIN, Refused(), "2.5", zoom, L"//DatasetComposition/@layerzoommin", L"2.5"},
        {"display properties of a table layer", layersDlg, addTable, zoomLayering, IDC_PROP_ZOOM_MIN, Refused(), "1",
         zoom, L"//Layer[contains(@layerfilespec, 'roads')]/@layerzoommin", L"1"},
        {"offset", layersDlg, {Pick("RxLev", IDC_LAYER_OFFSET)}, [](HWND d) { Type(d, IDC_OFFSET_X, "0"); },
         IDC_OFFSET_Y, Refused(), "111.19", {L"The Y distance must be a number from -12450.73 to 12450.73 Mi."},
         L"//DatasetComposition/@offsety", L"1.6092726957948533"},
        {"label offset", layersDlg, {Pick("RxLev", IDC_LAYER_LABELS)}, nullptr, IDC_LABEL_OFFSET_X, Refused({"1.5"}),
         "-20", {L"A label offset must be a whole number from -50 to 50."}, kLabelOffset, L"-20"},
        {"label count of a table layer", layersDlg, {Pick("roads", IDC_LAYER_LABELS)}, nullptr, IDC_LABEL_MAX_COUNT,
         Refused({"", "-5", "1e3", "32768", "70000"}), "250",
         {L"The maximum number of labels must be a whole number from 0 to 32767."},
         L"//Layer[contains(@layerfilespec, 'roads')]/LabelSettings/@labelmax", L"250"},
        // The proxy is switched on with a good address for the port, and kept so for the address.
        {"proxy port", properties, {}, [](HWND d) {
             rastertest::ClickBox(d, IDC_USE_PROXY);
             Type(d, IDC_PROXY_ADDRESS, "proxy.test");
         },
         IDC_PROXY_PORT, Refused({"0", "-1", "65536"}), "8080",
         {L"The proxy port must be a whole number from 1 to 65535."}, L"//Layer/@ProxyServerPort", L"8080"},
        {"proxy address", properties, {}, nullptr, IDC_PROXY_ADDRESS, {"proxy\r\n.test", "proxy\t.test"},
         "other.test", {L"The proxy address must not hold a control character (such as a tab or a line break)."},
         L"//Layer/@ProxyServerAddress", L"other.test"},
        {"raster registration", [this] { Command(ID_NEW_RASTER); }, {}, edges, IDC_REGISTER_LEFT,
         Refused({"-180.5"}), "10",
         {L"Missing coordinate value", L"The left edge must be a number from -180 to 180 degrees."}},
        // Without imagery, which would snap the zoom to its tile levels.
        {"zoom to scale, width", zoomToScale, {}, nullptr, IDC_ZOOM_WIDTH, Refused({"0"}), "100",
         {L"The window width must be a number greater than 0 and at most 24901.46 mi."}, L"mapsettings/@zoom", L"100"},
        // The width of 10 windows of 4.16667 in (400 pixels at 96 an inch), as its text shows it.
        {"zoom to scale, scale", zoomToScale, {}, nullptr, IDC_ZOOM_SCALE, Refused({"0"}), "10",
         {L"The scale must be a number greater than 0 and at most 5976.35 mi."}, L"mapsettings/@zoom", L"41.6667"},
        {"zoom to scale, centre", zoomToScale, {}, nullptr, IDC_ZOOM_CENTER_X, Refused({"180.5"}), "8.5",
         {L"The X coordinate must be a number from -180 to 180."}, L"mapsettings/@centerx", L"8.5"},
    };
    for (const Case& c : cases) {
        if (c.edit == IDC_ZOOM_WIDTH || c.edit == IDC_ZOOM_SCALE) testsupport::RemoveBackgroundMap(control_.Get());
        Run(c);
    }
    EXPECT_EQ(rastertest::ControlPoints(rastertest::ReadAll(folder + "\\plan.TAB")).at(0).x, 10);

    // A document that already holds numbers the map cannot use loads, and they keep their defaults.
    const wchar_t* const unusable[][2] = {{L"//DatasetComposition/@offsetx", L"nan"}, {kLabelOffset, L"-99999"},
                                          {L"//DatasetComposition/@offsety", L"nan"},
                                          {L"//DatasetComposition/@layerzoommin", L"nan"}};
    ComPtr<IXMLDOMElement> saved = imagerytest::SaveSettings(automation_.Get());
    for (auto u : unusable) At(saved.Get(), u[0])->put_text(platform::Bstr(u[1]).Get());
    FreshMap fresh(saved.Get());
    Show(fresh.map.Get());
    for (auto u : unusable) EXPECT_EQ(TextAt(imagerytest::SaveSettings(fresh.map.Get()).Get(), u[0]), L"0") << u[0];
}

// Label Properties over a table without rows and the annotations, whose labels have no dataset,
// and over a table of 30 rows: OK applies what the layer takes and closes. A setting the engine
// refuses is named while the dialog stays open, and the settings it took stay applied; the number
// of labels then put back as the dialog opened with it is written back by the next OK.
TEST_F(TypedNumbers, LabelPropertiesApplyWhatTheLayerTakesAndNameWhatItRefuses) {
    const std::string folder = rastertest::Folder("labels");
    WriteRoads(folder + "\\empty.tab", 0);
    WriteRoads(folder + "\\roads.tab", 30);
    const auto layersDlg = [this] { automation_->LayersDlg(); };
    {
        DialogScript script;
        script.Then([](HWND d) { for (int button : {IDC_LAYER_ADD, IDC_LAYER_ADD, IDOK}) Click(d, button); });
        for (const char* table : {"\\empty.tab", "\\roads.tab"})
            script.Then([path = platform::ToWide(folder + table)](HWND d) { ChooseFile(d, path); });
        watchdog_.Guard("adding the tables", layersDlg);
    }

    // The layer, the engine's faults, the count typed, the message that keeps the dialog open, and
    // the count of the layer at the end (after the number the dialog opened with, put back, and OK).
    struct Case {
        const char* layer;
        const wchar_t* faults;
        long count;
        std::wstring told;
        long last;
    };
    const Case cases[] = {
        {"empty", L"", 50, L"", 50},
        {"Annotations", L"", 50, L"", 50},
        {"roads", L"", 50, L"", 50},
        {"roads", L"fail-zoom", 70,
         L"These label settings could not be applied:\nDisplay within range: The label zoom range is refused.", 50},
    };
    for (const Case& c : cases) {
        ::SetEnvironmentVariableW(L"VADAZ_ENGINE_FAULTS", c.faults);
        std::wstring told;
        bool stays = false;
        long refusedCount = 0;
        DialogScript script;
        script.Then(Pick(c.layer, IDC_LAYER_LABELS)).Then([&](HWND d) {
            Dialogs().Clear();
            const std::string opened = TextOf(d, IDC_LABEL_MAX_COUNT);
            if (!IsChecked(d, IDC_LABEL_ZOOM)) rastertest::ClickBox(d, IDC_LABEL_ZOOM);
            Type(d, IDC_LABEL_MAX_COUNT, std::to_string(c.count).c_str());
            Click(d, IDOK);
            for (const auto& box : Dialogs().Dialogs()) told += box.caption == L"Map Module" ? box.text : L"";
            stays = ::IsWindowVisible(d) != FALSE;
            if (!stays) return;
            refusedCount = LabelCount(c.layer);
            ::SetEnvironmentVariableW(L"VADAZ_ENGINE_FAULTS", nullptr);
            Type(d, IDC_LABEL_MAX_COUNT, opened.c_str());
            Click(d, IDOK);
            if (::IsWindowVisible(d)) Click(d, IDCANCEL);
        });
        watchdog_.Guard(c.layer, layersDlg);
        ::SetEnvironmentVariableW(L"VADAZ_ENGINE_FAULTS", nullptr);
        EXPECT_EQ(stays, !c.told.empty()) << c.layer;
        EXPECT_EQ(told, c.told) << c.layer;
        if (stays) {
            EXPECT_EQ(refusedCount, c.count) << c.layer;
        }
        EXPECT_EQ(LabelCount(c.layer), c.last) << c.layer;
    }
}

// Zoom to Scale over a map zoomed out as far as it goes, in each unit whose width it names. The
// numbers it wrote itself are taken, the width as its text shows it or the world's own where that
// text rounds past it ("24901.5" mi); what the user typed is judged as typed, and so is the 0 it
// shows for the width of a scale that is none.
TEST_F(TypedNumbers, ZoomToScaleTakesTheNumbersItWroteAtTheWorldsWidth) {
    testsupport::RemoveBackgroundMap(control_.Get());
    const auto unitIndex = [](HWND d, int index) {
        ::SendDlgItemMessageW(d, IDC_ZOOM_LENGTH_UNIT, CB_SETCURSEL, index, 0);
        ::SendMessageW(d, WM_COMMAND, MAKEWPARAM(IDC_ZOOM_LENGTH_UNIT, CBN_SELCHANGE),
                       reinterpret_cast<LPARAM>(::GetDlgItem(d, IDC_ZOOM_LENGTH_UNIT)));
    };
    const Step custom = [](HWND d) {
        Type(d, IDC_ZOOM_SCALE, "1000");
        ::SendDlgItemMessageW(d, IDC_SCALE_CUSTOM, BM_CLICK, 0, 0);
    };
    const Step unitsTwice = [&unitIndex](HWND d) {
        Type(d, IDC_ZOOM_SCALE, "1000");
        for (int index : {1, 0, 1, 0}) unitIndex(d, index);
    };
    const auto typed = [](const char* text) { return [text](HWND d) { Type(d, IDC_ZOOM_WIDTH, text); }; };
    struct Case {
        long unit;
        const char* how;
        Step work;
        std::wstring told;
    };
    std::vector<Case> cases;
    for (long unit : {0L, 1L, 2L, 3L, 4L, 5L, 6L, 7L})  // mi, km, in, ft, yd, mm, cm, mt
        for (auto how : {std::make_pair("OK at once", Step()), std::make_pair("a typed scale, then Custom", custom),
                         std::make_pair("a typed scale, then the unit switched twice", unitsTwice)})
            cases.push_back({unit, how.first, how.second, L""});
    const std::wstring widths = L"The window width must be a number greater than 0 and at most 24901.46 mi.";
    cases.push_back({0, "the bound typed as the message names it", typed("24901.46"), L""});
    cases.push_back({0, "just past the bound, typed", typed("24901.47"), widths});
    cases.push_back({0, "the written width edited by one character", typed("24901.4"), L""});
    cases.push_back({0, "the written width edited by one character, past the bound", typed("24901.6"), widths});
    cases.push_back({0, "the written width typed again as it was", typed("24901.5"), L""});
    cases.push_back({0, "a scale that is none typed, then the unit switched", [&unitIndex](HWND d) {
                         Type(d, IDC_ZOOM_SCALE, "abc");
                         unitIndex(d, 1);
                     }, widths});
    // Kilometres on centimetres of screen show the scale at the world's width rounded up ("3786.62").
    cases.push_back({1, "the written scale typed again as it was", [&unitIndex](HWND d) {
                         unitIndex(d, 1);
                         Type(d, IDC_ZOOM_SCALE, TextOf(d, IDC_ZOOM_SCALE).c_str());
                     }, L""});

    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.unit) + ", " + c.how);
        EnginePut(kEngineUnit, platform::Variant(c.unit));
        EnginePut(kEngineZoom, platform::Variant(1e12));
        const double world = EngineGet(kEngineZoom).ToDouble();
        std::wstring told;
        std::string shown;
        DialogScript script;
        script.Then([&](HWND d) {
            Dialogs().Clear();
            if (c.work) c.work(d);
            shown = TextOf(d, IDC_ZOOM_WIDTH);
            told = PressOk(d);
        });
        watchdog_.Guard(c.how, [this] { Command(ID_ZOOM_TO_SCALE); });
        EXPECT_EQ(told, c.told);
        EXPECT_DOUBLE_EQ(EngineGet(kEngineZoom).ToDouble(),
                         c.told.empty() ? std::min(testsupport::NumberIn(shown), world) : world)
            << shown;
    }
}

// A number the dialog wrote and the user left is the map's own, and is never refused wherever the
// map holds it: the centre of a map a hair past the antimeridian or panned across it, and a table's
// zoom range past the world's width. The same number typed is judged as typed.
TEST_F(TypedNumbers, ANumberLeftAsTheDialogWroteItIsNeverRefused) {
    testsupport::RemoveBackgroundMap(control_.Get());
    const std::wstring centres = L"The X coordinate must be a number from -180 to 180.";
    const struct {
        double centre;
        const char* typed;
        std::wstring told;
    } cases[] = {{180.000001, nullptr, L""}, {190, nullptr, L""}, {-190, nullptr, L""}, {190, "190.5", centres}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.centre) + (c.typed ? " typed" : " left"));
        EnginePut(kEngineCenterX, platform::Variant(c.centre));
        std::wstring told;
        DialogScript script;
        script.Then([&](HWND d) {
            Dialogs().Clear();
            if (c.typed) Type(d, IDC_ZOOM_CENTER_X, c.typed);
            told = PressOk(d);
        });
        watchdog_.Guard("zoom to scale", [this] { Command(ID_ZOOM_TO_SCALE); });
        EXPECT_EQ(told, c.told);
        EXPECT_NEAR(EngineGet(kEngineCenterX).ToDouble(), c.centre, 1e-5);
    }

    const std::string folder = rastertest::Folder("past_the_world");
    WriteRoads(folder + "\\roads.tab");
    AddTable(folder + "\\roads.tab");
    EnginePut(kEngineUnit, platform::Variant(0L));
    EngineDispatch layers(EngineGet(Engine::Map::kLayers).pdispVal);
    EngineDispatch roads(layers.Call(Engine::Layers::kItem, {platform::Variant(L"roads")}).pdispVal);
    roads.Put(Engine::Layer::kZoomLayering, platform::Variant(true));
    roads.Put(Engine::Layer::kZoomMax, platform::Variant(30000.0));
    for (const char* typed : {static_cast<const char*>(nullptr), "30000"}) {
        SCOPED_TRACE(typed ? "typed" : "left");
        std::wstring told;
        DialogScript script;
        script.Then(Pick("roads", IDC_LAYER_DISPLAY)).Then([&](HWND d) {
            Dialogs().Clear();
            if (typed) Type(d, IDC_PROP_ZOOM_MAX, typed);
            told = PressOk(d);
        });
        watchdog_.Guard("display properties", [this] { automation_->LayersDlg(); });
        EXPECT_EQ(told, typed ? L"The maximum zoom must be a number from 0 to 24901.46 Mi." : L"");
        EXPECT_EQ(roads.Get(Engine::Layer::kZoomMax).ToDouble(), 30000.0);
    }
}

// Zoom to Scale's scale line reads as its number means, left to right: "1", the length unit, ": ",
// the number, the map's unit. At 1 : 50 000 a centimetre of the window is half a kilometre, and a
// number typed there is the map's units to one length unit of the window.
TEST_F(TypedNumbers, ZoomToScalesScaleLineReadsOneLengthUnitToTheMapUnitsItShows) {
    testsupport::RemoveBackgroundMap(control_.Get());
    EnginePut(kEngineUnit, platform::Variant(1L));  // kilometres
    std::vector<std::pair<long, std::string>> line;  // left edge and text of each control on the line
    double centimetres = 0, width = 0;  // the window's width in centimetres, and the width taken
    DialogScript script;
    script.Then([&](HWND d) {
        ::SendDlgItemMessageW(d, IDC_ZOOM_LENGTH_UNIT, CB_SETCURSEL, 1, 0);  // cm
        ::SendMessageW(d, WM_COMMAND, MAKEWPARAM(IDC_ZOOM_LENGTH_UNIT, CBN_SELCHANGE),
                       reinterpret_cast<LPARAM>(::GetDlgItem(d, IDC_ZOOM_LENGTH_UNIT)));
        ::SendDlgItemMessageW(d, IDC_SCALE_50000, BM_CLICK, 0, 0);
        RECT number = {};
        ::GetWindowRect(::GetDlgItem(d, IDC_ZOOM_SCALE), &number);
        for (HWND child = ::GetWindow(d, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
            RECT r = {};
            ::GetWindowRect(child, &r);
            if (r.bottom <= number.top || r.top >= number.bottom) continue;
            char text[64] = {};
            ::GetWindowTextA(child, text, sizeof text);
            line.emplace_back(r.left, text);
        }
        centimetres = testsupport::NumberIn(TextOf(d, IDC_ZOOM_WIDTH)) / testsupport::NumberIn(TextOf(d, IDC_ZOOM_SCALE));
        ::SendDlgItemMessageW(d, IDC_SCALE_CUSTOM, BM_CLICK, 0, 0);
        Type(d, IDC_ZOOM_SCALE, "2");
        width = testsupport::NumberIn(TextOf(d, IDC_ZOOM_WIDTH));
        Click(d, IDOK);
    });
    watchdog_.Guard("zoom to scale", [this] { Command(ID_ZOOM_TO_SCALE); });
    std::sort(line.begin(), line.end());
    std::vector<std::string> texts;
    for (const auto& control : line) texts.push_back(control.second);
    EXPECT_EQ(texts, (std::vector<std::string>{"1", "cm", ": ", "0.5", "km"}));
    // Each centimetre of the window 2 km.
    EXPECT_NEAR(width, 2 * centimetres, width * 1e-5);
    EXPECT_NEAR(EngineGet(kEngineZoom).ToDouble(), width, width * 1e-5);
}

// The zoom ranges of a data layer and a table layer, and of their labels, that a document holds at
// the world's width: each dialog takes them as it shows them, with OK at once.
TEST_F(TypedNumbers, ZoomRangesAtTheWorldsWidthAreTakenAsShown) {
    Show(automation_.Get());
    const std::string folder = rastertest::Folder("widest");
    WriteRoads(folder + "\\roads.tab");
    AddTable(folder + "\\roads.tab");
    testsupport::RemoveBackgroundMap(control_.Get());
    EnginePut(kEngineZoom, platform::Variant(1e12));
    const double miles = EngineGet(kEngineZoom).ToDouble();

    // The layer, its dialog, the element of a saved map that keeps the range, and the attributes
    // that switch the range on and hold its maximum.
    struct Range {
        const char* layer;
        int button;
        std::wstring element;
        const wchar_t *on, *maximum;
        std::wstring At(const wchar_t* attribute) const { return element + L"/@" + attribute; }
    };
    const std::wstring data = L"//DatasetComposition", table = L"//Layer[contains(@layerfilespec, 'roads')]";
    const Range ranges[] = {
        {"RxLev", IDC_LAYER_DISPLAY, data, L"layerzoomlayer", L"layerzoommax"},
        {"roads", IDC_LAYER_DISPLAY, table, L"layerzoomlayering", L"layerzoommax"},
        {"RxLev", IDC_LAYER_LABELS, data + L"/LabelProperties", L"labelzoom", L"labelzoommax"},
        {"roads", IDC_LAYER_LABELS, table + L"/LabelSettings", L"labelzoom", L"labelzoommax"},
    };
    // A document of a map in miles, and one of a map in metres that the host then turns to miles:
    // a range at the world's width in metres is at the world's width in miles.
    for (long held : {0L, 7L}) {
        SCOPED_TRACE(held ? "held in metres" : "held in miles");
        EnginePut(kEngineUnit, platform::Variant(held));
        EnginePut(kEngineZoom, platform::Variant(1e12));
        const std::wstring world = platform::ToWide(platform::FormatGeneral(EngineGet(kEngineZoom).ToDouble(), 17));
        ComPtr<IXMLDOMElement> saved = imagerytest::SaveSettings(automation_.Get());
        for (const Range& r : ranges) {
            At(saved.Get(), r.At(r.on).c_str())->put_text(platform::Bstr(L"-1").Get());
            At(saved.Get(), r.At(r.maximum).c_str())->put_text(platform::Bstr(world).Get());
        }
        FreshMap fresh(saved.Get(), true);
        Show(fresh.map.Get());
        displaytest::Put(fresh.engine.Get(), kEngineUnit, platform::Variant(0L));
        // Saved as it is, each range is one the map can use.
        ComPtr<IXMLDOMElement> resaved = imagerytest::SaveSettings(fresh.map.Get());
        for (const Range& r : ranges)
            EXPECT_LE(testsupport::NumberIn(TextAt(resaved.Get(), r.At(r.maximum).c_str())), miles) << r.layer;

        for (const Range& r : ranges) {
            SCOPED_TRACE(std::string(r.layer) + (r.button == IDC_LAYER_LABELS ? " labels" : " display"));
            std::wstring told;
            std::string shown;
            DialogScript script;
            script.Then(Pick(r.layer, r.button)).Then([&](HWND d) {
                Dialogs().Clear();
                shown = TextOf(d, r.button == IDC_LAYER_LABELS ? IDC_LABEL_ZOOM_MAX : IDC_PROP_ZOOM_MAX);
                told = PressOk(d);
            });
            watchdog_.Guard(r.layer, [&fresh] { fresh.map->LayersDlg(); });
            EXPECT_EQ(told, L"") << shown;
            const double kept = testsupport::NumberIn(
                TextAt(imagerytest::SaveSettings(fresh.map.Get()).Get(), r.At(r.maximum).c_str()));
            EXPECT_NEAR(kept, miles, 1e-6) << shown;
        }
    }
}

TEST_F(TypedNumbers, TheWidestViewsComeBackAsTheyWereShown) {
    // The whole world over imagery in a window wider than the world at its coarsest tile level,
    // and a map without imagery that a host zooms out past the world.
    for (const bool imagery : {true, false}) {
        FreshMap shown;
        if (!imagery) testsupport::RemoveBackgroundMap(shown.control.Get());
        ASSERT_EQ(imagery ? shown.map->ZoomToBoundingBox(89, -179, -89, 179)
                          : displaytest::Put(shown.engine.Get(), kEngineZoom, platform::Variant(40000.0)),
                  S_OK);
        const std::vector<double> view = shown.View();
        ComPtr<IXMLDOMElement> saved = imagerytest::SaveSettings(shown.map.Get());
        FreshMap fromDocument(saved.Get()), fromStream(saved.Get(), true);
        // The same view, within what snapping it to the same tile level again moves it.
        for (FreshMap* loaded : {&fromDocument, imagery ? &fromStream : &fromDocument})
            for (size_t i = 0; i < 3; ++i) EXPECT_NEAR(loaded->View()[i], view[i], i ? 1e-9 : 0.01 * view[0]);
    }
}

}  // namespace
