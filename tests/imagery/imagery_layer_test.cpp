// The imagery layer over the engine stand-in, drawing tiles from the local tile server: its
// registry settings, key-mode tiles from an address template with subdomains, the URL cache, the
// download log, and the control's repaint of a tile that arrived.
// Before anything that includes windows.h.
#include <winsock2.h>

#include "ZmaVOMap2/control/ZmaVadAZ.h"
#include "ZmaVOMap2/engine/EngineDispatch.h"
#include "ZmaVOMap2/engine/EngineIds.h"
#include "ZmaVOMap2/imagery/BackgroundMapView.h"
#include "ZmaVOMap2/imagery/HostAddress.h"
#include "ZmaVOMap2/imagery/ImageryProcess.h"
#include "ZmaVOMap2/imagery/TileQueues.h"
#include "ZmaVOMap2/imagery/ZmaVadAZBackgroundMapLayer.h"
#include "ZmaVOMap2/services/Logger.h"
#include "tests/imagery/ImageryFixture.h"
#include "tests/layers/LayerFixture.h"
#include "tests/support/DibCanvas.h"
#include "tests/support/TestSite.h"

#include <set>

using platform::ComPtr;
using platform::Variant;
using namespace imagerytest;

namespace {

std::vector<std::wstring> LogMessages() {
    ComPtr<IHostLogStore> store;
    EXPECT_EQ(::CoCreateInstance(CLSID_HostLoggingManager, nullptr, CLSCTX_INPROC_SERVER, IID_IHostLogStore,
                                 store.PutVoid()),
              S_OK);
    std::vector<std::wstring> messages;
    LONG count = 0;
    store->get_EntryCount(&count);
    for (LONG i = 0; i < count; ++i) {
        BSTR text = nullptr;
        store->EntryMessage(i, &text);
        messages.push_back(platform::Bstr::Attach(text).Wide());
    }
    return messages;
}

ComPtr<IDispatch> NewRectangle() {
    CLSID rectangleClass;
    EXPECT_EQ(::CLSIDFromProgID(L"MapX.Rectangle.4", &rectangleClass), S_OK);
    ComPtr<IDispatch> rectangle;
    EXPECT_EQ(::CoCreateInstance(rectangleClass, nullptr, CLSCTX_ALL, IID_IDispatch, rectangle.PutVoid()), S_OK);
    return rectangle;
}

bool Logged(const std::wstring& line) {
    for (const std::wstring& message : LogMessages())
        if (message == line) return true;
    return false;
}

// The first program case: the download log counts its calls for the whole process.
TEST(HostAddress, TheDownloadLogNamesTheServersAddressForTheFirstTenDownloads) {
    GlobalLogger().Open(kControlLogChannel, "");
    const std::string tile = platform::ToAnsi(TileServer()) + "/tiles/r0.png";
    imagery::LogHostIPAddress(tile, false);
    imagery::LogHostIPAddress(tile + " Error : gone", true);
    EXPECT_TRUE(Logged(L"Data downloaded from IP :127.0.0.1 URL = " + platform::ToWide(tile)));
    EXPECT_TRUE(Logged(L"Failed to downloaded data from IP :127.0.0.1 URL = " + platform::ToWide(tile) + L" Error : gone"));
    for (int i = 2; i < 10; ++i) imagery::LogHostIPAddress(tile + "?n=" + std::to_string(i), false);
    EXPECT_TRUE(Logged(L"Data downloaded from IP :127.0.0.1 URL = " + platform::ToWide(tile) + L"?n=9"));
    imagery::LogHostIPAddress(tile + "?n=10", false);
    EXPECT_FALSE(Logged(L"Data downloaded from IP :127.0.0.1 URL = " + platform::ToWide(tile) + L"?n=10"));
}

TEST(HostAddress, TheLocalAddressNeedsNoWinsockSessionOfTheCaller) {
    // This process has never started Winsock itself.
    const std::string address = imagery::GetLocalIPAddress();
    WSADATA data;
    ASSERT_EQ(::WSAStartup(MAKEWORD(1, 1), &data), 0);
    char name[80] = {};
    ASSERT_EQ(::gethostname(name, sizeof name), 0);
    const hostent* host = ::gethostbyname(name);
    const std::string expected = host && host->h_addr_list[0] ? ::inet_ntoa(*reinterpret_cast<in_addr*>(host->h_addr_list[0]))
                                                              : "127.0.0.1";
    EXPECT_EQ(address, expected);
    // The caller's own session is still there afterwards.
    EXPECT_EQ(::gethostname(name, sizeof name), 0);
    ::WSACleanup();
}

// Hands out a template on the local server; counts what it was asked.
class FakeServices : public imagery::ImageryServices {
public:
    std::wstring RequestClientToken(const std::string&, int minutes) override {
        ++tokenRequests;
        EXPECT_EQ(minutes, 60);
        return token;
    }
    bool LoadMetaImageURLAndSubDomains(CZmaVadAZBackgroundMapLayer& layer) override {
        ++metadataRequests;
        if (addressTemplate.empty()) return false;
        layer.SetTileAddressTemplate(addressTemplate);
        layer.SetSubdomains(subdomains);
        return true;
    }
    std::wstring token = L"T0K";
    std::wstring addressTemplate;
    std::vector<std::wstring> subdomains;
    int tokenRequests = 0, metadataRequests = 0;
};

class ImageryLayer : public layertest::LayerTest {
protected:
    void SetUp() override {
        // As a control does when it is created: the layer's lines go to the host's log.
        GlobalLogger().Open(kControlLogChannel, "");
        ClearImageryRegistry();
        LayerTest::SetUp();
        imagery::SetImageryServices(&services_);
        ClearRequests();
    }
    void TearDown() override {
        imagery::SetImageryServices(nullptr);
        LayerTest::TearDown();
        ClearImageryRegistry();
    }
    CZmaVadAZBackgroundMapLayer* CreateImagery() {
        EXPECT_EQ(layers_->CreateBackgroundMapLayer(), S_OK);
        return FindBackgroundMapLayer(layers_.get());
    }
    // Shows the area (and snaps it to the imagery's level); answers the bounds' west and north.
    std::pair<double, double> ShowArea(double west, double south, double east, double north) {
        EngineDispatch map(map_.Get());
        ComPtr<IDispatch> rectangle = NewRectangle();
        EngineDispatch(rectangle.Get()).Call(EngineRectangle::kSet, {Variant(west), Variant(south), Variant(east), Variant(north)});
        SnapZoomToBackgroundMap(layers_.get(), map_.Get(), rectangle.Get(), RECT{0, 0, 640, 480});
        EngineDispatch bounds(map.Get(EngineMap::kBounds).pdispVal);
        return {bounds.Get(EngineRectangle::kXMin).ToDouble(), bounds.Get(EngineRectangle::kYMax).ToDouble()};
    }
    void Draw(CZmaVadAZBackgroundMapLayer& imagery, testsupport::DibCanvas& canvas) {
        const RECT rect = canvas.Rect();
        EXPECT_TRUE(imagery.Draw(canvas.Dc(), rect, ZmaExtent{}));
    }

