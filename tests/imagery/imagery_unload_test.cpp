// A map released while the download thread fetches its tiles, and the library unloaded after it,
// fifty times over: the thread ends with the last map, so the library can go (the thread keeps it
// loaded while it runs), and nothing is left behind.
#include "tests/control/MapSiteFixture.h"
#include "tests/imagery/ImageryFixture.h"

#include <tlhelp32.h>

using namespace imagerytest;

namespace {

// One map in its site, opened and closed by hand.
class OneMap : public sitetest::MapSiteTest {
public:
    void Open() { SetUp(); }
    void Close() {
        TearDown();
        events_.Reset();
        map_.Reset();
        control_.Reset();
        unknown_.Reset();
        site_.Reset();
    }
    using MapSiteTest::DrawView;
    using MapSiteTest::ShowArea;

private:
    void TestBody() override {}
};

int ThreadsOfThisProcess() {
    int threads = 0;
    const HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    THREADENTRY32 entry = {sizeof entry};
    for (BOOL more = ::Thread32First(snapshot, &entry); more; more = ::Thread32Next(snapshot, &entry))
        threads += entry.th32OwnerProcessID == ::GetCurrentProcessId();
    ::CloseHandle(snapshot);
    return threads;
}

TEST(ImageryUnload, AMapReleasedWhileItsTilesDownloadEndsTheThreadAndTheLibraryUnloads) {
    ClearImageryRegistry();
    SetImageryString(L"CredentialMode", L"Token");
    SetServerOption("tile_delay_ms", "100");
    int threads = 0;
    for (int cycle = 0; cycle < 50; ++cycle) {
        // Tiles of a server path of its own: none is in the cache yet.
        SetImageryString(L"BackgroundMapTileServer", TileServer() + L"/cycle" + std::to_wstring(cycle) + L"/r%d/tiles/");
        {
            OneMap map;
            map.Open();
            map.ShowArea(9.5, 49.8, 10.4, 50.3);
            ClearRequests();
            map.DrawView();
            for (const DWORD start = ::GetTickCount(); Requests().empty() && ::GetTickCount() - start < 10000;) ::Sleep(5);
            ASSERT_FALSE(Requests().empty()) << "a download runs";
            map.Close();
        }
        ::CoFreeUnusedLibrariesEx(0, 0);
        ASSERT_EQ(::GetModuleHandleW(L"VadAZ.dll"), nullptr) << "cycle " << cycle;
        // The first cycle starts what the system keeps for downloads; later ones add nothing.
        if (cycle == 0) threads = ThreadsOfThisProcess();
        EXPECT_LE(ThreadsOfThisProcess(), threads) << "cycle " << cycle;
    }
    ClearImageryRegistry();
    ClearServerOptions();
}

}  // namespace
