// Frame costs of serving and neighbour lines: a generated drive test with a serving cell and six
// neighbours per row, over a grid of cell sites, against the cost of reading every row's latitude
// and longitude through the same host interface. Not a test: run it by hand
// (wine lines_benchmark.exe) and compare the ratios.
#include "benchmarks/BaselineRead.h"
#include "ZmaVOMap2/control/LayerKinds.h"
#include "ZmaVOMap2/datalayers/CellLineLayer.h"
#include "ZmaVOMap2/datalayers/DatasetDisplay.h"
#include "ZmaVOMap2/datalayers/HostDataset.h"
#include "ZmaVOMap2/datalayers/ZmaVadAZDataLayer.h"
#include "ZmaVOMap2/engine/EngineDispatch.h"
#include "ZmaVOMap2/engine/EngineIds.h"
#include "ZmaVOMap2/layers/LayerHost.h"
#include "ZmaVOMap2/layers/ZmaVadAZLayerCollection.h"
#include "platform/Com.h"
#include "platform/Result.h"

#include "HostInterfaces.h"

#include <algorithm>
#include <cstdio>
#include <memory>

using platform::Bstr;
using platform::ComPtr;
using platform::Variant;

namespace {

const CLSID kEngineMap = {0x9D6ED188, 0x5910, 0x11D2, {0x98, 0xA6, 0x00, 0xA0, 0xC9, 0x74, 0x2C, 0xCA}};
const int kWidth = 1280, kHeight = 800;
const int kColumns = 50, kRows = 40;  // 2000 cell sites
const int kNeighbours = 6;
const wchar_t kSitesGuid[] = L"{BE7C4A11-0000-0000-0000-0000000000C5}";
const wchar_t kPointsGuid[] = L"{BE7C4A11-0000-0000-0000-0000000000D7}";

class BenchmarkHost : public CZmaVadAZLayerHost {
public:
    explicit BenchmarkHost(IDispatch* map) : map_(map) {}
    IDispatch* EngineMap() override { return map_; }
    HWND EngineWindow() override { return nullptr; }
    std::wstring TemporaryFolder() override {
        wchar_t folder[MAX_PATH] = {};
        ::GetTempPathW(MAX_PATH, folder);
        return folder;
    }
    bool IsScreenUpdating() override { return true; }
    IUnknown* LegendObject() override { return nullptr; }
    IUnknown* PrintLegendObject() override { return nullptr; }
    void FireSeriesRemoved(BSTR) override {}
    void FireLayerVisibilityChanged() override {}
    void FireSelectionChanged(BSTR) override {}

private:
    IDispatch* map_;
};

template <class I>
ComPtr<I> Create(REFCLSID clsid) {
    ComPtr<I> object;
    THROW_IF_FAILED(::CoCreateInstance(clsid, nullptr, CLSCTX_ALL, __uuidof(I), object.PutVoid()));
    return object;
}

// The grid cell of a position within the bounds.
long CellAt(double lon, double lat, const double bounds[4], int dx = 0, int dy = 0) {
    int column = static_cast<int>((lon - bounds[0]) / (bounds[2] - bounds[0]) * kColumns) + dx;
    int row = static_cast<int>((lat - bounds[1]) / (bounds[3] - bounds[1]) * kRows) + dy;
    column = std::max(0, std::min(kColumns - 1, column));
    row = std::max(0, std::min(kRows - 1, row));
    return 1 + row * kColumns + column;
}

ComPtr<IDispatch> MakeSites(const double bounds[4]) {
    ComPtr<IHostDatasetSetup> setup = Create<IHostDatasetSetup>(CLSID_HostDataset);
    long position = 0;
    for (const auto& field : {std::make_pair(L"Latitude", 13L), std::make_pair(L"Longitude", 12L),
                              std::make_pair(L"Azimuth", 5L), std::make_pair(L"ElementHandle", 3L)})
        THROW_IF_FAILED(setup->AddField(Bstr(field.first).Get(), field.second, &position));
    for (int r = 0; r < kRows; ++r) {
        for (int c = 0; c < kColumns; ++c) {
            long row = 0;
            THROW_IF_FAILED(setup->AddRow(&row));
            setup->SetValue(row, Variant(0L), Variant(bounds[1] + (r + 0.5) * (bounds[3] - bounds[1]) / kRows));
            setup->SetValue(row, Variant(1L), Variant(bounds[0] + (c + 0.5) * (bounds[2] - bounds[0]) / kColumns));
            setup->SetValue(row, Variant(2L), Variant(0.0));
            setup->SetValue(row, Variant(3L), Variant(static_cast<long>(1 + r * kColumns + c)));
        }
    }
    ComPtr<IDispatch> dataset;
    setup.As(dataset);
    return dataset;
}

// The sample drive test with a serving cell (the grid cell of the point) and six neighbours.
ComPtr<IDispatch> MakePoints(long rows, double bounds[4]) {
    ComPtr<IHostSampleDataset> sample = Create<IHostSampleDataset>(CLSID_SampleDataset);
    THROW_IF_FAILED(sample->put_RowCount(rows));
    sample->GetRouteBounds(&bounds[0], &bounds[1], &bounds[2], &bounds[3]);
    ComPtr<IHostDatasetSetup> setup;
    THROW_IF_FAILED(sample.As(setup));
    long serving = 0, neighbour[kNeighbours];
    THROW_IF_FAILED(setup->AddField(Bstr(L"ServingSectorHandle").Get(), 3, &serving));
    for (int n = 0; n < kNeighbours; ++n)
        THROW_IF_FAILED(setup->AddField(Bstr(L"NeighborSectorHandle_" + std::to_wstring(n + 1)).Get(), 3, &neighbour[n]));
    const int offsets[kNeighbours][2] = {{-1, 0}, {1, 0}, {0, -1}, {0, 1}, {-1, -1}, {1, 1}};
    for (long row = 0; row < rows; ++row) {
        Variant lat, lon;
        setup->GetValue(row, Variant(L"Latitude"), lat.Put());
        setup->GetValue(row, Variant(L"Longitude"), lon.Put());
        setup->SetValue(row, Variant(serving), Variant(CellAt(lon.dblVal, lat.dblVal, bounds)));
        for (int n = 0; n < kNeighbours; ++n)
            setup->SetValue(row, Variant(neighbour[n]),
                            Variant(CellAt(lon.dblVal, lat.dblVal, bounds, offsets[n][0], offsets[n][1])));
    }
    ComPtr<IDispatch> dataset;
    sample.As(dataset);
    return dataset;
}

ComPtr<IDispatch> CellSiteConfiguration() {
    ComPtr<IHostConfigNode> root = Create<IHostConfigNode>(CLSID_HostFieldConfiguration);
    ComPtr<IHostConfigNode> child, dimensions, entry;
    root->AddChild(Bstr(L"SeriesType").Get(), Variant(L"CellRefs"), child.Put());
    root->AddChild(Bstr(L"Dimensions").Get(), Variant(), dimensions.Put());
    dimensions->AddChild(Bstr(L"Dimension").Get(), Variant(L"Azimuth"), entry.Put());
    ComPtr<IDispatch> out;
    root.As(out);
    return out;
}

ZmaExtent Show(IDispatch* map, const double b[4]) {
    EngineDispatch engine(map);
    engine.Call(42, {Variant(static_cast<long>(kWidth)), Variant(static_cast<long>(kHeight))});
    CLSID rectangleClass;
    THROW_IF_FAILED(::CLSIDFromProgID(L"MapX.Rectangle.4", &rectangleClass));
    ComPtr<IDispatch> rectangle;
    THROW_IF_FAILED(::CoCreateInstance(rectangleClass, nullptr, CLSCTX_ALL, IID_IDispatch, rectangle.PutVoid()));
    EngineDispatch(rectangle.Get()).Call(EngineRectangle::kSet, {Variant(b[0]), Variant(b[1]), Variant(b[2]), Variant(b[3])});
    engine.Put(EngineMap::kBounds, Variant(rectangle.Get()));
    Variant bounds = engine.Get(EngineMap::kBounds);
    EngineDispatch r(bounds.pdispVal);
    return {r.Get(EngineRectangle::kXMin).ToDouble(), r.Get(EngineRectangle::kYMax).ToDouble(),
            r.Get(EngineRectangle::kXMax).ToDouble(), r.Get(EngineRectangle::kYMin).ToDouble()};
}

void Run(IDispatch* map, long rowCount) {
    double bounds[4];
    ComPtr<IDispatch> points = MakePoints(rowCount, bounds);
    ComPtr<IDispatch> sites = MakeSites(bounds);
    for (const CLSID* renderer : {&CLSID_HostPointRenderer, &CLSID_HostCellSiteRenderer}) {
        ComPtr<IHostRendererTest> settings = Create<IHostRendererTest>(*renderer);
        settings->put_Logging(VARIANT_FALSE);
    }

    BenchmarkHost host(map);
    CZmaVadAZLayerCollection layers(host.TemporaryFolder(), host, map);
    CZmaVadAZDatasetDisplay display(layers);
    THROW_IF_FAILED(display.CreateMultiDMapping(sites.Get(), kSitesGuid, CellSiteConfiguration().Get()));
    THROW_IF_FAILED(display.DisplayDataset(points.Get(), L"RxLev", nullptr, nullptr, kPointsGuid));
    const ZmaExtent view = Show(map, bounds);
    CZmaVadAZDataLayer* siteLayer = AsDataLayer(layers.FindLayerByExactKey(kSitesGuid));
    if (!siteLayer) platform::ThrowHr(E_FAIL);
    // Lines from every row: the heaviest of the draw options.
    for (auto link : {CZmaVadAZDataLayer::kLineA, CZmaVadAZDataLayer::kLineB})
        if (CellLineLayerInterface* lines = AsCellLineLayer(siteLayer->GetLineLayer(link))) lines->SetDrawOption(0);
    for (CZmaVadAZLayer* layer : layers.Layers()) layer->GetLabelProperties()->SetVisible(false);

    HDC screen = ::GetDC(nullptr);
    HDC dc = ::CreateCompatibleDC(screen);
    HBITMAP bitmap = ::CreateCompatibleBitmap(screen, kWidth, kHeight);
    HGDIOBJ old = ::SelectObject(dc, bitmap);
    const RECT rect = {0, 0, kWidth, kHeight};

    ComPtr<IHostDataset> typed;
    points.As(typed);
    const double baseline = BaselineRead(typed.Get());
    auto frame = [&](const ZmaExtent& extent) {
        const double start = Now();
        const std::vector<CZmaVadAZLayer*> held = layers.Layers();
        for (auto it = held.rbegin(); it != held.rend(); ++it)
            if ((*it)->IsUserDrawn()) layers.OnDrawUserLayer(dc, (*it)->GetMapXLayer().Get(), rect, extent, false);
        return Now() - start;
    };
    // The layers' own symbols alone, for comparison.
    auto setLines = [&](bool disabled) {
        for (auto link : {CZmaVadAZDataLayer::kLineA, CZmaVadAZDataLayer::kLineB})
            if (CellLineLayerInterface* lines = AsCellLineLayer(siteLayer->GetLineLayer(link))) lines->SetDisabled(disabled);
    };
    setLines(true);
    const double symbolsOnly = frame(view);
    setLines(false);
    const double first = frame(view);
    const double dx = (view.right - view.left) * 0.01;
    const ZmaExtent panned = {view.left + dx, view.top, view.right + dx, view.bottom};
    const double pannedBounds[4] = {bounds[0] + dx, bounds[1], bounds[2] + dx, bounds[3]};
    Show(map, pannedBounds);
    const double afterPan = frame(panned);
    const double unchanged = frame(panned);
    // The same unchanged view drawn with plain GDI instead of anti-aliased GDI+.
    layers.SetEnhancedDrawingMode(VARIANT_FALSE);
    frame(panned);
    const double unchangedGdi = frame(panned);
    layers.SetEnhancedDrawingMode(VARIANT_TRUE);

    // What the device itself costs: 30 000 two-pixel-wide lines of 25 pixels drawn by GDI alone.
    double gdiStart = Now();
    {
        HPEN pen = ::CreatePen(PS_SOLID, 2, 0);
        HGDIOBJ previous = ::SelectObject(dc, pen);
        for (int i = 0; i < 30000; ++i) {
            ::MoveToEx(dc, (i * 37) % kWidth, (i * 53) % kHeight, nullptr);
            ::LineTo(dc, (i * 37) % kWidth + 20, (i * 53) % kHeight + 15);
        }
        ::SelectObject(dc, previous);
        ::DeleteObject(pen);
    }
    const double gdiLines = Now() - gdiStart;
    std::printf("%8ld rows: symbols alone %.1f ms; 30000 wide GDI lines alone %.1f ms\n", rowCount, symbolsOnly * 1e3,
                gdiLines * 1e3);
    std::printf("%8ld rows, %d sites, %d neighbours: read %.1f ms | first frame %.1f ms (%.2fx) | after a pan "
                "%.1f ms (%.2fx) | unchanged %.1f ms (%.3f of the first; %.1f ms with plain GDI)\n",
                rowCount, kColumns * kRows, kNeighbours, baseline * 1e3, first * 1e3, first / baseline,
                afterPan * 1e3, afterPan / baseline, unchanged * 1e3, unchanged / first, unchangedGdi * 1e3);

    ::SelectObject(dc, old);
    ::DeleteObject(bitmap);
    ::DeleteDC(dc);
    ::ReleaseDC(nullptr, screen);
}

}  // namespace

int main() {
    ::OleInitialize(nullptr);
    int result = 0;
    try {
        RegisterLayerKinds();
        ComPtr<IDispatch> map;
        THROW_IF_FAILED(::CoCreateInstance(kEngineMap, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, map.PutVoid()));
        for (long rows : {100000L, 1000000L}) Run(map.Get(), rows);
    } catch (const platform::ComError& e) {
        std::printf("failed: 0x%08lx\n", static_cast<unsigned long>(e.Error()));
        result = 1;
    } catch (...) {
        std::printf("failed\n");
        result = 1;
    }
    ::OleUninitialize();
    return result;
}
