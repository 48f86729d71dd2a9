// What a user types into the map's dialogs, opened as the user opens them from a control active in
// a test site: each value typed and OK pressed, the message read, then the map saved and loaded
// into a fresh control; and the view of the whole world over imagery, saved and loaded again.
#include "ZmaVOMap2/dialogs/DialogResources.h"
#include "ZmaVOMap2/imagery/ImageryResource.h"
#include "ZmaVOMap2/raster/RasterResources.h"
#include "tests/commands/CommandsFixture.h"
#include "tests/datalayers/DisplayFixture.h"
#include "tests/dialogs/DialogScript.h"
#include "tests/imagery/ImagerySettings.h"
#include "tests/raster/RasterFixture.h"
#include "tests/support/DibCanvas.h"
#include "tests/support/TestSupport.h"
#include "tests/support/Watchdog.h"

#include <algorithm>
#include <fstream>
#include <functional>
#include <set>

namespace {

using namespace dialogtest;
using platform::Bstr;
using platform::ComPtr;
using platform::Variant;
using Texts = std::set<std::wstring>;

// A control made and activated in a site of its own, as a host's form holds it: initialised new,
// or loaded from a stream first.
struct FreshMap {
    explicit FreshMap(int width = 400, int height = 300, IStream* stream = nullptr)
        : site(platform::MakeObject<testsupport::TestSite>(width, height)) {
        EXPECT_EQ(controltest::CreateControl(control), S_OK);
        map = controltest::As<IZmaVadAZ2>(control.Get());
        if (!stream) {
            EXPECT_EQ(testsupport::ActivateInPlace(control.Get(), *site.Get()), S_OK);
            return;
        }
        EXPECT_EQ(controltest::As<IPersistStreamInit>(control.Get())->Load(stream), S_OK);
        ComPtr<IOleObject> ole = controltest::As<IOleObject>(control.Get());
        RECT r = site->Rect();
        ole->SetClientSite(site.Get());
        EXPECT_EQ(ole->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, site.Get(), 0, site->Window(), &r), S_OK);
    }
    ~FreshMap() { testsupport::CloseInPlace(control.Get()); }
    // The engine's zoom, centre x and centre y.
    std::vector<double> View() {
        ComPtr<IDispatch> engine;
        map->get_MapX(engine.Put());
        return {displaytest::Get(engine.Get(), 7).ToDouble(), displaytest::Get(engine.Get(), 8).ToDouble(),
                displaytest::Get(engine.Get(), 9).ToDouble()};
    }
    ComPtr<testsupport::TestSite> site;
    ComPtr<IUnknown> control;
    ComPtr<IZmaVadAZ2> map;
};

// The first element `xpath` selects under a saved map, and one of its attributes.
ComPtr<IXMLDOMElement> ElementAt(IXMLDOMElement* saved, const wchar_t* xpath) {
    ComPtr<IXMLDOMNode> node;
    ComPtr<IXMLDOMElement> element;
    if (SUCCEEDED(saved->selectSingleNode(Bstr(xpath).Get(), node.Put())) && node)
        node->QueryInterface(IID_IXMLDOMElement, element.PutVoid());
    return element;
}
std::wstring Attribute(IXMLDOMElement* saved, const wchar_t* xpath, const wchar_t* name) {
    std::wstring value = L"<none>";
    if (ComPtr<IXMLDOMElement> element = ElementAt(saved, xpath)) platform::GetAttribute(element.Get(), name, value);
    return value;
}
std::function<std::wstring(IXMLDOMElement*)> Read(const wchar_t* xpath, const wchar_t* name) {
    return [xpath, name](IXMLDOMElement* saved) { return Attribute(saved, xpath, name); };
}

// The texts every number box refuses, whatever its range, and those of one box besides.
std::vector<std::string> Refused(std::vector<std::string> besides = {}) {
    std::vector<std::string> texts = {"nan", "inf", "-1e308", "2147483648", std::string(300, '9'), "1,5", "12abc"};
    texts.insert(texts.end(), besides.begin(), besides.end());
    return texts;
}

class TypedNumbers : public commandtest::SitedMap {
protected:
    using Step = std::function<void(HWND)>;
    // Opens a dialog, whose typing is `typing`.
    using Opener = std::function<void(DialogScript&, const Step& typing)>;

