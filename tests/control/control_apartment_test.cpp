// A host whose dataset lives in another apartment: the control's thread holds a proxy, whose calls and
// releases let the thread handle messages meanwhile. Shown, drawn, cut off by its owner and removed, map
// after map under a watchdog: nothing is destroyed twice, and nothing of the library is in use after each
// map, which leaves no GDI objects or windows behind.
#include "tests/control/ControlFixture.h"
#include "tests/datalayers/DisplayFixture.h"
#include "tests/support/DibCanvas.h"
#include "tests/support/TestSupport.h"
#include "tests/support/Watchdog.h"

#include "ZmaVOMap2/engine/EngineMembers.h"
#include "platform/UniqueHandle.h"

#include <algorithm>

using namespace displaytest;
using platform::Bstr;
using platform::ComPtr;
using platform::Variant;

namespace {

const wchar_t kSeries[] = L"{A4900000-0000-0000-0000-0000000000D4}";
constexpr UINT kDisconnect = WM_APP + 1;

// A second single-threaded apartment, whose thread makes a host dataset, hands it out marshalled and
// serves its proxies' calls until it quits; kDisconnect cuts every proxy off, as a host whose object
// went. The thread sets `done` once the dataset is handed out, once it is cut off and once it quits.
struct DatasetApartment {
    DWORD id = 0;
    IStream* stream = nullptr;
    platform::UniqueHandleKernel done{::CreateEventW(nullptr, FALSE, FALSE, nullptr)};

    DatasetApartment() {
        ::CloseHandle(::CreateThread(nullptr, 0, &Serve, this, 0, &id));
        ::WaitForSingleObject(done.Get(), 10000);
    }
    ~DatasetApartment() { Tell(WM_QUIT); }
    void Tell(UINT message) {
        ::PostThreadMessageW(id, message, 0, 0);
        ::WaitForSingleObject(done.Get(), 10000);
    }

    static DWORD WINAPI Serve(void* self) {
        auto* apartment = static_cast<DatasetApartment*>(self);
        ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        MSG msg;
        ::PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);  // the queue for the test's messages
        ComPtr<IDispatch> dataset = NewDataset({{L"Latitude", 13}, {L"Longitude", 12}, {L"RxLev", 5}}, 50);
        ::CoMarshalInterThreadInterfaceInStream(IID_IDispatch, dataset.Get(), &apartment->stream);
        ::SetEvent(apartment->done.Get());
        while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
            if (!msg.hwnd && msg.message == kDisconnect) {
                ::CoDisconnectObject(dataset.Get(), 0);
                ::SetEvent(apartment->done.Get());
            }
            ::DispatchMessageW(&msg);
        }
        dataset.Reset();
        ::CoUninitialize();
        ::SetEvent(apartment->done.Get());  // its last touch of the apartment, which may go then
        return 0;
    }
};

TEST(HostApartment, ADatasetOfAnotherApartmentIsRemovedOnceAndTheLibraryUnloads) {
    testsupport::Watchdog watchdog;
    testsupport::SystemObjects held;
    for (int map = 0; map < 4; ++map) {
        SCOPED_TRACE(::testing::Message() << "map " << map << (map % 2 ? ", its proxy cut off by its owner" : ""));
        DatasetApartment apartment;
        watchdog.Guard("a map's life", [&] {
            ComPtr<IUnknown> control;
            ASSERT_EQ(controltest::CreateControl(control), S_OK);
            auto site = platform::MakeObject<testsupport::TestSite>(400, 300);
            ASSERT_EQ(testsupport::ActivateInPlace(control.Get(), *site.Get()), S_OK);
            ::ShowWindow(site->Window(), SW_SHOWNA);  // what the removal invalidates is painted
            const ComPtr<IZmaVadAZ2> typed = controltest::As<IZmaVadAZ2>(control.Get());
            ComPtr<IDispatch> proxy;
            ASSERT_EQ(::CoGetInterfaceAndReleaseStream(apartment.stream, IID_IDispatch, proxy.PutVoid()), S_OK);
            ASSERT_EQ(typed->DisplayDataset(proxy.Get(), Variant(L"RxLev"), Bstr(kSeries).Get()), S_OK);
            proxy.Reset();  // the map holds the only one
            testsupport::DibCanvas view(400, 300);
            EXPECT_EQ(view.DrawView(control.Get()), S_OK);
            if (map % 2) {
                apartment.Tell(kDisconnect);
                EXPECT_EQ(view.DrawView(control.Get()), S_OK);
            }
            // A message for the engine's window waits: the thread handles it while the removed
            // layer lets go of the proxy.
            ComPtr<IDispatch> engine;
            ASSERT_EQ(typed->get_MapX(engine.Put()), S_OK);
            const auto window = static_cast<LONG_PTR>(Get(engine.Get(), Engine::Map::kWindowHandle).ToLong());
            ::PostMessageW(reinterpret_cast<HWND>(window), WM_MOUSEMOVE, 0, MAKELPARAM(20, 20));
            EXPECT_EQ(typed->RemoveDataset(Bstr(kSeries).Get(), Variant(true)), S_OK);
            EXPECT_EQ(view.DrawView(control.Get()), S_OK);
            testsupport::CloseInPlace(control.Get());
        });
        testsupport::PumpMessages();
        ::CoFreeUnusedLibrariesEx(0, 0);
        EXPECT_TRUE(testsupport::LibraryUnused(L"VadAZ.dll")) << "nothing of the library is left in use";
        // Not the handles: under Wine each apartment that served a proxy keeps its RPC endpoint.
        const testsupport::SystemObjects now = testsupport::CountSystemObjects();
        held = map ? held : now;
        ASSERT_GE(std::min(now.gdi, now.user), 0) << "GDI and USER objects can be counted here";
        EXPECT_LE(now.gdi, held.gdi) << "GDI objects";
        EXPECT_LE(now.user, held.user) << "USER objects";
    }
}

}  // namespace
