// Frame and hit-test costs of the data layers over generated drive tests and cell sites, against
// the cost of reading every row's latitude and longitude through the same host interface (the
// baseline, measured again in every run). Not a test: scripts/run-benchmarks.sh runs it and it
// prints tables. Every figure is the minimum and the median of repeated runs.
//
//  1. Through the control: IViewObjectEx::Draw of the whole map (engine background, the three
//     passes, scale bar) into a 1280x800 DIB after the engine's view was moved; and the same
//     frame once the dataset is removed (what the engine and the control's paint cost alone).
//     Beside each frame: the floor the host and the engine set in the same run, and the control's
//     own share, the frame less that floor. The floor of every frame is the engine's frame without
//     the dataset, the host drawing the drawn rows' symbols into a drawing context clipped as the
//     engine's, and the host's renderer and field renderers the layer makes for every frame; a
//     first frame adds the read it needs, every row's position (the baseline read): the row
//     filter's field is read only of the rows that take a pixel (printed for comparison).
//  2. The point layer alone (its frame passes and its optimiser), with its hit tests: the
//     optimiser's, the optimiser's with the tooltip text of its row, and the whole rollover path
//     (text handed to the tooltip window). The host's share of a frame is
//     printed beside it: its renderer drawing the drawn rows' symbols with nothing else, and
//     the read of the field the row filter judges by (the first frame's third value per row);
//     and the layer's own share beside each frame, its floor being the symbols (in the plain
//     canvas the layer draws into) and the renderer made for the frame, a first frame adding the
//     baseline read.
//  3. Cell sites: the cell-site layer alone, with its hit tests and the same host share.
//  4. Area selections of the point layer over the middle of the view: rectangle, radius in
//     degrees, radius in metres (UTM) and polygon; each walks every row like the baseline read.
#include "benchmarks/BenchmarkMain.h"
#include "benchmarks/BaselineRead.h"
#include "benchmarks/EmbeddedControl.h"
#include "benchmarks/Samples.h"
#include "ZmaVOMap2/engine/EngineDispatch.h"
#include "ZmaVOMap2/engine/EngineIds.h"
#include "ZmaVOMap2/datalayers/ZmaVadAZDataLayer.h"
#include "platform/Com.h"
#include "platform/ComObject.h"
#include "platform/Result.h"
#include "tests/support/DibCanvas.h"
#include "tests/support/TestSite.h"

#include "HostInterfaces.h"
#include "VadAZ.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <functional>
#include <memory>
#include <string>
#include <vector>

using platform::Bstr;
using platform::ComPtr;
using platform::Variant;