    // One dialog: how it opens, what is set before typing, the edit whose texts are typed, the
    // messages they bring, the value then taken, where a saved map keeps it, and whether it is
    // loaded into a map that shows (a view) or from the stream into a new one.
    struct Case {
        const char* name;
        Opener open;
        Step prepare;
        int edit;
        std::vector<std::string> refused;
        const char* accepted;
        Texts told;
        std::function<std::wstring(IXMLDOMElement* saved)> kept;
        std::wstring expected;
        bool intoShownMap = false;
    };

    Opener FromLayerControl(const char* layer, int button) {
        return [this, layer, button](DialogScript& script, const Step& typing) {
            script
                .Then([layer, button](HWND d) {
                    const std::vector<std::string> rows = RowTexts(d);
                    SelectRows(d, {static_cast<int>(std::find(rows.begin(), rows.end(), layer) - rows.begin())});
                    Click(d, button);
                    Click(d, IDOK);
                })
                .Then(typing);
            automation_->LayersDlg();
        };
    }
    // A dialog that `open` opens at once: a command of the context menu, a host's member.
    static Opener Directly(std::function<void()> open) {
        return [open](DialogScript& script, const Step& typing) {
            script.Then(typing);
            open();
        };
    }

    // Each refused text typed and OK pressed: a message each, and the dialog stays with the text;
    // then the accepted value closes it, and a fresh map loaded from the saved one keeps it.
    void Run(const Case& c) {
        SCOPED_TRACE(c.name);
        Dialogs().Clear();
        size_t stayed = 0;
        {
            DialogScript script;
            watchdog_.Arm(c.name);
            c.open(script, [&](HWND d) {
                if (c.prepare) c.prepare(d);
                for (const std::string& text : c.refused) {
                    Type(d, c.edit, text.c_str());
                    Click(d, IDOK);
                    stayed += ::IsWindow(d) && TextOf(d, c.edit) == text;
                }
                Type(d, c.edit, c.accepted);
                Click(d, IDOK);
            });
            watchdog_.Disarm();
            EXPECT_TRUE(script.Finished());
        }
        Texts told;
        size_t boxes = 0;
        for (const auto& d : Dialogs().Dialogs())
            if (d.caption == L"Map Module" || d.caption == L"Raster Registration Tool") {
                told.insert(d.text);
                ++boxes;
            }
        EXPECT_EQ(stayed, c.refused.size());
        EXPECT_EQ(boxes, c.refused.size());
        EXPECT_EQ(told, c.told);

        ComPtr<IXMLDOMElement> saved = imagerytest::SaveSettings(automation_.Get());
        EXPECT_EQ(c.kept(saved.Get()), c.expected);
        // A fresh control that loads the saved map: a view into a map that shows, as a host's
        // document goes, the rest from the stream, as a host's form loads the control.
        FreshMap fresh(400, 300, c.intoShownMap ? nullptr : imagerytest::StreamOf(saved.Get()).Get());
        if (c.intoShownMap) {
            testsupport::RemoveBackgroundMap(fresh.control.Get());
            EXPECT_EQ(fresh.map->LoadFromXML(saved.Get()), S_OK);
        }
        if (ElementAt(saved.Get(), L"//DatasetComposition")) Show(fresh.map.Get());
        EXPECT_EQ(c.kept(imagerytest::SaveSettings(fresh.map.Get()).Get()), c.expected);
    }

    // The host shows its dataset, which takes the settings a loaded map holds for it.
    void Show(IZmaVadAZ2* map) {
        ASSERT_EQ(map->DisplayDataset(points_.Get(), Variant(L"RxLev"), series_.Get()), S_OK);
    }

    testsupport::Watchdog watchdog_;
    ComPtr<IDispatch> points_ = displaytest::MakeSampleDataset(20);
    const Bstr series_{L"{3A1B2C3D-0049-4E5F-8A9B-0C1D2E3F4A5B}"};
};

