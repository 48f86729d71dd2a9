// Tile arithmetic and tile addresses, as facts about the web map tiling; the tile queues between
// the drawing and the download thread; credentials kept out of logged addresses.
#include "ZmaVOMap2/imagery/ImageryLog.h"
#include "ZmaVOMap2/imagery/TileAddress.h"
#include "ZmaVOMap2/imagery/TileMath.h"
#include "ZmaVOMap2/imagery/TileQueues.h"
#include "platform/UniqueHandle.h"

#include <gtest/gtest.h>

#include <winerror.h>

using namespace imagery;

namespace {

TEST(TileMath, GroundResolutionHalvesWithEachLevelFromTheEquatorsLength) {
    EXPECT_NEAR(GroundResolution(1), 78271.517, 1e-3);
    EXPECT_NEAR(GroundResolution(11), 76.437, 1e-3);
    EXPECT_NEAR(GroundResolution(23), 0.018661, 1e-6);
    for (int z = 2; z <= 23; ++z) EXPECT_DOUBLE_EQ(GroundResolution(z) * 2.0, GroundResolution(z - 1));
}

TEST(TileMath, TheLevelIsTheMostDetailedThatCoversTheViewAndTheViewGrowsToItsScale) {
    struct Case {
        long pixels;
        double metres;
        bool chosen;
        int level;
        double growth;
    } cases[] = {
        {1000, 55660.0, true, 11, 0.3696},        // about half a degree of longitude
        {256, 40075016.686, true, 1, -0.495},     // wider than the world at level 1: shrinks
        {512, 40075016.686 * 4, true, 1, -0.7425},
        {1000, 0.0, false, 0, 0.0},               // a collapsed rectangle keeps the level
        {0, 55660.0, false, 0, 0.0},              // so does a window without width
    };
    for (const Case& c : cases) {
        ZoomChoice choice;
        choice.level = 0;
        EXPECT_EQ(ChooseZoomLevel(c.pixels, c.metres, choice), c.chosen) << c.pixels << " px, " << c.metres << " m";
        EXPECT_EQ(choice.level, c.level);
        EXPECT_NEAR(choice.growth, c.growth, 1e-4);
    }
}

TEST(TileMath, QuadKeysInterleaveTheBitsOfTheTileNumbers) {
    EXPECT_EQ(TileXYToQuadKey(3, 3, 5).key, L"213");
    EXPECT_EQ(TileXYToQuadKey(1, 0, 0).key, L"0");
    EXPECT_EQ(TileXYToQuadKey(2, 3, 3).key, L"33");
    EXPECT_EQ(TileXYToQuadKey(0, 1, 1).key, L"");
    EXPECT_EQ(TileXYToQuadKey(23, (1 << 23) - 1, 0).key, std::wstring(23, L'1'));
}

TEST(TileMath, TheGridStartsAtTheTileUnderTheNorthWestCornerInsideTheWorld) {
    struct Case {
        double west, north;
        int level;
        long firstX, firstY, offsetX, offsetY;
    } cases[] = {
        {-180.0, 85.05112878, 2, 0, 0, 0, 0},
        {-180.0, 89.9, 2, 0, 0, 0, 0},     // north of the tiling: the grid starts at its edge
        {0.0, 0.0, 1, 1, 1, 0, 0},
        {-135.0, 85.05112878, 2, 0, 0, -128, 0},
        {-190.0, 85.05112878, 2, -1, 0, -227, 0},  // west of the date line: the tile west of tile 0
    };
    for (const Case& c : cases) {
        const TileGrid grid = MakeTileGrid(c.west, c.north, c.level);
        EXPECT_EQ(grid.firstX, c.firstX) << c.west << ", " << c.north;
        EXPECT_EQ(grid.firstY, c.firstY) << c.west << ", " << c.north;
        EXPECT_EQ(grid.offsetX, c.offsetX) << c.west << ", " << c.north;
        EXPECT_EQ(grid.offsetY, c.offsetY) << c.west << ", " << c.north;
    }
    // Columns beyond the date line wrap; rows beyond the poles have no tile.
    int x = 0, y = 0;
    ASSERT_TRUE(WorldTile(2, -1, 0, x, y));
    EXPECT_EQ(x, 3);
    ASSERT_TRUE(WorldTile(2, 9, 3, x, y));
    EXPECT_EQ(x, 1);
    EXPECT_FALSE(WorldTile(2, 0, 4, x, y));
    EXPECT_FALSE(WorldTile(2, 0, -1, x, y));
}

TEST(TileAddresses, TokenModeAddressesNameTheServerTypeCultureAndToken) {
    TokenAddressParts road;
    road.tileServer = L"http://r%d.tiles.test/tiles/";
    road.alternativeTileServer = L"http://r2.alt.test/tiles/";
    TokenAddressParts aerial = road;
    aerial.imageryType = kAerial;
    aerial.culture = L"de-DE";
    aerial.token = L"T0K";
    TokenAddressParts labels = road;
    labels.imageryType = kAerialWithLabels;
    labels.token = L"T0K";
    TokenAddressParts alternative = road;
    alternative.alternativeServer = true;
    TokenAddressParts alternativeAerial = aerial;
    alternativeAerial.alternativeServer = true;
    struct Case {
        const TokenAddressParts& parts;
        int server;
        const wchar_t* address;
    } cases[] = {
        {road, 0, L"http://r0.tiles.test/tiles/r0123.png?g=138"},
        {aerial, 3, L"http://r3.tiles.test/tiles/a0123.jpeg?g=138&mkt=de-DE&token=T0K"},
        {labels, 1, L"http://r1.tiles.test/tiles/h0123.jpeg?g=138&token=T0K"},
        {alternative, 2, L"http://r2.alt.test/tiles/r0123.png?g=66"},
        {alternativeAerial, 2, L"http://r2.tiles.test/tiles/a0123.jpeg?g=138&mkt=de-DE&token=T0K"},
    };
    for (const Case& c : cases) EXPECT_EQ(TokenTileAddress(c.parts, L"0123", c.server), c.address);
}

TEST(TileAddresses, KeyModeFillsBothPlacesWhereverTheyStand) {
    struct Case {
        const wchar_t* addressTemplate;
        const wchar_t* address;
    } cases[] = {
        {L"http://{subdomain}.t.test/tiles/r{quadkey}.png?g=1", L"http://t2.t.test/tiles/r0231.png?g=1"},
        {L"http://t.test/tiles/r{quadkey}.png?sub={subdomain}&g=1", L"http://t.test/tiles/r0231.png?sub=t2&g=1"},
        {L"http://t.test/tiles/r{quadkey}.png", L"http://t.test/tiles/r0231.png"},
    };
    for (const Case& c : cases) EXPECT_EQ(KeyTileAddress(c.addressTemplate, L"0231", L"t2"), c.address);
    EXPECT_FALSE(HasSubdomainPlace(L"http://t.test/tiles/r{quadkey}.png"));
    EXPECT_EQ(AlternativeKeyTileAddress(L"http://r2.alt.test/tiles/", L"0231"), L"http://r2.alt.test/tiles/r0231.png?g=77");
}

TEST(TileAddresses, AFailureIsNamedByTheSystemsTextOrItsCode) {
    EXPECT_EQ(HResultMessage(E_OUTOFMEMORY).find(L"\r\n"), std::wstring::npos);
    EXPECT_FALSE(HResultMessage(E_OUTOFMEMORY).empty());
    EXPECT_EQ(HResultMessage(static_cast<HRESULT>(0x80040205)), L"IDispatch error #5");
    EXPECT_EQ(HResultMessage(static_cast<HRESULT>(0x80040200)), L"Unknown error 0x80040200");
    EXPECT_EQ(HResultMessage(static_cast<HRESULT>(0xA00B1234)), L"Unknown error 0xA00B1234");
}

TEST(TileQueues, BothHandOutTheNewestFirstAndRequestsGoByLayerOrAllAtOnce) {
    const auto* a = reinterpret_cast<const CZmaVadAZBackgroundMapLayer*>(0x10);
    const auto* b = reinterpret_cast<const CZmaVadAZBackgroundMapLayer*>(0x20);
    CTileRequestQueue requests;
    for (long i = 1; i <= 5; ++i) requests.Append({nullptr, i % 2 ? a : b, i, 0, 0, std::wstring(i == 5 ? 3000 : 1, L'x')});
    requests.RemoveLayer(b);
    std::vector<long> taken;
    for (TileDownloadRequest r; requests.TakeNewest(r);) {
        taken.push_back(r.generation);
        EXPECT_EQ(r.address.size(), r.generation == 5 ? kMaxQueuedAddress : 1u);
    }
    EXPECT_EQ(taken, (std::vector<long>{5, 3, 1}));

    requests.Append({nullptr, a, 6, 0, 0, L"x"});
    requests.Append({nullptr, b, 7, 0, 0, L"x"});
    requests.Clear();
    EXPECT_TRUE(requests.IsEmpty());

    CTileResultQueue results;
    for (long i = 1; i <= 3; ++i) results.Append({nullptr, a, i, 0, 0, L"f"});
    TileDownloadResult result;
    ASSERT_TRUE(results.TakeNewest(nullptr, result));
    EXPECT_EQ(result.generation, 3);
    results.Clear();
    EXPECT_FALSE(results.TakeNewest(nullptr, result));
}

TEST(TileQueues, TheWakeIsClearedOnlyWhenNoRequestWaits) {
    platform::UniqueHandleKernel wake(::CreateEventW(nullptr, TRUE, TRUE, nullptr));
    CTileRequestQueue requests;
    requests.Append({nullptr, nullptr, 1, 0, 0, L"x"});
    requests.ResetWhenEmpty(wake.Get());
    EXPECT_EQ(::WaitForSingleObject(wake.Get(), 0), WAIT_OBJECT_0);
    requests.Clear();
    requests.ResetWhenEmpty(wake.Get());
    EXPECT_EQ(::WaitForSingleObject(wake.Get(), 0), static_cast<DWORD>(WAIT_TIMEOUT));
}

TEST(LogText, CredentialsInAddressesAreHidden) {
    struct Case {
        const char* text;
        const char* logged;
    } cases[] = {
        {"http://r0.t.test/tiles/r01.png?g=138&token=T0K", "http://r0.t.test/tiles/r01.png?g=138&token=*****"},
        {"http://m.test/Road?output=xml&key=K3Y Error : gone", "http://m.test/Road?output=xml&key=***** Error : gone"},
        {"http://m.test/x?key=K&token=T&monkey=m", "http://m.test/x?key=*****&token=*****&monkey=m"},
        {"http://m.test/x?token=&g=1", "http://m.test/x?token=&g=1"},
    };
    for (const Case& c : cases) EXPECT_EQ(WithoutCredentials(c.text), c.logged);
}

}  // namespace