    FakeServices services_;
};

TEST_F(ImageryLayer, RegistryValuesChooseTheCredentialModeServerAndDownloadMode) {
    struct Case {
        const wchar_t* credentialMode;
        long chinese;  // -1: absent
        long asynchronous;
        int mode;
        bool alternative, queued;
    } cases[] = {
        {L"Token", -1, -1, CZmaVadAZBackgroundMapLayer::kTokenMode, false, true},
        {L"token", -1, 0, CZmaVadAZBackgroundMapLayer::kTokenMode, false, false},
        {L"TOKEN", -1, 1, CZmaVadAZBackgroundMapLayer::kKeyMode, false, true},
        {L"key", 0, -1, CZmaVadAZBackgroundMapLayer::kKeyMode, false, true},
        {nullptr, 1, -1, CZmaVadAZBackgroundMapLayer::kTokenMode, true, true},  // the alternative server needs tokens
    };
    for (const Case& c : cases) {
        ClearImageryRegistry();
        if (c.credentialMode) SetImageryString(L"CredentialMode", c.credentialMode);
        if (c.chinese >= 0) SetImageryDword(L"ChineseBackgroundMap", static_cast<DWORD>(c.chinese));
        if (c.asynchronous >= 0) SetImageryDword(L"AsyncBackgroundMapEnabled", static_cast<DWORD>(c.asynchronous));
        SetImageryString(L"BingMapsCulture", L"fr-FR");
        CZmaVadAZBackgroundMapLayer* imagery = CreateImagery();
        ASSERT_TRUE(imagery);
        EXPECT_EQ(imagery->GetCredentialMode(), c.mode) << (c.credentialMode ? c.credentialMode : L"-");
        EXPECT_EQ(imagery->UsesAlternativeServer(), c.alternative);
        EXPECT_EQ(imagery->IsAsynchronous(), c.queued);
        EXPECT_EQ(imagery->GetCulture(), L"fr-FR");
    }
    // One token per process: the first layer in token mode asked for it, no later one did.
    EXPECT_EQ(services_.tokenRequests, 1);
    EXPECT_EQ(imagery::Process().clientToken, L"T0K");
    EXPECT_TRUE(Logged(L"Credential Mode is Token"));
    EXPECT_TRUE(Logged(L"Updating credential mode to use token mode as chinese flag is set."));
    // A new one replaces the old one at the bottom of the map.
    EXPECT_EQ(EngineLayerNames().back(), "Background map1");
    EXPECT_EQ(LayerNames(), std::vector<std::string>{"Background map1"});
}

TEST_F(ImageryLayer, KeyModeTilesComeFromTheTemplatesSubdomainsOnceAndThenFromTheCache) {
    services_.addressTemplate = TileServer() + L"/{subdomain}/k{quadkey}.png?g=1";
    services_.subdomains = {L"s1", L"s2"};
    CZmaVadAZBackgroundMapLayer* imagery = CreateImagery();
    ASSERT_TRUE(imagery);
    const auto corner = ShowArea(9.5, 49.8, 10.4, 50.3);
    const int level = imagery->GetZoomLevel();
    EXPECT_GT(level, 5);

    testsupport::DibCanvas canvas(640, 480);
    Draw(*imagery, canvas);
    EXPECT_EQ(services_.metadataRequests, 1);
    const std::vector<std::string> first = Requests();
    std::set<std::wstring> asked;
    std::set<std::string> subdomains;
    for (const std::string& path : first) {
        EXPECT_TRUE(asked.insert(QuadKeyOf(path)).second) << "asked twice: " << path;
        subdomains.insert(path.substr(0, 4));
    }
    EXPECT_EQ(subdomains, (std::set<std::string>{"/s1/", "/s2/"}));
    // Every pixel away from the tile borders, the attribution and the logo shows its tile.
    int checked = 0;
    for (int y = 5; y < 400; y += 23)
        for (int x = 5; x < 635; x += 29) {
            const std::wstring quadkey = QuadKeyUnder(corner.first, corner.second, level, x, y);
            // Tile edges may blend with their neighbours.
            if (QuadKeyUnder(corner.first, corner.second, level, x - 1, y - 1) != quadkey ||
                QuadKeyUnder(corner.first, corner.second, level, x + 1, y + 1) != quadkey)
                continue;
            ASSERT_TRUE(asked.count(quadkey)) << x << "," << y;
            EXPECT_EQ(canvas.Pixel(x, y), TileColour(quadkey)) << x << "," << y;
            ++checked;
        }
    EXPECT_GT(checked, 250);

    // The next frame finds every tile in the cache, under whichever subdomain it came.
    ClearRequests();
    testsupport::DibCanvas again(640, 480);
    Draw(*imagery, again);
    EXPECT_TRUE(Requests().empty());
    EXPECT_EQ(again.Pixel(320, 200), canvas.Pixel(320, 200));
    EXPECT_EQ(services_.metadataRequests, 1);
}

TEST_F(ImageryLayer, NothingIsDrawnWithoutATemplateAndAMissingTileIsAskedForAgain) {
    CZmaVadAZBackgroundMapLayer* imagery = CreateImagery();
    ASSERT_TRUE(imagery);
    ShowArea(9.5, 49.8, 10.4, 50.3);
    testsupport::DibCanvas blank(640, 480);
    Draw(*imagery, blank);
    for (POINT p : {POINT{5, 5}, POINT{320, 240}, POINT{600, 470}}) EXPECT_EQ(blank.Pixel(p.x, p.y), RGB(255, 255, 255));
    EXPECT_TRUE(LogMessages().size() > 0 && Logged(L"Failed to Load Meta Image URL And SubDomains"));

    // A template without subdomains, on a server that has no such tiles: nothing is kept.
    imagery->SetTileAddressTemplate(TileServer() + L"/missing/k{quadkey}.png");
    testsupport::DibCanvas canvas(640, 480);
    Draw(*imagery, canvas);
    const size_t asked = Requests().size();
    ASSERT_GT(asked, 0u);
    EXPECT_EQ(canvas.Pixel(320, 200), RGB(255, 255, 255));
    Draw(*imagery, canvas);
    EXPECT_EQ(Requests().size(), 2 * asked);
}

TEST_F(ImageryLayer, TheAttributionAndLogoSitInTheBottomRightCorner) {
    services_.addressTemplate = TileServer() + L"/k{quadkey}.png";
    CZmaVadAZBackgroundMapLayer* imagery = CreateImagery();
    ASSERT_TRUE(imagery);
    ShowArea(9.5, 49.8, 10.4, 50.3);
    testsupport::DibCanvas canvas(640, 480);
    Draw(*imagery, canvas);
    // White text with a grey shadow ending 9 pixels inside the corner, the logo 10 pixels above.
    int white = 0, grey = 0, logo = 0;
    for (int y = 440; y < 472; ++y)
        for (int x = 400; x < 632; ++x) {
            white += canvas.Pixel(x, y) == RGB(255, 255, 255);
            grey += canvas.Pixel(x, y) == RGB(0x80, 0x80, 0x80);
        }
    for (int y = 380; y < 460; ++y)
        for (int x = 550; x < 630; ++x) logo += canvas.Pixel(x, y) == RGB(0, 102, 204);
    EXPECT_GT(white, 40);
    EXPECT_GT(grey, 40);
    EXPECT_GT(logo, 400);
}

// A tile that the download thread fetched comes back through the control's window: its square is
// repainted, once, and only while the screen is updated.
TEST(TileResult, ATileThatArrivedRepaintsItsSquareOfTheMap) {
    ComPtr<IUnknown> unknown;
    ASSERT_EQ(platform::CreateInstanceOf<CZmaVadAZ>(IID_IUnknown, unknown.PutVoid()), S_OK);
    auto site = platform::MakeObject<testsupport::TestSite>(640, 480);
    ComPtr<IOleObject> ole;
    ASSERT_EQ(unknown->QueryInterface(IID_IOleObject, ole.PutVoid()), S_OK);
    ASSERT_EQ(ole->SetClientSite(site.Get()), S_OK);
    ComPtr<IPersistStreamInit> persist;
    ASSERT_EQ(unknown->QueryInterface(IID_IPersistStreamInit, persist.PutVoid()), S_OK);
    ASSERT_EQ(persist->InitNew(), S_OK);
    RECT r = site->Rect();
    ASSERT_EQ(ole->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, site.Get(), 0, site->Window(), &r), S_OK);
    HWND engine = ::GetWindow(site->Window(), GW_CHILD);
    ASSERT_TRUE(engine);
    // Only a shown window keeps what is to be repainted.
    ::ShowWindow(site->Window(), SW_SHOWNA);
    ComPtr<IZmaVadAZ2> control;
    ASSERT_EQ(unknown->QueryInterface(IID_IZmaVadAZ2, control.PutVoid()), S_OK);

