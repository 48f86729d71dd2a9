// Frame costs of serving and neighbour lines: a generated drive test with a serving cell and six
// neighbours per row, over a grid of 2 000 cell sites, every row's lines drawn (draw option 0),
// anti-aliased. Not a test: run it by hand (wine lines_benchmark.exe [runs]); it prints the
// minimum and median of repeated runs, each figure beside the floors measured in the same runs:
//  - the baseline read (every row's latitude and longitude, as the other benchmarks read);
//  - the read of the nine fields the walks need (position, serving handle, six neighbour handles)
//    in one pass over the rows;
//  - the drawing of the view's lines alone (the lines the layers keep, in their order, with the
//    layers' own painting), with GDI+ and with plain GDI;
//  - the first frame of the same layers with the lines switched off (the points and cell sites).
// The canvas is a bitmap compatible with the screen, as the engine's back buffer is, cleared before
// every frame, as the engine paints its map before it asks for the user layers; a first frame is
// drawn by a new layer collection over the same datasets.
#include "benchmarks/BenchmarkMain.h"
#include "benchmarks/BaselineRead.h"
#include "benchmarks/BenchmarkHost.h"
#include "benchmarks/Samples.h"
#include "ZmaVOMap2/control/LayerKinds.h"
#include "ZmaVOMap2/datalayers/CellLineLayer.h"
#include "ZmaVOMap2/datalayers/DatasetDisplay.h"
#include "ZmaVOMap2/datalayers/HostDataset.h"
#include "ZmaVOMap2/datalayers/ZmaVadAZDataLayer.h"
#include "ZmaVOMap2/engine/EngineDispatch.h"
#include "ZmaVOMap2/engine/EngineIds.h"
#include "ZmaVOMap2/layers/ZmaVadAZLayerCollection.h"
#include "ZmaVOMap2/lines/LinePicture.h"
#include "ZmaVOMap2/lines/PixelLineSet.h"
#include "ZmaVOMap2/lines/ZmaVadAZLinesToNborsLayer.h"
#include "ZmaVOMap2/lines/ZmaVadAZLinesToServersLayer.h"
#include "platform/Com.h"
#include "platform/Result.h"

#include "HostInterfaces.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
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

// The process's temporary folder, where the layers keep their files.
std::wstring TempFolder() {
    wchar_t folder[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, folder);
    return folder;
}

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
    EngineDispatch(rectangle.Get()).Call(Engine::Rectangle::kSet, {Variant(b[0]), Variant(b[1]), Variant(b[2]), Variant(b[3])});
    engine.Put(Engine::Map::kBounds, Variant(rectangle.Get()));
    Variant bounds = engine.Get(Engine::Map::kBounds);
    EngineDispatch r(bounds.pdispVal);
    return {r.Get(Engine::Rectangle::kXMin).ToDouble(), r.Get(Engine::Rectangle::kYMax).ToDouble(),
            r.Get(Engine::Rectangle::kXMax).ToDouble(), r.Get(Engine::Rectangle::kYMin).ToDouble()};
}

// Seconds taken to read the fields the line walks need, every row in one pass.
double WalkFieldsRead(IHostDataset* dataset) {
    ComPtr<IHostRows> rows = hostdata::Rows(dataset);
    ComPtr<IHostFields> fields = hostdata::Fields(dataset);
    std::vector<ComPtr<IHostField>> read;
    for (const wchar_t* name : {L"Latitude", L"Longitude", L"ServingSectorHandle"})
        read.push_back(hostdata::FieldByName(fields.Get(), name));
    for (int n = 1; n <= kNeighbours; ++n)
        read.push_back(hostdata::FieldByName(fields.Get(), L"NeighborSectorHandle_" + std::to_wstring(n)));
    const double start = Now();
    const long count = hostdata::RowCount(rows.Get());
    Variant v;
    long sum = 0;
    rows->MoveFirst();
    for (long i = 0; i < count; ++i) {
        for (const ComPtr<IHostField>& field : read) {
            hostdata::ReadValue(field.Get(), v);
            sum += v.vt;
        }
        VARIANT_BOOL on;
        rows->MoveNext(&on);
    }
    const double took = Now() - start;
    if (sum == 42) std::printf(" ");
    return took;
}