namespace {

const CLSID kEngineMap = {0x9D6ED188, 0x5910, 0x11D2, {0x98, 0xA6, 0x00, 0xA0, 0xC9, 0x74, 0x2C, 0xCA}};
const int kWidth = 1280, kHeight = 800;
int g_runs = 11;

void PrintHeader(const char* title) {
    std::printf("\n%s\n", title);
    std::printf("  %-9s %-28s %10s %10s %8s %8s\n", "rows", "figure", "min", "median", "min x", "med x");
}

// One line: a time in milliseconds with its ratios to the baseline (min/min, median/median).
void PrintFrame(long rows, const char* figure, const Samples& s, const Samples& baseline) {
    std::printf("  %-9ld %-28s %8.2fms %8.2fms %7.2fx %7.2fx\n", rows, figure, s.Min() * 1e3, s.Median() * 1e3,
                s.Min() / baseline.Min(), s.Median() / baseline.Median());
}

// A frame beside its floor: the frame, the floor (a sum of floors of the same runs, min with
// min, median with median) and the share above it, in milliseconds and against the baseline read.
struct Floor {
    double min = 0, median = 0;
    Floor& Add(const Samples& s) {
        min += s.Min();
        median += s.Median();
        return *this;
    }
};

void PrintShare(long rows, const char* figure, const Samples& s, const Samples& baseline, const Floor& floor,
                double goal) {
    const double shareMin = s.Min() - floor.min, shareMedian = s.Median() - floor.median;
    std::printf("  %-9ld %-28s %8.2fms %8.2fms  floor %6.2f/%6.2fms  own %6.2f/%6.2fms %6.2fx %6.2fx", rows, figure,
                s.Min() * 1e3, s.Median() * 1e3, floor.min * 1e3, floor.median * 1e3, shareMin * 1e3,
                shareMedian * 1e3, shareMin / baseline.Min(), shareMedian / baseline.Median());
    if (goal > 0) std::printf(" (goal %.2fx)", goal);
    std::printf("\n");
}

void PrintMicro(long rows, const char* figure, const Samples& s) {
    std::printf("  %-9ld %-28s %8.1fus %8.1fus\n", rows, figure, s.Min() * 1e6, s.Median() * 1e6);
}

void PrintBytes(long rows, const char* figure, double bytes) {
    std::printf("  %-9ld %-28s %8.1f B per row (%.1f MiB)\n", rows, figure, bytes / rows, bytes / (1024.0 * 1024.0));
}

ComPtr<IHostSampleDataset> MakeSample(long rows) {
    ComPtr<IHostSampleDataset> sample;
    THROW_IF_FAILED(::CoCreateInstance(CLSID_SampleDataset, nullptr, CLSCTX_ALL, __uuidof(IHostSampleDataset),
                                       sample.PutVoid()));
    THROW_IF_FAILED(sample->put_RowCount(rows));
    return sample;
}

// The engine's view: the route's bounds, then moves of the centre by screen pixels.
class EngineView {
public:
    explicit EngineView(IDispatch* map) : map_(map) {}

