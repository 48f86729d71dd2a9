// Maps that come and go with the library and its download thread: a map released while the thread
// fetches its tiles, and the unused libraries freed after it, fifty times over (the thread ends with
// the last map, so nothing of the library is left in use, and nothing is left behind); a map released while its tile
// trickles or stalls, or is held for half a minute (released, destroyed or going last, back at
// once); two maps whose tiles arrive together; and the first settings a freshly loaded library reads
// (in a process of its own, which loads the library for them).
#include "tests/control/MapSiteFixture.h"
#include "tests/imagery/ImageryFixture.h"
#include "tests/imagery/ImagerySettings.h"
#include "tests/support/TestSupport.h"
#include "tests/support/Watchdog.h"

#include "platform/Xml.h"

#include <psapi.h>
#include <tlhelp32.h>
#include <winternl.h>

#include <cmath>
#include <set>
#include <tuple>

using platform::Bstr;
using platform::ComPtr;
using platform::Variant;
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
    using MapSiteTest::kHeight;
    using MapSiteTest::kWidth;
    using MapSiteTest::Control;
    using MapSiteTest::DrawView;
    using MapSiteTest::EngineWindow;
    using MapSiteTest::Map;
    using MapSiteTest::ShowArea;
    // Shown, as a host's form is: what is invalidated waits to be repainted.
    void Show() { ::ShowWindow(site_->Window(), SW_SHOWNA); }
    // Opens the map over a view whose tiles the download thread fetches; true once the server
    // was asked for one.
    bool OpenDownloading() {
        Open();
        ShowArea(9.5, 49.8, 10.4, 50.3);
        ClearRequests();
        DrawView();
        for (const DWORD start = ::GetTickCount(); Requests().empty() && ::GetTickCount() - start < 10000;) ::Sleep(5);
        return !Requests().empty();
    }

private:
    void TestBody() override {}
};

// The threads of this process that the library started: those whose start address lies in it,
// each held open, so that its id is not another's when it ends.
std::vector<platform::UniqueHandleKernel> ThreadsOfTheLibrary() {
    std::vector<platform::UniqueHandleKernel> threads;
    MODULEINFO library = {};
    if (!::GetModuleInformation(::GetCurrentProcess(), ::GetModuleHandleW(L"VadAZ.dll"), &library, sizeof library))
        return threads;
    const auto* begin = static_cast<const char*>(library.lpBaseOfDll);
    const HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    THREADENTRY32 entry = {sizeof entry};
    for (BOOL more = ::Thread32First(snapshot, &entry); more; more = ::Thread32Next(snapshot, &entry)) {
        if (entry.th32OwnerProcessID != ::GetCurrentProcessId()) continue;
        platform::UniqueHandleKernel thread(
            ::OpenThread(THREAD_QUERY_INFORMATION | SYNCHRONIZE, FALSE, entry.th32ThreadID));
        void* start = nullptr;
        constexpr THREADINFOCLASS kStartAddress = static_cast<THREADINFOCLASS>(9);
        if (!thread || ::NtQueryInformationThread(thread.Get(), kStartAddress, &start, sizeof start, nullptr) != 0)
            continue;
        const auto* at = static_cast<const char*>(start);
        if (at >= begin && at < begin + library.SizeOfImage) threads.push_back(std::move(thread));
    }
    ::CloseHandle(snapshot);
    return threads;
}

bool LibraryInUse() {
    ::CoFreeUnusedLibrariesEx(0, 0);
    return !testsupport::LibraryUnused(L"VadAZ.dll");
}

