// The imagery layer over the engine stand-in with tiles from the local tile server: its registry
// settings, key-mode tiles from an address template with subdomains and the URL cache, the
// download log, the control's repaint of a tile that arrived, the imagery services of the local
// server (metadata and token) and the credentials the process holds for a proxy.
// Before anything that includes windows.h.
#include <winsock2.h>

#include "ZmaVOMap2/control/ZmaVadAZ.h"
#include "ZmaVOMap2/engine/EngineDispatch.h"
#include "ZmaVOMap2/engine/EngineIds.h"
#include "ZmaVOMap2/imagery/BackgroundMapView.h"
#include "ZmaVOMap2/imagery/DownloadStatusCallback.h"
#include "ZmaVOMap2/imagery/HostAddress.h"
#include "ZmaVOMap2/imagery/ImageryProcess.h"
#include "ZmaVOMap2/imagery/ImageryResource.h"
#include "ZmaVOMap2/imagery/ImageryWebServices.h"
#include "ZmaVOMap2/imagery/TileQueues.h"
#include "ZmaVOMap2/imagery/ZmaVadAZBackgroundMapLayer.h"
#include "ZmaVOMap2/services/Logger.h"
#include "tests/imagery/ImageryFixture.h"
#include "tests/layers/LayerFixture.h"
#include "tests/support/DialogAnswerer.h"
#include "tests/support/DibCanvas.h"
#include "tests/support/TestSite.h"

#include <objbase.h>

#include <set>
#include <thread>

using platform::ComPtr;
using platform::Variant;
using namespace imagerytest;

namespace {

// The first case of the program: the download log counts its calls for the whole process.
TEST(HostAddress, TheDownloadLogNamesTheServersAddressForTheFirstTenDownloads) {
    GlobalLogger().Open(kControlLogChannel, "");
    const std::string tile = platform::ToAnsi(TileServer()) + "/tiles/r0.png";
    const std::wstring line = L"Data downloaded from IP :127.0.0.1 URL = " + platform::ToWide(tile);
    imagery::LogHostIPAddress(tile + " Error : gone", true);
    EXPECT_TRUE(Logged(L"Failed to downloaded data from IP :127.0.0.1 URL = " + platform::ToWide(tile) + L" Error : gone"));
    for (int i = 1; i <= 10; ++i) imagery::LogHostIPAddress(tile + "?n=" + std::to_string(i), false);
    EXPECT_TRUE(Logged(line + L"?n=9"));
    EXPECT_FALSE(Logged(line + L"?n=10"));
}

TEST(HostAddress, TheLocalAddressNeedsNoWinsockSessionOfTheCaller) {
    // This process has not started Winsock itself.
    const std::string address = imagery::GetLocalIPAddress();
    WSADATA data;
    ASSERT_EQ(::WSAStartup(MAKEWORD(1, 1), &data), 0);
    char name[80] = {};
    ASSERT_EQ(::gethostname(name, sizeof name), 0);
    const hostent* host = ::gethostbyname(name);
    EXPECT_EQ(address, host ? ::inet_ntoa(*reinterpret_cast<in_addr*>(host->h_addr_list[0])) : "127.0.0.1");
    EXPECT_EQ(::gethostname(name, sizeof name), 0) << "the caller's own session is still there";
    ::WSACleanup();
}

// Hands out a template on the local server and a token; counts what it was asked.
class FakeServices : public imagery::ImageryServices {
public:
    std::wstring RequestClientToken(const std::string&, int minutes) override {
        ++tokenRequests;
        return minutes == 60 ? L"T0K" : L"";
    }
    imagery::MetadataAnswer LoadMetaImageURLAndSubDomains(CZmaVadAZBackgroundMapLayer& layer) override {
        ++metadataRequests;
        if (addressTemplate.empty()) return imagery::MetadataAnswer::kFailed;
        layer.SetTileAddressTemplate(addressTemplate);
        layer.SetSubdomains(subdomains);
        return imagery::MetadataAnswer::kLoaded;
    }
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
        imagery::SetImageryServices(&imagery::WebServices());
        LayerTest::TearDown();
        ClearImageryRegistry();
        ClearServerOptions();
    }
    // A new imagery layer over a view near 50 N, 10 E snapped to its tile level.
    CZmaVadAZBackgroundMapLayer* ImageryOverAnArea() {
        EXPECT_EQ(layers_->CreateBackgroundMapLayer(), S_OK);
        CLSID rectangleClass;
        ComPtr<IDispatch> rectangle;
        ::CLSIDFromProgID(L"MapX.Rectangle.4", &rectangleClass);
        ::CoCreateInstance(rectangleClass, nullptr, CLSCTX_ALL, IID_IDispatch, rectangle.PutVoid());
        EngineDispatch(rectangle.Get()).Call(Engine::Rectangle::kSet, {Variant(9.5), Variant(49.8), Variant(10.4), Variant(50.3)});
        SnapZoomToBackgroundMap(layers_.get(), map_.Get(), rectangle.Get(), RECT{0, 0, 640, 480});
        return FindBackgroundMapLayer(layers_.get());
    }
    std::unique_ptr<testsupport::DibCanvas> Draw(CZmaVadAZBackgroundMapLayer& imagery) {
        auto canvas = std::make_unique<testsupport::DibCanvas>(640, 480);
        EXPECT_TRUE(imagery.Draw(canvas->Dc(), canvas->Rect(), ZmaExtent{}));
        return canvas;
    }