    void ShowRoute(IHostSampleDataset* sample, bool resize) {
        double x0, y0, x1, y1;
        sample->GetRouteBounds(&x0, &y0, &x1, &y1);
        EngineDispatch engine(map_);
        if (resize) engine.Call(42, {Variant(static_cast<long>(kWidth)), Variant(static_cast<long>(kHeight))});
        CLSID rectangleClass;
        THROW_IF_FAILED(::CLSIDFromProgID(L"MapX.Rectangle.4", &rectangleClass));
        ComPtr<IDispatch> rectangle;
        THROW_IF_FAILED(::CoCreateInstance(rectangleClass, nullptr, CLSCTX_ALL, IID_IDispatch, rectangle.PutVoid()));
        EngineDispatch(rectangle.Get()).Call(Engine::Rectangle::kSet, {Variant(x0), Variant(y0), Variant(x1), Variant(y1)});
        engine.Put(Engine::Map::kBounds, Variant(rectangle.Get()));
        centreX_ = engine.Get(Engine::Map::kCenterX).ToDouble();
        centreY_ = engine.Get(Engine::Map::kCenterY).ToDouble();
        const ZmaExtent e = Extent();
        degreesPerPixel_ = (e.right - e.left) / kWidth;
    }
    // Moves the centre east by `pixels` of the route view (a fraction makes a sub-pixel move).
    void Pan(double pixels) {
        EngineDispatch engine(map_);
        if (pixels == static_cast<long>(pixels)) {
            // Whole pixels as the engine counts them: its own screen-to-map conversion.
            double x, y;
            EngineScreenToMap(engine, static_cast<float>(kWidth / 2 + pixels), static_cast<float>(kHeight / 2), x, y);
            engine.Put(Engine::Map::kCenterX, Variant(x));
        } else {
            engine.Put(Engine::Map::kCenterX, Variant(engine.Get(Engine::Map::kCenterX).ToDouble() + pixels * degreesPerPixel_));
        }
    }
    void Home() {
        EngineDispatch engine(map_);
        engine.Put(Engine::Map::kCenterX, Variant(centreX_));
        engine.Put(Engine::Map::kCenterY, Variant(centreY_));
    }
    ZmaExtent Extent() const {
        Variant bounds = EngineDispatch(map_).Get(Engine::Map::kBounds);
        EngineDispatch r(bounds.pdispVal);
        return {r.Get(Engine::Rectangle::kXMin).ToDouble(), r.Get(Engine::Rectangle::kYMax).ToDouble(),
                r.Get(Engine::Rectangle::kXMax).ToDouble(), r.Get(Engine::Rectangle::kYMin).ToDouble()};
    }

private:
    IDispatch* map_;
    double centreX_ = 0, centreY_ = 0, degreesPerPixel_ = 0;
};

// A 32-bit DIB of the frame's size in a memory DC.
class Canvas : public testsupport::DibCanvas {
public:
    Canvas() : DibCanvas(kWidth, kHeight, false) {}
};

// The frame figures shared by the tables: first frame, sub-pixel pans, whole-pixel pans and an
// unchanged repaint, each interleaved with a baseline read.
struct FrameFigures {
    Samples baseline, first, pan, wholePan, unchanged;
    void Print(long rows) const {
        PrintFrame(rows, "baseline read", baseline, baseline);
        PrintFrame(rows, "first frame", first, baseline);
        PrintFrame(rows, "pan frame (sub-pixel)", pan, baseline);
        PrintFrame(rows, "pan frame (whole pixels)", wholePan, baseline);
        PrintFrame(rows, "unchanged frame", unchanged, baseline);
    }
    // The frames with their floors: `frame` for every frame, `first` for a first frame.
    void PrintShares(long rows, const Floor& frame, const Floor& firstFloor) const {
        PrintShare(rows, "first frame", first, baseline, firstFloor, 0.5);
        PrintShare(rows, "pan frame (sub-pixel)", pan, baseline, frame, 0.25);
        PrintShare(rows, "pan frame (whole pixels)", wholePan, baseline, frame, 0.25);
        PrintShare(rows, "unchanged frame", unchanged, baseline, frame, 0.25);
    }
};

// Seconds taken to make the drawing objects a layer makes for every frame, as it makes them: the
// host's renderer, run, and a field renderer for the styled display field.
double RendererMade(IHostDataset* dataset, const CLSID& symbolClass, const wchar_t* fieldName) {
    ComPtr<IHostField> field = hostdata::FieldByName(hostdata::Fields(dataset).Get(), fieldName);
    const double start = Now();
    ComPtr<IUnknown> object;
    THROW_IF_FAILED(::CoCreateInstance(symbolClass, nullptr, CLSCTX_ALL, IID_IUnknown, object.PutVoid()));
    ::OleRun(object.Get());
    ComPtr<IHostRenderer> renderer;
    THROW_IF_FAILED(object->QueryInterface(__uuidof(IHostRenderer), renderer.PutVoid()));
    THROW_IF_FAILED(renderer->SetEnhancedDrawing(VARIANT_FALSE));
    ComPtr<IHostFieldRenderer> fieldRenderer;
    THROW_IF_FAILED(::CoCreateInstance(SymbolDrawing::kFieldRenderer, nullptr, CLSCTX_ALL, __uuidof(IHostFieldRenderer),
                                       fieldRenderer.PutVoid()));
    THROW_IF_FAILED(fieldRenderer->SetField(field.Get(), 3));
    THROW_IF_FAILED(renderer->AddFieldRenderer(fieldRenderer.Get()));
    return Now() - start;
}

// `first` makes a fresh layer and draws it; `frame` draws the current view.
void MeasureFrames(FrameFigures& f, IHostDataset* dataset, EngineView& view, const std::function<void()>& first,
                   const std::function<void()>& frame) {
    for (int r = 0; r < g_runs; ++r) {
        f.baseline.Add(BaselineRead(dataset));
        view.Home();
        f.first.Add(Time(first));
    }
    for (int r = 0; r < g_runs; ++r) {
        f.baseline.Add(BaselineRead(dataset));
        // Every pan lands on a new fraction of a pixel.
        view.Pan(r % 2 ? -12.37 - r * 0.01 : 12.37 + r * 0.01);
        f.pan.Add(Time(frame));
    }
    view.Home();
    frame();
    for (int r = 0; r < g_runs; ++r) {
        f.baseline.Add(BaselineRead(dataset));
        view.Pan(r % 2 ? -10 : 10);
        f.wholePan.Add(Time(frame));
    }
    for (int r = 0; r < g_runs; ++r) {
        f.baseline.Add(BaselineRead(dataset));
        f.unchanged.Add(Time(frame));
    }
}

// The stand-in renderers keep a journal of their calls unless told not to.
void QuietRenderers() {
    for (const CLSID* drawing : {&SymbolDrawing::kPlain, &SymbolDrawing::kEnhanced, &SymbolDrawing::kCellSites}) {
        ComPtr<IHostRendererTest> settings;
        THROW_IF_FAILED(::CoCreateInstance(*drawing, nullptr, CLSCTX_ALL, __uuidof(IHostRendererTest), settings.PutVoid()));
        settings->put_Logging(VARIANT_FALSE);
    }
}

// --- 2. and 3. the layers alone ------------------------------------------------------------------

struct LayerFigures {
    FrameFigures frames;
    // The host's share of a frame, which no cache can take away: its renderer drawing the symbols
    // of the drawn rows (each made current first), and the read of the one more field a first
    // frame needs beside the baseline's two (the row filter's for points, the element handle for
    // cell sites). The symbols are timed twice: in the plain canvas the layer alone draws into,
    // and clipped to the view as the engine's drawing context is when the control draws the layer.
    Samples hostSymbols, hostSymbolsClipped, fieldRead, renderer;
    const char* fieldFigure = "";
    // Hit tests: the optimiser's; the optimiser's with the tooltip text built for its row (the
    // control's whole share of a rollover); the layer's rollover path, which also hands the text
    // to the tooltip window (the window system's share: without a tooltip shown, only the
    // question for the active window, a round trip to the server under Wine).
    Samples optimiserHit, textHit, rolloverHit;
    double rowBytes = 0;
    double viewBytes = 0;
    long drawn = 0;
};

std::unique_ptr<CZmaVadAZDataLayer> MakeLayer(IDispatch* map, IHostDataset* dataset, bool sites) {
    std::unique_ptr<CZmaVadAZDataLayer> layer;
    if (sites)
        layer = std::make_unique<CZmaVadAZDataLayer>(map, 1, nullptr, std::make_unique<RendererOptimiserCellSites>(L""),
                                                     &SymbolDrawing::kCellSites, L"");
    else
        layer = std::make_unique<CZmaVadAZDataLayer>(map, 1, nullptr, std::make_unique<RendererOptimiserDataset>(),
                                                     &SymbolDrawing::kPlain, L"");
    THROW_IF_FAILED(layer->Attach(sites ? "Sites" : "Benchmark",
                                  sites ? CZmaVadAZLayer::kTypeCellSites : CZmaVadAZLayer::kTypeDataset));
    layer->SetLayerKey(L"{BE7C4A11-0000-0000-0000-000000000001}");
    layer->SetDataset(dataset);
    THROW_IF_FAILED(layer->Initialise({L"RxLev"}));
    layer->GetLabelProperties()->SetVisible(false);
    return layer;
}

// A pixel with a drawn row: the middle one of the iteration.
POINT DrawnPixel(RendererOptimiserInterface& optimiser, long& drawn) {
    std::vector<POINT> pixels;
    for (int row = optimiser.Reset(); row != -1; row = optimiser.MoveNext()) {
        POINT p;
        if (optimiser.GetScreenPosition(p)) pixels.push_back(p);
    }
    drawn = static_cast<long>(pixels.size());
    return pixels.empty() ? POINT{kWidth / 2, kHeight / 2} : pixels[pixels.size() / 2];
}

// Seconds taken to read one field of every row, as the baseline reads two.
double FieldRead(IHostDataset* dataset, const wchar_t* name) {
    platform::ComPtr<IHostRows> rows = hostdata::Rows(dataset);
    platform::ComPtr<IHostField> field = hostdata::FieldByName(hostdata::Fields(dataset).Get(), name);
    const double start = Now();
    const long count = hostdata::RowCount(rows.Get());
    Variant v;
    rows->MoveFirst();
    for (long i = 0; i < count; ++i) {
        hostdata::ReadValue(field.Get(), v);
        VARIANT_BOOL on;
        rows->MoveNext(&on);
    }
    return Now() - start;
}

void MeasureHostShare(LayerFigures& f, IHostDataset* dataset, RendererOptimiserInterface& optimiser, HDC dc,
                      const CLSID& symbolClass, const wchar_t* field) {
    struct Drawn {
        int row;
        POINT pixel;
    };
    std::vector<Drawn> drawn;
    for (int row = optimiser.Reset(); row != -1; row = optimiser.MoveNext()) {
        POINT p;
        if (optimiser.GetDrawPosition(p)) drawn.push_back({row, p});
    }
    ComPtr<IHostRenderer> renderer;
    THROW_IF_FAILED(::CoCreateInstance(symbolClass, nullptr, CLSCTX_ALL, __uuidof(IHostRenderer), renderer.PutVoid()));
    ComPtr<IHostRows> rows = hostdata::Rows(dataset);
    auto symbols = [&] {
        for (const Drawn& d : drawn) {
            rows->MoveTo(d.row);
            renderer->DrawSymbol(dc, d.pixel.x, d.pixel.y, 0);
        }
        ::GdiFlush();
    };
    for (int r = 0; r < g_runs; ++r) {
        f.hostSymbols.Add(Time(symbols));
        const int saved = ::SaveDC(dc);
        ::IntersectClipRect(dc, 0, 0, kWidth, kHeight);
        f.hostSymbolsClipped.Add(Time(symbols));
        ::RestoreDC(dc, saved);
        f.fieldRead.Add(FieldRead(dataset, field));
        f.renderer.Add(RendererMade(dataset, symbolClass, L"RxLev"));
    }
}

LayerFigures LayerFrames(IDispatch* map, IHostSampleDataset* sample, bool sites) {
    ComPtr<IHostDataset> dataset;
    THROW_IF_FAILED(sample->QueryInterface(__uuidof(IHostDataset), dataset.PutVoid()));
    EngineView view(map);
    view.ShowRoute(sample, true);

    Canvas canvas;
    const RECT rect = {0, 0, kWidth, kHeight};
    std::unique_ptr<CZmaVadAZDataLayer> layer;
    auto frame = [&] {
        const ZmaExtent extent = view.Extent();
        layer->OnDrawUserLayer(canvas.Dc(), rect, extent);
        layer->Draw(canvas.Dc(), rect, extent);
        layer->DrawSecondPass(canvas.Dc(), rect, extent);
        layer->DrawLabels(canvas.Dc(), rect, extent);
    };
    auto first = [&] {
        layer = MakeLayer(map, dataset.Get(), sites);
        frame();
    };
    LayerFigures f;
    MeasureFrames(f.frames, dataset.Get(), view, first, frame);

    view.Home();
    frame();
    RendererOptimiserInterface& optimiser = *layer->GetOptimiser();
    MeasureHostShare(f, dataset.Get(), optimiser, canvas.Dc(), sites ? SymbolDrawing::kCellSites : SymbolDrawing::kPlain,
                     sites ? L"ElementHandle" : L"RxLev");
    f.fieldFigure = sites ? "host: the handle field" : "host: the filter's field";
    POINT target = DrawnPixel(optimiser, f.drawn);
    // The stand-in's site symbol stands 6 pixels above the site.
    if (sites) target.y -= 6;
    const int hits = 200;
    ComPtr<IHostRows> rows = hostdata::Rows(dataset.Get());
    for (int r = 0; r < g_runs; ++r) {
        f.optimiserHit.Add(Time([&] {
                               for (int i = 0; i < hits; ++i) optimiser.HitTest({target.x + (i % 3) - 1, target.y}, layer->GetRenderer());
                           }) / hits);
        f.textHit.Add(Time([&] {
                          for (int i = 0; i < hits; ++i) {
                              const int row = optimiser.HitTest({target.x + (i % 3) - 1, target.y}, layer->GetRenderer());
                              if (row == -1) continue;
                              hostdata::MoveTo(rows.Get(), row);
                              std::wstring text;
                              layer->BuildTooltipText(text);
                          }
                      }) / hits);
        f.rolloverHit.Add(Time([&] {
                              for (int i = 0; i < hits; ++i) layer->HitTest(target.x + (i % 3) - 1, target.y, 0, 0);
                          }) / hits);
    }
#if __has_include("ZmaVOMap2/datalayers/RowPositions.h")
    f.rowBytes = static_cast<double>(optimiser.RowCacheBytes());
    if (auto* points = dynamic_cast<RendererOptimiserDataset*>(&optimiser)) f.viewBytes = static_cast<double>(points->ViewBytes());
#endif
    return f;
}

// --- 1. through the control ----------------------------------------------------------------------

void ControlFrames(IHostSampleDataset* sample, long rowCount) {
    ComPtr<IHostDataset> dataset;
    THROW_IF_FAILED(sample->QueryInterface(__uuidof(IHostDataset), dataset.PutVoid()));
    ComPtr<IDispatch> datasetDispatch = As<IDispatch>(dataset.Get());

    ComPtr<IUnknown> control;
    THROW_IF_FAILED(::CoCreateInstance(CLSID_VadAZ2, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, control.PutVoid()));
    auto site = platform::MakeObject<testsupport::TestSite>(kWidth, kHeight);
    ComPtr<IOleObject> ole = As<IOleObject>(control.Get());
    THROW_IF_FAILED(ole->SetClientSite(site.Get()));
    THROW_IF_FAILED(As<IPersistStreamInit>(control.Get())->InitNew());
    RECT r = site->Rect();
    THROW_IF_FAILED(ole->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, site.Get(), 0, site->Window(), &r));
    ComPtr<IZmaVadAZ2> vadaz = As<IZmaVadAZ2>(control.Get());
    ComPtr<IDispatch> map;
    THROW_IF_FAILED(vadaz->get_MapX(map.Put()));
    EngineView view(map.Get());
    view.ShowRoute(sample, false);