TEST(ImageryUnload, AMapReleasedWhileItsTilesDownloadEndsTheThreadAndLeavesTheLibraryUnused) {
    ClearImageryRegistry();
    SetImageryString(L"CredentialMode", L"Token");
    SetServerOption("tile_delay_ms", "100");
    for (int cycle = 0; cycle < 50; ++cycle) {
        // Tiles of a server path of its own: none is in the cache yet.
        SetImageryString(L"BackgroundMapTileServer", TileServer() + L"/cycle" + std::to_wstring(cycle) + L"/r%d/tiles/");
        std::vector<platform::UniqueHandleKernel> started;
        {
            OneMap map;
            ASSERT_TRUE(map.OpenDownloading()) << "a download runs";
            started = ThreadsOfTheLibrary();
            ASSERT_FALSE(started.empty()) << "the download thread runs, cycle " << cycle;
            map.Close();
        }
        ASSERT_FALSE(LibraryInUse()) << "cycle " << cycle;
        // Every thread the library started has ended (whatever threads of the system come and go).
        for (const auto& thread : started)
            EXPECT_EQ(::WaitForSingleObject(thread.Get(), 0), WAIT_OBJECT_0) << "cycle " << cycle;
    }
    ClearImageryRegistry();
    ClearServerOptions();
}

TEST(FirstSettings, AProxySavedWithoutAPortIsTakenByTheFirstSettingsTheLibraryReads) {
    ASSERT_EQ(::GetModuleHandleW(L"VadAZ.dll"), nullptr) << "the library is loaded by this case";
    ComPtr<IXMLDOMElement> project;
    {
        OneMap map;
        map.Open();
        project = SaveSettings(map.Control());
        map.Close();
    }
    ComPtr<IXMLDOMElement> imagery = ImageryElement(project.Get());
    ASSERT_TRUE(imagery);
    platform::SetAttribute(imagery.Get(), L"ProxyServerAddress", L"proxy.test");
    imagery->removeAttribute(Bstr(L"ProxyServerPort").Get());

    ComPtr<IUnknown> loaded = LoadedMap(StreamOf(project.Get()).Get());
    ASSERT_TRUE(loaded);
    std::wstring address, port = L"<none>";
    ComPtr<IXMLDOMElement> again = ImageryElement(SaveSettings(controltest::As<IZmaVadAZ2>(loaded.Get()).Get()).Get());
    ASSERT_TRUE(again);
    platform::GetAttribute(again.Get(), L"ProxyServerAddress", address);
    platform::GetAttribute(again.Get(), L"ProxyServerPort", port);
    EXPECT_EQ(address + L":" + port, L"proxy.test:");
    controltest::As<IOleObject>(loaded.Get())->Close(OLECLOSE_NOSAVE);
}

TEST(ImageryUnload, AMapReleasedWhileItsTileTricklesOrStallsEndsTheThreadWithinATilesTime) {
    testsupport::Watchdog watchdog;
    ClearImageryRegistry();
    SetImageryString(L"CredentialMode", L"Token");
    SetImageryString(L"BackgroundMapTileServer", TileServer() + L"/r%d/tiles/");
    const struct {
        const char* kind;
        DWORD closedWithin;  // a trickle is left at its next byte, a stall when the tile's time is up
    } cases[] = {{"slow", 1500}, {"stall", 6500}};
    for (const auto& c : cases) {
        SetServerOption("hostile", c.kind);
        OneMap map;
        ASSERT_TRUE(map.OpenDownloading()) << "a download runs";
        ::Sleep(500);
        watchdog.Arm(std::string(c.kind) + ": the map closes", 20000);
        const DWORD start = ::GetTickCount();
        map.Close();
        EXPECT_FALSE(LibraryInUse()) << c.kind << ": the thread ended";
        EXPECT_LT(::GetTickCount() - start, c.closedWithin) << c.kind;
        watchdog.Disarm();
    }
    ClearImageryRegistry();
    ClearServerOptions();
}