    FakeServices services_;
};

TEST_F(ImageryLayer, RegistryValuesChooseTheCredentialModeServerAndDownloadMode) {
    struct Case {
        const wchar_t* credentialMode;
        long chinese, asynchronous;  // -1: absent
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
        ASSERT_EQ(layers_->CreateBackgroundMapLayer(), S_OK);
        CZmaVadAZBackgroundMapLayer* imagery = FindBackgroundMapLayer(layers_.get());
        ASSERT_TRUE(imagery);
        EXPECT_EQ(imagery->GetCredentialMode(), c.mode) << (c.credentialMode ? c.credentialMode : L"-");
        EXPECT_EQ(imagery->UsesAlternativeServer(), c.alternative);
        EXPECT_EQ(imagery->IsAsynchronous(), c.queued);
        EXPECT_EQ(imagery->GetCulture(), L"fr-FR");
    }
    // One token per process; a new layer replaces the old one at the bottom of the map.
    EXPECT_EQ(services_.tokenRequests, 1);
    EXPECT_EQ(imagery::Process().clientToken, L"T0K");
    EXPECT_TRUE(Logged(L"Updating credential mode to use token mode as chinese flag is set."));
    EXPECT_EQ(LayerNames(), std::vector<std::string>{"Background map1"});
    EXPECT_EQ(EngineLayerNames(), std::vector<std::string>{"Background map1"});
}

TEST_F(ImageryLayer, KeyModeTilesComeFromTheTemplatesSubdomainsOnceAndThenFromTheCache) {
    services_.addressTemplate = TileServer() + L"/{subdomain}/k{quadkey}.png?g=1";
    services_.subdomains = {L"s1", L"s2"};
    CZmaVadAZBackgroundMapLayer* imagery = ImageryOverAnArea();
    ASSERT_TRUE(imagery);
    std::unique_ptr<testsupport::DibCanvas> canvas = Draw(*imagery);
    std::set<std::wstring> asked;
    std::set<std::string> subdomains;
    for (const std::string& path : Requests()) {
        EXPECT_TRUE(asked.insert(QuadKeyOf(path)).second) << "asked twice: " << path;
        subdomains.insert(path.substr(0, 4));
    }
    EXPECT_EQ(subdomains, (std::set<std::string>{"/s1/", "/s2/"}));
    // Exactly the tiles under the view, each where it belongs.
    EngineDispatch bounds(EngineDispatch(map_.Get()).Get(Engine::Map::kBounds).pdispVal);
    const double west = bounds.Get(Engine::Rectangle::kXMin).ToDouble(), north = bounds.Get(Engine::Rectangle::kYMax).ToDouble();
    std::set<std::wstring> under;
    for (int y = 0; y < 480; y += 8)
        for (int x = 0; x < 640; x += 8) {
            const std::wstring quadkey = QuadKeyUnder(west, north, imagery->GetZoomLevel(), x, y);
            under.insert(quadkey);
            const bool sampled = x % 64 == 32 && y % 64 == 32 && y < 400 &&
                                 quadkey == QuadKeyUnder(west, north, imagery->GetZoomLevel(), x + 2, y + 2);
            if (sampled) {
                EXPECT_EQ(canvas->Pixel(x, y), TileColour(quadkey)) << x << "," << y;
            }
        }
    EXPECT_EQ(asked, under);

    // The next frame finds every tile in the cache, under whichever subdomain it came.
    ClearRequests();
    EXPECT_EQ(Draw(*imagery)->Pixel(320, 200), canvas->Pixel(320, 200));
    EXPECT_TRUE(Requests().empty());
    EXPECT_EQ(services_.metadataRequests, 1);
}

