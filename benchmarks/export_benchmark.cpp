// The export of a point layer over the generated drive test to a MapInfo table and to KML,
// against the cost of reading every row's latitude and longitude through the same host
// interface. Not a test: run it by hand (wine export_benchmark.exe [folder]) and compare the
// ratios, also against the host's own formatter calls that every exported row needs (its text and
// its class), which the export cannot avoid. Memory is the process's committed bytes after each
// export against before it.
#include "benchmarks/BaselineRead.h"
#include "ZmaVOMap2/datalayers/StyleSettings.h"
#include "ZmaVOMap2/datalayers/ZmaVadAZDataLayer.h"
#include "platform/Com.h"
#include "platform/Result.h"

#include "HostInterfaces.h"

#include <psapi.h>

#include <cstdio>
#include <memory>
#include <string>

using platform::Bstr;
using platform::ComPtr;
using platform::Variant;

namespace {

const CLSID kEngineMap = {0x9D6ED188, 0x5910, 0x11D2, {0x98, 0xA6, 0x00, 0xA0, 0xC9, 0x74, 0x2C, 0xCA}};
const wchar_t kKey[] = L"{BE7C4A11-0000-0000-0000-000000000002}";

double PrivateMegabytes() {
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof counters;
    ::GetProcessMemoryInfo(::GetCurrentProcess(), &counters, sizeof counters);
    return static_cast<double>(counters.PagefileUsage) / (1024.0 * 1024.0);
}

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

void Run(IDispatch* map, long rowCount, const std::string& folder, bool kml) {
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

    const double baseline = BaselineRead(dataset.Get());
    const double formatting = FormatterCalls(dataset.Get());
    const double before = PrivateMegabytes();
    double start = Now();
    const HRESULT tab = layer.ExportTab(folder);
    const double tabTime = Now() - start;
    const double afterTab = PrivateMegabytes();
    std::printf("%8ld rows: read %.1f ms | formatter calls %.1f ms | TAB %s %.1f ms (%.2fx the read, %.2fx the "
                "formatter calls, %.0f rows/s) | memory %+.1f MB\n",
                rowCount, baseline * 1e3, formatting * 1e3, SUCCEEDED(tab) ? "written" : "FAILED", tabTime * 1e3,
                tabTime / baseline, tabTime / formatting, rowCount / tabTime, afterTab - before);
    if (!kml) return;
    start = Now();
    HRESULT hr = E_FAIL;
    try {
        hr = layer.ExportKml(folder);
    } catch (const platform::ComError& e) {
        hr = e.Error();
    }
    const double kmlTime = Now() - start;
    std::printf("%8ld rows: KML %s (0x%08lx) %.1f ms (%.2fx, %.0f rows/s) | memory %+.1f MB\n", rowCount,
                SUCCEEDED(hr) ? "written" : "FAILED", static_cast<unsigned long>(hr), kmlTime * 1e3,
                kmlTime / baseline, rowCount / kmlTime, PrivateMegabytes() - afterTab);
}

}  // namespace

int main(int argc, char** argv) {
    ::SetEnvironmentVariableW(L"VADAZ_STANDIN_QUIET", L"1");
    ::OleInitialize(nullptr);
    int result = 0;
    char temp[MAX_PATH] = {};
    ::GetTempPathA(MAX_PATH, temp);
    const std::string folder = argc > 1 ? argv[1] : std::string(temp);
    try {
        ComPtr<IDispatch> map;
        THROW_IF_FAILED(::CoCreateInstance(kEngineMap, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, map.PutVoid()));
        for (long rows : {100000L, 1000000L}) Run(map.Get(), rows, folder, true);
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
