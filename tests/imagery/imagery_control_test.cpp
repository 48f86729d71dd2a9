// The background imagery through the control, as a host has it: a new map's imagery layer and its
// settings through SaveToXML and the stream, its properties dialog, tiles from the local tile
// server under a dataset with the attribution and logo, and the map's scale snapped to tile levels;
// the metadata service behind a proxy that wants credentials (that of the properties, and that of
// the settings a map is opened from, drawn before it has a window too), and a failing one; tiles fetched by
// the download thread while the map goes on, each once; tile and service servers that redirect
// without end or to ever longer addresses, or answer megabytes or a trickle; answers far longer
// than a request reads, let go of unread.
// The first case must load the first imagery settings of this process (they set the process-wide
// imagery switch); each map opened from settings naming a proxy runs in a process of its own.
#include "tests/control/MapSiteFixture.h"
#include "tests/imagery/ImageryFixture.h"
#include "tests/imagery/ImagerySettings.h"
#include "tests/imagery/ProxiedHttpRequest.h"
#include "tests/support/DialogAnswerer.h"
#include "tests/support/DibCanvas.h"
#include "tests/support/Watchdog.h"

#include "platform/Xml.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <set>

using platform::Bstr;
using platform::ComPtr;
using platform::Variant;
using namespace imagerytest;

namespace {

constexpr DISPID kEngineLayers = 5, kEngineZoom = 7, kEngineUnit = 25, kEngineBounds = 29, kEngineDistance = 37;
constexpr int kRoad = 201, kAerial = 202, kLabels = 203, kUseProxy = 349, kProxyAddress = 350, kProxyPort = 351,
              kDisableMap = 353;

std::map<std::wstring, std::wstring> AttributesOf(IXMLDOMElement* element) {
    std::map<std::wstring, std::wstring> values;
    for (const wchar_t* name : {L"layertype", L"layerfilespec", L"visible", L"MapType", L"ProxyServerAddress",
                                L"ProxyServerPort"}) {
        std::wstring value = L"<none>";
        if (element) platform::GetAttribute(element, name, value);
        values[name] = value;
    }
    return values;
}

// The engine's "Visible" of a layer, by name.
bool EngineLayerVisible(IUnknown* control, const wchar_t* name) {
    ComPtr<IDispatch> map;
    controltest::As<IZmaVadAZ2>(control)->get_MapX(map.Put());
    Variant layers = displaytest::Get(map.Get(), kEngineLayers);
    Variant layer;
    displaytest::Invoke(layers.pdispVal, 6, DISPATCH_METHOD | DISPATCH_PROPERTYGET, {Variant(name)}, &layer);
    return displaytest::Get(layer.pdispVal, 2).ToBool();
}

// Servers that keep a request going (tile_server.py's "hostile" kinds): how the log says the
// request was given up, how many requests one address may cost at most, and whether each answer
// is far longer than what the client's and the server's sockets hold, so that only a client that
// reads it to the end lets the server send it whole.
struct HostileServer {
    const char* kind;
    const wchar_t* givenUp;
    size_t requests;
    bool pastTheSockets = false;
};
const HostileServer kHostileServers[] = {
    {"loop", L"Request given up: more than 10 redirects", 11},
    {"grow", L"Request given up: a redirect to an address of more than 2083 characters", 5},
    {"huge", L"Request given up: an answer of more than 1048576 bytes", 1},
    {"vast", L"Request given up: an answer of more than 1048576 bytes", 1, true},
    {"flood", L"Request given up: an answer of more than 1048576 bytes", 1},
};

// The last `answers` answers of a server past the sockets were let go of unread: the server was
// cut off short of each.
void ExpectCutOff(const HostileServer& hostile, size_t answers) {
    if (!hostile.pastTheSockets) return;
    const std::vector<LargeAnswer> sent = LargeAnswersSent(answers);
    EXPECT_EQ(sent.size(), answers) << hostile.kind;
    for (const LargeAnswer& answer : sent) EXPECT_LT(answer.sent, answer.size) << hostile.kind;
}

std::set<std::wstring> QuadKeysAsked() {
    std::set<std::wstring> asked;
    for (const std::string& path : Requests()) asked.insert(QuadKeyOf(path));
    return asked;
}

class ImageryMap : public sitetest::MapSiteTest {
protected:
    static void SetUpTestSuite() { ClearImageryRegistry(); }
    static void TearDownTestSuite() { ClearImageryRegistry(); }

