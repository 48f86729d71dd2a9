// The imagery on a hostile network, through the control: the token account goes only to its
// service's origin (the server on 127.0.0.2 plays another host), proxy credentials only to a proxy,
// the token stays one argument of the tile addresses and out of the log, and nothing a server or
// the registry hands out writes lines into a request's head or the log. The process keeps the
// first token that came: the token's case runs first.
#include "tests/control/MapSiteFixture.h"
#include "tests/imagery/ImageryFixture.h"
#include "tests/imagery/ProxiedHttpRequest.h"
#include "tests/support/DialogAnswerer.h"
#include "tests/support/TestSupport.h"

#include <set>

using namespace imagerytest;

namespace {

constexpr int kUseProxy = 349, kProxyAddress = 350, kProxyPort = 351, kProxyUser = 346, kProxyPassword = 347;
constexpr wchar_t kInternetSettings[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";

size_t WithHeader(const std::vector<ServedRequest>& served, const char* name, const std::string& value = "") {
    size_t count = 0;
    for (const ServedRequest& request : served)
        count += request.headers.count(name) && (value.empty() || request.headers.at(name) == value);
    return count;
}

// Whether a head (as RequestHeads gives it) is one that nothing wrote lines into: a request line
// ending " HTTP/1.1", then header lines of printable text (none named "X-From-..."), each ending in CR LF.
bool WellFormedHead(std::string head) {
    const std::string lineEnd = "\\x0d\\x0a";
    for (size_t at; (at = head.find(lineEnd)) != std::string::npos;) head.replace(at, lineEnd.size(), "\n");
    const std::string requestLine = head.substr(0, head.find('\n'));
    return requestLine.size() > 9 && requestLine.compare(requestLine.size() - 9, 9, " HTTP/1.1") == 0 &&
           head.find("\\x") == std::string::npos && head.find("\nX-From-") == std::string::npos;
}

class NetworkMap : public sitetest::MapSiteTest {
protected:
    static void TearDownTestSuite() { ClearImageryRegistry(); }
    void SetUp() override {
        UseRegistry(L"Token");
        MapSiteTest::SetUp();
        ClearRequests();
    }
    void TearDown() override {
        MapSiteTest::TearDown();
        ClearServerOptions();
    }
    // Maps made from now on draw at once in `mode`, from the local server.
    static void UseRegistry(const wchar_t* mode) {
        ClearImageryRegistry();
        SetImageryDword(L"AsyncBackgroundMapEnabled", 0);
        SetImageryString(L"CredentialMode", mode);
        SetImageryString(L"BackgroundMapTileServer", TileServer() + L"/r%d/tiles/");
        SetImageryString(L"BackgroundMapMetadataService", TileServer() + L"/REST/v1/Imagery/Metadata/");
    }
    // A map of its own, which reads the imagery's registry values anew, drawn once over the area
    // from (west, south).
    void DrawNewMap(double west, double south, bool draw = true) {
        MapSiteTest::TearDown();
        ClearRequests();
        MapSiteTest::SetUp();
        ShowArea(west, south, west + 0.9, south + 0.5);
        if (draw) DrawView();
    }
};

TEST_F(NetworkMap, TheAccountGoesOnlyToItsServicesOriginAndTheTokenStaysOneArgumentOutOfTheLog) {
    const std::wstring otherHost = L"http://127.0.0.2" + TileServer().substr(TileServer().rfind(L':'));
    struct Case { const wchar_t* service; const char* option; const char* token; size_t accountSent; std::wstring logged; };
    const Case cases[] = {
        // Redirected to another host, the account stays behind, and that host's 401 fails the request.
        {L"/to2/find-30/common.asmx", "token_value", "T0K3N", 0,
         L"A server asks for credentials given for another server: none are sent. URL = " + otherHost},
        {L"/find-30/common.asmx", "token_value_escaped", "T0K3N\\r\\nX-From-Token: 1", 1,
         L"The token service answered a token holding a control character: it is refused"},
        // Redirected on its own origin, the account goes along; the token holds what ends arguments.
        {L"/to1/find-30/common.asmx", "token_value", "REL SECRETb&x=1#f+g", 1, L"Bing token is '*****'"},
    };
    for (const Case& c : cases) {
        SetServerOption(c.option, c.token);
        SetImageryString(L"BackgroundMapTokenService", TileServer() + c.service);
        DrawNewMap(9.5, 49.8, false);
        EXPECT_EQ(WithHeader(Served(), "Authorization", "Basic 482917:Hx3rtM9bo0Qy!"), c.accountSent);
        EXPECT_EQ(LinesStartingWith(c.logged), 1u) << platform::ToAnsi(c.logged);
        ClearServerOptions();
    }
    ClearRequests();
    DrawView();
    ASSERT_FALSE(Requests().empty());
    for (const std::string& path : Requests())
        EXPECT_EQ(path.substr(path.rfind('?')), "?g=138&token=REL%20SECRETb%26x=1%23f%2Bg");
    for (const std::wstring& line : LogLines())
        for (const wchar_t* secret : {L"Hx3rtM9bo0Qy!", L"SECRETb", L"x=1"})
            EXPECT_EQ(line.find(secret), std::wstring::npos) << platform::ToAnsi(line);
}

// The user answers the proxy of the settings; then servers reached without a proxy ask for proxy
// credentials (407): they get none, once per tile, and nobody is asked. The system's proxy gets them.
TEST_F(NetworkMap, TheUsersProxyCredentialsGoToAProxyAlone) {
    ProxiedHttpRequests requestObjects;
    testsupport::DialogAnswerer* answerer = testsupport::DialogAnswerer::Current();
    const std::wstring server = TileServer().substr(7), port = server.substr(server.find(L':') + 1);
    SetServerOption("proxy_credentials", "alice:s3cret");
    WorkNextDialog([port](HWND d) {
        Choose(d, kUseProxy, true);
        ::SetDlgItemTextW(d, kProxyAddress, L"127.0.0.1");
        ::SetDlgItemTextW(d, kProxyPort, port.c_str());
        Press(d, IDOK);
    });
    WorkNextDialog([](HWND d) {
        ::SetDlgItemTextW(d, kProxyUser, L"alice");
        ::SetDlgItemTextW(d, kProxyPassword, L"s3cret");
        Press(d, IDOK);
    });
    ASSERT_EQ(Control()->DisplayBackgroundMapLayerProperties(), S_OK);
    ASSERT_GT(WithHeader(Served(), "Proxy-Authorization", "Basic alice:s3cret"), 0u);

    const std::wstring refused = L"A server reached without a proxy asks for proxy credentials: none are sent. URL = ";
    SetServerOption("direct_proxy_auth", "1");
    WorkNextDialog([](HWND d) { Choose(d, kUseProxy, false); Press(d, IDOK); });
    answerer->Clear();
    ClearRequests();
    ASSERT_EQ(Control()->DisplayBackgroundMapLayerProperties(), S_OK);  // asks the metadata service again
    ShowArea(2.0, 48.6, 2.9, 49.1);
    DrawView();
    std::multiset<std::wstring> asked;  // the tiles, as often as each was asked for
    for (const std::string& path : Requests())
        if (path.find("/REST/") == std::string::npos) asked.insert(QuadKeyOf(path));
    ASSERT_FALSE(asked.empty());
    EXPECT_EQ(std::set<std::wstring>(asked.begin(), asked.end()).size(), asked.size());
    EXPECT_EQ(LinesStartingWith(refused), 1 + asked.size());
    EXPECT_EQ(answerer->Dialogs().size(), 1u) << "the properties alone";
    EXPECT_EQ(WithHeader(Served(), "Proxy-Authorization"), 0u);

    testsupport::WriteDword(HKEY_CURRENT_USER, kInternetSettings, L"ProxyEnable", 1);
    testsupport::WriteString(HKEY_CURRENT_USER, kInternetSettings, L"ProxyServer", server);
    ClearServerOptions();
    SetServerOption("proxy_credentials", "alice:s3cret");
    ShowArea(-75.5, 39.8, -74.6, 40.3);
    ClearRequests();
    DrawView();
    testsupport::WriteDword(HKEY_CURRENT_USER, kInternetSettings, L"ProxyEnable", 0);
    for (const ServedRequest& request : Served()) EXPECT_EQ(request.path.rfind("http://", 0), 0u) << request.path;
    EXPECT_GT(WithHeader(Served(), "Proxy-Authorization", "Basic alice:s3cret"), 0u);
    EXPECT_EQ(answerer->Dialogs().size(), 1u);
}

// Each case puts a control character where the network or the registry hands out a piece of a
// tile address: the servers receive only heads that nothing wrote lines into, and the log tells
// what was refused, escaped, with no line of the server's making and no credential.
TEST_F(NetworkMap, NothingFromTheNetworkOrTheRegistryWritesLinesIntoARequestsHeadOrTheLog) {
    const std::wstring host = TileServer().substr(7);
    struct Case { const wchar_t* mode; const char* option; const char* value; const wchar_t* registryName;
                  std::wstring registryValue, logged; };
    const Case cases[] = {
        {L"Key", "metadata_template", "http://{host}/{subdomain}/k{quadkey}.png?key=TPLKEY1&token=TPL TOKEN2#f&g=1",
         nullptr, L"", L"Received Meta URL : http://" + host + L"/{subdomain}/k{quadkey}.png?key=*****&token=*****#f&g=1"},
        {L"Key", "metadata_template_escaped", "http://{host}/{subdomain}/k{quadkey}.png?key=TPLKEY1\\n|40000|FORGED LOG",
         nullptr, L"", L"Refused Meta URL holding a control character : http://" + host + L"/{subdomain}/k{quadkey}.png?key=*****"},
        // The subdomain that is left serves the tiles.
        {L"Key", "metadata_subdomains_escaped", "t0\\r\\n|40000|FORGED LOG,t1", nullptr, L"",
         L"Refused subdomain holding a control character : t0\\x0D\\x0A|40000|FORGED LOG"},
        {L"Token", "", "", L"BingMapsCulture", L"de\r\nX-From-Culture: 1",
         L"Refused BingMapsCulture holding a control character : de\\x0D\\x0AX-From-Culture: 1"},
        {L"Token", "", "", L"BackgroundMapTileServer", TileServer() + L"/r%d/\nX-From-Server: 1/",
         L"Refused BackgroundMapTileServer holding a control character : " + TileServer() + L"/r%d/\\x0AX-From-Server: 1/"},
        {L"Token", "", "", L"BackgroundMapTileServer", TileServer() + L"/crlocation/r%d/tiles/",
         L"Request given up: a redirect to an address holding a control character"},
        {L"Token", "", "", L"BackgroundMapTileServer", TileServer() + L"/dellocation/r%d/tiles/",
         L"Request given up: a redirect to an address holding a control character"},
    };
    double west = 12.0;
    for (const Case& c : cases) {
        UseRegistry(c.mode);
        if (*c.option) SetServerOption(c.option, c.value);
        if (c.registryName) SetImageryString(c.registryName, c.registryValue);
        const size_t logged = LinesStartingWith(c.logged);
        // A map on the default tile servers is not drawn.
        DrawNewMap(west += 1.0, 41.7, c.registryValue.find(L"X-From-Server") == std::wstring::npos);
        EXPECT_GT(LinesStartingWith(c.logged), logged) << platform::ToAnsi(c.logged);
        for (const std::string& head : RequestHeads()) EXPECT_TRUE(WellFormedHead(head)) << head;
        const bool fromT1Alone = std::string(c.value).find(",t1") != std::string::npos;
        for (const std::string& path : Requests())
            EXPECT_TRUE(!fromT1Alone || path.rfind("/REST/", 0) == 0 || path.rfind("/t1/", 0) == 0) << path;
        ClearServerOptions();
    }
    for (const std::wstring& line : LogLines()) {
        EXPECT_TRUE(line.find(L"FORGED") == std::wstring::npos || line.find_first_of(L"\r\n") == std::wstring::npos);
        for (const wchar_t* secret : {L"TPLKEY1", L"TOKEN2"}) EXPECT_EQ(line.find(secret), std::wstring::npos);
    }
}

}  // namespace
