// What the background imagery asks of its tile server: the requests per tile for the first frame
// of a shown map and for a pan by half the view, with tiles downloaded by the download thread
// while the map repaints as they arrive (each arrival repaints its square); and the time until the
// last tile of the view came. One request per tile is the floor. Beside it, the time the release
// of a map takes while the thread waits for a server that holds its tile for half a minute.
// Not a test: scripts/run-benchmarks.sh runs it beside the local tile server
// (tests/imagery/tile_server.py), which answers each tile after a delay, as a distant server does;
// every figure is the minimum and the median of repeated runs.
#include "benchmarks/BenchmarkClock.h"
#include "benchmarks/BenchmarkMain.h"
#include "benchmarks/EmbeddedControl.h"
#include "benchmarks/Samples.h"
#include "platform/Com.h"
#include "platform/Result.h"

#include "VadAZ.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

using platform::ComPtr;
using platform::Variant;

namespace {

const int kWidth = 1280, kHeight = 800;
// The tile server's delay before each tile, in milliseconds.
const char kTileDelay[] = "40";
int g_runs = 7;

std::string Environment(const char* name) {
    const char* value = std::getenv(name);
    if (!value) {
        std::printf("%s is not set: run this program beside tests/imagery/tile_server.py\n", name);
        platform::ThrowHr(E_FAIL);
    }
    return value;
}

// A Linux path as this process under Wine names it.
std::wstring WinePath(const std::string& path) {
    std::wstring wine = L"Z:" + platform::ToWide(path, CP_UTF8);
    std::replace(wine.begin(), wine.end(), L'/', L'\\');
    return wine;
}

void SetImagery(const wchar_t* name, const std::wstring& text) {
    THROW_IF_FAILED(HRESULT_FROM_WIN32(::RegSetKeyValueW(HKEY_CURRENT_USER, L"Software\\Zemro\\Terravex", name, REG_SZ,
                                                         text.c_str(), static_cast<DWORD>((text.size() + 1) * 2))));
}

void SetImagery(const wchar_t* name, DWORD value) {
    THROW_IF_FAILED(HRESULT_FROM_WIN32(
        ::RegSetKeyValueW(HKEY_CURRENT_USER, L"Software\\Zemro\\Terravex", name, REG_DWORD, &value, sizeof value)));
}

// The tile requests the server logged since it was last emptied (one path per line).
std::vector<std::string> Requests() {
    std::vector<std::string> lines;
    std::ifstream in(WinePath(Environment("VADAZ_TILE_LOG")).c_str());
    for (std::string line; std::getline(in, line);)
        if (!line.empty()) lines.push_back(line);
    return lines;
}

void ClearRequests() { std::ofstream(WinePath(Environment("VADAZ_TILE_LOG")).c_str(), std::ios::trunc); }

// The tile a path names: its file name up to the query ("r0231.png").
std::string TileOf(const std::string& path) {
    const std::string name = path.substr(path.rfind('/') + 1);
    return name.substr(0, name.find('?'));
}

Variant Get(IDispatch* object, DISPID id) {
    Variant value;
    DISPPARAMS none = {};
    THROW_IF_FAILED(object->Invoke(id, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, value.Put(), nullptr, nullptr));
    return value;
}

// The view's west and east edges, in degrees.
std::pair<double, double> WestAndEast(const EmbeddedControl& map) {
    Variant bounds = Get(map.Map(), 29);
    return {Get(bounds.pdispVal, 1).ToDouble(), Get(bounds.pdispVal, 3).ToDouble()};
}

struct Settled {
    size_t requests = 0, tiles = 0;
    double seconds = 0;  // until the last tile came
};

// Runs the host's message loop until neither the server nor the map has heard of a tile for half
// a second; what the server was asked meanwhile, and when the last tile came to the map.
Settled Settle() {
    const double start = Now();
    double quietSince = start, lastTile = start;
    size_t heard = 0;
    for (;;) {
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_APP + 100) lastTile = quietSince = Now();
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
        const size_t now = Requests().size();
        if (now != heard) {
            heard = now;
            quietSince = Now();
        }
        if ((heard > 0 && Now() - quietSince > 0.5) || Now() - start > 60) break;
        ::Sleep(5);
    }
    std::set<std::string> tiles;
    for (const std::string& path : Requests()) tiles.insert(TileOf(path));
    if (tiles.empty()) platform::ThrowHr(E_FAIL);
    return {heard, tiles.size(), lastTile - start};
}