    // The equator distance across the view, in metres, over the width in pixels: the ground
    // resolution the view shows.
    double MetresPerPixel() {
        Variant bounds = displaytest::Get(Map(), kEngineBounds);
        const double west = displaytest::Get(bounds.pdispVal, 1).ToDouble();
        const double east = displaytest::Get(bounds.pdispVal, 3).ToDouble();
        const Variant unit = displaytest::Get(Map(), kEngineUnit);
        displaytest::Put(Map(), kEngineUnit, Variant(7L));
        Variant metres;
        displaytest::Call(Map(), kEngineDistance, {Variant(west), Variant(0.0), Variant(east), Variant(0.0)}, &metres);
        displaytest::Put(Map(), kEngineUnit, unit);
        return metres.ToDouble() / kWidth;
    }
    // The tiles under the view, by the tiling's own arithmetic.
    std::set<std::wstring> TilesUnderTheView(int level) {
        Variant bounds = displaytest::Get(Map(), kEngineBounds);
        const double west = displaytest::Get(bounds.pdispVal, 1).ToDouble();
        const double north = displaytest::Get(bounds.pdispVal, 4).ToDouble();
        std::set<std::wstring> under;
        for (int y = 0; y < kHeight; y += 8)
            for (int x = 0; x < kWidth; x += 8) under.insert(QuadKeyUnder(west, north, level, x, y));
        return under;
    }
    // How many sampled pixels show the colour of the tile under them.
    int TilePixels(int level) {
        Variant bounds = displaytest::Get(Map(), kEngineBounds);
        const double west = displaytest::Get(bounds.pdispVal, 1).ToDouble();
        const double north = displaytest::Get(bounds.pdispVal, 4).ToDouble();
        int shown = 0;
        for (int y = 4; y < kHeight - 60; y += 17)
            for (int x = 4; x < kWidth - 4; x += 19) shown += Pixel(x, y) == TileColour(QuadKeyUnder(west, north, level, x, y));
        return shown;
    }

    // How many pixels of the drawn view in columns [left, right) and rows [top, bottom) are `colour`.
    int PixelsOf(COLORREF colour, int left = 0, int top = 0, int right = kWidth, int bottom = kHeight) {
        int count = 0;
        for (int y = top; y < bottom; ++y)
            for (int x = left; x < right; ++x) count += Pixel(x, y) == colour;
        return count;
    }
    // The attribution: white text over a grey shadow near the bottom-right corner.
    int AttributionPixels(COLORREF colour) { return PixelsOf(colour, kWidth - 240, kHeight - 30, kWidth - 8, kHeight - 8); }

