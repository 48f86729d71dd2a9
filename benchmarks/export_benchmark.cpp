// The export of a point layer over the generated drive test to a MapInfo table and to KML,
// against the cost of reading every row's latitude and longitude through the same host
// interface. Not a test: run it by hand (wine export_benchmark.exe [folder [runs]]) and compare the
// ratios, also against the host's own formatter calls that every exported row needs (its text and
// its class), which the export cannot avoid. Memory is the peak of the process's committed bytes
// while each export runs, above what the process held when it began (PeakMemory.h). A KML
// export holds its 64 KB write buffer; a TAB export holds besides the spatial index of its .MAP
// file until the table is closed, 20 bytes per block of 18 points, which grows with the rows:
// about 1.1 MB at 1 000 000 rows. Memory the process already held takes the buffer, and the
// 0.1 MB index of 100 000 rows, so that those figures come out as 0.00 MB.
#include "benchmarks/BenchmarkMain.h"
#include "benchmarks/BaselineRead.h"
#include "benchmarks/PeakMemory.h"
#include "benchmarks/Samples.h"
#include "ZmaVOMap2/datalayers/StyleSettings.h"
#include "ZmaVOMap2/datalayers/ZmaVadAZDataLayer.h"
#include "platform/Com.h"
#include "platform/Result.h"

#include "HostInterfaces.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

using platform::Bstr;
using platform::ComPtr;
using platform::Variant;

