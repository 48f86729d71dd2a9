// A host that frees the libraries and loads them again, as often as it likes: each cycle makes a
// map by its ProgID, initialises it, activates it in place in a window, draws it, closes and
// releases it and frees the unused libraries, as hosts do when idle; or loads and frees one
// library alone. After the first cycles no cycle costs the process a TLS slot, a handle or
// committed memory. VADAZ_RELOAD_CYCLES runs each case that many times instead.
#include "tests/support/DibCanvas.h"
#include "tests/support/TestSite.h"
#include "tests/support/TestSupport.h"
#include "tests/support/Watchdog.h"

#include "platform/Com.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <set>
#include <vector>

using platform::ComPtr;

namespace {

// The TLS slots still free, found by taking them all and giving them back.
std::set<DWORD> FreeTlsSlots() {
    std::set<DWORD> taken;
    for (DWORD slot; (slot = ::TlsAlloc()) != TLS_OUT_OF_INDEXES;) taken.insert(slot);
    for (DWORD slot : taken) ::TlsFree(slot);
    return taken;
}

// The slots of `before` that are no longer free: what the cycles took, whatever others gave back meanwhile.
size_t SlotsTakenSince(const std::set<DWORD>& before) {
    const std::set<DWORD> now = FreeTlsSlots();
    return static_cast<size_t>(
        std::count_if(before.begin(), before.end(), [&](DWORD slot) { return !now.count(slot); }));
}

// The process's committed memory outside its images (heaps, stacks, allocations): what a leak
// grows.
long long CommittedMemory() {
    long long committed = 0;
    MEMORY_BASIC_INFORMATION region = {};
    for (const char* at = nullptr; ::VirtualQuery(at, &region, sizeof region) == sizeof region;
         at = static_cast<const char*>(region.BaseAddress) + region.RegionSize) {
        if (region.State == MEM_COMMIT && region.Type != MEM_IMAGE) committed += region.RegionSize;
        if (static_cast<const char*>(region.BaseAddress) + region.RegionSize < at) break;
    }
    return committed;
}

// One map's life in a host, from its creation by ProgID to the unused libraries freed.
void HostCycle() {
    CLSID clsid = {};
    ASSERT_EQ(::CLSIDFromProgID(L"VadAZ2.ZmaVadAZ.1", &clsid), S_OK);
    {
        ComPtr<IUnknown> control;
        ASSERT_EQ(::CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, control.PutVoid()), S_OK);
        auto site = platform::MakeObject<testsupport::TestSite>(320, 240);
        ASSERT_EQ(testsupport::ActivateInPlace(control.Get(), *site.Get()), S_OK);
        testsupport::DibCanvas canvas(320, 240);
        ASSERT_EQ(canvas.DrawView(control.Get()), S_OK);
        testsupport::CloseInPlace(control.Get());
    }
    testsupport::PumpMessages();
    ::CoFreeUnusedLibrariesEx(0, 0);
}

std::function<void()> LibraryAlone(const wchar_t* path) {
    return [path] {
        const std::wstring file = testsupport::WinePath(VADAZ_BUILD_UNIX_PATH) + L"\\" + path;
        HMODULE library = ::LoadLibraryW(file.c_str());
        ASSERT_TRUE(library) << "loading " << file;
        ::FreeLibrary(library);
    };
}

int Cycles(int usual) {
    const char* asked = std::getenv("VADAZ_RELOAD_CYCLES");
    return asked ? std::atoi(asked) : usual;
}

TEST(LibraryReload, AfterTheFirstCyclesNoCycleCostsATlsSlotAHandleOrMemory) {
    const struct {
        const char* what;
        std::function<void()> cycle;
        int cycles;
    } cases[] = {
        {"a map shown by a host, then the unused libraries freed", &HostCycle, Cycles(50)},
        {"VadAZ.dll alone", LibraryAlone(L"ZmaVOMap2\\VadAZ.dll"), Cycles(100)},
        {"the engine stand-in alone", LibraryAlone(L"standins\\mapengine\\MapEngineStandIn.dll"), Cycles(100)},
        {"the host stand-ins alone", LibraryAlone(L"standins\\host\\VadazHost.dll"), Cycles(100)},
    };
    // A heap may grow by a step that later cycles use; a cycle that kept 2 KB would pass it by far.
    constexpr long long kHeapStep = 64 * 1024;
    testsupport::Watchdog watchdog;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        // The first cycles make what a process keeps for good (the system's caches, COM's own).
        for (int i = 0; i < 10; ++i) ASSERT_NO_FATAL_FAILURE(watchdog.Guard(c.what, c.cycle));
        const std::set<DWORD> slots = FreeTlsSlots();
        const long handles = testsupport::KernelHandles();
        const long long committed = CommittedMemory();
        for (int i = 0; i < c.cycles; ++i) ASSERT_NO_FATAL_FAILURE(watchdog.Guard(c.what, c.cycle)) << "cycle " << i;
        ASSERT_GE(std::min(handles, testsupport::KernelHandles()), 0) << "handles can be counted here";
        EXPECT_EQ(SlotsTakenSince(slots), 0u) << "TLS slots";
        EXPECT_LE(testsupport::KernelHandles(), handles) << "handles";
        EXPECT_LE(CommittedMemory() - committed, kHeapStep) << "bytes committed over " << c.cycles << " cycles";
    }
}

}  // namespace