    // The tile level whose resolution the view shows, 0 when none.
    int ShownLevel() {
        const double shown = MetresPerPixel();
        for (int z = 1; z <= 23; ++z) {
            const double resolution = 40075016.686 / (256.0 * std::ldexp(1.0, z));
            if (shown <= resolution * 1.0001 && shown >= resolution * 0.99) return z;
        }
        return 0;
    }
};

TEST_F(ImageryMap, ItsSettingsTravelWithTheMapAndTheFirstLoadSetsTheProcessWideSwitch) {
    // A new map: the annotations on top, the imagery at the bottom.
    const std::vector<std::wstring> names = EngineLayerNames();
    ASSERT_GE(names.size(), 2u);
    EXPECT_EQ(names.front(), L"Annotations");
    EXPECT_EQ(names.back(), L"Background map1");
    ComPtr<IXMLDOMElement> saved = SaveSettings(Control());
    ComPtr<IXMLDOMElement> imagery = ImageryElement(saved.Get());
    using Values = std::map<std::wstring, std::wstring>;
    EXPECT_EQ(AttributesOf(imagery.Get()), (Values{{L"layertype", L"15"}, {L"layerfilespec", L""}, {L"visible", L"-1"},
                                                   {L"MapType", L"0"}, {L"ProxyServerAddress", L""},
                                                   {L"ProxyServerPort", L""}}));

    // Saved with imagery disabled, aerial with labels, behind a proxy.
    platform::SetAttribute(imagery.Get(), L"visible", L"0");
    platform::SetAttribute(imagery.Get(), L"MapType", L"2");
    platform::SetAttribute(imagery.Get(), L"ProxyServerAddress", L"proxy.test");
    platform::SetAttribute(imagery.Get(), L"ProxyServerPort", L"3128");
    ComPtr<IUnknown> loaded = LoadedMap(StreamOf(saved.Get()).Get());
    EXPECT_FALSE(EngineLayerVisible(loaded.Get(), L"Background map1"));
    // Hidden imagery leaves the scale as the host gives it.
    ComPtr<IDispatch> loadedMap;
    ASSERT_EQ(controltest::As<IZmaVadAZ2>(loaded.Get())->get_MapX(loadedMap.Put()), S_OK);
    ASSERT_EQ(displaytest::Put(loadedMap.Get(), kEngineZoom, Variant(7.3)), S_OK);
    EXPECT_EQ(displaytest::Get(loadedMap.Get(), kEngineZoom).ToDouble(), 7.3);
    const Values reloaded = AttributesOf(ImageryElement(SaveSettings(controltest::As<IZmaVadAZ2>(loaded.Get()).Get()).Get()).Get());
    EXPECT_EQ(reloaded, (Values{{L"layertype", L"15"}, {L"layerfilespec", L""}, {L"visible", L"0"}, {L"MapType", L"2"},
                                {L"ProxyServerAddress", L"proxy.test"}, {L"ProxyServerPort", L"3128"}}));

    // Into a running map the settings bring no second imagery layer.
    ASSERT_EQ(Control()->LoadFromXML(saved.Get()), S_OK);
    ComPtr<IXMLDOMNodeList> layers;
    SaveSettings(Control())->selectNodes(Bstr(L"mapsettings/layers/Layer[@layertype='15']").Get(), layers.Put());
    long count = 0;
    layers->get_length(&count);
    EXPECT_EQ(count, 1);
    controltest::As<IOleObject>(loaded.Get())->Close(OLECLOSE_NOSAVE);
}

TEST_F(ImageryMap, ThePropertiesChooseTheImageryTypeTheProxyAndWhetherImageryIsDisabled) {
    // The first case left the process with imagery disabled behind "proxy.test".
    std::wstring shown;
    WorkNextDialog([&](HWND d) {
        wchar_t address[64] = {}, port[16] = {};
        ::GetDlgItemTextW(d, kProxyAddress, address, 64);
        ::GetDlgItemTextW(d, kProxyPort, port, 16);
        auto on = [&](int id) { return ::IsDlgButtonChecked(d, id) == BST_CHECKED ? L"+" : L"-"; };
        shown = on(kRoad) + std::wstring(on(kUseProxy)) + address + L":" + port + on(kDisableMap) +
                (::IsWindowEnabled(::GetDlgItem(d, kProxyPort)) ? L"editable" : L"");
        Choose(d, kRoad, false);
        Choose(d, kLabels, true);
        Choose(d, kUseProxy, false);
        if (::IsWindowEnabled(::GetDlgItem(d, kProxyAddress))) shown += L", still editable";
        Choose(d, kDisableMap, false);
        Press(d, IDOK);
    });
    ASSERT_EQ(Control()->DisplayBackgroundMapLayerProperties(), S_OK);
    EXPECT_EQ(shown, L"++proxy.test:3128+editable");
    using Values = std::map<std::wstring, std::wstring>;
    EXPECT_EQ(AttributesOf(ImageryElement(SaveSettings(Control()).Get()).Get()),
              (Values{{L"layertype", L"15"}, {L"layerfilespec", L""}, {L"visible", L"1"}, {L"MapType", L"2"},
                      {L"ProxyServerAddress", L""}, {L"ProxyServerPort", L""}}));

    // Cancel keeps everything, whatever was changed.
    WorkNextDialog([&](HWND d) {
        Choose(d, kLabels, false);
        Choose(d, kAerial, true);
        Choose(d, kUseProxy, true);
        ::SetDlgItemTextW(d, kProxyAddress, L"other.test");
        Choose(d, kDisableMap, true);
        Press(d, IDCANCEL);
    });
    ASSERT_EQ(Control()->DisplayBackgroundMapLayerProperties(), S_OK);
    const Values kept = AttributesOf(ImageryElement(SaveSettings(Control()).Get()).Get());
    EXPECT_EQ(kept.at(L"MapType") + kept.at(L"visible") + kept.at(L"ProxyServerAddress"), L"21");
}

// Token mode on the local server: the tiles of the view lie under the dataset's points, each asked
// for once; the next frame comes from the URL cache; the properties switch the imagery.
class TiledMap : public ImageryMap {
protected:
    void SetUp() override {
        ClearImageryRegistry();
        SetImageryString(L"CredentialMode", L"Token");
        SetImageryString(L"BackgroundMapTileServer", TileServer() + L"/r%d/tiles/");
        SetImageryDword(L"AsyncBackgroundMapEnabled", asynchronous_);
        ImageryMap::SetUp();
        ClearRequests();
    }
    void TearDown() override {
        ImageryMap::TearDown();
        ClearImageryRegistry();
        ClearServerOptions();
    }
    // Every sampled pixel away from tile borders, the dataset's points, the attribution and the
    // logo shows the colour of the tile under it, which was asked for once.
    void ExpectTilesUnderTheView(const std::set<std::wstring>& asked, int level, int tolerance) {
        Variant bounds = displaytest::Get(Map(), kEngineBounds);
        const double west = displaytest::Get(bounds.pdispVal, 1).ToDouble();
        const double north = displaytest::Get(bounds.pdispVal, 4).ToDouble();
        int checked = 0;
        for (int y = 4; y < kHeight - 60; y += 17)
            for (int x = 4; x < kWidth - 4; x += 19) {
                const std::wstring quadkey = QuadKeyUnder(west, north, level, x, y);
                if (QuadKeyUnder(west, north, level, x - 2, y - 2) != quadkey ||
                    QuadKeyUnder(west, north, level, x + 2, y + 2) != quadkey || Pixel(x, y) == RGB(255, 0, 0))
                    continue;
                EXPECT_TRUE(asked.count(quadkey)) << x << "," << y;
                EXPECT_TRUE(SameColour(Pixel(x, y), TileColour(quadkey), tolerance)) << x << "," << y;
                ++checked;
            }
        EXPECT_GT(checked, 150);
    }
    DWORD asynchronous_ = 0;
    std::set<std::wstring> AskedOnce(const char* kind) {
        std::set<std::wstring> asked;
        for (const std::string& path : Requests()) {
            EXPECT_EQ(path.rfind("/r", 0), 0u) << path;
            EXPECT_NE(path.find(std::string("/tiles/") + kind), std::string::npos) << path;
            EXPECT_NE(path.find("?g=138"), std::string::npos) << path;
            EXPECT_TRUE(asked.insert(QuadKeyOf(path)).second) << "asked twice: " << path;
        }
        return asked;
    }
};

TEST_F(TiledMap, TilesLieUnderTheDatasetOnceAskedAndThenComeFromTheCache) {
    ComPtr<IDispatch> dataset = displaytest::MakeSampleDataset(600);
    ASSERT_EQ(Control()->DisplayDataset(dataset.Get(), Variant(L"RxLev"), Bstr(L"{5A1E0000-0000-4000-8000-00000000001A}").Get()),
              S_OK);
    DrawView();
    const std::set<std::wstring> asked = AskedOnce("r");
    ASSERT_FALSE(asked.empty());
    const int level = static_cast<int>(asked.begin()->size());
    // Showing the dataset changed the view, and the imagery snapped it to the tiles' level.
    EXPECT_EQ(ShownLevel(), level);
    ExpectTilesUnderTheView(asked, level, 0);
    // The dataset's points lie above the tiles.
    EXPECT_GT(PixelsOf(RGB(255, 0, 0)), 100);
    EXPECT_GT(AttributionPixels(RGB(255, 255, 255)), 15);
    EXPECT_GT(AttributionPixels(RGB(0x80, 0x80, 0x80)), 15);
    // The logo 10 pixels above the text and inside the right edge.
    EXPECT_GT(PixelsOf(RGB(0, 102, 204), kWidth - 80, kHeight - 80, kWidth - 10, kHeight - 30), 400);

    ClearRequests();
    DrawView();
    EXPECT_TRUE(Requests().empty()) << Requests().front();

    // Aerial photographs with labels: new tiles, as JPEG.
    WorkNextDialog([](HWND d) {
        Choose(d, kRoad, false);
        Choose(d, kLabels, true);
        Press(d, IDOK);
    });
    ASSERT_EQ(Control()->DisplayBackgroundMapLayerProperties(), S_OK);
    DrawView();
    ExpectTilesUnderTheView(AskedOnce("h"), level, 8);
}

TEST_F(TiledMap, HostileTileServersCostEachTileBoundedRequestsAndNoCacheEntryAndTheFrameGoesOn) {
    constexpr DWORD kTileRequestTime = 5000, kRoom = 2000;
    testsupport::Watchdog watchdog;
    int level = 0, shift = 0;
    std::set<std::wstring> view;
    for (const HostileServer& hostile : kHostileServers) {
        // Tiles no other case brought into the cache, in a view of the server's own: a view asks
        // for a tile that failed only once more.
        ShowArea(12.0 + 0.02 * shift, 41.7, 12.9 + 0.02 * shift, 42.2);
        ++shift;
        SetServerOption("hostile", hostile.kind);
        const size_t givenUp = LinesStartingWith(hostile.givenUp);
        // The second frame asks again: the first kept nothing. A frame asks for the tiles its
        // time for tiles leaves room for (the rest are left out of it).
        size_t asked = 0;
        for (int frame = 1; frame <= 2; ++frame) {
            ClearRequests();
            const DWORD start = ::GetTickCount();
            watchdog.Guard(std::string(hostile.kind) + " frame " + std::to_string(frame), [&] { DrawView(); }, 20000);
            const DWORD took = ::GetTickCount() - start;
            level = ShownLevel();
            view = TilesUnderTheView(level);
            const std::set<std::wstring> tiles = QuadKeysAsked();
            EXPECT_FALSE(tiles.empty()) << hostile.kind;
            EXPECT_TRUE(std::includes(view.begin(), view.end(), tiles.begin(), tiles.end())) << hostile.kind;
            // Answers refused at once for their length leave the frame, which fetches its tiles at
            // once, room to ask for every tile of its view within one tile request's time (with
            // room for drawing them).
            if (hostile.pastTheSockets) {
                EXPECT_LT(took, kTileRequestTime + kRoom) << hostile.kind;
                EXPECT_EQ(tiles, view) << hostile.kind;
            }
            EXPECT_LE(Requests().size(), hostile.requests * tiles.size()) << hostile.kind;
            EXPECT_GT(AttributionPixels(RGB(255, 255, 255)), 15) << hostile.kind;  // drawn after the tiles
            ExpectCutOff(hostile, Requests().size());
            asked += tiles.size();
        }
        EXPECT_EQ(LinesStartingWith(hostile.givenUp) - givenUp, asked) << hostile.kind;
    }
    // The same server mended: its tiles lie under the next view.
    ShowArea(12.0 + 0.02 * shift, 41.7, 12.9 + 0.02 * shift, 42.2);
    ClearServerOptions();
    ClearRequests();
    DrawView();
    ExpectTilesUnderTheView(AskedOnce("r"), level, 0);
}

// Key mode against the local metadata service, drawing at once.
class KeyModeMap : public ImageryMap {
protected:
    void SetUp() override {
        ClearImageryRegistry();
        SetImageryDword(L"AsyncBackgroundMapEnabled", 0);
        SetImageryString(L"BackgroundMapMetadataService", TileServer() + L"/REST/v1/Imagery/Metadata/");
        ImageryMap::SetUp();
        ClearRequests();
    }
    void TearDown() override {
        ImageryMap::TearDown();
        ClearImageryRegistry();
        ClearServerOptions();
    }
    // The map's settings with the local server as their proxy, which wants "ann" and "s3cret". The
    // tiles' addresses are the run's own: a server of an earlier run may have had the same port,
    // and tiles found in the URL cache would ask the server nothing.
    ComPtr<IXMLDOMElement> SettingsNamingAProxyThatWantsCredentials() {
        SetServerOption("proxy_credentials", "ann:s3cret");
        SetServerOption("metadata_template", "http://{host}/{subdomain}/tiles/r{quadkey}.png?g=1&mkt={culture}&run=" +
                                                 std::to_string(::GetCurrentProcessId()) + "-" +
                                                 std::to_string(::GetTickCount()));
        const std::wstring server = TileServer().substr(7);
        ComPtr<IXMLDOMElement> saved = SaveSettings(Control());
        ComPtr<IXMLDOMElement> imagery = ImageryElement(saved.Get());
        if (!imagery) return nullptr;
        platform::SetAttribute(imagery.Get(), L"ProxyServerAddress", L"127.0.0.1");
        platform::SetAttribute(imagery.Get(), L"ProxyServerPort", server.substr(server.find(L':') + 1));
        return saved;
    }
    std::vector<std::string> MetadataRequests() {
        std::vector<std::string> asked;
        for (const ServedRequest& r : Served())
            if (r.path.find("/REST/v1/Imagery/Metadata/") != std::string::npos) asked.push_back(r.method + " " + r.path);
        return asked;
    }
};

TEST_F(KeyModeMap, AFailingMetadataServiceLeavesTheMapDrawingWithoutImageryAndTheLogSaysWhy) {
    SetServerOption("metadata_status", "503");
    ComPtr<IDispatch> dataset = displaytest::MakeSampleDataset(600);
    ASSERT_EQ(Control()->DisplayDataset(dataset.Get(), Variant(L"RxLev"), Bstr(L"{5A1E0000-0000-4000-8000-00000000001B}").Get()),
              S_OK);
    DrawView();
    DrawView();
    EXPECT_GT(PixelsOf(RGB(255, 0, 0)), 100);
    // Asked once for this map, and never for a tile.
    EXPECT_EQ(MetadataRequests().size(), 1u);
    EXPECT_EQ(Requests().size(), 1u);
    EXPECT_TRUE(Logged(L"Soap Call failed . Status code = 503"));
    EXPECT_TRUE(Logged(L"Failed to Load Meta Image URL And SubDomains"));

    // A map drawn before it has a window is not asked again by its first frame with one.
    ComPtr<IXMLDOMElement> saved = SaveSettings(Control());
    ClearRequests();
    Reopen(StreamOf(saved.Get()).Get(), [this] {
        testsupport::DibCanvas canvas(kWidth, kHeight);
        EXPECT_EQ(canvas.DrawView(unknown_.Get()), S_OK);
    });
    DrawView();
    EXPECT_EQ(MetadataRequests().size(), 1u);
}

// The metadata service (asked again by the properties dialog's OK) and the token service (asked by
// each new map in token mode while the process has no token) on hostile servers, and the
// metadata service trickling its answer: each request is given up within its bounds (the
// service request's time, with room for the dialog and the map), the map goes on without imagery.
TEST_F(KeyModeMap, HostileServicesAreGivenUpWithinTheirBoundsAndTheMapGoesOn) {
    constexpr DWORD kServiceRequestTime = 10000, kRoom = 2000;
    testsupport::Watchdog watchdog;
    std::vector<HostileServer> cases(std::begin(kHostileServers), std::end(kHostileServers));
    cases.push_back({"slow", L"Request given up: no answer within 10000 ms", 1});
    for (const HostileServer& hostile : cases) {
        const std::wstring kind = platform::ToWide(hostile.kind);
        SetImageryString(L"BackgroundMapMetadataService", TileServer() + L"/" + kind + L"/REST/v1/Imagery/Metadata/");
        SetImageryString(L"BackgroundMapTokenService", TileServer() + L"/" + kind + L"/find-30/common.asmx");
        const size_t givenUp = LinesStartingWith(hostile.givenUp);
        ClearRequests();
        WorkNextDialog([](HWND d) { Press(d, IDOK); });
        DWORD start = ::GetTickCount();
        watchdog.Arm(hostile.kind + std::string(" metadata"), 20000);
        EXPECT_EQ(Control()->DisplayBackgroundMapLayerProperties(), S_OK);
        watchdog.Disarm();
        EXPECT_LT(::GetTickCount() - start, kServiceRequestTime + kRoom) << hostile.kind;
        EXPECT_LE(MetadataRequests().size(), hostile.requests) << hostile.kind;
        EXPECT_EQ(LinesStartingWith(hostile.givenUp) - givenUp, 1u) << hostile.kind;
        ExpectCutOff(hostile, MetadataRequests().size());
        if (hostile.kind == std::string("slow")) continue;

        SetImageryString(L"CredentialMode", L"Token");
        ClearRequests();
        start = ::GetTickCount();
        watchdog.Arm(hostile.kind + std::string(" token"), 20000);
        ComPtr<IUnknown> tokenMap;
        ASSERT_EQ(controltest::CreateControl(tokenMap), S_OK);
        EXPECT_EQ(controltest::As<IPersistStreamInit>(tokenMap.Get())->InitNew(), S_OK);
        watchdog.Disarm();
        EXPECT_LT(::GetTickCount() - start, kServiceRequestTime + kRoom) << hostile.kind;
        controltest::As<IOleObject>(tokenMap.Get())->Close(OLECLOSE_NOSAVE);
        EXPECT_LE(Requests().size(), hostile.requests) << hostile.kind;
        ExpectCutOff(hostile, Requests().size());
        EXPECT_EQ(LinesStartingWith(hostile.givenUp) - givenUp, 2u) << hostile.kind;
        EXPECT_TRUE(Logged(L"Bing token is ''"));
        SetImageryString(L"CredentialMode", L"Key");
    }
    // The map draws on, without imagery.
    ComPtr<IDispatch> dataset = displaytest::MakeSampleDataset(600);
    ASSERT_EQ(Control()->DisplayDataset(dataset.Get(), Variant(L"RxLev"), Bstr(L"{5A1E0000-0000-4000-8000-00000000001C}").Get()),
              S_OK);
    DrawView();
    EXPECT_GT(PixelsOf(RGB(255, 0, 0)), 100);
}

// The proxy of the properties dialog asks for credentials: the user is asked from the map's
// window, a refusal asks again, the answer is kept for the process, and the request gives up
// after a few refusals or a Cancel.
TEST_F(KeyModeMap, AProxyThatWantsCredentialsGetsThemFromTheUserOnceAndIsNotAskedWithoutEnd) {
    ProxiedHttpRequests requestObjects;
    SetServerOption("proxy_credentials", "ann:s3cret");
    const std::wstring server = TileServer().substr(7);
    const std::wstring port = server.substr(server.find(L':') + 1);
    struct Run {
        std::vector<const wchar_t*> answers;  // "user:password" typed, or null for Cancel
        std::vector<std::string> sent;        // the proxy credentials the proxy saw, in order
        const wchar_t* logged;
    } runs[] = {
        {{nullptr}, {}, L"Proxy credentials cancelled. returing...."},
        {{L"ann:wrong", L"bob:wrong"}, {"ann:wrong", "bob:wrong"},
         L"The proxy server refused the credentials 2 times. Giving up the request for map imagery."},
        // What the proxy refused last is not sent again.
        {{L"ann:s3cret"}, {"ann:s3cret"}, L"Removing culture string"},
        {{}, {"ann:s3cret"}, nullptr},
    };
    testsupport::DialogAnswerer* answerer = testsupport::DialogAnswerer::Current();
    for (const Run& run : runs) {
        ClearRequests();
        answerer->Clear();
        WorkNextDialog([&](HWND d) {
            Choose(d, kUseProxy, true);
            ::SetDlgItemTextW(d, kProxyAddress, L"127.0.0.1");
            ::SetDlgItemTextW(d, kProxyPort, port.c_str());
            Press(d, IDOK);
        });
        for (const wchar_t* answer : run.answers) {
            WorkNextDialog([answer](HWND d) {
                if (!answer) return Press(d, IDCANCEL);
                const std::wstring text = answer;
                ::SetDlgItemTextW(d, 346, text.substr(0, text.find(L':')).c_str());
                ::SetDlgItemTextW(d, 347, text.substr(text.find(L':') + 1).c_str());
                Press(d, IDOK);
            });
        }
        ASSERT_EQ(Control()->DisplayBackgroundMapLayerProperties(), S_OK);
        EXPECT_EQ(answerer->Dialogs().size(), 1 + run.answers.size());
        for (size_t i = 1; i < answerer->Dialogs().size(); ++i) EXPECT_EQ(answerer->Dialogs()[i].caption, L"Proxy Authentication");
        std::vector<std::string> sent;
        for (const ServedRequest& r : Served()) {
            EXPECT_EQ(r.path.rfind("http://127.0.0.1:", 0), 0u) << "through the proxy: " << r.path;
            auto given = r.headers.find("Proxy-Authorization");
            if (given == r.headers.end()) continue;
            for (const char* credentials : {"ann:wrong", "bob:wrong", "ann:s3cret"})
                if (given->second == std::string("Basic ") + credentials && (sent.empty() || sent.back() != credentials))
                    sent.push_back(credentials);
        }
        EXPECT_EQ(sent, run.sent);
        if (run.logged) {
            EXPECT_TRUE(Logged(run.logged)) << platform::ToAnsi(run.logged);
        }
    }
    // Credentials never reach the log.
    for (const std::wstring& line : LogLines())
        EXPECT_TRUE(line.find(L"wrong") == std::wstring::npos && line.find(L"s3cret") == std::wstring::npos) << platform::ToAnsi(line);

    // The template came: tiles from its subdomains lie under the view.
    ShowArea(9.5, 49.8, 10.4, 50.3);
    ClearRequests();
    DrawView();
    std::set<std::string> subdomains;
    for (const std::string& path : Requests())
        if (path.find("/REST/") == std::string::npos) subdomains.insert(path.substr(0, 4));  // the first draw asks again
    EXPECT_EQ(subdomains, (std::set<std::string>{"/t0/", "/t1/", "/t2/"}));
    EXPECT_GT(TilePixels(ShownLevel()), 100);

    // The maps after this one go without the proxy.
    WorkNextDialog([](HWND d) {
        Choose(d, kUseProxy, false);
        Press(d, IDOK);
    });
    Control()->DisplayBackgroundMapLayerProperties();
}

// A host opening a saved form loads the map before the map has a window: the proxy of its settings
// asks for credentials when the map is first drawn, from the map's window, and the imagery comes.
// The first settings of a process name its proxy, and the process keeps the credentials given:
// this case runs in a process of its own.
TEST_F(KeyModeMap, AMapOpenedFromSettingsNamingAProxyAsksTheUserFromItsWindowWhenFirstDrawn) {
    ProxiedHttpRequests requestObjects;
    ComPtr<IXMLDOMElement> saved = SettingsNamingAProxyThatWantsCredentials();
    ASSERT_TRUE(saved);
    Reopen(StreamOf(saved.Get()).Get());
    EXPECT_TRUE(Requests().empty()) << "asked before the map had a window: " << Requests().front();

    HWND owner = nullptr;
    WorkNextDialog([&owner](HWND d) {
        owner = ::GetWindow(d, GW_OWNER);
        ::SetDlgItemTextW(d, 346, L"ann");
        ::SetDlgItemTextW(d, 347, L"s3cret");
        Press(d, IDOK);
    });
    testsupport::DialogAnswerer* answerer = testsupport::DialogAnswerer::Current();
    answerer->Clear();
    ShowArea(9.5, 49.8, 10.4, 50.3);
    DrawView();
    ASSERT_EQ(answerer->Dialogs().size(), 1u);
    EXPECT_EQ(answerer->Dialogs()[0].caption, L"Proxy Authentication");
    EXPECT_EQ(owner, ::GetAncestor(EngineWindow(), GA_ROOT));
    std::set<std::string> subdomains;
    for (const std::string& path : Requests())
        if (path.find("/REST/") == std::string::npos) subdomains.insert(path.substr(0, 4));
    EXPECT_EQ(subdomains, (std::set<std::string>{"/t0/", "/t1/", "/t2/"}));
    EXPECT_GT(TilePixels(ShownLevel()), 100);
}

// A container may draw a map through its view before it gives the map a window. A request that
// wants proxy credentials then asks nobody, and frames without a window (an export among them) do
// not make it again; the first frame with a window does, and asks the user from that window.
// The first settings of a process name its proxy, and the process keeps the credentials given:
// this case runs in a process of its own.
TEST_F(KeyModeMap, AMapDrawnBeforeItHasAWindowAsksTheUserForProxyCredentialsAtItsFirstFrameWithOne) {
    ProxiedHttpRequests requestObjects;
    ComPtr<IXMLDOMElement> saved = SettingsNamingAProxyThatWantsCredentials();
    ASSERT_TRUE(saved);
    testsupport::DialogAnswerer* answerer = testsupport::DialogAnswerer::Current();
    answerer->Clear();

    // Loaded without a site: two frames and an export ask the service once.
    ComPtr<IUnknown> unsited = LoadedMap(StreamOf(saved.Get()).Get());
    for (int frame = 0; frame < 2; ++frame) {
        testsupport::DibCanvas canvas(kWidth, kHeight);
        EXPECT_EQ(canvas.DrawView(unsited.Get()), S_OK);
    }
    wchar_t temp[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, temp);
    const std::wstring exported = temp + std::wstring(L"unsited_") + std::to_wstring(::GetCurrentProcessId()) + L".bmp";
    EXPECT_EQ(controltest::As<IZmaVadAZ2>(unsited.Get())->ExportToFile(Bstr(exported).Get(), Bstr(L"bmp").Get()), S_OK);
    ::DeleteFileW(exported.c_str());
    controltest::As<IOleObject>(unsited.Get())->Close(OLECLOSE_NOSAVE);
    EXPECT_EQ(MetadataRequests().size(), 1u);
    EXPECT_TRUE(Logged(L"Proxy credentials cannot be asked for without a map window. returing...."));

    // Sited and drawn before it is activated; then its first frame with a window asks the user.
    ClearRequests();
    size_t askedBeforeActivation = 0;
    Reopen(StreamOf(saved.Get()).Get(), [&] {
        testsupport::DibCanvas canvas(kWidth, kHeight);
        EXPECT_EQ(canvas.DrawView(unknown_.Get()), S_OK);
        askedBeforeActivation = MetadataRequests().size();
    });
    EXPECT_EQ(askedBeforeActivation, 1u);
    EXPECT_TRUE(answerer->Dialogs().empty()) << "asked without a window";

    HWND owner = nullptr;
    WorkNextDialog([&owner](HWND d) {
        owner = ::GetWindow(d, GW_OWNER);
        ::SetDlgItemTextW(d, 346, L"ann");
        ::SetDlgItemTextW(d, 347, L"s3cret");
        Press(d, IDOK);
    });
    ShowArea(9.5, 49.8, 10.4, 50.3);
    DrawView();
    ASSERT_EQ(answerer->Dialogs().size(), 1u);
    EXPECT_EQ(answerer->Dialogs()[0].caption, L"Proxy Authentication");
    EXPECT_EQ(owner, ::GetAncestor(EngineWindow(), GA_ROOT));
    std::set<std::string> subdomains;
    for (const std::string& path : Requests())
        if (path.find("/REST/") == std::string::npos) subdomains.insert(path.substr(0, 4));
    EXPECT_EQ(subdomains, (std::set<std::string>{"/t0/", "/t1/", "/t2/"}));
    EXPECT_GT(TilePixels(ShownLevel()), 100);
}

// The download thread fetches what a frame on the screen asks for, while the map goes on.
class AsyncMap : public TiledMap {
protected:
    void SetUp() override {
        asynchronous_ = 1;
        SetServerOption("tile_delay_ms", "150");
        TiledMap::SetUp();
        ShowArea(9.5, 49.8, 10.4, 50.3);
        ClearRequests();
    }
    // Dispatches this thread's messages until `done` (or a minute went by), keeping the tile
    // messages that came.
    std::vector<MSG> TileMessagesUntil(const std::function<bool(const std::vector<MSG>&)>& done) {
        std::vector<MSG> tiles;
        for (const DWORD start = ::GetTickCount(); !done(tiles) && ::GetTickCount() - start < 60000;) {
            MSG msg;
            while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
                if (msg.message == WM_APP + 100) tiles.push_back(msg);
                ::TranslateMessage(&msg);
                ::DispatchMessageW(&msg);
            }
            ::Sleep(10);
        }
        return tiles;
    }
    // The tile messages until every tile of `view` was asked for and neither the server nor the
    // map heard of a tile for a second.
    std::vector<MSG> TileMessagesUntilQuiet(const std::set<std::wstring>& view) {
        size_t heard = 0;
        DWORD quietSince = ::GetTickCount();
        return TileMessagesUntil([&](const std::vector<MSG>& messages) {
            if (Requests().size() + messages.size() != heard) {
                heard = Requests().size() + messages.size();
                quietSince = ::GetTickCount();
            }
            return QuadKeysAsked() == view && ::GetTickCount() - quietSince > 1000;
        });
    }
    // The next frame draws every tile of `view` from the cache, asking the server for none.
    void ExpectTheNextFrameFromTheCache(const std::set<std::wstring>& view, int level) {
        ClearRequests();
        DrawView();
        ExpectTilesUnderTheView(view, level, 0);
        EXPECT_TRUE(Requests().empty());
    }
    int Asked(const std::set<std::wstring>& tiles) {
        int asked = 0;
        for (const std::string& path : Requests()) asked += tiles.count(QuadKeyOf(path)) ? 1 : 0;
        return asked;
    }
};