TEST_F(TypedNumbers, TheLayerDialogsTakeOnlyNumbersTheMapCanUseAndASavedMapKeepsThem) {
    Show(automation_.Get());
    testsupport::DibCanvas(400, 300).DrawView(control_.Get());  // the layer knows its extent after a frame
    // The user adds a table in the Layer Control.
    const std::string table = platform::ToAnsi(commandtest::TestFolder(L"numbers")) + "\\roads.tab";
    std::ofstream(table) << "!table\n!version 300\n!charset WindowsLatin1\n\nDefinition Table\n"
                            "  Type NATIVE Charset \"WindowsLatin1\"\n  Fields 1\n    Name Char (64) ;\n"
                            "!feature\t0\tk1\tv1\t\t10.000000\t50.000000\t\t0\t\n";
    {
        DialogScript script;
        script.Then([](HWND d) {
                  Click(d, IDC_LAYER_ADD);
                  Click(d, IDOK);
              })
            .Then([&](HWND d) { ChooseFile(d, platform::ToWide(table)); });
        ASSERT_EQ(automation_->LayersDlg(), S_OK);
    }

    auto zoomLayering = [](HWND d) {
        ::CheckDlgButton(d, IDC_PROP_ZOOM_LAYERING, BST_CHECKED);
        Click(d, IDC_PROP_ZOOM_LAYERING);
    };
    const Texts zoom = {L"The minimum zoom must be a number from 0 to 24901.46 Mi."};
    const Case cases[] = {
        {"display properties of a data layer", FromLayerControl("RxLev", IDC_LAYER_DISPLAY), zoomLayering,
         IDC_PROP_ZOOM_MIN, Refused(), "2.5", zoom, Read(L"//DatasetComposition", L"layerzoommin"), L"2.5"},
        {"display properties of a table layer", FromLayerControl("roads", IDC_LAYER_DISPLAY), zoomLayering,
         IDC_PROP_ZOOM_MIN, Refused(), "1", zoom, Read(L"//Layer[contains(@layerfilespec, 'roads')]", L"layerzoommin"),
         L"1"},
        {"offset", FromLayerControl("RxLev", IDC_LAYER_OFFSET), [](HWND d) { Type(d, IDC_OFFSET_X, "0"); },
         IDC_OFFSET_Y, Refused(), "111.19", {L"The Y distance must be a number from -12450.73 to 12450.73 Mi."},
         Read(L"//DatasetComposition", L"offsety"), L"1.6092726957948533"},
        {"label offset", FromLayerControl("RxLev", IDC_LAYER_LABELS), nullptr, IDC_LABEL_OFFSET_X, Refused({"1.5"}),
         "-20", {L"A label offset must be a whole number from -50 to 50."},
         Read(L"//DatasetComposition/LabelProperties", L"offsetx"), L"-20"},
    };
    for (const Case& c : cases) Run(c);

    // A document that already holds numbers the map cannot use loads, and they keep their defaults.
    ComPtr<IXMLDOMElement> saved = imagerytest::SaveSettings(automation_.Get());
    for (const wchar_t* name : {L"offsetx", L"offsety", L"layerzoommin"})
        platform::SetAttribute(ElementAt(saved.Get(), L"//DatasetComposition").Get(), name, L"nan");
    platform::SetAttribute(ElementAt(saved.Get(), L"//DatasetComposition/LabelProperties").Get(), L"offsetx",
                           L"-99999");
    FreshMap fresh;
    EXPECT_EQ(fresh.map->LoadFromXML(saved.Get()), S_OK);
    Show(fresh.map.Get());
    ComPtr<IXMLDOMElement> loaded = imagerytest::SaveSettings(fresh.map.Get());
    EXPECT_EQ(Attribute(loaded.Get(), L"//DatasetComposition", L"offsety") + L" " +
                  Attribute(loaded.Get(), L"//DatasetComposition", L"layerzoommin") + L" " +
                  Attribute(loaded.Get(), L"//DatasetComposition/LabelProperties", L"offsetx"),
              L"0 0 0");
}