// The lines a walk hands over, kept once per pair of ends in the order the layers draw them.
struct LineCollector : LinesToServersActionInterface, LinesToNeighboursActionInterface {
    PixelLineSet<ServerLineRecord> serving;
    PixelLineSet<ServerLineRecord> neighbours;
    bool toNeighbours = false;
    bool operator()(POINT cellEnd, POINT pointEnd, const GeoPoint&, const GeoPoint&, IHostDataset*&) override {
        serving.Insert({cellEnd, pointEnd, 0});
        return true;
    }
    bool operator()(POINT cellEnd, POINT pointEnd, const GeoPoint&, const GeoPoint&, long, IHostDataset*&) override {
        neighbours.Insert({cellEnd, pointEnd, 0});
        return true;
    }
};

std::vector<PictureLine> AsPicture(PixelLineSet<ServerLineRecord>& set, COLORREF colour) {
    std::vector<PictureLine> lines;
    for (const ServerLineRecord& r : set.Lines()) lines.push_back({r.cellEnd, r.pointEnd, colour});
    return lines;
}

// A bitmap compatible with the screen in a memory drawing context.
class Canvas {
public:
    Canvas() : screen_(::GetDC(nullptr)), dc_(::CreateCompatibleDC(screen_)), bitmap_(::CreateCompatibleBitmap(screen_, kWidth, kHeight)) {
        old_ = ::SelectObject(dc_, bitmap_);
    }
    ~Canvas() {
        ::SelectObject(dc_, old_);
        ::DeleteObject(bitmap_);
        ::DeleteDC(dc_);
        ::ReleaseDC(nullptr, screen_);
    }
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;
    HDC Dc() const noexcept { return dc_; }
    RECT Rect() const noexcept { return {0, 0, kWidth, kHeight}; }

private:
    HDC screen_, dc_;
    HBITMAP bitmap_;
    HGDIOBJ old_;
};

