// A host that creates, shows and releases maps all day: GDI objects, windows, handles, heap bytes
// and temporary files must not grow with the number of maps it had.
//
// VADAZ_RESOURCE_CYCLES (default 200) sets the number of measured cycles.
#include "tests/control/ControlFixture.h"
#include "tests/support/TestSite.h"
#include "tests/support/TestSupport.h"
#include "platform/UniqueHandle.h"

#include <gtest/gtest-spi.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <iterator>
#include <set>
#include <string>
#include <vector>

using namespace controltest;
using platform::Bstr;
using platform::ComPtr;
using platform::Variant;

namespace {

long Cycles() {
    wchar_t text[32] = {};
    if (!::GetEnvironmentVariableW(L"VADAZ_RESOURCE_CYCLES", text, 32)) return 200;
    long value = std::wcstol(text, nullptr, 10);
    return value > 0 ? value : 200;
}

BOOL CALLBACK CountChild(HWND, LPARAM count) {
    ++*reinterpret_cast<long*>(count);
    return TRUE;
}

BOOL CALLBACK CountWindow(HWND window, LPARAM count) {
    ++*reinterpret_cast<long*>(count);
    ::EnumChildWindows(window, CountChild, count);
    return TRUE;
}

// The paths of the files in a folder, added to `files`.
void AddFilesIn(const std::wstring& folder, std::set<std::wstring>& files) {
    WIN32_FIND_DATAW data;
    HANDLE find = ::FindFirstFileW((folder + L"\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return;
    do {
        if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) files.insert(folder + L"\\" + data.cFileName);
    } while (::FindNextFileW(find, &data));
    ::FindClose(find);
}

// Bytes in use in every heap of the process.
SIZE_T HeapBytes() {
    HANDLE heaps[64];
    DWORD count = ::GetProcessHeaps(64, heaps);
    SIZE_T used = 0;
    for (DWORD i = 0; i < count && i < 64; ++i) {
        PROCESS_HEAP_ENTRY entry = {};
        if (!::HeapLock(heaps[i])) continue;
        while (::HeapWalk(heaps[i], &entry))
            if (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) used += entry.cbData;
        ::HeapUnlock(heaps[i]);
    }
    return used;
}

struct Usage {
    testsupport::SystemObjects objects;
    long windows = 0;
    std::set<std::wstring> temporaryFiles;
    SIZE_T heapBytes = 0;
};

std::wstring TemporaryFolder() {
    wchar_t temp[MAX_PATH + 1] = {};
    ::GetTempPathW(MAX_PATH, temp);
    return temp;
}

Usage Measure() {
    testsupport::PumpMessages();
    Usage u;
    u.objects = testsupport::CountSystemObjects();
    ::EnumThreadWindows(::GetCurrentThreadId(), CountWindow, reinterpret_cast<LPARAM>(&u.windows));
    AddFilesIn(TemporaryFolder() + L"D4Oze2", u.temporaryFiles);
    AddFilesIn(TemporaryFolder().substr(0, TemporaryFolder().size() - 1), u.temporaryFiles);
    u.heapBytes = HeapBytes();
    return u;
}

// The stand-ins keep a record of every call they get, for the tests that ask: that record is
// theirs, not the control's, and is emptied before anything is measured.
void ClearStandInRecords(IUnknown* control) {
    if (ComPtr<IEngineTestHooks> hooks = EngineHooks(control)) hooks->ClearCalls();
    ComPtr<IHostLogStore> store;
    if (SUCCEEDED(::CoCreateInstance(CLSID_HostLoggingManager, nullptr, CLSCTX_INPROC_SERVER, IID_IHostLogStore,
                                     store.PutVoid())))
        store->ClearEntries();
    // The channel loggers' record of the lines the control wrote.
    ComPtr<IHostLoggingManager> manager;
    ComPtr<IHostChannelLogger> channel;
    ComPtr<IHostCallLog> lines;
    if (SUCCEEDED(::CoCreateInstance(CLSID_HostLoggingManager, nullptr, CLSCTX_INPROC_SERVER, IID_IHostLoggingManager,
                                     manager.PutVoid())) &&
        SUCCEEDED(manager->Initialize(nullptr)) &&
        SUCCEEDED(manager->GetChannelLogger(Bstr(L"zemro.aos.mapping.vadaz").Get(), channel.Put())) &&
        SUCCEEDED(channel.As(lines)))
        lines->ClearCalls();
    for (const CLSID* logged : {&CLSID_HostService, &CLSID_HostProfileComponent, &CLSID_HostUnitConverter,
                                &CLSID_HostLoggingManager, &CLSID_HostLoggingCompanion, &CLSID_HostFieldRenderer,
                                &CLSID_MapPrintSettings, &CLSID_HostPackageManager, &CLSID_HostStreamText,
                                &CLSID_HostPointRenderer, &CLSID_HostEnhancedRenderer, &CLSID_HostCellSiteRenderer}) {
        ComPtr<IHostCallLog> log;
        if (SUCCEEDED(::CoCreateInstance(*logged, nullptr, CLSCTX_INPROC_SERVER, IID_IHostCallLog, log.PutVoid())))
            log->ClearCalls();
    }
}

// One map's life in a host's form: created, initialised, sited and shown, drawn, released.
void OneMap(IUnknown* dataset) {
    ComPtr<IUnknown> unknown;
    ASSERT_EQ(CreateControl(unknown), S_OK);
    auto site = platform::MakeObject<testsupport::TestSite>(320, 240);
    ComPtr<IOleObject> ole = As<IOleObject>(unknown.Get());
    ASSERT_EQ(ole->SetClientSite(site.Get()), S_OK);
    ASSERT_EQ(As<IPersistStreamInit>(unknown.Get())->InitNew(), S_OK);
    RECT r = site->Rect();
    ASSERT_EQ(ole->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, site.Get(), 0, site->Window(), &r), S_OK);
    if (dataset) {
        ASSERT_EQ(As<IZmaVadAZ2>(unknown.Get())
                      ->DisplayDataset(As<IDispatch>(dataset).Get(), Variant(L"RxLev"),
                                       Bstr(L"{0C7E1A52-33B4-4F7B-8D0A-6E2A9B1C4D55}").Get()),
                  S_OK);
    }
    HDC screen = ::GetDC(nullptr);
    HDC dc = ::CreateCompatibleDC(screen);
    HBITMAP bitmap = ::CreateCompatibleBitmap(screen, 320, 240);
    ::ReleaseDC(nullptr, screen);
    HGDIOBJ old = ::SelectObject(dc, bitmap);
    RECTL bounds = {0, 0, 320, 240};
    EXPECT_EQ(As<IViewObjectEx>(unknown.Get())->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, dc, dc, &bounds, nullptr,
                                                      nullptr, 0),
              S_OK);
    ::SelectObject(dc, old);
    ::DeleteObject(bitmap);
    ::DeleteDC(dc);
    ole->Close(OLECLOSE_NOSAVE);
    ole->SetClientSite(nullptr);
}