// The runs of one figure: requests per tile, and seconds until the last tile came.
struct TileFigures {
    Samples requests, seconds;
    size_t tiles = 0;
    void Add(const Settled& settled) {
        requests.Add(static_cast<double>(settled.requests) / settled.tiles);
        seconds.Add(settled.seconds);
        tiles = settled.tiles;
    }
};

// Releases of the last map while the download thread waits for a server that says nothing for
// 30 s: the seconds each release took.
Samples ReleasesWhileATileIsHeld(const std::wstring& server) {
    std::ofstream(WinePath(Environment("VADAZ_TILE_CONFIG")).c_str()) << "tile_answer=mute\n";
    Samples releases;
    for (int run = 0; run < g_runs; ++run) {
        SetImagery(L"BackgroundMapTileServer", server + L"/held" + std::to_wstring(run) + L"/r%d/tiles/");
        ClearRequests();
        auto map = std::make_unique<EmbeddedControl>(kWidth, kHeight);
        map->Put(7, Variant(60.0));
        for (const double start = Now(); Requests().empty() && Now() - start < 10;) {
            MSG msg;
            while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&msg);
            ::Sleep(5);
        }
        if (Requests().empty()) platform::ThrowHr(E_FAIL);
        ::Sleep(200);
        releases.Add(Time([&] { map.reset(); }));
    }
    return releases;
}

void PrintHeader() {
    std::printf("  %-48s %8s %10s %10s\n", "figure", "tiles", "min", "median");
}

void Print(const char* figure, size_t tiles, const Samples& s, const char* unit, double scale) {
    std::printf("  %-48s %8zu %8.2f%s %8.2f%s\n", figure, tiles, s.Min() * scale, unit, s.Median() * scale, unit);
}

void Figures() {
    const std::wstring server = platform::ToWide(Environment("VADAZ_TILE_SERVER"));
    std::ofstream(WinePath(Environment("VADAZ_TILE_CONFIG")).c_str()) << "tile_delay_ms=" << kTileDelay << "\n";
    SetImagery(L"CredentialMode", L"Token");
    SetImagery(L"AsyncBackgroundMapEnabled", 1);
    TileFigures frame, pan;
    for (int run = 0; run < g_runs; ++run) {
        // Tiles of a server path of the run's own: none is in the cache yet.
        SetImagery(L"BackgroundMapTileServer", server + L"/run" + std::to_wstring(run) + L"/r%d/tiles/");
        EmbeddedControl map(kWidth, kHeight);
        ClearRequests();
        map.Put(7, Variant(60.0));  // zoom: the view's width in miles
        map.Put(8, Variant(10.0));
        map.Put(9, Variant(50.0));
        frame.Add(Settle());

        ClearRequests();
        const std::pair<double, double> edges = WestAndEast(map);
        map.Put(8, Variant((edges.first + edges.second) / 2.0 + (edges.second - edges.first) / 2.0));
        pan.Add(Settle());
    }
    PrintHeader();
    Print("first frame: requests per tile", frame.tiles, frame.requests, "  ", 1.0);
    Print("first frame: until the last tile came", frame.tiles, frame.seconds, "ms", 1e3);
    Print("pan by half the view: requests per new tile", pan.tiles, pan.requests, "  ", 1.0);
    Print("pan by half the view: until the last tile came", pan.tiles, pan.seconds, "ms", 1e3);
    Print("release of a map while its tile is held", 1, ReleasesWhileATileIsHeld(server), "ms", 1e3);
}

}  // namespace

// Argument: the runs per figure (7).
int main(int argc, char** argv) {
    if (argc > 1) g_runs = std::max(1, std::atoi(argv[1]));
    return RunFigures([] {
        std::printf("%d runs per figure, a shown %dx%d map in token mode, downloads by the download thread from a "
                    "server that answers each tile after %s ms (or, for the release, not at all)\n",
                    g_runs, kWidth, kHeight, kTileDelay);
        Figures();
    });
}