    Canvas canvas;
    ComPtr<IViewObjectEx> viewObject = As<IViewObjectEx>(control.Get());
    // Every first frame shows the dataset as a series the control has not seen, in the route's view.
    int series = 0;
    auto seriesGuid = [&series] {
        wchar_t text[64];
        std::swprintf(text, 64, L"{BE7C4A11-0000-0000-0000-%012d}", series);
        return Bstr(text);
    };
    auto draw = [&] {
        RECTL bounds = {0, 0, kWidth, kHeight};
        THROW_IF_FAILED(viewObject->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, canvas.Dc(), canvas.Dc(), &bounds, nullptr,
                                         nullptr, 0));
        ::GdiFlush();
    };
    auto first = [&] {
        // A host's first sight of the dataset: displayed, then painted.
        if (series > 0) THROW_IF_FAILED(vadaz->RemoveDataset(seriesGuid().Get(), Variant::Missing()));
        ++series;
        THROW_IF_FAILED(vadaz->DisplayDataset(datasetDispatch.Get(), Variant(L"RxLev"), seriesGuid().Get()));
        draw();
    };
    FrameFigures f;
    MeasureFrames(f, dataset.Get(), view, first, draw);
    f.Print(rowCount);

    // The host's share of the same frames: its symbols for the rows drawn in this view (a layer of
    // the benchmark's own over the same map finds them), in a context clipped as the engine's, the
    // drawing objects made for every frame, and (for comparison) the read of the filter's field.
    LayerFigures host;
    {
        std::unique_ptr<CZmaVadAZDataLayer> probe = MakeLayer(map.Get(), dataset.Get(), false);
        Canvas scratch;
        const RECT rect = {0, 0, kWidth, kHeight};
        probe->OnDrawUserLayer(scratch.Dc(), rect, view.Extent());
        MeasureHostShare(host, dataset.Get(), *probe->GetOptimiser(), scratch.Dc(), SymbolDrawing::kPlain, L"RxLev");
    }
    // What the frame costs without the dataset: the engine's own drawing and the control's paint.
    Samples baseline, empty;
    THROW_IF_FAILED(vadaz->RemoveDataset(seriesGuid().Get(), Variant::Missing()));
    for (int r = 0; r < g_runs; ++r) {
        baseline.Add(BaselineRead(dataset.Get()));
        empty.Add(Time(draw));
    }
    PrintFrame(rowCount, "frame without the dataset", empty, baseline);
    PrintFrame(rowCount, "host: symbols, clipped", host.hostSymbolsClipped, f.baseline);
    PrintFrame(rowCount, "host: renderer per frame", host.renderer, f.baseline);
    PrintFrame(rowCount, "host: the filter's field", host.fieldRead, f.baseline);
    Floor frameFloor;
    frameFloor.Add(empty).Add(host.hostSymbolsClipped).Add(host.renderer);
    Floor firstFloor = frameFloor;
    firstFloor.Add(f.baseline);
    f.PrintShares(rowCount, frameFloor, firstFloor);

    ole->Close(OLECLOSE_NOSAVE);
    ole->SetClientSite(nullptr);
}