ComPtr<IUnknown> SampleDataset() {
    CLSID sampleClass;
    EXPECT_EQ(::CLSIDFromProgID(L"VadazHost.SampleDataset", &sampleClass), S_OK);
    ComPtr<IUnknown> dataset;
    EXPECT_EQ(::CoCreateInstance(sampleClass, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, dataset.PutVoid()), S_OK);
    if (dataset) As<IHostSampleDataset>(dataset.Get())->put_RowCount(200);
    return dataset;
}

struct Growth {
    Usage before, after;
};

// Runs `cycles` maps (with a dataset on every other one when asked) after a warm-up in which
// type information, class factories, fonts and caches are made once; `alongside` runs with each.
Growth RunMaps(long cycles, bool withDatasets, const std::function<void()>& alongside = {}) {
    // The engine's record is process-wide: a control kept aside reaches it after each map is gone.
    ComPtr<IUnknown> recordKeeper;
    EXPECT_EQ(CreateControl(recordKeeper), S_OK);
    for (int i = 0; i < 10; ++i) {
        OneMap(withDatasets ? SampleDataset().Get() : nullptr);
        ClearStandInRecords(recordKeeper.Get());
    }
    Growth g;
    g.before = Measure();
    for (long i = 0; i < cycles; ++i) {
        OneMap(withDatasets && i % 2 ? SampleDataset().Get() : nullptr);
        if (alongside) alongside();
        ClearStandInRecords(recordKeeper.Get());
        if (::testing::Test::HasFatalFailure()) break;
    }
    g.after = Measure();
    std::printf("%ld cycles%s: GDI %ld->%ld, USER %ld->%ld, handles %ld->%ld, windows %ld->%ld, files %zu->%zu, "
                "heap %lu->%lu\n",
                cycles, withDatasets ? " (datasets)" : "", g.before.objects.gdi, g.after.objects.gdi,
                g.before.objects.user, g.after.objects.user, g.before.objects.handles, g.after.objects.handles,
                g.before.windows, g.after.windows, g.before.temporaryFiles.size(), g.after.temporaryFiles.size(),
                static_cast<unsigned long>(g.before.heapBytes), static_cast<unsigned long>(g.after.heapBytes));
    return g;
}

