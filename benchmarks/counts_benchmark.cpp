// What a host's counts cost through the control: adding many circles and dropping many markers
// (each followed by the one repaint the host's message loop gets afterwards), and building,
// drawing and loading direction arrows over a long route, each beside a count ten times smaller.
// Adding n items must cost time linear in n.
// Not a test: scripts/run-benchmarks.sh runs it; every figure is the minimum and the median of
// repeated runs.
#include "benchmarks/BenchmarkClock.h"
#include "benchmarks/BenchmarkMain.h"
#include "benchmarks/EmbeddedControl.h"
#include "benchmarks/Samples.h"
#include "platform/Com.h"
#include "platform/ComObject.h"
#include "platform/Result.h"
#include "platform/Xml.h"
#include "tests/support/DibCanvas.h"
#include "tests/support/MarkerData.h"
#include "tests/support/TestSite.h"

#include "HostInterfaces.h"
#include "MapEngine.h"
#include "VadAZ.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

using platform::Bstr;
using platform::ComPtr;
using platform::Variant;

namespace {

const int kWidth = 1280, kHeight = 800;
int g_runs = 5;

// What a host's message loop does once it runs again: paints and posted work.
void Pump() {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
}

// The bytes of a dropped marker: its message number, and the number as its label.
std::vector<unsigned char> DroppedMarker(long number) {
    char label[8];
    std::snprintf(label, sizeof label, "%ld", number % 1000000);
    return testsupport::MarkerData::Payload(number, 0, label);
}

// The control with a canvas its frames draw into.
class DrawnControl : public EmbeddedControl {
public:
    DrawnControl() : EmbeddedControl(kWidth, kHeight) {}
    // The view around (lon, lat), `width` map units across.
    void Show(double lon, double lat, double width) {
        Put(7, Variant(width));
        Put(8, Variant(lon));
        Put(9, Variant(lat));
    }
    // The engine stand-in logs every call it gets: a benchmark of many calls forgets them.
    void ForgetEngineCalls() { As<IEngineTestHooks>(Unknown())->ClearCalls(); }
    void Frame() {
        THROW_IF_FAILED(canvas_.DrawView(Unknown()));
        ::GdiFlush();
    }

private:
    testsupport::DibCanvas canvas_{kWidth, kHeight, false};
};

void PrintHeader() {
    std::printf("  %-40s %8s %10s %10s %12s\n", "figure", "count", "min", "median", "median/item");
}

void Print(const char* figure, long count, const Samples& s) {
    std::printf("  %-40s %8ld %8.1fms %8.1fms %10.2fus\n", figure, count, s.Min() * 1e3, s.Median() * 1e3,
                s.Median() / count * 1e6);
}

// n circles added one call at a time, as a host's loop adds them; then the one repaint that the
// host's message loop gets once the loop is done.
void Circles(long count) {
    Samples add, repaint;
    for (int r = 0; r < g_runs; ++r) {
        DrawnControl control;
        control.Put(25, Variant(7L));  // metres
        control.Show(10.0, 50.0, 10000.0);
        Pump();
        control.ForgetEngineCalls();
        Bstr tip(L"tip");
        add.Add(Time([&] {
            for (long i = 0; i < count; ++i) {
                const double lat = 50.0 + ((i * 37) % 1000 - 500) * 1e-5, lon = 10.0 + ((i * 53) % 1000 - 500) * 1e-5;
                THROW_IF_FAILED(control->DrawCircle(lat, lon, Variant(100.0 + i % 400), 1, 0, Variant(0xFF0000L), tip.Get()));
            }
        }));
        repaint.Add(Time(Pump));
    }
    Print("add circles (DrawCircle)", count, add);
    Print("then the one repaint", count, repaint);
}

void Markers(long count) {
    Samples drop, repaint;
    for (int r = 0; r < g_runs; ++r) {
        DrawnControl control;
        control.Show(10.0, 50.0, 10.0);
        THROW_IF_FAILED(As<IZmaVadAZMarkerHandling>(control.Unknown())->OpenMarkerLayer(VARIANT_FALSE));
        Pump();
        control.ForgetEngineCalls();
        drop.Add(Time([&] {
            for (long i = 0; i < count; ++i) {
                auto data = platform::MakeObject<testsupport::MarkerData>(DroppedMarker(i));
                ComPtr<IUnknown> unknown;
                data->QueryInterface(IID_IUnknown, unknown.PutVoid());
                THROW_IF_FAILED(control->HandleDragDrop(unknown.Get(), (i * 37) % kWidth, (i * 53) % kHeight));
            }
        }));
        repaint.Add(Time(Pump));
    }
    Print("drop markers (HandleDragDrop)", count, drop);
    Print("then the one repaint", count, repaint);
}

// A route of `rows` rows whose distance counter passes an arrow spacing at every row: one arrow
// per row.
ComPtr<IDispatch> Route(long rows) {
    ComPtr<IHostSampleDataset> sample;
    THROW_IF_FAILED(::CoCreateInstance(CLSID_SampleDataset, nullptr, CLSCTX_ALL, __uuidof(IHostSampleDataset),
                                       sample.PutVoid()));
    THROW_IF_FAILED(sample->put_RowCount(rows));
    ComPtr<IHostDatasetSetup> setup;
    THROW_IF_FAILED(sample.As(setup));
    long distance = 0;
    THROW_IF_FAILED(setup->AddField(Bstr(L"Distance").Get(), 3, &distance));
    for (long row = 0; row < rows; ++row) setup->SetValue(row, Variant(distance), Variant(row * 6000L));
    ComPtr<IDispatch> dataset;
    sample.As(dataset);
    return dataset;
}

ComPtr<IXMLDOMNode> SavedSettings(IZmaVadAZ2* control) {
    ComPtr<IXMLDOMDocument2> document = platform::CreateXmlDocument();
    ComPtr<IXMLDOMElement> root;
    THROW_IF_FAILED(document->createElement(Bstr(L"root").Get(), root.Put()));
    THROW_IF_FAILED(document->appendChild(root.Get(), nullptr));
    THROW_IF_FAILED(control->SaveToXML(root.Get()));
    ComPtr<IXMLDOMNode> settings;
    THROW_IF_FAILED(root->get_firstChild(settings.Put()));
    return settings;
}

// The whole route in view: every arrow is built, drawn, saved and loaded again.
void Arrows(long rows) {
    ComPtr<IDispatch> route = Route(rows);
    Samples build, frame, load;
    DrawnControl control;
    Bstr series(L"{BE7C4A11-0000-0000-0000-0000000000A1}");
    THROW_IF_FAILED(control->DisplayDataset(route.Get(), Variant(L"RxLev"), series.Get()));
    for (int r = 0; r < g_runs; ++r) {
        THROW_IF_FAILED(control->ShowDirection(VARIANT_FALSE));
        Pump();
        control.ForgetEngineCalls();
        build.Add(Time([&] { THROW_IF_FAILED(control->ShowDirection(VARIANT_TRUE)); }));
        frame.Add(Time([&] { control.Frame(); }));
    }
    ComPtr<IXMLDOMNode> settings = SavedSettings(control.operator->());
    // Into a map that has no layers yet, as a host opens a saved map.
    for (int r = 0; r < g_runs; ++r) {
        ComPtr<IUnknown> fresh;
        THROW_IF_FAILED(::CoCreateInstance(CLSID_VadAZ2, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, fresh.PutVoid()));
        ComPtr<IZmaVadAZ2> loaded = As<IZmaVadAZ2>(fresh.Get());
        load.Add(Time([&] { THROW_IF_FAILED(loaded->LoadFromXML(settings.Get())); }));
        VARIANT_BOOL shown = VARIANT_FALSE;
        THROW_IF_FAILED(loaded->IsDirectionShown(&shown));
        if (shown != VARIANT_TRUE) platform::ThrowHr(E_FAIL);
        As<IOleObject>(fresh.Get())->Close(OLECLOSE_NOSAVE);
    }
    Print("build arrows (ShowDirection)", rows, build);
    Print("frame with the arrows", rows, frame);
    Print("load the saved arrows (LoadFromXML)", rows, load);
}

}  // namespace

// Arguments: the runs per figure (5), and optionally one table: circles, markers or arrows.
int main(int argc, char** argv) {
    if (argc > 1) g_runs = std::max(1, std::atoi(argv[1]));
    const std::string only = argc > 2 ? argv[2] : "";
    auto wanted = [&only](const char* table) { return only.empty() || only == "all" || only == table; };
    return RunFigures([&] {
        std::printf("%d runs per figure, %dx%d view; each count beside one ten times smaller: the time per item "
                    "stays the same when the cost is linear\n",
                    g_runs, kWidth, kHeight);
        PrintHeader();
        if (wanted("circles")) for (long n : {1000L, 10000L}) Circles(n);
        if (wanted("markers")) for (long n : {200L, 2000L}) Markers(n);
        if (wanted("arrows")) for (long n : {20000L, 200000L}) Arrows(n);
    });
}
