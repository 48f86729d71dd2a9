// Frame, hit-test and area-selection costs of a point layer over generated drive tests, against
// the cost of reading every row's latitude and longitude through the same host interface. Not a test: run it
// by hand (wine datalayer_benchmark.exe) and compare the ratios.
#include "ZmaVOMap2/engine/EngineDispatch.h"
#include "ZmaVOMap2/engine/EngineIds.h"
#include "ZmaVOMap2/datalayers/ZmaVadAZDataLayer.h"
#include "platform/Com.h"
#include "platform/Result.h"

#include "HostInterfaces.h"

#include <cmath>
#include <cstdio>
#include <memory>

using platform::ComPtr;
using platform::Variant;

namespace {

const CLSID kEngineMap = {0x9D6ED188, 0x5910, 0x11D2, {0x98, 0xA6, 0x00, 0xA0, 0xC9, 0x74, 0x2C, 0xCA}};
const int kWidth = 1280, kHeight = 800;

double Now() {
    LARGE_INTEGER f, c;
    ::QueryPerformanceFrequency(&f);
    ::QueryPerformanceCounter(&c);
    return static_cast<double>(c.QuadPart) / static_cast<double>(f.QuadPart);
}

ZmaExtent ShowRoute(IDispatch* map, IHostSampleDataset* sample) {
    double x0, y0, x1, y1;
    sample->GetRouteBounds(&x0, &y0, &x1, &y1);
    EngineDispatch engine(map);
    engine.Call(42, {Variant(static_cast<long>(kWidth)), Variant(static_cast<long>(kHeight))});
    CLSID rectangleClass;
    THROW_IF_FAILED(::CLSIDFromProgID(L"MapX.Rectangle.4", &rectangleClass));
    ComPtr<IDispatch> rectangle;
    THROW_IF_FAILED(::CoCreateInstance(rectangleClass, nullptr, CLSCTX_ALL, IID_IDispatch, rectangle.PutVoid()));
    EngineDispatch(rectangle.Get()).Call(EngineRectangle::kSet, {Variant(x0), Variant(y0), Variant(x1), Variant(y1)});
    engine.Put(EngineMap::kBounds, Variant(rectangle.Get()));
    Variant bounds = engine.Get(EngineMap::kBounds);
    EngineDispatch r(bounds.pdispVal);
    return {r.Get(EngineRectangle::kXMin).ToDouble(), r.Get(EngineRectangle::kYMax).ToDouble(),
            r.Get(EngineRectangle::kXMax).ToDouble(), r.Get(EngineRectangle::kYMin).ToDouble()};
}

// Latitude and longitude of every row, through the host's row and field interfaces.
double BaselineRead(IHostDataset* dataset) {
    ComPtr<IHostRows> rows = hostdata::Rows(dataset);
    ComPtr<IHostFields> fields = hostdata::Fields(dataset);
    ComPtr<IHostField> lat = hostdata::FieldByName(fields.Get(), L"Latitude");
    ComPtr<IHostField> lon = hostdata::FieldByName(fields.Get(), L"Longitude");
    const double start = Now();
    const long count = hostdata::RowCount(rows.Get());
    double sum = 0;
    Variant v;
    rows->MoveFirst();
    for (long i = 0; i < count; ++i) {
        hostdata::ReadValue(lat.Get(), v);
        sum += v.dblVal;
        hostdata::ReadValue(lon.Get(), v);
        sum += v.dblVal;
        VARIANT_BOOL on;
        rows->MoveNext(&on);
    }
    const double took = Now() - start;
    if (sum == 42.0) std::printf(" ");
    return took;
}

void Run(IDispatch* map, long rowCount) {
    ComPtr<IHostSampleDataset> sample;
    THROW_IF_FAILED(::CoCreateInstance(CLSID_SampleDataset, nullptr, CLSCTX_ALL, __uuidof(IHostSampleDataset),
                                       sample.PutVoid()));
    THROW_IF_FAILED(sample->put_RowCount(rowCount));
    ComPtr<IHostDataset> dataset;
    THROW_IF_FAILED(sample.As(dataset));
    const ZmaExtent view = ShowRoute(map, sample.Get());
    const RECT rect = {0, 0, kWidth, kHeight};

    CZmaVadAZDataLayer layer(map, 1, nullptr, std::make_unique<RendererOptimiserDataset>(), &SymbolDrawing::kPlain, L"");
    THROW_IF_FAILED(layer.Attach("Benchmark", CZmaVadAZLayer::kTypeDataset));
    layer.SetLayerKey(L"{BE7C4A11-0000-0000-0000-000000000001}");
    layer.SetDataset(dataset.Get());
    THROW_IF_FAILED(layer.Initialise({L"RxLev"}));
    layer.GetLabelProperties()->SetVisible(false);
    ComPtr<IHostRendererTest> settings;
    THROW_IF_FAILED(::CoCreateInstance(CLSID_HostPointRenderer, nullptr, CLSCTX_ALL, __uuidof(IHostRendererTest),
                                       settings.PutVoid()));
    settings->put_Logging(VARIANT_FALSE);

    HDC screen = ::GetDC(nullptr);
    HDC dc = ::CreateCompatibleDC(screen);
    HBITMAP bitmap = ::CreateCompatibleBitmap(screen, kWidth, kHeight);
    HGDIOBJ old = ::SelectObject(dc, bitmap);

    const double baseline = BaselineRead(dataset.Get());
    auto frame = [&](const ZmaExtent& extent) {
        const double start = Now();
        layer.OnDrawUserLayer(dc, rect, extent);
        layer.Draw(dc, rect, extent);
        layer.DrawSecondPass(dc, rect, extent);
        layer.DrawLabels(dc, rect, extent);
        return Now() - start;
    };
    // The first frame also computes the data extent; a pan then rebuilds; an unchanged view replays.
    const double first = frame(view);
    const double dx = (view.right - view.left) * 0.01;
    const double rebuilt = frame({view.left + dx, view.top, view.right + dx, view.bottom});
    const double replayed = frame({view.left + dx, view.top, view.right + dx, view.bottom});

    auto* optimiser = static_cast<RendererOptimiserDataset*>(layer.GetOptimiser());
    const size_t drawn = optimiser->DrawList().size();
    POINT target = {kWidth / 2, kHeight / 2};
    if (drawn) {
        hostdata::MoveTo(hostdata::Rows(dataset.Get()).Get(), optimiser->DrawList()[drawn / 2]);
        optimiser->GetScreenPosition(target);
    }
    const int hits = 2000;
    int found = 0;
    const double hitStart = Now();
    for (int i = 0; i < hits; ++i)
        if (optimiser->HitTest({target.x + (i % 3) - 1, target.y}, layer.GetRenderer()) != -1) ++found;
    const double hitTime = (Now() - hitStart) / hits;

    std::printf("%8ld rows: read %.1f ms | first frame %.1f ms (%.2fx) | after a pan %.1f ms (%.2fx) | "
                "unchanged %.2f ms | %zu drawn | hit test %.3f ms (%d of %d hit)\n",
                rowCount, baseline * 1e3, first * 1e3, first / baseline, rebuilt * 1e3, rebuilt / baseline,
                replayed * 1e3, drawn, hitTime * 1e3, found, hits);

    // Area selections over the middle of the view: each walks every row, like the baseline read.
    const double w = view.right - view.left, h = view.top - view.bottom;
    const ZmaPointD centre = {view.left + w / 2, view.bottom + h / 2};
    ComPtr<IHostStringList> selection = hostdata::Selection(dataset.Get());
    auto timed = [&](const char* name, auto select) {
        layer.ClearSelection();
        const double start = Now();
        select();
        const double took = Now() - start;
        std::printf("          %-18s %.1f ms (%.2fx the read), %ld rows selected\n", name, took * 1e3, took / baseline,
                    hostdata::SelectionCount(selection.Get()));
    };
    timed("rectangle", [&] { layer.SelectInRectangle({centre.x - w / 4, centre.y + h / 4, centre.x + w / 4, centre.y - h / 4}); });
    timed("radius (degrees)", [&] { layer.SelectInRadius(centre, w / 4); });
    // The projected radius takes its centre as (latitude, longitude); about a quarter of the width.
    const double metres = w / 4 * 111320.0 * std::cos(centre.y * 3.14159265358979 / 180.0);
    timed("radius (metres)", [&] { layer.SelectInRadiusProjected({centre.y, centre.x}, metres); });
    const std::vector<ZmaPointD> diamond = {{centre.x - w / 4, centre.y}, {centre.x, centre.y + h / 4},
                                            {centre.x + w / 4, centre.y}, {centre.x, centre.y - h / 4},
                                            {centre.x - w / 4, centre.y}};
    timed("polygon", [&] {
        layer.SelectInPolygon({centre.x - w / 4, centre.y + h / 4, centre.x + w / 4, centre.y - h / 4}, diamond);
    });
    layer.ClearSelection();

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
        ComPtr<IDispatch> map;
        THROW_IF_FAILED(::CoCreateInstance(kEngineMap, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, map.PutVoid()));
        for (long rows : {10000L, 100000L, 1000000L}) Run(map.Get(), rows);
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