void PrintLayer(long rows, const LayerFigures& f, const char* rowName, bool sites) {
    f.frames.Print(rows);
    PrintFrame(rows, "host: symbols alone", f.hostSymbols, f.frames.baseline);
    PrintFrame(rows, "host: symbols, clipped", f.hostSymbolsClipped, f.frames.baseline);
    PrintFrame(rows, f.fieldFigure, f.fieldRead, f.frames.baseline);
    PrintFrame(rows, "host: renderer per frame", f.renderer, f.frames.baseline);
    // The layer alone draws into a plain canvas. Its first frame also makes the layer and reads
    // the positions, and for cell sites their element handles.
    Floor frameFloor;
    frameFloor.Add(f.hostSymbols).Add(f.renderer);
    Floor firstFloor = frameFloor;
    firstFloor.Add(f.frames.baseline);
    if (sites) firstFloor.Add(f.fieldRead);
    f.frames.PrintShares(rows, frameFloor, firstFloor);
    PrintMicro(rows, "hit test, optimiser", f.optimiserHit);
    PrintMicro(rows, "hit test + tooltip text", f.textHit);
    PrintMicro(rows, "hit test, rollover + tooltip", f.rolloverHit);
    if (f.rowBytes > 0) {
        PrintBytes(rows, rowName, f.rowBytes);
        if (f.viewBytes > 0) std::printf("  %-9ld %-28s %8.1f KiB for the view\n", rows, "view pixel table", f.viewBytes / 1024);
    }
    std::printf("  %-9ld %-28s %8ld\n", rows, "rows drawn", f.drawn);
}

