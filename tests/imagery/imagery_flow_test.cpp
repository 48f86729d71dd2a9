// Shown maps that nobody moves, over tile servers that answer what no map can draw, in token and
// key mode, downloading asynchronously or at once: each draws a bounded number of frames, asks for
// a tile at most twice in a view and leaves its host's loop idle. Tile addresses past their bound
// are refused; a frame that fetches at once waits for its tiles one tile request's time in all.
// The token is the process's: the cases with a token of their own run as parts of their own.
#include "tests/control/MapSiteFixture.h"
#include "tests/imagery/ImageryFixture.h"
#include "tests/support/TestSupport.h"
#include "tests/support/Watchdog.h"

#include <wininet.h>

#include <map>

using namespace imagerytest;

namespace {

constexpr int kAttemptsPerTile = 2;  // once, and once again after a failure
constexpr size_t kMostFrames = 20;   // "a few dozen at most" after the first

class ShownMap : public sitetest::MapSiteTest {
public:
    explicit ShownMap(double west = 9.5) {
        SetUp();
        ShowArea(west, 49.8, west + 0.9, 50.3);
        ::ShowWindow(site_->Window(), SW_SHOWNA);
    }
    ~ShownMap() override { TearDown(); }
    using MapSiteTest::DrawView;
    using MapSiteTest::kHeight;
    using MapSiteTest::kWidth;
    using MapSiteTest::Pixel;
    using MapSiteTest::ShowArea;

private:
    void TestBody() override {}
};

struct Mode {
    const char* name;
    bool key;
    DWORD asynchronous;
};
const Mode kModes[] = {{"token, async", false, 1}, {"token, sync", false, 0}, {"key, async", true, 1}, {"key, sync", true, 0}};

size_t LinesStartingWith(const std::wstring& start) {
    size_t lines = 0;
    for (const std::wstring& line : LogLines()) lines += line.rfind(start, 0) == 0;
    return lines;
}

// Requests for tiles, by tile, without those of the metadata and token services.
std::map<std::wstring, int> TileRequests() {
    std::map<std::wstring, int> tiles;
    for (const std::string& path : Requests())
        if (path.find("/REST/") == std::string::npos && path.find("/find-30/") == std::string::npos) ++tiles[QuadKeyOf(path)];
    return tiles;
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

// Opens a shown map and runs its host's loop until neither a message came nor the server was
// asked anything for a second; false when that did not happen within 20 s. `frames` counts them.
bool SettlesIdle(size_t& frames) {
    ClearRequests();
    testsupport::ClearHostLog();
    testsupport::Watchdog watchdog(60000);
    watchdog.Arm("an unmoved map");
    ShownMap map;
    size_t heard = 0;
    bool idle = false;
    for (DWORD start = ::GetTickCount(), quiet = start; !idle && ::GetTickCount() - start < 20000; ::Sleep(10)) {
        MSG msg;
        bool busy = false;
        for (DWORD round = ::GetTickCount(); ::GetTickCount() - round < 100 && ::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE);) {
            ::DispatchMessageW(&msg);
            busy = true;
        }
        if (busy || Requests().size() != heard) {
            heard = Requests().size();
            quiet = ::GetTickCount();
        }
        idle = ::GetTickCount() - quiet >= 1000;
    }
    frames = LinesStartingWith(L"RenderData called");
    return idle;
}

void ExpectBounded(const std::string& what) {
    size_t frames = 0;
    EXPECT_TRUE(SettlesIdle(frames)) << what;
    EXPECT_LE(frames, 1 + kMostFrames) << what;
    EXPECT_FALSE(TileRequests().empty()) << what;
    for (const auto& tile : TileRequests()) EXPECT_LE(tile.second, kAttemptsPerTile) << what;
}

TEST(UnmovedMap, DrawsBoundedFramesAndGoesIdleWhateverTheTileServerAnswers) {
    const struct {
        const char* answer;      // tile_server.py's "tile_answer", or a template of one address
        const wchar_t* logged;   // by each request
    } answers[] = {{"half_png", L"Tile not kept: an answer of "}, {"giant_png", L"Tile not kept: an answer of "},
                   {"short_body", L"Request given up: an answer that ended after "},
                   {"random", L"Tile not kept: an answer of "}, {"html", L"Tile not kept: an answer of "},
                   {"empty", L"Tile not kept: an answer of 0 bytes"}, {"one address", nullptr}};
    int n = 0;
    for (const Mode& mode : kModes)
        for (const auto& answer : answers) {
            const std::string what = std::string(mode.name) + ", " + answer.answer, path = "/flow/" + std::to_string(++n);
            Configure(mode, path);
            if (answer.logged) SetServerOption("tile_answer", answer.answer);
            if (!answer.logged && !mode.key) continue;
            if (!answer.logged) SetServerOption("metadata_template", "http://{host}" + path + "/r0231.png");
            ExpectBounded(what);
            size_t requests = 0;
            for (const auto& tile : TileRequests()) requests += tile.second;
            // The thread's lines are written by the time its map goes.
            if (answer.logged) {
                EXPECT_EQ(LinesStartingWith(answer.logged), requests) << what;
            }
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
        for (const auto& tile : TileRequests()) EXPECT_EQ(tile.second, kAttemptsPerTile) << mode.name;
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

// The whole tile, of an answer that announced 1000 bytes more: no tile.
TEST(UnmovedMap, AnAnswerCutShortIsNeitherCachedNorDrawn) {
    Configure(kModes[1], "/flow/short");
    SetServerOption("tile_answer", "short_after_tile");
    testsupport::ClearHostLog();
    ShownMap map(2.0);
    ClearRequests();
    map.DrawView();
    const std::vector<std::string> asked = Requests();
    ASSERT_FALSE(asked.empty());
    int drawn = 0;
    for (const std::string& path : asked) {
        DWORD size = 0;
        const bool cached = ::GetUrlCacheEntryInfoW((TileServer() + platform::ToWide(path)).c_str(), nullptr, &size) ||
                            ::GetLastError() == ERROR_INSUFFICIENT_BUFFER;
        EXPECT_FALSE(cached) << path;
        for (int y = 0; y < ShownMap::kHeight; y += 10)
            for (int x = 0; x < ShownMap::kWidth; x += 10) drawn += map.Pixel(x, y) == TileColour(QuadKeyOf(path));
    }
    EXPECT_EQ(drawn, 0);
    EXPECT_EQ(LinesStartingWith(L"Request given up: an answer that ended after "), asked.size());
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