TEST_F(TypedNumbers, TheViewRasterAndProxyDialogsTakeOnlyWhatTheMapCanUse) {
    auto proxy = [](HWND d) {
        ::CheckDlgButton(d, IDC_USE_PROXY, BST_CHECKED);
        Click(d, IDC_USE_PROXY);
        Type(d, IDC_PROXY_ADDRESS, "proxy.test");
        Type(d, IDC_PROXY_PORT, "8080");
    };
    const std::string folder = rastertest::Folder("numbers"), image = folder + "\\plan.bmp", table = folder + "\\plan.TAB";
    rastertest::WriteBitmap(image, 40, 30);
    auto edges = [&image](HWND d) {
        Type(d, IDC_REGISTER_SOURCE, image.c_str());
        Type(d, IDC_REGISTER_TOP, "0.0145");
        Type(d, IDC_REGISTER_RIGHT, "10.039");
        Type(d, IDC_REGISTER_BOTTOM, "-0.0145");
    };
    const Opener properties =
        Directly([this] { automation_->DisplayBackgroundMapLayerProperties(); });
    const Opener zoomToScale = Directly([this] { Command(32784); });
    const Texts port = {L"The proxy port must be a whole number from 1 to 65535."};
    const Case cases[] = {
        {"proxy port", properties, proxy, IDC_PROXY_PORT, Refused({"0", "-1", "65536"}), "8080", port,
         Read(L"//Layer[@layertype='15']", L"ProxyServerPort"), L"8080"},
        {"proxy address", properties, proxy, IDC_PROXY_ADDRESS, {"proxy\r\n.test", "proxy\t.test"}, "other.test",
         {L"The proxy address must not hold a control character (such as a tab or a line break)."},
         Read(L"//Layer[@layertype='15']", L"ProxyServerAddress"), L"other.test"},
        {"zoom to scale, width", zoomToScale, nullptr, IDC_ZOOM_WIDTH, Refused({"0"}), "100",
         {L"The window width must be a number greater than 0 and at most 24901.46 mi."}, Read(L"mapsettings", L"zoom"),
         L"100", true},
        {"zoom to scale, centre", zoomToScale, nullptr, IDC_ZOOM_CENTER_X, Refused({"180.5"}), "8.5",
         {L"The X coordinate must be a number from -180 to 180."}, Read(L"mapsettings", L"centerx"), L"8.5", true},
        {"raster registration", Directly([this] { Command(32820); }), edges, IDC_REGISTER_LEFT,
         Refused({"-180.5"}), "10",
         {L"Missing coordinate value", L"The left edge must be a number from -180 to 180 degrees."},
         [&table](IXMLDOMElement*) { return std::to_wstring(rastertest::ControlPoints(rastertest::ReadAll(table)).at(0).x); },
         L"10.000000"},
    };
    for (const Case& c : cases) {
        // The view's cases without imagery, which would snap the zoom to its tile levels.
        if (c.edit == IDC_ZOOM_WIDTH) testsupport::RemoveBackgroundMap(control_.Get());
        Run(c);
    }
}

TEST_F(TypedNumbers, TheWidestViewsComeBackAsTheyWereShown) {
    // The whole world over imagery in a window wider than the world at its coarsest tile level,
    // and a map without imagery that a host zooms out past the world.
    const std::function<void(FreshMap&)> views[] = {
        [](FreshMap& map) { ASSERT_EQ(map.map->ZoomToBoundingBox(89, -179, -89, 179), S_OK); },
        [](FreshMap& map) {
            testsupport::RemoveBackgroundMap(map.control.Get());
            ComPtr<IDispatch> engine;
            map.map->get_MapX(engine.Put());
            ASSERT_EQ(displaytest::Put(engine.Get(), 7, Variant(40000.0)), S_OK);
        }};
    for (const auto& show : views) {
        FreshMap shown(1100, 400);
        show(shown);
        const std::vector<double> view = shown.View();
        ComPtr<IXMLDOMElement> saved = imagerytest::SaveSettings(shown.map.Get());
        // Into a map that shows as the saved one did, and (with imagery, which a new map loaded
        // from a stream shows) into a new map from the stream.
        const bool imagery = ElementAt(saved.Get(), L"//Layer[@layertype='15']").Get() != nullptr;
        FreshMap fromDocument(1100, 400);
        FreshMap fromStream(1100, 400, imagery ? imagerytest::StreamOf(saved.Get()).Get() : nullptr);
        if (!imagery) testsupport::RemoveBackgroundMap(fromDocument.control.Get());
        ASSERT_EQ(fromDocument.map->LoadFromXML(saved.Get()), S_OK);
        // The same view, within what snapping it to the same tile level again moves it.
        for (FreshMap* loaded : {&fromDocument, imagery ? &fromStream : &fromDocument}) {
            EXPECT_NEAR(loaded->View()[0], view[0], 0.01 * view[0]);
            EXPECT_NEAR(loaded->View()[1], view[1], 1e-9);
            EXPECT_NEAR(loaded->View()[2], view[2], 1e-9);
        }
    }
}

}  // namespace