void AreaSelections(IDispatch* map, IHostSampleDataset* sample, long rowCount) {
    ComPtr<IHostDataset> dataset;
    THROW_IF_FAILED(sample->QueryInterface(__uuidof(IHostDataset), dataset.PutVoid()));
    EngineView view(map);
    view.ShowRoute(sample, true);
    Canvas canvas;
    const RECT rect = {0, 0, kWidth, kHeight};
    std::unique_ptr<CZmaVadAZDataLayer> layer = MakeLayer(map, dataset.Get(), false);
    const ZmaExtent extent = view.Extent();
    layer->OnDrawUserLayer(canvas.Dc(), rect, extent);

    const double w = extent.right - extent.left, h = extent.top - extent.bottom;
    const ZmaPointD centre = {extent.left + w / 2, extent.bottom + h / 2};
    const ZmaExtent middle = {centre.x - w / 4, centre.y + h / 4, centre.x + w / 4, centre.y - h / 4};
    // The projected radius takes its centre as (latitude, longitude): about a quarter of the width.
    const double metres = w / 4 * 111320.0 * std::cos(centre.y * 3.14159265358979 / 180.0);
    const std::vector<ZmaPointD> diamond = {{middle.left, centre.y}, {centre.x, middle.top}, {middle.right, centre.y},
                                            {centre.x, middle.bottom}, {middle.left, centre.y}};
    const struct {
        const char* name;
        std::function<void()> select;
    } kinds[] = {
        {"select rectangle", [&] { layer->SelectInRectangle(middle); }},
        {"select radius (degrees)", [&] { layer->SelectInRadius(centre, w / 4); }},
        {"select radius (metres)", [&] { layer->SelectInRadiusProjected({centre.y, centre.x}, metres); }},
        {"select polygon", [&] { layer->SelectInPolygon(middle, diamond); }},
    };
    Samples baseline;
    std::vector<Samples> figures(4);
    for (int r = 0; r < g_runs; ++r) {
        baseline.Add(BaselineRead(dataset.Get()));
        for (size_t k = 0; k < figures.size(); ++k) {
            layer->ClearSelection();
            figures[k].Add(Time(kinds[k].select));
        }
    }
    PrintFrame(rowCount, "baseline read", baseline, baseline);
    for (size_t k = 0; k < figures.size(); ++k) PrintFrame(rowCount, kinds[k].name, figures[k], baseline);
    layer->ClearSelection();
}

}  // namespace