TEST_F(AsyncMap, APaintLeavesItsTilesToTheThreadWhoseMessagesBringThemIntoALaterFrame) {
    DrawView();
    const int level = ShownLevel();
    ASSERT_GT(level, 0);
    const std::set<std::wstring> view = TilesUnderTheView(level);
    // The frame was drawn before any of its tiles came.
    EXPECT_EQ(TilePixels(level), 0);
    const std::vector<MSG> messages = TileMessagesUntil([&](const std::vector<MSG>& m) { return m.size() >= view.size(); });
    ASSERT_EQ(messages.size(), view.size());
    for (const MSG& m : messages) {
        EXPECT_EQ(m.hwnd, EngineWindow());
        EXPECT_EQ(m.wParam, messages.front().wParam) << "one frame's generation";
        EXPECT_NE(m.lParam, 0);
    }
    EXPECT_EQ(Asked(view), static_cast<int>(view.size()));

    ExpectTheNextFrameFromTheCache(view, level);
}

TEST_F(AsyncMap, PanningAwayDropsTheRequestsTheOldViewLeftWaiting) {
    SetServerOption("tile_delay_ms", "400");
    DrawView();
    const std::set<std::wstring> before = TilesUnderTheView(ShownLevel());
    ShowArea(-75.5, 39.8, -74.6, 40.3);
    DrawView();
    const std::set<std::wstring> after = TilesUnderTheView(ShownLevel());
    ASSERT_GT(before.size(), 3u);
    TileMessagesUntil([&](const std::vector<MSG>&) { return Asked(after) == static_cast<int>(after.size()); });
    EXPECT_EQ(Asked(after), static_cast<int>(after.size()));
    // Only what the thread had taken before the pan.
    EXPECT_LE(Asked(before), 2);
}