void ExpectNoSystemGrowth(const Growth& g) {
    // The files the maps left, whatever another program's files did meanwhile.
    std::vector<std::wstring> left;
    std::set_difference(g.after.temporaryFiles.begin(), g.after.temporaryFiles.end(), g.before.temporaryFiles.begin(),
                        g.before.temporaryFiles.end(), std::back_inserter(left));
    EXPECT_EQ(left, std::vector<std::wstring>{}) << "temporary files";
    EXPECT_LE(g.after.windows, g.before.windows) << "windows";
    testsupport::ExpectNoMoreSystemObjects(g.before.objects, g.after.objects, {8, 8, 16});
}

// Some growth is the allocator's own (free lists, caches); a map's worth per cycle is far more.
void ExpectNoHeapGrowth(const Growth& g) {
    EXPECT_LE(g.after.heapBytes, g.before.heapBytes + 64 * 1024)
        << "heap bytes: " << g.before.heapBytes << " -> " << g.after.heapBytes;
}

TEST(Resources, ManyEmptyMapsLeaveNothingBehind) {
    Growth g = RunMaps(Cycles(), false);
    ExpectNoSystemGrowth(g);
    ExpectNoHeapGrowth(g);
}

TEST(Resources, ManyMapsShowingDatasetsLeaveNothingBehind) {
    Growth g = RunMaps(Cycles(), true);
    ExpectNoSystemGrowth(g);
    ExpectNoHeapGrowth(g);
}

// The counts see what a map would keep: a brush, a window or an event left by each of a few dozen maps.
TEST(Resources, AGdiObjectLeftWithEachMapIsSeen) {
    std::vector<platform::UniqueHBrush> left;
    Growth g = RunMaps(24, false, [&] { left.emplace_back(::CreateSolidBrush(RGB(1, 2, 3))); });
    EXPECT_NONFATAL_FAILURE(ExpectNoSystemGrowth(g), "GDI objects");
}

// A message-only window, which no enumeration of the thread's windows shows.
TEST(Resources, AWindowLeftWithEachMapIsSeen) {
    std::vector<testsupport::UniqueWindow> left;
    Growth g = RunMaps(24, false, [&] {
        left.emplace_back(::CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 1, 1, HWND_MESSAGE, nullptr, nullptr, nullptr));
    });
    EXPECT_NONFATAL_FAILURE(ExpectNoSystemGrowth(g), "USER objects");
}

TEST(Resources, AnEventLeftWithEachMapIsSeen) {
    std::vector<platform::UniqueHandleKernel> left;
    Growth g = RunMaps(24, false, [&] { left.emplace_back(::CreateEventW(nullptr, TRUE, FALSE, nullptr)); });
    EXPECT_NONFATAL_FAILURE(ExpectNoSystemGrowth(g), "handles");
}

}  // namespace