TEST_F(ImageryLayer, NothingIsDrawnWithoutATemplateAndAMissingTileIsAskedForAgain) {
    CZmaVadAZBackgroundMapLayer* imagery = ImageryOverAnArea();
    ASSERT_TRUE(imagery);
    for (POINT p : {POINT{5, 5}, POINT{600, 470}}) EXPECT_EQ(Draw(*imagery)->Pixel(p.x, p.y), RGB(255, 255, 255));
    EXPECT_TRUE(Logged(L"Failed to Load Meta Image URL And SubDomains"));

    // A template without subdomains, on a server that has no such tiles: nothing is kept.
    imagery->SetTileAddressTemplate(TileServer() + L"/missing/k{quadkey}.png");
    EXPECT_EQ(Draw(*imagery)->Pixel(320, 200), RGB(255, 255, 255));
    const size_t asked = Requests().size();
    ASSERT_GT(asked, 0u);
    Draw(*imagery);
    EXPECT_EQ(Requests().size(), 2 * asked);
}

// However an address came by a control character (here a template that no service handed out,
// one address for every tile), the request code asks for nothing with it.
TEST_F(ImageryLayer, AnAddressHoldingAControlCharacterIsNeverRequested) {
    services_.addressTemplate = TileServer() + L"/k.png\r\nX-From-Template: 1";
    Draw(*ImageryOverAnArea());
    EXPECT_TRUE(RequestHeads().empty());
    const std::wstring givenUp = L"Request given up: an address holding a control character. URL = " + TileServer();
    EXPECT_GT(LinesStartingWith(givenUp + L"/k.png\\x0D\\x0AX-From-Template: 1"), 0u);
}

// A tile that the download thread fetched comes back through the control's window: the map is
// repainted over its square, once per tile and only while the screen is updated.
TEST(TileResult, ATileThatArrivedRepaintsItsSquareOfTheMap) {
    ComPtr<IUnknown> unknown;
    ASSERT_EQ(platform::CreateInstanceOf<CZmaVadAZ>(IID_IUnknown, unknown.PutVoid()), S_OK);
    auto site = platform::MakeObject<testsupport::TestSite>(640, 480);
    ComPtr<IOleObject> ole;
    ComPtr<IZmaVadAZ2> control;
    unknown->QueryInterface(IID_IOleObject, ole.PutVoid());
    unknown->QueryInterface(IID_IZmaVadAZ2, control.PutVoid());
    ASSERT_EQ(ole->SetClientSite(site.Get()), S_OK);
    ComPtr<IPersistStreamInit> persist;
    unknown->QueryInterface(IID_IPersistStreamInit, persist.PutVoid());
    ASSERT_EQ(persist->InitNew(), S_OK);
    RECT r = site->Rect();
    ASSERT_EQ(ole->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, site.Get(), 0, site->Window(), &r), S_OK);
    HWND engine = ::GetWindow(site->Window(), GW_CHILD);
    ::ShowWindow(site->Window(), SW_SHOWNA);  // only a shown window keeps what is to be repainted
    ComPtr<IDispatch> map;
    ASSERT_EQ(control->get_MapX(map.Put()), S_OK);
    EngineDispatch engineMap(map.Get());

    struct Case {
        VARIANT_BOOL screenUpdating;
        bool repainted;
    } cases[] = {{VARIANT_TRUE, true}, {VARIANT_FALSE, false}};
    for (const Case& c : cases) {
        ASSERT_EQ(control->put_ScreenUpdating(c.screenUpdating), S_OK);
        engineMap.Put(Engine::Map::kAutoRedraw, Variant(false));
        ::ValidateRect(engine, nullptr);
        imagery::TileDownloadResult result;
        result.x = 100;
        result.y = 50;
        imagery::ResultQueue().Append(result);
        EXPECT_EQ(::SendMessageW(engine, WM_APP + 100, 0, 0), 0);
        RECT dirty = {};
        const bool invalid = ::GetUpdateRect(engine, &dirty, FALSE) != FALSE;
        EXPECT_EQ(invalid && dirty.left <= 100 && dirty.top <= 50 && dirty.right >= 356 && dirty.bottom >= 306,
                  c.repainted);
        EXPECT_EQ(engineMap.Get(Engine::Map::kAutoRedraw).ToBool(), c.repainted);
        EXPECT_FALSE(PopDownloadResult(engine, result)) << "one message takes one result";
    }
    ole->Close(OLECLOSE_NOSAVE);
    ole->SetClientSite(nullptr);
}

