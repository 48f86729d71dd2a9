// Shown maps that nobody moves, over tile servers that answer what no map can draw, in token and
// key mode, fetching in the background or at once: each draws a bounded number of frames, asks for
// a tile at most twice in a view, keeps none and leaves its host idle. Addresses past their bound
// are refused; a frame that fetches at once waits one tile request's time in all. The token is
// the process's: the cases with a token of their own run as parts of their own.
#include "tests/control/MapSiteFixture.h"
#include "tests/imagery/ImageryFixture.h"
#include "tests/support/TestSupport.h"
#include "tests/support/Watchdog.h"

#include <wininet.h>

#include <map>

using namespace imagerytest;

namespace {

constexpr size_t kAttemptsPerTile = 2;  // once, and once again after a failure
constexpr size_t kMostFrames = 20;       // "a few dozen at most" after the first

class ShownMap : public sitetest::MapSiteTest {
public:
    explicit ShownMap(double west = 9.5) {
        SetUp();
        ShowArea(west, 49.8, west + 0.9, 50.3);
        ::ShowWindow(site_->Window(), SW_SHOWNA);
    }
    ~ShownMap() override { TearDown(); }
    using MapSiteTest::DrawView;
    using MapSiteTest::ShowArea;

private:
    void TestBody() override {}
};

struct Mode { const char* name; bool key; DWORD asynchronous; };
const Mode kModes[] = {{"token, async", false, 1}, {"token, sync", false, 0}, {"key, async", true, 1}, {"key, sync", true, 0}};

// The paths of the tile requests by quadkey, without those of the metadata and token services.
std::map<std::wstring, std::vector<std::string>> TileRequests() {
    std::map<std::wstring, std::vector<std::string>> tiles;
    for (const std::string& path : Requests())
        if (path.find("/REST/") == std::string::npos && path.find("/find-30/") == std::string::npos)
            tiles[QuadKeyOf(path)].push_back(path);
    return tiles;
}

bool Cached(const std::string& path) {
    DWORD size = 0;
    return ::GetUrlCacheEntryInfoW((TileServer() + platform::ToWide(path)).c_str(), nullptr, &size) ||
           ::GetLastError() == ERROR_INSUFFICIENT_BUFFER;
}

// Tiles from a path of the case's own (nothing of it is cached), in key mode through the local
// metadata service's template; with `token`, the local token service's.
void Configure(const Mode& mode, const std::string& path, bool token = false) {
    ClearImageryRegistry();
    ClearServerOptions();
    SetImageryDword(L"AsyncBackgroundMapEnabled", mode.asynchronous);
    SetImageryString(L"CredentialMode", mode.key ? L"Key" : L"Token");
    SetImageryString(L"BackgroundMapMetadataService", TileServer() + L"/REST/v1/Imagery/Metadata/");
    if (token) SetImageryString(L"BackgroundMapTokenService", TileServer() + L"/find-30/common.asmx");
    SetServerOption("metadata_template", "http://{host}" + path + "/{subdomain}/r{quadkey}.png?g=1");
    SetImageryString(L"BackgroundMapTileServer", TileServer() + platform::ToWide(path) + L"/r%d/tiles/");
}

// Opens a shown map and runs its host's loop until it has had neither a message nor a request to
// the server for a second: true, with the frames drawn, when that came within 20 s.
bool SettlesIdle(size_t& frames) {
    ClearRequests();
    testsupport::ClearHostLog();
    testsupport::Watchdog watchdog(60000);
    watchdog.Arm("an unmoved map");
    ShownMap map;
    size_t heard = 0;
    for (DWORD start = ::GetTickCount(), quiet = start; ::GetTickCount() - quiet < 1000; ::Sleep(10)) {
        if (::GetTickCount() - start > 20000) return false;
        MSG msg;
        bool busy = Requests().size() != heard;
        heard = Requests().size();
        for (DWORD round = ::GetTickCount(); ::GetTickCount() - round < 100 && ::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE);) {
            ::DispatchMessageW(&msg);
            busy = true;
        }
        if (busy) quiet = ::GetTickCount();
    }
    frames = LinesStartingWith(L"RenderData called");
    return true;
}

// An unmoved map goes idle after a bounded number of frames, having asked for each tile at most
// twice; with `failure`, the line the log has for each request, no tile is kept.
void ExpectBounded(const std::string& what, const wchar_t* failure = nullptr) {
    size_t frames = 0;
    EXPECT_TRUE(SettlesIdle(frames)) << what;
    EXPECT_LE(frames, 1 + kMostFrames) << what;
    ASSERT_FALSE(TileRequests().empty()) << what;
    size_t requests = 0;
    for (const auto& tile : TileRequests()) {
        EXPECT_LE(tile.second.size(), kAttemptsPerTile) << what;
        for (const std::string& path : tile.second) EXPECT_FALSE(failure && Cached(path)) << what << ": " << path;
        requests += tile.second.size();
    }
    // The thread's lines are written by the time its map goes.
    if (failure) {
        EXPECT_EQ(LinesStartingWith(failure), requests) << what;
    }
}