TEST_F(AsyncMap, AShownMapAsksForEachTileOnceThoughItsRepaintsQueueItAgain) {
    // Shown, each arrival repaints its square, and the repaint queues the tiles still missing
    // again (the one on its way among them), under the next server number.
    ::ShowWindow(site_->Window(), SW_SHOWNA);
    ShowArea(2.0, 48.6, 2.9, 49.1);  // tiles no other case brought into the cache
    DrawView();
    const int level = ShownLevel();
    const std::set<std::wstring> view = TilesUnderTheView(level);
    TileMessagesUntilQuiet(view);
    EXPECT_EQ(AskedOnce("r"), view);
    ExpectTheNextFrameFromTheCache(view, level);
}

TEST_F(AsyncMap, HostileTileServersNeitherHoldTheThreadNorAnnounceATile) {
    testsupport::Watchdog watchdog;
    int shift = 0;
    std::set<std::wstring> view;
    for (const HostileServer& hostile : kHostileServers) {
        // Tiles no other case brought into the cache, in a view of the server's own.
        ShowArea(-0.6 + 0.02 * shift, 51.3, 0.3 + 0.02 * shift, 51.8);
        ++shift;
        SetServerOption("hostile", hostile.kind);
        ClearRequests();
        watchdog.Arm(hostile.kind, 30000);
        DrawView();
        view = TilesUnderTheView(ShownLevel());
        const std::vector<MSG> messages = TileMessagesUntilQuiet(view);
        watchdog.Disarm();
        EXPECT_TRUE(messages.empty()) << hostile.kind;
        EXPECT_EQ(QuadKeysAsked(), view) << hostile.kind;
        EXPECT_LE(Requests().size(), hostile.requests * view.size()) << hostile.kind;
        ExpectCutOff(hostile, Requests().size());
    }
    // The thread goes on: the mended server's tiles come to the next view.
    ShowArea(-0.6 + 0.02 * shift, 51.3, 0.3 + 0.02 * shift, 51.8);
    ClearServerOptions();
    SetServerOption("tile_delay_ms", "150");
    ClearRequests();
    DrawView();
    view = TilesUnderTheView(ShownLevel());
    const std::vector<MSG> messages = TileMessagesUntil([&](const std::vector<MSG>& m) { return m.size() >= view.size(); });
    EXPECT_EQ(messages.size(), view.size());
}

}  // namespace