namespace {

const CLSID kEngineMap = {0x9D6ED188, 0x5910, 0x11D2, {0x98, 0xA6, 0x00, 0xA0, 0xC9, 0x74, 0x2C, 0xCA}};
const wchar_t kKey[] = L"{BE7C4A11-0000-0000-0000-000000000002}";

// The formatter calls of every row alone: the value's text and its class.
double FormatterCalls(IHostDataset* dataset) {
    ComPtr<IHostRows> rows = hostdata::Rows(dataset);
    ComPtr<IHostField> field = hostdata::FieldByName(hostdata::Fields(dataset).Get(), L"RxLev");
    ComPtr<IHostFieldStyle> formatter = FindInHostCollection(field.Get());
    const double start = Now();
    const long count = hostdata::RowCount(rows.Get());
    Variant v;
    rows->MoveFirst();
    long classes = 0;
    for (long i = 0; i < count; ++i) {
        hostdata::ReadValue(field.Get(), v);
        Bstr text;
        formatter->FormatValue(0, v, Variant::Missing(), text.Put());
        long classIndex = -1;
        formatter->ClassOf(v, &classIndex);
        classes += classIndex;
        VARIANT_BOOL on;
        rows->MoveNext(&on);
    }
    const double took = Now() - start;
    if (classes == 42) std::printf(" ");
    return took;
}

void AttachLevelStyle(IHostDataset* dataset) {
    ComPtr<IHostFieldStyleSetup> style;
    THROW_IF_FAILED(::CoCreateInstance(CLSID_HostFieldStyle, nullptr, CLSCTX_ALL, __uuidof(IHostFieldStyleSetup), style.PutVoid()));
    const double bounds[] = {-1000, -90, -70, 1000};
    const long colours[] = {0x0000FF, 0x00FF00, 0xFF0000};
    for (int i = 0; i < 3; ++i) {
        long position = 0;
        THROW_IF_FAILED(style->AddClass(Variant(bounds[i]), Variant(bounds[i + 1]), Bstr(L"").Get(), 40 + i, 8.0,
                                        colours[i], &position));
    }
    THROW_IF_FAILED(style->SetDefaults(Bstr(L"Map Symbols").Get(), 0x808080, 10.0, 33));
    ComPtr<IHostFields> fields = hostdata::Fields(dataset);
    ComPtr<IHostPropertyCollection> properties = hostdata::FieldProperties(hostdata::FieldByName(fields.Get(), L"RxLev").Get());
    ComPtr<IDispatch> object;
    THROW_IF_FAILED(style.As(object));
    THROW_IF_FAILED(properties->Add(Variant(object.Get()), Variant::Missing(), Variant::Missing()));
}

// The time of one export and the most memory it took.
struct ExportFigures {
    Samples time, peak;
    HRESULT result = S_OK;
};

template <class Export>
void MeasureExport(ExportFigures& f, PeakMemory& memory, Export run) {
    double took = 0;
    f.peak.Add(memory.Above([&] {
        const double start = Now();
        HRESULT hr = E_FAIL;
        try {
            hr = run();
        } catch (const platform::ComError& e) {
            hr = e.Error();
        }
        took = Now() - start;
        if (FAILED(hr)) f.result = hr;
    }));
    f.time.Add(took);
}

void PrintExport(long rows, const char* name, const ExportFigures& f, const Samples& baseline, const Samples& formatting) {
    std::printf("  %-8ld %-4s %-8s %9.1f %9.1f ms %8.2fx %8.2fx %7.2fx %7.2fx %9.2f %9.2f MB\n", rows, name,
                SUCCEEDED(f.result) ? "written" : "FAILED", f.time.Min() * 1e3, f.time.Median() * 1e3,
                f.time.Min() / baseline.Min(), f.time.Median() / baseline.Median(), f.time.Min() / formatting.Min(),
                f.time.Median() / formatting.Median(), f.peak.Min(), f.peak.Max());
}

void Run(IDispatch* map, long rowCount, const std::string& folder, int runs) {
    ComPtr<IHostSampleDataset> sample;
    THROW_IF_FAILED(::CoCreateInstance(CLSID_SampleDataset, nullptr, CLSCTX_ALL, __uuidof(IHostSampleDataset),
                                       sample.PutVoid()));
    THROW_IF_FAILED(sample->put_RowCount(rowCount));
    ComPtr<IHostDataset> dataset;
    THROW_IF_FAILED(sample.As(dataset));
    AttachLevelStyle(dataset.Get());
    SaveStyleSettings(dataset.Get(), L"RxLev", kKey, 3);

    CZmaVadAZDataLayer layer(map, 1, nullptr, std::make_unique<RendererOptimiserDataset>(), &SymbolDrawing::kPlain, L"");
    THROW_IF_FAILED(layer.Attach("Benchmark" + std::to_string(rowCount), CZmaVadAZLayer::kTypeDataset));
    layer.SetLayerKey(kKey);
    layer.SetDataset(dataset.Get());
    THROW_IF_FAILED(layer.Initialise({L"RxLev"}));

    Samples baseline, formatting;
    ExportFigures tab, kml;
    PeakMemory memory;
    for (int r = 0; r < runs; ++r) {
        baseline.Add(BaselineRead(dataset.Get()));
        formatting.Add(FormatterCalls(dataset.Get()));
        MeasureExport(tab, memory, [&] { return layer.ExportTab(platform::ToWide(folder)); });
        MeasureExport(kml, memory, [&] { return layer.ExportKml(platform::ToWide(folder)); });
    }
    std::printf("  %-8ld %-13s %9.1f %9.1f ms\n", rowCount, "read", baseline.Min() * 1e3, baseline.Median() * 1e3);
    std::printf("  %-8ld %-13s %9.1f %9.1f ms %8.2fx %8.2fx\n", rowCount, "formatter", formatting.Min() * 1e3,
                formatting.Median() * 1e3, formatting.Min() / baseline.Min(), formatting.Median() / baseline.Median());
    PrintExport(rowCount, "TAB", tab, baseline, formatting);
    PrintExport(rowCount, "KML", kml, baseline, formatting);
}

}  // namespace

int main(int argc, char** argv) {
    ::SetEnvironmentVariableW(L"VADAZ_STANDIN_QUIET", L"1");
    char temp[MAX_PATH] = {};
    ::GetTempPathA(MAX_PATH, temp);
    const std::string folder = argc > 1 ? argv[1] : std::string(temp);
    const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 3;
    return RunFigures([&] {
        ComPtr<IDispatch> map;
        THROW_IF_FAILED(::CoCreateInstance(kEngineMap, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, map.PutVoid()));
        std::printf("%d runs; min and median; ratios to the read and to the formatter calls of the same runs "
                    "(min/min, median/median); peak memory above what the process held before, lowest and highest\n",
                    runs);
        std::printf("  %-8s %-13s %9s %9s    %8s %8s %7s %7s %9s %9s\n", "rows", "figure", "min", "median", "x read",
                    "(med)", "x fmt", "(med)", "peak min", "peak max");
        for (long rows : {100000L, 1000000L}) Run(map.Get(), rows, folder, runs);
    });
}
