// The import of a geoset and of a workspace that name 1 000 and 10 000 tables, into a layer
// collection over the engine stand-in, against the engine opening the same tables alone (the
// floor, measured again in every run: a new map adds each table through its Layers.Add). Beside
// each import its floor and the control's own share above it, in milliseconds and per table; the
// share per table of the larger count stays that of the smaller when the import is linear.
// Not a test: scripts/run-benchmarks.sh runs it; every figure is the minimum and the median of
// repeated runs.
//
// The tables lie 100 to a folder, each a one-point table written once through the TAB library and
// linked under the other names. Their names take the case the readers ask for (".TAB"): a name
// in another case than the file's costs a search of its whole folder under a file system that
// tells case apart, at every open, in the engine and in the control alike.
#include "benchmarks/BenchmarkClock.h"
#include "benchmarks/BenchmarkHost.h"
#include "benchmarks/BenchmarkMain.h"
#include "benchmarks/Samples.h"
#include "ZmaVOMap2/engine/EngineDispatch.h"
#include "ZmaVOMap2/engine/EngineMembers.h"
#include "ZmaVOMap2/layers/ZmaVadAZLayerCollection.h"
#include "ZmaVOMap2/mitab/mitab.h"
#include "ZmaVOMap2/workspaces/ZmaVOMapXWorkspaceGST.h"
#include "ZmaVOMap2/workspaces/ZmaVOMapXWorkspaceWOR.h"
#include "platform/Com.h"
#include "platform/Result.h"
#include "platform/Window.h"

#include "MapEngine.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

using platform::ComPtr;
using platform::Variant;

namespace {

const CLSID kEngineMap = {0x9D6ED188, 0x5910, 0x11D2, {0x98, 0xA6, 0x00, 0xA0, 0xC9, 0x74, 0x2C, 0xCA}};
constexpr long kTablesPerFolder = 100;
int g_runs = 3;

// Every table opens: a message box would be a failure, and would wait for a person.
class CountedPrompts : public platform::UserPrompts {
public:
    int MessageBox(HWND, const std::wstring&, const std::wstring&, UINT) override {
        ++boxes;
        return IDOK;
    }
    bool GetOpenFileName(OPENFILENAMEW&) override { return false; }
    bool GetSaveFileName(OPENFILENAMEW&) override { return false; }
    long boxes = 0;
};
CountedPrompts g_prompts;

// The tables "f<folder>\t<n>.TAB" under `root`, and the geoset and workspace naming the first
// `count` of them (the first table on top).
class TableSet {
public:
    TableSet(std::string root, long count) : root_(std::move(root)) {
        ::CreateDirectoryA(root_.c_str(), nullptr);
        const std::string model = root_ + "model.TAB";
        mitab_handle table = mitab_c_create(model.c_str(), "tab", "CoordSys Earth Projection 1, 104", 0, 0, 0, 0);
        if (!table) platform::ThrowHr(E_FAIL);
        mitab_c_add_field(table, "Name", TABFT_Char, 20, 0);
        mitab_feature point = mitab_c_create_feature(table, TABFC_Point);
        double x = 10.0, y = 50.0;
        mitab_c_set_points(point, 0, 1, &x, &y);
        mitab_c_set_field(point, 0, "site");
        const bool written = mitab_c_write_feature(table, point) == 1;
        mitab_c_destroy_feature(point);
        mitab_c_close(table);
        if (!written) platform::ThrowHr(E_FAIL);
        for (long n = 0; n < count; ++n) {
            if (n % kTablesPerFolder == 0) ::CreateDirectoryA((root_ + Folder(n)).c_str(), nullptr);
            for (const char* extension : {".TAB", ".DAT", ".MAP", ".ID"}) {
                const std::string from = root_ + "model" + extension, to = root_ + Name(n) + extension;
                if (!::CreateHardLinkA(to.c_str(), from.c_str(), nullptr) && !::CopyFileA(from.c_str(), to.c_str(), FALSE))
                    platform::ThrowHr(HRESULT_FROM_WIN32(::GetLastError()));
            }
        }
        made_ = count;
    }
    ~TableSet() {
        for (long n = 0; n < made_; ++n)
            for (const char* extension : {".TAB", ".DAT", ".MAP", ".ID"}) ::DeleteFileA((root_ + Name(n) + extension).c_str());
        for (long n = 0; n < made_; n += kTablesPerFolder) ::RemoveDirectoryA((root_ + Folder(n)).c_str());
        for (const char* extension : {".TAB", ".DAT", ".MAP", ".ID"}) ::DeleteFileA((root_ + "model" + extension).c_str());
        for (const char* file : {"tables.gst", "tables.wor"}) ::DeleteFileA((root_ + file).c_str());
        ::RemoveDirectoryA(root_.c_str());
    }

    const std::string& Root() const { return root_; }
    std::string Path(long n) const { return root_ + Name(n) + ".TAB"; }