// Arguments: the runs per figure (11), and optionally one table: control, points, sites or select.
int main(int argc, char** argv) {
    if (argc > 1) g_runs = std::max(1, std::atoi(argv[1]));
    const std::string only = argc > 2 ? argv[2] : "";
    auto wanted = [&only](const char* table) { return only.empty() || only == table; };
    return RunFigures([&] {
        std::printf("%d runs per figure; ratios are to the baseline read of the same run (min/min, median/median)\n",
                    g_runs);
        QuietRenderers();
        // One dataset of each size for every table.
        const long sizes[] = {10000L, 100000L, 1000000L};
        ComPtr<IHostSampleDataset> samples[3];
        for (int i = 0; i < 3; ++i) samples[i] = MakeSample(sizes[i]);
        if (wanted("control")) {
            PrintHeader("1. Through the control: IViewObjectEx::Draw of the map into a 1280x800 DIB after an engine pan");
            for (int i = 0; i < 3; ++i) ControlFrames(samples[i].Get(), sizes[i]);
        }

        ComPtr<IDispatch> map;
        THROW_IF_FAILED(::CoCreateInstance(kEngineMap, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, map.PutVoid()));
        if (wanted("points")) {
            PrintHeader("2. The point layer alone: its three passes and its optimiser, 1280x800");
            for (int i = 0; i < 3; ++i) PrintLayer(sizes[i], LayerFrames(map.Get(), samples[i].Get(), false), "kept per row", false);
        }
        if (wanted("sites")) {
            PrintHeader("3. Cell sites: the cell-site layer alone, 1280x800");
            for (int i = 0; i < 3; ++i) PrintLayer(sizes[i], LayerFrames(map.Get(), samples[i].Get(), true), "kept per site", true);
        }
        if (wanted("select")) {
            PrintHeader("4. Area selections of the point layer over the middle of the view");
            for (int i = 0; i < 3; ++i) AreaSelections(map.Get(), samples[i].Get(), sizes[i]);
        }
    });
}