// The cell sites and a drive test shown by one layer collection, every row's lines drawn.
class Scene {
public:
    Scene(IDispatch* map, IDispatch* sites, IDispatch* points, const ZmaExtent& view, bool lines)
        : host_(map, TempFolder()), layers_(host_.TemporaryFolder(), host_, map), display_(layers_), view_(view) {
        THROW_IF_FAILED(display_.CreateMultiDMapping(sites, kSitesGuid, CellSiteConfiguration().Get()));
        THROW_IF_FAILED(display_.DisplayDataset(points, L"RxLev", nullptr, nullptr, kPointsGuid));
        siteLayer_ = AsDataLayer(layers_.FindLayerByExactKey(kSitesGuid));
        if (!siteLayer_) platform::ThrowHr(E_FAIL);
        for (auto link : {CZmaVadAZDataLayer::kLineA, CZmaVadAZDataLayer::kLineB}) {
            if (CellLineLayerInterface* cell = AsCellLineLayer(siteLayer_->GetLineLayer(link))) {
                cell->SetDrawOption(0);
                cell->SetDisabled(!lines);
            }
        }
        for (CZmaVadAZLayer* layer : layers_.Layers()) layer->GetLabelProperties()->SetVisible(false);
    }
    // One frame as the engine asks for it: each user-drawn layer from the bottom up, over a map
    // painted white.
    double Frame(Canvas& canvas, const ZmaExtent& extent) {
        const RECT rect = canvas.Rect();
        ::FillRect(canvas.Dc(), &rect, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
        ::GdiFlush();
        return Time([&] {
            const std::vector<CZmaVadAZLayer*> held = layers_.Layers();
            for (auto it = held.rbegin(); it != held.rend(); ++it)
                if ((*it)->IsUserDrawn()) layers_.OnDrawUserLayer(canvas.Dc(), (*it)->GetMapXLayer().Get(), rect, extent, false);
            ::GdiFlush();
        });
    }
    void SetEnhancedDrawing(bool on) { layers_.SetEnhancedDrawingMode(on ? VARIANT_TRUE : VARIANT_FALSE); }
    CZmaVadAZLinesToServersLayer* Serving() const {
        return dynamic_cast<CZmaVadAZLinesToServersLayer*>(siteLayer_->GetLineLayer(CZmaVadAZDataLayer::kLineA));
    }
    CZmaVadAZLinesToNborsLayer* Neighbours() const {
        return dynamic_cast<CZmaVadAZLinesToNborsLayer*>(siteLayer_->GetLineLayer(CZmaVadAZDataLayer::kLineB));
    }
    long PicturesReused() const { return Serving()->Picture().Reused() + Neighbours()->Picture().Reused(); }
    // The lines of the view as the two layers keep them.
    void Collect(LineCollector& lines, const RECT& rect) {
        for (const auto& entry : Serving()->Entries()) Serving()->WalkLines(entry, rect, view_, lines, true);
        for (const auto& entry : Neighbours()->Entries()) Neighbours()->BuildLines(entry, rect, view_, lines, true);
    }

private:
    BenchmarkHost host_;
    CZmaVadAZLayerCollection layers_;
    CZmaVadAZDatasetDisplay display_;
    ZmaExtent view_;
    CZmaVadAZDataLayer* siteLayer_ = nullptr;
};

struct Figures {
    Samples baseline, walkRead, walks, drawing, drawingGdi, symbolsFirst, first, pan, unchanged, gdiFirst, gdiUnchanged;
    size_t servingLines = 0, neighbourLines = 0;
    long reused = 0;
};

void PrintLine(long rows, const char* figure, const Samples& s, const Samples& baseline) {
    std::printf("  %-8ld %-34s %9.1f %9.1f ms %8.2fx %8.2fx\n", rows, figure, s.Min() * 1e3, s.Median() * 1e3,
                s.Min() / baseline.Min(), s.Median() / baseline.Median());
}

// min/min and median/median of a figure against a sum of floors.
void PrintGoal(const char* what, double min, double median, double floorMin, double floorMedian, double goal) {
    std::printf("  %-43s %9.1f %9.1f ms against %.1f / %.1f ms: %.2f / %.2f (goal at most %.2f)\n", what, min * 1e3,
                median * 1e3, floorMin * 1e3, floorMedian * 1e3, min / floorMin, median / floorMedian, goal);
}

void Run(IDispatch* map, long rowCount, int runs) {
    double bounds[4];
    ComPtr<IDispatch> points = MakePoints(rowCount, bounds);
    ComPtr<IDispatch> sites = MakeSites(bounds);
    for (const CLSID* renderer : {&CLSID_HostPointRenderer, &CLSID_HostCellSiteRenderer}) {
        ComPtr<IHostRendererTest> settings = Create<IHostRendererTest>(*renderer);
        settings->put_Logging(VARIANT_FALSE);
    }
    ComPtr<IHostDataset> typed;
    points.As(typed);
    Canvas canvas;
    const ZmaExtent view = Show(map, bounds);
    const double dx = (view.right - view.left) * 0.01;
    const ZmaExtent panned = {view.left + dx, view.top, view.right + dx, view.bottom};
    const double pannedBounds[4] = {bounds[0] + dx, bounds[1], bounds[2] + dx, bounds[3]};

    Figures f;
    for (int r = 0; r < runs; ++r) {
        Show(map, bounds);
        f.baseline.Add(BaselineRead(typed.Get()));
        f.walkRead.Add(WalkFieldsRead(typed.Get()));
        {
            Scene symbols(map, sites.Get(), points.Get(), view, false);
            f.symbolsFirst.Add(symbols.Frame(canvas, view));
        }
        Scene scene(map, sites.Get(), points.Get(), view, true);
        f.first.Add(scene.Frame(canvas, view));

        // The drawing alone: the same lines, painted as the layers paint them.
        LineCollector lines;
        f.walks.Add(Time([&] { scene.Collect(lines, canvas.Rect()); }));
        f.servingLines = lines.serving.Size();
        f.neighbourLines = lines.neighbours.Size();
        const int dpi = ::GetDeviceCaps(canvas.Dc(), LOGPIXELSY);
        LineStyle solid, dashed;
        solid.width = dashed.width = ::MulDiv(scene.Serving()->GetLineWidth(), dpi, 96);
        solid.dash = dashed.dash = ::MulDiv(20, dpi, 96);
        solid.view = dashed.view = canvas.Rect();
        dashed.dashed = true;
        const std::vector<PictureLine> servingLines = AsPicture(lines.serving, scene.Serving()->GetLineColour());
        const std::vector<PictureLine> neighbourLines = AsPicture(lines.neighbours, scene.Neighbours()->GetLineColour());
        for (bool smooth : {true, false}) {
            solid.smooth = dashed.smooth = smooth;
            (smooth ? f.drawing : f.drawingGdi).Add(Time([&] {
                PaintLines(canvas.Dc(), solid, servingLines);
                PaintLines(canvas.Dc(), dashed, neighbourLines);
                ::GdiFlush();
            }));
        }

        Show(map, pannedBounds);
        f.pan.Add(scene.Frame(canvas, panned));
        f.unchanged.Add(scene.Frame(canvas, panned));
        scene.SetEnhancedDrawing(false);
        f.gdiFirst.Add(scene.Frame(canvas, panned));
        f.gdiUnchanged.Add(scene.Frame(canvas, panned));
        f.reused = scene.PicturesReused();
    }

    std::printf("\n%ld rows, %d sites, %d neighbours: %zu serving and %zu neighbour lines in view\n", rowCount,
                kColumns * kRows, kNeighbours, f.servingLines, f.neighbourLines);
    PrintLine(rowCount, "baseline read", f.baseline, f.baseline);
    PrintLine(rowCount, "floor: read of the walks' 9 fields", f.walkRead, f.baseline);
    PrintLine(rowCount, "the two walks alone", f.walks, f.baseline);
    PrintLine(rowCount, "floor: drawing the lines, GDI+", f.drawing, f.baseline);
    PrintLine(rowCount, "floor: drawing the lines, GDI", f.drawingGdi, f.baseline);
    PrintLine(rowCount, "first frame without lines", f.symbolsFirst, f.baseline);
    PrintLine(rowCount, "first frame", f.first, f.baseline);
    PrintLine(rowCount, "after a pan", f.pan, f.baseline);
    PrintLine(rowCount, "unchanged", f.unchanged, f.baseline);
    PrintLine(rowCount, "first frame, plain GDI", f.gdiFirst, f.baseline);
    PrintLine(rowCount, "unchanged, plain GDI", f.gdiUnchanged, f.baseline);
    const double floorMin = f.walkRead.Min() + f.drawing.Min(), floorMedian = f.walkRead.Median() + f.drawing.Median();
    PrintGoal("first frame / (9 fields + drawing)", f.first.Min(), f.first.Median(), floorMin, floorMedian, 1.25);
    PrintGoal("first frame less the frame without lines", f.first.Min() - f.symbolsFirst.Min(),
              f.first.Median() - f.symbolsFirst.Median(), floorMin, floorMedian, 1.25);
    PrintGoal("after a pan / (9 fields + drawing)", f.pan.Min(), f.pan.Median(), floorMin, floorMedian, 1.25);
    PrintGoal("unchanged / first frame", f.unchanged.Min(), f.unchanged.Median(), f.first.Min(), f.first.Median(), 0.1);
    PrintGoal("unchanged / first frame, plain GDI", f.gdiUnchanged.Min(), f.gdiUnchanged.Median(), f.gdiFirst.Min(),
              f.gdiFirst.Median(), 0.1);
    std::printf("  line pictures reused in the last run: %ld\n", f.reused);
}

}  // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    return RunFigures([&] {
        RegisterLayerKinds();
        ComPtr<IDispatch> map;
        THROW_IF_FAILED(::CoCreateInstance(kEngineMap, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, map.PutVoid()));
        std::printf("%d runs; min and median; ratios to the baseline read of the same runs (min/min, median/median)\n",
                    runs);
        for (long rows : {100000L, 1000000L}) Run(map.Get(), rows, runs);
    });
}