// However the last map goes (released, destroyed first, or after another) while the thread waits
// for a server that says nothing for 30 s or sends its headers and then nothing, the call comes
// back at once, and nothing of the library is left in use.
TEST(ImageryUnload, AMapThatGoesWhileItsServerHoldsATileComesBackAtOnce) {
    testsupport::Watchdog watchdog;
    ClearImageryRegistry();
    SetImageryString(L"CredentialMode", L"Token");
    const std::pair<const char*, const char*> servers[] = {{"tile_answer", "mute"}, {"hostile", "stall"}};
    const char* const ways[] = {"released", "PreDestroy", "the last of two"};
    int n = 0;
    for (const auto& server : servers)
        for (const char* way : ways) {
            const std::string what = std::string(server.second) + ", " + way;
            ClearServerOptions();
            SetServerOption(server.first, server.second);
            SetImageryString(L"BackgroundMapTileServer", TileServer() + L"/held" + std::to_wstring(++n) + L"/r%d/tiles/");
            OneMap other, map;
            if (way == ways[2]) other.Open();
            ASSERT_TRUE(map.OpenDownloading()) << what << ": a download runs";
            if (way == ways[2]) other.Close();
            ::Sleep(300);
            watchdog.Arm(what, 20000);
            const DWORD start = ::GetTickCount();
            if (way == ways[1]) {
                EXPECT_EQ(map.Control()->PreDestroy(), S_OK);
            }
            map.Close();
            EXPECT_LT(::GetTickCount() - start, 2000u) << what;
            watchdog.Disarm();
            EXPECT_FALSE(LibraryInUse()) << what << ": the thread ended";
        }
    ClearImageryRegistry();
    ClearServerOptions();
}

// The squares of a view's tiles, as the window clips them: the tiles lie edge to edge from the
// view's north-west corner.
std::set<std::tuple<long, long, long, long>> TileSquares(IDispatch* map, int level, int width, int height) {
    constexpr double kPi = 3.14159265358979323846;
    Variant bounds = displaytest::Get(map, 29);
    const double west = displaytest::Get(bounds.pdispVal, 1).ToDouble();
    const double north = displaytest::Get(bounds.pdispVal, 4).ToDouble();
    const double world = 256.0 * std::ldexp(1.0, level), s = std::sin(north * kPi / 180.0);
    const long left = -(static_cast<long>((west + 180.0) / 360.0 * world) % 256);
    const long top = -(static_cast<long>((0.5 - std::log((1.0 + s) / (1.0 - s)) / (4.0 * kPi)) * world) % 256);
    std::set<std::tuple<long, long, long, long>> squares;
    for (long y = top; y < height; y += 256)
        for (long x = left; x < width; x += 256)
            squares.insert({std::max(x, 0L), std::max(y, 0L), std::min(x + 256, static_cast<long>(width)),
                            std::min(y + 256, static_cast<long>(height))});
    return squares;
}

TEST(TwoMaps, EachRepaintsTheSquaresOfItsOwnTilesWhenTheyArriveTogether) {
    ClearImageryRegistry();
    SetImageryString(L"CredentialMode", L"Token");
    SetImageryString(L"BackgroundMapTileServer", TileServer() + L"/two/r%d/tiles/");
    OneMap first, second;
    first.Open();
    second.Open();
    first.Show();
    second.Show();
    first.ShowArea(9.5, 49.8, 10.4, 50.3);
    second.ShowArea(-75.5, 39.8, -74.6, 40.3);
    ClearRequests();
    first.DrawView();
    second.DrawView();
    const int level = static_cast<int>(QuadKeyOf(Requests().front()).size());
    std::map<HWND, std::set<std::tuple<long, long, long, long>>> own = {
        {first.EngineWindow(), TileSquares(first.Map(), level, OneMap::kWidth, OneMap::kHeight)},
        {second.EngineWindow(), TileSquares(second.Map(), level, OneMap::kWidth, OneMap::kHeight)}};
    ASSERT_NE(own.begin()->second, own.rbegin()->second);
    // Every tile of both arrived before either window looks at its messages.
    const size_t tiles = own.begin()->second.size() + own.rbegin()->second.size();
    for (const DWORD start = ::GetTickCount(); Requests().size() < tiles && ::GetTickCount() - start < 20000;) ::Sleep(10);
    ASSERT_EQ(Requests().size(), tiles);
    ::Sleep(300);
    std::map<HWND, std::set<std::tuple<long, long, long, long>>> repainted;
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, WM_APP + 100, WM_APP + 100, PM_REMOVE)) {
        ::ValidateRect(msg.hwnd, nullptr);
        ::DispatchMessageW(&msg);
        RECT dirty = {};
        if (::GetUpdateRect(msg.hwnd, &dirty, FALSE)) repainted[msg.hwnd].insert({dirty.left, dirty.top, dirty.right, dirty.bottom});
    }
    EXPECT_EQ(repainted, own);
    first.Close();
    second.Close();
    ClearImageryRegistry();
}

}  // namespace