TEST(UnmovedMap, DrawsBoundedFramesKeepsNoTileAndGoesIdleWhateverTheTileServerAnswers) {
    const wchar_t* const notKept = L"Tile not kept: an answer of ";
    const wchar_t* const cutShort = L"Request given up: an answer that ended after ";
    // tile_server.py's "tile_answer" (or a template of one address), and the line logged by each request
    const struct { const char* answer; const wchar_t* failure; } answers[] = {
        {"half_png", notKept}, {"giant_png", notKept}, {"random", notKept}, {"html", notKept},
        {"empty", L"Tile not kept: an answer of 0 bytes"}, {"short_body", cutShort}, {"short_after_tile", cutShort},
        {"missing", L"Tile not kept: the server answered 404."}, {"one address", nullptr}};
    int n = 0;
    for (const Mode& mode : kModes)
        for (const auto& answer : answers) {
            const bool missing = std::string(answer.answer) == "missing";  // its tiles' addresses answer 404
            const std::string path = std::string("/flow/") + (missing ? "missing/" : "") + std::to_string(++n);
            if (!answer.failure && !mode.key) continue;  // a template is key mode's
            Configure(mode, path);
            if (!answer.failure)
                SetServerOption("metadata_template", "http://{host}" + path + "/r0231.png");
            else if (!missing)
                SetServerOption("tile_answer", answer.answer);
            ExpectBounded(std::string(mode.name) + ", " + answer.answer, answer.failure);
        }
}

TEST(UnmovedMap, AFailedTileIsAskedForAgainOnceInAViewAndAgainInTheNext) {
    for (const Mode& mode : {kModes[1], kModes[3]}) {
        Configure(mode, std::string("/flow/again/") + (mode.key ? "key" : "token"));
        SetServerOption("tile_answer", "html");
        ShownMap map(2.0);
        ClearRequests();
        for (int frame = 0; frame < 4; ++frame) map.DrawView();
        ASSERT_FALSE(TileRequests().empty()) << mode.name;
        for (const auto& tile : TileRequests()) EXPECT_EQ(tile.second.size(), kAttemptsPerTile) << mode.name;
        // The server recovered: a pan shows its tiles.
        ClearServerOptions();
        ClearRequests();
        map.ShowArea(2.1, 49.8, 3.0, 50.3);
        map.DrawView();
        EXPECT_FALSE(TileRequests().empty()) << mode.name;
        ClearRequests();
        map.DrawView();
        EXPECT_TRUE(TileRequests().empty()) << mode.name << ": every tile came";
    }
}

TEST(UnmovedMap, AFrameThatFetchesAtOnceWaitsForItsTilesOneRequestsTimeInAll) {
    const std::pair<const char*, const char*> servers[] = {{"hostile", "stall"}, {"hostile", "slow"}, {"tile_answer", "mute"}};
    int n = 0;
    for (const auto& server : servers) {
        Configure(kModes[1], "/flow/budget" + std::to_string(++n));
        SetServerOption(server.first, server.second);
        ShownMap map(2.0);
        ClearRequests();
        const DWORD start = ::GetTickCount();
        map.DrawView();
        EXPECT_LT(::GetTickCount() - start, 9000u) << server.second;
        EXPECT_EQ(Requests().size(), 1u) << server.second << ": the first tile took the frame's time";
        EXPECT_TRUE(LinesStartingWith(L"The frame's time for tiles ran out: ")) << server.second;
        // Mended, the server's tiles all come in the next frame.
        ClearServerOptions();
        map.DrawView();
        ClearRequests();
        map.DrawView();
        EXPECT_TRUE(Requests().empty()) << server.second << ": every tile came";
    }
}

// A template or a token that makes every tile address longer than 2 083 characters.
void ExpectAddressesRefused(bool key, const char* option, const std::string& value) {
    for (const Mode& mode : kModes) {
        if (mode.key != key) continue;
        Configure(mode, "/flow/long", true);
        SetServerOption(option, value);
        size_t frames = 0;
        EXPECT_TRUE(SettlesIdle(frames)) << mode.name;
        EXPECT_TRUE(TileRequests().empty()) << mode.name;
        EXPECT_EQ(LinesStartingWith(L"Tile addresses of "), 1u) << mode.name;
        // What the server sent is logged no longer than the longest address, and says its length.
        for (const std::wstring& line : LogLines()) EXPECT_LE(line.size(), 2200u) << mode.name;
    }
}

TEST(UnmovedMap, AddressesOfATemplatePastTheirBoundAreRefusedOnce) {
    ExpectAddressesRefused(true, "metadata_template", "http://{host}/" + std::string(300000, 'x') + "/r{quadkey}.png");
}

TEST(LongToken, AddressesPastTheirBoundAreRefusedOnce) {
    ExpectAddressesRefused(false, "token_value", std::string(100000, 'T'));
}

// The process's token holds a blank: the server refuses every tile address.
TEST(TokenWithBlanks, AnUnmovedMapDrawsBoundedFramesAndGoesIdle) {
    for (const Mode& mode : {kModes[0], kModes[1]}) {
        Configure(mode, std::string("/flow/blank/") + (mode.asynchronous ? "async" : "sync"), true);
        SetServerOption("token_value", "T0K EN");
        SetServerOption("tile_answer", "refuse_blank_token");
        ExpectBounded(mode.name);
    }
}

}  // namespace