bool EndsWith(const std::string& text, const std::string& end) {
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// The services of the local server, as the layers use them.
class ImageryServices : public ImageryLayer {
protected:
    void SetUp() override {
        ImageryLayer::SetUp();
        imagery::SetImageryServices(&imagery::WebServices());
        SetImageryDword(L"AsyncBackgroundMapEnabled", 0);
        SetImageryString(L"BackgroundMapMetadataService", TileServer() + L"/REST/v1/Imagery/Metadata/");
        SetImageryString(L"BackgroundMapTokenService", TileServer() + L"/find-30/common.asmx");
    }
    std::string Host() const { return platform::ToAnsi(TileServer()).substr(7); }
};

TEST_F(ImageryServices, KeyModeTakesTheTemplateAndSubdomainsOfTheTypeWithTheCulture) {
    const std::string key = platform::ToAnsi(imagery::kMetadataKey);
    struct Case {
        int type;
        const wchar_t* culture;
        std::vector<std::pair<const char*, const char*>> options;
        bool loaded;
        std::string path, addressTemplate, logged;
        size_t subdomains;
    } cases[] = {
        {0, L"de-DE", {}, true, "Road", "http://HOST/{subdomain}/tiles/r{quadkey}.png?g=1&mkt=de-DE", "Replacing culture string with de-DE", 3},
        {2, L"", {}, true, "AerialWithLabels", "http://HOST/{subdomain}/tiles/h{quadkey}.jpeg?g=1", "Removing culture string", 3},
        {1, L"", {{"metadata_template", "http://{host}/a{quadkey}.jpeg"}, {"metadata_subdomains", ""}}, true, "Aerial",
         "http://HOST/a{quadkey}.jpeg", "Received Meta URL : http://HOST/a{quadkey}.jpeg", 0},
        {0, L"", {{"metadata_subdomains", ""}}, false, "Road", "", "Failed to get Meta Image URL. Subdomains are empty", 0},
        {0, L"", {{"metadata_template", ""}}, false, "Road", "", "Failed to get Meta Image URL. MetaImageUrl is empty", 0},
        {1, L"", {{"metadata_status", "503"}}, false, "Aerial", "", "Soap Call failed . Status code = 503", 0},
        // Wine's request object takes no proxy credentials: nobody is asked for any.
        {1, L"", {{"metadata_status", "407"}}, false, "Aerial", "",
         "The proxy server wants credentials that this request object cannot give it", 0},
        {7, L"", {}, true, "", "", "LoadMetaImageURLAndSubDomains() called", 0},  // no such imagery: nothing asked
    };
    for (const Case& c : cases) {
        ClearServerOptions();
        for (const auto& option : c.options) SetServerOption(option.first, option.second);
        SetImageryString(L"BingMapsCulture", c.culture);
        CZmaVadAZBackgroundMapLayer* imagery = ImageryOverAnArea();
        ASSERT_TRUE(imagery);
        imagery->SetImageryType(c.type);
        ClearRequests();
        EXPECT_EQ(imagery->LoadMetaImageURLAndSubDomains(), c.loaded) << c.path;
        std::string addressTemplate = platform::ToAnsi(imagery->GetTileAddressTemplate());
        if (addressTemplate.find(Host()) != std::string::npos) addressTemplate.replace(addressTemplate.find(Host()), Host().size(), "HOST");
        EXPECT_EQ(c.loaded ? addressTemplate : "", c.addressTemplate);
        EXPECT_EQ(imagery->GetSubdomains().size(), c.subdomains);
        std::string logged = c.logged;
        if (logged.find("HOST") != std::string::npos) logged.replace(logged.find("HOST"), 4, Host());
        EXPECT_TRUE(Logged(platform::ToWide(logged))) << logged;
        const std::vector<ServedRequest> served = Served();
        if (c.path.empty()) {
            EXPECT_TRUE(served.empty());
            continue;
        }
        ASSERT_EQ(served.size(), 1u);
        EXPECT_EQ(served[0].method + " " + served[0].path, "POST /REST/v1/Imagery/Metadata/" + c.path + "?output=xml&key=" + key);
    }

    // The first case's tiles: from its subdomains, with the culture, each where it belongs.
    ClearServerOptions();
    SetImageryString(L"BingMapsCulture", L"de-DE");
    CZmaVadAZBackgroundMapLayer* imagery = ImageryOverAnArea();
    ASSERT_TRUE(imagery);
    ClearRequests();
    Draw(*imagery);
    std::set<std::string> subdomains;
    for (const std::string& path : Requests()) {
        if (path.rfind("/REST/", 0) == 0) continue;
        EXPECT_NE(path.find("/tiles/r"), std::string::npos) << path;
        EXPECT_TRUE(EndsWith(path, ".png?g=1&mkt=de-DE")) << path;
        subdomains.insert(path.substr(0, 4));
    }
    EXPECT_EQ(subdomains, (std::set<std::string>{"/t0/", "/t1/", "/t2/"}));
}

TEST_F(ImageryServices, TheTokenRequestSendsTheAccountAndTheSoapEnvelopeAndTheTokenGoesIntoTileAddresses) {
    const std::string body =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?><SOAP-ENV:Envelope"
        " xmlns:SOAP-ENV=\"http://schemas.xmlsoap.org/soap/envelope/\""
        " xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" xmlns:xsd=\"http://www.w3.org/2001/XMLSchema\""
        " xmlns:ns1=\"http://s.imagery.zemro.net/mappoint-30/\">\t<SOAP-ENV:Body>\t\t<ns1:GetClientToken>"
        "\t\t\t<ns1:specification xsi:type=\"ns1:TokenSpecification\">\t\t\t\t<ns1:ClientIPAddress>10.1.2.3"
        "</ns1:ClientIPAddress>\t\t\t\t<ns1:TokenValidityDurationMinutes>60</ns1:TokenValidityDurationMinutes>"
        "\t\t\t</ns1:specification>\t\t</ns1:GetClientToken>\t</SOAP-ENV:Body></SOAP-ENV:Envelope>";
    struct Case {
        const char* form;
        const wchar_t* path;
        const wchar_t* token;
    } cases[] = {
        {"", L"/find-30/common.asmx", L"T0K3N"},       // the result in the service's namespace
        {"plain", L"/find-30/common.asmx", L"T0K3N"},  // or in none
        {"", L"/find-30/missing.asmx", L""},
    };
    for (const Case& c : cases) {
        SetServerOption("token_form", c.form);
        SetImageryString(L"BackgroundMapTokenService", TileServer() + c.path);
        ClearRequests();
        EXPECT_EQ(imagery::RequestClientToken(imagery::kTokenAccountId, imagery::kTokenPassword, "10.1.2.3", 60), c.token);
        EXPECT_TRUE(Logged(std::wstring(L"Bing token is '") + (*c.token ? L"*****" : L"") + L"'"));
    }
    // The account goes as HTTP credentials once the service asks for them.
    ClearRequests();
    SetImageryString(L"BackgroundMapTokenService", TileServer() + L"/find-30/common.asmx");
    imagery::RequestClientToken(imagery::kTokenAccountId, imagery::kTokenPassword, "10.1.2.3", 60);
    const std::vector<ServedRequest> asked = Served();
    ASSERT_FALSE(asked.empty());
    const ServedRequest& last = asked.back();
    EXPECT_EQ(last.method + " " + last.path, "POST /find-30/common.asmx");
    EXPECT_EQ(last.headers.at("Authorization"), "Basic 482917:Hx3rtM9bo0Qy!");
    EXPECT_EQ(last.headers.at("SOAPAction"), "http://s.imagery.zemro.net/mappoint-30/GetClientToken");
    EXPECT_EQ(last.headers.at("Content-Type"), "text/xml; charset=utf-8");
    EXPECT_EQ(last.headers.at("Content-Length"), std::to_string(body.size()));
    EXPECT_EQ(last.body, body);

    // A token-mode layer asks once per process and puts the token into every tile address.
    imagery::Process().clientToken.clear();
    SetImageryString(L"CredentialMode", L"Token");
    SetImageryString(L"BackgroundMapTileServer", TileServer() + L"/r%d/tiles/");
    CZmaVadAZBackgroundMapLayer* imagery = ImageryOverAnArea();
    ASSERT_TRUE(imagery);
    EXPECT_EQ(imagery::Process().clientToken, L"T0K3N");
    ClearRequests();
    Draw(*imagery);
    const std::vector<std::string> tiles = Requests();
    ASSERT_FALSE(tiles.empty());
    for (const std::string& path : tiles) EXPECT_TRUE(EndsWith(path, "?g=138&token=T0K3N")) << path;
}

// Creates a window of the calling thread, for dialogs to be owned by.
struct OwnerWindow {
    HWND handle = ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    ~OwnerWindow() { ::DestroyWindow(handle); }
};

// Runs `work` on a thread of its own (which has no windows) and waits for it.
template <class Work>
void OnAnotherThread(Work work) {
    std::thread thread([&] {
        ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        work();
        ::CoUninitialize();
    });
    thread.join();
}

TEST(ProxyCredentials, TheyAreAskedForOnlyWithAWindowOfTheAskingThreadAndHandedOutAsLongAsHeld) {
    imagery::CDownloadStatusCallback& callback = imagery::DownloadStatusCallback();
    callback.ClearCredentials();
    OwnerWindow owner;
    testsupport::DialogAnswerer* answerer = testsupport::DialogAnswerer::Current();
    answerer->Clear();
    HWND window = nullptr;
    LPWSTR user = nullptr, password = nullptr;
    EXPECT_EQ(callback.Authenticate(nullptr, &user, &password), E_INVALIDARG);

    // Nobody to ask: no window on this thread, and the owner belongs to another thread.
    EXPECT_EQ(callback.Authenticate(&window, &user, &password), E_ACCESSDENIED);
    EXPECT_TRUE(!user && !password);
    bool asked = true;
    OnAnotherThread([&] { asked = callback.GetCredentials(owner.handle); });
    EXPECT_FALSE(asked);
    EXPECT_TRUE(answerer->Dialogs().empty());

    // A window of this thread: the user is asked.
    WorkNextDialog([](HWND d) {
        ::SetDlgItemTextW(d, IDC_PROXY_USER, L"ann");
        ::SetDlgItemTextW(d, IDC_PROXY_PASSWORD, L"s3cret");
        Press(d, IDOK);
    });
    EXPECT_TRUE(callback.GetCredentials(owner.handle));
    EXPECT_EQ(answerer->Dialogs().size(), 1u);

    // Held credentials go to every thread without a question.
    HRESULT hr = E_FAIL;
    OnAnotherThread([&] { hr = callback.Authenticate(&window, &user, &password); });
    ASSERT_EQ(hr, S_OK);
    EXPECT_EQ(std::wstring(user) + L":" + password, L"ann:s3cret");
    ::CoTaskMemFree(user);
    ::CoTaskMemFree(password);
    EXPECT_EQ(answerer->Dialogs().size(), 1u);
    callback.ClearCredentials();
}

}  // namespace