    ComPtr<IDispatch> map;
    ASSERT_EQ(control->get_MapX(map.Put()), S_OK);
    EngineDispatch engineMap(map.Get());
    // The square to repaint, when one was asked for, and whether the map redraws again.
    auto arrive = [&](long x, long y, bool& redraws) {
        engineMap.Put(EngineMap::kAutoRedraw, Variant(false));
        ::ValidateRect(engine, nullptr);
        imagery::TileDownloadResult result;
        result.x = x;
        result.y = y;
        imagery::ResultQueue().Append(result);
        EXPECT_EQ(::SendMessageW(engine, WM_APP + 100, 0, 0), 0);
        redraws = engineMap.Get(EngineMap::kAutoRedraw).ToBool();
        RECT dirty = {};
        return ::GetUpdateRect(engine, &dirty, FALSE) ? dirty : RECT{-1, -1, -1, -1};
    };
    bool redraws = false;
    const RECT dirty = arrive(100, 50, redraws);
    EXPECT_TRUE(redraws);
    EXPECT_TRUE(dirty.left <= 100 && dirty.top <= 50 && dirty.right >= 356 && dirty.bottom >= 306);
    imagery::TileDownloadResult left;
    EXPECT_FALSE(PopDownloadResult(left)) << "one message takes one result";

    ASSERT_EQ(control->put_ScreenUpdating(VARIANT_FALSE), S_OK);
    EXPECT_EQ(arrive(10, 10, redraws).left, -1);
    EXPECT_FALSE(redraws);
    EXPECT_FALSE(PopDownloadResult(left)) << "the result is taken all the same";
    ole->Close(OLECLOSE_NOSAVE);
    ole->SetClientSite(nullptr);
}

}  // namespace