    std::string WriteGeoset(long count) const {
        std::string text = "!GEOSET\n!VERSION 100\n";
        for (long n = 0; n < count; ++n)
            text += "\"\\TABLE\\" + std::to_string(n + 1) + "\\FILE\" = \"" + Name(n) + ".TAB\"\n";
        return Write("tables.gst", text);
    }
    // One alias on each line of the map's list, as long lists are written.
    std::string WriteWorkspace(long count) const {
        std::string text = "!Workspace\n!Version 650\n";
        for (long n = 0; n < count; ++n) text += "Open Table \"" + Name(n) + ".TAB\" As T" + std::to_string(n) + " Interactive\n";
        text += "Map From T0";
        for (long n = 1; n < count; ++n) text += ",\n  T" + std::to_string(n);
        return Write("tables.wor", text + "\n");
    }

private:
    static std::string Folder(long n) { return "f" + std::to_string(n / kTablesPerFolder); }
    static std::string Name(long n) { return Folder(n) + "\\t" + std::to_string(n); }
    std::string Write(const char* name, const std::string& text) const {
        const std::string path = root_ + name;
        FILE* file = std::fopen(path.c_str(), "wb");
        if (!file) platform::ThrowHr(E_FAIL);
        const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
        if (std::fclose(file) != 0 || !written) platform::ThrowHr(E_FAIL);
        return path;
    }

    std::string root_;
    long made_ = 0;
};

ComPtr<IDispatch> NewEngineMap() {
    ComPtr<IDispatch> map;
    THROW_IF_FAILED(::CoCreateInstance(kEngineMap, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, map.PutVoid()));
    return map;
}

// The stand-in logs every call it gets: a run of many calls forgets them when it is done.
void ForgetEngineCalls(IDispatch* map) {
    ComPtr<IEngineTestHooks> hooks;
    if (SUCCEEDED(map->QueryInterface(__uuidof(IEngineTestHooks), hooks.PutVoid()))) hooks->ClearCalls();
}

// The floor: a new map opens each table on top, as the import has the engine do.
double EngineOpens(const TableSet& tables, long count) {
    ComPtr<IDispatch> map = NewEngineMap();
    ComPtr<IDispatch> layers = platform::DispatchOf(EngineDispatch(map.Get()).Get(Engine::Map::kLayers));
    EngineDispatch list(platform::ThrowIfNull(layers.Get()));
    std::vector<std::wstring> paths;
    for (long n = 0; n < count; ++n) paths.push_back(platform::ToWide(tables.Path(n)));
    const double took = Time([&] {
        for (const std::wstring& path : paths) list.Call(Engine::Layers::kAdd, {Variant(path), Variant(1L)});
    });
    if (list.Get(Engine::Layers::kCount).ToLong() != count) platform::ThrowHr(E_FAIL);
    ForgetEngineCalls(map.Get());
    return took;
}

double Import(CZmaVOMapXWorkspace& reader, const TableSet& tables, const std::string& path, long count) {
    ComPtr<IDispatch> map = NewEngineMap();
    BenchmarkHost host(map.Get());
    double took = 0;
    {
        CZmaVadAZLayerCollection layers(L"", host, map.Get());
        took = Time([&] { reader.Open(tables.Root(), path, layers); });
        if (layers.GetCount() != count || g_prompts.boxes != 0) platform::ThrowHr(E_FAIL);
    }
    ForgetEngineCalls(map.Get());
    return took;
}

void PrintHeader() {
    std::printf("  %-7s %-18s %10s %10s   %-21s %-21s %s\n", "tables", "figure", "min", "median", "floor min/median",
                "own min/median", "own per table min/median");
}

void PrintFloor(long count, const Samples& floor) {
    std::printf("  %-7ld %-18s %8.1fms %8.1fms   %6.0f/%6.0fus per table\n", count, "engine opens", floor.Min() * 1e3,
                floor.Median() * 1e3, floor.Min() / count * 1e6, floor.Median() / count * 1e6);
}

void PrintShare(long count, const char* figure, const Samples& s, const Samples& floor) {
    const double ownMin = s.Min() - floor.Min(), ownMedian = s.Median() - floor.Median();
    std::printf("  %-7ld %-18s %8.1fms %8.1fms   %8.1f/%8.1fms   %8.1f/%8.1fms   %6.0f/%6.0fus\n", count, figure,
                s.Min() * 1e3, s.Median() * 1e3, floor.Min() * 1e3, floor.Median() * 1e3, ownMin * 1e3,
                ownMedian * 1e3, ownMin / count * 1e6, ownMedian / count * 1e6);
}

void Figures(const TableSet& tables, long count) {
    const std::string geoset = tables.WriteGeoset(count), workspace = tables.WriteWorkspace(count);
    Samples floor, gst, wor;
    for (int r = 0; r < g_runs; ++r) {
        floor.Add(EngineOpens(tables, count));
        CZmaVOMapXWorkspaceGST geosetReader;
        gst.Add(Import(geosetReader, tables, geoset, count));
        CZmaVOMapXWorkspaceWOR workspaceReader;
        wor.Add(Import(workspaceReader, tables, workspace, count));
    }
    PrintFloor(count, floor);
    PrintShare(count, "geoset import", gst, floor);
    PrintShare(count, "workspace import", wor, floor);
}

}  // namespace

// Arguments: the runs per figure (3).
int main(int argc, char** argv) {
    if (argc > 1) g_runs = std::max(1, std::atoi(argv[1]));
    platform::SetPrompts(&g_prompts);
    return RunFigures([] {
        char temp[MAX_PATH] = {};
        ::GetTempPathA(MAX_PATH, temp);
        const long counts[] = {1000, 10000};
        TableSet tables(std::string(temp) + "vadaz_workspace_benchmark\\", counts[1]);
        std::printf("%d runs per figure; each import beside the engine opening the same tables (its floor) and "
                    "the control's own share above it; 10 000 tables beside 1 000: the share per table stays the "
                    "same when the import is linear\n",
                    g_runs);
        PrintHeader();
        for (long count : counts) Figures(tables, count);
    });
}
